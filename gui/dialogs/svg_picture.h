#pragma once

#include <wx/bmpbndl.h>

#include <cstdint>
#include <string>
#include <string_view>

// A picture drawn for this program and built into it as SVG text (qm_embed_pictures).
struct SvgPicture {
    const char* text;
    std::uint32_t size;
};

// The same picture for a disabled control: every colour becomes a light grey of its own
// brightness, so the shapes stay apart and nothing is coloured.
std::string GreyedSvg(std::string_view svg);

// The picture at `size` pixels at 1x, drawn afresh at every other scale, so that it stays sharp
// on a high-resolution screen. Invalid when the bytes hold no SVG picture.
wxBitmapBundle MakeSvgBundle(const char* bytes, std::uint32_t count, const wxSize& size);
