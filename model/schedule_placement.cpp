#include <algorithm>

#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/parent.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

const Parent* ParentOf(const std::shared_ptr<Appointment>& booking) {
    const AppointmentRequest* request = booking ? booking->GetRequest() : nullptr;
    return request ? request->GetParent() : nullptr;
}

}  // namespace

bool Schedule::CheckParentGap(const std::shared_ptr<Appointment>& booking, int teacherRow,
                              int slot, DayAvailability* known) const {
    if (slot < 0 || slot >= GetNumSlots()) {
        return true;
    }
    const Parent* parent = ParentOf(booking);
    if (parent == nullptr) {
        return false;
    }
    SlotStatus status = ParentStatus(slot, parent, known);
    if (status == SlotUnavailable || status == SlotFree) {
        return true;
    }
    if (status != SlotAppointment) {
        return false;  // a presentation keeps the parent as busy as an appointment does
    }
    if (parent->GetGapMode() == AdjacentParentAppointments) {
        return true;
    }
    int otherRow = grid_.FindParentRow(slot, parent);
    if (otherRow < 0) {
        return false;
    }
    // Staying with the same teacher needs no time to move.
    if (otherRow == teacherRow) {
        return true;
    }
    if (parent->GetGapMode() == GapOnLocationChange) {
        const Teacher* here = TeacherAt(teacherRow);
        const Teacher* there = TeacherAt(otherRow);
        return here != nullptr && there != nullptr && here->GetLocation() == there->GetLocation();
    }
    return false;
}

bool Schedule::CanPlaceAppointment(const std::shared_ptr<Appointment>& booking, int teacherRow,
                                   int slot, DayAvailability* known) const {
    const int slots = GetNumSlots();
    if (slot < 0 || slot >= slots || !booking || booking->GetRequest() == nullptr) {
        return false;
    }
    const Parent* parent = ParentOf(booking);
    if (parent == nullptr) {
        ReportMessage(SeverityWarning, "Detected appointment with no parent");
        return false;
    }
    if (teacherRow < 0 || teacherRow >= static_cast<int>(grid_.GetRowCount())) {
        return false;
    }
    const int length = booking->GetRequest()->GetLength();
    for (int i = 0; i < length; ++i) {
        if (TeacherStatus(slot + i, teacherRow, known) != SlotFree ||
            ParentStatus(slot + i, parent, known) != SlotFree) {
            return false;
        }
    }
    if (parent->GetGapMode() == AdjacentParentAppointments) {
        return true;
    }
    return CheckParentGap(booking, teacherRow, slot - 1, known) &&
           CheckParentGap(booking, teacherRow, slot + length, known);
}

bool Schedule::BookInFirstFreeSlot(const std::shared_ptr<Appointment>& booking, int teacherRow,
                                   int* slotOut, DayAvailability* known) {
    const Teacher* teacher = TeacherAt(teacherRow);
    if (teacher == nullptr || !booking || booking->GetRequest() == nullptr) {
        return false;
    }
    const Parent* parent = ParentOf(booking);
    if (parent == nullptr) {
        ReportMessage(SeverityWarning, "Detected appointment with no parent");
        return false;
    }
    // Only the slots both have whole (the placement asks each cell's status too).
    int teacherFirst = 0;
    int teacherEnd = 0;
    int parentFirst = 0;
    int parentEnd = 0;
    GetSlotsWithin(teacher->GetStartTime(this), teacher->GetEndTime(this), &teacherFirst,
                   &teacherEnd);
    GetSlotsWithin(parent->GetStartTime(this), parent->GetEndTime(this), &parentFirst, &parentEnd);
    const int first = std::max(teacherFirst, parentFirst);
    const int end = std::min(teacherEnd, parentEnd);
    for (int s = first; s < end; ++s) {
        if (CanPlaceAppointment(booking, teacherRow, s, known)) {
            if (!grid_.PutBooking(s, teacherRow, booking)) {
                return false;
            }
            if (slotOut != nullptr) {
                *slotOut = s;
            }
            SetModified();
            return true;
        }
    }
    return false;
}

bool Schedule::BookAt(const std::shared_ptr<Appointment>& booking, int teacherRow, int slot) {
    if (!CanPlaceAppointment(booking, teacherRow, slot) ||
        !grid_.PutBooking(slot, teacherRow, booking)) {
        return false;
    }
    SetModified();
    return true;
}

bool Schedule::MoveCheck(int teacherRow, int fromSlot, int toSlot) {
    const Appointment* found = grid_.PeekBooking(fromSlot, teacherRow);
    if (found == nullptr || found->IsLocked() || found->GetFirstSlot() != fromSlot) {
        return false;
    }
    std::shared_ptr<Appointment> booking = grid_.RemoveBooking(fromSlot, teacherRow);
    if (!booking) {
        return false;
    }
    bool ok = CanPlaceAppointment(booking, teacherRow, toSlot);
    if (!grid_.PutBooking(fromSlot, teacherRow, booking)) {
        ReportMessage(SeverityError,
                      "Internal error: Cannot re-insert appointment during move check");
        return false;
    }
    return ok;
}

bool Schedule::SwapCheck(int teacherRow, int slotA, int slotB) {
    if (slotA == slotB) {
        return false;
    }
    const Appointment* foundA = grid_.PeekBooking(slotA, teacherRow);
    const Appointment* foundB = grid_.PeekBooking(slotB, teacherRow);
    if (foundA == nullptr || foundB == nullptr || foundA == foundB ||
        foundA->GetFirstSlot() != slotA || foundB->GetFirstSlot() != slotB) {
        return false;
    }
    // A locked booking cannot be taken out to try the swap, and the swap itself would refuse it.
    if (foundA->IsLocked() || foundB->IsLocked()) {
        return false;
    }
    std::shared_ptr<Appointment> a = grid_.RemoveBooking(slotA, teacherRow);
    std::shared_ptr<Appointment> b = grid_.RemoveBooking(slotB, teacherRow);
    bool ok = false;
    if (a && b) {
        ok = CanPlaceAppointment(a, teacherRow, slotB);
        if (ok) {
            if (grid_.PutBooking(slotB, teacherRow, a)) {
                ok = CanPlaceAppointment(b, teacherRow, slotA);
                grid_.RemoveBooking(slotB, teacherRow);
            } else {
                ok = false;
            }
        }
    }
    bool restoredA = !a || grid_.PutBooking(slotA, teacherRow, a);
    bool restoredB = !b || grid_.PutBooking(slotB, teacherRow, b);
    if (!restoredA || !restoredB) {
        ReportMessage(SeverityError,
                      "Internal error: cannot re-insert appointments during swap check");
        return false;
    }
    return ok && a && b;
}
