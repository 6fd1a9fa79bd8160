#pragma once

#include <cstdio>
#include <memory>
#include <string>

class StdioFile;

// Imported files come from spreadsheets and school systems in either UTF-8 or the Windows
// code page, and now and then as "Unicode text" (UTF-16 or UTF-32); the model keeps UTF-8 only
// (the checks and conversion live in the foundation).

// Valid UTF-8 is kept as it is; anything else is read as Windows-1252, whatever a setting says
// of the file: the event holds UTF-8 only.
std::string DecodeImportedText(const std::string& text);

// The text without a leading UTF-8 byte-order mark.
std::string StripByteOrderMark(const std::string& text);

enum class WideEncoding { None, UTF16LE, UTF16BE, UTF32LE, UTF32BE };

// "UTF-16 (little-endian)" and the like; empty for None.
const char* WideEncodingName(WideEncoding encoding);

// The encoding of text that begins with these bytes: by its byte-order mark, or for text
// without one by the NUL bytes that 16- and 32-bit units of mostly Latin text have in the same
// places. None for 8-bit and UTF-8 text, whatever stray NULs it holds.
WideEncoding DetectWideEncoding(const std::string& head);

// The text as UTF-8, without its byte-order mark. False when it is not whole text of that
// encoding (cut within a unit, an unpaired surrogate, a value past U+10FFFF).
bool DecodeWideText(const std::string& bytes, WideEncoding encoding, std::string& out);

// What an import reads of a file: the file itself or, for UTF-16 and UTF-32 text, a UTF-8 copy
// of it in memory, so that lines, CSV records and XML read alike whatever the file's encoding.
class ImportInput {
public:
    ImportInput();
    ~ImportInput();
    ImportInput(const ImportInput&) = delete;
    ImportInput& operator=(const ImportInput&) = delete;

    // Reads the file from its current position. False, reported with the encoding's name, when
    // the file is wide text that cannot be decoded; nothing is then to be read.
    bool Open(StdioFile* file);
    // Forgets the file and any copy of it.
    void Close();
    // Null before a successful Open.
    StdioFile* Get() const { return stream_; }
    WideEncoding GetEncoding() const { return encoding_; }

private:
    StdioFile* stream_ = nullptr;
    WideEncoding encoding_ = WideEncoding::None;
    std::string decoded_;
    std::unique_ptr<StdioFile> memory_;
};
