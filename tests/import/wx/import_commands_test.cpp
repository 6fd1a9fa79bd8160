#include <gtest/gtest.h>
#include <wx/combobox.h>
#include <wx/listbox.h>
#include <wx/textctrl.h>

#include "import/wx/define_csv_dlg.h"
#include "import/wx/import_commands.h"
#include "import/wx/import_dlg.h"
#include "import/wx/import_priority_dlg.h"
#include "import_window_fixture.h"
#include "model/appointment_request.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"
#include "support/stalled_fifo.h"

namespace {

class ImportCommands : public ImportWindow {
protected:
    ImportCommands() {
        auto teacher = std::make_unique<Teacher>("Mr Bell");
        teacher->SetInitials("BB");
        bell_ = teacher.get();
        EXPECT_TRUE(controller_.GetSchedule()->AddTeacher(std::move(teacher)));
        auto parent = std::make_unique<Parent>("Mr Lee");
        parent->AddPupil(std::make_unique<Pupil>("Amy Lee"));
        amy_ = parent->GetPupil(0);
        EXPECT_TRUE(controller_.GetSchedule()->AddParent(std::move(parent)));
    }

    // The import dialog imports the text file and ends with OK.
    void ExpectTeachersImported(const std::string& names) {
        const std::string path = folder_.Write("staff.txt", names);
        dialogs_.Then<ImportDlg>([path](ImportDlg& dialog) {
            dialog.GetFileNameText()->SetValue(path);
            return dialog.ImportFromFile() ? static_cast<int>(wxID_OK)
                                           : static_cast<int>(wxID_CANCEL);
        });
        dialogs_.Then<ImportProgressDlg>([](ImportProgressDlg& d) { return RunToEnd(d); });
    }
    // The definition dialog answers with the header it found.
    void ExpectHeaderDefinition() {
        dialogs_.Then<DefineCSVDlg>([](DefineCSVDlg& define) {
            EXPECT_TRUE(define.GetIgnoreFirstLine());
            EXPECT_TRUE(define.TransferDataFromWindow());
            return static_cast<int>(wxID_OK);
        });
    }
    void ExpectListRun() {
        dialogs_.Then<ImportProgressDlg>([](ImportProgressDlg& d) { return RunToEnd(d); });
    }

