#include "app/optimise_session.h"

#include "app/qm_controller.h"
#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/person_list.h"

std::array<std::string, 7> FormatScoreLines(const Score& score) {
    return {
        StringPrintf("Current score: %d of a possible 1000", score.GetValue() + 1000),
        StringPrintf("%u unbooked appointments", score.Unbooked),
        StringPrintf("%u slots teacher waiting too long", score.TeacherWaiting),
        StringPrintf("%u slots parent waiting too long", score.ParentWaiting),
        StringPrintf("%u slots teacher busy too long", score.TeacherOverBlock),
        StringPrintf("%u slots sibling appointment separation", score.SiblingSeparation),
        StringPrintf("%u slots total attendance", score.Attendance),
    };
}

OptimiseSession::OptimiseSession(QMController& controller, std::chrono::milliseconds tickBudget)
    : controller_(controller), schedule_(controller.GetSchedule()), tickBudget_(tickBudget) {
    if (schedule_ != nullptr) {
        score_ = schedule_->GetScore();
    }
    UpdateProgress();
}

OptimiseSession::~OptimiseSession() = default;

bool OptimiseSession::Tick() {
    if (IsFinished() || busy_) {
        return false;
    }
    busy_ = true;
    struct ClearBusy {
        bool& busy;
        ~ClearBusy() { busy = false; }
    } clearBusy{busy_};

    // An event without parents scores perfect, yet there is nothing to optimise: the start
    // refuses it, which says so.
    const bool hasParents = schedule_ == nullptr || !schedule_->GetEvent() ||
                            schedule_->GetEvent()->GetParents().Count() > 0;
    if (score_.IsPerfect() && (hasParents || evolver_)) {
        ReportMessage(SeverityInformation, "The schedule is completely optimised");
        Finish(Perfect);
        return false;
    }
    const Evolver::Clock::time_point deadline = Evolver::Clock::now() + tickBudget_;
    if (!evolver_) {
        BeginRun();
    }
    if (starting_) {
        const Evolver::StartState started = evolver_->StartSome(deadline);
        if (started == Evolver::StartFailed) {
            ReportMessage(SeverityError, "Cannot optimise the current schedule");
            Finish(FailedToStart);
        } else if (started == Evolver::StartDone) {
            starting_ = false;
            evolver_->NewGeneration();
        }
        // The texts keep showing the state before the run until the first step.
        return false;
    }

    const bool passCompleted = evolver_->StepSome(deadline) == Evolver::GenerationDone;
    if (passCompleted) {
        ++passes_;
        // The master now holds the pass's best candidate, whose score the pass has taken:
        // scoring the whole event again would hold the window as long as a pass's piece does.
        if (evolver_->GetBestIndex() >= 0) {
            score_ = evolver_->GetBestScore();
        } else if (schedule_ != nullptr) {
            score_ = schedule_->GetScore();
        }
        evolver_->NewGeneration();
    }
    UpdateProgress();
    if (score_.IsPerfect()) {
        Finish(Perfect);
    }
    return passCompleted;
}

void OptimiseSession::Stop() {
    if (!IsFinished()) {
        Finish(Stopped);
    }
}

void OptimiseSession::BeginRun() {
    // An absent or empty setting gives the default; the Evolver clamps anything else.
    const int kids = controller_.GetUserSettings().GetInt("evolvernumkids", kDefaultKids);
    evolver_ = std::make_unique<Evolver>(schedule_, kids);
    starting_ = true;
}

void OptimiseSession::UpdateProgress() {
    percent_ = evolver_ ? evolver_->GetProgressPercent() : 0;
    std::string phase;
    if (evolver_ && evolver_->GetPhase() == StartPositions) {
        phase = "Testing start positions";
    } else if (evolver_ && evolver_->GetPhase() == Optimising) {
        phase = "Optimising";
    }
    passText_ = "This pass: " + phase + StringPrintf(" %d%%", percent_);
    passesText_ = StringPrintf("%d passes completed", passes_);
    if (schedule_ != nullptr) {
        scoreLines_ = FormatScoreLines(score_);
    }
}

void OptimiseSession::Finish(Outcome outcome) {
    // No tick runs after this, so an unfinished pass never reaches the timetable; the
    // population goes with the session.
    outcome_ = outcome;
}
