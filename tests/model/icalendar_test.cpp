#include "model/icalendar.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/md5.h"
#include "foundation/string_functions.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace {

// The entry of an appointment as the e-mail attachment and the QR code write it.
class CalendarEntry : public ::testing::Test {
protected:
    void SetUp() override {
        entry.SetDate(Date(5, 3, 2021));
        entry.SetStartTime(TimeOfDay(18, 5, 0));
        entry.SetEndTime(TimeOfDay(18, 10, 0));
        entry.SetSummary("Parents evening");
        entry.SetLocation("Hill School");
        entry.SetMailTo("office@hill.org");
    }
    static std::string UidDigest(const std::string& location, const std::string& date) {
        MD5 md5;
        return md5.HexDigest(location + "\n\n" + date);
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
        UidDigest("Hill School", "20210305") +
        "\r\n"
        "DTSTAMP:19700101T000000Z\r\n"
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

TEST_F(CalendarEntry, StampIsWrittenInUtcWhateverTheZoneAndInTheUid) {
    // 2021-03-05 18:05:00 UTC.
    const std::time_t stamp = 1614967500;
    std::string text;
    {
        ScopedEnv zone("TZ", "America/New_York", tzset);
        text = entry.FormatCalendar(stamp);
    }
    EXPECT_NE(std::string::npos, text.find("\r\nDTSTAMP:20210305T180500Z\r\n"));
    EXPECT_EQ("604272cc@Quillmoot" + UidDigest("Hill School", "20210305"), entry.MakeUid(stamp));
}

TEST_F(CalendarEntry, UidsDifferByPersonEventAndDayButNotBySummary) {
    entry.SetOwner("Spring evening\nS1");
    const std::string uid = entry.MakeUid(1234);
    struct Case {
        const char* name;
        void (*change)(ICalendar&);
        bool same;
    };
    const Case cases[] = {
        {"another summary", [](ICalendar& c) { c.SetSummary("something else"); }, true},
        {"the second day", [](ICalendar& c) { c.SetDate(Date(6, 3, 2021)); }, false},
        {"another parent", [](ICalendar& c) { c.SetOwner("Spring evening\nS2"); }, false},
        {"another event", [](ICalendar& c) { c.SetOwner("Autumn evening\nS1"); }, false},
        {"another school", [](ICalendar& c) { c.SetLocation("Dale School"); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ICalendar other = entry;
        c.change(other);
        EXPECT_EQ(other.MakeUid(1234) == uid, c.same);
    }
}

TEST_F(CalendarEntry, AStrictReaderAcceptsLongTabbedAndEightBitTexts) {
    std::string description;
    for (int i = 0; i < 12; ++i) {
        description +=
            "Gr\xC3\xBC\xC3\x9F"
            "e \xF0\x9F\x98\x80, Raum " +
            std::to_string(i) + "; ";
    }
    entry.SetSummary("Maths\twith Mr Whitfield");
    entry.SetDescription(description);
    entry.SetLocation("Caf\xE9 M\xFCller, Hall");  // written on Windows
    const std::string text = entry.FormatCalendar(1614967500);

    EXPECT_TRUE(IsValidUTF8(text));
    size_t begin = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos;
         begin = end + 2, end = text.find("\r\n", begin)) {
        const std::string line = text.substr(begin, end - begin);
        SCOPED_TRACE(line);
        EXPECT_LE(line.size(), 75u);
        for (const char c : line) {
            const auto byte = static_cast<unsigned char>(c);
            EXPECT_TRUE(byte == '\t' || (byte >= 0x20 && byte != 0x7F));
        }
    }

    TempFolder folder("qm-calendar");
    const std::string path = folder.Write("entry.ics", text);
    const std::string script =
        "import sys, icalendar\n"
        "cal = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())\n"
        "e = cal.walk('VEVENT')[0]\n"
        "stamp = e.decoded('DTSTAMP')\n"
        "sys.stdout.buffer.write('\\x1f'.join([str(e['UID']), stamp.isoformat(), "
        "str(e['SUMMARY']), str(e['DESCRIPTION']), str(e['LOCATION'])]).encode('utf-8'))\n";
    const std::string scriptPath = folder.Write("read.py", script);
    FILE* pipe =
        popen((std::string(QM_PYTHON) + " '" + scriptPath + "' '" + path + "'").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[512];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        output.append(buffer, got);
    }
    ASSERT_EQ(pclose(pipe), 0) << output;
    const std::string expected = entry.MakeUid(1614967500) + "\x1f" +
                                 "2021-03-05T18:05:00+00:00\x1f" + "Maths\twith Mr Whitfield\x1f" +
                                 description + "\x1f" + "Caf\xC3\xA9 M\xC3\xBCller, Hall";
    EXPECT_EQ(output, expected);
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
        {"tab stays", "a\tb", "a\tb"},
        {"other controls become blanks",
         "a\x01"
         "b\x7F",
         "a b "},
        {"Windows-1252 becomes UTF-8", "Caf\xE9", "Caf\xC3\xA9"},
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
