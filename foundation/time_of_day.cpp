#include "foundation/time_of_day.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "foundation/byte_buffer.h"
#include "foundation/string_functions.h"
#include "foundation/string_slice.h"
#include "foundation/text_codec.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool TimeOfDay::Parse(const char* text) {
    if (text == nullptr || !IsDigit(text[0])) {
        return false;
    }
    int hours = text[0] - '0';
    const char* p = text + 1;
    if (IsDigit(*p)) {
        hours = hours * 10 + (*p - '0');
        ++p;
    }
    if (*p != ':' && *p != '.') {
        return false;
    }
    ++p;
    if (!IsDigit(p[0]) || !IsDigit(p[1])) {
        return false;
    }
    int minutes = (p[0] - '0') * 10 + (p[1] - '0');
    p += 2;
    if (minutes >= 60) {
        return false;
    }
    if (*p == '\0') {
        if (hours >= 24) {
            return false;
        }
        Set(hours, minutes);
        return true;
    }
    while (*p == ' ') {
        ++p;
    }
    char marker = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    if ((marker != 'a' && marker != 'p') || hours == 0) {
        return false;
    }
    if (hours == 12) {
        hours = marker == 'a' ? 0 : 12;
    } else if (marker == 'p') {
        hours += 12;
    }
    if (hours > 23) {
        return false;
    }
    Set(hours, minutes);
    return true;
}

bool TimeOfDay::ParseHMS(const char* text) {
    if (text == nullptr) {
        return false;
    }
    std::vector<StringSlice> parts = StringSlice(text).Split(':');
    if (parts.size() != 3) {
        return false;
    }
    int values[3];
    for (int i = 0; i < 3; ++i) {
        values[i] = std::atoi(parts[i].ToString().c_str());
    }
    if (values[0] < 0 || values[0] > 23 || values[1] < 0 || values[1] > 59 || values[2] < 0 ||
        values[2] > 59) {
        return false;
    }
    Set(values[0], values[1], values[2]);
    return true;
}

bool TimeOfDay::ParseTimestamp(const char* text) {
    if (text == nullptr || *text == '\0') {
        return false;
    }
    const char* fraction = std::strchr(text, '.');
    if (fraction == nullptr) {
        return ParseHMS(text);
    }
    return ParseHMS(std::string(text, fraction).c_str());
}

std::string TimeOfDay::Format(TimeStyle style) const {
    int hours = seconds_ / 3600;
    int minutes = (seconds_ / 60) % 60;
    int seconds = seconds_ % 60;
    switch (style) {
        case Time24h:
            return StringPrintf("%02d:%02d", hours, minutes);
        case Time24hs:
            return StringPrintf("%02d:%02d:%02d", hours, minutes, seconds);
        default:
            break;
    }
    const char* suffix = "am";
    if (seconds_ > 46799) {
        suffix = "pm";
        hours -= 12;
    } else if (seconds_ >= 43200) {
        suffix = "pm";
    } else if (hours == 0) {
        hours = 12;
    }
    return StringPrintf("%d:%02d%s", hours, minutes, suffix);
}

std::string TimeOfDay::FormatEncoded() const {
    int seconds = seconds_ % 60;
    int blockSize = seconds == 0 ? 8 : 10;
    ByteBuffer block(blockSize);
    // One draw per random byte, in order, so seeded runs stay repeatable.
    const bool fixed = FixedTimeEncoding::IsActive();
    for (int i = 0; i < blockSize; ++i) {
        if (i != 2 && i != 4 && i != 9) {
            *block.At(i) = fixed ? 0 : static_cast<char>(std::rand() % 255);
        }
    }
    *block.At(2) = static_cast<char>(seconds_ / 3600);
    *block.At(4) = static_cast<char>((seconds_ / 60) % 60);
    if (blockSize == 10) {
        *block.At(9) = static_cast<char>(seconds);
    }
    return "=" + TextCodec::Encode(block);
}
