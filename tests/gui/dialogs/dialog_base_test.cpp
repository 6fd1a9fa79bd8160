#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/msgdlg.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/testing.h>
#include <wx/textctrl.h>

#include <string>

#include "gui/dialogs/about_dlg.h"
#include "gui/dialogs/dpi_scope.h"
#include "gui/dialogs/ok_cancel_dlg.h"
#include "gui/dialogs/string_entry_dlg.h"
#include "gui/support/gui_test.h"
#include "gui/support/screen_dpi.h"

namespace {

int SystemFontHeight() {
    return wxSystemSettings::GetFont(wxSYS_SYSTEM_FONT).GetPixelSize().GetHeight();
}

class DialogBase : public GuiTest {};

TEST_F(DialogBase, ScaledSizeScalesOnlyTheWidthAndTruncates) {
    struct Case {
        const char* dpi;
        int width;
        int expectedWidth;
        double factor;
    };
    const Case cases[] = {
        {"96", 120, 120, 1.0}, {"120", 120, 150, 1.25}, {"144", 120, 180, 1.5},
        {"120", 50, 62, 1.25}, {"144", 300, 450, 1.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.dpi) + " dpi, width " + std::to_string(c.width));
        ScopedEnv dpi(kDpiOverrideVariable, c.dpi);
        EXPECT_DOUBLE_EQ(DPIScope::GetDPIScaleFactor(), c.factor);
        OKCancelDlg dialog(TopWindow(), "Sizes");
        // The margin of 10 is added after scaling the font height, not scaled with it.
        const int rowHeight = static_cast<int>(SystemFontHeight() * c.factor) + 10;
        EXPECT_EQ(dialog.GetRowHeight(), rowHeight);
        EXPECT_EQ(dialog.ScaledSize(c.width), wxSize(c.expectedWidth, rowHeight));
    }
}

// GTK's own scaling on a high-resolution screen already doubles every pixel: scaling the design
// sizes by the screen's dots per inch again made the editors twice too wide.
TEST(DpiScaleFactor, CountsOnlyTheResolutionTheWindowSystemDoesNotScaleItself) {
    struct Case {
        double dotsPerInch;
        double contentScale;
        double factor;
    };
    const Case cases[] = {
        {96, 1, 1.0},  {120, 1, 1.25}, {144, 1, 1.5}, {192, 1, 2.0}, {72, 1, 0.75},
        {192, 2, 1.0}, {288, 2, 1.5},  {240, 2, 1.25},
        {96, 2, 1.0},  // scaled up by the user's choice on an ordinary screen: never shrunk
        {0, 1, 1.0},   {-5, 2, 1.0},   // no resolution known
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(DpiScaleFactor(c.dotsPerInch, c.contentScale), c.factor)
            << c.dotsPerInch << " dpi scaled " << c.contentScale;
    }
}

TEST_F(DialogBase, WithoutAnOverrideTheScreenResolutionCounts) {
    // The test display runs at 96 dpi; a nonsense override is ignored.
    EXPECT_DOUBLE_EQ(DPIScope::GetDPIScaleFactor(), 1.0);
    ScopedEnv bad(kDpiOverrideVariable, "none");
    EXPECT_DOUBLE_EQ(DPIScope::GetDPIScaleFactor(), 1.0);
    // A desktop's larger text is a higher resolution, as the framework's own 96 never says.
    for (const auto& [dpi, factor] : {std::pair{96, 1.0}, {120, 1.25}, {144, 1.5}}) {
        ScreenDpi desktop(dpi);
        ScopedEnv screenOnly(kDpiOverrideVariable, nullptr);
        EXPECT_DOUBLE_EQ(DPIScope::GetDPIScaleFactor(), factor) << dpi << " dpi";
    }
}

