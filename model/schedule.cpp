#include "model/schedule.h"

#include <algorithm>

#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/day_availability.h"
#include "model/event.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/teacher.h"

namespace {

constexpr int kDefaultSlotLength = 300;

int SlotLengthOf(const Event* event) {
    int length = event != nullptr ? event->GetSlotLength() : kDefaultSlotLength;
    return length > 0 ? length : kDefaultSlotLength;
}

}  // namespace

Schedule::Schedule(std::shared_ptr<Event> event) : date_(Date::Today()) {
    SetEvent(std::move(event));
    RebuildGrid();
}

Schedule::Schedule(const Schedule& other) {
    *this = other;
    modified_ = true;
}

Schedule& Schedule::operator=(const Schedule& other) {
    if (this == &other) {
        return *this;
    }
    BeginCopy(other);
    grid_.CopyRows(other.grid_, 0, grid_.GetRowCount());
    return *this;
}

void Schedule::BeginCopy(const Schedule& other) {
    if (this == &other) {
        return;
    }
    SetEvent(other.event_);
    grid_.BeginCopy(other.grid_);
    stats_ = other.stats_;
    date_ = other.date_;
    start_ = other.start_;
    end_ = other.end_;
}

Schedule::~Schedule() = default;

void Schedule::SetEvent(std::shared_ptr<Event> event) {
    event_ = std::move(event);
}

void Schedule::ResetEvent() {
    event_.reset();
}

void Schedule::RefreshFromEvent() {
    if (event_) {
        event_->BlankRequestedTimes();
        EnforceTimeBoundaries();
    }
    SetEvent(event_);
    modified_ = true;
}

bool Schedule::IsModified() const {
    if (modified_) {
        return true;
    }
    return event_ && (event_->IsModified() || event_->GetPrintSettings().IsModified());
}

void Schedule::ClearBookings() {
    grid_.ClearBookings();
    modified_ = true;
}

bool Schedule::SwapSlots(int row, int slotA, int slotB) {
    modified_ = true;
    return grid_.SwapSlots(row, slotA, slotB);
}

bool Schedule::AddTeacherRow(Teacher* /*teacher*/) {
    grid_.AddRow();
    return true;
}

void Schedule::RemoveTeacherRow(int row) {
    grid_.RemoveRow(row);
}

int Schedule::GetNumSlots() const {
    return (end_.Seconds() - start_.Seconds()) / SlotLengthOf(event_.get());
}

int Schedule::GetSlotForTime(const TimeOfDay& time) const {
    if (time < start_ || time > end_) {
        return -1;
    }
    return (time.Seconds() - start_.Seconds()) / SlotLengthOf(event_.get());
}

void Schedule::GetSlotTime(int slot, TimeOfDay* out) const {
    if (out != nullptr) {
        *out = SlotToTime(slot);
    }
}

bool Schedule::GetSlotSpan(const TimeOfDay& start, const TimeOfDay& end, int* first,
                           int* last) const {
    *first = GetSlotForTime(start);
    *last = GetSlotForTime(end);
    if (*first < 0 || *last < 0) {
        return false;
    }
    // A span ending inside a slot takes that slot too.
    if (*last < GetNumSlots() && SlotToTime(*last) < end) {
        ++*last;
    }
    return true;
}

void Schedule::GetSlotsWithin(const TimeOfDay& from, const TimeOfDay& to, int* first,
                              int* last) const {
    const int length = SlotLengthOf(event_.get());
    const int slots = std::max(GetNumSlots(), 0);
    const int offsetFrom = from.Seconds() - start_.Seconds();
    const int offsetTo = to.Seconds() - start_.Seconds();
    *first = offsetFrom <= 0 ? 0 : std::min((offsetFrom + length - 1) / length, slots);
    *last = offsetTo <= 0 ? 0 : std::min(offsetTo / length, slots);
}

bool Schedule::GetSlotsTouched(const TimeOfDay& start, const TimeOfDay& end, int* first,
                               int* last) const {
    const int length = SlotLengthOf(event_.get());
    const int slots = std::max(GetNumSlots(), 0);
    const int offsetFrom = start.Seconds() - start_.Seconds();
    const int offsetTo = end.Seconds() - start_.Seconds();
    *first = offsetFrom <= 0 ? 0 : std::min(offsetFrom / length, slots);
    *last = offsetTo <= 0 ? 0 : std::min((offsetTo + length - 1) / length, slots);
    return *first < *last;
}

bool Schedule::IsSlotWithin(int slot, const TimeOfDay& from, const TimeOfDay& to) const {
    return !(SlotToTime(slot) < from) && !(to < SlotToTime(slot + 1));
}

bool Schedule::IsWithinOwnHours(const Attendee& attendee, const TimeOfDay& from,
                                const TimeOfDay& to) const {
    return attendee.IsAttending(this) &&
           (!attendee.ArrivesLate(this) || !(from < attendee.GetStartTime(this))) &&
           (!attendee.LeavesEarly(this) || !(attendee.GetEndTime(this) < to));
}

