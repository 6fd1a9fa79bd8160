#pragma once

#include <string>

#include "foundation/date.h"
#include "foundation/time_of_day.h"

// The line formatters of the event file: each returns one whole line with its LF, as
// `key "value"` or `Option "key" "value"`. Quoted values are escaped (EscapeOptionText), so no
// text can end its quotes or its line early.

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
std::string FormatOptionFloat(const char* key, double value);

// A backslash before every backslash and double quote, and before every line break, so a
// quoted value reads back exactly (the token reader takes the character after a backslash as
// it stands). The empty text for null.
std::string EscapeOptionText(const char* text);
inline std::string EscapeOptionText(const std::string& text) {
    return EscapeOptionText(text.c_str());
}

// The time of a time line: "9:05am", or the encoded token when the time has seconds.
std::string FormatTimeValue(const TimeOfDay& time);

// Checks the closing "#" + MD5 line of an autosave copy against the text before it. On success
// *body (if given) receives that text. False, with no message, when the line is missing or the
// digest differs.
bool VerifyAutosaveText(const std::string& text, std::string* body = nullptr);
