#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/stattext.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/event_file_writer.h"
#include "app/optimise_session.h"
#include "app/qm_controller.h"
#include "gui/dialogs/dpi_scope.h"
#include "gui/dialogs/optimise_dlg.h"
#include "gui/support/gui_test.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"
#include "support/generated_schedule.h"

namespace {

// Counts the repaints the dialog asks of the timetable view.
class CountingView : public wxWindow {
public:
    explicit CountingView(wxWindow* parent) : wxWindow(parent, wxID_ANY) {}
    void Refresh(bool erase, const wxRect* rect) override {
        erased += erase && rect == nullptr;
        wxWindow::Refresh(erase, rect);
    }
    int erased = 0;
};

class OptimiseWindow : public GuiTest {
protected:
    ~OptimiseWindow() override { Score::SetCompareSwitches(switches_); }

    MultiDaySchedule& LoadSchool(unsigned seed) {
        school_ = GenerateSchool(SchoolSize::Small(), seed);
        srand(seed);
        auto timetable = MakeTimetable(school_);
        EXPECT_TRUE(timetable->BookAll(BookRandomThenOrderKey));
        controller_.SetEvent(std::move(timetable));
        return *controller_.GetSchedule();
    }
    static void Idle(OptimiseDlg& dialog, int times = 1) {
        for (int i = 0; i < times; ++i) {
            wxIdleEvent idle;
            dialog.OnIdle(idle);
        }
    }
    static std::string Text(const OptimiseDlg& dialog, int line) {
        return dialog.GetTexts()[line]->GetLabel().utf8_str().data();
    }
    static std::string EventText(MultiDaySchedule& timetable) {
        srand(1);
        return EventFileWriter(timetable).FormatEventFile();
    }

    ScoreCompareSwitches switches_ = Score::GetCompareSwitches();
    GeneratedSchool school_;
    QMController controller_;
};

TEST_F(OptimiseWindow, BeforeTheFirstStepItShowsTheScoreInAnUnscaledGauge) {
    ScopedEnv dpi(kDpiOverrideVariable, "144");
    MultiDaySchedule& timetable = LoadSchool(3);
    OptimiseDlg dialog(TopWindow(), &controller_);
    EXPECT_EQ(dialog.GetTitle(), "Optimisation");
    EXPECT_EQ(dialog.GetGauge()->GetSize(), wxSize(400, 20));
    EXPECT_EQ(dialog.GetGauge()->GetRange(), 100);
    EXPECT_EQ(dialog.GetGauge()->GetValue(), 0);
    EXPECT_EQ(Text(dialog, 0), "This pass:  0%");
    EXPECT_EQ(Text(dialog, 1), "0 passes completed");
    const auto lines = FormatScoreLines(timetable.GetScore());
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(Text(dialog, i + 2), lines[i]);
    }
    auto* stop = wxDynamicCast(dialog.FindWindow(wxID_CANCEL), wxButton);
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop->GetLabel(), "Stop");
}

TEST_F(OptimiseWindow, IdleTicksRunPassesAndRepaintTheViewAfterEach) {
    LoadSchool(4);
    OptimiseDlg dialog(TopWindow(), &controller_);
    auto* view = new CountingView(TopWindow());
    dialog.SetView(view);
    int ticks = 0;
    while (dialog.GetSession().GetPasses() < 2 && ticks < 100000) {
        Idle(dialog);
        ++ticks;
    }
    ASSERT_EQ(dialog.GetSession().GetPasses(), 2);
    EXPECT_EQ(view->erased, 2);
    EXPECT_EQ(Text(dialog, 1), "2 passes completed");
    EXPECT_EQ(Text(dialog, 0), dialog.GetSession().GetPassText());
    EXPECT_EQ(dialog.GetGauge()->GetValue(), dialog.GetSession().GetPercent());
    EXPECT_EQ(Text(dialog, 2), FormatScoreLines(controller_.GetSchedule()->GetScore())[0]);
}

TEST_F(OptimiseWindow, StopBeforeAPassCompletesEndsTheRunAndLeavesTheEvent) {
    MultiDaySchedule& timetable = LoadSchool(2);
    timetable.ClearModified();
    const std::string before = EventText(timetable);
    OptimiseDlg dialog(TopWindow(), &controller_);
    Idle(dialog, 5);
    wxCommandEvent stop(wxEVT_BUTTON, wxID_CANCEL);
    stop.SetEventObject(dialog.FindWindow(wxID_CANCEL));
    dialog.ProcessWindowEvent(stop);
    EXPECT_EQ(dialog.GetSession().GetOutcome(), OptimiseSession::Stopped);
    Idle(dialog, 3);
    EXPECT_EQ(Text(dialog, 1), "0 passes completed");
    EXPECT_EQ(EventText(timetable), before);
    EXPECT_FALSE(timetable.IsModified());
}

TEST_F(OptimiseWindow, APerfectOrUnstartableRunEndsWithOK) {
    // One request, booked: already perfect.
    auto timetable = std::make_unique<MultiDaySchedule>(std::make_shared<Event>());
    auto teacher = std::make_unique<Teacher>("Ann Teacher");
    Teacher* ann = teacher.get();
    ASSERT_TRUE(timetable->AddTeacher(std::move(teacher)));
    auto parent = std::make_unique<Parent>("Bob Parent");
    auto pupil = std::make_unique<Pupil>("Cy Pupil");
    ASSERT_TRUE(pupil->AddRequest(ann, "Maths", 1, 1));
    ASSERT_TRUE(parent->AddPupil(std::move(pupil)));
    ASSERT_TRUE(timetable->AddParent(std::move(parent)));
    ASSERT_TRUE(timetable->BookAll(BookRandomThenOrderKey));
    controller_.SetEvent(std::move(timetable));
    {
        OptimiseDlg dialog(TopWindow(), &controller_);
        dialog.SetReturnCode(0);
        Idle(dialog);
        EXPECT_EQ(dialog.GetSession().GetOutcome(), OptimiseSession::Perfect);
        EXPECT_EQ(dialog.GetReturnCode(), wxID_OK);
    }
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"The schedule is completely optimised"});

    // Without parents there is nothing to optimise.
    controller_.SetEvent(std::make_unique<MultiDaySchedule>(std::make_shared<Event>()));
    OptimiseDlg empty(TopWindow(), &controller_);
    empty.SetReturnCode(0);
    Idle(empty, 3);
    EXPECT_EQ(empty.GetSession().GetOutcome(), OptimiseSession::FailedToStart);
    EXPECT_EQ(empty.GetReturnCode(), wxID_OK);
    EXPECT_EQ(sink_.Texts().back(), "Cannot optimise the current schedule");
}

}  // namespace
