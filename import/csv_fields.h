#pragma once

#include <string>
#include <vector>

// Splits one line of a CSV file into its fields: a field that begins with a double quote runs
// to the closing quote, commas included, and a doubled quote inside it is one quote mark.
// Blanks before an opening quote are dropped; text after a closing quote is kept. Fields are
// returned as they stand otherwise (the importers trim them).
std::vector<std::string> SplitCSVLine(const std::string& line);

// Follows the quotes of a CSV record line by line, as SplitCSVLine reads them, to tell whether
// a line break falls inside a quoted field (a spreadsheet's address cell): the record then
// goes on in the next line.
class CSVQuoteScanner {
public:
    void Feed(const std::string& text);
    bool InsideQuotes() const { return state_ == State::Quoted; }
    void Reset() { state_ = State::FieldStart; }

private:
    enum class State { FieldStart, Unquoted, Quoted, QuoteInQuoted };
    State state_ = State::FieldStart;
};
