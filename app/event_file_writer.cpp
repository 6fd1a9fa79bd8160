#include "app/event_file_writer.h"

#include <cstring>
#include <set>
#include <span>

#include "app/event_file_format.h"
#include "foundation/atomic_file.h"
#include "foundation/file_lock.h"
#include "foundation/md5.h"
#include "foundation/percent_encoding.h"
#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/importer_base.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

constexpr const char* kNoDaysMessage = "Cannot save: event contains no days";

// A key with an escaped text; nothing when the text is empty.
void AppendEscapedIfAny(std::string& out, const char* key, const std::string& text) {
    if (!text.empty()) {
        out += FormatKeyString(key, EscapeOptionText(text));
    }
}

void AppendEscaped(std::string& out, const char* key, const std::string& text) {
    out += FormatKeyString(key, EscapeOptionText(text));
}

// A person's name as a person made from it has it: people trim their names.
std::string PersonName(const std::string& name) {
    const char* const blanks = " \t\r\n\v\f";
    const size_t begin = name.find_first_not_of(blanks);
    return begin == std::string::npos
               ? std::string()
               : name.substr(begin, name.find_last_not_of(blanks) + 1 - begin);
}

// The line that starts a presentation, teacher or parent: its name alone, quoted.
void AppendBlockName(std::string& out, const std::string& name) {
    out += '"';
    out += EscapeOptionText(name);
    out += "\"\n";
}

// The key's line, found in the section's table by its written name.
template <typename Target>
void AppendTextKey(std::string& out, std::span<const TextKey<Target>> keys, const char* key,
                   const Target& target) {
    const TextKey<Target>* entry = FindTextKey(keys, key);
    if (entry != nullptr) {
        out += FormatTextKey(*entry, target);
    }
}

template <typename Target>
void AppendAllTextKeys(std::string& out, std::span<const TextKey<Target>> keys,
                       const Target& target) {
    for (const TextKey<Target>& entry : keys) {
        out += FormatTextKey(entry, target);
    }
}

const char* ParentPrintOrderWord(ParentPrintOrder order) {
    switch (order) {
        case ParentPrintByPupilName:
            return "PupilName";
        case ParentPrintByPupilForm:
            return "PupilForm";
        default:
            return "ParentName";
    }
}

}  // namespace

std::string EventFileWriter::CheckedText() const {
    if (!schedule_.GetEvent()) {
        return std::string();
    }
    if (schedule_.GetDayCount() == 0 || schedule_.GetDay(0) == nullptr) {
        ReportMessage(SeverityError, kNoDaysMessage);
        return std::string();
    }
    return FormatEventFile();
}

std::string EventFileWriter::FormatEventFile() const {
    const std::shared_ptr<Event>& event = schedule_.GetEvent();
    if (!event) {
        return std::string();
    }
    if (schedule_.GetDayCount() == 0 || schedule_.GetDay(0) == nullptr) {
        ReportMessage(SeverityError, kNoDaysMessage);
        return std::string();
    }
    // Afresh: the event may have changed since this writer last looked.
    IndexBookings();
    std::string text = FormatHead();
    text += "\nTeachers:\n";
    const TeacherList& teachers = event->GetTeachers();
    for (unsigned i = 0; i < teachers.Count(); ++i) {
        text += FormatTeacher(teachers.Get(i));
    }
    text += "\nParents:\n";
    const ParentList& parents = event->GetParents();
    for (unsigned i = 0; i < parents.Count(); ++i) {
        text += FormatParent(parents.Get(i));
    }
    return text;
}

