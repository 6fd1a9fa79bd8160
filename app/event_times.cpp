#include "app/event_times.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>

#include <locale.h>
#include <stdlib.h>

#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/schedule.h"

namespace {

constexpr int kDefaultSlotSeconds = 300;

int UsableSlotSeconds(int slotSeconds) {
    return slotSeconds > 0 ? slotSeconds : kDefaultSlotSeconds;
}

// A leading number as atof reads it (decimal, hexadecimal, "inf", "nan"), but with '.'
// whatever the user's locale: the dialog's own text uses '.' too.
double LeadingNumber(const std::string& text) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    return cLocale != locale_t{} ? strtod_l(text.c_str(), nullptr, cLocale) : 0.0;
}

}  // namespace

std::vector<TimeOfDay> DayTimeChoices(const Schedule& day, bool withEnd) {
    std::vector<TimeOfDay> choices;
    const int slots = day.GetNumSlots();
    for (int slot = 0; slot < slots; ++slot) {
        choices.push_back(day.SlotToTime(slot));
    }
    if (withEnd && day.GetStartTime() < day.GetEndTime()) {
        choices.push_back(day.GetEndTime());
    }
    return choices;
}

std::string FormatSlotLength(int seconds) {
    if (seconds % 60 == 0) {
        return StringPrintf("%d", seconds / 60);
    }
    char text[32];
    const auto result =
        std::to_chars(text, text + sizeof text, seconds / 60.0, std::chars_format::fixed, 1);
    return std::string(text, result.ptr);
}

bool ReadSlotLength(const std::string& text, int storedSeconds, int* seconds) {
    // The box shows a rounded value; reading it back would move the slot by a second or so
    // and count as a change of timing, which rebooks the whole event.
    if (text == FormatSlotLength(storedSeconds) && storedSeconds > 0) {
        *seconds = storedSeconds;
        return true;
    }
    const double minutes = LeadingNumber(text);
    // "nan" is no length at all, though it compares neither below zero nor above 60.
    if (!(minutes > 0.0)) {
        ReportMessage(SeverityError,
                      "You must enter an appointment length that is greater than zero");
        return false;
    }
    if (minutes > 60.0) {
        ReportMessage(SeverityError, "The appointment length is too long");
        return false;
    }
    // Less than a second is no slot at all: the event keeps the one it has.
    const double exact = minutes * 60.0;
    *seconds = exact < 1.0 ? storedSeconds : static_cast<int>(std::lround(exact));
    return true;
}

int SlotsToMinutes(int slots, int slotSeconds) {
    // A file may hold more slots than an int of minutes can show; wrapped, the box would show a
    // negative limit that its own OK then refuses.
    const std::int64_t minutes = SlotsToSeconds(slots, slotSeconds) / 60;
    return static_cast<int>(std::clamp<std::int64_t>(minutes, INT32_MIN, INT32_MAX));
}

int SecondsToSlots(std::int64_t seconds, int slotSeconds) {
    return static_cast<int>(
        std::clamp<std::int64_t>(seconds / UsableSlotSeconds(slotSeconds), INT32_MIN, INT32_MAX));
}

std::int64_t SlotsToSeconds(int slots, int slotSeconds) {
    return static_cast<std::int64_t>(UsableSlotSeconds(slotSeconds)) * slots;
}

ScoringLimitTexts FormatScoringLimits(const Event& event) {
    const ScheduleOptions& options = event.GetOptions();
    const int slotSeconds = event.GetSlotLength();
    return {
        StringPrintf("%d", SlotsToMinutes(options.TeacherGapLength, slotSeconds)),
        StringPrintf("%d", SlotsToMinutes(options.ParentGapLength, slotSeconds)),
        StringPrintf("%d", SlotsToMinutes(options.TeacherBlockLength, slotSeconds)),
    };
}

bool ApplyScoringLimits(Event& event, const ScoringLimitTexts& typed,
                        const ScoringLimitTexts& shown) {
    struct Box {
        const std::string& text;
        bool edited;
        const char* what;
        int minutes;
    };
    Box boxes[] = {{typed.teacherWait, typed.teacherWait != shown.teacherWait, "teacher wait", 0},
                   {typed.parentWait, typed.parentWait != shown.parentWait, "parent wait", 0},
                   {typed.teacherBusy, typed.teacherBusy != shown.teacherBusy, "teacher busy", 0}};
    for (Box& box : boxes) {
        // Whole minutes only, as the box shows them; "12 mins" reads as 12.
        const long minutes = std::strtol(box.text.c_str(), nullptr, 10);
        if (minutes < 0) {
            ReportMessage(SeverityError,
                          StringPrintf("The %s length cannot be negative", box.what));
            return false;
        }
        // Only typed values are bounded: minutes x 60 must fit the setters' arithmetic, while
        // a long limit read from a file stays as it is.
        if (box.edited && minutes > kMaxScoringMinutes) {
            ReportMessage(SeverityError,
                          StringPrintf("The %s length cannot be more than %d minutes (a day)",
                                       box.what, kMaxScoringMinutes));
            return false;
        }
        box.minutes = static_cast<int>(minutes);
    }
    const ScheduleOptions stored = event.GetOptions();
    // The setters decide whether the event may change at all (it may be locked), so they run
    // for unchanged boxes too; those then get their exact slots back.
    if (!event.SetParentWaitingTime(boxes[1].minutes) ||
        !event.SetTeacherWaitingTime(boxes[0].minutes) ||
        !event.SetTeacherBusyTime(boxes[2].minutes)) {
        return false;
    }
    ScheduleOptions options = event.GetOptions();
    if (!boxes[0].edited) {
        options.TeacherGapLength = stored.TeacherGapLength;
    }
    if (!boxes[1].edited) {
        options.ParentGapLength = stored.ParentGapLength;
    }
    if (!boxes[2].edited) {
        options.TeacherBlockLength = stored.TeacherBlockLength;
    }
    if (!(options == event.GetOptions())) {
        event.SetOptions(options);
    }
    // What was typed is what a new slot length keeps, not the slots it rounded down to.
    std::int32_t ScheduleOptions::*const limits[] = {&ScheduleOptions::TeacherGapLength,
                                                     &ScheduleOptions::ParentGapLength,
                                                     &ScheduleOptions::TeacherBlockLength};
    for (size_t i = 0; i < std::size(boxes); ++i) {
        if (boxes[i].edited) {
            event.RememberLimitSeconds(limits[i], std::int64_t{boxes[i].minutes} * 60);
        }
    }
    return true;
}
