#include "model/icalendar.h"

#include <cstdint>

#include "foundation/md5.h"
#include "foundation/string_functions.h"

namespace {

const char* const kEol = "\r\n";

std::string Line(const char* name, const std::string& value) {
    return ICalendar::FoldLine(name + value) + kEol;
}

// Control characters can never stand in a property line; a blank keeps words apart.
std::string WithoutControls(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : FileTextToUTF8(text)) {
        unsigned char byte = static_cast<unsigned char>(c);
        out += (byte < 0x20 || byte == 0x7f) ? ' ' : c;
    }
    return out;
}

}  // namespace

std::string ICalendar::FoldLine(const std::string& line) {
    constexpr size_t kMaxOctets = 75;
    std::string out;
    out.reserve(line.size() + line.size() / 32);
    size_t lineOctets = 0;
    for (size_t i = 0; i < line.size();) {
        // A whole UTF-8 character at a time: its lead byte and the continuation bytes after.
        size_t length = 1;
        while (i + length < line.size() &&
               (static_cast<unsigned char>(line[i + length]) & 0xC0) == 0x80) {
            ++length;
        }
        if (lineOctets + length > kMaxOctets) {
            out += kEol;
            out += ' ';
            lineOctets = 1;
        }
        out.append(line, i, length);
        lineOctets += length;
        i += length;
    }
    return out;
}

std::string ICalendar::EscapeText(const std::string& raw) {
    const std::string text = FileTextToUTF8(raw);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        switch (c) {
            case '\\':
            case ';':
            case ',':
                out += '\\';
                out += c;
                break;
            case '\r':
                // CR LF, a lone CR and a lone LF are each one line break.
                if (i + 1 < text.size() && text[i + 1] == '\n') {
                    ++i;
                }
                out += "\\n";
                break;
            case '\n':
                out += "\\n";
                break;
            default: {
                unsigned char byte = static_cast<unsigned char>(c);
                out += c != '\t' && (byte < 0x20 || byte == 0x7f) ? ' ' : c;
            }
        }
    }
    return out;
}

std::string ICalendar::FormatDateTime(const Date& date, const TimeOfDay& time) {
    int seconds = time.Seconds();
    return StringPrintf("%04d%02d%02dT%02d%02d%02d", date.Year(), date.Month(), date.Day(),
                        seconds / 3600, seconds / 60 % 60, seconds % 60);
}

std::string ICalendar::FormatStamp(std::time_t stamp) {
    std::tm utc{};
    if (gmtime_r(&stamp, &utc) == nullptr) {
        return std::string();
    }
    char buffer[32];
    size_t length = std::strftime(buffer, sizeof buffer, "%Y%m%dT%H%M%SZ", &utc);
    return std::string(buffer, length);
}

std::string ICalendar::MakeUid(std::time_t stamp) const {
    MD5 md5;
    const std::string key = location_ + '\n' + owner_ + '\n' +
                            StringPrintf("%04d%02d%02d", date_.Year(), date_.Month(), date_.Day());
    return StringPrintf("%08x@Quillmoot", static_cast<std::uint32_t>(stamp)) + md5.HexDigest(key);
}

std::string ICalendar::FormatOrganizer() const {
    // A parameter value may hold neither a double quote nor a control character, and must be
    // quoted when it holds a colon, semicolon or comma.
    std::string name;
    for (char c : WithoutControls(location_)) {
        if (c != '"') {
            name += c;
        }
    }
    if (name.find_first_of(":;,") != std::string::npos) {
        name = "\"" + name + "\"";
    }
    return FoldLine("ORGANIZER;CN=" + name + ":mailto:" + WithoutControls(mailTo_)) + kEol;
}

std::string ICalendar::FormatCalendar(std::time_t stamp) const {
    std::string text;
    text += Line("BEGIN:VCALENDAR", "");
    text += Line("VERSION:2.0", "");
    text += Line("PRODID:-//Hollinwade Software//NONSGML Quillmoot//EN", "");
    text += Line("BEGIN:VEVENT", "");
    text += Line("UID:", MakeUid(stamp));
    text += Line("DTSTAMP:", FormatStamp(stamp));
    text += Line("LOCATION:", EscapeText(location_));
    text += FormatOrganizer();
    text += Line("DTSTART:", FormatDateTime(date_, start_));
    text += Line("DTEND:", FormatDateTime(date_, end_));
    text += Line("SUMMARY:", EscapeText(summary_));
    if (!description_.empty()) {
        text += Line("DESCRIPTION:", EscapeText(description_));
    }
    text += Line("END:VEVENT", "");
    text += Line("END:VCALENDAR", "");
    return text;
}

std::string ICalendar::FormatEvent() const {
    std::string text;
    text += Line("BEGIN:VEVENT", "");
    text += Line("LOCATION:", EscapeText(location_));
    text += Line("DTSTART:", FormatDateTime(date_, start_));
    text += Line("DTEND:", FormatDateTime(date_, end_));
    text += Line("SUMMARY:", EscapeText(summary_));
    text += Line("END:VEVENT", "");
    return text;
}
