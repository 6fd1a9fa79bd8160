#include "model/attendee.h"

#include <utility>

#include "foundation/uc_error.h"
#include "model/presentation.h"

Attendee::Attendee() : presentations_(std::make_unique<PresentationList>(5)) {}

Attendee::Attendee(const std::string& name)
    : Person(name), presentations_(std::make_unique<PresentationList>(5)) {}

Attendee::Attendee(const Attendee& other)
    : Person(other), presentations_(std::make_unique<PresentationList>(5)) {
    CopyAttendance(other);
}

Attendee& Attendee::operator=(const Attendee& other) {
    if (this != &other) {
        Person::operator=(other);
        CopyAttendance(other);
    }
    return *this;
}

// The presentations belong to the event; only the list goes.
Attendee::~Attendee() {
    presentations_->Clear();
}

// Records for dates the other attendee has are overwritten; any others stay.
void Attendee::CopyAttendance(const Attendee& other) {
    for (const auto& [date, record] : other.records_) {
        records_[date] = record;
    }
}

bool Attendee::AddPresentation(Presentation* presentation) {
    if (presentation == nullptr) {
        return false;
    }
    if (presentations_->Find(presentation->GetName()) != nullptr) {
        return true;
    }
    return presentations_->Add(presentation);
}

bool Attendee::AttendsPresentation(const Presentation* presentation) const {
    return presentation != nullptr && presentations_->IndexOf(presentation) >= 0;
}

void Attendee::RemovePresentation(Presentation* presentation) {
    presentations_->Remove(presentation);
}

bool Attendee::IsAtPresentation(const Date& date, const TimeOfDay& time) const {
    return GetPresentationAt(date, time) != nullptr;
}

bool Attendee::IsAtPresentationDuring(const Date& date, const TimeOfDay& from,
                                      const TimeOfDay& to) const {
    for (unsigned i = 0; i < presentations_->Count(); ++i) {
        const Presentation* presentation = presentations_->GetPresentation(i);
        if (presentation != nullptr && presentation->Overlaps(date, from, to)) {
            return true;
        }
    }
    return false;
}

Presentation* Attendee::GetPresentationAt(const Date& date, const TimeOfDay& time) const {
    for (unsigned i = 0; i < presentations_->Count(); ++i) {
        Presentation* presentation = presentations_->GetPresentation(i);
        if (presentation != nullptr && presentation->Covers(date, time)) {
            return presentation;
        }
    }
    return nullptr;
}

AttendanceRecord* Attendee::FindRecord(const Date& date) {
    auto found = records_.find(date);
    return found == records_.end() ? nullptr : &found->second;
}

const AttendanceRecord* Attendee::FindRecord(const Date& date) const {
    auto found = records_.find(date);
    return found == records_.end() ? nullptr : &found->second;
}

AttendanceRecord* Attendee::FindRecord(const AttendanceDay* day) {
    return day == nullptr ? nullptr : FindRecord(day->GetDate());
}

AttendanceRecord* Attendee::GetOrCreateRecord(const AttendanceDay* day) {
    return day == nullptr ? nullptr : GetOrCreateRecord(day->GetDate());
}

AttendanceRecord* Attendee::GetOrCreateRecord(const Date& date) {
    return &records_[date];
}

bool Attendee::ArrivesLate(const AttendanceDay* day) const {
    const AttendanceRecord* record = day ? FindRecord(day->GetDate()) : nullptr;
    return record != nullptr && record->ArrivesLate();
}

bool Attendee::LeavesEarly(const AttendanceDay* day) const {
    const AttendanceRecord* record = day ? FindRecord(day->GetDate()) : nullptr;
    return record != nullptr && record->LeavesEarly();
}

bool Attendee::IsAttending(const AttendanceDay* day) const {
    return day == nullptr || IsAttending(day->GetDate());
}

bool Attendee::IsAttending(const Date& date) const {
    const AttendanceRecord* record = FindRecord(date);
    return record == nullptr || record->IsAttending();
}

TimeOfDay Attendee::GetStartTime(const AttendanceDay* day) const {
    if (day == nullptr) {
        return TimeOfDay();
    }
    const AttendanceRecord* record = FindRecord(day->GetDate());
    return record ? record->GetStartTime(day) : day->GetStartTime();
}

TimeOfDay Attendee::GetEndTime(const AttendanceDay* day) const {
    if (day == nullptr) {
        return TimeOfDay();
    }
    const AttendanceRecord* record = FindRecord(day->GetDate());
    return record ? record->GetEndTime(day) : day->GetEndTime();
}

void Attendee::SetArrivesLate(const AttendanceDay* day, bool late) {
    if (AttendanceRecord* record = GetOrCreateRecord(day)) {
        record->SetArrivesLate(late);
    }
}

