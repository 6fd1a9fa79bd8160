#include "foundation/percent_encoding.h"

#include "foundation/string_functions.h"

namespace {

bool KeptAsIs(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.';
}

// The value of a hex digit, or -1.
int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::string PercentEncode(const char* text) {
    return text != nullptr ? PercentEncode(std::string_view(text)) : std::string();
}

std::string PercentEncode(std::string_view text) {
    static const char kHexDigits[] = "0123456789abcdef";
    std::string encoded;
    for (const char byte : text) {
        auto c = static_cast<unsigned char>(byte);
        if (KeptAsIs(c)) {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += kHexDigits[c >> 4];
            encoded += kHexDigits[c & 0x0F];
        }
    }
    return encoded;
}

std::string PercentDecode(const char* text) {
    std::string decoded;
    if (text == nullptr) {
        return decoded;
    }
    const char* p = text;
    while (*p != '\0') {
        if (*p != '%') {
            decoded += *p++;
            continue;
        }
        if (p[1] == '\0') {
            break;
        }
        if (p[2] == '\0') {
            decoded += p[1];
            break;
        }
        // Like strtoul on the two characters alone: a non-hex character ends the number.
        int value = 0;
        for (int i = 1; i <= 2 && HexValue(p[i]) >= 0; ++i) {
            value = value * 16 + HexValue(p[i]);
        }
        decoded += static_cast<char>(value);
        p += 3;
    }
    return FileTextToUTF8(decoded);
}
