#include "app/event_file_writer.h"

#include <cctype>

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

std::string Trimmed(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])) != 0) {
        ++begin;
    }
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])) != 0) {
        --end;
    }
    return text.substr(begin, end - begin);
}

// A key with an escaped text; nothing when the text is empty.
void AppendEscapedIfAny(std::string& out, const char* key, const std::string& text) {
    if (!text.empty()) {
        out += FormatKeyString(key, EscapeOptionText(text));
    }
}

void AppendEscaped(std::string& out, const char* key, const std::string& text) {
    out += FormatKeyString(key, EscapeOptionText(text));
}

// The line that starts a presentation, teacher or parent: its name alone, quoted.
void AppendBlockName(std::string& out, const std::string& name) {
    out += '"';
    out += EscapeOptionText(name);
    out += "\"\n";
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
    bookingsIndexed_ = false;
    IndexBookings();

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

std::string EventFileWriter::FormatEventSection() const {
    const Event& event = *schedule_.GetEvent();
    const Schedule& firstDay = *schedule_.GetDay(0);
    const PrintSettings& print = event.GetPrintSettings();
    const ScheduleOptions& options = event.GetOptions();

    std::string text = "Event:\n";
    AppendEscaped(text, "Name", event.GetName());
    text += FormatKeyTime("Starts", firstDay.GetStartTime());
    text += FormatKeyTime("Ends", firstDay.GetEndTime());
    text += FormatKeyString("PNotes", PercentEncode(print.GetParentNotes().c_str()));
    text += FormatKeyInt("Day", firstDay.GetDate().Day());
    text += FormatKeyInt("Month", firstDay.GetDate().Month());
    text += FormatKeyInt("Year", firstDay.GetDate().Year());
    AppendEscaped(text, "TeacherDesc", event.GetTeacherDesc(false));
    AppendEscaped(text, "ParentDesc", event.GetParentDesc(false));
    AppendEscaped(text, "PupilDesc", event.GetPupilDesc(false));
    text += FormatKeyText("TNotes", print.GetTeacherNotes());

    static const char* const kKindNames[] = {"Inv", "Rem", "Res"};
    for (int kind = EmailInvitation; kind <= EmailResults; ++kind) {
        text += FormatKeyText((std::string("EmailTextParent") + kKindNames[kind]).c_str(),
                              event.GetParentEmailText(static_cast<EmailTextKind>(kind)));
    }
    for (int kind = EmailInvitation; kind <= EmailResults; ++kind) {
        text += FormatKeyText((std::string("EmailTextPupil") + kKindNames[kind]).c_str(),
                              event.GetPupilEmailText(static_cast<EmailTextKind>(kind)));
    }
    for (int kind = EmailInvitation; kind <= EmailResults; ++kind) {
        text += FormatKeyText((std::string("EmailTextTeacher") + kKindNames[kind]).c_str(),
                              event.GetTeacherEmailText(static_cast<EmailTextKind>(kind)));
    }
    AppendEscapedIfAny(text, "URL", event.GetUrl());

    const int slotLength = event.GetSlotLength();
    if (slotLength % 60 == 0) {
        text += FormatKeyInt("SlotLength", slotLength / 60);
    } else {
        text += FormatKeyInt("SlotLengthSecs", slotLength);
    }
    switch (event.GetParentGapMode()) {
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
    if (options.TeacherGapLength != 3) {
        text += FormatKeyInt("TeacherGapLength", options.TeacherGapLength);
    }
    if (options.ParentGapLength != 4) {
        text += FormatKeyInt("ParentGapLength", options.ParentGapLength);
    }
    if (options.TeacherBlockLength != 24) {
        text += FormatKeyInt("TeacherBlockLength", options.TeacherBlockLength);
    }
    if (options.TeacherCountBreaks) {
        text += "TeacherCountBreaks\n";
    }
    if (options.TeacherCountInitGap) {
        text += "TeacherCountInitGap\n";
    }
    if (options.ParentCountInitGap) {
        text += "ParentCountInitGap\n";
    }
    if (options.BringTwinsTogether) {
        text += "BringTwinsTogether\n";
    }
    const ScoreCompareSwitches& switches = event.GetScoreSwitches();
    if (switches.unbooked) {
        text += "ScoreCompareUnbooked\n";
    }
    if (switches.attendance) {
        text += "ScoreCompareAttendance\n";
    }

    const EmailServerSettings server = event.GetEmailServerSettings();
    const std::string host = Trimmed(EscapeOptionText(server.GetServer()));
    if (!host.empty()) {
        text += FormatKeyString("SMTPServer", host);
    }
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
    if (server.GetPort() != 25) {
        text += FormatKeyInt("EmailPort", server.GetPort());
    }
    const std::string from = Trimmed(EscapeOptionText(server.GetFromAddress()));
    if (!from.empty()) {
        text += FormatKeyString("EmailFrom", from);
    }
    const std::string logo = Trimmed(EscapeOptionText(print.GetLogoFile()));
    if (!logo.empty()) {
        text += FormatKeyString("Logo", logo);
    }

    text += FormatOptionFloat("APSSmallFontSize", print.GetSmallFontSize());
    text += FormatOptionBool("APSUseSansSerif", print.GetUseSansSerif());
    text += FormatOptionBool("APSSmallTeacherFont", print.GetSmallTeacherFont());
    text += FormatOptionBool("APSOneParentPerSheet", print.GetOneParentPerSheet());
    text += FormatOptionBool("APSQRCodes", print.GetQRCodes());
    text +=
        FormatOptionWord("APSParentPrintOrder", ParentPrintOrderWord(print.GetParentPrintOrder()));
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
    AppendBlockName(text, teacher->GetName());
    AppendEscapedIfAny(text, "initials", teacher->GetInitials());
    AppendEscapedIfAny(text, "location", teacher->GetLocation());
    for (const std::string& subject : teacher->GetSubjects()) {
        AppendEscapedIfAny(text, "subject", subject);
    }
    if (teacher->GetApptLength() != 1) {
        text += FormatKeyInt("apptlen", teacher->GetApptLength());
    }
    AppendEscapedIfAny(text, "email", teacher->GetEmail());
    AppendEscapedIfAny(text, "emailalt", teacher->GetEmailAlt());
    AppendEscapedIfAny(text, "meetinglink", teacher->GetMeetingLink());
    if (teacher->GetPriority() != 1) {
        text += FormatKeyInt("priority", teacher->GetPriority());
    }
    text += FormatAttendanceDays(teacher, teacher);
    text += FormatPresentationsOf(teacher);
    text += '\n';
    return text;
}

std::string EventFileWriter::FormatParent(const Parent* parent) const {
    if (parent == nullptr) {
        return std::string();
    }
    static const char* const kAddressKeys[Parent::kAddressLines] = {"addra", "addrb", "addrc",
                                                                    "addrd", "addre"};
    std::string text;
    AppendBlockName(text, parent->GetName());
    AppendEscapedIfAny(text, "email", parent->GetEmail());
    AppendEscapedIfAny(text, "emailalt", parent->GetEmailAlt());
    for (int line = 0; line < Parent::kAddressLines; ++line) {
        AppendEscaped(text, kAddressKeys[line], parent->GetAddress(line));
    }
    AppendEscaped(text, "notes", parent->GetNotes());
    AppendEscaped(text, "uniqueid", parent->GetUniqueIdOrName());
    text += FormatKeyText("notefrom", parent->GetNoteFrom());
    AppendEscapedIfAny(text, "url", parent->GetUrl());
    text += FormatPresentationsOf(parent);
    text += FormatAttendanceDays(parent, nullptr);

    for (unsigned p = 0; p < parent->GetPupilCount(); ++p) {
        const Pupil* pupil = parent->GetPupil(p);
        if (pupil == nullptr) {
            continue;
        }
        AppendEscaped(text, "pupil", pupil->GetName());
        AppendEscaped(text, "form", pupil->GetForm());
        AppendEscapedIfAny(text, "house", pupil->GetHouse());
        AppendEscapedIfAny(text, "email", pupil->GetEmail());
        for (unsigned r = 0; r < pupil->GetRequestCount(); ++r) {
            text += FormatRequest(pupil->GetRequest(r));
        }
        for (unsigned t = 0; t < pupil->GetTaughtByCount(); ++t) {
            const Teacher* teacher = pupil->GetTaughtByTeacher(t);
            if (teacher == nullptr) {
                continue;
            }
            AppendEscaped(text, "taughtby", teacher->GetName());
            AppendEscapedIfAny(text, "subject", pupil->GetTaughtBySubject(t));
        }
    }
    text += '\n';
    return text;
}

void EventFileWriter::IndexBookings() const {
    if (bookingsIndexed_) {
        return;
    }
    booked_.clear();
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
    IndexBookings();
    std::string text;
    AppendEscaped(text, "seeing",
                  request->GetTeacher() != nullptr ? request->GetTeacher()->GetName() : "");
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

bool EventFileWriter::WriteToLock(FileLock& lock, bool keepModified) {
    if (!schedule_.GetEvent()) {
        return false;
    }
    const std::string text = CheckedText();
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
