#include "foundation/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>
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

void SleepMilliseconds(long milliseconds) {
    timespec pause{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

// How long a killed child is looked in on before it is left to be collected later.
constexpr int kKillWaitMilliseconds = 500;

// Killed children that had not gone yet; every later call collects those that have.
std::mutex abandonedMutex;
std::vector<pid_t> abandoned;

void CollectAbandoned() {
    std::lock_guard<std::mutex> lock(abandonedMutex);
    abandoned.erase(std::remove_if(abandoned.begin(), abandoned.end(),
                                   [](pid_t pid) {
                                       int status = 0;
                                       pid_t result;
                                       do {
                                           result = ::waitpid(pid, &status, WNOHANG);
                                       } while (result < 0 && errno == EINTR);
                                       return result != 0;
                                   }),
                    abandoned.end());
}

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> arguments, std::string outputPath)
    : arguments_(std::move(arguments)), outputPath_(std::move(outputPath)) {}

ChildProcess::~ChildProcess() {
    if (running_) {
        int code = 0;
        Reap(&code);
    }
    CollectAbandoned();
}

std::string ChildProcess::ProgramName() const {
    return arguments_.empty() ? std::string() : arguments_.front();
}

bool ChildProcess::Start() {
    CollectAbandoned();
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

bool ChildProcess::Reap(int* exitCode) {
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(pid_, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == pid_) {
        *exitCode = CodeOf(status);
        running_ = false;
        ended_ = true;
        exitCode_ = *exitCode;
        return true;
    }
    if (result < 0) {
        running_ = false;
    }
    return false;
}

bool ChildProcess::CheckStatus(bool* running, int* exitCode) {
    CollectAbandoned();
    if (running_) {
        int code = kStillActive;
        if (Reap(&code)) {
            *running = false;
            *exitCode = code;
            return true;
        }
        if (running_) {
            *running = true;
            return true;
        }
    } else if (ended_) {
        *running = false;
        *exitCode = exitCode_;
        return true;
    } else {
        errno = ECHILD;
    }
    UCError::Current().ReportSystemError(SeverityError,
                                         "Cannot check program '" + ProgramName() + "': ");
    *running = false;
    *exitCode = -1;
    return false;
}

bool ChildProcess::AwaitEnd(int milliseconds) {
    int code = 0;
    for (int waited = 0;; waited += 10) {
        if (Reap(&code) || !running_) {
            return true;
        }
        if (waited >= milliseconds) {
            return false;
        }
        SleepMilliseconds(10);
    }
}

void ChildProcess::Kill() {
    ::kill(pid_, SIGKILL);
    if (AwaitEnd(kKillWaitMilliseconds)) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(abandonedMutex);
        abandoned.push_back(pid_);
    }
    running_ = false;
    ended_ = true;
    exitCode_ = 128 + SIGKILL;
}

bool ChildProcess::Stop(int graceMilliseconds) {
    CollectAbandoned();
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