TimeOfDay Schedule::SlotToTime(int slot) const {
    TimeOfDay time;
    time.SetSeconds(start_.Seconds() + slot * SlotLengthOf(event_.get()));
    return time;
}

void Schedule::GetSlotDateTime(int slot, DateTime* out) const {
    if (out != nullptr) {
        *out = DateTime(date_, SlotToTime(slot));
    }
}

SlotStatus Schedule::GetParentSlotStatus(int slot, const Parent* parent) const {
    return ParentStatus(slot, parent, nullptr);
}

SlotStatus Schedule::ParentStatus(int slot, const Parent* parent, DayAvailability* known) const {
    if (parent == nullptr || slot < 0 || slot >= GetNumSlots()) {
        return SlotUnavailable;
    }
    // A booking stands even where the parent's own hours have since shrunk.
    if (grid_.ParentIsBooked(slot, parent)) {
        return SlotAppointment;
    }
    return known != nullptr ? known->Parent(slot, parent) : GetParentStatusAside(slot, parent);
}

SlotStatus Schedule::GetParentStatusAside(int slot, const Parent* parent) const {
    if (parent == nullptr || !parent->IsAttending(this)) {
        return SlotUnavailable;
    }
    // A slot the parent arrives or leaves during is not theirs: an appointment needs all of it.
    if (!IsSlotWithin(slot, parent->GetStartTime(this), parent->GetEndTime(this))) {
        return SlotUnavailable;
    }
    const TimeOfDay time = SlotToTime(slot);
    if (parent->IsAtPresentationDuring(date_, time, SlotToTime(slot + 1))) {
        return SlotPresentation;
    }
    return SlotFree;
}

SlotStatus Schedule::GetTeacherSlotStatus(int slot, int teacherRow) const {
    return TeacherStatus(slot, teacherRow, nullptr);
}

SlotStatus Schedule::TeacherStatus(int slot, int teacherRow, DayAvailability* known) const {
    if (slot < 0 || slot >= GetNumSlots()) {
        return SlotUnavailable;
    }
    if (grid_.HasBooking(slot, teacherRow)) {
        return SlotAppointment;
    }
    return known != nullptr ? known->Teacher(slot, teacherRow)
                            : GetTeacherStatusAside(slot, teacherRow);
}

SlotStatus Schedule::GetTeacherStatusAside(int slot, int teacherRow) const {
    const Teacher* teacher = TeacherAt(teacherRow);
    if (teacher == nullptr || !teacher->IsAttending(this)) {
        return SlotUnavailable;
    }
    if (!IsSlotWithin(slot, teacher->GetStartTime(this), teacher->GetEndTime(this))) {
        return SlotUnavailable;
    }
    const TimeOfDay time = SlotToTime(slot);
    if (teacher->HasBreakDuring(date_, time, SlotToTime(slot + 1))) {
        return SlotBreak;
    }
    if (teacher->IsAtPresentationDuring(date_, time, SlotToTime(slot + 1))) {
        return SlotPresentation;
    }
    return SlotFree;
}

SlotStatus Schedule::GetPersonSlotStatus(int slot, const Person* person) const {
    if (person == nullptr) {
        return SlotUnavailable;
    }
    if (person->GetKind() == PersonKind::Teacher) {
        if (!event_) {
            return SlotUnavailable;
        }
        int row = event_->GetTeachers().IndexOf(static_cast<const Teacher*>(person));
        return GetTeacherSlotStatus(slot, row);
    }
    if (person->GetKind() == PersonKind::Parent) {
        return GetParentSlotStatus(slot, static_cast<const Parent*>(person));
    }
    if (person->GetKind() == PersonKind::Pupil) {
        const Parent* parent = static_cast<const Pupil*>(person)->GetParent();
        return parent == nullptr ? SlotUnavailable : GetParentSlotStatus(slot, parent);
    }
    return SlotUnavailable;
}

SlotStatus Schedule::GetTalkSlotStatus(int slot, const Attendee& attendee,
                                       const Presentation& talk) const {
    const SlotStatus status = GetPersonSlotStatus(slot, &attendee);
    if (status != SlotUnavailable || slot < 0 || slot >= GetNumSlots() ||
        !IsWithinOwnHours(attendee, talk.GetStartTime(), talk.GetEndTime())) {
        return status;
    }
    // Only a slot they arrive or leave during is left: the talk lies within their hours and
    // touches it, so it meets their hours too.
    return attendee.IsAtPresentationDuring(date_, SlotToTime(slot), SlotToTime(slot + 1))
               ? SlotPresentation
               : SlotFree;
}

int Schedule::GetFirstParentSlot(const Parent* parent) const {
    int slots = GetNumSlots();
    for (int slot = 0; slot < slots; ++slot) {
        if (GetParentSlotStatus(slot, parent) == SlotAppointment) {
            return slot;
        }
    }
    return -1;
}

int Schedule::GetLastParentSlot(const Parent* parent) const {
    for (int slot = GetNumSlots() - 1; slot >= 0; --slot) {
        if (GetParentSlotStatus(slot, parent) == SlotAppointment) {
            return slot;
        }
    }
    return -1;
}

