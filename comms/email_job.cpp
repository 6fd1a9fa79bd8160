#include "comms/email_job.h"

#include <algorithm>

#include "app/qm_controller.h"
#include "app/qm_script.h"
#include "app/script_run.h"
#include "app/smtp_client.h"
#include "comms/smtp_email.h"
#include "comms/web_service.h"
#include "foundation/uc_error.h"
#include "model/email_server_settings.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/print_settings.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

bool IsBlankText(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

bool AttendsPresentation(const Attendee* attendee) {
    return attendee != nullptr && attendee->GetPresentations().Count() > 0;
}

}  // namespace

EmailJob::EmailJob(QMController* controller, EmailTextKind kind, const PrintSettings* options)
    : kind_(kind), controller_(controller) {
    if (controller_ != nullptr) {
        // Who was sent what must follow the timetable as it stands before this run marks anyone.
        controller_->SettleSentMarks();
        days_ = controller_->GetSchedule();
        factory_ = controller_->GetClientFactory();
    }
    if (HasEvent()) {
        Event& event = *days_->GetEvent();
        if (options != nullptr) {
            ownOptions_ = std::make_unique<PrintSettings>(*options);
            selection_ = ownOptions_.get();
        } else {
            selection_ = &event.GetPrintSettings();
        }
        if (selection_->GetParents()) {
            AddRecipients(event.GetParents());
        }
        if (selection_->GetPupils()) {
            ParentList& parents = event.GetParents();
            for (unsigned p = 0; p < parents.Count(); ++p) {
                Parent* parent = parents.Get(p);
                for (unsigned i = 0; parent != nullptr && i < parent->GetPupilCount(); ++i) {
                    AddRecipient(parent->GetPupil(i));
                }
            }
        }
        // Teachers hear only the results; invitations and reminders are for families.
        if (kind_ == EmailResults && selection_->GetTeachers()) {
            AddRecipients(event.GetTeachers());
        }
    }
    if (controller_ != nullptr) {
        // A script's top level runs as it loads: within Stop's reach too.
        const ScriptRun run(controller_);
        const QMScript::MadeFor made(QMScript::Use::Emails);
        const UserSettings& settings = controller_->GetUserSettings();
        std::unique_ptr<QMScript>* scripts[] = {&parentScript_, &pupilScript_, &teacherScript_};
        const char* keys[] = {"parentprintscript", "pupilprintscript", "teacherprintscript"};
        for (int i = 0; i < 3; ++i) {
            const std::string path = settings.Get(keys[i]);
            if (!path.empty()) {
                *scripts[i] = controller_->CreateScript(path);
            }
        }
        stopped_ = run.Stopped();
    }
}

EmailJob::~EmailJob() {
    CancelMessage();
    // Closing runs the scripts' finalisers.
    const ScriptRun run(controller_);
    parentScript_.reset();
    pupilScript_.reset();
    teacherScript_.reset();
}

bool EmailJob::HasEvent() const {
    return days_ != nullptr && days_->GetEvent() != nullptr;
}

int EmailJob::GetRecipientCount() const {
    if (!HasEvent() || selection_ == nullptr) {
        return 0;
    }
    return static_cast<int>(recipients_.size());
}

std::string EmailJob::GetSummary() const {
    return std::to_string(sentCount_) + " sent, " + std::to_string(skippedCount_) + " skipped, " +
           std::to_string(failedCount_) + " failed";
}

void EmailJob::EnableDebugLog() {
    debug_ = true;
    if (client_) {
        client_->EnableDebugLog(kCallerName);
    }
}

std::string EmailJob::GetWebsiteAddress() const {
    return controller_ ? WebService::GetAddress(controller_->GetUserSettings()) : std::string();
}

