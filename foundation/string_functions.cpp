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

// A '*' match tries the shortest runs first. Whether the rest matches from a given text and
// pattern position never depends on what came before, so a position that failed once is not
// tried again: without that, patterns with many stars take exponential time.
class WildcardMatcher {
public:
    WildcardMatcher(const char* text, const char* pattern)
        : text_(text),
          pattern_(pattern),
          textLength_(std::strlen(text)),
          patternLength_(std::strlen(pattern)),
          failed_((textLength_ + 1) * (patternLength_ + 1), false) {}

    bool Match(std::vector<std::string>& pieces) { return MatchFrom(0, 0, pieces); }

private:
    bool MatchFrom(size_t t, size_t p, std::vector<std::string>& pieces) {
        for (; p < patternLength_ && pattern_[p] != '*'; ++p, ++t) {
            if (t >= textLength_ || text_[t] != pattern_[p]) {
                return false;
            }
        }
        if (p == patternLength_) {
            return t == textLength_;
        }
        const size_t state = t * (patternLength_ + 1) + p;
        if (failed_[state]) {
            return false;
        }
        for (size_t run = 0; t + run <= textLength_; ++run) {
            pieces.emplace_back(text_ + t, run);
            if (MatchFrom(t + run, p + 1, pieces)) {
                return true;
            }
            pieces.pop_back();
        }
        failed_[state] = true;
        return false;
    }

    const char* text_;
    const char* pattern_;
    size_t textLength_;
    size_t patternLength_;
    std::vector<bool> failed_;
};

}  // namespace

std::string ToLower(const char* text) {
    return FoldCase(text, [](unsigned char c) { return std::tolower(c); });
}

std::string ToUpper(const char* text) {
    return FoldCase(text, [](unsigned char c) { return std::toupper(c); });
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    for (size_t i = 0; i < a.size(); ++i) {
        if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string FoldASCIICase(const std::string& text) {
    std::string folded = text;
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + ('a' - 'A'));
        }
    }
    return folded;
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

void AppendUTF8(std::string& out, unsigned long code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string Convert8BitToUTF8(const char* text) {
    std::string result;
    if (text == nullptr) {
        return result;
    }
    for (; *text != '\0'; ++text) {
        AppendUTF8(result, static_cast<unsigned char>(*text));
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

bool IsValidUTF8(const std::string& text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more = 0;
        unsigned low = 0x80;  // the least a second byte may be, ruling out overlong forms
        unsigned high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;  // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (end - p <= more || p[1] < low || p[1] > high) {
            return false;
        }
        for (int i = 2; i <= more; ++i) {
            if (p[i] < 0x80 || p[i] > 0xBF) {
                return false;
            }
        }
        p += more + 1;
    }
    return true;
}

std::string ConvertWindows1252ToUTF8(const std::string& text) {
    // 0x80 to 0x9F; 0 where the code page defines nothing.
    static const unsigned short kHigh[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    std::string result;
    result.reserve(text.size() + text.size() / 8);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        unsigned code = c;
        if (c >= 0x80 && c <= 0x9F) {
            code = kHigh[c - 0x80];
            if (code == 0) {
                result += '?';
                continue;
            }
        }
        AppendUTF8(result, code);
    }
    return result;
}

std::string FileTextToUTF8(const std::string& text) {
    if (IsValidUTF8(text)) {
        return text;
    }
    // Line by line: one 8-bit value written beside UTF-8 ones must not garble all the others.
    std::string result;
    result.reserve(text.size() + text.size() / 8);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(start, end - start);
        result += IsValidUTF8(line) ? line : ConvertWindows1252ToUTF8(line);
        start = end;
    }
    return result;
}

namespace {

bool IsControlByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

}  // namespace

std::string WithoutControlBytes(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (!IsControlByte(c) || c == '\t' || c == '\n' || c == '\r') {
            out += c;
        }
    }
    return out;
}

std::string OneLineText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        if (c == '\t' || c == '\n' || c == '\r') {
            out += ' ';
        } else if (!IsControlByte(c)) {
            out += c;
        }
    }
    return out;
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
    if (!WildcardMatcher(text, pattern).Match(matched)) {
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
