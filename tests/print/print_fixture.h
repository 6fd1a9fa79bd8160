#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/qm_controller.h"
#include "app/qm_script.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/print_renderer.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

// A two-day event (05 and 06 Mar 2024, 18:00 to 22:00 in five-minute slots) held by a
// controller: Ann Smith in Room 4 and Bob Brown; Pat Jones with Sam Jones, and Chris Lee with
// Amy Lee and Ben Lee. Nobody has requests until a test gives them some.
class PrintFixture : public ::testing::Test {
protected:
    PrintFixture() : event(std::make_shared<Event>()) {
        event->SetSchoolName("Quillmoot High");
        event->SetName("Parents' Evening");
        auto days = std::make_unique<MultiDaySchedule>(event);
        days->GetDay(0)->SetDate(Date(5, 3, 2024));
        EXPECT_TRUE(days->AppendNextDay());
        schedule = days.get();
        controller.SetEvent(std::move(days));
        ann = AddTeacher("Ann Smith", "Room 4");
        bob = AddTeacher("Bob Brown", "");
        pat = AddParent("Pat Jones", {"Sam Jones"});
        lee = AddParent("Chris Lee", {"Amy Lee", "Ben Lee"});
        sam = pat->GetPupil(0);
        amy = lee->GetPupil(0);
        ben = lee->GetPupil(1);
    }

    Teacher* AddTeacher(const std::string& name, const std::string& location) {
        auto teacher = std::make_unique<Teacher>(name);
        teacher->SetLocation(location);
        Teacher* added = teacher.get();
        EXPECT_TRUE(schedule->AddTeacher(std::move(teacher)));
        return added;
    }

    Parent* AddParent(const std::string& name, std::initializer_list<const char*> pupils) {
        auto parent = std::make_unique<Parent>(name);
        for (const char* pupil : pupils) {
            parent->AddPupil(std::make_unique<Pupil>(pupil));
        }
        Parent* added = parent.get();
        EXPECT_TRUE(schedule->AddParent(std::move(parent)));
        return added;
    }

    // A request of the pupil, booked at the slot of that day unless the slot is negative.
    AppointmentRequest* Request(Pupil* pupil, Teacher* teacher, const std::string& subject,
                                unsigned dayIndex = 0, int slot = -1, int length = 1) {
        EXPECT_TRUE(pupil->AddRequest(teacher, subject, 1, length));
        AppointmentRequest* request = pupil->GetRequest(pupil->GetRequestCount() - 1);
        if (slot >= 0) {
            const int row = event->GetTeachers().IndexOf(teacher);
            auto booking = std::make_shared<Appointment>(request);
            EXPECT_TRUE(schedule->GetDay(dayIndex)->GetGrid().PutBooking(slot, row, booking));
        }
        return request;
    }

    Presentation* AddPresentation(const std::string& name, const std::string& location,
                                  unsigned dayIndex, const char* start, const char* end) {
        auto presentation = std::make_unique<Presentation>(
            name, location, schedule->GetDay(dayIndex)->GetDate(), start, end);
        Presentation* added = presentation.get();
        EXPECT_TRUE(event->AddPresentation(std::move(presentation)));
        return added;
    }

    Schedule* Day(unsigned index) const { return schedule->GetDay(index); }

    UCStringError sink;
    QMController controller;
    std::shared_ptr<Event> event;
    MultiDaySchedule* schedule = nullptr;
    Teacher* ann = nullptr;
    Teacher* bob = nullptr;
    Parent* pat = nullptr;
    Parent* lee = nullptr;
    Pupil* sam = nullptr;
    Pupil* amy = nullptr;
    Pupil* ben = nullptr;
};

// Every call a sheet makes, one line each, so tests can read the order of a sheet's parts.
class RecordingRenderer : public PrintRenderer {
public:
    bool IsOK() override { return ok; }
    void StartPage() override { calls.push_back("start"); }
    void EndPage() override { calls.push_back("end"); }
    void PrintText(const std::string& text) override { calls.push_back("text " + text); }
    void PrintCell(const std::string& text, CellStyle style, CellAdvance advance,
                   float width) override {
        calls.push_back("cell " + text + " " + std::to_string(static_cast<int>(style)) + " " +
                        std::to_string(static_cast<int>(advance)) + " " +
                        std::to_string(static_cast<int>(width)));
    }
    void PrintBoldText(const std::string& text) override { calls.push_back("bold " + text); }
    void PrintFooter(const std::string& text) override { calls.push_back("footer " + text); }
    void PrintSeparator() override { calls.push_back("separator"); }
    void PrintImage(QMImage* image, int corner) override {
        if (image != nullptr) {
            calls.push_back("image " + std::to_string(corner));
        }
    }

    bool ok = true;
    std::vector<std::string> calls;
};

// A print script that writes fixed lines and reports one error, as a user's script might.
class FakePrintScript : public QMScript {
public:
    using QMScript::QMScript;
    bool RunMain() override { return true; }
    bool DrawTeacherPage(Teacher* teacher, Schedule*) override {
        Output(("drawn for " + teacher->GetName()).c_str());
        return true;
    }
    bool DrawParentPage(Parent* parent, Schedule* day) override {
        ReportMessage(SeverityError, "parent.lua:3: attempt to index a nil value");
        Output(("drawn for " + parent->GetName() + " on " + day->GetDate().FormatLong()).c_str());
        return false;
    }
    bool RunTeacherEmail(EmailTextKind, Teacher*, Schedule*) override { return false; }
    bool RunParentEmail(EmailTextKind, Parent*, Schedule*) override { return false; }
    bool RunPupilEmail(EmailTextKind, Pupil*, Schedule*) override { return false; }
    bool HasTeacherEmail(EmailTextKind) override { return false; }
    bool HasParentEmail(EmailTextKind) override { return false; }
    bool HasPupilEmail(EmailTextKind) override { return false; }
};

// The standard output of a command line; empty when it cannot be run.
inline std::string RunCommand(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[4096];
    size_t count = 0;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, count);
    }
    pclose(pipe);
    return output;
}
