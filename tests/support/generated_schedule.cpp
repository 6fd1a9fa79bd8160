#include "support/generated_schedule.h"

#include <utility>

#include "model/multi_day_schedule.h"
#include "model/schedule.h"

std::unique_ptr<MultiDaySchedule> MakeTimetable(const GeneratedSchool& school) {
    auto days = school.MakeSchedules();
    auto timetable = std::make_unique<MultiDaySchedule>(school.event);
    *timetable->GetDay(0) = *days[0];
    for (size_t i = 1; i < days.size(); ++i) {
        timetable->AddDay(std::move(days[i]));
    }
    return timetable;
}

SchoolSize TwoDaySmallSchool() {
    SchoolSize size = SchoolSize::Small();
    size.name = "small, two days";
    size.days = 2;
    return size;
}
