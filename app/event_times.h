#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/time_of_day.h"

class Event;
class Schedule;

// The conversions and checks behind the event settings, scoring and time-entry dialogs, kept
// apart from the windows so that a school's stored values survive an OK without edits.

// --- time lists ---
// The times a day offers for choosing, in order: the start of every whole slot and, for an
// end time, the day's end. A trailing part slot is not offered: nothing could be booked in it.
std::vector<TimeOfDay> DayTimeChoices(const Schedule& day, bool withEnd);

// --- slot length, in minutes as the user sees it ---
// Whole minutes bare, else to one decimal place: 300 s "5", 450 s "7.5", 246 s "4.1".
std::string FormatSlotLength(int seconds);
// The seconds the length box stands for. Text as FormatSlotLength showed storedSeconds keeps
// them exactly; edited minutes are rounded to the nearest second, and less than a second keeps
// storedSeconds. Refused with one message (false, *seconds untouched) when not above zero or
// above 60 minutes.
bool ReadSlotLength(const std::string& text, int storedSeconds, int* seconds);

// --- scoring limits: minutes in the dialog, whole slots in the event ---
constexpr int kMaxScoringMinutes = 1440;
// Truncated toward zero both ways; a slot length of 0 or less counts as 300 s.
int SlotsToMinutes(int slots, int slotSeconds);
int SecondsToSlots(std::int64_t seconds, int slotSeconds);
// Exactly: 3 slots of 7.5 minutes are 1350 s, which SlotsToMinutes shows as 22 minutes.
std::int64_t SlotsToSeconds(int slots, int slotSeconds);

// The scoring dialog's three boxes, in minutes.
struct ScoringLimitTexts {
    std::string teacherWait;
    std::string parentWait;
    std::string teacherBusy;
    bool operator==(const ScoringLimitTexts&) const = default;
};
// What the boxes show for the event ("15", "20", "120" with the defaults).
ScoringLimitTexts FormatScoringLimits(const Event& event);
// The OK of the scoring boxes: reads each as a leading whole number, refuses negatives and
// typed values of more than a day (teacher wait, parent wait, teacher busy in turn), then sets
// parent wait, teacher wait and teacher busy, stopping at the first refusal (a locked event).
// A box still showing its text keeps its stored slots. False, after one message, when anything
// was refused.
bool ApplyScoringLimits(Event& event, const ScoringLimitTexts& typed,
                        const ScoringLimitTexts& shown);
