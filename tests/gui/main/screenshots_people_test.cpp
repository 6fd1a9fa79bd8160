#include <gtest/gtest.h>

#include <memory>

#include "frame_fixture.h"
#include "gui/people/attendee_pres_dlg.h"
#include "gui/people/parent_dlg.h"
#include "gui/people/presentation_dlg.h"
#include "gui/people/pupil_dlg.h"
#include "gui/people/teacher_break_dlg.h"
#include "gui/people/teacher_entry_dlg.h"
#include "gui/support/screenshot.h"
#include "model/parent.h"
#include "model/pupil.h"

namespace {

using ScreenshotsOfPeopleEditors = OnlyForScreenshots<MainWindow>;

TEST_F(ScreenshotsOfPeopleEditors, ParentPupilRequestPresentationAndBreakEditors) {
    MultiDaySchedule* schedule = OpenBookedExample();
    ASSERT_NE(schedule, nullptr);
    Event& event = *schedule->GetEvent();
    Parent* brown = event.GetParents().FindByKey("FAM1004");
    ASSERT_NE(brown, nullptr);
    Pupil* lily = brown->GetPupil(0);
    Presentation* options = event.GetPresentations().GetPresentation(0);
    Presentation fresh;
    fresh.SetDate(schedule->GetDay(0)->GetDate());
    fresh.SetTimes(schedule->GetDay(0)->GetStartTime(), schedule->GetDay(0)->SlotToTime(1));

    SaveScreenshots({
        {"parent", [&] { return new ParentDlg(frame_, brown, schedule, EditMode::Edit); }},
        {"pupil", [&] { return new PupilDlg(frame_, brown, lily, schedule); }},
        {"request",
         [&] {
             return new TeacherEntryDlg(frame_, &event.GetTeachers(), nullptr,
                                        "Please choose a teacher -", 0);
         }},
        {"request-edit",
         [&] {
             return new TeacherEntryDlg(frame_, &event.GetTeachers(), lily->GetRequest(0),
                                        "Please choose a teacher -", 0);
         }},
        {"presentation-new",
         [&] { return new PresentationDlg(frame_, EditMode::Add, &fresh, schedule); }},
        {"presentation-edit",
         [&] { return new PresentationDlg(frame_, EditMode::Edit, options, schedule); }},
        {"presentations-attended", [&] { return new AttendeePresDlg(frame_, brown, schedule); }},
        {"teacher-breaks", [&] { return new TeacherBreakDlg(frame_, schedule); }},
    });
}

}  // namespace
