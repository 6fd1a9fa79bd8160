// The minute's autosave copy whatever the window runs: an editor, a question, a script, the
// optimiser's window. A copy is always of one moment of the event, and a cancelled close never
// ends autosave.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/app.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>

#include "app/autosave_session.h"
#include "app/event_file_format.h"
#include "app/event_file_writer.h"
#include "editor_script.h"
#include "frame_fixture.h"
#include "gui/support/answer_dialogs.h"
#include "gui/dialogs/modal_dialog_tracker.h"
#include "gui/dialogs/optimise_dlg.h"
#include "gui/main/autosave_driver.h"
#include "gui/main/frame_commands.h"
#include "model/teacher.h"
#include "support/generated_schedule.h"
#include "support/school_generator.h"

namespace {

namespace fs = std::filesystem;

class AutosaveDriving : public MainWindow {
protected:
    void SetUp() override {
        Open(Example());
        ASSERT_NE(Schedule(), nullptr);
    }
    Teacher& FirstTeacher() { return *Schedule()->GetEvent()->GetTeachers().Get(0); }
    bool HasTeacher(const std::string& name) {
        const TeacherList& teachers = Schedule()->GetEvent()->GetTeachers();
        for (unsigned i = 0; i < teachers.Count(); ++i) {
            if (teachers.Get(i)->GetName() == name) {
                return true;
            }
        }
        return false;
    }
    // A finished edit a user makes before the command: no flag of the model is set by it.
    void RenameFirstTeacher(const std::string& name) {
        const QMController::ChangeScope change(Controller());
        FirstTeacher().SetName(name);
    }
    // The minute's timer fires, as the window's loop would deliver it.
    void TickAsTheLoopDoes() { frame_->GetAutosaveTimer().Notify(); }
    // Runs the window's loop, doing between() each round, until the copy is done or 10 s.
    void RunLoopUntilCopied(const std::function<void()>& between = [] {}) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (Controller().GetAutosave().IsUnderWay() &&
               std::chrono::steady_clock::now() < until) {
            between();
            wxTheApp->Yield(true);
            wxMilliSleep(1);
        }
    }
    std::string CopyBody() {
        std::string body;
        EXPECT_TRUE(VerifyAutosaveText(ReadWholeFile(AutosavePath()), &body));
        return body;
    }

    // Registered before the script, which then answers first: a dialog the script answers is
    // never counted as open for the tests after this one.
    ModalDialogTracker& tracker_ = ModalDialogTracker::Instance();
    EditorScript script_;
};

// An hour of entry in an open editor must not go without a copy.
TEST_F(AutosaveDriving, ATickWhileAnEditorIsOpenCopiesTheEditBeforeTheEditorCloses) {
    RenameFirstTeacher("Ada Renamed");
    bool copied = false;
    script_.steps.push_back([&](wxDialog*) {
        TickAsTheLoopDoes();
        RunLoopUntilCopied();
        copied = fs::exists(AutosavePath());
        if (copied) {
            EXPECT_NE(CopyBody().find("\"Ada Renamed\""), std::string::npos);
            EXPECT_EQ(CopyBody(), Controller().FormatEventText());
        }
        return wxID_CANCEL;
    });
    ASSERT_TRUE(frame_->RunCommand(CommandId::EditEventDetails));
    EXPECT_TRUE(copied) << "no copy was made while the editor was open";
    EXPECT_TRUE(Boxes().empty());
}

