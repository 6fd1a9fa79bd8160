#include "import/csv_import_run.h"

#include <memory>
#include <string>
#include <vector>

#include "foundation/string_functions.h"
#include "foundation/string_tokeniser.h"
#include "foundation/time_of_day.h"
#include "foundation/uc_error.h"
#include "model/attendance_record.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"

namespace {

// Only the first two days take attendance from a file.
constexpr int kAttendanceDays = 2;

bool IsDigitChar(char c) {
    return c >= '0' && c <= '9';
}

// "am" or "pm" as offices write them ("PM", "p.m.", "p"): its first letter, or '\0'.
char DayHalf(const std::string& text) {
    std::string letters;
    for (const char c : text) {
        if (c != '.' && c != ' ') {
            letters += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
    }
    if (letters == "am" || letters == "a") {
        return 'a';
    }
    if (letters == "pm" || letters == "p") {
        return 'p';
    }
    return '\0';
}

}  // namespace

bool ReadImportedTime(const std::string& text, TimeOfDay& time) {
    if (time.Parse(text.c_str())) {
        return true;
    }
    // Beyond what the event file writes: an hour with am or pm and no minutes ("6pm"), and
    // seconds after the minutes ("18:00:00", "6:00:00 PM"), as spreadsheets write times.
    size_t i = 0;
    while (i < text.size() && i < 2 && IsDigitChar(text[i])) {
        ++i;
    }
    if (i == 0) {
        return false;
    }
    const std::string hours = text.substr(0, i);
    std::string minutes;
    if (i + 2 < text.size() && (text[i] == ':' || text[i] == '.') && IsDigitChar(text[i + 1]) &&
        IsDigitChar(text[i + 2])) {
        minutes = text.substr(i + 1, 2);
        i += 3;
        if (i + 2 < text.size() && text[i] == ':' && text[i + 1] >= '0' && text[i + 1] <= '5' &&
            IsDigitChar(text[i + 2])) {
            i += 3;  // the slots count whole minutes
        }
    }
    const std::string rest = text.substr(i);
    const char half = DayHalf(rest);
    if ((half == '\0' && rest.find_first_not_of(' ') != std::string::npos) ||
        (minutes.empty() && half == '\0')) {
        return false;
    }
    std::string plain = hours + ":" + (minutes.empty() ? "00" : minutes);
    if (half != '\0') {
        plain += half == 'a' ? "am" : "pm";
    }
    TimeOfDay read;
    if (!read.Parse(plain.c_str())) {
        return false;
    }
    time = read;
    return true;
}

namespace {

// A time the file gives but no reader understands is named: left out quietly, a teacher would
// seem to stay to the end of the day and be booked after leaving.
void SetTime(bool& flag, TimeOfDay& time, const std::string& text, const char* which,
             std::vector<std::string>& unread) {
    if (text.empty()) {
        return;
    }
    TimeOfDay read;
    if (ReadImportedTime(text, read)) {
        flag = true;
        time = read;
    } else {
        unread.push_back(std::string(which) + " time '" + text + "'");
    }
}

}  // namespace

std::string SplitSurnameFirst(const std::string& fullName) {
    // Words as the tokeniser reads them: blanks between words collapse and a quoted word may
    // hold blanks.
    StringTokeniser tokens(fullName);
    tokens.SetSeparator(' ');
    std::string surname;
    std::string forename;
    if (!tokens.NextToken(&surname)) {
        return std::string();
    }
    if (!tokens.NextToken(&forename)) {
        return surname;
    }
    return forename + " " + surname;
}

CSVImportRun::CSVImportRun(const ImporterCSV& definition) : pupils_(definition.IsPupils()) {
    SetIgnoreFirstLine(definition.GetIgnoreFirstLine());
    for (int i = 0; i < definition.GetColumnCount(); ++i) {
        columns_.push_back(definition.GetColumnType(i));
    }
}

bool CSVImportRun::Import(bool& more) {
    std::vector<std::string> fields;
    if (const LineRead read = ReadFields(more, fields); read != LineRead::Fields) {
        return read != LineRead::Failed;
    }

    MultiDaySchedule& target = *GetTarget();
    std::unique_ptr<Teacher> teacher;
    std::unique_ptr<Pupil> pupil;
    Parent parentTemplate;
    Attendee* attendee = nullptr;
    if (pupils_) {
        pupil = std::make_unique<Pupil>();
        attendee = &parentTemplate;
    } else {
        teacher = std::make_unique<Teacher>();
        attendee = teacher.get();
    }
    AttendancePlan plans[kAttendanceDays];
    int arrivals = 0;
    int departures = 0;
    int attendings = 0;
    std::string name;
    std::string title;
    std::vector<std::string> unread;

    for (size_t i = 0; i < fields.size(); ++i) {
        const CSVColumnType type = i < columns_.size() ? columns_[i] : CSVUnused;
        const std::string field = TrimImported(fields[i]);
        switch (type) {
            case CSVFullName:
                name = field;
                break;
            case CSVFullNameSurnameFirst:
                name = SplitSurnameFirst(field);
                break;
            case CSVForename:
                name = TrimImported(field + " " + name);
                break;
            case CSVSurname:
                name = TrimImported(name + " " + field);
                break;
            case CSVEmail:
                attendee->SetEmail(field);
                break;
            case CSVEmailAlt:
                attendee->SetEmailAlt(field);
                break;
            case CSVForm:
                if (pupil) {
                    pupil->SetForm(field);
                }
                break;
            case CSVHouse:
                if (pupil) {
                    pupil->SetHouse(field);
                }
                break;
            case CSVParentName:
                parentTemplate.SetName(field);
                break;
            case CSVLocation:
                if (teacher) {
                    teacher->SetLocation(field);
                }
                break;
            case CSVInitials:
                if (teacher) {
                    teacher->SetInitials(field);
                }
                break;
            case CSVSubject:
                if (teacher && !field.empty()) {
                    teacher->AddSubject(field);
                }
                break;
            case CSVTitle:
                title = field;
                break;
            case CSVAddress1:
            case CSVAddress2:
            case CSVAddress3:
            case CSVAddress4:
            case CSVAddress5:
                parentTemplate.SetAddress(type - CSVAddress1, field);
                break;
            case CSVArrivalTime:
                if (arrivals < kAttendanceDays) {
                    SetTime(plans[arrivals].arrivesLate, plans[arrivals].arrival, field, "arrival",
                            unread);
                }
                ++arrivals;
                break;
            case CSVDepartureTime:
                if (departures < kAttendanceDays) {
                    SetTime(plans[departures].leavesEarly, plans[departures].departure, field,
                            "departure", unread);
                }
                ++departures;
                break;
            case CSVIsAttending:
                if (attendings < kAttendanceDays) {
                    plans[attendings].attending =
                        field.empty() || (field[0] != 'N' && field[0] != 'n');
                }
                ++attendings;
                break;
            case CSVUniqueId:
                if (teacher) {
                    teacher->SetUniqueId(field);
                } else {
                    parentTemplate.SetUniqueId(field);
                }
                break;
            case CSVMeetingLink:
                if (teacher) {
                    teacher->SetMeetingLink(field);
                }
                break;
            case CSVPupilEmail:
                if (pupil) {
                    pupil->SetEmail(field);
                }
                break;
            case CSVUnused:
                break;
        }
    }
    if (name.empty()) {
        return true;
    }
    if (!title.empty()) {
        name = title + " " + name;
    }
    for (const std::string& what : unread) {
        ReportMessage(SeverityWarning,
                      StringPrintf("The %s of '%s' on line %u of the file is not understood, so "
                                   "the day's own is kept",
                                   what.c_str(), name.c_str(), GetRecordLine()));
    }
    for (int d = 0; d < kAttendanceDays; ++d) {
        const Schedule* day = target.GetDay(static_cast<unsigned>(d));
        if (day == nullptr) {
            break;
        }
        // A day not attended has no hours for its times to miss: the person is simply absent.
        AttendancePlan fitted = plans[d];
        if (fitted.attending &&
            !FitAttendancePlan(fitted, day->GetStartTime(), day->GetEndTime())) {
            // Marking the family absent would hide that the file and the event's hours
            // disagree; the office decides which is wrong.
            ReportMessage(
                SeverityError,
                DescribePlanWithoutTime(name, day->GetDate(), plans[d], day->GetStartTime(),
                                        day->GetEndTime()) +
                    StringPrintf(", so line %u of the file cannot be imported", GetRecordLine()));
            more = false;
            return false;
        }
        attendee->FitDayAttendance(day, plans[d]);
    }
    if (teacher) {
        if (teacher->GetSubjects().empty()) {
            teacher->AddSubject(std::string());
        }
        teacher->SetName(name);
        if (!AddTeacher(std::move(teacher))) {
            more = false;
            return false;
        }
        return true;
    }
    pupil->SetName(name);
    if (!CreateParentForPupil(std::move(pupil), parentTemplate)) {
        more = false;
        return false;
    }
    return true;
}
