#include "app/event_file_format.h"

#include "foundation/md5.h"
#include "foundation/percent_encoding.h"
#include "foundation/string_functions.h"

namespace {

std::string Quoted(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    out += text;
    out += '"';
    return out;
}

}  // namespace

std::string FormatKeyString(const char* key, const std::string& text) {
    std::string line(key);
    line += ' ';
    line += Quoted(text);
    line += '\n';
    return line;
}

std::string FormatKeyInt(const char* key, int value) {
    return StringPrintf("%s \"%d\"\n", key, value);
}

std::string FormatTimeValue(const TimeOfDay& time) {
    if (time.Seconds() % 60 != 0) {
        return time.FormatEncoded();
    }
    return time.Format(Time12h);
}

std::string FormatKeyTime(const char* key, const TimeOfDay& time) {
    std::string line(key);
    line += ' ';
    line += FormatTimeValue(time);
    line += '\n';
    return line;
}

std::string FormatKeyDate(const char* key, const Date& date) {
    return FormatKeyString(key, date.FormatLong());
}

std::string FormatKeyText(const char* key, const std::string& text) {
    if (text.empty()) {
        return std::string();
    }
    return FormatKeyString(key, PercentEncode(text.c_str()));
}

std::string FormatOptionWord(const char* key, const char* word) {
    std::string line("Option ");
    line += Quoted(key);
    line += ' ';
    line += Quoted(word);
    line += '\n';
    return line;
}

std::string FormatOptionBool(const char* key, bool value) {
    return FormatOptionWord(key, value ? "True" : "False");
}

std::string FormatOptionFloat(const char* key, double value) {
    return FormatOptionWord(key, StringPrintf("%f", value).c_str());
}

std::string EscapeOptionText(const char* text) {
    std::string out;
    if (text == nullptr) {
        return out;
    }
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '"' || *p == '\n' || *p == '\r') {
            out += '\\';
        }
        out += *p;
    }
    return out;
}

bool VerifyAutosaveText(const std::string& text, std::string* body) {
    constexpr size_t kDigestLength = 32;
    // The check line is the last line: '#', the digest and a line end (CR LF where the copy
    // passed through a text-mode stream elsewhere).
    size_t end = text.size();
    if (end > 0 && text[end - 1] == '\n') {
        --end;
    }
    if (end > 0 && text[end - 1] == '\r') {
        --end;
    }
    if (end < kDigestLength + 1) {
        return false;
    }
    const size_t hash = end - kDigestLength - 1;
    if (text[hash] != '#' || (hash > 0 && text[hash - 1] != '\n')) {
        return false;
    }
    const std::string digest = text.substr(hash + 1, kDigestLength);
    MD5 md5;
    if (md5.HexDigest(text.data(), static_cast<unsigned>(hash)) != digest) {
        return false;
    }
    if (body != nullptr) {
        body->assign(text, 0, hash);
    }
    return true;
}
