// Feeds arbitrary files to the imports as the import window runs them: into a preview event,
// whose people then join the open event. Whatever an import accepts must save, and the saved
// file must open again and save the same text.
//
// The first byte chooses the import (a CSV file of teachers or of pupils with every column the
// import knows, a text list of teachers or of pupils, a school system's XML export); the rest
// is the file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/event_file_reader.h"
#include "app/event_file_writer.h"
#include "foundation/files.h"
#include "foundation/tokeniser.h"
#include "foundation/uc_error.h"
#include "import/import_factory.h"
#include "import/import_run.h"
#include "import/imported_people.h"
#include "model/builtin_importers.h"
#include "model/event.h"
#include "model/importer_csv.h"
#include "model/multi_day_schedule.h"
#include "model/schedule.h"
#include "read_event_text.h"

namespace {

std::unique_ptr<ImporterBase> ChooseImporter(uint8_t choice, bool& pupils) {
    switch (choice % 5) {
        case 0: {
            pupils = false;
            auto csv = std::make_unique<ImporterCSV>(false);
            csv->SetDefinition(
                "Full Name,Initials,Location,Subject,Title / Salutation,Arrival Time,"
                "Departure Time,Is Attending (Y/N),Arrival Time,Departure Time,Unique Identifier,"
                "Meeting Link,Email Address (primary),Email Address (alternate),Forename,Surname");
            return csv;
        }
        case 1: {
            pupils = true;
            auto csv = std::make_unique<ImporterCSV>(true);
            csv->SetDefinition(
                "IgnoreFirstLine,Forename,Surname,Form / Tutor Group,House,Parent's Name,"
                "Address Line 1,Address Line 2,Arrival Time,Departure Time,Is Attending (Y/N),"
                "Unique Identifier,Email Address (primary),Pupil's Email Address,"
                "Full Name (surname first),Arrival Time");
            return csv;
        }
        case 2:
            pupils = false;
            return std::make_unique<ImporterTxtTeachers>();
        case 3:
            pupils = true;
            return std::make_unique<ImporterTxtPupils>();
        default:
            pupils = true;
            return std::make_unique<ImporterXMLPupils>();
    }
}

// The text's blocks (a person, a section's settings) in order of their text: reading sorts the
// people, and people of equal names may come out in either order.
std::vector<std::string> Blocks(std::string text) {
    for (const char* heading : {"\nTeachers:\n", "\nParents:\n"}) {
        const size_t at = text.find(heading);
        if (at != std::string::npos) {
            text.insert(at + std::string(heading).size(), "\n");
        }
    }
    std::vector<std::string> blocks;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\n\n", start);
        end = end == std::string::npos ? text.size() : end + 2;
        blocks.push_back(text.substr(start, end - start));
        start = end;
    }
    std::sort(blocks.begin(), blocks.end());
    return blocks;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    UCStringError quiet;
    // The open event: two days, the second shorter, as a school's evening may be.
    auto open = std::make_shared<Event>();
    MultiDaySchedule days(open);
    days.GetDay(0)->SetDate(Date(10, 3, 2026));
    days.GetDay(0)->SetStartTime(TimeOfDay(16, 0, 0));
    days.GetDay(0)->SetEndTime(TimeOfDay(19, 30, 0));
    if (!days.AppendNextDay()) {
        __builtin_trap();
    }
    days.GetDay(1)->SetStartTime(TimeOfDay(16, 0, 0));
    days.GetDay(1)->SetEndTime(TimeOfDay(18, 0, 0));

    bool pupils = false;
    std::unique_ptr<ImporterBase> importer = ChooseImporter(data[0], pupils);
    std::string content(reinterpret_cast<const char*>(data) + 1, size - 1);
    StdioFile file(fmemopen(content.data(), content.size(), "rb"));
    if (file.GetFile() == nullptr) {
        return 0;
    }
    auto preview = std::make_shared<Event>();
    std::unique_ptr<MultiDaySchedule> previewDays = days.CreateLike(preview);
    std::unique_ptr<ImportRun> run = CreateImportRun(*importer);
    run->SetInput(&file);
    run->SetTarget(previewDays.get());
    (void)RunImport(*run);  // a failed import keeps what came before the failure
    (void)MoveImportedPeople(*preview, days,
                             pupils ? PeopleImport::Pupils : PeopleImport::Teachers);

    const std::string saved = EventFileWriter(days).FormatEventFile();
    std::unique_ptr<MultiDaySchedule> reopened = ReadEventText(saved);
    if (saved.empty() || !reopened) {
        __builtin_trap();
    }
    if (Blocks(EventFileWriter(*reopened).FormatEventFile()) != Blocks(saved)) {
        __builtin_trap();
    }
    quiet.GetText();
    return 0;
}
