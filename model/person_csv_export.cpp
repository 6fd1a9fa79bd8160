#include "model/person_csv_export.h"

#include <string_view>

#include "foundation/output_file.h"
#include "foundation/uc_error.h"

CsvExportFile::CsvExportFile(const std::string& fileName) : fileName_(fileName) {
    // Refused here, as opening it for writing would be, before any row is gathered.
    open_ = CanWriteOutputFile(fileName_);
    if (!open_) {
        UCError::Current().ReportSystemError(SeverityError,
                                             "Cannot write to file '" + fileName_ + "': ");
    }
}

std::string CsvExportFile::Quote(const std::string& field) {
    std::string quoted = "\"";
    // A spreadsheet runs a field that starts like this as a formula (an imported name or address
    // line could start a program); after an apostrophe it shows the field as text.
    if (!field.empty() && std::string_view("=+-@\t\r").find(field[0]) != std::string_view::npos) {
        quoted += '\'';
    }
    for (char c : field) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    return quoted + "\"";
}

void CsvExportFile::WriteLine(const std::string& line) {
    text_ += line;
}

void CsvExportFile::WriteRow(const std::vector<std::string>& fields) {
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            text_ += ',';
        }
        text_ += Quote(fields[i]);
    }
    text_ += '\n';
}

bool CsvExportFile::Commit() {
    if (!open_) {
        return false;
    }
    open_ = false;
    if (!WriteOutputFile(fileName_, text_)) {
        UCError::Current().ReportSystemError(SeverityError,
                                             "Cannot write to file '" + fileName_ + "': ");
        return false;
    }
    ReportMessage(SeverityInformation, "Exported successfully");
    return true;
}
