#pragma once

// What the commands on the event tree's selected teacher, parent, pupil or presentation share.

#include <string>

#include "foundation/uc_error.h"
#include "gui/main/quillmoot_frame.h"
#include "gui/main/schedule_views.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

inline std::string NothingSelected(const char* kind) {
    return std::string("No ") + kind + " is selected - please select a " + kind +
           " in the left-hand window and try again";
}

// Bookings that no longer fit changed attendance go, unless the timetable is final.
inline void UnbookOutOfRangeUnlessLocked(MultiDaySchedule* schedule) {
    if (schedule->GetEvent() && !schedule->GetEvent()->IsLocked()) {
        schedule->UnbookOutOfRangeAppointments();
    }
}

// Editing needs an open file; without a selection the user is told what to pick.
template <class Item>
void EditSelected(QuillmootFrame& frame, const char* kind, Item* (EventTreeView::*selected)() const,
                  void (QuillmootFrame::*edit)(Item*)) {
    if (!frame.GetController().GetSchedule()) {
        return;
    }
    if (Item* item = (frame.GetTree()->*selected)()) {
        (frame.*edit)(item);
    } else {
        ReportMessage(SeverityError, NothingSelected(kind));
    }
}

// Removal cannot be undone, so it is confirmed.
template <class Item>
void DeleteSelected(QuillmootFrame& frame, const char* kind,
                    Item* (EventTreeView::*selected)() const, std::string (*question)(const Item&),
                    bool (MultiDaySchedule::*remove)(Item*)) {
    MultiDaySchedule* schedule = frame.ScheduleWithEvent();
    if (!schedule) {
        return;
    }
    Item* item = (frame.GetTree()->*selected)();
    if (item == nullptr) {
        ReportMessage(SeverityError, NothingSelected(kind));
        return;
    }
    if (!frame.AskYesNo(question(*item))) {
        return;
    }
    (void)(schedule->*remove)(item);  // a refusal says why
}
