// Writing and reading the event file of the generated large school, asking whether it changed,
// settling the sent marks after a change, and the optimiser run as its window drives it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/autosave_session.h"
#include "app/event_file_reader.h"
#include "app/event_file_writer.h"
#include "app/optimise_session.h"
#include "app/qm_controller.h"
#include "bench_sizes.h"
#include "foundation/tokeniser.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/schedule.h"
#include "optimiser/optimise_run.h"
#include "support/generated_schedule.h"
#include "support/school_generator.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace {

// The large school over its days, its requests booked as the program would book them; with a
// scale, that many times its people and requests.
std::unique_ptr<MultiDaySchedule> LargeSchool(int scale = 1) {
    std::unique_ptr<MultiDaySchedule> schedule = MakeBookedTimetable(SizeAt(scale), 7);
    return schedule;
}

const std::string& LargeSchoolText(int scale = 1) {
    static std::map<int, std::string> texts;
    auto found = texts.find(scale);
    if (found == texts.end()) {
        UCStringError quiet;
        found = texts.emplace(scale, EventFileWriter(*LargeSchool(scale)).FormatEventFile()).first;
    }
    return found->second;
}

// What every teacher, parent or appointments editor's OK runs: the unbooking of what no longer
// fits anyone's attendance, over every day and person.
void BM_UnbookOutOfRangeAfterAnEditor(benchmark::State& state) {
    UCStringError quiet;
    std::unique_ptr<MultiDaySchedule> schedule = LargeSchool(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        schedule->UnbookOutOfRangeAppointments();
    }
}
BENCHMARK(BM_UnbookOutOfRangeAfterAnEditor)
    ->Apply(AtBothScales)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// What every settled change runs for the sent marks: each person's timetable digested and set
