// The minute's autosave copy whatever the window runs: an editor, a question, the optimiser's
// window. A copy is always of one state of the event.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/button.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "app/autosave_session.h"
#include "app/event_file_format.h"
#include "editor_script.h"
#include "frame_fixture.h"
#include "gui/dialogs/optimise_dlg.h"
#include "gui/main/autosave_driver.h"
#include "gui/main/frame_commands.h"
#include "model/teacher.h"

namespace {

namespace fs = std::filesystem;

TEST(AutosaveDriverEvents, OnlyWhatCanRunAHandlerOfOursCountsAsAChange) {
    struct Case {
        wxEventType type;
        bool mayChange;
    };
    const Case cases[] = {
        {wxEVT_PAINT, false},       {wxEVT_MOTION, false},    {wxEVT_SIZE, false},
        {wxEVT_SET_FOCUS, false},   {wxEVT_KEY_DOWN, false},  {wxEVT_CHAR, false},
        {wxEVT_TEXT, false},        {wxEVT_IDLE, false},      {wxEVT_BUTTON, true},
        {wxEVT_MENU, true},         {wxEVT_TIMER, true},      {wxEVT_CHECKBOX, true},
        {wxEVT_LEFT_DOWN, true},    {wxEVT_CLOSE_WINDOW, true}, {wxEVT_LISTBOX_DCLICK, true},
        {wxEVT_ASYNC_METHOD_CALL, true},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.type);
        wxCommandEvent event(item.type);
        EXPECT_EQ(MayChangeTheEvent(event), item.mayChange);
    }
}

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

// The optimiser changes the timetable at every step; while a copy is formatted it waits, so
// the copy is the event at the tick, with the edit made before the optimiser's window opened.
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

// Anything that may change the event, or a dialog's return to the code that opened it, tells a
// copy half formatted first: soon after the tick it starts again, and the copy is the event after
// the change, never a mixture.
TEST_F(AutosaveDriving, AChangeArrivingBetweenPiecesStartsTheCopyAgain) {
    struct Arrival {
        const char* what;
        std::function<void(wxWindow&)> arrive;
    };
    auto* button = new wxButton(frame_, wxID_ANY, "Change");
    // The first piece indexes the bookings: taking them out then would mix the two states.
    Controller().BookUnbookedRequests(false, false);
    auto change = [&] { Schedule()->ClearBookings(); };
    button->Bind(wxEVT_BUTTON, [&](wxCommandEvent&) { change(); });
    const Arrival arrivals[] = {
        {"a button's click",
         [&](wxWindow&) {
             wxCommandEvent click(wxEVT_BUTTON, button->GetId());
             click.SetEventObject(button);
             button->ProcessWindowEvent(click);
         }},
        {"a dialog's return",
         [&](wxWindow& parent) {
             wxDialog dialog(&parent, wxID_ANY, "Editor");
             wxModalDialogHook::CallExit(&dialog);
             change();
         }},
    };
    for (const Arrival& arrival : arrivals) {
        SCOPED_TRACE(arrival.what);
        Controller().BookUnbookedRequests(false, false);
        RenameFirstTeacher(std::string("Before ") + arrival.what);
        const std::string before = Controller().FormatEventText();
        TickAsTheLoopDoes();
        frame_->GetAutosave().Continue(std::chrono::milliseconds(0));
        ASSERT_TRUE(Controller().GetAutosave().IsFormatting());
        arrival.arrive(*frame_);
        RunLoopUntilCopied();
        EXPECT_EQ(CopyBody(), Controller().FormatEventText());
        EXPECT_NE(CopyBody(), before);
    }
}

TEST_F(AutosaveDriving, IdleWorkWaitsWhileACopyIsFormattedAndGoesOnAfter) {
    RenameFirstTeacher("Ada Renamed");
    int idleRuns = 0;
    frame_->Bind(wxEVT_IDLE, [&](wxIdleEvent&) { ++idleRuns; });
    auto idle = [&] {
        wxIdleEvent event;
        frame_->ProcessWindowEvent(event);
    };
    TickAsTheLoopDoes();
    frame_->GetAutosave().Continue(std::chrono::milliseconds(0));
    ASSERT_TRUE(Controller().GetAutosave().IsFormatting());
    idle();
    EXPECT_EQ(idleRuns, 0);
    frame_->GetAutosave().Finish();
    idle();
    EXPECT_EQ(idleRuns, 1);
}

// The road of a crash: the program dies with the editor open after a tick, and the next start
// brings the edit back.
TEST_F(AutosaveDriving, AProgramKilledWithAnEditorOpenAfterATickGetsTheEditBackAtTheNextStart) {
    RenameFirstTeacher("Ada Renamed");
    script_.steps.push_back([&](wxDialog*) {
        const pid_t child = ::fork();
        if (child == 0) {
            // Nothing here talks to the display: the tick and the pieces as the loop runs them.
            wxTimerEvent tick(frame_->GetAutosaveTimer());
            frame_->OnAutosaveTimer(tick);
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (Controller().GetAutosave().IsUnderWay() &&
                   std::chrono::steady_clock::now() < until) {
                frame_->GetAutosave().Continue(std::chrono::milliseconds(8));
                ::usleep(1000);
            }
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
