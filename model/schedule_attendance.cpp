#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

bool DropPresentationAt(Attendee& attendee, const Date& date, const TimeOfDay& time) {
    Presentation* presentation = attendee.GetPresentationAt(date, time);
    if (presentation != nullptr) {
        attendee.RemovePresentation(presentation);
    }
    return presentation != nullptr;
}

// Only the day's own: the talks of the event's other days are not touched by missing this one.
bool DropPresentationsOn(Attendee& attendee, const Date& date) {
    PresentationList& list = attendee.GetPresentations();
    std::vector<Presentation*> dated;
    for (unsigned i = 0; i < list.Count(); ++i) {
        Presentation* presentation = list.GetPresentation(i);
        if (presentation != nullptr && presentation->GetDate() == date) {
            dated.push_back(presentation);
        }
    }
    for (Presentation* presentation : dated) {
        attendee.RemovePresentation(presentation);
    }
    return !dated.empty();
}

// One box for the day however many it made absent.
void ReportMadeAbsent(const std::vector<std::string>& sentences) {
    static const char* const kTail = ", so they are marked as not attending that day";
    if (sentences.size() == 1) {
        ReportMessage(SeverityWarning, sentences.front() + kTail);
    } else if (sentences.size() > 1) {
        for (const std::string& sentence : sentences) {
            UCError::Current().AddDetail(sentence);
        }
        ReportMessage(SeverityWarning, std::to_string(sentences.size()) +
                                           " people's times leave no time within the day's "
                                           "hours" +
                                           kTail);
    }
}

// A parent double-booked in a slot has a booking in each of those rows, and all of them go.
bool HoldsLockedParentBooking(const AppointmentGrid& grid, int slot, const Parent* parent) {
    for (unsigned row = 0; row < grid.GetRowCount(); ++row) {
        const Appointment* booking = grid.PeekBooking(slot, static_cast<int>(row));
        if (booking != nullptr && booking->IsLocked() && booking->GetRequest() != nullptr &&
            booking->GetRequest()->GetParent() == parent) {
            return true;
        }
    }
    return false;
}

template <typename Action>
void ForEachTeacher(const Event& event, Action action) {
    const TeacherList& teachers = event.GetTeachers();
    for (unsigned i = 0; i < teachers.Count(); ++i) {
        if (Teacher* teacher = teachers.Get(i)) {
            action(*teacher);
        }
    }
}

// Teachers first, then parents.
template <typename Action>
void ForEachAttendee(const Event& event, Action action) {
    ForEachTeacher(event, action);
    for (Person* person : event.GetParents()) {
        if (person != nullptr) {
            action(*static_cast<Parent*>(person));
        }
    }
}

// Every slot of the day before a late arrival and from an early leaving on. A time outside
// the day (slot -1) gives no slots.
template <typename Action>
void ForEachSlotOutsideHours(const Schedule& day, const Attendee& attendee, Action action) {
    const int slots = day.GetNumSlots();
    if (attendee.ArrivesLate(&day)) {
        int arrival = day.GetSlotForTime(attendee.GetStartTime(&day));
        for (int k = 0; k < arrival; ++k) {
            action(k);
        }
    }
    if (attendee.LeavesEarly(&day)) {
        int leaving = day.GetSlotForTime(attendee.GetEndTime(&day));
        for (int k = leaving < 0 ? slots : leaving; k < slots; ++k) {
            action(k);
        }
    }
}

}  // namespace

bool Schedule::SetDate(const Date& date) {
    if (date == date_) {
        return true;
    }
    if (RefuseWhenLocked("set the event date")) {
        return false;
    }
    if (event_) {
        const PresentationList& presentations = event_->GetPresentations();
        for (unsigned i = 0; i < presentations.Count(); ++i) {
            Presentation* presentation = presentations.GetPresentation(i);
            if (presentation != nullptr && presentation->GetDate() == date_) {
                presentation->SetDate(date);
            }
        }
    }
    modified_ = true;
    date_ = date;
    return true;
}

bool Schedule::SetDateOnly(const Date& date) {
    if (date == date_) {
        return true;
    }
    if (RefuseWhenLocked("set the event date")) {
        return false;
    }
    modified_ = true;
    date_ = date;
    return true;
}

void Schedule::SetStartTime(const TimeOfDay& time) {
    if (time == start_ || RefuseWhenLocked("set event start time")) {
        return;
    }
    modified_ = true;
    start_ = time;
    grid_.ResizeForDay(*this);
}

void Schedule::SetEndTime(const TimeOfDay& time) {
    if (time == end_ || RefuseWhenLocked("set event end time")) {
        return;
    }
    modified_ = true;
    end_ = time;
    grid_.ResizeForDay(*this);
}

void Schedule::RemoveTeacherBreak(Teacher* teacher, const TimeOfDay& time) {
    if (!event_ || teacher == nullptr || RefuseWhenLocked("remove teacher breaks")) {
        return;
    }
    teacher->RemoveBreak(DateTime(date_, time));
    modified_ = true;
}

