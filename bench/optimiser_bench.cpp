#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "bench_sizes.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/optimiser_stats.h"
#include "model/schedule.h"
#include "optimiser/evolver.h"
#include "optimiser/optimise_run.h"
#include "support/generated_schedule.h"

namespace {

constexpr unsigned kSeed = 1;
constexpr int kKids = 10;

// The large school (scale 1) or ten times it (the stress school), booked once; built on first
// use so that each benchmark pays it only once.
struct LargeSchool {
    GeneratedSchool school;
    std::unique_ptr<MultiDaySchedule> timetable;

    static LargeSchool& Get(int scale = 1) {
        static std::map<int, LargeSchool> made;
        auto found = made.find(scale);
        if (found == made.end()) {
            LargeSchool& large = made[scale];
            large.school = GenerateSchool(SizeAt(scale), kSeed);
            srand(kSeed);
            large.timetable = MakeTimetable(large.school);
            (void)large.timetable->BookAll(
                BookRandomThenOrderKey);  // an unlocked event: booking cannot be refused
            return large;
        }
        return found->second;
    }
};

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_EventScore(benchmark::State& state) {
    const MultiDaySchedule& timetable =
        *LargeSchool::Get(static_cast<int>(state.range(0))).timetable;
    for (auto _ : state) {
        benchmark::DoNotOptimize(timetable.GetScore());
    }
    const Score score = timetable.GetScore();
    state.counters["score"] = score.GetValue() + 1000;
    state.counters["unbooked"] = score.Unbooked;
}
BENCHMARK(BM_EventScore)->Apply(AtBothScales)->Unit(benchmark::kMillisecond);

// Random order is what Rebook All books in; ordered by shared slots is a fresh start.
void BM_BookAll(benchmark::State& state) {
    MultiDaySchedule timetable(*LargeSchool::Get(static_cast<int>(state.range(0))).timetable);
    const int order = static_cast<int>(state.range(1));
    srand(kSeed);
    for (auto _ : state) {
        benchmark::DoNotOptimize(timetable.BookAll(order));
    }
}
BENCHMARK(BM_BookAll)
    ->ArgNames({"scale", "order"})
    ->ArgsProduct({{1, 10}, {BookRandom, BookRandomThenOrderKey}})
    ->Unit(benchmark::kMillisecond);

// The score and Rebook All at both sizes in turn.
void BM_GrowthOfTheEventScore(benchmark::State& state) {
    MeasureGrowth(state, [](int scale) {
        const MultiDaySchedule& timetable = *LargeSchool::Get(scale).timetable;
        return TimeOf([&] { benchmark::DoNotOptimize(timetable.GetScore()); });
    });
}
BENCHMARK(BM_GrowthOfTheEventScore)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_GrowthOfRebookAll(benchmark::State& state) {
    std::map<int, std::unique_ptr<MultiDaySchedule>> copies;
    for (int scale : {1, 10}) {
        copies[scale] = std::make_unique<MultiDaySchedule>(*LargeSchool::Get(scale).timetable);
    }
    srand(kSeed);
    MeasureGrowth(state, [&](int scale) {
        return TimeOf([&] { benchmark::DoNotOptimize(copies[scale]->BookAll(BookRandom)); });
    });
}
BENCHMARK(BM_GrowthOfRebookAll)->Unit(benchmark::kMillisecond)->Iterations(1);

// A new candidate made from the master, as the population is seeded.
void BM_CopyTimetable(benchmark::State& state) {
    const MultiDaySchedule& timetable =
        *LargeSchool::Get(static_cast<int>(state.range(0))).timetable;
    for (auto _ : state) {
        MultiDaySchedule copy(timetable);
        benchmark::DoNotOptimize(copy.GetDay(0));
    }
}
BENCHMARK(BM_CopyTimetable)->Apply(AtBothScales)->Unit(benchmark::kMillisecond);

// An existing candidate overwritten, as every generation's end does to the master and others.
void BM_AssignTimetable(benchmark::State& state) {
    const MultiDaySchedule& timetable =
        *LargeSchool::Get(static_cast<int>(state.range(0))).timetable;
    MultiDaySchedule target(timetable);
    for (auto _ : state) {
        target = timetable;
        benchmark::DoNotOptimize(target.GetDay(0));
    }
}
BENCHMARK(BM_AssignTimetable)->Apply(AtBothScales)->Unit(benchmark::kMillisecond);

// Times each Step by itself (a generation's end costs more than its other steps) and reports
// the median and the slowest.
void RunSteps(benchmark::State& state, Evolver& evolver) {
    std::vector<double> stepMs;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        const bool ended = evolver.Step();
        const auto end = std::chrono::steady_clock::now();
        stepMs.push_back(std::chrono::duration<double, std::milli>(end - begin).count());
        if (ended) {
            evolver.NewGeneration();
        }
    }
    state.counters["median_ms"] = Median(stepMs);
    state.counters["max_ms"] =
        stepMs.empty() ? 0.0 : *std::max_element(stepMs.begin(), stepMs.end());
}

