#include "app/autosave_session.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <mutex>
#include <utility>

#include "app/event_file_format.h"
#include "app/event_file_writer.h"
#include "foundation/atomic_file.h"
#include "foundation/byte_buffer.h"
#include "foundation/child_process.h"
#include "foundation/files.h"
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
    if (status >= 0 && WIFSIGNALED(status)) {
        return {Outcome::Failed, 0, WTERMSIG(status)};
    }
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
// watchdog's alike. Nothing under this lock waits for the disk to sync.
std::mutex landingMutex;
std::function<void(const std::string&)> folderSync = SyncFolderOf;
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

// Removes path at moment: no copy begun before it lands afterwards.
bool RemoveLanded(const std::string& path, AutosaveSession::Moment moment,
                  const std::function<bool()>& stillOurs) {
    const std::lock_guard<std::mutex> lock(landingMutex);
    landedMoment = std::max(landedMoment, moment);
    if (!stillOurs()) {
        return true;
    }
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

// Held, with flock, by the run that owns the copy at path; never removed, since a run may be
// about to lock it.
std::string OwnerLockPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    return path.substr(0, slash + 1) + "." + path.substr(slash + 1) + ".owner";
}

// The lock on the copy at path, or -1 when another run holds it or it cannot be made.
int LockCopy(const std::string& path, bool create) {
    const int descriptor = ::open(OwnerLockPath(path).c_str(),
                                  O_RDWR | O_CLOEXEC | O_NOCTTY | (create ? O_CREAT : 0), 0600);
    if (descriptor < 0) {
        return -1;
    }
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

// The whole copies children staged beside the copy at path and never put in place.
std::vector<std::string> StagedCopiesOf(const std::string& path) {
    std::vector<std::string> found;
    const std::string target = WriteTargetOf(path);
    const std::string folder = FolderOf(target);
    const std::string prefix = "." + target.substr(folder.size() + 1) + ".new.";
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) {
        return found;
    }
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) == 0 && name.size() > prefix.size() + 7 &&
            name.compare(name.size() - 7, 7, ".staged") == 0) {
            found.push_back(folder + "/" + name);
        }
    }
    ::closedir(listing);
    return found;
}

bool CopyIsThere(const std::string& path) {
    struct stat found {};
    return ::lstat(path.c_str(), &found) == 0 || !StagedCopiesOf(path).empty();
}

timespec TimeOfMoment(AutosaveSession::Moment moment) {
    return {static_cast<time_t>(moment / 1000000000U), static_cast<long>(moment % 1000000000U)};
}

// A copy's file carries its moment as its time, so that copies left by a run that is gone can
// be put in order.
bool StampMoment(int descriptor, AutosaveSession::Moment moment) {
    const timespec times[2] = {TimeOfMoment(moment), TimeOfMoment(moment)};
    return moment == 0 || ::futimens(descriptor, times) == 0;
}

// The moment a copy's file carries; 0 when there is none.
AutosaveSession::Moment MomentOf(const std::string& path) {
    struct stat found {};
    if (::stat(path.c_str(), &found) != 0) {
        return 0;
    }
    return static_cast<AutosaveSession::Moment>(found.st_mtim.tv_sec) * 1000000000U +
           static_cast<AutosaveSession::Moment>(found.st_mtim.tv_nsec);
}

}  // namespace

std::string AutosaveOwner::CopyPath(const std::string& folder, int place) {
    return folder +
           (place == 0 ? "/autosave.qmv" : "/autosave-" + std::to_string(place + 1) + ".qmv");
}

void AutosaveOwner::Release() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
        descriptor_ = -1;
    }
}

std::string AutosaveOwner::Claim(const std::string& folder) {
    Release();
    int firstFree = -1;
    for (int place = 0; place < kMostCopies; ++place) {
        const std::string path = CopyPath(folder, place);
        const bool left = CopyIsThere(path);
        // A place never used has no lock yet; it is made only for the place claimed.
        const int descriptor = LockCopy(path, left || firstFree < 0);
        if (descriptor < 0) {
            continue;
        }
        // Checked again under the lock: a run starting beside this one may have taken it.
        if (CopyIsThere(path)) {
            if (firstFree >= 0) {
                ::close(descriptor_);
            }
            descriptor_ = descriptor;
            return path;
        }
        if (firstFree < 0) {
            firstFree = place;
            descriptor_ = descriptor;
        } else {
            ::close(descriptor);
        }
    }
    return firstFree < 0 ? std::string() : CopyPath(folder, firstFree);
}

AutosaveSession::AutosaveSession(std::function<AutosaveSubject()> subject, Spawn spawn,
                                 std::chrono::milliseconds bound)
    : subject_(std::move(subject)), spawn_(std::move(spawn)), bound_(bound) {}

AutosaveSession::~AutosaveSession() {
    Cancel();
}

void AutosaveSession::SetSpawn(Spawn spawn, std::chrono::milliseconds bound) {
    spawn_ = std::move(spawn);
    bound_ = bound;
}

