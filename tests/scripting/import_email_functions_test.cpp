#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <algorithm>

#include "comms/smtp_client_curl.h"
#include "model/email_server_settings.h"
#include "model/presentation.h"
#include "scripting/script_fixture.h"
#include "support/loopback_servers.h"
#include "support/stalled_fifo.h"
#include "support/temp_folder.h"

namespace {

class ScriptedImport : public ScriptFixture {
protected:
    std::string Import(int kind, const std::string& csv, const std::string& definition) {
        folder.Write("people.csv", csv);
        auto script = Load("import_email.lua");
        SetGlobal(*script, "case", "import");
        SetGlobal(*script, "kind", std::to_string(kind));
        SetGlobal(*script, "path", folder.File("people.csv"));
        SetGlobal(*script, "definition", definition);
        script->RunMain();
        return script->output;
    }
    // Every day has a row for every teacher, and the booking made before the import is still
    // Alice's.
    void ExpectGridsMatchTeachers() {
        for (unsigned d = 0; d < Days().GetDayCount(); ++d) {
            EXPECT_EQ(Day(d)->GetGrid().GetRowCount(), event->GetTeachers().Count()) << d;
        }
        EXPECT_EQ(event->GetTeachers().IndexOf(alice), 0);
        ASSERT_NE(Day(0)->GetGrid().PeekBooking(2, 0), nullptr);
        EXPECT_EQ(Day(0)->GetGrid().PeekBooking(2, 0)->GetRequest(), dan->GetRequest(0));
    }
    TempFolder folder{"qm-script-import"};
};

TEST_F(ScriptedImport, TeachersJoinEveryDayOfTheTimetableInFileOrder) {
    const std::string output =
        Import(0, "Name,Initials,Room,Arrives\nZoe Adams,ZA,Lab 1,\nDee Brown,DB,Lab 2,18:30\n",
               "IgnoreFirstLine,Full Name,initials,location,arrival time");
    EXPECT_EQ(output,
              "true\n"
              "Alice Smith,Bob Jones,Zoe Adams,Dee Brown\n"
              "Carol White\n"
              "Alice Smith 3 Carol White\n"
              "Alice Smith AS Room 1 3\n"
              "Bob Jones BJ  0\n"
              "Zoe Adams ZA Lab 1 0\n"
              "Dee Brown DB Lab 2 0\n"
              "Carol White: Dan White,Eve White\n")
        << ErrorText();
    EXPECT_TRUE(sink.messages.empty()) << ErrorText();
    ExpectGridsMatchTeachers();
    Teacher* dee = event->GetTeachers().At(3);
    EXPECT_EQ(dee->GetStartTime(Day(0)).Format(Time24h), "18:30");
    EXPECT_FALSE(dee->ArrivesLate(Day(1)));
    EXPECT_TRUE(event->IsModified());
}

TEST_F(ScriptedImport, PupilsArriveWithTheirFamiliesAndTheParentsAreSorted) {
    const std::string output = Import(1, "Anna Black,Gil Black,8C\nAnna Black,Hal Black,9A\n",
                                      "parent's name,full name,form / tutor group");
    EXPECT_EQ(output,
              "true\n"
              "Alice Smith,Bob Jones\n"
              "Anna Black,Carol White\n"
              "Alice Smith 3 Carol White\n"
              "Alice Smith AS Room 1 3\n"
              "Bob Jones BJ  0\n"
              "Anna Black: Gil Black,Hal Black\n"
              "Carol White: Dan White,Eve White\n")
        << ErrorText();
    Parent* anna = event->GetParents().At(0);
    ASSERT_EQ(anna->GetPupilCount(), 2u);
    EXPECT_EQ(event->GetParents().FindParentOfPupil(anna->GetPupil(1)), anna);
    ExpectGridsMatchTeachers();
}

TEST_F(ScriptedImport, PupilsJoinTheFamiliesTheEventHoldsByNameAndFirstAddressLine) {
    const std::string output =
        Import(1, "Carol White,Fay White,1 High Street\nCarol White,Gus White,2 Low Road\n",
               "parent's name,full name,address line 1");
    EXPECT_EQ(output,
              "true\n"
              "Alice Smith,Bob Jones\n"
              "Carol White (2 Low Road),Carol White\n"
              "Alice Smith 3 Carol White\n"
              "Alice Smith AS Room 1 3\n"
              "Bob Jones BJ  0\n"
              "Carol White (2 Low Road): Gus White\n"
              "Carol White: Dan White,Eve White,Fay White\n")
        << ErrorText();
    EXPECT_TRUE(sink.messages.empty()) << ErrorText();
    EXPECT_EQ(event->GetParents().FindParentOfPupil(carol->GetPupil(2)), carol);
    ExpectGridsMatchTeachers();
}

TEST_F(ScriptedImport, ARefusedPersonIsNamedOthersStillMoveAndABrokenFileChangesNothing) {
    struct Case {
        const char* csv;
        const char* result;
        std::vector<std::string> teachers;
        std::vector<std::string> errors;
    } cases[] = {
        // The event refuses Amy's initials: the others still move, and she is named as the
        // window's import names her.
        {"Ivy Lane,IL\nAmy Sharp,AS\nJoe Kerr,JK\n",
         "false",
         {"Alice Smith", "Bob Jones", "Ivy Lane", "Joe Kerr"},
         {"2 of 3 teachers imported; 1 failed to import",
          "Teacher initials 'AS' have already been used for a different teacher",
          "Teacher 'Amy Sharp' failed to import"}},
        // The file itself names one teacher twice: nobody of it reaches the event.
        {"Ivy Lane,IL\nIvy Lane,IX\n",
         "false",
         {"Alice Smith", "Bob Jones"},
         {"Teacher 'Ivy Lane' already exists"}},
    };
    for (const Case& c : cases) {
        while (event->GetTeachers().Count() > 2) {
            ASSERT_TRUE(Days().DeleteTeacher(event->GetTeachers().At(2)));
        }
        sink.messages.clear();
        const std::string output = Import(0, c.csv, "full name,initials");
        EXPECT_TRUE(BeginsWith(output, std::string(c.result) + "\n")) << output;
        std::vector<std::string> teachers;
        for (unsigned i = 0; i < event->GetTeachers().Count(); ++i) {
            teachers.push_back(event->GetTeachers().At(i)->GetName());
        }
        EXPECT_EQ(teachers, c.teachers) << c.csv;
        EXPECT_EQ(sink.Texts(SeverityError), c.errors) << c.csv;
        ExpectGridsMatchTeachers();
    }
}

// What a script's import says reaches its sink once, however many lines it names; and a family
// the list tells apart from a namesake listed first is still found in the event.
TEST_F(ScriptedImport, OneImportSaysOneMessageAndFindsTheFamilyItToldApart) {
    class Counting : public UCError {
    public:
        void Report(int severity, const char* text) override {
            std::string said = std::to_string(severity) + " " + text;
            for (const std::string& line : Details()) {
                said += "\n" + line;
            }
            ClearDetails();
            reports.push_back(said);
        }
        using UCError::Report;
        std::vector<std::string> reports;
    };
    struct Case {
        const char* what;
        int kind;
        const char* csv;
        const char* definition;
        const char* result;
        const char* parents;  // the event's families afterwards, or empty to skip
        size_t lines;         // lines of the one message
    } cases[] = {
        {"three unread arrivals", 0, "Ivy Lane,IL,n/a\nJoe Kerr,JK,n/a\nKay Moss,KM,n/a\n",
         "full name,initials,arrival time", "true", "", 2},
        {"a namesake listed first", 1,
         "Carol White,Gus White,2 Low Road\nCarol White,Fay White,1 High Street\n"
         "Carol White,Dan White,1 High Street\n",
         "parent's name,full name,address line 1", "false",
         "Carol White (2 Low Road): Gus White\nCarol White: Dan White,Eve White,Fay White\n", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Counting said;
        const std::string output = Import(c.kind, c.csv, c.definition);
        EXPECT_TRUE(BeginsWith(output, std::string(c.result) + "\n")) << output;
        if (*c.parents != '\0') {
            EXPECT_NE(std::string::npos, output.find(c.parents)) << output;
        }
        EXPECT_EQ(1u, said.reports.size()) << ::testing::PrintToString(said.reports);
        if (said.reports.empty()) {
            continue;
        }
        EXPECT_EQ(c.lines, static_cast<size_t>(
                               std::count(said.reports[0].begin(), said.reports[0].end(), '\n')))
            << said.reports[0];
    }
}

TEST_F(ScriptedImport, MissingArgumentsFilesOrKindsGiveNoResult) {
    folder.Write("people.csv", "Ivy Lane\n");
    auto script = Load("import_email.lua");
    SetGlobal(*script, "case", "noimport");
    SetGlobal(*script, "path", folder.File("people.csv"));
    script->RunMain();
    EXPECT_EQ(script->output, "0,0,0,0,0 2\n");
    // A missing file is the script's question; a folder is named.
    EXPECT_EQ(ErrorText(), "Cannot open data file '" + folder.Path() + "': Is a directory\n");
}

// A loopback port with nobody listening on it.
int ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), length), 0);
    EXPECT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    ::close(fd);
    return ntohs(address.sin_port);
}

