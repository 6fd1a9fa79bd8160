#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

#include "bench_sizes.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "support/generated_schedule.h"
#include "support/school_generator.h"

namespace {

// The large school with its first day, the requests ordered as the whole-event booking orders
// them, and the gap modes the parents started with (booking relaxes some of them).
struct LargeDay {
    GeneratedSchool school;
    std::vector<std::unique_ptr<Schedule>> days;
    std::vector<AppointmentRequest*> requests;
    std::map<Parent*, ParentGapMode> modes;

    LargeDay() : school(GenerateSchool(SchoolSize::Large(), 1)) {
        std::srand(1);
        days = school.MakeSchedules();
        requests = school.AllRequests();
        for (AppointmentRequest* request : requests) {
            unsigned key = 0;
            for (const auto& day : days) {
                key += static_cast<unsigned>(
                    day->CountCommonSlots(request->GetTeacher(), request->GetParent()));
            }
            request->SetOrderKey(key);
            modes[request->GetParent()] = request->GetParent()->GetGapMode();
        }
    }

    Schedule& Day() { return *days.front(); }

    int Book() {
        std::vector<AppointmentRequest*> batch = requests;
        int unbooked = 0;
        std::srand(2);
        (void)Day().BookRequests(batch, BookRandomThenOrderKey,
                                 &unbooked);  // an unlocked day: booking cannot be refused
        return unbooked;
    }

    void Unbook() {
        Day().ClearBookings();
        for (auto& [parent, mode] : modes) {
            parent->SetGapMode(mode);
        }
    }
};

LargeDay& BookedLargeDay() {
    static LargeDay* day = [] {
        auto* made = new LargeDay;
        made->Book();
        return made;
    }();
    return *day;
}

void BM_GenerateLargeSchool(benchmark::State& state) {
    for (auto _ : state) {
        GeneratedSchool school = GenerateSchool(SchoolSize::Large(), 1);
        benchmark::DoNotOptimize(school.event.get());
    }
}
BENCHMARK(BM_GenerateLargeSchool)->Unit(benchmark::kMillisecond);

void BM_BookLargeDay(benchmark::State& state) {
    LargeDay day;
    int unbooked = 0;
    for (auto _ : state) {
        state.PauseTiming();
        day.Unbook();
        state.ResumeTiming();
        unbooked = day.Book();
    }
    state.counters["requests"] = static_cast<double>(day.requests.size());
    state.counters["unbooked"] = unbooked;
}
BENCHMARK(BM_BookLargeDay)->Unit(benchmark::kMillisecond);

// Every editor's OK looks over each teacher's bookings for one whose length changed: the pass
// over a booked day where none did, the large school and ten times it.
void BM_RefitBookingLengths(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    GeneratedSchool school = GenerateSchool(SizeAt(scale), 1);
    std::vector<std::unique_ptr<Schedule>> days = school.MakeSchedules();
    std::vector<AppointmentRequest*> requests = school.AllRequests();
    int unbooked = 0;
    std::srand(2);
    (void)days.front()->BookRequests(requests, BookRandomThenOrderKey, &unbooked);
    const int rows = static_cast<int>(school.event->GetTeachers().Count());
    size_t refitted = 0;
    for (auto _ : state) {
        for (int row = 0; row < rows; ++row) {
            refitted += days.front()->RefitBookingLengths(row).size();
        }
    }
    state.counters["teachers"] = rows;
    state.counters["refitted"] = static_cast<double>(refitted);
}
BENCHMARK(BM_RefitBookingLengths)->Apply(AtBothScales)->Unit(benchmark::kMillisecond);

void BM_ScoreLargeDay(benchmark::State& state) {
    Schedule& day = BookedLargeDay().Day();
    for (auto _ : state) {
        Score score = day.GetScore();
        benchmark::DoNotOptimize(score);
    }
    state.counters["value"] = day.GetScore().GetValue();
}
BENCHMARK(BM_ScoreLargeDay)->Unit(benchmark::kMicrosecond);

void BM_ScoreTeacher(benchmark::State& state) {
    Schedule& day = BookedLargeDay().Day();
    int row = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(day.ScoreTeacher(row));
        row = (row + 1) % 150;
    }
}
BENCHMARK(BM_ScoreTeacher);

