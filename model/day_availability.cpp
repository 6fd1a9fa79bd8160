#include "model/day_availability.h"

#include <algorithm>
#include <cstdint>

DayAvailability::DayAvailability(const Schedule& day)
    : day_(day),
      slots_(static_cast<std::size_t>(std::max(day.GetNumSlots(), 0))),
      teachers_(slots_ * day.GetGrid().GetRowCount(), kUnread) {}

SlotStatus DayAvailability::Teacher(int slot, int teacherRow) {
    const std::size_t rowStart = static_cast<std::size_t>(teacherRow) * slots_;
    if (teacherRow < 0 || rowStart >= teachers_.size()) {
        return day_.GetTeacherStatusAside(slot, teacherRow);
    }
    std::uint8_t& status = teachers_[rowStart + static_cast<std::size_t>(slot)];
    if (status == kUnread) {
        status = static_cast<std::uint8_t>(day_.GetTeacherStatusAside(slot, teacherRow));
    }
    return static_cast<SlotStatus>(status);
}

SlotStatus DayAvailability::Parent(int slot, const ::Parent* parent) {
    std::uint8_t& status = parents_[ParentOffset(parent) + static_cast<std::size_t>(slot)];
    if (status == kUnread) {
        status = static_cast<std::uint8_t>(day_.GetParentStatusAside(slot, parent));
    }
    return static_cast<SlotStatus>(status);
}

std::size_t DayAvailability::ParentOffset(const ::Parent* parent) {
    if (2 * (entryCount_ + 1) > entries_.size()) {
        std::vector<Entry> old(entries_.empty() ? 64 : 2 * entries_.size());
        old.swap(entries_);
        for (const Entry& entry : old) {
            if (entry.parent != nullptr) {
                std::size_t i = Home(entry.parent);
                while (entries_[i].parent != nullptr) {
                    i = (i + 1) & (entries_.size() - 1);
                }
                entries_[i] = entry;
            }
        }
    }
    std::size_t i = Home(parent);
    while (entries_[i].parent != nullptr) {
        if (entries_[i].parent == parent) {
            return entries_[i].offset;
        }
        i = (i + 1) & (entries_.size() - 1);
    }
    const std::size_t offset = parents_.size();
    parents_.resize(offset + slots_, kUnread);
    entries_[i] = {parent, offset};
    ++entryCount_;
    return offset;
}

std::size_t DayAvailability::Home(const ::Parent* parent) const {
    auto value = reinterpret_cast<std::uintptr_t>(parent);
    value ^= value >> 17;
    value *= 0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(value >> 20) & (entries_.size() - 1);
}
