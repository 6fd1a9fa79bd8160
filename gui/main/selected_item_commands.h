#pragma once

// What the commands on the selected teacher, parent, pupil or presentation share.

#include <string>

#include "app/qm_controller.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/main/command_context.h"
#include "gui/main/schedule_views.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

inline std::string NothingSelected(const char* kind) {
    return std::string("No ") + kind + " is selected - please select a " + kind +
           " in the left-hand window and try again";
}

// Bookings that no longer fit a changed length or attendance go, unless the timetable is final.
inline void UnbookOutOfRangeUnlessLocked(MultiDaySchedule* schedule) {
    if (schedule->GetEvent() && !schedule->GetEvent()->IsLocked()) {
        (void)schedule->RefitBookingLengths();  // names what it unbooks
        schedule->UnbookOutOfRangeAppointments();
    }
}

// Editing needs an open file; without a selection the user is told what to pick.
template <class Item>
void EditSelected(const CommandContext& context, const char* kind,
                  Item* (Selection::*selected)() const,
                  void (*edit)(const CommandContext&, Item*)) {
    if (!context.controller.GetSchedule()) {
        return;
    }
    if (Item* item = (context.selection.*selected)()) {
        edit(context, item);
    } else {
        ReportMessage(SeverityError, NothingSelected(kind));
    }
}

// Removal cannot be undone, so it is confirmed.
template <class Item>
void DeleteSelected(const CommandContext& context, const char* kind,
                    Item* (Selection::*selected)() const, std::string (*question)(const Item&),
                    bool (MultiDaySchedule::*remove)(Item*)) {
    MultiDaySchedule* schedule = ScheduleWithEvent(context);
    if (!schedule) {
        return;
    }
    Item* item = (context.selection.*selected)();
    if (item == nullptr) {
        ReportMessage(SeverityError, NothingSelected(kind));
        return;
    }
    if (!AskYesNo(context.parent, question(*item))) {
        return;
    }
    (void)(schedule->*remove)(item);  // a refusal says why
}