class ScriptedEmail : public ScriptFixture {
protected:
    ScriptedEmail() {
        controller.SetClientFactory(std::make_unique<SMTPClientFactoryCurl>());
        EmailServerSettings server = event->GetEmailServerSettings();
        server.SetServer("127.0.0.1");
        server.SetFromAddress("office@school.example");
        event->SetEmailServerSettings(server);
    }
    void UsePort(int port) {
        EmailServerSettings server = event->GetEmailServerSettings();
        server.SetPort(port);
        event->SetEmailServerSettings(server);
    }
    std::string Run(const char* which) {
        auto script = Load("import_email.lua");
        SetGlobal(*script, "case", which);
        script->RunMain();
        return script->output;
    }
    TempFolder folder{"qm-script-email"};
};

TEST_F(ScriptedEmail, AParentsResultsReachTheServerForTheBookedDay) {
    LoopbackSMTPServer server(folder, {});
    ASSERT_NE(server.Port(), 0) << server.Log();
    UsePort(server.Port());
    // The second day holds none of Carol's appointments, so only the first is mailed.
    EXPECT_EQ(Run("sendemail"), "Sent email to 'Sent to Carol White'\ntrue true\n") << ErrorText();
    EXPECT_TRUE(sink.messages.empty()) << ErrorText();
    const std::vector<ReceivedMail> mails = server.Messages();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].recipients, std::vector<std::string>{"carol@example.org"});
    EXPECT_TRUE(Contains(mails[0].content, "Alice Smith")) << mails[0].content;
    EXPECT_TRUE(carol->GetEmailSent(EmailResults));
}

