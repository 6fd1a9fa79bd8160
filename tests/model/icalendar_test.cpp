#include "model/icalendar.h"

#include <gtest/gtest.h>

#include <ctime>

#include "foundation/md5.h"
#include "support/scoped_env.h"

namespace {

// The entry of an appointment as the e-mail attachment and the QR code write it. Stamps are
// written in local time, so the zone is fixed here.
class CalendarEntry : public ::testing::Test {
protected:
    ScopedEnv zone{"TZ", "UTC", tzset};

    void SetUp() override {
        entry.SetDate(Date(5, 3, 2021));
        entry.SetStartTime(TimeOfDay(18, 5, 0));
        entry.SetEndTime(TimeOfDay(18, 10, 0));
        entry.SetSummary("Parents evening");
        entry.SetLocation("Hill School");
        entry.SetMailTo("office@hill.org");
    }
    static std::string LocationDigest(const std::string& location) {
        MD5 md5;
        return md5.HexDigest(location);
    }

    ICalendar entry;
};

TEST_F(CalendarEntry, CalendarHasItsLinesInOrderWithCrLf) {
    entry.SetDescription("Bring the report");
    std::string expected =
        "BEGIN:VCALENDAR\r\n"
        "VERSION:2.0\r\n"
        "PRODID:-//Hollinwade Software//NONSGML Quillmoot//EN\r\n"
        "BEGIN:VEVENT\r\n"
        "UID:00000000@Quillmoot" +
        LocationDigest("Hill School") +
        "\r\n"
        "DTSTAMP:19700101T000000\r\n"
        "LOCATION:Hill School\r\n"
        "ORGANIZER;CN=Hill School:mailto:office@hill.org\r\n"
        "DTSTART:20210305T180500\r\n"
        "DTEND:20210305T181000\r\n"
        "SUMMARY:Parents evening\r\n"
        "DESCRIPTION:Bring the report\r\n"
        "END:VEVENT\r\n"
        "END:VCALENDAR\r\n";
    EXPECT_EQ(expected, entry.FormatCalendar(0));
}

TEST_F(CalendarEntry, EmptyDescriptionLeavesItsLineOutButOrganizerStays) {
    entry.SetMailTo("");
    std::string text = entry.FormatCalendar(0);
    EXPECT_EQ(std::string::npos, text.find("DESCRIPTION"));
    EXPECT_NE(std::string::npos, text.find("\r\nORGANIZER;CN=Hill School:mailto:\r\n"));
}

TEST_F(CalendarEntry, StampIsWrittenAsLocalTimeAndInTheUid) {
    // 2021-03-05 18:05:00 UTC.
    std::time_t stamp = 1614967500;
    std::string text = entry.FormatCalendar(stamp);
    EXPECT_NE(std::string::npos, text.find("\r\nDTSTAMP:20210305T180500\r\n"));
    EXPECT_EQ("604272cc@Quillmoot" + LocationDigest("Hill School"), entry.MakeUid(stamp));
}

TEST_F(CalendarEntry, SameLocationAndStampGiveTheSameUid) {
    ICalendar other;
    other.SetLocation("Hill School");
    other.SetSummary("something else");
    EXPECT_EQ(entry.MakeUid(1234), other.MakeUid(1234));
    other.SetLocation("Dale School");
    EXPECT_NE(entry.MakeUid(1234), other.MakeUid(1234));
}

TEST_F(CalendarEntry, EventBlockHoldsOnlyItsSixLines) {
    EXPECT_EQ(
        "BEGIN:VEVENT\r\n"
        "LOCATION:Hill School\r\n"
        "DTSTART:20210305T180500\r\n"
        "DTEND:20210305T181000\r\n"
        "SUMMARY:Parents evening\r\n"
        "END:VEVENT\r\n",
        entry.FormatEvent());
}

TEST(ICalendarText, TextValuesAreEscaped) {
    struct Case {
        const char* name;
        std::string input;
        std::string escaped;
    } cases[] = {
        {"plain", "Room 4", "Room 4"},
        {"comma and semicolon", "Hall, east; upstairs", "Hall\\, east\\; upstairs"},
        {"backslash", "a\\b", "a\\\\b"},
        {"line feed", "one\ntwo", "one\\ntwo"},
        {"cr lf is one break", "one\r\ntwo", "one\\ntwo"},
        {"lone cr", "one\rtwo", "one\\ntwo"},
        {"tab becomes a blank", "a\tb", "a b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.escaped, ICalendar::EscapeText(c.input));
    }
}

TEST(ICalendarText, NoValueCanAddALineOrProperty) {
    ICalendar entry;
    entry.SetSummary("Smith\r\nATTENDEE:mailto:evil@example.org");
    entry.SetDescription("x\nEND:VEVENT");
    entry.SetLocation("Hall; \"A\"\r\nX-INJECTED:1");
    entry.SetMailTo("a@b.org\r\nX-INJECTED:2");
    std::string text = entry.FormatCalendar(0);

    // Exactly the fourteen lines of a calendar with a description, whatever the values hold.
    size_t lines = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
        ++lines;
    }
    EXPECT_EQ(14u, lines);
    EXPECT_EQ(std::string::npos, text.find("\nX-"));
    EXPECT_EQ(std::string::npos, text.find("\nATTENDEE"));
    EXPECT_NE(std::string::npos, text.find("SUMMARY:Smith\\nATTENDEE:mailto:evil@example.org\r\n"));
    EXPECT_NE(std::string::npos, text.find("DESCRIPTION:x\\nEND:VEVENT\r\n"));
    // The organiser's name is a quoted parameter without quotes or control characters.
    EXPECT_NE(std::string::npos,
              text.find("ORGANIZER;CN=\"Hall; A  X-INJECTED:1\":mailto:a@b.org  X-INJECTED:2\r\n"));
}

}  // namespace
