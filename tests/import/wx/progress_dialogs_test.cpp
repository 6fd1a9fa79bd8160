#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/stattext.h>

#include <chrono>
#include <thread>

#include "foundation/files.h"
#include "import/import_factory.h"
#include "import/sims_command_reporter.h"
#include "import/wx/import_progress_dlg.h"
#include "import/wx/sims_progress_dlg.h"
#include "import_window_fixture.h"
#include "model/builtin_importers.h"

namespace {

class ImportProgress : public ImportWindow {
protected:
    // A run of the teachers' text list over the file's content into the open event.
    std::unique_ptr<ImportRun> RunOver(const std::string& content) {
        file_ = std::make_unique<StdioFile>(folder_.Write("teachers.txt", content).c_str(), "rb");
        auto run = CreateImportRun(ImporterTxtTeachers());
        run->SetInput(file_.get());
        run->SetTarget(controller_.GetSchedule());
        return run;
    }
    unsigned Teachers() { return OpenEvent().GetTeachers().Count(); }

    std::unique_ptr<StdioFile> file_;
};

// Passes every report on, noting what the progress label read when it came.
class LabelAtEachReport : public UCError {
public:
    explicit LabelAtEachReport(UCError& outer) : outer_(outer) {}
    void Report(int severity, const char* text) override {
        labels.push_back(label != nullptr ? label->GetLabel().ToStdString() : std::string());
        outer_.Report(severity, text);
    }
    using UCError::Report;

    wxStaticText* label = nullptr;
    std::vector<std::string> labels;

private:
    UCError& outer_;
};

// Stands in for the message box a report opens: its event loop sends the progress dialog idle
// events while the step that reported is still under way.
class IdleWhileReporting : public UCError {
public:
    IdleWhileReporting(UCError& outer, wxWindow& dialog) : outer_(outer), dialog_(dialog) {}
    void Report(int severity, const char* text) override {
        for (int i = 0; i < 4; ++i) {
            wxIdleEvent idle;
            dialog_.ProcessWindowEvent(idle);
            ++idleEvents;
            requests += idle.MoreRequested() ? 1 : 0;
        }
        outer_.Report(severity, text);
    }
    using UCError::Report;

