#include <gtest/gtest.h>
#include <wx/iconbndl.h>
#include <wx/image.h>
#include <wx/toolbar.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "frame_fixture.h"
#include "gui/main/pictures.h"

namespace {

// A pixel "has colour" when its channels differ by more than rounding could.
bool HasColour(unsigned char r, unsigned char g, unsigned char b) {
    return std::abs(r - g) > 2 || std::abs(g - b) > 2 || std::abs(r - b) > 2;
}

struct PixelCount {
    int coloured = 0;
    int visible = 0;
};

PixelCount CountPixels(const wxImage& image) {
    PixelCount count;
    const unsigned char* rgb = image.GetData();
    for (int i = 0; i < image.GetWidth() * image.GetHeight(); ++i) {
        if (image.HasAlpha() && image.GetAlpha()[i] == 0) {
            continue;
        }
        ++count.visible;
        count.coloured += HasColour(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]) ? 1 : 0;
    }
    return count;
}

std::vector<unsigned char> AlphaOf(const wxImage& image) {
    return {image.GetAlpha(), image.GetAlpha() + image.GetWidth() * image.GetHeight()};
}

using ProgramPictures = MainWindow;

// Each tool shows its own coloured picture, and when disabled the same shapes in greys only;
// both are drawn again (not stretched) for a screen that scales by 2.
TEST_F(ProgramPictures, EveryToolHasItsOwnPictureAndAGreyTwinOfTheSameShape) {
    Open();
    wxToolBar* bar = frame_->GetToolBar();
    std::vector<wxImage> normals;
    for (size_t position = 0; position < bar->GetToolsCount(); ++position) {
        const wxToolBarToolBase* tool = bar->GetToolByPos(static_cast<int>(position));
        if (tool->IsSeparator()) {
            continue;
        }
        SCOPED_TRACE(ToUtf8(tool->GetLabel()));
        const wxBitmapBundle normalBundle = tool->GetNormalBitmapBundle();
        const wxBitmapBundle disabledBundle = tool->GetDisabledBitmapBundle();
        ASSERT_TRUE(normalBundle.IsOk());
        ASSERT_TRUE(disabledBundle.IsOk());
        EXPECT_EQ(normalBundle.GetDefaultSize(), wxSize(48, 48));
        EXPECT_EQ(disabledBundle.GetDefaultSize(), wxSize(48, 48));

        const wxBitmap normal = normalBundle.GetBitmap(wxDefaultSize);
        const wxBitmap disabled = disabledBundle.GetBitmap(wxDefaultSize);
        ASSERT_TRUE(normal.IsOk());
        ASSERT_TRUE(disabled.IsOk());
        EXPECT_EQ(normal.GetSize(), wxSize(48, 48));
        EXPECT_EQ(disabled.GetSize(), wxSize(48, 48));
        const wxImage normalImage = normal.ConvertToImage();
        const wxImage disabledImage = disabled.ConvertToImage();
        const PixelCount normalPixels = CountPixels(normalImage);
        const PixelCount disabledPixels = CountPixels(disabledImage);
        EXPECT_GT(normalPixels.visible, 48 * 48 / 4) << "the picture fills its square";
        EXPECT_GT(normalPixels.coloured, normalPixels.visible / 4) << "the picture is coloured";
        EXPECT_EQ(disabledPixels.coloured, 0) << "the disabled picture is grey";
        ASSERT_TRUE(normalImage.HasAlpha());
        ASSERT_TRUE(disabledImage.HasAlpha());
        EXPECT_EQ(AlphaOf(normalImage), AlphaOf(disabledImage)) << "the same picture's shapes";

        const wxBitmap twice = normalBundle.GetBitmap(wxSize(96, 96));
        EXPECT_EQ(twice.GetSize(), wxSize(96, 96));
        const wxImage stretched = normalImage.Scale(96, 96, wxIMAGE_QUALITY_NEAREST);
        const wxImage drawn = twice.ConvertToImage();
        EXPECT_NE(AlphaOf(drawn), AlphaOf(stretched)) << "drawn again at twice the size";
        EXPECT_EQ(disabledBundle.GetBitmap(wxSize(96, 96)).GetSize(), wxSize(96, 96));

        for (const wxImage& other : normals) {
            EXPECT_NE(AlphaOf(other), AlphaOf(normalImage)) << "a picture shared by two tools";
        }
        normals.push_back(normalImage);
    }
    EXPECT_EQ(normals.size(), 9u);
}

TEST_F(ProgramPictures, ToolPicturesFromBytesThatHoldNoPictureAreInvalid) {
    const std::string notAPicture = "\x89PNG not really";
    EXPECT_FALSE(QuillmootFrame::MakeToolBitmap(notAPicture.data(),
                                                static_cast<std::uint32_t>(notAPicture.size()))
                     .IsOk());
    EXPECT_FALSE(QuillmootFrame::MakeToolBitmap("", 0).IsOk());
    EXPECT_TRUE(
        QuillmootFrame::MakeToolBitmap(kPictureToolPrint.text, kPictureToolPrint.size).IsOk());
}

// Title bars, task switchers and docks each pick their size; every size is the coloured icon.
TEST_F(ProgramPictures, TheWindowCarriesTheProgramsIconAtTheSizesDesktopsAskFor) {
    Open();
    const wxIconBundle& icons = frame_->GetIcons();
    for (const int side : {16, 32, 48, 256}) {
        SCOPED_TRACE(side);
        const wxIcon icon = icons.GetIcon(wxSize(side, side), wxIconBundle::FALLBACK_NONE);
        ASSERT_TRUE(icon.IsOk());
        EXPECT_EQ(icon.GetSize(), wxSize(side, side));
        wxBitmap bitmap;
        bitmap.CopyFromIcon(icon);
        const PixelCount pixels = CountPixels(bitmap.ConvertToImage());
        EXPECT_GT(pixels.visible, side * side / 2);
        EXPECT_GT(pixels.coloured, pixels.visible / 10);
    }
}

}  // namespace
