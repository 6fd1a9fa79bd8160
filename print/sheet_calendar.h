#pragma once

#include <string>

class Person;
class Schedule;

// The calendar entry a sheet's QR code carries, as iCalendar event text: the person's own
// appointment times (type 0) or the day's opening hours (type 1). Empty for any other type,
// so that no code is printed that a phone cannot use.
std::string SheetCalendarText(const Schedule& day, const Person* person, int icalendarType);
