#pragma once

#include <string>
#include <vector>

#include "import/csv_line_run.h"
#include "model/importer_csv.h"

// What a column of a request or taught-by list holds. All are offered, in this order, so the
// offer index is the type.
enum PTCSVColumnType {
    PTCSVUnused = 0,
    PTCSVPupilFullName = 1,
    PTCSVPupilForename = 2,
    PTCSVPupilSurname = 3,
    PTCSVTeacherFullName = 4,
    PTCSVTeacherForename = 5,
    PTCSVTeacherSurname = 6,
    PTCSVTeacherTitle = 7,
    PTCSVPriority = 8,
    PTCSVSubject = 9,
};

// The columns of a request or taught-by list.
class ImporterPTCSVMapping : public CSVColumnMapping {
public:
    int GetNumColumnTypes() const override { return 10; }
    // "Unknown" outside the offers.
    std::string GetColumnTypeName(int type) const override;
    bool HasColumnType(int type) const;
};

// Reads a list that pairs pupils with teachers, both already in the event: each line becomes
// a request of the pupil's parents to see the teacher, or records that the teacher teaches the
// pupil. It adds no people; an unknown name ends the run with a warning, and a line naming a
// pupil two families share is skipped with one.
class ImporterPTCSV : public CSVLineRun {
public:
    enum ListKind { RequestList = 0, TaughtByList = 1 };

    // Copies the mapping's columns.
    ImporterPTCSV(const ImporterPTCSVMapping& mapping, ListKind kind);

    using CSVLineRun::SetIgnoreFirstLine;
    // 0 low, 1 normal, 2 high: the priority of new requests where a line gives none.
    void SetPriority(int priority) { priority_ = priority; }
    int GetPriority() const { return priority_; }

    bool Import(bool& more) override;

    // Lines that found both their pupil and their teacher, duplicates included.
    unsigned GetLinesImported() const { return linesImported_; }

private:
    std::vector<int> columns_;
    ListKind kind_;
    int priority_ = 1;
    unsigned linesImported_ = 0;
};
