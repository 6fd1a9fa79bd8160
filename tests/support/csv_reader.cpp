#include "support/csv_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

CsvRows ReadCsvWithPython(const std::string& path, bool skipInitialSpace) {
    // Latin-1 maps every byte to one character and back; hex keeps any byte, even a line break,
    // intact through the pipe.
    const std::string command =
        std::string(QM_PYTHON) +
        " -c \"import csv,sys\n"
        "for row in csv.reader(open(sys.argv[1], newline='', encoding='latin-1'), "
        "skipinitialspace=" +
        (skipInitialSpace ? "True" : "False") +
        "):\n"
        "    print(' '.join(f.encode('latin-1').hex() or '-' for f in row))\" '" +
        path + "'";
    CsvRows rows;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "Cannot run " << QM_PYTHON;
        return rows;
    }
    std::string output;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, got);
    }
    EXPECT_EQ(pclose(pipe), 0) << "Python could not read '" << path << "' as CSV";
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> row;
        std::istringstream fields(line);
        std::string hex;
        while (fields >> hex) {
            std::string field;
            for (size_t i = 0; hex != "-" && i + 1 < hex.size(); i += 2) {
                field += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
            }
            row.push_back(field);
        }
        rows.push_back(row);
    }
    return rows;
}
