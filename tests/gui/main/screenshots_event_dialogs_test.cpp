#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "frame_fixture.h"
#include "gui/dialogs/edit_scoring_dlg.h"
#include "gui/dialogs/new_event_dlg.h"
#include "gui/dialogs/optimise_dlg.h"
#include "gui/dialogs/time_entry.h"
#include "gui/support/screenshot.h"

namespace {

using ScreenshotsOfEventDialogs = OnlyForScreenshots<MainWindow>;

TEST_F(ScreenshotsOfEventDialogs, SettingsTimeEntryScoringAndOptimiser) {
    MultiDaySchedule* schedule = OpenBookedExample();
    ASSERT_NE(schedule, nullptr);
    QMControllerWX& controller = frame_->GetController();
    // A second day, so the pictures show the day selector too.
    auto twoDays = std::make_unique<MultiDaySchedule>(*schedule);
    ASSERT_TRUE(twoDays->AppendNextDay());

    const std::pair<const char*, std::function<wxDialog*()>> dialogs[] = {
        {"new-event", [&] { return new NewEventDlg(frame_, schedule, &controller); }},
        {"new-event-two-days", [&] { return new NewEventDlg(frame_, twoDays.get(), &controller); }},
        {"time-entry",
         [&] {
             return new TimeEntryDlg(frame_, "Delete Break",
                                     "Please select the break to delete:", twoDays.get());
         }},
        {"edit-scoring", [&] { return new EditScoringDlg(frame_, schedule->GetEvent()); }},
        {"optimise",
         [&] {
             auto* dialog = new OptimiseDlg(frame_, &controller);
             for (int tick = 0; tick < 400; ++tick) {
                 wxIdleEvent idle;
                 dialog->OnIdle(idle);
             }
             return dialog;
         }},
    };
    for (const auto& [name, make] : dialogs) {
        SCOPED_TRACE(name);
        wxDialog* dialog = make();
        EXPECT_TRUE(SaveScreenshot(dialog, name));
        dialog->Destroy();
        ProcessPending();
    }
}

}  // namespace
