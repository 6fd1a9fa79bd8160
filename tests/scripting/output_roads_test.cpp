// What a print or e-mail script may do while its output holds the event: every road that runs
// such a script, against every call that would reshape the event or start the same road again.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "comms/email_fixture.h"
#include "comms/email_job.h"
#include "print/pdf_printout.h"
#include "script_fixture.h"
#include "support/temp_folder.h"

namespace {

// Makes real Lua hosts, with globals the test chooses.
class LuaController : public QMController {
public:
    std::unique_ptr<QMScript> CreateScript(const std::string& path) override {
        std::unique_ptr<QMScript> script = QMLuaScript::Create(path, this);
        if (script) {
            lua_State* L = static_cast<QMLuaScript*>(script.get())->GetState();
            for (const auto& [name, value] : globals) {
                lua_pushlstring(L, value.data(), value.size());
                lua_setglobal(L, name.c_str());
            }
        }
        return script;
    }
    std::map<std::string, std::string> globals;
};

// The fixture's event, with Dan's French booked on the second evening (so that Carol is owed
// two results) and the Greens, whose Gus sees Alice on the first, opened from a file by a
// controller whose print and e-mail scripts are output_roads.lua.
class OutputRoads : public ScriptFixture {
public:
    using ScriptFixture::Fixture;
    using ScriptFixture::sink;

    OutputRoads() {
        EmailServerSettings server = event->GetEmailServerSettings();
        server.SetServer("mail.example");
        server.SetFromAddress("office@school.example");
        event->SetEmailServerSettings(server);
        EXPECT_TRUE(
            Day(1)->GetGrid().PutBooking(4, 1, std::make_shared<Appointment>(dan->GetRequest(1))));
        auto fay = std::make_unique<Parent>("Fay Green");
        fay->SetEmail("fay@example.org");
        auto gus = std::make_unique<Pupil>("Gus Green");
        Pupil* pupil = gus.get();
        fay->AddPupil(std::move(gus));
        pupil->AddRequest(alice, "Art", 1, 1);
        EXPECT_TRUE(Days().AddParent(std::move(fay)));
        EXPECT_TRUE(Day(0)->GetGrid().PutBooking(
            8, 0, std::make_shared<Appointment>(pupil->GetRequest(0))));
        const std::string file = folder.Write("event.qmv", controller.FormatEventText());
        EXPECT_TRUE(lua.OpenEventFile(file.c_str())) << ErrorText();
        lua.SetClientFactory(std::make_unique<FakeSMTPFactory>(&outbox));
        lua.GetUserSettings().Set("parentprintscript", Fixture("output_roads.lua"));
        lua.GetUserSettings().Set("teacherprintscript", Fixture("output_roads.lua"));
        lua.globals["other"] = folder.File("missing.csv");
        sink.messages.clear();
    }
    Parent* LuaParent(const char* name) { return lua.GetEvent()->GetParents().FindByName(name); }
    std::string AllErrors() const {
        std::string text;
        for (const std::string& line : sink.Texts(SeverityError)) {
            text += line + "\n";
        }
        return text;
    }

