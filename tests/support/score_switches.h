#pragma once

#include "model/score.h"

// Puts the standalone score switches back after a test. Declared before the test's events (or
// the controller holding them), it goes after them, once no event's switches are in force.
struct StandaloneScoreSwitches {
    ScoreCompareSwitches saved = Score::GetCompareSwitches();
    StandaloneScoreSwitches() = default;
    StandaloneScoreSwitches(const StandaloneScoreSwitches&) = delete;
    StandaloneScoreSwitches& operator=(const StandaloneScoreSwitches&) = delete;
    ~StandaloneScoreSwitches() { Score::SetCompareSwitches(saved); }
};
