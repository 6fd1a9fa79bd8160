#include "import/sims_command_reporter.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

#include "app/user_settings.h"
#include "foundation/child_process.h"
#include "foundation/files.h"
#include "foundation/uc_error.h"

namespace {

constexpr const char* kExecutableKey = "sims_command_reporter_executable";
constexpr const char* kUserNameKey = "sims_command_reporter_username";
constexpr const char* kServerNameKey = "sims_command_reporter_servername";
constexpr const char* kDatabaseNameKey = "sims_command_reporter_databasename";

struct ReportKeys {
    const char* name;
    const char* params;
};

const ReportKeys& KeysFor(PeopleImport who) {
    static const ReportKeys kTeachers = {"sims_command_reporter_reportname_teachers",
                                         "sims_command_reporter_reportparams_teachers"};
    static const ReportKeys kPupils = {"sims_command_reporter_reportname_pupils",
                                       "sims_command_reporter_reportparams_pupils"};
    return who == PeopleImport::Pupils ? kPupils : kTeachers;
}

// UserSettings keeps an empty value; the record's empty fields leave no key behind.
void SetOrDelete(UserSettings& settings, const char* key, const std::string& value) {
    if (value.empty()) {
        settings.Delete(key);
    } else {
        settings.Set(key, value);
    }
}

constexpr const char* kPasswordMask = "********";

}  // namespace

SIMSCommandReporter::SIMSCommandReporter() = default;

SIMSCommandReporter::~SIMSCommandReporter() {
    Stop();
    RemoveOutputFolder();
}

void SIMSCommandReporter::LoadSettings(const UserSettings* settings, PeopleImport who) {
    if (settings == nullptr) {
        return;
    }
    executable = settings->Get(kExecutableKey);
    userName = settings->Get(kUserNameKey);
    serverName = settings->Get(kServerNameKey);
    databaseName = settings->Get(kDatabaseNameKey);
    if (executable.empty()) {
        const std::string programs = GetSpecialFolderPath(kProgramsFolder);
        if (!programs.empty()) {
            FileName candidate(programs + "/SIMS/SIMS .net/CommandReporter.exe");
            if (candidate.Exists()) {
                executable = candidate.GetPath();
            }
        }
    }
    const ReportKeys& keys = KeysFor(who);
    reportName = settings->Get(keys.name);
    reportParams = settings->Get(keys.params);
}

void SIMSCommandReporter::SaveSettings(UserSettings* settings, PeopleImport who) const {
    if (settings == nullptr) {
        return;
    }
    SetOrDelete(*settings, kExecutableKey, executable);
    SetOrDelete(*settings, kUserNameKey, userName);
    SetOrDelete(*settings, kServerNameKey, serverName);
    SetOrDelete(*settings, kDatabaseNameKey, databaseName);
    const ReportKeys& keys = KeysFor(who);
    SetOrDelete(*settings, keys.name, reportName);
    SetOrDelete(*settings, keys.params, reportParams);
}

std::string SIMSCommandReporter::GetSpecialFolderPath(int folder) {
    // Programs installed beside the system's own live under /opt here.
    return folder == kProgramsFolder ? std::string("/opt") : std::string();
}

std::string SIMSCommandReporter::GetOutputFileName() {
    if (outputFolder_.empty()) {
        std::string pattern = DirectoryName::TempDirectory().GetPath() + "/quillmoot-sims-XXXXXX";
        // mkdtemp makes the folder readable by us alone: the report holds pupils' details.
        if (::mkdtemp(pattern.data()) == nullptr) {
            return std::string();
        }
        outputFolder_ = pattern;
    }
    return FileName(outputFolder_).Join(kOutputFileName);
}

std::string SIMSCommandReporter::BuildCommandLine(bool showPassword) {
    const std::string shownPassword =
        (showPassword || password.empty()) ? password : std::string(kPasswordMask);
    std::string line = "\"" + executable + "\" ";
    line += "/USER:" + userName + " ";
    line += "/PASSWORD:" + shownPassword + " ";
    line += "/SERVERNAME:" + serverName + " ";
    line += "/DATABASENAME:" + databaseName + " ";
    line += "/REPORT:\"" + reportName + "\" ";
    if (!reportParams.empty()) {
        line += "/PARAMS:\"" + reportParams + "\" ";
    }
    line += "/OUTPUT:\"" + GetOutputFileName() + "\"";
    return line;
}

std::vector<std::string> SIMSCommandReporter::BuildArguments() {
    std::vector<std::string> arguments = {
        executable,
        "/USER:" + userName,
        "/PASSWORD:" + password,
        "/SERVERNAME:" + serverName,
        "/DATABASENAME:" + databaseName,
        "/REPORT:" + reportName,
    };
    if (!reportParams.empty()) {
        arguments.push_back("/PARAMS:" + reportParams);
    }
    arguments.push_back("/OUTPUT:" + GetOutputFileName());
    return arguments;
}

bool SIMSCommandReporter::Start() {
    if (failed_ || (process_ && process_->IsRunning())) {
        return false;
    }
    FileName program(executable);
    if (!program.Exists()) {
        ReportMessage(SeverityError, "File '" + executable + "' does not exist");
        failed_ = true;
        return false;
    }
    if (program.IsDirectory()) {
        ReportMessage(SeverityError, "Executable '" + executable + "' is not a valid program");
        failed_ = true;
        return false;
    }
    const std::string output = GetOutputFileName();
    if (output.empty()) {
        UCError::Current().ReportSystemError(SeverityError,
                                             "Cannot make a private folder for the SIMS output: ");
        failed_ = true;
        return false;
    }
    std::vector<std::string> arguments = BuildArguments();
    // A path without a slash would be looked up on PATH instead of taken as it stands.
    if (arguments[0].find('/') == std::string::npos) {
        arguments[0] = "./" + arguments[0];
    }
    process_ = std::make_unique<ChildProcess>(std::move(arguments));
    return process_->Start();
}

SIMSRunStatus SIMSCommandReporter::Poll() {
    if (failed_) {
        return SIMSFailed;
    }
    if (!process_ || !process_->IsRunning()) {
        return SIMSNotStarted;
    }
    bool running = false;
    int exitCode = 0;
    if (!process_->CheckStatus(&running, &exitCode)) {
        failed_ = true;
        return SIMSFailed;
    }
    // The exit code says nothing reliable: the output file decides.
    return running ? SIMSRunning : SIMSFinished;
}

bool SIMSCommandReporter::Stop() {
    return process_ && process_->IsRunning() && process_->Stop();
}

bool SIMSCommandReporter::CheckOutput() {
    FileName output(GetOutputFileName());
    if (output.GetPath().empty() || !output.Exists() || output.IsDirectory() ||
        output.Size() == 0) {
        ReportMessage(SeverityError, "Extract from SIMS failed");
        return false;
    }
    return true;
}

void SIMSCommandReporter::RemoveOutputFolder() {
    if (outputFolder_.empty()) {
        return;
    }
    // The program may have left more than its CSV: empty the folder before removing it.
    UCStringList names(8);
    DirectoryName(outputFolder_).List(names);
    for (unsigned i = 0; i < names.Count(); ++i) {
        const std::string name = names.Get(i);
        if (name != "." && name != "..") {
            std::remove(FileName(outputFolder_).Join(name.c_str()).c_str());
        }
    }
    ::rmdir(outputFolder_.c_str());
    outputFolder_.clear();
}
