// Writing and reading the event file of the generated large school.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/event_file_reader.h"
#include "app/event_file_writer.h"
#include "foundation/tokeniser.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/schedule.h"
#include "support/school_generator.h"

namespace {

// The large school over its days, its requests booked as the program would book them; with a
// scale, that many times its people and requests.
std::unique_ptr<MultiDaySchedule> LargeSchool(int scale = 1) {
    SchoolSize size = SchoolSize::Large();
    size.teachers *= scale;
    size.parents *= scale;
    size.pupils *= scale;
    size.requests *= scale;
    GeneratedSchool school = GenerateSchool(size, 7);
    std::srand(7);
    std::vector<std::unique_ptr<Schedule>> days = school.MakeSchedules();
    auto schedule = std::make_unique<MultiDaySchedule>(school.event);
    *schedule->GetDay(0) = *days[0];
    for (size_t i = 1; i < days.size(); ++i) {
        schedule->AddDay(std::move(days[i]));
    }
    schedule->BookAll(0);
    return schedule;
}

const std::string& LargeSchoolText() {
    static const std::string text = [] {
        UCStringError quiet;
        return EventFileWriter(*LargeSchool()).FormatEventFile();
    }();
    return text;
}

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

void BM_ReadLargeSchoolEventFile(benchmark::State& state) {
    const std::string& text = LargeSchoolText();
    UCStringError quiet;
    for (auto _ : state) {
        auto schedule = std::make_unique<MultiDaySchedule>(std::make_shared<Event>());
        Tokeniser tokens;
        tokens.SetText(text);
        EventFileReader reader(schedule.get(), &tokens);
        if (!reader.Read()) {
            state.SkipWithError("the large school's file did not read back");
            break;
        }
        benchmark::DoNotOptimize(schedule.get());
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ReadLargeSchoolEventFile)->Unit(benchmark::kMillisecond);

// Opening must grow with the file, not with its square: the time per byte stays flat from
// one to ten times the large school's people.
void BM_ReadScaledSchoolEventFile(benchmark::State& state) {
    UCStringError quiet;
    const std::string text =
        EventFileWriter(*LargeSchool(static_cast<int>(state.range(0)))).FormatEventFile();
    for (auto _ : state) {
        auto schedule = std::make_unique<MultiDaySchedule>(std::make_shared<Event>());
        Tokeniser tokens;
        tokens.SetText(text);
        EventFileReader reader(schedule.get(), &tokens);
        if (!reader.Read()) {
            state.SkipWithError("the scaled school's file did not read back");
            break;
        }
        benchmark::DoNotOptimize(schedule.get());
    }
    state.counters["bytes"] = static_cast<double>(text.size());
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

}  // namespace
