#include "app/event_file_reader.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/importer_csv.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// "H:MMam", "HH:MMpm", "HH:MM" or the "HH:MM:SS" of a decoded token. False for anything else,
// and for a time outside the day.
bool ParseTimeToken(TokenKind kind, const std::string& text, TimeOfDay& out) {
    const size_t colon = kind == TokenTime12Short ? 1 : 2;
    if (text.size() <= colon + 2 || text[colon] != ':') {
        return false;
    }
    for (size_t i = 0; i < colon; ++i) {
        if (!IsDigit(text[i])) {
            return false;
        }
    }
    if (!IsDigit(text[colon + 1]) || !IsDigit(text[colon + 2])) {
        return false;
    }
    int hours = std::atoi(text.c_str());
    const int minutes = (text[colon + 1] - '0') * 10 + (text[colon + 2] - '0');
    int seconds = 0;
    if (kind == TokenTime12Short || kind == TokenTime12) {
        const char ampm = text[text.size() - 2];
        hours %= 12;
        if (ampm == 'p' || ampm == 'P') {
            hours += 12;
        }
    } else if (text.size() == 8) {
        if (text[5] != ':' || !IsDigit(text[6]) || !IsDigit(text[7])) {
            return false;
        }
        seconds = (text[6] - '0') * 10 + (text[7] - '0');
    } else if (text.size() != 5) {
        return false;
    }
    if (hours > 23 || minutes > 59 || seconds > 59) {
        return false;
    }
    out.Set(hours, minutes, seconds);
    return true;
}

bool IsTimeKind(TokenKind kind) {
    return kind == TokenTime24 || kind == TokenTime12 || kind == TokenTime12Short;
}

// Day, month and year of a date read key by key; 0 for a key not seen.
enum DatePart { kDay, kMonth, kYear, kDateParts };

int DatePartOf(const std::string& key) {
    if (key == "day") {
        return kDay;
    }
    if (key == "month") {
        return kMonth;
    }
    return key == "year" ? kYear : -1;
}

}  // namespace

EventFileReader::EventFileReader(MultiDaySchedule* schedule, Tokeniser* tokens)
    : schedule_(schedule), tokens_(tokens) {
    if (schedule_ != nullptr) {
        event_ = schedule_->GetEvent();
    }
}

EventFileReader::~EventFileReader() = default;

bool EventFileReader::IsTrueWord(const std::string& word) {
    return word == "True" || word == "true";
}

std::string EventFileReader::Located(const char* message, int line) const {
    if (line <= 0) {
        line = tokens_ != nullptr ? tokens_->GetLineNumber() : 0;
    }
    std::string text = StringPrintf("(line %d", line);
    if (parent_ != nullptr) {
        text += ", parent '" + parent_->GetName() + "'";
    } else if (teacher_ != nullptr) {
        text += ", teacher '" + teacher_->GetName() + "'";
    }
    text += ") ";
    text += message;
    return text;
}

void EventFileReader::ReportError(const char* message) {
    ReportMessage(SeverityError, Located(message));
}

void EventFileReader::ReportErrorAt(int line, const std::string& message) {
    ReportMessage(SeverityError, Located(message.c_str(), line));
}

void EventFileReader::ReportWarning(const std::string& message) {
    ReportMessage(SeverityWarning, Located(message.c_str()));
}

int EventFileReader::BoundedPriority(int priority) {
    const int bounded = std::clamp(priority, 0, 2);
    if (bounded != priority) {
        ReportWarning("The priority " + std::to_string(priority) +
                      " is not one of 0 (low), 1 (normal) or 2 (high): it has been read as " +
                      std::to_string(bounded));
    }
    return bounded;
}

void EventFileReader::LowerToken() {
    for (char& c : token_) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
}

bool EventFileReader::ExpectHeading(const char* heading, const char* message) {
    kind_ = tokens_->NextToken(token_);
    LowerToken();
    if (kind_ != TokenKey || token_ != heading) {
        ReportError(message);
        return false;
    }
    return true;
}

EventFileReader::Next EventFileReader::NextOptionKey() {
    kind_ = tokens_->NextToken(token_);
    if (kind_ == TokenKey) {
        tokens_->PushBack(kind_, token_);
        return Next::Done;
    }
    if (kind_ == TokenEnd) {
        return Next::Done;
    }
    if (kind_ != TokenWord) {
        ReportError("Expected an option word");
        return Next::Failed;
    }
    LowerToken();
    return Next::Item;
}

