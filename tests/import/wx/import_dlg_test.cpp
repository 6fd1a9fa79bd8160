#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>
#include <wx/treectrl.h>

#include "app/user_settings.h"
#include "foundation/files.h"
#include "import/wx/define_csv_dlg.h"
#include "import/wx/import_dlg.h"
#include "import/wx/import_preview_tree.h"
#include "import/wx/sims_details_dlg.h"
#include "import_window_fixture.h"
#include "model/importer_csv.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"
#include "support/scoped_env.h"
#include "support/stalled_fifo.h"

namespace {

class ImportDialog : public ImportWindow {
protected:
    static std::vector<std::string> FileTypes(ImportDlg& dialog) {
        std::vector<std::string> types;
        for (unsigned i = 0; i < dialog.GetFileTypeChoice()->GetCount(); ++i) {
            types.push_back(ToUtf8(dialog.GetFileTypeChoice()->GetString(i)));
        }
        return types;
    }
    static void Perform(ImportDlg& dialog) {
        wxCommandEvent perform(wxEVT_BUTTON, WxId(ImportDlg::Id::PerformImport));
        dialog.ProcessWindowEvent(perform);
    }
    static void Choose(wxRadioButton* radio) {
        radio->SetValue(true);
        wxCommandEvent changed(wxEVT_RADIOBUTTON, radio->GetId());
        changed.SetEventObject(radio);
        radio->GetEventHandler()->ProcessEvent(changed);
    }
    // The next import runs to its end under its progress dialog.
    void ExpectImportRun() {
        dialogs_.Then<ImportProgressDlg>([](ImportProgressDlg& d) { return RunToEnd(d); });
    }
    // The next CSV definition: these columns, this name; OK.
    void ExpectDefinition(std::vector<std::string> columns, std::string name) {
        dialogs_.Then<DefineCSVDlg>([columns, name](DefineCSVDlg& define) {
            for (const std::string& column : columns) {
                wxListBox* available = define.GetAvailableList();
                available->SetSelection(available->FindString(column));
                wxCommandEvent select(wxEVT_BUTTON, WxId(DefineCSVDlg::Id::Select));
                define.OnSelect(select);
            }
            define.GetNameText()->SetValue(name);
            EXPECT_TRUE(define.TransferDataFromWindow());
            return static_cast<int>(wxID_OK);
        });
    }
};

TEST_F(ImportDialog, OffersTheEventsImportersThenCSVAndSwitchesSourceControls) {
    ImportDlg teachers(TopWindow(), &controller_, PeopleImport::Teachers);
    EXPECT_EQ("Import teachers", teachers.GetTitle());
    EXPECT_EQ((std::vector<std::string>{"Text file, one teacher per line", "CSV (spreadsheet)"}),
              FileTypes(teachers));
    EXPECT_EQ(0, teachers.GetFileTypeChoice()->GetSelection());
    EXPECT_EQ(2u, teachers.GetPreviewSchedule()->GetDayCount()) << "the open event's days";
    EXPECT_TRUE(teachers.GetFileRadio()->GetValue());

    Choose(teachers.GetSIMSRadio());
    for (wxWindow* control : {static_cast<wxWindow*>(teachers.GetFileNameText()),
                              static_cast<wxWindow*>(teachers.GetBrowseButton()),
                              static_cast<wxWindow*>(teachers.GetFileTypeChoice())}) {
        EXPECT_FALSE(control->IsEnabled());
    }
    Choose(teachers.GetFileRadio());
    EXPECT_TRUE(teachers.GetFileTypeChoice()->IsEnabled());

    ImportDlg pupils(TopWindow(), &controller_, PeopleImport::Pupils);
    EXPECT_EQ("Import pupils", pupils.GetTitle());
    EXPECT_EQ((std::vector<std::string>{"XML file exported from another system",
                                        "Text file, one pupil per line", "CSV (spreadsheet)"}),
              FileTypes(pupils));

    // Only a name ending in .csv, in any case, picks the CSV type.
    prompts_.Choose("/data/staff.TXT").Choose("/data/Staff.CSV").CancelFile();
    wxCommandEvent browse(wxEVT_BUTTON, WxId(ImportDlg::Id::Browse));
    pupils.ProcessWindowEvent(browse);
    EXPECT_EQ("/data/staff.TXT", pupils.GetFileNameText()->GetValue());
    EXPECT_EQ(0, pupils.GetFileTypeChoice()->GetSelection());
    pupils.ProcessWindowEvent(browse);
    EXPECT_EQ("CSV (spreadsheet)", pupils.GetFileTypeChoice()->GetStringSelection());
    pupils.ProcessWindowEvent(browse);
    EXPECT_EQ("/data/Staff.CSV", pupils.GetFileNameText()->GetValue()) << "Cancel keeps the name";
    EXPECT_EQ("Choose a file to import", prompts_.fileRequests[0].message);
}

TEST_F(ImportDialog, FieldWidthsFollowTheScreenResolutionButThePreviewDoesNot) {
    const struct {
        const char* dpi;
        int field;
        int button;
    } cases[] = {{"96", 400, 150}, {"120", 500, 187}, {"144", 600, 225}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dpi);
        ScopedEnv dpi("QM_DPI", c.dpi);
        ImportDlg dialog(TopWindow(), &controller_, PeopleImport::Teachers);
        EXPECT_EQ(c.field, dialog.GetFileNameText()->GetSize().GetWidth());
        EXPECT_EQ(c.field, dialog.GetFileTypeChoice()->GetSize().GetWidth());
        EXPECT_EQ(c.button, dialog.GetBrowseButton()->GetSize().GetWidth());
        EXPECT_EQ(wxSize(600, 200), dialog.GetPreviewTree()->GetWindow()->GetMinSize());
    }
}

