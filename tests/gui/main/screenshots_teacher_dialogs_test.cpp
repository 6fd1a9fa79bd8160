#include <gtest/gtest.h>

#include <memory>

#include "frame_fixture.h"
#include "gui/people/appt_entry_dlg.h"
#include "gui/people/t_appt_entry_dlg.h"
#include "gui/people/teacher_dlg.h"
#include "gui/support/screenshot.h"
#include "model/parent.h"
#include "model/teacher.h"

namespace {

using ScreenshotsOfTeacherDialogs = OnlyForScreenshots<MainWindow>;

TEST_F(ScreenshotsOfTeacherDialogs, TeacherAndAppointmentEditors) {
    MultiDaySchedule* schedule = OpenBookedExample();
    ASSERT_NE(schedule, nullptr);
    Event& event = *schedule->GetEvent();
    ASSERT_GT(event.GetTeachers().Count(), 0u);
    ASSERT_GT(event.GetParents().Count(), 0u);
    Teacher* teacher = event.GetTeachers().At(0);
    Pupil* pupil = event.GetParents().At(0)->GetPupil(0);

    SaveScreenshots({
        {"teacher", [&] { return new TeacherDlg(frame_, schedule, teacher, EditMode::Edit); }},
        {"teacher-appointments", [&] { return new TApptEntryDlg(frame_, schedule, teacher); }},
        {"pupil-appointments", [&] { return new ApptEntryDlg(frame_, schedule, pupil); }},
    });
}

}  // namespace
