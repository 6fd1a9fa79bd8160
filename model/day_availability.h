#pragma once

#include <cstdint>
#include <vector>

#include "model/schedule.h"

class Parent;

// Each person's status in each slot of one day with the bookings left aside
// (Schedule::GetTeacherStatusAside, GetParentStatusAside), read from the person the first time a
// slot is asked about and looked up after: while a batch of requests is booked nobody's hours, breaks or
// talks change, and asking the people again for every slot of every request grew with them. The
// day and its people must stay as they are while this is used; its bookings may change.
class DayAvailability {
public:
    explicit DayAvailability(const Schedule& day);

    // For a slot of the day (0 to the slot count - 1).
    SlotStatus Teacher(int slot, int teacherRow);
    SlotStatus Parent(int slot, const ::Parent* parent);

private:
    static constexpr std::uint8_t kUnread = 0xff;

    // Where a parent's slots are kept.
    std::size_t ParentOffset(const ::Parent* parent);
    std::size_t Home(const ::Parent* parent) const;

    const Schedule& day_;
    std::size_t slots_;
    // Row by row, then parent by parent as first asked: a status a slot.
    std::vector<std::uint8_t> teachers_;
    std::vector<std::uint8_t> parents_;
    // Parents by address to their offsets, one open-addressed array.
    struct Entry {
        const ::Parent* parent = nullptr;
        std::size_t offset = 0;
    };
    std::vector<Entry> entries_;
    std::size_t entryCount_ = 0;
};