TEST_F(DialogBase, ButtonRowsSitAtTheLeftWithTheirDefaults) {
    OKCancelDlg dialog(TopWindow(), "Buttons");
    dialog.AddOKCancelButtons();
    auto* ok = wxDynamicCast(dialog.FindWindow(wxID_OK), wxButton);
    auto* cancel = wxDynamicCast(dialog.FindWindow(wxID_CANCEL), wxButton);
    ASSERT_TRUE(ok && cancel);
    EXPECT_EQ(ok->GetLabel(), "OK");
    EXPECT_EQ(cancel->GetLabel(), "Cancel");
    EXPECT_EQ(dialog.GetDefaultItem(), ok);
    wxSizerItem* row = dialog.GetMainSizer()->GetItem(size_t{0});
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->GetFlag() & (wxALIGN_RIGHT | wxALIGN_CENTER_HORIZONTAL | wxEXPAND), 0);
    EXPECT_EQ(ok->GetPosition().x, 5);
    EXPECT_EQ(cancel->GetPosition().x, ok->GetPosition().x + ok->GetSize().x + 5);

    OKCancelDlg about(TopWindow(), "Close only");
    about.AddCloseButton("Close");
    auto* close = wxDynamicCast(about.FindWindow(wxID_CANCEL), wxButton);
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->GetLabel(), "Close");
    EXPECT_EQ(about.GetDefaultItem(), close);
    EXPECT_EQ(about.FindWindow(wxID_OK), nullptr);
}

TEST_F(DialogBase, AskYesNoIsTrueOnlyForYesWithNoAsTheDefault) {
    OKCancelDlg dialog(TopWindow(), "Question");
    prompts_.Answer(wxID_YES).Answer(wxID_NO).Answer(wxID_CANCEL);
    EXPECT_TRUE(dialog.AskYesNo("Remove the teacher 'Ann'?"));
    EXPECT_FALSE(dialog.AskYesNo("Again?"));
    EXPECT_FALSE(dialog.AskYesNo("Once more?"));
    ASSERT_EQ(prompts_.shown.size(), 3u);
    EXPECT_EQ(prompts_.shown[0].caption, "Please confirm");
    EXPECT_EQ(prompts_.shown[0].message, "Remove the teacher 'Ann'?");
    EXPECT_EQ(prompts_.shown[0].style, wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
}

TEST_F(DialogBase, TheRealPromptServiceShowsDialogsThatAModalHookCanAnswer) {
    WxPromptService real;
    ScopedPromptService useReal(&real);
    bool answer = true;
    wxTEST_DIALOG(answer = AskYesNo(TopWindow(), "Really?"),
                  wxExpectModal<wxMessageDialog>(wxID_NO));
    EXPECT_FALSE(answer);
    wxTEST_DIALOG(answer = AskYesNo(TopWindow(), "Really?"),
                  wxExpectModal<wxMessageDialog>(wxID_YES));
    EXPECT_TRUE(answer);
}

TEST_F(DialogBase, StringEntryGivesTheTextAsTypedInAScaledBox) {
    ScopedEnv dpi(kDpiOverrideVariable, "120");
    StringEntryDlg dialog(TopWindow(), "Add subject", "Please enter the subject:");
    EXPECT_EQ(dialog.GetTitle(), "Add subject");
    EXPECT_EQ(dialog.GetTextBox()->GetSize().x, 375);
    EXPECT_EQ(dialog.GetValue(), "");
    dialog.GetTextBox()->ChangeValue(
        wxString::FromUTF8("  Fran\xC3\xA7"
                           "ais "));
    EXPECT_EQ(dialog.GetValue(),
              "  Fran\xC3\xA7"
              "ais ");
}

TEST_F(DialogBase, AboutBoxShowsTheProductAndAnUnscaledPicture) {
    ScopedEnv dpi(kDpiOverrideVariable, "144");
    AboutDlg about(TopWindow());
    EXPECT_EQ(about.GetTitle(), "About Quillmoot");
    EXPECT_EQ(about.GetPicture().GetSize(), wxSize(276, 133));
    wxWindowList texts;
    std::string all;
    LargeStaticBitmap* picture = nullptr;
    for (wxWindow* child : about.GetChildren()) {
        if (auto* bitmap = dynamic_cast<LargeStaticBitmap*>(child)) {
            picture = bitmap;
        }
        all += child->GetLabel().utf8_str().data() + std::string("|");
    }
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->GetSize(), wxSize(276, 133));
    for (const char* expected :
         {"Quillmoot Organiser", "|Version:|6.2.0|", "|Web:|", "|Email:|", "|Phone:|", "|Close|"}) {
        EXPECT_NE(all.find(expected), std::string::npos) << expected << " in " << all;
    }
    EXPECT_EQ(about.FindWindow(wxID_CANCEL)->GetLabel(), "Close");
}

}  // namespace
