#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/qm_controller.h"
#include "app/qm_script.h"
#include "app/smtp_client.h"
#include "comms/smtp_email.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

// What the fake mail transport was asked to do.
struct Outbox {
    std::vector<UCSMTPEmail> sent;
    std::set<std::string> refused;  // recipients the "server" rejects
    int acceptAtMost = -1;          // messages accepted before every later one is rejected
    int clients = 0;
    int connects = 0;
    bool connectResult = true;
};

class FakeSMTPClient : public UCSMTPClient {
public:
    explicit FakeSMTPClient(Outbox* box) : box_(box) {}
    bool Connect(const EmailServerSettings&) override {
        ++box_->connects;
        connected = box_->connectResult;
        return connected;
    }
    bool Send(const UCSMTPEmail& email) override {
        const bool full =
            box_->acceptAtMost >= 0 && box_->sent.size() >= static_cast<size_t>(box_->acceptAtMost);
        for (const auto& to : email.GetTo()) {
            if (full || box_->refused.count(to->address) != 0) {
                UCError::Current().AddDetail("Transport error: 550 No such user here");
                return false;
            }
        }
        box_->sent.push_back(email);
        return true;
    }

private:
    Outbox* box_;
};

class FakeSMTPFactory : public UCSMTPClientFactory {
public:
    explicit FakeSMTPFactory(Outbox* box) : box_(box) {}
    std::unique_ptr<UCSMTPClient> CreateClient() override {
        ++box_->clients;
        return std::make_unique<FakeSMTPClient>(box_);
    }

private:
    Outbox* box_;
};

// A script that writes a fixed text for parents' results and reports one warning on the way;
// each parent it writes for is noted in calls, when given.
class FakeEmailScript : public QMScript {
public:
    explicit FakeEmailScript(QMController* controller, std::vector<std::string>* calls = nullptr)
        : QMScript(controller), calls_(calls) {}
    bool RunMain() override { return true; }
    bool DrawTeacherPage(Teacher*, Schedule*) override { return true; }
    bool DrawParentPage(Parent*, Schedule*) override { return true; }
    bool RunTeacherEmail(EmailTextKind, Teacher*, Schedule*) override { return true; }
    bool RunParentEmail(EmailTextKind, Parent* parent, Schedule*) override {
        if (calls_ != nullptr) {
            calls_->push_back(parent->GetName());
        }
        ReportMessage(SeverityWarning, "no room list");
        Output(("Scripted for " + parent->GetName()).c_str());
        Output("Second line");
        return true;
    }
    bool RunPupilEmail(EmailTextKind, Pupil*, Schedule*) override { return true; }
    bool HasTeacherEmail(EmailTextKind) override { return false; }
    bool HasParentEmail(EmailTextKind kind) override { return kind == EmailResults; }
    bool HasPupilEmail(EmailTextKind) override { return false; }

private:
    std::vector<std::string>* calls_;
};

class ScriptingController : public QMController {
public:
    std::unique_ptr<QMScript> CreateScript(const std::string& fileName) override {
        scriptsAsked.push_back(fileName);
        return std::make_unique<FakeEmailScript>(this, &scriptCalls);
    }
    std::vector<std::string> scriptsAsked;
    std::vector<std::string> scriptCalls;
};

// A small event on 12 and 13 March 2026, 6pm to 10pm in five-minute slots, at Hill School:
// two teachers, the Smiths with one child and the Lees with two.
class EmailEvent : public ::testing::Test {
protected:
    EmailEvent() {
        event_ = std::make_shared<Event>();
        event_->SetName("Spring evening");
        event_->SetSchoolName("Hill School");
        event_->SetUrl("https://web.example/events/1");
        EmailServerSettings server;
        server.SetServer("mail.hill.example");
        server.SetFromAddress("office@hill.example");
        event_->SetEmailServerSettings(server);
        auto days = std::make_unique<MultiDaySchedule>(event_);
        days->GetDay(0)->SetDate(Date(12, 3, 2026));
        EXPECT_TRUE(days->AppendNextDay());
        days_ = days.get();
        whitfield_ = AddTeacher("Mr Tom Whitfield", "Room 4", "");
        raman_ = AddTeacher("Ms Priya Raman", "", "https://meet.example/pr");
        smith_ = AddParent("Mrs Jane Smith", "jane@home.example", "https://web.example/p/smith");
        amy_ = AddPupil(smith_, "Amy Smith", "7A");
        lee_ = AddParent("Mr Kim Lee", "kim@home.example", "https://web.example/p/lee");
        ben_ = AddPupil(lee_, "Ben Lee", "8B");
        cat_ = AddPupil(lee_, "Cat Lee", "9C");
        controller_.SetEvent(std::move(days));
        controller_.SetClientFactory(std::make_unique<FakeSMTPFactory>(&outbox_));
    }

    Teacher* AddTeacher(const char* name, const char* location, const char* link) {
        auto teacher = std::make_unique<Teacher>(name);
        teacher->SetLocation(location);
        teacher->SetMeetingLink(link);
        teacher->SetEmail(std::string(name).substr(3, 3) + "@hill.example");
        Teacher* raw = teacher.get();
        EXPECT_TRUE(days_->AddTeacher(std::move(teacher)));
        return raw;
    }
    Parent* AddParent(const char* name, const char* email, const char* url) {
        auto parent = std::make_unique<Parent>(name);
        parent->SetEmail(email);
        parent->SetUrl(url);
        Parent* raw = parent.get();
        EXPECT_TRUE(days_->AddParent(std::move(parent)));
        return raw;
    }
    static Pupil* AddPupil(Parent* parent, const char* name, const char* form) {
        auto pupil = std::make_unique<Pupil>(name);
        pupil->SetForm(form);
        Pupil* raw = pupil.get();
        parent->AddPupil(std::move(pupil));
        return raw;
    }
    // A request of the pupil booked on that day from that slot; -1 leaves it unbooked.
    void Book(Pupil* pupil, Teacher* teacher, const char* subject, int length, int day, int slot) {
        pupil->AddRequest(teacher, subject, 1, length);
        if (slot < 0) {
            return;
        }
        auto booking =
            std::make_shared<Appointment>(pupil->GetRequest(pupil->GetRequestCount() - 1));
        const int row = event_->GetTeachers().IndexOf(teacher);
        ASSERT_TRUE(days_->GetDay(day)->GetGrid().PutBooking(slot, row, booking));
    }
    Presentation* AddTalk(const char* name, const char* location, const char* start,
                          const char* end, int day = 0) {
        auto talk = std::make_unique<Presentation>(name, location, days_->GetDay(day)->GetDate(),
                                                   start, end);
        Presentation* raw = talk.get();
        EXPECT_TRUE(event_->AddPresentation(std::move(talk)));
        return raw;
    }
    Schedule* Day(int n) const { return days_->GetDay(n); }
    PrintSettings& Selection() { return event_->GetPrintSettings(); }

    UCStringError sink_;
    Outbox outbox_;
    ScriptingController controller_;
    std::shared_ptr<Event> event_;
    MultiDaySchedule* days_ = nullptr;
    Teacher* whitfield_;
    Teacher* raman_;
    Parent* smith_;
    Pupil* amy_;
    Parent* lee_;
    Pupil* ben_;
    Pupil* cat_;
};
