// Writing and reading the event file of the generated large school.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "app/event_file_reader.h"
#include "app/event_file_writer.h"
#include "foundation/tokeniser.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/schedule.h"
#include "support/school_generator.h"

namespace {

// The large school over its days, its requests booked as the program would book them.
std::unique_ptr<MultiDaySchedule> LargeSchool() {
    GeneratedSchool school = GenerateSchool(SchoolSize::Large(), 7);
    std::srand(7);
    std::vector<std::unique_ptr<Schedule>> days = school.MakeSchedules();
    auto schedule = std::make_unique<MultiDaySchedule>(school.event);
    *schedule->GetDay(0) = *days[0];
    for (size_t i = 1; i < days.size(); ++i) {
        schedule->AddDay(std::move(days[i]));
    }
    (void)schedule->BookAll(0);  // an unlocked event: booking cannot be refused
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

}  // namespace
