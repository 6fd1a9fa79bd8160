#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A view on text owned elsewhere, with the scanning steps the parsers need. A slice never
// copies its text and is valid only while that text lives. "Take" operations return the front
// part and advance this slice past it.
class StringSlice {
public:
    StringSlice() = default;
    StringSlice(const char* text);  // NOLINT: converts like a string literal
    StringSlice(const char* data, uint32_t length) : data_(data), length_(length) {}

    const char* Data() const { return data_; }
    uint32_t Length() const { return length_; }
    bool IsEmpty() const { return data_ == nullptr || length_ == 0; }
    std::string ToString() const { return IsEmpty() ? std::string() : std::string(data_, length_); }

    // Empty slices first, then by bytes; on a common prefix the shorter first. -1, 0 or 1.
    int Compare(const StringSlice& other) const;
    // Cut at this slice's end; empty when start is past it.
    StringSlice Sub(uint32_t start, uint32_t count) const;
    // An empty slice equals a null or empty text.
    bool Equals(const char* text) const;
    // False for an empty slice; true for an empty prefix.
    bool StartsWith(const char* prefix) const;

    StringSlice TakeLeft(uint32_t n);
    StringSlice TakeDigits();
    StringSlice TakeAlpha();
    StringSlice TakeSpaces();
    // Returns the text before the first CR or LF and advances past the whole run of line ends;
    // an empty slice, and no change, when there is no line end.
    StringSlice TakeLine();

    void TrimRight();
    StringSlice Trimmed() const;
    // A copy without leading and trailing runs of c.
    StringSlice Strip(char c) const;

    std::string ToLower() const;
    std::string ToUpper() const;

    // k separators give k + 1 pieces, empty ones included.
    std::vector<StringSlice> Split(char separator) const;

private:
    template <typename Pred>
    StringSlice TakeWhile(Pred pred);

    const char* data_ = nullptr;
    uint32_t length_ = 0;
};
