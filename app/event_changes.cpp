#include "app/event_changes.h"

#include <algorithm>
#include <functional>
#include <string>
#include <utility>

#include "model/appointment.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

// FNV-1a: cheap, and plenty for telling one state of a school from the next.
class Hash {
public:
    void Add(const void* address) {
        const auto value = reinterpret_cast<std::uintptr_t>(address);
        for (unsigned byte = 0; byte < sizeof value; ++byte) {
            Mix(static_cast<unsigned char>(value >> (8 * byte)));
        }
    }
    void Add(const std::string& text) {
        for (const char c : text) {
            Mix(static_cast<unsigned char>(c));
        }
        Mix(0);  // so that "ab","c" and "a","bc" differ
    }
    // Between groups, so that moving someone from one group to the next shows.
    void EndGroup() { Add(static_cast<const void*>(nullptr)); }
    std::uint64_t Value() const { return value_; }

private:
    void Mix(unsigned char byte) {
        value_ ^= byte;
        value_ *= 0x100000001b3ULL;
    }

    std::uint64_t value_ = 0xcbf29ce484222325ULL;
};

// The finaliser of splitmix64: the items of a timetable are summed, and a sum of well-spread
// numbers does not let two small changes cancel out.
std::uint64_t Spread(std::uint64_t value) {
    value ^= value >> 30;
    value *= 0xbf58476d1ce4e5b9ULL;
    value ^= value >> 27;
    value *= 0x94d049bb133111ebULL;
    return value ^ (value >> 31);
}

// One thing a timetable tells, as a number: a word at a time, for the hundreds of thousands of
// bookings of a large school at every settled change.
class Item {
public:
    enum Kind : std::uint64_t { Booking = 1, Request, Talk, Break };
    explicit Item(Kind kind) : value_(kind) {}
    Item& Add(std::uint64_t word) {
        value_ = Spread(value_ ^ word);
        return *this;
    }
    Item& Add(const void* address) { return Add(reinterpret_cast<std::uintptr_t>(address)); }
    Item& Add(int number) { return Add(static_cast<std::uint64_t>(static_cast<unsigned>(number))); }
    Item& Add(const Date& date) {
        return Add(date.Year() * 10000 + date.Month() * 100 + date.Day());
    }
    std::uint64_t Value() const { return Spread(value_ + 0x9e3779b97f4a7c15ULL); }

private:
    std::uint64_t value_;
};

// Each person's sum of the items of their timetable: a sum, so that the order the grid, the
// lists and the days give them in is no change.
class Timetables {
public:
    // Teachers first, in list order, so that a grid row finds its teacher without a search;
    // each family's place is kept by its place in the list, so that the walk of the families
    // finds them without one either.
    explicit Timetables(const Event& event) : teachers_(event.GetTeachers().Count()) {
        const TeacherList& teachers = event.GetTeachers();
        const ParentList& parents = event.GetParents();
        unsigned people = teachers.Count() + parents.Count();
        for (unsigned i = 0; i < parents.Count(); ++i) {
            people += parents.Get(i)->GetPupilCount();
        }
        digests_.reserve(people);
        listed_.reserve(people - teachers.Count());
        unsigned size = 16;
        while (size < 2 * people) {
            size *= 2;
        }
        slots_.assign(size, {nullptr, 0});
        for (unsigned i = 0; i < teachers.Count(); ++i) {
            Enter(teachers.Get(i));
        }
        for (unsigned i = 0; i < parents.Count(); ++i) {
            Parent* parent = parents.Get(i);
            listed_.push_back(Enter(parent));
            for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
                listed_.push_back(Enter(parent->GetPupil(k)));
            }
        }
    }
    void AddToRow(unsigned row, std::uint64_t item) {
        if (row < teachers_) {
            digests_[row].second += item;
        }
    }
    // The families' people in list order, each parent followed by its pupils, as entered: what
    // Add would find for them.
    static constexpr unsigned kNobody = ~0U;
    unsigned Listed(std::size_t position) const { return listed_[position]; }
    void AddAt(unsigned entered, std::uint64_t item) {
        if (entered != kNobody) {
            digests_[entered].second += item;
        }
    }
    std::uint64_t OfEntered(unsigned entered) const {
        return entered != kNobody ? digests_[entered].second : 0;
    }
    void Add(const Person* person, std::uint64_t item) {
        if (person == nullptr) {
            return;
        }
        for (std::size_t at = Home(person);; at = (at + 1) & (slots_.size() - 1)) {
            if (slots_[at].first == person) {
                digests_[slots_[at].second].second += item;
                return;
            }
            if (slots_[at].first == nullptr) {
                return;
            }
        }
    }
    TimetableDigests Take() {
        std::sort(digests_.begin(), digests_.end(), [](const auto& a, const auto& b) {
            return std::less<const Person*>()(a.first, b.first);
        });
        return std::move(digests_);
    }