void Attendee::SetLeavesEarly(const AttendanceDay* day, bool early) {
    if (AttendanceRecord* record = GetOrCreateRecord(day)) {
        record->SetLeavesEarly(early);
    }
}

bool Attendee::SetStartTime(const AttendanceDay* day, const TimeOfDay& start) {
    AttendanceRecord* record = GetOrCreateRecord(day);
    return record != nullptr && record->SetStartTime(start);
}

bool Attendee::SetEndTime(const AttendanceDay* day, const TimeOfDay& end) {
    AttendanceRecord* record = GetOrCreateRecord(day);
    return record != nullptr && record->SetEndTime(end);
}

bool Attendee::SetTimes(const AttendanceDay* day, const TimeOfDay& start, const TimeOfDay& end) {
    AttendanceRecord* record = GetOrCreateRecord(day);
    return record != nullptr && record->SetTimes(start, end);
}

AttendanceRecord* Attendee::SetAttending(const AttendanceDay* day, bool attending) {
    AttendanceRecord* record = GetOrCreateRecord(day);
    if (record != nullptr) {
        record->SetAttending(attending);
    }
    return record;
}

bool Attendee::ResetAttendance(const AttendanceDay* day) {
    return day != nullptr && SetTimes(day, day->GetStartTime(), day->GetEndTime());
}

std::string Attendee::FitAttendanceToDay(const AttendanceDay* day, const TimeOfDay& dayStart,
                                         const TimeOfDay& dayEnd, std::string* dropped) {
    AttendanceRecord* record = GetOrCreateRecord(day);
    if (record == nullptr) {
        return std::string();
    }
    const AttendancePlan given = record->GetPlan();
    if (record->FitToDay(dayStart, dayEnd) || !given.attending) {
        // A time beyond the new hours is gone for good: hours given back later do not bring it.
        const AttendancePlan kept = record->GetPlan();
        std::string what;
        if (given.attending && given.arrivesLate && !kept.arrivesLate && given.arrival < dayStart) {
            what = "arriving at " + given.arrival.Format(Time12h);
        }
        if (given.attending && given.leavesEarly && !kept.leavesEarly && dayEnd < given.departure) {
            what += (what.empty() ? "" : " and ") + std::string("leaving at ") +
                    given.departure.Format(Time12h);
        }
        if (dropped != nullptr && !what.empty()) {
            *dropped = "'" + GetName() + "' on " + day->GetDate().FormatLong() + ", " + what;
        }
        return std::string();
    }
    // Dropping the times instead would make them free all evening, and they would be booked
    // when they are not there.
    record->SetAttending(false);
    return DescribePlanWithoutTime(GetName(), day->GetDate(), given, dayStart, dayEnd);
}

namespace {

bool IsNewDate(const DateMoves& moves, const Date& date) {
    for (const auto& [from, to] : moves) {
        if (to == date) {
            return true;
        }
    }
    return false;
}

}  // namespace

void Attendee::MoveRecords(const DateMoves& moves) {
    std::map<Date, AttendanceRecord> moved;
    for (auto& [date, record] : records_) {
        const auto found = moves.find(date);
        if (found != moves.end()) {
            moved[found->second] = record;
        } else if (!IsNewDate(moves, date)) {
            moved[date] = record;
        }
    }
    records_ = std::move(moved);
}

bool Attendee::SetDayAttendance(const AttendanceDay* day, const AttendancePlan& plan) {
    if (day == nullptr) {
        return false;
    }
    const TimeOfDay dayStart = day->GetStartTime();
    const TimeOfDay dayEnd = day->GetEndTime();
    const std::string problem = CheckAttendancePlan(plan, dayStart, dayEnd);
    if (!problem.empty()) {
        ReportMessage(SeverityError, problem);
        return false;
    }
    AttendanceRecord* record = GetOrCreateRecord(day);
    if (record == nullptr || !record->SetTimes(plan.arrivesLate ? plan.arrival : dayStart,
                                               plan.leavesEarly ? plan.departure : dayEnd)) {
        return false;
    }
    record->SetArrivesLate(plan.arrivesLate);
    record->SetLeavesEarly(plan.leavesEarly);
    record->SetAttending(plan.attending);
    return true;
}

void Attendee::FitDayAttendance(const AttendanceDay* day, AttendancePlan plan) {
    if (day == nullptr) {
        return;
    }
    const AttendancePlan given = plan;
    if (!FitAttendancePlan(plan, day->GetStartTime(), day->GetEndTime())) {
        if (plan.attending) {
            ReportMessage(SeverityWarning,
                          DescribePlanWithoutTime(GetName(), day->GetDate(), given,
                                                  day->GetStartTime(), day->GetEndTime()) +
                              ", so they are marked as not attending that day");
        }
        plan = AttendancePlan();
        plan.attending = false;
    }
    (void)SetDayAttendance(day, plan);  // a fitted plan always fits
}
