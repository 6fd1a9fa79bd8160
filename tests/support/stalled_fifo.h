#pragma once

#include <sys/types.h>

#include <string>

// A FIFO where a file was expected, as a user or a script may name one. Nothing writes to it
// for kSeconds, so a road that opens or reads it waits that long; from then on a child opens
// it for writing and closes it at once for every reader, so a road that waits sees an empty
// file rather than hanging the test. A road that refuses it comes back well before.
class StalledFifo {
public:
    static constexpr int kSeconds = 4;

    explicit StalledFifo(std::string path);
    ~StalledFifo();
    StalledFifo(const StalledFifo&) = delete;
    StalledFifo& operator=(const StalledFifo&) = delete;

    const std::string& Path() const { return path_; }
    // Seconds since it was made.
    double Elapsed() const;
    // Came back before the writer would have let a waiting road go.
    bool Refused() const { return Elapsed() < kSeconds - 1; }

private:
    std::string path_;
    pid_t writer_ = -1;
    double start_ = 0;
};
