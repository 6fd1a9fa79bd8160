#include <gtest/gtest.h>

#include "app/user_settings.h"
#include "frame_fixture.h"
#include "gui/dialogs/edit_overview_dlg.h"
#include "gui/main/event_tree_ctrl.h"
#include "gui/support/screenshot.h"

namespace {

// The tree and the overview on the example event, open and locked, and the appearance dialog.
using ScreenshotsOfViews = OnlyForScreenshots<MainWindow>;

TEST_F(ScreenshotsOfViews, TreeOverviewAndAppearance) {
    Open(Example());
    frame_->SetSize(0, 0, 1200, 800);
    auto* tree = dynamic_cast<EventTreeCtrl*>(frame_->GetTree()->GetWindow());
    ASSERT_NE(tree, nullptr);
    tree->Expand(tree->GetTeachersItem());
    tree->Expand(tree->GetPupilsItem());
    EXPECT_TRUE(SaveScreenshot(frame_, "views-example"));

    Schedule()->GetEvent()->SetLocked(true);
    frame_->RefreshViews();
    EXPECT_TRUE(SaveScreenshot(frame_, "views-locked"));

    auto* dialog = new EditOverviewDlg(frame_->GetOverview()->GetWindow(),
                                       &frame_->GetController().GetUserSettings());
    EXPECT_TRUE(SaveScreenshot(dialog, "edit-overview"));
    dialog->Destroy();
    ProcessPending();
}

}  // namespace
