#include "print/win_ansi.h"

namespace {

// The code points of bytes 0x80 to 0x9F; 0 where the byte is unassigned.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The byte for a code point, or 0 when there is none.
unsigned char WinAnsiByte(char32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
        return static_cast<unsigned char>(code);
    }
    for (unsigned i = 0; i < 32; ++i) {
        if (kHighControls[i] == code) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return 0;
}

// Decodes one UTF-8 sequence at text[i]; its length, or 0 when it is not valid.
unsigned DecodeUTF8(const std::string& text, size_t i, char32_t* code) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    unsigned length = 0;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (unsigned k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms and surrogates are not text.
    if ((length == 3 && value < 0x800) || (length == 4 && value < 0x10000) ||
        (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
        return 0;
    }
    *code = value;
    return length;
}

}  // namespace

bool ToWinAnsi(const std::string& utf8, std::string* out) {
    out->clear();
    out->reserve(utf8.size());
    bool whole = true;
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            *out += static_cast<char>(lead);
            ++i;
            continue;
        }
        char32_t code = 0;
        const unsigned length = DecodeUTF8(utf8, i, &code);
        if (length == 0) {
            *out += static_cast<char>(lead);
            ++i;
            continue;
        }
        const unsigned char mapped = WinAnsiByte(code);
        if (mapped == 0) {
            *out += '?';
            whole = false;
        } else {
            *out += static_cast<char>(mapped);
        }
        i += length;
    }
    return whole;
}
