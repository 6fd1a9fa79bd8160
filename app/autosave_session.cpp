#include "app/autosave_session.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

#include "app/event_file_writer.h"
#include "foundation/atomic_file.h"
#include "foundation/child_process.h"
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

// Copies land in the order of their moments, from the window's thread and the script
// watchdog's alike.
std::mutex landingMutex;
std::atomic<AutosaveSession::Moment> lastMoment{0};
AutosaveSession::Moment landedMoment = 0;

// Puts a copy of moment in place with put, unless a later copy or a removal came first.
AutosaveSession::Result Land(AutosaveSession::Moment moment, const std::function<bool()>& put) {
    using Outcome = AutosaveSession::Outcome;
    const std::lock_guard<std::mutex> lock(landingMutex);
    if (moment < landedMoment) {
        return {Outcome::Overtaken, 0};
    }
    if (!put()) {
        return {Outcome::Failed, errno};
    }
    landedMoment = moment;
    return {Outcome::Written, 0};
}

// Removes path as a later moment than every copy begun so far.
bool RemoveLanded(const std::string& path, const std::function<bool()>& stillOurs) {
    const std::lock_guard<std::mutex> lock(landingMutex);
    landedMoment = AutosaveSession::TakeMoment();
    if (!stillOurs()) {
        return true;
    }
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

}  // namespace

AutosaveSession::AutosaveSession(std::function<AutosaveSubject()> subject, Spawn spawn,
                                 std::chrono::milliseconds bound)
    : subject_(std::move(subject)), spawn_(std::move(spawn)), bound_(bound) {}

AutosaveSession::~AutosaveSession() {
    reporting_ = true;
    (void)Wait();
}

void AutosaveSession::SetSpawn(Spawn spawn, std::chrono::milliseconds bound) {
    spawn_ = std::move(spawn);
    bound_ = bound;
}

AutosaveSession::Moment AutosaveSession::TakeMoment() {
    return ++lastMoment;
}

bool AutosaveSession::Tick() {
    CollectKilledChildren();
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
    moment_ = TakeMoment();
    const pid_t child = spawn_ ? spawn_() : ::fork();
    if (child == 0) {
        CopyInChildAndLeave(subject);
    }
    if (child < 0) {
        // No tick is lost for want of a process.
        madeHere_ = MakeCopy(subject, moment_, false);
        return true;
    }
    child_ = child;
    deadline_ = Clock::now() + bound_;
    return true;
}

void AutosaveSession::CopyInChildAndLeave(const AutosaveSubject& subject) noexcept {
    int code = kExitErrnoBase;
    try {
        // The window's sink opens message boxes; this process has no window.
        UCStringError silent;
        // The event file's lock and the display's connection stay the window's alone.
        if (::close_range(3, ~0U, 0) != 0) {
            for (int descriptor = 3; descriptor < 1024; ++descriptor) {
                ::close(descriptor);
            }
        }
        code = ExitCodeOf(MakeCopy(subject, 0, true));
    } catch (...) {
        // Nothing may unwind into the window's stack and loop that this process copied.
    }
    // Neither the parent's atexit work nor its buffered output belongs to this process.
    ::_exit(code);
}

AutosaveSession::Result AutosaveSession::MakeCopy(const AutosaveSubject& subject, Moment moment,
                                                  bool staged) {
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
    if (!staged) {
        return WriteIfChanged(std::move(text), subject.savedDigest, subject.path, moment);
    }
    const std::string digest = MD5().HexDigest(text);
    if (!subject.savedDigest.empty() && digest == subject.savedDigest) {
        return {Outcome::Unchanged, 0};
    }
    if (subject.path.empty()) {
        return {Outcome::Failed, 0};
    }
    // Only the window puts the copy in place, so a child it gave up on never lands.
    text += "#" + digest + "\n";
    ReplacementFile replacement(WriteTargetOf(subject.path), text.data(), text.size());
    if (!replacement.Ok() || !replacement.Stage()) {
        return {Outcome::Failed, errno};
    }
    return {Outcome::Written, 0};
}

