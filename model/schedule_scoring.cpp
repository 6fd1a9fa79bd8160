#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "model/appointment_request.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/staged_score.h"
#include "model/teacher.h"

// The scoring walks are the optimiser's inner loop, so they read each person's attendance once
// per walk instead of once per slot, and find parents through the grid's index (or, for the
// whole day, one pass over the grid). They give exactly what the per-slot status queries give.

namespace {

const Parent* ParentOf(const Appointment* booking) {
    const AppointmentRequest* request = booking ? booking->GetRequest() : nullptr;
    return request ? request->GetParent() : nullptr;
}

// One attendee's hours on one day, read once.
struct AttendeeDay {
    bool attending = false;
    int start = 0;  // seconds since midnight
    int end = 0;
    bool hasPresentations = false;

    AttendeeDay() = default;
    AttendeeDay(const Schedule& day, const Attendee* attendee) {
        const AttendanceRecord* record = attendee->FindRecord(day.GetDate());
        attending = record == nullptr || record->IsAttending();
        start = (record ? record->GetStartTime(&day) : day.GetStartTime()).Seconds();
        end = (record ? record->GetEndTime(&day) : day.GetEndTime()).Seconds();
        hasPresentations = attendee->GetPresentations().Count() > 0;
    }

    // Schedule::IsSlotWithin: the whole of [from, to) within the attendee's hours.
    bool IsPresentDuring(int from, int to) const { return attending && from >= start && to <= end; }
};

// Slot status of a teacher in a cell without a booking, for walks that go up the day one
// slot at a time (the breaks are read with a cursor rather than searched for every slot).
class TeacherWalk {
public:
    TeacherWalk(const Schedule& day, const Teacher* teacher, int firstSlot)
        : day_(day),
          teacher_(teacher),
          hours_(teacher ? AttendeeDay(day, teacher) : AttendeeDay()) {
        if (teacher_ != nullptr) {
            const std::vector<DateTime>& breaks = teacher_->GetBreaks();
            nextBreak_ = std::lower_bound(breaks.begin(), breaks.end(),
                                          DateTime(day.GetDate(), day.SlotToTime(firstSlot)));
        }
    }

