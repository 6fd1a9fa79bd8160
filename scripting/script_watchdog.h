#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class QMController;

// Watches the scripts that run on the window's thread from a thread of its own, for the one
// thing that Stop cannot end: a call into C (a library function, a pattern match) that never
// comes back to the interpreter. After a while without a sign of life it writes a changed
// event to the autosave copy, so that ending the stuck program (the desktop offers that) loses
// nothing: the next start recovers the copy.
//
// A script that keeps running holds the window's own minute back, so the watchdog makes that
// copy too: every minute of a script's run, at a point where the event is whole (Checkpoint),
// the window's thread formats it and the watching thread writes it.
//
// The window's thread is away from the model while the call is stuck. Should the call come
// back while the event is being read for the copy, the window's thread waits at its next sign
// of life (every path back to the model gives one) until it has been read; the copy is then
// written without holding it up.
class ScriptWatchdog {
public:
    static constexpr std::chrono::milliseconds kStuckAfter{10000};
    // How long Stop waits for a copy still being written.
    static constexpr std::chrono::milliseconds kStopBound{3000};
    // How often a script that keeps running gets a copy: the window's minute.
    static constexpr std::chrono::milliseconds kCopyEvery{60000};

    static ScriptWatchdog& Instance();
    ScriptWatchdog(const ScriptWatchdog&) = delete;
    ScriptWatchdog& operator=(const ScriptWatchdog&) = delete;

    // Starts the watching thread, or changes its patience when it runs.
    void Start(std::chrono::milliseconds stuckAfter = kStuckAfter,
               std::chrono::milliseconds copyEvery = kCopyEvery);
    // Ends the watching thread, waiting no longer than kStopBound for it.
    void Stop();

    // A sign of life from the window's thread; waits while a copy is being written.
    void Beat();
    // A sign of life from a point where the event is whole (the interpreter's hook, a long host
    // function between its steps): a copy that is due is formatted here, on the window's thread,
    // and written by the watching thread.
    void Checkpoint();

    // How many copies were written since the program started.
    unsigned CopiesWritten() const { return copiesWritten_; }

    // While one lives, the script's own code runs (and can get stuck); the controller's event
    // is the one a copy is made of.
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
    // and the model may be half changed, so nothing is copied meanwhile.
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
    ~ScriptWatchdog() = default;
    void Watch(unsigned generation);
    // Copies the event when the script is still stuck at lastBeat; false when it moved on.
    bool CopyWhileStuck(unsigned long long lastBeat);

    std::atomic<unsigned long long> beat_{0};
    std::atomic<bool> luaRunning_{false};
    std::atomic<QMController*> controller_{nullptr};
    // Set, under copyMutex_, while the model is read for a copy.
    std::atomic<bool> copying_{false};
    std::mutex copyMutex_;
    std::atomic<unsigned> copiesWritten_{0};

    // The window's thread's own: how deep scripts run, and when the next copy is due.
    int runDepth_ = 0;
    std::chrono::steady_clock::time_point copyDue_;
    std::chrono::milliseconds copyEvery_{kCopyEvery};
    struct PendingCopy {
        std::string text;
        std::string savedDigest;
        std::string path;
        unsigned long long moment = 0;
    };

    std::mutex mutex_;
    std::condition_variable wake_;
    // A copy formatted at a checkpoint, for the watching thread to write.
    std::optional<PendingCopy> pending_;
    std::chrono::milliseconds stuckAfter_{kStuckAfter};
    bool quit_ = false;
    // Each Start's thread has its own, so that one left behind by Stop ends when it can.
    unsigned generation_ = 0;
    unsigned endedGeneration_ = 0;
    std::thread thread_;
};
