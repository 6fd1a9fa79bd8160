#pragma once

#include <functional>
#include <string>

#include "optimiser/evolver.h"

class MultiDaySchedule;
class OptimiserStats;

// Told before every step: the progress text ("Testing start positions 40%") and its percent.
using OptimiseProgress = std::function<void(const std::string& text, int percent)>;

// "Testing start positions %d%%" in the first phase, "Optimising %d%%" after it.
std::string FormatOptimiseProgress(EvolverPhase phase, int percent);

// Runs the optimiser headless for a number of generations with numKids candidates, logging each
// generation's end and the optimiser statistics (Debug) to the message sink. With stats null it
// counts into its own. Never seeds rand: the caller decides whether runs repeat. False when the
// optimiser could not start.
bool RunOptimiser(MultiDaySchedule& schedule, int generations, int numKids,
                  OptimiserStats* stats = nullptr, const OptimiseProgress& progress = {});
