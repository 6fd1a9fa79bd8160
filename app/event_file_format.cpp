#include "app/event_file_format.h"

#include <strings.h>

#include <cctype>
#include <charconv>
#include <cstring>

#include "foundation/md5.h"
#include "foundation/percent_encoding.h"
#include "foundation/string_functions.h"
#include "model/email_server_settings.h"
#include "model/event.h"
#include "model/parent.h"
#include "model/print_settings.h"
#include "model/pupil.h"
#include "model/teacher.h"

namespace {

bool IsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string TrimmedText(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

template <EmailTextKind Kind>
std::string ParentText(const Event& e) {
    return e.GetParentEmailText(Kind);
}
template <EmailTextKind Kind>
void SetParentText(Event& e, const std::string& v) {
    // A text the event refuses is reported by it; the rest of the file still counts.
    static_cast<void>(e.SetParentEmailText(Kind, v));
}
template <EmailTextKind Kind>
std::string PupilText(const Event& e) {
    return e.GetPupilEmailText(Kind);
}
template <EmailTextKind Kind>
void SetPupilText(Event& e, const std::string& v) {
    static_cast<void>(e.SetPupilEmailText(Kind, v));
}
template <EmailTextKind Kind>
std::string TeacherText(const Event& e) {
    return e.GetTeacherEmailText(Kind);
}
template <EmailTextKind Kind>
void SetTeacherText(Event& e, const std::string& v) {
    static_cast<void>(e.SetTeacherEmailText(Kind, v));
}

template <int Line>
std::string Address(const Parent& p) {
    return p.GetAddress(Line);
}
template <int Line>
void SetAddress(Parent& p, const std::string& v) {
    p.SetAddress(Line, v);
}

using F = TextForm;

const TextKey<Event> kEventKeys[] = {
    {"Name", F::Escaped, true, [](const Event& e) { return e.GetName(); },
     [](Event& e, const std::string& v) { static_cast<void>(e.SetName(v)); }},
    {"PNotes", F::Percent, true,
     [](const Event& e) { return e.GetPrintSettings().GetParentNotes(); },
     [](Event& e, const std::string& v) { e.GetPrintSettings().SetParentNotes(v); }},
    {"TeacherDesc", F::Escaped, true, [](const Event& e) { return e.GetTeacherDesc(false); },
     [](Event& e, const std::string& v) { e.SetTeacherDesc(v); }},
    {"ParentDesc", F::Escaped, true, [](const Event& e) { return e.GetParentDesc(false); },
     [](Event& e, const std::string& v) { e.SetParentDesc(v); }},
    {"PupilDesc", F::Escaped, true, [](const Event& e) { return e.GetPupilDesc(false); },
     [](Event& e, const std::string& v) { e.SetPupilDesc(v); }},
    {"TNotes", F::Percent, false,
     [](const Event& e) { return e.GetPrintSettings().GetTeacherNotes(); },
     [](Event& e, const std::string& v) { e.GetPrintSettings().SetTeacherNotes(v); }},
    {"EmailTextParentInv", F::Percent, false, ParentText<EmailInvitation>,
     SetParentText<EmailInvitation>},
    {"EmailTextParentRem", F::Percent, false, ParentText<EmailReminder>,
     SetParentText<EmailReminder>},
    {"EmailTextParentRes", F::Percent, false, ParentText<EmailResults>,
     SetParentText<EmailResults>},
    {"EmailTextPupilInv", F::Percent, false, PupilText<EmailInvitation>,
     SetPupilText<EmailInvitation>},
    {"EmailTextPupilRem", F::Percent, false, PupilText<EmailReminder>, SetPupilText<EmailReminder>},
    {"EmailTextPupilRes", F::Percent, false, PupilText<EmailResults>, SetPupilText<EmailResults>},
    {"EmailTextTeacherInv", F::Percent, false, TeacherText<EmailInvitation>,
     SetTeacherText<EmailInvitation>},
    {"EmailTextTeacherRem", F::Percent, false, TeacherText<EmailReminder>,
     SetTeacherText<EmailReminder>},
    {"EmailTextTeacherRes", F::Percent, false, TeacherText<EmailResults>,
     SetTeacherText<EmailResults>},
    {"URL", F::Escaped, false, [](const Event& e) { return e.GetUrl(); },
     [](Event& e, const std::string& v) { e.SetUrl(v); }},
    {"Logo", F::Trimmed, false, [](const Event& e) { return e.GetPrintSettings().GetLogoFile(); },
     [](Event& e, const std::string& v) {
         e.GetPrintSettings().SetLogoFile(v);
         e.GetPrintSettings().SetModified();
     }},
};

const TextKey<EmailServerSettings> kServerKeys[] = {
    {"SMTPServer", F::Trimmed, false, [](const EmailServerSettings& s) { return s.GetServer(); },
     [](EmailServerSettings& s, const std::string& v) { s.SetServer(v); }},
    {"EmailFrom", F::Trimmed, false,
     [](const EmailServerSettings& s) { return s.GetFromAddress(); },
     [](EmailServerSettings& s, const std::string& v) { static_cast<void>(s.SetFromAddress(v)); }},
};

const TextKey<Teacher> kTeacherKeys[] = {
    {"initials", F::Escaped, false, [](const Teacher& t) { return t.GetInitials(); },
     [](Teacher& t, const std::string& v) { t.SetInitials(v); }},
    {"location", F::Escaped, false, [](const Teacher& t) { return t.GetLocation(); },
     [](Teacher& t, const std::string& v) { t.SetLocation(v); }},
    {"email", F::Escaped, false, [](const Teacher& t) { return t.GetEmail(); },
     [](Teacher& t, const std::string& v) { t.SetEmail(v); }},
    {"emailalt", F::Escaped, false, [](const Teacher& t) { return t.GetEmailAlt(); },
     [](Teacher& t, const std::string& v) { t.SetEmailAlt(v); }},
    {"meetinglink", F::Escaped, false, [](const Teacher& t) { return t.GetMeetingLink(); },
     [](Teacher& t, const std::string& v) { t.SetMeetingLink(v); }},
};

const TextKey<Parent> kParentKeys[] = {
    {"email", F::Escaped, false, [](const Parent& p) { return p.GetEmail(); },
     [](Parent& p, const std::string& v) { p.SetEmail(v); }},
    {"emailalt", F::Escaped, false, [](const Parent& p) { return p.GetEmailAlt(); },
     [](Parent& p, const std::string& v) { p.SetEmailAlt(v); }},
    {"addra", F::Escaped, true, Address<0>, SetAddress<0>},
    {"addrb", F::Escaped, true, Address<1>, SetAddress<1>},
    {"addrc", F::Escaped, true, Address<2>, SetAddress<2>},
    {"addrd", F::Escaped, true, Address<3>, SetAddress<3>},
    {"addre", F::Escaped, true, Address<4>, SetAddress<4>},
    {"notes", F::Escaped, true, [](const Parent& p) { return p.GetNotes(); },
     [](Parent& p, const std::string& v) { p.SetNotes(v); }},
    {"uniqueid", F::Escaped, true, [](const Parent& p) { return p.GetUniqueIdOrName(); },
     [](Parent& p, const std::string& v) { p.SetUniqueId(v); }},
    {"notefrom", F::Percent, false, [](const Parent& p) { return p.GetNoteFrom(); },
     [](Parent& p, const std::string& v) { p.SetNoteFrom(v); }},
    {"url", F::Escaped, false, [](const Parent& p) { return p.GetUrl(); },
     [](Parent& p, const std::string& v) { p.SetUrl(v); }},
};

const TextKey<Pupil> kPupilKeys[] = {
    {"form", F::Escaped, true, [](const Pupil& p) { return p.GetForm(); },
     [](Pupil& p, const std::string& v) { p.SetForm(v); }},
    {"house", F::Escaped, false, [](const Pupil& p) { return p.GetHouse(); },
     [](Pupil& p, const std::string& v) { p.SetHouse(v); }},
    {"email", F::Escaped, false, [](const Pupil& p) { return p.GetEmail(); },
     [](Pupil& p, const std::string& v) { p.SetEmail(v); }},
};

std::string Quoted(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    out += text;
    out += '"';
    return out;
}

}  // namespace

std::string FormatKeyString(const char* key, const std::string& text) {
    std::string line(key);
    line += ' ';
    line += Quoted(text);
    line += '\n';
    return line;
}

std::string FormatKeyInt(const char* key, int value) {
    return StringPrintf("%s \"%d\"\n", key, value);
}

std::string FormatTimeValue(const TimeOfDay& time) {
    if (time.Seconds() % 60 != 0) {
        return time.FormatEncoded();
    }
    return time.Format(Time12h);
}

std::string FormatKeyTime(const char* key, const TimeOfDay& time) {
    std::string line(key);
    line += ' ';
    line += FormatTimeValue(time);
    line += '\n';
    return line;
}

std::string FormatKeyDate(const char* key, const Date& date) {
    return FormatKeyString(key, date.FormatLong());
}

std::string FormatKeyText(const char* key, const std::string& text) {
    if (text.empty()) {
        return std::string();
    }
    return FormatKeyString(key, PercentEncode(text));
}

std::string FormatOptionWord(const char* key, const char* word) {
    std::string line("Option ");
    line += Quoted(key);
    line += ' ';
    line += Quoted(word);
    line += '\n';
    return line;
}

std::string FormatOptionBool(const char* key, bool value) {
    return FormatOptionWord(key, value ? "True" : "False");
}

std::string FormatOptionFloat(const char* key, double value) {
    // The six decimals of "%f", without the locale's decimal point.
    char number[64];
    const auto result =
        std::to_chars(number, number + sizeof number, value, std::chars_format::fixed, 6);
    const std::string text = result.ec == std::errc() ? std::string(number, result.ptr) : "0";
    return FormatOptionWord(key, text.c_str());
}

double ParseOptionFloat(const std::string& text) {
    std::string number = TrimmedText(text);
    if (!number.empty() && number.front() == '+') {
        number.erase(0, 1);
    }
    if (number.find('.') == std::string::npos) {
        const size_t comma = number.find(',');
        if (comma != std::string::npos) {
            number[comma] = '.';
        }
    }
    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    return result.ec == std::errc() ? value : 0;
}

std::string EscapeOptionText(std::string_view text) {
    std::string out;
    const size_t length = text.size();
    size_t lead = 0;
    while (lead < length && IsBlank(text[lead])) {
        ++lead;
    }
    size_t trail = length;
    while (trail > lead && IsBlank(text[trail - 1])) {
        --trail;
    }
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (c == '\\' || c == '"' || c == '\n' || c == '\r' || i < lead || i >= trail) {
            out += '\\';
        }
        out += c;
    }
    return out;
}

