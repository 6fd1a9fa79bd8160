#include "gui/dialogs/svg_picture.h"

#include <gtest/gtest.h>
#include <wx/image.h>

#include <string>

#include "gui/dialogs/about_dlg.h"
#include "gui/dialogs/pictures.h"
#include "gui/support/gui_test.h"

namespace {

TEST(GreyedSvg, EveryColourBecomesALightGreyOfItsBrightnessAndNothingElseChanges) {
    const struct {
        const char* name;
        const char* svg;
        const char* greyed;
    } cases[] = {
        {"black is the darkest grey", R"(fill="#000000")", R"(fill="#6e6e6e")"},
        {"white is the lightest", R"(stroke="#FFFFFF")", R"(stroke="#ebebeb")"},
        {"green by its brightness", R"(stop-color="#00ff00")", R"(stop-color="#b7b7b7")"},
        {"short form", R"(fill="#f00" stroke="#00f")", R"(fill="#939393" stroke="#7c7c7c")"},
        {"a gradient's name stays", "fill=\"url(#abc)\"", "fill=\"url(#abc)\""},
        {"neither colour length", "#abcd #12345 #1234567", "#abcd #12345 #1234567"},
        {"not hex", "#abcdeg #12g", "#abcdeg #12g"},
        {"a name that starts like one", "#abc-d #fade_1", "#abc-d #fade_1"},
        {"at the very end", "#808080", "#acacac"},
        {"no colours at all", "<path d=\"M0 0 h4\"/>", "<path d=\"M0 0 h4\"/>"},
        {"lone hash", "#", "#"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GreyedSvg(c.svg), c.greyed);
    }
}

using SvgPictures = GuiTest;

TEST_F(SvgPictures, ABundleDrawsThePictureAtEachSizeAskedAndRefusesWhatIsNoPicture) {
    const std::string square =
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10" viewBox="0 0 10 10">)"
        R"(<rect x="0" y="0" width="5" height="10" fill="#ff0000"/></svg>)";
    const wxBitmapBundle bundle =
        MakeSvgBundle(square.data(), static_cast<std::uint32_t>(square.size()), wxSize(20, 20));
    ASSERT_TRUE(bundle.IsOk());
    EXPECT_EQ(bundle.GetDefaultSize(), wxSize(20, 20));
    for (const int side : {20, 40}) {
        SCOPED_TRACE(side);
        const wxImage image = bundle.GetBitmap(wxSize(side, side)).ConvertToImage();
        ASSERT_EQ(image.GetSize(), wxSize(side, side));
        EXPECT_EQ(image.GetRed(side / 4, side / 2), 255);
        EXPECT_EQ(image.GetGreen(side / 4, side / 2), 0);
        EXPECT_EQ(image.GetAlpha(side * 3 / 4, side / 2), 0) << "the right half is left empty";
    }
    for (const std::string& text : {std::string("plain words"), std::string()}) {
        EXPECT_FALSE(
            MakeSvgBundle(text.data(), static_cast<std::uint32_t>(text.size()), wxSize(20, 20))
                .IsOk());
    }
}

TEST_F(SvgPictures, TheAboutPictureIsOpaqueAndColouredAndDrawnAgainForAScaledScreen) {
    for (const double scale : {1.0, 2.0}) {
        SCOPED_TRACE(scale);
        const wxBitmap picture = MakeAboutPicture(scale);
        ASSERT_TRUE(picture.IsOk());
        EXPECT_EQ(picture.GetLogicalSize(), wxSize(276, 133));
        EXPECT_EQ(picture.GetSize(), wxSize(276 * scale, 133 * scale));
        const wxImage image = picture.ConvertToImage();
        EXPECT_FALSE(image.HasAlpha());
        int coloured = 0;
        for (int i = 0; i < image.GetWidth() * image.GetHeight(); ++i) {
            const unsigned char* p = image.GetData() + 3 * i;
            coloured += (p[0] != p[1] || p[1] != p[2]) ? 1 : 0;
        }
        EXPECT_GT(coloured, image.GetWidth() * image.GetHeight() / 2);
    }
}

}  // namespace
