#include "app/autosave_session.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/event_file_writer.h"
#include "foundation/atomic_file.h"
#include "foundation/md5.h"
#include "foundation/time_of_day.h"
#include "foundation/uc_error.h"
#include "model/multi_day_schedule.h"

namespace {

// How the child's exit status carries its outcome; any other status is a child that died.
constexpr int kExitUnchanged = 10;
constexpr int kExitWritten = 11;
constexpr int kExitNoDays = 12;
constexpr int kExitErrnoBase = 32;  // plus the errno of a failed write
constexpr int kExitLast = 255;
// In Result::error: the event had no days, so there was no text.
constexpr int kNoDays = -1;

int ExitCodeOf(const AutosaveSession::Result& result) {
    using Outcome = AutosaveSession::Outcome;
    switch (result.outcome) {
        case Outcome::Unchanged:
            return kExitUnchanged;
        case Outcome::Written:
            return kExitWritten;
        default:
            break;
    }
    if (result.error == kNoDays) {
        return kExitNoDays;
    }
    return result.error > 0 && result.error <= kExitLast - kExitErrnoBase
               ? kExitErrnoBase + result.error
               : kExitErrnoBase;
}

AutosaveSession::Result ResultOf(int status) {
    using Outcome = AutosaveSession::Outcome;
    if (status < 0 || !WIFEXITED(status)) {
        return {Outcome::Failed, 0};
    }
    const int code = WEXITSTATUS(status);
    switch (code) {
        case kExitUnchanged:
            return {Outcome::Unchanged, 0};
        case kExitWritten:
            return {Outcome::Written, 0};
        case kExitNoDays:
            return {Outcome::Failed, kNoDays};
        default:
            return {Outcome::Failed, code > kExitErrnoBase ? code - kExitErrnoBase : 0};
    }
}

pid_t WaitFor(pid_t child, int* status, int options) {
    pid_t done = -1;
    do {
        done = ::waitpid(child, status, options);
    } while (done < 0 && errno == EINTR);
    return done;
}

}  // namespace

std::atomic<pid_t> AutosaveSession::childUnderWay_{-1};

AutosaveSession::AutosaveSession(std::function<AutosaveSubject()> subject, Spawn spawn)
    : subject_(std::move(subject)), spawn_(std::move(spawn)) {}

AutosaveSession::~AutosaveSession() {
    Cancel();
}

bool AutosaveSession::Tick() {
    // Ticks go on inside the failure message's own loop.
    if (reporting_ || IsUnderWay()) {
        return false;
    }
    const AutosaveSubject subject = subject_();
    if (subject.schedule == nullptr || !subject.schedule->GetEvent()) {
        return false;
    }
    reasons_.clear();
    path_ = subject.path;
    const pid_t child = spawn_ ? spawn_() : ::fork();
    if (child == 0) {
        CopyInChildAndLeave(subject);
    }
    if (child < 0) {
        // No tick is lost for want of a process.
        madeHere_ = MakeCopy(subject);
        return true;
    }
    child_ = child;
    childUnderWay_.store(child);
    return true;
}

void AutosaveSession::CopyInChildAndLeave(const AutosaveSubject& subject) {
    // The window's sink opens message boxes; this process has no window.
    UCStringError silent;
    // The event file's lock and the display's connection stay the window's alone.
    if (::close_range(3, ~0U, 0) != 0) {
        for (int descriptor = 3; descriptor < 1024; ++descriptor) {
            ::close(descriptor);
        }
    }
    const int code = ExitCodeOf(MakeCopy(subject));
    // Neither the parent's atexit work nor its buffered output belongs to this process.
    ::_exit(code);
}

AutosaveSession::Result AutosaveSession::MakeCopy(const AutosaveSubject& subject) {
    // What is wrong is told by the window, from FailureReasons.
    UCStringError quiet;
    std::string text;
    {
        // Comparing with the saved text must not see the random filler, nor move rand().
        FixedTimeEncoding fixed;
        text = EventFileWriter(*subject.schedule).FormatEventFile();
    }
    if (text.empty()) {
        return {Outcome::Failed, kNoDays};
    }
    return WriteIfChanged(std::move(text), subject.savedDigest, subject.path);
}

AutosaveSession::Outcome AutosaveSession::Look() {
    if (madeHere_) {
        const Result result = *madeHere_;
        madeHere_.reset();
        return Conclude(result);
    }
    if (child_ <= 0) {
        return Outcome::Pending;
    }
    int status = 0;
    const pid_t done = WaitFor(child_, &status, WNOHANG);
    if (done == 0) {
        return Outcome::Pending;
    }
    return Collect(done < 0 ? -1 : status);
}

AutosaveSession::Outcome AutosaveSession::Wait() {
    if (child_ <= 0) {
        return Look();
    }
    int status = 0;
    const pid_t done = WaitFor(child_, &status, 0);
    return Collect(done < 0 ? -1 : status);
}

void AutosaveSession::Cancel() {
    (void)Wait();
}

AutosaveSession::Outcome AutosaveSession::CopyNow() {
    Cancel();
    const AutosaveSubject subject = subject_();
    if (subject.schedule == nullptr || !subject.schedule->GetEvent()) {
        return Outcome::Unchanged;
    }
    reasons_.clear();
    path_ = subject.path;
    return Conclude(MakeCopy(subject));
}

void AutosaveSession::AwaitChildUnderWay() {
    const pid_t child = childUnderWay_.load();
    if (child <= 0) {
        return;
    }
    siginfo_t info{};
    // WNOWAIT: the session that made the child still collects its outcome.
    while (::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT) != 0 &&
           errno == EINTR) {
    }
}

AutosaveSession::Outcome AutosaveSession::Collect(int status) {
    pid_t collected = child_;
    childUnderWay_.compare_exchange_strong(collected, -1);
    child_ = -1;
    return Conclude(ResultOf(status));
}

AutosaveSession::Outcome AutosaveSession::Conclude(Result result) {
    if (result.outcome != Outcome::Failed) {
        return result.outcome;
    }
    const std::string couldNot = "Could not auto-save to file '" + path_ + "'";
    if (result.error == kNoDays) {
        reasons_ = {"Cannot save: event contains no days", couldNot};
    } else if (path_.empty()) {
        reasons_ = {"Could not auto-save because the user data folder is not available"};
    } else if (result.error > 0) {
        reasons_ = {"Cannot open file " + path_ + ": " + std::strerror(result.error), couldNot};
    } else {
        reasons_ = {couldNot};
    }
    return Outcome::Failed;
}

void AutosaveSession::ReportFailure() {
    reporting_ = true;
    const std::vector<std::string> reasons = reasons_;
    for (const std::string& reason : reasons) {
        ReportMessage(SeverityError, reason);
    }
    ReportMessage(SeverityError, "Auto save failed!");
    reporting_ = false;
}

AutosaveSession::Result AutosaveSession::WriteIfChanged(std::string text,
                                                        const std::string& savedDigest,
                                                        const std::string& path) {
    MD5 md5;
    const std::string digest = md5.HexDigest(text);
    if (!savedDigest.empty() && digest == savedDigest) {
        // A change undone since the last copy: that copy would bring it back after a crash.
        if (!path.empty()) {
            (void)std::remove(path.c_str());
        }
        return {Outcome::Unchanged, 0};
    }
    if (path.empty()) {
        return {Outcome::Failed, 0};
    }
    // A copy cut short by a crash must never replace a whole one.
    text += "#" + digest + "\n";
    if (!WriteFileAtomically(path, text)) {
        return {Outcome::Failed, errno};
    }
    return {Outcome::Written, 0};
}
