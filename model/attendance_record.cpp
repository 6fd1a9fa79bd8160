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

AttendancePlan AttendanceRecord::GetPlan() const {
    return AttendancePlan{attending_, arrivesLate_, start_, leavesEarly_, end_};
}

bool AttendanceRecord::FitToDay(const TimeOfDay& dayStart, const TimeOfDay& dayEnd) {
    AttendancePlan plan = GetPlan();
    const bool fits = FitAttendancePlan(plan, dayStart, dayEnd);
    if (!fits) {
        plan.arrivesLate = false;
        plan.leavesEarly = false;
    }
    arrivesLate_ = plan.arrivesLate;
    leavesEarly_ = plan.leavesEarly;
    start_ = arrivesLate_ ? plan.arrival : dayStart;
    end_ = leavesEarly_ ? plan.departure : dayEnd;
    return fits;
}

namespace {

TimeOfDay PlanStart(const AttendancePlan& plan, const TimeOfDay& dayStart) {
    return plan.arrivesLate ? plan.arrival : dayStart;
}

TimeOfDay PlanEnd(const AttendancePlan& plan, const TimeOfDay& dayEnd) {
    return plan.leavesEarly ? plan.departure : dayEnd;
}

}  // namespace

std::string CheckAttendancePlan(const AttendancePlan& plan, const TimeOfDay& dayStart,
                                const TimeOfDay& dayEnd) {
    const TimeOfDay start = PlanStart(plan, dayStart);
    const TimeOfDay end = PlanEnd(plan, dayEnd);
    if (start < dayStart || end > dayEnd) {
        return "The arrival and departure times must lie within the day (" +
               dayStart.Format(Time12h) + " to " + dayEnd.Format(Time12h) + ")";
    }
    if (!(start < end)) {
        return "The arrival time must be before the departure time";
    }
    return std::string();
}

bool FitAttendancePlan(AttendancePlan& plan, const TimeOfDay& dayStart, const TimeOfDay& dayEnd) {
    // A time on the day's own edge stays the person's own: the same hours today, but a day
    // made longer later must not have them there when they are not.
    if (plan.arrivesLate && plan.arrival < dayStart) {
        plan.arrivesLate = false;
    }
    if (plan.leavesEarly && dayEnd < plan.departure) {
        plan.leavesEarly = false;
    }
    return PlanStart(plan, dayStart) < PlanEnd(plan, dayEnd);
}

std::string DescribePlanWithoutTime(const std::string& name, const Date& date,
                                    const AttendancePlan& plan, const TimeOfDay& dayStart,
                                    const TimeOfDay& dayEnd) {
    return "The times of '" + name + "' on " + date.FormatLong() + " (" +
           PlanStart(plan, dayStart).Format(Time12h) + " to " +
           PlanEnd(plan, dayEnd).Format(Time12h) + ") leave no time within the day's hours (" +
           dayStart.Format(Time12h) + " to " + dayEnd.Format(Time12h) + ")";
}
