#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/event_file_writer.h"

class MultiDaySchedule;

// What an autosave copy is made of, as its owner holds it at the tick: the timetable (null
// without an event), the digest of the text last saved or opened, and where the copy goes.
struct AutosaveSubject {
    MultiDaySchedule* schedule = nullptr;
    std::string savedDigest;
    std::string path;
};

// The autosave copy and the tick's rules. The event's text is formatted in short pieces on the
// window's thread, then a worker thread, which sees nothing but the text, compares it with the
// text last saved or opened and, when they differ, writes it over the autosave copy, whole or
// not at all. A copy is of one state of the event: whoever is about to change the event while
// a copy is formatted calls BeforeChange first.
class AutosaveSession {
public:
    enum class Outcome { Pending, Unchanged, Written, Failed };
    // How long after its tick a copy starts its formatting again for a change; later, it is
    // finished before the change, so that a stream of changes never keeps it from the disk.
    static constexpr std::chrono::milliseconds kRestartWindow{2000};

    // subject: asked once at the start of each copy.
    explicit AutosaveSession(std::function<AutosaveSubject()> subject,
                             std::chrono::milliseconds restartWindow = kRestartWindow);
    // Waits for a write under way.
    ~AutosaveSession();
    AutosaveSession(const AutosaveSession&) = delete;
    AutosaveSession& operator=(const AutosaveSession&) = delete;

    // The minute's tick: begins a copy of the event as it stands. Nothing while a copy is under
    // way, while a failure is being told, or without an event.
    bool Tick();
    bool IsUnderWay() const { return stage_ != Stage::Idle; }
    bool IsFormatting() const { return stage_ == Stage::Formatting; }
    // The event is about to change: a copy half formatted starts again, or, past the restart
    // window, is finished at once as the event stands (FinishFormatting).
    void BeforeChange();
    // Formats the rest at once and hands the text to the worker; the outcome comes from the next
    // Continue.
    void FinishFormatting();
    // Ends the copy under way: drops what was formatted and waits for a write under way, whose
    // outcome is not given.
    void Cancel();

    // Formats for about budget, hands the whole text to the worker, looks in on it. Pending
    // until the copy is done one way or the other; each outcome is given once.
    Outcome Continue(std::chrono::milliseconds budget);
    // The rest of the copy under way at once, waiting for the worker.
    Outcome Finish();
    // A whole copy now, whatever was under way, outside the tick's rules: Unchanged without an
    // event.
    Outcome CopyNow();
    // What to say of a failure, in order, before "Auto save failed!".
    const std::vector<std::string>& FailureReasons() const { return reasons_; }
    // Says why the last copy failed, then "Auto save failed!"; a tick that comes while the
    // messages show starts nothing.
    void ReportFailure();

    struct Result {
        Outcome outcome = Outcome::Failed;
        int error = 0;  // errno of a failed write
    };
    // The worker's whole work, fit for any thread: text (as QMController::FormatEventText gives
    // it) is compared with the digest of the saved text and, when they differ, written with its
    // check line over path, whole or not at all.
    static Result WriteIfChanged(std::string text, const std::string& savedDigest,
                                 const std::string& path);

private:
    enum class Stage { Idle, Formatting, Writing };
    struct Job {
        std::vector<std::string> pieces;
        std::string savedDigest;
        std::string path;
    };
    bool Begin();
    // Formats pieces until the text is whole (true) or the clock passes until.
    bool FormatUntil(std::chrono::steady_clock::time_point until);
    // The text is whole: hands it to the worker, or fails at once when there is none.
    void HandOver();
    Outcome Collect();

    std::function<AutosaveSubject()> subject_;
    std::chrono::milliseconds restartWindow_;
    std::chrono::steady_clock::time_point tickedAt_;
    Stage stage_ = Stage::Idle;
    bool reporting_ = false;
    // A failure found on the window's thread, given by the next Continue.
    bool failedEarly_ = false;
    MultiDaySchedule* schedule_ = nullptr;
    std::unique_ptr<EventFileTextPieces> pieces_;
    std::thread worker_;
    std::atomic<bool> written_{false};
    Job job_;
    Result result_;
    std::vector<std::string> reasons_;
};
