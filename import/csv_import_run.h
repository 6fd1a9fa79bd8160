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

// "Smith John Paul" gives "John Smith": the first word is the surname, the second the forename,
// and later words are dropped.
std::string SplitSurnameFirst(const std::string& fullName);
