#include "foundation/colour.h"

#include <cstdio>
#include <cstdlib>

std::string Colour::ToHex() const {
    char text[16];
    std::snprintf(text, sizeof text, "%06x", static_cast<unsigned>(packed_));
    return text;
}

void Colour::SetHex(const char* text) {
    packed_ = text == nullptr ? 0 : static_cast<std::uint32_t>(std::strtoul(text, nullptr, 16));
}