std::string EventFileWriter::FormatHead() const {
    const std::shared_ptr<Event>& event = schedule_.GetEvent();
    std::string text = FormatEventSection();
    for (unsigned i = 1; i < schedule_.GetDayCount(); ++i) {
        const Schedule* day = schedule_.GetDay(i);
        if (day == nullptr) {
            continue;
        }
        text += "\nExtraDay:\n";
        text += FormatKeyTime("Starts", day->GetStartTime());
        text += FormatKeyTime("Ends", day->GetEndTime());
        text += FormatKeyInt("Day", day->GetDate().Day());
        text += FormatKeyInt("Month", day->GetDate().Month());
        text += FormatKeyInt("Year", day->GetDate().Year());
    }

    const PresentationList& presentations = event->GetPresentations();
    if (presentations.Count() > 0) {
        text += "\nPresentations:\n";
        for (unsigned i = 0; i < presentations.Count(); ++i) {
            const Presentation* presentation = presentations.GetPresentation(i);
            if (presentation == nullptr) {
                continue;
            }
            AppendBlockName(text, presentation->GetName());
            AppendEscapedIfAny(text, "location", presentation->GetLocation());
            TimeOfDay start;
            TimeOfDay end;
            presentation->GetTimes(&start, &end);
            text += "times \"";
            text += presentation->GetDate().FormatLong();
            text += "\" ";
            text += FormatTimeValue(start);
            text += ' ';
            text += FormatTimeValue(end);
            text += '\n';
        }
    }
    return text;
}

std::string EventFileWriter::FormatEventSection() const {
    const Event& event = *schedule_.GetEvent();
    const Schedule& firstDay = *schedule_.GetDay(0);
    const PrintSettings& print = event.GetPrintSettings();
    const ScheduleOptions& options = event.GetOptions();

    const auto keys = EventTextKeys();
    std::string text = "Event:\n";
    AppendTextKey(text, keys, "Name", event);
    text += FormatKeyTime("Starts", firstDay.GetStartTime());
    text += FormatKeyTime("Ends", firstDay.GetEndTime());
    AppendTextKey(text, keys, "PNotes", event);
    text += FormatKeyInt("Day", firstDay.GetDate().Day());
    text += FormatKeyInt("Month", firstDay.GetDate().Month());
    text += FormatKeyInt("Year", firstDay.GetDate().Year());
    for (const TextKey<Event>& entry : keys) {
        // From the role words to the web address, in table order.
        if (std::strcmp(entry.key, "Name") != 0 && std::strcmp(entry.key, "PNotes") != 0 &&
            std::strcmp(entry.key, "Logo") != 0) {
            text += FormatTextKey(entry, event);
        }
    }

    const int slotLength = event.GetSlotLength();
    if (slotLength % 60 == 0) {
        text += FormatKeyInt("SlotLength", slotLength / 60);
    } else {
        text += FormatKeyInt("SlotLengthSecs", slotLength);
    }
    switch (event.GetChosenParentGapMode()) {
        case EnforceParentGaps:
            text += "EnforceParentGaps\n";
            break;
        case AdjacentParentAppointments:
            text += "AdjacentParentAppointments\n";
            break;
        case GapOnLocationChange:
            text += "GapOnLocationChange\n";
            break;
        default:
            break;
    }
    if (event.IsLocked()) {
        text += "Locked\n";
    }
    const ScheduleOptions defaults{};
    for (const OptionNumberKey& number : ScheduleNumberKeys()) {
        if (options.*number.member != defaults.*number.member) {
            text += FormatKeyInt(number.key, options.*number.member);
        }
    }
    for (const OptionFlagKey& flag : ScheduleFlagKeys()) {
        if (options.*flag.member) {
            text += flag.key;
            text += '\n';
        }
    }
    const ScoreCompareSwitches& switches = event.GetScoreSwitches();
    if (switches.unbooked) {
        text += "ScoreCompareUnbooked\n";
    }
    if (switches.attendance) {
        text += "ScoreCompareAttendance\n";
    }

    const EmailServerSettings& server = event.GetEmailServerSettings();
    AppendTextKey(text, ServerTextKeys(), "SMTPServer", server);
    if (server.GetConnectionType() == SMTPWithTLS) {
        text += "SMTPTLS\n";
    } else if (server.GetConnectionType() == SMTPOverSSL) {
        text += "SMTPSSL\n";
    }
    if (server.GetNeedsAuth()) {
        text += "EmailServerNeedsAuth\n";
    }
    if (server.GetVerifyServer()) {
        text += "EmailServerVerify\n";
    }
    if (server.GetPort() != EmailServerSettings{}.GetPort()) {
        text += FormatKeyInt("EmailPort", server.GetPort());
    }
    AppendTextKey(text, ServerTextKeys(), "EmailFrom", server);
    AppendTextKey(text, keys, "Logo", event);

    text += FormatOptionFloat("APSSmallFontSize", print.GetSmallFontSize());
    text += FormatOptionBool("APSUseSansSerif", print.GetUseSansSerif());
    text += FormatOptionBool("APSSmallTeacherFont", print.GetSmallTeacherFont());
    text += FormatOptionBool("APSOneParentPerSheet", print.GetOneParentPerSheet());
    text += FormatOptionBool("APSQRCodes", print.GetQRCodes());
    text +=
        FormatOptionWord("APSParentPrintOrder", ParentPrintOrderWord(print.GetParentPrintOrder()));
    const PrintSettings printDefaults;
    for (const PrintChoiceKey& choice : PrintChoiceKeys()) {
        if ((print.*choice.get)() != (printDefaults.*choice.get)()) {
            text += FormatOptionBool(choice.key, (print.*choice.get)());
        }
    }
    // The flag line can only say "on"; files without it verify, so "off" is said outright.
    if (!server.GetVerifyServer()) {
        text += FormatOptionBool("EmailServerVerify", false);
    }
    if (server.GetProvider() == EmailProviderGMail) {
        text += FormatOptionWord("EmailProvider", "GMail");
    } else if (server.GetProvider() == EmailProviderOffice365) {
        text += FormatOptionWord("EmailProvider", "Office365");
    }
    text += FormatOptionBool("AskParentTimes", event.GetAskParentTimes());
    // The flag above only ever turns this on; the option keeps an off switch off, and readers
    // that do not know it skip it.
    if (!options.BringTwinsTogether) {
        text += FormatOptionBool("BringTwinsTogether", false);
    }

    for (unsigned i = 0; event.GetTeacherImporter(i) != nullptr; ++i) {
        const std::string line = event.GetTeacherImporter(i)->GetSavedDefinition();
        if (!line.empty()) {
            text += line;
            text += '\n';
        }
    }
    for (unsigned i = 0; event.GetPupilImporter(i) != nullptr; ++i) {
        const std::string line = event.GetPupilImporter(i)->GetSavedDefinition();
        if (!line.empty()) {
            text += line;
            text += '\n';
        }
    }
    // Readers of older versions skip this flag; ours then expect the check line at the end.
    text += kCheckLineFlag;
    text += '\n';
    return text;
}

