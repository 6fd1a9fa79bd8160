#include "comms/smtp_client_curl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

#include "comms/smtp_email.h"
#include "foundation/base64.h"
#include "foundation/uc_error.h"
#include "model/email_server_settings.h"
#include "support/loopback_servers.h"
#include "support/stalled_resolver.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

UCSMTPEmail Message(const std::string& to, const std::string& subject, const std::string& text) {
    UCSMTPEmail email;
    email.from.address = "office@school.example";
    email.AddTo(to.c_str());
    email.subject = subject;
    email.text = text;
    return email;
}

EmailServerSettings Settings(int port, SMTPConnectionType type = SMTPPlain) {
    EmailServerSettings settings;
    settings.SetServer("127.0.0.1");
    settings.SetPort(port);
    settings.SetConnectionType(type);
    return settings;
}

// What a failed send added for the caller's report.
std::string FailureDetails(UCStringError& sink) {
    sink.Report(SeverityError, "Email send failed");
    return sink.GetText();
}

class SMTPDelivery : public ::testing::Test {
protected:
    std::string Parsed(const LoopbackSMTPServer& server, int n) {
        return RunAndRead({QM_PYTHON, ScriptPath("read_mail.py"), server.MessagePath(n)},
                          folder_.File("parsed.txt"));
    }
    TempFolder folder_{"qm-smtp"};
};

TEST_F(SMTPDelivery, MessagesArriveInOrderOverOneConnectionAndParseBack) {
    LoopbackSMTPServer server(folder_, {});
    ASSERT_NE(server.Port(), 0) << server.Log();
    SMTPClientCurl client;
    ASSERT_TRUE(client.Connect(Settings(server.Port())));

    UCSMTPEmail first = Message("amy@home.example", "Schedule für Familie Müller",
                                "Dear Amy,\n.\nA line that is only a full stop stays.\n");
    first.AddTo("amy.work@office.example");
    first.AddAttachment(std::make_shared<UCSMTPEmailAttachmentText>(
        "event.ics", "text/calendar",
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\n"
        "UID:1@test\r\nDTSTAMP:20260312T120000\r\nDTSTART:20260312T180000\r\n"
        "SUMMARY:Spring evening\\, Hill School\r\nDESCRIPTION:6:00pm - 6:10pm: Mr Tom\\n"
        "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n"));
    // Longer than any one read of libcurl's upload buffer.
    std::string bulk;
    for (int i = 0; i < 20000; ++i) {
        bulk += "Line " + std::to_string(i) + " of a long message.\n";
    }
    const UCSMTPEmail second = Message("ben@home.example", "Second", bulk);
    UCSMTPEmail third = Message("cat@home.example", "Third", "Last one");
    third.AddBcc("head@school.example");

    EXPECT_TRUE(client.Send(first));
    EXPECT_TRUE(client.Send(second));
    EXPECT_TRUE(client.Send(third));

    const std::vector<ReceivedMail> mails = server.Messages();
    ASSERT_EQ(mails.size(), 3u);
    EXPECT_EQ(mails[0].recipients,
              (std::vector<std::string>{"amy@home.example", "amy.work@office.example"}));
    EXPECT_EQ(mails[1].recipients, std::vector<std::string>{"ben@home.example"});
    EXPECT_EQ(mails[2].recipients,
              (std::vector<std::string>{"cat@home.example", "head@school.example"}));
    EXPECT_EQ(mails[0].from, "office@school.example");
    EXPECT_EQ(mails[0].peerPort, mails[1].peerPort);
    EXPECT_EQ(mails[1].peerPort, mails[2].peerPort);
    EXPECT_TRUE(Contains(mails[1].content, "Line 19999 of a long message.\r\n"));
    for (const ReceivedMail& mail : mails) {
        // The end of the data is libcurl's to mark: no message ends in a line of its own ".".
        EXPECT_FALSE(Contains(mail.content, "\r\n.\r\n\r\n")) << mail.content.substr(0, 200);
        EXPECT_NE(mail.content.substr(mail.content.size() - 3), "\n.\n");
        EXPECT_FALSE(Contains(mail.content, "head@school"));
    }
    EXPECT_TRUE(Contains(mails[0].content, "\r\nDear Amy,\r\n.\r\nA line that"));

    const std::string parsed = Parsed(server, 1);
    EXPECT_TRUE(Contains(parsed, "subject: Schedule für Familie Müller\n")) << parsed;
    EXPECT_TRUE(Contains(parsed, "to: amy@home.example, amy.work@office.example\n"));
    EXPECT_TRUE(Contains(parsed, "mime-version: 1.0\n"));
    EXPECT_TRUE(Contains(parsed, "defects: 0\n"));
    EXPECT_TRUE(Contains(parsed, "part: multipart/mixed\npart: text/plain\n"));
    EXPECT_TRUE(Contains(parsed, "attachment: event.ics\n"));
    EXPECT_TRUE(Contains(parsed, "summary: Spring evening, Hill School\n"));
    EXPECT_TRUE(Contains(parsed, "description: '6:00pm - 6:10pm: Mr Tom\\n'\n"));
    EXPECT_TRUE(Contains(Parsed(server, 3), "body: 'Last one\\n'\n"));
}

