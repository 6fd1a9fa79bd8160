#pragma once

#include <string>
#include <vector>

// Splits one line of a CSV file into its fields: a field that begins with a double quote runs
// to the closing quote, commas included, and a doubled quote inside it is one quote mark.
// Blanks before an opening quote are dropped; text after a closing quote is kept. Fields are
// returned as they stand otherwise (the importers trim them).
std::vector<std::string> SplitCSVLine(const std::string& line);
