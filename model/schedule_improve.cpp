#include <cstdlib>
#include <numeric>
#include <utility>
#include <vector>

#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/optimiser_stats.h"
#include "model/person_list.h"
#include "model/schedule.h"

namespace {

// The checks below refuse these cells before touching the grid; skipping them here saves the
// take-out and put-back of a check that cannot succeed, and draws no random number.
bool StartsBookingAt(const AppointmentGrid& grid, int row, int slot) {
    const Appointment* booking = grid.PeekBooking(slot, row);
    return booking != nullptr && booking->GetFirstSlot() == slot;
}

bool CanStartMove(const AppointmentGrid& grid, int row, int slot) {
    const Appointment* booking = grid.PeekBooking(slot, row);
    return booking != nullptr && booking->GetFirstSlot() == slot && !booking->IsLocked();
}

const Parent* ParentAt(const AppointmentGrid& grid, int row, int slot) {
    const Appointment* booking = grid.PeekBooking(slot, row);
    if (booking == nullptr || booking->GetRequest() == nullptr) {
        return nullptr;
    }
    return booking->GetRequest()->GetParent();
}

void Bump(OptimiserStats* stats, std::uint32_t OptimiserStats::*counter) {
    if (stats != nullptr) {
        ++(stats->*counter);
    }
}

}  // namespace

void Schedule::ImproveTeacher(int teacherRow) {
    if (!event_) {
        return;
    }
    const ScheduleOptions& options = event_->GetOptions();
    const int first = GetFirstAppointmentSlot(teacherRow);
    if (first < 0) {
        Bump(stats_, &OptimiserStats::FirstSlotNotFree);
        return;
    }
    const int last = GetLastAppointmentSlot(teacherRow);
    const int numSlots = GetNumSlots();
    // Every rejected trial is undone, so the teacher's own score stays the yardstick throughout.
    const Score teacherBefore = ScoreTeacher(teacherRow);

    // Moves (or swaps, when b holds a booking too) the booking at a to b, keeps the change when
    // accept(after, before) holds and undoes it otherwise. Only the people involved are rescored.
    auto trial = [&](int a, int b, bool swap, auto accept) {
        const Parent* p = ParentAt(grid_, teacherRow, a);
        const Parent* q = swap ? ParentAt(grid_, teacherRow, b) : nullptr;
        Score before = ScoreParent(p);
        if (swap) {
            before += ScoreParent(q);
        }
        before += teacherBefore;
        modified_ = true;
        // Every caller checked the move or swap first (MoveCheck, SwapCheck), and the undo
        // below reverses one that happened.
        (void)grid_.SwapSlots(teacherRow, a, b);
        Score after = ScoreTeacher(teacherRow);
        after += ScoreParent(p);
        if (swap) {
            after += ScoreParent(q);
        }
        if (accept(after, before)) {
            return true;
        }
        modified_ = true;
        (void)grid_.SwapSlots(teacherRow, a, b);
        return false;
    };
    auto better = [](const Score& after, const Score& before) {
        return after.IsBetterThan(before);
    };
    auto betterOrEqual = [](const Score& after, const Score& before) {
        return after.IsBetterOrEqual(before);
    };
    auto tryMove = [&](int from, int to, auto accept) {
        return CanStartMove(grid_, teacherRow, from) && MoveCheck(teacherRow, from, to) &&
               trial(from, to, false, accept);
    };

    // First pass: fill a gap with the first appointment, or move work out of an over-long block.
    int busy = 1;
    bool gapSeen = false;
    for (int s = first + 1; s <= last; ++s) {
        const SlotStatus status = GetTeacherSlotStatus(s, teacherRow);
        if (status == SlotFree) {
            if (tryMove(first, s, better)) {
                Bump(stats_, &OptimiserStats::FirstApptIntoGap);
                return;
            }
            gapSeen = true;
            busy = 0;
        } else if (status == SlotAppointment) {
            ++busy;
            if (busy > options.TeacherBlockLength &&
                GetTeacherSlotStatus(last + 1, teacherRow) == SlotFree) {
                for (int t = first; t <= s; ++t) {
                    if (GetTeacherSlotStatus(t, teacherRow) == SlotAppointment &&
                        tryMove(t, last + 1, better)) {
                        Bump(stats_, &OptimiserStats::BusyApptToEnd);
                        return;
                    }
                }
            }
        }
    }
    if (!gapSeen) {
        Bump(stats_, &OptimiserStats::NoGaps);
        return;
    }

    for (int s = last - 1; s > first; --s) {
        if (GetTeacherSlotStatus(s, teacherRow) == SlotFree && tryMove(last, s, better)) {
            Bump(stats_, &OptimiserStats::LastApptIntoGap);
            return;
        }
    }

    if (first != last) {
        // A strictly better swap is kept at once; an equal one only when nothing better exists,
        // so the search can move sideways without losing ground.
        int equalA = -1;
        int equalB = -1;
        for (int i = first; i <= last; ++i) {
            if (!StartsBookingAt(grid_, teacherRow, i)) {
                continue;
            }
            for (int j = i + 1; j <= last; ++j) {
                if (!StartsBookingAt(grid_, teacherRow, j) || !SwapCheck(teacherRow, i, j)) {
                    continue;
                }
                bool equal = false;
                auto keepBetter = [&equal](const Score& after, const Score& before) {
                    if (after.IsBetterThan(before)) {
                        return true;
                    }
                    equal = after == before;
                    return false;
                };
                if (trial(i, j, true, keepBetter)) {
                    Bump(stats_, &OptimiserStats::BetterSwap);
                    return;
                }
                if (equal && (equalA < 0 || (rand() & 1) != 0)) {
                    equalA = i;
                    equalB = j;
                }
            }
        }
        if (equalA >= 0) {
            modified_ = true;
            (void)grid_.SwapSlots(teacherRow, equalA, equalB);  // checked in the search above
            Bump(stats_, &OptimiserStats::EqualSwap);
            return;
        }
    }

    // Letting the day drift later (equal scores accepted) opens room for other moves next time.
    if (options.TeacherGapLength > 0) {
        // Only the slots the day has: an allowance longer than the day would loop on past it.
        const int reach = std::min(options.TeacherGapLength, numSlots - 1 - last);
        for (int k = 1; k <= reach; ++k) {
            const int t = last + k;
            if (t < numSlots && tryMove(first, t, betterOrEqual)) {
                Bump(stats_, &OptimiserStats::FirstAfterLast);
                return;
            }
        }
        for (int k = 1; k <= reach; ++k) {
            const int t = last + k;
            if (t < numSlots && tryMove(last, t, betterOrEqual)) {
                Bump(stats_, &OptimiserStats::LastLater);
                return;
            }
        }
    }
    Bump(stats_, &OptimiserStats::NothingFound);
}

void Schedule::Optimise() {
    if (!event_) {
        return;
    }
    if (event_->IsLocked()) {
        ReportMessage(SeverityError, "Cannot optimise the schedule because it is locked");
        return;
    }
    for (int row : DrawTeacherOrder()) {
        ImproveTeacher(row);
    }
}

std::vector<int> Schedule::DrawTeacherOrder() const {
    if (!event_) {
        return {};
    }
    const int count = static_cast<int>(event_->GetTeachers().Count());
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    for (int i = 1; i < count; ++i) {
        const int j = rand() % (i + 1);
        if (i != j) {
            std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(j)]);
        }
    }
    return order;
}
