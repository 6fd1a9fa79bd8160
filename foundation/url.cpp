#include "foundation/url.h"

#include <cstring>

URL::URL(const char* text) {
    if (text == nullptr) {
        return;
    }
    const char* separator = std::strstr(text, "://");
    if (separator == nullptr) {
        path_ = text;
        return;
    }
    scheme_.assign(text, separator);
    const char* rest = separator + 3;
    const char* slash = std::strchr(rest, '/');
    if (slash == nullptr) {
        host_ = rest;
    } else {
        host_.assign(rest, slash);
        path_ = slash + 1;
    }
}

std::string URL::GetBase() const {
    if (scheme_.empty()) {
        return std::string();
    }
    return scheme_ + "://" + host_ + "/";
}
