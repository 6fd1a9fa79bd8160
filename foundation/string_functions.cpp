#include "foundation/string_functions.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <istream>
#include <vector>

#include "foundation/uc_string_list.h"

namespace {

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

template <typename Fold>
std::string FoldCase(const char* text, Fold fold) {
    std::string result;
    if (text == nullptr) {
        return result;
    }
    for (; *text != '\0'; ++text) {
        result += static_cast<char>(fold(static_cast<unsigned char>(*text)));
    }
    return result;
}

bool MatchFrom(const char* text, const char* pattern, std::vector<std::string>& pieces) {
    for (; *pattern != '\0' && *pattern != '*'; ++pattern, ++text) {
        if (*text != *pattern) {
            return false;
        }
    }
    if (*pattern == '\0') {
        return *text == '\0';
    }
    // The shortest run that lets the rest match.
    size_t textLength = std::strlen(text);
    for (size_t run = 0; run <= textLength; ++run) {
        pieces.emplace_back(text, run);
        if (MatchFrom(text + run, pattern + 1, pieces)) {
            return true;
        }
        pieces.pop_back();
    }
    return false;
}

}  // namespace

std::string ToLower(const char* text) {
    return FoldCase(text, [](unsigned char c) { return std::tolower(c); });
}

std::string ToUpper(const char* text) {
    return FoldCase(text, [](unsigned char c) { return std::toupper(c); });
}

bool StringContains(const char* text, const char* part) {
    return text != nullptr && part != nullptr && std::strstr(text, part) != nullptr;
}

bool StartsWith(const char* text, const char* prefix) {
    if (text == nullptr || prefix == nullptr) {
        return false;
    }
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool StartsWith(const std::string& text, const char* prefix) {
    if (prefix == nullptr) {
        return false;
    }
    size_t length = std::strlen(prefix);
    return text.size() >= length && text.compare(0, length, prefix) == 0;
}

bool IsBlank(const char* text) {
    if (text == nullptr) {
        return false;
    }
    for (; *text != '\0'; ++text) {
        if (!IsSpace(*text)) {
            return false;
        }
    }
    return true;
}

std::string IntToString(int value) {
    return StringPrintf("%d", value);
}

std::string StringRight(const std::string& s, unsigned n) {
    return n < s.size() ? s.substr(s.size() - n) : s;
}

std::string Convert8BitToUTF8(const char* text) {
    std::string result;
    if (text == nullptr) {
        return result;
    }
    for (; *text != '\0'; ++text) {
        auto c = static_cast<unsigned char>(*text);
        if (c < 0x80) {
            result += static_cast<char>(c);
        } else {
            result += static_cast<char>(0xC0 | (c >> 6));
            result += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return result;
}

std::string ConvertUTF8To8Bit(const char* text) {
    std::string result;
    if (text == nullptr) {
        return result;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p != 0) {
        unsigned char c = *p;
        if (c < 0x80) {
            result += static_cast<char>(c);
            ++p;
        } else if (c >= 0xC0 && c <= 0xDF) {
            unsigned char next = p[1];
            if (next == 0) {
                break;
            }
            unsigned value = ((c & 0x1Fu) << 6) | (next & 0x3Fu);
            bool continuation = next >= 0x80 && next <= 0xBF;
            result += (continuation && value <= 0xFF) ? static_cast<char>(value) : '?';
            p += 2;
        } else {
            result += '?';
            ++p;
        }
    }
    return result;
}

std::string SanitiseUTF8(const std::string& text) {
    std::string result = text;
    for (char& ch : result) {
        auto c = static_cast<unsigned char>(ch);
        if (c == 0xC0 || c == 0xC1 || c >= 0xF5) {
            ch = '?';
        }
    }
    return result;
}

void TrimRightInPlace(std::string& text) {
    size_t end = text.size();
    while (end > 0 && IsSpace(text[end - 1])) {
        --end;
    }
    text.erase(end);
}

const char* FindFirstNonSpace(const char* begin, const char* end) {
    while (begin < end && IsSpace(*begin)) {
        ++begin;
    }
    return begin;
}

bool ReadStreamLine(std::istream& in, std::string& out) {
    out.clear();
    for (;;) {
        int c = in.get();
        if (c == std::char_traits<char>::eof()) {
            return true;
        }
        if (c == '\n') {
            return false;
        }
        if (c != '\r') {
            out += static_cast<char>(c);
        }
    }
}

bool WildcardMatch(const char* text, const char* pattern, UCStringList* pieces) {
    if (text == nullptr || pattern == nullptr) {
        return false;
    }
    std::vector<std::string> matched;
    if (!MatchFrom(text, pattern, matched)) {
        return false;
    }
    if (pieces != nullptr) {
        for (const auto& piece : matched) {
            pieces->Append(piece);
        }
    }
    return true;
}

std::string StringPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string result;
    if (length > 0) {
        result.resize(static_cast<size_t>(length));
        std::vsnprintf(result.data(), result.size() + 1, format, args);
    }
    va_end(args);
    return result;
}