    SlotStatus StatusOfFreeCell(int slot) {
        const TimeOfDay slotEnd = day_.SlotToTime(slot + 1);
        if (teacher_ == nullptr ||
            !hours_.IsPresentDuring(day_.SlotToTime(slot).Seconds(), slotEnd.Seconds())) {
            return SlotUnavailable;
        }
        DateTime when(day_.GetDate(), day_.SlotToTime(slot));
        const std::vector<DateTime>& breaks = teacher_->GetBreaks();
        while (nextBreak_ != breaks.end() && *nextBreak_ < when) {
            ++nextBreak_;
        }
        // Any break the slot meets, as Teacher::HasBreakDuring has it.
        if (nextBreak_ != breaks.end() && nextBreak_->GetDate() == when.GetDate() &&
            nextBreak_->GetTime() < slotEnd) {
            return SlotBreak;
        }
        if (hours_.hasPresentations &&
            teacher_->IsAtPresentationDuring(when.GetDate(), when.GetTime(),
                                             day_.SlotToTime(slot + 1))) {
            return SlotPresentation;
        }
        return SlotFree;
    }

private:
    const Schedule& day_;
    const Teacher* teacher_;
    AttendeeDay hours_;
    std::vector<DateTime>::const_iterator nextBreak_;
};

// The parent walk, given where the parent is booked; first and last are booked slots.
template <typename IsBooked>
Score WalkParent(const Schedule& day, const Parent* parent, const ScheduleOptions& options,
                 int first, int last, IsBooked isBooked) {
    Score score;
    int start = first;
    if (options.ParentCountInitGap) {
        start = 0;
        score.Attendance += static_cast<std::uint32_t>(last);
    } else {
        score.Attendance += static_cast<std::uint32_t>(last - first);
    }
    const AttendeeDay hours(day, parent);
    const Date date = day.GetDate();
    int run = 0;
    for (int slot = start; slot <= last; ++slot) {
        bool free = false;
        if (slot != last && !isBooked(slot)) {
            TimeOfDay time = day.SlotToTime(slot);
            free = hours.IsPresentDuring(time.Seconds(), day.SlotToTime(slot + 1).Seconds()) &&
                   !(hours.hasPresentations &&
                     parent->IsAtPresentationDuring(date, time, day.SlotToTime(slot + 1)));
        }
        if (free) {
            ++run;
        } else {
            score.ParentWaiting +=
                static_cast<std::uint32_t>(std::max(0, run - options.ParentGapLength));
            run = 0;
        }
    }
    return score;
}

// The teacher's walk over a row already read: cells[s] holds the booking at slot s and
// parents[s] its parent; first and last are the first and last booked slots.
Score WalkTeacher(const Schedule& day, const Teacher* teacher, const ScheduleOptions& options,
                  int first, int last, const Appointment* const* cells,
                  const Parent* const* parents) {
    Score score;
    int start = first;
    if (options.TeacherCountInitGap) {
        start = 0;
        score.Attendance += static_cast<std::uint32_t>(last);
    } else {
        score.Attendance += static_cast<std::uint32_t>(last - first);
    }
    TeacherWalk walk(day, teacher, start);
    int gap = 0;
    int block = 0;
    for (int s = start; s <= last; ++s) {
        SlotStatus status = cells[s] != nullptr ? SlotAppointment : walk.StatusOfFreeCell(s);
        switch (status) {
            case SlotFree:
                ++gap;
                block = 0;
                continue;
            case SlotBreak:
                block = 0;
                if (options.TeacherCountBreaks) {
                    ++gap;
                }
                continue;
            case SlotAppointment: {
                const Parent* parent = parents[s];
                if (options.BringTwinsTogether && parent != nullptr) {
                    for (int k = s - 1; k >= first; --k) {
                        if (parents[k] == parent) {
                            score.SiblingSeparation += static_cast<std::uint32_t>(s - k - 1);
                            break;
                        }
                    }
                }
                break;
            }
            case SlotPresentation:
                break;
            default:
                continue;
        }
        // A busy slot: charge the wait that ends here, and the block that goes on too long.
        if (gap - options.TeacherGapLength > 0) {
            score.TeacherWaiting += static_cast<std::uint32_t>(gap - options.TeacherGapLength);
        }
        gap = 0;
        ++block;
        if (block > options.TeacherBlockLength) {
            ++score.TeacherOverBlock;
        }
    }
    return score;
}

// Reused between calls so that scoring does not allocate.
struct ScoringScratch {
    std::vector<const Appointment*> cells;
    std::vector<const Parent*> parents;
    DayScoreTally day;
    StagedScore event;
};

ScoringScratch& Scratch() {
    static thread_local ScoringScratch scratch;
    return scratch;
}

std::size_t HashPointer(const void* pointer, std::size_t mask) {
    auto value = reinterpret_cast<std::uintptr_t>(pointer);
    value ^= value >> 17;
    value *= 0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(value >> 20) & mask;
}

std::pair<const Parent*, int>& FindEntry(std::vector<std::pair<const Parent*, int>>& table,
                                         const Parent* parent) {
    const std::size_t mask = table.size() - 1;
    std::size_t i = HashPointer(parent, mask);
    while (table[i].first != nullptr && table[i].first != parent) {
        i = (i + 1) & mask;
    }
    return table[i];
}

}  // namespace

Score Schedule::ScoreAppointment(int teacherRow, int slot) const {
    Score score;
    if (!event_ || !event_->GetOptions().BringTwinsTogether || slot < 1) {
        return score;
    }
    const Parent* parent = ParentOf(grid_.PeekBooking(slot, teacherRow));
    if (parent == nullptr) {
        return score;
    }
    for (int s = slot - 1; s >= 0; --s) {
        if (ParentOf(grid_.PeekBooking(s, teacherRow)) == parent) {
            score.SiblingSeparation += static_cast<std::uint32_t>(slot - s - 1);
            break;
        }
    }
    return score;
}