EventFileReader::Next EventFileReader::NextBlockName(bool headingEnds) {
    kind_ = tokens_->NextToken(token_);
    if (kind_ == TokenEnd) {
        return Next::Done;
    }
    if (kind_ == TokenKey && headingEnds) {
        tokens_->PushBack(kind_, token_);
        return Next::Done;
    }
    if (kind_ != TokenQuoted) {
        ReportError("Found data I don't understand here: '" + token_ + "'");
        return Next::Failed;
    }
    Unquote(token_);
    return Next::Item;
}

bool EventFileReader::NextBlockKey(int& keyLine) {
    kind_ = tokens_->NextToken(token_);
    if (kind_ != TokenWord) {
        tokens_->PushBack(kind_, token_);
        return false;
    }
    keyLine = tokens_->GetTokenLine();
    LowerToken();
    return true;
}

void EventFileReader::SkipUnknownKey(const std::string& key, int keyLine) {
    std::string value;
    const TokenKind kind = tokens_->NextToken(value);
    // A value on the key's own line belongs to it; on a later line it is the next block's name.
    const bool isValue = kind == TokenQuoted || IsTimeKind(kind);
    if (isValue && tokens_->GetTokenLine() == keyLine) {
        ReportWarning("The unknown key '" + key + "' and its value have been skipped");
        return;
    }
    tokens_->PushBack(kind, value);
}

bool EventFileReader::Read() {
    if (schedule_ == nullptr || tokens_ == nullptr || !event_) {
        return false;
    }
    event_->SetName("<Unnamed event>");
    return ReadSections();
}

bool EventFileReader::ReadSections() {
    locked_ = false;
    if (!ReadEventSection() || !ReadExtraDays() || !ReadPresentations() || !ReadTeachers()) {
        return false;
    }
    // Namesakes keep the file's order, so that the file written next is the one read.
    schedule_->SortPeople();
    if (!ReadParents()) {
        return false;
    }
    schedule_->SortPeople();
    schedule_->RebuildDays(locked_);
    if (locked_) {
        event_->SetLocked(true);
        event_->SetModified();
        schedule_->SetLocked(true);
    }
    schedule_->ClearModified();
    return true;
}

void EventFileReader::Unquote(std::string& text) const {
    tokens_->TrimQuoted(text);
    text = WithoutControlBytes(text);
}

bool EventFileReader::ReadText(std::string& out) {
    if (tokens_->NextToken(text_) != TokenQuoted) {
        ReportError("Expected a piece of text");
        return false;
    }
    Unquote(text_);
    out = text_;
    return true;
}

bool EventFileReader::ReadInt(int& out) {
    std::string text;
    if (!ReadText(text) || text.empty()) {
        return false;
    }
    // A number past what an int holds would come back as some other number.
    errno = 0;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value > INT_MAX || value < INT_MIN) {
        ReportError(("The number '" + text + "' is too large").c_str());
        return false;
    }
    out = static_cast<int>(value);
    return true;
}

bool EventFileReader::ReadTime(TimeOfDay& out) {
    const TokenKind kind = tokens_->NextToken(text_);
    if (IsTimeKind(kind) && ParseTimeToken(kind, text_, out)) {
        return true;
    }
    ReportError("Expected time of day");
    return false;
}

bool EventFileReader::ReadDate(Date& out) {
    std::string text;
    if (!ReadText(text)) {
        return false;
    }
    Date date;
    if (!date.ParseLong(text)) {
        return false;
    }
    out = date;
    return true;
}

EventFileReader::KeyResult EventFileReader::ReadScheduleOption(const std::string& key) {
    for (const OptionNumberKey& number : ScheduleNumberKeys()) {
        if (strcasecmp(number.key, key.c_str()) == 0) {
            ScheduleOptions options = event_->GetOptions();
            int value = 0;
            if (!ReadInt(value) || value < 0) {
                return KeyResult::Failed;
            }
            // The optimiser steps through every slot of the allowance.
            if (value > kMaxOptionSlots) {
                ReportError(
                    StringPrintf("The %s of %d slots is longer than a day, so the file "
                                 "cannot be opened",
                                 number.key, value));
                return KeyResult::Failed;
            }
            options.*number.member = value;
            event_->SetOptions(options);
            return KeyResult::Done;
        }
    }
    for (const OptionFlagKey& flag : ScheduleFlagKeys()) {
        if (strcasecmp(flag.key, key.c_str()) == 0) {
            SwitchOn(flag.member);
            return KeyResult::Done;
        }
    }
    return KeyResult::NotMine;
}