std::span<const OptionNumberKey> ScheduleNumberKeys() {
    static const OptionNumberKey kKeys[] = {
        {"TeacherGapLength", &ScheduleOptions::TeacherGapLength},
        {"ParentGapLength", &ScheduleOptions::ParentGapLength},
        {"TeacherBlockLength", &ScheduleOptions::TeacherBlockLength},
    };
    return kKeys;
}

std::span<const OptionFlagKey> ScheduleFlagKeys() {
    static const OptionFlagKey kKeys[] = {
        {"TeacherCountBreaks", &ScheduleOptions::TeacherCountBreaks},
        {"TeacherCountInitGap", &ScheduleOptions::TeacherCountInitGap},
        {"ParentCountInitGap", &ScheduleOptions::ParentCountInitGap},
        {"BringTwinsTogether", &ScheduleOptions::BringTwinsTogether},
    };
    return kKeys;
}

std::span<const TextKey<Event>> EventTextKeys() {
    return kEventKeys;
}

std::span<const TextKey<EmailServerSettings>> ServerTextKeys() {
    return kServerKeys;
}

namespace {

// By EmailTextKind.
constexpr const char* kSentMarkFlags[] = {"invitationsent", "remindersent", "resultssent"};

}  // namespace

std::span<const PrintChoiceKey> PrintChoiceKeys() {
    using P = PrintSettings;
    static const PrintChoiceKey kKeys[] = {
        {"APSTeachers", &P::GetTeachers, &P::SetTeachers},
        {"APSParents", &P::GetParents, &P::SetParents},
        {"APSPupils", &P::GetPupils, &P::SetPupils},
        {"APSTeacherOverviews", &P::GetTeacherOverviews, &P::SetTeacherOverviews},
        {"APSParentOverviews", &P::GetParentOverviews, &P::SetParentOverviews},
        {"APSIncludeAlreadySent", &P::GetIncludeAlreadySent, &P::SetIncludeAlreadySent},
        {"APSListUnbooked", &P::GetListUnbooked, &P::SetListUnbooked},
        {"APSTeacherBreaks", &P::GetTeacherBreaks, &P::SetTeacherBreaks},
    };
    return kKeys;
}

