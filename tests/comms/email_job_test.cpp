#include "comms/email_job.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "comms/email_fixture.h"
#include "support/temp_folder.h"
#include "support/timetable_account.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

using Entry = std::pair<Person*, Schedule*>;

std::vector<Entry> Entries(const EmailJob& job) {
    std::vector<Entry> entries;
    for (const EmailRecipient& r : job.GetRecipients()) {
        entries.emplace_back(r.person, r.day);
    }
    return entries;
}

class EmailRecipients : public EmailEvent {
protected:
    EmailRecipients() {
        Book(amy_, whitfield_, "Maths", 2, 0, 0);
        Book(ben_, raman_, "", 1, 1, 4);
        Book(cat_, whitfield_, "Art", 1, 0, -1);
        amy_->SetEmail("amy@home.example");
        ben_->SetEmail("ben@home.example");
    }
};

TEST_F(EmailRecipients, ParentsThenPupilsThenTeachersWithResultsOncePerDayDue) {
    Selection().SetPupils(true);
    EmailJob results(&controller_, EmailResults);
    EXPECT_EQ(Entries(results), (std::vector<Entry>{{smith_, Day(0)},
                                                    {lee_, Day(1)},
                                                    {amy_, Day(0)},
                                                    {ben_, Day(1)},
                                                    {whitfield_, Day(0)},
                                                    {raman_, Day(1)}}));
    // Invitations say the same on any day, so each person gets one; teachers get none.
    EmailJob invitations(&controller_, EmailInvitation);
    EXPECT_EQ(
        Entries(invitations),
        (std::vector<Entry>{{smith_, Day(0)}, {lee_, Day(0)}, {amy_, Day(0)}, {ben_, Day(0)}}));
    Selection().SetParents(false);
    Selection().SetTeachers(false);
    EmailJob pupilsOnly(&controller_, EmailResults);
    EXPECT_EQ(pupilsOnly.GetRecipientCount(), 2);
    pupilsOnly.SetSingleRecipient(whitfield_);
    EXPECT_EQ(Entries(pupilsOnly), (std::vector<Entry>{{whitfield_, Day(0)}}));
}

TEST_F(EmailRecipients, EachSkipReasonInItsOrder) {
    auto noRequests = std::make_unique<Parent>("Mr No Requests");
    noRequests->SetEmail("none@home.example");
    Parent* idle = noRequests.get();
    ASSERT_TRUE(days_->AddParent(std::move(noRequests)));
    smith_->SetEmailSent(EmailReminder, true);
    Person stranger("Someone Else");
    stranger.SetEmail("someone@home.example");
    struct Case {
        const char* name;
        EmailTextKind kind;
        Person* person;
        int day;  // -1: no day
        EmailSkipReason expected;
    };
    const Case cases[] = {
        {"no person", EmailResults, nullptr, 0, EmailSkipNoPerson},
        {"no day", EmailResults, smith_, -1, EmailSkipNoDay},
        {"no address", EmailInvitation, cat_, 0, EmailSkipNoAddress},
        {"invitation to anyone", EmailInvitation, whitfield_, 0, EmailWillBeSent},
        {"results without requests", EmailResults, idle, 0, EmailSkipNoRequests},
        {"results without a booking that day", EmailResults, lee_, 0, EmailSkipNoAppointments},
        {"results with a booking that day", EmailResults, lee_, 1, EmailWillBeSent},
        {"pupil results on its day", EmailResults, amy_, 0, EmailWillBeSent},
        {"pupil results on another day", EmailResults, amy_, 1, EmailSkipNoAppointments},
        {"teacher without bookings", EmailResults, raman_, 0, EmailSkipNoAppointments},
        {"reminder to a teacher", EmailReminder, whitfield_, 0, EmailSkipWrongType},
        {"reminder to a pupil", EmailReminder, amy_, 0, EmailSkipWrongType},
        {"reminder to a parent who asked", EmailReminder, lee_, 0, EmailSkipAlreadyResponded},
        {"reminder to a parent who did not", EmailReminder, idle, 0, EmailWillBeSent},
        // Not taken for a pupil: nothing of a pupil's can be looked up on it.
        {"results to someone of no kind", EmailResults, &stranger, 0, EmailSkipWrongType},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EmailJob job(&controller_, c.kind);
        EXPECT_EQ(job.GetSkipReason(c.person, c.day < 0 ? nullptr : Day(c.day)), c.expected);
    }

    // Resending is the user's choice; without it a sent flag skips the person.
    Selection().SetIncludeAlreadySent(false);
    EXPECT_EQ(EmailJob(&controller_, EmailReminder).GetSkipReason(smith_, Day(0)),
              EmailSkipAlreadySent);
    Selection().SetIncludeAlreadySent(true);
    EXPECT_EQ(EmailJob(&controller_, EmailReminder).GetSkipReason(smith_, Day(0)),
              EmailSkipAlreadyResponded);

    // A presentation counts on any day: its attendees hear the results of every day.
    Presentation* talk = AddTalk("Options talk", "Hall", "6:30pm", "7:00pm", 1);
    raman_->AddPresentation(talk);
    idle->AddPresentation(talk);
    lee_->AddPresentation(talk);
    EmailJob results(&controller_, EmailResults);
    EXPECT_EQ(results.GetSkipReason(raman_, Day(0)), EmailWillBeSent);
    EXPECT_EQ(results.GetSkipReason(idle, Day(0)), EmailWillBeSent);
    EXPECT_EQ(results.GetSkipReason(cat_, Day(0)), EmailSkipNoAddress);
    cat_->SetEmail("cat@home.example");
    EXPECT_EQ(results.GetSkipReason(cat_, Day(0)), EmailWillBeSent);

    event_->SetUrl("");
    EXPECT_EQ(EmailJob(&controller_, EmailInvitation).GetSkipReason(smith_, Day(0)),
              EmailSkipNotRegistered);
    EXPECT_EQ(EmailJob(&controller_, EmailResults).GetSkipReason(smith_, Day(0)), EmailWillBeSent);
}

