#include "foundation/string_slice.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {
bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}
bool IsAlpha(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}
}  // namespace

StringSlice::StringSlice(const char* text)
    : data_(text), length_(text == nullptr ? 0 : static_cast<uint32_t>(std::strlen(text))) {}

int StringSlice::Compare(const StringSlice& other) const {
    if (IsEmpty() || other.IsEmpty()) {
        return IsEmpty() == other.IsEmpty() ? 0 : (IsEmpty() ? -1 : 1);
    }
    int byBytes = std::strncmp(data_, other.data_, std::min(length_, other.length_));
    if (byBytes != 0) {
        return byBytes < 0 ? -1 : 1;
    }
    if (length_ == other.length_) {
        return 0;
    }
    return length_ < other.length_ ? -1 : 1;
}

StringSlice StringSlice::Sub(uint32_t start, uint32_t count) const {
    if (start >= length_) {
        return StringSlice(length_ == 0 ? data_ : data_ + length_, 0);
    }
    return StringSlice(data_ + start, std::min(count, length_ - start));
}

bool StringSlice::Equals(const char* text) const {
    if (text == nullptr || *text == '\0') {
        return IsEmpty();
    }
    size_t textLength = std::strlen(text);
    return !IsEmpty() && textLength == length_ && std::memcmp(data_, text, length_) == 0;
}

bool StringSlice::StartsWith(const char* prefix) const {
    if (IsEmpty()) {
        return false;
    }
    if (prefix == nullptr) {
        return true;
    }
    size_t prefixLength = std::strlen(prefix);
    return prefixLength <= length_ && std::memcmp(data_, prefix, prefixLength) == 0;
}

StringSlice StringSlice::TakeLeft(uint32_t n) {
    n = std::min(n, length_);
    StringSlice front(data_, n);
    if (n > 0) {
        data_ += n;
        length_ -= n;
    }
    return front;
}

template <typename Pred>
StringSlice StringSlice::TakeWhile(Pred pred) {
    uint32_t n = 0;
    while (n < length_ && pred(data_[n])) {
        ++n;
    }
    return TakeLeft(n);
}

StringSlice StringSlice::TakeDigits() {
    return TakeWhile(IsDigit);
}
StringSlice StringSlice::TakeAlpha() {
    return TakeWhile(IsAlpha);
}
StringSlice StringSlice::TakeSpaces() {
    return TakeWhile(IsSpace);
}

StringSlice StringSlice::TakeLine() {
    uint32_t lineEnd = 0;
    while (lineEnd < length_ && !IsLineEnd(data_[lineEnd])) {
        ++lineEnd;
    }
    if (lineEnd == length_) {
        return StringSlice();
    }
    StringSlice line = TakeLeft(lineEnd);
    TakeWhile(IsLineEnd);
    return line;
}

void StringSlice::TrimRight() {
    while (length_ > 0 && IsSpace(data_[length_ - 1])) {
        --length_;
    }
}

StringSlice StringSlice::Trimmed() const {
    StringSlice copy = *this;
    copy.TakeSpaces();
    copy.TrimRight();
    return copy;
}

StringSlice StringSlice::Strip(char c) const {
    StringSlice copy = *this;
    copy.TakeWhile([c](char x) { return x == c; });
    while (copy.length_ > 0 && copy.data_[copy.length_ - 1] == c) {
        --copy.length_;
    }
    return copy;
}

std::string StringSlice::ToLower() const {
    std::string result = ToString();
    for (char& c : result) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return result;
}

std::string StringSlice::ToUpper() const {
    std::string result = ToString();
    for (char& c : result) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return result;
}

std::vector<StringSlice> StringSlice::Split(char separator) const {
    std::vector<StringSlice> pieces;
    uint32_t start = 0;
    for (uint32_t i = 0; i < length_; ++i) {
        if (data_[i] == separator) {
            pieces.emplace_back(data_ + start, i - start);
            start = i + 1;
        }
    }
    pieces.emplace_back(length_ == 0 ? data_ : data_ + start, length_ - start);
    return pieces;
}
