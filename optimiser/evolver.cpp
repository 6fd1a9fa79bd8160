#include "optimiser/evolver.h"

#include <algorithm>
#include <cstdlib>

#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/staged_booking.h"

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
    seeding_ = false;
    StartState state = StartPending;
    while (state == StartPending) {
        state = StartSome(Clock::time_point::max());
    }
    return state == StartDone;
}

Evolver::StartState Evolver::StartSome(Clock::time_point deadline) {
    if (!seeding_) {
        const StartState begun = BeginStart();
        if (begun != StartPending) {
            return begun;
        }
    }
    for (;;) {
        bool failed = false;
        if (SeedPiece(&failed)) {
            seeding_ = false;
            if (failed) {
                seeded_.clear();
                return StartFailed;
            }
            kids_ = std::move(seeded_);
            seeded_.clear();
            return StartDone;
        }
        if (Clock::now() >= deadline) {
            return StartPending;
        }
    }
}

Evolver::StartState Evolver::BeginStart() {
    stallCount_ = 0;
    // Work in hand refers to the candidates, so it goes first.
    cursor_ = StepCursor{};
    copy_ = StagedCopy();
    shaking_ = StagedRebookParents();
    seedBooking_.reset();
    seeded_.clear();
    // A refused or failed start leaves no population, not a half-seeded (or an earlier) one
    // that a later Step would evolve or copy into the master.
    for (auto& kid : kids_) {
        kid.reset();
    }
    kidIndex_ = 0;
    bestIndex_ = -1;
    worstIndex_ = -1;
    if (master_ == nullptr || !master_->GetEvent()) {
        return StartFailed;
    }
    const Event& event = *master_->GetEvent();
    if (event.IsLocked()) {
        ReportMessage(SeverityError, "Cannot optimise the schedule because it is locked");
        return StartFailed;
    }
    if (event.GetParents().Count() == 0) {
        return StartFailed;
    }
    const Schedule* firstDay = master_->GetDay(0);
    masterStats_ = firstDay != nullptr ? firstDay->GetOptimiserStats() : nullptr;
    phase_ = StartPositions;
    seeded_.resize(kids_.size());
    seedIndex_ = 0;
    seeding_ = true;
    return StartPending;
}

bool Evolver::SeedPiece(bool* failed) {
    const size_t index = static_cast<size_t>(seedIndex_);
    if (!seedBooking_) {
        if (!copy_.IsBusy()) {
            seeded_[index] = std::make_unique<MultiDaySchedule>(nullptr);
            copy_.Begin(*seeded_[index], *master_);
        }
        if (!copy_.Next()) {
            return false;
        }
        seeded_[index]->SetOptimiserStats(stats_);
        // Candidate 0 stays an unchanged copy of the master, so a generation never loses ground.
        if (seedIndex_ > 0) {
            seedBooking_ = std::make_unique<StagedBooking>(*seeded_[index], BookRandomThenOrderKey);
        } else {
            ++seedIndex_;
        }
    } else if (seedBooking_->Next()) {
        if (!seedBooking_->Succeeded()) {
            seedBooking_.reset();
            *failed = true;
            return true;
        }
        seedBooking_.reset();
        ++seedIndex_;
    }
    return seedIndex_ >= numKids_;
}

void Evolver::NewGeneration() {
    FinishPieces();
    ++generation_;
    kidIndex_ = 0;
    cursor_ = StepCursor{};
    bestIndex_ = -1;
    worstIndex_ = -1;
}

bool Evolver::Step() {
    StepState state = StepPending;
    while (state == StepPending) {
        state = StepSome(Clock::time_point::max());
    }
    return state == GenerationDone;
}

Evolver::StepState Evolver::StepSome(Clock::time_point deadline) {
    // Without a seeded population there is nothing to evolve; ending the generation at once
    // lets a caller's loop finish instead of touching missing candidates.
    if (master_ == nullptr || !kids_[0]) {
        return GenerationDone;
    }
    for (;;) {
        const StepState state = StepPiece();
        if (state != StepPending || Clock::now() >= deadline) {
            return state;
        }
    }
}

