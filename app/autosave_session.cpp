#include "app/autosave_session.h"

#include <cerrno>
#include <cstring>

#include "foundation/atomic_file.h"
#include "foundation/md5.h"
#include "foundation/time_of_day.h"
#include "foundation/uc_error.h"
#include "model/multi_day_schedule.h"

namespace {

// People formatted between two looks at the clock.
constexpr unsigned kPeopleBetweenLooks = 16;

}  // namespace

AutosaveSession::AutosaveSession(std::function<AutosaveSubject()> subject,
                                 std::chrono::milliseconds restartWindow)
    : subject_(std::move(subject)), restartWindow_(restartWindow) {}

AutosaveSession::~AutosaveSession() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

bool AutosaveSession::Tick() {
    // Ticks go on inside the failure message's own loop, and a copy of a large event spans
    // several passes of the window's loop.
    return !reporting_ && Begin();
}

bool AutosaveSession::Begin() {
    if (IsUnderWay()) {
        return false;
    }
    AutosaveSubject subject = subject_();
    if (subject.schedule == nullptr || !subject.schedule->GetEvent()) {
        return false;
    }
    schedule_ = subject.schedule;
    job_ = Job{{}, std::move(subject.savedDigest), std::move(subject.path)};
    pieces_.reset();
    reasons_.clear();
    failedEarly_ = false;
    stage_ = Stage::Formatting;
    tickedAt_ = std::chrono::steady_clock::now();
    return true;
}

void AutosaveSession::Cancel() {
    pieces_.reset();
    if (worker_.joinable()) {
        worker_.join();
    }
    job_ = Job{};
    schedule_ = nullptr;
    failedEarly_ = false;
    stage_ = Stage::Idle;
}

void AutosaveSession::BeforeChange() {
    if (stage_ != Stage::Formatting) {
        return;
    }
    if (std::chrono::steady_clock::now() - tickedAt_ < restartWindow_) {
        pieces_.reset();
    } else {
        FinishFormatting();
    }
}

void AutosaveSession::FinishFormatting() {
    if (stage_ == Stage::Formatting && FormatUntil(std::chrono::steady_clock::time_point::max())) {
        HandOver();
    }
}

bool AutosaveSession::FormatUntil(std::chrono::steady_clock::time_point until) {
    // Comparing with the saved text must not see the random filler, nor move rand().
    FixedTimeEncoding fixed;
    if (!pieces_) {
        pieces_ = std::make_unique<EventFileTextPieces>(*schedule_);
    }
    while (!pieces_->FormatSome(kPeopleBetweenLooks)) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
    }
    return true;
}

void AutosaveSession::HandOver() {
    job_.pieces = pieces_->TakePieces();
    pieces_.reset();
    schedule_ = nullptr;
    if (job_.pieces.empty()) {
        stage_ = Stage::Idle;
        failedEarly_ = true;
        reasons_ = {"Cannot save: event contains no days",
                    "Could not auto-save to file '" + job_.path + "'"};
        job_ = Job{};
        return;
    }
    stage_ = Stage::Writing;
    written_ = false;
    worker_ = std::thread([this] {
        result_ = WriteIfChanged(EventFileTextPieces::JoinPieces(job_.pieces), job_.savedDigest,
                                 job_.path);
        written_.store(true, std::memory_order_release);
    });
}

AutosaveSession::Outcome AutosaveSession::Continue(std::chrono::milliseconds budget) {
    if (stage_ == Stage::Formatting) {
        if (!FormatUntil(std::chrono::steady_clock::now() + budget)) {
            return Outcome::Pending;
        }
        HandOver();
    }
    if (failedEarly_) {
        failedEarly_ = false;
        return Outcome::Failed;
    }
    if (stage_ == Stage::Writing && written_.load(std::memory_order_acquire)) {
        return Collect();
    }
    return Outcome::Pending;
}

AutosaveSession::Outcome AutosaveSession::Finish() {
    FinishFormatting();
    if (failedEarly_) {
        failedEarly_ = false;
        return Outcome::Failed;
    }
    if (stage_ == Stage::Writing) {
        worker_.join();
        return Collect();
    }
    return Outcome::Pending;
}

AutosaveSession::Outcome AutosaveSession::CopyNow() {
    Cancel();
    return Begin() ? Finish() : Outcome::Unchanged;
}

AutosaveSession::Outcome AutosaveSession::Collect() {
    if (worker_.joinable()) {
        worker_.join();
    }
    stage_ = Stage::Idle;
    const Result result = result_;
    if (result.outcome == Outcome::Failed) {
        if (job_.path.empty()) {
            reasons_ = {"Could not auto-save because the user data folder is not available"};
        } else {
            reasons_ = {"Cannot open file " + job_.path + ": " + std::strerror(result.error),
                        "Could not auto-save to file '" + job_.path + "'"};
        }
    }
    job_ = Job{};
    return result.outcome;
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
