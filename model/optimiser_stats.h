#pragma once

#include <cstdint>
#include <string>

// Counts how each call of the teacher improvement ended, so a run can show which moves pay off.
// A day holds a pointer to one of these (not owned); the counters move only while it is set.
class OptimiserStats {
public:
    OptimiserStats() = default;

    std::uint32_t FirstSlotNotFree = 0;
    std::uint32_t FirstApptIntoGap = 0;
    std::uint32_t NoGaps = 0;
    std::uint32_t LastApptIntoGap = 0;
    std::uint32_t BetterSwap = 0;
    std::uint32_t EqualSwap = 0;
    std::uint32_t FirstAfterLast = 0;
    std::uint32_t LastLater = 0;
    std::uint32_t NothingFound = 0;
    std::uint32_t BusyApptToEnd = 0;

    void Reset() { *this = OptimiserStats(); }
    // Ten "label: count" lines; the busy line stands fifth.
    std::string ToString() const;
};