TEST_F(ImportDialog, FileRoadStopsAtItsFirstFaultWithItsMessage) {
    const char* cannotRead =
        "Cannot read data from the file you selected. Either you do not have permission to read "
        "it, or the disk the file is stored on has physical errors. If you suspect it is a "
        "permissions problem, please see your system administrator.";
    // Nothing writes to it: opening it as a file would hold the window.
    StalledFifo fifo(folder_.File("staff.csv"));
    const struct {
        const char* name;
        std::string path;
        const char* message;
        const char* reason;  // the system's, below the message
    } cases[] = {
        {"no name", "",
         "You have not entered a filename yet. Please click on the 'Browse' button and choose a "
         "file to import.",
         nullptr},
        {"missing", folder_.File("absent.txt"),
         "The filename you have entered does not exist. Please click on the 'Browse' button and "
         "choose a file to import.",
         nullptr},
        {"a folder", folder_.Path(), cannotRead, "Is a directory"},
        {"a FIFO", fifo.Path(), cannotRead, "it is not an ordinary file"},
    };
    ImportDlg dialog(TopWindow(), &controller_, PeopleImport::Teachers);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sink_.entries.clear();
        dialog.GetFileNameText()->SetValue(FromUtf8(c.path));
        Perform(dialog);
        EXPECT_EQ(std::vector<std::string>{c.message}, sink_.Texts());
        if (c.reason != nullptr) {
            EXPECT_EQ(std::vector<std::string>{c.reason}, sink_.entries.at(0).details);
        }
        EXPECT_EQ(0u, dialog.GetPreviewEvent()->GetTeachers().Count());
    }
    EXPECT_TRUE(fifo.Refused()) << fifo.Elapsed() << " s";
}

