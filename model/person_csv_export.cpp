#include "model/person_csv_export.h"

#include "foundation/atomic_file.h"
#include "foundation/uc_error.h"

CsvExportFile::CsvExportFile(const std::string& fileName) : fileName_(fileName) {
    // An empty replacement that is never committed: it only shows that the folder takes files.
    open_ = ReplacementFile(fileName_, "", 0).Ok();
    if (!open_) {
        ReportMessage(SeverityError, "Cannot write to file '" + fileName_ + "'");
    }
}

std::string CsvExportFile::Quote(const std::string& field) {
    std::string quoted = "\"";
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
    if (!WriteFileAtomically(fileName_, text_)) {
        UCError::Current().ReportSystemError(SeverityError,
                                             "Cannot write to file '" + fileName_ + "': ");
        return false;
    }
    ReportMessage(SeverityInformation, "Exported successfully");
    return true;
}