// The optimiser changes the timetable at every step and never waits for a copy: the copy is the
// event at the tick, with the edit made before the optimiser's window opened.
TEST_F(AutosaveDriving, ATickDuringTheOptimisersWindowCopiesOneStateWithTheEarlierEdit) {
    RenameFirstTeacher("Ada Renamed");
    std::string atTick;
    script_.steps.push_back([&](wxDialog* dialog) {
        auto* optimiser = dynamic_cast<OptimiseDlg*>(dialog);
        EXPECT_NE(optimiser, nullptr);
        auto idle = [&] {
            wxIdleEvent event;
            event.SetEventObject(dialog);
            dialog->ProcessWindowEvent(event);
        };
        for (int step = 0; step < 5; ++step) {
            idle();
        }
        TickAsTheLoopDoes();
        atTick = Controller().FormatEventText();
        RunLoopUntilCopied(idle);
        return wxID_CANCEL;
    });
    ASSERT_TRUE(frame_->RunCommand(CommandId::Optimise));
    ASSERT_TRUE(fs::exists(AutosavePath())) << "no copy was made during the optimiser's window";
    EXPECT_EQ(CopyBody(), atTick);
    EXPECT_NE(atTick.find("\"Ada Renamed\""), std::string::npos);
}

// A script holds the window for seconds and changes the event between the Stop window's pulses,
// which let the tick through: the copy is the event at one moment of the script. The script moves
// the first teacher and then the last to the same step, so one moment has them equal or the
// first one step ahead.
TEST_F(AutosaveDriving, ATickWhileAScriptChangesTheEventCopiesOneMoment) {
    // Teachers enough that formatting them takes many passes of the window's loop.
    SchoolSize size = SchoolSize::Small();
    size.teachers = 3000;
    auto school = MakeBookedTimetable(size, 7);
    const std::string path = folder_.Path() + "/events/many-teachers.qmv";
    ASSERT_TRUE(EventFileWriter(*school).WriteToPath(path.c_str(), false));
    frame_->Destroy();
    ProcessPending();
    Open(path);
    ASSERT_NE(Schedule(), nullptr);
    prompts_.Choose(FromUtf8(folder_.Write("moves.lua",
                                           "function main()\n"
                                           "  local teachers = qm_teachers()\n"
                                           "  local first, last = teachers[1], teachers[#teachers]\n"
                                           "  local step, stop = 0, os.clock() + 3\n"
                                           "  while os.clock() < stop do\n"
                                           "    step = step + 1\n"
                                           "    qm_setfield(first, 'location', 'Step ' .. step)\n"
                                           "    qm_setfield(last, 'location', 'Step ' .. step)\n"
                                           "  end\n"
                                           "  qm_output('steps ' .. step)\n"
                                           "end\n")));
    AnswerDialogs readReport([](wxDialog*) { return wxID_OK; });
    // The tick comes once the Stop window pulses.
    frame_->GetAutosaveTimer().StartOnce(1300);
    ASSERT_TRUE(frame_->RunCommand(CommandId::RunScriptedReport));
    RunLoopUntilCopied();
    ASSERT_TRUE(fs::exists(AutosavePath())) << "no copy was made during the script";
    const std::string body = CopyBody();
    const std::regex located("location \"Step ([0-9]+)\"");
    std::vector<long> steps;
    for (auto match = std::sregex_iterator(body.begin(), body.end(), located);
         match != std::sregex_iterator(); ++match) {
        steps.push_back(std::stol((*match)[1]));
    }
    ASSERT_EQ(steps.size(), 2u) << "the tick came before the script moved anyone";
    EXPECT_TRUE(steps[0] == steps[1] || steps[0] == steps[1] + 1)
        << "first at step " << steps[0] << ", last at step " << steps[1];
}

TEST_F(AutosaveDriving, IdleWorkGoesOnWhileACopyIsUnderWay) {
    RenameFirstTeacher("Ada Renamed");
    int idleRuns = 0;
    frame_->Bind(wxEVT_IDLE, [&](wxIdleEvent&) { ++idleRuns; });
    TickAsTheLoopDoes();
    ASSERT_TRUE(Controller().GetAutosave().IsUnderWay());
    wxIdleEvent idle;
    frame_->ProcessWindowEvent(idle);
    EXPECT_EQ(idleRuns, 1);
    RunLoopUntilCopied();
    EXPECT_TRUE(CopyBody() == Controller().FormatEventText());
}