std::string FormatSentMarks(const Person& person) {
    std::string text;
    for (int kind = EmailInvitation; kind <= EmailResults; ++kind) {
        if (person.GetEmailSent(static_cast<EmailTextKind>(kind))) {
            text += kSentMarkFlags[kind];
            text += '\n';
        }
    }
    return text;
}

bool ReadSentMark(const std::string& key, Person& person) {
    for (int kind = EmailInvitation; kind <= EmailResults; ++kind) {
        if (key == kSentMarkFlags[kind]) {
            person.SetEmailSent(static_cast<EmailTextKind>(kind), true);
            return true;
        }
    }
    return false;
}

std::span<const TextKey<Teacher>> TeacherTextKeys() {
    return kTeacherKeys;
}

std::span<const TextKey<Parent>> ParentTextKeys() {
    return kParentKeys;
}

std::span<const TextKey<Pupil>> PupilTextKeys() {
    return kPupilKeys;
}

template <typename Target>
const TextKey<Target>* FindTextKey(std::span<const TextKey<Target>> keys, const std::string& key) {
    for (const TextKey<Target>& entry : keys) {
        if (strcasecmp(entry.key, key.c_str()) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

template <typename Target>
std::string FormatTextKey(const TextKey<Target>& key, const Target& target) {
    std::string value = key.get(target);
    if (key.form == TextForm::Trimmed) {
        value = TrimmedText(value);
    }
    if (value.empty() && !key.writeEmpty) {
        return std::string();
    }
    if (key.form == TextForm::Percent) {
        return FormatKeyString(key.key, PercentEncode(value));
    }
    return FormatKeyString(key.key, EscapeOptionText(value));
}

std::string DecodeTextValue(TextForm form, const std::string& text) {
    // "%00" and the like decode to bytes no text of an event holds.
    return form == TextForm::Percent ? WithoutControlBytes(PercentDecode(text.c_str())) : text;
}

template const TextKey<Event>* FindTextKey(std::span<const TextKey<Event>>, const std::string&);
template const TextKey<EmailServerSettings>* FindTextKey(
    std::span<const TextKey<EmailServerSettings>>, const std::string&);
template const TextKey<Teacher>* FindTextKey(std::span<const TextKey<Teacher>>, const std::string&);
template const TextKey<Parent>* FindTextKey(std::span<const TextKey<Parent>>, const std::string&);
template const TextKey<Pupil>* FindTextKey(std::span<const TextKey<Pupil>>, const std::string&);
template std::string FormatTextKey(const TextKey<Event>&, const Event&);
template std::string FormatTextKey(const TextKey<EmailServerSettings>&, const EmailServerSettings&);
template std::string FormatTextKey(const TextKey<Teacher>&, const Teacher&);
template std::string FormatTextKey(const TextKey<Parent>&, const Parent&);
template std::string FormatTextKey(const TextKey<Pupil>&, const Pupil&);

bool VerifyAutosaveText(const std::string& text, std::string* body) {
    constexpr size_t kDigestLength = 32;
    // The check line is the last line: '#', the digest and a line end (CR LF where the copy
    // passed through a text-mode stream elsewhere).
    size_t end = text.size();
    if (end > 0 && text[end - 1] == '\n') {
        --end;
    }
    if (end > 0 && text[end - 1] == '\r') {
        --end;
    }
    if (end < kDigestLength + 1) {
        return false;
    }
    const size_t hash = end - kDigestLength - 1;
    if (text[hash] != '#' || (hash > 0 && text[hash - 1] != '\n')) {
        return false;
    }
    const std::string digest = text.substr(hash + 1, kDigestLength);
    MD5 md5;
    if (md5.HexDigest(text.data(), static_cast<unsigned>(hash)) != digest) {
        return false;
    }
    if (body != nullptr) {
        body->assign(text, 0, hash);
    }
    return true;
}

FileCheck CheckEventFileText(const std::string& text) {
    if (VerifyAutosaveText(text)) {
        return FileCheck::Whole;
    }
    // A last line of '#' and anything is a check line that does not match.
    size_t end = text.find_last_not_of("\r\n");
    if (end != std::string::npos) {
        const size_t lineStart = text.rfind('\n', end);
        const size_t first = lineStart == std::string::npos ? 0 : lineStart + 1;
        if (text[first] == '#') {
            return FileCheck::Damaged;
        }
    }
    const std::string flag = std::string("\n") + kCheckLineFlag;
    for (size_t at = text.find(flag); at != std::string::npos; at = text.find(flag, at + 1)) {
        const size_t after = at + flag.size();
        if (after < text.size() && (text[after] == '\n' || text[after] == '\r')) {
            return FileCheck::Damaged;
        }
    }
    return FileCheck::Unchecked;
}
