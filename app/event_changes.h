#pragma once

#include <cstdint>

class Event;

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

// What changed in the held event since the views last looked.
struct EventChanges {
    // Another event was taken, or none is held any more.
    bool event = false;
    // Someone came or went, or moved to another parent or form.
    bool people = false;
    // Only what people or presentations are called.
    bool names = false;
};
