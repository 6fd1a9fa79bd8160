#include "comms/wx/email_dialog_logic.h"

#include <gtest/gtest.h>

#include <string>

#include "comms/email_fixture.h"
#include "comms/email_job.h"
#include "comms/web_service.h"
#include "model/email_server_settings.h"
#include "model/event.h"

namespace {

using namespace EmailDialogLogic;

const std::string kFromRefusal =
    "The 'from' address is not valid, it must contain an '@' symbol and at least one full stop";
const std::string kPortRefusal =
    "The email port number is not valid, it must be a number between 1 and 65535";

TEST(EmailDialogLogic, LoginNamesAreLabelledAndCheckedByKind) {
    struct Case {
        int kind;
        const char* name;
        const char* label;
        const char* refusal;
    };
    const Case cases[] = {
        {LoginUserName, "", "Username:", ""},
        {LoginUserName, "no address at all", "Username:", ""},
        {LoginEmail, "office@school.example", "Email:", ""},
        {LoginEmail, "first.last@localhost", "Email:", ""},
        {LoginEmail, "office@localhost", "Email:", "The email address is invalid"},
        {LoginEmail, "office.school", "Email:", "The email address is invalid"},
        {LoginEmail, "", "Email:", "The email address is invalid"},
        {7, "anything", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LoginNameLabel(c.kind), c.label);
        EXPECT_EQ(CheckLoginName(c.kind, c.name), c.refusal);
    }
    EXPECT_EQ(LoginPrompt("smtp.school.example"), "Login to server \"smtp.school.example\":");
}

TEST(EmailDialogLogic, ServerFieldsCheckTheAddressBeforeThePort) {
    struct Case {
        const char* from;
        const char* port;
        std::string refusal;
        const char* shownPort = "25";
    };
    const Case cases[] = {
        {"office@school.example", "25", ""},
        {"office@school.example", "1", ""},
        {"office@school.example", "65535", ""},
        {"office@school.example", "587abc", ""},
        {"office@school.example", "0", kPortRefusal},
        {"office@school.example", "65536", kPortRefusal},
        {"office@school.example", "smtp", kPortRefusal},
        {"office@school.example", "-25", kPortRefusal},
        {"office.school.example", "0", kFromRefusal},
        {"office@localhost", "25", kFromRefusal},
        {"", "25", kFromRefusal},
        {"office@school.example", "0", "", "0"},
        {"office@school.example", "70000", kPortRefusal, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " " + c.port);
        EXPECT_EQ(CheckServerFields(c.from, c.port, c.shownPort), c.refusal);
    }
}

TEST(EmailDialogLogic, TextHelpListsTheWordsOfEachKindAndRole) {
    const std::string intro =
        "You can use the following words in ALL CAPITALS to put information into the email:\n"
        "NAME - the recipient's name\n";
    const std::string link = "LINK - the link to the web page where the recipient should respond";
    const std::string results =
        "NOTES - any notes defined for the recipient\n"
        "SCHEDULE - the recipient's schedule for the evening\n"
        "UNBOOKED - the recipient's unbooked appointments";
    struct Case {
        EmailTextKind kind;
        EmailRecipientRole role;
        std::string text;
    };
    const Case cases[] = {
        {EmailInvitation, EmailToParent,
         "This is the text of the invitation emails to parents.\n" + intro + link},
        {EmailReminder, EmailToPupil,
         "This is the text of the reminder emails to pupils who have not responded yet.\n" + intro +
             link},
        {EmailResults, EmailToParent,
         "This is the text of the results emails to parents.\n" + intro + results},
        {EmailResults, EmailToPupil,
         "This is the text of the results emails to pupils.\n" + intro + results},
        {EmailResults, EmailToTeacher,
         "This is the text of the results emails to teachers.\n" + intro +
             "LOCATION - the location of the recipient during the event\n" + results},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        EXPECT_EQ(EmailTextHelp(c.kind, c.role), c.text);
    }
}

TEST(EmailDialogLogic, CommandChecksRefuseInOrderAndOnlyWhereTheKindNeedsALink) {
    const std::string noServer =
        "No email server has been defined so emails cannot be sent. Please edit the event "
        "details and specify your email server's address if you wish to be able to send emails.";
    const std::string noFrom =
        "No email 'from' address has been defined so emails cannot be sent. Please edit the "
        "event details and specify your email address if you wish to be able to send emails.";
    const std::string site = "https://events.example/";
    const std::string unregistered =
        " emails cannot be sent as this event has not been registered on the website yet. "
        "Please log in to https://events.example/ and upload this event.";
    EmailServerSettings blank;
    EmailServerSettings blanks;
    blanks.SetServer("   ");
    blanks.SetFromAddress("office@school.example");
    EmailServerSettings noSender;
    noSender.SetServer("smtp.school.example");
    EmailServerSettings ready = noSender;
    ready.SetFromAddress("office@school.example");
    Event unlinked;
    Event linked;
    linked.SetUrl("https://events.example/e/42");
    struct Case {
        const char* name;
        const EmailServerSettings& server;
        const Event& event;
        EmailTextKind kind;
        bool checkLink;
        std::string refusal;
    };
    const Case cases[] = {
        {"no server", blank, linked, EmailResults, true, noServer},
        {"blank server", blanks, linked, EmailResults, true, noServer},
        {"no sender", noSender, unlinked, EmailInvitation, true, noFrom},
        {"results need no link", ready, unlinked, EmailResults, true, ""},
        {"invitation", ready, unlinked, EmailInvitation, true, "Invitation" + unregistered},
        {"reminder", ready, unlinked, EmailReminder, true, "Reminder" + unregistered},
        {"one person", ready, unlinked, EmailInvitation, false, ""},
        {"registered", ready, linked, EmailReminder, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CheckEmailSettings(c.server, c.event, c.kind, c.checkLink, site), c.refusal);
    }
    EXPECT_EQ(RunQuestion(EmailResults).substr(0, 60),
              "You are about to email the completed schedules to parents an");
    EXPECT_NE(RunQuestion(EmailReminder).find("email reminders to parents and teachers. THIS"),
              std::string::npos);
    EXPECT_EQ(PersonQuestion("Mr Khan").substr(0, 64),
              "You are about to email the completed schedule to Mr Khan - THIS ");
}

TEST(EmailDialogLogic, TransferStatusLinesFollowTheState) {
    struct Case {
        int state;
        std::string check;
        std::string download;
    };
    const Case cases[] = {
        {0, "Connecting...", "Connecting..."},
        {1, "Sending request...", "Sending request..."},
        {2, "Reading headers...", "Reading headers..."},
        {3, "Reading reply (2)...", "Downloading https://h/d/f (512 of 2048)"},
        {4, "OK: the line", "OK"},
        {5, "HTTP Error", "HTTP Error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        std::string text;
        ASSERT_TRUE(CheckStatusText(c.state, 2, "the line", &text));
        EXPECT_EQ(text, c.check);
        ASSERT_TRUE(DownloadStatusText(c.state, "https://h/d/f", 512, 2048, &text));
        EXPECT_EQ(text, c.download);
    }
    std::string unchanged = "before";
    EXPECT_FALSE(CheckStatusText(9, 0, "", &unchanged));
    EXPECT_FALSE(DownloadStatusText(-1, "", 0, 0, &unchanged));
    EXPECT_EQ(unchanged, "before");
    // A long address is cut where the line would pass 127 characters.
    std::string longLine;
    DownloadStatusText(3, std::string(200, 'u'), 1, 2, &longLine);
    EXPECT_EQ(longLine.size(), 127u);
}

TEST(EmailDialogLogic, GaugeIsTruncatedPercentNeverAboveAHundred) {
    const long cases[][3] = {
        {0, 0, 0},   {500, 0, 0},    {1, 3, 33},      {2, 3, 66},
        {3, 3, 100}, {4000, 3, 100}, {999, 1000, 99}, {5000000000, 10000000000, 50}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c[0]) + " of " + std::to_string(c[1]));
        EXPECT_EQ(DownloadGaugeValue(c[0], c[1]), c[2]);
    }
    EXPECT_EQ(ProgressText(2, 3), "2 of 3 messages sent");
}

}  // namespace

