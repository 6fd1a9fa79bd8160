#include <stdexcept>
#include <string>

#include "app/smtp_client.h"
#include "comms/email_job.h"
#include "foundation/uc_error.h"
#include "model/parent.h"
#include "model/teacher.h"
#include "scripting/qm_lua_script.h"
#include "scripting/script_call.h"

namespace {

std::string DebugLog(const EmailJob& job) {
    return job.GetClient() != nullptr ? job.GetClient()->debugLog : std::string();
}

// One e-mail of a kind to a teacher or a parent, a message for each day the run's rules allow;
// the results are whether the sender started and the whole SMTP conversation.
int SendEmail(ScriptCall& call) {
    // The run would compose its message with the same e-mail script, which would send again.
    if (QMLuaScript::IsRunningFor(QMLuaScript::OutputRoad::Email)) {
        throw std::runtime_error("qm_sendemail is not available to an e-mail script");
    }
    // A sheet is drawn as often as the printout measures, prints and redraws it: a message from
    // it would go as many times.
    if (QMLuaScript::IsRunningForOutput()) {
        throw std::runtime_error("qm_sendemail is not available to a print or e-mail script");
    }
    ScriptObject person{};
    if (call.Controller() == nullptr || !call.GetObject(1, &person) ||
        (person.kind != ScriptObjectKind::Teacher && person.kind != ScriptObjectKind::Parent)) {
        return 0;
    }
    const int attachCalendar = call.GetInteger(2);
    const int kind = call.GetInteger(3);
    if (kind < EmailInvitation || kind > EmailResults) {
        return 0;
    }
    EmailJob job(call.Controller(), static_cast<EmailTextKind>(kind));
    job.EnableDebugLog();
    Person* recipient = person.kind == ScriptObjectKind::Teacher
                            ? static_cast<Person*>(static_cast<Teacher*>(person.pointer))
                            : static_cast<Parent*>(person.pointer);
    job.SetSingleRecipient(recipient);
    if (!job.Connect(attachCalendar)) {
        ReportMessage(SeverityError, "Email sender failed to start");
        call.PushBoolean(false);
        call.PushText(DebugLog(job));
        return 2;
    }
    // A message with nothing in it is skipped and the others still go; a failure (reported by
    // the job) ends the sending.
    std::string log;
    for (;;) {
        call.StopBetweenSteps();
        const EmailJob::EmailStep step = job.SendNextMessage(&log);
        if (step == EmailJob::EmailStepSent && !log.empty()) {
            call.Host().Output(("Sent email to '" + log + "'").c_str());
        } else if (step == EmailJob::EmailStepSkipped) {
            call.Host().Output(log.c_str());
        } else if (step != EmailJob::EmailStepSent) {
            break;
        }
    }
    // A run its scripts were stopped in is not a run that went.
    call.StopBetweenSteps();
    call.PushBoolean(true);
    call.PushText(DebugLog(job));
    return 2;
}

constexpr ScriptFunction kEmailFunctions[] = {
    {"qm_sendemail", &ScriptFunctionEntry<SendEmail>},
};

}  // namespace

ScriptFunctionTable EmailScriptFunctions() {
    return kEmailFunctions;
}
