#pragma once

#include <wx/dialog.h>

#include <array>
#include <memory>

class OptimiseSession;
class QMController;
class wxCloseEvent;
class wxCommandEvent;
class wxGauge;
class wxIdleEvent;
class wxStaticText;

// The progress window of one optimiser run over the loaded timetable: it forwards idle ticks
// to the run, shows its texts, repaints the timetable view after each completed pass and
// closes when the run is perfect or cannot start. "Stop" ends the run at once.
class OptimiseDlg : public wxDialog {
public:
    OptimiseDlg(wxWindow* parent, QMController* controller);
    ~OptimiseDlg() override;

    // The window repainted after each completed pass.
    void SetView(wxWindow* view) { view_ = view; }
    void OnIdle(wxIdleEvent& event);

    const OptimiseSession& GetSession() const { return *session_; }
    wxGauge* GetGauge() const { return gauge_; }
    // Pass, passes, then the seven score lines.
    const std::array<wxStaticText*, 9>& GetTexts() const { return texts_; }

private:
    void UpdateProgress();
    void Finish();
    void OnStop(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);

    std::unique_ptr<OptimiseSession> session_;
    wxWindow* view_ = nullptr;
    wxGauge* gauge_;
    std::array<wxStaticText*, 9> texts_{};
    // A message box opened by a tick runs idle events of its own; they must not tick again.
    bool busy_ = false;
};
