#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "foundation/colour.h"
#include "foundation/url.h"
#include "foundation/version_number.h"

TEST(Colour, PacksRedGreenBlue) {
    Colour colour(0x12, 0x34, 0x56);
    EXPECT_EQ(colour.GetPacked(), 0x123456u);
    EXPECT_EQ(colour.ToHex(), "123456");
    EXPECT_EQ(colour.Red(), 0x12);
    EXPECT_EQ(colour.Green(), 0x34);
    EXPECT_EQ(colour.Blue(), 0x56);
    EXPECT_EQ(Colour().ToHex(), "000000");
    EXPECT_EQ(Colour(0, 0, 0x0a).ToHex(), "00000a");
}

TEST(Colour, SetHexReadsAHexNumber) {
    Colour colour;
    colour.SetHex("ff0000");
    EXPECT_EQ(colour, Colour(255, 0, 0));
    colour.SetHex("00FF7f");
    EXPECT_EQ(colour, Colour(0, 255, 127));
    colour.SetHex("abc");
    EXPECT_EQ(colour.GetPacked(), 0xabcu);
    colour.SetHex("not hex");
    EXPECT_EQ(colour.GetPacked(), 0u);
    colour.SetHex(Colour(1, 2, 3).ToHex().c_str());
    EXPECT_EQ(colour, Colour(1, 2, 3));
}

// A damaged settings value reads as a 32-bit strtoul reads it.
TEST(Colour, SetHexReadsTooLargeANumberAsAllOnesAndNegatesWithinTheWord) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"123456789a", 0xFFFFFFFFu}, {"-1ffffffff", 0xFFFFFFFFu}, {"-2", 0xFFFFFFFEu},
        {" -0x10", 0xFFFFFFF0u},     {"-", 0u}};
    for (const auto& [text, packed] : cases) {
        Colour colour(1, 2, 3);
        colour.SetHex(text);
        EXPECT_EQ(colour.GetPacked(), packed) << text;
    }
}

TEST(VersionNumber, ParsesThreeFieldsAndComparesAsIntegers) {
    VersionNumber current("3.10.2", '.');
    EXPECT_EQ(current.Format(), "3.10.2");
    EXPECT_GT(current.GetPacked(), VersionNumber("3.9.40", '.').GetPacked());
    EXPECT_LT(current.GetPacked(), VersionNumber("4.0.0", '.').GetPacked());
    EXPECT_EQ(current.GetPacked(), VersionNumber("3.10.2.7", '.').GetPacked());
    EXPECT_EQ(VersionNumber("6,2,0", ',').Format(), "6.2.0");
    EXPECT_EQ(VersionNumber(" 6. 2. 0", '.').Format(), "6.2.0");
}

TEST(VersionNumber, FewerThanThreeFieldsMeanNoVersion) {
    EXPECT_EQ(VersionNumber("3.10", '.').GetPacked(), 0u);
    EXPECT_EQ(VersionNumber("", '.').GetPacked(), 0u);
    EXPECT_EQ(VersionNumber("3.10.2", ',').GetPacked(), 0u);
    EXPECT_EQ(VersionNumber(nullptr, '.').GetPacked(), 0u);
}

TEST(VersionNumber, EachPartKeepsItsLowEightBits) {
    VersionNumber version("1.256.257", '.');
    EXPECT_EQ(version.Format(), "1.0.1");
    EXPECT_EQ(version.GetPacked(), 0x010001u);
}

TEST(URL, SplitsSchemeHostAndPath) {
    struct Case {
        const char* text;
        const char* scheme;
        const char* host;
        const char* path;
        const char* base;
    } cases[] = {
        {"https://example.org/updates/version.txt", "https", "example.org", "updates/version.txt",
         "https://example.org/"},
        {"http://host", "http", "host", "", "http://host/"},
        {"http://host/", "http", "host", "", "http://host/"},
        {"ftp://a/b://c", "ftp", "a", "b://c", "ftp://a/"},
        {"updates/version.txt", "", "", "updates/version.txt", ""},
        {"://host/x", "", "host", "x", ""},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        URL url(c.text);
        EXPECT_EQ(url.GetScheme(), c.scheme);
        EXPECT_EQ(url.GetHost(), c.host);
        EXPECT_EQ(url.GetPath(), c.path);
        EXPECT_EQ(url.GetBase(), c.base);
    }
}

TEST(URL, GivesBackTheTextItWasMadeFrom) {
    for (const char* text :
         {"https://example.org/updates/version.txt", "updates/version.txt", "http://host/"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(URL(text).GetURL(), text);
        EXPECT_EQ(URL(std::string(text)).GetURL(), text);
    }
    URL original("https://example.org/a/b");
    URL copy(original);
    EXPECT_EQ(copy.GetURL(), "https://example.org/a/b");
    EXPECT_EQ(URL(static_cast<const char*>(nullptr)).GetURL(), "");
}
