#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/byte_buffer.h"
#include "foundation/string_tokeniser.h"

namespace {

std::vector<std::string> Fields(const char* text, char separator = ',') {
    StringTokeniser tokeniser(text);
    return tokeniser.Split(separator);
}

using Strings = std::vector<std::string>;

}  // namespace

TEST(StringTokeniser, SplitsFieldsAsTheReadersExpect) {
    struct Case {
        const char* name;
        const char* text;
        Strings fields;
    };
    const std::vector<Case> cases = {
        {"quoted separator", "a, b,\"c,d\" x,e", {"a", "b", "c,d", "e"}},
        {"empty last but one", "a,,", {"a", ""}},
        {"blanks only", "  \t ", {}},
        {"empty text", "", {}},
        {"trailing separator", "a,b,", {"a", "b"}},
        {"leading blanks dropped, trailing kept", "  a  ,b", {"a  ", "b"}},
        {"doubled quote is no escape", "\"say \"\"hi\"\"\",next", {"say ", "next"}},
        {"unterminated quote takes the rest", "x,\"open, field", {"x", "open, field"}},
        {"empty quoted field", "\"\",z", {"", "z"}},
        {"quoted field at the end", "a,\"b\"", {"a", "b"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Fields(c.text), c.fields);
    }
}

TEST(StringTokeniser, OtherSeparatorsAndReset) {
    StringTokeniser tokeniser("6.2.0,x");
    EXPECT_EQ(tokeniser.Split('.'), (Strings{"6", "2", "0,x"}));
    tokeniser.Reset();
    EXPECT_EQ(tokeniser.Split(','), (Strings{"6.2.0", "x"}));
    tokeniser.Reset();
    std::string field;
    ASSERT_TRUE(tokeniser.NextToken(&field));
    EXPECT_EQ(field, "6.2.0");
    EXPECT_TRUE(tokeniser.NextToken(nullptr));
    EXPECT_FALSE(tokeniser.NextToken(&field));
    EXPECT_EQ(field, "6.2.0");
}

TEST(StringTokeniser, SlicesPointIntoTheText) {
    const char* text = "ab;cd";
    StringTokeniser tokeniser(text);
    auto slices = tokeniser.SplitSlices(';');
    ASSERT_EQ(slices.size(), 2u);
    EXPECT_EQ(slices[1].Data(), text + 3);
    EXPECT_EQ(slices[1].Length(), 2u);
}

TEST(StringTokeniser, KeepsItsOwnCopyOfAString) {
    StringTokeniser tokeniser(std::string("first,second"));
    EXPECT_EQ(tokeniser.Split(','), (Strings{"first", "second"}));
}

TEST(StringTokeniser, ReadsOnlyTheGivenLength) {
    const char text[] = {'a', ',', 'b', ',', 'c'};
    StringTokeniser counted(text, 3);
    EXPECT_EQ(counted.Split(','), (Strings{"a", "b"}));

    ByteBuffer buffer(text, 5);
    StringTokeniser fromBuffer(buffer);
    EXPECT_EQ(fromBuffer.Split(','), (Strings{"a", "b", "c"}));

    const char quoted[] = {'"', 'a', 'b'};
    StringTokeniser open(quoted, 3);
    EXPECT_EQ(open.Split(','), (Strings{"ab"}));
}

TEST(StringTokeniser, NextLineDropsCarriageReturns) {
    StringTokeniser tokeniser("x\r\ny\n\nz");
    std::string line;
    std::vector<std::string> lines;
    while (tokeniser.NextLine(line)) {
        lines.push_back(line);
    }
    EXPECT_EQ(lines, (Strings{"x", "y", "", "z"}));

    StringTokeniser crlf("x\r\ny");
    ASSERT_TRUE(crlf.NextLine(line));
    EXPECT_EQ(line, "x");
    ASSERT_TRUE(crlf.NextLine(line));
    EXPECT_EQ(line, "y");
    EXPECT_FALSE(crlf.NextLine(line));
}
