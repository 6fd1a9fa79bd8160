#pragma once

#include <wx/dialog.h>

#include <cstdint>

#include "import/import_run.h"

class wxGauge;
class wxStaticText;

// Runs an import to its end while the user watches: a few lines at each idle event, the share
// of the file read so far, and "Stop". ShowModal answers wxID_OK when the run ended (finished
// or failed; GetOutcome tells which) and wxID_CANCEL when the user stopped it.
class ImportProgressDlg : public wxDialog {
public:
    // Lines read in one idle event stop after this long, so that Stop answers at once.
    static constexpr int kStepBudgetMs = 20;

    // The run is not owned; its target, input and settings are set.
    ImportProgressDlg(wxWindow* parent, ImportRun* run);

    // One step as the idle handler takes it; false once the run is over.
    bool Step();
    void UpdateProgress();

    bool IsDone() const { return done_; }
    ImportOutcome GetOutcome() const { return outcome_; }
    wxStaticText* GetProgressLabel() const { return label_; }
    wxGauge* GetGauge() const { return gauge_; }

private:
    void OnIdle(wxIdleEvent& event);
    void OnStop(wxCommandEvent& event);
    void Finish(ImportOutcome outcome);

    wxGauge* gauge_;
    wxStaticText* label_;
    bool done_;
    bool busy_ = false;
    ImportRun* run_;
    ImportOutcome outcome_ = ImportOutcome::Finished;
};
