#include <gtest/gtest.h>

#include <wx/prntbase.h>
#include <wx/treectrl.h>

#include <filesystem>
#include <fstream>

#include "frame_fixture.h"
#include "gui/main/frame_commands.h"
#include "gui/main/output_commands.h"
#include "gui/main/schedule_views.h"
#include "gui/support/answer_dialogs.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "print/wx/print_settings_dlg.h"
#include "print/wx/qm_printout.h"
#include "support/temp_folder.h"

namespace {

constexpr const char* kLockQuestion =
    "At this point it is recommended that you lock the schedule to prevent further accidental "
    "modification. Lock the schedule?";

TEST(OutputCommands, SavePathsGetTheFiltersExtensionUnlessTypedOrAllFiles) {
    struct Case {
        const char* chosen;
        int filter;
        const char* extension;
        const char* path;
    };
    const Case cases[] = {
        {"/t/teachers", 0, ".csv", "/t/teachers.csv"},
        {"/t/teachers.CSV", 0, ".csv", "/t/teachers.CSV"},
        {"/t/teachers.txt", 0, ".csv", "/t/teachers.txt.csv"},
        {"/t/teachers", 1, ".csv", "/t/teachers"},
        {"/t/hand.outs", 0, ".txt", "/t/hand.outs.txt"},
        {"/t/run.Pdf", 0, ".pdf", "/t/run.Pdf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        EXPECT_EQ(OutputSavePath(c.chosen, c.filter, c.extension), c.path);
    }
}

TEST(OutputCommands, WarningsListUnbookedRequestsBeforeALowScore) {
    EXPECT_EQ(OutputRunQuestion(true, false, OutputRun::Print), "");
    EXPECT_EQ(OutputRunQuestion(false, true, OutputRun::Print),
              "The schedule has the following warnings:\n"
              "- There are unbooked appointments\n"
              "- The score is low, people are waiting too long (needs more optimisation)\n"
              "Are you sure you want to print this schedule?");
    EXPECT_EQ(OutputRunQuestion(true, true, OutputRun::Email),
              "The schedule has the following warnings:\n"
              "- The score is low, people are waiting too long (needs more optimisation)\n"
              "Are you sure you want to email this schedule?");
}

class FrameOutput : public CommandWindow {
protected:
    // The questions asked so far.
    std::vector<std::string> Questions() const {
        std::vector<std::string> texts;
        for (const ScriptedPrompts::Shown& box : prompts_.shown) {
            if (box.style & wxYES_NO) {
                texts.push_back(ToUtf8(box.message));
            }
        }
        return texts;
    }
    bool Locked() { return host_->GetController().GetEvent()->IsLocked(); }
    std::string Path(const std::string& name) const { return folder_.Path() + "/" + name; }
    static std::string FirstLine(const std::string& path) {
        const std::string text = ReadWholeFile(path);
        return text.substr(0, text.find('\n') + 1);
    }
};

TEST_F(FrameOutput, ARunAsksAboutWarningsThenForItsOptionsThenSuggestsALock) {
    struct Case {
        const char* name;
        bool warned;
        int warningAnswer;  // wxID_NONE: no question
        int optionsAnswer;  // wxID_NONE: not shown
        int lockAnswer;     // wxID_NONE: not asked
        bool startLocked;
        bool goesOn;
        bool endsLocked;
    };
    const Case cases[] = {
        {"no to the warnings", true, wxID_NO, wxID_NONE, wxID_NONE, false, false, false},
        {"options cancelled", true, wxID_YES, wxID_CANCEL, wxID_NONE, false, false, false},
        {"no to the lock", true, wxID_YES, wxID_OK, wxID_NO, false, true, false},
        {"yes to the lock", true, wxID_YES, wxID_OK, wxID_YES, false, true, true},
        {"already locked", true, wxID_YES, wxID_OK, wxID_NONE, true, true, true},
        {"nothing to warn of", false, wxID_NONE, wxID_OK, wxID_NO, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open(Example());
        if (!c.warned) {
            // A new event: nothing requested, nothing to warn of.
            host_->GetController().SetEvent(
                std::make_unique<MultiDaySchedule>(std::make_shared<Event>()));
            host_->RefreshViews();
        }
        host_->GetController().GetEvent()->SetLocked(c.startLocked);
        prompts_.shown.clear();
        const std::string warning = OutputRunQuestion(
            Schedule()->AllRequestsBooked(), Schedule()->GetScore().IsLow(), OutputRun::Print);
        ASSERT_EQ(warning.empty(), !c.warned);
        std::vector<std::string> expected;
        if (c.warningAnswer != wxID_NONE) {
            prompts_.Answer(c.warningAnswer);
            expected.push_back(warning);
        }
        if (c.lockAnswer != wxID_NONE) {
            prompts_.Answer(c.lockAnswer);
        }
        std::vector<wxString> dialogs;
        AnswerDialogs answer([&](wxDialog* dialog) {
            dialogs.push_back(dialog->GetTitle());
            EXPECT_NE(dynamic_cast<PrintSettingsDlg*>(dialog), nullptr);
            return c.optionsAnswer;
        });
        EXPECT_EQ(ConfirmOutputRun(host_->Context(), OutputRun::Print, nullptr), c.goesOn);
        if (c.lockAnswer != wxID_NONE) {
            expected.push_back(kLockQuestion);
        }
        EXPECT_EQ(Questions(), expected);
        EXPECT_EQ(dialogs.size(), c.optionsAnswer == wxID_NONE ? 0u : 1u);
        EXPECT_EQ(Locked(), c.endsLocked);
        if (c.lockAnswer == wxID_YES) {
            EXPECT_TRUE(EventChanged());
            // The bookings are locked too: with the event's own flag cleared behind the
            // window's back, no parent can be unbooked.
            host_->GetController().GetEvent()->SetLocked(false);
            for (unsigned i = 0; i < host_->GetController().GetEvent()->GetParents().Count(); ++i) {
                Parent* parent = host_->GetController().GetEvent()->GetParents().At(i);
                if (Schedule()->GetDay(0)->ParentHasAppointments(parent)) {
                    EXPECT_FALSE(Schedule()->UnbookParent(parent));
                }
            }
        }
        host_.reset();
        ProcessPending();
    }
}

TEST_F(FrameOutput, AnEmailRunUsesTheEmailOptionsAndSaysEmail) {
    Open(Example());
    prompts_.Answer(wxID_YES);
    int emailOptionsShown = 0;
    {
        AnswerDialogs cancel([&](wxDialog* dialog) {
            if (dialog->GetTitle() != "Email Settings") {
                return int(wxID_NONE);
            }
            ++emailOptionsShown;
            return int(wxID_CANCEL);
        });
        EXPECT_FALSE(ConfirmOutputRun(host_->Context(), OutputRun::Email, nullptr));
    }
    EXPECT_EQ(emailOptionsShown, 1);
    ASSERT_EQ(Questions().size(), 1u);
    EXPECT_TRUE(Questions()[0].ends_with("Are you sure you want to email this schedule?"));

    PrintSettings* edited = nullptr;
    host_->SetEmailOptionsEditor([&](wxWindow*, std::shared_ptr<Event>, PrintSettings& settings) {
        edited = &settings;
        return true;
    });
    prompts_.Answer(wxID_YES).Answer(wxID_NO);
    EXPECT_TRUE(ConfirmOutputRun(host_->Context(), OutputRun::Email, nullptr));
    EXPECT_EQ(edited, &host_->GetController().GetEvent()->GetPrintSettings());
}

TEST_F(FrameOutput, ExportsWriteWhereTheUserChose) {
    Open(Example());
    struct Case {
        CommandId id;
        const char* chosen;
        int filter;
        const char* written;
        const char* firstLine;
    };
    const Case cases[] = {
        {CommandId::ExportTeachers, "teachers", 0, "teachers.csv", "Name,Initials,Location\n"},
        {CommandId::ExportPupils, "pupils.CSV", 0, "pupils.CSV", "Parents Name,Pupil Name,Form\n"},
        {CommandId::ExportAppointments, "appointments", 1, "appointments",
         "Parents Name,Address 1,Address 2"},
        {CommandId::ExportTeacherHandouts, "teachers-out", 0, "teachers-out.txt", ""},
        {CommandId::ExportParentHandouts, "parents.text", 1, "parents.text", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        prompts_.shown.clear();
        prompts_.Choose(FromUtf8(Path(c.chosen)), c.filter);
        ASSERT_TRUE(host_->RunCommand(c.id));
        ASSERT_TRUE(std::filesystem::exists(Path(c.written)));
        EXPECT_EQ(FirstLine(Path(c.written)).substr(0, std::string(c.firstLine).size()),
                  c.firstLine);
        EXPECT_FALSE(ReadWholeFile(Path(c.written)).empty());
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Exported successfully"});
        EXPECT_EQ(prompts_.fileRequests.back().message, "Choose a filename to save as");
        EXPECT_TRUE(prompts_.fileRequests.back().style & wxFD_OVERWRITE_PROMPT);
    }
}

TEST_F(FrameOutput, AFileTheAddedExtensionNamesIsReplacedOnlyAfterAsking) {
    Open(Example());
    struct Case {
        CommandId id;
        const char* existing;
    };
    const Case cases[] = {
        {CommandId::ExportTeachers, "list.csv"},
        {CommandId::ExportTeacherHandouts, "list.txt"},
        {CommandId::PrintToPdf, "list.pdf"},
    };
    AnswerDialogs options([](wxDialog*) { return wxID_OK; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.existing);
        const std::string existing = folder_.Write(c.existing, "kept");
        const std::string question =
            "The file '" + existing + "' already exists. Do you want to replace it?";
        // The PDF's run asks about its warnings and the lock first.
        const bool pdf = c.id == CommandId::PrintToPdf;
        for (int answer : {wxID_NO, wxID_YES}) {
            prompts_.shown.clear();
            if (pdf) {
                prompts_.Answer(wxID_YES).Answer(wxID_NO);
            }
            prompts_.Choose(FromUtf8(Path("list")), 0).Answer(answer);
            ASSERT_TRUE(host_->RunCommand(c.id));
            ASSERT_FALSE(Questions().empty());
            EXPECT_EQ(Questions().back(), question);
            EXPECT_EQ(ReadWholeFile(existing) == "kept", answer == wxID_NO);
        }
        EXPECT_FALSE(std::filesystem::exists(Path("list")));
    }
    // A name typed whole was asked about by the dialog itself.
    prompts_.shown.clear();
    prompts_.Choose(FromUtf8(Path("list.csv")), 0);
    ASSERT_TRUE(host_->RunCommand(CommandId::ExportTeachers));
    EXPECT_TRUE(Questions().empty());
}

TEST_F(FrameOutput, AHandoutExportThatCannotBeWrittenIsNeverCalledASuccess) {
    Open(Example());
    const std::string path = Path("missing/handouts.txt");
    prompts_.Choose(FromUtf8(path)).CancelFile();
    ASSERT_TRUE(host_->RunCommand(CommandId::ExportTeacherHandouts));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Error: Cannot write to file '" + path +
                                                "': No such file or directory"});
    ASSERT_TRUE(host_->RunCommand(CommandId::ExportParentHandouts));
    EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(FrameOutput, PrintToPDFWritesTheFileAfterTheRunsQuestions) {
    Open(Example());
    prompts_.Answer(wxID_YES).Answer(wxID_NO).Choose(FromUtf8(Path("evening")));
    AnswerDialogs answer([](wxDialog*) { return wxID_OK; });
    ASSERT_TRUE(host_->RunCommand(CommandId::PrintToPdf));
    EXPECT_TRUE(std::filesystem::file_size(Path("evening.pdf")) > 1000);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"PDF file created successfully"});

    prompts_.shown.clear();
    prompts_.Answer(wxID_YES).Answer(wxID_NO).CancelFile();
    ASSERT_TRUE(host_->RunCommand(CommandId::PrintToPdf));
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(FrameOutput, SettingsAndReportsOpenTheirDialogs) {
    Open(Example());
    std::vector<wxString> titles;
    AnswerDialogs answer([&](wxDialog* dialog) {
        titles.push_back(dialog->GetTitle());
        return wxID_CANCEL;
    });
    for (CommandId id :
         {CommandId::PrintSettings, CommandId::ReportTeachersWithoutAppointments,
          CommandId::ReportParentsWithoutAppointments, CommandId::ReportPupilsWithoutAppointments,
          CommandId::ReportTeachersWithAppointments, CommandId::ReportUnbookedAppointments}) {
        EXPECT_TRUE(MenuEnabled(id)) << id;
        ASSERT_TRUE(host_->RunCommand(id));
    }
    EXPECT_EQ(titles,
              (std::vector<wxString>{"Print Settings", "Teachers with no appointments",
                                     "Parents with no appointments", "Pupils with no appointments",
                                     "Teachers with appointments", "Unbooked appointments"}));
    EXPECT_TRUE(MenuEnabled(CommandId::RunScriptedReport));
}

// The preview windows open over the program's own window.
class PrintPreviewWindow : public MainWindow {
protected:
    // The preview window a command opened; null where the desktop offers none.
    static wxPreviewFrame* OpenPreview() {
        wxPreviewFrame* preview = nullptr;
        for (wxWindow* window : wxTopLevelWindows) {
            if (auto* found = dynamic_cast<wxPreviewFrame*>(window)) {
                preview = found;
            }
        }
        return preview;
    }
    static QMPrintout* ShownPrintout(wxPreviewFrame* preview) {
        return dynamic_cast<QMPrintout*>(
            preview->GetControlBar()->GetPrintPreview()->GetPrintout());
    }
};

TEST_F(PrintPreviewWindow, PreviewOpensAPreviewWindowOrSaysWhyNot) {
    Open(Example());
    frame_->Show();
    prompts_.Answer(wxID_YES).Answer(wxID_NO);
    AnswerDialogs answer([](wxDialog*) { return wxID_OK; });
    ASSERT_TRUE(frame_->RunCommand(CommandId::ToolPrint));
    wxPreviewFrame* preview = OpenPreview();
    if (preview == nullptr) {
        EXPECT_EQ(Boxes().size(), 1u);
        return;
    }
    EXPECT_EQ(preview->GetTitle(), "Print Preview");
    EXPECT_TRUE(Boxes().empty());
    preview->Close(true);
    ProcessPending();
}

TEST_F(PrintPreviewWindow, ThePreviewOfASelectedPupilShowsItsParentsHandoutOnly) {
    Open(Example());
    frame_->Show();
    auto* tree = dynamic_cast<wxTreeCtrl*>(frame_->GetTree()->GetWindow());
    ASSERT_NE(tree, nullptr);
    wxTreeItemIdValue cookie;
    wxTreeItemId parents = tree->GetFirstChild(tree->GetRootItem(), cookie);
    parents = tree->GetNextChild(tree->GetRootItem(), cookie);
    const wxTreeItemId parentItem = tree->GetFirstChild(parents, cookie);
    const wxTreeItemId pupilItem = tree->GetFirstChild(parentItem, cookie);
    ASSERT_TRUE(pupilItem.IsOk());
    tree->SelectItem(pupilItem);
    const Parent* parent = frame_->GetController().GetEvent()->GetParents().Get(0);

    prompts_.Answer(wxID_YES).Answer(wxID_NO);
    AnswerDialogs answer([](wxDialog*) { return wxID_OK; });
    ASSERT_TRUE(frame_->RunCommand(CommandId::PrintPreviewSelected));
    wxPreviewFrame* preview = OpenPreview();
    if (preview == nullptr) {
        GTEST_SKIP() << "this desktop offers no print preview";
    }
    QMPrintout* printout = ShownPrintout(preview);
    ASSERT_NE(printout, nullptr);
    const PrintSelection& selection = printout->GetSelection();
    ASSERT_EQ(selection.parents.Count(), 1u);
    EXPECT_EQ(selection.parents.Get(0), parent);
    EXPECT_TRUE(printout->GetPlan().size() == 1 &&
                printout->GetPlan()[0].section == PrintSection::ParentHandouts);
    EXPECT_EQ(frame_->GetController().GetEvent()->GetPrintSettings().GetParentIndex(), -1);
    preview->Close(true);
    ProcessPending();
}

// A school's print script may keep a file. One family's preview loads each print script once
// (the copy the preview would print from loads its own only if the user prints) and runs the
// script of that family's sheets once each, however often the preview draws them, and of no
// teacher's.
TEST_F(PrintPreviewWindow, AFamilysPreviewRunsOnlyItsSheetsScriptsOnceEach) {
    Open(Example());
    frame_->Show();
    TempFolder folder("qm-preview-runs");
    const std::string log = folder.File("runs.txt");
    const std::string script =
        folder.Write("keeps.lua",
                     "local function note(what)\n"
                     "    local file = io.open('" +
                         log +
                         "', 'a')\n"
                         "    file:write(what .. '\\n')\n"
                         "    file:close()\n"
                         "end\n"
                         "note('loaded')\n"
                         "function draw_parent_page(p) note('sheet ' .. qm_personname(p)) end\n"
                         "function draw_teacher_page(t) note('sheet ' .. qm_personname(t)) end\n");
    UserSettings& user = frame_->GetController().GetUserSettings();
    ASSERT_TRUE(user.Set("parentprintscript", script) && user.Set("teacherprintscript", script));
    auto* tree = dynamic_cast<wxTreeCtrl*>(frame_->GetTree()->GetWindow());
    ASSERT_NE(tree, nullptr);
    wxTreeItemIdValue cookie;
    tree->GetFirstChild(tree->GetRootItem(), cookie);
    const wxTreeItemId parents = tree->GetNextChild(tree->GetRootItem(), cookie);
    // The first family with a booking on the first evening.
    const ParentList& all = frame_->GetController().GetEvent()->GetParents();
    const Parent* parent = nullptr;
    for (unsigned i = 0; i < all.Count() && parent == nullptr; ++i) {
        if (Schedule()->GetDay(0)->ParentHasAppointments(all.Get(i))) {
            parent = all.Get(i);
        }
    }
    ASSERT_NE(parent, nullptr);
    for (wxTreeItemId item = tree->GetFirstChild(parents, cookie); item.IsOk();
         item = tree->GetNextChild(parents, cookie)) {
        if (tree->GetItemText(item).utf8_string() == parent->GetName()) {
            tree->SelectItem(item);
        }
    }

    prompts_.Answer(wxID_YES).Answer(wxID_NO);
    AnswerDialogs answer([](wxDialog*) { return wxID_OK; });
    ASSERT_TRUE(frame_->RunCommand(CommandId::PrintPreviewSelected));
    wxPreviewFrame* preview = OpenPreview();
    if (preview == nullptr) {
        GTEST_SKIP() << "this desktop offers no print preview";
    }
    QMPrintout* printout = ShownPrintout(preview);
    ASSERT_NE(printout, nullptr);
    for (int shown = 0; shown < 2; ++shown) {
        preview->Refresh();
        preview->Update();
        ProcessPending();
    }
    std::vector<std::string> expected = {"loaded", "loaded"};
    for (size_t sheet = 0; sheet < printout->GetSelection().parentSheets.size(); ++sheet) {
        expected.push_back("sheet " + parent->GetName());
    }
    ASSERT_GT(expected.size(), 2u);
    preview->Close(true);
    ProcessPending();
    std::vector<std::string> runs;
    std::ifstream file(log);
    for (std::string line; std::getline(file, line);) {
        runs.push_back(line);
    }
    EXPECT_EQ(runs, expected);
}

TEST_F(FrameOutput, WithoutAnEventTheOutputCommandsDoNothing) {
    Open();
    ASSERT_EQ(Schedule(), nullptr);
    for (CommandId id : {CommandId::PrintSettings, CommandId::Print, CommandId::PrintToPdf,
                         CommandId::PrintPreview, CommandId::ExportTeachers,
                         CommandId::ExportTeacherHandouts, CommandId::ReportUnbookedAppointments}) {
        EXPECT_TRUE(host_->RunCommand(id)) << id;
    }
    EXPECT_FALSE(ConfirmOutputRun(host_->Context(), OutputRun::Print, nullptr));
    EXPECT_TRUE(prompts_.shown.empty());
    EXPECT_TRUE(prompts_.fileRequests.empty());
}

}  // namespace
