#include "gui/people/people_edits.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "foundation/uc_error.h"
#include "model/appointment.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/person_list.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

int ReadLeadingInt(const std::string& text) {
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > 1000000000L) {
        return 1000000000;
    }
    if (value < -1000000000L) {
        return -1000000000;
    }
    return static_cast<int>(value);
}

int PriorityFromText(const std::string& text, int unchosen) {
    if (text == "Low") {
        return 0;
    }
    if (text == "Normal") {
        return 1;
    }
    return text == "High" ? 2 : unchosen;
}

int LongestDaySlots(const MultiDaySchedule& days) {
    int longest = 0;
    for (unsigned i = 0; i < days.GetDayCount(); ++i) {
        longest = std::max(longest, days.GetDay(i)->GetNumSlots());
    }
    return longest;
}

bool ReadRequestEntry(const TeacherList& teachers, EditMode mode, const RequestFields& fields,
                      int maxLength, RequestEntry* out) {
    RequestEntry entry;
    if (mode == EditMode::Add) {
        entry.teacher = teachers.FindByNameOrInitials(fields.teacher);
        if (entry.teacher == nullptr) {
            ReportMessage(SeverityError, "Teacher name not known, please try again");
            return false;
        }
        entry.subject = fields.subject;
    }
    if (!fields.useTeacherLength) {
        entry.length = ReadLeadingInt(fields.length);
        if (entry.length < 1) {
            ReportMessage(SeverityError, "The requested length must be greater than zero");
            return false;
        }
        // A longer request could never be booked on any day.
        if (maxLength > 0 && entry.length > maxLength) {
            ReportMessage(SeverityError, "The requested length must be no more than " +
                                             std::to_string(maxLength) +
                                             " slots, the length of the longest day");
            return false;
        }
    }
    entry.priority = PriorityFromText(fields.priority, fields.unchosenPriority);
    *out = entry;
    return true;
}

std::string RequestLine(const MultiDaySchedule& days, const Pupil& pupil, unsigned index) {
    const AppointmentRequest* request = pupil.GetRequest(index);
    if (request == nullptr) {
        return std::string();
    }
    std::string line = request->GetTeacher() ? request->GetTeacher()->GetName() : std::string();
    if (!request->GetSubject().empty()) {
        line += " (" + request->GetSubject() + ")";
    }
    const std::string slots = request->GetOwnLength() > 0
                                  ? " (" + std::to_string(request->GetOwnLength()) + " slots)"
                                  : std::string();
    DateTime when;
    if (days.FindAppointment(&pupil, static_cast<int>(index), &when)) {
        line += " at " + when.GetTime().Format(Time12h);
        if (days.GetDayCount() > 1) {
            line += " on " + when.GetDate().FormatLong();
        }
        return line + slots;
    }
    return line + slots + " (not booked yet)";
}

std::string TaughtByLine(const Pupil& pupil, unsigned index) {
    const Teacher* teacher = pupil.GetTaughtByTeacher(index);
    std::string line = teacher ? teacher->GetName() : std::string();
    const std::string subject = pupil.GetTaughtBySubject(index);
    return subject.empty() ? line : line + " (" + subject + ")";
}

bool AddPupilRequest(Pupil& pupil, const RequestEntry& entry) {
    if (entry.teacher == nullptr) {
        return false;
    }
    if (pupil.FindRequest(entry.teacher, entry.subject) != nullptr) {
        std::string message =
            "This pupil is already requesting an appointment with " + entry.teacher->GetName();
        if (!entry.subject.empty()) {
            message += " about subject '" + entry.subject + "'";
        }
        ReportMessage(SeverityError, message);
        return false;
    }
    return pupil.AddRequest(entry.teacher, entry.subject, entry.priority, entry.length);
}

bool ChangeRequest(MultiDaySchedule& days, Pupil& pupil, unsigned index, int priority, int length) {
    AppointmentRequest* request = pupil.GetRequest(index);
    if (request == nullptr) {
        return false;
    }
    // 0 (a file may hold it) and -1 both mean the teacher's length, which the editor shows as
    // one: left so, the stored value and the booking stay.
    if (length <= 0 && request->GetOwnLength() <= 0) {
        length = request->GetOwnLength();
    }
    if (length != request->GetOwnLength() &&
        days.FindBooking(&pupil, request->GetTeacher(), request->GetSubject()) &&
        !days.RemoveAppointment(&pupil, request->GetTeacher(), request->GetSubject())) {
        // A booking of the old length stays, so the old length must too.
        return false;
    }
    request->SetPriority(priority);
    request->SetLength(length);
    return true;
}

bool RemovePupilRequest(MultiDaySchedule& days, Pupil& pupil, unsigned index) {
    const AppointmentRequest* request = pupil.GetRequest(index);
    if (request == nullptr) {
        return false;
    }
    Teacher* teacher = request->GetTeacher();
    const std::string subject = request->GetSubject();
    if (days.FindBooking(&pupil, teacher, subject) &&
        !days.RemoveAppointment(&pupil, teacher, subject)) {
        return false;
    }
    return pupil.DeleteRequest(teacher, subject);
}

