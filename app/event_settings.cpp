#include "app/event_settings.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <tuple>
#include <vector>

#include "app/event_file_reader.h"
#include "app/event_times.h"
#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"

const std::array<const char*, 12>& MonthNames() {
    static const std::array<const char*, 12> names = {
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December"};
    return names;
}

const std::array<const char*, 4>& GapModeNames() {
    static const std::array<const char*, 4> names = {
        "Always leave gaps between parent appointments",
        "Try to leave gaps between parent appointments",
        "Don't insert gaps between parent appointments",
        "Insert gaps when parent changes location"};
    return names;
}

namespace {

void ShowDate(const Date& date, EventDayFields* fields) {
    fields->day = StringPrintf("%d", date.Day());
    fields->monthIndex = date.Month() - 1;
    fields->year = StringPrintf("%d", date.Year());
}

bool ParseTime(const std::string& text, const char* which, TimeOfDay* time) {
    if (time->Parse(text.c_str())) {
        return true;
    }
    ReportMessage(SeverityError,
                  std::string("The event ") + which + " time \"" + text +
                      "\" that you entered is not in a recognised format. Please enter it in "
                      "either 24 hour format (e.g. \"21:00\") or 12 hour format with an am/pm "
                      "marker directly after it (e.g. \"9:00pm\")");
    return false;
}

bool ConfirmMorning(const std::string& text, const char* which, const char* verb,
                    const TimeOfDay& time, const YesNoQuestion& ask) {
    if (time >= TimeOfDay(12, 0, 0)) {
        return true;
    }
    return ask(std::string("The event ") + which + " time \"" + text +
               "\" that you entered is before midday. This is unusual but you can proceed if "
               "you really want to. Are you absolutely sure you want to " +
               verb + " your event in the morning?");
}

struct DayValues {
    Date date;
    TimeOfDay start;
    TimeOfDay end;
};

// Hours left as shown keep the stored value, which may hold seconds the text does not.
void KeepShownHours(const Schedule* day, const EventDayFields& typed, const EventDayFields& shown,
                    DayValues* values) {
    if (day == nullptr) {
        return;
    }
    if (typed.start == shown.start) {
        values->start = day->GetStartTime();
    }
    if (typed.end == shown.end) {
        values->end = day->GetEndTime();
    }
}

// The dates are set first, for every day at once (MultiDaySchedule::SetDayDates), so what is
// kept by date moves with its own day, even onto another day's old date.
void ApplyDayHours(Schedule* day, const DayValues& values, bool slotsKept, bool* timingChanged) {
    if (day == nullptr) {
        return;
    }
    if (day->GetDate() != values.date || day->GetStartTime() != values.start ||
        day->GetEndTime() != values.end) {
        *timingChanged = true;
    }
    day->SetStartTime(values.start);
    if (slotsKept) {
        day->ExtendEndTime(values.end);
    } else {
        day->SetEndTime(values.end);
    }
}

// Whether the days keep every slot they have where it is: the same slot length, the same starts
// and no earlier end, and no day added. Only then do the bookings stay.
bool KeepsEverySlot(const MultiDaySchedule& schedule, const DayValues (&values)[2], int dayCount,
                    int slotSeconds, int storedSeconds) {
    if (slotSeconds != storedSeconds || schedule.GetDayCount() < static_cast<unsigned>(dayCount)) {
        return false;
    }
    for (int i = 0; i < dayCount; ++i) {
        const Schedule* day = schedule.GetDay(static_cast<unsigned>(i));
        if (day->GetStartTime() != values[i].start || values[i].end < day->GetEndTime()) {
            return false;
        }
    }
    return true;
}

void ClearEverySentMark(Event& event) {
    ParentList& parents = event.GetParents();
    for (EmailTextKind kind : {EmailInvitation, EmailReminder, EmailResults}) {
        parents.ClearEmailSent(kind);
        event.GetTeachers().ClearEmailSent(kind);
        for (unsigned p = 0; p < parents.Count(); ++p) {
            const Parent* parent = parents.Get(p);
            for (unsigned i = 0; parent != nullptr && i < parent->GetPupilCount(); ++i) {
                parent->GetPupil(i)->SetEmailSent(kind, false);
            }
        }
    }
}

// Whether every day the event keeps would have no more slots than its file can hold.
bool FitsEventFile(const MultiDaySchedule& schedule, const DayValues (&values)[2], bool twoDays,
                   int slotSeconds) {
    const auto fits = [slotSeconds](const TimeOfDay& start, const TimeOfDay& end) {
        return slotSeconds > 0 &&
               (end.Seconds() - start.Seconds()) / slotSeconds <= EventFileReader::kMaxSlotsPerDay;
    };
    if (!fits(values[0].start, values[0].end)) {
        return false;
    }
    if (!twoDays) {
        return true;
    }
    if (!fits(values[1].start, values[1].end)) {
        return false;
    }
    for (unsigned i = 2; i < schedule.GetDayCount(); ++i) {
        const Schedule* day = schedule.GetDay(i);
        if (day != nullptr && !fits(day->GetStartTime(), day->GetEndTime())) {
            return false;
        }
    }
    return true;
}

void SetWordIfChanged(const std::string& typed, const std::string& stored,
                      void (Event::*setter)(const std::string&), Event& event) {
    const std::string word = ToLower(typed.c_str());
    if (word != stored) {
        (event.*setter)(word);
    }
}

// The slot length and every day's date and hours: what the timetable is laid out on.
struct Timing {
    int slotSeconds = 0;
    std::vector<std::tuple<Date, TimeOfDay, TimeOfDay>> days;
    bool operator==(const Timing&) const = default;
};

Timing TimingOf(const MultiDaySchedule& schedule) {
    Timing timing;
    timing.slotSeconds = schedule.GetEvent() ? schedule.GetEvent()->GetSlotLength() : 0;
    for (unsigned i = 0; i < schedule.GetDayCount(); ++i) {
        const Schedule* day = schedule.GetDay(i);
        timing.days.emplace_back(day->GetDate(), day->GetStartTime(), day->GetEndTime());
    }
    return timing;
}

// The scoring limits are set in minutes and kept in whole slots: a new slot length keeps their
// minutes, or the whole slots within them, saying so when it cannot keep them exactly.
void KeepScoringMinutes(Event& event, int oldSlotSeconds) {
    struct Limit {
        std::int32_t ScheduleOptions::*slots;
        const char* what;
    };
    static const Limit kLimits[] = {{&ScheduleOptions::TeacherGapLength, "teacher wait"},
                                    {&ScheduleOptions::ParentGapLength, "parent wait"},
                                    {&ScheduleOptions::TeacherBlockLength, "teacher busy"}};
    const int newSlotSeconds = event.GetSlotLength();
    ScheduleOptions options = event.GetOptions();
    std::int64_t seconds[std::size(kLimits)];
    for (size_t i = 0; i < std::size(kLimits); ++i) {
        const Limit& limit = kLimits[i];
        std::int32_t& slots = options.*limit.slots;
        // The time last given, to the second, not the slots it was rounded to nor the whole
        // minutes shown (3 slots of 7.5 minutes are 22.5), so that a length tried and put back
        // gives the limit back.
        seconds[i] = event.RememberedLimitSeconds(limit.slots, oldSlotSeconds)
                         .value_or(SlotsToSeconds(slots, oldSlotSeconds));
        slots = SecondsToSlots(seconds[i], newSlotSeconds);
        const int given = static_cast<int>(std::min<std::int64_t>(seconds[i] / 60, INT32_MAX));
        const int kept = SlotsToMinutes(slots, newSlotSeconds);
        if (kept != given) {
            ReportMessage(SeverityWarning,
                          StringPrintf("The %s length of %d minutes is not a whole number of the "
                                       "new slots: it is now %d minutes",
                                       limit.what, given, kept));
        }
    }
    if (options != event.GetOptions()) {
        event.SetOptions(options);
    }
    for (size_t i = 0; i < std::size(kLimits); ++i) {
        event.RememberLimitSeconds(kLimits[i].slots, seconds[i]);
    }
}

}  // namespace

EventSettingsFields ShowEventSettings(const MultiDaySchedule& schedule) {
    EventSettingsFields fields;
    const Event* event = schedule.GetEvent().get();
    if (event) {
        fields.name = event->GetName();
        fields.slotLength = FormatSlotLength(event->GetSlotLength());
        fields.teacherWord = event->GetTeacherDesc(true);
        fields.parentWord = event->GetParentDesc(true);
        fields.pupilWord = event->GetPupilDesc(true);
        fields.gapMode = event->GetParentGapMode();
    }
    fields.twoDays = schedule.GetDayCount() >= 2;
    for (unsigned i = 0; i < 2; ++i) {
        if (const Schedule* day = schedule.GetDay(i)) {
            ShowDate(day->GetDate(), &fields.days[i]);
            fields.days[i].start = day->GetStartTime().Format(Time12h);
            fields.days[i].end = day->GetEndTime().Format(Time12h);
        } else if (i == 1 && schedule.GetDay(0)) {
            Date next = schedule.GetDay(0)->GetDate();
            next.NextDay();
            ShowDate(next, &fields.days[1]);
        }
    }
    return fields;
}

Date ReadDayDate(const EventDayFields& day) {
    return Date(std::atoi(day.day.c_str()), day.monthIndex + 1, std::atoi(day.year.c_str()));
}

bool CheckDayTimes(const EventDayFields& day, const YesNoQuestion& ask, TimeOfDay* start,
                   TimeOfDay* end) {
    TimeOfDay parsedStart;
    TimeOfDay parsedEnd;
    if (!ParseTime(day.start, "start", &parsedStart) || !ParseTime(day.end, "end", &parsedEnd) ||
        !ConfirmMorning(day.start, "start", "start", parsedStart, ask) ||
        !ConfirmMorning(day.end, "end", "end", parsedEnd, ask)) {
        return false;
    }
    if (!(parsedStart < parsedEnd)) {
        ReportMessage(SeverityError, "You must enter an end time that is after the start time");
        return false;
    }
    *start = parsedStart;
    *end = parsedEnd;
    return true;
}

bool ApplyEventSettings(MultiDaySchedule& schedule, const EventSettingsFields& typed,
                        const EventSettingsFields& shown, const YesNoQuestion& ask,
                        TimingChange* timing, bool keepScoringMinutes) {
    if (typed.name.empty()) {
        ReportMessage(SeverityError, "Please enter a name for this event");
        return false;
    }
    const int dayCount = typed.twoDays ? 2 : 1;
    DayValues values[2];
    for (int i = 0; i < dayCount; ++i) {
        if (!CheckDayTimes(typed.days[i], ask, &values[i].start, &values[i].end)) {
            return false;
        }
    }
    const std::shared_ptr<Event>& event = schedule.GetEvent();
    const int storedSeconds = event ? event->GetSlotLength() : 0;
    int slotSeconds = 0;
    if (!ReadSlotLength(typed.slotLength, storedSeconds, &slotSeconds)) {
        return false;
    }
    values[0].date = ReadDayDate(typed.days[0]);
    if (!values[0].date.IsValid()) {
        ReportMessage(SeverityError, "You must enter a valid event date");
        return false;
    }
    if (typed.twoDays) {
        values[1].date = ReadDayDate(typed.days[1]);
        if (!values[1].date.IsValid()) {
            ReportMessage(SeverityError, "You must enter a valid event date for the second day");
            return false;
        }
        // The days are kept in date order; the booking and the printouts rely on it.
        if (values[1].date <= values[0].date) {
            ReportMessage(SeverityError, "The second day of the event must come after the first");
            return false;
        }
        const Schedule* third = schedule.GetDay(2);
        if (third && values[1].date >= third->GetDate()) {
            ReportMessage(SeverityError, "The second day of the event must come before the third");
            return false;
        }
    }
    if (!event || schedule.GetDayCount() == 0) {
        return false;
    }
    KeepShownHours(schedule.GetDay(0), typed.days[0], shown.days[0], &values[0]);
    if (typed.twoDays) {
        KeepShownHours(schedule.GetDay(1), typed.days[1], shown.days[1], &values[1]);
    }
    if (!FitsEventFile(schedule, values, typed.twoDays, slotSeconds)) {
        ReportMessage(SeverityError,
                      StringPrintf("The appointment length is too short for the event's hours: a "
                                   "day would have more than %d appointment slots, more than an "
                                   "event file can hold",
                                   EventFileReader::kMaxSlotsPerDay));
        return false;
    }

    const Timing before = TimingOf(schedule);
    const bool slotsKept = KeepsEverySlot(schedule, values, dayCount, slotSeconds, storedSeconds);
    bool changed = false;
    if (typed.name != event->GetName()) {
        event->SetName(typed.name);
    }
    SetWordIfChanged(typed.teacherWord, event->GetTeacherDesc(false), &Event::SetTeacherDesc,
                     *event);
    SetWordIfChanged(typed.parentWord, event->GetParentDesc(false), &Event::SetParentDesc, *event);
    SetWordIfChanged(typed.pupilWord, event->GetPupilDesc(false), &Event::SetPupilDesc, *event);
    // Parents may have modes of their own; only a new choice here overrides them all.
    if (typed.gapMode != shown.gapMode) {
        const auto mode = static_cast<ParentGapMode>(typed.gapMode);
        event->SetParentGapMode(mode);
        event->GetParents().SetGapMode(mode);
    }
    if (slotSeconds != storedSeconds) {
        changed = true;
        if (event->SetSlotLength(slotSeconds)) {
            if (keepScoringMinutes) {
                KeepScoringMinutes(*event, storedSeconds);
            }
            // The grids are as wide as the day has slots; the caller rebooks them.
            for (unsigned i = 0; i < schedule.GetDayCount(); ++i) {
                Schedule* day = schedule.GetDay(i);
                day->GetGrid().ResizeForDay(*day);
                day->SetModified();
            }
        }
    }
    if (!typed.twoDays) {
        // Before the dates, so the first day may take the date of a day that goes.
        while (schedule.GetDayCount() > 1 && schedule.DeleteLastDay()) {
        }
    }
    std::vector<Date> dates{values[0].date};
    if (typed.twoDays && schedule.GetDayCount() >= 2) {
        dates.push_back(values[1].date);
    }
    for (size_t i = 0; i < dates.size(); ++i) {
        if (schedule.GetDay(static_cast<unsigned>(i))->GetDate() != dates[i]) {
            changed = true;
        }
    }
    // A refusal (a locked event) has reported itself; the hours then meet the lock too.
    (void)schedule.SetDayDates(dates);
    ApplyDayHours(schedule.GetDay(0), values[0], slotsKept, &changed);
    if (typed.twoDays) {
        if (schedule.GetDayCount() == 1) {
            // A refusal has reported itself; the second day's values then go nowhere.
            if (schedule.AppendNextDay()) {
                if (schedule.GetDay(1)->GetDate() != values[1].date) {
                    changed = true;
                }
                // Unlocked: the day was just added.
                (void)schedule.SetDayDates({values[0].date, values[1].date});
            }
        }
        ApplyDayHours(schedule.GetDay(1), values[1], slotsKept, &changed);
    }
    // What the model refused (a locked event) changed nothing, so nothing is to be rebooked.
    if (changed && TimingOf(schedule) != before) {
        *timing = slotsKept ? TimingChange::SlotsKept : TimingChange::SlotsChanged;
        // Breaks were made on the old slots; their minutes stay breaks on the new ones.
        for (unsigned i = 0; i < schedule.GetDayCount() && !slotsKept; ++i) {
            schedule.GetDay(i)->RefitBreaks(storedSeconds);
        }
    }
    return true;
}

void RebookForNewTiming(MultiDaySchedule& schedule, TimingChange timing) {
    if (timing == TimingChange::None) {
        return;
    }
    if (timing == TimingChange::SlotsChanged) {
        ReportMessage(SeverityInformation,
                      "All appointments will be cleared and rebooked because one or more of the "
                      "timing parameters has changed. You must then optimise the new schedule.");
        // Someone the new hours make absent, or whose own times are cut, is at no talk they
        // are no longer there for, so no later OK gives it up.
        const MultiDaySchedule::TalkPlaces places = schedule.GetTalkPlaces();
        schedule.EnforceTimeBoundaries();
        for (unsigned d = 0; d < schedule.GetDayCount(); ++d) {
            schedule.GetDay(d)->GiveUpPresentationsOutsideHours();
        }
        schedule.ReportPlacesGivenUp(places);
        if (!schedule.BookAll(BookRandom)) {
            ReportMessage(SeverityError,
                          "Could not create the new schedule! This probably means that the new "
                          "timing parameters have resulted in insufficient time for all the "
                          "appointments to be booked in. The partially booked schedule will be "
                          "shown.");
        }
    }
    // Teachers and pupils too: a timetable sent before would otherwise be passed over as sent by
    // the next e-mail or printout, with the new one never going out.
    if (const std::shared_ptr<Event>& event = schedule.GetEvent()) {
        ClearEverySentMark(*event);
    }
}