void EventFileReader::SwitchOn(bool ScheduleOptions::*option) {
    ScheduleOptions options = event_->GetOptions();
    options.*option = true;
    event_->SetOptions(options);
}

void EventFileReader::SetGapMode(ParentGapMode mode) {
    event_->SetParentGapMode(mode);
    event_->GetParents().SetGapMode(mode);
}

EventFileReader::KeyResult EventFileReader::ReadEventFlag(const std::string& key) {
    struct FlagKey {
        const char* key;
        void (*set)(EventFileReader&);
    };
    static const FlagKey kFlags[] = {
        {"enforceparentgaps", [](EventFileReader& r) { r.SetGapMode(EnforceParentGaps); }},
        {"adjacentparentappointments",
         [](EventFileReader& r) { r.SetGapMode(AdjacentParentAppointments); }},
        {"gaponlocationchange", [](EventFileReader& r) { r.SetGapMode(GapOnLocationChange); }},
        {"smtptls", [](EventFileReader& r) { r.server_.SetConnectionType(SMTPWithTLS); }},
        {"smtpssl", [](EventFileReader& r) { r.server_.SetConnectionType(SMTPOverSSL); }},
        {"emailserververify", [](EventFileReader& r) { r.server_.SetVerifyServer(true); }},
        {"emailserverneedsauth", [](EventFileReader& r) { r.server_.SetNeedsAuth(true); }},
        {"locked", [](EventFileReader& r) { r.locked_ = true; }},
        {"scorecompareunbooked", [](EventFileReader& r) { r.switches_.unbooked = true; }},
        {"scorecompareattendance", [](EventFileReader& r) { r.switches_.attendance = true; }},
        // Only says that the file ends with a check line, which the controller looks for.
        {"checkline", [](EventFileReader&) {}},
    };
    for (const FlagKey& flag : kFlags) {
        if (key == flag.key) {
            flag.set(*this);
            return KeyResult::Done;
        }
    }
    return KeyResult::NotMine;
}

EventFileReader::KeyResult EventFileReader::ReadEventKey(const std::string& key, int* date) {
    KeyResult text = ReadTextKey(key, EventTextKeys(), *event_);
    if (text == KeyResult::NotMine) {
        text = ReadTextKey(key, ServerTextKeys(), server_);
    }
    if (text != KeyResult::NotMine) {
        return text;
    }
    const KeyResult flag = ReadEventFlag(key);
    if (flag != KeyResult::NotMine) {
        return flag;
    }
    const KeyResult option = ReadScheduleOption(key);
    if (option != KeyResult::NotMine) {
        return option;
    }
    std::string value;
    int number = 0;
    TimeOfDay time;
    Schedule* firstDay = schedule_->GetDay(0);
    const int datePart = DatePartOf(key);
    if (datePart >= 0) {
        if (!ReadInt(date[datePart])) {
            return KeyResult::Failed;
        }
    } else if (key == "slotlength" || key == "slotlengthsecs") {
        if (!ReadInt(number)) {
            return KeyResult::Failed;
        }
        if (key == "slotlength") {
            // Past this a slot is longer than any day; multiplying would overflow.
            if (number > 24 * 60 || number < 0) {
                return KeyResult::Failed;
            }
            number *= 60;
        }
        if (!event_->SetSlotLength(number)) {
            return KeyResult::Failed;
        }
    } else if (key == "starts" || key == "ends") {
        if (!ReadTime(time)) {
            return KeyResult::Failed;
        }
        if (firstDay != nullptr) {
            if (key == "starts") {
                firstDay->SetStartTime(time);
            } else {
                firstDay->SetEndTime(time);
            }
        }
    } else if (key == "emailport") {
        if (!ReadInt(number)) {
            return KeyResult::Failed;
        }
        server_.SetPort(number);
    } else if (key == "pupilcsvimport" || key == "teachercsvimport") {
        std::string definition;
        if (!ReadText(value) || !ReadText(definition)) {
            return KeyResult::Failed;
        }
        const bool pupils = key == "pupilcsvimport";
        auto importer = std::make_unique<ImporterCSV>(pupils);
        importer->SetName(value);
        if (!importer->SetDefinition(definition)) {
            return KeyResult::Failed;
        }
        if (pupils) {
            event_->AddPupilImporter(std::move(importer));
        } else {
            event_->AddTeacherImporter(std::move(importer));
        }
    } else if (key == "option") {
        if (!ReadOption()) {
            return KeyResult::Failed;
        }
    } else {
        return KeyResult::NotMine;
    }
    return KeyResult::Done;
}

