#include <gtest/gtest.h>

#include <memory>

#include "frame_fixture.h"
#include "gui/dialogs/about_dlg.h"
#include "gui/dialogs/report_dlg.h"
#include "gui/dialogs/string_entry_dlg.h"
#include "gui/support/screenshot.h"

namespace {

using Screenshots = OnlyForScreenshots<MainWindow>;

// Before an event is open most tools are disabled: their grey pictures.
TEST_F(Screenshots, MainWindowWithoutAnEvent) {
    Open();
    frame_->SetSize(0, 0, 1200, 300);
    EXPECT_TRUE(SaveScreenshot(frame_, "main-window-no-event"));
}

TEST_F(Screenshots, MainWindowAndItsDialogs) {
    Open(Example());
    frame_->SetSize(0, 0, 1200, 800);
    EXPECT_TRUE(SaveScreenshot(frame_, "main-window"));

    SaveScreenshots({
        {"about", [&] { return new AboutDlg(frame_); }},
        {"string-entry",
         [&] { return new StringEntryDlg(frame_, "Add subject", "Please enter the subject:"); }},
        {"report",
         [&] {
             return new ReportDlg(frame_, "Merge succeeded",
                                  "Created new teacher 'Mrs Dana Ortiz'\n"
                                  "Created new parent 'Mr & Mrs Khan'\n"
                                  "Created new pupil 'Amir Khan' for parent 'Mr & Mrs Khan'\n"
                                  "New request for pupil 'Amir Khan' to see 'Mrs Dana Ortiz'\n");
         }},
    });
}

}  // namespace
