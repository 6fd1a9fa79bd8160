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
#include "read_event_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    UCStringError quiet;
    std::unique_ptr<MultiDaySchedule> schedule =
        ReadEventText(std::string(reinterpret_cast<const char*>(data), size));
    if (schedule) {
        // Whatever was accepted must write out again, and what is written must read back:
        // a file saved from it must open.
        schedule->GetScore();
        const std::string text = EventFileWriter(*schedule).FormatEventFile();
        if (text.empty() || !ReadEventText(text)) {
            __builtin_trap();
        }
    }
    quiet.GetText();
    return 0;
}