    TempFolder folder{"qm-output-roads"};
    LuaController lua;
    Outbox outbox;
};

struct Road {
    const char* name;
    // What the road showed besides its messages.
    std::string (*run)(OutputRoads&);
    // The whole run, which mails the Greens too.
    bool wholeRun;
};

// A whole results run, with calendars.
std::string EmailRun(OutputRoads& f) {
    EmailJob job(&f.lua, EmailResults);
    if (job.Connect(1)) {
        while (!job.IsFinished()) {
            job.SendNext(nullptr);
        }
    }
    return job.GetSummary();
}

// Carol's messages built for the preview, which shows a script's failure as the window does.
std::string EmailPreview(OutputRoads& f) {
    EmailJob job(&f.lua, EmailResults);
    job.SetSingleRecipient(f.lua.GetEvent()->GetParents().FindByName("Carol White"));
    for (const EmailRecipient& recipient : job.GetRecipients()) {
        UCSMTPEmail email;
        if (!job.BuildMessage(email, recipient.person, recipient.day, 1)) {
            ReportMessage(SeverityError, job.GetScriptFailure());
        }
    }
    return std::string();
}

// A report whose main sends Carol her results with qm_sendemail.
std::string ReportSend(OutputRoads& f) {
    std::unique_ptr<QMScript> report = f.lua.CreateScript(f.Fixture("output_roads.lua"));
    if (report) {
        report->captureOutput = true;
        report->RunMain();
        return report->output;
    }
    return std::string();
}

// The sheets' text: a page's script says what stopped it on the sheet.
std::string PrintPDF(OutputRoads& f) {
    PrintSettings settings = f.lua.GetEvent()->GetPrintSettings();
    settings.SetTeachers(true);
    settings.SetParents(true);
    const std::string path = f.folder.File("sheets.pdf");
    {
        PDFPrintout printout(&f.lua, settings);
        printout.CreatePDF(path.c_str());
    }
    std::string text;
    if (FILE* pipe = ::popen(("pdftotext '" + path + "' - 2>&1").c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            text.append(buffer, n);
        }
        ::pclose(pipe);
    }
    return text;
}

std::string WithoutBlanks(std::string text) {
    std::erase_if(text, [](char c) { return c == ' ' || c == '\n' || c == '\r'; });
    return text;
}

// The event file's text apart from who was sent what, which a run marks itself.
std::string TextApartFromMarks(const QMController& controller) {
    std::istringstream in(controller.FormatEventText());
    std::string text;
    std::string line;
    while (std::getline(in, line)) {
        if (line != "invitationsent" && line != "remindersent" && line != "resultssent") {
            text += line + "\n";
        }
    }
    return text;
}

const Road kRoads[] = {
    {"e-mail run", &EmailRun, true},
    {"e-mail preview", &EmailPreview, false},
    {"report's qm_sendemail", &ReportSend, false},
    {"PDF", &PrintPDF, false},
};

// Each case runs in a child process, so that a read of freed memory or a stack overflow under
// the sanitisers fails the case instead of ending the test program. The child reports what
// differed and exits with 1.
int RunInChild(OutputRoads& f, const Road& road, const std::string& action,
               const std::string& expected) {
    f.lua.globals["action"] = action;
    const std::string before = TextApartFromMarks(f.lua);
    const std::string shown = road.run(f);
    std::string faults;
    const std::string errors = f.AllErrors();
    // Lines a sheet breaks are joined again.
    if (WithoutBlanks(errors + shown).find(WithoutBlanks(expected)) == std::string::npos) {
        faults += "no '" + expected + "' in: " + errors + shown + "\n";
    }
    Parent* carol = f.LuaParent("Carol White");
    Parent* fay = f.LuaParent("Fay Green");
    if (carol == nullptr || fay == nullptr || carol->GetEmailSent(EmailResults)) {
        faults += "Carol counted as sent\n";
    }
    // A script that fails for Carol leaves the run to go on to Fay; a refused call fails every
    // message.
    const bool fayMailed = road.wholeRun && action == "fail";
    std::vector<std::string> mailed;
    for (const UCSMTPEmail& email : f.outbox.sent) {
        mailed.push_back(email.GetTo().empty() ? "" : email.GetTo()[0]->address);
    }
    if (mailed !=
        (fayMailed ? std::vector<std::string>{"fay@example.org"} : std::vector<std::string>{})) {
        faults += std::to_string(mailed.size()) + " message(s) mailed\n";
    }
    if (fay != nullptr && fay->GetEmailSent(EmailResults) != fayMailed) {
        faults += "Fay's sent flag is wrong\n";
    }
    if (road.wholeRun &&
        errors.find("Could not create outbound email for 'Carol White'\n") == std::string::npos) {
        faults += "Carol's failure is not told\n";
    }
    if (TextApartFromMarks(f.lua) != before) {
        faults += "the event changed\n";
    }
    if (!faults.empty()) {
        for (const auto& [severity, text] : f.sink.messages) {
            faults += std::to_string(severity) + ": " + text + "\n";
        }
    }
    std::fputs(faults.c_str(), stderr);
    return faults.empty() ? 0 : 1;
}

TEST_F(OutputRoads, NothingInsideAnOutputsScriptReshapesTheEventOrRunsTheRoadAgain) {
    const std::string refused = " is not available to a print or e-mail script";
    const struct {
        const char* action;
        std::string message;
    } actions[] = {
        {"optimise", "qm_optimise" + refused},
        {"merge", "qm_mergeeventfile" + refused},
        {"import", "qm_csvimport" + refused},
        {"deleterequest", "qm_deleterequest" + refused},
        {"attendpres", "qm_attendpres" + refused},
        {"sendemail", "qm_sendemail is not available to an e-mail script"},
        {"fail", "attempt to concatenate a nil value (local 'missing')"},
    };
    for (const Road& road : kRoads) {
        for (const auto& action : actions) {
            SCOPED_TRACE(std::string(road.name) + ", " + action.action);
            // A sheet is drawn as often as the printout measures and redraws it: it sends nothing.
            const std::string message =
                road.run == &PrintPDF && action.action == std::string("sendemail")
                    ? "qm_sendemail" + refused
                    : action.message;
            EXPECT_EXIT(::_exit(RunInChild(*this, road, action.action, message)),
                        ::testing::ExitedWithCode(0), "");
        }
    }
}

// An e-mail script's finalisers run when the run closes its host; one that sends e-mail would
// start the run's road again, and the host it makes would do the same when it closes.
TEST_F(OutputRoads, AnEmailScriptsFinaliserCannotSendWhenItsHostCloses) {
    lua.globals["action"] = "finaliser";
    EXPECT_EXIT(
        {
            EmailRun(*this);
            std::fprintf(stderr, "%zu message(s) mailed\n", outbox.sent.size());
            ::_exit(outbox.sent.size() == 3 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// The families' sheets alone, so that the teachers' script is loaded and never called.
std::string PrintParentSheetsPDF(OutputRoads& f) {
    PrintSettings settings = f.lua.GetEvent()->GetPrintSettings();
    settings.SetTeachers(false);
    settings.SetParents(true);
    PDFPrintout printout(&f.lua, settings);
    printout.CreatePDF(f.folder.File("families.pdf").c_str());
    return std::string();
}

// Runs the road in a child (see RunInChild), which reports what went wrong and exits with 1.
int RunUnaskedInChild(OutputRoads& f, std::string (*run)(OutputRoads&), bool mails) {
    const std::string before = TextApartFromMarks(f.lua);
    run(f);
    std::string faults;
    if (TextApartFromMarks(f.lua) != before) {
        faults += "the event changed\n";
    }
    std::map<std::string, int> mailed;
    for (const UCSMTPEmail& email : f.outbox.sent) {
        const std::string message =
            (email.GetTo().empty() ? "" : email.GetTo()[0]->address) + ": " + email.subject;
        if (++mailed[message] == 2 || !mails) {
            faults += "mailed " + message + "\n";
        }
    }
    std::fputs(faults.c_str(), stderr);
    return faults.empty() ? 0 : 1;
}

// An output's script is the output's also where Lua runs its code unasked: a lookup of a global
// it lacks, as the e-mail run asks after each role's e-mail function, and the finaliser of what
// it made as it loaded, in a host the output loaded and never called. Neither may reshape the
// event the output holds or start an e-mail run, and no message goes out twice or from a preview.
TEST_F(OutputRoads, CodeLuaRunsUnaskedInAnOutputsScriptKeepsTheOutputsRules) {
    lua.GetUserSettings().Set("parentprintscript", Fixture("output_hooks.lua"));
    lua.GetUserSettings().Set("teacherprintscript", Fixture("output_hooks.lua"));
    const struct {
        const char* name;
        std::string (*run)(OutputRoads&);
        bool mails;
    } roads[] = {
        {"e-mail run", &EmailRun, true},
        {"e-mail preview", &EmailPreview, false},
        {"PDF of the families' sheets", &PrintParentSheetsPDF, true},
    };
    const struct {
        const char* hook;
        const char* action;
    } calls[] = {
        {"lookup", "optimise"},      {"lookup", "attendpres"},   {"lookup", "sendemail"},
        {"finaliser", "attendpres"}, {"finaliser", "sendemail"},
    };
    for (const auto& road : roads) {
        for (const auto& call : calls) {
            // A print asks after no e-mail function.
            if (road.run == &PrintParentSheetsPDF && std::string(call.hook) == "lookup") {
                continue;
            }
            SCOPED_TRACE(std::string(road.name) + ", " + call.hook + ", " + call.action);
            lua.globals["hook"] = call.hook;
            lua.globals["action"] = call.action;
            EXPECT_EXIT(::_exit(RunUnaskedInChild(*this, road.run, road.mails)),
                        ::testing::ExitedWithCode(0), "");
        }
    }
}

// Every run of one kind, to its end.
template <EmailTextKind Kind>
std::string EmailRunOf(OutputRoads& f) {
    EmailJob job(&f.lua, Kind);
    if (job.Connect(1)) {
        while (!job.IsFinished()) {
            job.SendNext(nullptr);
        }
    }
    return job.GetSummary();
}

// The families' results only (the test chooses no teachers' e-mails first): the teachers'
// script is loaded and never asked.
std::string FamiliesResultsRun(OutputRoads& f) {
    return EmailRunOf<EmailResults>(f);
}

// An e-mail run loads every role's script, and asks only those whose people it writes to. The
// finaliser of a script it never asked ran outside the run's refusals: qm_sendemail there started
// a run that loaded the same scripts again, and so on, until the stack ran out (thousands of
// messages to one family, then a crash; each case runs in a child under the sanitisers).
TEST_F(OutputRoads, AScriptTheRunNeverAskedCannotSendFromItsFinaliser) {
    lua.GetEvent()->SetUrl("https://web.example/events/1");
    lua.GetUserSettings().Set(
        "parentprintscript",
        folder.Write("families.lua",
                     "function parent_email(p) qm_output('Results') end\n"
                     "function parent_email_inv(p) qm_output('Welcome') end\n"
                     "function parent_email_rem(p) qm_output('Reminder') end\n"));
    lua.GetUserSettings().Set("teacherprintscript", Fixture("output_hooks.lua"));
    lua.GetUserSettings().Set("pupilprintscript", Fixture("output_hooks.lua"));
    lua.globals["hook"] = "finaliser";
    lua.globals["action"] = "sendemail";
    const struct {
        const char* name;
        std::string (*run)(OutputRoads&);
        bool mails;
    } roads[] = {
        {"invitations", &EmailRunOf<EmailInvitation>, true},
        {"reminders", &EmailRunOf<EmailReminder>, true},
        {"the families' results", &FamiliesResultsRun, true},
        {"one family's preview", &EmailPreview, false},
    };
    for (const auto& road : roads) {
        SCOPED_TRACE(road.name);
        // Chosen as the user would, before the run: a choice is part of the event.
        lua.GetEvent()->GetPrintSettings().SetTeachers(road.run != &FamiliesResultsRun);
        EXPECT_EXIT(::_exit(RunUnaskedInChild(*this, road.run, road.mails)),
                    ::testing::ExitedWithCode(0), "");
    }
}

// A school's sheet script may flush what it kept (a tally, a log) from a finaliser, which runs as
// the printout closes its host, after the last sheet and the page it was drawn on are gone. What
// it writes then has no sheet to go on: it must not reach a renderer that no longer exists (each
// case runs in a child under the sanitisers).
TEST_F(OutputRoads, ASheetScriptsFinaliserWritesOnNoSheetOnceThePrintoutCloses) {
    const struct {
        const char* name;
        const char* write;
    } writes[] = {
        {"qm_output", "qm_output('printed ' .. sheets .. ' sheets')"},
        {"qm_printcell", "qm_printcell('printed ' .. sheets .. ' sheets', 50, true, true)"},
    };
    for (const auto& write : writes) {
        SCOPED_TRACE(write.name);
        const std::string script = folder.Write(
            std::string("tally-") + write.name + ".lua",
            std::string("sheets = 0\n"
                        "tally = setmetatable({}, {__gc = function() ") +
                write.write +
                " end})\n"
                "function draw_parent_page(p) sheets = sheets + 1; qm_output('Sheet') end\n"
                "function draw_teacher_page(t) sheets = sheets + 1; qm_output('Sheet') end\n");
        lua.GetUserSettings().Set("parentprintscript", script);
        lua.GetUserSettings().Set("teacherprintscript", script);
        EXPECT_EXIT(
            {
                const std::string shown = PrintPDF(*this);
                const bool drawn = WithoutBlanks(shown).find("Sheet") != std::string::npos;
                std::fprintf(stderr, "%s", drawn ? "" : "no sheet was drawn\n");
                ::_exit(drawn ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "");
    }
}

}  // namespace
