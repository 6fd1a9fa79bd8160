#pragma once

#include <string>
#include <vector>

#include "foundation/date_time.h"
#include "foundation/time_of_day.h"
#include "gui/people/edit_mode.h"
#include "model/presentation_rules.h"

class Attendee;
class Event;
class MultiDaySchedule;
class Parent;
class ParentList;
class Presentation;
class Pupil;
class Schedule;
class Teacher;
class TeacherList;

// What the people editors do to the model, apart from their windows, so that every rule can
// be tested without a display. Each reports its own failure to the message sink.

// --- requests ---

// The C library's reading of a number: leading blanks and a sign, digits up to the first other
// character, 0 when there are none.
int ReadLeadingInt(const std::string& text);
// "Low", "Normal", "High" as 0, 1, 2; anything else (no choice) is `unchosen`.
int PriorityFromText(const std::string& text, int unchosen = 1);
// The most slots one appointment can have: those of the longest day.
int LongestDaySlots(const MultiDaySchedule& days);

// What the request dialog's OK accepts. maxLength 0 leaves the length unbounded.
struct RequestEntry {
    Teacher* teacher = nullptr;
    std::string subject;
    int priority = 1;
    int length = -1;
};
// The request dialog's fields as typed.
struct RequestFields {
    std::string teacher;
    std::string subject;
    bool useTeacherLength = true;
    std::string length;
    std::string priority;
    // Kept when no priority is chosen: an edited request's own, which none of the three shows.
    int unchosenPriority = 1;
};
// Checks the request dialog's fields in order; false, with the message reported, on the first
// fault. In edit mode the teacher text is not looked at.
bool ReadRequestEntry(const TeacherList& teachers, EditMode mode, const RequestFields& fields,
                      int maxLength, RequestEntry* out);

// "Mr A (Maths) at 6:10pm on 07 Mar 2024 (2 slots)" or "Mr A (not booked yet)".
std::string RequestLine(const MultiDaySchedule& days, const Pupil& pupil, unsigned index);
std::string TaughtByLine(const Pupil& pupil, unsigned index);

// Refuses a teacher and subject the pupil already asks for.
bool AddPupilRequest(Pupil& pupil, const RequestEntry& entry);
// A changed length unbooks the request first; when that is refused nothing changes.
bool ChangeRequest(MultiDaySchedule& days, Pupil& pupil, unsigned index, int priority, int length);
// The booking goes first; a refused unbooking keeps the request.
bool RemovePupilRequest(MultiDaySchedule& days, Pupil& pupil, unsigned index);

// The pupil's parent holds it and the parent is one of the event's.
bool PupilBelongsToEvent(const MultiDaySchedule& days, const Pupil& pupil);
// Booking by hand: refused (with a message) for a pupil not yet in the event and for a request
// that is still booked somewhere.
bool CanBookByHand(const MultiDaySchedule& days, const Pupil& pupil, unsigned index);
// The date-times at which the request does not fit, for the teacher or the parents (with no
// gaps asked of the parents), over every day.
std::vector<DateTime> UnfitTimes(const MultiDaySchedule& days, const Pupil& pupil, unsigned index);
// Books the request at that time; a refusal is reported.
bool BookRequestAt(MultiDaySchedule& days, const Pupil& pupil, unsigned index,
                   const DateTime& when);

// --- parents ---

// The message for a parent whose identifier or name another parent already uses as its key
// (the key the event itself refuses twice); empty when there is none.
std::string ParentKeyClash(const ParentList& parents, const Parent* self,
                           const std::string& identifier, const std::string& name);
// One line per booked slot of the parent on that day.
std::vector<std::string> BookedLines(const Schedule& day, const Parent& parent);
// The attendance boxes and times of one day, as the editors show them.
struct DayAttendance {
    bool attending = true;
    bool arrivesLate = false;
    TimeOfDay arrival;
    bool leavesEarly = false;
    TimeOfDay departure;
};
DayAttendance ReadDayAttendance(const Attendee& attendee, const Schedule& day);
// Writes the day's times by the model's one rule for what a day holds (times inside the day,
// arrival before departure); on a fault nothing is written.
bool WriteDayAttendance(Attendee& attendee, const Schedule& day, const DayAttendance& values);
bool ParentBelongsToEvent(const MultiDaySchedule& days, const Parent& parent);

// --- presentations ---

struct AttendanceCounts {
    int teachers = 0;
    int parents = 0;
};
AttendanceCounts CountAttendance(const Event& event, const Presentation* presentation);
// Makes the attendee's presentations exactly the chosen ones, checking all new ones before
// removing any booking; on a refusal reports it and changes nothing. Ones attended already are
// kept as they are, unchecked. The bookings a new one takes are named in one warning.
bool SetPresentationsAttended(MultiDaySchedule& days, Attendee& attendee,
                              const std::vector<Presentation*>& chosen);
// Everybody given at the presentation where they can be; the names of those who cannot. The
// bookings the places take are named in one warning.
std::vector<std::string> AttendAll(MultiDaySchedule& days, const std::vector<Attendee*>& people,
                                   Presentation* presentation);
