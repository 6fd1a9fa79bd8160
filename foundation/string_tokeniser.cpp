#include "foundation/string_tokeniser.h"

#include <cctype>
#include <cstring>

#include "foundation/byte_buffer.h"

StringTokeniser::StringTokeniser(const char* text)
    : text_(text), length_(text == nullptr ? 0 : static_cast<uint32_t>(std::strlen(text))) {}

StringTokeniser::StringTokeniser(const char* text, uint32_t length)
    : text_(text), length_(text == nullptr ? 0 : length) {}

StringTokeniser::StringTokeniser(const ByteBuffer& buffer)
    : text_(buffer.At(0)), length_(static_cast<uint32_t>(buffer.Size())) {}

StringTokeniser::StringTokeniser(const std::string& text) : ownCopy_(text) {
    text_ = ownCopy_.data();
    length_ = static_cast<uint32_t>(ownCopy_.size());
}

void StringTokeniser::Reset() {
    position_ = 0;
    separator_ = ',';
    openQuote_ = '"';
    closeQuote_ = '"';
}

bool StringTokeniser::NextToken(std::string* out) {
    StringSlice field;
    if (!NextSlice(field)) {
        return false;
    }
    if (out != nullptr) {
        *out = field.ToString();
    }
    return true;
}

bool StringTokeniser::NextSlice(StringSlice& out) {
    while (position_ < length_ && std::isspace(static_cast<unsigned char>(text_[position_]))) {
        ++position_;
    }
    if (position_ >= length_) {
        position_ = length_;
        return false;
    }
    if (text_[position_] == openQuote_) {
        uint32_t start = ++position_;
        while (position_ < length_ && text_[position_] != closeQuote_) {
            ++position_;
        }
        out = StringSlice(text_ + start, position_ - start);
        if (position_ >= length_) {
            return true;
        }
        ++position_;  // past the close quote; the rest up to the separator is dropped
        while (position_ < length_ && text_[position_] != separator_) {
            ++position_;
        }
        if (position_ < length_) {
            ++position_;
        }
        return true;
    }
    uint32_t start = position_;
    while (position_ < length_ && text_[position_] != separator_) {
        ++position_;
    }
    out = StringSlice(text_ + start, position_ - start);
    if (position_ < length_) {
        ++position_;
    }
    return true;
}

bool StringTokeniser::NextLine(std::string& out) {
    if (position_ >= length_) {
        return false;
    }
    out.clear();
    while (position_ < length_ && text_[position_] != '\n') {
        if (text_[position_] != '\r') {
            out += text_[position_];
        }
        ++position_;
    }
    if (position_ < length_) {
        ++position_;
    }
    return true;
}

std::vector<std::string> StringTokeniser::Split(char separator) {
    SetSeparator(separator);
    std::vector<std::string> fields;
    std::string field;
    while (NextToken(&field)) {
        fields.push_back(field);
    }
    return fields;
}

std::vector<StringSlice> StringTokeniser::SplitSlices(char separator) {
    SetSeparator(separator);
    std::vector<StringSlice> fields;
    StringSlice field;
    while (NextSlice(field)) {
        fields.push_back(field);
    }
    return fields;
}
