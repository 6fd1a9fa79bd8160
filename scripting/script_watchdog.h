#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class QMController;

// Watches the scripts that run on the window's thread from a thread of its own, for the one
// thing that neither the time limit nor Stop can end: a call into C (a library function, a
// pattern match) that never comes back to the interpreter. After a while without a sign of
// life it saves an autosave copy of the event and asks, through the handler that the window
// layer installs, whether to end the program.
class ScriptWatchdog {
public:
    enum AutosaveResult { NothingToSave, Saved, SaveFailed };
    // Called on the watchdog's thread, which must touch neither the windows nor the model; true
    // ends the program. stillStuck turns false once the script has moved on.
    using Handler = std::function<bool(int seconds, AutosaveResult autosave,
                                       const std::function<bool()>& stillStuck)>;

    static constexpr std::chrono::milliseconds kStuckAfter{10000};
    // The program's exit code when the user ends it from here.
    static constexpr int kEndedExitCode = 3;

    static ScriptWatchdog& Instance();
    ~ScriptWatchdog();
    ScriptWatchdog(const ScriptWatchdog&) = delete;
    ScriptWatchdog& operator=(const ScriptWatchdog&) = delete;

    // Null stops the watching.
    void SetHandler(Handler handler, std::chrono::milliseconds stuckAfter = kStuckAfter);

    // A sign of life from the interpreter.
    void Beat() { beat_.fetch_add(1, std::memory_order_relaxed); }

    // While one lives, the script's own code runs (and can get stuck); the controller's event
    // is the one an autosave copy is made of.
    class LuaRunning {
    public:
        explicit LuaRunning(QMController* controller);
        ~LuaRunning();
        LuaRunning(const LuaRunning&) = delete;
        LuaRunning& operator=(const LuaRunning&) = delete;

    private:
        bool wasRunning_;
        QMController* previous_;
    };
    // While one lives, one of the host's own functions runs: it may take long, but it is ours,
    // and the model may be half changed, so nothing is saved from here meanwhile.
    class HostFunction {
    public:
        HostFunction();
        ~HostFunction();
        HostFunction(const HostFunction&) = delete;
        HostFunction& operator=(const HostFunction&) = delete;

    private:
        bool wasRunning_;
    };

private:
    ScriptWatchdog() = default;
    void Watch();
    // The event as it stands, written to the autosave copy without a word to the message sink,
    // which belongs to the window's thread.
    AutosaveResult SaveAutosaveCopy();

    std::atomic<unsigned long long> beat_{0};
    std::atomic<bool> luaRunning_{false};
    std::atomic<QMController*> controller_{nullptr};

    std::mutex mutex_;
    std::condition_variable wake_;
    Handler handler_;
    std::chrono::milliseconds stuckAfter_{kStuckAfter};
    bool quit_ = false;
    std::thread thread_;
};
