#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

class Event;
class MultiDaySchedule;
class Person;
class Schedule;

// The tests' own account of each person's timetable, to tell two states of a school apart the
// way the results e-mail would: slot by slot through the grid's lookups (the program sums whole
// bookings), with what the person meets at each slot time, their talks, a teacher's breaks and
// every request made of or by them; a pupil's is also their family's, which their results tell.
// People stand for themselves by address, so that a new name is no new timetable.
using TimetableAccount = std::map<const Person*, std::string>;
TimetableAccount AccountTimetables(const MultiDaySchedule& schedule);
// The people in both accounts whose timetables differ.
std::set<const Person*> ChangedTimetablesIn(const TimetableAccount& before,
                                            const TimetableAccount& after);
// Every teacher, parent and pupil of the event.
std::vector<Person*> EveryPerson(const Event& event);

// Every mark of every kind set on everyone: a school that has sent out all it had to say.
void MarkEveryoneSent(const Event& event);
// Of everyone the account before knew, only those changed lost their results mark, and nobody
// any other mark.
void ExpectOnlyTheChangedUnmarked(const Event& event, const TimetableAccount& before,
                                  const std::set<const Person*>& changed);
// The day's first booking (slot, row), and the last slot where the row's teacher is free.
std::pair<int, int> FirstBooking(const Schedule& day);
int FreeSlot(const Schedule& day, int row);