std::string EventFileWriter::FormatAttendanceDays(const Attendee* attendee,
                                                  const Teacher* teacher) const {
    std::string text;
    for (unsigned i = 0; i < schedule_.GetDayCount(); ++i) {
        const Schedule* day = schedule_.GetDay(i);
        if (day == nullptr) {
            continue;
        }
        if (i > 0) {
            text += FormatKeyDate("day", day->GetDate());
        }
        if (attendee->ArrivesLate(day)) {
            text += FormatKeyTime("after", attendee->GetStartTime(day));
        }
        if (attendee->LeavesEarly(day)) {
            text += FormatKeyTime("before", attendee->GetEndTime(day));
        }
        if (!attendee->IsAttending(day)) {
            text += "notattending\n";
        }
        if (teacher != nullptr) {
            const Date date = day->GetDate();
            for (const DateTime& when : teacher->GetBreaks()) {
                if (when.GetDate() == date) {
                    text += FormatKeyTime("break", when.GetTime());
                }
            }
        }
    }
    return text;
}

std::string EventFileWriter::FormatTeacher(const Teacher* teacher) const {
    if (teacher == nullptr) {
        return std::string();
    }
    std::string text;
    AppendBlockName(text, PersonName(teacher->GetName()));
    const auto keys = TeacherTextKeys();
    AppendTextKey(text, keys, "initials", *teacher);
    AppendTextKey(text, keys, "location", *teacher);
    // A teacher with no subject line reads back with the empty subject alone; beside others it
    // must be written, or it is lost.
    const std::set<std::string>& subjects = teacher->GetSubjects();
    for (const std::string& subject : subjects) {
        if (subject.empty() && subjects.size() > 1) {
            AppendEscaped(text, "subject", subject);
        } else {
            AppendEscapedIfAny(text, "subject", subject);
        }
    }
    if (teacher->GetApptLength() != 1) {
        text += FormatKeyInt("apptlen", teacher->GetApptLength());
    }
    AppendTextKey(text, keys, "email", *teacher);
    AppendTextKey(text, keys, "emailalt", *teacher);
    AppendTextKey(text, keys, "meetinglink", *teacher);
    if (teacher->GetPriority() != 1) {
        text += FormatKeyInt("priority", teacher->GetPriority());
    }
    text += FormatSentMarks(*teacher);
    text += FormatAttendanceDays(teacher, teacher);
    text += FormatPresentationsOf(teacher);
    text += '\n';
    return text;
}