bool PupilBelongsToEvent(const MultiDaySchedule& days, const Pupil& pupil) {
    const Event* event = days.GetEvent().get();
    const Parent* parent = pupil.GetParent();
    if (event == nullptr || parent == nullptr || event->GetParents().IndexOf(parent) < 0) {
        return false;
    }
    for (unsigned i = 0; i < parent->GetPupilCount(); ++i) {
        if (parent->GetPupil(i) == &pupil) {
            return true;
        }
    }
    return false;
}

bool ParentBelongsToEvent(const MultiDaySchedule& days, const Parent& parent) {
    const Event* event = days.GetEvent().get();
    return event != nullptr && event->GetParents().IndexOf(&parent) >= 0;
}

bool CanBookByHand(const MultiDaySchedule& days, const Pupil& pupil, unsigned index) {
    if (pupil.GetRequest(index) == nullptr) {
        return false;
    }
    if (!PupilBelongsToEvent(days, pupil)) {
        ReportMessage(SeverityError,
                      "Appointments can be booked by hand once the pupil and its parents have "
                      "been added to the event - please press OK first");
        return false;
    }
    if (days.FindAppointment(&pupil, static_cast<int>(index))) {
        ReportMessage(SeverityError, "This appointment is still booked and cannot be booked again");
        return false;
    }
    return true;
}

namespace {

// The parents need no gaps while a time is chosen by hand; the old mode comes back however
// the choice ends.
class GapModeScope {
public:
    explicit GapModeScope(Parent* parent) : parent_(parent) {
        if (parent_) {
            saved_ = parent_->GetGapMode();
            parent_->SetGapMode(AdjacentParentAppointments);
        }
    }
    ~GapModeScope() {
        if (parent_) {
            parent_->SetGapMode(saved_);
        }
    }
    GapModeScope(const GapModeScope&) = delete;
    GapModeScope& operator=(const GapModeScope&) = delete;

private:
    Parent* parent_;
    ParentGapMode saved_ = TryParentGaps;
};

int TeacherRowOf(const MultiDaySchedule& days, const AppointmentRequest& request) {
    const Event* event = days.GetEvent().get();
    return event ? event->GetTeachers().IndexOf(request.GetTeacher()) : -1;
}

}  // namespace

std::vector<DateTime> UnfitTimes(const MultiDaySchedule& days, const Pupil& pupil, unsigned index) {
    std::vector<DateTime> unfit;
    AppointmentRequest* request = pupil.GetRequest(index);
    if (request == nullptr) {
        return unfit;
    }
    const int row = TeacherRowOf(days, *request);
    auto booking = std::make_shared<Appointment>(request);
    GapModeScope noGaps(pupil.GetParent());
    for (unsigned d = 0; d < days.GetDayCount(); ++d) {
        const Schedule* day = days.GetDay(d);
        for (int slot = 0; slot < day->GetNumSlots(); ++slot) {
            if (row < 0 || !day->CanPlaceAppointment(booking, row, slot)) {
                DateTime when;
                day->GetSlotDateTime(slot, &when);
                unfit.push_back(when);
            }
        }
    }
    return unfit;
}

bool BookRequestAt(MultiDaySchedule& days, const Pupil& pupil, unsigned index,
                   const DateTime& when) {
    if (!CanBookByHand(days, pupil, index)) {
        return false;
    }
    AppointmentRequest* request = pupil.GetRequest(index);
    const int row = TeacherRowOf(days, *request);
    GapModeScope noGaps(pupil.GetParent());
    if (row < 0 || !days.BookAtTime(std::make_shared<Appointment>(request), row, when)) {
        // A locked timetable has already said why; a second message would only repeat it.
        if (days.GetEvent()->IsLocked()) {
            return false;
        }
        ReportMessage(SeverityError, "The appointment could not be booked at " +
                                         when.GetTime().Format(Time12h) + " on " +
                                         when.GetDate().FormatLong());
        return false;
    }
    return true;
}

std::string ParentKeyClash(const ParentList& parents, const Parent* self,
                           const std::string& identifier, const std::string& name) {
    // The event finds parents by identifier, or by name when they have none: both must be free.
    for (const std::string* key : {&identifier, &name}) {
        const Parent* other = parents.FindByKey(*key);
        if (other != nullptr && other != self) {
            return "The parents \"" + other->GetName() + "\" already have the identifier \"" +
                   *key + "\"";
        }
    }
    return std::string();
}

