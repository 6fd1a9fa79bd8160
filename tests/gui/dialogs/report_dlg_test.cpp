#include <gtest/gtest.h>
#include <sys/stat.h>
#include <wx/clipbrd.h>
#include <wx/textctrl.h>

#include <string>

#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/report_dlg.h"
#include "gui/support/gui_test.h"
#include "support/ordinary_user.h"

namespace {

class ReportWindow : public GuiTest {
protected:
    void Press(ReportDlg& dialog, int id) {
        wxCommandEvent click(wxEVT_BUTTON, id);
        click.SetEventObject(dialog.FindWindow(id));
        dialog.ProcessWindowEvent(click);
    }
};

TEST_F(ReportWindow, ShowsTheTextReadOnlyWithItsButtonsInOrder) {
    ReportDlg dialog(TopWindow(), "Merge succeeded", "Created new teacher 'Ann'\nLine two\n");
    EXPECT_EQ(dialog.GetTitle(), "Merge succeeded");
    EXPECT_EQ(dialog.GetTextBox()->GetValue(), "Created new teacher 'Ann'\nLine two\n");
    EXPECT_FALSE(dialog.GetTextBox()->IsEditable());
    EXPECT_TRUE(dialog.GetWindowStyle() & wxRESIZE_BORDER);
    const int ids[] = {wxID_CANCEL, WxId(ReportDlg::Id::Copy), WxId(ReportDlg::Id::Save)};
    const char* labels[] = {"Close", "Copy to Clipboard", "Save to File"};
    int lastX = -1;
    for (int i = 0; i < 3; ++i) {
        wxWindow* button = dialog.FindWindow(ids[i]);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->GetLabel(), labels[i]);
        EXPECT_GT(button->GetPosition().x, lastX);
        lastX = button->GetPosition().x;
    }
    EXPECT_EQ(dialog.FindWindow(wxID_CANCEL)->GetPosition().x, 5);
}

TEST_F(ReportWindow, SaveWritesTheTextOrSaysWhyNot) {
    const std::string report = "Teachers with no appointments:\nCat Cole\n";
    ReportDlg dialog(TopWindow(), "Report", report);

    prompts_.Choose(folder_.File("report.txt"));
    Press(dialog, WxId(ReportDlg::Id::Save));
    EXPECT_EQ(folder_.Read("report.txt"), report);
    ASSERT_EQ(prompts_.fileRequests.size(), 1u);
    EXPECT_EQ(prompts_.fileRequests[0].message, "Choose a filename to save as");
    EXPECT_TRUE(prompts_.fileRequests[0].style & wxFD_OVERWRITE_PROMPT);
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"File saved successfully"});

    // A folder that does not exist: nothing is written and the reason is given.
    const std::string missing = folder_.Path() + "/missing/report.txt";
    sink_.entries.clear();
    prompts_.Choose(missing);
    Press(dialog, WxId(ReportDlg::Id::Save));
    ASSERT_EQ(sink_.entries.size(), 1u);
    EXPECT_EQ(sink_.entries[0].severity, SeverityError);
    EXPECT_EQ(sink_.entries[0].text, "Cannot write to file '" + missing + "'");
    EXPECT_EQ(sink_.entries[0].details, std::vector<std::string>{"No such file or directory"});

    sink_.entries.clear();
    prompts_.CancelFile();
    Press(dialog, WxId(ReportDlg::Id::Save));
    EXPECT_TRUE(sink_.entries.empty());

    ReportDlg empty(TopWindow(), "Empty", "");
    prompts_.Choose(folder_.File("empty.txt"));
    Press(empty, WxId(ReportDlg::Id::Save));
    EXPECT_EQ(folder_.Read("empty.txt"), "");
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"File saved successfully"});
}

// A saved report the user made read-only is refused as opening it for writing would be, and
// stays as it was, though its folder takes new files.
TEST_F(ReportWindow, AFileTheUserMayNotWriteIsRefusedAndKept) {
    OpenToOrdinaryUser(folder_.Path());
    const std::string path = folder_.Write("report.txt", "old report\n");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ReportDlg dialog(TopWindow(), "Report", "Unbooked:\nAnn Able\n");
    const int result = AsOrdinaryUser([&] {
        if (dialog.SaveTo(path)) {
            return 1;
        }
        const bool refused =
            sink_.entries.size() == 1 && sink_.entries[0].severity == SeverityError &&
            sink_.entries[0].text == "Cannot write to file '" + path + "'" &&
            sink_.entries[0].details == std::vector<std::string>{"Permission denied"};
        return refused ? 0 : 2;
    });
    EXPECT_EQ(result, 0) << "1: written, 2: another message";
    EXPECT_EQ(ReadWholeFile(path), "old report\n");
}

// A script's 8-bit text must not blank the window: it reads as Windows-1252, and is saved as given.
TEST_F(ReportWindow, CopyAndTheBoxShowTheWholeReportAsText) {
    const struct {
        std::string report;
        const char* shown;
    } cases[] = {
        {"Unbooked:\nZo\xc3\xab M\xc3\xbcller\n", "Unbooked:\nZo\xc3\xab M\xc3\xbcller\n"},
        {"Unbooked:\nZo\xeb M\xfcller \x80\n",
         "Unbooked:\nZo\xc3\xab M\xc3\xbcller \xe2\x82\xac\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        ReportDlg dialog(TopWindow(), "Script run completed", c.report);
        EXPECT_EQ(ToUtf8(dialog.GetTextBox()->GetValue()), c.shown);
        Press(dialog, WxId(ReportDlg::Id::Copy));
        EXPECT_TRUE(sink_.entries.empty());
        ASSERT_TRUE(wxTheClipboard->Open());
        wxTextDataObject data;
        EXPECT_TRUE(wxTheClipboard->GetData(data));
        wxTheClipboard->Close();
        EXPECT_EQ(ToUtf8(data.GetText()), c.shown);
        ASSERT_TRUE(dialog.SaveTo(folder_.File("report.txt")));
        EXPECT_EQ(folder_.Read("report.txt"), c.report);
        sink_.entries.clear();
    }
}

}  // namespace
