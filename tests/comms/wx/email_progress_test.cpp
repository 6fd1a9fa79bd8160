#include "comms/wx/email_progress_dlg.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>

#include "app/qm_controller.h"
#include "comms/smtp_client_curl.h"
#include "comms/wx/answers_by_title.h"
#include "comms/wx/login_dlg.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/report_dlg.h"
#include "gui/support/gui_test.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "scripting/qm_lua_script.h"
#include "support/endless_script.h"
#include "support/loopback_servers.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The example school, sending to a loopback server the test starts.
class EmailProgress : public GuiTest {
protected:
    EmailProgress() {
        controller_.Initialise();
        EXPECT_TRUE(controller_.OpenEventFile(CopyExampleEvent().c_str()));
        controller_.SetClientFactory(std::make_unique<SMTPClientFactoryCurl>());
    }
    void UseServer(int port, SMTPConnectionType type = SMTPPlain, bool login = false) {
        EmailServerSettings server;
        server.SetServer("127.0.0.1");
        server.SetPort(port);
        server.SetFromAddress("office@school.example");
        server.SetConnectionType(type);
        server.SetNeedsAuth(login);
        server.SetVerifyServer(false);
        Event().SetEmailServerSettings(server);
    }
    ::Event& Event() { return *controller_.GetEvent(); }
    Parent* FirstParentWithEmail() {
        for (unsigned i = 0; i < Event().GetParents().Count(); ++i) {
            Parent* parent = Event().GetParents().Get(i);
            if (!parent->GetEmail().empty()) {
                return parent;
            }
        }
        return nullptr;
    }
    // Steps as the timer would, until the run ends; the number of steps taken.
    static int RunToEnd(EmailProgressDlg& dialog) {
        int steps = 0;
        while (!dialog.IsFinished() && !dialog.IsStopped() && steps < 100000) {
            Step(dialog);
            ++steps;
        }
        return steps;
    }
    // Steps until the message under way, or the next one, is done.
    static void SendOneMessage(EmailProgressDlg& dialog) {
        do {
            Step(dialog);
        } while (dialog.GetJob().IsSending() && !dialog.IsStopped());
    }
    // One timer tick, after the wait that the timer's interval gives the server.
    static void Step(EmailProgressDlg& dialog) {
        if (UCSMTPClient* client = dialog.GetJob().GetClient()) {
            client->WaitForActivity(EmailProgressDlg::kStepIntervalMs);
        }
        dialog.SendAll();
    }
    static void PressStop(EmailProgressDlg& dialog) {
        wxCommandEvent stop(wxEVT_BUTTON, wxID_CANCEL);
        stop.SetEventObject(dialog.GetButton());
        dialog.GetButton()->GetEventHandler()->ProcessEvent(stop);
    }
    std::string Log(EmailProgressDlg& dialog) { return ToUtf8(dialog.GetLog()->GetValue()); }

    QMController controller_;
};

TEST_F(EmailProgress, AWholeRunReachesTheServerStepByStepAndEndsWithItsSummary) {
    LoopbackSMTPServer server(folder_, {});
    ASSERT_NE(server.Port(), 0) << server.Log();
    UseServer(server.Port());
    EmailProgressDlg dialog(TopWindow(), &controller_, nullptr, EmailResults);
    const int total = dialog.GetJob().GetRecipientCount();
    ASSERT_GT(total, 2);
    EXPECT_EQ(dialog.GetTitle(), "Emails");
    EXPECT_EQ(dialog.GetProgressText()->GetLabel(),
              wxString::Format("0 of %d messages sent", total));
    EXPECT_EQ(Log(dialog), "Initialising...\n");
    EXPECT_EQ(dialog.GetButton()->GetLabel(), "Stop");
    EXPECT_EQ(dialog.GetGauge()->GetRange(), total);

    dialog.SendAll();  // the connection alone
    EXPECT_EQ(dialog.GetJob().GetSentCount(), 0);
    SendOneMessage(dialog);
    EXPECT_EQ(dialog.GetProgressText()->GetLabel(),
              wxString::Format("1 of %d messages sent", total));
    EXPECT_EQ(dialog.GetGauge()->GetValue(), 1);

    RunToEnd(dialog);
    ASSERT_TRUE(dialog.IsFinished());
    const int sent = dialog.GetJob().GetSentCount();
    EXPECT_EQ(sent + dialog.GetJob().GetSkippedCount(), total);
    EXPECT_EQ(static_cast<int>(server.Messages().size()), sent);
    EXPECT_EQ(dialog.GetButton()->GetLabel(), "Close");
    EXPECT_TRUE(Contains(Log(dialog), dialog.GetJob().GetSummary() + "\nFinished\n"));
    EXPECT_TRUE(Contains(Log(dialog), "Sent to "));
    EXPECT_TRUE(sink_.entries.empty()) << sink_.Texts()[0];
}

