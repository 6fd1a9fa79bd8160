#pragma once

#include <map>
#include <string>
#include <vector>

class MultiDaySchedule;
class Person;

// The walk's own account of an event, flat: one entry per thing a school sets, keyed by what
// it is ("day/2025-03-04/book/...") so that a promise can compare the parts it speaks of.
// People are named by name (a pupil by family and name), days by date.
using EventAccount = std::map<std::string, std::string>;

// What an entry of the account is about.
enum class Topic { Event, Person, Request, Hours, Talk, Attendance, Breaks, Booking, Mark };

EventAccount AccountEvent(const MultiDaySchedule& schedule);
Topic TopicOf(const std::string& key);
// The date an entry belongs to ("2025-03-04"), or "" for one kept for no day.
std::string DateOf(const std::string& key);
const char* TopicName(Topic topic);

// The keys whose entries differ, came or went.
std::vector<std::string> DifferingKeys(const EventAccount& before, const EventAccount& after);
// Up to a few lines that show the first differences of these keys, for a failure's message.
std::string DescribeDifferences(const EventAccount& before, const EventAccount& after,
                                const std::vector<std::string>& keys);

// How the walk names a person in its accounts and messages.
std::string PersonKey(const Person& person);
