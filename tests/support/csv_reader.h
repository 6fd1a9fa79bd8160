#pragma once

#include <string>
#include <vector>

using CsvRows = std::vector<std::vector<std::string>>;

// Reads a CSV file back with Python's csv module, as a spreadsheet would, byte for byte: any
// encoding the file has comes back unchanged. A file Python cannot read fails the test. With
// skipInitialSpace, blanks after a separator are dropped (for files that write ", ").
CsvRows ReadCsvWithPython(const std::string& path, bool skipInitialSpace = false);