Score Schedule::ScoreTeacher(int teacherRow) const {
    const int slots = std::min(GetNumSlots(), static_cast<int>(grid_.GetSlotCount()));
    if (!event_ || teacherRow < 0 || teacherRow >= static_cast<int>(grid_.GetRowCount()) ||
        slots <= 0) {
        return Score();
    }
    ScoringScratch& scratch = Scratch();
    scratch.cells.resize(static_cast<std::size_t>(slots));
    scratch.parents.resize(static_cast<std::size_t>(slots));
    int first = -1;
    int last = -1;
    for (int s = 0; s < slots; ++s) {
        const Appointment* booking = grid_.PeekBooking(s, teacherRow);
        scratch.cells[s] = booking;
        scratch.parents[s] = ParentOf(booking);
        if (booking != nullptr) {
            if (first < 0) {
                first = s;
            }
            last = s;
        }
    }
    if (first < 0) {
        return Score();
    }
    return WalkTeacher(*this, TeacherAt(teacherRow), event_->GetOptions(), first, last,
                       scratch.cells.data(), scratch.parents.data());
}

Score Schedule::ScoreParent(const Parent* parent) const {
    Score score;
    const int slots = GetNumSlots();
    if (!event_ || parent == nullptr || slots <= 0) {
        return score;
    }
    int first = 0;
    while (first < slots && !grid_.ParentIsBooked(first, parent)) {
        ++first;
    }
    if (first == slots) {
        return score;
    }
    int last = slots - 1;
    while (!grid_.ParentIsBooked(last, parent)) {
        --last;
    }
    return WalkParent(*this, parent, event_->GetOptions(), first, last,
                      [&](int slot) { return grid_.ParentIsBooked(slot, parent); });
}

Score Schedule::GetScore() const {
    DayScoreTally& tally = Scratch().day;
    tally.Begin(*this);
    constexpr unsigned kAll = std::numeric_limits<unsigned>::max();
    while (!tally.Next(kAll, kAll)) {
    }
    return tally.GetScore();
}

Score MultiDaySchedule::GetScore() const {
    StagedScore& tally = Scratch().event;
    tally.Begin(*this);
    while (!tally.Next()) {
    }
    return tally.GetScore();
}

void DayScoreTally::Begin(const Schedule& day, RequestSet* booked,
                          const TeacherList* bookedTeachers) {
    day_ = &day;
    booked_ = booked;
    bookedTeachers_ = bookedTeachers;
    score_ = Score();
    nextRow_ = 0;
    nextParent_ = 0;
    scoreParents_ = false;
    const AppointmentGrid& grid = day.GetGrid();
    rows_ = grid.GetRowCount();
    slots_ = std::min(day.GetNumSlots(), static_cast<int>(grid.GetSlotCount()));
    cells_.assign(static_cast<std::size_t>(std::max(slots_, 0)), nullptr);
    cellRequests_.assign(cells_.size(), nullptr);
    cellParents_.assign(cells_.size(), nullptr);
    bookedRows_ = booked_ != nullptr && bookedTeachers_ != nullptr
                      ? std::min(rows_, bookedTeachers_->Count())
                      : 0;
    // A day without an event scores nothing, though what it books may still be asked for.
    const Event* event = day.GetEvent().get();
    teacherRows_ = event != nullptr ? std::min(rows_, event->GetTeachers().Count()) : 0;
    if (event == nullptr) {
        return;
    }
    const ParentList& parents = event->GetParents();
    scoreParents_ = slots_ > 0 && parents.Count() > 0;
    if (!scoreParents_) {
        return;
    }
    // Where every parent is booked is marked while the rows are read; asking the grid slot by
    // slot for every parent would cost a lookup per parent and slot.
    std::size_t tableSize = 16;
    while (tableSize < 2 * static_cast<std::size_t>(parents.Count())) {
        tableSize *= 2;
    }
    parentTable_.assign(tableSize, {nullptr, -1});
    bitsOf_.assign(parents.Count(), -1);
    for (unsigned i = 0; i < parents.Count(); ++i) {
        const Parent* parent = parents.At(i);
        if (parent != nullptr) {
            auto& entry = FindEntry(parentTable_, parent);
            if (entry.first == nullptr) {
                entry = {parent, static_cast<int>(i)};
            }
            bitsOf_[i] = entry.second;
        }
    }
    words_ = (static_cast<std::size_t>(slots_) + 63) / 64;
    bookedBits_.assign(words_ * parents.Count(), 0);
}

