#pragma once

#include <string>
#include <string_view>

// Percent-encoding of free text inside the event and settings files: letters, digits, '_' and
// '.' stay, every other byte becomes "%xx" in lower-case hex, a NUL included. Null gives the
// empty text.
std::string PercentEncode(std::string_view text);
std::string PercentEncode(const char* text);

// Undoes PercentEncode. A '%' without two following characters is dropped; a value that is not
// UTF-8 was written from Windows-1252 text and is converted from it ("M%FCller" is "Müller").
std::string PercentDecode(const char* text);