std::string EventFileWriter::FormatParent(const Parent* parent) const {
    if (parent == nullptr) {
        return std::string();
    }
    std::string text;
    AppendBlockName(text, PersonName(parent->GetName()));
    AppendAllTextKeys(text, ParentTextKeys(), *parent);
    text += FormatSentMarks(*parent);
    text += FormatPresentationsOf(parent);
    text += FormatAttendanceDays(parent, nullptr);

    for (unsigned p = 0; p < parent->GetPupilCount(); ++p) {
        const Pupil* pupil = parent->GetPupil(p);
        if (pupil == nullptr) {
            continue;
        }
        AppendEscaped(text, "pupil", PersonName(pupil->GetName()));
        AppendAllTextKeys(text, PupilTextKeys(), *pupil);
        text += FormatSentMarks(*pupil);
        for (unsigned r = 0; r < pupil->GetRequestCount(); ++r) {
            text += FormatRequest(pupil->GetRequest(r));
        }
        for (unsigned t = 0; t < pupil->GetTaughtByCount(); ++t) {
            const Teacher* teacher = pupil->GetTaughtByTeacher(t);
            if (teacher == nullptr) {
                continue;
            }
            AppendEscaped(text, "taughtby", PersonName(teacher->GetName()));
            AppendEscapedIfAny(text, "subject", pupil->GetTaughtBySubject(t));
        }
    }
    text += '\n';
    return text;
}

void EventFileWriter::IndexBookings() const {
    booked_.clear();
    // At most one request a cell.
    size_t cells = 0;
    for (unsigned d = 0; d < schedule_.GetDayCount(); ++d) {
        if (const Schedule* day = schedule_.GetDay(d)) {
            cells +=
                static_cast<size_t>(day->GetGrid().GetRowCount()) * day->GetGrid().GetSlotCount();
        }
    }
    booked_.reserve(cells);
    for (unsigned d = 0; d < schedule_.GetDayCount(); ++d) {
        const Schedule* day = schedule_.GetDay(d);
        if (day == nullptr) {
            continue;
        }
        const AppointmentGrid& grid = day->GetGrid();
        for (unsigned row = 0; row < grid.GetRowCount(); ++row) {
            for (unsigned slot = 0; slot < grid.GetSlotCount(); ++slot) {
                const Appointment* booking =
                    grid.PeekBooking(static_cast<int>(slot), static_cast<int>(row));
                if (booking == nullptr || booking->GetRequest() == nullptr) {
                    continue;
                }
                const int first =
                    booking->GetFirstSlot() >= 0 ? booking->GetFirstSlot() : static_cast<int>(slot);
                // The first day in day order wins, as the first cell within a day does.
                booked_.try_emplace(booking->GetRequest(), BookedAt{d, day->SlotToTime(first)});
            }
        }
    }
    bookingsIndexed_ = true;
}

