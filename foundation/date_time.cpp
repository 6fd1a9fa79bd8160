#include "foundation/date_time.h"

#include <vector>

#include "foundation/string_slice.h"

std::string DateTime::Format() const {
    return date_.FormatLong() + " " + time_.Format(Time24hs);
}

bool DateTime::Parse(const char* text) {
    if (text == nullptr) {
        return false;
    }
    std::vector<StringSlice> parts = StringSlice(text).Split(' ');
    if (parts.size() < 2) {
        return false;
    }
    if (!date_.ParseISO(parts[0].ToString().c_str())) {
        return false;
    }
    return time_.ParseTimestamp(parts[1].ToString().c_str());
}
