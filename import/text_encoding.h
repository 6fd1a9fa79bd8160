#pragma once

#include <string>

// Imported files come from spreadsheets and school systems in either UTF-8 or the Windows
// code page; the model keeps UTF-8 only (the checks and conversion live in the foundation).

// Valid UTF-8 is kept as it is; anything else is read as Windows-1252. With forceUTF8 the
// bytes are kept whatever they are.
std::string DecodeImportedText(const std::string& text, bool forceUTF8);

// The text without a leading UTF-8 byte-order mark.
std::string StripByteOrderMark(const std::string& text);
