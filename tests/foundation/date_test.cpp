#include "foundation/date.h"

#include <gtest/gtest.h>
#include <time.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "support/scoped_env.h"

namespace {

std::string Describe(const Date& date) {
    return std::to_string(date.Year()) + "-" + std::to_string(date.Month()) + "-" +
           std::to_string(date.Day());
}

}  // namespace

TEST(Date, ValidityFollowsTheCalendarFrom2000To9999) {
    struct Case {
        int day, month, year;
        bool valid;
    } cases[] = {
        // Every fourth year is a leap year, 2100 included.
        {1, 1, 2000, true},
        {31, 12, 1999, false},
        {29, 2, 2024, true},
        {29, 2, 2023, false},
        {29, 2, 2100, true},
        {30, 2, 2024, false},
        {31, 4, 2024, false},
        {30, 4, 2024, true},
        {31, 12, 2024, true},
        {0, 1, 2024, false},
        {1, 0, 2024, false},
        {1, 13, 2024, false},
        {32, 1, 2024, false},
        {0, 0, 0, false},
        // Only four-digit years are written to files.
        {31, 12, 9999, true},
        {1, 1, 10000, false},
        {1, 1, 2147483647, false},
    };
    for (const Case& c : cases) {
        Date date(c.day, c.month, c.year);
        SCOPED_TRACE(Describe(date));
        EXPECT_EQ(date.IsValid(), c.valid);
    }
    EXPECT_FALSE(Date().IsValid());
}

TEST(Date, DaysInMonthIsZeroOutsideTheTwelveMonths) {
    EXPECT_EQ(Date::DaysInMonth(1, 2023), 31);
    EXPECT_EQ(Date::DaysInMonth(2, 2023), 28);
    EXPECT_EQ(Date::DaysInMonth(2, 2024), 29);
    EXPECT_EQ(Date::DaysInMonth(4, 2024), 30);
    EXPECT_EQ(Date::DaysInMonth(12, 2024), 31);
    EXPECT_EQ(Date::DaysInMonth(0, 2024), 0);
    EXPECT_EQ(Date::DaysInMonth(13, 2024), 0);
}

TEST(Date, ComparesByYearThenMonthThenDay) {
    Date early(31, 12, 2023), late(1, 1, 2024), lateToo(1, 1, 2024), midYear(15, 6, 2023);
    EXPECT_TRUE(early < late);
    EXPECT_TRUE(late > early);
    EXPECT_TRUE(midYear < early);
    EXPECT_TRUE(Date(2, 3, 2024) > Date(1, 3, 2024));
    EXPECT_TRUE(late == lateToo);
    EXPECT_FALSE(late != lateToo);
    EXPECT_TRUE(late <= lateToo);
    EXPECT_TRUE(late >= lateToo);
    EXPECT_FALSE(late < lateToo);
    EXPECT_TRUE(early != late);
}

TEST(Date, NextAndPreviousDayRollOverMonthsAndYears) {
    struct Case {
        Date from, next;
    } cases[] = {
        {Date(31, 12, 2024), Date(1, 1, 2025)}, {Date(28, 2, 2024), Date(29, 2, 2024)},
        {Date(29, 2, 2024), Date(1, 3, 2024)},  {Date(28, 2, 2023), Date(1, 3, 2023)},
        {Date(30, 4, 2024), Date(1, 5, 2024)},  {Date(5, 3, 2024), Date(6, 3, 2024)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Describe(c.from));
        Date forward = c.from;
        forward.NextDay();
        EXPECT_EQ(forward, c.next);
        Date back = c.next;
        back.PreviousDay();
        EXPECT_EQ(back, c.from);
    }
}

TEST(Date, DaysSinceCountsWholeDaysInBothDirections) {
    EXPECT_EQ(Date(5, 3, 2024).DaysSince(Date(5, 3, 2024)), 0);
    EXPECT_EQ(Date(1, 3, 2024).DaysSince(Date(28, 2, 2024)), 2);
    EXPECT_EQ(Date(1, 1, 2025).DaysSince(Date(1, 1, 2024)), 366);
    EXPECT_EQ(Date(1, 1, 2024).DaysSince(Date(1, 1, 2025)), -366);
    EXPECT_EQ(Date(1, 1, 2024).DaysSince(Date(1, 1, 2000)), 8766);
}