AutosaveSession::Moment AutosaveSession::TakeMoment() {
    // The time of day, so that copies a run left behind can be put in order by their files.
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const Moment time =
        static_cast<Moment>(now.tv_sec) * 1000000000U + static_cast<Moment>(now.tv_nsec);
    Moment last = lastMoment.load();
    Moment next = 0;
    do {
        next = std::max(last + 1, time);
    } while (!lastMoment.compare_exchange_weak(last, next));
    return next;
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
    const pid_t parent = ::getpid();
    const pid_t child = spawn_ ? spawn_() : ::fork();
    if (child == 0) {
        CopyInChildAndLeave(subject, moment_, parent);
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

void AutosaveSession::CopyInChildAndLeave(const AutosaveSubject& subject, Moment moment,
                                          pid_t parent) noexcept {
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
        const Result result = MakeCopy(subject, moment, true);
        // The window is gone (killed, crashed): nobody else will put the copy in place.
        if (result.outcome == Outcome::Written && ::getppid() != parent) {
            LandLeftCopy(subject.path, moment);
        }
        code = ExitCodeOf(result);
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
    if (!replacement.Ok() || !StampMoment(replacement.Descriptor(), moment) ||
        !replacement.Stage()) {
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
    if (madeHere_) {
        (void)Look();
        return;
    }
    if (child_ <= 0) {
        return;
    }
    int status = 0;
    const pid_t done = WaitForChild(child_, &status);
    if (done != 0) {
        // Done already: it lands, or not, as it would have at the next look.
        (void)Collect(done < 0 ? -1 : status);
        return;
    }
    (void)End();
}

AutosaveSession::Outcome AutosaveSession::EndOverdue() {
    const Outcome outcome = Look();
    return outcome == Outcome::Pending && child_ > 0 ? GiveUp() : outcome;
}

AutosaveSession::Outcome AutosaveSession::CopyNow() {
    Cancel();
    const AutosaveSubject subject = subject_();
    if (subject.schedule == nullptr || !subject.schedule->GetEvent()) {
        return Outcome::Unchanged;
    }
    reasons_.clear();
    path_ = subject.path;
    moment_ = TakeMoment();
    return Conclude(MakeCopy(subject, moment_, false));
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
    reasons_ = {
        "The autosave copy was still being written when the next one was due, so it "
        "was given up",
        "Could not auto-save to file '" + path_ + "'"};
    End();
    return Outcome::Failed;
}

void AutosaveSession::End() {
    // It never puts its copy in place, and what it staged goes at once, so that a crash now
    // cannot bring it back: once killed it runs no more, even while the kernel still holds it.
    const pid_t child = std::exchange(child_, -1);
    int status = 0;
    (void)KillChild(child, &status);
    ::unlink(StagedReplacementPath(WriteTargetOf(path_), child).c_str());
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
    if (result.signal != 0) {
        reasons_ = {std::string("The process writing the autosave copy was ended by a signal (") +
                        ::strsignal(result.signal) + ")",
                    couldNot};
    } else if (result.error == kNoDays) {
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
    // Taken as a removal even without a copy: none of an earlier moment lands after it. A copy
    // that stays is only offered at the next start, never trusted: no message.
    (void)RemoveLanded(path_, moment_, [this] {
        struct stat found {};
        return ownCopy_ && ::stat(path_.c_str(), &found) == 0 && found.st_dev == ownCopy_->st_dev &&
               found.st_ino == ownCopy_->st_ino && found.st_size == ownCopy_->st_size &&
               found.st_mtim.tv_sec == ownCopy_->st_mtim.tv_sec &&
               found.st_mtim.tv_nsec == ownCopy_->st_mtim.tv_nsec;
    });
    ownCopy_.reset();
}

void AutosaveSession::SetFolderSync(std::function<void(const std::string&)> sync) {
    folderSync = sync ? std::move(sync) : SyncFolderOf;
}

bool AutosaveSession::RemoveCopy(const std::string& path) {
    if (!RemoveLanded(path, TakeMoment(), [] { return true; })) {
        return false;
    }
    // Nor is a copy a child staged beside it found again; the copies being written beside it (a
    // watchdog's, later than this) are left alone.
    if (!path.empty()) {
        for (const std::string& staged : StagedCopiesOf(path)) {
            ::unlink(staged.c_str());
        }
    }
    return true;
}

void AutosaveSession::SettleLeftCopies(const std::string& path) {
    if (path.empty()) {
        return;
    }
    const std::string target = WriteTargetOf(path);
    std::string newest;
    Moment newestMoment = MomentOf(target);
    for (const std::string& staged : StagedCopiesOf(path)) {
        const Moment moment = MomentOf(staged);
        std::unique_ptr<ByteBuffer> bytes = FileName(staged).ReadAll();
        if (moment > newestMoment && bytes && VerifyAutosaveText(bytes->ToString())) {
            if (!newest.empty()) {
                ::unlink(newest.c_str());
            }
            newest = staged;
            newestMoment = moment;
        } else {
            ::unlink(staged.c_str());
        }
    }
    if (!newest.empty() && ::rename(newest.c_str(), target.c_str()) == 0) {
        SyncFolderOf(target);
    }
}

void AutosaveSession::LandLeftCopy(const std::string& path, Moment moment) {
    // Only while no run owns the copy: one that does has recovered, or will.
    const int owner = LockCopy(path, false);
    if (owner < 0) {
        return;
    }
    const std::string target = WriteTargetOf(path);
    const std::string staged = StagedReplacementPath(target, ::getpid());
    if (MomentOf(target) < moment && ::rename(staged.c_str(), target.c_str()) == 0) {
        SyncFolderOf(target);
    } else {
        ::unlink(staged.c_str());
    }
    ::close(owner);
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
    const std::string target = WriteTargetOf(path);
    ReplacementFile replacement(target, text.data(), text.size());
    if (!replacement.Ok() || !StampMoment(replacement.Descriptor(), moment)) {
        return {Outcome::Failed, errno};
    }
    const Result result = Land(moment, [&] { return replacement.Commit(false, false); });
    if (result.outcome == Outcome::Written) {
        folderSync(target);
    }
    return result;
}
