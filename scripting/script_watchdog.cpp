#include "scripting/script_watchdog.h"

#include <algorithm>
#include <string>
#include <utility>

#include "app/autosave_session.h"
#include "app/qm_controller.h"

ScriptWatchdog& ScriptWatchdog::Instance() {
    static ScriptWatchdog watchdog;
    return watchdog;
}

ScriptWatchdog::~ScriptWatchdog() {
    Stop();
}

void ScriptWatchdog::Start(std::chrono::milliseconds stuckAfter) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stuckAfter_ = stuckAfter;
        if (!thread_.joinable()) {
            quit_ = false;
            thread_ = std::thread(&ScriptWatchdog::Watch, this);
        }
    }
    wake_.notify_all();
}

void ScriptWatchdog::Stop() {
    std::thread finished;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
        finished = std::move(thread_);
    }
    wake_.notify_all();
    if (finished.joinable()) {
        finished.join();
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

ScriptWatchdog::LuaRunning::LuaRunning(QMController* controller)
    : wasRunning_(Instance().luaRunning_.exchange(true)),
      previous_(Instance().controller_.exchange(controller)) {
    Instance().Beat();
}

ScriptWatchdog::LuaRunning::~LuaRunning() {
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

void ScriptWatchdog::Watch() {
    using Clock = std::chrono::steady_clock;
    unsigned long long lastBeat = beat_;
    Clock::time_point since = Clock::now();
    // A stuck call is copied once; the event cannot change until it comes back.
    bool copied = false;
    std::unique_lock<std::mutex> lock(mutex_);
    while (!quit_) {
        const auto interval = std::clamp(stuckAfter_ / 4, std::chrono::milliseconds(10),
                                         std::chrono::milliseconds(250));
        wake_.wait_for(lock, interval);
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
}

bool ScriptWatchdog::CopyWhileStuck(unsigned long long lastBeat) {
    std::lock_guard<std::mutex> hold(copyMutex_);
    copying_.store(true);
    bool stuck = luaRunning_.load() && beat_.load() == lastBeat;
    if (stuck) {
        QMController* controller = controller_;
        // Formatting and writing report nothing: the message sink belongs to the window's
        // thread. A copy that cannot be written leaves the previous one as it was.
        std::string text = controller != nullptr ? controller->FormatEventText() : "";
        // A minute's copy of an older moment may still be on its way to the same file.
        AutosaveSession::AwaitChildUnderWay();
        if (!text.empty() &&
            AutosaveSession::WriteIfChanged(std::move(text), controller->GetSavedDigest(),
                                            controller->GetAutosavePath())
                    .outcome == AutosaveSession::Outcome::Written) {
            ++copiesWritten_;
        }
    }
    copying_.store(false);
    return stuck;
}
