#include "import/wx/import_progress_dlg.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <chrono>

#include "foundation/uc_error.h"
#include "gui/dialogs/dialog_end.h"
#include "gui/dialogs/prompt_service.h"
#include "import/import_progress.h"

ImportProgressDlg::ImportProgressDlg(wxWindow* parent, ImportRun* run)
    : wxDialog(parent, wxID_ANY, "Importing", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE),
      done_(run == nullptr),
      run_(run) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    label_ = new wxStaticText(this, wxID_ANY, "", wxDefaultPosition, wxSize(400, 20));
    gauge_ = new wxGauge(this, wxID_ANY, 100, wxDefaultPosition, wxSize(400, 20),
                         wxGA_HORIZONTAL | wxGA_SMOOTH);
    auto* stop = new wxButton(this, wxID_CANCEL, "Stop");
    sizer->Add(label_, 0, wxALL, 5);
    sizer->Add(gauge_, 0, wxLEFT | wxRIGHT | wxBOTTOM, 5);
    sizer->Add(stop, 0, wxLEFT | wxRIGHT | wxBOTTOM, 5);
    SetSizerAndFit(sizer);
    UpdateProgress();
    CentreOnParent();
    Bind(wxEVT_IDLE, &ImportProgressDlg::OnIdle, this);
    Bind(wxEVT_BUTTON, &ImportProgressDlg::OnStop, this, wxID_CANCEL);
}

void ImportProgressDlg::UpdateProgress() {
    if (run_ == nullptr) {
        return;
    }
    const ImportProgress progress = GetImportProgress(*run_);
    gauge_->SetValue(progress.percent);
    label_->SetLabel(FromUtf8(progress.Label()));
}

bool ImportProgressDlg::Step() {
    // A message box inside a step runs its own event loop, which sends idle events too.
    if (done_ || busy_) {
        return !done_;
    }
    busy_ = true;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStepBudgetMs);
    bool more = false;
    bool ok = run_->Import(more);
    while (ok && more && !done_ && std::chrono::steady_clock::now() < until) {
        ok = run_->Import(more);
    }
    if (!ok) {
        // Told before the gauge moves on to where the import stopped.
        ReportMessage(SeverityError,
                      "The file failed to import correctly. This probably means that this is not "
                      "the intended file, please check whether this is the file you want.");
    }
    UpdateProgress();
    if (!ok) {
        Finish(ImportOutcome::Failed);
    } else if (!more) {
        Finish(ImportOutcome::Finished);
    }
    busy_ = false;
    return !done_;
}

void ImportProgressDlg::OnIdle(wxIdleEvent& event) {
    // Idle events of a step's own message box: asking for more there would spin a core until
    // the box closes; the step's own idle event asks once it returns.
    if (busy_) {
        return;
    }
    if (Step()) {
        // On GTK an idle handler that asks for nothing more waits for the next input event.
        event.RequestMore();
    }
}

void ImportProgressDlg::OnStop(wxCommandEvent& event) {
    if (!done_) {
        done_ = true;
        outcome_ = ImportOutcome::Stopped;
        SetReturnCode(wxID_CANCEL);
    }
    event.Skip();
}

void ImportProgressDlg::Finish(ImportOutcome outcome) {
    if (done_) {
        return;
    }
    done_ = true;
    outcome_ = outcome;
    EndShownDialog(*this, wxID_OK);
}
