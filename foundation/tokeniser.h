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
    const ByteBuffer* buffer_ = nullptr;
    size_t position_ = 0;
    bool ended_ = false;
};
