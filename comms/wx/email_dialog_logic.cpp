#include "comms/wx/email_dialog_logic.h"

#include <cstdio>
#include <cstdlib>

#include "comms/email_job.h"
#include "foundation/string_functions.h"
#include "model/email_server_settings.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/schedule.h"

namespace EmailDialogLogic {

namespace {

bool LooksLikeAddress(const std::string& text) {
    return text.find('@') != std::string::npos && text.find('.') != std::string::npos;
}

}  // namespace

std::string LoginNameLabel(int nameKind) {
    switch (nameKind) {
        case LoginUserName:
            return "Username:";
        case LoginEmail:
            return "Email:";
        default:
            return std::string();
    }
}

std::string CheckLoginName(int nameKind, const std::string& name) {
    if (nameKind == LoginEmail && !LooksLikeAddress(name)) {
        return "The email address is invalid";
    }
    return std::string();
}

std::string LoginPrompt(const std::string& server) {
    return "Login to server \"" + server + "\":";
}

std::string CheckServerFields(const std::string& fromAddress, const std::string& portText,
                              const std::string& shownPort) {
    if (!LooksLikeAddress(fromAddress)) {
        return "The 'from' address is not valid, it must contain an '@' symbol and at least one "
               "full stop";
    }
    // A file's port must not keep the sender or the server from being changed.
    if (portText == shownPort) {
        return std::string();
    }
    const int port = std::atoi(portText.c_str());
    if (port < 1 || port > 65535) {
        return "The email port number is not valid, it must be a number between 1 and 65535";
    }
    return std::string();
}

std::string EmailTextHelp(EmailTextKind kind, EmailRecipientRole role) {
    static const char* const roleWords[] = {"parents", "pupils", "teachers"};
    const std::string who = roleWords[role >= 0 && role <= 2 ? role : 0];
    std::string text;
    switch (kind) {
        case EmailInvitation:
            text = "This is the text of the invitation emails to " + who + ".\n";
            break;
        case EmailReminder:
            text = "This is the text of the reminder emails to " + who +
                   " who have not responded yet.\n";
            break;
        case EmailResults:
            text = "This is the text of the results emails to " + who + ".\n";
            break;
    }
    text += "You can use the following words in ALL CAPITALS to put information into the email:\n";
    text += "NAME - the recipient's name\n";
    if (kind != EmailResults) {
        return text + "LINK - the link to the web page where the recipient should respond";
    }
    if (role == EmailToTeacher) {
        text += "LOCATION - the location of the recipient during the event\n";
    }
    return text +
           "NOTES - any notes defined for the recipient\n"
           "SCHEDULE - the recipient's schedule for the evening\n"
           "UNBOOKED - the recipient's unbooked appointments";
}

std::string ProgressText(int sent, int total) {
    return std::to_string(sent) + " of " + std::to_string(total) + " messages sent";
}

std::string CheckEmailSettings(const EmailServerSettings& server, const Event& event,
                               EmailTextKind kind, bool checkLink, const std::string& website) {
    const std::string refusal = EmailJob::CheckServerSettings(server);
    if (!refusal.empty()) {
        return refusal;
    }
    if (checkLink && kind != EmailResults && event.GetUrl().empty()) {
        return std::string(kind == EmailInvitation ? "Invitation" : "Reminder") +
               " emails cannot be sent as this event has not been registered on the website "
               "yet. Please log in to " +
               website + " and upload this event.";
    }
    return std::string();
}

std::string RunQuestion(EmailTextKind kind) {
    const char* what = kind == EmailInvitation ? "invitations"
                       : kind == EmailReminder ? "reminders"
                                               : "the completed schedules";
    return std::string("You are about to email ") + what +
           " to parents and teachers. THIS ACTION CANNOT BE UNDONE. You must be certain that "
           "your schedule is complete and will not change further. Are you absolutely sure you "
           "want to do this?";
}

std::string PersonQuestion(const std::string& name) {
    return "You are about to email the completed schedule to " + name +
           " - THIS ACTION CANNOT BE UNDONE. You must be certain that your schedule is complete "
           "and will not change further. Are you absolutely sure you want to do this?";
}

std::string NoEmailsDueText(const EmailJob& job, Person* person, const MultiDaySchedule& days) {
    const std::string name = person ? person->GetDisplayName() : std::string();
    const std::string website = job.GetWebsiteAddress();
    std::string text = "No emails are due to be sent to " + name + ":\n";
    for (unsigned i = 0; i < days.GetDayCount(); ++i) {
        Schedule* day = days.GetDay(i);
        if (days.GetDayCount() > 1) {
            text += day->GetDate().FormatLong() + ": ";
        }
        const std::string reason =
            EmailJob::GetSkipReasonText(job.GetSkipReason(person, day), website);
        // Most reasons are the rest of a sentence that starts with the person.
        if (!reason.empty() && reason[0] == ' ') {
            text += name;
        }
        text += reason + "\n";
    }
    return text;
}

namespace {

// The words of a transfer's first three states and of its failure, which every transfer shows
// alike; null for the states each names its own way.
const char* CommonTransferText(int state) {
    switch (state) {
        case 0:
            return "Connecting...";
        case 1:
            return "Sending request...";
        case 2:
            return "Reading headers...";
        case 5:
            return "HTTP Error";
        default:
            return nullptr;
    }
}

}  // namespace

bool CheckStatusText(int state, int bodyLines, const std::string& resultLine, std::string* text) {
    if (const char* common = CommonTransferText(state)) {
        *text = common;
        return true;
    }
    switch (state) {
        case 3:
            // The status line holds 31 characters at most.
            *text = StringPrintf("Reading reply (%d)...", bodyLines).substr(0, 31);
            return true;
        case 4:
            *text = "OK: " + resultLine;
            return true;
        default:
            return false;
    }
}

bool DownloadStatusText(int state, const std::string& url, long received, long length,
                        std::string* text) {
    if (const char* common = CommonTransferText(state)) {
        *text = common;
        return true;
    }
    switch (state) {
        case 3:
            // The status line holds 127 characters at most.
            *text = StringPrintf("Downloading %s (%ld of %ld)", url.c_str(), received, length)
                        .substr(0, 127);
            return true;
        case 4:
            *text = "OK";
            return true;
        default:
            return false;
    }
}

int DownloadGaugeValue(long received, long length) {
    if (length <= 0) {
        return 0;
    }
    const int percent = static_cast<int>(static_cast<double>(received) * 100.0 / length);
    return percent > 100 ? 100 : (percent < 0 ? 0 : percent);
}

}  // namespace EmailDialogLogic