void BM_StepStartPositions(benchmark::State& state) {
    MultiDaySchedule master(*LargeSchool::Get(static_cast<int>(state.range(0))).timetable);
    srand(kSeed);
    Evolver evolver(&master, kKids);
    if (!evolver.Start()) {
        state.SkipWithError("the evolver did not start");
        return;
    }
    evolver.NewGeneration();
    RunSteps(state, evolver);
}
BENCHMARK(BM_StepStartPositions)
    ->Apply(AtBothScales)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);

void BM_StepOptimising(benchmark::State& state) {
    MultiDaySchedule master(*LargeSchool::Get(static_cast<int>(state.range(0))).timetable);
    srand(kSeed);
    OptimiserStats stats;
    Evolver evolver(&master, kKids);
    evolver.SetOptimiserStats(&stats);
    if (!evolver.Start()) {
        state.SkipWithError("the evolver did not start");
        return;
    }
    evolver.NewGeneration();
    // Fresh starts until they stall; the switch to local search comes at a generation's end.
    for (int generations = 0; generations < 100 && evolver.GetPhase() == StartPositions;) {
        if (evolver.Step()) {
            evolver.NewGeneration();
            ++generations;
        }
    }
    if (evolver.GetPhase() != Optimising) {
        state.SkipWithError("the evolver never reached the optimising phase");
        return;
    }
    RunSteps(state, evolver);
}
BENCHMARK(BM_StepOptimising)
    ->Apply(AtBothScalesWhenWanted)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);

// The pieces a sliced run is cut into, one a call, from the seeding through the switch to
// local search and two generations of it: the longest is what a window's tick can overrun its
// budget by.
void BM_StepPieces(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    std::vector<double> pieceMs;
    int switchedAt = -1;
    for (auto _ : state) {
        MultiDaySchedule master(*LargeSchool::Get(scale).timetable);
        srand(kSeed);
        Evolver evolver(&master, kKids);
        const Evolver::Clock::time_point past = Evolver::Clock::time_point::min();
        auto timed = [&pieceMs](auto piece) {
            const auto begin = std::chrono::steady_clock::now();
            const auto result = piece();
            const auto end = std::chrono::steady_clock::now();
            pieceMs.push_back(std::chrono::duration<double, std::milli>(end - begin).count());
            return result;
        };
        while (timed([&] { return evolver.StartSome(past); }) == Evolver::StartPending) {
        }
        for (int generation = 0; generation < 60; ++generation) {
            if (switchedAt >= 0 && generation >= switchedAt + 2) {
                break;
            }
            evolver.NewGeneration();
            while (timed([&] { return evolver.StepSome(past); }) != Evolver::GenerationDone) {
            }
            if (switchedAt < 0 && evolver.GetPhase() == Optimising) {
                switchedAt = generation;
            }
        }
    }
    std::sort(pieceMs.begin(), pieceMs.end());
    state.counters["pieces"] = static_cast<double>(pieceMs.size());
    state.counters["switch_generation"] = switchedAt;
    state.counters["median_ms"] = Median(pieceMs);
    // The slowest one in a thousand: the longest pieces proper, not a busy machine's stalls.
    state.counters["p999_ms"] = pieceMs.empty() ? 0.0 : pieceMs[pieceMs.size() * 999 / 1000];
    state.counters["max_ms"] = pieceMs.empty() ? 0.0 : pieceMs.back();
}
BENCHMARK(BM_StepPieces)
    ->Apply(AtBothScalesWhenWanted)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Heap held by a seeded population of ten candidates (nine of them booked afresh).
void BM_PopulationMemory(benchmark::State& state) {
    const MultiDaySchedule& source = *LargeSchool::Get().timetable;
    double megabytes = 0.0;
    for (auto _ : state) {
        MultiDaySchedule master(source);
        srand(kSeed);
        const size_t before = mallinfo2().uordblks;
        {
            Evolver evolver(&master, kKids);
            evolver.Start();
            megabytes = static_cast<double>(mallinfo2().uordblks - before) / (1024.0 * 1024.0);
        }
    }
    state.counters["kids_MB"] = megabytes;
}
BENCHMARK(BM_PopulationMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// A whole short run as the script drives it.
void BM_RunOptimiserSmall(benchmark::State& state) {
    GeneratedSchool school = GenerateSchool(SchoolSize::Small(), kSeed);
    for (auto _ : state) {
        srand(kSeed);
        auto timetable = MakeTimetable(school);
        UCStringError quiet;
        benchmark::DoNotOptimize(RunOptimiser(*timetable, 10, kKids));
    }
}
BENCHMARK(BM_RunOptimiserSmall)->Unit(benchmark::kMillisecond);

}  // namespace