TEST_F(ImportDialog, EventImporterRunsWithoutDefinitionAndEachImportAddsToThePreview) {
    ImportDlg dialog(TopWindow(), &controller_, PeopleImport::Teachers);
    dialog.GetFileNameText()->SetValue(folder_.Write("staff.txt", "Mr Zed\nMs Ames\n"));
    ExpectImportRun();
    Perform(dialog);
    dialog.GetFileNameText()->SetValue(folder_.Write("more.txt", "Mr Bell\n"));
    ExpectImportRun();
    Perform(dialog);
    const TeacherList& previewed = dialog.GetPreviewEvent()->GetTeachers();
    ASSERT_EQ(3u, previewed.Count());
    for (unsigned i = 0; i + 1 < previewed.Count(); ++i) {
        EXPECT_LE(PersonList::ComparePersons(previewed.At(i), previewed.At(i + 1)), 0)
            << "sorted after each import";
    }
    EXPECT_EQ(0u, OpenEvent().GetTeachers().Count()) << "nothing reaches the event before OK";
    auto* tree = dynamic_cast<wxTreeCtrl*>(dialog.GetPreviewTree()->GetWindow());
    ASSERT_NE(nullptr, tree);
    EXPECT_EQ("Proposed Additions", tree->GetItemText(tree->GetRootItem()));
    EXPECT_EQ(5u, tree->GetCount()) << "the root, the group and three teachers";
    EXPECT_TRUE(dialog.TransferDataFromWindow());
}

TEST_F(ImportDialog, NamedCSVImportIsSavedTrimmedAndOfferedAgain) {
    const std::string path = folder_.Write("pupils.csv", "Lee,Amy,7B\nCox,Ben,7C\n");
    {
        ImportDlg dialog(TopWindow(), &controller_, PeopleImport::Pupils);
        dialog.GetFileNameText()->SetValue(path);
        dialog.GetFileTypeChoice()->SetStringSelection(ImportDlg::kCSVFileType);
        ExpectDefinition({"Surname", "Forename", "Form / Tutor Group"}, "  Year 7  ");
        ExpectImportRun();
        Perform(dialog);
        EXPECT_EQ("Year 7", dialog.GetFileTypeChoice()->GetString(2));
        EXPECT_EQ(4u, dialog.GetFileTypeChoice()->GetCount());
        ASSERT_EQ(2u, dialog.GetPreviewEvent()->GetParents().Count());
        EXPECT_EQ("7B", dialog.GetPreviewEvent()->GetParents().FindPupil("Amy Lee")->GetForm());
    }
    ASSERT_NE(nullptr, OpenEvent().GetPupilImporter(2));
    EXPECT_EQ("Year 7", OpenEvent().GetPupilImporter(2)->GetDescription())
        << "kept with the event even though the dialog was cancelled";

    // Offered again, it runs without asking for the columns.
    ImportDlg again(TopWindow(), &controller_, PeopleImport::Pupils);
    again.GetFileNameText()->SetValue(path);
    again.GetFileTypeChoice()->SetStringSelection("Year 7");
    ExpectImportRun();
    Perform(again);
    EXPECT_EQ(2u, again.GetPreviewEvent()->GetParents().Count());

    // An unnamed definition is used once and not kept; Cancel imports nothing.
    again.GetFileTypeChoice()->SetStringSelection(ImportDlg::kCSVFileType);
    dialogs_.Then<DefineCSVDlg>([](DefineCSVDlg&) { return static_cast<int>(wxID_CANCEL); });
    Perform(again);
    EXPECT_EQ(4u, again.GetFileTypeChoice()->GetCount());

    // A second import of the same name is its own choice: the one chosen is the one run.
    ExpectDefinition({"Forename", "Surname", "Form / Tutor Group"}, "Year 7");
    ExpectImportRun();
    Perform(again);
    ImportDlg third(TopWindow(), &controller_, PeopleImport::Pupils);
    third.GetFileNameText()->SetValue(path);
    ASSERT_EQ("Year 7", ToUtf8(third.GetFileTypeChoice()->GetString(3)));
    third.GetFileTypeChoice()->SetSelection(3);
    ExpectImportRun();
    Perform(third);
    EXPECT_NE(nullptr, third.GetPreviewEvent()->GetParents().FindPupil("Lee Amy"));
    EXPECT_EQ(nullptr, third.GetPreviewEvent()->GetParents().FindPupil("Amy Lee"));
}

