#include <ctime>
#include <string>

#include "app/qm_controller.h"
#include "app/script_run.h"
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
#include "gui/main/command_context.h"
#include "gui/main/file_commands.h"
#include "gui/main/frame_actions.h"
#include "gui/main/frame_commands.h"
#include "gui/main/output_commands.h"
#include "gui/main/schedule_views.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/print_settings.h"

namespace {

constexpr const char* kPreviewStopped = "Script stopped by the user: there is no email to preview";

// Edits a copy, so Cancel leaves the event's settings as they were.
bool EditEmailServer(wxWindow* parent, Event& event, const std::string& offeredSender = "") {
    EmailServerSettings copy = event.GetEmailServerSettings();
    if (copy.GetFromAddress().empty()) {
        // A refused address is simply not offered.
        UCStringError quiet;
        copy.SetFromAddress(offeredSender);
    }
    EmailServerDlg dialog(parent, &copy);
    if (dialog.ShowModal() != wxID_OK) {
        return false;
    }
    event.SetEmailServerSettings(copy);
    return true;
}

void EditEmailServerCommand(const CommandContext& context) {
    const std::shared_ptr<Event> event = context.controller.GetEvent();
    if (!context.controller.GetSchedule() || !event) {
        return;
    }
    EditEmailServer(context.parent, *event,
                    context.controller.GetUserSettings().Get("emailaddress"));
}

void EditEmailText(const CommandContext& context, EmailTextKind kind, EmailRecipientRole role) {
    const std::shared_ptr<Event> event = context.controller.GetEvent();
    if (!context.controller.GetSchedule() || !event) {
        return;
    }
    EmailTextDlg dialog(context.parent, event, kind, role);
    dialog.ShowModal();
}

void SendEmails(const CommandContext& context, EmailTextKind kind) {
    MultiDaySchedule* schedule = context.controller.GetSchedule();
    const std::shared_ptr<Event> event = context.controller.GetEvent();
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
        server, *event, kind, true, WebService::GetAddress(context.controller.GetUserSettings()));
    if (!refusal.empty()) {
        ReportMessage(SeverityError, refusal);
        return;
    }
    if (!ConfirmOutputRun(context, OutputRun::Email, nullptr) ||
        !AskYesNo(context.parent, EmailDialogLogic::RunQuestion(kind))) {
        return;
    }
    {
        EmailProgressDlg progress(context.parent, &context.controller, nullptr, kind);
        progress.ShowModal();
    }
}

void SendPersonEmail(const CommandContext& context, EmailTextKind kind) {
    const std::shared_ptr<Event> event = context.controller.GetEvent();
    Person* person = context.selection.GetSelectedObject();
    if (!context.controller.GetSchedule() || !event || !person) {
        return;
    }
    const std::string refusal = EmailDialogLogic::CheckEmailSettings(
        event->GetEmailServerSettings(), *event, kind, false, std::string());
    if (!refusal.empty()) {
        ReportMessage(SeverityError, refusal);
        return;
    }
    // What is ticked for one person's message (a resend, most often) is for that message, as
    // for one person's handout: the next whole run takes the school's choices as kept.
    PrintSettings options = event->GetPrintSettings();
    if (!ConfirmOutputRun(context, OutputRun::Email, &options) ||
        !AskYesNo(context.parent, EmailDialogLogic::PersonQuestion(person->GetName()))) {
        return;
    }
    {
        EmailProgressDlg progress(context.parent, &context.controller, person, kind, &options);
        progress.ShowModal();
    }
}

void PreviewPersonEmail(const CommandContext& context, EmailTextKind kind) {
    MultiDaySchedule* schedule = context.controller.GetSchedule();
    const std::shared_ptr<Event> event = context.controller.GetEvent();
    Person* person = context.selection.GetSelectedObject();
    if (!schedule || !event || !person) {
        return;
    }
    // Checked before the job loads the e-mail scripts: a refusal runs no script.
    const std::string refusal = EmailDialogLogic::CheckEmailSettings(
        event->GetEmailServerSettings(), *event, kind, true,
        WebService::GetAddress(context.controller.GetUserSettings()));
    if (!refusal.empty()) {
        ReportMessage(SeverityError, refusal);
        return;
    }
    std::string preview;
    bool stopped = false;
    {
        // One Stop for loading, writing and closing the scripts; gone before anything shows.
        const ScriptRun run(&context.controller);
        EmailJob job(&context.controller, kind);
        job.SetSingleRecipient(person);
        if (!job.WasStopped() && job.GetRecipientCount() == 0) {
            ReportMessage(SeverityInformation,
                          EmailDialogLogic::NoEmailsDueText(job, person, *schedule));
            return;
        }
        for (const EmailRecipient& recipient : job.GetRecipients()) {
            UCSMTPEmail email;
            if (run.Stopped() || job.WasStopped()) {
                break;
            }
            if (job.BuildMessage(email, recipient.person, recipient.day, 1)) {
                preview += email.ComposePreview(std::time(nullptr));
            } else if (!job.GetScriptFailure().empty() && !job.WasStopped()) {
                // What a failed script wrote is no message, and would not be sent.
                ReportMessage(SeverityError, "Could not create outbound email for '" +
                                                 recipient.person->GetDisplayName() + "'\n" +
                                                 job.GetScriptFailure());
            }
        }
        stopped = run.Stopped() || job.WasStopped();
    }
    // A preview that its script did not finish would pass for the message.
    if (stopped) {
        ReportMessage(SeverityError, kPreviewStopped);
        return;
    }
    ReportDlg dialog(context.parent, "Email Contents", preview);
    dialog.ShowModal();
}