void BM_ScoreParent(benchmark::State& state) {
    LargeDay& large = BookedLargeDay();
    const ParentList& parents = large.school.event->GetParents();
    unsigned i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(large.Day().ScoreParent(parents.At(i)));
        i = (i + 1) % parents.Count();
    }
}
BENCHMARK(BM_ScoreParent);

// Bookings of the requests that stayed unbooked, tried at random cells of their teacher's row.
void BM_CanPlaceAppointment(benchmark::State& state) {
    LargeDay& large = BookedLargeDay();
    Schedule& day = large.Day();
    struct Trial {
        std::shared_ptr<Appointment> booking;
        int row;
        int slot;
    };
    std::vector<Trial> trials;
    std::srand(3);
    const TeacherList& teachers = large.school.event->GetTeachers();
    for (AppointmentRequest* request : large.requests) {
        TimeOfDay when;
        if (!day.IsRequestBooked(request, &when)) {
            trials.push_back({std::make_shared<Appointment>(request),
                              teachers.IndexOf(request->GetTeacher()),
                              std::rand() % day.GetNumSlots()});
        }
    }
    std::size_t i = 0;
    for (auto _ : state) {
        const Trial& trial = trials[i];
        benchmark::DoNotOptimize(day.CanPlaceAppointment(trial.booking, trial.row, trial.slot));
        i = (i + 1) % trials.size();
    }
}
BENCHMARK(BM_CanPlaceAppointment);

// Random moves and swaps of real bookings, as the optimiser tries them.
struct MoveTrial {
    int row;
    int from;
    int to;
};

std::vector<MoveTrial> BookedMoveTrials(Schedule& day, bool toBooked) {
    std::vector<MoveTrial> trials;
    std::srand(4);
    const int slots = day.GetNumSlots();
    const int rows = static_cast<int>(day.GetGrid().GetRowCount());
    while (trials.size() < 4096) {
        MoveTrial trial{std::rand() % rows, std::rand() % slots, std::rand() % slots};
        if (day.GetGrid().PeekBooking(trial.from, trial.row) == nullptr ||
            (toBooked && day.GetGrid().PeekBooking(trial.to, trial.row) == nullptr)) {
            continue;
        }
        trials.push_back(trial);
    }
    return trials;
}

// One check after another over the same trials; a check leaves the grid as it found it.
void RunMoveTrials(benchmark::State& state, bool toBooked,
                   bool (Schedule::*check)(int teacherRow, int slotA, int slotB)) {
    Schedule& day = BookedLargeDay().Day();
    std::vector<MoveTrial> trials = BookedMoveTrials(day, toBooked);
    std::size_t i = 0;
    for (auto _ : state) {
        const MoveTrial& trial = trials[i];
        benchmark::DoNotOptimize((day.*check)(trial.row, trial.from, trial.to));
        i = (i + 1) % trials.size();
    }
}

void BM_MoveCheck(benchmark::State& state) {
    RunMoveTrials(state, false, &Schedule::MoveCheck);
}
BENCHMARK(BM_MoveCheck);

void BM_SwapCheck(benchmark::State& state) {
    RunMoveTrials(state, true, &Schedule::SwapCheck);
}
BENCHMARK(BM_SwapCheck);

// Delete Unbooked Parents where every other family has no requests left: the families found,
// their left-over bookings searched for and the list closed up, the large school and ten times it.
void BM_DeleteUnbookedParents(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    int deleted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<MultiDaySchedule> timetable = MakeBookedTimetable(SizeAt(scale), 1);
        const ParentList& parents = timetable->GetEvent()->GetParents();
        for (unsigned i = 0; i < parents.Count(); i += 2) {
            (void)timetable->UnbookParent(parents.At(i));  // an unlocked event: never refused
            for (unsigned p = 0; p < parents.At(i)->GetPupilCount(); ++p) {
                parents.At(i)->GetPupil(p)->DeleteAllRequests();
            }
        }
        state.ResumeTiming();
        deleted = timetable->DeleteParents();
        state.PauseTiming();
        timetable.reset();
        state.ResumeTiming();
    }
    state.counters["deleted"] = deleted;
}
BENCHMARK(BM_DeleteUnbookedParents)
    ->Apply(AtBothScales)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
