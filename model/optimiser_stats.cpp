#include "model/optimiser_stats.h"

#include <cinttypes>

namespace {

void AppendLine(std::string& text, const char* label, std::uint32_t count) {
    text += label;
    text += std::to_string(static_cast<std::int32_t>(count));
    text += '\n';
}

}  // namespace

std::string OptimiserStats::ToString() const {
    std::string text;
    AppendLine(text, "First slot not free: ", FirstSlotNotFree);
    AppendLine(text, "First appt into gap: ", FirstApptIntoGap);
    AppendLine(text, "No gaps: ", NoGaps);
    AppendLine(text, "Last appt into gap: ", LastApptIntoGap);
    AppendLine(text, "Busy appt to end: ", BusyApptToEnd);
    AppendLine(text, "Better swap: ", BetterSwap);
    AppendLine(text, "Equal swap: ", EqualSwap);
    AppendLine(text, "First after last: ", FirstAfterLast);
    AppendLine(text, "Last later: ", LastLater);
    AppendLine(text, "Nothing found: ", NothingFound);
    return text;
}
