// The optimiser's window on the generated large school: how long each idle tick holds the
// window (its longest freeze), passes per second, and the same result as the headless run of
// the same seed. Needs a display (make bench runs under Xvfb).
#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/evtloop.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/event_file_writer.h"
#include "app/optimise_session.h"
#include "app/qm_controller.h"
#include "bench_window.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/optimise_dlg.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/schedule.h"
#include "optimiser/optimise_run.h"
#include "support/generated_schedule.h"
#include "support/school_generator.h"

namespace {

std::unique_ptr<MultiDaySchedule> BookedLargeSchool() {
    std::unique_ptr<MultiDaySchedule> schedule = MakeBookedTimetable(SchoolSize::Large(), 7);
    return schedule;
}

std::string EventText(MultiDaySchedule& schedule) {
    std::srand(1);
    return EventFileWriter(schedule).FormatEventFile();
}

// Runs the shown window for the given seconds, forwarding idle ticks as its modal loop would
// and letting the window paint between them.
void BM_OptimiseWindowOnLargeSchool(benchmark::State& state) {
    if (!StartWindowSystem(state)) {
        return;
    }
    constexpr unsigned kSeed = 11;
    const std::chrono::seconds runLength(state.range(0));
    UCStringError quiet;
    const std::unique_ptr<MultiDaySchedule> booked = BookedLargeSchool();
    // Each run starts from the same parents, so that the window's run and the headless one can be
    // compared.
    const SavedGapModes modes(booked->GetEvent()->GetParents());
    using Clock = std::chrono::steady_clock;
    std::vector<double> tickMs;
    int passes = 0;
    double runSeconds = 0.0;
    bool same = false;
    Score score;
    for (auto _ : state) {
        QMController controller;
        controller.SetEvent(std::make_unique<MultiDaySchedule>(*booked));
        modes.Restore();
        std::srand(kSeed);
        auto* dialog = new OptimiseDlg(nullptr, &controller);
        dialog->Show();
        wxEventLoop loop;
        wxEventLoopActivator active(&loop);
        tickMs.clear();
        const Clock::time_point runBegin = Clock::now();
        while (Clock::now() - runBegin < runLength && !dialog->GetSession().IsFinished()) {
            wxIdleEvent idle;
            const Clock::time_point begin = Clock::now();
            dialog->OnIdle(idle);
            tickMs.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
            loop.YieldFor(wxEVT_CATEGORY_UI);
        }
        runSeconds = std::chrono::duration<double>(Clock::now() - runBegin).count();
        passes = dialog->GetSession().GetPasses();
        score = controller.GetSchedule()->GetScore();
        dialog->Destroy();
        wxTheApp->ProcessIdle();

        MultiDaySchedule headless(*booked);
        modes.Restore();
        std::srand(kSeed);
        RunOptimiser(headless, passes, OptimiseSession::kDefaultKids);
        same = headless.GetScore() == score &&
               EventText(headless) == EventText(*controller.GetSchedule());
    }
    std::vector<double> sorted = tickMs;
    std::sort(sorted.begin(), sorted.end());
    state.counters["ticks"] = static_cast<double>(tickMs.size());
    state.counters["median_tick_ms"] = sorted.empty() ? 0.0 : sorted[sorted.size() / 2];
    state.counters["max_tick_ms"] = sorted.empty() ? 0.0 : sorted.back();
    state.counters["passes"] = passes;
    state.counters["passes_per_s"] = runSeconds > 0.0 ? passes / runSeconds : 0.0;
    state.counters["score"] = score.GetValue() + 1000;
    state.counters["same_as_headless"] = same ? 1 : 0;
}
BENCHMARK(BM_OptimiseWindowOnLargeSchool)->Arg(60)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