std::vector<std::string> BookedLines(const Schedule& day, const Parent& parent) {
    std::vector<std::string> lines;
    for (int slot = 0; slot < day.GetNumSlots(); ++slot) {
        std::shared_ptr<Appointment> booking =
            day.GetGrid().FindParentBooking(slot, &parent, nullptr);
        if (!booking || booking->GetRequest() == nullptr) {
            continue;
        }
        const AppointmentRequest* request = booking->GetRequest();
        std::string line = request->GetTeacher() ? request->GetTeacher()->GetName() : "";
        if (parent.GetPupilCount() > 1) {
            line += " about " +
                    (request->GetPupil() ? request->GetPupil()->GetName() : std::string("UNKNOWN"));
        }
        TimeOfDay time;
        day.GetSlotTime(slot, &time);
        lines.push_back(line + " at " + time.Format(Time12h));
    }
    return lines;
}

DayAttendance ReadDayAttendance(const Attendee& attendee, const Schedule& day) {
    DayAttendance values;
    values.attending = attendee.IsAttending(&day);
    values.arrivesLate = attendee.ArrivesLate(&day);
    values.arrival = attendee.GetStartTime(&day);
    values.leavesEarly = attendee.LeavesEarly(&day);
    values.departure = attendee.GetEndTime(&day);
    return values;
}

bool WriteDayAttendance(Attendee& attendee, const Schedule& day, const DayAttendance& values) {
    return attendee.SetDayAttendance(&day, {values.attending, values.arrivesLate, values.arrival,
                                            values.leavesEarly, values.departure});
}

AttendanceCounts CountAttendance(const Event& event, const Presentation* presentation) {
    AttendanceCounts counts;
    for (unsigned i = 0; i < event.GetTeachers().Count(); ++i) {
        counts.teachers += event.GetTeachers().At(i)->AttendsPresentation(presentation) ? 1 : 0;
    }
    for (unsigned i = 0; i < event.GetParents().Count(); ++i) {
        counts.parents += event.GetParents().At(i)->AttendsPresentation(presentation) ? 1 : 0;
    }
    return counts;
}

namespace {

bool ChoosePresentations(MultiDaySchedule& days, Attendee& attendee,
                         const std::vector<Presentation*>& chosen) {
    const Event* event = days.GetEvent().get();
    if (event == nullptr) {
        return false;
    }
    // In the person's own order, which the event file keeps.
    std::vector<Presentation*> before;
    for (unsigned i = 0; i < attendee.GetPresentations().Count(); ++i) {
        before.push_back(attendee.GetPresentations().GetPresentation(i));
    }
    // One attended already and still chosen stays as stored: the checks are for new choices,
    // and a day shortened or an absence since must not keep the person from being saved.
    const auto attendedBefore = [&before](const Presentation* presentation) {
        return std::find(before.begin(), before.end(), presentation) != before.end();
    };
    for (unsigned i = 0; i < event->GetPresentations().Count(); ++i) {
        attendee.RemovePresentation(event->GetPresentations().GetPresentation(i));
    }
    for (Presentation* presentation : chosen) {
        if (attendedBefore(presentation)) {
            attendee.AddPresentation(presentation);
        }
    }
    // Try the whole choice on the list alone; bookings go only once all of it fits.
    for (Presentation* presentation : chosen) {
        if (attendedBefore(presentation)) {
            continue;
        }
        if (!CanAttendPresentation(days, attendee, *presentation)) {
            for (Presentation* tried : chosen) {
                attendee.RemovePresentation(tried);
            }
            for (Presentation* kept : before) {
                attendee.RemovePresentation(kept);
            }
            for (Presentation* kept : before) {
                attendee.AddPresentation(kept);
            }
            ReportMessage(SeverityError,
                          "Cannot attend presentation '" + presentation->GetName() + "'");
            return false;
        }
        attendee.AddPresentation(presentation);
    }
    for (Presentation* presentation : chosen) {
        attendee.RemovePresentation(presentation);
    }
    for (Presentation* presentation : chosen) {
        if (attendedBefore(presentation)) {
            attendee.AddPresentation(presentation);
            continue;
        }
        if (!days.AttendPresentation(&attendee, presentation)) {
            ReportMessage(SeverityError,
                          "Cannot attend presentation '" + presentation->GetName() + "'");
            return false;
        }
    }
    return true;
}

}  // namespace

bool SetPresentationsAttended(MultiDaySchedule& days, Attendee& attendee,
                              const std::vector<Presentation*>& chosen) {
    // A talk chosen takes the person's bookings in its slots: the school is told which.
    const MultiDaySchedule::HeldBookings held = days.GetBookings();
    const bool chosenAll = ChoosePresentations(days, attendee, chosen);
    days.ReportBookingsGivenUp(held);
    return chosenAll;
}

std::vector<std::string> AttendAll(MultiDaySchedule& days, const std::vector<Attendee*>& people,
                                   Presentation* presentation) {
    const MultiDaySchedule::HeldBookings held = days.GetBookings();
    std::vector<std::string> refused;
    for (Attendee* person : people) {
        if (person->AttendsPresentation(presentation)) {
            continue;
        }
        if (!CanAttendPresentation(days, *person, *presentation) ||
            !days.AttendPresentation(person, presentation)) {
            refused.push_back(person->GetDisplayName());
        }
    }
    days.ReportBookingsGivenUp(held);
    return refused;
}
