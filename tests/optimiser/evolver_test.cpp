#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/optimiser_stats.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"
#include "optimiser/evolver.h"
#include "support/generated_schedule.h"

namespace {

// One teacher, one parent, one one-slot request: every booking scores the same, so a fresh
// start position can never beat the master once it is booked.
class SingleRequestEvent : public ::testing::Test {
protected:
    void SetUp() override {
        Score::SetCompareSwitches(ScoreCompareSwitches{});
        event_ = std::make_shared<Event>();
        master_ = std::make_unique<MultiDaySchedule>(event_);
        auto teacher = std::make_unique<Teacher>("Ann Teacher");
        Teacher* t = teacher.get();
        ASSERT_TRUE(master_->AddTeacher(std::move(teacher)));
        auto parent = std::make_unique<Parent>("Bob Parent");
        auto pupil = std::make_unique<Pupil>("Cy Pupil");
        ASSERT_TRUE(pupil->AddRequest(t, "Maths", 1, 1));
        pupil_ = pupil.get();
        ASSERT_TRUE(parent->AddPupil(std::move(pupil)));
        ASSERT_TRUE(master_->AddParent(std::move(parent)));
    }

    std::shared_ptr<Event> event_;
    std::unique_ptr<MultiDaySchedule> master_;
    Pupil* pupil_ = nullptr;
};

TEST(Evolver, PopulationSizeIsClampedToASaneRange) {
    struct Case {
        int asked;
        int held;
    };
    const Case cases[] = {{-3, 2},  {0, 2},     {1, 2},     {2, 2},
                          {10, 10}, {200, 200}, {201, 200}, {100000, 200}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        Evolver evolver(nullptr, c.asked);
        EXPECT_EQ(evolver.GetNumKids(), c.held);
        EXPECT_EQ(evolver.GetKid(c.held - 1), nullptr);
    }
}

TEST(Evolver, ANewEvolverStartsAtTheFirstCandidateWithNothingFound) {
    Evolver evolver(nullptr, 10);
    EXPECT_EQ(evolver.GetKidIndex(), 0);
    EXPECT_EQ(evolver.GetBestIndex(), -1);
    EXPECT_EQ(evolver.GetWorstIndex(), -1);
    EXPECT_EQ(evolver.GetPhase(), StartPositions);
    EXPECT_EQ(evolver.GetStallCount(), 0);
    EXPECT_EQ(evolver.GetGeneration(), 0);
    EXPECT_EQ(evolver.GetOptimiserStats(), nullptr);
}

TEST(Evolver, StartRefusesWithoutMasterOrParents) {
    Evolver noMaster(nullptr, 4);
    EXPECT_FALSE(noMaster.Start());

    MultiDaySchedule empty(std::make_shared<Event>());
    Evolver noParents(&empty, 4);
    EXPECT_FALSE(noParents.Start());
    EXPECT_EQ(noParents.GetKid(0), nullptr);
    EXPECT_EQ(noParents.GetKid(1), nullptr);
}

TEST_F(SingleRequestEvent, StartOnALockedEventReportsAndSeedsNothing) {
    ASSERT_TRUE(master_->BookAll(BookRandomThenOrderKey));
    event_->SetLocked(true);
    const Score before = master_->GetScore();
    UCStringError sink;
    Evolver evolver(master_.get(), 3);
    EXPECT_FALSE(evolver.Start());
    EXPECT_NE(sink.GetText().find("Cannot optimise the schedule because it is locked"),
              std::string::npos);
    EXPECT_EQ(evolver.GetKid(0), nullptr);
    EXPECT_TRUE(master_->GetScore() == before);
    event_->SetLocked(false);
}

// Booking fails for a request whose teacher is not in the event, after candidate 0 is made.
TEST_F(SingleRequestEvent, StartThatCannotBookACandidateLeavesNoHalfSeededPopulation) {
    Teacher outsider("Olly Outsider");
    ASSERT_TRUE(pupil_->AddRequest(&outsider, "Art", 1, 1));
    UCStringError sink;
    Evolver evolver(master_.get(), 3);
    EXPECT_FALSE(evolver.Start());
    EXPECT_NE(sink.GetText().find("Booking failed!"), std::string::npos);
    EXPECT_EQ(evolver.GetKid(0), nullptr);
    evolver.NewGeneration();
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(evolver.Step());
    }
    EXPECT_EQ(master_->GetScore().Unbooked, 2u);
}

