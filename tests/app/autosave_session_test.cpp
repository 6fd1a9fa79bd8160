#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/autosave_session.h"
#include "app/event_file_format.h"
#include "app/event_file_writer.h"
#include "controller_fixture.h"
#include "foundation/time_of_day.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"
#include "support/generated_schedule.h"
#include "support/school_generator.h"

namespace {

namespace fs = std::filesystem;
using Outcome = AutosaveSession::Outcome;

std::string WholeText(MultiDaySchedule& schedule) {
    FixedTimeEncoding fixed;
    return EventFileWriter(schedule).FormatEventFile();
}

std::string PiecewiseText(MultiDaySchedule& schedule, unsigned people) {
    FixedTimeEncoding fixed;
    EventFileTextPieces pieces(schedule);
    while (!pieces.FormatSome(people)) {
    }
    return pieces.TakeText();
}

struct School {
    const char* name;
    std::function<std::unique_ptr<MultiDaySchedule>()> make;
};

std::vector<School> Schools() {
    return {
        {"an event without people",
         [] { return std::make_unique<MultiDaySchedule>(std::make_shared<Event>()); }},
        {"the small school, booked", [] { return MakeBookedTimetable(SchoolSize::Small(), 3); }},
        {"two days of the small school",
         [] { return MakeBookedTimetable(TwoDaySmallSchool(), 5); }},
        {"the medium school, booked", [] { return MakeBookedTimetable(SchoolSize::Medium(), 7); }},
    };
}

TEST(EventFileTextPieces, GiveTheWholeWritersTextWhateverThePieceSize) {
    for (const School& school : Schools()) {
        SCOPED_TRACE(school.name);
        auto schedule = school.make();
        const std::string whole = WholeText(*schedule);
        ASSERT_FALSE(whole.empty());
        for (unsigned people : {1u, 7u, 16u, 1000000u}) {
            SCOPED_TRACE(people);
            EXPECT_EQ(PiecewiseText(*schedule, people), whole);
        }
    }
}

TEST(EventFileTextPieces, AreWholeAndEmptyAtOnceWithoutDays) {
    auto schedule = std::make_unique<MultiDaySchedule>(std::make_shared<Event>());
    ASSERT_TRUE(schedule->DeleteLastDay());
    EventFileTextPieces pieces(*schedule);
    EXPECT_TRUE(pieces.FormatSome(1));
    EXPECT_EQ(pieces.TakeText(), "");
}

// The controller as the window holds it, with an event opened from a file.
class Autosaving : public ControllerFixture {
protected:
    void OpenSchool(std::unique_ptr<MultiDaySchedule> schedule) {
        // A file of its own each time: opening the open event's file again reads nothing.
        const std::string path = EventPath("school" + std::to_string(++opened_) + ".qmv");
        ASSERT_TRUE(EventFileWriter(*schedule).WriteToPath(path.c_str(), false));
        ASSERT_TRUE(controller_.OpenEventFile(path.c_str())) << sink_.GetText();
    }
    Event& TheEvent() { return *controller_.GetEvent(); }
    int opened_ = 0;
    // The controller's event as its own session sees it.
    std::function<AutosaveSubject()> Subject() {
        return [this] {
            return AutosaveSubject{controller_.GetSchedule(), controller_.GetSavedDigest(),
                                   controller_.GetAutosavePath()};
        };
    }
    std::string Copy() const { return ReadWholeFile(controller_.GetAutosavePath()); }
    // The copy holds exactly the event as it is now.
    void ExpectCopyOfTheEventAsItIs() {
        std::string body;
        ASSERT_TRUE(VerifyAutosaveText(Copy(), &body));
        EXPECT_EQ(body, controller_.FormatEventText());
    }
    // Formats a copy one smallest piece at a time, calling between(piece) after each, then waits
    // for its write.
    Outcome RunInPieces(AutosaveSession& session, const std::function<void(int)>& between) {
        Outcome outcome = Outcome::Pending;
        for (int piece = 0; outcome == Outcome::Pending && session.IsFormatting(); ++piece) {
            outcome = session.Continue(std::chrono::milliseconds(0));
            if (session.IsFormatting()) {
                between(piece);
            }
        }
        return outcome == Outcome::Pending ? session.Finish() : outcome;
    }
};

TEST_F(Autosaving, AnEventAsOpenedIsNotWritten) {
    OpenSchool(MakeBookedTimetable(SchoolSize::Small(), 3));
    AutosaveSession session(Subject());
    ASSERT_TRUE(session.Tick());
    EXPECT_EQ(RunInPieces(session, [](int) {}), Outcome::Unchanged);
    EXPECT_FALSE(controller_.AutosaveFileExists());
    EXPECT_FALSE(session.IsUnderWay());
}

TEST_F(Autosaving, AChangedEventIsWrittenWholeAndStaysChanged) {
    OpenSchool(MakeBookedTimetable(SchoolSize::Small(), 3));
    TheEvent().GetTeachers().Get(0)->SetName("Renamed Teacher");
    AutosaveSession session(Subject());
    ASSERT_TRUE(session.Tick());
    EXPECT_FALSE(session.Tick()) << "a second copy never starts while one is under way";
    EXPECT_EQ(RunInPieces(session, [](int) {}), Outcome::Written);
    ExpectCopyOfTheEventAsItIs();
    EXPECT_TRUE(controller_.IsEventChanged());
}

// A change announced between pieces: soon after the tick the copy starts again and holds the
// event after the change; later it is finished at once and holds the event before it. Either way
// it is one state of the event, whatever the change. A change scope announces its change.
TEST_F(Autosaving, AChangeDuringACopyRestartsItSoonAfterTheTickAndFinishesItLater) {
    struct Change {
        const char* what;
        std::function<void(Event&, MultiDaySchedule&)> make;
    };
    const Change changes[] = {
        {"a teacher renamed",
         [](Event& event, MultiDaySchedule&) { event.GetTeachers().Get(3)->SetName("Zed Last"); }},
        {"a family added",
         [](Event&, MultiDaySchedule& days) {
             auto parent = std::make_unique<Parent>("Aaron Early");
             parent->AddPupil(std::make_unique<Pupil>("Abe Early"));
             ASSERT_TRUE(days.AddParent(std::move(parent)));
         }},
        {"the first family deleted",
         [](Event& event, MultiDaySchedule& days) {
             ASSERT_TRUE(days.DeleteParent(event.GetParents().Get(0)));
         }},
        {"every booking taken out", [](Event&, MultiDaySchedule& days) { days.ClearBookings(); }},
        {"the event renamed", [](Event& event, MultiDaySchedule&) { event.SetName("After"); }},
    };
    for (const bool restarts : {true, false}) {
        for (const Change& change : changes) {
            SCOPED_TRACE(std::string(change.what) + (restarts ? ", restarted" : ", finished"));
            OpenSchool(MakeBookedTimetable(SchoolSize::Small(), 3));
            TheEvent().SetName("Before the change");
            const std::string before = controller_.FormatEventText();
            AutosaveSession session(Subject(), restarts ? std::chrono::hours(1)
                                                        : std::chrono::milliseconds(0));
            ASSERT_TRUE(session.Tick());
            const Outcome outcome = RunInPieces(session, [&](int piece) {
                if (piece == 1) {
                    session.BeforeChange();
                    EXPECT_EQ(session.IsFormatting(), restarts);
                    change.make(TheEvent(), *controller_.GetSchedule());
                }
            });
            EXPECT_EQ(outcome, Outcome::Written);
            std::string body;
            ASSERT_TRUE(VerifyAutosaveText(Copy(), &body));
            EXPECT_EQ(body, restarts ? controller_.FormatEventText() : before);
            EXPECT_NE(controller_.FormatEventText(), before);
            ASSERT_TRUE(controller_.DeleteAutosaveFile());
        }
    }
    OpenSchool(MakeBookedTimetable(SchoolSize::Small(), 3));
    AutosaveSession& own = controller_.GetAutosave();
    TheEvent().SetName("Changed");
    ASSERT_TRUE(own.Tick());
    ASSERT_EQ(own.Continue(std::chrono::milliseconds(0)), Outcome::Pending);
    {
        const QMController::ChangeScope change(controller_);
        TheEvent().SetName("In the scope");
    }
    EXPECT_EQ(own.Finish(), Outcome::Written);
    ExpectCopyOfTheEventAsItIs();
}

TEST_F(Autosaving, AFailedWriteChangesNothingAndSaysWhy) {
    OpenSchool(MakeBookedTimetable(SchoolSize::Small(), 3));
    TheEvent().SetName("Changed");
    // A folder where the copy should go: the write cannot replace it.
    fs::create_directories(controller_.GetAutosavePath() + "/blocked");
    AutosaveSession session(Subject());
    ASSERT_TRUE(session.Tick());
    EXPECT_EQ(session.Finish(), Outcome::Failed);
    EXPECT_TRUE(fs::is_directory(controller_.GetAutosavePath() + "/blocked"));
    ASSERT_EQ(session.FailureReasons().size(), 2u);
    EXPECT_EQ(session.FailureReasons()[0],
              "Cannot open file " + controller_.GetAutosavePath() + ": Is a directory");
    EXPECT_EQ(session.FailureReasons()[1],
              "Could not auto-save to file '" + controller_.GetAutosavePath() + "'");
    EXPECT_EQ(sink_.GetText(), "") << "the window says it, on its own thread";
}

// A program killed while its copy is formatted or written leaves the previous copy or the new
// one, whole, never a mixture.
TEST_F(Autosaving, ACopyKilledAtAnyMomentLeavesAWholeCopy) {
    OpenSchool(MakeBookedTimetable(SchoolSize::Medium(), 7));
    TheEvent().SetName("First");
    AutosaveSession session(Subject());
    ASSERT_TRUE(session.Tick());
    ASSERT_EQ(session.Finish(), Outcome::Written);
    int killedPartWay = 0;
    for (int delayMs : {0, 1, 2, 4, 8, 16, 32, 64, 128}) {
        SCOPED_TRACE(delayMs);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            TheEvent().SetName("Second");
            AutosaveSession copy(Subject());
            const bool written = copy.Tick() && copy.Finish() == Outcome::Written;
            ::_exit(written ? 0 : 1);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        killedPartWay += WIFSIGNALED(status);
        std::string body;
        ASSERT_TRUE(VerifyAutosaveText(Copy(), &body));
        EXPECT_TRUE(body.find("Name \"First\"") != std::string::npos ||
                    body.find("Name \"Second\"") != std::string::npos);
        ASSERT_TRUE(controller_.DeleteAutosaveFile());
        ASSERT_TRUE(session.Tick());
        ASSERT_EQ(session.Finish(), Outcome::Written);
    }
    EXPECT_GT(killedPartWay, 0);
}

// The window's thread writes settings and saves while the worker writes the copy: the two share
// nothing unguarded (ThreadSanitizer runs this).
TEST_F(Autosaving, SettingsAndSavesWrittenWhileTheWorkerWritesTheCopy) {
    OpenSchool(MakeBookedTimetable(SchoolSize::Medium(), 7));
    const std::string saved = EventPath("saved.qmv");
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        TheEvent().SetName("Round " + std::to_string(round));
        AutosaveSession session(Subject());
        ASSERT_TRUE(session.Tick());
        session.FinishFormatting();
        ASSERT_TRUE(session.IsUnderWay());
        EXPECT_TRUE(controller_.GetUserSettings().Set("evolvernumkids", std::to_string(round)));
        EXPECT_TRUE(controller_.SaveUserSettings());
        EXPECT_TRUE(controller_.SaveEvent(saved.c_str())) << sink_.GetText();
        EXPECT_EQ(session.Finish(), Outcome::Written);
    }
}

TEST_F(Autosaving, NothingStartsWithoutAnEvent) {
    AutosaveSession session(Subject());
    EXPECT_FALSE(session.Tick());
    EXPECT_EQ(session.Continue(std::chrono::milliseconds(10)), Outcome::Pending);
    EXPECT_FALSE(session.IsUnderWay());
}

// The worker is looked in on, never waited for, until it is done; each outcome comes once.
TEST_F(Autosaving, TheWriteIsLookedInOnUntilItIsDone) {
    OpenSchool(MakeBookedTimetable(SchoolSize::Medium(), 7));
    TheEvent().SetName("Changed");
    AutosaveSession session(Subject());
    ASSERT_TRUE(session.Tick());
    Outcome outcome = Outcome::Pending;
    int looks = 0;
    while ((outcome = session.Continue(std::chrono::milliseconds(2))) == Outcome::Pending) {
        ++looks;
    }
    EXPECT_EQ(outcome, Outcome::Written);
    EXPECT_GT(looks, 0);
    EXPECT_EQ(session.Continue(std::chrono::milliseconds(2)), Outcome::Pending);
    ExpectCopyOfTheEventAsItIs();
}

}  // namespace
