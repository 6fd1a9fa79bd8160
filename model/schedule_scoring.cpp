#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

#include "model/appointment_request.h"
#include "model/event.h"
#include "model/parent.h"
#include "model/schedule.h"
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

    bool IsPresentAt(int time) const { return attending && time >= start && time < end; }
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
        if (teacher_ == nullptr || !hours_.IsPresentAt(day_.SlotToTime(slot).Seconds())) {
            return SlotUnavailable;
        }
        DateTime when(day_.GetDate(), day_.SlotToTime(slot));
        const std::vector<DateTime>& breaks = teacher_->GetBreaks();
        while (nextBreak_ != breaks.end() && *nextBreak_ < when) {
            ++nextBreak_;
        }
        if (nextBreak_ != breaks.end() && *nextBreak_ == when) {
            return SlotBreak;
        }
        if (hours_.hasPresentations && teacher_->IsAtPresentation(when.GetDate(), when.GetTime())) {
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
            free = hours.IsPresentAt(time.Seconds()) &&
                   !(hours.hasPresentations && parent->IsAtPresentation(date, time));
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

// Reused between calls so that scoring a day does not allocate.
struct ScoringScratch {
    std::vector<const Parent*> rowParents;
    std::vector<std::uint64_t> bookedBits;
    std::vector<std::pair<const Parent*, int>> parentTable;
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
    Score score;
    const int slots = std::min(GetNumSlots(), static_cast<int>(grid_.GetSlotCount()));
    if (!event_ || teacherRow < 0 || teacherRow >= static_cast<int>(grid_.GetRowCount())) {
        return score;
    }
    int first = -1;
    int last = -1;
    for (int s = 0; s < slots; ++s) {
        if (grid_.PeekBooking(s, teacherRow) != nullptr) {
            if (first < 0) {
                first = s;
            }
            last = s;
        }
    }
    if (first < 0) {
        return score;
    }
    const ScheduleOptions& options = event_->GetOptions();
    int start = first;
    if (options.TeacherCountInitGap) {
        start = 0;
        score.Attendance += static_cast<std::uint32_t>(last);
    } else {
        score.Attendance += static_cast<std::uint32_t>(last - first);
    }

    // Parents of the row's cells seen so far: the sibling look-back without chasing pointers.
    std::vector<const Parent*>& rowParents = Scratch().rowParents;
    rowParents.assign(static_cast<std::size_t>(last) + 1, nullptr);

    TeacherWalk walk(*this, TeacherAt(teacherRow), start);
    int gap = 0;
    int block = 0;
    for (int s = start; s <= last; ++s) {
        const Appointment* booking = grid_.PeekBooking(s, teacherRow);
        SlotStatus status = booking ? SlotAppointment : walk.StatusOfFreeCell(s);
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
                const Parent* parent = ParentOf(booking);
                rowParents[s] = parent;
                if (options.BringTwinsTogether && parent != nullptr) {
                    for (int k = s - 1; k >= first; --k) {
                        if (rowParents[k] == parent) {
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
    Score score;
    if (!event_) {
        return score;
    }
    const TeacherList& teachers = event_->GetTeachers();
    for (unsigned row = 0; row < teachers.Count(); ++row) {
        score += ScoreTeacher(static_cast<int>(row));
    }

    const ParentList& parents = event_->GetParents();
    const int slots = std::min(GetNumSlots(), static_cast<int>(grid_.GetSlotCount()));
    if (slots <= 0 || parents.Count() == 0) {
        return score;
    }
    // One pass over the grid marks where every parent is booked; asking the index slot by slot
    // for every parent would cost a lookup per parent and slot.
    ScoringScratch& scratch = Scratch();
    std::size_t tableSize = 16;
    while (tableSize < 2 * static_cast<std::size_t>(parents.Count())) {
        tableSize *= 2;
    }
    const std::size_t mask = tableSize - 1;
    scratch.parentTable.assign(tableSize, {nullptr, -1});
    auto findEntry = [&](const Parent* parent) -> std::pair<const Parent*, int>& {
        std::size_t i = HashPointer(parent, mask);
        while (scratch.parentTable[i].first != nullptr && scratch.parentTable[i].first != parent) {
            i = (i + 1) & mask;
        }
        return scratch.parentTable[i];
    };
    for (unsigned i = 0; i < parents.Count(); ++i) {
        const Parent* parent = parents.At(i);
        if (parent != nullptr) {
            auto& entry = findEntry(parent);
            if (entry.first == nullptr) {
                entry = {parent, static_cast<int>(i)};
            }
        }
    }
    const std::size_t words = (static_cast<std::size_t>(slots) + 63) / 64;
    scratch.bookedBits.assign(words * parents.Count(), 0);
    for (unsigned row = 0; row < grid_.GetRowCount(); ++row) {
        for (int s = 0; s < slots; ++s) {
            const Parent* parent = ParentOf(grid_.PeekBooking(s, static_cast<int>(row)));
            if (parent == nullptr) {
                continue;
            }
            const auto& entry = findEntry(parent);
            if (entry.first == parent) {
                scratch.bookedBits[entry.second * words + s / 64] |= std::uint64_t{1} << (s % 64);
            }
        }
    }

    const ScheduleOptions& options = event_->GetOptions();
    for (unsigned i = 0; i < parents.Count(); ++i) {
        const Parent* parent = parents.At(i);
        if (parent == nullptr) {
            continue;
        }
        // A parent listed twice has its bits under its first entry.
        const std::uint64_t* bits = &scratch.bookedBits[findEntry(parent).second * words];
        auto isBooked = [bits](int slot) { return (bits[slot / 64] >> (slot % 64)) & 1; };
        int first = -1;
        int last = -1;
        for (std::size_t w = 0; w < words; ++w) {
            if (bits[w] != 0) {
                if (first < 0) {
                    first = static_cast<int>(w * 64) + std::countr_zero(bits[w]);
                }
                last = static_cast<int>(w * 64) + 63 - std::countl_zero(bits[w]);
            }
        }
        if (first >= 0) {
            score += WalkParent(*this, parent, options, first, last, isBooked);
        }
    }
    return score;
}
