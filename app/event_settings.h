#pragma once

#include <array>
#include <functional>
#include <string>

#include "foundation/date.h"
#include "foundation/time_of_day.h"

class MultiDaySchedule;

// The event settings dialog's fields as the user sees them, what they show for an event, and
// the OK that checks them in order and writes the event only when all pass.

// One day's date and hours; the month is the list's index (0 = January).
struct EventDayFields {
    std::string day;
    int monthIndex = 0;
    std::string year;
    std::string start;
    std::string end;
    bool operator==(const EventDayFields&) const = default;
};

struct EventSettingsFields {
    std::string name;
    bool twoDays = false;
    std::array<EventDayFields, 2> days;
    std::string slotLength;
    std::string teacherWord;
    std::string parentWord;
    std::string pupilWord;
    int gapMode = 1;
    bool operator==(const EventSettingsFields&) const = default;
};

// The twelve month names of the date lists, January first.
const std::array<const char*, 12>& MonthNames();
// The four entries of the gap list; the index is the parent gap mode.
const std::array<const char*, 4>& GapModeNames();

// What the fields show for the schedule: the first two days (a one-day event's second day is
// the day after, without hours), the slot length in minutes and the role words capitalised.
EventSettingsFields ShowEventSettings(const MultiDaySchedule& schedule);
// The date the fields spell; day and year read as leading numbers, nothing validated.
Date ReadDayDate(const EventDayFields& day);

// A yes/no question to the user; true for Yes.
using YesNoQuestion = std::function<bool(const std::string& question)>;

// Parses both hours, asks about a morning start or end, and insists on the end after the
// start; false after one message (or a No).
bool CheckDayTimes(const EventDayFields& day, const YesNoQuestion& ask, TimeOfDay* start,
                   TimeOfDay* end);

// What an OK did to the slot length and the days' dates and hours.
enum class TimingChange {
    None,
    // Only dates moved or days end later: every slot stays where it was, and every booking too.
    SlotsKept,
    // A new slot length, a day's new start or earlier end, or a day added: slots went or moved.
    SlotsChanged,
};

// The OK: checks the typed fields in order, stops at the first fault with its message and
// writes nothing; otherwise writes what differs from what was shown and returns true.
// *timing says how the slot length and the days' dates and hours changed, for the caller; a
// change the model refused (a locked event) has said so and is none. A new slot length keeps the
// breaks' and the scoring limits' minutes.
// A new event (keepScoringMinutes false) keeps its scoring limits in slots: nobody has set them
// in minutes yet.
bool ApplyEventSettings(MultiDaySchedule& schedule, const EventSettingsFields& typed,
                        const EventSettingsFields& shown, const YesNoQuestion& ask,
                        TimingChange* timing, bool keepScoringMinutes = true);

// What Edit Event Details does after an OK that changed the timing. Where slots went or moved:
// says that everything is rebooked, fits what is kept by time to the new hours and slots
// (attendance, breaks: MultiDaySchedule::EnforceTimeBoundaries) and books every request afresh
// (an Error when not all fit). Either way it clears every parent's, teacher's and pupil's e-mail
// sent marks, which told the old times.
void RebookForNewTiming(MultiDaySchedule& schedule, TimingChange timing);
