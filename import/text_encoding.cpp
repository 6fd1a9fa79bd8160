#include "import/text_encoding.h"

#include <cstdio>

#include "foundation/files.h"
#include "foundation/string_functions.h"
#include "foundation/uc_error.h"

std::string DecodeImportedText(const std::string& text) {
    if (IsValidUTF8(text)) {
        return text;
    }
    return ConvertWindows1252ToUTF8(text);
}

std::string StripByteOrderMark(const std::string& text) {
    if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        return text.substr(3);
    }
    return text;
}

const char* WideEncodingName(WideEncoding encoding) {
    switch (encoding) {
        case WideEncoding::UTF16LE:
            return "UTF-16 (little-endian)";
        case WideEncoding::UTF16BE:
            return "UTF-16 (big-endian)";
        case WideEncoding::UTF32LE:
            return "UTF-32 (little-endian)";
        case WideEncoding::UTF32BE:
            return "UTF-32 (big-endian)";
        case WideEncoding::None:
            break;
    }
    return "";
}

namespace {

unsigned Byte(const std::string& text, size_t i) {
    return static_cast<unsigned char>(text[i]);
}

unsigned long Unit32(const std::string& text, size_t i, bool bigEndian) {
    unsigned long value = 0;
    for (size_t k = 0; k < 4; ++k) {
        const unsigned long byte = Byte(text, i + (bigEndian ? k : 3 - k));
        value = (value << 8) | byte;
    }
    return value;
}

unsigned Unit16(const std::string& text, size_t i, bool bigEndian) {
    return bigEndian ? (Byte(text, i) << 8) | Byte(text, i + 1)
                     : (Byte(text, i + 1) << 8) | Byte(text, i);
}

bool IsCodePoint(unsigned long value) {
    return value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF);
}

// Every 32-bit unit of the head is a character: bytes of 8-bit or UTF-8 text never are.
bool LooksLikeUTF32(const std::string& head, bool bigEndian) {
    if (head.size() < 4) {
        return false;
    }
    for (size_t i = 0; i + 4 <= head.size(); i += 4) {
        if (!IsCodePoint(Unit32(head, i, bigEndian))) {
            return false;
        }
    }
    return true;
}

}  // namespace

WideEncoding DetectWideEncoding(const std::string& head) {
    const auto startsWith = [&head](const char* mark, size_t length) {
        return head.size() >= length && head.compare(0, length, mark, length) == 0;
    };
    // A UTF-32 mark begins like a UTF-16 one, so it is looked for first.
    if (startsWith("\xFF\xFE\0\0", 4)) {
        return WideEncoding::UTF32LE;
    }
    if (startsWith("\0\0\xFE\xFF", 4)) {
        return WideEncoding::UTF32BE;
    }
    if (startsWith("\xFF\xFE", 2)) {
        return WideEncoding::UTF16LE;
    }
    if (startsWith("\xFE\xFF", 2)) {
        return WideEncoding::UTF16BE;
    }
    if (head.find('\0') == std::string::npos) {
        return WideEncoding::None;
    }
    if (LooksLikeUTF32(head, false)) {
        return WideEncoding::UTF32LE;
    }
    if (LooksLikeUTF32(head, true)) {
        return WideEncoding::UTF32BE;
    }
    // Latin text in 16-bit units has a NUL in nearly every unit, always on the same side.
    size_t evenNuls = 0;
    size_t oddNuls = 0;
    for (size_t i = 0; i + 1 < head.size(); i += 2) {
        evenNuls += head[i] == '\0' ? 1 : 0;
        oddNuls += head[i + 1] == '\0' ? 1 : 0;
    }
    const size_t units = head.size() / 2;
    if (oddNuls * 2 >= units && evenNuls * 8 <= oddNuls) {
        return WideEncoding::UTF16LE;
    }
    if (evenNuls * 2 >= units && oddNuls * 8 <= evenNuls) {
        return WideEncoding::UTF16BE;
    }
    return WideEncoding::None;
}

bool DecodeWideText(const std::string& bytes, WideEncoding encoding, std::string& out) {
    out.clear();
    const bool bigEndian = encoding == WideEncoding::UTF16BE || encoding == WideEncoding::UTF32BE;
    if (encoding == WideEncoding::UTF32LE || encoding == WideEncoding::UTF32BE) {
        if (bytes.size() % 4 != 0) {
            return false;
        }
        out.reserve(bytes.size() / 4);
        for (size_t i = 0; i < bytes.size(); i += 4) {
            const unsigned long code = Unit32(bytes, i, bigEndian);
            if (!IsCodePoint(code)) {
                return false;
            }
            if (!(i == 0 && code == 0xFEFF)) {
                AppendUTF8(out, code);
            }
        }
        return true;
    }
    if (encoding == WideEncoding::None || bytes.size() % 2 != 0) {
        return false;
    }
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i < bytes.size(); i += 2) {
        unsigned long code = Unit16(bytes, i, bigEndian);
        if (code >= 0xDC00 && code <= 0xDFFF) {
            return false;
        }
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (i + 4 > bytes.size()) {
                return false;
            }
            const unsigned low = Unit16(bytes, i + 2, bigEndian);
            if (low < 0xDC00 || low > 0xDFFF) {
                return false;
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        if (!(i == 0 && code == 0xFEFF)) {
            AppendUTF8(out, code);
        }
    }
    return true;
}

ImportInput::ImportInput() = default;
ImportInput::~ImportInput() = default;

void ImportInput::Close() {
    stream_ = nullptr;
    encoding_ = WideEncoding::None;
    memory_.reset();
    decoded_.clear();
}

bool ImportInput::Open(StdioFile* file) {
    Close();
    if (file == nullptr || file->GetFile() == nullptr) {
        return false;
    }
    FILE* in = file->GetFile();
    const long start = std::ftell(in);
    constexpr size_t kHeadBytes = 4096;
    std::string head(kHeadBytes, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), in));
    if (start < 0 || std::fseek(in, start, SEEK_SET) != 0) {
        return false;
    }
    std::clearerr(in);
    encoding_ = DetectWideEncoding(head);
    if (encoding_ == WideEncoding::None) {
        stream_ = file;
        return true;
    }
    std::string bytes;
    char buffer[65536];
    size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        bytes.append(buffer, read);
    }
    if (!DecodeWideText(bytes, encoding_, decoded_)) {
        ReportMessage(SeverityError, std::string("The file is ") + WideEncodingName(encoding_) +
                                         " text that is damaged or cut short, so it cannot be "
                                         "imported. Please save it again and import the new file.");
        return false;
    }
    memory_ = std::make_unique<StdioFile>(fmemopen(decoded_.data(), decoded_.size(), "rb"));
    if (memory_->GetFile() == nullptr) {
        return false;
    }
    stream_ = memory_.get();
    return true;
}
