#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "foundation/base64.h"
#include "foundation/byte_buffer.h"
#include "foundation/md5.h"
#include "foundation/percent_encoding.h"
#include "foundation/string_functions.h"
#include "foundation/string_slice.h"
#include "foundation/text_codec.h"
#include "support/temp_folder.h"

namespace {

std::string AllBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i) {
        bytes += static_cast<char>(i);
    }
    return bytes;
}

std::string Repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

}  // namespace

TEST(Base64, EncodesTheRfc4648Vectors) {
    struct Case {
        const char* data;
        const char* text;
    } cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {"abc", "YWJj"},
        {"ab", "YWI="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data);
        EXPECT_EQ(Base64::Encode(std::string(c.data)), c.text);
        std::unique_ptr<ByteBuffer> decoded = Base64::Decode(std::string(c.text));
        EXPECT_EQ(decoded->ToString(), c.data);
    }
}

TEST(Base64, BreaksLinesAfter76CharactersWithABareLineFeed) {
    const std::string line = Repeat("YWFh", 19);  // "aaa" 19 times: 57 bytes, 76 characters
    EXPECT_EQ(Base64::Encode(Repeat("a", 57)), line + "\n");
    EXPECT_EQ(Base64::Encode(Repeat("a", 58)), line + "\nYQ==");
    EXPECT_EQ(Base64::Encode(Repeat("a", 114)), line + "\n" + line + "\n");
    EXPECT_EQ(Base64::Encode(Repeat("a", 56)), Repeat("YWFh", 18) + "YWE=");
}

TEST(Base64, EncodesTheBytesOfASliceWithoutNeedingANul) {
    const char text[] = {'x', 'a', 'b', 'c', 'y'};
    EXPECT_EQ(Base64::Encode(StringSlice(text + 1, 3)), "YWJj");
    EXPECT_EQ(Base64::Encode(StringSlice(text + 1, 2)), "YWI=");
    const std::string line = Repeat("a", 57);
    EXPECT_EQ(Base64::Encode(StringSlice(line.c_str())), Repeat("YWFh", 19) + "\n");
    EXPECT_EQ(Base64::Encode(StringSlice()), "");
    EXPECT_EQ(Base64::Encode("ab"), "YWI=");
}

TEST(Base64, EncodesNothingForEmptyOrNegativeLengthsAndNullBuffers) {
    EXPECT_EQ(Base64::Encode("abc", 0), "");
    EXPECT_EQ(Base64::Encode("abc", -3), "");
    EXPECT_EQ(Base64::Encode(static_cast<const ByteBuffer*>(nullptr)), "");
    ByteBuffer buffer("abc", 3);
    EXPECT_EQ(Base64::Encode(&buffer), "YWJj");
}

TEST(Base64, DecodeSkipsLineBreaksPaddingAndStrayCharacters) {
    EXPECT_EQ(Base64::Decode(std::string("YWJj"))->Size(), 3);
    EXPECT_EQ(Base64::Decode(std::string("Zm9v\nYmE=\n"))->ToString(), "fooba");
    EXPECT_EQ(Base64::Decode(std::string(" Zm\r\n9v*Ym=Fy "))->ToString(), "foobar");
    EXPECT_EQ(Base64::Decode(std::string("===="))->Size(), 0);
    EXPECT_EQ(Base64::Decode(std::string("Zg"))->ToString(), "f");
    EXPECT_EQ(Base64::Decode(std::string("Z"))->Size(), 0);  // six bits make no byte
}

TEST(Base64, DecodeStopsAtTheLengthOrANul) {
    EXPECT_EQ(Base64::Decode("Zm9vYmFy", 4)->ToString(), "foo");
    EXPECT_EQ(Base64::Decode("Zm9v\0YmFy", 9)->ToString(), "foo");
    EXPECT_EQ(Base64::Decode("Zm9v", -1)->Size(), 0);
    EXPECT_EQ(Base64::Decode(nullptr, 4)->Size(), 0);
    ByteBuffer text("Zm9vYmFy", 8);
    EXPECT_EQ(Base64::Decode(text)->ToString(), "foobar");
}

