#include "foundation/uc_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <string>

TEST(UCStringError, PrefixesEverySeverityButInformation) {
    UCStringError sink;
    sink.Report(SeverityError, "x");
    sink.Report(SeverityInformation, "y");
    sink.Report(7, "z");
    sink.Report(-1, "w");
    EXPECT_EQ(sink.GetText(), "Error: x\ny\nUNKNOWN SEVERITY: z\nUNKNOWN SEVERITY: w\n");
}

TEST(UCStringError, ShowsDetailsOnceAfterTheReport) {
    UCStringError sink;
    sink.AddDetail("first");
    sink.AddDetail("second");
    sink.Report(SeverityWarning, "w");
    sink.Report(SeverityWarning, "again");
    EXPECT_EQ(sink.GetText(),
              "Warning: w\nFurther details follow:\nfirst\nsecond\nWarning: again\n");
}

TEST(UCStringError, GetTextEmptiesTheCollectedText) {
    UCStringError sink;
    sink.Report(SeverityDebug, "d");
    EXPECT_EQ(sink.GetText(), "Debug: d\n");
    EXPECT_EQ(sink.GetText(), "");
}

TEST(UCError, NestedSinksRestoreTheOuterOneWhenDestroyed) {
    UCStringError outer;
    ReportMessage(SeverityError, "to outer");
    {
        UCStringError inner;
        ReportMessage(SeverityError, "to inner");
        EXPECT_EQ(&UCError::Current(), &inner);
        EXPECT_EQ(inner.GetText(), "Error: to inner\n");
    }
    EXPECT_EQ(&UCError::Current(), &outer);
    ReportMessage(SeverityError, "back");
    EXPECT_EQ(outer.GetText(), "Error: to outer\nError: back\n");
}

// Every order of destroying three sinks: the newest living one is current after each step and
// gets the next report, and nothing reaches a destroyed sink (ASan guards the dangling case).
TEST(UCError, SinksDestroyedInAnyOrderLeaveTheNewestLivingOneCurrent) {
    UCStringError base;
    std::array<int, 3> order = {0, 1, 2};
    do {
        SCOPED_TRACE(std::to_string(order[0]) + std::to_string(order[1]) + std::to_string(order[2]));
        std::array<std::optional<UCStringError>, 3> sinks;
        for (auto& sink : sinks) {
            sink.emplace();
        }
        for (int victim : order) {
            sinks[victim].reset();
            UCError* expected = &base;
            for (auto& sink : sinks) {
                if (sink) {
                    expected = &*sink;
                }
            }
            ASSERT_EQ(&UCError::Current(), expected);
            ReportMessage(SeverityInformation, "after " + std::to_string(victim));
            EXPECT_EQ(static_cast<UCStringError*>(expected)->GetText(),
                      "after " + std::to_string(victim) + "\n");
        }
        // A sink made after the shuffle must chain on to the base again.
        {
            UCStringError later;
            EXPECT_EQ(&UCError::Current(), &later);
        }
        EXPECT_EQ(&UCError::Current(), &base);
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(base.GetText(), "");
}

TEST(UCError, SystemErrorAppendsTheSystemText) {
    UCStringError sink;
    errno = ENOENT;
    UCError::Current().ReportSystemError(SeverityError, "Cannot open 'x': ");
    EXPECT_EQ(sink.GetText(), "Error: Cannot open 'x': No such file or directory\n");
}

TEST(UCError, SeverityNamesCoverTheFourLevelsOnly) {
    EXPECT_STREQ(UCError::SeverityName(0), "Error");
    EXPECT_STREQ(UCError::SeverityName(3), "Debug");
    EXPECT_STREQ(UCError::SeverityName(4), "UNKNOWN SEVERITY");
}