TEST_F(EmailRecipients, SkipReasonTextsNameTheWebService) {
    EXPECT_EQ(EmailJob(&controller_, EmailInvitation).GetWebsiteAddress(), "");
    controller_.GetUserSettings().Set("webservicehost", "web.example");
    const std::string website = EmailJob(&controller_, EmailInvitation).GetWebsiteAddress();
    EXPECT_EQ(website, "https://web.example/");
    EXPECT_EQ(EmailJob::GetSkipReasonText(EmailSkipNotRegistered, website),
              "Event has not been registered on website https://web.example/");
    EXPECT_EQ(EmailJob::GetSkipReasonText(EmailSkipAlreadyResponded, ""), " already responded");
    EXPECT_EQ(EmailJob::GetSkipReasonText(EmailWillBeSent, ""), "Email will be sent");
}

TEST(EmailJobWithoutEvent, HasNoRecipientsAndNeverConnects) {
    QMController controller;
    EmailJob job(&controller, EmailResults);
    EXPECT_EQ(job.GetRecipientCount(), 0);
    EXPECT_EQ(job.GetSkipReason(nullptr, nullptr), EmailSkipNoPerson);
    EXPECT_FALSE(job.Connect(1));
    std::string log = "old";
    EXPECT_FALSE(job.SendNext(&log));
    EXPECT_EQ(log, "old");  // no client: the log is not touched
}

class EmailSending : public EmailRecipients {};

