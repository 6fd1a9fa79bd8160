#include "model/score.h"

#include <gtest/gtest.h>

namespace {

// Every test starts from the switches a fresh process has and leaves them as it found them.
class ScoreRules : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = Score::GetCompareSwitches();
        Score::SetCompareSwitches(ScoreCompareSwitches());
    }
    void TearDown() override { Score::SetCompareSwitches(saved_); }

    static Score Make(unsigned unbooked, unsigned teacherWaiting, unsigned overBlock,
                      unsigned parentWaiting, unsigned sibling, unsigned attendance) {
        Score score;
        score.Unbooked = unbooked;
        score.TeacherWaiting = teacherWaiting;
        score.TeacherOverBlock = overBlock;
        score.ParentWaiting = parentWaiting;
        score.SiblingSeparation = sibling;
        score.Attendance = attendance;
        return score;
    }

private:
    ScoreCompareSwitches saved_;
};

TEST_F(ScoreRules, ValueWeighsTeacherWaitingTwiceAndIgnoresUnbookedAndAttendance) {
    struct Case {
        const char* name;
        Score score;
        int value;
    } cases[] = {
        {"empty", Make(0, 0, 0, 0, 0, 0), 0},
        {"teacher waiting", Make(0, 1, 0, 0, 0, 0), -2},
        {"each other counter", Make(0, 0, 1, 1, 1, 0), -3},
        {"unbooked and attendance", Make(7, 0, 0, 0, 0, 99), 0},
        {"600 teacher waiting slots", Make(0, 600, 0, 0, 0, 0), -1200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.value, c.score.GetValue());
    }
    // Users see the value plus 1000, not clamped.
    EXPECT_EQ(-200, Make(0, 600, 0, 0, 0, 0).GetValue() + 1000);
}

TEST_F(ScoreRules, LowMeansBelowMinusOneHundred) {
    EXPECT_FALSE(Make(0, 0, 100, 0, 0, 0).IsLow());
    EXPECT_TRUE(Make(0, 0, 101, 0, 0, 0).IsLow());
}

TEST_F(ScoreRules, PerfectIgnoresAttendanceAndUnbookedOnlyWhenItsSwitchIsOff) {
    EXPECT_TRUE(Make(0, 0, 0, 0, 0, 40).IsPerfect());
    EXPECT_FALSE(Make(0, 0, 0, 0, 1, 0).IsPerfect());
    Score unbooked = Make(1, 0, 0, 0, 0, 0);
    EXPECT_FALSE(unbooked.IsPerfect());
    Score::SetCompareUnbooked(false);
    EXPECT_TRUE(unbooked.IsPerfect());
}

TEST_F(ScoreRules, SameValueFromDifferentCountersIsNeitherBetterWorseNorEqual) {
    Score teacher = Make(0, 1, 0, 0, 0, 0);
    Score parents = Make(0, 0, 0, 2, 0, 0);
    ASSERT_EQ(teacher.GetValue(), parents.GetValue());
    EXPECT_FALSE(teacher.IsBetterThan(parents));
    EXPECT_FALSE(teacher.IsWorseThan(parents));
    EXPECT_FALSE(teacher == parents);
    EXPECT_TRUE(teacher != parents);
    EXPECT_FALSE(teacher.IsBetterOrEqual(parents));
    EXPECT_FALSE(parents.IsBetterOrEqual(teacher));
    EXPECT_FALSE(teacher.IsWorseOrEqual(parents));
}

TEST_F(ScoreRules, UnbookedDecidesFirstOnlyWhileItsSwitchIsOn) {
    Score oneUnbooked = Make(1, 0, 0, 0, 0, 0);
    Score longWaits = Make(0, 0, 500, 0, 0, 0);
    EXPECT_TRUE(oneUnbooked.IsWorseThan(longWaits));
    EXPECT_TRUE(longWaits.IsBetterThan(oneUnbooked));
    EXPECT_FALSE(oneUnbooked.IsBetterThan(longWaits));

    Score::SetCompareUnbooked(false);
    EXPECT_TRUE(oneUnbooked.IsBetterThan(longWaits));
    EXPECT_TRUE(longWaits.IsWorseThan(oneUnbooked));
    // Equality ignores the unbooked counter too.
    EXPECT_TRUE(oneUnbooked == Make(3, 0, 0, 0, 0, 0));
}

TEST_F(ScoreRules, AttendanceBreaksTiesOnlyWhileItsSwitchIsOn) {
    Score shortDay = Make(0, 1, 0, 0, 0, 10);
    Score longDay = Make(0, 1, 0, 0, 0, 20);
    EXPECT_FALSE(shortDay.IsBetterThan(longDay));
    EXPECT_FALSE(shortDay.IsWorseThan(longDay));
    EXPECT_TRUE(shortDay == longDay);
    EXPECT_TRUE(shortDay.IsBetterOrEqual(longDay));

    Score::SetCompareAttendance(true);
    EXPECT_TRUE(shortDay.IsBetterThan(longDay));
    EXPECT_TRUE(longDay.IsWorseThan(shortDay));
    EXPECT_FALSE(shortDay == longDay);
    EXPECT_TRUE(longDay.IsWorseOrEqual(shortDay));
    EXPECT_FALSE(longDay.IsBetterOrEqual(shortDay));
}

TEST_F(ScoreRules, ValueDecidesBeforeAttendance) {
    Score::SetCompareAttendance(true);
    Score better = Make(0, 0, 1, 0, 0, 90);
    Score worse = Make(0, 0, 2, 0, 0, 5);
    EXPECT_TRUE(better.IsBetterThan(worse));
    EXPECT_TRUE(worse.IsWorseThan(better));
}

TEST_F(ScoreRules, SumAddsCounterByCounterAndClearZeroesThem) {
    Score a = Make(1, 2, 3, 4, 5, 6);
    Score b = Make(10, 20, 30, 40, 50, 60);
    Score sum;
    sum.SetSum(a, b);
    Score::SetCompareAttendance(true);
    EXPECT_TRUE(sum == Make(11, 22, 33, 44, 55, 66));
    a += b;
    EXPECT_TRUE(a == sum);
    // Summing into one of its own operands still uses the original values.
    b.SetSum(b, b);
    EXPECT_TRUE(b == Make(20, 40, 60, 80, 100, 120));
    a.Clear();
    EXPECT_TRUE(a == Score());
}

TEST(ScheduleOptions, DefaultsLeaveOnlyTwinsTogetherSet) {
    ScheduleOptions options;
    EXPECT_EQ(3, options.TeacherGapLength);
    EXPECT_EQ(4, options.ParentGapLength);
    EXPECT_EQ(24, options.TeacherBlockLength);
    EXPECT_FALSE(options.TeacherCountBreaks);
    EXPECT_FALSE(options.TeacherCountInitGap);
    EXPECT_FALSE(options.ParentCountInitGap);
    EXPECT_TRUE(options.BringTwinsTogether);
}

}  // namespace
