#pragma once

#include <string>
#include <vector>

// A CSV export as spreadsheets read it: fields in double quotes, a quote inside a field
// doubled, and a field that a spreadsheet would run as a formula kept as text. The rows are
// gathered in memory and replace the target in one step on Commit (keeping its permissions, through
// a link to its target), so a failed export never leaves a half-written file.
class CsvExportFile {
public:
    // Reports an Error when the file cannot be written there (no such folder, or an old file
    // the user may not write); IsOpen then yields false.
    explicit CsvExportFile(const std::string& fileName);
    CsvExportFile(const CsvExportFile&) = delete;
    CsvExportFile& operator=(const CsvExportFile&) = delete;

    bool IsOpen() const { return open_; }
    // A line written as it stands, for the header.
    void WriteLine(const std::string& line);
    void WriteRow(const std::vector<std::string>& fields);
    // Writes the file and puts it in place; reports "Exported successfully" or the failure,
    // and yields whether all went well.
    bool Commit();

    static std::string Quote(const std::string& field);

private:
    std::string fileName_;
    std::string text_;
    bool open_ = false;
};