TEST_F(EmailSending, RunSendsInOrderSetsFlagsAndGoesOnAfterAFailure) {
    Selection().SetPupils(true);
    outbox_.refused.insert("kim@home.example");
    Presentation* talk = AddTalk("Options talk", "Hall", "6:30pm", "7:00pm", 1);
    lee_->AddPresentation(talk);
    cat_->SetEmail("cat@home.example");
    EmailJob job(&controller_, EmailResults);
    // Lee attends a talk, so he and his children are due results on both days; Cat has no
    // appointment to tell about, nor has Ben on the first day.
    EXPECT_EQ(job.GetRecipientCount(), 10);
    ASSERT_TRUE(job.Connect(1));
    EXPECT_FALSE(job.Connect(1));
    EXPECT_EQ(outbox_.clients, 1);

    std::vector<std::string> logs;
    std::vector<bool> results;
    std::string log;
    while (!job.IsFinished()) {
        results.push_back(job.SendNext(&log));
        logs.push_back(log);
    }
    EXPECT_FALSE(job.SendNext(&log));
    EXPECT_EQ(log, "");
    EXPECT_EQ(logs, (std::vector<std::string>{
                        "Sent to Mrs Jane Smith",
                        "Email send failed for 'Mr Kim Lee'",
                        "Email send failed for 'Mr Kim Lee'",
                        "Sent to Amy Smith",
                        "Skipped 'Ben Lee (8B)': there is nothing to tell them in this email",
                        "Sent to Ben Lee",
                        "Skipped 'Cat Lee (9C)': there is nothing to tell them in this email",
                        "Skipped 'Cat Lee (9C)': there is nothing to tell them in this email",
                        "Sent to Mr Tom Whitfield",
                        "Sent to Ms Priya Raman",
                    }));
    EXPECT_EQ(results,
              (std::vector<bool>{true, false, false, true, false, true, false, false, true, true}));
    EXPECT_EQ(job.GetSentCount(), 5);
    EXPECT_EQ(job.GetSummary(), "5 sent, 3 skipped, 2 failed");
    EXPECT_TRUE(smith_->GetEmailSent(EmailResults));
    EXPECT_FALSE(lee_->GetEmailSent(EmailResults));
    EXPECT_FALSE(cat_->GetEmailSent(EmailResults));
    EXPECT_FALSE(smith_->GetEmailSent(EmailInvitation));
    ASSERT_EQ(outbox_.sent.size(), 5u);
    EXPECT_EQ(outbox_.sent[0].GetAttachments().size(), 1u);
    // The client's own reason reaches the user under the job's sentence.
    EXPECT_TRUE(Contains(sink_.GetText(),
                         "Error: Email send failed for 'Mr Kim Lee'\nFurther details follow:\n"
                         "Transport error: 550 No such user here\n"));
}

