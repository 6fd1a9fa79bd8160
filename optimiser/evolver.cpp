#include "optimiser/evolver.h"

#include <algorithm>
#include <cstdlib>

#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

Evolver::Evolver(MultiDaySchedule* master, int numKids)
    : master_(master), numKids_(std::clamp(numKids, kMinKids, kMaxKids)) {
    kids_.resize(static_cast<size_t>(numKids_));
}

Evolver::~Evolver() = default;

const MultiDaySchedule* Evolver::GetKid(int index) const {
    if (index < 0 || index >= numKids_) {
        return nullptr;
    }
    return kids_[static_cast<size_t>(index)].get();
}

bool Evolver::Start() {
    stallCount_ = 0;
    // A refused or failed start leaves no population, not a half-seeded (or an earlier) one
    // that a later Step would evolve or copy into the master.
    for (auto& kid : kids_) {
        kid.reset();
    }
    kidIndex_ = 0;
    bestIndex_ = -1;
    worstIndex_ = -1;
    if (master_ == nullptr || !master_->GetEvent()) {
        return false;
    }
    const Event& event = *master_->GetEvent();
    if (event.IsLocked()) {
        ReportMessage(SeverityError, "Cannot optimise the schedule because it is locked");
        return false;
    }
    if (event.GetParents().Count() == 0) {
        return false;
    }
    const Schedule* firstDay = master_->GetDay(0);
    masterStats_ = firstDay != nullptr ? firstDay->GetOptimiserStats() : nullptr;
    phase_ = StartPositions;
    return SeedPopulation();
}

bool Evolver::SeedPopulation() {
    int order = 0;
    if (phase_ == StartPositions) {
        order = BookRandomThenOrderKey;
    } else if (phase_ == Optimising) {
        order = BookRandom;
    } else {
        return false;
    }
    std::vector<std::unique_ptr<MultiDaySchedule>> seeded(kids_.size());
    for (int i = 0; i < numKids_; ++i) {
        auto kid = std::make_unique<MultiDaySchedule>(*master_);
        kid->SetOptimiserStats(stats_);
        // Candidate 0 stays an unchanged copy of the master, so a generation never loses ground.
        if (i > 0 && !kid->BookAll(order)) {
            return false;
        }
        seeded[static_cast<size_t>(i)] = std::move(kid);
    }
    kids_ = std::move(seeded);
    return true;
}

void Evolver::NewGeneration() {
    ++generation_;
    kidIndex_ = 0;
    bestIndex_ = -1;
    worstIndex_ = -1;
}

void Evolver::ImproveKid(int index) {
    MultiDaySchedule& kid = *kids_[static_cast<size_t>(index)];
    const int teachers = static_cast<int>(kid.GetEvent()->GetTeachers().Count());
    if (teachers > 0) {
        const int calls = rand() % teachers;
        for (int i = 0; i < calls; ++i) {
            kid.OptimiseTeacher(rand() % teachers);
        }
    }
    kid.RebookParentsAndOptimise();
}

bool Evolver::Step() {
    // Without a seeded population there is nothing to evolve; ending the generation at once
    // lets a caller's loop finish instead of touching missing candidates.
    if (master_ == nullptr || !kids_[0]) {
        return true;
    }
    if (kidIndex_ < numKids_) {
        MultiDaySchedule& kid = *kids_[static_cast<size_t>(kidIndex_)];
        if (kidIndex_ > 0) {
            if (phase_ == StartPositions) {
                (void)kid.BookAll(BookRandomThenOrderKey);  // a locked kid keeps its bookings
            } else {
                ImproveKid(kidIndex_);
            }
        }
        const Score score = kid.GetScore();
        if (bestIndex_ == -1 || score.IsBetterThan(bestScore_)) {
            bestScore_ = score;
            bestIndex_ = kidIndex_;
        }
        if (kidIndex_ == 0) {
            kid0Score_ = score;
        } else if (worstIndex_ == -1 || score.IsWorseThan(worstScore_)) {
            worstScore_ = score;
            worstIndex_ = kidIndex_;
        }
        ++kidIndex_;
        if (kidIndex_ < numKids_) {
            return false;
        }
    }
    return EndGeneration();
}

bool Evolver::EndGeneration() {
    if (bestIndex_ < 0) {
        return true;
    }
    if (bestScore_.IsBetterThan(kid0Score_)) {
        stallCount_ = 0;
    } else {
        ++stallCount_;
    }
    // A day's copy takes the statistics pointer too; the master keeps its own, so that it never
    // points at counters that end with the run.
    *master_ = *kids_[static_cast<size_t>(bestIndex_)];
    master_->SetOptimiserStats(masterStats_);
    *kids_[0] = *master_;
    kids_[0]->SetOptimiserStats(stats_);
    if (stallCount_ >= 3 && phase_ == StartPositions) {
        phase_ = Optimising;
        for (int i = 1; i < numKids_; ++i) {
            MultiDaySchedule& kid = *kids_[static_cast<size_t>(i)];
            kid = *master_;
            kid.SetOptimiserStats(stats_);
            kid.RebookParents();
        }
        return true;
    }
    if (phase_ == Optimising && worstIndex_ > 0) {
        MultiDaySchedule& kid = *kids_[static_cast<size_t>(worstIndex_)];
        kid = *master_;
        kid.SetOptimiserStats(stats_);
        kid.RebookParents();
    }
    return true;
}

int Evolver::GetProgressPercent() const {
    if (numKids_ == 0) {
        return 0;
    }
    // Multiplying first keeps the quotient exact, so 29 of 100 reads 29, not 28.99...; the
    // candidate index is one past the end only between a generation's end and the next.
    const double percent = (kidIndex_ + 1) * 100.0 / numKids_;
    return std::min(100, static_cast<int>(percent));
}
