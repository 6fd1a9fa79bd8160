#pragma once

#include <wx/event.h>
#include <wx/timer.h>

#include "app/autosave_session.h"

inline constexpr int kAutosaveIntervalMs = 60000;
// How often a copy under way is looked in on.
inline constexpr int kAutosaveLookMs = 20;

// Makes the minute's autosave copy from the window, whatever runs: a command, an editor or a
// message box in its own loop, a script, the optimiser's window. The copy is made by a child
// process of the event as it stood at the tick (AutosaveSession), so the window holds nothing
// back for it and nothing needs to tell it of a change; the window only looks in on the child
// and tells a failure.
class AutosaveDriver : public wxEvtHandler {
public:
    // The minute's timer belongs to owner, with timerId, and is started by Start.
    AutosaveDriver(wxEvtHandler* owner, int timerId, AutosaveSession& session);
    ~AutosaveDriver() override;
    AutosaveDriver(const AutosaveDriver&) = delete;
    AutosaveDriver& operator=(const AutosaveDriver&) = delete;

    // The minute's ticks, and looks at a copy under way, whatever stopped them.
    void Start();
    // No tick and no look comes any more; a copy under way goes on by itself, and whatever
    // comes next (Start, a tick, or whoever ends the copy) collects it.
    void Stop();
    wxTimer& GetTimer() { return tick_; }

    // The minute's tick.
    void Tick();
    // A look at the copy under way.
    void Look();
    // Waits for the copy under way.
    void Wait();

private:
    // Returns the outcome, after telling a failure.
    AutosaveSession::Outcome Follow(AutosaveSession::Outcome outcome);

    AutosaveSession& session_;
    wxTimer tick_;
    wxTimer look_;
    bool stopped_ = true;
};
