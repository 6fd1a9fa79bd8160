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
