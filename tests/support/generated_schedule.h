#pragma once

#include <memory>
#include <vector>

#include "support/school_generator.h"

class MultiDaySchedule;
class ParentList;
enum ParentGapMode : int;

// The generated school's days as one whole-event timetable, nothing booked but the fixed-time
// requests. The break shifts are drawn from rand(): seed it first.
std::unique_ptr<MultiDaySchedule> MakeTimetable(const GeneratedSchool& school);

// A school of the given size, generated and booked as the program books it (seeds rand() with
// the seed first, so the same size and seed give the same timetable).
std::unique_ptr<MultiDaySchedule> MakeBookedTimetable(const SchoolSize& size, unsigned seed);

// The small school over two days, for what only shows with more than one day.
SchoolSize TwoDaySmallSchool();

// Booking gives up the gaps of parents who cannot have them, for good. Runs that must start from
// the same parents keep their modes here and put them back before each run.
class SavedGapModes {
public:
    explicit SavedGapModes(const ParentList& parents);
    void Restore() const;

private:
    const ParentList& parents_;
    std::vector<ParentGapMode> modes_;
};
