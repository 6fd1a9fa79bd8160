#pragma once

#include <cstdio>
#include <string>

#include "foundation/byte_buffer.h"

enum TokenKind {
    TokenEnd = 1,
    TokenError = 2,  // already reported
    TokenKey = 3,    // a word ending in ':', the ':' kept
    TokenWord = 4,
    TokenQuoted = 5,       // escapes resolved
    TokenTime24 = 6,       // HH:MM, or a decoded time as HH:MM:SS
    TokenTime12Short = 7,  // H:MMam
    TokenTime12 = 8,       // HH:MMpm
    TokenOpenBrace = 9,
    TokenCloseBrace = 10,
};

// Cuts the text of the program's own files (event file, user settings) into keys, words,
// quoted strings, times and braces, counting lines for messages. A '#' outside a quoted string
// ends the input for good, which keeps an event file's closing check line out of the tokens.
// Malformed input is reported and returned as TokenError; reading can go on after it.
class Tokeniser {
public:
    Tokeniser() = default;
    ~Tokeniser();
    Tokeniser(const Tokeniser&) = delete;
    Tokeniser& operator=(const Tokeniser&) = delete;

    // Reports "No file specified", "File doesn't exist" or "Cannot open file" and returns false
    // when the file cannot be the source.
    bool Open(const char* path);
    // Each source replaces the one before (an open file is closed).
    // Reads the buffer in place: the caller keeps it alive while tokens are read.
    void SetBuffer(const ByteBuffer* buffer);
    void SetText(const std::string& text);

    TokenKind NextToken(std::string& text);
    // The next NextToken returns exactly this; a second push-back replaces the first.
    void PushBack(TokenKind kind, const std::string& text);
    void UngetChar(char c);

    int GetLineNumber() const { return line_; }
    // The line on which the last token returned began (a word that ends its line has already
    // moved GetLineNumber on to the next).
    int GetTokenLine() const { return tokenLine_; }
    // Removes the white space at both ends of the last quoted text returned, except white space
    // that was written escaped: a writer escapes the blanks and line breaks at the ends of a
    // value that must keep them.
    void TrimQuoted(std::string& text) const;
    // Whether the input ended inside a quoted text (a file cut short).
    bool EndedInsideQuote() const { return endedInsideQuote_; }

private:
    void CloseFile();
    // The next character as unsigned char, or -1 at the end of the input.
    int NextChar();
    int GetChar();
    TokenKind ReadQuoted(std::string& text);
    TokenKind ReadEncodedTime(std::string& text);
    TokenKind ReadWord(int first, std::string& text);

    FILE* file_ = nullptr;
    int line_ = 1;
    int tokenLine_ = 1;
    int pushedLine_ = 1;
    TokenKind pushedKind_ = TokenEnd;
    std::string pushedText_;
    bool hasPushedToken_ = false;
    char pushedChar_ = 0;
    bool hasPushedChar_ = false;
    std::string text_;
    // Of the last quoted text: where its first escaped character stands and where its last one
    // ends (npos and 0 without escapes).
    struct EscapedRange {
        size_t first = std::string::npos;
        size_t end = 0;
    };
    EscapedRange escaped_;
    EscapedRange pushedEscaped_;
    bool endedInsideQuote_ = false;
    const ByteBuffer* buffer_ = nullptr;
    size_t position_ = 0;
    bool ended_ = false;
};
