#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/eventfilter.h>
#include <wx/modalhook.h>
#include <wx/prntbase.h>
#include <wx/progdlg.h>
#include <wx/textctrl.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "app/qm_script.h"
#include "frame_fixture.h"
#include "gui/dialogs/report_dlg.h"
#include "gui/main/frame_commands.h"
#include "gui/main/script_stop_window.h"
#include "gui/support/answer_dialogs.h"
#include "gui/support/screenshot.h"
#include "model/teacher.h"
#include "print/pdf_printout.h"
#include "print/wx/qm_printout.h"
#include "support/endless_script.h"

namespace {

// Answers the report window with OK, keeping its title and text.
class ReadReports : public wxModalDialogHook {
public:
    ReadReports() { Register(); }
    ~ReadReports() override { Unregister(); }
    struct Report {
        std::string title;
        std::string text;
    };
    std::vector<Report> reports;

protected:
    int Enter(wxDialog* dialog) override {
        auto* report = dynamic_cast<ReportDlg*>(dialog);
        if (report == nullptr) {
            return wxID_NONE;
        }
        reports.push_back({ToUtf8(report->GetTitle()), ToUtf8(report->GetTextBox()->GetValue())});
        return wxID_OK;
    }
    void Exit(wxDialog*) override {}
};

// Presses Stop in the script's Stop window as soon as that window has an event.
class PressStop : public wxEventFilter {
public:
    PressStop() { wxEvtHandler::AddFilter(this); }
    ~PressStop() override { wxEvtHandler::RemoveFilter(this); }
    bool pressed = false;

    int FilterEvent(wxEvent& event) override {
        auto* window = dynamic_cast<wxWindow*>(event.GetEventObject());
        auto* stop = window != nullptr
                         ? dynamic_cast<wxGenericProgressDialog*>(wxGetTopLevelParent(window))
                         : nullptr;
        auto* button =
            stop != nullptr ? dynamic_cast<wxButton*>(stop->FindWindow(wxID_CANCEL)) : nullptr;
        if (button != nullptr && !pressed) {
            pressed = true;
            wxCommandEvent press(wxEVT_BUTTON, wxID_CANCEL);
            press.SetEventObject(button);
            button->ProcessWindowEvent(press);
        }
        return Event_Skip;
    }
};

class ScriptedReport : public CommandWindow {
protected:
    ScriptedReport() { Open(Example()); }
    // Runs the command on a script file of that text; what reports it showed.
    std::vector<ReadReports::Report> Run(const std::string& lua) {
        prompts_.Choose(FromUtf8(folder_.Write("report.lua", lua)));
        ReadReports hook;
        EXPECT_TRUE(host_->RunCommand(CommandId::RunScriptedReport));
        return hook.reports;
    }
};

TEST_F(ScriptedReport, TheScriptsOutputIsShownAndItsChangesReachTheWindow) {
    ASSERT_NE(Schedule(), nullptr);
    EXPECT_TRUE(MenuEnabled(CommandId::RunScriptedReport));
    const unsigned teachers = Schedule()->GetEvent()->GetTeachers().Count();
    const std::string csv = folder_.Write("staff.csv", "Zed Quill,ZQ\n");
    const auto reports =
        Run("function main()\n"
            "  qm_output('Before ' .. #qm_teachers())\n"
            "  qm_csvimport(0, '" +
            csv +
            "', 'full name,initials')\n"
            "  qm_output('After ' .. #qm_teachers())\n"
            "end\n");
    ASSERT_EQ(prompts_.fileRequests.size(), 1u);
    EXPECT_EQ(prompts_.fileRequests[0].message, "Choose a script file");
    EXPECT_TRUE(prompts_.fileRequests[0].wildcard.StartsWith("Lua script files (*.lua)|"));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].title, "Script run completed");
    EXPECT_EQ(reports[0].text, "Before " + std::to_string(teachers) + "\nAfter " +
                                   std::to_string(teachers + 1) + "\n");
    // Once the script has run, the new teacher stands in name order with the others.
    const TeacherList& list = Schedule()->GetEvent()->GetTeachers();
    ASSERT_NE(list.FindByNameOrInitials("Zed Quill"), nullptr);
    for (unsigned i = 1; i < list.Count(); ++i) {
        EXPECT_LT(list.At(i - 1)->Compare(list.At(i)), 0);
    }
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ScriptedReport, TheExampleReportListsEveryTeacherOnEveryDay) {
    prompts_.Choose(FromUtf8(std::string(QM_SOURCE_DIR) + "/examples/teacher_report.lua"));
    ReadReports hook;
    ASSERT_TRUE(host_->RunCommand(CommandId::RunScriptedReport));
    ASSERT_EQ(hook.reports.size(), 1u);
    const std::string& text = hook.reports[0].text;
    const Event& event = *Schedule()->GetEvent();
    EXPECT_EQ(text.rfind(event.GetName() + "\n\nDay 1: ", 0), 0u) << text;
    for (unsigned i = 0; i < event.GetTeachers().Count(); ++i) {
        const std::string name = event.GetTeachers().At(i)->GetName() + " (";
        size_t count = 0;
        for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
            ++count;
        }
        EXPECT_EQ(count, Schedule()->GetDayCount()) << name;
    }
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ScriptedReport, FailuresAreReportedAndOnlyAScriptThatLoadsOpensTheWindow) {
    struct Case {
        const char* lua;  // null: the file dialog is cancelled
        size_t reports;
        std::vector<std::string> boxStarts;
    } cases[] = {
        {nullptr, 0, {}},
        {"function main(", 0, {"Cannot load script file: ", "Script file is not valid"}},
        {"error('broken')",
         0,
         {"Runtime error in script initialisation: ", "Script file is not valid"}},
        {"x = 1", 1, {"No main function in script"}},
        {"function main() qm_output('half') error('stuck') end", 1, {"Error in Lua script: "}},
    };
    for (const Case& c : cases) {
        prompts_.shown.clear();
        std::vector<ReadReports::Report> reports;
        if (c.lua == nullptr) {
            prompts_.CancelFile();
            ReadReports hook;
            EXPECT_TRUE(host_->RunCommand(CommandId::RunScriptedReport));
            reports = hook.reports;
        } else {
            reports = Run(c.lua);
        }
        EXPECT_EQ(reports.size(), c.reports) << (c.lua ? c.lua : "cancelled");
        const std::vector<std::string> boxes = Boxes();
        ASSERT_EQ(boxes.size(), c.boxStarts.size()) << (c.lua ? c.lua : "cancelled");
        for (size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_EQ(boxes[i].rfind("Error: " + c.boxStarts[i], 0), 0u) << boxes[i];
        }
    }
}

