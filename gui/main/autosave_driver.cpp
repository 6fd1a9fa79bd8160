#include "gui/main/autosave_driver.h"

#include <wx/app.h>

bool MayChangeTheEvent(const wxEvent& event) {
    static const wxEventType harmless[] = {
        wxEVT_PAINT,          wxEVT_ERASE_BACKGROUND, wxEVT_NC_PAINT,
        wxEVT_MOTION,         wxEVT_ENTER_WINDOW,     wxEVT_LEAVE_WINDOW,
        wxEVT_SET_CURSOR,     wxEVT_SIZE,             wxEVT_MOVE,
        wxEVT_SHOW,           wxEVT_ACTIVATE,         wxEVT_ACTIVATE_APP,
        wxEVT_SET_FOCUS,      wxEVT_KILL_FOCUS,       wxEVT_CHILD_FOCUS,
        wxEVT_UPDATE_UI,      wxEVT_IDLE,             wxEVT_MOUSE_CAPTURE_LOST,
        wxEVT_MOUSE_CAPTURE_CHANGED, wxEVT_SYS_COLOUR_CHANGED, wxEVT_DISPLAY_CHANGED,
        wxEVT_KEY_DOWN,       wxEVT_KEY_UP,           wxEVT_CHAR,
        wxEVT_CHAR_HOOK,      wxEVT_NAVIGATION_KEY,   wxEVT_TEXT,
    };
    const wxEventType type = event.GetEventType();
    for (const wxEventType kind : harmless) {
        if (type == kind) {
            return false;
        }
    }
    return true;
}

AutosaveDriver::AutosaveDriver(wxEvtHandler* owner, int timerId, AutosaveSession& session)
    : session_(session), tick_(owner, timerId), piece_(this) {
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Continue(); });
    wxEvtHandler::AddFilter(this);
    wxModalDialogHook::Register();
}

AutosaveDriver::~AutosaveDriver() {
    Stop();
    // The hook unregisters itself.
    wxEvtHandler::RemoveFilter(this);
}

void AutosaveDriver::Start() {
    stopped_ = false;
    tick_.Start(kAutosaveIntervalMs, wxTIMER_CONTINUOUS);
}

void AutosaveDriver::Stop() {
    stopped_ = true;
    tick_.Stop();
    piece_.Stop();
}

void AutosaveDriver::Tick() {
    if (session_.Tick()) {
        piece_.StartOnce(1);
    }
}

void AutosaveDriver::Continue(std::chrono::milliseconds budget) {
    const bool formatting = session_.IsFormatting();
    const AutosaveSession::Outcome outcome = session_.Continue(budget);
    if (formatting && !session_.IsFormatting()) {
        wxWakeUpIdle();  // the idle work that waited goes on
    }
    Follow(outcome);
}

void AutosaveDriver::Finish() {
    piece_.Stop();
    const bool formatting = session_.IsFormatting();
    const AutosaveSession::Outcome outcome = session_.Finish();
    if (formatting) {
        wxWakeUpIdle();
    }
    Follow(outcome);
}

void AutosaveDriver::Follow(AutosaveSession::Outcome outcome) {
    switch (outcome) {
        case AutosaveSession::Outcome::Failed:
            session_.ReportFailure();
            break;
        case AutosaveSession::Outcome::Pending:
            // The worker's write is looked in on less often than the pieces come.
            if (session_.IsUnderWay() && !stopped_) {
                piece_.StartOnce(session_.IsFormatting() ? 1 : 20);
            }
            break;
        default:
            break;
    }
}

void AutosaveDriver::BeforeChange() {
    if (!session_.IsFormatting()) {
        return;
    }
    session_.BeforeChange();
    // Finished rather than started again: the idle work goes on, the write is looked in on.
    if (!session_.IsFormatting()) {
        wxWakeUpIdle();
        if (!stopped_) {
            piece_.StartOnce(1);
        }
    }
}

int AutosaveDriver::FilterEvent(wxEvent& event) {
    if (!session_.IsFormatting()) {
        return Event_Skip;
    }
    const wxEventType type = event.GetEventType();
    if (type == wxEVT_IDLE) {
        return Event_Processed;  // idle work waits for the pieces
    }
    if (type == wxEVT_TIMER) {
        const wxTimer& timer = static_cast<wxTimerEvent&>(event).GetTimer();
        if (&timer == &piece_ || &timer == &tick_) {
            return Event_Skip;
        }
    }
    if (MayChangeTheEvent(event)) {
        BeforeChange();
    }
    return Event_Skip;
}

void AutosaveDriver::Exit(wxDialog*) {
    // The code that opened the dialog goes on from here and may change the event.
    BeforeChange();
}