class NoEmailsDue : public EmailEvent {};

// Reasons that continue a sentence follow the person's name on the same line; each day is a line.
TEST_F(NoEmailsDue, EachDayGivesOneLineWithItsReason) {
    struct Case {
        const char* name;
        EmailTextKind kind;
        Person* person;
        std::string reason;
    };
    const std::string teacher = whitfield_->GetDisplayName();
    const Case cases[] = {
        {"a teacher gets no reminder", EmailReminder, whitfield_,
         teacher + " is not a type we handle"},
        {"a parent with requests has responded", EmailReminder, smith_,
         smith_->GetDisplayName() + " already responded"},
        {"no name before a reason of its own", EmailInvitation, smith_,
         "Event has not been registered on website https://web.example/"},
    };
    Book(amy_, whitfield_, "Maths", 1, 0, -1);
    controller_.GetUserSettings().Set(WebService::kHostSetting, "web.example");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        event_->SetUrl(c.kind == EmailInvitation ? "" : "https://web.example/events/1");
        EmailJob job(&controller_, c.kind);
        std::string expected = std::string("No emails are due to be sent to ") +
                               (c.person ? c.person->GetDisplayName() : "") + ":\n";
        for (unsigned day = 0; day < days_->GetDayCount(); ++day) {
            expected += days_->GetDay(day)->GetDate().FormatLong() + ": " + c.reason + "\n";
        }
        EXPECT_EQ(NoEmailsDueText(job, c.person, *days_), expected);
    }
}
