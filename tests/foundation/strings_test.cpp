#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "foundation/string_functions.h"
#include "foundation/string_slice.h"
#include "foundation/uc_string_list.h"

TEST(StringFunctions, StartsWithRefusesNullsAndAcceptsEmptyPrefixes) {
    EXPECT_FALSE(StartsWith(static_cast<const char*>(nullptr), "a"));
    EXPECT_FALSE(StartsWith("abc", nullptr));
    EXPECT_TRUE(StartsWith("abc", ""));
    EXPECT_TRUE(StartsWith("abc", "ab"));
    EXPECT_FALSE(StartsWith("ab", "abc"));
    EXPECT_TRUE(StartsWith(std::string("abc"), "abc"));
    EXPECT_FALSE(StartsWith(std::string("ab"), "abc"));
    EXPECT_FALSE(StartsWith(std::string("abc"), nullptr));
}

TEST(StringFunctions, CaseFoldingLeavesHighBytesAlone) {
    EXPECT_EQ(ToLower("MiXed 1\xC9"), "mixed 1\xC9");
    EXPECT_EQ(ToUpper("MiXed 1\xE9"), "MIXED 1\xE9");
    EXPECT_EQ(ToLower(nullptr), "");
}

TEST(StringFunctions, EqualsIgnoringCaseFoldsAsciiLettersOnly) {
    const struct {
        const char* a;
        const char* b;
        bool equal;
    } cases[] = {
        {"Amy Lee", "aMY lEE", true},
        {"", "", true},
        {"Amy", "Amy ", false},
        {"\xC9", "\xE9", false},
        {"[", "{", false},
        {"Z@", "z@", true},
        {"a", "", false},
        {"Mrs O'Brien", "MRS O'BRIEN", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EqualsIgnoringCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
        EXPECT_EQ(EqualsIgnoringCase(c.b, c.a), c.equal) << c.b << " / " << c.a;
    }
}

TEST(StringFunctions, SmallPredicatesAndPieces) {
    EXPECT_FALSE(IsBlank(nullptr));
    EXPECT_TRUE(IsBlank(""));
    EXPECT_TRUE(IsBlank(" \t\r\n"));
    EXPECT_FALSE(IsBlank(" x "));
    EXPECT_FALSE(IsBlank("\xA0"));
    EXPECT_TRUE(StringContains("parents evening", "s ev"));
    EXPECT_FALSE(StringContains("parents", "x"));
    EXPECT_FALSE(StringContains(nullptr, "x"));
    EXPECT_EQ(IntToString(-42), "-42");
    EXPECT_EQ(StringRight("abcdef", 2), "ef");
    EXPECT_EQ(StringRight("abc", 3), "abc");
    EXPECT_EQ(StringRight("abc", 10), "abc");
}

TEST(StringFunctions, TrimmingStopsAtTheText) {
    std::string text = " a b \t\r\n";
    TrimRightInPlace(text);
    EXPECT_EQ(text, " a b");
    std::string blanks = "   ";
    TrimRightInPlace(blanks);
    EXPECT_EQ(blanks, "");
    const char* line = "  x ";
    EXPECT_EQ(FindFirstNonSpace(line, line + 4), line + 2);
    EXPECT_EQ(FindFirstNonSpace(line, line + 2), line + 2);
}

TEST(StringFunctions, ConvertsBetweenLatin1AndUTF8) {
    struct Case {
        const char* name;
        std::string utf8;
        std::string latin1;
    };
    const std::vector<Case> toLatin1 = {
        {"ascii", "plain", "plain"},
        {"e acute", "\xC3\xA9", "\xE9"},
        {"above 0xFF", "\xC4\x80", "?"},
        {"lone continuation", "\xA9", "?"},
        {"three-byte euro", "\xE2\x82\xAC", "???"},
        {"lead without continuation",
         "\xC3"
         "A",
         "?"},
        {"lead at the end", "ab\xC3", "ab"},
    };
    for (const auto& c : toLatin1) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ConvertUTF8To8Bit(c.utf8.c_str()), c.latin1);
    }
    EXPECT_EQ(Convert8BitToUTF8("\xE9"), "\xC3\xA9");
    EXPECT_EQ(Convert8BitToUTF8("a\xFF"), "a\xC3\xBF");
    EXPECT_EQ(Convert8BitToUTF8(nullptr), "");
    EXPECT_EQ(ConvertUTF8To8Bit(nullptr), "");

    std::string everyByte;
    for (int c = 1; c < 256; ++c) {
        everyByte += static_cast<char>(c);
    }
    EXPECT_EQ(ConvertUTF8To8Bit(Convert8BitToUTF8(everyByte.c_str()).c_str()), everyByte);
}

