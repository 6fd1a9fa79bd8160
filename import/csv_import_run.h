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

// "Smith John Paul" gives "John Smith": the first word is the surname, the second the forename,
// and later words are dropped.
std::string SplitSurnameFirst(const std::string& fullName);
