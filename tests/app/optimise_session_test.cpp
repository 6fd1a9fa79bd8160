#include "app/optimise_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "app/event_file_writer.h"
#include "app/qm_controller.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/person_list.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"
#include "optimiser/optimise_run.h"
#include "support/generated_schedule.h"
#include "support/score_switches.h"

namespace {

constexpr std::chrono::milliseconds kOnePiece{0};

// Each test gets its own controller; the standalone score switches are put back afterwards.
class OptimiseSessionTest : public ::testing::Test {
protected:
    // The small generated school, booked once, as the controller's event.
    MultiDaySchedule& LoadSchool(unsigned seed) {
        school_ = GenerateSchool(SchoolSize::Small(), seed);
        srand(seed);
        auto timetable = MakeTimetable(school_);
        EXPECT_TRUE(timetable->BookAll(BookRandomThenOrderKey));
        controller_.SetEvent(std::move(timetable));
        return *controller_.GetSchedule();
    }

    // One teacher and one parent whose only request is still unbooked (booked: every fault gone).
    MultiDaySchedule& LoadSingleRequest(bool booked) {
        auto event = std::make_shared<Event>();
        auto timetable = std::make_unique<MultiDaySchedule>(event);
        auto teacher = std::make_unique<Teacher>("Ann Teacher");
        Teacher* t = teacher.get();
        EXPECT_TRUE(timetable->AddTeacher(std::move(teacher)));
        auto parent = std::make_unique<Parent>("Bob Parent");
        auto pupil = std::make_unique<Pupil>("Cy Pupil");
        EXPECT_TRUE(pupil->AddRequest(t, "Maths", 1, 1));
        EXPECT_TRUE(parent->AddPupil(std::move(pupil)));
        EXPECT_TRUE(timetable->AddParent(std::move(parent)));
        if (booked) {
            EXPECT_TRUE(timetable->BookAll(BookRandomThenOrderKey));
        }
        controller_.SetEvent(std::move(timetable));
        return *controller_.GetSchedule();
    }

    // Booked times are written with random padding; the same seed makes equal events read alike.
    static std::string EventText(MultiDaySchedule& timetable) {
        srand(1);
        return EventFileWriter(timetable).FormatEventFile();
    }