TEST_F(EmailProgress, StopBetweenMessagesSendsNoMore) {
    LoopbackSMTPServer server(folder_, {});
    ASSERT_NE(server.Port(), 0) << server.Log();
    UseServer(server.Port());
    EmailProgressDlg dialog(TopWindow(), &controller_, nullptr, EmailResults);
    ASSERT_GT(dialog.GetJob().GetRecipientCount(), 2);
    dialog.Show();
    dialog.SendAll();
    SendOneMessage(dialog);
    PressStop(dialog);
    EXPECT_TRUE(dialog.IsStopped());
    EXPECT_EQ(RunToEnd(dialog), 0);
    EXPECT_EQ(server.Messages().size(), 1u);
    EXPECT_EQ(dialog.GetJob().GetSentCount(), 1);
}

// A server that takes 200 ms over each reply: every step returns at once, however long the
// server holds a message, and Stop ends the message under way.
TEST_F(EmailProgress, ASlowServerNeverHoldsAStepAndStopEndsTheMessageUnderWay) {
    LoopbackSMTPServer server(folder_, {"--delay", "200"});
    ASSERT_NE(server.Port(), 0) << server.Log();
    UseServer(server.Port());
    EmailProgressDlg dialog(TopWindow(), &controller_, nullptr, EmailResults);
    ASSERT_GT(dialog.GetJob().GetRecipientCount(), 2);
    dialog.Show();
    dialog.SendAll();
    // A step that waited for the server would come back with the message sent.
    dialog.SendAll();
    EXPECT_TRUE(dialog.GetJob().IsSending());
    EXPECT_EQ(dialog.GetJob().GetSentCount(), 0);
    int steps = 0;
    while (dialog.GetJob().IsSending()) {
        Step(dialog);
        ++steps;
    }
    EXPECT_GT(steps, 10);
    ASSERT_EQ(dialog.GetJob().GetSentCount(), 1) << Log(dialog);
    Step(dialog);
    ASSERT_TRUE(dialog.GetJob().IsSending());
    PressStop(dialog);
    EXPECT_TRUE(dialog.IsStopped());
    EXPECT_FALSE(dialog.GetJob().IsSending());
    // Whatever the server still had under way is not a message.
    wxMilliSleep(1200);
    EXPECT_EQ(server.Messages().size(), 1u);
    EXPECT_EQ(dialog.GetJob().GetSentCount(), 1);
    // Nobody reports a message the user gave up, so its transport detail must not turn up
    // under the next, unrelated message.
    ReportMessage(SeverityError, "Cannot write to file");
    ASSERT_FALSE(sink_.entries.empty());
    EXPECT_TRUE(sink_.entries.back().details.empty()) << sink_.entries.back().details[0];
}

