#pragma once

#include <string>

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

// One attendee's day as an editor, an import or a file gives it.
struct AttendancePlan {
    bool attending = true;
    bool arrivesLate = false;
    TimeOfDay arrival;
    bool leavesEarly = false;
    TimeOfDay departure;
};

// The one rule for the times a day can hold, whichever road they come by: a late arrival and an
// early departure lie within the day's hours, and the arrival comes before the departure.
// Empty when the day holds the plan; else the sentence that says why not.
std::string CheckAttendancePlan(const AttendancePlan& plan, const TimeOfDay& dayStart,
                                const TimeOfDay& dayEnd);

// Imports and files may give times beyond the day: there, a late arrival before the day's start
// is no late arrival, and an early departure after its end no early departure; a time on the
// day's edge is kept as the person's own.
// False when what is left holds no time at all (arriving at 3pm and leaving at 4pm on an
// evening from 4pm): nobody can be seen then, and the caller refuses or marks the day absent.
bool FitAttendancePlan(AttendancePlan& plan, const TimeOfDay& dayStart, const TimeOfDay& dayEnd);

// "The times of 'Name' on 05 Mar 2024 (3:00pm to 4:00pm) leave no time within the day's hours
// (4:00pm to 7:30pm)", the times being the plan's.
std::string DescribePlanWithoutTime(const std::string& name, const Date& date,
                                    const AttendancePlan& plan, const TimeOfDay& dayStart,
                                    const TimeOfDay& dayEnd);

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
    // After the day's hours change, fitted as a file's times are (FitAttendancePlan): the other
    // times follow the day. False, with the times dropped, when what is left holds no time; the
    // caller then marks the day absent.
    [[nodiscard]] bool FitToDay(const TimeOfDay& dayStart, const TimeOfDay& dayEnd);
    // The record as a plan, for fitting and describing it.
    AttendancePlan GetPlan() const;

private:
    TimeOfDay start_;
    TimeOfDay end_;
    bool arrivesLate_ = false;
    bool leavesEarly_ = false;
    bool attending_ = true;
};
