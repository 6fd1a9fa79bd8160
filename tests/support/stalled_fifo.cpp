#include "support/stalled_fifo.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <stdexcept>

namespace {

double Now() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace

StalledFifo::StalledFifo(std::string path) : path_(std::move(path)) {
    if (::mkfifo(path_.c_str(), 0600) != 0) {
        throw std::runtime_error("cannot make the FIFO " + path_);
    }
    start_ = Now();
    writer_ = ::fork();
    if (writer_ == 0) {
        // Only calls safe after fork in a program with threads.
        timespec wait{kSeconds, 0};
        while (::nanosleep(&wait, &wait) != 0 && errno == EINTR) {
        }
        // Every reader from now on meets a writer that closes at once, until the FIFO goes.
        for (;;) {
            const int descriptor = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
            if (descriptor < 0) {
                ::_exit(0);
            }
            ::close(descriptor);
        }
    }
}

StalledFifo::~StalledFifo() {
    if (writer_ > 0) {
        ::kill(writer_, SIGKILL);
        int status = 0;
        while (::waitpid(writer_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    ::unlink(path_.c_str());
}

double StalledFifo::Elapsed() const {
    return Now() - start_;
}
