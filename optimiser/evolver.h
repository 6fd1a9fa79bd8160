#pragma once

#include <memory>
#include <vector>

#include "model/score.h"

class MultiDaySchedule;
class OptimiserStats;

// The two phases of a run: fresh start positions first, local search once they stop paying off.
enum EvolverPhase : int { StartPositions = 0, Optimising = 1 };

// Improves an event's timetable by a small evolutionary search over copies of it, one candidate
// per Step, so that a dialog can run it from its idle time. The master always ends a
// generation holding the best timetable found so far.
class Evolver {
public:
    static constexpr int kMinKids = 2;
    static constexpr int kMaxKids = 200;

    // numKids is clamped to kMinKids .. kMaxKids. The master is not owned.
    Evolver(MultiDaySchedule* master, int numKids);
    ~Evolver();
    Evolver(const Evolver&) = delete;
    Evolver& operator=(const Evolver&) = delete;

    // Handed to every candidate's days; set it before Start.
    void SetOptimiserStats(OptimiserStats* stats) { stats_ = stats; }
    OptimiserStats* GetOptimiserStats() const { return stats_; }

    // Seeds a fresh population; false (nothing seeded) without master, event or parents, when
    // a candidate cannot be booked, and refused with a message while the event is locked.
    bool Start();
    // Call after Start and after every Step that answers true.
    void NewGeneration();
    // Handles one candidate; true when this call ended a generation.
    bool Step();
    // How far the current generation has got, 0 to 100.
    int GetProgressPercent() const;

    EvolverPhase GetPhase() const { return phase_; }
    int GetNumKids() const { return numKids_; }
    int GetKidIndex() const { return kidIndex_; }
    int GetGeneration() const { return generation_; }
    int GetStallCount() const { return stallCount_; }
    int GetBestIndex() const { return bestIndex_; }
    int GetWorstIndex() const { return worstIndex_; }
    const Score& GetBestScore() const { return bestScore_; }
    const Score& GetWorstScore() const { return worstScore_; }
    const Score& GetKid0Score() const { return kid0Score_; }
    // Null until Start has seeded it.
    const MultiDaySchedule* GetKid(int index) const;

private:
    bool SeedPopulation();
    void ImproveKid(int index);
    bool EndGeneration();

    MultiDaySchedule* master_ = nullptr;
    std::vector<std::unique_ptr<MultiDaySchedule>> kids_;
    int numKids_ = kMinKids;
    int kidIndex_ = 0;
    Score bestScore_;
    int bestIndex_ = -1;
    Score worstScore_;
    int worstIndex_ = -1;
    Score kid0Score_;
    int generation_ = 0;
    EvolverPhase phase_ = StartPositions;
    int stallCount_ = 0;
    OptimiserStats* stats_ = nullptr;
    // What the master's days counted into before the run; restored after every copy into it.
    OptimiserStats* masterStats_ = nullptr;
};
