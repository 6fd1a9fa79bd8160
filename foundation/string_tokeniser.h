#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/string_slice.h"

class ByteBuffer;

// Cuts a line into separated fields (comma by default) that may be double-quoted, or a text
// into lines. Leading blanks of a field are dropped, trailing ones kept; a quote ends a quoted
// field (doubled quotes are not an escape) and the rest up to the separator is dropped.
class StringTokeniser {
public:
    // Splits text in place: the text must outlive the tokeniser.
    explicit StringTokeniser(const char* text);
    StringTokeniser(const char* text, uint32_t length);
    explicit StringTokeniser(const ByteBuffer& buffer);
    // Splits a copy of text.
    explicit StringTokeniser(const std::string& text);
    // The text may point into the tokeniser's own copy.
    StringTokeniser(const StringTokeniser&) = delete;
    StringTokeniser& operator=(const StringTokeniser&) = delete;

    void SetSeparator(char separator) { separator_ = separator; }
    // Back to the start, with the default separator and quotes.
    void Reset();

    // False when no field is left; out (if not null) receives the field.
    bool NextToken(std::string* out);
    bool NextSlice(StringSlice& out);
    // The characters up to the next LF, every CR dropped; false at the end of the text.
    bool NextLine(std::string& out);

    // Set the separator and collect every remaining field.
    std::vector<std::string> Split(char separator);
    std::vector<StringSlice> SplitSlices(char separator);

private:
    const char* text_;
    uint32_t position_ = 0;
    uint32_t length_;
    char separator_ = ',';
    char openQuote_ = '"';
    char closeQuote_ = '"';
    std::string ownCopy_;
};
