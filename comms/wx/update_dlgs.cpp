#include "comms/wx/update_dlgs.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "comms/update_check.h"
#include "comms/wx/email_dialog_logic.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"

TransferDlg::TransferDlg(wxWindow* parent, const char* title, const std::string& url,
                         const std::string& caFile)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      transfer_(url.c_str()),
      timer_(this) {
    transfer_.userAgent = UpdateCheck::kUserAgent;
    if (!caFile.empty()) {
        transfer_.SetCAFile(caFile);
    }
    Bind(wxEVT_TIMER, &TransferDlg::OnTimer, this);
    Bind(wxEVT_BUTTON, &TransferDlg::OnStop, this, wxID_CANCEL);
}

TransferDlg::~TransferDlg() {
    timer_.Stop();
}

void TransferDlg::StartPolling() {
    timer_.StartOnce(kPollIntervalMs);
}

bool TransferDlg::Step() {
    if (done_ || busy_) {
        return !done_;
    }
    busy_ = true;
    if (!prepared_) {
        prepared_ = true;
        if (!Prepare()) {
            Finish();
            busy_ = false;
            return false;
        }
    }
    const bool going = transfer_.Poll();
    UpdateStatus();
    if (!going) {
        Finish();
    }
    busy_ = false;
    return going;
}

void TransferDlg::OnTimer(wxTimerEvent&) {
    if (Step()) {
        timer_.StartOnce(kPollIntervalMs);
    }
}

void TransferDlg::OnStop(wxCommandEvent& event) {
    done_ = true;
    timer_.Stop();
    event.Skip();
}

void TransferDlg::Finish() {
    done_ = true;
    timer_.Stop();
    if (IsModal()) {
        EndModal(wxID_OK);
    } else {
        SetReturnCode(wxID_OK);
    }
}

CheckForUpdatesDlg::CheckForUpdatesDlg(wxWindow* parent, const std::string& url,
                                       const std::string& caFile)
    : TransferDlg(parent, "Checking for Updates", url, caFile) {
    transfer_.bodyLimit = UpdateCheck::kVersionReplyLimit;
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    status_ = new wxStaticText(this, wxID_ANY, "", wxDefaultPosition, wxSize(400, 20),
                               wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END);
    sizer->Add(status_, 0, wxALL, 5);
    sizer->Add(new wxButton(this, wxID_CANCEL, "Stop"), 0, wxLEFT | wxRIGHT | wxBOTTOM, 5);
    SetSizerAndFit(sizer);
    UpdateStatus();
    CentreOnScreen();
    StartPolling();
}

void CheckForUpdatesDlg::UpdateStatus() {
    // Only a whole reply of a good status counts: a 404 page is no version text.
    if (transfer_.Succeeded() && transfer_.bodyLines.Count() > 0) {
        resultLine_ = transfer_.bodyLines.Get(0);
    }
    std::string text;
    if (EmailDialogLogic::CheckStatusText(
            transfer_.state, static_cast<int>(transfer_.bodyLines.Count()), resultLine_, &text)) {
        status_->SetLabel(FromUtf8(text));
    }
}

DownloadFileDlg::DownloadFileDlg(wxWindow* parent, const std::string& url,
                                 const std::string& outputPath, const std::string& caFile)
    : TransferDlg(parent, "Downloading", url, caFile), url_(url), outputPath_(outputPath) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    status_ = new wxStaticText(this, wxID_ANY, "", wxDefaultPosition, wxSize(600, 20),
                               wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
    gauge_ = new wxGauge(this, wxID_ANY, 100, wxDefaultPosition, wxSize(600, 20),
                         wxGA_HORIZONTAL | wxGA_SMOOTH);
    sizer->Add(status_, 0, wxALL, 5);
    sizer->Add(gauge_, 0, wxLEFT | wxRIGHT | wxBOTTOM, 5);
    sizer->Add(new wxButton(this, wxID_CANCEL, "Stop"), 0, wxLEFT | wxRIGHT | wxBOTTOM, 5);
    SetSizerAndFit(sizer);
    UpdateStatus();
    CentreOnScreen();
    StartPolling();
}

bool DownloadFileDlg::Prepare() {
    if (!transfer_.OpenOutputFile(outputPath_)) {
        UCError::Current().ReportSystemError(SeverityError,
                                             "Cannot save to file '" + outputPath_ + "': ");
        return false;
    }
    return true;
}

void DownloadFileDlg::UpdateStatus() {
    std::string text;
    if (EmailDialogLogic::DownloadStatusText(transfer_.state, url_, transfer_.bytesReceived,
                                             transfer_.contentLength, &text)) {
        status_->SetLabel(FromUtf8(text));
    }
    gauge_->SetValue(
        EmailDialogLogic::DownloadGaugeValue(transfer_.bytesReceived, transfer_.contentLength));
}