std::string EventFileWriter::FormatRequest(const AppointmentRequest* request) const {
    if (request == nullptr) {
        return std::string();
    }
    if (!bookingsIndexed_) {
        IndexBookings();
    }
    std::string text;
    AppendEscaped(
        text, "seeing",
        request->GetTeacher() != nullptr ? PersonName(request->GetTeacher()->GetName()) : "");
    AppendEscapedIfAny(text, "subject", request->GetSubject());
    const auto found = booked_.find(request);
    if (found != booked_.end()) {
        const Schedule* day = schedule_.GetDay(found->second.day);
        if (day != nullptr) {
            text += FormatKeyDate("day", day->GetDate());
            text += "at ";
            text += found->second.time.FormatEncoded();
            text += '\n';
        }
    }
    if (request->GetPriority() != 1) {
        text += FormatKeyInt("priority", request->GetPriority());
    }
    if (request->GetOwnLength() > 0) {
        text += FormatKeyInt("length", request->GetOwnLength());
    }
    return text;
}

std::string EventFileWriter::FormatPresentationsOf(const Attendee* attendee) const {
    std::string text;
    if (attendee == nullptr) {
        return text;
    }
    const PresentationList& list = attendee->GetPresentations();
    for (unsigned i = 0; i < list.Count(); ++i) {
        const Presentation* presentation = list.GetPresentation(i);
        if (presentation != nullptr && !presentation->GetName().empty()) {
            AppendEscaped(text, "presentation", presentation->GetName());
        }
    }
    return text;
}

bool EventFileWriter::WriteToStream(FILE* file, bool keepModified) {
    if (file == nullptr || !schedule_.GetEvent()) {
        return false;
    }
    const std::string text = CheckedText();
    if (text.empty()) {
        return false;
    }
    const size_t written = std::fwrite(text.data(), 1, text.size(), file);
    if (written != text.size()) {
        ReportMessage(SeverityError,
                      StringPrintf("Cannot write data to save file (wrote %d of %d bytes)",
                                   static_cast<int>(written), static_cast<int>(text.size())));
        return false;
    }
    MD5 md5;
    const std::string check = "#" + md5.HexDigest(text) + "\n";
    if (std::fflush(file) != 0 ||
        std::fwrite(check.data(), 1, check.size(), file) != check.size() ||
        std::fflush(file) != 0) {
        UCError::Current().ReportSystemError(SeverityError, "Cannot write data to save file: ");
        return false;
    }
    if (!keepModified) {
        schedule_.ClearModified();
    }
    return true;
}

bool EventFileWriter::WriteToPath(const char* path, bool keepModified) {
    if (path == nullptr || !schedule_.GetEvent()) {
        return false;
    }
    std::string text = CheckedText();
    if (text.empty()) {
        return false;
    }
    MD5 md5;
    text += "#" + md5.HexDigest(text) + "\n";
    // A copy that is cut short by a crash must never replace a whole one.
    if (!WriteFileAtomically(path, text)) {
        UCError::Current().ReportSystemError(SeverityError,
                                             std::string("Cannot open file ") + path + ": ");
        return false;
    }
    if (!keepModified) {
        schedule_.ClearModified();
    }
    return true;
}

std::string EventFileWriter::FormatSavedText() const {
    if (!schedule_.GetEvent()) {
        return std::string();
    }
    std::string text = CheckedText();
    if (text.empty()) {
        return text;
    }
    // The same check line as the autosave copy's, so that opening can tell a file cut short or
    // changed elsewhere.
    MD5 md5;
    text += "#" + md5.HexDigest(text) + "\n";
    return text;
}

bool EventFileWriter::WriteToLock(FileLock& lock, bool keepModified) {
    const std::string text = FormatSavedText();
    if (text.empty()) {
        return false;
    }
    if (!lock.WriteAll(text.data(), static_cast<unsigned>(text.size()))) {
        UCError::Current().ReportSystemError(
            SeverityError, "Cannot write data to save file '" + lock.GetPath() + "': ");
        return false;
    }
    if (!keepModified) {
        schedule_.ClearModified();
    }
    return true;
}
