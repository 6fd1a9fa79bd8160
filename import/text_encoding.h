#pragma once

#include <string>

// Imported files come from spreadsheets and school systems in either UTF-8 or the Windows
// code page; the model keeps UTF-8 only.

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUTF8(const std::string& text);

// Every byte as its Windows-1252 character; the five unassigned bytes keep their C1 code.
std::string ConvertWindows1252ToUTF8(const std::string& text);

// Valid UTF-8 is kept as it is; anything else is read as Windows-1252. With forceUTF8 the
// bytes are kept whatever they are.
std::string DecodeImportedText(const std::string& text, bool forceUTF8);

// The text without a leading UTF-8 byte-order mark.
std::string StripByteOrderMark(const std::string& text);
