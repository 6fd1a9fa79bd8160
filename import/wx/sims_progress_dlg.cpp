#include "import/wx/sims_progress_dlg.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "foundation/uc_error.h"
#include "gui/dialogs/dialog_end.h"
#include "gui/dialogs/prompt_service.h"

std::string SIMSStatusText(int status) {
    switch (status) {
        case SIMSNotStarted:
            return "Not started yet";
        case SIMSFailed:
            return "Failed";
        case SIMSRunning:
            return "Running";
        case SIMSFinished:
            return "Finished";
        default:
            return std::string();
    }
}

SIMSCRProgressDlg::SIMSCRProgressDlg(wxWindow* parent, SIMSCommandReporter* reporter)
    : wxDialog(parent, wxID_ANY, "SIMS Import", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE),
      reporter_(reporter),
      timer_(this) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    status_ = new wxStaticText(this, wxID_ANY, "", wxDefaultPosition, wxSize(400, 20));
    sizer->Add(status_, 0, wxALL, 5);
    sizer->Add(new wxButton(this, wxID_CANCEL, "Cancel Import"), 0, wxLEFT | wxRIGHT | wxBOTTOM, 5);
    SetSizerAndFit(sizer);
    if (reporter_ != nullptr) {
        UpdateStatus();
    }
    Centre(wxBOTH);
    Bind(wxEVT_IDLE, &SIMSCRProgressDlg::OnIdle, this);
    Bind(wxEVT_TIMER, &SIMSCRProgressDlg::OnTimer, this);
    Bind(wxEVT_BUTTON, &SIMSCRProgressDlg::OnCancel, this, wxID_CANCEL);
    // Idle events stop while nothing happens on screen; the timer keeps the polls coming.
    timer_.Start(kPollIntervalMs);
}

SIMSRunStatus SIMSCRProgressDlg::UpdateStatus() {
    const SIMSRunStatus status = reporter_->Poll();
    status_->SetLabel(FromUtf8(SIMSStatusText(status)));
    return status;
}

bool SIMSCRProgressDlg::Step() {
    // A message box inside a step runs its own event loop, which sends idle events too.
    if (ended_ || busy_ || reporter_ == nullptr) {
        return !ended_;
    }
    busy_ = true;
    const SIMSRunStatus status = reporter_->Poll();
    switch (status) {
        case SIMSFailed:
        case SIMSFinished:
            status_->SetLabel(FromUtf8(SIMSStatusText(status)));
            End(status == SIMSFinished ? wxID_OK : wxID_CANCEL);
            break;
        case SIMSNotStarted:
            if (!reporter_->Start()) {
                ReportMessage(SeverityError,
                              "Cannot start SIMS CommandReporter, failing command was: " +
                                  reporter_->BuildCommandLine());
                UpdateStatus();
                End(wxID_CANCEL);
            }
            break;
        case SIMSRunning:
            break;
    }
    // The end of a run is reported by one poll only: this one may be it.
    if (!ended_ && UpdateStatus() == SIMSFinished) {
        End(wxID_OK);
    }
    busy_ = false;
    return !ended_;
}

void SIMSCRProgressDlg::OnIdle(wxIdleEvent&) {
    Step();
}

void SIMSCRProgressDlg::OnTimer(wxTimerEvent&) {
    Step();
}

void SIMSCRProgressDlg::OnCancel(wxCommandEvent& event) {
    if (!ended_) {
        ended_ = true;
        timer_.Stop();
        SetReturnCode(wxID_CANCEL);
        // A report left running would write its output after the import has moved on.
        if (reporter_ != nullptr) {
            reporter_->Stop();
        }
    }
    event.Skip();
}

void SIMSCRProgressDlg::End(int code) {
    if (ended_) {
        return;
    }
    ended_ = true;
    timer_.Stop();
    EndShownDialog(*this, code);
}
