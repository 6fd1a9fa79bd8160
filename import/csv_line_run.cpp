#include "import/csv_line_run.h"

#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "import/csv_fields.h"

CSVLineRun::LineRead CSVLineRun::ReadFields(bool& more, std::vector<std::string>& fields) {
    more = false;
    if (!IsOpen()) {
        return LineRead::Failed;
    }
    std::string record;
    if (!ReadLine(record)) {
        return InputFailed() ? LineRead::Failed : LineRead::Skipped;
    }
    recordLine_ = ++fileLines_;
    CSVQuoteScanner quotes;
    quotes.Feed(record);
    std::string line;
    while (quotes.InsideQuotes()) {
        if (!ReadLine(line)) {
            // Taking the rest of the file as one field would import wrong people silently.
            ReportMessage(SeverityError,
                          StringPrintf("The file ends inside the quoted field that begins on "
                                       "line %u, so it cannot be imported. Please check the "
                                       "quote marks on that line.",
                                       recordLine_));
            return LineRead::Failed;
        }
        ++fileLines_;
        record += '\n';
        record += line;
        quotes.Feed("\n");
        quotes.Feed(line);
    }
    ++linesRead_;
    more = true;
    // Control bytes go before the test for an empty record: a line of them is no record.
    record = TrimImported(ConvertText(record));
    if (record.empty() || (ignoreFirstLine_ && linesRead_ == 1)) {
        return LineRead::Skipped;
    }
    fields = SplitCSVLine(record);
    return LineRead::Fields;
}
