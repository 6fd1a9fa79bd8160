#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// Collects child when it has ended (status set): the pid then, 0 while it runs, -1 when there
// is no such child. Never waits past until.
pid_t WaitForChild(pid_t child, int* status,
                   std::chrono::steady_clock::time_point until = std::chrono::steady_clock::now());

// Kills child (SIGKILL) and collects it when it goes within half a second; one that does not
// (stuck in the kernel, held by a debugger) is left to CollectKilledChildren, never waited for.
// True when collected, with its status.
bool KillChild(pid_t child, int* status);

// Collects, without waiting, the killed children that had not gone yet.
void CollectKilledChildren();

// A program run beside ours (an outside reporting tool, an installer), its standard output and
// error optionally sent to a file, polled from an idle handler until it ends. The program is
// started directly from its argument list, never through a shell, and inherits no descriptor
// but the standard three.
class ChildProcess {
public:
    // The exit code that stands for "still running" where a code is asked for too early.
    static constexpr int kStillActive = 259;
    static constexpr int kStopGraceMilliseconds = 2000;
    static constexpr int kRunLimitMilliseconds = 5000;

    // arguments[0] is the program, looked up on PATH when it holds no '/'. An empty output
    // path leaves standard output and error those of this process.
    explicit ChildProcess(std::vector<std::string> arguments, std::string outputPath = "");
    // Reaps a child that has ended; one still running is left to run (an installer must
    // outlive us), and is reaped by the system when this process ends.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // False at once when already running. Creates the output file anew. On failure reports
    // "Cannot start program '<program>': <reason>" and returns false, not running.
    bool Start();

    // Whether the child still runs; once it has ended, *exitCode gets its code (128 + the
    // signal for a child killed by one) and the child is reaped. *exitCode is untouched while
    // it runs, and asking again after the end gives the same code. False, with "Cannot check
    // program '<program>': <reason>" reported, *running false and *exitCode -1, when no child
    // was started.
    bool CheckStatus(bool* running, int* exitCode);

    // Asks the child to end (SIGTERM) and forces it (SIGKILL) after the grace period. A killed
    // child that has not gone a moment later (stuck in the kernel, held by a debugger) counts as
    // ended with code 128 + SIGKILL and is collected by a later call, never waited for. True when
    // it was running.
    bool Stop(int graceMilliseconds = kStopGraceMilliseconds);

    // Starts the program and waits for it to end, at most limitMilliseconds: one still running
    // then is killed as Stop kills it, and "Program '<program>' took too long and was stopped"
    // is reported. False when it could not be started or did not end in time.
    bool RunBlocking(int* exitCode = nullptr, int limitMilliseconds = kRunLimitMilliseconds);

    bool IsRunning() const { return running_; }
    pid_t GetProcessId() const { return pid_; }
    const std::vector<std::string>& GetArguments() const { return arguments_; }

private:
    std::string ProgramName() const;
    // Looks in on the child until it ends or the time is up; true when it has ended.
    bool AwaitEnd(int milliseconds);
    void Kill();
    void Ended(int status);

    std::vector<std::string> arguments_;
    std::string outputPath_;
    bool running_ = false;
    bool ended_ = false;
    int exitCode_ = -1;
    pid_t pid_ = -1;
};
