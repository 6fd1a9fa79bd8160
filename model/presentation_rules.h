#pragma once

#include <string>

class Attendee;
class Event;
class MultiDaySchedule;
class Presentation;
class Schedule;
class TimeOfDay;

// What a presentation must be, and what attending one needs, whoever asks: the window's editors
// and the scripts hold new presentations and attendance to the same rules.

// The checks of a presentation's title and, for a new one, its times on its day, in order; the
// first fault's message, or empty when they pass.
std::string CheckPresentation(const Event& event, const Presentation* self, bool isNew,
                              const std::string& title, const TimeOfDay& start,
                              const TimeOfDay& end, const Schedule& day);

// Whether the attendee can be at the presentation: its day exists, its slots lie inside that
// day, and in none of them is the attendee away, at another presentation or in an appointment
// that must stay (a locked one, or any on a locked event). Changes nothing.
bool CanAttendPresentation(const MultiDaySchedule& days, const Attendee& attendee,
                           const Presentation& presentation);

// Whether the attendee has an appointment in the presentation's slots on its day.
bool HasAppointmentDuring(const MultiDaySchedule& days, const Attendee& attendee,
                          const Presentation& presentation);
