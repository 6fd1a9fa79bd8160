#pragma once

#include <string>

// UTF-8 text as Windows-1252 bytes, the encoding of the PDF base fonts. False when some
// character has no place there; it is then written as '?'. A byte that is not valid UTF-8 is
// taken as a Windows-1252 byte already, as older 8-bit names are.
bool ToWinAnsi(const std::string& utf8, std::string* out);
