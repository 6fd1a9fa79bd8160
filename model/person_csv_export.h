#pragma once

#include <cstdio>
#include <string>
#include <vector>

// A CSV export as spreadsheets read it: fields in double quotes, a quote inside a field
// doubled. Rows go to a temporary file beside the target, which replaces the target only when
// every write and the close succeeded, so a failed export never leaves a half-written file.
class CsvExportFile {
public:
    // Reports an Error when the file cannot be created; IsOpen then yields false.
    explicit CsvExportFile(const std::string& fileName);
    // Discards the temporary file unless Commit succeeded.
    ~CsvExportFile();
    CsvExportFile(const CsvExportFile&) = delete;
    CsvExportFile& operator=(const CsvExportFile&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    // A line written as it stands, for the header.
    void WriteLine(const std::string& line);
    void WriteRow(const std::vector<std::string>& fields);
    // Flushes, closes and moves the file into place; reports "Exported successfully" or the
    // failure, and yields whether all went well.
    bool Commit();

    static std::string Quote(const std::string& field);

private:
    void Write(const std::string& text);
    void Discard();

    std::string fileName_;
    std::string tempName_;
    FILE* file_ = nullptr;
    bool failed_ = false;
};