TEST_F(SingleRequestEvent, RestartRefusedOnALockedEventNeverTouchesTheMaster) {
    Evolver evolver(master_.get(), 2);
    ASSERT_TRUE(evolver.Start());
    evolver.NewGeneration();
    EXPECT_FALSE(evolver.Step());
    event_->SetLocked(true);
    UCStringError sink;
    EXPECT_FALSE(evolver.Start());
    EXPECT_EQ(evolver.GetKid(1), nullptr);
    // The generation begun before the refusal must not hand its booked candidate over.
    EXPECT_TRUE(evolver.Step());
    EXPECT_EQ(master_->GetScore().Unbooked, 1u);
    event_->SetLocked(false);
}

TEST_F(SingleRequestEvent, StepBeforeStartEndsTheGenerationWithoutTouchingAnything) {
    Evolver evolver(master_.get(), 3);
    EXPECT_TRUE(evolver.Step());
    EXPECT_EQ(evolver.GetKidIndex(), 0);
    EXPECT_EQ(master_->GetScore().Unbooked, 1u);
}

TEST_F(SingleRequestEvent, FirstGenerationHandsTheBookedCandidateToTheMaster) {
    ASSERT_EQ(master_->GetScore().Unbooked, 1u);
    Evolver evolver(master_.get(), 2);
    ASSERT_TRUE(evolver.Start());
    evolver.NewGeneration();
    EXPECT_FALSE(evolver.Step());  // candidate 0, the unchanged master
    EXPECT_TRUE(evolver.Step());   // candidate 1, booked afresh; ends the generation
    EXPECT_EQ(evolver.GetBestIndex(), 1);
    EXPECT_EQ(evolver.GetKid0Score().Unbooked, 1u);
    EXPECT_EQ(evolver.GetStallCount(), 0);
    EXPECT_EQ(master_->GetScore().Unbooked, 0u);
    EXPECT_EQ(evolver.GetKid(0)->GetScore().Unbooked, 0u);
}

TEST_F(SingleRequestEvent, ThreeGenerationsWithoutGainSwitchToOptimising) {
    ASSERT_TRUE(master_->BookAll(BookRandomThenOrderKey));
    srand(3);
    Evolver evolver(master_.get(), 2);
    ASSERT_TRUE(evolver.Start());
    for (int generation = 1; generation <= 4; ++generation) {
        SCOPED_TRACE(generation);
        evolver.NewGeneration();
        EXPECT_FALSE(evolver.Step());
        EXPECT_TRUE(evolver.Step());
        EXPECT_EQ(evolver.GetStallCount(), generation);
        EXPECT_EQ(evolver.GetPhase(), generation >= 3 ? Optimising : StartPositions);
    }
    EXPECT_EQ(master_->GetScore().Unbooked, 0u);
}

