#include "foundation/child_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "foundation/files.h"
#include "foundation/uc_error.h"
#include "support/temp_folder.h"

namespace {

// tests/support/stubborn_child.py: deaf to SIGTERM and, once killed, held by a tracer of its own
// until that goes, as a child stuck in the kernel would be.
std::vector<std::string> StubbornChildCommand() {
    return {QM_PYTHON, std::string(QM_SOURCE_DIR) + "/tests/support/stubborn_child.py"};
}

// The tracer from the stubborn child's "READY <pid>" line; 0 when ten seconds pass without it.
pid_t WaitForTracer(const std::string& output) {
    for (int i = 0; i < 1000; ++i) {
        const std::string log = ReadWholeFile(output);
        const size_t ready = log.find("READY ");
        if (ready != std::string::npos && log.find('\n', ready) != std::string::npos) {
            return static_cast<pid_t>(std::atoi(log.c_str() + ready + 6));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

class ChildProcessTest : public ::testing::Test {
protected:
    static std::vector<std::string> Shell(const std::string& script) {
        return {"/bin/sh", "-c", script};
    }

    std::string Output() const { return temp_.Read("output.txt"); }

    // Polls as an idle handler would, until the child ends or ten seconds pass.
    static int WaitForExit(ChildProcess& child) {
        bool running = true;
        int code = -12345;
        for (int i = 0; i < 1000 && running; ++i) {
            EXPECT_TRUE(child.CheckStatus(&running, &code));
            if (running) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        EXPECT_FALSE(running);
        return code;
    }

    static bool IsReaped(pid_t pid) {
        int status = 0;
        return ::waitpid(pid, &status, WNOHANG) == -1 && errno == ECHILD;
    }

    // Unlike IsReaped, collects nothing itself.
    static bool IsGone(pid_t pid) { return ::kill(pid, 0) == -1 && errno == ESRCH; }

    static size_t OpenDescriptors() {
        return static_cast<size_t>(
            std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                          std::filesystem::directory_iterator()));
    }

    TempFolder temp_{"qm-child"};
    const std::string folder_ = temp_.Path();
    const std::string output_ = temp_.File("output.txt");
};

}  // namespace

TEST_F(ChildProcessTest, ReportsTheExitCodeAndLeavesNoZombie) {
    ChildProcess child(Shell("exit 3"));
    ASSERT_TRUE(child.Start());
    EXPECT_TRUE(child.IsRunning());
    EXPECT_EQ(WaitForExit(child), 3);
    EXPECT_FALSE(child.IsRunning());
    EXPECT_TRUE(IsReaped(child.GetProcessId()));
    bool running = true;
    int code = 0;
    EXPECT_TRUE(child.CheckStatus(&running, &code)) << "asking again gives the same answer";
    EXPECT_FALSE(running);
    EXPECT_EQ(code, 3);
}

TEST_F(ChildProcessTest, WhileRunningTheExitCodeIsLeftAloneAndStopEndsIt) {
    ChildProcess child({"sleep", "30"});
    ASSERT_TRUE(child.Start());
    bool running = false;
    int code = 77;
    EXPECT_TRUE(child.CheckStatus(&running, &code));
    EXPECT_TRUE(running);
    EXPECT_EQ(code, 77);
    EXPECT_FALSE(child.Start()) << "a running child cannot be started again";
    EXPECT_TRUE(child.Stop());
    EXPECT_FALSE(child.IsRunning());
    EXPECT_TRUE(IsReaped(child.GetProcessId()));
}

TEST_F(ChildProcessTest, ForcesAChildThatIgnoresTheRequestToEnd) {
    ChildProcess child(Shell("trap '' TERM; echo ready; exec sleep 30"), output_);
    ASSERT_TRUE(child.Start());
    for (int i = 0; i < 500 && Output().empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(child.Stop(100));
    EXPECT_TRUE(IsReaped(child.GetProcessId()));
}

// Whatever waits on a child that will not go (deaf to SIGTERM, and held by a tracer once
// killed, as one stuck in the kernel would be) comes back within its bound; the child is
// collected by a later call once it has gone.
TEST_F(ChildProcessTest, AChildThatWillNotGoNeverHoldsTheCaller) {
    for (const bool runBlocking : {false, true}) {
        SCOPED_TRACE(runBlocking ? "RunBlocking" : "Stop");
        const std::string output = temp_.File(runBlocking ? "blocking.txt" : "stop.txt");
        UCStringError sink;
        ChildProcess child(StubbornChildCommand(), output);
        const auto started = std::chrono::steady_clock::now();
        if (runBlocking) {
            int code = 0;
            EXPECT_FALSE(child.RunBlocking(&code));
            EXPECT_EQ(code, 128 + SIGKILL);
            EXPECT_EQ(sink.GetText(), "Error: Program '" + StubbornChildCommand()[0] +
                                          "' took too long and was stopped\n");
        } else {
            ASSERT_TRUE(child.Start());
            ASSERT_GT(WaitForTracer(output), 0);
            EXPECT_TRUE(child.Stop(100));
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
        const pid_t tracer = WaitForTracer(output);
        ASSERT_GT(tracer, 0);
        bool running = true;
        int code = 0;
        EXPECT_TRUE(child.CheckStatus(&running, &code));
        EXPECT_FALSE(running);
        EXPECT_EQ(code, 128 + SIGKILL);

        ::kill(tracer, SIGKILL);  // lets the child's end through to us
        for (int i = 0; i < 1000 && !IsGone(child.GetProcessId()); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ChildProcess later({"true"});
            later.RunBlocking();
        }
        EXPECT_TRUE(IsGone(child.GetProcessId()));
    }
}

TEST_F(ChildProcessTest, SendsStandardOutputAndErrorToTheFile) {
    ChildProcess child(Shell("echo out; echo err >&2; exit 1"), output_);
    ASSERT_TRUE(child.Start());
    EXPECT_EQ(WaitForExit(child), 1);
    EXPECT_EQ(Output(), "out\nerr\n");
}

TEST_F(ChildProcessTest, PassesArgumentsAsTheyAreWithoutAShell) {
    ChildProcess child({"/bin/sh", "-c", "printf '%s|' \"$@\"", "sh", "$HOME a;b", "*", "'q'"},
                       output_);
    ASSERT_TRUE(child.Start());
    EXPECT_EQ(WaitForExit(child), 0);
    EXPECT_EQ(Output(), "$HOME a;b|*|'q'|");
}

TEST_F(ChildProcessTest, AKilledChildCountsAsEnded) {
    ChildProcess child(Shell("kill -KILL $$"));
    ASSERT_TRUE(child.Start());
    EXPECT_EQ(WaitForExit(child), 128 + 9);
}

TEST_F(ChildProcessTest, AProgramThatCannotStartIsReportedAndNotRunning) {
    UCStringError sink;
    ChildProcess child({folder_ + "/no-such-program"});
    EXPECT_FALSE(child.Start());
    EXPECT_FALSE(child.IsRunning());
    EXPECT_EQ(sink.GetText(), "Error: Cannot start program '" + folder_ +
                                  "/no-such-program': No such file or directory\n");
    bool running = true;
    int code = 0;
    EXPECT_FALSE(child.CheckStatus(&running, &code));
    EXPECT_FALSE(running);
    EXPECT_EQ(code, -1);
    EXPECT_NE(sink.GetText().find("Cannot check program"), std::string::npos);
}

TEST_F(ChildProcessTest, AnUnwritableOutputFileStopsTheStart) {
    UCStringError sink;
    ChildProcess child(Shell("true"), folder_ + "/missing/output.txt");
    EXPECT_FALSE(child.Start());
    EXPECT_FALSE(child.IsRunning());
    EXPECT_NE(sink.GetText().find("Cannot create the output file"), std::string::npos);
}

TEST_F(ChildProcessTest, NeitherLeaksDescriptorsHereNorHandsThemToTheChild) {
    // A descriptor opened without close-on-exec, as a careless library might.
    const int opened = ::open("/dev/null", O_RDONLY);
    const int stray = ::fcntl(opened, F_DUPFD, 60);
    ::close(opened);
    ASSERT_GE(stray, 60);
    const size_t before = OpenDescriptors();
    const std::string script = "if [ -e /proc/self/fd/" + std::to_string(stray) +
                               " ]; then echo inherited; else echo closed; fi";
    {
        ChildProcess child(Shell(script), output_);
        ASSERT_TRUE(child.Start());
        EXPECT_EQ(WaitForExit(child), 0);
    }
    EXPECT_EQ(Output(), "closed\n");
    EXPECT_EQ(OpenDescriptors(), before);
    ::close(stray);
}

TEST_F(ChildProcessTest, RunBlockingWaitsForTheExitCode) {
    ChildProcess child(Shell("exit 5"));
    int code = 0;
    EXPECT_TRUE(child.RunBlocking(&code));
    EXPECT_EQ(code, 5);
    EXPECT_TRUE(IsReaped(child.GetProcessId()));
}
