#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <vector>

#include "model/score.h"
#include "model/staged_booking.h"
#include "model/staged_copy.h"
#include "model/staged_score.h"

class MultiDaySchedule;
class OptimiserStats;

// The two phases of a run: fresh start positions first, local search once they stop paying off.
enum EvolverPhase : int { StartPositions = 0, Optimising = 1 };

// Improves an event's timetable by a small evolutionary search over copies of it, one candidate
// per Step, so that a dialog can run it from its idle time. The master always ends a
// generation holding the best timetable found so far.
//
// Start and Step also come in resumable slices (StartSome, StepSome) for a window that must
// answer within a few milliseconds: the slices do the same work in the same order, drawing the
// same random numbers, so a seeded run ends the same however it was cut.
class Evolver {
public:
    static constexpr int kMinKids = 2;
    static constexpr int kMaxKids = 200;

    using Clock = std::chrono::steady_clock;
    enum StartState { StartPending, StartDone, StartFailed };
    enum StepState { StepPending, StepDone, GenerationDone };

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

    // Each does at least one piece of its work and returns once the deadline has passed, or
    // when the whole Start or Step is done (answering as those would). A deadline already past
    // gives exactly one piece a call. Start abandons a seeding left pending.
    StartState StartSome(Clock::time_point deadline);
    StepState StepSome(Clock::time_point deadline);
    bool IsStarting() const { return seeding_; }
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
    // What the candidate in hand does next; each stage's piece is short.
    enum class StepStage { Begin, Booking, Teachers, Rebook, DayOrder, Improve, Score, End };
    // The generation's end: the best into candidate 0; when the phase changes every other
    // candidate (or, optimising, the worst) afresh from it; last of all into the master, by way
    // of a copy made aside and taken in at once.
    enum class EndStage { FirstKid, Best, Kids, Master, Done };
    struct StepCursor {
        StepStage stage = StepStage::Begin;
        std::unique_ptr<StagedBooking> booking;  // a fresh start under way
        int teachers = 0;                        // teacher count when the candidate began
        int remaining = 0;                       // single-teacher improvements still to make
        int teacherRow = -1;                     // the one under way, a day at a time
        unsigned teacherDay = 0;
        unsigned day = 0;
        std::vector<int> order;  // the day's teacher visiting order
        size_t next = 0;         // index into order
        bool rebooking = false;  // a parent with unbooked requests is being rebooked
        bool scoring = false;    // the candidate's score is being taken
        EndStage end = EndStage::FirstKid;
        std::vector<int> renewed;  // candidates still to be made afresh from the master
        bool copied = false;       // the last of them is copied, its parents not yet rebooked
        bool shaking = false;      // and its parents are being rebooked
        bool switching = false;    // this end moves the search to optimising
    };

    StartState BeginStart();
    // One piece of seeding; true when the population is complete or seeding failed.
    bool SeedPiece(bool* failed);
    // One piece of the Step in hand; StepPending while it goes on.
    StepState StepPiece();
    // One piece of the generation's end; true once it is over.
    bool EndGenerationPiece();
    // A copy or a rebooking left part-way is taken to its end, so no candidate stays half made.
    void FinishPieces();

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

    StepCursor cursor_;
    // Kept between candidates for their buffers.
    StagedRebook rebooking_;
    StagedScore scoring_;
    // Whole timetables are copied, and renewed candidates' parents rebooked, a piece at a time.
    StagedCopy copy_;
    StagedRebookParents shaking_;
    // The master's next timetable, copied here before it is taken in; then its last one.
    std::unique_ptr<MultiDaySchedule> spare_;
    // A population being seeded; it replaces kids_ only when complete.
    bool seeding_ = false;
    std::vector<std::unique_ptr<MultiDaySchedule>> seeded_;
    int seedIndex_ = 0;
    // The booking of candidate seedIndex_ once it has been copied from the master.
    std::unique_ptr<StagedBooking> seedBooking_;
};
