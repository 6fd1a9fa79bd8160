#pragma once

#include <string>

// Percent-encoding of free text inside the event and settings files: letters, digits, '_' and
// '.' stay, every other byte becomes "%xx" in lower-case hex. Null gives the empty text.
std::string PercentEncode(const char* text);

// Undoes PercentEncode. A '%' without two following characters is dropped; bytes that can
// never occur in UTF-8 come back as '?'.
std::string PercentDecode(const char* text);
