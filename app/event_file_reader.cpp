#include "app/event_file_reader.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "foundation/percent_encoding.h"
#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/importer_csv.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {}  // namespace

void EventFileReader::TrimInPlace(std::string& text) {
    size_t end = text.size();
    while (end > 0 && std::isspace(static_cast<unsigned char>(text[end - 1])) != 0) {
        --end;
    }
    size_t begin = 0;
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])) != 0) {
        ++begin;
    }
    text.erase(end);
    text.erase(0, begin);
}

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

std::string EventFileReader::Located(const char* message) const {
    std::string text = StringPrintf("(line %d", tokens_ != nullptr ? tokens_->GetLineNumber() : 0);
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

void EventFileReader::ReportWarning(const std::string& message) {
    ReportMessage(SeverityWarning, Located(message.c_str()));
}

void EventFileReader::LowerToken() {
    for (char& c : token_) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
}

void EventFileReader::SkipUnknownKey(const std::string& key, int lineAfterKey) {
    std::string value;
    const TokenKind kind = tokens_->NextToken(value);
    const bool isValue = kind == TokenQuoted || kind == TokenTime24 || kind == TokenTime12 ||
                         kind == TokenTime12Short;
    if (isValue && tokens_->GetLineNumber() == lineAfterKey) {
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
    event_->GetTeachers().Sort();
    if (!ReadParents()) {
        return false;
    }
    event_->GetParents().Sort();
    schedule_->RebuildDays();
    if (locked_) {
        event_->SetLocked(true);
        event_->SetModified();
        schedule_->SetLocked(true);
    }
    schedule_->ClearModified();
    return true;
}

// ---------------------------------------------------------------- value readers

bool EventFileReader::ReadText(std::string& out) {
    if (tokens_->NextToken(text_) != TokenQuoted) {
        ReportError("Expected a piece of text");
        return false;
    }
    TrimInPlace(text_);
    out = text_;
    return true;
}

bool EventFileReader::ReadInt(int& out) {
    std::string text;
    if (!ReadText(text) || text.empty()) {
        return false;
    }
    out = std::atoi(text.c_str());
    return true;
}

bool EventFileReader::ReadTime(TimeOfDay& out) {
    const TokenKind kind = tokens_->NextToken(text_);
    if ((kind == TokenTime24 || kind == TokenTime12 || kind == TokenTime12Short) &&
        ParseTimeToken(kind, text_, out)) {
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

// ---------------------------------------------------------------- event section

bool EventFileReader::ReadScheduleOption(const std::string& key) {
    ScheduleOptions options = event_->GetOptions();
    int value = 0;
    if (!ReadInt(value) || value < 0) {
        return false;
    }
    if (key == "teachergaplength") {
        options.TeacherGapLength = value;
    } else if (key == "parentgaplength") {
        options.ParentGapLength = value;
    } else {
        options.TeacherBlockLength = value;
    }
    event_->SetOptions(options);
    return true;
}

bool EventFileReader::ReadEventSection() {
    TokenKind kind = tokens_->NextToken(token_);
    LowerToken();
    if (kind != TokenKey || token_ != "event:") {
        ReportError("Expected Event: heading");
        return false;
    }
    server_ = EmailServerSettings();
    switches_ = ScoreCompareSwitches{false, false};
    int day = 0;
    int month = 0;
    int year = 0;
    Schedule* firstDay = schedule_->GetDay(0);
    PrintSettings& print = event_->GetPrintSettings();

    for (;;) {
        kind = tokens_->NextToken(token_);
        if (kind == TokenKey || kind == TokenEnd) {
            break;
        }
        if (kind != TokenWord) {
            ReportError("Expected an option word");
            return false;
        }
        LowerToken();
        const std::string key = token_;
        std::string text;
        int value = 0;
        TimeOfDay time;
        if (key == "day" || key == "month" || key == "year") {
            if (!ReadInt(value)) {
                return false;
            }
            (key == "day" ? day : key == "month" ? month : year) = value;
        } else if (key == "slotlength" || key == "slotlengthsecs") {
            if (!ReadInt(value)) {
                return false;
            }
            if (key == "slotlength") {
                // Past this a slot is longer than any day; multiplying would overflow.
                if (value > 24 * 60 || value < 0) {
                    return false;
                }
                value *= 60;
            }
            if (!event_->SetSlotLength(value)) {
                return false;
            }
        } else if (key == "teachergaplength" || key == "parentgaplength" ||
                   key == "teacherblocklength") {
            if (!ReadScheduleOption(key)) {
                return false;
            }
        } else if (key == "teachercountbreaks" || key == "teachercountinitgap" ||
                   key == "parentcountinitgap" || key == "bringtwinstogether") {
            ScheduleOptions options = event_->GetOptions();
            if (key == "teachercountbreaks") {
                options.TeacherCountBreaks = true;
            } else if (key == "teachercountinitgap") {
                options.TeacherCountInitGap = true;
            } else if (key == "parentcountinitgap") {
                options.ParentCountInitGap = true;
            } else {
                options.BringTwinsTogether = true;
            }
            event_->SetOptions(options);
        } else if (key == "starts" || key == "ends") {
            if (!ReadTime(time)) {
                return false;
            }
            if (firstDay != nullptr) {
                if (key == "starts") {
                    firstDay->SetStartTime(time);
                } else {
                    firstDay->SetEndTime(time);
                }
            }
        } else if (key == "pnotes" || key == "tnotes") {
            if (!ReadText(text)) {
                return false;
            }
            text = PercentDecode(text.c_str());
            if (key == "pnotes") {
                print.SetParentNotes(text);
            } else {
                print.SetTeacherNotes(text);
            }
        } else if (key.compare(0, 9, "emailtext") == 0) {
            if (!ReadText(text)) {
                return false;
            }
            text = PercentDecode(text.c_str());
            const std::string rest = key.substr(9);
            EmailTextKind textKind = EmailInvitation;
            const std::string suffix = rest.size() >= 3 ? rest.substr(rest.size() - 3) : "";
            if (suffix == "rem") {
                textKind = EmailReminder;
            } else if (suffix == "res") {
                textKind = EmailResults;
            } else if (suffix != "inv") {
                continue;
            }
            const std::string role = rest.substr(0, rest.size() - 3);
            // A text the event refuses is reported by it; the rest of the file still counts.
            if (role == "parent") {
                event_->SetParentEmailText(textKind, text);
            } else if (role == "pupil") {
                event_->SetPupilEmailText(textKind, text);
            } else if (role == "teacher") {
                event_->SetTeacherEmailText(textKind, text);
            }
        } else if (key == "smtpserver") {
            if (!ReadText(text)) {
                return false;
            }
            server_.SetServer(text);
        } else if (key == "smtptls") {
            server_.SetConnectionType(SMTPWithTLS);
        } else if (key == "smtpssl") {
            server_.SetConnectionType(SMTPOverSSL);
        } else if (key == "emailserververify") {
            server_.SetVerifyServer(true);
        } else if (key == "emailserverneedsauth") {
            server_.SetNeedsAuth(true);
        } else if (key == "emailfrom") {
            if (!ReadText(text)) {
                return false;
            }
            server_.SetFromAddress(text);
        } else if (key == "emailport") {
            if (!ReadInt(value)) {
                return false;
            }
            server_.SetPort(value);
        } else if (key == "name") {
            if (!ReadText(text)) {
                return false;
            }
            event_->SetName(text);
        } else if (key == "logo") {
            if (!ReadText(text)) {
                return false;
            }
            print.SetLogoFile(text);
            print.SetModified();
        } else if (key == "teacherdesc" || key == "parentdesc" || key == "pupildesc") {
            if (!ReadText(text)) {
                return false;
            }
            if (key == "teacherdesc") {
                event_->SetTeacherDesc(text);
            } else if (key == "parentdesc") {
                event_->SetParentDesc(text);
            } else {
                event_->SetPupilDesc(text);
            }
        } else if (key == "enforceparentgaps" || key == "adjacentparentappointments" ||
                   key == "gaponlocationchange") {
            const ParentGapMode mode = key == "enforceparentgaps" ? EnforceParentGaps
                                       : key == "adjacentparentappointments"
                                           ? AdjacentParentAppointments
                                           : GapOnLocationChange;
            event_->SetParentGapMode(mode);
            event_->GetParents().SetGapMode(mode);
        } else if (key == "locked") {
            locked_ = true;
        } else if (key == "pupilcsvimport" || key == "teachercsvimport") {
            std::string definition;
            if (!ReadText(text) || !ReadText(definition)) {
                return false;
            }
            const bool pupils = key == "pupilcsvimport";
            auto importer = std::make_unique<ImporterCSV>(pupils);
            importer->SetName(text);
            if (!importer->SetDefinition(definition)) {
                return false;
            }
            if (pupils) {
                event_->AddPupilImporter(std::move(importer));
            } else {
                event_->AddTeacherImporter(std::move(importer));
            }
        } else if (key == "scorecompareunbooked") {
            switches_.unbooked = true;
        } else if (key == "scorecompareattendance") {
            switches_.attendance = true;
        } else if (key == "url") {
            if (!ReadText(text)) {
                return false;
            }
            event_->SetUrl(text);
        } else if (key == "option") {
            if (!ReadOption()) {
                return false;
            }
        }
        // Any other word is a flag this version does not know.
    }

    if (firstDay != nullptr && !firstDay->SetDate(Date(day, month, year))) {
        return false;
    }
    event_->SetEmailServerSettings(server_);
    event_->SetScoreSwitches(switches_);
    schedule_->EnforceTimeBoundaries();
    if (kind == TokenKey) {
        tokens_->PushBack(kind, token_);
    }
    return true;
}

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
    if (key == "EmailProvider") {
        if (value == "GMail") {
            server_.SetProvider(EmailProviderGMail);
        } else if (value == "Office365") {
            server_.SetProvider(EmailProviderOffice365);
        }
    } else if (key == "APSSmallFontSize") {
        print.SetSmallFontSize(std::atof(value.c_str()));
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

// ---------------------------------------------------------------- days and presentations

bool EventFileReader::ReadExtraDays() {
    for (;;) {
        TokenKind kind = tokens_->NextToken(token_);
        if (kind != TokenKey) {
            ReportError("Expected section heading");
            return false;
        }
        std::string heading = token_;
        LowerToken();
        if (token_ != "extraday:") {
            tokens_->PushBack(kind, heading);
            return true;
        }
        auto day = std::make_unique<Schedule>(event_);
        int dayNumber = 0;
        int month = 0;
        int year = 0;
        for (;;) {
            kind = tokens_->NextToken(token_);
            if (kind == TokenKey || kind == TokenEnd) {
                break;
            }
            if (kind != TokenWord) {
                ReportError("Expected an option word");
                return false;
            }
            LowerToken();
            int value = 0;
            TimeOfDay time;
            if (token_ == "day" || token_ == "month" || token_ == "year") {
                const std::string key = token_;
                if (!ReadInt(value)) {
                    return false;
                }
                (key == "day" ? dayNumber : key == "month" ? month : year) = value;
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
        const Date date(dayNumber, month, year);
        if (!date.IsValid()) {
            ReportError("Extra day's date is invalid");
            return false;
        }
        if (!day->SetDate(date) || !schedule_->AddDay(std::move(day))) {
            ReportError("Extra day schedule is invalid");
            return false;
        }
        if (kind == TokenKey) {
            tokens_->PushBack(kind, token_);
        }
    }
}

bool EventFileReader::ReadPresentations() {
    TokenKind kind = tokens_->NextToken(token_);
    if (kind != TokenKey) {
        ReportError("Expected section heading");
        return false;
    }
    const std::string heading = token_;
    LowerToken();
    if (token_ != "presentations:") {
        tokens_->PushBack(kind, heading);
        return true;
    }
    for (;;) {
        kind = tokens_->NextToken(token_);
        if (kind == TokenKey) {
            tokens_->PushBack(kind, token_);
            return true;
        }
        if (kind == TokenEnd) {
            return true;
        }
        if (kind != TokenQuoted) {
            ReportError("Found data I don't understand here: '" + token_ + "'");
            return false;
        }
        std::string name = token_;
        TrimInPlace(name);
        auto presentation = std::make_unique<Presentation>(name);
        if (!ReadPresentation(presentation.get())) {
            return false;
        }
        if (!event_->AddPresentation(std::move(presentation))) {
            ReportError("Presentation '" + name + "' cannot be loaded");
            return false;
        }
    }
}

bool EventFileReader::ReadPresentation(Presentation* presentation) {
    const Schedule* firstDay = schedule_->GetDay(0);
    if (firstDay == nullptr || presentation == nullptr) {
        return false;
    }
    presentation->SetDate(firstDay->GetDate());
    for (;;) {
        const TokenKind kind = tokens_->NextToken(token_);
        if (kind != TokenWord) {
            tokens_->PushBack(kind, token_);
            return true;
        }
        LowerToken();
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
}
