#include "foundation/colour.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

std::string Colour::ToHex() const {
    char text[16];
    std::snprintf(text, sizeof text, "%06x", static_cast<unsigned>(packed_));
    return text;
}

void Colour::SetHex(const char* text) {
    if (text == nullptr) {
        packed_ = 0;
        return;
    }
    // The value reads as a 32-bit unsigned long would: too large a number is all ones, not its
    // low bits, and a minus sign negates within the word.
    const char* sign = text;
    while (std::isspace(static_cast<unsigned char>(*sign))) {
        ++sign;
    }
    errno = 0;
    const unsigned long long read = std::strtoull(text, nullptr, 16);
    const bool overflow = errno == ERANGE;
    const unsigned long long magnitude = *sign == '-' ? 0 - read : read;
    if (overflow || magnitude > 0xFFFFFFFFull) {
        packed_ = 0xFFFFFFFFu;
    } else {
        packed_ = static_cast<std::uint32_t>(*sign == '-' ? 0 - magnitude : magnitude);
    }
}
