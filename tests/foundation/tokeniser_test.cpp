#include "foundation/tokeniser.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "foundation/text_codec.h"
#include "foundation/time_of_day.h"
#include "foundation/uc_error.h"
#include "support/temp_folder.h"

namespace {

using Tokens = std::vector<std::pair<TokenKind, std::string>>;

// Every token up to and including the first TokenEnd.
Tokens ReadAll(Tokeniser& reader) {
    Tokens tokens;
    std::string text;
    for (int guard = 0; guard < 1000; ++guard) {
        const TokenKind kind = reader.NextToken(text);
        tokens.emplace_back(kind, text);
        if (kind == TokenEnd) {
            break;
        }
    }
    return tokens;
}

Tokens ReadText(const std::string& input) {
    Tokeniser reader;
    reader.SetText(input);
    return ReadAll(reader);
}

// An encoded time token built from raw bytes, as a damaged or hostile file might hold.
std::string EncodedToken(const std::vector<unsigned char>& bytes) {
    ByteBuffer block(bytes.data(), static_cast<int>(bytes.size()));
    return "=" + TextCodec::Encode(block);
}

}  // namespace

TEST(Tokeniser, ClassifiesWordsByShapeOnly) {
    const struct {
        const char* input;
        TokenKind kind;
    } cases[] = {
        {"Name:", TokenKey},      {"09:30", TokenTime24}, {"9:30am", TokenTime12Short},
        {"09:30pm", TokenTime12}, {"9:30AM", TokenWord},  {"9.30", TokenWord},
        {"ab:cd", TokenTime24},   {"abc", TokenWord},     {"a{b}#c", TokenWord},
        {"12:34:", TokenKey},     {"x", TokenWord},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(ReadText(c.input), (Tokens{{c.kind, c.input}, {TokenEnd, ""}}));
    }
}

TEST(Tokeniser, ReadsAKeyAndAQuotedValue) {
    EXPECT_EQ(ReadText("Name: \"Mr Smith\""),
              (Tokens{{TokenKey, "Name:"}, {TokenQuoted, "Mr Smith"}, {TokenEnd, ""}}));
}

TEST(Tokeniser, AQuoteEndsAWordWithoutABlank) {
    EXPECT_EQ(ReadText("abc\"x\""),
              (Tokens{{TokenWord, "abc"}, {TokenQuoted, "x"}, {TokenEnd, ""}}));
}

TEST(Tokeniser, ReadsBracesAndBackslashEscapes) {
    EXPECT_EQ(ReadText("{ \"a\\\"b\\\\c\\n\" }"), (Tokens{{TokenOpenBrace, ""},
                                                          {TokenQuoted, "a\"b\\cn"},
                                                          {TokenCloseBrace, ""},
                                                          {TokenEnd, ""}}));
}

TEST(Tokeniser, AnEscapedLineBreakStaysInTheString) {
    EXPECT_EQ(ReadText("\"a\\\nb\""), (Tokens{{TokenQuoted, "a\nb"}, {TokenEnd, ""}}));
}

