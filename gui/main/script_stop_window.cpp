#include "gui/main/script_stop_window.h"

#include <wx/button.h>
#include <wx/progdlg.h>

ScriptStopWindow::ScriptStopWindow(wxWindow* parent, std::chrono::milliseconds showAfter)
    : parent_(parent), showAt_(std::chrono::steady_clock::now() + showAfter) {}

ScriptStopWindow::~ScriptStopWindow() = default;

bool ScriptStopWindow::ShouldStop() {
    if (stopped_) {
        return true;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now < showAt_ || (window_ && now - lastAsked_ < kAskEvery)) {
        return false;
    }
    lastAsked_ = now;
    if (!window_) {
        // The generic dialog on every platform: its Stop button is answered from Pulse, which
        // is all the event handling a running script allows.
        window_ = std::make_unique<wxGenericProgressDialog>(
            "Running script", "The script is still running. Press Stop to end it.", 100, parent_,
            wxPD_APP_MODAL | wxPD_CAN_ABORT | wxPD_ELAPSED_TIME);
        if (auto* button = dynamic_cast<wxButton*>(window_->FindWindow(wxID_CANCEL))) {
            button->SetLabel("&Stop");
        }
    }
    stopped_ = !window_->Pulse();
    return stopped_;
}
