#pragma once

#include <memory>
#include <string>
#include <vector>

#include "foundation/date.h"
#include "foundation/time_of_day.h"
#include "foundation/uc_collectable.h"
#include "foundation/uc_unique_ordered.h"

// A talk held on one day of the event at a fixed time; whoever attends it is busy meanwhile.
class Presentation : public UCCollectable {
public:
    Presentation() = default;
    explicit Presentation(const std::string& name) : name_(name) {}
    // Times that do not parse stay at midnight; nothing is checked here.
    Presentation(const std::string& name, const std::string& location, const Date& date,
                 const char* startText, const char* endText);

    const char* GetClassName() const override { return "Presentation"; }

    const std::string& GetName() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    const std::string& GetLocation() const { return location_; }
    void SetLocation(const std::string& location) { location_ = location; }
    const Date& GetDate() const { return date_; }
    void SetDate(const Date& date) { date_ = date; }

    // Refuses (with an Error) an end that is not after the start, keeping the old times.
    bool SetTimes(const TimeOfDay& start, const TimeOfDay& end);
    void GetTimes(TimeOfDay* start, TimeOfDay* end) const;
    const TimeOfDay& GetStartTime() const { return start_; }
    const TimeOfDay& GetEndTime() const { return end_; }

    // A presentation without a valid date counts as valid: its times are not yet meaningful.
    bool IsValid() const;
    // Same date and start <= time < end.
    bool Covers(const Date& date, const TimeOfDay& time) const;
    // Takes any of [from, to) on date: a slot the talk fills only in part is not free either.
    bool Overlaps(const Date& date, const TimeOfDay& from, const TimeOfDay& to) const;
    // "Careers Talk (Hall), 7:00pm-7:30pm 05 Mar 2024": the line of the tree and the dialogs.
    std::string GetDescription() const;

private:
    std::string name_;
    std::string location_;
    TimeOfDay start_;
    TimeOfDay end_;
    Date date_;
};

// Presentations kept unique by name (ignoring case). The event's list owns its presentations
// (it deletes them with DeleteAll); an attendee's list of attended ones only points at them.
class PresentationList : public UCUniqueOrdered {
public:
    explicit PresentationList(unsigned growBy = 5) : UCUniqueOrdered(growBy) {}

    // Null past the end.
    Presentation* GetPresentation(unsigned index) const;
    // Name ignoring ASCII case; null for an empty text.
    Presentation* Find(const std::string& name) const;
    // Refuses (with an Error) a null, invalid or same-named presentation; takes it only on true.
    [[nodiscard]] bool Add(Presentation* presentation);
    // Add for each in turn, in one pass over the list however many there are; stops at the
    // first refused one. Takes those it added (released from the vector).
    [[nodiscard]] bool AddAll(std::vector<std::unique_ptr<Presentation>>& presentations);
};
