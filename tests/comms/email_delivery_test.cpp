#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "app/script_run.h"
#include "comms/email_fixture.h"
#include "comms/email_job.h"
#include "comms/smtp_client_curl.h"
#include "support/loopback_servers.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class EmailDelivery : public EmailEvent {
protected:
    EmailDelivery() {
        controller_.SetClientFactory(std::make_unique<SMTPClientFactoryCurl>());
        Book(amy_, whitfield_, "Maths", 2, 0, 0);
        Book(ben_, raman_, "", 1, 1, 4);
    }
    void UseServer(int port) {
        EmailServerSettings server = event_->GetEmailServerSettings();
        server.SetServer("127.0.0.1");
        server.SetPort(port);
        event_->SetEmailServerSettings(server);
    }
    TempFolder folder_{"qm-delivery"};
};

TEST_F(EmailDelivery, AResultsRunReachesTheServerWithItsCalendars) {
    LoopbackSMTPServer server(folder_, {"--reject", "kim@home.example"});
    ASSERT_NE(server.Port(), 0) << server.Log();
    UseServer(server.Port());
    EmailJob job(&controller_, EmailResults);
    ASSERT_EQ(job.GetRecipientCount(), 4);  // Smith, Lee, Whitfield, Raman
    ASSERT_TRUE(job.Connect(1));
    std::string log;
    while (!job.IsFinished()) {
        job.SendNext(&log);
    }
    EXPECT_EQ(job.GetSummary(), "3 sent, 0 skipped, 1 failed");
    EXPECT_TRUE(Contains(sink_.GetText(),
                         "Error: Email send failed for 'Mr Kim Lee'\n"
                         "Further details follow:\nTransport error: "));
    const std::vector<ReceivedMail> mails = server.Messages();
    ASSERT_EQ(mails.size(), 3u);
    EXPECT_EQ(mails[0].recipients, std::vector<std::string>{"jane@home.example"});
    EXPECT_EQ(mails[1].recipients, std::vector<std::string>{"Tom@hill.example"});
    EXPECT_EQ(mails[2].recipients, std::vector<std::string>{"Pri@hill.example"});
    // A refused message closes the connection; the next one opens another and keeps it.
    EXPECT_EQ(mails[1].peerPort, mails[2].peerPort);

    const std::string parsed = RunAndRead(
        {QM_PYTHON, ScriptPath("read_mail.py"), server.MessagePath(1)}, folder_.File("parsed.txt"));
    EXPECT_TRUE(Contains(parsed, "subject: Schedule for Spring evening, 12 Mar 2026\n")) << parsed;
    EXPECT_TRUE(Contains(parsed, "from: office@hill.example\n"));
    EXPECT_TRUE(Contains(parsed, "defects: 0\n"));
    EXPECT_TRUE(Contains(parsed, "body: 'Dear Mrs Jane Smith,\\n\\nYou are invited"));
    EXPECT_TRUE(Contains(parsed, "attachment: event.ics\n"));
    EXPECT_TRUE(Contains(parsed, "summary: Spring evening, Hill School\n"));
    EXPECT_TRUE(Contains(parsed,
                         "description: '6:00pm - 6:10pm: You are seeing Mr Tom Whitfield "
                         "(Maths) (Room 4)\\n'\n"));
}

