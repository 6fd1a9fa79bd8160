#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/optimiser_stats.h"
#include "model/schedule.h"
#include "optimiser/optimise_run.h"
#include "support/generated_schedule.h"

namespace {

// The scores logged at each generation end, in order.
std::vector<int> LoggedScores(const std::string& log) {
    std::vector<int> scores;
    const std::string key = ", score=";
    for (size_t at = log.find(key); at != std::string::npos; at = log.find(key, at + 1)) {
        scores.push_back(std::atoi(log.c_str() + at + key.size()));
    }
    return scores;
}

struct RunResult {
    std::vector<int> scores;
    Score final;
    std::string log;
};

RunResult SeededRun(unsigned seed, int generations, int numKids) {
    Score::SetCompareSwitches(ScoreCompareSwitches{});
    GeneratedSchool school = GenerateSchool(SchoolSize::Small(), seed);
    srand(seed);
    auto timetable = MakeTimetable(school);
    UCStringError sink;
    EXPECT_TRUE(RunOptimiser(*timetable, generations, numKids));
    RunResult result;
    result.log = sink.GetText();
    result.scores = LoggedScores(result.log);
    result.final = timetable->GetScore();
    return result;
}

TEST(OptimiseRun, LogsTheStartEveryGenerationEndAndTheStatistics) {
    Score::SetCompareSwitches(ScoreCompareSwitches{});
    GeneratedSchool school = GenerateSchool(SchoolSize::Small(), 4);
    srand(4);
    auto timetable = MakeTimetable(school);
    timetable->ClearModified();
    std::vector<std::string> progress;
    OptimiserStats stats;
    UCStringError sink;
    ASSERT_TRUE(RunOptimiser(*timetable, 2, 4, &stats,
                             [&](const std::string& text, int) { progress.push_back(text); }));
    const std::string log = sink.GetText();
    EXPECT_NE(log.find("Optimise starting with numkids=4"), std::string::npos);
    // The count includes the pass that has just ended.
    EXPECT_NE(log.find("Optimise passes remaining=2, score="), std::string::npos);
    EXPECT_NE(log.find("Optimise passes remaining=1, score="), std::string::npos);
    EXPECT_EQ(log.find("remaining=0"), std::string::npos);
    EXPECT_NE(log.find("First slot not free: "), std::string::npos);
    EXPECT_NE(log.find("Nothing found: "), std::string::npos);
    const std::vector<std::string> firstGeneration = {
        "Testing start positions 25%", "Testing start positions 50%", "Testing start positions 75%",
        "Testing start positions 100%"};
    ASSERT_EQ(progress.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(progress.begin(), progress.begin() + 4), firstGeneration);
    // The last score logged is the timetable's, shown out of 1000.
    const std::vector<int> scores = LoggedScores(log);
    ASSERT_EQ(scores.size(), 2u);
    EXPECT_EQ(scores.back(), timetable->GetScore().GetValue() + 1000);
    // The live timetable was replaced, so it must be saved again.
    EXPECT_TRUE(timetable->IsModified());
}

TEST(OptimiseRun, ProgressTextNamesThePhase) {
    EXPECT_EQ(FormatOptimiseProgress(StartPositions, 40), "Testing start positions 40%");
    EXPECT_EQ(FormatOptimiseProgress(Optimising, 100), "Optimising 100%");
}

TEST(OptimiseRun, RefusesAnEventWithoutParents) {
    MultiDaySchedule empty(std::make_shared<Event>());
    UCStringError sink;
    EXPECT_FALSE(RunOptimiser(empty, 3, 10));
}

TEST(OptimiseRun, SameSeedGivesTheSameRun) {
    const RunResult first = SeededRun(21, 6, 3);
    const RunResult second = SeededRun(21, 6, 3);
    EXPECT_EQ(first.scores, second.scores);
    EXPECT_EQ(first.log, second.log);
    EXPECT_TRUE(first.final == second.final);
}

// Guards the optimiser's speed-ups: they must never change a result. This pins a short seeded
// run (scores at each generation end and the final counters) recorded from the straightforward
// algorithm; a change here means a change of behaviour, not just of speed.
TEST(OptimiseRun, ShortSeededRunKeepsItsScoreSequence) {
    const RunResult run = SeededRun(1234, 10, 4);
    const std::vector<int> expectedScores = {769, 769, 769, 769, 798, 809, 824, 831, 837, 846};
    EXPECT_EQ(run.scores, expectedScores);
    EXPECT_EQ(run.final.Unbooked, 0u);
    EXPECT_EQ(run.final.TeacherWaiting, 1u);
    EXPECT_EQ(run.final.TeacherOverBlock, 2u);
    EXPECT_EQ(run.final.ParentWaiting, 85u);
    EXPECT_EQ(run.final.SiblingSeparation, 65u);
    EXPECT_EQ(run.final.Attendance, 697u);
}

}  // namespace