TEST(Base64, EveryByteValueSurvivesARoundTrip) {
    const std::string bytes = Repeat(AllBytes(), 3);
    for (size_t length : {0u, 1u, 2u, 3u, 255u, 256u, 767u, 768u}) {
        SCOPED_TRACE(length);
        std::string data = bytes.substr(0, length);
        EXPECT_EQ(Base64::Decode(Base64::Encode(data))->ToString(), data);
    }
}

TEST(MD5, MatchesTheRfc1321TestSuite) {
    struct Case {
        const char* data;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"1234567890123456789012345678901234567890123456789012345678901234567890123456789"
         "0",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    MD5 md5;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data);
        EXPECT_EQ(md5.HexDigest(std::string(c.data)), c.digest);
        EXPECT_EQ(md5.LastHexDigest(), c.digest);
    }
}

TEST(MD5, PiecewiseUpdatesGiveTheOneShotDigest) {
    const std::string data = Repeat(AllBytes(), 5);  // crosses many block boundaries
    MD5 whole;
    const std::string expected = whole.HexDigest(data);
    for (unsigned pieceLength : {1u, 3u, 55u, 56u, 63u, 64u, 65u, 1000u}) {
        SCOPED_TRACE(pieceLength);
        MD5 md5;
        md5.Init();
        for (size_t offset = 0; offset < data.size(); offset += pieceLength) {
            size_t length = std::min<size_t>(pieceLength, data.size() - offset);
            md5.Update(data.data() + offset, static_cast<unsigned>(length));
        }
        md5.Final();
        EXPECT_EQ(md5.LastHexDigest(), expected);
        EXPECT_EQ(md5.LastDigest(), whole.LastDigest());
    }
}

TEST(MD5, FileHexDigestReadsTheWholeFile) {
    TempFolder folder;
    MD5 md5;
    EXPECT_EQ(md5.FileHexDigest(folder.Write("short.txt", "message digest").c_str()),
              "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(md5.FileHexDigest(folder.Write("empty.txt", "").c_str()),
              "d41d8cd98f00b204e9800998ecf8427e");

    // Longer than one read chunk, with bytes a text-mode read would change.
    const std::string data = Repeat(AllBytes(), 9) + "\r\n\x1a tail";
    EXPECT_EQ(md5.FileHexDigest(folder.Write("long.bin", data).c_str()), md5.HexDigest(data));
}

TEST(MD5, FileHexDigestOfWhatCannotBeReadIsEmpty) {
    TempFolder folder;
    MD5 md5;
    EXPECT_EQ(md5.FileHexDigest(folder.File("absent.txt").c_str()), "");
    EXPECT_EQ(md5.FileHexDigest(nullptr), "");
    // A folder opens but fails to read: that is no digest, not the digest of nothing.
    EXPECT_EQ(md5.FileHexDigest(folder.Path().c_str()), "");
}

TEST(PercentEncode, KeepsLettersDigitsUnderscoreAndDotOnly) {
    EXPECT_EQ(PercentEncode("Mr_Smith.2"), "Mr_Smith.2");
    EXPECT_EQ(PercentEncode("a b"), "a%20b");
    EXPECT_EQ(PercentEncode("\xe9"), "%e9");
    EXPECT_EQ(PercentEncode("50%-\"x\"\n"), "50%25%2d%22x%22%0a");
    EXPECT_EQ(PercentEncode("\xff\x01"), "%ff%01");
    EXPECT_EQ(PercentEncode(""), "");
    EXPECT_EQ(PercentEncode(nullptr), "");
}