TEST(Evolver, ProgressCountsTheCandidateAboutToBeHandled) {
    GeneratedSchool school = GenerateSchool(SchoolSize::Small(), 11);
    srand(11);
    auto master = MakeTimetable(school);
    Evolver evolver(master.get(), 10);
    ASSERT_TRUE(evolver.Start());
    evolver.NewGeneration();
    EXPECT_EQ(evolver.GetProgressPercent(), 10);
    evolver.Step();
    evolver.Step();
    // The third candidate is next: (2 + 1) / 10.
    EXPECT_EQ(evolver.GetProgressPercent(), 30);
    evolver.Step();
    EXPECT_EQ(evolver.GetProgressPercent(), 40);
    bool ended = false;
    for (int i = 3; i < 10; ++i) {
        ended = evolver.Step();
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(evolver.GetProgressPercent(), 100);
}

// The percent is exact for every candidate (29 of 100 is 29, where dividing first gives
// 28.999...) and never passes 100, also once the generation has ended.
TEST_F(SingleRequestEvent, ProgressIsTheExactWholePercentOfEveryCandidate) {
    for (int kids : {3, 7, 100}) {
        SCOPED_TRACE(kids);
        Evolver evolver(master_.get(), kids);
        ASSERT_TRUE(evolver.Start());
        evolver.NewGeneration();
        bool ended = false;
        for (int next = 0; next < kids; ++next) {
            EXPECT_EQ(evolver.GetProgressPercent(), (next + 1) * 100 / kids) << "next " << next;
            ended = evolver.Step();
        }
        EXPECT_TRUE(ended);
        EXPECT_EQ(evolver.GetProgressPercent(), 100);
    }
}

// Invariants over generated schools: the master never gets worse, it always holds the
// generation's best, the phase only moves forward, and the candidates count into the run's
// statistics while the master keeps its own.
TEST(Evolver, MasterNeverGetsWorseAcrossGenerations) {
    const SchoolSize sizes[] = {SchoolSize::Small(), TwoDaySmallSchool()};
    for (const SchoolSize& size : sizes) {
        for (unsigned seed : {1u, 2u}) {
            SCOPED_TRACE(size.name + " seed " + std::to_string(seed));
            GeneratedSchool school = GenerateSchool(size, seed);
            srand(seed);
            auto master = MakeTimetable(school);
            ASSERT_TRUE(master->BookAll(BookRandomThenOrderKey));
            OptimiserStats stats;
            Evolver evolver(master.get(), 3);
            evolver.SetOptimiserStats(&stats);
            ASSERT_TRUE(evolver.Start());
            Score previous = master->GetScore();
            bool optimised = false;
            int optimisingGenerations = 0;
            for (int generation = 0; generation < 40 && optimisingGenerations < 3; ++generation) {
                evolver.NewGeneration();
                int steps = 1;
                while (!evolver.Step()) {
                    ++steps;
                }
                EXPECT_EQ(steps, 3);
                const Score current = master->GetScore();
                EXPECT_FALSE(current.IsWorseThan(previous)) << "generation " << generation;
                EXPECT_TRUE(current == evolver.GetBestScore());
                EXPECT_TRUE(evolver.GetKid(0)->GetScore() == current);
                if (optimised) {
                    EXPECT_EQ(evolver.GetPhase(), Optimising);
                    ++optimisingGenerations;
                }
                optimised = evolver.GetPhase() == Optimising;
                previous = current;
            }
            for (unsigned d = 0; d < master->GetDayCount(); ++d) {
                EXPECT_EQ(master->GetDay(d)->GetOptimiserStats(), nullptr);
            }
            // Fresh starts stall within forty generations, so local search ran too.
            EXPECT_GT(optimisingGenerations, 0);
            if (optimisingGenerations > 0) {
                EXPECT_GT(stats.FirstSlotNotFree + stats.NoGaps + stats.NothingFound +
                              stats.FirstApptIntoGap + stats.LastApptIntoGap + stats.BetterSwap +
                              stats.EqualSwap + stats.FirstAfterLast + stats.LastLater +
                              stats.BusyApptToEnd,
                          0u);
            }
        }
    }
}

// Every cell of every day as the index of the request it holds (-1 free), so that two
// timetables of separately generated, identical schools can be compared.
std::vector<int> BookedCells(const GeneratedSchool& school, const MultiDaySchedule& timetable) {
    std::map<const AppointmentRequest*, int> index;
    for (AppointmentRequest* request : school.AllRequests()) {
        index.emplace(request, static_cast<int>(index.size()));
    }
    std::vector<int> cells;
    for (unsigned d = 0; d < timetable.GetDayCount(); ++d) {
        const AppointmentGrid& grid = timetable.GetDay(d)->GetGrid();
        for (unsigned row = 0; row < grid.GetRowCount(); ++row) {
            for (unsigned slot = 0; slot < grid.GetSlotCount(); ++slot) {
                const Appointment* booking =
                    grid.PeekBooking(static_cast<int>(slot), static_cast<int>(row));
                const auto found =
                    booking != nullptr ? index.find(booking->GetRequest()) : index.end();
                cells.push_back(found != index.end() ? found->second : -1);
            }
        }
    }
    return cells;
}

struct RunRecord {
    std::vector<std::vector<std::uint32_t>> scores;  // the master's counters after each pass
    std::vector<EvolverPhase> phases;
    std::vector<int> cells;
    int pieces = 0;
    int nextRand = 0;  // the next random number afterwards: the same draws were made
};

// Twelve passes of four candidates, whole or one piece at a time.
RunRecord RunPasses(const SchoolSize& size, unsigned seed, bool sliced) {
    GeneratedSchool school = GenerateSchool(size, seed);
    srand(seed);
    auto master = MakeTimetable(school);
    OptimiserStats stats;
    Evolver evolver(master.get(), 4);
    evolver.SetOptimiserStats(&stats);
    RunRecord run;
    const Evolver::Clock::time_point past = Evolver::Clock::time_point::min();
    if (sliced) {
        Evolver::StartState started = Evolver::StartPending;
        while (started == Evolver::StartPending) {
            started = evolver.StartSome(past);
            ++run.pieces;
        }
        EXPECT_EQ(started, Evolver::StartDone);
    } else {
        EXPECT_TRUE(evolver.Start());
    }
    for (int pass = 0; pass < 12; ++pass) {
        evolver.NewGeneration();
        if (sliced) {
            while (evolver.StepSome(past) != Evolver::GenerationDone) {
                ++run.pieces;
            }
        } else {
            while (!evolver.Step()) {
            }
        }
        const Score score = master->GetScore();
        run.scores.push_back({score.Unbooked, score.TeacherWaiting, score.TeacherOverBlock,
                              score.ParentWaiting, score.SiblingSeparation, score.Attendance});
        run.phases.push_back(evolver.GetPhase());
    }
    run.cells = BookedCells(school, *master);
    run.nextRand = rand();
    return run;
}

TEST(EvolverSlices, APieceAtATimeEndsExactlyAsWholeSteps) {
    const SchoolSize sizes[] = {SchoolSize::Small(), TwoDaySmallSchool()};
    for (const SchoolSize& size : sizes) {
        for (unsigned seed : {4u, 5u}) {
            SCOPED_TRACE(size.name + " seed " + std::to_string(seed));
            const RunRecord whole = RunPasses(size, seed, false);
            const RunRecord sliced = RunPasses(size, seed, true);
            EXPECT_EQ(sliced.scores, whole.scores);
            EXPECT_EQ(sliced.phases, whole.phases);
            EXPECT_EQ(sliced.cells, whole.cells);
            EXPECT_EQ(sliced.nextRand, whole.nextRand);
            // Both phases ran, and in several pieces a step.
            EXPECT_EQ(whole.phases.front(), StartPositions);
            EXPECT_EQ(whole.phases.back(), Optimising);
            EXPECT_GT(sliced.pieces, 48 * 4);
        }
    }
}

// The window shows and saves the master between pieces: it changes only in the piece that ends
// a generation, and then to candidate 0 whole, however the generation's copies were cut up.
TEST(EvolverSlices, TheMasterChangesOnlyInTheLastPieceOfAGeneration) {
    GeneratedSchool school = GenerateSchool(TwoDaySmallSchool(), 6);
    srand(6);
    auto master = MakeTimetable(school);
    ASSERT_TRUE(master->BookAll(BookRandomThenOrderKey));
    Evolver evolver(master.get(), 3);
    ASSERT_TRUE(evolver.Start());
    const Evolver::Clock::time_point past = Evolver::Clock::time_point::min();
    int changes = 0;
    for (int generation = 0; generation < 8; ++generation) {
        evolver.NewGeneration();
        std::vector<int> before = BookedCells(school, *master);
        Evolver::StepState state = Evolver::StepPending;
        while ((state = evolver.StepSome(past)) != Evolver::GenerationDone) {
            ASSERT_EQ(BookedCells(school, *master), before) << "generation " << generation;
        }
        const std::vector<int> after = BookedCells(school, *master);
        EXPECT_EQ(after, BookedCells(school, *evolver.GetKid(0)));
        changes += after != before ? 1 : 0;
    }
    EXPECT_GT(changes, 0);
}

TEST_F(SingleRequestEvent, SeedingInSlicesTouchesNeitherMasterNorPopulationUntilComplete) {
    Evolver evolver(master_.get(), 3);
    const Evolver::Clock::time_point past = Evolver::Clock::time_point::min();
    int pieces = 1;
    EXPECT_EQ(evolver.StartSome(past), Evolver::StartPending);
    EXPECT_TRUE(evolver.IsStarting());
    for (; evolver.StartSome(past) == Evolver::StartPending; ++pieces) {
        EXPECT_EQ(evolver.GetKid(0), nullptr);
        // A step meanwhile finds no population and ends at once.
        EXPECT_EQ(evolver.StepSome(past), Evolver::GenerationDone);
    }
    ++pieces;
    EXPECT_FALSE(evolver.IsStarting());
    // Candidate 0 is a copy; each other one a copy, the emptying of its day, and for each of
    // the three priorities the gathering, the ordering and the booking of its requests.
    EXPECT_EQ(pieces, 1 + 2 * (1 + 1 + 3 * 3));
    ASSERT_NE(evolver.GetKid(2), nullptr);
    EXPECT_EQ(evolver.GetKid(2)->GetScore().Unbooked, 0u);
    EXPECT_EQ(master_->GetScore().Unbooked, 1u);
}

TEST_F(SingleRequestEvent, StartAbandonsASeedingLeftPending) {
    Evolver evolver(master_.get(), 3);
    ASSERT_EQ(evolver.StartSome(Evolver::Clock::time_point::min()), Evolver::StartPending);
    event_->SetLocked(true);
    UCStringError sink;
    EXPECT_FALSE(evolver.Start());
    EXPECT_FALSE(evolver.IsStarting());
    event_->SetLocked(false);
    EXPECT_TRUE(evolver.Start());
    EXPECT_NE(evolver.GetKid(2), nullptr);
}

}  // namespace

