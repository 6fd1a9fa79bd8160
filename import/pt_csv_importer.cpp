#include "import/pt_csv_importer.h"

#include <array>

#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/pupil.h"
#include "model/teacher.h"

namespace {

constexpr std::array<const char*, 10> kPTTypeNames = {
    "<Unused>",
    "Pupil's Full Name",
    "Pupil's Forename",
    "Pupil's Surname",
    "Teacher's Full Name",
    "Teacher's Forename",
    "Teacher's Surname",
    "Teacher's Title / Salutation",
    "Appointment Priority",
    "Subject",
};

int PriorityFromText(const std::string& text) {
    const char first = text.empty() ? '\0' : text[0];
    if (first == 'H' || first == 'h') {
        return 2;
    }
    if (first == 'L' || first == 'l') {
        return 0;
    }
    return 1;
}

}  // namespace

std::string ImporterPTCSVMapping::GetColumnTypeName(int type) const {
    if (type < 0 || type >= static_cast<int>(kPTTypeNames.size())) {
        return "Unknown";
    }
    return kPTTypeNames[static_cast<size_t>(type)];
}

bool ImporterPTCSVMapping::HasColumnType(int type) const {
    for (int i = 0; i < GetCount(); ++i) {
        if (GetAt(i) == type) {
            return true;
        }
    }
    return false;
}

ImporterPTCSV::ImporterPTCSV(const ImporterPTCSVMapping& mapping, ListKind kind) : kind_(kind) {
    for (int i = 0; i < mapping.GetCount(); ++i) {
        columns_.push_back(mapping.GetAt(i));
    }
}

bool ImporterPTCSV::Import(bool& more) {
    std::vector<std::string> fields;
    if (const LineRead read = ReadFields(more, fields); read != LineRead::Fields) {
        return read != LineRead::Failed;
    }
    std::string pupilName;
    std::string teacherName;
    std::string title;
    std::string subject;
    // Each line's own: a line that stops before its priority column is not as high as the last.
    int priority = priority_;
    for (size_t i = 0; i < fields.size() && i < columns_.size(); ++i) {
        const std::string field = TrimImported(fields[i]);
        switch (columns_[i]) {
            case PTCSVPupilFullName:
                pupilName = field;
                break;
            case PTCSVPupilForename:
                pupilName = TrimImported(field + " " + pupilName);
                break;
            case PTCSVPupilSurname:
                pupilName = TrimImported(pupilName + " " + field);
                break;
            case PTCSVTeacherFullName:
                teacherName = field;
                break;
            case PTCSVTeacherForename:
                teacherName = TrimImported(field + " " + teacherName);
                break;
            case PTCSVTeacherSurname:
                teacherName = TrimImported(teacherName + " " + field);
                break;
            case PTCSVTeacherTitle:
                title = field;
                break;
            case PTCSVPriority:
                priority = PriorityFromText(field);
                break;
            case PTCSVSubject:
                subject = field;
                break;
            default:
                break;
        }
    }
    if (!title.empty()) {
        teacherName = title + " " + teacherName;
    }
    teacherName = TrimImported(teacherName);
    if (teacherName.empty()) {
        return true;
    }
    Event& event = *GetTarget()->GetEvent();
    Teacher* teacher = event.GetTeachers().FindByNameOrInitials(teacherName);
    if (teacher == nullptr) {
        ReportMessage(SeverityWarning, "Teacher '" + teacherName + "' is not currently defined");
        more = false;
        return false;
    }
    pupilName = TrimImported(pupilName);
    if (pupilName.empty()) {
        return true;
    }
    bool shared = false;
    Pupil* pupil = event.GetParents().FindPupil(pupilName, &shared);
    if (pupil == nullptr) {
        ReportMessage(SeverityWarning, "Pupil '" + pupilName + "' is not currently defined");
        more = false;
        return false;
    }
    if (shared) {
        // Given to the first, the request would be another family's and the right one none.
        ReportMessage(SeverityWarning,
                      StringPrintf("More than one pupil is called '%s', so line %u of the file "
                                   "is not imported",
                                   pupilName.c_str(), GetRecordLine()));
        return true;
    }
    if (kind_ == RequestList) {
        if (pupil->FindRequest(teacher, subject) == nullptr) {
            pupil->AddRequest(teacher, subject, priority, -1);
            event.SetModified();
        }
    } else if (!pupil->IsTaughtBy(teacher, subject)) {
        pupil->AddTaughtBy(teacher, subject);
        event.SetModified();
    }
    ++linesImported_;
    return true;
}