TEST(PercentDecode, HandlesShortAndMalformedEscapes) {
    struct Case {
        const char* text;
        std::string decoded;
    } cases[] = {
        {"a%20b", "a b"},
        // Not UTF-8: written from Windows-1252 text.
        {"M%FCller", "M\xc3\xbcller"},
        {"%e9", "\xc3\xa9"},
        {"%80%93", "\xe2\x82\xac\xe2\x80\x9c"},
        {"%C3%A9", "\xc3\xa9"},
        {"%ff", "\xc3\xbf"},
        {"%81", "?"},
        {"plain", "plain"},
        {"abc%", "abc"},
        {"abc%4", "abc4"},
        {"%4zq", std::string("\x04q")},
        {"%zzq", std::string("\0q", 2)},
        {"%%41", std::string("\0"
                             "1",
                             2)},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(PercentDecode(c.text), c.decoded);
    }
    EXPECT_EQ(PercentDecode(nullptr), "");
}

TEST(PercentDecode, UndoesPercentEncodeForEveryByte) {
    const std::string bytes = AllBytes().substr(1);  // the text is NUL-terminated
    EXPECT_EQ(PercentDecode(PercentEncode(bytes.c_str()).c_str()), ConvertWindows1252ToUTF8(bytes));
    const std::string utf8 = "Fran\xc3\xa7oise O'Brien-M\xc3\xbcller";
    EXPECT_EQ(PercentDecode(PercentEncode(utf8.c_str()).c_str()), utf8);
}

TEST(TextCodec, EightAndTenByteBlocksMakeTheTokenLengths) {
    ByteBuffer eight("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
    std::string text = TextCodec::Encode(eight);
    ASSERT_EQ(text.size(), 12u);
    EXPECT_EQ(text.back(), '=');
    std::unique_ptr<ByteBuffer> back = TextCodec::Decode(text);
    ASSERT_EQ(back->Size(), 9);
    EXPECT_EQ(back->ToString().substr(0, 8), eight.ToString());

    ByteBuffer ten("\xfe\xff\x00\x80\x7f\x01\x02\x03\x04\x3b", 10);
    text = TextCodec::Encode(ten);
    ASSERT_EQ(text.size(), 15u);
    back = TextCodec::Decode(text);
    ASSERT_EQ(back->Size(), 11);
    EXPECT_EQ(back->ToString().substr(0, 10), ten.ToString());
}

TEST(TextCodec, KeepsItsAlphabetSoOldFilesStayReadable) {
    std::string bytes;
    for (int i = 0; i < 10; ++i) {
        bytes += static_cast<char>(i);
    }
    EXPECT_EQ(TextCodec::Encode(ByteBuffer(bytes.data(), 8)), "r1DrKccvXEr=");
    EXPECT_EQ(TextCodec::Encode(ByteBuffer(bytes.data(), 10)), "r1DrKccvXErHMr=");
    EXPECT_EQ(TextCodec::Encode(ByteBuffer("Quillmoot", 9)), "y3pbl7UVghXs=");
}

TEST(TextCodec, BreaksLongTextsAndDecodesThemWhole) {
    const std::string data = AllBytes();
    std::string text = TextCodec::Encode(ByteBuffer(data.data(), static_cast<int>(data.size())));
    // 256 bytes are 342 characters and 4 line feeds.
    EXPECT_EQ(text.size(), 342u + 4u + 1u);
    EXPECT_EQ(text[77], '\n');
    EXPECT_EQ(text.find('\n', 78), 155u);
    std::unique_ptr<ByteBuffer> back = TextCodec::Decode(text);
    ASSERT_GE(back->Size(), 256);
    EXPECT_EQ(back->ToString().substr(0, 256), data);
}

TEST(TextCodec, DecodeSkipsCharactersOutsideTheAlphabet) {
    const std::string text = TextCodec::Encode(ByteBuffer("abcdefgh", 8));
    std::string noisy;
    for (char c : text) {
        noisy += c;
        noisy += " =\n#{";
    }
    EXPECT_EQ(TextCodec::Decode(noisy)->ToString(), TextCodec::Decode(text)->ToString());
    EXPECT_EQ(TextCodec::Decode("")->Size(), 0);
    EXPECT_EQ(TextCodec::Decode("=")->Size(), 0);
}