// Once a message's end has gone the server may have it: however the run is cut short then,
// the server's answer counts it, so the family is marked exactly when it was mailed, and when
// the answer never comes the log says the message may have arrived.
TEST_F(EmailDelivery, AMessageTheServerMayHaveIsCountedByItsAnswerHoweverTheRunEnds) {
    const struct {
        const char* name;
        const char* replyDelay;
        int stallMs;
        bool answerSeen;  // the answer came before the run was cut short, unseen by a step
        bool closed;      // the run is closed rather than its message cancelled
        const char* summary;
        const char* said;
    } cases[] = {
        {"cancelled while the answer is awaited", "1000", 60000, false, false,
         "1 sent, 0 skipped, 0 failed", ""},
        {"cancelled after the answer came", "0", 60000, true, false, "1 sent, 0 skipped, 0 failed",
         ""},
        {"closed while the answer is awaited", "1000", 60000, false, true, "", ""},
        {"cancelled while the answer is awaited past the stall limit", "3000", 300, false, false,
         "0 sent, 0 skipped, 1 failed",
         "Error: Email send failed for 'Mrs Jane Smith'\nFurther details follow:\n"
         "Transport error: the email server did not answer for 0.3 seconds after the whole "
         "message had gone to it, so it may have arrived\n"},
    };
    Selection().SetIncludeAlreadySent(false);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder("qm-answer");
        LoopbackSMTPServer server(folder, {"--data-reply-delay", c.replyDelay});
        ASSERT_NE(server.Port(), 0) << server.Log();
        UseServer(server.Port());
        controller_.SetClientFactory(
            std::make_unique<SMTPClientFactoryCurl>(std::chrono::milliseconds(c.stallMs)));
        smith_->SetEmailSent(EmailResults, false);
        auto job = std::make_unique<EmailJob>(&controller_, EmailResults);
        ASSERT_TRUE(job->Connect(1));
        const EmailJob::EmailStep first = job->Step(nullptr);
        if (c.answerSeen && first == EmailJob::EmailStepSent) {
            // A server that answers at once may do so within the step: counted as any other.
            EXPECT_EQ(job->GetSummary(), c.summary);
            EXPECT_TRUE(smith_->GetEmailSent(EmailResults));
            continue;
        }
        ASSERT_EQ(first, EmailJob::EmailStepSending);
        if (c.answerSeen) {
            job->GetClient()->WaitForActivity(10000);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (server.Messages().empty() && std::chrono::steady_clock::now() < deadline) {
            job->GetClient()->WaitForActivity(10);
        }
        EXPECT_TRUE(job->GetClient()->IsAwaitingVerdict());
        if (c.closed) {
            job.reset();
        } else {
            job->CancelMessage();
            EXPECT_FALSE(job->IsSending());
            EXPECT_EQ(job->GetSummary(), c.summary);
        }
        EXPECT_EQ(sink_.GetText(), c.said);
        const bool sent = *c.said == '\0';
        EXPECT_EQ(smith_->GetEmailSent(EmailResults), sent);
        EXPECT_EQ(server.Messages().size(), 1u);
        // Only a family not marked is due again.
        EXPECT_EQ(EmailJob(&controller_, EmailResults).GetRecipients().at(0).person == smith_,
                  !sent);
    }
}

// A script's Stop, pressed while qm_sendemail waits for the server: a message the server cannot
// have yet (it never even greeted) is given up at once, uncounted; one whose end has gone is
// counted by the server's answer, as the window's Stop counts it.
TEST_F(EmailDelivery, AScriptsStopGivesUpOnlyAMessageTheServerCannotHaveYet) {
    const struct {
        const char* name;
        std::vector<std::string> server;
        EmailJob::EmailStep step;
        const char* summary;
    } cases[] = {
        {"a server that never greets",
         {"--mode", "silent"},
         EmailJob::EmailStepNone,
         "0 sent, 0 skipped, 0 failed"},
        {"the answer to the whole message awaited",
         {"--data-reply-delay", "500"},
         EmailJob::EmailStepSent,
         "1 sent, 0 skipped, 0 failed"},
    };
    Selection().SetIncludeAlreadySent(false);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder("qm-stop");
        LoopbackSMTPServer server(folder, c.server);
        ASSERT_NE(server.Port(), 0) << server.Log();
        UseServer(server.Port());
        smith_->SetEmailSent(EmailResults, false);
        bool stop = false;
        controller_.SetScriptStopOffer(
            [&stop] { return std::function<bool()>([&stop] { return stop; }); });
        const ScriptRun run(&controller_);
        EmailJob job(&controller_, EmailResults);
        ASSERT_TRUE(job.Connect(1));
        ASSERT_EQ(job.Step(nullptr), EmailJob::EmailStepSending);
        // Pressed once the message is under way, when the server has it whole if it takes it.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (c.step == EmailJob::EmailStepSent && !job.GetClient()->IsAwaitingVerdict() &&
               std::chrono::steady_clock::now() < deadline) {
            job.GetClient()->WaitForActivity(10);
        }
        stop = true;
        const auto start = std::chrono::steady_clock::now();
        std::string log;
        EXPECT_EQ(job.SendNextMessage(&log), c.step);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_FALSE(job.IsSending());
        EXPECT_EQ(job.GetSummary(), c.summary);
        EXPECT_EQ(smith_->GetEmailSent(EmailResults), c.step == EmailJob::EmailStepSent);
        EXPECT_EQ(sink_.GetText(), "");
    }
}

}  // namespace
