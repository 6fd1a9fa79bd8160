#include "comms/wx/email_progress_dlg.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>

#include "app/qm_controller.h"
#include "app/smtp_client.h"
#include "comms/wx/email_dialog_logic.h"
#include "comms/wx/login_dlg.h"
#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/dialog_end.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/report_dlg.h"
#include "model/event.h"

EmailProgressDlg::EmailProgressDlg(wxWindow* parent, QMController* controller, Person* person,
                                   EmailTextKind kind, const PrintSettings* options)
    : wxDialog(parent, wxID_ANY, "Emails"),
      job_(controller, kind, options),
      total_(0),
      controller_(controller),
      kind_(kind),
      timer_(this) {
    if (person) {
        job_.SetSingleRecipient(person);
    }
    total_ = job_.GetRecipientCount();
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    gauge_ = new wxGauge(this, wxID_ANY, total_ > 0 ? total_ : 1, wxDefaultPosition,
                         wxSize(400, 20), wxGA_HORIZONTAL | wxGA_SMOOTH);
    progressText_ = new wxStaticText(this, wxID_ANY, "");
    log_ = new wxTextCtrl(this, wxID_ANY, "Initialising...\n", wxDefaultPosition, wxSize(400, 300),
                          wxTE_MULTILINE | wxTE_READONLY);
    button_ = new wxButton(this, wxID_CANCEL, "Stop");
    sizer->Add(gauge_, 0, wxALL, 5);
    sizer->Add(progressText_, 0, wxALL | wxEXPAND, 5);
    sizer->Add(log_, 1, wxALL | wxEXPAND, 5);
    sizer->Add(button_, 0, wxALL | wxALIGN_CENTER_HORIZONTAL, 5);
    SetSizerAndFit(sizer);
    UpdateProgress();
    Bind(wxEVT_TIMER, &EmailProgressDlg::OnTimer, this);
    Bind(wxEVT_BUTTON, &EmailProgressDlg::OnStop, this, wxID_CANCEL);
    timer_.StartOnce(kStepIntervalMs);
}

EmailProgressDlg::~EmailProgressDlg() {
    timer_.Stop();
}

void EmailProgressDlg::OnTimer(wxTimerEvent&) {
    if (stopped_ || busy_ || finished_) {
        return;
    }
    busy_ = true;
    SendAll();
    busy_ = false;
    if (!stopped_ && !finished_) {
        timer_.StartOnce(kStepIntervalMs);
    }
}

void EmailProgressDlg::OnStop(wxCommandEvent&) {
    // Pressed again, or the window closed, while the server's answer is awaited: it still counts.
    if (stopping_) {
        return;
    }
    // The server may have the message under way already, so its answer decides whether the
    // family was sent it; the timer goes on stepping until then.
    if (!stopped_ && !finished_ && !job_.GiveUpMessage()) {
        stopping_ = true;
        AppendLog("Stopping once the server has answered about the message under way");
        return;
    }
    // Messages not yet sent stay unsent.
    EndRun(wxID_CANCEL);
}

void EmailProgressDlg::EndRun(int code) {
    stopped_ = true;
    timer_.Stop();
    EndShownDialog(*this, code);
    SayWhatWentWrong();
}

void EmailProgressDlg::SayWhatWentWrong() {
    if (!messages_) {
        return;
    }
    // Each failure stands in the run's log already, and under this heading with its reason.
    if (job_.GetFailedCount() > 0) {
        messages_->SayAfter(SeverityError, StringPrintf("Not every email was sent (%s, of %d).",
                                                        job_.GetSummary().c_str(), total_));
    } else {
        messages_->Say();
    }
    messages_.reset();
}

void EmailProgressDlg::AppendLog(const std::string& text) {
    if (!text.empty()) {
        log_->AppendText(FromUtf8(text) + "\n");
    }
}

void EmailProgressDlg::SendAll() {
    if (stopped_ || finished_) {
        return;
    }
    if (total_ == 0) {
        ReportMessage(SeverityInformation,
                      "There are no emails to send! The most common cause is that emails have "
                      "already been sent to all people with a defined email address. If you wish "
                      "to email other people, please add their email addresses and try again.");
        EndRun(wxID_OK);
        return;
    }
    // Scripts the user stopped as they loaded send nothing.
    if (job_.WasStopped()) {
        AppendLog(EmailJob::kStoppedText);
        EndWithStop();
        return;
    }
    if (!connected_) {
        connected_ = true;
        if (!Connect()) {
            EndRun(wxID_OK);
            return;
        }
        // From here on nothing the run reports stands in the user's way; the login's own
        // refusals came before, where the user could answer them.
        messages_ = std::make_unique<RunMessages>();
        return;
    }
    std::string line;
    // Never waits for the server: a message takes as many ticks as its server needs.
    const EmailJob::EmailStep step = job_.Step(&line);
    if (step == EmailJob::EmailStepSending) {
        return;
    }
    AppendLog(line);
    if (stopping_) {
        UpdateProgress();
        EndRun(wxID_CANCEL);
        return;
    }
    if (job_.WasStopped()) {
        EndWithStop();
        return;
    }
    // A message that fails ends nothing: the run goes on to the next recipient.
    if (step == EmailJob::EmailStepNone || job_.IsFinished()) {
        finished_ = true;
        button_->SetLabel("Close");
        UpdateProgress();
        SayWhatWentWrong();
        if (job_.IsDebugLogEnabled()) {
            UCSMTPClient* client = job_.GetClient();
            ReportDlg debugLog(this, "Email Debug Log", client ? client->debugLog : std::string());
            debugLog.ShowModal();
        }
        return;
    }
    UpdateProgress();
}

void EmailProgressDlg::EndWithStop() {
    // Not "Finished": the run did not get to its end.
    stopped_ = true;
    timer_.Stop();
    button_->SetLabel("Close");
    UpdateProgress();
    AppendLog(job_.GetSummary());
    SayWhatWentWrong();
}

void EmailProgressDlg::UpdateProgress() {
    gauge_->SetValue(std::min(job_.GetSentCount(), gauge_->GetRange()));
    progressText_->SetLabel(FromUtf8(EmailDialogLogic::ProgressText(job_.GetSentCount(), total_)));
    if (finished_) {
        // Failures and skips are named, so "Finished" never hides them.
        AppendLog(job_.GetSummary());
        AppendLog("Finished");
    }
}

bool EmailProgressDlg::Connect() {
    std::shared_ptr<Event> event = controller_ ? controller_->GetEvent() : nullptr;
    if (!event) {
        return false;
    }
    EmailServerSettings settings = event->GetEmailServerSettings();
    if (settings.GetNeedsAuth()) {
        LoginDlg login(this, settings.GetLoginName().c_str(), settings.GetPassword().c_str(),
                       EmailDialogLogic::LoginPrompt(settings.GetServer()).c_str(), LoginUserName);
        if (login.ShowModal() != wxID_OK) {
            return false;
        }
        settings.SetUserName(login.GetLoginName());
        settings.SetPassword(login.GetPassword());
        event->SetEmailServerSettings(settings);
    }
    return job_.Connect(1);
}