EmailSkipReason EmailJob::GetSkipReason(Person* person, Schedule* day) const {
    if (person == nullptr) {
        return EmailSkipNoPerson;
    }
    if (day == nullptr || !HasEvent()) {
        return EmailSkipNoDay;
    }
    const Event& event = *days_->GetEvent();
    if (kind_ != EmailResults && event.GetUrl().empty()) {
        return EmailSkipNotRegistered;
    }
    if (person->GetEmail().empty() && person->GetEmailAlt().empty()) {
        return EmailSkipNoAddress;
    }
    const bool resend = selection_ != nullptr && selection_->GetIncludeAlreadySent();
    if (person->GetEmailSent(kind_) && !resend) {
        return EmailSkipAlreadySent;
    }
    if (kind_ == EmailInvitation) {
        return EmailWillBeSent;
    }
    const PersonKind type = person->GetKind();
    if (kind_ == EmailReminder) {
        if (type != PersonKind::Parent) {
            return EmailSkipWrongType;
        }
        return static_cast<Parent*>(person)->HasRequests() ? EmailSkipAlreadyResponded
                                                           : EmailWillBeSent;
    }
    if (kind_ != EmailResults) {
        return EmailSkipWrongType;
    }
    if (type == PersonKind::Parent) {
        auto* parent = static_cast<Parent*>(person);
        if (AttendsPresentation(parent)) {
            return EmailWillBeSent;
        }
        if (!parent->HasRequests()) {
            return EmailSkipNoRequests;
        }
        return day->ParentHasAppointments(parent) ? EmailWillBeSent : EmailSkipNoAppointments;
    }
    if (type == PersonKind::Teacher) {
        auto* teacher = static_cast<Teacher*>(person);
        if (day->TeacherHasAppointments(teacher) || AttendsPresentation(teacher)) {
            return EmailWillBeSent;
        }
        return EmailSkipNoAppointments;
    }
    if (type != PersonKind::Pupil) {
        return EmailSkipWrongType;
    }
    auto* pupil = static_cast<Pupil*>(person);
    if (AttendsPresentation(event.GetParents().FindParentOfPupil(pupil))) {
        return EmailWillBeSent;
    }
    if (pupil->GetRequestCount() == 0) {
        return EmailSkipNoRequests;
    }
    return day->PupilHasAppointments(pupil) ? EmailWillBeSent : EmailSkipNoAppointments;
}

std::string EmailJob::GetSkipReasonText(EmailSkipReason reason, const std::string& website) {
    switch (reason) {
        case EmailWillBeSent:
            return "Email will be sent";
        case EmailSkipNoPerson:
            return " doesn't exist";
        case EmailSkipNoDay:
            return "Date not in event";
        case EmailSkipNoAddress:
            return " has no email address set";
        case EmailSkipAlreadySent:
            return " has already been sent this email";
        case EmailSkipNoRequests:
            return " didn't make any requests";
        case EmailSkipNoAppointments:
            return " doesn't have any booked appointments";
        case EmailSkipWrongType:
            return " is not a type we handle";
        case EmailSkipAlreadyResponded:
            return " already responded";
        case EmailSkipNotRegistered:
            return "Event has not been registered on website " + website;
    }
    return std::string();
}

void EmailJob::AddRecipient(Person* person) {
    if (days_ == nullptr) {
        return;
    }
    for (unsigned i = 0; i < days_->GetDayCount(); ++i) {
        Schedule* day = days_->GetDay(i);
        if (GetSkipReason(person, day) != EmailWillBeSent) {
            continue;
        }
        recipients_.push_back({person, day});
        // An invitation or reminder says the same whatever the day: one is enough.
        if (kind_ != EmailResults) {
            return;
        }
    }
}

void EmailJob::AddRecipients(PersonList& people) {
    for (unsigned i = 0; i < people.Count(); ++i) {
        AddRecipient(people.Get(i));
    }
}

void EmailJob::SetSingleRecipient(Person* person) {
    recipients_.clear();
    nextIndex_ = 0;
    AddRecipient(person);
}

std::string EmailJob::CheckServerSettings(const EmailServerSettings& settings) {
    if (IsBlankText(settings.GetServer())) {
        return "No email server has been defined so emails cannot be sent. Please edit the event "
               "details and specify your email server's address if you wish to be able to send "
               "emails.";
    }
    if (IsBlankText(settings.GetFromAddress())) {
        return "No email 'from' address has been defined so emails cannot be sent. Please edit "
               "the event details and specify your email address if you wish to be able to send "
               "emails.";
    }
    return std::string();
}

bool EmailJob::Connect(int attachCalendar) {
    if (client_) {
        return false;
    }
    attachCalendar_ = attachCalendar;
    nextIndex_ = 0;
    sentCount_ = 0;
    skippedCount_ = 0;
    failedCount_ = 0;
    settled_.clear();
    if (!HasEvent() || selection_ == nullptr) {
        return false;
    }
    const EmailServerSettings settings = days_->GetEvent()->GetEmailServerSettings();
    // Every road to sending meets this, a script's too, not only the window's commands.
    const std::string refusal = CheckServerSettings(settings);
    if (!refusal.empty()) {
        ReportMessage(SeverityError, refusal);
        return false;
    }
    if (settings.GetDebugReport()) {
        debug_ = true;
    }
    if (factory_ == nullptr) {
        ReportMessage(SeverityError, "Email subsystem not initialised");
        return false;
    }
    client_ = factory_->CreateClient();
    if (!client_) {
        return false;
    }
    if (debug_) {
        client_->EnableDebugLog(kCallerName);
    }
    return client_->Connect(settings);
}

