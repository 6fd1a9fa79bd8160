#include "import/sims_command_reporter.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "app/user_settings.h"
#include "foundation/files.h"
#include "foundation/uc_error.h"
#include "import/csv_import_run.h"
#include "import_fixture.h"
#include "support/temp_folder.h"

namespace {

// A stand-in for the report program: logs its pid and arguments, then acts on the report
// name: "none" writes nothing, "fail" fails without output, "empty" writes an empty file,
// "slow" hangs, anything else writes two pupils (and ends with a code that means nothing).
const char* const kFakeReporter = R"(#!/bin/sh
echo $$ > "$(dirname "$0")/pid"
: > "$(dirname "$0")/arguments"
for a in "$@"; do
  printf '%s\n' "$a" >> "$(dirname "$0")/arguments"
  case "$a" in
    /OUTPUT:*) out="${a#/OUTPUT:}" ;;
    /REPORT:*) report="${a#/REPORT:}" ;;
  esac
done
case "$report" in
  none) exit 0 ;;
  fail) echo "Login failed" >&2; exit 1 ;;
  empty) : > "$out" ;;
  slow) exec sleep 30 ;;
  *) printf 'Forename,Surname\nAmy,Lee\nBen,Cox\n' > "$out" ;;
esac
exit 3
)";

// Polls as the progress dialog does until the program ends (at most ten seconds).
SIMSRunStatus PollUntilEnded(SIMSCommandReporter& run) {
    SIMSRunStatus status = run.Poll();
    for (int i = 0; i < 1000 && status == SIMSRunning; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        status = run.Poll();
    }
    return status;
}

class SIMSRun : public ::testing::Test {
protected:
    SIMSRun() {
        reporter.executable = temp.Write("CommandReporter.exe", kFakeReporter);
        ::chmod(reporter.executable.c_str(), 0755);
        reporter.userName = "office";
        reporter.password = "s3cret word";
        reporter.serverName = "SIMS\\SQL";
        reporter.databaseName = "sims";
        reporter.reportName = "Pupils with contacts";
    }

