#pragma once

#include <string>
#include <vector>

#include "import/csv_line_run.h"
#include "model/importer_csv.h"

// A run of a saved or new CSV import of teachers, or of pupils with their parents: one person
// a line, each column applied as the import's mapping says.
class CSVImportRun : public CSVLineRun {
public:
    // Takes a copy of the definition, which may go before the run does.
    explicit CSVImportRun(const ImporterCSV& definition);

    bool Import(bool& more) override;

private:
    bool pupils_;
    std::vector<CSVColumnType> columns_;
};

class TimeOfDay;

// A time as the event file writes it ("18:00", "6:00pm"), or as spreadsheets and offices do:
// "6pm", "6 P.M.", "18:00:00", "6:00:00 PM" (seconds dropped). False, the time unchanged, for
// anything else.
bool ReadImportedTime(const std::string& text, TimeOfDay& time);

// How a file's time of day sits in a day's hours.
enum class DayTime { Read, ReadAsEvening, Unread, OutsideDay };

// The time the text gives for a day with these hours (ends included). A time written without
// am or pm before noon that lies outside them, but within them twelve hours later, is read as
// the later ("7:00" on an evening from 6pm is 7pm: ReadAsEvening); one that fits neither way is
// OutsideDay,
// the time unchanged. Any other time is Read as it stands, within the hours or not. Unread,
// the time unchanged, when no reader understands the text.
DayTime ReadTimeWithinDay(const std::string& text, const TimeOfDay& dayStart,
                          const TimeOfDay& dayEnd, TimeOfDay& time);

// "Smith John Paul" gives "John Smith": the first word is the surname, the second the forename,
// and later words are dropped.
std::string SplitSurnameFirst(const std::string& fullName);