bool EmailJob::SendNext(std::string* log) {
    return SendNextMessage(log) == EmailStepSent;
}

EmailJob::EmailStep EmailJob::SendNextMessage(std::string* log) {
    EmailStep step = Step(log);
    while (step == EmailStepSending) {
        // A script's Stop gives up a message the server cannot have yet, as the window's Stop
        // does; one it may have is counted by its answer.
        if (ScriptRun::ShouldStop(controller_) && GiveUpMessage()) {
            return EmailStepNone;
        }
        client_->WaitForActivity(100);
        step = Step(log);
    }
    return step;
}

EmailJob::EmailStep EmailJob::Step(std::string* log) {
    // Without a client the log is not touched.
    if (!client_) {
        return EmailStepNone;
    }
    std::string scratch;
    std::string& out = log != nullptr ? *log : scratch;
    out.clear();
    if (sending_.person == nullptr) {
        if (!HasEvent() || nextIndex_ >= recipients_.size()) {
            return EmailStepNone;
        }
        if (stopped_) {
            nextIndex_ = recipients_.size();
            out = kStoppedText;
            return EmailStepNone;
        }
        // Moved on first, so a message that fails is not tried again by the next call.
        const EmailRecipient recipient = recipients_[nextIndex_++];
        const std::string shownName = recipient.person->GetDisplayName();
        UCSMTPEmail email;
        bool built = false;
        {
            const ScriptRun run(controller_);
            built = BuildMessage(email, recipient.person, recipient.day, attachCalendar_);
            stopped_ = run.Stopped();
        }
        // Whatever the stopped script left is not sent, and nothing after it.
        if (stopped_) {
            nextIndex_ = recipients_.size();
            out = kStoppedText;
            return EmailStepNone;
        }
        if (!built) {
            out = "Could not create outbound email for '" + shownName + "'";
            if (!scriptFailure_.empty()) {
                out += "\n" + scriptFailure_;
            }
            ReportMessage(SeverityError, out);
            ++failedCount_;
            return EmailStepFailed;
        }
        if (IsBlankText(email.text)) {
            out = "Skipped '" + shownName + "': there is nothing to tell them in this email";
            ++skippedCount_;
            Settle(recipient.person, false);
            return EmailStepSkipped;
        }
        sending_ = recipient;
        client_->StartSend(email);
    }
    const UCSMTPClient::SendState state = client_->PollSend();
    if (state == UCSMTPClient::SendRunning) {
        return EmailStepSending;
    }
    const EmailRecipient recipient = sending_;
    sending_ = EmailRecipient();
    if (state == UCSMTPClient::SendFailed) {
        out = "Email send failed for '" + recipient.person->GetDisplayName() + "'";
        ReportMessage(SeverityError, out);
        ++failedCount_;
        return EmailStepFailed;
    }
    Settle(recipient.person, true);
    ++sentCount_;
    out = "Sent to " + recipient.person->GetName();
    return EmailStepSent;
}

void EmailJob::Settle(Person* person, bool accepted) {
    Settlement& settled = settled_[person];
    ++settled.messages;
    settled.accepted = settled.accepted || accepted;
    // Results go one message a day: a family is told only once the last of them is accepted.
    const auto owed =
        std::count_if(recipients_.begin(), recipients_.end(),
                      [person](const EmailRecipient& r) { return r.person == person; });
    if (settled.accepted && settled.messages >= owed) {
        person->SetEmailSent(kind_, true);
    }
}

bool EmailJob::GiveUpMessage() {
    if (sending_.person != nullptr && client_) {
        // Nobody reports a message given up, so the client's detail line would wait for the
        // next, unrelated report.
        UCStringError unreported;
        if (!client_->CancelSend()) {
            return false;
        }
    }
    sending_ = EmailRecipient();
    return true;
}

void EmailJob::CancelMessage() {
    if (GiveUpMessage()) {
        return;
    }
    while (Step(nullptr) == EmailStepSending) {
        client_->WaitForActivity(100);
    }
}