void CheckForUpdates(const CommandContext& context) {
    const UpdateCheck check(context.controller.GetUserSettings());
    if (!check.IsConfigured(true)) {
        return;
    }
    std::string line;
    {
        CheckForUpdatesDlg dialog(context.parent, check.GetVersionTextURL(), check.GetCAFile());
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
    if (!AskYesNo(context.parent, message)) {
        return;
    }
    if (!UpdateCheck::ParseRelease(line, &release, &message)) {
        ReportMessage(SeverityError, message);
        return;
    }
    FileRequest request{"Choose a filename to save as", "All files (*.*)|*",
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT, FromUtf8(release.fileName)};
    FileChoice choice;
    if (!PromptService::Current().ChooseFile(context.parent, request, &choice)) {
        return;
    }
    const std::string path = ToUtf8(choice.path);
    if (!UpdateCheck::FileMatches(path, release.checksum)) {
        // The download replaces the chosen file only once its digest is right.
        const std::string partial = UpdateCheck::PartialPath(path);
        {
            DownloadFileDlg dialog(context.parent, check.GetDownloadURL(release.fileName), partial,
                                   check.GetCAFile());
            dialog.ShowModal();
        }
        if (!check.AcceptDownload(partial, path, release.checksum)) {
            return;
        }
    }
    // The user asked to run what the digest vouches for.
    UpdateCheck::MakeRunnable(path);
    // The close's save question comes first, so unsaved work is never lost; the window stays
    // until the installer has started, so a failure is shown and the program goes on.
    if (!ConfirmReplaceEvent(context) || !UpdateCheck::StartInstaller(path)) {
        return;
    }
    // Answered already: the window goes without asking again.
    if (FrameActions* window = TheFrameActions()) {
        window->CloseWithoutAsking();
    }
}
}  // namespace

const CommandFamily& EmailCommands() {
    using C = CommandId;
    using N = CommandNeeds;
    using X = const CommandContext&;
    static const CommandFamily family = {
        {C::SendInvitationEmails, "Send &Invitation Emails...", "Email the invitations to parents",
         N::Loaded, [](X context) { SendEmails(context, EmailInvitation); }},
        {C::SendReminderEmails, "Send Reminder Emails...", "Email the reminders to parents",
         N::Loaded, [](X context) { SendEmails(context, EmailReminder); }},
        {C::SendResultEmails, "Send Result &Emails...", "Email the current schedule to parents",
         N::Loaded, [](X context) { SendEmails(context, EmailResults); }},
        {C::SendPersonInvitationEmail, "Send Invitation Email",
         "Send just this person's invitation email", N::Nothing,
         [](X context) { SendPersonEmail(context, EmailInvitation); }},
        {C::SendPersonReminderEmail, "Send Reminder Email",
         "Send just this person's reminder email", N::Nothing,
         [](X context) { SendPersonEmail(context, EmailReminder); }},
        {C::SendPersonResultsEmail, "&Send Results Email", "Send just this person's results email",
         N::Nothing, [](X context) { SendPersonEmail(context, EmailResults); }},
        {C::PreviewInvitationEmail, "Preview &Invitation Email",
         "Show a preview of the invitation email to this person", N::Nothing,
         [](X context) { PreviewPersonEmail(context, EmailInvitation); }},
        {C::PreviewReminderEmail, "Preview Reminder Email",
         "Show a preview of the reminder email to this person", N::Nothing,
         [](X context) { PreviewPersonEmail(context, EmailReminder); }},
        {C::PreviewResultsEmail, "Pre&view Results Email",
         "Show a preview of the results email to this person", N::Nothing,
         [](X context) { PreviewPersonEmail(context, EmailResults); }},
        {C::EditParentInvitationsText, "Parent Invitations...", "Invitation emails for parents",
         N::Loaded, [](X context) { EditEmailText(context, EmailInvitation, EmailToParent); }},
        {C::EditParentRemindersText, "Parent Reminders...", "Reminder emails for parents",
         N::Loaded, [](X context) { EditEmailText(context, EmailReminder, EmailToParent); }},
        {C::EditParentResultsText, "Parent Results...", "Result emails for parents", N::Loaded,
         [](X context) { EditEmailText(context, EmailResults, EmailToParent); }},
        {C::EditPupilResultsText, "Pupil Results...", "Result emails for pupils", N::Loaded,
         [](X context) { EditEmailText(context, EmailResults, EmailToPupil); }},
        {C::EditTeacherResultsText, "Teacher Results...", "Result emails for teachers", N::Loaded,
         [](X context) { EditEmailText(context, EmailResults, EmailToTeacher); }},
        {C::EditEmailServer, "Edit Emai&l Server...", "Edit the current email server's details",
         N::Loaded, EditEmailServerCommand},
        {C::CheckForUpdates, "&Check for Updates...", "Check online for updates to Quillmoot",
         N::Nothing, CheckForUpdates},
    };
    return family;
}

void InstallEmailEditors() {
    // The event's settings edit the event's own sender; only the menu command offers the user's.
    NewEventDlg::SetEmailServerEditor(
        [](wxWindow* parent, Event& event, QMController*) { EditEmailServer(parent, event); });
}

bool ShowEmailRunOptions(wxWindow* parent, std::shared_ptr<Event> event, PrintSettings& settings) {
    EmailSettingsDlg dialog(parent, std::move(event), &settings,
                            "Please confirm options for this email run before continuing:");
    return dialog.ShowModal() == wxID_OK;
}