AutosaveSession::Outcome AutosaveSession::Look() {
    CollectKilledChildren();
    if (madeHere_) {
        const Result result = *madeHere_;
        madeHere_.reset();
        return Conclude(result);
    }
    if (child_ <= 0) {
        return Outcome::Pending;
    }
    int status = 0;
    const pid_t done = WaitForChild(child_, &status);
    if (done != 0) {
        return Collect(done < 0 ? -1 : status);
    }
    return Clock::now() < deadline_ ? Outcome::Pending : GiveUp();
}

AutosaveSession::Outcome AutosaveSession::Wait() {
    if (child_ <= 0) {
        return Look();
    }
    int status = 0;
    const pid_t done = WaitForChild(child_, &status, deadline_);
    if (done != 0) {
        return Collect(done < 0 ? -1 : status);
    }
    return GiveUp();
}

void AutosaveSession::Cancel() {
    if (Wait() == Outcome::Failed) {
        ReportFailure();
    }
}

AutosaveSession::Outcome AutosaveSession::CopyNow() {
    Cancel();
    const AutosaveSubject subject = subject_();
    if (subject.schedule == nullptr || !subject.schedule->GetEvent()) {
        return Outcome::Unchanged;
    }
    reasons_.clear();
    path_ = subject.path;
    return Conclude(MakeCopy(subject, TakeMoment(), false));
}

AutosaveSession::Outcome AutosaveSession::Collect(int status) {
    const pid_t child = std::exchange(child_, -1);
    Result result = ResultOf(status);
    if (result.outcome == Outcome::Written) {
        const std::string target = WriteTargetOf(path_);
        const std::string staged = StagedReplacementPath(target, child);
        result = Land(moment_, [&] { return ::rename(staged.c_str(), target.c_str()) == 0; });
        // Still there when it was overtaken.
        ::unlink(staged.c_str());
    }
    return Conclude(result);
}

AutosaveSession::Outcome AutosaveSession::GiveUp() {
    // It never puts its copy in place; what it left beside it goes as stale with the next copy.
    int status = 0;
    (void)KillChild(std::exchange(child_, -1), &status);
    reasons_ = {"Could not auto-save to file '" + path_ + "'"};
    return Outcome::Failed;
}

AutosaveSession::Outcome AutosaveSession::Conclude(Result result) {
    if (result.outcome == Outcome::Written) {
        struct stat written {};
        ownCopy_.reset();
        if (::stat(path_.c_str(), &written) == 0) {
            ownCopy_ = written;
        }
        return result.outcome;
    }
    if (result.outcome == Outcome::Unchanged) {
        RemoveOwnCopy();
        return result.outcome;
    }
    if (result.outcome == Outcome::Overtaken) {
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

void AutosaveSession::RemoveOwnCopy() {
    if (ownCopy_) {
        // A copy that stays is only offered at the next start, never trusted: no message.
        (void)RemoveLanded(path_, [this] {
            struct stat found {};
            return ::stat(path_.c_str(), &found) == 0 && found.st_dev == ownCopy_->st_dev &&
                   found.st_ino == ownCopy_->st_ino && found.st_size == ownCopy_->st_size &&
                   found.st_mtim.tv_sec == ownCopy_->st_mtim.tv_sec &&
                   found.st_mtim.tv_nsec == ownCopy_->st_mtim.tv_nsec;
        });
    }
    ownCopy_.reset();
}

bool AutosaveSession::RemoveCopy(const std::string& path) {
    return RemoveLanded(path, [] { return true; });
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
                                                        const std::string& path, Moment moment) {
    const std::string digest = MD5().HexDigest(text);
    if (!savedDigest.empty() && digest == savedDigest) {
        return {Outcome::Unchanged, 0};
    }
    if (path.empty()) {
        return {Outcome::Failed, 0};
    }
    // A copy cut short by a crash must never replace a whole one.
    text += "#" + digest + "\n";
    ReplacementFile replacement(WriteTargetOf(path), text.data(), text.size());
    if (!replacement.Ok()) {
        return {Outcome::Failed, errno};
    }
    return Land(moment, [&] { return replacement.Commit(false); });
}
