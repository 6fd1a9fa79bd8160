#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/listbox.h>
#include <wx/textctrl.h>

#include <algorithm>

#include "foundation/files.h"
#include "gui/dialogs/report_dlg.h"
#include "import/pt_csv_importer.h"
#include "import/sims_command_reporter.h"
#include "import/wx/define_csv_dlg.h"
#include "import/wx/import_priority_dlg.h"
#include "import/wx/sims_details_dlg.h"
#include "import_window_fixture.h"
#include "model/importer_csv.h"

namespace {

using Field = SIMSCommandReporterDlg::Field;

class SIMSDetails : public ImportWindow {
protected:
    SIMSDetails() {
        record_.executable = WriteFakeReporter();
        record_.userName = "office";
        record_.serverName = "SIMS\\SQL";
        record_.databaseName = "sims";
        record_.reportName = "Pupils";
    }
    void Type(SIMSCommandReporterDlg& dialog, Field field, const std::string& text) {
        dialog.GetField(field)->SetValue(FromUtf8(text));
    }

    SIMSCommandReporter record_;
};

TEST_F(SIMSDetails, ChecksRunInOrderAndOnlyAPassingFormChangesTheRecord) {
    const std::string program = record_.executable;
    const struct {
        const char* name;
        Field field;
        std::string value;
        std::string message;
    } cases[] = {
        {"no program", Field::Executable, "", "Please enter an executable name"},
        {"no user", Field::UserName, "", "Please enter a username"},
        {"no password", Field::Password, "", "Please enter your password"},
        {"no server", Field::ServerName, "", "Please enter a server name"},
        {"no database", Field::DatabaseName, "", "Please enter a database name"},
        {"no report", Field::ReportName, "", "Please enter a report name"},
        {"missing program", Field::Executable, folder_.File("gone.exe"),
         "File '" + folder_.File("gone.exe") + "' does not exist"},
        {"folder", Field::Executable, folder_.Path(),
         "Executable '" + folder_.Path() + "' is not a valid program"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sink_.entries.clear();
        SIMSCommandReporterDlg dialog(TopWindow(), &record_);
        Type(dialog, Field::Password, "pass word");
        Type(dialog, c.field, c.value);
        EXPECT_FALSE(dialog.TransferDataFromWindow());
        ASSERT_EQ(1u, sink_.entries.size());
        EXPECT_EQ(c.message, sink_.entries[0].text);
        EXPECT_EQ("", record_.password) << "a refused form changes nothing";
        EXPECT_EQ(program, record_.executable);
    }

    SIMSCommandReporterDlg dialog(TopWindow(), &record_);
    EXPECT_EQ("SIMS Import Details", dialog.GetTitle());
    EXPECT_TRUE(dialog.GetField(Field::Password)->HasFlag(wxTE_PASSWORD));
    EXPECT_EQ("SIMS\\SQL", dialog.GetField(Field::ServerName)->GetValue());
    Type(dialog, Field::Password, " ");
    Type(dialog, Field::DatabaseName, "  ");
    // Each detail is an argument of its own: a quote splits nothing.
    Type(dialog, Field::ReportName, "Year \"7\"");
    sink_.entries.clear();
    EXPECT_TRUE(dialog.TransferDataFromWindow())
        << "blanks count as filled and parameters may stay empty";
    EXPECT_EQ(" ", record_.password);
    EXPECT_EQ("  ", record_.databaseName);
    EXPECT_EQ("Year \"7\"", record_.reportName);
    EXPECT_TRUE(sink_.entries.empty());
}

TEST_F(SIMSDetails, BrowseAndShowInfoUseTheFieldsAsTheyStandWithThePasswordMasked) {
    SIMSCommandReporterDlg dialog(TopWindow(), &record_);
    prompts_.Choose("/opt/sims/CommandReporter.exe").CancelFile();
    wxCommandEvent browse(wxEVT_BUTTON, WxId(SIMSCommandReporterDlg::Id::Browse));
    dialog.ProcessWindowEvent(browse);
    dialog.ProcessWindowEvent(browse);
    EXPECT_EQ("/opt/sims/CommandReporter.exe", dialog.GetField(Field::Executable)->GetValue());
    ASSERT_EQ(2u, prompts_.fileRequests.size());
    EXPECT_EQ("Choose the CommandReporter executable", prompts_.fileRequests[0].message);

    Type(dialog, Field::Password, "hunter2");
    Type(dialog, Field::UserName, "");
    const std::string info = dialog.GetInfoText();
    EXPECT_EQ(0u,
              info.find("SIMS CommandReporter will be called using the following command:\n"
                        "\"/opt/sims/CommandReporter.exe\" /USER: /PASSWORD:******** "
                        "/SERVERNAME:SIMS\\SQL /DATABASENAME:sims /REPORT:\"Pupils\" /OUTPUT:\""))
        << info;
    dialogs_.Then<ReportDlg>([](ReportDlg& shown) {
        EXPECT_EQ("CommandReporter Information", shown.GetTitle());
        EXPECT_EQ(std::string::npos, shown.GetTextBox()->GetValue().find("hunter2"));
        return static_cast<int>(wxID_CANCEL);
    });
    wxCommandEvent showInfo(wxEVT_BUTTON, WxId(SIMSCommandReporterDlg::Id::ShowInfo));
    dialog.ProcessWindowEvent(showInfo);
    EXPECT_EQ("", record_.password) << "showing the command changes nothing";
}

TEST_F(ImportWindow, PriorityDialogMapsItsThreeEntriesAndKeepsNormalOtherwise) {
    const struct {
        const char* text;
        int current;
        int expected;
    } cases[] = {{"Low", 1, 0}, {"Normal", 0, 1}, {"High", 1, 2}, {"high", 1, 1}, {"", 2, 2}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, PriorityFromChoice(c.text, c.current)) << c.text;
    }
    ImportPTPrioDlg dialog(TopWindow());
    EXPECT_EQ("Appointment Priority", dialog.GetTitle());
    EXPECT_EQ(3u, dialog.GetChoice()->GetCount());
    EXPECT_EQ("Normal", dialog.GetChoice()->GetValue());
    EXPECT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ(1, dialog.GetPriority());
    dialog.GetChoice()->SetSelection(2);
    EXPECT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ(2, dialog.GetPriority());
}

class DefineCSV : public ImportWindow {
protected:
    StdioFile& Open(const std::string& content) {
        file_ = std::make_unique<StdioFile>(folder_.Write("people.csv", content).c_str(), "rb");
        return *file_;
    }
    static void Click(DefineCSVDlg& dialog, int id) {
        wxCommandEvent click(wxEVT_BUTTON, id);
        dialog.ProcessWindowEvent(click);
    }
    static void Pick(wxListBox* list, int index) {
        list->SetSelection(index);
        wxCommandEvent picked(wxEVT_LISTBOX, list->GetId());
        picked.SetInt(index);
        list->GetEventHandler()->ProcessEvent(picked);
    }
    static std::vector<std::string> Items(wxListBox* list) {
        std::vector<std::string> items;
        for (unsigned i = 0; i < list->GetCount(); ++i) {
            items.push_back(ToUtf8(list->GetString(i)));
        }
        return items;
    }
    // Which of Select, Remove, Move up and Move down are enabled.
    static std::vector<bool> Enabled(DefineCSVDlg& dialog) {
        std::vector<bool> enabled;
        for (DefineCSVDlg::Id id : {DefineCSVDlg::Id::Select, DefineCSVDlg::Id::Remove,
                                    DefineCSVDlg::Id::MoveUp, DefineCSVDlg::Id::MoveDown}) {
            enabled.push_back(dialog.GetButton(id)->IsEnabled());
        }
        return enabled;
    }