    int idleEvents = 0;
    int requests = 0;

private:
    UCError& outer_;
    wxWindow& dialog_;
};

TEST_F(ImportProgress, AStepsMessageBoxGetsNoStepAndNoRequestForMoreIdleEvents) {
    auto run = RunOver("Mr Cobb\nMr Cobb\nMr Dunn\n");
    ImportProgressDlg dialog(TopWindow(), run.get());
    dialog.Show();
    IdleWhileReporting box(sink_, dialog);
    wxIdleEvent idle;
    dialog.ProcessWindowEvent(idle);
    EXPECT_EQ(2u, sink_.entries.size()) << "the clash, then the failed import";
    EXPECT_EQ(8, box.idleEvents);
    EXPECT_EQ(0, box.requests) << "asking for more while a box is open spins a core";
    EXPECT_EQ(1u, Teachers()) << "no step runs inside the box";
    EXPECT_EQ(ImportOutcome::Failed, dialog.GetOutcome());
}

TEST_F(ImportProgress, RunEndsWithOKWhetherItFinishesOrFails) {
    const char* const kFailed =
        "The file failed to import correctly. This probably means that this is not the intended "
        "file, please check whether this is the file you want.";
    const struct {
        const char* name;
        std::string content;
        ImportOutcome outcome;
        unsigned teachers;
        const char* label;
        std::vector<std::string> messages;
    } cases[] = {
        {"empty file", "", ImportOutcome::Finished, 0, "0 of 0 (0%)", {}},
        {"two teachers", "Ms Ames\nMr Bell\n", ImportOutcome::Finished, 2, "16 of 16 (100%)", {}},
        {"a duplicate",
         "Mr Cobb\nMr Cobb\nMr Dunn\n",
         ImportOutcome::Failed,
         3,
         "16 of 24 (66%)",
         {"Teacher 'Mr Cobb' already exists", kFailed}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sink_.entries.clear();
        auto run = RunOver(c.content);
        ImportProgressDlg dialog(TopWindow(), run.get());
        LabelAtEachReport watch(sink_);
        watch.label = dialog.GetProgressLabel();
        EXPECT_EQ("Importing", dialog.GetTitle());
        EXPECT_EQ(wxID_OK, RunToEnd(dialog));
        EXPECT_EQ(c.outcome, dialog.GetOutcome());
        EXPECT_EQ(c.teachers, Teachers());
        EXPECT_EQ(c.label, dialog.GetProgressLabel()->GetLabel());
        EXPECT_EQ(c.messages, sink_.Texts());
        if (c.outcome == ImportOutcome::Failed) {
            ASSERT_FALSE(watch.labels.empty());
            EXPECT_NE(c.label, watch.labels.back()) << "the failure is told before the gauge moves";
        }
        EXPECT_FALSE(dialog.Step()) << "nothing runs after the end";
    }
}

TEST_F(ImportProgress, StopKeepsWhatTheStepsSoFarImportedAndEndsWithCancel) {
    std::string names;
    for (int i = 0; i < 20000; ++i) {
        names += "Teacher " + std::to_string(i) + "\n";
    }
    auto run = RunOver(names);
    ImportProgressDlg dialog(TopWindow(), run.get());
    dialog.Show();
    ASSERT_TRUE(dialog.Step());
    const unsigned afterOneStep = Teachers();
    EXPECT_GT(afterOneStep, 0u);
    EXPECT_LT(afterOneStep, 20000u) << "one step stays short";
    EXPECT_GT(dialog.GetGauge()->GetValue(), -1);

    wxCommandEvent stop(wxEVT_BUTTON, wxID_CANCEL);
    stop.SetEventObject(dialog.FindWindow(wxID_CANCEL));
    dialog.ProcessWindowEvent(stop);
    EXPECT_EQ(ImportOutcome::Stopped, dialog.GetOutcome());
    EXPECT_EQ(wxID_CANCEL, dialog.GetReturnCode());
    EXPECT_FALSE(dialog.Step());
    EXPECT_EQ(afterOneStep, Teachers());
    EXPECT_EQ("Stop", dialog.FindWindow(wxID_CANCEL)->GetLabel());

    ImportProgressDlg idle(TopWindow(), nullptr);
    EXPECT_FALSE(idle.Step()) << "without a run there is nothing to do";
    EXPECT_EQ("", idle.GetProgressLabel()->GetLabel());
}

class SIMSProgress : public ImportWindow {
protected:
    SIMSProgress() {
        reporter_.executable = WriteFakeReporter();
        reporter_.userName = "office";
        reporter_.password = "secret";
        reporter_.serverName = "SIMS";
        reporter_.databaseName = "sims";
        reporter_.reportName = "Pupils";
    }

    SIMSCommandReporter reporter_;
};

TEST_F(SIMSProgress, ProgramThatEndsClosesWithOKAndIsStartedOnce) {
    SIMSCRProgressDlg dialog(TopWindow(), &reporter_);
    EXPECT_EQ("SIMS Import", dialog.GetTitle());
    EXPECT_EQ("Not started yet", dialog.GetStatusLabel()->GetLabel());
    EXPECT_EQ("Cancel Import", dialog.FindWindow(wxID_CANCEL)->GetLabel());
    EXPECT_EQ(wxID_OK, RunToEnd(dialog));
    EXPECT_EQ("Finished", dialog.GetStatusLabel()->GetLabel());
    EXPECT_TRUE(reporter_.CheckOutput());
    EXPECT_FALSE(dialog.Step());
    EXPECT_EQ(SIMSNotStarted, reporter_.Poll()) << "never started a second time";
    EXPECT_TRUE(sink_.entries.empty());
}

TEST_F(SIMSProgress, StartFailureReportsTwiceAndCancels) {
    const struct {
        const char* name;
        std::string executable;
        std::string first;
    } cases[] = {
        {"missing", folder_.File("nowhere"),
         "File '" + folder_.File("nowhere") + "' does not exist"},
        {"folder", folder_.Path(), "Executable '" + folder_.Path() + "' is not a valid program"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sink_.entries.clear();
        SIMSCommandReporter reporter;
        reporter.executable = c.executable;
        reporter.password = "secret";
        SIMSCRProgressDlg dialog(TopWindow(), &reporter);
        EXPECT_EQ(wxID_CANCEL, RunToEnd(dialog));
        ASSERT_EQ(2u, sink_.entries.size());
        EXPECT_EQ(c.first, sink_.entries[0].text);
        EXPECT_EQ("Cannot start SIMS CommandReporter, failing command was: " +
                      reporter.BuildCommandLine(),
                  sink_.entries[1].text);
        EXPECT_EQ(std::string::npos, sink_.entries[1].text.find("secret"));
        EXPECT_EQ("Failed", dialog.GetStatusLabel()->GetLabel());
    }
}

TEST_F(SIMSProgress, CancelStopsTheRunningProgram) {
    reporter_.reportName = "slow";
    SIMSCRProgressDlg dialog(TopWindow(), &reporter_);
    dialog.Show();
    ASSERT_TRUE(dialog.Step());
    EXPECT_EQ("Running", dialog.GetStatusLabel()->GetLabel());
    wxCommandEvent cancel(wxEVT_BUTTON, wxID_CANCEL);
    cancel.SetEventObject(dialog.FindWindow(wxID_CANCEL));
    dialog.ProcessWindowEvent(cancel);
    EXPECT_TRUE(dialog.HasEnded());
    EXPECT_EQ(wxID_CANCEL, dialog.GetReturnCode());
    EXPECT_EQ(SIMSNotStarted, reporter_.Poll()) << "stopped and reaped";
    EXPECT_FALSE(reporter_.Stop());
}

TEST(SIMSStatus, EachPollResultHasItsLine) {
    const std::pair<int, const char*> lines[] = {
        {0, "Not started yet"}, {1, "Failed"}, {2, "Running"}, {3, "Finished"}, {4, ""}, {-1, ""}};
    for (const auto& [status, text] : lines) {
        EXPECT_EQ(text, SIMSStatusText(status)) << status;
    }
}

}  // namespace
