#pragma once

#include <memory>
#include <string>
#include <vector>

#include "import/imported_people.h"

class ChildProcess;
class UserSettings;

// The state of a SIMS report run, as polled.
enum SIMSRunStatus {
    SIMSNotStarted = 0,  // no child running: never started, or its end already reported
    SIMSFailed = 1,
    SIMSRunning = 2,
    SIMSFinished = 3,  // the child has just ended
};

// One run of SIMS's CommandReporter program, which writes the people of a stored SIMS report
// as a CSV file: the connection details, the settings remembered between runs, and the child
// process. The output goes to a private folder of this run, removed with the record; a child
// still running then is stopped.
class SIMSCommandReporter {
public:
    // The folder asked of GetSpecialFolderPath for the default program.
    static constexpr int kProgramsFolder = 0x26;
    static constexpr const char* kOutputFileName = "Quillmoot_SIMS_Import.csv";

    SIMSCommandReporter();
    ~SIMSCommandReporter();
    SIMSCommandReporter(const SIMSCommandReporter&) = delete;
    SIMSCommandReporter& operator=(const SIMSCommandReporter&) = delete;

    std::string executable;
    std::string userName;
    // Typed for every run; never saved, never shown.
    std::string password;
    std::string serverName;
    std::string databaseName;
    std::string reportName;
    std::string reportParams;

    // Teachers and pupils keep their own report name and parameters. Nothing happens without
    // settings. With no program saved, the usual place under the programs folder is taken when
    // the program is there.
    void LoadSettings(const UserSettings* settings, PeopleImport who);
    // Everything but the password.
    void SaveSettings(UserSettings* settings, PeopleImport who) const;

    // "" when the system has no such folder.
    static std::string GetSpecialFolderPath(int folder);

    // The CSV file the program is told to write, in this run's private folder (made on first
    // need, mode 0700). "" when that folder cannot be made.
    std::string GetOutputFileName();

    // The command as the user sees it; the password is masked unless showPassword.
    std::string BuildCommandLine(bool showPassword = false);
    // The program and its switches as the child gets them (no shell, so no quoting).
    std::vector<std::string> BuildArguments();

    // Starts the program. False when the record has failed, the program runs already, or the
    // program is missing, a folder or cannot be started. The details go to it as they stand:
    // each is an argument of its own, so a quote or a blank in one cannot split it.
    bool Start();
    SIMSRunStatus Poll();
    // Ends a running program and waits for it; true when one was running.
    bool Stop();

    // The program's output is there and not empty; otherwise "Extract from SIMS failed".
    bool CheckOutput();

    bool HasFailed() const { return failed_; }

private:
    // Removes the output and the private folder.
    void RemoveOutputFolder();

    std::unique_ptr<ChildProcess> process_;
    std::string outputFolder_;
    bool failed_ = false;
};
