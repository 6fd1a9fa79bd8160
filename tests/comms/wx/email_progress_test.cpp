#include "comms/wx/email_progress_dlg.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <string>

#include "app/qm_controller.h"
#include "support/loopback_servers.h"
#include "comms/smtp_client_curl.h"
#include "comms/wx/answers_by_title.h"
#include "comms/wx/login_dlg.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/report_dlg.h"
#include "gui/support/gui_test.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"

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
        while (!dialog.IsFinished() && !dialog.IsStopped() && steps < 10000) {
            dialog.SendAll();
            ++steps;
        }
        return steps;
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
    EXPECT_EQ(dialog.GetProgressText()->GetLabel(), wxString::Format("0 of %d messages sent", total));
    EXPECT_EQ(Log(dialog), "Initialising...\n");
    EXPECT_EQ(dialog.GetButton()->GetLabel(), "Stop");
    EXPECT_EQ(dialog.GetGauge()->GetRange(), total);

    dialog.SendAll();  // the connection alone
    EXPECT_EQ(dialog.GetJob().GetSentCount(), 0);
    dialog.SendAll();
    EXPECT_EQ(dialog.GetProgressText()->GetLabel(), wxString::Format("1 of %d messages sent", total));
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
    dialog.SendAll();
    wxCommandEvent stop(wxEVT_BUTTON, wxID_CANCEL);
    stop.SetEventObject(dialog.GetButton());
    dialog.GetButton()->GetEventHandler()->ProcessEvent(stop);
    EXPECT_TRUE(dialog.IsStopped());
    EXPECT_EQ(RunToEnd(dialog), 0);
    EXPECT_EQ(server.Messages().size(), 1u);
    EXPECT_EQ(dialog.GetJob().GetSentCount(), 1);
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
    LoopbackSMTPServer server(folder_, {"--mode", "starttls", "--cert", folder_.File("cert.pem"),
                                        "--key", folder_.File("key.pem"), "--user", "office",
                                        "--password", "s3cret"});
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
        return login->AcceptOK() ? wxID_OK : wxID_CANCEL;
    });
    std::string debugLog;
    answers.Expect("Email Debug Log", [&](wxDialog* dialog) {
        debugLog = ToUtf8(dynamic_cast<ReportDlg*>(dialog)->GetTextBox()->GetValue());
        return wxID_OK;
    });
    EmailProgressDlg dialog(TopWindow(), &controller_, person, EmailResults);
    RunToEnd(dialog);
    ASSERT_TRUE(dialog.IsFinished()) << Log(dialog) << (sink_.entries.empty() ? "" : sink_.Texts()[0]);
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
