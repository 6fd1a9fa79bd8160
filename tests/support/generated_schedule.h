#pragma once

#include <memory>

#include "support/school_generator.h"

class MultiDaySchedule;

// The generated school's days as one whole-event timetable, nothing booked but the fixed-time
// requests. The break shifts are drawn from rand(): seed it first.
std::unique_ptr<MultiDaySchedule> MakeTimetable(const GeneratedSchool& school);

// The small school over two days, for what only shows with more than one day.
SchoolSize TwoDaySmallSchool();