// The writer escapes the blanks and line breaks a value keeps at its ends; only the others go.
TEST(Tokeniser, TrimmingAQuotedTextKeepsTheWhiteSpaceThatWasEscaped) {
    const struct {
        const char* input;
        const char* trimmed;
    } cases[] = {
        {"\"  a b  \"", "a b"}, {"\"  \\ x\\   \"", " x "}, {"\"\\\tx\"", "\tx"},
        {"\" x\\\n\"", "x\n"},  {"\"\\  \"", " "},          {"\"   \"", ""},
        {"\"a\\\"  \"", "a\""}, {"\"\\  a \"", "  a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        Tokeniser reader;
        reader.SetText(c.input);
        std::string text;
        ASSERT_EQ(reader.NextToken(text), TokenQuoted);
        reader.TrimQuoted(text);
        EXPECT_EQ(text, c.trimmed);
    }
}

TEST(Tokeniser, AnUnclosedQuoteAtTheEndKeepsWhatWasRead) {
    EXPECT_EQ(ReadText("\"abc"), (Tokens{{TokenQuoted, "abc"}, {TokenEnd, ""}}));
}

TEST(Tokeniser, ALineBreakInsideQuotesIsReportedWithItsLineAndReadingGoesOn) {
    UCStringError sink;
    EXPECT_EQ(ReadText("key \"broken\nnext \"ok\""), (Tokens{{TokenWord, "key"},
                                                             {TokenError, "broken"},
                                                             {TokenWord, "next"},
                                                             {TokenQuoted, "ok"},
                                                             {TokenEnd, ""}}));
    EXPECT_EQ(sink.GetText(), "Error: Missing double-quote character on line 2\n");
    ReadText("\"cr\rx\"");
    EXPECT_EQ(sink.GetText(), "Error: Missing double-quote character on line 1\n");
}

TEST(Tokeniser, AHashEndsTheInputForGoodOutsideQuotes) {
    EXPECT_EQ(ReadText("a \"#in quotes\" # { b } c"),
              (Tokens{{TokenWord, "a"}, {TokenQuoted, "#in quotes"}, {TokenEnd, ""}}));
    Tokeniser reader;
    reader.SetText("#abc");
    std::string text;
    EXPECT_EQ(reader.NextToken(text), TokenEnd);
    reader.PushBack(TokenWord, "pushed");
    EXPECT_EQ(reader.NextToken(text), TokenEnd);
    EXPECT_EQ(text, "");
}

TEST(Tokeniser, APushedBackTokenComesBackOnce) {
    Tokeniser reader;
    reader.SetText("second");
    reader.PushBack(TokenWord, "ignored");
    reader.PushBack(TokenKey, "first:");
    EXPECT_EQ(ReadAll(reader),
              (Tokens{{TokenKey, "first:"}, {TokenWord, "second"}, {TokenEnd, ""}}));
}

TEST(Tokeniser, CountsLines) {
    Tokeniser reader;
    reader.SetText("a\nb\nc");
    std::string text;
    EXPECT_EQ(reader.GetLineNumber(), 1);
    reader.NextToken(text);
    reader.NextToken(text);
    reader.NextToken(text);
    EXPECT_EQ(text, "c");
    EXPECT_EQ(reader.GetLineNumber(), 3);
}

TEST(Tokeniser, ReadsTheLastCharacterOfABuffer) {
    ByteBuffer buffer("abc", 3);
    Tokeniser reader;
    reader.SetBuffer(&buffer);
    EXPECT_EQ(ReadAll(reader), (Tokens{{TokenWord, "abc"}, {TokenEnd, ""}}));
}

TEST(Tokeniser, DecodesEncodedTimesBackToTheirTime) {
    TimeOfDay withoutSeconds(9, 30, 0);
    TimeOfDay withSeconds(14, 5, 7);
    EXPECT_EQ(ReadText(withoutSeconds.FormatEncoded() + " " + withSeconds.FormatEncoded()),
              (Tokens{{TokenTime24, "09:30:00"}, {TokenTime24, "14:05:07"}, {TokenEnd, ""}}));
}

TEST(Tokeniser, RejectsEncodedTimesOfTheWrongSizeOrOutOfRange) {
    UCStringError sink;
    const struct {
        std::string token;
        std::string message;
    } cases[] = {
        {"=0", "Error: 1: Invalid time on line 1\n"},
        {EncodedToken({1, 2, 24, 3, 0, 4, 5, 6}), "Error: Invalid time on line 1\n"},
        {EncodedToken({1, 2, 23, 3, 60, 4, 5, 6}), "Error: Invalid time on line 1\n"},
        {EncodedToken({1, 2, 23, 3, 59, 4, 5, 6, 7, 60}), "Error: Invalid time on line 1\n"},
        {EncodedToken({1, 2, 255, 3, 255, 4, 5, 6, 7, 255}), "Error: Invalid time on line 1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.token);
        EXPECT_EQ(ReadText(c.token + " next"),
                  (Tokens{{TokenError, ""}, {TokenWord, "next"}, {TokenEnd, ""}}));
        EXPECT_EQ(sink.GetText(), c.message);
    }
    EXPECT_EQ(ReadText(EncodedToken({1, 2, 23, 3, 59, 4, 5, 6, 7, 59})),
              (Tokens{{TokenTime24, "23:59:59"}, {TokenEnd, ""}}));
}

TEST(Tokeniser, ANewSourceReplacesAnOpenFile) {
    TempFolder folder;
    Tokeniser reader;
    ASSERT_TRUE(reader.Open(folder.Write("event.qmv", "fromfile").c_str()));
    reader.SetText("fromtext");
    EXPECT_EQ(ReadAll(reader), (Tokens{{TokenWord, "fromtext"}, {TokenEnd, ""}}));

    ASSERT_TRUE(reader.Open(folder.File("event.qmv").c_str()));
    const ByteBuffer buffer("frombuffer", 10);
    reader.SetBuffer(&buffer);
    EXPECT_EQ(ReadAll(reader), (Tokens{{TokenWord, "frombuffer"}, {TokenEnd, ""}}));
}

TEST(Tokeniser, OpensFilesAndSaysWhyItCannot) {
    UCStringError sink;
    Tokeniser reader;
    EXPECT_FALSE(reader.Open(nullptr));
    EXPECT_FALSE(reader.Open("/nonexistent-folder/file.qmv"));
    EXPECT_EQ(sink.GetText(), "Error: No file specified\nError: File doesn't exist\n");

    TempFolder folder;
    ASSERT_TRUE(reader.Open(folder.Write("event.qmv", "Event:\n  Name \"x\"").c_str()));
    EXPECT_EQ(
        ReadAll(reader),
        (Tokens{{TokenKey, "Event:"}, {TokenWord, "Name"}, {TokenQuoted, "x"}, {TokenEnd, ""}}));
    EXPECT_EQ(reader.GetLineNumber(), 2);
}
