#include "foundation/time_of_day.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "foundation/byte_buffer.h"
#include "foundation/date_time.h"
#include "foundation/text_codec.h"

namespace {

const int kUnchanged = 4242;  // a value no accepted text in the tables produces

}  // namespace

TEST(TimeOfDay, ParseAcceptsTheTypedForms) {
    struct Case {
        const char* text;
        int seconds;  // kUnchanged when the text is rejected
    } cases[] = {
        {"9:05", 9 * 3600 + 5 * 60},
        {"09.05", 9 * 3600 + 5 * 60},
        {"17:30", 17 * 3600 + 30 * 60},
        {"0:00", 0},
        {"23:59", 23 * 3600 + 59 * 60},
        {"9:05am", 9 * 3600 + 5 * 60},
        {"9:05 PM", 21 * 3600 + 5 * 60},
        {"9:05   p", 21 * 3600 + 5 * 60},
        {"12:00am", 0},
        {"12:30p", 12 * 3600 + 30 * 60},
        {"11:59pm", 23 * 3600 + 59 * 60},
        {"13:00a", 13 * 3600},  // an afternoon hour with "am" is taken as it stands
        {"1:15Pmxyz", 13 * 3600 + 15 * 60},
        {"24:00", kUnchanged},
        {"9:60", kUnchanged},
        {"9:60am", kUnchanged},
        {"0:30pm", kUnchanged},
        {"13:00pm", kUnchanged},
        {"9:5", kUnchanged},
        {"9:055", kUnchanged},
        {"123:00", kUnchanged},
        {"9-05", kUnchanged},
        {"9:05 x", kUnchanged},
        {"9:05 ", kUnchanged},
        {" 9:05", kUnchanged},
        {"a9:05", kUnchanged},
        {"", kUnchanged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TimeOfDay time;
        time.SetSeconds(kUnchanged);
        EXPECT_EQ(time.Parse(c.text), c.seconds != kUnchanged);
        EXPECT_EQ(time.Seconds(), c.seconds);
    }
    TimeOfDay time;
    EXPECT_FALSE(time.Parse(nullptr));
}

TEST(TimeOfDay, ParseHmsNeedsThreePartsInRange) {
    struct Case {
        const char* text;
        int seconds;
    } cases[] = {
        {"14:30:05", 14 * 3600 + 30 * 60 + 5},
        {"00:00:00", 0},
        {"23:59:59", 86399},
        {"9:5:1", 9 * 3600 + 5 * 60 + 1},
        {"24:00:00", kUnchanged},
        {"12:60:00", kUnchanged},
        {"12:00:60", kUnchanged},
        {"-1:00:00", kUnchanged},
        {"12:00", kUnchanged},
        {"12:00:00:00", kUnchanged},
        {"", kUnchanged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TimeOfDay time;
        time.SetSeconds(kUnchanged);
        EXPECT_EQ(time.ParseHMS(c.text), c.seconds != kUnchanged);
        EXPECT_EQ(time.Seconds(), c.seconds);
    }
}

TEST(TimeOfDay, ParseTimestampDropsTheFractionOfASecond) {
    TimeOfDay time;
    EXPECT_TRUE(time.ParseTimestamp("14:30:00.250"));
    EXPECT_EQ(time, TimeOfDay(14, 30, 0));
    EXPECT_TRUE(time.ParseTimestamp("08:01:02"));
    EXPECT_EQ(time, TimeOfDay(8, 1, 2));
    EXPECT_FALSE(time.ParseTimestamp("14:30.5"));
    EXPECT_FALSE(time.ParseTimestamp(""));
    EXPECT_FALSE(time.ParseTimestamp(nullptr));
    EXPECT_EQ(time, TimeOfDay(8, 1, 2));
}

TEST(TimeOfDay, FormatsInEachStyle) {
    struct Case {
        int seconds;
        const char* h12;
        const char* h24;
        const char* h24s;
    } cases[] = {
        {0, "12:00am", "00:00", "00:00:00"},
        {5 * 60, "12:05am", "00:05", "00:05:00"},
        {9 * 3600 + 5 * 60 + 7, "9:05am", "09:05", "09:05:07"},
        {11 * 3600 + 59 * 60 + 59, "11:59am", "11:59", "11:59:59"},
        {43200, "12:00pm", "12:00", "12:00:00"},
        {12 * 3600 + 59 * 60 + 59, "12:59pm", "12:59", "12:59:59"},
        {13 * 3600 + 15 * 60, "1:15pm", "13:15", "13:15:00"},
        {23 * 3600 + 59 * 60, "11:59pm", "23:59", "23:59:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        TimeOfDay time;
        time.SetSeconds(c.seconds);
        EXPECT_EQ(time.Format(Time12h), c.h12);
        EXPECT_EQ(time.Format(Time24h), c.h24);
        EXPECT_EQ(time.Format(Time24hs), c.h24s);
        EXPECT_EQ(time.Format(static_cast<TimeStyle>(7)), c.h12);
    }
}

TEST(TimeOfDay, TypedTextOfEveryMinuteReadsBackInBothStyles) {
    for (int minute = 0; minute < 24 * 60; ++minute) {
        TimeOfDay time(minute / 60, minute % 60, 0);
        TimeOfDay from12, from24;
        ASSERT_TRUE(from12.Parse(time.Format(Time12h).c_str())) << time.Format(Time12h);
        ASSERT_TRUE(from24.Parse(time.Format(Time24h).c_str())) << time.Format(Time24h);
        EXPECT_EQ(from12, time);
        EXPECT_EQ(from24, time);
    }
}

TEST(TimeOfDay, EncodedTokenCarriesTheTimeUnderRandomBytes) {
    std::srand(12345);
    struct Case {
        TimeOfDay time;
        size_t tokenLength;
        int decodedSize;
    } cases[] = {
        {TimeOfDay(9, 5, 0), 13, 9},   {TimeOfDay(0, 0, 0), 13, 9},
        {TimeOfDay(23, 59, 0), 13, 9}, {TimeOfDay(14, 30, 15), 16, 11},
        {TimeOfDay(0, 0, 59), 16, 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time.Format(Time24hs));
        std::string token = c.time.FormatEncoded();
        ASSERT_EQ(token.size(), c.tokenLength);
        EXPECT_EQ(token.front(), '=');
        EXPECT_EQ(token.back(), '=');
        std::unique_ptr<ByteBuffer> block = TextCodec::Decode(token.substr(1));
        ASSERT_EQ(block->Size(), c.decodedSize);
        EXPECT_EQ(*block->At(2), c.time.Hours());
        EXPECT_EQ(*block->At(4), c.time.Minutes());
        if (c.decodedSize == 11) {
            EXPECT_EQ(*block->At(9), c.time.Seconds() % 60);
        }
        for (int i : {0, 1, 3, 5, 6, 7}) {
            EXPECT_NE(static_cast<unsigned char>(*block->At(i)), 255) << "byte " << i;
        }
    }
}

TEST(TimeOfDay, EncodedTokenDiffersFromSaveToSave) {
    std::srand(7);
    TimeOfDay time(10, 45, 0);
    EXPECT_NE(time.FormatEncoded(), time.FormatEncoded());
}

TEST(DateTime, ParsesIsoDateAndTimestamp) {
    DateTime stamp;
    ASSERT_TRUE(stamp.Parse("2024-03-05 14:30:00.250"));
    EXPECT_EQ(stamp.GetDate(), Date(5, 3, 2024));
    EXPECT_EQ(stamp.GetTime(), TimeOfDay(14, 30, 0));
    EXPECT_EQ(stamp.Format(), "05 Mar 2024 14:30:00");

    EXPECT_TRUE(stamp.Parse("2025-12-31 23:59:59 trailing words"));
    EXPECT_EQ(stamp.Format(), "31 Dec 2025 23:59:59");

    for (const char* bad : {"2024-03-05", "2024-03-05T14:30:00", "2024-13-05 14:30:00",
                            "2024-03-05  14:30:00", "2024-03-05 25:00:00", ""}) {
        SCOPED_TRACE(bad);
        DateTime other;
        EXPECT_FALSE(other.Parse(bad));
    }
    EXPECT_FALSE(stamp.Parse(nullptr));
}

TEST(DateTime, FormatShowsAnInvalidDateAsSuch) {
    EXPECT_EQ(DateTime().Format(), "<Invalid date> 00:00:00");
}

TEST(DateTime, OrdersByDateThenTime) {
    DateTime morning(Date(5, 3, 2024), TimeOfDay(9, 0, 0));
    DateTime evening(Date(5, 3, 2024), TimeOfDay(19, 0, 0));
    DateTime nextMorning(Date(6, 3, 2024), TimeOfDay(8, 0, 0));
    EXPECT_TRUE(morning < evening);
    EXPECT_TRUE(evening < nextMorning);
    EXPECT_TRUE(nextMorning > morning);
    EXPECT_FALSE(evening < morning);
    EXPECT_TRUE(morning <= DateTime(morning));
    EXPECT_TRUE(morning >= DateTime(morning));
    EXPECT_TRUE(morning == DateTime(morning));
    EXPECT_TRUE(morning != evening);
    EXPECT_FALSE(nextMorning <= evening);
}
