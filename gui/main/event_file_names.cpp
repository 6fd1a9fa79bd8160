#include "gui/main/event_file_names.h"

#include <cctype>

bool HasFileExtension(const std::string& path, const std::string& extension) {
    const std::string whole(path.c_str());
    std::string tail = whole.size() < 4 ? whole : whole.substr(whole.size() - 4);
    for (char& c : tail) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return tail == extension;
}

std::string EventSavePath(const std::string& chosen, int filterIndex) {
    if (filterIndex == 0 && !HasFileExtension(chosen, kEventFileExtension)) {
        return chosen + kEventFileExtension;
    }
    return chosen;
}