private:
    std::size_t Home(const Person* person) const {
        return Spread(reinterpret_cast<std::uintptr_t>(person)) & (slots_.size() - 1);
    }
    // An open table of addresses: a node-based map costs more than the whole digest. Answers
    // where the person's digest is.
    unsigned Enter(Person* person) {
        if (person == nullptr) {
            return kNobody;
        }
        std::size_t at = Home(person);
        while (slots_[at].first != nullptr) {
            if (slots_[at].first == person) {
                return slots_[at].second;
            }
            at = (at + 1) & (slots_.size() - 1);
        }
        slots_[at] = {person, static_cast<unsigned>(digests_.size())};
        digests_.emplace_back(person, 0);
        return slots_[at].second;
    }

    unsigned teachers_;
    std::vector<std::pair<const Person*, unsigned>> slots_;
    TimetableDigests digests_;
    std::vector<unsigned> listed_;
};

std::uint64_t TalkItem(const Presentation* talk) {
    return Item(Item::Talk)
        .Add(talk)
        .Add(talk->GetDate())
        .Add(talk->GetStartTime().Seconds())
        .Add(talk->GetEndTime().Seconds())
        .Value();
}

void AddTalks(Timetables& timetables, const Attendee& attendee) {
    const PresentationList& talks = attendee.GetPresentations();
    for (unsigned i = 0; i < talks.Count(); ++i) {
        if (const Presentation* talk = talks.GetPresentation(i)) {
            timetables.Add(&attendee, TalkItem(talk));
        }
    }
}

void AddTalksAt(Timetables& timetables, const Attendee& attendee, unsigned entered) {
    const PresentationList& talks = attendee.GetPresentations();
    for (unsigned i = 0; i < talks.Count(); ++i) {
        if (const Presentation* talk = talks.GetPresentation(i)) {
            timetables.AddAt(entered, TalkItem(talk));
        }
    }
}

const Parent* FamilyOf(const AppointmentRequest& request) {
    if (request.GetParent() != nullptr) {
        return request.GetParent();
    }
    return request.GetPupil() != nullptr ? request.GetPupil()->GetParent() : nullptr;
}

// A family's talks, and every request, booked or not: the results tell of those that could not
// be booked too.
void AddFamilies(Timetables& timetables, const Event& event) {
    const ParentList& parents = event.GetParents();
    std::size_t position = 0;
    for (unsigned p = 0; p < parents.Count(); ++p) {
        const Parent* parent = parents.Get(p);
        const unsigned family = timetables.Listed(position++);
        AddTalksAt(timetables, *parent, family);
        for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
            const Pupil* pupil = parent->GetPupil(k);
            const unsigned child = timetables.Listed(position++);
            for (unsigned r = 0; pupil != nullptr && r < pupil->GetRequestCount(); ++r) {
                const AppointmentRequest* request = pupil->GetRequest(r);
                const std::uint64_t item =
                    Item(Item::Request).Add(request->GetTeacher()).Add(pupil).Value();
                timetables.Add(request->GetTeacher(), item);
                timetables.AddAt(child, item);
                // A request's family is the one that lists it, unless it names another.
                if (FamilyOf(*request) == parent) {
                    timetables.AddAt(family, item);
                } else {
                    timetables.Add(FamilyOf(*request), item);
                }
            }
        }
    }
}

void AddTeacherTalks(Timetables& timetables, const Event& event) {
    const TeacherList& teachers = event.GetTeachers();
    for (unsigned i = 0; i < teachers.Count(); ++i) {
        AddTalks(timetables, *teachers.Get(i));
    }
}

// A break is told at the slot it starts, on a day of the event; one on no day tells nothing.
void AddBreaks(Timetables& timetables, const Event& event, const Schedule& day) {
    const TeacherList& teachers = event.GetTeachers();
    for (unsigned i = 0; i < teachers.Count(); ++i) {
        for (const DateTime& when : teachers.Get(i)->GetBreaks()) {
            const int slot = day.GetSlotForTime(when.GetTime());
            if (when.GetDate() != day.GetDate() || slot < 0 || slot >= day.GetNumSlots() ||
                day.SlotToTime(slot) != when.GetTime()) {
                continue;
            }
            timetables.AddToRow(
                i, Item(Item::Break).Add(when.GetDate()).Add(when.GetTime().Seconds()).Value());
        }
    }
}

