#include "model/person_csv_export.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "foundation/uc_error.h"

namespace {

// The permissions a plain fopen would have given the new file.
mode_t DefaultFileMode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

CsvExportFile::CsvExportFile(const std::string& fileName) : fileName_(fileName) {
    std::string pattern = fileName + ".XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd >= 0) {
        tempName_ = pattern;
        fchmod(fd, DefaultFileMode());
        file_ = fdopen(fd, "w");
        if (file_ == nullptr) {
            close(fd);
            unlink(tempName_.c_str());
        }
    }
    if (file_ == nullptr) {
        ReportMessage(SeverityError, "Cannot write to file '" + fileName_ + "'");
    }
}

CsvExportFile::~CsvExportFile() {
    Discard();
}

void CsvExportFile::Discard() {
    if (file_ != nullptr) {
        fclose(file_);
        file_ = nullptr;
        unlink(tempName_.c_str());
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

void CsvExportFile::Write(const std::string& text) {
    if (file_ != nullptr && !failed_ && fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        failed_ = true;
    }
}

void CsvExportFile::WriteLine(const std::string& line) {
    Write(line);
}

void CsvExportFile::WriteRow(const std::vector<std::string>& fields) {
    std::string row;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            row += ',';
        }
        row += Quote(fields[i]);
    }
    Write(row + "\n");
}

bool CsvExportFile::Commit() {
    if (file_ == nullptr) {
        return false;
    }
    bool ok = !failed_ && fflush(file_) == 0 && fsync(fileno(file_)) == 0;
    ok = (fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (ok) {
        ok = rename(tempName_.c_str(), fileName_.c_str()) == 0;
    }
    if (!ok) {
        int error = errno;
        unlink(tempName_.c_str());
        errno = error;
        UCError::Current().ReportSystemError(SeverityError,
                                             "Cannot write to file '" + fileName_ + "': ");
        return false;
    }
    ReportMessage(SeverityInformation, "Exported successfully");
    return true;
}
