#include "model/attendance_record.h"

#include "foundation/uc_error.h"

TimeOfDay AttendanceRecord::GetStartTime(const AttendanceDay* day) const {
    return (arrivesLate_ || day == nullptr) ? start_ : day->GetStartTime();
}

TimeOfDay AttendanceRecord::GetEndTime(const AttendanceDay* day) const {
    return (leavesEarly_ || day == nullptr) ? end_ : day->GetEndTime();
}

bool AttendanceRecord::SetStartTime(const TimeOfDay& start) {
    if (!(start < end_)) {
        ReportMessage(SeverityError,
                      "Attempted to set a start time of " + start.Format(Time12h) +
                          " which is later than or equal to the existing end time of " +
                          end_.Format(Time12h));
        return false;
    }
    start_ = start;
    return true;
}

bool AttendanceRecord::SetEndTime(const TimeOfDay& end) {
    if (!(start_ < end)) {
        ReportMessage(SeverityError,
                      "Attempted to set an end time of " + end.Format(Time12h) +
                          " which is earlier than or equal to the existing start time of " +
                          start_.Format(Time12h));
        return false;
    }
    end_ = end;
    return true;
}

bool AttendanceRecord::SetTimes(const TimeOfDay& start, const TimeOfDay& end) {
    if (!(start < end)) {
        ReportMessage(SeverityError, "Attempted to set a start time of " + start.Format(Time12h) +
                                         " and an end time of " + end.Format(Time12h));
        return false;
    }
    start_ = start;
    end_ = end;
    return true;
}

bool AttendanceRecord::SetStartTimeText(const char* text) {
    TimeOfDay time;
    if (text == nullptr || !time.Parse(text)) {
        return false;
    }
    return SetStartTime(time);
}

bool AttendanceRecord::SetEndTimeText(const char* text) {
    TimeOfDay time;
    if (text == nullptr || !time.Parse(text)) {
        return false;
    }
    return SetEndTime(time);
}

void AttendanceRecord::SetAttendingText(const char* text) {
    attending_ = !(text != nullptr && (text[0] == 'N' || text[0] == 'n'));
}

bool AttendanceRecord::IsPresentBetween(const TimeOfDay& from, const TimeOfDay& to) const {
    if (arrivesLate_ && from < start_) {
        return false;
    }
    return !(leavesEarly_ && to > end_);
}

void AttendanceRecord::FitToDay(const TimeOfDay& dayStart, const TimeOfDay& dayEnd) {
    if (arrivesLate_ && (start_ < dayStart || start_ > dayEnd)) {
        arrivesLate_ = false;
    }
    if (!arrivesLate_) {
        start_ = dayStart;
    }
    if (leavesEarly_ && (end_ < dayStart || end_ > dayEnd)) {
        leavesEarly_ = false;
    }
    if (!leavesEarly_) {
        end_ = dayEnd;
    }
}