// A report that finds something to say of every family says it in one box at its end, with
// each line kept, not a box a family in front of the script's Stop.
TEST_F(ScriptedReport, WhatAScriptReportsAsItGoesIsOneBoxAtItsEnd) {
    const auto reports =
        Run("function main()\n"
            "  for i = 1, 30 do qm_error('Family ' .. i .. ' has no address') end\n"
            "  qm_output('checked')\n"
            "end\n");
    // The box's every line in the report window, then the script's own report.
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].title, "Error");
    EXPECT_EQ(reports[1].text, "checked\n");
    const std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Error: Family 1 has no address\n", 0), 0u) << boxes[0];
    const std::string& everyLine = reports[0].text;
    EXPECT_EQ(everyLine.rfind("Error: Family 1 has no address\n", 0), 0u) << everyLine;
    for (int i = 2; i <= 30; ++i) {
        EXPECT_NE(everyLine.find("\nFamily " + std::to_string(i) + " has no address\n"),
                  std::string::npos)
            << i;
    }
}

// A script runs until the user presses Stop; its last finalisers, run as it closes, are
// stopped too.
TEST_F(ScriptedReport, AnEndlessScriptRunsUntilStopAndStillShowsItsOutput) {
    PressStop press;
    const auto reports =
        Run("function main()\n"
            "  qm_output('started')\n"
            "  kept = setmetatable({}, {__gc = function() while true do end end})\n"
            "  while true do end\n"
            "end\n");
    EXPECT_TRUE(press.pressed);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, "started\n");
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{"Error: Error in Lua script: Script stopped by the user"});
}

// Stop reaches a loop outside any function, and the finalisers of a script that does not load.
// The loops give up by themselves after twenty seconds, so that a road without Stop fails.
TEST_F(ScriptedReport, StopReachesTheTopLevelAndTheFinalisersOfAScriptThatDoesNotLoad) {
    const std::string forever = kEndlessScript;
    struct Case {
        const char* name;
        const char* lua;
    } cases[] = {
        {"the top level", "forever()"},
        {"a failed load's finaliser",
         "kept = setmetatable({}, {__gc = function() forever() end})\nerror('broken')"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompts_.shown.clear();
        PressStop press;
        const auto start = std::chrono::steady_clock::now();
        const auto reports = Run(forever + c.lua);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_TRUE(press.pressed);
        EXPECT_TRUE(reports.empty());
        const std::vector<std::string> boxes = Boxes();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[0].rfind("Error: Runtime error in script initialisation: ", 0), 0u)
            << boxes[0];
        EXPECT_EQ(boxes[1], "Error: Script file is not valid");
        for (const std::string& box : boxes) {
            EXPECT_EQ(box.find("ran out"), std::string::npos) << box;
        }
    }
}