    // The fake's pid once it has written it.
    pid_t FakePid() {
        for (int i = 0; i < 500 && temp.Read("pid").empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return static_cast<pid_t>(std::atoi(temp.Read("pid").c_str()));
    }

    static bool IsGone(pid_t pid) { return ::kill(pid, 0) == -1 && errno == ESRCH; }

    TempFolder temp{"qm-sims"};
    UCStringError sink;
    SIMSCommandReporter reporter;
};

TEST_F(SIMSRun, CommandLineQuotesAsTheProgramExpectsAndHidesThePassword) {
    const std::string output = reporter.GetOutputFileName();
    const std::string exe = reporter.executable;
    EXPECT_EQ("\"" + exe + "\" /USER:office /PASSWORD:s3cret word /SERVERNAME:SIMS\\SQL " +
                  "/DATABASENAME:sims /REPORT:\"Pupils with contacts\" /OUTPUT:\"" + output + "\"",
              reporter.BuildCommandLine(true));
    EXPECT_EQ("\"" + exe + "\" /USER:office /PASSWORD:******** /SERVERNAME:SIMS\\SQL " +
                  "/DATABASENAME:sims /REPORT:\"Pupils with contacts\" /OUTPUT:\"" + output + "\"",
              reporter.BuildCommandLine());

    reporter.reportParams = "Year 7";
    reporter.userName.clear();
    reporter.password.clear();
    EXPECT_EQ("\"" + exe + "\" /USER: /PASSWORD: /SERVERNAME:SIMS\\SQL /DATABASENAME:sims " +
                  "/REPORT:\"Pupils with contacts\" /PARAMS:\"Year 7\" /OUTPUT:\"" + output + "\"",
              reporter.BuildCommandLine());
    EXPECT_EQ((std::vector<std::string>{exe, "/USER:", "/PASSWORD:", "/SERVERNAME:SIMS\\SQL",
                                        "/DATABASENAME:sims", "/REPORT:Pupils with contacts",
                                        "/PARAMS:Year 7", "/OUTPUT:" + output}),
              reporter.BuildArguments());
}

TEST_F(SIMSRun, ProgramRunsWithItsArgumentVectorIntoAPrivateFolder) {
    reporter.reportParams = "Year \"7\"";
    ASSERT_TRUE(reporter.Start()) << sink.GetText();
    EXPECT_EQ(SIMSFinished, PollUntilEnded(reporter));
    EXPECT_EQ(SIMSNotStarted, reporter.Poll()) << "the end is reported once";

    std::string expected;
    for (size_t i = 1; i < reporter.BuildArguments().size(); ++i) {
        expected += reporter.BuildArguments()[i] + "\n";
    }
    EXPECT_EQ(expected, temp.Read("arguments"));
    EXPECT_NE(std::string::npos, expected.find("/PASSWORD:s3cret word\n"))
        << "the program itself gets the password";
    EXPECT_NE(std::string::npos, expected.find("/PARAMS:Year \"7\"\n"))
        << "a quote reaches the program as typed";

    const std::string output = reporter.GetOutputFileName();
    const std::string folder = output.substr(0, output.rfind('/'));
    struct stat status {};
    ASSERT_EQ(0, ::stat(folder.c_str(), &status));
    EXPECT_EQ(0700u, status.st_mode & 0777u);
    ASSERT_TRUE(reporter.CheckOutput());

    auto event = std::make_shared<Event>();
    MultiDaySchedule schedule(event);
    ImporterCSV importer(true);
    importer.SetDefinition("IgnoreFirstLine,Forename,Surname");
    CSVImportRun run(importer);
    {
        StdioFile file(output.c_str(), "rb");
        run.SetTarget(&schedule);
        run.SetInput(&file);
        ASSERT_EQ(ImportOutcome::Finished, RunImport(run));
    }
    EXPECT_EQ(2u, event->GetParents().Count());
    EXPECT_EQ("", sink.GetText());
}

TEST_F(SIMSRun, PrivateFolderGoesWithTheRecord) {
    std::string folder;
    {
        SIMSCommandReporter run;
        run.executable = reporter.executable;
        run.reportName = "pupils";
        ASSERT_TRUE(run.Start());
        EXPECT_EQ(SIMSFinished, PollUntilEnded(run));
        folder = run.GetOutputFileName();
        folder = folder.substr(0, folder.rfind('/'));
        EXPECT_TRUE(DirectoryName(folder).Exists());
    }
    EXPECT_FALSE(DirectoryName(folder).Exists());
}

TEST_F(SIMSRun, MissingOrEmptyOutputIsAFailedExtract) {
    for (const char* report : {"none", "fail", "empty"}) {
        SCOPED_TRACE(report);
        SIMSCommandReporter run;
        run.executable = reporter.executable;
        run.reportName = report;
        ASSERT_TRUE(run.Start());
        ASSERT_EQ(SIMSFinished, PollUntilEnded(run));
        EXPECT_FALSE(run.CheckOutput());
        EXPECT_EQ("Error: Extract from SIMS failed\n", sink.GetText());
    }
}

// Deleting a leftover report is the import window's work, before it starts a run.
TEST_F(SIMSRun, StartLeavesAFileAlreadyAtTheOutputPath) {
    reporter.reportName = "none";
    const std::string output = reporter.GetOutputFileName();
    std::FILE* file = std::fopen(output.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("Forename,Surname\nOld,Run\n", file);
    std::fclose(file);
    ASSERT_TRUE(reporter.Start()) << sink.GetText();
    ASSERT_EQ(SIMSFinished, PollUntilEnded(reporter));
    EXPECT_TRUE(FileName(output).Exists());
}

TEST_F(SIMSRun, HangingProgramIsStoppedAndReaped) {
    reporter.reportName = "slow";
    ASSERT_TRUE(reporter.Start());
    const pid_t pid = FakePid();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(SIMSRunning, reporter.Poll());
    EXPECT_FALSE(reporter.Start()) << "never started twice";
    EXPECT_TRUE(reporter.Stop());
    EXPECT_TRUE(IsGone(pid));
    EXPECT_EQ(SIMSNotStarted, reporter.Poll());

    SIMSCommandReporter* abandoned = new SIMSCommandReporter;
    abandoned->executable = reporter.executable;
    abandoned->reportName = "slow";
    ::unlink(temp.File("pid").c_str());
    ASSERT_TRUE(abandoned->Start());
    const pid_t second = FakePid();
    ASSERT_GT(second, 0);
    delete abandoned;
    EXPECT_TRUE(IsGone(second)) << "a cancelled import leaves no program running";
}

TEST_F(SIMSRun, StartRefusesWhatCannotRunAndStaysFailed) {
    const std::string folder = temp.Path();
    const std::string plain = temp.Write("notes.txt", "not a program");
    struct Case {
        const char* name;
        std::string executable;
        std::string reportName;
        std::string message;
        SIMSRunStatus after;
    } cases[] = {
        {"no program", "", "r", "Error: File '' does not exist\n", SIMSFailed},
        {"a folder", folder, "r", "Error: Executable '" + folder + "' is not a valid program\n",
         SIMSFailed},
        {"not executable", plain, "r", "Error: Cannot start program '" + plain + "'",
         SIMSNotStarted},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SIMSCommandReporter run;
        run.executable = c.executable;
        run.reportName = c.reportName;
        EXPECT_FALSE(run.Start());
        EXPECT_EQ(0u, sink.GetText().rfind(c.message, 0));
        EXPECT_EQ(c.after, run.Poll());
        EXPECT_EQ(c.after == SIMSFailed, run.HasFailed());
        if (c.after == SIMSFailed) {
            EXPECT_FALSE(run.Start());
            EXPECT_EQ("", sink.GetText()) << "a failed record refuses without a word";
        }
    }
}

TEST(SIMSSettings, KindsKeepTheirOwnReportsAndThePasswordIsNeverSaved) {
    UserSettings settings;
    SIMSCommandReporter teachers;
    teachers.executable = "/opt/SIMS/CommandReporter.exe";
    teachers.userName = "office";
    teachers.password = "secret";
    teachers.serverName = "srv";
    teachers.databaseName = "db";
    teachers.reportName = "Staff";
    teachers.reportParams = "all";
    teachers.SaveSettings(&settings, PeopleImport::Teachers);
    SIMSCommandReporter pupils;
    pupils.executable = teachers.executable;
    pupils.reportName = "Pupils";
    pupils.SaveSettings(&settings, PeopleImport::Pupils);

    EXPECT_EQ("Staff", settings.Get("sims_command_reporter_reportname_teachers"));
    EXPECT_EQ("all", settings.Get("sims_command_reporter_reportparams_teachers"));
    EXPECT_EQ("Pupils", settings.Get("sims_command_reporter_reportname_pupils"));
    EXPECT_EQ("", settings.Get("sims_command_reporter_username"))
        << "the second save emptied the shared user name";
    EXPECT_EQ(4u, settings.Count()) << "empty values leave no key, and there is no password key";

    SIMSCommandReporter loaded;
    loaded.password = "typed";
    loaded.reportName = "kept";
    loaded.LoadSettings(&settings, PeopleImport::Pupils);
    EXPECT_EQ(teachers.executable, loaded.executable);
    EXPECT_EQ("Pupils", loaded.reportName) << "each kind reads its own report";
    loaded.LoadSettings(&settings, PeopleImport::Teachers);
    EXPECT_EQ("Staff", loaded.reportName);
    EXPECT_EQ("typed", loaded.password);
    loaded.LoadSettings(nullptr, PeopleImport::Pupils);
    EXPECT_EQ("Staff", loaded.reportName);

    UserSettings empty;
    SIMSCommandReporter fresh;
    fresh.LoadSettings(&empty, PeopleImport::Pupils);
    EXPECT_EQ("", fresh.executable) << "no program under the programs folder here";
}

}  // namespace
