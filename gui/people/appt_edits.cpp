#include "gui/people/appt_edits.h"

#include "foundation/uc_error.h"
#include "gui/people/people_edits.h"
#include "model/appointment.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

std::string ApptBoxLabel(const std::string& base, int priority) {
    switch (priority) {
        case 0:
            return base + " (Lo)";
        case 1:
            return base + "        ";
        case 2:
            return base + " (Hi)";
        default:
            return base;
    }
}

int PriorityAfterUntick(int priority) {
    switch (priority) {
        case 0:
            return 1;
        case 1:
            return 2;
        case 2:
            return 0;
        default:
            return priority;
    }
}

std::string PairLabel(const std::string& name, const std::string& subject) {
    return subject.empty() ? name : name + " (" + subject + ")";
}

std::vector<RequestPair> PupilPairs(const TeacherList& teachers, const Pupil* pupil) {
    const bool allPairs = pupil == nullptr || pupil->GetTaughtByCount() == 0;
    std::vector<RequestPair> pairs;
    for (unsigned t = 0; t < teachers.Count(); ++t) {
        Teacher* teacher = teachers.At(t);
        for (const std::string& subject : teacher->GetSubjects()) {
            if (allPairs || pupil->IsTaughtBy(teacher, subject)) {
                pairs.push_back({teacher, subject});
            }
        }
    }
    return pairs;
}

BoxView ViewRequestBox(const Pupil& pupil, const Teacher* teacher, const std::string& subject,
                       bool locked) {
    BoxView view;
    const AppointmentRequest* request = pupil.FindRequest(teacher, subject);
    view.checked = request != nullptr;
    view.enabled = !(locked && request != nullptr);
    if (request != nullptr) {
        view.priority = request->GetPriority();
    }
    return view;
}

bool ApplyRequestBox(MultiDaySchedule& days, Pupil& pupil, Teacher* teacher,
                     const std::string& subject, bool checked, int priority) {
    AppointmentRequest* request = pupil.FindRequest(teacher, subject);
    if (request != nullptr && checked) {
        const bool changed = request->GetPriority() != priority;
        request->SetPriority(priority);
        return changed;
    }
    if (request != nullptr) {
        // A refused unbooking shows below: the request is still booked.
        (void)days.RemoveAppointment(&pupil, teacher, subject);
        // A booking the model kept would point at a deleted request.
        if (days.IsRequestBooked(request)) {
            return false;
        }
        return pupil.DeleteRequest(teacher, subject);
    }
    if (checked) {
        return pupil.AddRequest(teacher, subject, priority, -1);
    }
    return false;
}

void GatherSortedPupils(const Event& event, PupilList& pupils) {
    const ParentList& parents = event.GetParents();
    for (unsigned p = 0; p < parents.Count(); ++p) {
        Parent* parent = parents.At(p);
        for (unsigned i = 0; i < parent->GetPupilCount(); ++i) {
            Pupil* pupil = parent->GetPupil(i);
            pupil->SetParent(parent);
            pupils.Append(pupil);
        }
    }
    pupils.Sort();
}

unsigned FindPupilIndex(const PupilList& pupils, const Pupil* pupil) {
    for (unsigned i = 0; pupil != nullptr && i < pupils.Count(); ++i) {
        if (pupils.At(i) == pupil) {
            return i;
        }
    }
    return 0;
}

unsigned StepIndex(unsigned index, unsigned count, int step) {
    if (count == 0) {
        return 0;
    }
    if (step < 0) {
        return index == 0 ? count - 1 : index - 1;
    }
    return index + 1 >= count ? 0 : index + 1;
}

unsigned StepToOtherForm(const PupilList& pupils, unsigned index, int step) {
    const unsigned count = pupils.Count();
    if (index >= count) {
        return index;
    }
    const std::string form = pupils.At(index)->GetForm();
    unsigned at = StepIndex(index, count, step);
    while (at != index && pupils.At(at)->GetForm() == form) {
        at = StepIndex(at, count, step);
    }
    return at;
}

std::string CheckTeacherFields(const TeacherList& teachers, const Teacher* self,
                               const std::string& name, const std::string& initials,
                               const std::string& lengthText, const std::string& shownLength,
                               int maxLength) {
    if (name.empty()) {
        return "Please enter a name for this teacher";
    }
    const Teacher* found = teachers.FindByNameOrInitials(name);
    if (found != nullptr && found != self) {
        return "There is already a teacher called \"" + name + "\"";
    }
    found = teachers.FindByNameOrInitials(initials);
    if (found != nullptr && found != self) {
        return "There is already a teacher with the initials \"" + initials + "\"";
    }
    // A file's length or a day shortened since must not keep the teacher from being saved.
    if (lengthText == shownLength) {
        return {};
    }
    const int length = ReadLeadingInt(lengthText);
    if (length < 1) {
        return "Invalid appointment length - please enter a number greater than zero";
    }
    // A longer appointment could never be booked on any day.
    if (maxLength > 0 && length > maxLength) {
        return "Invalid appointment length - please enter a number no greater than " +
               std::to_string(maxLength) + ", the slots of the longest day";
    }
    return {};
}

std::vector<std::string> TeacherBookingLines(const Schedule& day, const TeacherList& teachers,
                                             const Teacher* teacher) {
    std::vector<std::string> lines;
    const int row = teachers.IndexOf(teacher);
    const AppointmentGrid& grid = day.GetGrid();
    if (row < 0 || static_cast<unsigned>(row) >= grid.GetRowCount()) {
        return lines;
    }
    for (unsigned slot = 0; slot < grid.GetSlotCount(); ++slot) {
        const Appointment* booking = grid.PeekBooking(static_cast<int>(slot), row);
        const AppointmentRequest* request = booking ? booking->GetRequest() : nullptr;
        if (request == nullptr || request->GetPupil() == nullptr) {
            continue;
        }
        const Pupil* pupil = request->GetPupil();
        const Parent* parent = request->GetParent() ? request->GetParent() : pupil->GetParent();
        std::string line =
            (parent ? parent->GetName() : std::string()) + " about " + pupil->GetDisplayName();
        if (!request->GetSubject().empty()) {
            line += " (" + request->GetSubject() + ")";
        }
        line += " at " + day.SlotToTime(static_cast<int>(slot)).Format(Time12h);
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> TeacherBreakLines(const Teacher& teacher, const Schedule& day,
                                           bool severalDays) {
    std::vector<std::string> lines;
    for (const DateTime& when : teacher.GetBreaks()) {
        if (when.GetDate() == day.GetDate()) {
            std::string line = when.GetTime().Format(Time12h);
            if (severalDays) {
                line += ", " + when.GetDate().FormatLong();
            }
            lines.push_back(line);
        }
    }
    return lines;
}