// The output commands offer the same Stop for their print scripts, and end with a message
// instead of a printout, preview or file that would pass for the handouts.
TEST_F(ScriptedReport, TheOutputCommandsOfferStopAndEndWithAMessage) {
    const std::string forever = kEndlessScript;
    const std::string pdf = folder_.File("handouts.pdf");
    struct Case {
        CommandId command;
        const char* lua;
        std::string says;
    } cases[] = {
        {CommandId::PrintToPdf, "function draw_parent_page(p) forever() end",
         PDFPrintout::kStoppedText},
        {CommandId::PrintToPdf, "function draw_teacher_page(p) forever() end",
         PDFPrintout::kStoppedText},
        {CommandId::PrintToPdf, "forever()", PDFPrintout::kStoppedText},
        {CommandId::PrintPreview, "forever()",
         "Script stopped by the user: the print preview was not opened"},
        {CommandId::Print, "forever()", QMPrintout::kStoppedText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.command)) + " " + c.lua);
        const std::string script = folder_.Write("sheet.lua", forever + c.lua);
        ASSERT_TRUE(Controller().GetUserSettings().Set("parentprintscript", script));
        ASSERT_TRUE(Controller().GetUserSettings().Set("teacherprintscript", script));
        prompts_.shown.clear();
        prompts_.Answer(wxID_YES).Answer(wxID_NO);
        if (c.command == CommandId::PrintToPdf) {
            prompts_.Choose(FromUtf8(pdf));
        }
        AnswerDialogs answer([](wxDialog*) { return wxID_OK; });
        PressStop press;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(host_->RunCommand(c.command));
        ProcessPending();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_TRUE(press.pressed);
        const std::vector<std::string> boxes = Boxes();
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back(), "Error: " + c.says);
        for (const std::string& box : boxes) {
            EXPECT_EQ(box.find("ran out"), std::string::npos) << box;
            EXPECT_EQ(box.find("successfully"), std::string::npos) << box;
        }
        EXPECT_FALSE(std::filesystem::exists(pdf));
        for (wxWindow* window : wxTopLevelWindows) {
            EXPECT_EQ(dynamic_cast<wxPreviewFrame*>(window), nullptr);
        }
    }
}

TEST_F(ScriptedReport, TheStopWindowAppearsLateAndItsButtonStopsTheScript) {
    {
        ScriptStopWindow late(TopWindow(), std::chrono::seconds(60));
        EXPECT_FALSE(late.ShouldStop());
        EXPECT_EQ(late.GetWindow(), nullptr);
    }
    ScriptStopWindow stop(TopWindow(), std::chrono::milliseconds(0));
    EXPECT_FALSE(stop.ShouldStop());
    ASSERT_NE(stop.GetWindow(), nullptr);
    auto* button = dynamic_cast<wxButton*>(stop.GetWindow()->FindWindow(wxID_CANCEL));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetLabel(), "&Stop");
    wxCommandEvent press(wxEVT_BUTTON, wxID_CANCEL);
    press.SetEventObject(button);
    button->ProcessWindowEvent(press);
    std::this_thread::sleep_for(ScriptStopWindow::kAskEvery * 2);
    EXPECT_TRUE(stop.ShouldStop());
    EXPECT_TRUE(stop.ShouldStop());
}

TEST_F(ScriptedReport, TheControllerHandsOutLoadedHostsOnly) {
    QMControllerWX& controller = host_->GetController();
    EXPECT_NE(controller.CreateScript(folder_.Write("ok.lua", "function main() end")), nullptr);
    const std::string missing = folder_.File("missing.lua");
    EXPECT_EQ(controller.CreateScript(missing), nullptr);
    const std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].rfind("Error: Cannot load script file: ", 0), 0u) << boxes[0];
    EXPECT_EQ(boxes[1], "Error: Script file '" + missing + "' is not valid");
}

using ScreenshotsOfScripts = OnlyForScreenshots<ScriptedReport>;

TEST_F(ScreenshotsOfScripts, StopWindow) {
    ScriptStopWindow stop(TopWindow(), std::chrono::milliseconds(0));
    EXPECT_FALSE(stop.ShouldStop());
    EXPECT_TRUE(SaveScreenshot(stop.GetWindow(), "script-stop"));
}

}  // namespace