// Stop may come at any moment of a message. Before its end has gone the message is given up at
// once; after it the server may have it, so its answer counts it and the run ends after it,
// whatever else asks to close meanwhile. Either way the family has it once after the next run.
TEST_F(EmailProgress, StopCountsAndMarksExactlyTheMessageTheServerAccepted) {
    enum Moment { AnswerAwaited, AnswerCameUnseen, Uploading };
    const struct {
        const char* name;
        std::vector<std::string> server;
        Moment moment;
        size_t sent;  // counted, marked and received in the stopped run
    } cases[] = {
        {"while the server's answer is awaited", {"--data-reply-delay", "1500"}, AnswerAwaited, 1},
        {"when the answer came and no step saw it", {}, AnswerCameUnseen, 1},
        {"during the upload of a large message", {"--data-read-delay", "1500"}, Uploading, 0},
    };
    // Far more than the connection's buffers hold while the server does not read.
    std::string large = "Dear NAME,\n";
    while (large.size() < 6000000) {
        large += "Please read this long letter to the end before the evening begins.\n";
    }
    Event().GetPrintSettings().SetIncludeAlreadySent(false);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder("qm-stop");
        LoopbackSMTPServer server(folder, c.server);
        ASSERT_NE(server.Port(), 0) << server.Log();
        UseServer(server.Port());
        ASSERT_TRUE(Event().SetParentEmailText(EmailResults, c.moment == Uploading ? large : ""));
        for (unsigned i = 0; i < Event().GetParents().Count(); ++i) {
            Event().GetParents().Get(i)->SetEmailSent(EmailResults, false);
        }
        EmailProgressDlg dialog(TopWindow(), &controller_, nullptr, EmailResults);
        ASSERT_GT(dialog.GetJob().GetRecipientCount(), 1);
        Person* person = dialog.GetJob().GetRecipients()[0].person;
        ASSERT_EQ(person->GetKind(), PersonKind::Parent);
        dialog.Show();
        while (!dialog.GetJob().IsSending() && !dialog.IsFinished()) {
            Step(dialog);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        if (c.moment == AnswerAwaited) {
            while (server.Messages().empty() && std::chrono::steady_clock::now() < deadline) {
                wxMilliSleep(10);
            }
        } else if (c.moment == AnswerCameUnseen) {
            dialog.GetJob().GetClient()->WaitForActivity(10000);
        } else {
            wxMilliSleep(300);
        }
        ASSERT_TRUE(dialog.GetJob().IsSending());
        ASSERT_EQ(dialog.GetJob().GetClient()->IsAwaitingVerdict(), c.moment != Uploading);
        PressStop(dialog);
        EXPECT_EQ(dialog.IsStopped(), c.sent == 0);
        PressStop(dialog);
        dialog.Close();
        EXPECT_EQ(dialog.IsStopped(), c.sent == 0);
        RunToEnd(dialog);
        EXPECT_TRUE(dialog.IsStopped());
        EXPECT_EQ(dialog.GetReturnCode(), wxID_CANCEL);
        EXPECT_EQ(dialog.GetJob().GetSummary(),
                  std::to_string(c.sent) + " sent, 0 skipped, 0 failed");
        EXPECT_EQ(person->GetEmailSent(EmailResults), c.sent == 1);
        EXPECT_EQ(Contains(Log(dialog), "Sent to " + person->GetName() + "\n"), c.sent == 1);
        // What the server had in hand when it was left is read only now.
        wxMilliSleep(c.moment == Uploading ? 2000 : 0);
        EXPECT_EQ(server.Messages().size(), c.sent);

        ASSERT_TRUE(Event().SetParentEmailText(EmailResults, ""));
        EmailProgressDlg again(TopWindow(), &controller_, person, EmailResults);
        RunToEnd(again);
        size_t received = 0;
        for (const ReceivedMail& mail : server.Messages()) {
            received +=
                std::count(mail.recipients.begin(), mail.recipients.end(), person->GetEmail());
        }
        EXPECT_EQ(received, 1u);
        sink_.entries.clear();
    }
}

// A server that takes the connection and never says a word: the message fails after the stall
// limit and the run goes on to the next one.
TEST_F(EmailProgress, ASilentServerFailsEachMessageAfterTheStallLimit) {
    LoopbackSMTPServer server(folder_, {"--mode", "silent"});
    ASSERT_NE(server.Port(), 0) << server.Log();
    UseServer(server.Port());
    controller_.SetClientFactory(
        std::make_unique<SMTPClientFactoryCurl>(std::chrono::milliseconds(300)));
    Person* person = EmailJob(&controller_, EmailResults).GetRecipients().at(0).person;
    EmailProgressDlg dialog(TopWindow(), &controller_, person, EmailResults);
    const int total = dialog.GetJob().GetRecipientCount();
    ASSERT_GE(total, 1);
    RunToEnd(dialog);
    ASSERT_TRUE(dialog.IsFinished());
    EXPECT_EQ(dialog.GetJob().GetFailedCount(), total);
    ASSERT_EQ(sink_.entries.size(), 1u);
    ASSERT_GE(sink_.entries[0].details.size(), 2u);
    EXPECT_EQ(sink_.entries[0].details[1],
              "Transport error: the email server did not answer for 0.3 seconds");
}

