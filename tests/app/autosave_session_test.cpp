#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <utility>
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

// A child that is still making its copy when the window goes on.
pid_t SlowFork() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::usleep(200 * 1000);
    }
    return child;
}

// A child that never ends by itself, as one stopped before it ended.
pid_t StoppedFork() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::raise(SIGSTOP);
        ::_exit(0);
    }
    return child;
}

pid_t NoFork() {
    errno = EAGAIN;
    return -1;
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
    std::string CopyBody() {
        std::string body;
        EXPECT_TRUE(VerifyAutosaveText(Copy(), &body));
        return body;
    }
};

struct Maker {
    const char* name;
    AutosaveSession::Spawn spawn;
};

const Maker kMakers[] = {
    {"a child", nullptr},
    {"a slow child", SlowFork},
    {"the window's thread, without a child", NoFork},
};

TEST_F(Autosaving, OnlyAChangedEventIsWrittenWholeAndItStaysChanged) {
    for (const Maker& maker : kMakers) {
        SCOPED_TRACE(maker.name);
        OpenSchool(MakeBookedTimetable(SchoolSize::Small(), 3));
        AutosaveSession session(Subject(), maker.spawn);
        ASSERT_TRUE(session.Tick());
        EXPECT_EQ(session.Wait(), Outcome::Unchanged);
        EXPECT_FALSE(controller_.AutosaveFileExists());

        TheEvent().GetTeachers().Get(0)->SetName("Renamed Teacher");
        ASSERT_TRUE(session.Tick());
        EXPECT_FALSE(session.Tick()) << "a second copy never starts while one is under way";
        EXPECT_EQ(session.Wait(), Outcome::Written);
        EXPECT_FALSE(session.IsUnderWay());
        EXPECT_EQ(CopyBody(), controller_.FormatEventText());
        EXPECT_TRUE(controller_.IsEventChanged());
        ASSERT_TRUE(controller_.DeleteAutosaveFile());
    }
}

// The copy is the event at its tick, whatever changes it afterwards and whether or not the
// change is announced.
TEST_F(Autosaving, AChangeAfterTheTickNeverReachesTheCopy) {
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
        {"the first and last teachers moved, one at a time",
         [](Event& event, MultiDaySchedule&) {
             TeacherList& teachers = event.GetTeachers();
             for (int step = 0; step < 2000; ++step) {
                 teachers.Get(0)->SetLocation("Step " + std::to_string(step));
                 teachers.Get(teachers.Count() - 1)->SetLocation("Step " + std::to_string(step));
             }
         }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        OpenSchool(MakeBookedTimetable(SchoolSize::Medium(), 7));
        TheEvent().SetName("At the tick");
        const std::string atTick = controller_.FormatEventText();
        AutosaveSession session(Subject(), SlowFork);
        ASSERT_TRUE(session.Tick());
        change.make(TheEvent(), *controller_.GetSchedule());
        EXPECT_EQ(session.Wait(), Outcome::Written);
        EXPECT_EQ(CopyBody(), atTick);
        EXPECT_NE(controller_.FormatEventText(), atTick);
        ASSERT_TRUE(controller_.DeleteAutosaveFile());
    }
}

TEST_F(Autosaving, AFailedCopyChangesNothingAndSaysWhy) {
    OpenSchool(MakeBookedTimetable(SchoolSize::Small(), 3));
    TheEvent().SetName("Changed");
    const std::string path = controller_.GetAutosavePath();
    // A folder where the copy should go: the write cannot replace it.
    fs::create_directories(path + "/blocked");
    for (const Maker& maker : kMakers) {
        SCOPED_TRACE(maker.name);
        AutosaveSession session(Subject(), maker.spawn);
        ASSERT_TRUE(session.Tick());
        EXPECT_EQ(session.Wait(), Outcome::Failed);
        EXPECT_TRUE(fs::is_directory(path + "/blocked"));
        EXPECT_EQ(session.FailureReasons(),
                  (std::vector<std::string>{"Cannot open file " + path + ": Is a directory",
                                            "Could not auto-save to file '" + path + "'"}));
        EXPECT_EQ(sink_.GetText(), "") << "the window says it, on its own thread";
    }
    fs::remove_all(path);
    ASSERT_TRUE(controller_.GetSchedule()->DeleteLastDay());
    (void)sink_.GetText();  // the day's talks went with it
    AutosaveSession session(Subject());
    ASSERT_TRUE(session.Tick());
    EXPECT_EQ(session.Wait(), Outcome::Failed);
    EXPECT_EQ(session.FailureReasons(),
              (std::vector<std::string>{"Cannot save: event contains no days",
                                        "Could not auto-save to file '" + path + "'"}));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(sink_.GetText(), "");
}