TEST(Date, DaysSinceAndDayOfWeekIgnoreDaylightSaving) {
    // A zone whose clocks jump between the dates must not lose or gain a day.
    ScopedEnv zone("TZ", "EST5EDT,M3.2.0,M11.1.0", tzset);
    EXPECT_EQ(Date(11, 3, 2024).DaysSince(Date(9, 3, 2024)), 2);
    EXPECT_EQ(Date(9, 3, 2024).DaysSince(Date(11, 3, 2024)), -2);
    EXPECT_EQ(Date(4, 11, 2024).DaysSince(Date(2, 11, 2024)), 2);
    EXPECT_EQ(Date(1, 7, 2024).DaysSince(Date(1, 1, 2024)), 182);
    EXPECT_EQ(Date(10, 3, 2024).DayOfWeek(), 0);
    EXPECT_EQ(Date(3, 11, 2024).DayOfWeek(), 0);
}

TEST(Date, DayOfWeekStartsOnSunday) {
    struct Case {
        Date date;
        int weekday;
    } cases[] = {
        {Date(1, 1, 2000), 6},   {Date(5, 3, 2024), 2}, {Date(29, 2, 2024), 4},
        {Date(31, 12, 2023), 0}, {Date(1, 1, 2024), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Describe(c.date));
        EXPECT_EQ(c.date.DayOfWeek(), c.weekday);
    }
}

TEST(Date, FormatsIsoAndLongForms) {
    EXPECT_EQ(Date(5, 3, 2024).FormatISO(), "2024-03-05");
    EXPECT_EQ(Date(31, 12, 2099).FormatISO(), "2099-12-31");
    EXPECT_EQ(Date(5, 3, 2024).FormatLong(), "05 Mar 2024");
    EXPECT_EQ(Date(1, 1, 2000).FormatLong(), "01 Jan 2000");
    EXPECT_EQ(Date(25, 12, 2030).FormatLong(), "25 Dec 2030");
    EXPECT_EQ(Date().FormatISO(), "");
    EXPECT_EQ(Date().FormatLong(), "<Invalid date>");
    EXPECT_EQ(Date(30, 2, 2024).FormatLong(), "<Invalid date>");
}

TEST(Date, ParseIsoReadsTheFixedPositions) {
    struct Case {
        const char* text;
        bool ok;
        Date fields;  // as left behind, valid or not
    } cases[] = {
        {"2024-03-05", true, Date(5, 3, 2024)},
        {"2024-03-05 14:30:00", true, Date(5, 3, 2024)},  // the rest is ignored
        {"2024-13-01", false, Date(1, 13, 2024)},         // fields set even so
        {"2024-02-30", false, Date(30, 2, 2024)},
        {"1999-12-31", false, Date(31, 12, 1999)},
        {"2024-1-01", false, Date()},  // '-' not at position 7
        {"2024-01-1", false, Date()},  // too short
        {"20240305xx", false, Date()},
        {"", false, Date()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Date date(9, 9, 2009);
        EXPECT_EQ(date.ParseISO(c.text), c.ok);
        EXPECT_EQ(date, c.fields);
    }
    Date date(9, 9, 2009);
    EXPECT_FALSE(date.ParseISO(nullptr));
    EXPECT_EQ(date, Date());
}

TEST(Date, ParseLongReadsWhatFormatLongWrites) {
    Date date;
    EXPECT_TRUE(date.ParseLong("05 Mar 2024"));
    EXPECT_EQ(date, Date(5, 3, 2024));
    EXPECT_TRUE(date.ParseLong(Date(31, 12, 2099).FormatLong()));
    EXPECT_EQ(date, Date(31, 12, 2099));

    EXPECT_FALSE(date.ParseLong("05 mar 2024"));  // month names are case-sensitive
    EXPECT_EQ(date.Month(), 0);
    EXPECT_FALSE(date.ParseLong("30 Feb 2024"));
    EXPECT_EQ(date, Date(30, 2, 2024));

    date.Set(1, 1, 2001);
    EXPECT_FALSE(date.ParseLong("5 Mar 2024"));
    EXPECT_FALSE(date.ParseLong("05 Mar 2024 "));
    EXPECT_FALSE(date.ParseLong("05-Mar-2024"));
    EXPECT_EQ(date, Date(1, 1, 2001));
}

TEST(Date, SetFromNamesTakesFullMonthNames) {
    Date date;
    date.SetFromNames("5", "March", "2024");
    EXPECT_EQ(date, Date(5, 3, 2024));
    date.SetFromNames("17", "September", "2025");
    EXPECT_EQ(date, Date(17, 9, 2025));

    date.SetFromNames("6", "Mar", "2026");  // unknown name: the month stays
    EXPECT_EQ(date, Date(6, 9, 2026));

    date.SetFromNames(nullptr, "May", "2027");
    date.SetFromNames("1", nullptr, "2027");
    date.SetFromNames("1", "May", nullptr);
    EXPECT_EQ(date, Date(6, 9, 2026));
}

TEST(Date, TodayIsAValidDate) {
    EXPECT_TRUE(Date::Today().IsValid());
}