void Schedule::RemoveBreakForAllTeachers(const TimeOfDay& time) {
    if (!event_ || RefuseWhenLocked("remove teacher breaks")) {
        return;
    }
    ForEachTeacher(*event_, [&](Teacher& teacher) { teacher.RemoveBreak(DateTime(date_, time)); });
    modified_ = true;
}

void Schedule::RemoveAllTeacherBreaks() {
    if (!event_ || RefuseWhenLocked("remove teacher breaks")) {
        return;
    }
    ForEachTeacher(*event_, [](Teacher& teacher) { teacher.ClearBreaks(); });
    modified_ = true;
}

void Schedule::AddTeacherBreaks(Teacher* teacher, const TimeOfDay& first, int length, int spread) {
    if (teacher == nullptr || !event_ || RefuseWhenLocked("add teacher breaks")) {
        return;
    }
    int row = event_->GetTeachers().IndexOf(teacher);
    int slot = GetSlotForTime(first);
    if (slot < 0 || row < 0) {
        return;
    }
    const int slots = GetNumSlots();
    if (spread > 0) {
        // Shifted only while it stays inside the day, so no spread or length, however large,
        // overflows the slot arithmetic.
        int shift = std::rand() % spread;
        slot = shift < slots - slot ? slot + shift : slots;
    }
    for (int k = slot; k < slots && k - slot < length; ++k) {
        modified_ = true;
        DateTime when;
        GetSlotDateTime(k, &when);
        teacher->AddBreak(when);
        (void)RemoveAppointment(k, row);  // a free or locked cell stays as it is
    }
}

void Schedule::AddBreaksForAllTeachers(const TimeOfDay& first, int length, int spread) {
    if (!event_ || RefuseWhenLocked("add teacher breaks")) {
        return;
    }
    ForEachTeacher(*event_,
                   [&](Teacher& teacher) { AddTeacherBreaks(&teacher, first, length, spread); });
}

void Schedule::ResetAttendanceTimes() {
    if (!event_ || RefuseWhenLocked("reset attendance times")) {
        return;
    }
    ForEachAttendee(*event_, [this](Attendee& attendee) {
        attendee.SetArrivesLate(this, false);
        attendee.SetLeavesEarly(this, false);
    });
    modified_ = true;
}

void Schedule::EnforceTimeBoundaries() {
    if (!event_ || RefuseWhenLocked("enforce time boundaries")) {
        return;
    }
    std::vector<std::string> madeAbsent;
    ForEachAttendee(*event_, [&](Attendee& attendee) {
        std::string sentence = attendee.FitAttendanceToDay(this, start_, end_);
        if (!sentence.empty()) {
            madeAbsent.push_back(std::move(sentence));
        }
    });
    ReportMadeAbsent(madeAbsent);
    FitBreaksToSlots();
}

// A new slot length or start leaves breaks between slot starts, where no booking meets them and
// the file reader would move them later: each goes to the start of its slot now, as the reader
// puts it.
void Schedule::FitBreaksToSlots() {
    if (!event_) {
        return;
    }
    bool told = false;
    ForEachTeacher(*event_, [&](Teacher& teacher) {
        const std::vector<DateTime> breaks = teacher.GetBreaks();
        for (const DateTime& when : breaks) {
            const int slot = when.GetDate() == date_ ? GetSlotForTime(when.GetTime()) : -1;
            if (slot < 0 || SlotToTime(slot) == when.GetTime()) {
                continue;
            }
            teacher.RemoveBreak(when);
            teacher.AddBreak(DateTime(date_, SlotToTime(slot)));
            modified_ = true;
            if (!told) {
                told = true;
                ReportMessage(SeverityWarning,
                              "The time " + when.GetTime().Format(Time12h) +
                                  " does not fall on the start of a slot: it and any others like "
                                  "it have been moved to the start of their slot");
            }
        }
    });
}

void Schedule::UnbookOutOfRangeAppointments() {
    if (!event_ || RefuseWhenLocked("unbook out of range appointments")) {
        return;
    }
    int teacherCount = static_cast<int>(event_->GetTeachers().Count());
    for (int row = 0; row < teacherCount; ++row) {
        UnbookOutOfRangeForTeacher(row);
    }
    const ParentList& parents = event_->GetParents();
    for (unsigned i = 0; i < parents.Count(); ++i) {
        if (Parent* parent = parents.Get(i)) {
            UnbookOutOfRangeForParent(parent);
        }
    }
}

