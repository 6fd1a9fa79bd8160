#include <gtest/gtest.h>
#include <wx/print.h>

#include "gui/support/screenshot.h"
#include "print/wx/print_preview.h"
#include "print/wx/print_settings_dlg.h"
#include "printout_fixture.h"

namespace {

using Screenshots = OnlyForScreenshots<PrintoutTest>;

TEST_F(Screenshots, PrintSettingsDialogsAndPages) {
    PrintSettings& settings = EventSettings();
    const char* heading = "Please confirm options for this print job before continuing:";
    SaveScreenshots({
        {"print-settings",
         [&] { return new PrintSettingsDlg(TopWindow(), &settings, &controller_, heading); }},
        {"print-settings-advanced",
         [&] { return new PrintSettingsAdvDlg(TopWindow(), &settings, &controller_, heading); }},
    });

    // A page of each section, as the printer would get it.
    QMPrintout printout(&controller_, settings);
    printout.OnBeginPrinting();
    int page = 1;
    for (const SectionPages& section : printout.GetPlan()) {
        const char* names[] = {"teacher-handout", "parent-handouts", "teacher-overview",
                               "parent-overview"};
        const std::string name = names[static_cast<int>(section.section)];
        if (section.pages > 0) {
            EXPECT_TRUE(
                DrawPage(printout, page)
                    .SaveFile(wxString::FromUTF8(ScreenshotFolder() + "/printed-" + name + ".png"),
                              wxBITMAP_TYPE_PNG));
        }
        page += section.pages;
    }

    // Two parents a page, turned, with their QR codes.
    PrintSettings twoAPage = settings;
    twoAPage.SetTeachers(false);
    twoAPage.SetOneParentPerSheet(false);
    twoAPage.SetQRCodes(true);
    QMPrintout turned(&controller_, twoAPage);
    EXPECT_TRUE(DrawPage(turned, 1).SaveFile(
        wxString::FromUTF8(ScreenshotFolder() + "/printed-parent-handouts-two-a-page.png"),
        wxBITMAP_TYPE_PNG));

    auto* preview = new wxPrintPreview(new QMPrintout(&controller_, settings),
                                       new QMPrintout(&controller_, settings));
    ASSERT_TRUE(ShowPreviewWindow(TopWindow(), preview));
    wxWindow* frame = preview->GetFrame();
    frame->SetSize(900, 1000);
    EXPECT_TRUE(SaveScreenshot(frame, "print-preview"));
    frame->Close(true);
    ProcessPending();
}

}  // namespace
