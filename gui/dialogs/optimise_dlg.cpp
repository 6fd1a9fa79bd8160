#include "gui/dialogs/optimise_dlg.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "app/optimise_session.h"
#include "gui/dialogs/prompt_service.h"

namespace {

void SetText(wxStaticText* text, const std::string& value) {
    const wxString label = FromUtf8(value);
    // Setting an equal label still costs a relayout on GTK, many times a second.
    if (text->GetLabel() != label) {
        text->SetLabel(label);
    }
}

}  // namespace

OptimiseDlg::OptimiseDlg(wxWindow* parent, QMController* controller)
    : wxDialog(parent, wxID_ANY, "Optimisation"),
      session_(std::make_unique<OptimiseSession>(*controller)) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    gauge_ = new wxGauge(this, wxID_ANY, 100, wxDefaultPosition, wxSize(400, 20),
                         wxGA_HORIZONTAL | wxGA_SMOOTH);
    sizer->Add(gauge_, 0, wxALL, 5);
    for (wxStaticText*& text : texts_) {
        text = new wxStaticText(this, wxID_ANY, wxEmptyString);
        sizer->Add(text, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 5);
    }
    sizer->Add(new wxButton(this, wxID_CANCEL, "Stop"), 0, wxLEFT | wxRIGHT | wxBOTTOM, 5);
    UpdateProgress();
    SetSizer(sizer);
    sizer->SetSizeHints(this);
    Centre(wxBOTH);
    Bind(wxEVT_IDLE, &OptimiseDlg::OnIdle, this);
    Bind(wxEVT_BUTTON, &OptimiseDlg::OnStop, this, wxID_CANCEL);
    Bind(wxEVT_CLOSE_WINDOW, &OptimiseDlg::OnClose, this);
}

OptimiseDlg::~OptimiseDlg() = default;

void OptimiseDlg::OnIdle(wxIdleEvent& event) {
    if (busy_ || session_->IsFinished()) {
        return;
    }
    busy_ = true;
    const bool passCompleted = session_->Tick();
    if (passCompleted && view_) {
        view_->Refresh(true);
    }
    UpdateProgress();
    busy_ = false;
    if (session_->IsFinished()) {
        Finish();
    } else {
        event.RequestMore();
    }
}

void OptimiseDlg::UpdateProgress() {
    gauge_->SetValue(session_->GetPercent());
    SetText(texts_[0], session_->GetPassText());
    SetText(texts_[1], session_->GetPassesText());
    const auto& lines = session_->GetScoreLines();
    for (size_t i = 0; i < lines.size(); ++i) {
        SetText(texts_[i + 2], lines[i]);
    }
}

void OptimiseDlg::Finish() {
    const int code = session_->GetOutcome() == OptimiseSession::Stopped ? wxID_CANCEL : wxID_OK;
    if (IsModal()) {
        EndModal(code);
    } else {
        SetReturnCode(code);
    }
}

void OptimiseDlg::OnStop(wxCommandEvent& event) {
    session_->Stop();
    event.Skip();
}

void OptimiseDlg::OnClose(wxCloseEvent& event) {
    session_->Stop();
    event.Skip();
}