// A program killed while its copy is written leaves the previous copy or the new one, whole,
// never a mixture.
TEST_F(Autosaving, ACopyKilledAtAnyMomentLeavesAWholeCopy) {
    OpenSchool(MakeBookedTimetable(SchoolSize::Medium(), 7));
    TheEvent().SetName("First");
    AutosaveSession session(Subject());
    ASSERT_EQ(session.CopyNow(), Outcome::Written);
    int killedPartWay = 0;
    for (int delayMs : {0, 1, 2, 4, 8, 16, 32, 64, 128}) {
        SCOPED_TRACE(delayMs);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            TheEvent().SetName("Second");
            AutosaveSession copy(Subject());
            ::_exit(copy.CopyNow() == Outcome::Written ? 0 : 1);
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
        ASSERT_EQ(session.CopyNow(), Outcome::Written);
    }
    EXPECT_GT(killedPartWay, 0);
}

// Whatever saves, replaces or closes the event, removes the copy or writes it at once ends the
// copy under way then and there, silently, so that its older text never lands after them.
TEST_F(Autosaving, WhatComesAfterACopyUnderWayEndsItAtOnce) {
    struct After {
        const char* what;
        std::function<void()> run;
        bool copyStays;
    };
    const std::string saved = EventPath("saved.qmv");
    const std::string copy = controller_.GetAutosavePath();
    const After afters[] = {
        {"a save", [&] { EXPECT_TRUE(controller_.SaveEvent(saved.c_str())); }, false},
        {"the copy removed", [&] { EXPECT_TRUE(controller_.DeleteAutosaveFile()); }, false},
        {"a copy now", [&] { EXPECT_TRUE(controller_.Autosave()); }, true},
        // Last: the controller forgets where copies go.
        {"the event closed", [&] { controller_.CloseEvent(); }, false},
    };
    for (const After& after : afters) {
        SCOPED_TRACE(after.what);
        OpenSchool(MakeBookedTimetable(SchoolSize::Medium(), 7));
        TheEvent().SetName(after.what);
        AutosaveSession& session = controller_.GetAutosave();
        session.SetSpawn(SlowFork);
        ASSERT_TRUE(session.Tick());
        after.run();
        EXPECT_FALSE(session.IsUnderWay());
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(fs::exists(copy), after.copyStays);
        fs::remove(copy);
        session.SetSpawn(nullptr);
    }
    EXPECT_EQ(sink_.GetText(), "");
}

