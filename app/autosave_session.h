#pragma once

#include <sys/types.h>

#include <atomic>
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

// The autosave copy and the tick's rules. The tick forks: the child holds the event exactly as
// it stood at that instant, whatever the window does to it afterwards and however, formats it,
// compares it with the text last saved or opened and, when they differ, writes it over the
// autosave copy, whole or not at all, or removes the copy when they agree again. The window's
// thread only looks in on the child, so there is nothing for the event's changes to announce
// and nothing for the window to drive.
class AutosaveSession {
public:
    enum class Outcome { Pending, Unchanged, Written, Failed };
    // Makes the child that writes the copy, as fork() does; tests stand in for it.
    using Spawn = std::function<pid_t()>;

    // subject: asked once at the start of each copy.
    explicit AutosaveSession(std::function<AutosaveSubject()> subject, Spawn spawn = nullptr);
    // Waits for a copy under way.
    ~AutosaveSession();
    AutosaveSession(const AutosaveSession&) = delete;
    AutosaveSession& operator=(const AutosaveSession&) = delete;

    // The minute's tick: begins a copy of the event as it stands. Nothing while a copy is under
    // way, while a failure is being told, or without an event. When no child can be made the
    // copy is made here and now, whole; either way the outcome comes from Look or Wait.
    bool Tick();
    bool IsUnderWay() const { return child_ > 0 || madeHere_.has_value(); }
    // Pending while the copy under way is not done, without waiting; each outcome is given once.
    Outcome Look();
    // Waits for the copy under way: Pending when there is none.
    Outcome Wait();
    // Waits for the copy under way, whose outcome is not given, so that it never lands after
    // whatever comes next.
    void Cancel();
    // A whole copy now, on this thread, after the one under way: Unchanged without an event.
    Outcome CopyNow();
    // From any thread: waits until the child of a copy under way has ended, leaving it to be
    // collected, so that a copy written next is never overtaken by that older one.
    static void AwaitChildUnderWay();
    // What to say of a failure, in order, before "Auto save failed!".
    const std::vector<std::string>& FailureReasons() const { return reasons_; }
    // Says why the last copy failed, then "Auto save failed!"; a tick that comes while the
    // messages show starts nothing.
    void ReportFailure();

    struct Result {
        Outcome outcome = Outcome::Failed;
        int error = 0;  // errno of a failed write
    };
    // Text (as QMController::FormatEventText gives it) is compared with the digest of the saved
    // text and, when they differ, written with its check line over path, whole or not at all;
    // when they agree, a copy at path is removed.
    static Result WriteIfChanged(std::string text, const std::string& savedDigest,
                                 const std::string& path);

private:
    // The whole copy of subject, in whichever process runs it.
    static Result MakeCopy(const AutosaveSubject& subject);
    [[noreturn]] static void CopyInChildAndLeave(const AutosaveSubject& subject);
    Outcome Collect(int status);
    Outcome Conclude(Result result);

    std::function<AutosaveSubject()> subject_;
    Spawn spawn_;
    pid_t child_ = -1;
    // The newest child of any session, for other threads.
    static std::atomic<pid_t> childUnderWay_;
    // Where the copy under way goes, for what is said of its failure.
    std::string path_;
    // A copy made on this thread because no child could be made.
    std::optional<Result> madeHere_;
    bool reporting_ = false;
    std::vector<std::string> reasons_;
};