int Schedule::GetFirstAppointmentSlot(int teacherRow) const {
    int slots = GetNumSlots();
    for (int slot = 0; slot < slots; ++slot) {
        if (GetTeacherSlotStatus(slot, teacherRow) == SlotAppointment) {
            return slot;
        }
    }
    return -1;
}

int Schedule::GetLastAppointmentSlot(int teacherRow) const {
    for (int slot = GetNumSlots() - 1; slot >= 0; --slot) {
        if (GetTeacherSlotStatus(slot, teacherRow) == SlotAppointment) {
            return slot;
        }
    }
    return -1;
}

TimeOfDay Schedule::GetPersonStartTime(const Person* person) const {
    int slots = GetNumSlots();
    for (int slot = 0; slot < slots; ++slot) {
        SlotStatus status = GetPersonSlotStatus(slot, person);
        if (status == SlotAppointment || status == SlotPresentation) {
            return SlotToTime(slot);
        }
    }
    return TimeOfDay();
}

TimeOfDay Schedule::GetPersonEndTime(const Person* person) const {
    for (int slot = GetNumSlots() - 1; slot >= 0; --slot) {
        SlotStatus status = GetPersonSlotStatus(slot, person);
        if (status == SlotAppointment || status == SlotPresentation) {
            return SlotToTime(slot + 1);
        }
    }
    return TimeOfDay();
}

bool Schedule::TeacherHasAppointments(const Teacher* teacher) const {
    if (!event_ || teacher == nullptr) {
        return false;
    }
    int row = event_->GetTeachers().IndexOf(teacher);
    int slots = GetNumSlots();
    if (row < 0 || static_cast<unsigned>(row) >= grid_.GetRowCount()) {
        if (slots > 0) {
            grid_.GetBooking(0, row);  // reports the missing row once
        }
        return false;
    }
    for (int slot = 0; slot < slots; ++slot) {
        if (grid_.PeekBooking(slot, row) != nullptr) {
            return true;
        }
    }
    return false;
}

bool Schedule::ParentHasAppointments(const Parent* parent) const {
    int slots = GetNumSlots();
    for (int slot = 0; slot < slots; ++slot) {
        if (grid_.ParentIsBooked(slot, parent)) {
            return true;
        }
    }
    return false;
}

bool Schedule::PupilHasAppointments(const Pupil* pupil) const {
    int slots = GetNumSlots();
    for (int slot = 0; slot < slots; ++slot) {
        if (grid_.FindPupilBooking(slot, pupil, nullptr)) {
            return true;
        }
    }
    return false;
}

bool Schedule::IsRequestBooked(const AppointmentRequest* request, TimeOfDay* timeOut) const {
    if (!event_ || request == nullptr) {
        return false;
    }
    int row = event_->GetTeachers().IndexOf(request->GetTeacher());
    if (row < 0 || static_cast<unsigned>(row) >= grid_.GetRowCount()) {
        return false;
    }
    int slots = GetNumSlots();
    for (int slot = 0; slot < slots; ++slot) {
        const Appointment* booking = grid_.PeekBooking(slot, row);
        if (booking != nullptr && booking->GetRequest() == request) {
            if (timeOut != nullptr) {
                *timeOut = SlotToTime(slot);
            }
            return true;
        }
    }
    return false;
}

int Schedule::CountCommonSlots(const Attendee* a, const Attendee* b) const {
    if (a == nullptr || b == nullptr || !a->IsAttending(this) || !b->IsAttending(this)) {
        return 0;
    }
    int firstA = 0;
    int lastA = 0;
    int firstB = 0;
    int lastB = 0;
    GetSlotsWithin(a->GetStartTime(this), a->GetEndTime(this), &firstA, &lastA);
    GetSlotsWithin(b->GetStartTime(this), b->GetEndTime(this), &firstB, &lastB);
    return std::max(0, std::min(lastA, lastB) - std::max(firstA, firstB) - 1);
}

int Schedule::CountTeacherAvailableSlots(const Teacher* teacher) const {
    if (teacher == nullptr || !teacher->IsAttending(this)) {
        return 0;
    }
    int first = 0;
    int last = 0;
    GetSlotsWithin(teacher->GetStartTime(this), teacher->GetEndTime(this), &first, &last);
    int available = last - first;
    if (available <= 0) {
        return 0;
    }
    for (int slot = first; slot < last; ++slot) {
        if (teacher->HasBreakDuring(date_, SlotToTime(slot), SlotToTime(slot + 1))) {
            --available;
        }
    }
    return std::max(available, 0);
}

Teacher* Schedule::TeacherAt(int row) const {
    if (!event_ || row < 0) {
        return nullptr;
    }
    return event_->GetTeachers().Get(static_cast<unsigned>(row));
}

bool Schedule::RefuseWhenLocked(const char* action) const {
    if (!event_ || !event_->IsLocked()) {
        return false;
    }
    ReportMessage(SeverityError,
                  std::string("Cannot ") + action + " because the schedule is locked");
    return true;
}
