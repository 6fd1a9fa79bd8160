#pragma once

#include <wx/event.h>
#include <wx/eventfilter.h>
#include <wx/modalhook.h>
#include <wx/timer.h>

#include <chrono>

#include "app/autosave_session.h"

inline constexpr int kAutosaveIntervalMs = 60000;
// How long one piece of the autosave copy may hold the window.
inline constexpr std::chrono::milliseconds kAutosavePiece{8};

// Whether handling the event may change the held event. Painting, the mouse moving, sizes,
// focus and keys typed into a field never do; a key that presses a button or ends a dialog
// arrives as an event of its own, or as the dialog's return.
bool MayChangeTheEvent(const wxEvent& event);

// Makes the minute's autosave copy from the window, whatever runs: a command, an editor or a
// message box in its own loop, the optimiser's window. The tick starts a copy of the event as
// it stands; its pieces run between the window's other work. While one is half formatted,
// nothing may change the event: idle work (the optimiser, an import) waits for the pieces, and
// before any event that may change it is handled, or a dialog returns to the code that opened
// it, the copy starts again or is finished at once (AutosaveSession::BeforeChange), so that it
// is of one state of the event.
class AutosaveDriver : public wxEvtHandler, private wxEventFilter, private wxModalDialogHook {
public:
    // The minute's timer belongs to owner, with timerId, and is started by Start.
    AutosaveDriver(wxEvtHandler* owner, int timerId, AutosaveSession& session);
    ~AutosaveDriver() override;
    AutosaveDriver(const AutosaveDriver&) = delete;
    AutosaveDriver& operator=(const AutosaveDriver&) = delete;

    void Start();
    // No tick and no piece comes any more; a copy under way stays for whoever ends it.
    void Stop();
    wxTimer& GetTimer() { return tick_; }

    // The minute's tick.
    void Tick();
    // One piece of the copy under way, or a look at its write.
    void Continue(std::chrono::milliseconds budget = kAutosavePiece);
    // The rest of the copy under way at once, waiting for its write.
    void Finish();

private:
    int FilterEvent(wxEvent& event) override;
    int Enter(wxDialog*) override { return wxID_NONE; }
    void Exit(wxDialog*) override;
    void BeforeChange();
    void Follow(AutosaveSession::Outcome outcome);

    AutosaveSession& session_;
    wxTimer tick_;
    // Brings the next piece, once the window has done its other work.
    wxTimer piece_;
    bool stopped_ = false;
};