// Server down or a wrong setting: every message fails. Each failure goes to the run's log and the
// run goes on, with nothing in the user's way (a box a message kept Stop out of reach for as
// many boxes as families); the run ends, at its end or by Stop, with one message naming each.
TEST_F(EmailProgress, ARunWhereEveryMessageFailsSaysSoOnceWhenItEnds) {
    const struct {
        const char* name;
        int stopAfter;  // failures before Stop is pressed; -1 runs to the end
    } cases[] = {{"to its end", -1}, {"stopped after two", 2}};
    // Nothing listens on port 1: every message is refused at once.
    UseServer(1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sink_.entries.clear();
        EmailProgressDlg dialog(TopWindow(), &controller_, nullptr, EmailResults);
        const int total = dialog.GetJob().GetRecipientCount();
        ASSERT_GT(total, 3);
        dialog.Show();
        while (!dialog.IsFinished() && !dialog.IsStopped()) {
            Step(dialog);
            if (!dialog.IsFinished()) {
                ASSERT_TRUE(sink_.entries.empty()) << sink_.entries[0].text;
            }
            if (dialog.GetJob().GetFailedCount() == c.stopAfter) {
                PressStop(dialog);
            }
        }
        EmailJob& job = dialog.GetJob();
        EXPECT_EQ(job.GetSentCount(), 0);
        EXPECT_EQ(job.GetFailedCount() + job.GetSkippedCount(),
                  c.stopAfter < 0 ? total : job.GetFailedCount() + job.GetSkippedCount());
        if (c.stopAfter >= 0) {
            EXPECT_EQ(job.GetFailedCount(), c.stopAfter);
            EXPECT_EQ(dialog.GetReturnCode(), wxID_CANCEL);
        }
        ASSERT_EQ(sink_.entries.size(), 1u);
        const RecordingSink::Entry& said = sink_.entries[0];
        EXPECT_EQ(said.severity, SeverityError);
        EXPECT_EQ(said.text, "Not every email was sent (" + job.GetSummary() + ", of " +
                                 std::to_string(total) + ").");
        // Each failure with the reason the client gave, as the log has it.
        std::vector<std::string> failed;
        for (const std::string& line : said.details) {
            if (line.rfind("Email send failed for '", 0) == 0) {
                failed.push_back(line);
                EXPECT_TRUE(Contains(Log(dialog), line + "\n")) << line;
            }
        }
        EXPECT_EQ(static_cast<int>(failed.size()), job.GetFailedCount());
        EXPECT_EQ(static_cast<int>(said.details.size()), 2 * job.GetFailedCount());
        EXPECT_TRUE(Contains(said.details.at(1), "Transport error: ")) << said.details.at(1);
    }
}

TEST_F(EmailProgress, APersonWithNothingDueEndsTheWindowWithTheNoEmailsSentence) {
    UseServer(25);
    Parent* parent = FirstParentWithEmail();
    ASSERT_NE(parent, nullptr);
    parent->SetEmail("");
    EmailProgressDlg dialog(TopWindow(), &controller_, parent, EmailResults);
    EXPECT_EQ(dialog.GetProgressText()->GetLabel(), "0 of 0 messages sent");
    dialog.SendAll();
    EXPECT_TRUE(dialog.IsStopped());
    EXPECT_EQ(dialog.GetReturnCode(), wxID_OK);
    ASSERT_EQ(sink_.entries.size(), 1u);
    EXPECT_EQ(sink_.entries[0].severity, SeverityInformation);
    EXPECT_TRUE(Contains(sink_.entries[0].text, "There are no emails to send! The most common"));
}

TEST_F(EmailProgress, TheLoginIsAskedKeptForTheNextRunAndTheDebugLogShownAtTheEnd) {
    MakeCertificate(folder_);
    LoopbackSMTPServer server(
        folder_, {"--mode", "starttls", "--cert", folder_.File("cert.pem"), "--key",
                  folder_.File("key.pem"), "--user", "office", "--password", "s3cret"});
    ASSERT_NE(server.Port(), 0) << server.Log();
    UseServer(server.Port(), SMTPWithTLS, true);
    EmailServerSettings withDebug = Event().GetEmailServerSettings();
    withDebug.SetDebugReport(true);
    Event().SetEmailServerSettings(withDebug);
    Person* person = EmailJob(&controller_, EmailResults).GetRecipients().at(0).person;

    AnswersByTitle answers;
    answers.Expect("Login", [&](wxDialog* dialog) {
        auto* login = dynamic_cast<LoginDlg*>(dialog);
        login->GetNameField()->ChangeValue("office");
        login->GetPasswordField()->ChangeValue("s3cret");
        return login->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
    });
    std::string debugLog;
    answers.Expect("Email Debug Log", [&](wxDialog* dialog) {
        debugLog = ToUtf8(dynamic_cast<ReportDlg*>(dialog)->GetTextBox()->GetValue());
        return wxID_OK;
    });
    EmailProgressDlg dialog(TopWindow(), &controller_, person, EmailResults);
    RunToEnd(dialog);
    ASSERT_TRUE(dialog.IsFinished())
        << Log(dialog) << (sink_.entries.empty() ? "" : sink_.Texts()[0]);
    EXPECT_EQ(answers.shown, (std::vector<std::string>{"Login", "Email Debug Log"}));
    EXPECT_GE(server.Messages().size(), 1u);
    EXPECT_EQ(Event().GetEmailServerSettings().GetUserName(), "office");
    EXPECT_EQ(Event().GetEmailServerSettings().GetPassword(), "s3cret");
    const std::string clientLog = dialog.GetJob().GetClient()->debugLog;
    EXPECT_FALSE(clientLog.empty());
    EXPECT_EQ(debugLog, clientLog);
    EXPECT_FALSE(Contains(clientLog, "s3cret"));
}

