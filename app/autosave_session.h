#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class MultiDaySchedule;

// What an autosave copy is made of, as its owner holds it at the tick: the timetable (null
// without an event), the digest of the text last saved or opened, and where the copy goes.
struct AutosaveSubject {
    MultiDaySchedule* schedule = nullptr;
    std::string savedDigest;
    std::string path;
};

// Which autosave copy in the user data folder is this run's. Each running copy of the program
// owns one, through a lock held while it runs, so that no run writes, removes or recovers
// another's. The first is "autosave.qmv", as a single copy has always been named; runs beside
// it take "autosave-2.qmv" and on. A copy whose owner is gone is left for the next run to
// recover, and is claimed by it before any free one.
class AutosaveOwner {
public:
    static constexpr int kMostCopies = 64;
    AutosaveOwner() = default;
    ~AutosaveOwner() { Release(); }
    AutosaveOwner(const AutosaveOwner&) = delete;
    AutosaveOwner& operator=(const AutosaveOwner&) = delete;

    // Claims a copy in folder for this run, giving up any claimed before: its path, or ""
    // when every copy is owned or none can be locked.
    std::string Claim(const std::string& folder);
    void Release();

    // The copy's path for each place; "autosave.qmv" first.
    static std::string CopyPath(const std::string& folder, int place);

private:
    int descriptor_ = -1;
};

// The autosave copy and the tick's rules. The tick forks: the child holds the event exactly as
// it stood at that instant, whatever the window does to it afterwards and however, formats it,
// compares it with the text last saved or opened and, when they differ, writes it whole beside
// the autosave copy. The window's thread only looks in on the child and puts a finished copy in
// place, so there is nothing for the event's changes to announce and nothing for the window to
// drive. A child made unwanted by what comes next is killed at once; one nobody waits for gets
// until the next tick. Since only the window puts copies in place while it runs, nothing a
// killed child leaves can land later; a child whose window died puts its own copy in place.
class AutosaveSession {
public:
    enum class Outcome {
        Pending,
        Unchanged,
        Written,
        // A copy of a later moment, or a removal of the copy, came first: this one was dropped.
        Overtaken,
        Failed
    };
    // Makes the child that writes the copy, as fork() does; tests stand in for it.
    using Spawn = std::function<pid_t()>;
    // How long a copy nobody waits for may take, from its tick, before it is given up: until
    // the next minute's tick. A copy of ten times the large school takes about a quarter of a
    // second, and a busy machine has made it take three.
    static constexpr std::chrono::milliseconds kCopyBound{60000};
    // Copies land in the order of their moments: one of an earlier moment, or one begun before
    // the copy was removed, never lands after them.
    using Moment = std::uint64_t;

    // subject: asked once at the start of each copy.
    explicit AutosaveSession(std::function<AutosaveSubject()> subject, Spawn spawn = nullptr,
                             std::chrono::milliseconds bound = kCopyBound);
    // Ends a copy under way within its bound, silently.
    ~AutosaveSession();
    AutosaveSession(const AutosaveSession&) = delete;
    AutosaveSession& operator=(const AutosaveSession&) = delete;

    // For tests: how the next copies' children are made, and their bound.
    void SetSpawn(Spawn spawn, std::chrono::milliseconds bound = kCopyBound);

    // The minute's tick: begins a copy of the event as it stands. Nothing while a copy is under
    // way, while a failure is being told, or without an event. When no child can be made the
    // copy is made here and now, whole; either way the outcome comes from Look or Wait.
    bool Tick();
    bool IsUnderWay() const { return child_ > 0 || madeHere_.has_value(); }
    // Pending while the copy under way is not done, without waiting; a copy past its bound is
    // given up (Failed). Each outcome is given once.
    Outcome Look();
    // Waits for the copy under way, no longer than its bound: Pending when there is none.
    Outcome Wait();
    // Ends the copy under way at once, silently, for whatever comes next has made it unwanted:
    // it never lands after that. One already done lands, or not, as a look would have it.
    void Cancel();
    // At the next tick: a copy still under way is given up (Failed); otherwise as Look.
    Outcome EndOverdue();
    // A whole copy now, on this thread, after the one under way: Unchanged without an event.
    Outcome CopyNow();
    // What to say of a failure, in order, before "Auto save failed!".
    const std::vector<std::string>& FailureReasons() const { return reasons_; }
    // Says why the last copy failed, then "Auto save failed!"; a tick that comes while the
    // messages show starts nothing.
    void ReportFailure();

    struct Result {
        Outcome outcome = Outcome::Failed;
        int error = 0;   // errno of a failed write
        int signal = 0;  // the signal that ended the child
    };
    // The moment of a copy about to be made; from any thread.
    static Moment TakeMoment();
    // Text (as QMController::FormatEventText gives it), of the event at moment, is compared with
    // the digest of the saved text and, when they differ, written with its check line over path,
    // whole or not at all. From any thread.
    static Result WriteIfChanged(std::string text, const std::string& savedDigest,
                                 const std::string& path, Moment moment);
    // Removes the copy at path; false with errno when it stays. Copies begun before never land.
    static bool RemoveCopy(const std::string& path);
    // At start-up, by the copy's owner before it makes copies: the newest whole copy that a
    // run now gone left at path (a child's, finished after the run ended) is put in place;
    // older ones are removed.
    static void SettleLeftCopies(const std::string& path);
    // For tests, before any copy is made: how a written copy's folder is synced (null: as
    // always).
    static void SetFolderSync(std::function<void(const std::string& path)> sync);

private:
    using Clock = std::chrono::steady_clock;
    // The whole copy of subject, in whichever process runs it; a child leaves its copy staged.
    static Result MakeCopy(const AutosaveSubject& subject, Moment moment, bool staged);
    [[noreturn]] static void CopyInChildAndLeave(const AutosaveSubject& subject, Moment moment,
                                                 pid_t parent) noexcept;
    // In a child whose window is gone: puts its staged copy of moment in place unless a run
    // owns the copy or a later one is there.
    static void LandLeftCopy(const std::string& path, Moment moment);
    // Kills the child under way; what it staged never lands.
    void End();
    Outcome Collect(int status);
    Outcome GiveUp();
    Outcome Conclude(Result result);
    // A copy this session wrote holds changes the event no longer has (undone, or of an event
    // given up): left there, a crash would bring them back.
    void RemoveOwnCopy();

    std::function<AutosaveSubject()> subject_;
    Spawn spawn_;
    std::chrono::milliseconds bound_;
    pid_t child_ = -1;
    Clock::time_point deadline_;
    Moment moment_ = 0;
    // Where the copy under way goes, for what is said of its failure.
    std::string path_;
    // A copy made on this thread because no child could be made.
    std::optional<Result> madeHere_;
    bool reporting_ = false;
    // The file this session last wrote at path_, so that nothing else (a file saved there,
    // another copy of the program's) is ever taken for its copy.
    std::optional<struct stat> ownCopy_;
    std::vector<std::string> reasons_;
};