    Teacher* bell_;
    Pupil* amy_;
};

TEST_F(ImportCommands, TeachersMoveIntoTheEventAllButOneTheEventRefuses) {
    // The preview lists Ames, BB, Cobb, Dunn; the open event's "BB" refuses one, and the others
    // still move.
    ExpectTeachersImported("Ms Ames\nMr Cobb\nBB\nMs Dunn\n");
    EXPECT_TRUE(ImportPeople(TopWindow(), controller_, PeopleImport::Teachers));
    EXPECT_EQ(4u, OpenEvent().GetTeachers().Count());
    EXPECT_NE(nullptr, OpenEvent().GetTeachers().FindByNameOrInitials("Ms Ames"));
    EXPECT_NE(nullptr, OpenEvent().GetTeachers().FindByNameOrInitials("Mr Cobb"));
    EXPECT_NE(nullptr, OpenEvent().GetTeachers().FindByNameOrInitials("Ms Dunn"));
    ASSERT_FALSE(sink_.entries.empty());
    EXPECT_EQ("3 of 4 teachers imported; 1 failed to import", sink_.entries.back().text);
    EXPECT_EQ(
        (std::vector<std::string>{"Teacher 'BB' already exists", "Teacher 'BB' failed to import"}),
        sink_.entries.back().details);

    dialogs_.Then<ImportDlg>([](ImportDlg&) { return static_cast<int>(wxID_CANCEL); });
    EXPECT_FALSE(ImportPeople(TopWindow(), controller_, PeopleImport::Pupils));

    // A lock keeps the bookings; new people book nothing, so a locked event takes them too.
    sink_.entries.clear();
    OpenEvent().SetLocked(true);
    ExpectTeachersImported("Ms Eyre\n");
    EXPECT_TRUE(ImportPeople(TopWindow(), controller_, PeopleImport::Teachers));
    EXPECT_NE(nullptr, OpenEvent().GetTeachers().FindByNameOrInitials("Ms Eyre"));
    EXPECT_TRUE(sink_.Texts().empty());
}

TEST_F(ImportCommands, RequestListAsksForAPriorityOnlyWithoutAPriorityColumn) {
    const struct {
        const char* name;
        ImporterPTCSV::ListKind list;
        std::string content;
        bool asked;
        int answer;
        int priority;
    } cases[] = {
        {"asked, High", ImporterPTCSV::RequestList,
         "Pupil's Full Name,Teacher's Full Name\nAmy Lee,Mr Bell\n", true, wxID_OK, 2},
        {"priority column", ImporterPTCSV::RequestList,
         "Pupil's Full Name,Teacher's Full Name,Appointment Priority\nAmy Lee,Mr Bell,Low\n", false,
         wxID_OK, 0},
        {"asked, cancelled", ImporterPTCSV::RequestList,
         "Pupil's Full Name,Teacher's Full Name\nAmy Lee,Mr Bell\n", true, wxID_CANCEL, -1},
        {"taught by", ImporterPTCSV::TaughtByList,
         "Pupil's Full Name,Teacher's Full Name\nAmy Lee,Mr Bell\n", false, wxID_OK, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sink_.entries.clear();
        while (amy_->GetRequestCount() > 0) {
            amy_->DeleteRequest(0);
        }
        prompts_.Choose(FromUtf8(folder_.Write("list.csv", c.content)));
        ExpectHeaderDefinition();
        if (c.asked) {
            const int answer = c.answer;
            dialogs_.Then<ImportPTPrioDlg>([answer](ImportPTPrioDlg& ask) {
                ask.GetChoice()->SetSelection(2);
                EXPECT_TRUE(ask.TransferDataFromWindow());
                return answer;
            });
        }
        const bool runs = c.answer == wxID_OK;
        if (runs) {
            ExpectListRun();
        }
        EXPECT_EQ(runs, ImportRequestList(TopWindow(), controller_, c.list));
        if (c.priority >= 0) {
            ASSERT_EQ(1u, amy_->GetRequestCount());
            EXPECT_EQ(c.priority, amy_->GetRequest(0)->GetPriority());
        } else {
            EXPECT_EQ(0u, amy_->GetRequestCount());
        }
        EXPECT_EQ(runs ? std::vector<std::string>{"Done, 1 lines imported successfully"}
                       : std::vector<std::string>{},
                  sink_.Texts());
    }
    EXPECT_TRUE(amy_->IsTaughtBy(bell_, ""));
}

TEST_F(ImportCommands, EndOfARequestListSaysWhetherItFinishedFailedOrStopped) {
    EXPECT_EQ("Done, 3 lines imported successfully",
              RequestListResultText(ImportOutcome::Finished, 3));
    EXPECT_EQ("Done, 2 lines imported successfully",
              RequestListResultText(ImportOutcome::Stopped, 2));
    EXPECT_EQ("Import failed, 0 lines imported before the failure",
              RequestListResultText(ImportOutcome::Failed, 0));

    // An unknown teacher ends the run: the count says so rather than claiming success.
    prompts_.Choose(FromUtf8(folder_.Write(
        "list.csv",
        "Pupil's Full Name,Teacher's Full Name\nAmy Lee,Mr Bell\nAmy Lee,Mr Nobody\n")));
    ExpectHeaderDefinition();
    ExpectListRun();
    EXPECT_TRUE(ImportRequestList(TopWindow(), controller_, ImporterPTCSV::TaughtByList));
    EXPECT_EQ("Import failed, 1 lines imported before the failure", sink_.Texts().back());

    // Stopped before its first step.
    sink_.entries.clear();
    prompts_.Choose(FromUtf8(folder_.File("list.csv")));
    ExpectHeaderDefinition();
    dialogs_.Then<ImportProgressDlg>([](ImportProgressDlg& progress) {
        wxCommandEvent stop(wxEVT_BUTTON, wxID_CANCEL);
        progress.ProcessWindowEvent(stop);
        return progress.GetReturnCode();
    });
    EXPECT_TRUE(ImportRequestList(TopWindow(), controller_, ImporterPTCSV::TaughtByList));
    EXPECT_EQ(std::vector<std::string>{"Done, 0 lines imported successfully"}, sink_.Texts());
}

// A run says everything in one box, its closing notice first: a long list never stacks a box
// for each line in front of the progress dialog's Stop.
TEST_F(ImportCommands, ARequestListRunSaysEachSkippedLineInOneMessage) {
    // Another Amy Lee in another family: neither can be told which the list means.
    auto parent = std::make_unique<Parent>("Mrs Lee");
    parent->AddPupil(std::make_unique<Pupil>("Amy Lee"));
    ASSERT_TRUE(controller_.GetSchedule()->AddParent(std::move(parent)));
    const struct {
        const char* what;
        const char* list;
        int severity;
        const char* text;
        std::vector<std::string> details;
    } cases[] = {
        {"three shared names",
         "Amy Lee,Mr Bell\nAmy Lee,BB\namy lee,Mr Bell\n",
         SeverityWarning,
         "Done, 0 lines imported successfully",
         {"More than one pupil is called 'Amy Lee', so line 2 of the file is not imported",
          "More than one pupil is called 'Amy Lee', so line 3 of the file is not imported",
          "More than one pupil is called 'amy lee', so line 4 of the file is not imported"}},
        {"a shared name, then an unknown teacher",
         "Amy Lee,Mr Bell\nAmy Lee,Mr Nobody\n",
         SeverityError,
         "Import failed, 0 lines imported before the failure",
         {"More than one pupil is called 'Amy Lee', so line 2 of the file is not imported",
          "Teacher 'Mr Nobody' is not currently defined",
          "The file failed to import correctly. This probably means that this is not the "
          "intended file, please check whether this is the file you want."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sink_.entries.clear();
        prompts_.Choose(FromUtf8(folder_.Write(
            "list.csv", std::string("Pupil's Full Name,Teacher's Full Name\n") + c.list)));
        ExpectHeaderDefinition();
        ExpectListRun();
        EXPECT_TRUE(ImportRequestList(TopWindow(), controller_, ImporterPTCSV::TaughtByList));
        EXPECT_EQ(1u, sink_.entries.size()) << ::testing::PrintToString(sink_.Texts());
        if (sink_.entries.empty()) {
            continue;
        }
        EXPECT_EQ(c.severity, sink_.entries[0].severity);
        EXPECT_EQ(c.text, sink_.entries[0].text);
        EXPECT_EQ(c.details, sink_.entries[0].details);
    }
}

TEST_F(ImportCommands, ListTextIsDecodedWhateverTheUserSettingsSay) {
    // "importutf8" would keep the Windows-1252 byte, and the pupil would not be found.
    controller_.GetUserSettings().SetInt("importutf8", 1);
    auto parent = std::make_unique<Parent>("Mrs Roux");
    parent->AddPupil(std::make_unique<Pupil>("Ren\xC3\xA9 Roux"));
    Pupil* rene = parent->GetPupil(0);
    ASSERT_TRUE(controller_.GetSchedule()->AddParent(std::move(parent)));

    prompts_.Choose(FromUtf8(folder_.Write(
        "list.csv", "Pupil's Full Name,Teacher's Full Name\nRen\xE9 Roux,Mr Bell\n")));
    ExpectHeaderDefinition();
    ExpectListRun();
    EXPECT_TRUE(ImportRequestList(TopWindow(), controller_, ImporterPTCSV::TaughtByList));
    EXPECT_TRUE(rene->IsTaughtBy(bell_, ""));
    EXPECT_EQ("Done, 1 lines imported successfully", sink_.Texts().back());
}

TEST_F(ImportCommands, LockedOrUnreadableListsChangeNothing) {
    sink_.entries.clear();
    prompts_.Choose(FromUtf8(folder_.Path()));
    EXPECT_FALSE(ImportRequestList(TopWindow(), controller_, ImporterPTCSV::RequestList));
    EXPECT_EQ(
        std::vector<std::string>{"Cannot open data file '" + folder_.Path() + "': Is a directory"},
        sink_.Texts());

    // Nothing writes to it: reading it as a list would hold the window.
    StalledFifo fifo(folder_.File("requests.csv"));
    for (const auto list : {ImporterPTCSV::RequestList, ImporterPTCSV::TaughtByList}) {
        sink_.entries.clear();
        prompts_.Choose(FromUtf8(fifo.Path()));
        EXPECT_FALSE(ImportRequestList(TopWindow(), controller_, list));
        EXPECT_EQ(std::vector<std::string>{"Cannot open data file '" + fifo.Path() +
                                           "': it is not an ordinary file"},
                  sink_.Texts());
    }
    EXPECT_TRUE(fifo.Refused()) << fifo.Elapsed() << " s";

    sink_.entries.clear();
    OpenEvent().SetLocked(true);
    EXPECT_FALSE(ImportRequestList(TopWindow(), controller_, ImporterPTCSV::RequestList))
        << "no file dialog either";
    EXPECT_EQ(std::vector<std::string>{"Cannot import a request list because the schedule is "
                                       "locked"},
              sink_.Texts());
    prompts_.CancelFile();
    EXPECT_FALSE(ImportRequestList(TopWindow(), controller_, ImporterPTCSV::TaughtByList))
        << "taught-by lists still may";
}

}  // namespace
