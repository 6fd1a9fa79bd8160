#include "support/generated_schedule.h"

#include <cstdlib>
#include <utility>

#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/person_list.h"
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

std::unique_ptr<MultiDaySchedule> MakeBookedTimetable(const SchoolSize& size, unsigned seed) {
    const GeneratedSchool school = GenerateSchool(size, seed);
    std::srand(seed);
    std::unique_ptr<MultiDaySchedule> timetable = MakeTimetable(school);
    (void)timetable->BookAll(0);  // an unlocked event: booking cannot be refused
    return timetable;
}

SchoolSize TwoDaySmallSchool() {
    SchoolSize size = SchoolSize::Small();
    size.name = "small, two days";
    size.days = 2;
    return size;
}

SavedGapModes::SavedGapModes(const ParentList& parents) : parents_(parents) {
    for (unsigned i = 0; i < parents.Count(); ++i) {
        modes_.push_back(parents.At(i)->GetGapMode());
    }
}

void SavedGapModes::Restore() const {
    for (unsigned i = 0; i < parents_.Count(); ++i) {
        parents_.At(i)->SetGapMode(modes_[i]);
    }
}