// aiosmtpd refuses any line over 998 octets ("500 Line too long"), as real servers do.
TEST_F(SMTPDelivery, AParagraphWithoutLineBreaksAndLongHeadersArriveWhole) {
    LoopbackSMTPServer server(folder_, {});
    ASSERT_NE(server.Port(), 0) << server.Log();
    SMTPClientCurl client;
    ASSERT_TRUE(client.Connect(Settings(server.Port())));
    std::string paragraph;
    while (paragraph.size() < 3000) {
        paragraph += "Please arrive ten minutes early and bring the planner = notes; ";
    }
    std::string subject;
    while (subject.size() < 1200) {
        subject += "Spring evening for Year 7 ";
    }
    subject += "\xE9t\xE9";  // 8-bit text from an old event file
    UCSMTPEmail email = Message("amy@home.example", subject, paragraph + "\nTrailing blank \n");
    email.from.name = "Sch\xFCleramt";
    email.AddAttachment(std::make_shared<UCSMTPEmailAttachmentText>(
        "event.ics", "text/calendar",
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\n"
        "UID:1@test\r\nDTSTAMP:20260312T120000\r\nSUMMARY:Evening\r\nDESCRIPTION:" +
            paragraph + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n"));
    UCStringError sink;
    ASSERT_TRUE(client.Send(email)) << FailureDetails(sink);
    const std::vector<ReceivedMail> mails = server.Messages();
    ASSERT_EQ(mails.size(), 1u);
    size_t longest = 0;
    for (size_t start = 0, end; (end = mails[0].content.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
        longest = std::max(longest, end - start);
    }
    EXPECT_LE(longest, 78u) << mails[0].content.substr(0, 2000);

    const std::string parsed = Parsed(server, 1);
    EXPECT_TRUE(Contains(parsed, "defects: 0\n")) << parsed.substr(0, 300);
    const std::string decodedSubject = subject.substr(0, subject.size() - 3) + "été";
    EXPECT_TRUE(Contains(parsed, "subject: " + decodedSubject + "\n")) << parsed.substr(0, 1400);
    EXPECT_TRUE(Contains(parsed, "from: Schüleramt <office@school.example>\n"));
    EXPECT_TRUE(Contains(parsed, "body: '" + paragraph + "\\nTrailing blank \\n'\n"))
        << parsed.substr(parsed.find("\\nTrailing") - 100, 300);
    EXPECT_TRUE(Contains(parsed, "summary: Evening\n"));
}

// A server that takes the connection and never answers: stepping never waits for it, and the
// message fails once nothing has moved for the stall limit.
TEST_F(SMTPDelivery, ASilentServerNeverHoldsAStepAndFailsAfterTheStallLimit) {
    LoopbackSMTPServer server(folder_, {"--mode", "silent"});
    ASSERT_NE(server.Port(), 0) << server.Log();
    SMTPClientCurl client;
    client.SetStallLimit(std::chrono::milliseconds(1000));
    ASSERT_TRUE(client.Connect(Settings(server.Port())));
    UCStringError sink;
    const auto started = std::chrono::steady_clock::now();
    client.StartSend(Message("amy@home.example", "One", "1"));
    // A transfer that blocked would come back only with the server's verdict.
    EXPECT_EQ(client.PollSend(), UCSMTPClient::SendRunning);
    int polls = 1;
    while (client.PollSend() == UCSMTPClient::SendRunning) {
        client.WaitForActivity(50);
        ++polls;
    }
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1000));
    EXPECT_GT(polls, 5);
    EXPECT_TRUE(Contains(FailureDetails(sink),
                         "Transport error: the email server did not answer for 1 second\n"));

    // Given up by hand, a message ends at once as not sent.
    client.StartSend(Message("amy@home.example", "Two", "2"));
    EXPECT_EQ(client.PollSend(), UCSMTPClient::SendRunning);
    client.CancelSend();
    EXPECT_EQ(client.PollSend(), UCSMTPClient::SendFailed);
    EXPECT_TRUE(Contains(FailureDetails(sink), "Transport error: sending was stopped"));
}

TEST_F(SMTPDelivery, ARejectedRecipientFailsOnlyItsOwnMessage) {
    LoopbackSMTPServer server(folder_, {"--reject", "nobody@home.example"});
    ASSERT_NE(server.Port(), 0) << server.Log();
    SMTPClientCurl client;
    ASSERT_TRUE(client.Connect(Settings(server.Port())));
    UCStringError sink;
    EXPECT_TRUE(client.Send(Message("amy@home.example", "One", "1")));
    EXPECT_FALSE(client.Send(Message("nobody@home.example", "Two", "2")));
    const std::string details = FailureDetails(sink);
    EXPECT_TRUE(Contains(details, "Transport error: ")) << details;
    EXPECT_TRUE(Contains(details, "550")) << details;
    EXPECT_TRUE(client.Send(Message("ben@home.example", "Three", "3")));
    const std::vector<ReceivedMail> mails = server.Messages();
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(mails[1].recipients, std::vector<std::string>{"ben@home.example"});
}

TEST_F(SMTPDelivery, ARefusedConnectionIsATransportErrorNeverSuccess) {
    // A port that was free a moment ago: nothing listens there.
    int port = 0;
    {
        LoopbackSMTPServer server(folder_, {});
        port = server.Port();
    }
    ASSERT_NE(port, 0);
    SMTPClientCurl client;
    client.EnableDebugLog(nullptr);
    ASSERT_TRUE(client.Connect(Settings(port)));
    UCStringError sink;
    EXPECT_FALSE(client.Send(Message("amy@home.example", "One", "1")));
    const std::string details = FailureDetails(sink);
    EXPECT_TRUE(Contains(details, "Transport error: ")) << details;
    EXPECT_TRUE(Contains(client.debugLog, "SMTPClientCurl: Transport error: "));
    EXPECT_FALSE(Contains(client.debugLog, "Email sent OK"));
}

TEST_F(SMTPDelivery, LoginOverTLSKeepsCredentialsOutOfTheDebugLog) {
    MakeCertificate(folder_);
    struct Case {
        const char* mode;
        SMTPConnectionType type;
    };
    for (const Case& c : {Case{"starttls", SMTPWithTLS}, Case{"smtps", SMTPOverSSL}}) {
        SCOPED_TRACE(c.mode);
        TempFolder folder("qm-smtp-tls");
        LoopbackSMTPServer server(
            folder, {"--mode", c.mode, "--cert", folder_.File("cert.pem"), "--key",
                     folder_.File("key.pem"), "--user", "clerk", "--password", "Sesame-42"});
        ASSERT_NE(server.Port(), 0) << server.Log();
        EmailServerSettings settings = Settings(server.Port(), c.type);
        settings.SetNeedsAuth(true);
        settings.SetUserName("clerk");
        settings.SetPassword("Sesame-42");
        settings.SetVerifyServer(false);
        settings.SetDebugReport(true);
        SMTPClientCurl client;
        ASSERT_TRUE(client.Connect(settings));
        UCStringError sink;
        EXPECT_TRUE(client.Send(Message("amy@home.example", "Secure", "Sent securely\n")))
            << FailureDetails(sink) << client.debugLog;
        ASSERT_EQ(server.Messages().size(), 1u);

        const std::string& log = client.debugLog;
        EXPECT_EQ(log.rfind("SMTPClientCurl: libcurl ", 0), 0u);
        EXPECT_FALSE(Contains(log.substr(0, log.find('\n')), " called from "));
        EXPECT_TRUE(Contains(log, "AUTH ")) << log;
        EXPECT_TRUE(Contains(log, "[hidden]"));
        EXPECT_TRUE(Contains(log, "Email sent OK"));
        // The sender goes alone, though the server offers to hear the message's size.
        EXPECT_TRUE(Contains(log, "\n250-SIZE ")) << log;
        EXPECT_TRUE(Contains(log, "=> Send header\nMAIL FROM:<office@school.example>\r\n")) << log;
        // The message is logged whole, with the line "." that ends the data.
        EXPECT_TRUE(Contains(log, "SMTPClientCurl: SMTP data '\nDate: "));
        EXPECT_TRUE(Contains(log, "\r\n\r\nSent securely\r\n\r\n.\r\n'\n")) << log;
        for (const std::string& secret :
             {std::string("Sesame-42"), Base64::Encode("Sesame-42"),
              Base64::Encode(std::string("\0clerk\0Sesame-42", 16)),
              Base64::Encode(std::string("clerk\0clerk\0Sesame-42", 21))}) {
            EXPECT_FALSE(Contains(log, secret)) << secret;
        }
    }
}

TEST_F(SMTPDelivery, SelfSignedCertificateIsRefusedWhileVerifying) {
    MakeCertificate(folder_);
    LoopbackSMTPServer server(folder_, {"--mode", "starttls", "--cert", folder_.File("cert.pem"),
                                        "--key", folder_.File("key.pem")});
    ASSERT_NE(server.Port(), 0) << server.Log();
    EmailServerSettings settings = Settings(server.Port(), SMTPWithTLS);
    ASSERT_TRUE(settings.GetVerifyServer());
    SMTPClientCurl client;
    ASSERT_TRUE(client.Connect(settings));
    UCStringError sink;
    EXPECT_FALSE(client.Send(Message("amy@home.example", "One", "1")));
    EXPECT_TRUE(Contains(FailureDetails(sink), "Transport error: "));
    EXPECT_TRUE(server.Messages().empty());
}

TEST(SMTPClient, ALoginIsNeverConfiguredForAnUnencryptedConnection) {
    EmailServerSettings settings = Settings(25);
    settings.SetNeedsAuth(true);
    settings.SetUserName("clerk");
    settings.SetPassword("secret");
    SMTPClientCurl client;
    UCStringError sink;
    EXPECT_FALSE(client.Connect(settings));
    EXPECT_FALSE(client.connected);
    EXPECT_TRUE(Contains(sink.GetText(), "cannot be sent over an unencrypted connection"));
}

TEST(SMTPClient, MessagesThatCannotBeSentAreRefusedBeforeAnyTraffic) {
    SMTPClientCurl client;
    UCStringError sink;
    UCSMTPEmail bccOnly;
    bccOnly.from.address = "office@school.example";
    bccOnly.AddBcc("head@school.example");
    EXPECT_FALSE(client.Send(bccOnly));
    EXPECT_TRUE(Contains(FailureDetails(sink), "no recipient"));
    // Not yet connected: nothing to send through.
    EXPECT_FALSE(client.Send(Message("amy@home.example", "One", "1")));
    EXPECT_TRUE(Contains(FailureDetails(sink), "not been connected"));
}

TEST(SMTPClient, ConnectingTwiceReusesAndDisconnectingEndsTheClient) {
    SMTPClientCurl client;
    client.EnableDebugLog("Quillmoot 6.2.0");
    ASSERT_TRUE(client.Connect(Settings(2525)));
    EXPECT_TRUE(Contains(client.debugLog, " called from Quillmoot 6.2.0\n"));
    EXPECT_TRUE(
        Contains(client.debugLog, "SMTPClientCurl: Connecting to server smtp://127.0.0.1:2525/\n"));
    EXPECT_TRUE(client.Connect(Settings(2525)));
    EXPECT_TRUE(Contains(client.debugLog, "SMTPClientCurl: Reusing connection\n"));
    EXPECT_TRUE(client.Disconnect());
    UCStringError sink;
    EXPECT_FALSE(client.Connect(Settings(2525)));
    EXPECT_EQ(sink.GetText(), "Error: Email sending failed: the 'curl' library failed to start\n");
}

// Stopping a message, or closing the client, while the server's name is still being looked up
// comes back at once: the look-up is left to end by itself.
TEST(SMTPClient, StoppingNeverWaitsForTheLookUpOfTheServersName) {
    StalledLookups stalled;
    EmailServerSettings settings = Settings(25);
    settings.SetServer(kStalledHostName);
    for (const bool close : {false, true}) {
        SCOPED_TRACE(close ? "closing" : "stopping");
        auto client = std::make_unique<SMTPClientCurl>();
        ASSERT_TRUE(client->Connect(settings));
        UCStringError sink;
        client->StartSend(Message("amy@home.example", "One", "1"));
        EXPECT_EQ(client->PollSend(), UCSMTPClient::SendRunning);
        const auto started = std::chrono::steady_clock::now();
        if (close) {
            client.reset();
        } else {
            client->CancelSend();
            EXPECT_EQ(client->PollSend(), UCSMTPClient::SendFailed);
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    }
}

TEST(SMTPClient, FactoryMakesCurlClients) {
    SMTPClientFactoryCurl factory;
    std::unique_ptr<UCSMTPClient> client = factory.CreateClient();
    EXPECT_NE(dynamic_cast<SMTPClientCurl*>(client.get()), nullptr);
}

}  // namespace
