#include "import/csv_import_run.h"

#include <algorithm>
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

DayTime ReadTimeWithinDay(const std::string& text, const TimeOfDay& dayStart,
                          const TimeOfDay& dayEnd, TimeOfDay& time) {
    TimeOfDay read;
    if (!ReadImportedTime(text, read)) {
        return DayTime::Unread;
    }
    const auto within = [&](const TimeOfDay& t) { return dayStart <= t && t <= dayEnd; };
    // Offices write "7:00" for seven in the evening. A time that says am or pm, or an hour past
    // noon, means what it says, and the day's own hours settle it.
    const bool saysHalf = text.find_first_of("aApP") != std::string::npos;
    if (within(read) || saysHalf || read.Hours() >= 12) {
        time = read;
        return DayTime::Read;
    }
    TimeOfDay evening;
    evening.SetSeconds(read.Seconds() + 12 * 3600);
    if (within(evening)) {
        time = evening;
        return DayTime::ReadAsEvening;
    }
    return DayTime::OutsideDay;
}

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
    // The n-th column of each kind is the n-th day's, on every day the event has.
    std::vector<std::string> arrivals;
    std::vector<std::string> departures;
    std::vector<std::string> attendings;
    std::string name;
    std::string title;

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
                arrivals.push_back(field);
                break;
            case CSVDepartureTime:
                departures.push_back(field);
                break;
            case CSVIsAttending:
                attendings.push_back(field);
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
    const unsigned line = GetRecordLine();
    std::vector<std::string> notes;
    const auto note = [&](const char* what, const std::string& text, const std::string& why) {
        notes.push_back(StringPrintf("The %s '%s' of '%s' on line %u of the file %s", what,
                                     text.c_str(), name.c_str(), line, why.c_str()));
    };
    const size_t columnDays = std::max({arrivals.size(), departures.size(), attendings.size()});
    for (size_t d = target.GetDayCount(); d < columnDays; ++d) {
        const std::string why =
            StringPrintf("is for day %u, and the event has %u, so it is not kept",
                         static_cast<unsigned>(d + 1), target.GetDayCount());
        if (d < arrivals.size() && !arrivals[d].empty()) {
            note("arrival time", arrivals[d], why);
        }
        if (d < departures.size() && !departures[d].empty()) {
            note("departure time", departures[d], why);
        }
        if (d < attendings.size() && !attendings[d].empty()) {
            note("attendance", attendings[d], why);
        }
    }
    std::vector<AttendancePlan> plans;
    // Per day, the times without am or pm that the day's hours hold neither way, named when
    // the person comes that day.
    std::vector<std::vector<std::string>> outside;
    for (unsigned d = 0; d < target.GetDayCount(); ++d) {
        const Schedule* day = target.GetDay(d);
        const TimeOfDay start = day->GetStartTime();
        const TimeOfDay end = day->GetEndTime();
        AttendancePlan plan;
        outside.emplace_back();
        const auto readTime = [&](const std::vector<std::string>& texts, const char* what,
                                  bool& flag, TimeOfDay& time) {
            if (d >= texts.size() || texts[d].empty()) {
                return;
            }
            switch (ReadTimeWithinDay(texts[d], start, end, time)) {
                case DayTime::Read:
                    flag = true;
                    break;
                case DayTime::ReadAsEvening:
                    flag = true;
                    // On a day that starts in the morning, an arrival written before its start
                    // may mean the morning too; the office is told which was taken.
                    if (&flag == &plan.arrivesLate && start.Hours() < 12) {
                        outside.back().push_back(StringPrintf(
                            "The %s '%s' of '%s' on line %u of the file is read as %s, within "
                            "the hours of %s (%s to %s)",
                            what, texts[d].c_str(), name.c_str(), line,
                            time.Format(Time12h).c_str(), day->GetDate().FormatLong().c_str(),
                            start.Format(Time12h).c_str(), end.Format(Time12h).c_str()));
                    }
                    break;
                case DayTime::Unread:
                    note(what, texts[d], "is not understood, so the day's own is kept");
                    break;
                case DayTime::OutsideDay:
                    outside.back().push_back(StringPrintf(
                        "The %s '%s' of '%s' on line %u of the file lies outside the hours of "
                        "%s (%s to %s), so the day's own is kept",
                        what, texts[d].c_str(), name.c_str(), line,
                        day->GetDate().FormatLong().c_str(), start.Format(Time12h).c_str(),
                        end.Format(Time12h).c_str()));
                    break;
            }
        };
        readTime(arrivals, "arrival time", plan.arrivesLate, plan.arrival);
        readTime(departures, "departure time", plan.leavesEarly, plan.departure);
        if (d < attendings.size()) {
            const std::string& field = attendings[d];
            // Spreadsheets write a check box as TRUE or FALSE and a flag as 1 or 0.
            const std::string folded = FoldASCIICase(field);
            const bool no =
                !field.empty() && (folded[0] == 'n' || folded == "false" || folded == "0");
            const bool yes = field.empty() || folded[0] == 'y' || folded == "true" || folded == "1";
            plan.attending = !no;
            if (!no && !yes) {
                note("attendance", field, "is not understood, so the day's own is kept");
            }
        }
        plans.push_back(plan);
    }
    for (const std::string& text : notes) {
        ReportMessage(SeverityWarning, text);
    }
    for (unsigned d = 0; d < plans.size(); ++d) {
        const Schedule* day = target.GetDay(d);
        // A day not attended has no hours for its times to miss: the person is simply absent.
        AttendancePlan fitted = plans[d];
        if (fitted.attending &&
            !FitAttendancePlan(fitted, day->GetStartTime(), day->GetEndTime())) {
            // Marking the family absent would hide that the file and the event's hours
            // disagree; the office decides which is wrong.
            ReportMessage(SeverityError,
                          DescribePlanWithoutTime(name, day->GetDate(), plans[d],
                                                  day->GetStartTime(), day->GetEndTime()) +
                              StringPrintf(", so line %u of the file cannot be imported", line));
            more = false;
            return false;
        }
    }
    for (unsigned d = 0; d < plans.size(); ++d) {
        // Left out quietly, a time the day cannot hold would make a teacher seem to stay to the
        // end of the day and be booked after leaving; a day not attended misses nothing.
        for (const std::string& text : outside[d]) {
            if (plans[d].attending) {
                ReportMessage(SeverityWarning, text);
            }
        }
        attendee->FitDayAttendance(target.GetDay(d), plans[d]);
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
