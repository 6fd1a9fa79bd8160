#include "gui/dialogs/svg_picture.h"

#include <cctype>
#include <cstdio>

namespace {

bool IsNameCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
}

int HexValue(char c) {
    return std::isdigit(static_cast<unsigned char>(c))
               ? c - '0'
               : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
}

// Disabled pictures sit between mid grey and near white: black lines stay readable against
// the lightest fills, and nothing looks as strong as an enabled picture.
constexpr int kDarkestGrey = 110;
constexpr int kGreyRange = 125;

}  // namespace

std::string GreyedSvg(std::string_view svg) {
    std::string greyed;
    greyed.reserve(svg.size());
    size_t i = 0;
    while (i < svg.size()) {
        size_t digits = 0;
        // A colour is #rgb or #rrggbb; "url(#id)" names a gradient and stays.
        if (svg[i] == '#' && (i == 0 || svg[i - 1] != '(')) {
            while (i + 1 + digits < svg.size() &&
                   std::isxdigit(static_cast<unsigned char>(svg[i + 1 + digits]))) {
                ++digits;
            }
            const size_t end = i + 1 + digits;
            if ((digits != 3 && digits != 6) || (end < svg.size() && IsNameCharacter(svg[end]))) {
                digits = 0;
            }
        }
        if (digits == 0) {
            greyed += svg[i++];
            continue;
        }
        int rgb[3];
        for (int channel = 0; channel < 3; ++channel) {
            rgb[channel] = digits == 6 ? HexValue(svg[i + 1 + 2 * channel]) * 16 +
                                             HexValue(svg[i + 2 + 2 * channel])
                                       : HexValue(svg[i + 1 + channel]) * 17;
        }
        const int brightness = (299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2]) / 1000;
        const int grey = kDarkestGrey + brightness * kGreyRange / 255;
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%02x%02x%02x", grey, grey, grey);
        greyed += colour;
        i += 1 + digits;
    }
    return greyed;
}

wxBitmapBundle MakeSvgBundle(const char* bytes, std::uint32_t count, const wxSize& size) {
    // The SVG reader needs its text ending in a zero byte.
    const std::string text(bytes, count);
    return wxBitmapBundle::FromSVG(text.c_str(), size);
}