    StandaloneScoreSwitches switches_;
    UCStringError sink_;
    GeneratedSchool school_;
    QMController controller_;
};

TEST(OptimiseScoreLines, ShowTheValueOutOfAThousandUnclampedAndEachCounter) {
    struct Case {
        const char* name;
        Score score;
        std::string first;
    };
    Score faults;
    faults.Unbooked = 3;
    faults.TeacherWaiting = 4;  // counts twice
    faults.TeacherOverBlock = 5;
    faults.ParentWaiting = 6;
    faults.SiblingSeparation = 7;
    faults.Attendance = 8;  // not in the value
    Score heavy;
    heavy.ParentWaiting = 1200;
    const Case cases[] = {
        {"perfect", Score(), "Current score: 1000 of a possible 1000"},
        {"faults", faults, "Current score: 974 of a possible 1000"},
        {"penalties beyond the thousand", heavy, "Current score: -200 of a possible 1000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FormatScoreLines(c.score)[0], c.first);
    }
    const std::array<std::string, 7> expected = {
        "Current score: 974 of a possible 1000",
        "3 unbooked appointments",
        "4 slots teacher waiting too long",
        "6 slots parent waiting too long",
        "5 slots teacher busy too long",
        "7 slots sibling appointment separation",
        "8 slots total attendance",
    };
    EXPECT_EQ(FormatScoreLines(faults), expected);
}

TEST_F(OptimiseSessionTest, BeforeTheFirstStepTheTextsShowNothingDoneAndTheTimetablesScore) {
    MultiDaySchedule& timetable = LoadSchool(3);
    OptimiseSession session(controller_);
    EXPECT_EQ(session.GetPassText(), "This pass:  0%");
    EXPECT_EQ(session.GetPassesText(), "0 passes completed");
    EXPECT_EQ(session.GetPercent(), 0);
    EXPECT_EQ(session.GetScoreLines(), FormatScoreLines(timetable.GetScore()));
    EXPECT_EQ(session.GetScoreLines()[0].rfind("Current score: ", 0), 0u);
    EXPECT_FALSE(timetable.GetScore().IsPerfect());

    // The ticks that seed the population leave the texts alone.
    session.Tick();
    ASSERT_EQ(session.GetPopulation(), 10);
    EXPECT_EQ(session.GetPassText(), "This pass:  0%");
    EXPECT_FALSE(session.IsFinished());
}

TEST_F(OptimiseSessionTest, PopulationComesFromTheUserSetting) {
    struct Case {
        const char* value;  // null: no setting
        int population;
    };
    const Case cases[] = {{nullptr, 10}, {"", 10}, {"1", 2}, {"0", 2},
                          {"-3", 2},     {"x", 2}, {"7", 7}, {"500", 200}};
    LoadSchool(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value != nullptr ? c.value : "absent");
        controller_.GetUserSettings().Delete("evolvernumkids");
        if (c.value != nullptr) {
            ASSERT_TRUE(controller_.GetUserSettings().Set("evolvernumkids", c.value));
        }
        OptimiseSession session(controller_, kOnePiece);
        EXPECT_EQ(session.GetPopulation(), 0);
        session.Tick();
        EXPECT_EQ(session.GetPopulation(), c.population);
    }
}

TEST_F(OptimiseSessionTest, AnAlreadyPerfectTimetableEndsWithTheNoticeAndNoRun) {
    MultiDaySchedule& timetable = LoadSingleRequest(true);
    const std::string before = EventText(timetable);
    OptimiseSession session(controller_);
    EXPECT_EQ(session.GetScoreLines()[0], "Current score: 1000 of a possible 1000");
    EXPECT_FALSE(session.Tick());
    EXPECT_EQ(session.GetOutcome(), OptimiseSession::Perfect);
    EXPECT_EQ(sink_.GetText(), "The schedule is completely optimised\n");
    EXPECT_EQ(session.GetPopulation(), 0);
    EXPECT_EQ(EventText(timetable), before);
    // Later ticks find the run over.
    EXPECT_FALSE(session.Tick());
    EXPECT_EQ(sink_.GetText(), "");
}

TEST_F(OptimiseSessionTest, NoEventReadsAsPerfectWithEmptyScoreLines) {
    OptimiseSession session(controller_);
    for (const std::string& line : session.GetScoreLines()) {
        EXPECT_EQ(line, "");
    }
    session.Tick();
    EXPECT_EQ(session.GetOutcome(), OptimiseSession::Perfect);
    EXPECT_EQ(sink_.GetText(), "The schedule is completely optimised\n");
}

// Locked, or without parents (whose empty timetable scores perfect): nothing to run.
TEST_F(OptimiseSessionTest, AnEventThatCannotBeOptimisedSaysSoAndStaysAsItWas) {
    for (bool locked : {true, false}) {
        SCOPED_TRACE(locked ? "locked" : "no parents");
        MultiDaySchedule& timetable = LoadSingleRequest(false);
        if (locked) {
            controller_.GetEvent()->SetLocked(true);
        } else {
            Parent* parent = controller_.GetEvent()->GetParents().At(0);
            ASSERT_TRUE(timetable.DeleteParent(parent));
        }
        const std::string before = EventText(timetable);
        OptimiseSession session(controller_);
        EXPECT_EQ(session.GetScore().IsPerfect(), !locked);
        EXPECT_FALSE(session.Tick());
        EXPECT_EQ(session.GetOutcome(), OptimiseSession::FailedToStart);
        const std::string said = sink_.GetText();
        EXPECT_NE(said.find("Error: Cannot optimise the current schedule\n"), std::string::npos);
        EXPECT_EQ(said.find("completely optimised"), std::string::npos);
        EXPECT_EQ(session.GetPassesText(), "0 passes completed");
        EXPECT_EQ(EventText(timetable), before);
    }
}

TEST_F(OptimiseSessionTest, AScoreMadePerfectByAPassEndsTheRunWithoutNotice) {
    MultiDaySchedule& timetable = LoadSingleRequest(false);
    OptimiseSession session(controller_, kOnePiece);
    EXPECT_EQ(session.GetScoreLines()[1], "1 unbooked appointments");
    int ticks = 0;
    bool passCompleted = false;
    for (; !session.IsFinished() && ticks < 1000; ++ticks) {
        passCompleted = session.Tick();
    }
    EXPECT_TRUE(passCompleted);
    EXPECT_EQ(session.GetOutcome(), OptimiseSession::Perfect);
    EXPECT_EQ(session.GetPasses(), 1);
    EXPECT_EQ(session.GetPassesText(), "1 passes completed");
    EXPECT_EQ(session.GetScoreLines()[1], "0 unbooked appointments");
    EXPECT_EQ(timetable.GetScore().Unbooked, 0u);
    EXPECT_EQ(sink_.GetText(), "");
}

// Stop at any point before the first pass ends, even one piece before: nothing of the run
// reaches the event.
TEST_F(OptimiseSessionTest, StopBeforeTheFirstPassLeavesTheEventExactlyAsItWas) {
    // Each run loads the same school and draws the same numbers, so the first pass always
    // ends on the same tick.
    auto load = [this](std::string* text) -> MultiDaySchedule& {
        MultiDaySchedule& timetable = LoadSchool(2);
        controller_.GetEvent()->ClearModified();
        timetable.ClearModified();
        *text = EventText(timetable);
        return timetable;
    };
    std::string before;
    load(&before);
    int passTick = 1;
    {
        OptimiseSession session(controller_, kOnePiece);
        while (!session.Tick() && passTick < 10000) {
            ++passTick;
        }
    }
    for (int ticksBeforeStop : {0, 1, passTick / 4, passTick - 1}) {
        SCOPED_TRACE(ticksBeforeStop);
        MultiDaySchedule& timetable = load(&before);
        OptimiseSession session(controller_, kOnePiece);
        for (int i = 0; i < ticksBeforeStop; ++i) {
            ASSERT_FALSE(session.Tick());
        }
        if (ticksBeforeStop == passTick - 1) {
            EXPECT_EQ(session.GetPassText(), "This pass: Testing start positions 100%");
        }
        session.Stop();
        EXPECT_EQ(session.GetOutcome(), OptimiseSession::Stopped);
        EXPECT_FALSE(session.Tick());
        EXPECT_EQ(session.GetPassesText(), "0 passes completed");
        EXPECT_EQ(EventText(timetable), before);
        EXPECT_FALSE(timetable.IsModified());
    }
}

// The window's run, a piece a tick, against the headless run of the same seed.
TEST_F(OptimiseSessionTest, ARunTickByTickEndsAsTheHeadlessRunAndShowsItsProgress) {
    constexpr int kPasses = 8;
    GeneratedSchool headlessSchool = GenerateSchool(SchoolSize::Small(), 6);
    headlessSchool.event->MakeScoreSwitchesCurrent();
    srand(6);
    auto headless = MakeTimetable(headlessSchool);
    ASSERT_TRUE(headless->BookAll(BookRandomThenOrderKey));
    ASSERT_TRUE(RunOptimiser(*headless, kPasses, OptimiseSession::kDefaultKids));

    MultiDaySchedule& timetable = LoadSchool(6);
    OptimiseSession session(controller_, kOnePiece);
    int passes = 0;
    bool sawTesting = false;
    while (passes < kPasses && !session.IsFinished()) {
        const bool passCompleted = session.Tick();
        if (session.GetPopulation() == 0) {
            continue;
        }
        passes += passCompleted ? 1 : 0;
        EXPECT_EQ(session.GetPasses(), passes);
        EXPECT_EQ(session.GetPassesText(), std::to_string(passes) + " passes completed");
        const std::string percent = " " + std::to_string(session.GetPercent()) + "%";
        const std::string& text = session.GetPassText();
        ASSERT_GE(text.size(), percent.size());
        EXPECT_EQ(text.substr(text.size() - percent.size()), percent);
        if (passCompleted) {
            // A new pass begins with its first candidate in hand.
            EXPECT_EQ(session.GetPercent(), 10);
            EXPECT_EQ(session.GetScoreLines(), FormatScoreLines(timetable.GetScore()));
        }
        sawTesting = sawTesting || text.rfind("This pass: Testing start positions ", 0) == 0;
    }
    EXPECT_TRUE(sawTesting);
    EXPECT_EQ(passes, kPasses);
    EXPECT_EQ(EventText(timetable), EventText(*headless));
    EXPECT_TRUE(timetable.GetScore() == headless->GetScore());
}

// A message box opened during a tick runs a loop of its own that delivers further ticks.
TEST_F(OptimiseSessionTest, ATickFromInsideAMessageShownByATickDoesNothing) {
    LoadSingleRequest(true);
    OptimiseSession session(controller_);
    struct NestingSink : UCError {
        OptimiseSession* session = nullptr;
        int reports = 0;
        void Report(int, const char*) override {
            ++reports;
            EXPECT_FALSE(session->Tick());
        }
        using UCError::Report;
    } nesting;
    nesting.session = &session;
    session.Tick();
    EXPECT_EQ(nesting.reports, 1);
    EXPECT_EQ(session.GetOutcome(), OptimiseSession::Perfect);
}

}  // namespace
