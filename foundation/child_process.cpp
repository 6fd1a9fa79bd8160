#include "foundation/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

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

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> arguments, std::string outputPath)
    : arguments_(std::move(arguments)), outputPath_(std::move(outputPath)) {}

ChildProcess::~ChildProcess() {
    if (running_) {
        int code = 0;
        Reap(&code, false);
    }
}

std::string ChildProcess::ProgramName() const {
    return arguments_.empty() ? std::string() : arguments_.front();
}

bool ChildProcess::Start() {
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

bool ChildProcess::Reap(int* exitCode, bool block) {
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
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
    if (running_) {
        int code = kStillActive;
        if (Reap(&code, false)) {
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

bool ChildProcess::Stop(int graceMilliseconds) {
    if (!running_) {
        return false;
    }
    int code = 0;
    ::kill(pid_, SIGTERM);
    for (int waited = 0; waited < graceMilliseconds; waited += 10) {
        if (Reap(&code, false) || !running_) {
            return !running_;
        }
        SleepMilliseconds(10);
    }
    ::kill(pid_, SIGKILL);
    Reap(&code, true);
    return !running_;
}

bool ChildProcess::RunBlocking(int* exitCode) {
    if (!Start()) {
        return false;
    }
    int code = -1;
    Reap(&code, true);
    if (exitCode != nullptr) {
        *exitCode = code;
    }
    return true;
}
