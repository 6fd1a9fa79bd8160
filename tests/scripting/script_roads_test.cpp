#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/script_run.h"
#include "comms/email_job.h"
#include "comms/smtp_client_curl.h"
#include "comms/smtp_email.h"
#include "model/email_server_settings.h"
#include "print/pdf_printout.h"
#include "scripting/script_fixture.h"
#include "support/endless_script.h"
#include "support/loopback_servers.h"
#include "support/temp_folder.h"

namespace {

using Clock = std::chrono::steady_clock;

// Stands for a script that never ends: it gives up by itself only after twenty seconds, so that
// a road without Stop fails the test instead of hanging it.
constexpr const char* kForever = kEndlessScript;

// Every road that runs the user's scripts, with a Stop the user presses once the road has run
// for a moment; the print and e-mail scripts come from the user's settings, as in the window.
class ScriptRoads : public ScriptFixture {
protected:
    ScriptRoads() {
        controller.SetScriptStopOffer([this] {
            ++offers;
            const Clock::time_point pressAt = Clock::now() + std::chrono::milliseconds(300);
            return std::function<bool()>([pressAt] { return Clock::now() >= pressAt; });
        });
        SendMailTo(smtp.Port());
    }
    std::string UseScript(const std::string& lua) {
        const std::string path = folder.Write("road.lua", std::string(kForever) + lua);
        EXPECT_TRUE(controller.GetUserSettings().Set("parentprintscript", path));
        return path;
    }

    TempFolder folder{"qm-script-roads"};
    LoopbackSMTPServer smtp{folder, {}};
    int offers = 0;
};

// What a road did: whether it told its output as done, and what it said.
struct RoadOutcome {
    bool done = true;
    std::string said;
};

TEST_F(ScriptRoads, EveryRoadStopsItsScriptsAndTellsNothingHalfDoneAsDone) {
    ASSERT_NE(smtp.Port(), 0) << smtp.Log();
    const std::string pdfPath = folder.File("handouts.pdf");
    // The roads, as the window's commands and a report's qm_ functions run them.
    auto pdf = [&] {
        PrintSettings settings = event->GetPrintSettings();
        settings.SetParents(true);
        settings.SetTeachers(false);
        PDFPrintout printout(&controller, settings);
        return RoadOutcome{printout.CreatePDF(pdfPath.c_str()), ""};
    };
    auto emailRun = [&] {
        EmailJob job(&controller, EmailResults);
        RoadOutcome outcome;
        std::string log;
        if (job.GetRecipientCount() > 0 && job.Connect(0)) {
            while (job.SendNextMessage(&log) != EmailJob::EmailStepNone) {
            }
        }
        outcome.done = !job.WasStopped();
        outcome.said = log;
        return outcome;
    };
    auto emailPreview = [&] {
        const ScriptRun run(&controller);
        EmailJob job(&controller, EmailResults);
        job.SetSingleRecipient(carol);
        for (const EmailRecipient& recipient : job.GetRecipients()) {
            UCSMTPEmail email;
            job.BuildMessage(email, recipient.person, recipient.day, 1);
        }
        return RoadOutcome{!run.Stopped(), ""};
    };
    auto report = [&] {
        const ScriptRun run(&controller);
        QMLuaScript script(controller.GetUserSettings().Get("parentprintscript").c_str(),
                           &controller);
        return RoadOutcome{script.loaded && script.RunMain(), ""};
    };
    const std::string stopped = "Script stopped by the user";
    struct Case {
        const char* name;
        std::function<RoadOutcome()> road;
        const char* lua;
        std::string says;  // in the messages, or in the road's own log
    } cases[] = {
        {"PDF, a sheet", pdf, "function draw_parent_page(p) forever() end",
         PDFPrintout::kStoppedText},
        {"PDF, the top level", pdf, "forever()", PDFPrintout::kStoppedText},
        {"PDF, a failed load's finaliser", pdf,
         "kept = setmetatable({}, {__gc = function() forever() end})\nerror('broken')",
         PDFPrintout::kStoppedText},
        {"e-mail run, a message", emailRun, "function parent_email(p) forever() end",
         EmailJob::kStoppedText},
        {"e-mail run, the top level", emailRun, "forever()", EmailJob::kStoppedText},
        {"e-mail preview, a message", emailPreview, "function parent_email(p) forever() end", ""},
        {"report, the top level", report, "forever()", "Runtime error in script initialisation: "},
        {"report, a failed load's finaliser", report,
         "kept = setmetatable({}, {__gc = function() forever() end})\nerror('broken')",
         "Runtime error in script initialisation: "},
        {"report, a long qm_optimise", report,
         "function main() qm_optimise(8000) error('ran out') end", stopped},
        {"report, qm_sendemail's message", report,
         "function main() qm_sendemail(qm_parents()[1], 0, 2) error('ran out') end\n"
         "function parent_email(p) forever() end",
         stopped},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UseScript(c.lua);
        sink.messages.clear();
        offers = 0;
        const Clock::time_point start = Clock::now();
        const RoadOutcome outcome = c.road();
        const auto took = Clock::now() - start;
        EXPECT_LT(took, std::chrono::seconds(10));
        EXPECT_FALSE(outcome.done);
        const std::string errors = ErrorText();
        EXPECT_TRUE(Contains(errors + outcome.said, c.says));
        EXPECT_FALSE(Contains(errors, "ran out"));
        EXPECT_GE(offers, 1);
        EXPECT_FALSE(std::filesystem::exists(pdfPath));
        EXPECT_TRUE(smtp.Messages().empty());
        EXPECT_FALSE(carol->GetEmailSent(EmailResults));
    }
}

// A report mailing a family through a server that takes the connection and never answers: Stop
// ends the message under way at once, instead of after the server's time-outs (half a minute and
// more a family).
TEST_F(ScriptRoads, AReportsStopEndsAMessageASilentServerHolds) {
    LoopbackSMTPServer silent(folder, {"--mode", "silent"});
    ASSERT_NE(silent.Port(), 0) << silent.Log();
    SendMailTo(silent.Port());
    UseScript("function main() qm_sendemail(qm_parents()[1], 0, 2) error('ran out') end");
    const Clock::time_point start = Clock::now();
    {
        const ScriptRun run(&controller);
        QMLuaScript script(controller.GetUserSettings().Get("parentprintscript").c_str(),
                           &controller);
        ASSERT_TRUE(script.loaded);
        EXPECT_FALSE(script.RunMain());
    }
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    const std::string errors = ErrorText();
    EXPECT_TRUE(Contains(errors, "Script stopped by the user")) << errors;
    EXPECT_FALSE(Contains(errors, "ran out"));
    EXPECT_GE(offers, 1);
    EXPECT_FALSE(carol->GetEmailSent(EmailResults));
}

}  // namespace
