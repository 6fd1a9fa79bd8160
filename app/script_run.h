#pragma once

#include <functional>

class QMController;

// Stop for the user's scripts, on every road that runs them (a report, a print, its preview, a
// PDF, an e-mail run, one person's e-mail and its preview). The road holds a ScriptRun while its
// scripts load, run and close; the outermost one takes the window's Stop offer, which shows once
// that run has gone on for a second, and runs inside it share it. Once Stop is pressed every
// later ask answers true until the outermost run ends, so the road ends instead of starting its
// next script.
class ScriptRun {
public:
    // The window's offer: a new check for each outermost run, asked now and then while it lasts.
    using StopOffer = std::function<std::function<bool()>()>;

    // Nothing happens without a controller.
    explicit ScriptRun(QMController* controller);
    ~ScriptRun();
    ScriptRun(const ScriptRun&) = delete;
    ScriptRun& operator=(const ScriptRun&) = delete;

    // Whether Stop was pressed during the runs this one is part of.
    bool Stopped() const;

    // What scripts and long host functions ask: true once Stop was pressed; false outside a run.
    static bool ShouldStop(QMController* controller);

    // The state a controller keeps for its runs.
    struct State {
        int depth = 0;
        bool stopped = false;
        std::function<bool()> check;
        StopOffer offer;
    };

private:
    QMController* controller_;
};
