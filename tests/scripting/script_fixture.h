#pragma once

#include <gtest/gtest.h>

#include <lua.hpp>

#include <memory>
#include <string>
#include <vector>

#include "app/qm_controller.h"
#include "comms/smtp_client_curl.h"
#include "foundation/uc_error.h"
#include "model/email_server_settings.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/print_renderer.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"
#include "scripting/qm_lua_script.h"

inline ::testing::AssertionResult Contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "'" << text << "' does not contain '" << part << "'";
}

inline ::testing::AssertionResult BeginsWith(const std::string& text, const std::string& start) {
    if (text.compare(0, start.size(), start) == 0) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "'" << text << "' does not begin with '" << start << "'";
}

// Every report with its severity, so a test can tell an error from the optimiser's progress.
class RecordingSink : public UCError {
public:
    void Report(int severity, const char* text) override {
        messages.push_back({severity, text != nullptr ? text : ""});
        // Detail lines read as further reports of the same severity.
        for (const std::string& line : Details()) {
            messages.push_back({severity, line});
        }
        ClearDetails();
    }
    using UCError::Report;
    std::vector<std::string> Texts(int severity) const {
        std::vector<std::string> texts;
        for (const auto& [level, text] : messages) {
            if (level == severity) {
                texts.push_back(text);
            }
        }
        return texts;
    }
    std::vector<std::pair<int, std::string>> messages;
};

// What a print script drew, one line per call.
class RecordingRenderer : public PrintRenderer {
public:
    bool IsOK() override { return true; }
    void PrintText(const std::string& text) override { drawn.push_back("text " + text); }
    void PrintCell(const std::string& text, CellStyle style, CellAdvance advance,
                   float width) override {
        drawn.push_back("cell " + text + " " + std::to_string(static_cast<int>(style)) + " " +
                        std::to_string(static_cast<int>(advance)) + " " +
                        std::to_string(static_cast<int>(width)));
    }
    void PrintBoldText(const std::string& text) override { drawn.push_back("bold " + text); }
    void PrintFooter(const std::string& text) override { drawn.push_back("footer " + text); }
    void PrintSeparator() override { drawn.push_back("separator"); }
    void PrintImage(QMImage*, int) override { drawn.push_back("image"); }
    std::vector<std::string> drawn;
};

// Makes Lua hosts for the roads that load their own scripts (prints, e-mails), as the window's
// controller does.
class LuaController : public QMController {
public:
    std::unique_ptr<QMScript> CreateScript(const std::string& fileName) override {
        return QMLuaScript::Create(fileName, this);
    }
};

// A small event of two days (Tue 05 and Wed 06 Mar 2024, 18:00 to 19:00 in twelve 5-minute
// slots): teachers Alice Smith (AS, Room 1, Maths and Physics) and Bob Jones (BJ, French, a break
// at 18:00 and 18:05 on the first day); the family of Carol White with Dan (7B, Red: Maths with
// Alice for three slots booked at 18:10 on the first day, and French with Bob, unbooked) and
// Eve; the Careers Talk in the Hall at 18:20 to 18:35 on the first day. Scripts come from the
// fixtures folder and run against it.
class ScriptFixture : public ::testing::Test {
protected:
    // Mail goes through libcurl to the loopback server on that port.
    void SendMailTo(int port) {
        controller.SetClientFactory(std::make_unique<SMTPClientFactoryCurl>());
        EmailServerSettings server = event->GetEmailServerSettings();
        server.SetServer("127.0.0.1");
        server.SetPort(port);
        server.SetFromAddress("office@school.example");
        event->SetEmailServerSettings(server);
    }
    ScriptFixture() {
        auto event = std::make_shared<Event>();
        event->SetName("Spring Evening");
        auto days = std::make_unique<MultiDaySchedule>(event);
        days->GetDay(0)->SetDate(Date(5, 3, 2024));
        days->GetDay(0)->SetEndTime(TimeOfDay(19, 0, 0));
        EXPECT_TRUE(days->AppendNextDay());

        auto alice = std::make_unique<Teacher>("Alice Smith");
        alice->SetInitials("AS");
        alice->SetLocation("Room 1");
        alice->AddSubject("Physics");
        this->alice = alice.get();
        EXPECT_TRUE(days->AddTeacher(std::move(alice)));
        auto bob = std::make_unique<Teacher>("Bob Jones");
        bob->SetInitials("BJ");
        bob->AddBreak(DateTime(Date(5, 3, 2024), TimeOfDay(18, 0, 0)));
        bob->AddBreak(DateTime(Date(5, 3, 2024), TimeOfDay(18, 5, 0)));
        this->bob = bob.get();
        EXPECT_TRUE(days->AddTeacher(std::move(bob)));

        auto carol = std::make_unique<Parent>("Carol White");
        carol->SetEmail("carol@example.org");
        carol->SetAddress(0, "1 High Street");
        auto dan = std::make_unique<Pupil>("Dan White");
        dan->SetForm("7B");
        dan->SetHouse("Red");
        this->dan = dan.get();
        carol->AddPupil(std::move(dan));
        // Requests made after the pupil joins its family know their parent.
        this->dan->AddRequest(this->alice, "Maths", 1, 3);
        this->dan->AddRequest(this->bob, "French", 2, -1);
        this->dan->AddTaughtBy(this->alice, "Maths");
        this->dan->AddTaughtBy(this->alice, "Physics");
        this->dan->AddTaughtBy(this->bob, "French");
        carol->AddPupil(std::make_unique<Pupil>("Eve White"));
        this->carol = carol.get();
        EXPECT_TRUE(days->AddParent(std::move(carol)));

        EXPECT_TRUE(event->AddPresentation(std::make_unique<Presentation>(
            "Careers Talk", "Hall", Date(5, 3, 2024), "18:20", "18:35")));
        EXPECT_TRUE(days->GetDay(0)->GetGrid().PutBooking(
            2, 0, std::make_shared<Appointment>(this->dan->GetRequest(0))));
        this->event = event.get();
        controller.SetEvent(std::move(days));
        sink.messages.clear();
    }

    static std::string Fixture(const std::string& name) {
        return std::string(QM_SOURCE_DIR) + "/tests/scripting/fixtures/" + name;
    }
    MultiDaySchedule& Days() { return *controller.GetSchedule(); }
    Schedule* Day(unsigned index) { return controller.GetSchedule()->GetDay(index); }

    // A loaded host of the fixture, capturing its output.
    std::unique_ptr<QMLuaScript> Load(const std::string& name) {
        auto script = std::make_unique<QMLuaScript>(Fixture(name).c_str(), &controller);
        EXPECT_TRUE(script->loaded) << name << ": " << ErrorText();
        script->captureOutput = true;
        return script;
    }
    // The captured output of the fixture's main.
    std::string RunMain(const std::string& name) {
        auto script = Load(name);
        script->RunMain();
        return script->output;
    }
    // Sets a global of the script, for fixtures that read the case to run from one.
    static void SetGlobal(QMLuaScript& script, const char* name, const std::string& value) {
        lua_pushlstring(script.GetState(), value.data(), value.size());
        lua_setglobal(script.GetState(), name);
    }
    std::string ErrorText() const {
        std::string text;
        for (const std::string& line : sink.Texts(SeverityError)) {
            text += line + "\n";
        }
        return text;
    }

    RecordingSink sink;
    LuaController controller;
    Event* event = nullptr;
    Teacher* alice = nullptr;
    Teacher* bob = nullptr;
    Parent* carol = nullptr;
    Pupil* dan = nullptr;
};