bool DayScoreTally::Next(unsigned rows, unsigned parentCount) {
    if (day_ == nullptr) {
        return true;
    }
    if (nextRow_ < rows_) {
        return NextRows(rows) && !scoreParents_;
    }
    if (!scoreParents_) {
        return true;
    }
    const unsigned count = GetParentCount();
    const unsigned end = count - nextParent_ > parentCount ? nextParent_ + parentCount : count;
    for (; nextParent_ < end; ++nextParent_) {
        ScoreParentAt(nextParent_);
    }
    return nextParent_ >= count;
}

bool DayScoreTally::NextRows(unsigned rows) {
    if (day_ == nullptr) {
        return true;
    }
    const unsigned end = rows_ - nextRow_ > rows ? nextRow_ + rows : rows_;
    for (; nextRow_ < end; ++nextRow_) {
        ScoreRow(nextRow_);
    }
    return nextRow_ >= rows_;
}

unsigned DayScoreTally::GetParentCount() const {
    return scoreParents_ ? day_->GetEvent()->GetParents().Count() : 0;
}

void DayScoreTally::ScoreParentAt(unsigned index) {
    if (index >= GetParentCount()) {
        return;
    }
    const Parent* parent = day_->GetEvent()->GetParents().At(index);
    if (parent == nullptr) {
        return;
    }
    // A parent listed twice has its bits under its first entry.
    const std::uint64_t* bits = &bookedBits_[static_cast<std::size_t>(bitsOf_[index]) * words_];
    auto isBooked = [bits](int slot) { return (bits[slot / 64] >> (slot % 64)) & 1; };
    int first = -1;
    int last = -1;
    for (std::size_t w = 0; w < words_; ++w) {
        if (bits[w] != 0) {
            if (first < 0) {
                first = static_cast<int>(w * 64) + std::countr_zero(bits[w]);
            }
            last = static_cast<int>(w * 64) + 63 - std::countl_zero(bits[w]);
        }
    }
    if (first >= 0) {
        score_ += WalkParent(*day_, parent, day_->GetEvent()->GetOptions(), first, last, isBooked);
    }
}

void DayScoreTally::ScoreRow(unsigned row) {
    const AppointmentGrid& grid = day_->GetGrid();
    // In passes, so that the reads of one pass do not wait for each other: the bookings, then
    // their requests, then the requests' parents.
    int first = -1;
    int last = -1;
    for (int s = 0; s < slots_; ++s) {
        const Appointment* booking = grid.PeekBooking(s, static_cast<int>(row));
        cells_[s] = booking;
        if (booking != nullptr) {
            if (first < 0) {
                first = s;
            }
            last = s;
        }
    }
    for (int s = std::max(first, 0); s <= last; ++s) {
        cellRequests_[s] = cells_[s] != nullptr ? cells_[s]->GetRequest() : nullptr;
    }
    for (int s = std::max(first, 0); s <= last; ++s) {
        cellParents_[s] = cellRequests_[s] != nullptr ? cellRequests_[s]->GetParent() : nullptr;
    }
    if (scoreParents_) {
        for (int s = std::max(first, 0); s <= last; ++s) {
            if (cellParents_[s] == nullptr) {
                continue;
            }
            const auto& entry = FindEntry(parentTable_, cellParents_[s]);
            if (entry.first == cellParents_[s]) {
                bookedBits_[static_cast<std::size_t>(entry.second) * words_ + s / 64] |=
                    std::uint64_t{1} << (s % 64);
            }
        }
    }
    if (row < bookedRows_) {
        const Teacher* rowTeacher = bookedTeachers_->At(row);
        const AppointmentRequest* previous = nullptr;
        for (int s = std::max(first, 0); s <= last; ++s) {
            const AppointmentRequest* request = cells_[s] != nullptr ? cellRequests_[s] : nullptr;
            if (request != nullptr && request != previous && request->GetTeacher() == rowTeacher) {
                booked_->Insert(request);
            }
            previous = request;
        }
    }
    if (row < teacherRows_ && first >= 0) {
        score_ += WalkTeacher(*day_, day_->GetEvent()->GetTeachers().At(row),
                              day_->GetEvent()->GetOptions(), first, last, cells_.data(),
                              cellParents_.data());
    }
}