TEST(StringFunctions, AppendsEachCodePointInTheFewestUTF8Bytes) {
    struct Case {
        unsigned long code;
        std::string utf8;
    };
    const std::vector<Case> cases = {
        {0x41, "A"},
        {0x7F, "\x7F"},
        {0x80, "\xC2\x80"},
        {0xE9, "\xC3\xA9"},
        {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"},
        {0x20AC, "\xE2\x82\xAC"},
        {0xFFFF, "\xEF\xBF\xBF"},
        {0x10000, "\xF0\x90\x80\x80"},
        {0x1F600, "\xF0\x9F\x98\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        std::string out = "x";
        AppendUTF8(out, c.code);
        EXPECT_EQ(out, "x" + c.utf8);
        EXPECT_TRUE(IsValidUTF8(out));
    }
}

TEST(StringFunctions, SanitiseReplacesBytesThatUTF8NeverUses) {
    EXPECT_EQ(SanitiseUTF8("a\xC0\xC1\xC2\xF4\xF5\xFF"), "a??\xC2\xF4??");
}

TEST(StringFunctions, FileTextIsUTF8WhenValidAndWindows1252Otherwise) {
    struct Case {
        const char* name;
        std::string text;
        bool valid;
        std::string utf8;
    };
    const std::vector<Case> cases = {
        {"ascii", "Smith", true, "Smith"},
        {"two-byte", "M\xC3\xBCller", true, "M\xC3\xBCller"},
        {"four-byte", "\xF0\x9F\x98\x80", true, "\xF0\x9F\x98\x80"},
        {"latin letter", "M\xFCller", false, "M\xC3\xBCller"},
        {"euro and quotes", "\x80 \x93x\x94", false, "\xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D"},
        {"undefined byte", "a\x81", false, "a?"},
        {"overlong", "\xC0\xAF", false, "\xC3\x80\xC2\xAF"},
        {"surrogate", "\xED\xA0\x80", false, "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", false, "\xC3\xB4?\xE2\x82\xAC\xE2\x82\xAC"},
        {"cut short", "ab\xE2\x82", false, "ab\xC3\xA2\xE2\x80\x9A"},
        // One 8-bit line among UTF-8 ones: only that line is converted.
        {"mixed lines", "Zo\xC3\xAB\nSalle \xE9t\xE9\r\nBront\xC3\xAB", false,
         "Zo\xC3\xAB\nSalle \xC3\xA9t\xC3\xA9\r\nBront\xC3\xAB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsValidUTF8(c.text), c.valid);
        EXPECT_EQ(FileTextToUTF8(c.text), c.utf8);
        EXPECT_TRUE(IsValidUTF8(FileTextToUTF8(c.text)));
    }
}

TEST(StringFunctions, TextFromOutsideLosesItsControlBytes) {
    const struct {
        const char* name;
        std::string text;
        std::string kept;     // WithoutControlBytes
        std::string oneLine;  // OneLineText
    } cases[] = {
        {"a NUL inside a name", std::string("Ann\0e", 5), "Anne", "Anne"},
        {"bell, escape and DEL",
         "a\x07"
         "b\x1B[0m\x7F",
         "ab[0m", "ab[0m"},
        {"tabs and line breaks", "a\tb\nc\r\nd\re", "a\tb\nc\r\nd\re", "a b c d e"},
        {"UTF-8 and Windows bytes stay", "M\xC3\xBCller \x80", "M\xC3\xBCller \x80",
         "M\xC3\xBCller \x80"},
        {"nothing but controls", std::string("\0\x01\x1F", 3), "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WithoutControlBytes(c.text), c.kept);
        EXPECT_EQ(OneLineText(c.text), c.oneLine);
    }
}

TEST(StringFunctions, ReadStreamLineDropsCarriageReturnsAndReportsTheEnd) {
    std::istringstream in("one\r\ntwo\n\nlast");
    std::string line;
    EXPECT_FALSE(ReadStreamLine(in, line));
    EXPECT_EQ(line, "one");
    EXPECT_FALSE(ReadStreamLine(in, line));
    EXPECT_EQ(line, "two");
    EXPECT_FALSE(ReadStreamLine(in, line));
    EXPECT_EQ(line, "");
    EXPECT_TRUE(ReadStreamLine(in, line));
    EXPECT_EQ(line, "last");
    EXPECT_TRUE(ReadStreamLine(in, line));
    EXPECT_EQ(line, "");
}

TEST(StringFunctions, WildcardMatchCollectsWhatEachStarMatched) {
    UCStringList pieces;
    EXPECT_TRUE(WildcardMatch("report_2024.csv", "report_*.*", &pieces));
    ASSERT_EQ(pieces.Count(), 2u);
    EXPECT_EQ(pieces.Get(0), "2024");
    EXPECT_EQ(pieces.Get(1), "csv");

    UCStringList failed;
    EXPECT_FALSE(WildcardMatch("report.txt", "*.csv", &failed));
    EXPECT_EQ(failed.Count(), 0u);

    EXPECT_TRUE(WildcardMatch("", "*", nullptr));
    EXPECT_TRUE(WildcardMatch("abc", "abc", nullptr));
    EXPECT_FALSE(WildcardMatch("abc", "ab", nullptr));
    EXPECT_FALSE(WildcardMatch("ab", "abc", nullptr));
    EXPECT_TRUE(WildcardMatch("aXbYb", "a*b", nullptr));
    EXPECT_FALSE(WildcardMatch(nullptr, "*", nullptr));
}

TEST(StringFunctions, WildcardMatchWithManyStarsTakesNoExponentialTime) {
    const std::string text = std::string(200, 'a') + "b";
    EXPECT_FALSE(WildcardMatch(text.c_str(), "*a*a*a*a*a*a*a*a*a*a*c", nullptr));
    UCStringList pieces;
    EXPECT_TRUE(WildcardMatch(text.c_str(), "*a*a*a*b", &pieces));
    ASSERT_EQ(pieces.Count(), 4u);
    EXPECT_EQ(pieces.Get(0), "");
    EXPECT_EQ(pieces.Get(3), std::string(197, 'a'));
}

TEST(StringFunctions, StringPrintfFormatsTextOfAnyLength) {
    EXPECT_EQ(StringPrintf("Unexpected value at line %d", 12), "Unexpected value at line 12");
    std::string longName(5000, 'n');
    EXPECT_EQ(StringPrintf("'%s'", longName.c_str()), "'" + longName + "'");
    EXPECT_EQ(StringPrintf("%s", ""), "");
}

TEST(StringSlice, CompareOrdersEmptyFirstThenBytesThenLength) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    };
    for (const Case& c : std::vector<Case>{{"", "", 0},
                                           {nullptr, "", 0},
                                           {"", "a", -1},
                                           {"a", "", 1},
                                           {"ab", "abc", -1},
                                           {"abc", "ab", 1},
                                           {"abd", "abc", 1},
                                           {"abc", "abc", 0}}) {
        SCOPED_TRACE(std::string(c.a ? c.a : "(null)") + " vs " + c.b);
        EXPECT_EQ(StringSlice(c.a).Compare(StringSlice(c.b)), c.expected);
    }
    const char* text = "abcdef";
    EXPECT_EQ(StringSlice(text, 3).Compare(StringSlice("abc")), 0);
}

TEST(StringSlice, EqualsAndStartsWithTreatEmptinessAsDocumented) {
    EXPECT_TRUE(StringSlice().Equals(nullptr));
    EXPECT_TRUE(StringSlice().Equals(""));
    EXPECT_FALSE(StringSlice().Equals("a"));
    EXPECT_FALSE(StringSlice("a").Equals(nullptr));
    EXPECT_TRUE(StringSlice("abc", 2).Equals("ab"));
    EXPECT_FALSE(StringSlice("abc", 2).Equals("abc"));
    EXPECT_FALSE(StringSlice().StartsWith(""));
    EXPECT_TRUE(StringSlice("a").StartsWith(""));
    EXPECT_TRUE(StringSlice("abc").StartsWith("ab"));
    EXPECT_FALSE(StringSlice("abc", 1).StartsWith("ab"));
}

TEST(StringSlice, SubIsCutAtTheEnd) {
    StringSlice s("hello");
    EXPECT_TRUE(s.Sub(1, 3).Equals("ell"));
    EXPECT_TRUE(s.Sub(3, 100).Equals("lo"));
    EXPECT_EQ(s.Sub(9, 2).Length(), 0u);
    EXPECT_EQ(StringSlice().Sub(0, 1).Length(), 0u);
}

TEST(StringSlice, TakeOperationsConsumeTheFront) {
    StringSlice s("  12:30pm rest");
    EXPECT_TRUE(s.TakeSpaces().Equals("  "));
    EXPECT_TRUE(s.TakeDigits().Equals("12"));
    EXPECT_TRUE(s.TakeDigits().Equals(""));
    EXPECT_TRUE(s.TakeLeft(1).Equals(":"));
    EXPECT_TRUE(s.TakeDigits().Equals("30"));
    EXPECT_TRUE(s.TakeAlpha().Equals("pm"));
    EXPECT_TRUE(s.TakeLeft(100).Equals(" rest"));
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_TRUE(s.TakeLeft(3).Equals(""));
}

TEST(StringSlice, TakeLineSkipsTheWholeRunOfLineEnds) {
    StringSlice s("one\r\n\r\ntwo\nthree");
    EXPECT_TRUE(s.TakeLine().Equals("one"));
    EXPECT_TRUE(s.TakeLine().Equals("two"));
    EXPECT_TRUE(s.TakeLine().Equals(""));
    EXPECT_TRUE(s.Equals("three"));
}

TEST(StringSlice, TrimmingAndStripping) {
    StringSlice s(" \tword  \n");
    EXPECT_TRUE(s.Trimmed().Equals("word"));
    s.TrimRight();
    EXPECT_TRUE(s.Equals(" \tword"));
    StringSlice quoted("\"\"name\"");
    EXPECT_TRUE(quoted.Strip('"').Equals("name"));
    EXPECT_TRUE(quoted.Equals("\"\"name\""));
    EXPECT_TRUE(StringSlice("\"\"").Strip('"').Equals(""));
    EXPECT_TRUE(StringSlice("   ").Trimmed().Equals(""));
    EXPECT_EQ(StringSlice("MiXed", 3).ToLower(), "mix");
    EXPECT_EQ(StringSlice("MiXed", 3).ToUpper(), "MIX");
}

TEST(StringSlice, SplitKeepsEmptyPieces) {
    auto pieces = StringSlice("1:2:").Split(':');
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_TRUE(pieces[0].Equals("1"));
    EXPECT_TRUE(pieces[1].Equals("2"));
    EXPECT_TRUE(pieces[2].Equals(""));
    auto empty = StringSlice("").Split(':');
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_TRUE(empty[0].IsEmpty());
    EXPECT_EQ(StringSlice("::").Split(':').size(), 3u);
}
