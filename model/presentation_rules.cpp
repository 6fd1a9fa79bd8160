#include "model/presentation_rules.h"

#include "model/appointment.h"
#include "model/attendee.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

// Also the end of the day's last slot.
bool IsSlotStart(const Schedule& day, const TimeOfDay& time) {
    const int slot = day.GetSlotForTime(time);
    return slot >= 0 && day.SlotToTime(slot) == time;
}

}  // namespace

std::string CheckPresentation(const Event& event, const Presentation* self, bool isNew,
                              const std::string& title, const TimeOfDay& start,
                              const TimeOfDay& end, const Schedule& day) {
    if (title.empty()) {
        return "Please enter a title for this presentation";
    }
    // The event file names attended presentations by their name, so names must stay apart.
    const Presentation* other = event.GetPresentations().Find(title);
    if (other != nullptr && other != self) {
        return "There is already a presentation called '" + title + "'";
    }
    if (!isNew) {
        return std::string();
    }
    if (end <= start) {
        return "The end time must be after the start time";
    }
    if (start < day.GetStartTime()) {
        return "The start time is before the start of the event";
    }
    if (end > day.GetEndTime()) {
        return "The end time is after the end of the event";
    }
    // Attending walks the talk's whole slots: a time between slot starts would leave a booking
    // it overlaps in place. The window offers slot starts only.
    if (!IsSlotStart(day, start)) {
        return "The start time must be one of the day's slot times";
    }
    if (!IsSlotStart(day, end)) {
        return "The end time must be one of the day's slot times";
    }
    return std::string();
}

namespace {

// The presentation's day and its slots [first, last) there; null when they do not lie in a day.
const Schedule* SlotsOf(const MultiDaySchedule& days, const Presentation& presentation, int* first,
                        int* last) {
    const Schedule* day = days.FindDay(presentation.GetDate());
    if (day == nullptr) {
        return nullptr;
    }
    return day->GetSlotSpan(presentation.GetStartTime(), presentation.GetEndTime(), first, last)
               ? day
               : nullptr;
}

}  // namespace

bool HasAppointmentDuring(const MultiDaySchedule& days, const Attendee& attendee,
                          const Presentation& presentation) {
    int first = 0;
    int last = 0;
    const Schedule* day = SlotsOf(days, presentation, &first, &last);
    for (int slot = first; day != nullptr && slot < last; ++slot) {
        if (day->GetPersonSlotStatus(slot, &attendee) == SlotAppointment) {
            return true;
        }
    }
    return false;
}

bool CanAttendPresentation(const MultiDaySchedule& days, const Attendee& attendee,
                           const Presentation& presentation) {
    int first = 0;
    int last = 0;
    const Schedule* day = SlotsOf(days, presentation, &first, &last);
    if (day == nullptr) {
        return false;
    }
    const Event* event = days.GetEvent().get();
    const bool isTeacher = attendee.GetKind() == PersonKind::Teacher;
    for (int slot = first; slot < last; ++slot) {
        const SlotStatus status = day->GetTalkSlotStatus(slot, attendee, presentation);
        if (status == SlotUnavailable || status == SlotPresentation) {
            return false;
        }
        if (status != SlotAppointment) {
            continue;
        }
        if (event == nullptr || event->IsLocked()) {
            return false;
        }
        const int row =
            isTeacher ? event->GetTeachers().IndexOf(static_cast<const Teacher*>(&attendee))
                      : day->GetGrid().FindParentRow(slot, static_cast<const Parent*>(&attendee));
        const Appointment* booking = day->GetGrid().PeekBooking(slot, row);
        if (booking != nullptr && booking->IsLocked()) {
            return false;
        }
    }
    return true;
}
