#include "gui/main/autosave_driver.h"

AutosaveDriver::AutosaveDriver(wxEvtHandler* owner, int timerId, AutosaveSession& session)
    : session_(session), tick_(owner, timerId), look_(this) {
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Look(); });
}

AutosaveDriver::~AutosaveDriver() {
    Stop();
}

void AutosaveDriver::Start() {
    stopped_ = false;
    tick_.Start(kAutosaveIntervalMs, wxTIMER_CONTINUOUS);
    if (session_.IsUnderWay()) {
        look_.Start(kAutosaveLookMs, wxTIMER_CONTINUOUS);
    }
}

void AutosaveDriver::Stop() {
    stopped_ = true;
    tick_.Stop();
    look_.Stop();
}

void AutosaveDriver::Tick() {
    // A copy that ended while nothing looked in on it, or is still under way when the next is
    // due, never keeps the next one from starting; a failure is told first.
    if (session_.IsUnderWay()) {
        Follow(session_.EndOverdue());
    }
    if (session_.Tick() && !stopped_) {
        look_.Start(kAutosaveLookMs, wxTIMER_CONTINUOUS);
    }
}

void AutosaveDriver::Look() {
    Follow(session_.Look());
}

void AutosaveDriver::Wait() {
    Follow(session_.Wait());
}

AutosaveSession::Outcome AutosaveDriver::Follow(AutosaveSession::Outcome outcome) {
    if (!session_.IsUnderWay()) {
        look_.Stop();
    }
    if (outcome == AutosaveSession::Outcome::Failed) {
        // Its message box runs a loop of its own, in which ticks start nothing.
        session_.ReportFailure();
    }
    return outcome;
}