// A fresh start books the whole candidate anew; local search improves random teachers, rebooks
// a parent and improves every teacher of every day. Each piece is a batch of the booking, one
// teacher or one rebooking, in exactly the order of the whole operations.
Evolver::StepState Evolver::StepPiece() {
    StepCursor& c = cursor_;
    for (;;) {
        MultiDaySchedule* kid =
            kidIndex_ < numKids_ ? kids_[static_cast<size_t>(kidIndex_)].get() : nullptr;
        switch (c.stage) {
            case StepStage::Begin:
                if (kid == nullptr) {
                    c.stage = StepStage::End;
                    c.end = EndStage::FirstKid;
                    continue;
                }
                c = StepCursor{};
                if (kidIndex_ == 0) {
                    c.stage = StepStage::Score;
                } else if (phase_ == StartPositions) {
                    c.stage = StepStage::Booking;
                } else {
                    c.teachers = static_cast<int>(kid->GetEvent()->GetTeachers().Count());
                    c.remaining = c.teachers > 0 ? rand() % c.teachers : 0;
                    c.stage = StepStage::Teachers;
                }
                continue;
            case StepStage::Booking:
                if (!c.booking) {
                    c.booking = std::make_unique<StagedBooking>(*kid, BookRandomThenOrderKey);
                }
                if (c.booking->Next()) {
                    c.booking.reset();
                    c.stage = StepStage::Score;
                }
                return StepPending;
            case StepStage::Teachers:
                // MultiDaySchedule::OptimiseTeacher a day a piece; a locked event (which the start
                // refuses) is left to it, to say so.
                if (c.teacherRow >= 0 && c.teacherDay < kid->GetDayCount()) {
                    kid->GetDay(c.teacherDay++)->ImproveTeacher(c.teacherRow);
                    return StepPending;
                }
                if (c.remaining > 0) {
                    --c.remaining;
                    const int row = rand() % c.teachers;
                    if (kid->GetEvent() && kid->GetEvent()->IsLocked()) {
                        kid->OptimiseTeacher(row);
                        return StepPending;
                    }
                    c.teacherRow = row;
                    c.teacherDay = 0;
                    continue;
                }
                c.stage = StepStage::Rebook;
                continue;
            case StepStage::Rebook:
                if (!c.rebooking) {
                    rebooking_.Begin(*kid);
                    c.rebooking = true;
                }
                if (!rebooking_.Next()) {
                    return StepPending;
                }
                c.rebooking = false;
                c.day = 0;
                c.stage = rebooking_.Succeeded() ? StepStage::DayOrder : StepStage::Score;
                return StepPending;
            case StepStage::DayOrder:
                if (c.day >= kid->GetDayCount()) {
                    c.stage = StepStage::Score;
                    continue;
                }
                c.order = kid->GetDay(c.day)->DrawTeacherOrder();
                c.next = 0;
                c.stage = StepStage::Improve;
                continue;
            case StepStage::Improve:
                if (c.next < c.order.size()) {
                    kid->GetDay(c.day)->ImproveTeacher(c.order[c.next++]);
                    return StepPending;
                }
                ++c.day;
                c.stage = StepStage::DayOrder;
                continue;
            case StepStage::Score: {
                // The whole event's score takes pieces of its own on a large school.
                if (!c.scoring) {
                    scoring_.Begin(*kid);
                    c.scoring = true;
                }
                if (!scoring_.Next()) {
                    return StepPending;
                }
                c.scoring = false;
                const Score score = scoring_.GetScore();
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
                c.stage = StepStage::Begin;
                if (kidIndex_ < numKids_) {
                    return StepDone;
                }
                // The generation's end copies whole timetables: pieces of its own.
                c.stage = StepStage::End;
                c.end = EndStage::FirstKid;
                return StepPending;
            }
            case StepStage::End:
                if (!EndGenerationPiece()) {
                    return StepPending;
                }
                c.stage = StepStage::Begin;
                return GenerationDone;
        }
    }
}

// A piece copies part of a timetable, or rebooks part of a renewed candidate's parents. The best
// goes to candidate 0 first and the renewed candidates are copied from there, so that the master
// changes only in the last piece: a run stopped part-way through leaves it as it was. The copies,
// rebookings and random numbers are those of ending the generation at once.
bool Evolver::EndGenerationPiece() {
    StepCursor& c = cursor_;
    switch (c.end) {
        case EndStage::FirstKid:
            if (bestIndex_ < 0) {
                c.end = EndStage::Done;
                return true;
            }
            if (bestScore_.IsBetterThan(kid0Score_)) {
                stallCount_ = 0;
            } else {
                ++stallCount_;
            }
            if (bestIndex_ != 0) {
                copy_.Begin(*kids_[0], *kids_[static_cast<size_t>(bestIndex_)]);
            }
            c.end = EndStage::Best;
            return false;
        case EndStage::Best:
            if (!copy_.Next()) {
                return false;
            }
            kids_[0]->SetOptimiserStats(stats_);
            c.renewed.clear();
            c.switching = stallCount_ >= 3 && phase_ == StartPositions;
            if (c.switching) {
                for (int i = numKids_ - 1; i >= 1; --i) {
                    c.renewed.push_back(i);
                }
            } else if (phase_ == Optimising && worstIndex_ > 0) {
                c.renewed.push_back(worstIndex_);
            }
            c.end = EndStage::Kids;
            return false;
        case EndStage::Kids:
            if (!c.renewed.empty()) {
                MultiDaySchedule& kid = *kids_[static_cast<size_t>(c.renewed.back())];
                if (!c.copied) {
                    if (!copy_.IsBusy()) {
                        copy_.Begin(kid, *kids_[0]);
                    }
                    if (!copy_.Next()) {
                        return false;
                    }
                    kid.SetOptimiserStats(stats_);
                    c.copied = true;
                    return false;
                }
                if (!c.shaking) {
                    shaking_.Begin(kid);
                    c.shaking = true;
                }
                if (!shaking_.Next()) {
                    return false;
                }
                c.renewed.pop_back();
                c.copied = false;
                c.shaking = false;
                return false;
            }
            if (!spare_) {
                spare_ = std::make_unique<MultiDaySchedule>(nullptr);
            }
            copy_.Begin(*spare_, *kids_[0]);
            c.end = EndStage::Master;
            return false;
        case EndStage::Master:
            if (!copy_.Next()) {
                return false;
            }
            // A day's copy takes the statistics pointer too; the master keeps its own, so that it
            // never points at counters that end with the run.
            master_->SwapWith(*spare_);
            master_->SetOptimiserStats(masterStats_);
            if (c.switching) {
                phase_ = Optimising;
            }
            c.end = EndStage::Done;
            return true;
        case EndStage::Done:
            break;
    }
    return true;
}

void Evolver::FinishPieces() {
    while (copy_.IsBusy() && !copy_.Next()) {
    }
    if (cursor_.shaking) {
        while (!shaking_.Next()) {
        }
    }
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
