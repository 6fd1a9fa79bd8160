#pragma once

#include <cstdint>
#include <utility>
#include <vector>

class Event;
class Person;

// What the views of an event show of its people and presentations, in two numbers: who is there
// and where they stand (a pupil's parent and form), and what each is called. The same people
// under the same names give the same numbers, however they got there.
struct PeopleDigest {
    std::uint64_t members = 0;
    std::uint64_t names = 0;
    bool operator==(const PeopleDigest&) const = default;
};
// Empty for no event.
PeopleDigest DigestPeople(const Event* event);

class MultiDaySchedule;

// What the results e-mail and the handouts tell each person of their own timetable, one number
// a person: their appointments (day, start, end, teacher and pupil), the requests made of or for
// them, booked or not, the talks they attend and when, and a teacher's breaks on the event's
// days. Names, subjects, rooms and links are left out: they are how a timetable is told, and a
// teacher renamed changes no family's evening. A parent counts all their pupils' requests and
// appointments. Ordered by person, whatever the order of the lists.
using TimetableDigests = std::vector<std::pair<Person*, std::uint64_t>>;
// Empty for no schedule or no event.
TimetableDigests DigestTimetables(const MultiDaySchedule* schedule);
// A results mark that a changed timetable cleared: the timetable the person was sent, and
// their mark's stamp as the clearing left it.
struct ClearedResultsMark {
    Person* person = nullptr;
    std::uint64_t sent = 0;
    unsigned long long stamp = 0;
};
// Ordered by person, as the digests are.
using ClearedResultsMarks = std::vector<ClearedResultsMark>;
// From before to after: clears the results mark of each marked person in both whose timetable
// differs, and gives a mark so cleared back once the person holds again the very timetable they
// were sent, unless anything else set or cleared the mark meanwhile (or another person took the
// address). cleared keeps the marks still waiting for that. People in only one came or went:
// their marks stay, and what waited for one who went is dropped.
void SettleResultsMarks(const TimetableDigests& before, const TimetableDigests& after,
                        ClearedResultsMarks& cleared);

// What changed in the held event since the views last looked.
struct EventChanges {
    // Another event was taken, or none is held any more.
    bool event = false;
    // Someone came or went, or moved to another parent or form.
    bool people = false;
    // Only what people or presentations are called.
    bool names = false;
    bool operator==(const EventChanges&) const = default;
};

// What the controller tells those who follow its event.
struct EventMessage {
    enum class Kind {
        // Another schedule is held (or none): told at once, while the old one still exists.
        Replaced,
        // A change ended: told once the outermost change scope closes.
        Settled,
    };
    Kind kind;
    // Replaced: the schedule now held, null when none.
    MultiDaySchedule* schedule = nullptr;
    // Settled: what changed since the last settled message.
    EventChanges changes;
};
