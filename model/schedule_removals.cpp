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

constexpr const char* kRemovePupil = "remove a pupil";
constexpr const char* kRemoveParent = "remove a parent";
constexpr const char* kRemoveTeacher = "remove a teacher";
constexpr const char* kRemoveAppointment = "remove an appointment";

// One booking to take out, named by one of its cells.
struct Target {
    int slot;
    int row;
    const Appointment* booking;
};

using Match = std::function<bool(const Appointment&)>;

const AppointmentRequest* RequestOf(const Appointment& booking) {
    return booking.GetRequest();
}

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
// changes, so a half-done removal never has to be explained. A removal that completes marks
// the day, even when there was nothing to take.
bool TakeOutWhere(Schedule& day, const char* action, int firstRow, int lastRow,
                  const Match& match) {
    AppointmentGrid& grid = day.GetGrid();
    std::vector<Target> targets = CollectBookings(grid, firstRow, lastRow, match);
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
    day.SetModified();
    return true;
}

bool TakeOutEverywhere(Schedule& day, const char* action, const Match& match) {
    return TakeOutWhere(day, action, 0, static_cast<int>(day.GetGrid().GetRowCount()), match);
}

}  // namespace

bool Schedule::RemovePupil(const Pupil* pupil) {
    if (pupil == nullptr || RefuseWhenLocked(kRemovePupil)) {
        return false;
    }
    return TakeOutEverywhere(*this, kRemovePupil, [pupil](const Appointment& booking) {
        return RequestOf(booking) != nullptr && RequestOf(booking)->GetPupil() == pupil;
    });
}

bool Schedule::RemoveParent(const Parent* parent) {
    if (parent == nullptr || RefuseWhenLocked(kRemoveParent)) {
        return false;
    }
    return TakeOutEverywhere(*this, kRemoveParent, [parent](const Appointment& booking) {
        return RequestOf(booking) != nullptr && RequestOf(booking)->GetParent() == parent;
    });
}

bool Schedule::RemoveRequest(const AppointmentRequest* request) {
    if (request == nullptr || RefuseWhenLocked(kRemoveAppointment)) {
        return false;
    }
    return TakeOutEverywhere(*this, kRemoveAppointment, [request](const Appointment& booking) {
        return RequestOf(booking) == request;
    });
}

bool Schedule::RemoveTeacher(const Teacher* teacher) {
    if (teacher == nullptr || RefuseWhenLocked(kRemoveTeacher)) {
        return false;
    }
    int row = event_ ? event_->GetTeachers().IndexOf(teacher) : -1;
    if (row < 0) {
        return true;
    }
    return TakeOutWhere(*this, kRemoveTeacher, row, row + 1,
                        [](const Appointment&) { return true; });
}

bool Schedule::RemoveRequestBooking(const Pupil* pupil, const Teacher* teacher,
                                    const std::string& subject) {
    if (pupil == nullptr || teacher == nullptr || RefuseWhenLocked(kRemoveAppointment)) {
        return false;
    }
    int row = event_ ? event_->GetTeachers().IndexOf(teacher) : -1;
    if (row < 0) {
        return true;
    }
    return TakeOutWhere(*this, kRemoveAppointment, row, row + 1, [&](const Appointment& booking) {
        const AppointmentRequest* request = RequestOf(booking);
        return request != nullptr && request->GetPupil() == pupil &&
               request->GetSubject() == subject;
    });
}

bool Schedule::RemoveAppointment(int slot, int teacherRow) {
    if (RefuseWhenLocked(kRemoveAppointment)) {
        return false;
    }
    if (slot < 0 || teacherRow < 0 || static_cast<unsigned>(slot) >= grid_.GetSlotCount() ||
        static_cast<unsigned>(teacherRow) >= grid_.GetRowCount()) {
        grid_.RemoveBooking(slot, teacherRow);  // reports the bad cell
        return false;
    }
    const Appointment* inCell = grid_.PeekBooking(slot, teacherRow);
    return TakeOutWhere(*this, kRemoveAppointment, teacherRow, teacherRow + 1,
                        [inCell](const Appointment& booking) { return &booking == inCell; });
}

bool Schedule::UnbookPersonAt(int slot, const Person* person) {
    if (person == nullptr) {
        return false;
    }
    if (person->GetKind() == PersonKind::Teacher) {
        int row = event_ ? event_->GetTeachers().IndexOf(static_cast<const Teacher*>(person)) : -1;
        return RemoveAppointment(slot, row);
    }
    if (person->GetKind() == PersonKind::Parent) {
        int row = grid_.FindParentRow(slot, static_cast<const Parent*>(person));
        return row >= 0 && RemoveAppointment(slot, row);
    }
    return false;
}
