#pragma once

#include <iosfwd>
#include <string>

class UCStringList;

// Free string helpers on 8-bit text: one byte is one character, classified as in the C locale.

std::string ToLower(const char* text);
std::string ToUpper(const char* text);
// Equal once ASCII letters are folded; nothing is copied, so lookups by name stay cheap.
bool EqualsIgnoringCase(const std::string& a, const std::string& b);
// ASCII letters in lower case, every other byte as it is: the key of a table that
// EqualsIgnoringCase would search.
std::string FoldASCIICase(const std::string& text);
bool StringContains(const char* text, const char* part);
// False when either is null; an empty prefix always matches.
bool StartsWith(const char* text, const char* prefix);
bool StartsWith(const std::string& text, const char* prefix);
// False for null; true for an empty text or one of white space only.
bool IsBlank(const char* text);
std::string IntToString(int value);
// The last n characters, or the whole string when it is no longer than n.
std::string StringRight(const std::string& s, unsigned n);

// Appends the code point as UTF-8 (one to four bytes).
void AppendUTF8(std::string& out, unsigned long code);
// ISO 8859-1 to UTF-8 and back; characters that do not fit in 8 bits become '?'.
std::string Convert8BitToUTF8(const char* text);
std::string ConvertUTF8To8Bit(const char* text);
// Replaces every byte that can never occur in UTF-8 by '?'.
std::string SanitiseUTF8(const std::string& text);
// Well-formed UTF-8: no stray or missing continuation bytes, no overlong forms, no surrogates,
// nothing past U+10FFFF.
bool IsValidUTF8(const std::string& text);
// Windows-1252 (the 8-bit text of files written on Windows) to UTF-8; the five bytes that
// code page leaves undefined become '?'.
std::string ConvertWindows1252ToUTF8(const std::string& text);
// Text read from a file as UTF-8: each line as it stands when it is valid UTF-8, else taken as
// Windows-1252 and converted.
std::string FileTextToUTF8(const std::string& text);

// Text from outside (files, imports, scripts) as the model may hold it: without the control
// bytes no text of an event has (below 0x20, and DEL), keeping tabs and line breaks, which
// notes and e-mail texts carry. A NUL would cut a name short wherever it is passed on.
std::string WithoutControlBytes(const std::string& text);
// For values that are one line: each tab and line break (CR LF counting as one) also becomes a
// blank.
std::string OneLineText(const std::string& text);

void TrimRightInPlace(std::string& text);
// The first character in [begin, end) that is not white space, or end.
const char* FindFirstNonSpace(const char* begin, const char* end);

// Reads up to LF (consumed, not stored), dropping every CR. True when it stopped at the end of
// the stream rather than at a LF.
bool ReadStreamLine(std::istream& in, std::string& out);

// '*' in the pattern matches any run of characters; on a match the text each '*' matched is
// appended to pieces (which may be null).
bool WildcardMatch(const char* text, const char* pattern, UCStringList* pieces);

// printf into a std::string of whatever length the result needs.
std::string StringPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
