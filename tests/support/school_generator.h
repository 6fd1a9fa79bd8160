#pragma once

#include <memory>
#include <string>
#include <vector>

#include "foundation/date.h"
#include "foundation/time_of_day.h"
#include "model/attendance_record.h"

class AppointmentRequest;
class Event;
class Schedule;

// How big a synthetic school is, and how many of its people have the awkward habits that the
// timetable has to cope with.
struct SchoolSize {
    std::string name;
    int teachers = 10;
    int parents = 40;
    int pupils = 60;
    int requests = 200;
    int days = 1;
    int slotsPerDay = 48;
    int presentations = 1;

    static SchoolSize Small();   // 10 teachers, 40 families, 1 day
    static SchoolSize Medium();  // 40 teachers, 300 families, 2 days
    static SchoolSize Large();   // 150 teachers, 1,500 parents, 2,500 pupils, 10,000 requests
    // Ten times the large school, over the same days: what grows faster than the school shows
    // here long before a real school meets it.
    static SchoolSize Stress();
    // Every count of people and requests multiplied; days, slots and talks stay.
    SchoolSize ScaledBy(int factor) const;
};

// One day of a generated school: its date, hours and the break every teacher gets.
class GeneratedDay : public AttendanceDay {
public:
    GeneratedDay(const Date& date, const TimeOfDay& start, const TimeOfDay& end)
        : date_(date), start_(start), end_(end) {}

    Date GetDate() const override { return date_; }
    TimeOfDay GetStartTime() const override { return start_; }
    TimeOfDay GetEndTime() const override { return end_; }

    TimeOfDay breakStart;
    int breakLength = 2;  // slots
    int breakSpread = 4;  // slots by which each teacher's break may be shifted

private:
    Date date_;
    TimeOfDay start_;
    TimeOfDay end_;
};

// A whole event built through the model's own operations, with the days it is meant to run on.
struct GeneratedSchool {
    std::shared_ptr<Event> event;
    std::vector<GeneratedDay> days;

    // One timetable per day with its date and hours, fixed-time requests booked and every
    // teacher's break added. The break shifts are drawn from rand(): seed it first.
    std::vector<std::unique_ptr<Schedule>> MakeSchedules() const;
    // Every request of every pupil of every parent, in list order.
    std::vector<AppointmentRequest*> AllRequests() const;
};

// The same size and seed always give the same school, whatever the state of rand().
GeneratedSchool GenerateSchool(const SchoolSize& size, unsigned seed);