// A copy that never ends holds up nothing: one made unwanted is ended at once and silently;
// one nobody waits for is given up at its bound or the next tick, and said once with why. It
// leaves nothing behind, and the next tick makes a copy.
TEST_F(Autosaving, AChildThatNeverEndsIsEndedAndOnlyAGivenUpOneIsTold) {
    const std::string saved = EventPath("saved.qmv");
    const auto told = [](const std::string& path) {
        return "Error: The autosave copy was still being written when the next one was due, so "
               "it was given up\nError: Could not auto-save to file '" +
               path + "'\nError: Auto save failed!\n";
    };
    const auto giveUp = [](AutosaveSession& session, Outcome outcome) {
        EXPECT_EQ(outcome, Outcome::Failed);
        session.ReportFailure();
    };
    struct Road {
        const char* what;
        std::function<void(AutosaveSession&)> run;
        bool said;
    };
    const Road roads[] = {
        {"a save", [&](AutosaveSession&) { EXPECT_TRUE(controller_.SaveEvent(saved.c_str())); },
         false},
        {"the event closed", [&](AutosaveSession&) { controller_.CloseEvent(); }, false},
        {"a look past the bound",
         [&](AutosaveSession& session) {
             Outcome outcome = Outcome::Pending;
             while ((outcome = session.Look()) == Outcome::Pending) {
                 std::this_thread::sleep_for(std::chrono::milliseconds(5));
             }
             giveUp(session, outcome);
         },
         true},
        {"the next tick", [&](AutosaveSession& session) { giveUp(session, session.EndOverdue()); },
         true},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.what);
        OpenSchool(MakeBookedTimetable(SchoolSize::Small(), 3));
        TheEvent().SetName("Changed");
        const std::string path = controller_.GetAutosavePath();
        AutosaveSession& session = controller_.GetAutosave();
        // Only the look goes past its bound; anything that waited for it would take a minute.
        const bool looks = std::string(road.what) == "a look past the bound";
        session.SetSpawn(StoppedFork,
                         looks ? std::chrono::milliseconds(300) : std::chrono::milliseconds(60000));
        ASSERT_TRUE(session.Tick());
        const auto begun = std::chrono::steady_clock::now();
        road.run(session);
        EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(30))
            << "it was waited for";
        EXPECT_FALSE(session.IsUnderWay());
        EXPECT_EQ(sink_.GetText(), road.said ? told(path) : "");
        EXPECT_FALSE(fs::exists(path));
        if (controller_.GetSchedule() == nullptr) {
            controller_.Initialise();
            OpenSchool(MakeBookedTimetable(SchoolSize::Small(), 3));
        }
        TheEvent().SetName("Changed again");
        session.SetSpawn(nullptr);
        ASSERT_TRUE(session.Tick());
        EXPECT_EQ(session.Wait(), Outcome::Written);
        ASSERT_TRUE(controller_.DeleteAutosaveFile());
        for (const auto& left : fs::directory_iterator(DataFolder())) {
            const std::string name = left.path().filename().string();
            EXPECT_TRUE(name.rfind(".autosave", 0) != 0 || name.find(".owner") != std::string::npos)
                << left.path();
        }
    }
    // The program's end ends it as well, saying nothing.
    {
        AutosaveSession ending(Subject(), StoppedFork, std::chrono::milliseconds(300));
        ASSERT_TRUE(ending.Tick());
    }
    EXPECT_EQ(sink_.GetText(), "");
}

// A copy slower than the old three seconds' bound, as a busy machine makes one, is not given
// up while nobody waits for it.
TEST_F(Autosaving, ASlowCopyNobodyWaitsForIsKept) {
    OpenSchool(MakeBookedTimetable(SchoolSize::Small(), 3));
    TheEvent().SetName("Slowly");
    AutosaveSession session(Subject(), [] {
        const pid_t child = ::fork();
        if (child == 0) {
            ::usleep(3500 * 1000);
        }
        return child;
    });
    ASSERT_TRUE(session.Tick());
    Outcome outcome = Outcome::Pending;
    while ((outcome = session.Look()) == Outcome::Pending) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(outcome, Outcome::Written) << testing::PrintToString(session.FailureReasons());
    EXPECT_NE(CopyBody().find("Slowly"), std::string::npos);
}

TEST_F(Autosaving, NothingStartsWithoutAnEvent) {
    AutosaveSession session(Subject());
    EXPECT_FALSE(session.Tick());
    EXPECT_EQ(session.Look(), Outcome::Pending);
    EXPECT_EQ(session.Wait(), Outcome::Pending);
    EXPECT_EQ(session.CopyNow(), Outcome::Unchanged);
    EXPECT_FALSE(session.IsUnderWay());
}

// The child is looked in on, never waited for, until it is done; each outcome comes once.
TEST_F(Autosaving, TheCopyIsLookedInOnUntilItIsDone) {
    OpenSchool(MakeBookedTimetable(SchoolSize::Medium(), 7));
    TheEvent().SetName("Changed");
    AutosaveSession session(Subject(), SlowFork);
    ASSERT_TRUE(session.Tick());
    Outcome outcome = Outcome::Pending;
    int looks = 0;
    while ((outcome = session.Look()) == Outcome::Pending) {
        ++looks;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(outcome, Outcome::Written);
    EXPECT_GT(looks, 0);
    EXPECT_EQ(session.Look(), Outcome::Pending);
    EXPECT_FALSE(session.IsUnderWay());
    EXPECT_EQ(CopyBody(), controller_.FormatEventText());
}

}  // namespace

