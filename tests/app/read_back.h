#pragma once

#include <memory>
#include <string>

#include "app/event_file_reader.h"
#include "foundation/tokeniser.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

// An event file's text read into a new event, as opening it would; null when the reader
// refuses it. messages gets all the reader said.
inline std::unique_ptr<MultiDaySchedule> ReadBack(const std::string& text, std::string* messages) {
    UCStringError sink;
    auto schedule = std::make_unique<MultiDaySchedule>(std::make_shared<Event>());
    Tokeniser tokens;
    tokens.SetText(text);
    EventFileReader reader(schedule.get(), &tokens);
    const bool ok = reader.Read();
    *messages = sink.GetText();
    return ok ? std::move(schedule) : nullptr;
}
