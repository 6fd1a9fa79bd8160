#include "foundation/tokeniser.h"

#include <algorithm>
#include <cctype>

#include "foundation/files.h"
#include "foundation/string_functions.h"
#include "foundation/text_codec.h"
#include "foundation/uc_error.h"

namespace {

bool IsSpace(int c) {
    // Every locale agrees on the ASCII spaces; only other bytes need asking.
    if (c >= 0 && c < 0x80) {
        return c == ' ' || (c >= '\t' && c <= '\r');
    }
    return c >= 0 && std::isspace(c) != 0;
}

TokenKind ClassifyWord(const std::string& word) {
    const size_t length = word.size();
    if (word.back() == ':') {
        return TokenKey;
    }
    if (length == 5 && word[2] == ':') {
        return TokenTime24;
    }
    if (length == 6 && word[1] == ':' && word[5] == 'm') {
        return TokenTime12Short;
    }
    if (length == 7 && word[2] == ':' && word[6] == 'm') {
        return TokenTime12;
    }
    return TokenWord;
}

}  // namespace

Tokeniser::~Tokeniser() {
    CloseFile();
}

bool Tokeniser::Open(const char* path) {
    if (path == nullptr) {
        ReportMessage(SeverityError, "No file specified");
        return false;
    }
    FileName name(path);
    if (!name.Exists()) {
        ReportMessage(SeverityError, "File doesn't exist");
        return false;
    }
    FILE* file = OpenOrdinaryFile(path);
    if (file == nullptr) {
        ReportMessage(SeverityError, "Cannot open file");
        return false;
    }
    CloseFile();
    file_ = file;
    buffer_ = nullptr;
    text_.clear();
    return true;
}

void Tokeniser::CloseFile() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

void Tokeniser::SetBuffer(const ByteBuffer* buffer) {
    CloseFile();
    buffer_ = buffer;
    text_.clear();
    position_ = 0;
    endedInsideQuote_ = false;
}

void Tokeniser::SetText(const std::string& text) {
    CloseFile();
    buffer_ = nullptr;
    text_ = text;
    position_ = 0;
    endedInsideQuote_ = false;
}

void Tokeniser::PushBack(TokenKind kind, const std::string& text) {
    pushedKind_ = kind;
    pushedText_ = text;
    hasPushedToken_ = true;
    pushedLine_ = tokenLine_;
    pushedEscaped_ = escaped_;
}

void Tokeniser::TrimQuoted(std::string& text) const {
    size_t end = text.size();
    const size_t keptEnd = std::min(escaped_.end, end);
    while (end > keptEnd && IsSpace(static_cast<unsigned char>(text[end - 1]))) {
        --end;
    }
    size_t begin = 0;
    const size_t keptBegin = std::min(escaped_.first, end);
    while (begin < keptBegin && IsSpace(static_cast<unsigned char>(text[begin]))) {
        ++begin;
    }
    text.erase(end);
    text.erase(0, begin);
}

void Tokeniser::UngetChar(char c) {
    pushedChar_ = c;
    hasPushedChar_ = true;
}

int Tokeniser::GetChar() {
    int c = -1;
    if (file_ != nullptr) {
        c = std::fgetc(file_);
        if (c == EOF) {
            c = -1;
        }
    } else if (buffer_ != nullptr) {
        if (position_ < static_cast<size_t>(buffer_->Size())) {
            c = static_cast<unsigned char>(*buffer_->At(static_cast<int>(position_++)));
        }
    } else if (position_ < text_.size()) {
        c = static_cast<unsigned char>(text_[position_++]);
    }
    if (c == '\n') {
        ++line_;
    }
    return c;
}

int Tokeniser::NextChar() {
    if (hasPushedChar_) {
        hasPushedChar_ = false;
        return static_cast<unsigned char>(pushedChar_);
    }
    return GetChar();
}

TokenKind Tokeniser::NextToken(std::string& text) {
    if (ended_) {
        text.clear();
        return TokenEnd;
    }
    if (hasPushedToken_) {
        hasPushedToken_ = false;
        text = pushedText_;
        tokenLine_ = pushedLine_;
        escaped_ = pushedEscaped_;
        return pushedKind_;
    }
    text.clear();
    int c = NextChar();
    while (IsSpace(c)) {
        c = NextChar();
    }
    tokenLine_ = line_;
    switch (c) {
        case -1:
            return TokenEnd;
        case '{':
            return TokenOpenBrace;
        case '}':
            return TokenCloseBrace;
        case '#':
            ended_ = true;
            return TokenEnd;
        case '"':
            return ReadQuoted(text);
        case '=':
            return ReadEncodedTime(text);
        default:
            return ReadWord(c, text);
    }
}

TokenKind Tokeniser::ReadQuoted(std::string& text) {
    escaped_ = EscapedRange();
    for (;;) {
        int c = NextChar();
        if (c == '"') {
            return TokenQuoted;
        }
        if (c == -1) {
            endedInsideQuote_ = true;
            return TokenQuoted;
        }
        if (c == '\n' || c == '\r') {
            ReportMessage(SeverityError,
                          StringPrintf("Missing double-quote character on line %d", line_));
            return TokenError;
        }
        if (c == '\\') {
            c = NextChar();
            if (c == -1) {
                endedInsideQuote_ = true;
                return TokenQuoted;
            }
            escaped_.first = std::min(escaped_.first, text.size());
            escaped_.end = text.size() + 1;
        }
        text += static_cast<char>(c);
    }
}

TokenKind Tokeniser::ReadEncodedTime(std::string& text) {
    std::string encoded;
    for (int c = NextChar(); c != -1 && !IsSpace(c); c = NextChar()) {
        encoded += static_cast<char>(c);
    }
    const auto decoded = TextCodec::Decode(encoded);
    const int size = decoded ? decoded->Size() : 0;
    if (size != 9 && size != 11) {
        ReportMessage(SeverityError,
                      StringPrintf("%ld: Invalid time on line %d", static_cast<long>(size), line_));
        return TokenError;
    }
    const auto byteAt = [&decoded](int index) {
        return static_cast<int>(static_cast<unsigned char>(*decoded->At(index)));
    };
    const int hours = byteAt(2);
    const int minutes = byteAt(4);
    const int seconds = size == 11 ? byteAt(9) : 0;
    // A damaged token must not become a time the rest of the program cannot hold.
    if (hours > 23 || minutes > 59 || seconds > 59) {
        ReportMessage(SeverityError, StringPrintf("Invalid time on line %d", line_));
        return TokenError;
    }
    // "hh:mm:ss", written out by hand: a file holds a time for every request.
    const char formatted[] = {
        static_cast<char>('0' + hours / 10),   static_cast<char>('0' + hours % 10),   ':',
        static_cast<char>('0' + minutes / 10), static_cast<char>('0' + minutes % 10), ':',
        static_cast<char>('0' + seconds / 10), static_cast<char>('0' + seconds % 10)};
    text.assign(formatted, sizeof formatted);
    return TokenTime24;
}

TokenKind Tokeniser::ReadWord(int first, std::string& text) {
    text += static_cast<char>(first);
    for (;;) {
        const int c = NextChar();
        if (c == -1 || IsSpace(c)) {
            break;
        }
        if (c == '"') {
            UngetChar('"');
            break;
        }
        text += static_cast<char>(c);
    }
    return ClassifyWord(text);
}
