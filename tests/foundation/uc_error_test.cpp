#include "foundation/uc_error.h"

#include <gtest/gtest.h>

#include <cerrno>

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
