#pragma once

#include <string>
#include <vector>

#include "import/import_run.h"

// An import run that takes one CSV line a step. Blank lines, and a first line of headings,
// are counted as read but give no fields.
class CSVLineRun : public ImportRun {
public:
    unsigned GetLinesRead() const { return linesRead_; }

protected:
    enum class LineRead { Closed, Skipped, Fields };

    void SetIgnoreFirstLine(bool on) { ignoreFirstLine_ = on; }
    // Sets more as Import does; fields are filled only when Fields is returned.
    LineRead ReadFields(bool& more, std::vector<std::string>& fields);

private:
    bool ignoreFirstLine_ = false;
    unsigned linesRead_ = 0;
};
