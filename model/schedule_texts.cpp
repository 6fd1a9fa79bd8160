#include <string>

#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/parent.h"
#include "model/person_csv_export.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

// The appointments export has this many appointment columns; shorter texts are padded.
constexpr int kAppointmentColumns = 20;

const char* PriorityWord(int priority) {
    switch (priority) {
        case 0:
            return "Low";
        case 1:
            return "Medium";
        case 2:
            return "High";
        default:
            return "";
    }
}

}  // namespace

std::string Schedule::FormatAppointmentText(const Parent* parent) const {
    std::string text;
    if (!event_) {
        return text;
    }
    int entries = 0;
    int slots = GetNumSlots();
    for (int slot = 0; slot < slots; ++slot) {
        int row = grid_.FindParentRow(slot, parent);
        const Appointment* booking = grid_.PeekBooking(slot, row);
        if (booking == nullptr) {
            continue;
        }
        const Teacher* teacher = TeacherAt(row);
        std::string entry = "At " + SlotToTime(slot).Format(Time12h) + " you are seeing ";
        if (teacher != nullptr) {
            entry += teacher->GetName();
            if (!teacher->GetLocation().empty()) {
                entry += " (" + teacher->GetLocation() + ")";
            }
        }
        const Pupil* pupil = booking->GetRequest() ? booking->GetRequest()->GetPupil() : nullptr;
        if (parent->GetPupilCount() != 1 && pupil != nullptr) {
            entry += " about " + pupil->GetDisplayName();
        }
        // Names may hold quotes; the field must still read back as one.
        text += CsvExportFile::Quote(entry) + ",";
        ++entries;
    }
    for (; entries < kAppointmentColumns; ++entries) {
        text += ",";
    }
    return text;
}

ICalendar Schedule::MakeEventICalendar() const {
    ICalendar calendar;
    calendar.SetDate(date_);
    calendar.SetStartTime(start_);
    calendar.SetEndTime(end_);
    if (event_) {
        calendar.SetSummary(event_->GetName() + ", " + event_->GetSchoolName());
        calendar.SetLocation(event_->GetSchoolName());
        calendar.SetMailTo(event_->GetEmailServerSettings().GetFromAddress());
        calendar.SetOwner(event_->GetName());
    }
    return calendar;
}

ICalendar Schedule::MakePersonICalendar(const Person* person) const {
    ICalendar calendar = MakeEventICalendar();
    if (person != nullptr) {
        TimeOfDay start = GetPersonStartTime(person);
        TimeOfDay end = GetPersonEndTime(person);
        // A talk that runs before or past the evening's slots is in the calendar whole.
        const Attendee* attendee = nullptr;
        if (person->GetKind() == PersonKind::Pupil) {
            attendee = static_cast<const Pupil*>(person)->GetParent();
        } else if (person->GetKind() == PersonKind::Teacher ||
                   person->GetKind() == PersonKind::Parent) {
            attendee = static_cast<const Attendee*>(person);
        }
        bool have = !(start == TimeOfDay() && end == TimeOfDay());
        for (unsigned i = 0; attendee != nullptr && i < attendee->GetPresentations().Count(); ++i) {
            const Presentation* talk = attendee->GetPresentations().GetPresentation(i);
            int first = 0;
            int last = 0;
            if (talk == nullptr || talk->GetDate() != date_ ||
                !GetSlotsTouched(talk->GetStartTime(), talk->GetEndTime(), &first, &last)) {
                continue;
            }
            if (!have || talk->GetStartTime() < start) {
                start = talk->GetStartTime();
            }
            if (!have || end < talk->GetEndTime()) {
                end = talk->GetEndTime();
            }
            have = true;
        }
        calendar.SetStartTime(start);
        calendar.SetEndTime(end);
        // Two people of one name are told apart by their unique ids.
        calendar.SetOwner((event_ ? event_->GetName() : std::string()) + '\n' +
                          person->GetUniqueIdOrName());
    }
    return calendar;
}

bool Schedule::ExportRequestsCSV(const char* fileName) const {
    if (fileName == nullptr || *fileName == '\0') {
        ReportMessage(SeverityError, "Cannot write to file ''");
        return false;
    }
    CsvExportFile file(fileName);
    if (!file.IsOpen()) {
        return false;
    }
    if (event_) {
        const ParentList& parents = event_->GetParents();
        for (unsigned p = 0; p < parents.Count(); ++p) {
            const Parent* parent = parents.Get(p);
            for (unsigned i = 0; parent != nullptr && i < parent->GetPupilCount(); ++i) {
                const Pupil* pupil = parent->GetPupil(i);
                for (unsigned r = 0; pupil != nullptr && r < pupil->GetRequestCount(); ++r) {
                    const AppointmentRequest* request = pupil->GetRequest(r);
                    const Teacher* teacher = request->GetTeacher();
                    file.WriteRow({pupil->GetName(), teacher ? teacher->GetName() : "",
                                   PriorityWord(request->GetPriority())});
                }
            }
        }
    }
    return file.Commit();
}
