#pragma once

#include <optional>
#include <string>
#include <vector>

class Event;
class MultiDaySchedule;
class Pupil;
class PupilList;
class Schedule;
class Teacher;
class TeacherList;

// What the appointment editors and the teacher editor do to the model, apart from their
// windows, so that the rules can be tested without a display.

// --- request boxes ---

// The box's label: the base and a suffix that shows the priority (" (Lo)", eight blanks for
// normal, " (Hi)"); a priority outside 0-2 shows the base alone.
std::string ApptBoxLabel(const std::string& base, int priority);
// Unticking moves the priority on: normal, high, low, normal. Other values stay.
int PriorityAfterUntick(int priority);
// "Mr A (Maths)", or the name alone for an empty subject.
std::string PairLabel(const std::string& name, const std::string& subject);

// One possible request: a teacher and one of its subjects.
struct RequestPair {
    Teacher* teacher = nullptr;
    std::string subject;
};
// The pairs a pupil's boxes stand for: every subject of every teacher, or only the pairs the
// pupil is taught when it has taught-by entries.
std::vector<RequestPair> PupilPairs(const TeacherList& teachers, const Pupil* pupil);

// What a box shows for an existing or missing request.
struct BoxView {
    bool checked = false;
    bool enabled = true;
    // The request's priority, whatever its value; none when the box keeps its own.
    std::optional<int> priority;
};
// On a locked event an existing request cannot be unticked; new ones can still be ticked.
BoxView ViewRequestBox(const Pupil& pupil, const Teacher* teacher, const std::string& subject,
                       bool locked);
// Makes the pupil's request for the pair follow the box: a ticked box adds the request (with
// the teacher's own length) or takes its priority; an unticked one unbooks and deletes it.
// A request whose bookings the model keeps (a locked event) is never deleted. True when the
// model changed.
bool ApplyRequestBox(MultiDaySchedule& days, Pupil& pupil, Teacher* teacher,
                     const std::string& subject, bool checked, int priority);

// --- walking through pupils and forms ---

// Every pupil of the event, its parent link set, sorted by form and then name.
void GatherSortedPupils(const Event& event, PupilList& pupils);
// The index of that very pupil; 0 when it is not in the list.
unsigned FindPupilIndex(const PupilList& pupils, const Pupil* pupil);
// One step forward (step 1) or back (-1), wrapping at the ends; 0 for an empty list.
unsigned StepIndex(unsigned index, unsigned count, int step);
// Steps until a pupil of another form; back where it started when every pupil shares a form.
unsigned StepToOtherForm(const PupilList& pupils, unsigned index, int step);

// --- the teacher editor ---

// The teacher editor's checks of name, initials and length, in order; the first fault's
// message, or empty. self is the teacher being edited (null for a new one); a length left as
// shown is the stored one and is not checked; maxLength 0 leaves the length unbounded.
std::string CheckTeacherFields(const TeacherList& teachers, const Teacher* self,
                               const std::string& name, const std::string& initials,
                               const std::string& lengthText, const std::string& shownLength,
                               int maxLength);
// One line per booked slot of the teacher on the day: "Jones about Amy (7B) (Maths) at 6:10pm".
std::vector<std::string> TeacherBookingLines(const Schedule& day, const TeacherList& teachers,
                                             const Teacher* teacher);
// The teacher's breaks on the day, with the date when the event has several days.
std::vector<std::string> TeacherBreakLines(const Teacher& teacher, const Schedule& day,
                                           bool severalDays);