    std::unique_ptr<StdioFile> file_;
};

TEST_F(DefineCSV, HeaderOfKnownTypesTicksTheBoxAndFillsTheColumns) {
    ImporterCSVMapping mapping(true);
    DefineCSVDlg dialog(TopWindow(),
                        &Open("Forename,Surname,Shoe size\nAmy,Lee,4\nBen,Cox,5\n"
                              "Cat,Day,6\n"),
                        &mapping);
    EXPECT_EQ("Import CSV file", dialog.GetTitle());
    EXPECT_EQ("Forename,Surname,Shoe size\nAmy,Lee,4\nBen,Cox,5\n",
              dialog.GetPreview()->GetValue());
    EXPECT_TRUE(dialog.GetIgnoreFirstLine());
    EXPECT_EQ((std::vector<std::string>{"Forename", "Surname", "<Unused>"}),
              Items(dialog.GetSelectedList()));
    EXPECT_EQ(static_cast<unsigned>(mapping.GetNumColumnTypes()),
              dialog.GetAvailableList()->GetCount());
    EXPECT_EQ((std::vector<bool>{false, false, false, false}), Enabled(dialog));

    dialog.GetNameText()->SetValue("  Year 7 list ");
    EXPECT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ("  Year 7 list ", dialog.GetImportName());
    EXPECT_EQ("Forename,Surname,<Unused>", dialog.GetColumnDefinition());
    EXPECT_EQ(3, mapping.GetCount());

    ImporterPTCSVMapping requests;
    DefineCSVDlg empty(TopWindow(), &Open(""), &requests);
    EXPECT_FALSE(empty.GetIgnoreFirstLine());
    EXPECT_EQ("", empty.GetPreview()->GetValue());
    EXPECT_EQ(0u, empty.GetSelectedList()->GetCount());
    EXPECT_EQ("<Unused>", empty.GetAvailableList()->GetString(0));
    EXPECT_TRUE(empty.TransferDataFromWindow());
    EXPECT_EQ("", empty.GetColumnDefinition());
}

TEST_F(DefineCSV, ButtonsFollowTheSelectionsAndBuildTheColumnList) {
    ImporterCSVMapping mapping(false);
    DefineCSVDlg dialog(TopWindow(), &Open("Ames,Alice,Maths\n"), &mapping);
    wxListBox* available = dialog.GetAvailableList();
    wxListBox* selected = dialog.GetSelectedList();
    EXPECT_FALSE(dialog.GetIgnoreFirstLine());

    Pick(available, available->FindString("Surname"));
    EXPECT_EQ((std::vector<bool>{true, false, false, false}), Enabled(dialog));
    Click(dialog, WxId(DefineCSVDlg::Id::Select));
    EXPECT_EQ(wxNOT_FOUND, available->FindString("Surname"));
    Pick(available, available->FindString("Subject"));
    Click(dialog, WxId(DefineCSVDlg::Id::Select));
    Pick(available, available->FindString("Subject"));
    Click(dialog, WxId(DefineCSVDlg::Id::Select));
    Pick(selected, 1);
    EXPECT_EQ((std::vector<bool>{true, true, true, true}), Enabled(dialog)) << "Subject stays";
    Pick(available, available->FindString("Forename"));
    Click(dialog, WxId(DefineCSVDlg::Id::Select));
    EXPECT_EQ((std::vector<std::string>{"Surname", "Forename", "Subject", "Subject"}),
              Items(selected));

    Pick(selected, 0);
    Click(dialog, WxId(DefineCSVDlg::Id::MoveUp));
    EXPECT_EQ(0, selected->GetSelection()) << "the top entry stays";
    Click(dialog, WxId(DefineCSVDlg::Id::MoveDown));
    EXPECT_EQ(1, selected->GetSelection());
    Pick(selected, 3);
    Click(dialog, WxId(DefineCSVDlg::Id::Remove));
    const std::vector<std::string> offered = Items(available);
    EXPECT_EQ(1, std::count(offered.begin(), offered.end(), "Subject")) << "listed once";

    // A double click chooses from the offer, or takes a column out again.
    Pick(available, available->FindString("Initials"));
    wxCommandEvent chosen(wxEVT_LISTBOX_DCLICK, WxId(DefineCSVDlg::Id::Available));
    dialog.ProcessWindowEvent(chosen);
    EXPECT_EQ("Initials", selected->GetString(selected->GetCount() - 1));
    Pick(selected, static_cast<int>(selected->GetCount()) - 1);
    wxCommandEvent removed(wxEVT_LISTBOX_DCLICK, WxId(DefineCSVDlg::Id::Selected));
    dialog.ProcessWindowEvent(removed);
    EXPECT_NE(wxNOT_FOUND, available->FindString("Initials"));
    EXPECT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ("Forename,Surname,Subject", dialog.GetColumnDefinition());
    EXPECT_EQ(3, mapping.GetCount());
    EXPECT_EQ(CSVSubject, mapping.GetColumnType(2));
}

TEST_F(DefineCSV, EachButtonLeavesTheOtherSelectionsWhereTheyWere) {
    ImporterCSVMapping mapping(false);
    DefineCSVDlg dialog(TopWindow(), &Open("Ames,Alice,Maths\n"), &mapping);
    wxListBox* available = dialog.GetAvailableList();
    wxListBox* selected = dialog.GetSelectedList();
    using Id = DefineCSVDlg::Id;
    // Each step picks on the left (a name, or "" to leave it) and on the right (an index, or -1
    // to leave it), clicks, and finds the columns and the two selections ("" and -1: none).
    const struct {
        const char* pickLeft;
        int pickRight;
        Id button;
        std::vector<std::string> columns;
        const char* left;
        int right;
    } steps[] = {
        {"<Unused>", -1, Id::Select, {"<Unused>"}, "<Unused>", -1},
        {"Surname", -1, Id::Select, {"<Unused>", "Surname"}, "", -1},
        {"Forename", 0, Id::Select, {"Forename", "<Unused>", "Surname"}, "", 1},
        {"Initials", -1, Id::Select, {"Forename", "Initials", "<Unused>", "Surname"}, "", 2},
        {"Subject", -1, Id::MoveUp, {"Forename", "<Unused>", "Initials", "Surname"}, "Subject", 1},
        {"", -1, Id::MoveDown, {"Forename", "Initials", "<Unused>", "Surname"}, "Subject", 2},
        {"", -1, Id::Remove, {"Forename", "Initials", "Surname"}, "Subject", -1},
    };
    int number = 0;
    for (const auto& step : steps) {
        SCOPED_TRACE("step " + std::to_string(++number));
        if (*step.pickLeft != '\0') {
            Pick(available, available->FindString(step.pickLeft));
        }
        if (step.pickRight >= 0) {
            Pick(selected, step.pickRight);
        }
        Click(dialog, WxId(step.button));
        EXPECT_EQ(step.columns, Items(selected));
        EXPECT_EQ(*step.left == '\0' ? wxNOT_FOUND : available->FindString(step.left),
                  available->GetSelection());
        EXPECT_EQ(step.right, selected->GetSelection());
        const bool entry = step.right >= 0;
        EXPECT_EQ((std::vector<bool>{*step.left != '\0', entry, entry, entry}), Enabled(dialog));
    }
}

}  // namespace