TEST_F(EmailProgress, ACancelledLoginEndsTheWindowWithoutConnecting) {
    UseServer(25, SMTPWithTLS, true);
    AnswersByTitle answers;
    answers.Expect("Login", [](wxDialog*) { return wxID_CANCEL; });
    EmailProgressDlg dialog(TopWindow(), &controller_, nullptr, EmailResults);
    dialog.SendAll();
    EXPECT_TRUE(dialog.IsStopped());
    EXPECT_EQ(dialog.GetJob().GetClient(), nullptr);
    EXPECT_EQ(answers.shown, std::vector<std::string>{"Login"});
}

}  // namespace

namespace {

// The window's controller as far as e-mail runs go: its scripts run in the Lua host, and its
// Stop is pressed once a run has gone on for a moment.
class LuaEmailController : public QMController {
public:
    LuaEmailController() {
        SetScriptStopOffer([] {
            const auto pressAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
            return std::function<bool()>(
                [pressAt] { return std::chrono::steady_clock::now() >= pressAt; });
        });
        SetClientFactory(std::make_unique<SMTPClientFactoryCurl>());
    }
    std::unique_ptr<QMScript> CreateScript(const std::string& fileName) override {
        return QMLuaScript::Create(fileName, this);
    }
};

// A script the user stops ends the run there: what was sent stays sent, nothing more goes, and
// the log says so instead of "Finished".
TEST_F(EmailProgress, AStoppedScriptEndsTheRunAndIsNotCalledFinished) {
    LoopbackSMTPServer server(folder_, {});
    ASSERT_NE(server.Port(), 0) << server.Log();
    // Never ends but gives up after twenty seconds, so that a run without Stop fails the test.
    const std::string forever = kEndlessScript;
    struct Case {
        const char* name;
        const char* lua;
        size_t sent;
    } cases[] = {
        {"the second message",
         "function parent_email(p)\n"
         "  first = first or p\n"
         "  if p ~= first then forever() end\n"
         "  qm_output('Dear parent')\n"
         "  return true\n"
         "end\n",
         1},
        {"the top level", "forever()", 0},
    };
    controller_.CloseEvent();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LuaEmailController lua;
        lua.Initialise();
        ASSERT_TRUE(lua.OpenEventFile(CopyExampleEvent().c_str()));
        EmailServerSettings settings;
        settings.SetServer("127.0.0.1");
        settings.SetPort(server.Port());
        settings.SetFromAddress("office@school.example");
        lua.GetEvent()->SetEmailServerSettings(settings);
        ASSERT_TRUE(lua.GetUserSettings().Set("parentprintscript",
                                              folder_.Write("mail.lua", forever + c.lua)));
        const size_t before = server.Messages().size();
        const auto start = std::chrono::steady_clock::now();
        EmailProgressDlg dialog(TopWindow(), &lua, nullptr, EmailResults);
        ASSERT_GT(dialog.GetJob().GetRecipientCount(), 2);
        RunToEnd(dialog);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_TRUE(dialog.GetJob().WasStopped());
        EXPECT_EQ(server.Messages().size() - before, c.sent);
        const std::string log = Log(dialog);
        EXPECT_TRUE(Contains(
            log, std::string(EmailJob::kStoppedText) + "\n" + dialog.GetJob().GetSummary() + "\n"))
            << log;
        EXPECT_FALSE(Contains(log, "Finished")) << log;
        EXPECT_FALSE(Contains(log, "ran out")) << log;
        EXPECT_EQ(dialog.GetButton()->GetLabel(), "Close");
        sink_.entries.clear();
    }
}

}  // namespace
