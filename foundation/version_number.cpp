#include "foundation/version_number.h"

#include <cstdlib>
#include <vector>

#include "foundation/string_functions.h"
#include "foundation/string_tokeniser.h"

VersionNumber::VersionNumber(const char* text, char separator) {
    if (text == nullptr) {
        return;
    }
    StringTokeniser tokeniser(text);
    std::vector<std::string> fields = tokeniser.Split(separator);
    if (fields.size() < 3) {
        return;
    }
    std::uint32_t parts[3];
    for (int i = 0; i < 3; ++i) {
        parts[i] = static_cast<std::uint32_t>(std::atoi(fields[i].c_str())) & 0xFF;
    }
    packed_ = parts[0] << 16 | parts[1] << 8 | parts[2];
}

std::string VersionNumber::Format() const {
    return StringPrintf("%d.%d.%d", Major(), Minor(), Patch());
}