// Each booking once, at its first cell, with the times it is told by.
void AddBookings(Timetables& timetables, const Schedule& day) {
    const AppointmentGrid& grid = day.GetGrid();
    const unsigned slots = grid.GetSlotCount();
    for (unsigned row = 0; row < grid.GetRowCount(); ++row) {
        for (unsigned slot = 0; slot < slots; ++slot) {
            const Appointment* booking =
                grid.PeekBooking(static_cast<int>(slot), static_cast<int>(row));
            if (booking == nullptr || booking->GetFirstSlot() != static_cast<int>(slot) ||
                booking->GetRequest() == nullptr) {
                continue;
            }
            const AppointmentRequest& request = *booking->GetRequest();
            const int first = static_cast<int>(slot);
            const std::uint64_t item =
                Item(Item::Booking)
                    .Add(day.GetDate())
                    .Add(day.SlotToTime(first).Seconds())
                    .Add(day.SlotToTime(first + request.GetLength()).Seconds())
                    .Add(request.GetTeacher())
                    .Add(request.GetPupil())
                    .Value();
            timetables.AddToRow(row, item);
            timetables.Add(request.GetPupil(), item);
            timetables.Add(FamilyOf(request), item);
        }
    }
}

}  // namespace

TimetableDigests DigestTimetables(const MultiDaySchedule* schedule) {
    if (schedule == nullptr || !schedule->GetEvent()) {
        return {};
    }
    const Event& event = *schedule->GetEvent();
    Timetables timetables(event);
    AddTeacherTalks(timetables, event);
    AddFamilies(timetables, event);
    for (unsigned d = 0; d < schedule->GetDayCount(); ++d) {
        if (const Schedule* day = schedule->GetDay(d)) {
            AddBookings(timetables, *day);
            AddBreaks(timetables, event, *day);
        }
    }
    // A pupil's results, and the calendar sent with them, tell the whole family's evening.
    const ParentList& parents = event.GetParents();
    std::size_t position = 0;
    for (unsigned p = 0; p < parents.Count(); ++p) {
        const Parent* parent = parents.Get(p);
        const std::uint64_t family = timetables.OfEntered(timetables.Listed(position++));
        for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
            timetables.AddAt(timetables.Listed(position++), family);
        }
    }
    return timetables.Take();
}

void SettleResultsMarks(const TimetableDigests& before, const TimetableDigests& after,
                        ClearedResultsMarks& cleared) {
    ClearedResultsMarks waiting;
    const std::less<const Person*> earlier;
    auto old = before.begin();
    auto kept = cleared.begin();
    // One walk over three lists in person order: a command's settling stays linear in the school.
    for (const auto& [person, digest] : after) {
        while (old != before.end() && earlier(old->first, person)) {
            ++old;
        }
        while (kept != cleared.end() && earlier(kept->person, person)) {
            ++kept;
        }
        const bool changed = old != before.end() && old->first == person && old->second != digest;
        const bool waited = kept != cleared.end() && kept->person == person;
        // Only these are looked at: the others cost no visit to the person.
        if (!changed && !waited) {
            continue;
        }
        if (person->GetEmailSent(EmailResults)) {
            if (changed) {
                person->SetEmailSent(EmailResults, false);
                waiting.push_back({person, old->second, person->GetResultsMarkStamp()});
            }
        } else if (waited && kept->stamp == person->GetResultsMarkStamp()) {
            if (kept->sent == digest) {
                person->SetEmailSent(EmailResults, true);
            } else {
                waiting.push_back(*kept);
            }
        }
    }
    cleared = std::move(waiting);
}

PeopleDigest DigestPeople(const Event* event) {
    if (event == nullptr) {
        return {};
    }
    Hash members;
    Hash names;
    const TeacherList& teachers = event->GetTeachers();
    for (unsigned i = 0; i < teachers.Count(); ++i) {
        const Teacher* teacher = teachers.Get(i);
        members.Add(teacher);
        names.Add(teacher->GetDisplayName());
        names.Add(teacher->GetInitials());
    }
    members.EndGroup();
    const ParentList& parents = event->GetParents();
    for (unsigned i = 0; i < parents.Count(); ++i) {
        const Parent* parent = parents.Get(i);
        members.Add(parent);
        names.Add(parent->GetDisplayName());
        for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
            const Pupil* pupil = parent->GetPupil(k);
            members.Add(pupil);
            members.Add(pupil->GetForm());
            names.Add(pupil->GetDisplayName());
        }
        members.EndGroup();
    }
    const PresentationList& presentations = event->GetPresentations();
    for (unsigned i = 0; i < presentations.Count(); ++i) {
        const Presentation* presentation = presentations.GetPresentation(i);
        members.Add(presentation);
        names.Add(presentation->GetDescription());
    }
    return {members.Value(), names.Value()};
}
