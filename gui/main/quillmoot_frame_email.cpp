#include <ctime>

#include "app/user_settings.h"
#include "comms/email_job.h"
#include "comms/smtp_email.h"
#include "comms/update_check.h"
#include "comms/web_service.h"
#include "comms/wx/email_dialog_logic.h"
#include "comms/wx/email_progress_dlg.h"
#include "comms/wx/email_server_dlg.h"
#include "comms/wx/email_settings_dlg.h"
#include "comms/wx/email_text_dlg.h"
#include "comms/wx/update_dlgs.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/new_event_dlg.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/report_dlg.h"
#include "gui/main/event_tree_ctrl.h"
#include "gui/main/frame_commands.h"
#include "gui/main/quillmoot_frame.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

namespace {

Person* SelectedPerson(EventTreeView* tree) {
    auto* control = dynamic_cast<EventTreeCtrl*>(tree);
    return control ? control->GetSelectedObject() : nullptr;
}

// Edits a copy, so Cancel leaves the event's settings as they were.
bool EditEmailServer(wxWindow* parent, Event& event, QMController* controller) {
    EmailServerSettings copy = event.GetEmailServerSettings();
    if (copy.GetFromAddress().empty() && controller) {
        // A refused address is simply not offered.
        UCStringError quiet;
        copy.SetFromAddress(controller->GetUserSettings().Get("emailaddress"));
    }
    EmailServerDlg dialog(parent, &copy);
    if (dialog.ShowModal() != wxID_OK) {
        return false;
    }
    event.SetEmailServerSettings(copy);
    return true;
}

}  // namespace

const CommandFamily& EmailCommands() {
    using C = CommandId;
    using N = CommandNeeds;
    using F = QuillmootFrame;
    static const CommandFamily family = {
        {C::SendInvitationEmails, "Send &Invitation Emails...", "Email the invitations to parents",
         N::Loaded, [](F& frame) { frame.SendEmails(EmailInvitation); }},
        {C::SendReminderEmails, "Send Reminder Emails...", "Email the reminders to parents",
         N::Loaded, [](F& frame) { frame.SendEmails(EmailReminder); }},
        {C::SendResultEmails, "Send Result &Emails...", "Email the current schedule to parents",
         N::Loaded, [](F& frame) { frame.SendEmails(EmailResults); }},
        {C::SendPersonInvitationEmail, "Send Invitation Email",
         "Send just this person's invitation email", N::Nothing,
         [](F& frame) { frame.SendPersonEmail(EmailInvitation); }},
        {C::SendPersonReminderEmail, "Send Reminder Email",
         "Send just this person's reminder email", N::Nothing,
         [](F& frame) { frame.SendPersonEmail(EmailReminder); }},
        {C::SendPersonResultsEmail, "&Send Results Email", "Send just this person's results email",
         N::Nothing, [](F& frame) { frame.SendPersonEmail(EmailResults); }},
        {C::PreviewInvitationEmail, "Preview &Invitation Email",
         "Show a preview of the invitation email to this person", N::Nothing,
         [](F& frame) { frame.PreviewPersonEmail(EmailInvitation); }},
        {C::PreviewReminderEmail, "Preview Reminder Email",
         "Show a preview of the reminder email to this person", N::Nothing,
         [](F& frame) { frame.PreviewPersonEmail(EmailReminder); }},
        {C::PreviewResultsEmail, "Pre&view Results Email",
         "Show a preview of the results email to this person", N::Nothing,
         [](F& frame) { frame.PreviewPersonEmail(EmailResults); }},
        {C::EditParentInvitationsText, "Parent Invitations...", "Invitation emails for parents",
         N::Loaded, [](F& frame) { frame.EditEmailText(EmailInvitation, EmailToParent); }},
        {C::EditParentRemindersText, "Parent Reminders...", "Reminder emails for parents",
         N::Loaded, [](F& frame) { frame.EditEmailText(EmailReminder, EmailToParent); }},
        {C::EditParentResultsText, "Parent Results...", "Result emails for parents", N::Loaded,
         [](F& frame) { frame.EditEmailText(EmailResults, EmailToParent); }},
        {C::EditPupilResultsText, "Pupil Results...", "Result emails for pupils", N::Loaded,
         [](F& frame) { frame.EditEmailText(EmailResults, EmailToPupil); }},
        {C::EditTeacherResultsText, "Teacher Results...", "Result emails for teachers", N::Loaded,
         [](F& frame) { frame.EditEmailText(EmailResults, EmailToTeacher); }},
        {C::EditEmailServer, "Edit Emai&l Server...", "Edit the current email server's details",
         N::Loaded, &F::OnEditEmailServer},
        {C::CheckForUpdates, "&Check for Updates...", "Check online for updates to Quillmoot",
         N::Nothing, &F::OnCheckForUpdates},
    };
    return family;
}

void QuillmootFrame::InstallEmailEditors() {
    NewEventDlg::SetEmailServerEditor([](wxWindow* parent, Event& event, QMController* controller) {
        EditEmailServer(parent, event, controller);
    });
    SetEmailOptionsEditor([this](wxWindow* parent, PrintSettings& settings) {
        EmailSettingsDlg dialog(parent, controller_.GetEvent(), &settings,
                                "Please confirm options for this email run before continuing:");
        return dialog.ShowModal() == wxID_OK;
    });
}

void QuillmootFrame::OnEditEmailServer() {
    const std::shared_ptr<Event> event = controller_.GetEvent();
    if (!controller_.GetSchedule() || !event) {
        return;
    }
    EditEmailServer(this, *event, &controller_);
}

