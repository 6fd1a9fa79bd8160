#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/event_file_writer.h"

class QMController;

// One autosave copy, made without holding the window: the event's text is formatted in short
// pieces on the window's thread, then a worker thread, which sees nothing but the text, compares
// it with the text last saved or opened and, when they differ, writes it over the autosave copy,
// whole or not at all. The event must not change between pieces: whoever may change it calls
// Restart first.
class AutosaveSession {
public:
    enum class Outcome { Pending, Unchanged, Written, Failed };

    explicit AutosaveSession(QMController& controller);
    // Waits for a write under way.
    ~AutosaveSession();
    AutosaveSession(const AutosaveSession&) = delete;
    AutosaveSession& operator=(const AutosaveSession&) = delete;

    // Begins a copy of the event as it is; false while one is under way, or without an event.
    bool Start();
    bool IsUnderWay() const { return stage_ != Stage::Idle; }
    bool IsFormatting() const { return stage_ == Stage::Formatting; }
    // Drops what was formatted: the next piece starts from the beginning. A write under way
    // goes on, its text being whole.
    void Restart();
    // Ends the copy under way: drops what was formatted and waits for a write under way, whose
    // outcome is not given.
    void Cancel();

    // Formats for about budget, hands the whole text to the worker, looks in on it. Pending
    // until the copy is done one way or the other; each outcome is given once.
    Outcome Continue(std::chrono::milliseconds budget);
    // The rest of the copy at once, waiting for the worker.
    Outcome Finish();
    // What to say of a failure, in order, before the window's own message.
    const std::vector<std::string>& FailureReasons() const { return reasons_; }

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
    Outcome Collect();

    QMController& controller_;
    Stage stage_ = Stage::Idle;
    std::unique_ptr<EventFileTextPieces> pieces_;
    std::thread worker_;
    std::atomic<bool> written_{false};
    Job job_;
    Result result_;
    std::vector<std::string> reasons_;
};