bool EventFileReader::ReadEventSection() {
    if (!ExpectHeading("event:", "Expected Event: heading")) {
        return false;
    }
    server_ = EmailServerSettings();
    switches_ = ScoreCompareSwitches{false, false};
    int date[kDateParts] = {0, 0, 0};

    Next next;
    while ((next = NextOptionKey()) == Next::Item) {
        const std::string key = token_;
        // Any other word is a flag this version does not know.
        if (ReadEventKey(key, date) == KeyResult::Failed) {
            return false;
        }
    }
    if (next == Next::Failed) {
        return false;
    }
    // A file whose first day has no real date would be saved in a form that cannot be read.
    const Date firstDate(date[kDay], date[kMonth], date[kYear]);
    if (!firstDate.IsValid()) {
        ReportError("The event's date is invalid");
        return false;
    }
    Schedule* firstDay = schedule_->GetDay(0);
    if (firstDay != nullptr && !firstDay->SetDate(firstDate)) {
        return false;
    }
    event_->SetEmailServerSettings(server_);
    event_->SetScoreSwitches(switches_);
    schedule_->EnforceTimeBoundaries();
    return firstDay == nullptr || CheckDaySize(*firstDay);
}

bool EventFileReader::CheckDaySize(const Schedule& day) {
    // Every teacher gets a row of every day's slots: sizes no school has would take the
    // memory of the machine before anything could be said.
    if (schedule_->GetDayCount() > kMaxDays) {
        ReportError(
            StringPrintf("The event has more than %d days, more than any parents' "
                         "evening runs, so the file cannot be opened",
                         static_cast<int>(kMaxDays)));
        return false;
    }
    if (day.GetNumSlots() > kMaxSlotsPerDay) {
        ReportError(
            StringPrintf("The day of %s has more than %d appointment slots, so the "
                         "file cannot be opened",
                         day.GetDate().FormatLong().c_str(), kMaxSlotsPerDay));
        return false;
    }
    return true;
}

namespace {

// Option keys are compared exactly.
const PrintChoiceKey* FindPrintChoice(const std::string& key) {
    for (const PrintChoiceKey& choice : PrintChoiceKeys()) {
        if (key == choice.key) {
            return &choice;
        }
    }
    return nullptr;
}

}  // namespace

bool EventFileReader::ReadOption() {
    std::string key;
    std::string value;
    if (!ReadText(key)) {
        ReportError("Expected option key");
        return false;
    }
    if (!ReadText(value)) {
        ReportError("Expected option value");
        return false;
    }
    PrintSettings& print = event_->GetPrintSettings();
    if (key == "EmailServerVerify") {
        server_.SetVerifyServer(IsTrueWord(value));
    } else if (key == "EmailProvider") {
        if (value == "GMail") {
            server_.SetProvider(EmailProviderGMail);
        } else if (value == "Office365") {
            server_.SetProvider(EmailProviderOffice365);
        }
    } else if (key == "APSSmallFontSize") {
        print.SetSmallFontSize(ParseOptionFloat(value));
    } else if (key == "APSUseSansSerif") {
        print.SetUseSansSerif(IsTrueWord(value));
        print.SetModified();
    } else if (key == "APSSmallTeacherFont") {
        print.SetSmallTeacherFont(IsTrueWord(value));
        print.SetModified();
    } else if (key == "APSOneParentPerSheet") {
        print.SetOneParentPerSheet(IsTrueWord(value));
        print.SetModified();
    } else if (key == "APSQRCodes") {
        print.SetQRCodes(IsTrueWord(value));
        print.SetModified();
    } else if (key == "APSParentPrintOrder") {
        if (value == "ParentName") {
            print.SetParentPrintOrder(ParentPrintByName);
        } else if (value == "PupilName") {
            print.SetParentPrintOrder(ParentPrintByPupilName);
        } else if (value == "PupilForm") {
            print.SetParentPrintOrder(ParentPrintByPupilForm);
        } else {
            return true;
        }
        print.SetModified();
    } else if (const PrintChoiceKey* choice = FindPrintChoice(key)) {
        (print.*choice->set)(IsTrueWord(value));
        print.SetModified();
    } else if (key == "AskParentTimes") {
        event_->SetAskParentTimes(IsTrueWord(value));
        event_->SetModified();
    } else if (key == "BringTwinsTogether") {
        ScheduleOptions options = event_->GetOptions();
        options.BringTwinsTogether = IsTrueWord(value);
        event_->SetOptions(options);
    }
    return true;
}

