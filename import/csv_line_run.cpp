#include "import/csv_line_run.h"

#include "import/csv_fields.h"

CSVLineRun::LineRead CSVLineRun::ReadFields(bool& more, std::vector<std::string>& fields) {
    more = false;
    if (!IsOpen()) {
        return LineRead::Closed;
    }
    std::string line;
    if (!ReadLine(line)) {
        return LineRead::Skipped;
    }
    ++linesRead_;
    more = true;
    line = TrimImported(line);
    if (line.empty() || (ignoreFirstLine_ && linesRead_ == 1)) {
        return LineRead::Skipped;
    }
    fields = SplitCSVLine(ConvertText(line));
    return LineRead::Fields;
}