void Schedule::UnbookOutOfRangeForTeacher(int teacherRow) {
    Teacher* teacher = TeacherAt(teacherRow);
    // One message for a locked event rather than one for every slot.
    if (teacher == nullptr || RefuseWhenLocked("remove an appointment")) {
        return;
    }
    int slots = GetNumSlots();
    auto unbookCell = [&](int k) {
        if (grid_.PeekBooking(k, teacherRow) != nullptr) {
            (void)RemoveAppointment(k, teacherRow);  // a locked booking stays
        }
    };
    if (!teacher->IsAttending(this)) {
        for (int k = 0; k < slots; ++k) {
            unbookCell(k);
        }
        if (DropPresentationsOn(*teacher, date_)) {
            modified_ = true;
        }
        return;
    }
    ForEachSlotOutsideHours(*this, *teacher, [&](int k) {
        unbookCell(k);
        if (DropPresentationAt(*teacher, date_, SlotToTime(k))) {
            modified_ = true;
        }
    });
    // Copied first: nothing here changes the breaks, but the loop must not depend on that.
    std::vector<DateTime> breaks = teacher->GetBreaks();
    for (const DateTime& when : breaks) {
        if (when.GetDate() != date_) {
            continue;
        }
        int slot = GetSlotForTime(when.GetTime());
        if (slot >= 0 && slot < slots) {
            unbookCell(slot);
        }
    }
}

void Schedule::UnbookOutOfRangeForParent(Parent* parent) {
    if (parent == nullptr || !event_ || RefuseWhenLocked("remove an appointment")) {
        return;
    }
    if (!parent->IsAttending(this)) {
        // Asked of the parent index first: taking out searches the whole grid, and this runs
        // for every absent parent after every editor's OK.
        if (ParentHasAppointments(parent)) {
            (void)RemoveParent(parent);  // locked bookings stay
        }
        if (DropPresentationsOn(*parent, date_)) {
            modified_ = true;
        }
        return;
    }
    ForEachSlotOutsideHours(*this, *parent, [&](int k) {
        int row = grid_.FindParentRow(k, parent);
        if (row >= 0) {
            (void)RemoveAppointment(k, row);  // a locked booking stays
        }
        if (DropPresentationAt(*parent, date_, SlotToTime(k))) {
            modified_ = true;
        }
    });
}

// Every slot is checked before anything is unbooked, so a refusal leaves the day as it was.
bool Schedule::AttendPresentation(Attendee* attendee, Presentation* presentation) {
    if (attendee == nullptr || presentation == nullptr || presentation->GetDate() != date_) {
        return false;
    }
    int first = 0;
    int last = 0;
    if (!GetSlotSpan(presentation->GetStartTime(), presentation->GetEndTime(), &first, &last)) {
        return false;
    }
    bool needsUnbooking = false;
    for (int k = first; k < last; ++k) {
        SlotStatus status = GetPersonSlotStatus(k, attendee);
        if (status == SlotUnavailable || status == SlotPresentation) {
            return false;
        }
        if (status == SlotAppointment) {
            needsUnbooking = true;
            bool locked = false;
            if (attendee->GetKind() == PersonKind::Teacher) {
                int row =
                    event_ ? event_->GetTeachers().IndexOf(static_cast<Teacher*>(attendee)) : -1;
                const Appointment* booking = grid_.PeekBooking(k, row);
                locked = booking != nullptr && booking->IsLocked();
            } else {
                locked = HoldsLockedParentBooking(grid_, k, static_cast<const Parent*>(attendee));
            }
            if (locked) {
                ReportMessage(SeverityError,
                              "Cannot remove an appointment because the schedule is locked");
                return false;
            }
        }
    }
    if (needsUnbooking && RefuseWhenLocked("remove an appointment")) {
        return false;
    }
    for (int k = first; k < last; ++k) {
        // A parent double-booked in a slot has one booking per row there.
        while (GetPersonSlotStatus(k, attendee) == SlotAppointment) {
            if (!UnbookPersonAt(k, attendee)) {
                return false;
            }
        }
    }
    if (!attendee->AddPresentation(presentation)) {
        return false;
    }
    modified_ = true;
    return true;
}

bool Schedule::EnforceAttendanceTimes(Attendee* target, const Attendee* source, std::string& log) {
    if (target == nullptr || source == nullptr) {
        log += "ERROR: Null pointer\n";
        return false;
    }
    if (target->IsAttending(this) && !source->IsAttending(this)) {
        target->SetAttending(this, false);
        modified_ = true;
        log += "Marked as not attending: " + target->GetName() + "\n";
        return true;
    }
    // Both times are set together: a record that has only ever held the day's hours would
    // refuse a lone start or end against its blank other half.
    if (!target->ArrivesLate(this) && source->ArrivesLate(this)) {
        TimeOfDay arrival = source->GetStartTime(this);
        if (target->SetTimes(this, arrival, target->GetEndTime(this))) {
            target->SetArrivesLate(this, true);
            modified_ = true;
            log +=
                "New arrival time for " + target->GetName() + ": " + arrival.Format(Time12h) + "\n";
        }
    }
    if (!target->LeavesEarly(this) && source->LeavesEarly(this)) {
        TimeOfDay leaving = source->GetEndTime(this);
        if (target->SetTimes(this, target->GetStartTime(this), leaving)) {
            target->SetLeavesEarly(this, true);
            modified_ = true;
            log +=
                "New leaving time for " + target->GetName() + ": " + leaving.Format(Time12h) + "\n";
        }
    }
    return true;
}
