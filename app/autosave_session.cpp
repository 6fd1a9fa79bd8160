#include "app/autosave_session.h"

#include <cerrno>
#include <cstring>

#include "app/qm_controller.h"
#include "foundation/atomic_file.h"
#include "foundation/md5.h"
#include "foundation/time_of_day.h"
#include "model/multi_day_schedule.h"

namespace {

// People formatted between two looks at the clock.
constexpr unsigned kPeopleBetweenLooks = 16;

}  // namespace

AutosaveSession::AutosaveSession(QMController& controller) : controller_(controller) {}

AutosaveSession::~AutosaveSession() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

bool AutosaveSession::Start() {
    if (stage_ != Stage::Idle || controller_.GetSchedule() == nullptr ||
        !controller_.GetSchedule()->GetEvent()) {
        return false;
    }
    stage_ = Stage::Formatting;
    pieces_.reset();
    reasons_.clear();
    return true;
}

void AutosaveSession::Restart() {
    if (stage_ == Stage::Formatting) {
        pieces_.reset();
    }
}

void AutosaveSession::Cancel() {
    pieces_.reset();
    if (worker_.joinable()) {
        worker_.join();
    }
    job_ = Job{};
    stage_ = Stage::Idle;
}

AutosaveSession::Outcome AutosaveSession::Continue(std::chrono::milliseconds budget) {
    if (stage_ == Stage::Formatting) {
        MultiDaySchedule* schedule = controller_.GetSchedule();
        if (schedule == nullptr || !schedule->GetEvent()) {
            stage_ = Stage::Idle;
            pieces_.reset();
            return Outcome::Unchanged;
        }
        const auto until = std::chrono::steady_clock::now() + budget;
        // Comparing with the saved text must not see the random filler, nor move rand().
        FixedTimeEncoding fixed;
        if (!pieces_) {
            pieces_ = std::make_unique<EventFileTextPieces>(*schedule);
        }
        while (!pieces_->FormatSome(kPeopleBetweenLooks)) {
            if (std::chrono::steady_clock::now() >= until) {
                return Outcome::Pending;
            }
        }
        job_ = Job{pieces_->TakePieces(), controller_.GetSavedDigest(),
                   controller_.GetAutosavePath()};
        pieces_.reset();
        if (job_.pieces.empty()) {
            stage_ = Stage::Idle;
            reasons_ = {"Cannot save: event contains no days",
                        "Could not auto-save to file '" + job_.path + "'"};
            return Outcome::Failed;
        }
        stage_ = Stage::Writing;
        written_ = false;
        worker_ = std::thread([this] {
            result_ = WriteIfChanged(EventFileTextPieces::JoinPieces(job_.pieces),
                                     job_.savedDigest, job_.path);
            written_.store(true, std::memory_order_release);
        });
    }
    if (stage_ == Stage::Writing && written_.load(std::memory_order_acquire)) {
        return Collect();
    }
    return Outcome::Pending;
}

AutosaveSession::Outcome AutosaveSession::Finish() {
    Outcome outcome = Outcome::Pending;
    while (stage_ == Stage::Formatting && outcome == Outcome::Pending) {
        outcome = Continue(std::chrono::hours(1));
    }
    if (stage_ == Stage::Writing) {
        worker_.join();
        return Collect();
    }
    return outcome;
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
