#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "foundation/date_time.h"
#include "model/attendee.h"

// An attendee who receives appointments: initials (a second key to find them by), subjects,
// desk location, meeting link, the default length and priority of an appointment, and the
// breaks, each the date and start time of one slot in which the teacher sees nobody.
class Teacher : public Attendee {
public:
    Teacher() = default;
    explicit Teacher(const std::string& name) : Attendee(name) {}
    // Both copy the attendee part (person and attendance), initials, subjects, breaks, location,
    // appointment length, priority and meeting link; never the url, the presentations or the
    // requested-slot tally.
    Teacher(const Teacher& other);
    Teacher& operator=(const Teacher& other);
    ~Teacher() override = default;

    const char* GetClassName() const override { return "Teacher"; }
    PersonKind GetKind() const override { return PersonKind::Teacher; }

    const std::string& GetInitials() const { return initials_; }
    // Trimmed as names are: the file finds teachers by either.
    void SetInitials(const std::string& initials) {
        std::string trimmed = TrimmedName(initials);
        if (trimmed != initials_) {
            IndexedChanging(IndexedByTeacherName);
        }
        initials_ = std::move(trimmed);
    }
    const std::string& GetLocation() const { return location_; }
    void SetLocation(const std::string& location) { location_ = location; }
    const std::string& GetMeetingLink() const { return meetingLink_; }
    void SetMeetingLink(const std::string& link) { meetingLink_ = link; }

    // Length of an appointment with this teacher, in slots.
    int GetApptLength() const { return apptLength_; }
    void SetApptLength(int slots) { apptLength_ = slots; }
    // Priority given to a new request for this teacher.
    int GetPriority() const { return priority_; }
    void SetPriority(int priority) { priority_ = priority; }

    const std::set<std::string>& GetSubjects() const { return subjects_; }
    void AddSubject(const std::string& subject) { subjects_.insert(subject); }
    void ClearSubjects() { subjects_.clear(); }

    // Working value of the timetable overview, set before each paint; never copied or saved.
    int GetRequestedSlotTally() const { return requestedSlotTally_; }
    void SetRequestedSlotTally(int slots) { requestedSlotTally_ = slots; }

    // Breaks stay in ascending order without duplicates; adding one that exists changes nothing
    // but makes the whole of its slot a break again.
    bool AddBreak(const DateTime& when);
    bool HasBreak(const DateTime& when) const;
    // A break at any time of [from, to) on that date: what a slot's span meets.
    bool HasBreakDuring(const Date& date, const TimeOfDay& from, const TimeOfDay& to) const;
    unsigned GetBreakCount() const { return static_cast<unsigned>(breaks_.size()); }
    // A default DateTime (invalid date) past the end.
    DateTime GetBreak(unsigned index) const;
    const std::vector<DateTime>& GetBreaks() const { return breaks_; }
    void RemoveBreak(const DateTime& when);
    // Removes the n-th break (from 0) on that date; false when there is none such.
    bool RemoveBreakOnDate(const Date& date, int n);
    bool RemoveBreakAt(unsigned index);
    void ClearBreaks() {
        breaks_.clear();
        breakParts_.clear();
    }
    // As Attendee::MoveRecords, for the breaks.
    void MoveBreaks(const DateMoves& moves);
    // Every break on that date.
    void DropBreaksOn(const Date& date);
    // The runs of minutes [from, to) within a break's slot that were set aside, where a new slot
    // length or start left only parts of the slot so (two, where two breaks with free minutes
    // between them met one new slot); a break that is its whole slot has none. The break still
    // takes its whole slot: the parts are what a later new timing starts from, so a timing tried
    // and put back gives the breaks back. Kept while the event is open, never saved.
    using BreakPart = std::pair<TimeOfDay, TimeOfDay>;
    void SetBreakParts(const DateTime& when, std::vector<BreakPart> parts);
    // In order; empty for a break that is its whole slot, or for no break.
    std::vector<BreakPart> GetBreakParts(const DateTime& when) const;

private:
    void CopyTeacherFields(const Teacher& other);

    std::string meetingLink_;
    std::string initials_;
    int requestedSlotTally_ = 0;
    std::set<std::string> subjects_;
    std::vector<DateTime> breaks_;
    // Looked at only for a break that is there: one removed leaves its part behind harmlessly,
    // and coming back through AddBreak drops it.
    std::map<DateTime, std::vector<BreakPart>> breakParts_;
    std::string location_;
    int apptLength_ = 1;
    int priority_ = 1;
};
