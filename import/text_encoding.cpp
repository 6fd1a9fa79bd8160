#include "import/text_encoding.h"

#include "foundation/string_functions.h"

std::string DecodeImportedText(const std::string& text, bool forceUTF8) {
    if (forceUTF8 || IsValidUTF8(text)) {
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
