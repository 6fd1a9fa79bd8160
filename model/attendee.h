#pragma once

#include <map>
#include <memory>
#include <string>

#include "foundation/date.h"
#include "foundation/time_of_day.h"
#include "model/attendance_record.h"
#include "model/person.h"

class Presentation;
class PresentationList;

// Days given new dates: each old date with its new one.
using DateMoves = std::map<Date, Date>;

// A person who is at the event in person (a teacher or a parent): a web link, the
// presentations they go to, and per event day whether and when they attend.
class Attendee : public Person {
public:
    Attendee();
    explicit Attendee(const std::string& name);
    // Copies the person and the attendance records; the url and the presentations are not
    // copied (presentations belong to one event).
    Attendee(const Attendee& other);
    Attendee& operator=(const Attendee& other);
    ~Attendee() override;

    const char* GetClassName() const override { return "Attendee"; }
    PersonKind GetKind() const override { return PersonKind::Attendee; }

    const std::string& GetUrl() const { return url_; }
    void SetUrl(const std::string& url) { url_ = url; }

    // The presentations attended; the list does not own them.
    PresentationList& GetPresentations() { return *presentations_; }
    const PresentationList& GetPresentations() const { return *presentations_; }
    // False for null; true without adding when one of the same name (ignoring case) is there.
    bool AddPresentation(Presentation* presentation);
    bool AttendsPresentation(const Presentation* presentation) const;
    // Drops it from the list without deleting it.
    void RemovePresentation(Presentation* presentation);
    bool IsAtPresentation(const Date& date, const TimeOfDay& time) const;
    // At an attended talk for any part of [from, to): a slot's whole span.
    bool IsAtPresentationDuring(const Date& date, const TimeOfDay& from, const TimeOfDay& to) const;
    // The attended presentation running at that date and time; null when there is none.
    Presentation* GetPresentationAt(const Date& date, const TimeOfDay& time) const;

    // Records by date, for the event file and copies.
    const std::map<Date, AttendanceRecord>& GetRecords() const { return records_; }
    AttendanceRecord* FindRecord(const Date& date);
    const AttendanceRecord* FindRecord(const Date& date) const;
    // Null for a null day.
    AttendanceRecord* FindRecord(const AttendanceDay* day);
    // Created with the defaults when missing; null for a null day.
    AttendanceRecord* GetOrCreateRecord(const AttendanceDay* day);
    AttendanceRecord* GetOrCreateRecord(const Date& date);

    // Queries never create a record. Without one the attendee comes for the day's whole hours.
    bool ArrivesLate(const AttendanceDay* day) const;
    bool LeavesEarly(const AttendanceDay* day) const;
    bool IsAttending(const AttendanceDay* day) const;
    bool IsAttending(const Date& date) const;
    TimeOfDay GetStartTime(const AttendanceDay* day) const;
    TimeOfDay GetEndTime(const AttendanceDay* day) const;

    // Setters find or create the day's record; for a null day they do nothing (and yield false
    // or null).
    void SetArrivesLate(const AttendanceDay* day, bool late);
    void SetLeavesEarly(const AttendanceDay* day, bool early);
    bool SetStartTime(const AttendanceDay* day, const TimeOfDay& start);
    bool SetEndTime(const AttendanceDay* day, const TimeOfDay& end);
    bool SetTimes(const AttendanceDay* day, const TimeOfDay& start, const TimeOfDay& end);
    AttendanceRecord* SetAttending(const AttendanceDay* day, bool attending);
    // The day's own hours.
    bool ResetAttendance(const AttendanceDay* day);
    // After the day's hours change, fitted as a file's times are (FitDayAttendance): times that
    // leave no time make the attendee absent that day. Answers the sentence that says so
    // (DescribePlanWithoutTime) for an attendee who came until now, else empty; reports nothing.
    // *dropped, when given, gets the own times a fit let go for someone who still comes ("'Ann'
    // on 05 Mar 2024, leaving at 8:30pm"), else stays empty.
    std::string FitAttendanceToDay(const AttendanceDay* day, const TimeOfDay& dayStart,
                                   const TimeOfDay& dayEnd, std::string* dropped = nullptr);

    // Each record of a moved day goes to the day's new date, all at once, so a day moved onto
    // another's old date takes only its own; a record left on a new date by a day that is gone
    // would come into force there, and goes.
    void MoveRecords(const DateMoves& moves);
    // The record of a date no day keeps any more.
    void DropRecord(const Date& date) { records_.erase(date); }

    // The day's attendance as an editor gives it: written when the day holds it
    // (CheckAttendancePlan), else refused with an Error and nothing changed.
    bool SetDayAttendance(const AttendanceDay* day, const AttendancePlan& plan);
    // The day's attendance as a file gives it, fitted to the day (FitAttendancePlan). Times
    // that leave no time make the attendee absent that day, with a Warning that says so.
    void FitDayAttendance(const AttendanceDay* day, AttendancePlan plan);

    // ResetAttendance for every day of a schedule of days (anything with GetDayCount() and
    // GetDay(unsigned) yielding a day pointer); stops at the first failure, leaving the later
    // days untouched. False for a null schedule.
    template <typename Days>
    bool ResetAttendanceAllDays(const Days* schedule) {
        if (schedule == nullptr) {
            return false;
        }
        for (unsigned i = 0; i < schedule->GetDayCount(); ++i) {
            if (!ResetAttendance(schedule->GetDay(i))) {
                return false;
            }
        }
        return true;
    }

private:
    void CopyAttendance(const Attendee& other);

    std::string url_;
    std::unique_ptr<PresentationList> presentations_;
    std::map<Date, AttendanceRecord> records_;
};
