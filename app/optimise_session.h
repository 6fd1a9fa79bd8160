#pragma once

#include <array>
#include <chrono>
#include <memory>
#include <string>

#include "model/score.h"
#include "optimiser/evolver.h"

class MultiDaySchedule;
class QMController;

// The seven score lines of the optimiser's window, current score first, in window order.
std::array<std::string, 7> FormatScoreLines(const Score& score);

// One optimiser run over the controller's timetable as its progress window drives it, with
// nothing of the window in it: the window forwards idle ticks, shows the texts and closes when
// the run has finished. A tick does at most one candidate's worth of work and returns once its
// time budget is spent, so the window answers "Stop" within about one budget; the run ends the
// same as an unbroken one with the same seed.
class OptimiseSession {
public:
    enum Outcome { Running, Perfect, FailedToStart, Stopped };

    static constexpr int kDefaultKids = 10;
    static constexpr std::chrono::milliseconds kDefaultTickBudget{10};

    // Takes the controller's timetable as it is now (none when no event is loaded).
    explicit OptimiseSession(QMController& controller,
                             std::chrono::milliseconds tickBudget = kDefaultTickBudget);
    ~OptimiseSession();
    OptimiseSession(const OptimiseSession&) = delete;
    OptimiseSession& operator=(const OptimiseSession&) = delete;

    // One idle tick; true when it completed a pass, whose best the timetable now holds (the
    // window repaints its view). Nothing once the run has finished.
    bool Tick();
    // Ends the run at once; an unfinished pass is thrown away, so the timetable holds the last
    // completed pass's best, or is untouched when none completed.
    void Stop();

    bool IsFinished() const { return outcome_ != Running; }
    Outcome GetOutcome() const { return outcome_; }
    int GetPasses() const { return passes_; }
    const Score& GetScore() const { return score_; }
    // The run's population; 0 before the first tick.
    int GetPopulation() const { return evolver_ ? evolver_->GetNumKids() : 0; }

    // What the window shows, rewritten only when the window would rewrite its labels.
    int GetPercent() const { return percent_; }
    const std::string& GetPassText() const { return passText_; }
    const std::string& GetPassesText() const { return passesText_; }
    // Empty lines without a timetable.
    const std::array<std::string, 7>& GetScoreLines() const { return scoreLines_; }

private:
    void BeginRun();
    void UpdateProgress();
    void Finish(Outcome outcome);

    QMController& controller_;
    MultiDaySchedule* schedule_ = nullptr;
    std::unique_ptr<Evolver> evolver_;
    std::chrono::milliseconds tickBudget_;
    int passes_ = 0;
    Outcome outcome_ = Running;
    bool starting_ = false;
    // A message box opened inside a tick delivers idle ticks of its own; they must not nest.
    bool busy_ = false;
    Score score_;
    int percent_ = 0;
    std::string passText_;
    std::string passesText_;
    std::array<std::string, 7> scoreLines_;
};
