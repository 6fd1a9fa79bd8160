#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
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

// Every talk of the day that the attendee is no longer there for from its start to its end.
// Someone who arrives as a talk begins or leaves as it ends keeps it, though they are there for
// only part of its first or last slot.
bool DropPresentationsOutsideHours(Attendee& attendee, const Schedule& day) {
    PresentationList& list = attendee.GetPresentations();
    std::vector<Presentation*> outside;
    for (unsigned i = 0; i < list.Count(); ++i) {
        Presentation* presentation = list.GetPresentation(i);
        if (presentation != nullptr && presentation->GetDate() == day.GetDate() &&
            !day.IsWithinOwnHours(attendee, presentation->GetStartTime(),
                                  presentation->GetEndTime())) {
            outside.push_back(presentation);
        }
    }
    for (Presentation* presentation : outside) {
        attendee.RemovePresentation(presentation);
    }
    return !outside.empty();
}

bool HasPresentationOn(const Attendee& attendee, const Date& date) {
    const PresentationList& list = attendee.GetPresentations();
    for (unsigned i = 0; i < list.Count(); ++i) {
        const Presentation* presentation = list.GetPresentation(i);
        if (presentation != nullptr && presentation->GetDate() == date) {
            return true;
        }
    }
    return false;
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

// Every slot of the day that is not wholly within the attendee's own hours (Schedule's one rule
// for them): before a late arrival and from an early leaving on, a slot they arrive or leave
// during included.
template <typename Action>
void ForEachSlotOutsideHours(const Schedule& day, const Attendee& attendee, Action action) {
    const bool late = attendee.ArrivesLate(&day);
    const bool early = attendee.LeavesEarly(&day);
    if (!late && !early) {
        return;
    }
    const int slots = day.GetNumSlots();
    int first = 0;
    int last = 0;
    day.GetSlotsWithin(late ? attendee.GetStartTime(&day) : day.GetStartTime(),
                       early ? attendee.GetEndTime(&day) : day.GetEndTime(), &first, &last);
    last = std::max(last, first);
    for (int k = 0; k < first; ++k) {
        action(k);
    }
    for (int k = last; k < slots; ++k) {
        action(k);
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

void Schedule::ExtendEndTime(const TimeOfDay& time) {
    if (!(end_ < time)) {
        SetEndTime(time);
        return;
    }
    if (RefuseWhenLocked("set event end time")) {
        return;
    }
    modified_ = true;
    end_ = time;
    grid_.GrowSlots(static_cast<unsigned>(std::max(GetNumSlots(), 0)));
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
    std::string dropped;
    ForEachAttendee(*event_, [&](Attendee& attendee) {
        std::string times;
        std::string sentence = attendee.FitAttendanceToDay(this, start_, end_, &times);
        if (!sentence.empty()) {
            madeAbsent.push_back(std::move(sentence));
        }
        if (!times.empty()) {
            dropped += "\n" + times;
        }
    });
    ReportMadeAbsent(madeAbsent);
    if (!dropped.empty()) {
        ReportMessage(SeverityWarning,
                      "These arrival and leaving times lie outside the day's hours (" +
                          start_.Format(Time12h) + " to " + end_.Format(Time12h) +
                          "), so they have been dropped and those people are taken to come for "
                          "the day's whole hours:" +
                          dropped);
    }
    FitBreaksToSlots();
}

void Schedule::GiveUpPresentationsOutsideHours() {
    if (!event_ || event_->IsLocked()) {
        return;
    }
    ForEachAttendee(*event_, [this](Attendee& attendee) {
        if (DropPresentationsOutsideHours(attendee, *this)) {
            modified_ = true;
        }
    });
}

namespace {

// Runs of break minutes, in order, those that meet or touch joined into one.
template <typename Run>
std::vector<Run> JoinedRuns(std::vector<Run> runs) {
    std::sort(runs.begin(), runs.end());
    std::vector<Run> joined;
    for (const Run& run : runs) {
        if (!joined.empty() && !(joined.back().second < run.first)) {
            joined.back().second = std::max(joined.back().second, run.second);
        } else {
            joined.push_back(run);
        }
    }
    return joined;
}

}  // namespace

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
            // The minutes a break in the day's last, partial slot stands for go with it, so a
            // length put back finds them where they were.
            const DateTime onSlot(date_, SlotToTime(slot));
            std::vector<Teacher::BreakPart> carried = teacher.GetBreakParts(when);
            std::vector<Teacher::BreakPart> held = teacher.GetBreakParts(onSlot);
            const bool there = teacher.HasBreak(onSlot);
            teacher.RemoveBreak(when);
            teacher.AddBreak(onSlot);
            if (!held.empty() && !carried.empty()) {
                held.insert(held.end(), carried.begin(), carried.end());
                teacher.SetBreakParts(onSlot, JoinedRuns(std::move(held)));
            } else if (!held.empty() || !there) {
                teacher.SetBreakParts(onSlot, held.empty() ? std::move(carried) : std::move(held));
            }
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

void Schedule::RefitBreaks(int breakSeconds, unsigned firstTeacher) {
    const int slotSeconds = event_ ? event_->GetSlotLength() : 0;
    if (!event_ || event_->IsLocked() || breakSeconds <= 0 || slotSeconds <= 0) {
        return;
    }
    const int dayStart = start_.Seconds();
    const int slots = GetNumSlots();
    const int dayEnd = dayStart + std::max(slots, 0) * slotSeconds;
    const auto timeAt = [](int seconds) {
        TimeOfDay time;
        time.SetSeconds(seconds);
        return time;
    };
    using Runs = std::vector<std::pair<int, int>>;
    std::string grownAt;
    const TeacherList& teachers = event_->GetTeachers();
    for (unsigned i = firstTeacher; i < teachers.Count(); ++i) {
        Teacher* teacher = teachers.Get(i);
        if (teacher == nullptr) {
            continue;
        }
        // The minutes every break of the day stands for, gathered before any changes: its slot
        // of the old length, or the parts of it that were set aside. Minutes beyond the day's
        // whole slots stay with a break, so that hours or a length given back find them: those
        // after the day at the start of their slot on the day's slots carried on past its end (a
        // later end keeps the breaks where they are), those before it at their own time.
        std::vector<DateTime> replaced;
        Runs minutes;
        std::map<int, Runs> beyond;
        for (const DateTime& when : teacher->GetBreaks()) {
            if (when.GetDate() != date_) {
                continue;
            }
            replaced.push_back(when);
            Runs runs;
            for (const auto& [from, to] : teacher->GetBreakParts(when)) {
                runs.emplace_back(from.Seconds(), to.Seconds());
            }
            if (runs.empty()) {
                runs.emplace_back(when.GetTime().Seconds(),
                                  when.GetTime().Seconds() + breakSeconds);
            }
            for (const auto& [from, to] : runs) {
                if (to > dayStart && from < dayEnd) {
                    minutes.emplace_back(from, to);
                } else if (from >= dayEnd) {
                    beyond[dayStart + (from - dayStart) / slotSeconds * slotSeconds].emplace_back(
                        from, to);
                } else {
                    beyond[from].emplace_back(from, to);
                }
            }
        }
        if (replaced.empty()) {
            continue;
        }
        const Runs held = JoinedRuns(std::move(minutes));
        // Every new slot the minutes meet is a break; where they fill only parts of it, those
        // parts are kept with it (the first and last slot's with the minutes beyond the day).
        std::map<int, Runs> parts;
        long heldSeconds = 0;
        for (const auto& [from, to] : held) {
            const int inFrom = std::max(from, dayStart);
            const int inTo = std::min(to, dayEnd);
            heldSeconds += inTo - inFrom;
            const int first = (inFrom - dayStart) / slotSeconds;
            const int last = std::min((inTo - dayStart + slotSeconds - 1) / slotSeconds, slots);
            for (int k = first; k < last; ++k) {
                const int slotFrom = dayStart + k * slotSeconds;
                parts[slotFrom].emplace_back(k == first ? from : slotFrom,
                                             k == last - 1 ? to : slotFrom + slotSeconds);
            }
        }
        const bool grown = static_cast<long>(parts.size()) * slotSeconds > heldSeconds;
        for (auto& [slotFrom, runs] : parts) {
            if (runs == Runs{{slotFrom, slotFrom + slotSeconds}}) {
                runs.clear();
            }
        }
        // Beyond the whole slots no slot key lies, so these never meet the slots' breaks.
        for (auto& [at, runs] : beyond) {
            parts[at] = JoinedRuns(std::move(runs));
        }
        const auto partsAt = [&](int at) {
            std::vector<Teacher::BreakPart> kept;
            for (const auto& [from, to] : parts[at]) {
                kept.emplace_back(timeAt(from), timeAt(to));
            }
            return kept;
        };
        bool same = replaced.size() == parts.size();
        for (const auto& [at, runs] : parts) {
            const DateTime when(date_, timeAt(at));
            same = same && teacher->HasBreak(when) && teacher->GetBreakParts(when) == partsAt(at);
        }
        if (same) {
            continue;
        }
        if (grownAt.empty() && grown) {
            grownAt = timeAt(held.front().first).Format(Time12h);
        }
        for (const DateTime& when : replaced) {
            teacher->RemoveBreak(when);
        }
        for (const auto& [at, runs] : parts) {
            const DateTime when(date_, timeAt(at));
            teacher->AddBreak(when);
            teacher->SetBreakParts(when, partsAt(at));
        }
        modified_ = true;
    }
    if (!grownAt.empty()) {
        ReportMessage(SeverityWarning,
                      "The break at " + grownAt +
                          " does not fit the slots: every slot that meets its minutes is now a "
                          "break, and the same for any others like it");
    }
}

std::vector<Schedule::Unbooked> Schedule::UnbookOutOfRangeAppointments() {
    std::vector<Unbooked> unbooked;
    if (!event_ || RefuseWhenLocked("unbook out of range appointments")) {
        return unbooked;
    }
    int teacherCount = static_cast<int>(event_->GetTeachers().Count());
    for (int row = 0; row < teacherCount; ++row) {
        UnbookOutOfRangeForTeacher(row, &unbooked);
    }
    const ParentList& parents = event_->GetParents();
    for (unsigned i = 0; i < parents.Count(); ++i) {
        if (Parent* parent = parents.Get(i)) {
            UnbookOutOfRangeForParent(parent, &unbooked);
        }
    }
    return unbooked;
}

bool Schedule::UnbookCell(int slot, int teacherRow, std::vector<Unbooked>* unbooked) {
    const Appointment* inCell = grid_.PeekBooking(slot, teacherRow);
    if (inCell == nullptr) {
        return false;
    }
    Unbooked taken{teacherRow, inCell->GetFirstSlot(), grid_.GetBooking(slot, teacherRow)};
    if (!RemoveAppointment(slot, teacherRow)) {
        return false;  // a locked booking stays
    }
    if (unbooked != nullptr) {
        unbooked->push_back(std::move(taken));
    }
    return true;
}

void Schedule::UnbookOutOfRangeForTeacher(int teacherRow, std::vector<Unbooked>* unbooked) {
    Teacher* teacher = TeacherAt(teacherRow);
    // One message for a locked event rather than one for every slot.
    if (teacher == nullptr || RefuseWhenLocked("remove an appointment")) {
        return;
    }
    int slots = GetNumSlots();
    if (!teacher->IsAttending(this)) {
        for (int k = 0; k < slots; ++k) {
            UnbookCell(k, teacherRow, unbooked);
        }
        if (DropPresentationsOn(*teacher, date_)) {
            modified_ = true;
        }
        return;
    }
    ForEachSlotOutsideHours(*this, *teacher, [&](int k) { UnbookCell(k, teacherRow, unbooked); });
    if (DropPresentationsOutsideHours(*teacher, *this)) {
        modified_ = true;
    }
    // Every slot a break or an attended talk meets, as the slot status has them.
    const bool talks = HasPresentationOn(*teacher, date_);
    for (int k = 0; k < slots; ++k) {
        if (grid_.PeekBooking(k, teacherRow) != nullptr &&
            (teacher->HasBreakDuring(date_, SlotToTime(k), SlotToTime(k + 1)) ||
             (talks && teacher->IsAtPresentationDuring(date_, SlotToTime(k), SlotToTime(k + 1))))) {
            UnbookCell(k, teacherRow, unbooked);
        }
    }
}

void Schedule::UnbookOutOfRangeForParent(Parent* parent, std::vector<Unbooked>* unbooked) {
    if (parent == nullptr || !event_ || RefuseWhenLocked("remove an appointment")) {
        return;
    }
    if (!parent->IsAttending(this)) {
        // Asked of the parent index first: taking out searches the whole grid, and this runs
        // for every absent parent after every editor's OK.
        if (ParentHasAppointments(parent)) {
            std::vector<Unbooked> taken;
            const int slots = static_cast<int>(grid_.GetSlotCount());
            const int rows = static_cast<int>(grid_.GetRowCount());
            for (int k = 0; k < slots; ++k) {
                if (!grid_.ParentIsBooked(k, parent)) {
                    continue;
                }
                for (int row = 0; row < rows; ++row) {
                    const Appointment* booking = grid_.PeekBooking(k, row);
                    if (booking != nullptr && booking->GetFirstSlot() == k &&
                        booking->GetRequest() != nullptr &&
                        booking->GetRequest()->GetParent() == parent) {
                        taken.push_back({row, k, grid_.GetBooking(k, row)});
                    }
                }
            }
            // Locked bookings stay, and then so does every other booking of the parent here.
            if (RemoveParent(parent) && unbooked != nullptr) {
                unbooked->insert(unbooked->end(), taken.begin(), taken.end());
            }
        }
        if (DropPresentationsOn(*parent, date_)) {
            modified_ = true;
        }
        return;
    }
    ForEachSlotOutsideHours(*this, *parent, [&](int k) {
        int row = grid_.FindParentRow(k, parent);
        if (row >= 0) {
            UnbookCell(k, row, unbooked);
        }
    });
    if (DropPresentationsOutsideHours(*parent, *this)) {
        modified_ = true;
    }
    // A talk the parent attends keeps them from any booking in a slot it touches.
    if (HasPresentationOn(*parent, date_)) {
        const int slots = GetNumSlots();
        for (int k = 0; k < slots; ++k) {
            if (!parent->IsAtPresentationDuring(date_, SlotToTime(k), SlotToTime(k + 1))) {
                continue;
            }
            for (int row = grid_.FindParentRow(k, parent); row >= 0;
                 row = grid_.FindParentRow(k, parent)) {
                if (!UnbookCell(k, row, unbooked)) {
                    break;  // a locked booking stays
                }
            }
        }
    }
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
        SlotStatus status = GetTalkSlotStatus(k, *attendee, *presentation);
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
