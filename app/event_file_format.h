#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "foundation/date.h"
#include "foundation/time_of_day.h"
#include "model/score.h"

class EmailServerSettings;
class Event;
class Parent;
class Person;
class PrintSettings;
class Pupil;
class Teacher;

// The line formatters of the event file: each returns one whole line with its LF, as
// `key "value"` or `Option "key" "value"`. Quoted values are escaped (EscapeOptionText), so no
// text can end its quotes or its line early. docs/event-file.md describes the whole format.

// The text unchanged between quotes: callers escape it first where it may hold quotes.
std::string FormatKeyString(const char* key, const std::string& text);
std::string FormatKeyInt(const char* key, int value);
// 12-hour form ("9:05am"); a time with seconds as an encoded token, which keeps them.
std::string FormatKeyTime(const char* key, const TimeOfDay& time);
std::string FormatKeyDate(const char* key, const Date& date);
// Percent-encoded; nothing at all for an empty text.
std::string FormatKeyText(const char* key, const std::string& text);
std::string FormatOptionWord(const char* key, const char* word);
std::string FormatOptionBool(const char* key, bool value);
// Always with a '.' for the decimal point, whatever the locale.
std::string FormatOptionFloat(const char* key, double value);
// The number of a float option; a ',' is taken for the decimal point too, as files written
// under a comma-decimal locale have it. 0 when there is no number.
double ParseOptionFloat(const std::string& text);

// A backslash before every backslash, double quote and line break, and before the white space
// at either end, so a quoted value reads back exactly: the reader trims only unescaped white
// space (Tokeniser::TrimQuoted). Every byte is written, a NUL as much as any other. The empty
// text for null.
std::string EscapeOptionText(std::string_view text);
inline std::string EscapeOptionText(const std::string& text) {
    return EscapeOptionText(std::string_view(text));
}
inline std::string EscapeOptionText(const char* text) {
    return text != nullptr ? EscapeOptionText(std::string_view(text)) : std::string();
}

// The time of a time line: "9:05am", or the encoded token when the time has seconds.
std::string FormatTimeValue(const TimeOfDay& time);

// How a text value stands between its quotes.
enum class TextForm {
    Escaped,
    // Escaped after the white space at both ends is removed (host names, addresses, paths).
    Trimmed,
    Percent,
};

// One text key of a section: the writer writes it and the reader reads it through the same
// entry, so the two cannot drift apart.
template <typename Target>
struct TextKey {
    const char* key;  // as written; read without regard to case
    TextForm form;
    bool writeEmpty;
    std::string (*get)(const Target&);
    void (*set)(Target&, const std::string&);
};

// In the order written, where a section writes them together.
std::span<const TextKey<Event>> EventTextKeys();
std::span<const TextKey<EmailServerSettings>> ServerTextKeys();
std::span<const TextKey<Teacher>> TeacherTextKeys();
std::span<const TextKey<Parent>> ParentTextKeys();
std::span<const TextKey<Pupil>> PupilTextKeys();

// The scheduling options of the Event section: numbers (slots) written when not the
// ScheduleOptions{} default, switches written as flags when on. In the order written.
struct OptionNumberKey {
    const char* key;
    std::int32_t ScheduleOptions::*member;
};
struct OptionFlagKey {
    const char* key;
    bool ScheduleOptions::*member;
};
std::span<const OptionNumberKey> ScheduleNumberKeys();
std::span<const OptionFlagKey> ScheduleFlagKeys();

// What the user chose to print and whom to e-mail, written when not the PrintSettings{} default
// (`Option "key" "True"`); readers that do not know an option skip it. In the order written.
struct PrintChoiceKey {
    const char* key;
    bool (PrintSettings::*get)() const;
    void (PrintSettings::*set)(bool);
};
std::span<const PrintChoiceKey> PrintChoiceKeys();

// Who was sent which e-mail: a flag word in the person's block for each mark set, in the order
// of EmailTextKind. Readers that do not know a flag word skip it.
std::string FormatSentMarks(const Person& person);
// Sets the mark a flag word (lower case) stands for; false when the word is none of them.
bool ReadSentMark(const std::string& key, Person& person);

// The entry whose key matches (without regard to case); null when none does.
template <typename Target>
const TextKey<Target>* FindTextKey(std::span<const TextKey<Target>> keys, const std::string& key);

// The key's line for the target's value; nothing for an empty value unless writeEmpty.
template <typename Target>
std::string FormatTextKey(const TextKey<Target>& key, const Target& target);
// The value as the model holds it, from the quoted text as read (trimmed).
std::string DecodeTextValue(TextForm form, const std::string& text);

// Checks the closing "#" + MD5 line of an autosave copy against the text before it. On success
// *body (if given) receives that text. False, with no message, when the line is missing or the
// digest differs.
bool VerifyAutosaveText(const std::string& text, std::string* body = nullptr);

// What the check line of an event file says about the text.
enum class FileCheck {
    Whole,
    // No check line and no sign that one was written: a file of an older version.
    Unchecked,
    // The check line does not match, or the text announces one it lacks (a file cut short).
    Damaged,
};
FileCheck CheckEventFileText(const std::string& text);
// The flag of the Event section saying that the file ends with a check line.
inline constexpr const char* kCheckLineFlag = "CheckLine";
