#include <gtest/gtest.h>

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
    // The example runs over two days; without its second, the settings of a one-day evening.
    ASSERT_EQ(schedule->GetDayCount(), 2u);
    auto oneDay = std::make_unique<MultiDaySchedule>(*schedule);
    ASSERT_TRUE(oneDay->DeleteLastDay());

    SaveScreenshots({
        {"new-event", [&] { return new NewEventDlg(frame_, oneDay.get(), &controller); }},
        {"new-event-two-days", [&] { return new NewEventDlg(frame_, schedule, &controller); }},
        {"time-entry",
         [&] {
             return new TimeEntryDlg(frame_, "Delete Break",
                                     "Please select the break to delete:", schedule);
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
    });
}

}  // namespace
