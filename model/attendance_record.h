#pragma once

#include "foundation/date.h"
#include "foundation/time_of_day.h"

// What attendance rules need to know of one event day: its date and opening hours. The day
// schedule is one; tests use a plain record.
class AttendanceDay {
public:
    virtual ~AttendanceDay() = default;
    virtual Date GetDate() const = 0;
    virtual TimeOfDay GetStartTime() const = 0;
    virtual TimeOfDay GetEndTime() const = 0;
};

// An attendee's times on one day: whether they come at all, and when they arrive if late and
// leave if early. The validated setters keep start before end.
class AttendanceRecord {
public:
    // The record's own start when arriving late or when no day is given, else the day's start.
    TimeOfDay GetStartTime(const AttendanceDay* day = nullptr) const;
    // Likewise for the end and leaving early.
    TimeOfDay GetEndTime(const AttendanceDay* day = nullptr) const;

    // Each refuses with an Error and changes nothing unless start stays before end.
    bool SetStartTime(const TimeOfDay& start);
    bool SetEndTime(const TimeOfDay& end);
    bool SetTimes(const TimeOfDay& start, const TimeOfDay& end);
    // False when the text is not a time; else as the setters above.
    bool SetStartTimeText(const char* text);
    bool SetEndTimeText(const char* text);

    bool ArrivesLate() const { return arrivesLate_; }
    bool LeavesEarly() const { return leavesEarly_; }
    bool IsAttending() const { return attending_; }
    void SetArrivesLate(bool late) { arrivesLate_ = late; }
    void SetLeavesEarly(bool early) { leavesEarly_ = early; }
    void SetAttending(bool attending) { attending_ = attending; }
    // Event-file value: anything but a text starting with 'N' or 'n' means attending.
    void SetAttendingText(const char* text);

    // False only when the record's own arrival or leaving time cuts into [from, to].
    bool IsPresentBetween(const TimeOfDay& from, const TimeOfDay& to) const;
    // After the day's hours change: late arrivals and early departures that now fall outside
    // the day are dropped, and the other times follow the day.
    void FitToDay(const TimeOfDay& dayStart, const TimeOfDay& dayEnd);

private:
    TimeOfDay start_;
    TimeOfDay end_;
    bool arrivesLate_ = false;
    bool leavesEarly_ = false;
    bool attending_ = true;
};
