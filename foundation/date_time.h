#pragma once

#include <string>

#include "foundation/date.h"
#include "foundation/time_of_day.h"

// A date with a time of day, for time stamps. Local civil time; no time zones.
class DateTime {
public:
    DateTime() = default;
    DateTime(const Date& date, const TimeOfDay& time) : date_(date), time_(time) {}

    const Date& GetDate() const { return date_; }
    const TimeOfDay& GetTime() const { return time_; }
    void SetDate(const Date& date) { date_ = date; }
    void SetTime(const TimeOfDay& time) { time_ = time; }

    bool operator==(const DateTime& other) const {
        return date_ == other.date_ && time_ == other.time_;
    }
    bool operator!=(const DateTime& other) const { return !(*this == other); }
    bool operator<(const DateTime& other) const {
        return date_ < other.date_ || (date_ == other.date_ && time_ < other.time_);
    }
    bool operator>(const DateTime& other) const { return other < *this; }
    bool operator<=(const DateTime& other) const { return *this < other || *this == other; }
    bool operator>=(const DateTime& other) const { return *this > other || *this == other; }

    // "05 Mar 2024 14:30:00".
    std::string Format() const;
    // "2024-03-05 14:30:00", optionally with a fraction of a second after the seconds.
    bool Parse(const char* text);

private:
    Date date_;
    TimeOfDay time_;
};
