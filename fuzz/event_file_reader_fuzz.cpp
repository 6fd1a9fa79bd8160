// Feeds arbitrary bytes to the event file reader, as opening a damaged or hostile file would.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/event_file_reader.h"
#include "app/event_file_writer.h"
#include "foundation/tokeniser.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    UCStringError quiet;
    auto schedule = std::make_unique<MultiDaySchedule>(std::make_shared<Event>());
    Tokeniser tokens;
    tokens.SetText(std::string(reinterpret_cast<const char*>(data), size));
    EventFileReader reader(schedule.get(), &tokens);
    if (reader.Read()) {
        // Whatever was accepted must write out again.
        const std::string text = EventFileWriter(*schedule).FormatEventFile();
        if (text.empty()) {
            __builtin_trap();
        }
    }
    quiet.GetText();
    return 0;
}
