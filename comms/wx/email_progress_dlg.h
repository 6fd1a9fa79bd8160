#pragma once

#include <wx/dialog.h>
#include <wx/timer.h>

#include <memory>

#include "comms/email_job.h"
#include "import/run_messages.h"

class Person;
class PrintSettings;
class QMController;
class wxButton;
class wxGauge;
class wxStaticText;
class wxTextCtrl;

// Runs one e-mail run: asks for the server login when needed, connects, then sends the messages
// in short non-blocking steps from a timer, so that the window repaints and "Stop" answers at
// once, also while a slow server holds a message. A message whose end has gone to the server is
// the exception: Stop then ends the run once the server has answered about it. What goes wrong
// on the way goes to the run's log and is said once, in one message, when the run ends: a box a
// message would stand between the user and Stop.
class EmailProgressDlg : public wxDialog {
public:
    static constexpr int kStepIntervalMs = 10;

    // options: as for the job, the choices of this run alone.
    EmailProgressDlg(wxWindow* parent, QMController* controller, Person* person, EmailTextKind kind,
                     const PrintSettings* options = nullptr);
    ~EmailProgressDlg() override;

    // One step: the connection, or a few milliseconds of the run. Does nothing once the run has
    // ended.
    void SendAll();
    void UpdateProgress();
    bool Connect();

    bool IsStopped() const { return stopped_; }
    bool IsFinished() const { return finished_; }
    EmailJob& GetJob() { return job_; }
    wxGauge* GetGauge() const { return gauge_; }
    wxStaticText* GetProgressText() const { return progressText_; }
    wxTextCtrl* GetLog() const { return log_; }
    wxButton* GetButton() const { return button_; }

private:
    void OnTimer(wxTimerEvent& event);
    void OnStop(wxCommandEvent& event);
    // Ends the modal run, or just hides a window that was shown without one.
    void EndRun(int code);
    void AppendLog(const std::string& text);
    // The user stopped the run's scripts: the log says so and how far it got.
    void EndWithStop();
    // The run is over: whatever was reported during it is said now, as one message.
    void SayWhatWentWrong();

    wxGauge* gauge_;
    wxStaticText* progressText_;
    wxTextCtrl* log_;
    wxButton* button_;
    bool stopped_ = false;
    // Stop came while the server may have had the message under way: the run ends on its answer.
    bool stopping_ = false;
    bool busy_ = false;
    bool connected_ = false;
    bool finished_ = false;
    // Holds what is reported from the connection to the run's end; gone after the job, so that
    // a message it ends as it goes is held too.
    std::unique_ptr<RunMessages> messages_;
    EmailJob job_;
    int total_;
    QMController* controller_;
    EmailTextKind kind_;
    wxTimer timer_;
};
