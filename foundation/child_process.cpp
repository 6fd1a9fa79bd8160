#include "foundation/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "foundation/uc_error.h"

extern char** environ;

namespace {

int CodeOf(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}

// Killed children that had not gone yet, for a later call to collect.
std::mutex killedMutex;
std::vector<pid_t> killed;

}  // namespace

pid_t WaitForChild(pid_t child, int* status, std::chrono::steady_clock::time_point until) {
    auto pause = std::chrono::microseconds(100);
    for (;;) {
        pid_t done = -1;
        do {
            done = ::waitpid(child, status, WNOHANG);
        } while (done < 0 && errno == EINTR);
        const auto now = std::chrono::steady_clock::now();
        if (done != 0 || now >= until) {
            return done;
        }
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(pause, until - now));
        pause = std::min(pause * 2, std::chrono::microseconds(10000));
    }
}

bool KillChild(pid_t child, int* status) {
    ::kill(child, SIGKILL);
    const pid_t done = WaitForChild(
        child, status, std::chrono::steady_clock::now() + std::chrono::milliseconds(500));
    if (done == 0) {
        const std::lock_guard<std::mutex> lock(killedMutex);
        killed.push_back(child);
    }
    return done > 0;
}

void CollectKilledChildren() {
    const std::lock_guard<std::mutex> lock(killedMutex);
    std::erase_if(killed, [](pid_t child) {
        int status = 0;
        return WaitForChild(child, &status) != 0;
    });
}

ChildProcess::ChildProcess(std::vector<std::string> arguments, std::string outputPath)
    : arguments_(std::move(arguments)), outputPath_(std::move(outputPath)) {}

ChildProcess::~ChildProcess() {
    if (running_) {
        (void)AwaitEnd(0);
    }
    CollectKilledChildren();
}

std::string ChildProcess::ProgramName() const {
    return arguments_.empty() ? std::string() : arguments_.front();
}

bool ChildProcess::Start() {
    CollectKilledChildren();
    if (running_) {
        return false;
    }
    ended_ = false;
    const std::string failure = "Cannot start program '" + ProgramName() + "': ";
    if (arguments_.empty() || arguments_.front().empty()) {
        ReportMessage(SeverityError, failure + "no program given");
        return false;
    }
    int output = -1;
    if (!outputPath_.empty()) {
        output =
            ::open(outputPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
        if (output < 0) {
            UCError::Current().ReportSystemError(
                SeverityError, "Cannot create the output file '" + outputPath_ + "': ");
            return false;
        }
    }

    std::vector<char*> argv;
    argv.reserve(arguments_.size() + 1);
    for (std::string& argument : arguments_) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output >= 0) {
        posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output, STDERR_FILENO);
    }
    // Descriptors opened without close-on-exec (by us or a library) must not reach the child:
    // an inherited event file would keep its lock alive after we let it go.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

    pid_t pid = -1;
    const int result = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (output >= 0) {
        ::close(output);
    }
    if (result != 0) {
        ReportMessage(SeverityError, failure + std::strerror(result));
        return false;
    }
    pid_ = pid;
    running_ = true;
    return true;
}

void ChildProcess::Ended(int status) {
    running_ = false;
    ended_ = true;
    exitCode_ = CodeOf(status);
}

bool ChildProcess::CheckStatus(bool* running, int* exitCode) {
    CollectKilledChildren();
    if (running_ && !AwaitEnd(0)) {
        *running = true;
        return true;
    }
    if (ended_) {
        *running = false;
        *exitCode = exitCode_;
        return true;
    }
    errno = ECHILD;
    UCError::Current().ReportSystemError(SeverityError,
                                         "Cannot check program '" + ProgramName() + "': ");
    *running = false;
    *exitCode = -1;
    return false;
}

bool ChildProcess::AwaitEnd(int milliseconds) {
    int status = 0;
    const pid_t done = WaitForChild(
        pid_, &status, std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds));
    if (done == pid_) {
        Ended(status);
    } else if (done < 0) {
        running_ = false;
    }
    return !running_;
}

void ChildProcess::Kill() {
    int status = 0;
    if (KillChild(pid_, &status)) {
        Ended(status);
        return;
    }
    running_ = false;
    ended_ = true;
    exitCode_ = 128 + SIGKILL;
}

bool ChildProcess::Stop(int graceMilliseconds) {
    CollectKilledChildren();
    if (!running_) {
        return false;
    }
    ::kill(pid_, SIGTERM);
    if (!AwaitEnd(graceMilliseconds)) {
        Kill();
    }
    return true;
}

bool ChildProcess::RunBlocking(int* exitCode, int limitMilliseconds) {
    if (!Start()) {
        return false;
    }
    const bool ended = AwaitEnd(limitMilliseconds);
    if (!ended) {
        Kill();
        ReportMessage(SeverityError,
                      "Program '" + ProgramName() + "' took too long and was stopped");
    }
    if (exitCode != nullptr) {
        *exitCode = exitCode_;
    }
    return ended;
}
