#pragma once

#include <string>
#include <vector>

#include "import/import_run.h"

// An import run that takes one CSV record a step. A record is one line, or several where a
// quoted field holds line breaks. Blank lines, and a first record of headings, are counted as
// read but give no fields.
class CSVLineRun : public ImportRun {
public:
    // Records read, blank ones and the headings included.
    unsigned GetLinesRead() const { return linesRead_; }

protected:
    // Failed: not open, or the file is broken (reported).
    enum class LineRead { Failed, Skipped, Fields };

    void SetIgnoreFirstLine(bool on) { ignoreFirstLine_ = on; }
    // Sets more as Import does; fields are filled only when Fields is returned.
    LineRead ReadFields(bool& more, std::vector<std::string>& fields);
    // The line of the file on which the last record read begins, from 1.
    unsigned GetRecordLine() const override { return recordLine_; }

private:
    bool ignoreFirstLine_ = false;
    unsigned linesRead_ = 0;
    unsigned fileLines_ = 0;
    unsigned recordLine_ = 0;
};