// Cancel to the close question keeps the window and its autosave going, whatever stage the copy
// under way was in: running, done but not looked at, or its failure being told.
TEST_F(AutosaveDriving, ACloseCancelledDuringACopyKeepsAutosaveGoing) {
    struct Stage {
        const char* name;
        bool failing;
        std::chrono::milliseconds before;  // from the tick to the close, without the loop
    };
    const Stage stages[] = {
        {"the copy running", false, std::chrono::milliseconds(0)},
        {"the copy done, not yet looked at", false, std::chrono::milliseconds(300)},
        {"its failure being told", true, std::chrono::milliseconds(0)},
    };
    for (const Stage& stage : stages) {
        SCOPED_TRACE(stage.name);
        RenameFirstTeacher(std::string("Before closing: ") + stage.name);
        fs::remove_all(AutosavePath());
        if (stage.failing) {
            fs::create_directories(AutosavePath() + "/blocked");
        }
        bool closed = false;
        auto cancelClose = [&] {
            closed = true;
            prompts_.Answer(wxID_CANCEL);
            EXPECT_FALSE(frame_->Close(false));
        };
        prompts_.whileShowing = [&](const ScriptedPrompts::Shown& box) {
            if (stage.failing && !closed && box.message.EndsWith("Auto save failed!")) {
                cancelClose();
            }
        };
        TickAsTheLoopDoes();
        if (!stage.failing) {
            wxMilliSleep(static_cast<unsigned long>(stage.before.count()));
            cancelClose();
        }
        EXPECT_TRUE(frame_->GetAutosaveTimer().IsRunning());
        RunLoopUntilCopied();
        EXPECT_TRUE(closed);
        EXPECT_FALSE(Controller().GetAutosave().IsUnderWay()) << "the copy was left under way";
        prompts_.whileShowing = nullptr;
        fs::remove_all(AutosavePath());

        RenameFirstTeacher(std::string("After closing: ") + stage.name);
        TickAsTheLoopDoes();
        ASSERT_TRUE(Controller().GetAutosave().IsUnderWay()) << "the next tick was refused";
        int idleRuns = 0;
        auto counting = [&](wxIdleEvent& event) {
            ++idleRuns;
            event.Skip();
        };
        frame_->Bind(wxEVT_IDLE, counting);
        RunLoopUntilCopied([&] {
            wxIdleEvent idle;
            frame_->ProcessWindowEvent(idle);
        });
        frame_->Unbind(wxEVT_IDLE, counting);
        EXPECT_GT(idleRuns, 0);
        ASSERT_TRUE(fs::exists(AutosavePath())) << "no copy after the cancelled close";
        EXPECT_TRUE(CopyBody() == Controller().FormatEventText());
    }
    EXPECT_FALSE(Closed());
}

// The road of a crash: the program dies with the editor open after a tick, and the next start
// brings the edit back.
TEST_F(AutosaveDriving, AProgramKilledWithAnEditorOpenAfterATickGetsTheEditBackAtTheNextStart) {
    RenameFirstTeacher("Ada Renamed");
    script_.steps.push_back([&](wxDialog*) {
        const pid_t child = ::fork();
        if (child == 0) {
            // Nothing here talks to the display: the tick and the wait for its copy.
            wxTimerEvent tick(frame_->GetAutosaveTimer());
            frame_->OnAutosaveTimer(tick);
            frame_->GetAutosave().Wait();
            ::raise(SIGKILL);
        }
        int status = 0;
        EXPECT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        return wxID_CANCEL;
    });
    ASSERT_TRUE(frame_->RunCommand(CommandId::EditEventDetails));
    ASSERT_TRUE(fs::exists(AutosavePath()));
    // The next start: this run's window goes without touching the copy.
    frame_->Destroy();
    ProcessPending();
    Open();
    ASSERT_NE(Schedule(), nullptr);
    EXPECT_TRUE(HasTeacher("Ada Renamed"));
    EXPECT_EQ(Boxes(), std::vector<std::string>{
                           "It seems as though Quillmoot crashed with unsaved data last time - "
                           "Quillmoot will now attempt to recover"});
}

}  // namespace