void QuillmootFrame::EditEmailText(EmailTextKind kind, EmailRecipientRole role) {
    const std::shared_ptr<Event> event = controller_.GetEvent();
    if (!controller_.GetSchedule() || !event) {
        return;
    }
    EmailTextDlg dialog(this, event, kind, role);
    dialog.ShowModal();
}

void QuillmootFrame::SendEmails(EmailTextKind kind) {
    MultiDaySchedule* schedule = controller_.GetSchedule();
    const std::shared_ptr<Event> event = controller_.GetEvent();
    if (!schedule || !event) {
        return;
    }
    if (event->GetParents().CountWithEmail() + event->GetTeachers().CountWithEmail() == 0) {
        ReportMessage(SeverityError,
                      "Nobody has email addresses defined - if you wish to send emails, please "
                      "edit the parents and/or teachers and type their email addresses in.");
        return;
    }
    const EmailServerSettings server = event->GetEmailServerSettings();
    const std::string refusal = EmailDialogLogic::CheckEmailSettings(
        server, *event, kind, true, WebService::GetAddress(controller_.GetUserSettings()));
    if (!refusal.empty()) {
        ReportMessage(SeverityError, refusal);
        return;
    }
    if (!ConfirmOutputRun(OutputRun::Email, nullptr) ||
        !AskYesNo(EmailDialogLogic::RunQuestion(kind))) {
        return;
    }
    {
        EmailProgressDlg progress(this, &controller_, nullptr, kind);
        progress.ShowModal();
    }
}

void QuillmootFrame::SendPersonEmail(EmailTextKind kind) {
    const std::shared_ptr<Event> event = controller_.GetEvent();
    Person* person = SelectedPerson(tree_);
    if (!controller_.GetSchedule() || !event || !person) {
        return;
    }
    const std::string refusal = EmailDialogLogic::CheckEmailSettings(
        event->GetEmailServerSettings(), *event, kind, false, std::string());
    if (!refusal.empty()) {
        ReportMessage(SeverityError, refusal);
        return;
    }
    if (!ConfirmOutputRun(OutputRun::Email, nullptr) ||
        !AskYesNo(EmailDialogLogic::PersonQuestion(person->GetName()))) {
        return;
    }
    {
        EmailProgressDlg progress(this, &controller_, person, kind);
        progress.ShowModal();
    }
}

void QuillmootFrame::PreviewPersonEmail(EmailTextKind kind) {
    MultiDaySchedule* schedule = controller_.GetSchedule();
    const std::shared_ptr<Event> event = controller_.GetEvent();
    Person* person = SelectedPerson(tree_);
    if (!schedule || !event || !person) {
        return;
    }
    // Checked before the job loads the e-mail scripts: a refusal runs no script.
    const std::string refusal =
        EmailDialogLogic::CheckEmailSettings(event->GetEmailServerSettings(), *event, kind, true,
                                             WebService::GetAddress(controller_.GetUserSettings()));
    if (!refusal.empty()) {
        ReportMessage(SeverityError, refusal);
        return;
    }
    EmailJob job(&controller_, kind);
    job.SetSingleRecipient(person);
    if (job.GetRecipientCount() == 0) {
        ReportMessage(SeverityInformation,
                      EmailDialogLogic::NoEmailsDueText(job, person, *schedule));
        return;
    }
    std::string preview;
    for (const EmailRecipient& recipient : job.GetRecipients()) {
        UCSMTPEmail email;
        if (job.BuildMessage(email, recipient.person, recipient.day, 1)) {
            preview += email.ComposeMessage(std::time(nullptr));
        }
    }
    ReportDlg dialog(this, "Email Contents", preview);
    dialog.ShowModal();
}

void QuillmootFrame::OnCheckForUpdates() {
    const UpdateCheck check(controller_.GetUserSettings());
    if (!check.IsConfigured(true)) {
        return;
    }
    std::string line;
    {
        CheckForUpdatesDlg dialog(this, check.GetVersionTextURL(), check.GetCAFile());
        dialog.ShowModal();
        if (dialog.GetTransfer().BodyTooLarge()) {
            ReportMessage(SeverityError, check.TooLargeReplyMessage());
            return;
        }
        line = dialog.GetResultLine();
    }
    std::string message;
    ReleaseInfo release;
    switch (check.Evaluate(line, &message, &release)) {
        case UpdateCheck::ContactFailed:
            ReportMessage(SeverityError, message);
            return;
        case UpdateCheck::UpToDate:
            ReportMessage(SeverityInformation, message);
            return;
        case UpdateCheck::UpdateAvailable:
            break;
    }
    if (!AskYesNo(message)) {
        return;
    }
    if (!UpdateCheck::ParseRelease(line, &release, &message)) {
        ReportMessage(SeverityError, message);
        return;
    }
    FileRequest request{"Choose a filename to save as", "All files (*.*)|*",
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT, FromUtf8(release.fileName)};
    FileChoice choice;
    if (!PromptService::Current().ChooseFile(this, request, &choice)) {
        return;
    }
    const std::string path = ToUtf8(choice.path);
    if (!UpdateCheck::FileMatches(path, release.checksum)) {
        // The download replaces the chosen file only once its digest is right.
        const std::string partial = UpdateCheck::PartialPath(path);
        {
            DownloadFileDlg dialog(this, check.GetDownloadURL(release.fileName), partial,
                                   check.GetCAFile());
            dialog.ShowModal();
        }
        if (!check.AcceptDownload(partial, path, release.checksum)) {
            return;
        }
    }
    // The user asked to run what the digest vouches for.
    UpdateCheck::MakeRunnable(path);
    // The usual close, with its save question, goes first: unsaved work is never lost, and the
    // installer starts only if the window really closes.
    if (Close(false)) {
        UpdateCheck::StartInstaller(path);
    }
}
