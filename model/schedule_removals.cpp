#include <cstring>
#include <functional>
#include <vector>

#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

// One booking to take out, named by one of its cells.
struct Target {
    int slot;
    int row;
    const Appointment* booking;
};

using Match = std::function<bool(const Appointment&)>;

// Every booking in rows [firstRow, lastRow) that matches, once each however many cells it covers.
// The whole grid is searched, not only the day's current hours, so no cell is left pointing
// at a request that is about to go.
std::vector<Target> CollectBookings(const AppointmentGrid& grid, int firstRow, int lastRow,
                                    const Match& match) {
    std::vector<Target> targets;
    int slots = static_cast<int>(grid.GetSlotCount());
    for (int row = firstRow; row < lastRow; ++row) {
        const Appointment* previous = nullptr;
        for (int slot = 0; slot < slots; ++slot) {
            const Appointment* booking = grid.PeekBooking(slot, row);
            if (booking != nullptr && booking != previous && match(*booking)) {
                targets.push_back({slot, row, booking});
            }
            previous = booking;
        }
    }
    return targets;
}

// Removals refuse whole: when any booking they would take is locked, one message and nothing
// changes, so a half-done removal never has to be explained.
bool TakeOut(AppointmentGrid& grid, const std::vector<Target>& targets, const char* action) {
    for (const Target& target : targets) {
        if (target.booking->IsLocked()) {
            ReportMessage(SeverityError,
                          std::string("Cannot ") + action + " because the schedule is locked");
            return false;
        }
    }
    for (const Target& target : targets) {
        grid.RemoveBooking(target.slot, target.row);
    }
    return true;
}

}  // namespace

bool Schedule::RemovePupil(const Pupil* pupil) {
    static const char* kAction = "remove a pupil";
    if (pupil == nullptr) {
        return false;
    }
    if (RefuseWhenLocked(kAction)) {
        return false;
    }
    auto targets = CollectBookings(
        grid_, 0, static_cast<int>(grid_.GetRowCount()), [pupil](const Appointment& booking) {
            return booking.GetRequest() != nullptr && booking.GetRequest()->GetPupil() == pupil;
        });
    if (!TakeOut(grid_, targets, kAction)) {
        return false;
    }
    modified_ = true;
    return true;
}

bool Schedule::RemoveParent(const Parent* parent) {
    static const char* kAction = "remove a parent";
    if (parent == nullptr) {
        return false;
    }
    if (RefuseWhenLocked(kAction)) {
        return false;
    }
    auto targets = CollectBookings(
        grid_, 0, static_cast<int>(grid_.GetRowCount()), [parent](const Appointment& booking) {
            return booking.GetRequest() != nullptr && booking.GetRequest()->GetParent() == parent;
        });
    if (!TakeOut(grid_, targets, kAction)) {
        return false;
    }
    modified_ = true;
    return true;
}

bool Schedule::RemoveTeacher(const Teacher* teacher) {
    static const char* kAction = "remove a teacher";
    if (teacher == nullptr) {
        return false;
    }
    if (RefuseWhenLocked(kAction)) {
        return false;
    }
    int row = event_ ? event_->GetTeachers().IndexOf(teacher) : -1;
    if (row < 0) {
        return true;
    }
    auto targets = CollectBookings(grid_, row, row + 1, [](const Appointment&) { return true; });
    if (!TakeOut(grid_, targets, kAction)) {
        return false;
    }
    modified_ = true;
    return true;
}

bool Schedule::RemoveAppointment(int slot, int teacherRow) {
    static const char* kAction = "remove an appointment";
    if (RefuseWhenLocked(kAction)) {
        return false;
    }
    if (slot < 0 || teacherRow < 0 || static_cast<unsigned>(slot) >= grid_.GetSlotCount() ||
        static_cast<unsigned>(teacherRow) >= grid_.GetRowCount()) {
        grid_.RemoveBooking(slot, teacherRow);  // reports the bad cell
        return false;
    }
    std::vector<Target> targets;
    if (const Appointment* booking = grid_.PeekBooking(slot, teacherRow)) {
        targets.push_back({slot, teacherRow, booking});
    }
    if (!TakeOut(grid_, targets, kAction)) {
        return false;
    }
    modified_ = true;
    return true;
}

bool Schedule::RemoveRequestBooking(const Pupil* pupil, const Teacher* teacher,
                                    const std::string& subject) {
    static const char* kAction = "remove an appointment";
    if (pupil == nullptr || teacher == nullptr) {
        return false;
    }
    if (RefuseWhenLocked(kAction)) {
        return false;
    }
    int row = event_ ? event_->GetTeachers().IndexOf(teacher) : -1;
    if (row < 0) {
        return true;
    }
    auto targets = CollectBookings(grid_, row, row + 1, [&](const Appointment& booking) {
        const AppointmentRequest* request = booking.GetRequest();
        return request != nullptr && request->GetPupil() == pupil &&
               request->GetSubject() == subject;
    });
    if (!TakeOut(grid_, targets, kAction)) {
        return false;
    }
    modified_ = true;
    return true;
}

bool Schedule::RemoveRequest(const AppointmentRequest* request) {
    static const char* kAction = "remove an appointment";
    if (request == nullptr) {
        return false;
    }
    if (RefuseWhenLocked(kAction)) {
        return false;
    }
    auto targets = CollectBookings(
        grid_, 0, static_cast<int>(grid_.GetRowCount()),
        [request](const Appointment& booking) { return booking.GetRequest() == request; });
    if (!TakeOut(grid_, targets, kAction)) {
        return false;
    }
    modified_ = true;
    return true;
}

bool Schedule::UnbookPersonAt(int slot, const Person* person) {
    if (person == nullptr) {
        return false;
    }
    if (std::strcmp(person->GetClassName(), "Teacher") == 0) {
        int row = event_ ? event_->GetTeachers().IndexOf(static_cast<const Teacher*>(person)) : -1;
        return row >= 0 && RemoveAppointment(slot, row);
    }
    if (std::strcmp(person->GetClassName(), "Parent") == 0) {
        if (RefuseWhenLocked("remove an appointment")) {
            return false;
        }
        int row = grid_.FindParentRow(slot, static_cast<const Parent*>(person));
        return row >= 0 && RemoveAppointment(slot, row);
    }
    return false;
}
