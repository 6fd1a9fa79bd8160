#include "scripting/script_watchdog.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "app/event_file_writer.h"
#include "app/qm_controller.h"
#include "foundation/atomic_file.h"
#include "foundation/md5.h"
#include "model/multi_day_schedule.h"

ScriptWatchdog& ScriptWatchdog::Instance() {
    static ScriptWatchdog watchdog;
    return watchdog;
}

ScriptWatchdog::~ScriptWatchdog() {
    SetHandler(nullptr);
}

void ScriptWatchdog::SetHandler(Handler handler, std::chrono::milliseconds stuckAfter) {
    std::thread finished;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        handler_ = std::move(handler);
        stuckAfter_ = stuckAfter;
        if (handler_ && !thread_.joinable()) {
            quit_ = false;
            thread_ = std::thread(&ScriptWatchdog::Watch, this);
        } else if (!handler_ && thread_.joinable()) {
            quit_ = true;
            finished = std::move(thread_);
        }
    }
    wake_.notify_all();
    if (finished.joinable()) {
        finished.join();
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

ScriptWatchdog::HostFunction::HostFunction() : wasRunning_(Instance().luaRunning_.exchange(false)) {
    Instance().Beat();
}

ScriptWatchdog::HostFunction::~HostFunction() {
    Instance().Beat();
    Instance().luaRunning_ = wasRunning_;
}

void ScriptWatchdog::Watch() {
    using Clock = std::chrono::steady_clock;
    unsigned long long lastBeat = beat_;
    Clock::time_point since = Clock::now();
    std::unique_lock<std::mutex> lock(mutex_);
    while (!quit_) {
        const auto interval = std::clamp(stuckAfter_ / 4, std::chrono::milliseconds(10),
                                         std::chrono::milliseconds(250));
        wake_.wait_for(lock, interval);
        const unsigned long long beat = beat_;
        if (quit_ || !handler_ || !luaRunning_ || beat != lastBeat) {
            lastBeat = beat;
            since = Clock::now();
            continue;
        }
        const auto stuck = Clock::now() - since;
        if (stuck < stuckAfter_) {
            continue;
        }
        const Handler handler = handler_;
        lock.unlock();
        const AutosaveResult autosave = SaveAutosaveCopy();
        const int seconds =
            static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(stuck).count());
        const bool end = handler(seconds, autosave,
                                 [this, lastBeat] { return luaRunning_ && beat_ == lastBeat; });
        if (end) {
            // Nothing else may run: the window's thread is inside the stuck call.
            std::_Exit(kEndedExitCode);
        }
        lock.lock();
        // Asked again after another stretch, should it still not come back.
        since = Clock::now();
    }
}

ScriptWatchdog::AutosaveResult ScriptWatchdog::SaveAutosaveCopy() {
    QMController* controller = controller_;
    MultiDaySchedule* schedule = controller != nullptr ? controller->GetSchedule() : nullptr;
    if (schedule == nullptr || !schedule->GetEvent() || !schedule->IsModified()) {
        return NothingToSave;
    }
    const std::string& path = controller->GetAutosavePath();
    if (path.empty() || schedule->GetDayCount() == 0 || schedule->GetDay(0) == nullptr) {
        return SaveFailed;
    }
    // The window's thread is stuck inside the interpreter, away from the model: reading it here
    // is safe. Formatting reports nothing once days exist.
    std::string text = EventFileWriter(*schedule).FormatEventFile();
    if (text.empty()) {
        return SaveFailed;
    }
    MD5 md5;
    text += "#" + md5.HexDigest(text) + "\n";
    return WriteFileAtomically(path, text) ? Saved : SaveFailed;
}