class SIMSImport : public ImportDialog {
protected:
    // The details dialog gets a password and the report name, then OK.
    void ExpectDetails(const std::string& report) {
        dialogs_.Then<SIMSCommandReporterDlg>([report](SIMSCommandReporterDlg& details) {
            using F = SIMSCommandReporterDlg::Field;
            details.GetField(F::Password)->SetValue("secret");
            details.GetField(F::ReportName)->SetValue(report);
            EXPECT_TRUE(details.TransferDataFromWindow());
            return static_cast<int>(wxID_OK);
        });
    }
    void ExpectReportRun() {
        dialogs_.Then<SIMSCRProgressDlg>([](SIMSCRProgressDlg& d) { return RunToEnd(d); });
    }

    void SetUp() override {
        UserSettings& settings = controller_.GetUserSettings();
        settings.Set("sims_command_reporter_executable", WriteFakeReporter());
        settings.Set("sims_command_reporter_username", "office");
        settings.Set("sims_command_reporter_servername", "SIMS");
        settings.Set("sims_command_reporter_databasename", "sims");
    }
};

TEST_F(SIMSImport, ReportOutputIsDescribedAndImportedButNotKept) {
    ImportDlg dialog(TopWindow(), &controller_, PeopleImport::Pupils);
    dialog.GetFileNameText()->SetValue("ignored.txt");
    Choose(dialog.GetSIMSRadio());
    ExpectDetails("Pupils with contacts");
    ExpectReportRun();
    dialogs_.Then<DefineCSVDlg>([](DefineCSVDlg& define) {
        EXPECT_TRUE(define.GetIgnoreFirstLine()) << "the report's header names the columns";
        define.GetNameText()->SetValue("SIMS pupils");
        EXPECT_TRUE(define.TransferDataFromWindow());
        return static_cast<int>(wxID_OK);
    });
    ExpectImportRun();
    Perform(dialog);
    EXPECT_TRUE(sink_.entries.empty()) << sink_.Texts().front();
    EXPECT_EQ(2u, dialog.GetPreviewEvent()->GetParents().Count());
    EXPECT_EQ(3u, dialog.GetFileTypeChoice()->GetCount()) << "a SIMS description is not saved";
    EXPECT_NE(std::string::npos, folder_.Read("arguments").find("/REPORT:Pupils with contacts\n"));

    UserSettings saved;
    ASSERT_TRUE(saved.Load(controller_.GetUserSettingsPath()));
    EXPECT_EQ("Pupils with contacts", saved.Get("sims_command_reporter_reportname_pupils"));
    EXPECT_EQ("", saved.Get("sims_command_reporter_password"));
}

TEST_F(SIMSImport, MissingOrEmptyOutputFailsBeforeAnyDefinition) {
    for (const char* report : {"none", "empty"}) {
        SCOPED_TRACE(report);
        sink_.entries.clear();
        ImportDlg dialog(TopWindow(), &controller_, PeopleImport::Teachers);
        Choose(dialog.GetSIMSRadio());
        ExpectDetails(report);
        ExpectReportRun();
        Perform(dialog);
        EXPECT_EQ(std::vector<std::string>{"Extract from SIMS failed"}, sink_.Texts());
    }
    ImportDlg cancelled(TopWindow(), &controller_, PeopleImport::Teachers);
    Choose(cancelled.GetSIMSRadio());
    dialogs_.Then<SIMSCommandReporterDlg>(
        [](SIMSCommandReporterDlg&) { return static_cast<int>(wxID_CANCEL); });
    EXPECT_FALSE(cancelled.ImportFromSIMS());
}

}  // namespace
