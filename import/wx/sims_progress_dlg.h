#pragma once

#include <wx/dialog.h>
#include <wx/timer.h>

#include <string>

#include "import/sims_command_reporter.h"

class wxStaticText;

// The state line the SIMS progress dialog shows for a poll's result; "" for anything else.
std::string SIMSStatusText(int status);

// Runs the SIMS report program of a record and watches it: started at the first step, polled
// from idle events and a short timer. ShowModal answers wxID_OK once the program has ended and
// wxID_CANCEL when it cannot be started or run, or when the user cancels, which stops it.
class SIMSCRProgressDlg : public wxDialog {
public:
    static constexpr int kPollIntervalMs = 100;

    // The record is not owned.
    SIMSCRProgressDlg(wxWindow* parent, SIMSCommandReporter* reporter);

    // One step as the idle handler takes it; false once the dialog has ended.
    bool Step();
    // Polls the record and shows the result.
    SIMSRunStatus UpdateStatus();

    bool HasEnded() const { return ended_; }
    wxStaticText* GetStatusLabel() const { return status_; }

private:
    void OnIdle(wxIdleEvent& event);
    void OnTimer(wxTimerEvent& event);
    void OnCancel(wxCommandEvent& event);
    void End(int code);

    wxStaticText* status_;
    SIMSCommandReporter* reporter_;
    bool ended_ = false;
    bool busy_ = false;
    wxTimer timer_;
};