namespace {

// A copy begun before a save, a removal or a copy of the unchanged event (as a script's
// watchdog begins one) never lands after it, whether or not a copy was on disk.
TEST_F(Autosaving, ACopyBegunBeforeTheCopyIsGoneNeverLandsAfter) {
    const std::string saved = EventPath("saved.qmv");
    const std::pair<const char*, std::function<void()>> goings[] = {
        {"a save", [&] { EXPECT_TRUE(controller_.SaveEvent(saved.c_str())); }},
        {"the copy removed", [&] { EXPECT_TRUE(controller_.DeleteAutosaveFile()); }},
        {"a copy of the event undone",
         [&] {
             TheEvent().SetName("Spring");
             EXPECT_EQ(controller_.GetAutosave().CopyNow(), Outcome::Unchanged);
         }},
    };
    for (const auto& [what, going] : goings) {
        for (const bool copyOnDisk : {false, true}) {
            SCOPED_TRACE(std::string(what) + (copyOnDisk ? ", a copy on disk" : ", no copy"));
            OpenSchool(MakeBookedTimetable(SchoolSize::Small(), 3));
            TheEvent().SetName("Spring");
            ASSERT_TRUE(controller_.SaveEvent(saved.c_str()));
            TheEvent().SetName("Before");
            if (copyOnDisk) {
                ASSERT_EQ(controller_.GetAutosave().CopyNow(), Outcome::Written);
            }
            const AutosaveSession::Moment begun = AutosaveSession::TakeMoment();
            const std::string text = controller_.FormatEventText();
            const std::string digest = controller_.GetSavedDigest();
            going();
            EXPECT_EQ(
                AutosaveSession::WriteIfChanged(text, digest, controller_.GetAutosavePath(), begun)
                    .outcome,
                Outcome::Overtaken);
            EXPECT_FALSE(controller_.AutosaveFileExists());
        }
    }
    EXPECT_EQ(sink_.GetText(), "");
}

}  // namespace

namespace {

// A copy written beside the window (a script watchdog's) whose folder sync is held up by a slow
// disk holds up no save, removal or copy of the window's.
TEST_F(Autosaving, NoRoadOfTheWindowWaitsForAnotherCopysFolderSync) {
    const std::string saved = EventPath("saved.qmv");
    const std::pair<const char*, std::function<void()>> roads[] = {
        {"a save", [&] { EXPECT_TRUE(controller_.SaveEvent(saved.c_str())); }},
        {"the copy removed", [&] { EXPECT_TRUE(controller_.DeleteAutosaveFile()); }},
        {"a copy now, as a forced close makes", [&] { EXPECT_TRUE(controller_.Autosave()); }},
    };
    for (const auto& [what, road] : roads) {
        SCOPED_TRACE(what);
        OpenSchool(MakeBookedTimetable(SchoolSize::Small(), 3));
        TheEvent().SetName("Changed");
        std::promise<void> syncing;
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        std::atomic<bool> first{true};
        AutosaveSession::SetFolderSync([&](const std::string&) {
            if (first.exchange(false)) {
                syncing.set_value();
                released.wait_for(std::chrono::seconds(20));
            }
        });
        const AutosaveSession::Moment moment = AutosaveSession::TakeMoment();
        std::thread watchdog([&, text = controller_.FormatEventText(),
                              digest = controller_.GetSavedDigest(),
                              path = controller_.GetAutosavePath()] {
            (void)AutosaveSession::WriteIfChanged(text, digest, path, moment);
        });
        const bool synced =
            syncing.get_future().wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        EXPECT_TRUE(synced) << "the folder was synced under the lock";
        std::future<void> done = std::async(std::launch::async, road);
        EXPECT_EQ(done.wait_for(std::chrono::seconds(5)), std::future_status::ready)
            << "held up by the other copy's sync";
        release.set_value();
        done.get();
        watchdog.join();
        AutosaveSession::SetFolderSync(nullptr);
        (void)controller_.DeleteAutosaveFile();
    }
    EXPECT_EQ(sink_.GetText(), "");
}

}  // namespace