// against the last. The window's bar: well under 50 ms at ten times the large school.
void BM_SettleSentMarks(benchmark::State& state) {
    UCStringError quiet;
    QMController controller;
    controller.SetEvent(LargeSchool(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        controller.SettleSentMarks();
    }
}
BENCHMARK(BM_SettleSentMarks)->Apply(AtBothScales)->Unit(benchmark::kMillisecond)->Iterations(10);

// What Optimise runs before its window opens, and Book Incomplete: every family with a request
// booked on no day found, and their unbooked requests booked.
void BM_BookUnbookedRequests(benchmark::State& state) {
    UCStringError quiet;
    QMController controller;
    controller.SetEvent(LargeSchool(static_cast<int>(state.range(0))));
    srand(3);
    for (auto _ : state) {
        controller.BookUnbookedRequests(false, false);
    }
}
BENCHMARK(BM_BookUnbookedRequests)
    ->Apply(AtBothScales)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// What a timing change in Edit Event Details runs before rebooking: attendance fitted to the
// hours and breaks to the slots, on every day.
void BM_FitToNewTiming(benchmark::State& state) {
    UCStringError quiet;
    std::unique_ptr<MultiDaySchedule> schedule = LargeSchool(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        schedule->EnforceTimeBoundaries();
    }
}
BENCHMARK(BM_FitToNewTiming)->Apply(AtBothScales)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_WriteLargeSchoolEventFile(benchmark::State& state) {
    UCStringError quiet;
    std::unique_ptr<MultiDaySchedule> schedule = LargeSchool();
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = EventFileWriter(*schedule).FormatEventFile();
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_WriteLargeSchoolEventFile)->Unit(benchmark::kMillisecond);

// Reads the text into a fresh event once an iteration, as opening a file does.
void ReadEventFileText(benchmark::State& state, const std::string& text) {
    UCStringError quiet;
    for (auto _ : state) {
        auto schedule = std::make_unique<MultiDaySchedule>(std::make_shared<Event>());
        Tokeniser tokens;
        tokens.SetText(text);
        EventFileReader reader(schedule.get(), &tokens);
        if (!reader.Read()) {
            state.SkipWithError("the school's file did not read back");
            break;
        }
        benchmark::DoNotOptimize(schedule.get());
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}

void BM_ReadLargeSchoolEventFile(benchmark::State& state) {
    ReadEventFileText(state, LargeSchoolText());
}
BENCHMARK(BM_ReadLargeSchoolEventFile)->Unit(benchmark::kMillisecond);

// The optimiser's window on the large school (or a scale of it), tick by tick with a budget
// (ms), until a number of passes (the first ones fresh starts, the later ones local search) has
// completed, or a number of local-search passes when that is not 0; then the headless run of
// the same seed and passes, which must end with the same timetable. A tick is as long as the
// window would freeze.
void BM_OptimiseSessionTicks(benchmark::State& state) {
    constexpr unsigned kSeed = 7;
    const int passes = static_cast<int>(state.range(0));
    const std::chrono::milliseconds budget(state.range(1));
    const int stopAfterOptimising = static_cast<int>(state.range(3));
    UCStringError quiet;
    const std::unique_ptr<MultiDaySchedule> booked = LargeSchool(static_cast<int>(state.range(2)));
    // Each run starts from the same parents, so that the window's run and the headless one can be
    // compared.
    const SavedGapModes modes(booked->GetEvent()->GetParents());
    using Clock = std::chrono::steady_clock;
    std::vector<double> tickMs;
    double runSeconds = 0.0;
    bool same = false;
    int optimisingPasses = 0;
    int passesRun = 0;
    Score score;
    for (auto _ : state) {
        QMController controller;
        controller.SetEvent(std::make_unique<MultiDaySchedule>(*booked));
        modes.Restore();
        srand(kSeed);
        OptimiseSession session(controller, budget);
        tickMs.clear();
        optimisingPasses = 0;
        const Clock::time_point runBegin = Clock::now();
        while (session.GetPasses() < passes && !session.IsFinished() &&
               (stopAfterOptimising == 0 || optimisingPasses < stopAfterOptimising)) {
            const Clock::time_point begin = Clock::now();
            const bool passCompleted = session.Tick();
            tickMs.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
            if (passCompleted && session.GetPassText().find("Optimising") != std::string::npos) {
                ++optimisingPasses;
            }
        }
        runSeconds = std::chrono::duration<double>(Clock::now() - runBegin).count();
        passesRun = session.GetPasses();
        score = controller.GetSchedule()->GetScore();

        MultiDaySchedule headless(*booked);
        modes.Restore();
        srand(kSeed);
        RunOptimiser(headless, passesRun, OptimiseSession::kDefaultKids);
        srand(1);
        const std::string sessionText =
            EventFileWriter(*controller.GetSchedule()).FormatEventFile();
        srand(1);
        same = headless.GetScore() == score &&
               EventFileWriter(headless).FormatEventFile() == sessionText;
    }
    std::vector<double> sorted = tickMs;
    std::sort(sorted.begin(), sorted.end());
    state.counters["ticks"] = static_cast<double>(tickMs.size());
    state.counters["median_tick_ms"] = sorted.empty() ? 0.0 : sorted[sorted.size() / 2];
    state.counters["max_tick_ms"] = sorted.empty() ? 0.0 : sorted.back();
    state.counters["passes"] = passesRun;
    state.counters["passes_per_s"] = runSeconds > 0.0 ? passesRun / runSeconds : 0.0;
    state.counters["optimising_passes"] = optimisingPasses;
    state.counters["score"] = score.GetValue() + 1000;
    state.counters["same_as_headless"] = same ? 1 : 0;
}
BENCHMARK(BM_OptimiseSessionTicks)
    ->ArgNames({"passes", "budget_ms", "scale", "optimising"})
    ->Args({20, OptimiseSession::kDefaultTickBudget.count(), 1, 0})
    ->Args({20, 20, 1, 0})
    ->Apply([](benchmark::internal::Benchmark* benchmark) {
        // Fresh starts until they stall, the switch to local search and two of its passes.
        if (StressRunsWanted()) {
            benchmark->Args({40, OptimiseSession::kDefaultTickBudget.count(), 10, 2});
        }
    })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Opening must grow with the file, not with its square: the time per byte stays flat from
// one to ten times the large school's people.
void BM_ReadScaledSchoolEventFile(benchmark::State& state) {
    const std::string text =
        EventFileWriter(*LargeSchool(static_cast<int>(state.range(0)))).FormatEventFile();
    ReadEventFileText(state, text);
    state.counters["ns/byte"] = benchmark::Counter(
        static_cast<double>(text.size()) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadScaledSchoolEventFile)
    ->Arg(1)
    ->Arg(3)
    ->Arg(10)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

double MsSince(std::chrono::steady_clock::time_point begin) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
        .count();
}

double MedianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Opening and saving as the program does them: the file locked, read or written whole beside
// the old one and put in its place.
void BM_OpenSchoolFile(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    TempFolder folder("qm-bench-open");
    setenv("XDG_CONFIG_HOME", folder.File("config").c_str(), 1);
    const std::string path = folder.Write("school.qmv", LargeSchoolText(scale));
    UCStringError quiet;
    std::vector<double> runMs;
    for (auto _ : state) {
        QMController controller;
        controller.Initialise();
        const auto begin = std::chrono::steady_clock::now();
        if (!controller.OpenEventFile(path.c_str())) {
            state.SkipWithError("the school's file did not open");
            break;
        }
        runMs.push_back(MsSince(begin));
        benchmark::DoNotOptimize(controller.GetSchedule());
        state.PauseTiming();
        controller.CloseEvent();
        state.ResumeTiming();
    }
    state.counters["median_ms"] = MedianOf(runMs);
}
BENCHMARK(BM_OpenSchoolFile)->Apply(AtBothScales)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SaveSchoolFile(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    TempFolder folder("qm-bench-save");
    setenv("XDG_CONFIG_HOME", folder.File("config").c_str(), 1);
    const std::string path = folder.Write("school.qmv", LargeSchoolText(scale));
    UCStringError quiet;
    QMController controller;
    controller.Initialise();
    if (!controller.OpenEventFile(path.c_str())) {
        state.SkipWithError("the school's file did not open");
        return;
    }
    std::vector<double> runMs;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        if (!controller.SaveEvent(path.c_str())) {
            state.SkipWithError("the school's file was not saved");
            break;
        }
        runMs.push_back(MsSince(begin));
    }
    state.counters["median_ms"] = MedianOf(runMs);
    state.counters["bytes"] = static_cast<double>(folder.Read("school.qmv").size());
}
BENCHMARK(BM_SaveSchoolFile)->Apply(AtBothScales)->Unit(benchmark::kMillisecond)->Iterations(5);

// Opening and saving at both sizes in turn.
void BM_GrowthOfOpenAndSave(benchmark::State& state) {
    TempFolder folder("qm-bench-growth");
    setenv("XDG_CONFIG_HOME", folder.File("config").c_str(), 1);
    UCStringError quiet;
    std::map<int, std::string> paths;
    for (int scale : {1, 10}) {
        paths[scale] =
            folder.Write("school" + std::to_string(scale) + ".qmv", LargeSchoolText(scale));
    }
    if (state.range(0) == 0) {
        MeasureGrowth(state, [&](int scale) {
            QMController controller;
            controller.Initialise();
            const double ms = TimeOf([&] { (void)controller.OpenEventFile(paths[scale].c_str()); });
            controller.CloseEvent();
            return ms;
        });
        return;
    }
    std::map<int, std::unique_ptr<QMController>> open;
    for (int scale : {1, 10}) {
        open[scale] = std::make_unique<QMController>();
        open[scale]->Initialise();
        if (!open[scale]->OpenEventFile(paths[scale].c_str())) {
            state.SkipWithError("the school's file did not open");
            return;
        }
    }
    MeasureGrowth(state, [&](int scale) {
        return TimeOf([&] { (void)open[scale]->SaveEvent(paths[scale].c_str()); });
    });
}
BENCHMARK(BM_GrowthOfOpenAndSave)
    ->ArgName("save")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Presentations are kept unique by name: adding each against all before it would make a file
// of many of them open in time growing with their square.
void BM_ReadManyPresentations(benchmark::State& state) {
    std::string text =
        "Event:\nName \"Talks\"\nStarts 9:00am\nEnds 5:00pm\nDay \"12\"\nMonth \"3\"\n"
        "Year \"2026\"\n\nPresentations:\n";
    for (int64_t i = 0; i < state.range(0); ++i) {
        text += "\"Talk " + std::to_string(i) + "\"\ntimes \"12 Mar 2026\" 9:00am 9:30am\n";
    }
    text += "\nTeachers:\n\"Mr Tom Whitfield\"\npresentation \"Talk 0\"\n\nParents:\n";
    UCStringError quiet;
    for (auto _ : state) {
        auto schedule = std::make_unique<MultiDaySchedule>(std::make_shared<Event>());
        Tokeniser tokens;
        tokens.SetText(text);
        EventFileReader reader(schedule.get(), &tokens);
        if (!reader.Read()) {
            state.SkipWithError("the presentations did not read back");
            break;
        }
        benchmark::DoNotOptimize(schedule.get());
    }
}
BENCHMARK(BM_ReadManyPresentations)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The window asks whether the event differs from its file after every command, at every
// autosave tick and on closing: one answer (the digest of the text it would write).
void BM_EventChangedCheckLargeSchool(benchmark::State& state) {
    UCStringError quiet;
    QMController controller;
    controller.SetEvent(LargeSchool());
    size_t length = 0;
    for (auto _ : state) {
        const std::string digest = controller.DigestEventText();
        length = digest.size();
        benchmark::DoNotOptimize(digest.data());
    }
    state.counters["digest_chars"] = static_cast<double>(length);
}
BENCHMARK(BM_EventChangedCheckLargeSchool)->Unit(benchmark::kMillisecond);

// The autosave tick as the window runs it on a changed event: the tick forks on the window's
// thread, the child formats and writes. The tick's own time is what holds the window; the copy's
// time runs from the tick to the written copy.
void BM_AutosaveByChild(benchmark::State& state) {
    UCStringError quiet;
    TempFolder folder("qm-autosave-bench");
    ScopedEnv config("XDG_CONFIG_HOME", folder.File("config").c_str());
    QMController controller;
    controller.Initialise();
    controller.SetEvent(LargeSchool(static_cast<int>(state.range(0))));
    double tick = 0;
    double copy = 0;
    for (auto _ : state) {
        AutosaveSession session([&] {
            return AutosaveSubject{controller.GetSchedule(), controller.GetSavedDigest(),
                                   controller.GetAutosavePath()};
        });
        const auto begin = std::chrono::steady_clock::now();
        tick = std::max(tick, TimeOf([&] { session.Tick(); }));
        AutosaveSession::Outcome outcome = AutosaveSession::Outcome::Pending;
        while ((outcome = session.Look()) == AutosaveSession::Outcome::Pending) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        copy = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
                   .count();
        if (outcome != AutosaveSession::Outcome::Written) {
            state.SkipWithError("the copy was not written");
            break;
        }
    }
    state.counters["tick_ms"] = tick;
    state.counters["copy_ms"] = copy;
}
BENCHMARK(BM_AutosaveByChild)->Apply(AtBothScales)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
