// The plain-text reports of who is left out of the timetable.

#include "model/appointment_request.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"

namespace {

// The heading goes before the first line; the empty text stands alone.
class ReportText {
public:
    ReportText(const char* heading, const char* none) : heading_(heading), none_(none) {}

    void AddLine(const std::string& line) {
        if (text_.empty()) {
            text_ = heading_;
        }
        text_ += line;
        text_ += '\n';
    }
    std::string Finish() const { return text_.empty() ? none_ : text_; }

private:
    const char* heading_;
    const char* none_;
    std::string text_;
};

}  // namespace

bool MultiDaySchedule::TeacherBookedOnAnyDay(const Teacher* teacher) const {
    for (const auto& day : days_) {
        if (day->TeacherHasAppointments(teacher)) {
            return true;
        }
    }
    return false;
}

bool MultiDaySchedule::AttendsAnyDay(const Attendee* attendee) const {
    for (const auto& day : days_) {
        if (attendee->IsAttending(day.get())) {
            return true;
        }
    }
    return false;
}

std::string MultiDaySchedule::ReportTeachers(bool withAppointments, const char* heading,
                                             const char* none) const {
    if (!event_) {
        return std::string();
    }
    ReportText report(heading, none);
    const TeacherList& teachers = event_->GetTeachers();
    for (unsigned i = 0; i < teachers.Count(); ++i) {
        if (TeacherBookedOnAnyDay(teachers.At(i)) == withAppointments) {
            report.AddLine(teachers.At(i)->GetDisplayName());
        }
    }
    return report.Finish();
}

std::string MultiDaySchedule::ReportTeachersWithoutAppointments() const {
    return ReportTeachers(false, "The following teachers have no appointments:\n",
                          "All teachers have appointments\n");
}

std::string MultiDaySchedule::ReportTeachersWithAppointments() const {
    return ReportTeachers(true, "The following teachers have appointments:\n",
                          "No teachers have appointments\n");
}

std::string MultiDaySchedule::ReportParentsWithoutAppointments() const {
    if (!event_) {
        return std::string();
    }
    ReportText report("The following parents have no appointments:\n",
                      "All parents have appointments\n");
    for (const Parent* parent : AllParents()) {
        if (AttendsAnyDay(parent) && !parent->HasRequests()) {
            report.AddLine(parent->GetDisplayName());
        }
    }
    return report.Finish();
}

std::string MultiDaySchedule::ReportPupilsWithoutAppointments() const {
    if (!event_) {
        return std::string();
    }
    ReportText report("The following pupils have no appointments:\n",
                      "All pupils have appointments\n");
    for (const Parent* parent : AllParents()) {
        if (!AttendsAnyDay(parent)) {
            continue;
        }
        for (unsigned p = 0; p < parent->GetPupilCount(); ++p) {
            const Pupil* pupil = parent->GetPupil(p);
            if (pupil != nullptr && pupil->GetRequestCount() == 0) {
                report.AddLine(pupil->GetDisplayName());
            }
        }
    }
    return report.Finish();
}

std::string MultiDaySchedule::ReportUnbookedRequests() const {
    if (!event_) {
        return std::string();
    }
    ReportText report("The following appointments are unbooked:\n",
                      "All appointments are booked\n");
    ForEachEventRequest([&](Parent*, Pupil* pupil, AppointmentRequest* request) {
        if (IsRequestBooked(request)) {
            return;
        }
        const Teacher* teacher = request->GetTeacher();
        report.AddLine(pupil->GetDisplayName() + " wants to see teacher " +
                       (teacher != nullptr ? teacher->GetDisplayName() : std::string()));
    });
    return report.Finish();
}

bool MultiDaySchedule::IsIdle(const Person* person) const {
    if (person == nullptr || !event_) {
        return true;
    }
    const PersonKind kind = person->GetKind();
    if (kind == PersonKind::Teacher) {
        return !TeacherBookedOnAnyDay(static_cast<const Teacher*>(person));
    }
    if (kind == PersonKind::Parent) {
        const Parent* parent = static_cast<const Parent*>(person);
        return AttendsAnyDay(parent) && !parent->HasRequests();
    }
    if (kind == PersonKind::Pupil) {
        return static_cast<const Pupil*>(person)->GetRequestCount() == 0;
    }
    return true;
}