bool EventFileReader::ReadExtraDays() {
    for (;;) {
        kind_ = tokens_->NextToken(token_);
        if (kind_ != TokenKey) {
            ReportError("Expected section heading");
            return false;
        }
        if (LowerKey(token_) != "extraday:") {
            tokens_->PushBack(kind_, token_);
            return true;
        }
        auto day = std::make_unique<Schedule>(event_);
        int date[kDateParts] = {0, 0, 0};
        Next next;
        while ((next = NextOptionKey()) == Next::Item) {
            const int datePart = DatePartOf(token_);
            TimeOfDay time;
            if (datePart >= 0) {
                if (!ReadInt(date[datePart])) {
                    return false;
                }
            } else if (token_ == "starts" || token_ == "ends") {
                const bool starts = token_ == "starts";
                if (!ReadTime(time)) {
                    return false;
                }
                if (starts) {
                    day->SetStartTime(time);
                } else {
                    day->SetEndTime(time);
                }
            }
        }
        if (next == Next::Failed) {
            return false;
        }
        const Date dayDate(date[kDay], date[kMonth], date[kYear]);
        if (!dayDate.IsValid()) {
            ReportError("Extra day's date is invalid");
            return false;
        }
        // Two days of one date would share every attendance and booking line of the file.
        Schedule* added = day.get();
        if (schedule_->FindDay(dayDate) != nullptr || !day->SetDate(dayDate) ||
            !schedule_->AddDay(std::move(day))) {
            ReportError("Extra day schedule is invalid");
            return false;
        }
        if (!CheckDaySize(*added)) {
            return false;
        }
    }
}

bool EventFileReader::ReadPresentations() {
    kind_ = tokens_->NextToken(token_);
    if (kind_ != TokenKey) {
        ReportError("Expected section heading");
        return false;
    }
    if (LowerKey(token_) != "presentations:") {
        tokens_->PushBack(kind_, token_);
        return true;
    }
    // Each is checked as its block ends, so that a refusal names its own place; all are added
    // together at the end, since one at a time each would be checked against all before it.
    std::vector<std::unique_ptr<Presentation>> presentations;
    Next next;
    while ((next = NextBlockName(true)) == Next::Item) {
        auto presentation = std::make_unique<Presentation>(token_);
        if (!ReadPresentation(presentation.get())) {
            return false;
        }
        const std::string name = presentation->GetName();
        // As the list has it, nameless ones are never the same as one another.
        if (!presentation->IsValid() ||
            (!presentationNames_.try_emplace(LowerKey(name), presentation.get()).second &&
             !name.empty())) {
            // The list says why, once those before it are in.
            const bool added = event_->AddPresentations(presentations) &&
                               event_->AddPresentation(std::move(presentation));
            presentations.clear();
            if (!added) {
                ReportError("Presentation '" + name + "' cannot be loaded");
                return false;
            }
            continue;
        }
        presentations.push_back(std::move(presentation));
    }
    if (next != Next::Done) {
        return false;
    }
    // Checked one by one above, so none is refused here.
    return event_->AddPresentations(presentations);
}

bool EventFileReader::ReadPresentation(Presentation* presentation) {
    const Schedule* firstDay = schedule_->GetDay(0);
    if (firstDay == nullptr || presentation == nullptr) {
        return false;
    }
    presentation->SetDate(firstDay->GetDate());
    int keyLine = 0;
    while (NextBlockKey(keyLine)) {
        if (token_ == "times") {
            Date date;
            TimeOfDay start;
            TimeOfDay end;
            if (!ReadDate(date) || !ReadTime(start) || !ReadTime(end)) {
                return false;
            }
            presentation->SetDate(date);
            if (!presentation->SetTimes(start, end)) {
                return false;
            }
        } else if (token_ == "location") {
            std::string location;
            if (!ReadText(location)) {
                return false;
            }
            presentation->SetLocation(location);
        }
    }
    return true;
}