namespace {

std::uint64_t Digest(const std::vector<int>& cells) {
    std::uint64_t hash = 1469598103934665603ull;
    for (int cell : cells) {
        hash = (hash ^ static_cast<std::uint64_t>(static_cast<std::uint32_t>(cell))) *
               1099511628211ull;
    }
    return hash;
}

}  // namespace

// Guards the speed-ups of booking, scoring and the generation's end: a school with enough
// teachers and families for every lookup table, over two days and both phases, keeps the run
// recorded from the straightforward algorithms: the scores of every pass, every booked cell and
// the next random number.
TEST(EvolverSlices, AMediumSchoolKeepsItsRecordedRun) {
    const RunRecord run = RunPasses(SchoolSize::Medium(), 6, true);
    std::vector<int> values;
    for (const auto& counters : run.scores) {
        Score score;
        score.TeacherWaiting = counters[1];
        score.TeacherOverBlock = counters[2];
        score.ParentWaiting = counters[3];
        score.SiblingSeparation = counters[4];
        values.push_back(score.GetValue() + 1000);
    }
    const std::vector<int> kValues = {-3687, -3681, -3681, -3681, -3681, -3302,
                                      -3119, -2924, -2786, -2677, -2602, -2530};
    EXPECT_EQ(values, kValues);
    const std::vector<std::uint32_t> kFinal = {0, 8, 8, 2400, 1106, 8988};
    EXPECT_EQ(run.scores.back(), kFinal);
    EXPECT_EQ(run.phases.front(), StartPositions);
    EXPECT_EQ(run.phases.back(), Optimising);
    EXPECT_EQ(Digest(run.cells), 3364061358503445859ull);
    EXPECT_EQ(run.nextRand, 672897406);
}