// Frank comes only to the choir on the second day: the first day's results have nothing in
// them, and the second day's still go.
TEST_F(ScriptedEmail, ABlankMessageIsSkippedAndTheNextStillGoes) {
    LoopbackSMTPServer server(folder, {});
    ASSERT_NE(server.Port(), 0) << server.Log();
    UsePort(server.Port());
    auto frank = std::make_unique<Parent>("Frank Green");
    frank->SetEmail("frank@example.org");
    Parent* parent = frank.get();
    ASSERT_TRUE(Days().AddParent(std::move(frank)));
    auto choir =
        std::make_unique<Presentation>("Choir", "Hall", Date(6, 3, 2024), "18:00", "18:30");
    ASSERT_TRUE(parent->AddPresentation(choir.get()));
    ASSERT_TRUE(event->AddPresentation(std::move(choir)));

    auto script = Load("import_email.lua");
    SetGlobal(*script, "case", "sendemailto");
    SetGlobal(*script, "name", "Frank Green");
    script->RunMain();
    EXPECT_EQ(script->output,
              "Skipped 'Frank Green': there is nothing to tell them in this email\n"
              "Sent email to 'Sent to Frank Green'\ntrue true\n")
        << ErrorText();
    const std::vector<ReceivedMail> mails = server.Messages();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_TRUE(Contains(mails[0].content, "Choir")) << mails[0].content;
}

TEST_F(ScriptedEmail, AMissingServerGivesOneClearMessage) {
    UsePort(ClosedPort());
    UCStringError messages;
    EXPECT_EQ(Run("sendemail"), "true true\n");
    const std::string text = messages.GetText();
    EXPECT_TRUE(BeginsWith(text,
                           "Error: Email send failed for 'Carol White'\n"
                           "Further details follow:\nTransport error: "))
        << text;
    EXPECT_EQ(text.find("Error: ", 1), std::string::npos) << text;
    EXPECT_FALSE(carol->GetEmailSent(EmailResults));
}

// The window's e-mail commands refuse this before anything is sent; a script meets the same
// refusal where the sending starts.
TEST_F(ScriptedEmail, WithoutAServerNothingIsSentAndTheReasonIsTheWindows) {
    UsePort(ClosedPort());
    EmailServerSettings server = event->GetEmailServerSettings();
    server.SetServer(" ");
    event->SetEmailServerSettings(server);
    EXPECT_EQ(Run("sendemail"), "false false\n");
    const std::vector<std::string> errors = sink.Texts(SeverityError);
    ASSERT_EQ(errors.size(), 2u) << ErrorText();
    EXPECT_TRUE(BeginsWith(errors[0], "No email server has been defined so emails cannot be"));
    EXPECT_EQ(errors[1], "Email sender failed to start");
}

TEST_F(ScriptedEmail, OnlyTeachersAndParentsOfAKnownKindAreMailed) {
    EXPECT_EQ(Run("notmailed"), "0 0\n0 0\n");
    EXPECT_TRUE(sink.messages.empty()) << ErrorText();
}

}  // namespace

namespace {

// Nothing writes to a FIFO: each function that reads a file the script names refuses it at
// once, saying why, and the event keeps its people.
TEST_F(ScriptedImport, AFifoIsRefusedAtOnceByEveryFunctionThatReadsAFile) {
    StalledFifo fifo(folder.File("people.csv"));
    auto script = Load("paths.lua");
    SetGlobal(*script, "path", fifo.Path());
    script->RunMain();
    EXPECT_EQ(script->output, "false\n0\nfalse\n");
    EXPECT_EQ(sink.Texts(SeverityError),
              (std::vector<std::string>{
                  "Cannot open XML file '" + fifo.Path() + "': it is not an ordinary file",
                  "Cannot open data file '" + fifo.Path() + "': it is not an ordinary file",
                  "Cannot open file '" + fifo.Path() + "': it is not an ordinary file",
                  "Cannot load file '" + fifo.Path() + "'"}));
    EXPECT_TRUE(fifo.Refused()) << fifo.Elapsed() << " s";
    EXPECT_EQ(event->GetTeachers().Count(), 2u);
    EXPECT_EQ(event->GetParents().Count(), 1u);
}

}  // namespace
