#pragma once

#include <memory>
#include <string>

#include "app/event_file_reader.h"
#include "foundation/tokeniser.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

// The event an event file's text opens as, or null where the reader refuses it.
inline std::unique_ptr<MultiDaySchedule> ReadEventText(const std::string& text) {
    auto schedule = std::make_unique<MultiDaySchedule>(std::make_shared<Event>());
    Tokeniser tokens;
    tokens.SetText(text);
    EventFileReader reader(schedule.get(), &tokens);
    return reader.Read() ? std::move(schedule) : nullptr;
}