// Results go one message an evening, and the sent flag is one per person: a family is marked
// only once every message the run owes it was accepted, so a run that did not finish leaves it
// for the next run and on the handouts.
TEST_F(EmailEvent, AFamilyIsSentOnlyWhenEveryEveningsResultsWereAccepted) {
    Book(amy_, whitfield_, "Maths", 2, 0, 0);
    Book(amy_, raman_, "French", 1, 1, 3);
    Selection().SetTeachers(false);
    Selection().SetIncludeAlreadySent(false);
    struct Case {
        const char* name;
        int acceptAtMost;
        int steps;  // messages tried before the run is stopped; -1 runs to its end
        const char* summary;
        bool sent;
    } cases[] = {
        {"both accepted", -1, -1, "2 sent, 0 skipped, 0 failed", true},
        {"the second refused", 1, -1, "1 sent, 0 skipped, 1 failed", false},
        {"stopped after the first", -1, 1, "1 sent, 0 skipped, 0 failed", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        smith_->SetEmailSent(EmailResults, false);
        outbox_.sent.clear();
        outbox_.acceptAtMost = c.acceptAtMost;
        {
            EmailJob job(&controller_, EmailResults);
            ASSERT_EQ(Entries(job), (std::vector<Entry>{{smith_, Day(0)}, {smith_, Day(1)}}));
            ASSERT_TRUE(job.Connect(0));
            for (int step = 0; step != c.steps && !job.IsFinished(); ++step) {
                job.SendNext(nullptr);
            }
            EXPECT_EQ(job.GetSummary(), c.summary);
        }
        EXPECT_EQ(smith_->GetEmailSent(EmailResults), c.sent);
        // A family not marked is due both evenings again.
        EXPECT_EQ(EmailJob(&controller_, EmailResults).GetRecipientCount(), c.sent ? 0 : 2);
    }
}

// Monday's run, then the file closed and opened on Tuesday for the families the server refused:
// the run changed the event, so it is saved, and Tuesday's run (resending off) reaches only
// those Monday's did not.
TEST_F(EmailSending, WhoWasMailedSurvivesTheFileSoTheNextDaysRunMailsOnlyTheOthers) {
    TempFolder folder("qm-sent");
    const std::string path = folder.File("evening.qmv");
    Selection().SetIncludeAlreadySent(false);
    outbox_.refused.insert("kim@home.example");
    ASSERT_TRUE(controller_.SaveEvent(path.c_str())) << sink_.GetText();
    ASSERT_FALSE(controller_.IsEventChanged());
    std::set<std::string> sentMonday;
    {
        EmailJob job(&controller_, EmailResults);
        ASSERT_TRUE(job.Connect(0));
        std::string log;
        while (!job.IsFinished()) {
            if (job.SendNext(&log)) {
                sentMonday.insert(log);
            }
        }
        EXPECT_EQ(job.GetSummary(), "3 sent, 0 skipped, 1 failed");
    }
    EXPECT_EQ(sentMonday,
              (std::set<std::string>{"Sent to Mrs Jane Smith", "Sent to Mr Tom Whitfield",
                                     "Sent to Ms Priya Raman"}));
    EXPECT_TRUE(controller_.IsEventChanged());
    ASSERT_TRUE(controller_.SaveEvent(path.c_str())) << sink_.GetText();
    controller_.CloseEvent();

    ScriptingController tuesday;
    Outbox outbox;
    tuesday.SetClientFactory(std::make_unique<FakeSMTPFactory>(&outbox));
    ASSERT_TRUE(tuesday.OpenEventFile(path.c_str())) << sink_.GetText();
    Event& event = *tuesday.GetEvent();
    event.GetPrintSettings().SetIncludeAlreadySent(false);
    EXPECT_TRUE(event.GetParents().FindByKey("Mrs Jane Smith")->GetEmailSent(EmailResults));
    EXPECT_FALSE(event.GetParents().FindByKey("Mr Kim Lee")->GetEmailSent(EmailResults));
    EmailJob job(&tuesday, EmailResults);
    ASSERT_TRUE(job.Connect(0));
    while (!job.IsFinished()) {
        job.SendNext(nullptr);
    }
    ASSERT_EQ(outbox.sent.size(), 1u);
    EXPECT_EQ(outbox.sent[0].GetTo().at(0)->address, "kim@home.example");
}

TEST_F(EmailSending, ConnectNeedsAFactoryAndKeepsAFailedClient) {
    EmailJob job(&controller_, EmailResults);
    outbox_.connectResult = false;
    EXPECT_FALSE(job.Connect(0));
    EXPECT_NE(job.GetClient(), nullptr);
    EXPECT_FALSE(job.Connect(0));
    EXPECT_EQ(outbox_.clients, 1);

    QMController bare;
    bare.SetEvent(days_->CreateLike(event_));
    EmailJob orphan(&bare, EmailResults);
    EXPECT_FALSE(orphan.Connect(0));
    EXPECT_EQ(sink_.GetText(), "Error: Email subsystem not initialised\n");
}

TEST_F(EmailSending, DebugReportSwitchTurnsOnTheClientLog) {
    EmailServerSettings server = event_->GetEmailServerSettings();
    server.SetDebugReport(true);
    event_->SetEmailServerSettings(server);
    EmailJob job(&controller_, EmailResults);
    EXPECT_FALSE(job.IsDebugLogEnabled());
    ASSERT_TRUE(job.Connect(1));
    EXPECT_TRUE(job.IsDebugLogEnabled());
    EXPECT_EQ(job.GetClient()->callerName, "Quillmoot 6.2.0");
}

TEST_F(EmailSending, BuildMessageFillsSenderRecipientsSubjectAndCalendar) {
    smith_->SetEmailAlt("jane@work.example");
    struct Case {
        EmailTextKind kind;
        int attach;
        const char* subject;
        size_t attachments;
    };
    const Case cases[] = {
        {EmailInvitation, 1, "Invitation to Spring evening", 0},
        {EmailReminder, 1, "Reminder for Spring evening", 0},
        {EmailResults, 0, "Schedule for Spring evening, 12 Mar 2026", 0},
        {EmailResults, 1, "Schedule for Spring evening, 12 Mar 2026", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.subject);
        EmailJob job(&controller_, c.kind);
        UCSMTPEmail email;
        ASSERT_TRUE(job.BuildMessage(email, smith_, Day(0), c.attach));
        EXPECT_EQ(email.subject, c.subject);
        EXPECT_EQ(email.from.address, "office@hill.example");
        EXPECT_EQ(email.FormatAddressList(), "jane@home.example, jane@work.example");
        ASSERT_EQ(email.GetAttachments().size(), c.attachments);
        if (c.attachments == 1) {
            const auto& calendar = *email.GetAttachments()[0];
            EXPECT_EQ(calendar.fileName, "event.ics");
            EXPECT_EQ(calendar.contentType, "text/calendar");
            // Unfolded: the calendar writer folds long lines with CR LF and a blank.
            std::string text = calendar.GetData().ToString();
            for (size_t fold = text.find("\r\n "); fold != std::string::npos;
                 fold = text.find("\r\n ", fold)) {
                text.erase(fold, 3);
            }
            // The compact schedule, its line ends escaped once by the calendar writer.
            EXPECT_TRUE(Contains(text,
                                 "\r\nDESCRIPTION:6:00pm - 6:10pm: You are seeing Mr Tom "
                                 "Whitfield (Maths) (Room 4)\\n\r\n"))
                << text;
            EXPECT_TRUE(Contains(text, "\r\nSUMMARY:Spring evening\\, Hill School\r\n"));
        }
    }
    EmailJob job(&controller_, EmailResults);
    // Without a day there is no calendar entry to attach, and the subject names no date.
    UCSMTPEmail undated;
    ASSERT_TRUE(job.BuildMessage(undated, smith_, nullptr, 1));
    EXPECT_EQ(undated.subject, "Schedule for Spring evening");
    EXPECT_TRUE(undated.GetAttachments().empty());
    UCSMTPEmail email;
    Person stranger("Someone Else");
    EXPECT_FALSE(job.BuildMessage(email, &stranger, Day(0), 1));
    EXPECT_EQ(sink_.GetText(), "Error: Unhandled output email type: Person\n");
}

// Only the two known calendar types make an entry with a date and times worth attaching.
TEST_F(EmailSending, CalendarTypeChoosesTheAttachedTimesOrNone) {
    const struct {
        int type;
        const char* end;  // nullptr: no attachment
    } cases[] = {
        {0, "DTEND:20260312T181000"}, {1, "DTEND:20260312T220000"}, {2, nullptr}, {-1, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        controller_.GetUserSettings().SetICalendarType(c.type);
        EmailJob job(&controller_, EmailResults);
        UCSMTPEmail email;
        ASSERT_TRUE(job.BuildMessage(email, smith_, Day(0), 1));
        ASSERT_EQ(email.GetAttachments().size(), c.end ? 1u : 0u);
        if (c.end) {
            EXPECT_TRUE(Contains(email.GetAttachments()[0]->GetData().ToString(), c.end));
        }
    }
}

TEST_F(EmailSending, ParentScriptWritesTheTextWithItsReportsFirst) {
    controller_.GetUserSettings().Set("parentprintscript", "/scripts/parent.lua");
    EmailJob job(&controller_, EmailResults);
    EXPECT_EQ(controller_.scriptsAsked, std::vector<std::string>{"/scripts/parent.lua"});
    EXPECT_EQ(job.ComposeParentText(smith_, Day(0), EmailTextPlain),
              "Warning: no room list\nScripted for Mrs Jane Smith\r\nSecond line\r\n");
    EXPECT_EQ(job.ComposeParentText(smith_, nullptr, EmailTextCalendar),
              "Warning: no room list\nScripted for Mrs Jane Smith\\nSecond line\\n");
    // Roles and kinds the script does not handle get the built-in texts.
    EXPECT_TRUE(Contains(job.ComposePupilText(amy_, Day(0), EmailTextPlain), "Dear Amy Smith"));
    EmailJob invitation(&controller_, EmailInvitation);
    EXPECT_TRUE(Contains(invitation.ComposeParentText(smith_, Day(0), EmailTextPlain),
                         "Dear Mrs Jane Smith"));
    EXPECT_EQ(sink_.GetText(), "");
}

// A script may count or write a file: one message runs its role's script once, the parent's
// script runs for no pupil's message, and the calendar tells the built-in compact schedule.
TEST_F(EmailSending, AMessageRunsItsRolesScriptOnceAndItsCalendarTellsTheSchedule) {
    controller_.GetUserSettings().Set("parentprintscript", "/scripts/parent.lua");
    const struct {
        const char* name;
        Person* person;
        std::vector<std::string> calls;
        const char* text;         // the message's
        const char* description;  // the calendar's
    } cases[] = {
        {"parent",
         smith_,
         {"Mrs Jane Smith"},
         "Scripted for Mrs Jane Smith",
         // What the script wrote for the message, as the calendar escapes it.
         "DESCRIPTION:Warning: no room list\\nScripted for Mrs Jane Smith\\nSecond line\\n"},
        {"pupil",
         amy_,
         {},
         "Dear Amy Smith",
         "DESCRIPTION:6:00pm - 6:10pm: You are seeing Mr Tom Whitfield (Maths) (Room 4)"},
        {"teacher", whitfield_, {}, "Dear Mr Tom Whitfield", "DESCRIPTION:Your location"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EmailJob job(&controller_, EmailResults);
        controller_.scriptCalls.clear();
        UCSMTPEmail email;
        ASSERT_TRUE(job.BuildMessage(email, c.person, Day(0), 1));
        EXPECT_EQ(controller_.scriptCalls, c.calls);
        EXPECT_TRUE(Contains(email.text, c.text)) << email.text;
        ASSERT_EQ(email.GetAttachments().size(), 1U);
        std::string calendar = email.GetAttachments()[0]->GetData().ToString();
        for (size_t fold = calendar.find("\r\n "); fold != std::string::npos;
             fold = calendar.find("\r\n ", fold)) {
            calendar.erase(fold, 3);
        }
        EXPECT_TRUE(Contains(calendar, c.description)) << calendar;
    }
}

}  // namespace

namespace {

// Everything a person's results would tell them now, every evening: each message's text and
// calendar, without the calendar's stamp of when it was made.
std::map<const Person*, std::string> ResultsAsTheyWouldGo(QMController& controller,
                                                          MultiDaySchedule& days) {
    std::map<const Person*, std::string> told;
    EmailJob job(&controller, EmailResults);
    for (Person* person : EveryPerson(*days.GetEvent())) {
        for (unsigned d = 0; d < days.GetDayCount(); ++d) {
            UCSMTPEmail email;
            EXPECT_TRUE(job.BuildMessage(email, person, days.GetDay(d), 1));
            // A blank text is not sent.
            if (email.text.find_first_not_of(" \r\n") == std::string::npos) {
                continue;
            }
            std::string text = email.text;
            for (const auto& attachment : email.GetAttachments()) {
                std::string data = attachment->GetData().ToString();
                for (const char* key : {"\r\nUID:", "\r\nDTSTAMP:"}) {
                    const size_t at = data.find(key);
                    if (at != std::string::npos) {
                        data.erase(at, data.find("\r\n", at + 2) - at);
                    }
                }
                text += data;
            }
            told[person] += text;
        }
    }
    return told;
}

}  // namespace

// A sent mark says the person has the results the run would send them now, however the
// timetable changed since: whoever's message would differ is unmarked, and gets it again. A
// pupil's calendar tells the family's whole evening, as the family's does.
TEST_F(EmailEvent, WhoeverStaysMarkedWouldBeSentTheResultsTheyHad) {
    Book(amy_, whitfield_, "Maths", 1, 0, 0);
    Book(ben_, raman_, "", 1, 0, 4);
    Book(cat_, whitfield_, "Art", 1, 0, 6);
    Presentation* talk = AddTalk("Options talk", "Hall", "7:00pm", "7:30pm");
    const struct {
        const char* name;
        std::function<void()> change;
    } changes[] = {
        {"Cat's appointment moved to a free slot",
         [&] { ASSERT_TRUE(Day(0)->SwapSlots(0, 6, 20)); }},
        {"the Lees go to a talk", [&] { ASSERT_TRUE(lee_->AddPresentation(talk)); }},
        {"Cat asks for a teacher who cannot see her",
         [&] { ASSERT_TRUE(cat_->AddRequest(raman_, "French", 1, -1)); }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.name);
        controller_.SettleChanges();
        const auto before = ResultsAsTheyWouldGo(controller_, *days_);
        for (const auto& [person, text] : before) {
            const_cast<Person*>(person)->SetEmailSent(EmailResults, true);
        }
        {
            const QMController::ChangeScope change(controller_);
            c.change();
        }
        const auto after = ResultsAsTheyWouldGo(controller_, *days_);
        for (const auto& [person, text] : after) {
            if (text != before.at(person)) {
                EXPECT_FALSE(person->GetEmailSent(EmailResults))
                    << person->GetName() << " is marked sent, yet was sent:\n"
                    << before.at(person) << "\nand would now be sent:\n"
                    << text;
            }
        }
    }
}
