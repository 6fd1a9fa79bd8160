#include "optimiser/optimise_run.h"

#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "model/multi_day_schedule.h"
#include "model/optimiser_stats.h"

std::string FormatOptimiseProgress(EvolverPhase phase, int percent) {
    return StringPrintf(
        phase == StartPositions ? "Testing start positions %d%%" : "Optimising %d%%", percent);
}

bool RunOptimiser(MultiDaySchedule& schedule, int generations, int numKids, OptimiserStats* stats,
                  const OptimiseProgress& progress) {
    OptimiserStats ownStats;
    if (stats == nullptr) {
        stats = &ownStats;
    }
    Evolver evolver(&schedule, numKids);
    evolver.SetOptimiserStats(stats);
    ReportMessage(SeverityDebug,
                  StringPrintf("Optimise starting with numkids=%d", evolver.GetNumKids()));
    if (!evolver.Start()) {
        return false;
    }
    evolver.NewGeneration();
    int remaining = generations;
    while (remaining > 0) {
        if (progress) {
            const int percent = evolver.GetProgressPercent();
            progress(FormatOptimiseProgress(evolver.GetPhase(), percent), percent);
        }
        if (!evolver.Step()) {
            continue;
        }
        // The pass that has just ended still counts as remaining.
        ReportMessage(SeverityDebug,
                      StringPrintf("Optimise passes remaining=%d, score=%d", remaining,
                                   schedule.GetScore().GetValue() + 1000));
        ReportMessage(SeverityDebug, stats->ToString());
        stats->Reset();
        if (--remaining > 0) {
            evolver.NewGeneration();
        }
    }
    return true;
}