void StagedScore::Begin(const MultiDaySchedule& schedule, unsigned rowsPerPiece,
                        unsigned parentsPerPiece) {
    schedule_ = &schedule;
    rowsPerPiece_ = std::max(1U, rowsPerPiece);
    parentsPerPiece_ = std::max(1U, parentsPerPiece);
    stage_ = Rows;
    day_ = 0;
    dayBegun_ = false;
    if (dayTallies_.size() < schedule.GetDayCount()) {
        dayTallies_.resize(schedule.GetDayCount());
    }
    begun_.assign(schedule.GetDayCount(), false);
    booked_.Clear();
    nextParent_ = 0;
    parentCount_ = 0;
    score_ = Score();
}

bool StagedScore::Next() {
    if (schedule_ == nullptr) {
        return true;
    }
    const MultiDaySchedule& schedule = *schedule_;
    const Event* event = schedule.GetEvent().get();
    switch (stage_) {
        case Rows: {
            if (day_ >= schedule.GetDayCount()) {
                // Each day's own list of parents, in case a day were of another event.
                parentCount_ = event != nullptr ? event->GetParents().Count() : 0;
                for (unsigned d = 0; d < schedule.GetDayCount(); ++d) {
                    if (begun_[d]) {
                        parentCount_ = std::max(parentCount_, dayTallies_[d].GetParentCount());
                    }
                }
                stage_ = Parents;
                return false;
            }
            const Schedule* day = schedule.GetDay(day_);
            if (day == nullptr) {
                ++day_;
                return false;
            }
            DayScoreTally& tally = dayTallies_[day_];
            if (!dayBegun_) {
                // Without an event nothing counts as unbooked, so nothing booked is gathered.
                tally.Begin(*day, event != nullptr ? &booked_ : nullptr,
                            event != nullptr ? &event->GetTeachers() : nullptr);
                begun_[day_] = true;
                dayBegun_ = true;
            }
            if (tally.NextRows(rowsPerPiece_)) {
                dayBegun_ = false;
                ++day_;
            }
            return false;
        }
        case Parents: {
            const unsigned end = parentCount_ - nextParent_ > parentsPerPiece_
                                     ? nextParent_ + parentsPerPiece_
                                     : parentCount_;
            const ParentList* parents = event != nullptr ? &event->GetParents() : nullptr;
            for (; nextParent_ < end; ++nextParent_) {
                for (unsigned d = 0; d < schedule.GetDayCount(); ++d) {
                    if (begun_[d]) {
                        dayTallies_[d].ScoreParentAt(nextParent_);
                    }
                }
                const Parent* parent =
                    parents != nullptr && nextParent_ < parents->Count() ? parents->At(nextParent_)
                                                                         : nullptr;
                for (unsigned p = 0; parent != nullptr && p < parent->GetPupilCount(); ++p) {
                    const Pupil* pupil = parent->GetPupil(p);
                    for (unsigned r = 0; pupil != nullptr && r < pupil->GetRequestCount(); ++r) {
                        const AppointmentRequest* request = pupil->GetRequest(r);
                        if (!booked_.Contains(request)) {
                            ++score_.Unbooked;
                        }
                    }
                }
            }
            if (nextParent_ < parentCount_) {
                return false;
            }
            for (unsigned d = 0; d < schedule.GetDayCount(); ++d) {
                if (begun_[d]) {
                    score_ += dayTallies_[d].GetScore();
                }
            }
            stage_ = Done;
            return true;
        }
        case Done:
            break;
    }
    return true;
}
