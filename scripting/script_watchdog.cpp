#include "scripting/script_watchdog.h"

#include <algorithm>
#include <string>
#include <utility>

#include "app/autosave_session.h"
#include "app/qm_controller.h"

ScriptWatchdog& ScriptWatchdog::Instance() {
    // Never destroyed: a watching thread that Stop had to leave behind may still be writing.
    static ScriptWatchdog& watchdog = *new ScriptWatchdog;
    return watchdog;
}

void ScriptWatchdog::Start(std::chrono::milliseconds stuckAfter,
                           std::chrono::milliseconds copyEvery) {
    copyEvery_ = copyEvery;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stuckAfter_ = stuckAfter;
        if (!thread_.joinable()) {
            quit_ = false;
            thread_ = std::thread(&ScriptWatchdog::Watch, this, ++generation_);
        }
    }
    wake_.notify_all();
}

void ScriptWatchdog::Stop() {
    std::unique_lock<std::mutex> lock(mutex_);
    quit_ = true;
    std::thread finished = std::move(thread_);
    const unsigned generation = generation_;
    wake_.notify_all();
    if (!finished.joinable()) {
        return;
    }
    // A copy held up by a stalled disk is not waited for: the thread ends by itself after it.
    const bool ended =
        wake_.wait_for(lock, kStopBound, [&] { return endedGeneration_ == generation; });
    lock.unlock();
    if (ended) {
        finished.join();
    } else {
        finished.detach();
    }
}

void ScriptWatchdog::Beat() {
    // Paired with CopyWhileStuck: either the copy sees this beat and leaves the model alone,
    // or this sees the copy under way and waits for it.
    beat_.fetch_add(1);
    if (copying_.load()) {
        std::lock_guard<std::mutex> wait(copyMutex_);
    }
}

void ScriptWatchdog::Checkpoint() {
    Beat();
    QMController* controller = controller_;
    if (runDepth_ == 0 || controller == nullptr || std::chrono::steady_clock::now() < copyDue_) {
        return;
    }
    copyDue_ = std::chrono::steady_clock::now() + copyEvery_;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // Without the watching thread nothing could write it without holding the window up.
        if (!thread_.joinable() || quit_) {
            return;
        }
    }
    PendingCopy copy;
    copy.moment = AutosaveSession::TakeMoment();
    // Between two steps of the script: a timetable it reshaped is no longer the one sent.
    controller->SettleSentMarksIfReshaped();
    copy.text = controller->FormatEventText();
    copy.savedDigest = controller->GetSavedDigest();
    copy.path = controller->GetAutosavePath();
    if (copy.text.empty() || copy.path.empty()) {
        return;
    }
    {
        // One still unwritten (a stalled disk) gives way to the newer.
        std::lock_guard<std::mutex> lock(mutex_);
        pending_ = std::move(copy);
    }
    wake_.notify_all();
}

ScriptWatchdog::LuaRunning::LuaRunning(QMController* controller)
    : wasRunning_(Instance().luaRunning_.exchange(true)),
      previous_(Instance().controller_.exchange(controller)) {
    if (Instance().runDepth_++ == 0) {
        Instance().copyDue_ = std::chrono::steady_clock::now() + Instance().copyEvery_;
    }
    Instance().Beat();
}

ScriptWatchdog::LuaRunning::~LuaRunning() {
    --Instance().runDepth_;
    Instance().Beat();
    Instance().controller_ = previous_;
    Instance().luaRunning_ = wasRunning_;
}

ScriptWatchdog::HostFunction::HostFunction() : wasRunning_(Instance().luaRunning_) {
    Instance().Beat();
    Instance().luaRunning_ = false;
}

ScriptWatchdog::HostFunction::~HostFunction() {
    Instance().Beat();
    Instance().luaRunning_ = wasRunning_;
}

void ScriptWatchdog::Watch(unsigned generation) {
    using Clock = std::chrono::steady_clock;
    unsigned long long lastBeat = beat_;
    Clock::time_point since = Clock::now();
    // A stuck call is copied once; the event cannot change until it comes back.
    bool copied = false;
    std::unique_lock<std::mutex> lock(mutex_);
    while (!quit_ && generation == generation_) {
        const auto interval = std::clamp(stuckAfter_ / 4, std::chrono::milliseconds(10),
                                         std::chrono::milliseconds(250));
        wake_.wait_for(lock, interval);
        if (pending_) {
            PendingCopy copy = std::move(*pending_);
            pending_.reset();
            lock.unlock();
            if (AutosaveSession::WriteIfChanged(std::move(copy.text), copy.savedDigest, copy.path,
                                                copy.moment)
                    .outcome == AutosaveSession::Outcome::Written) {
                ++copiesWritten_;
            }
            lock.lock();
        }
        const unsigned long long beat = beat_;
        if (quit_ || !luaRunning_ || beat != lastBeat) {
            lastBeat = beat;
            since = Clock::now();
            copied = false;
            continue;
        }
        if (copied || Clock::now() - since < stuckAfter_) {
            continue;
        }
        lock.unlock();
        copied = CopyWhileStuck(lastBeat);
        lock.lock();
    }
    endedGeneration_ = generation;
    lock.unlock();
    wake_.notify_all();
}

bool ScriptWatchdog::CopyWhileStuck(unsigned long long lastBeat) {
    std::string text;
    std::string savedDigest;
    std::string path;
    AutosaveSession::Moment moment = 0;
    bool stuck = false;
    {
        // Only the reading of the model is waited for; the write goes on without the lock.
        std::lock_guard<std::mutex> hold(copyMutex_);
        copying_.store(true);
        stuck = luaRunning_.load() && beat_.load() == lastBeat;
        QMController* controller = controller_;
        if (stuck && controller != nullptr) {
            // Formatting and writing report nothing: the message sink belongs to the window's
            // thread.
            moment = AutosaveSession::TakeMoment();
            text = controller->FormatEventText();
            savedDigest = controller->GetSavedDigest();
            path = controller->GetAutosavePath();
        }
        copying_.store(false);
    }
    // A copy that cannot be written leaves the previous one as it was; one that lands after a
    // later copy or a save is dropped.
    if (!text.empty() &&
        AutosaveSession::WriteIfChanged(std::move(text), savedDigest, path, moment).outcome ==
            AutosaveSession::Outcome::Written) {
        ++copiesWritten_;
    }
    return stuck;
}
