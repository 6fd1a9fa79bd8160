#include "app/qm_controller.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/controller_fixture.h"
#include "app/event_file_writer.h"
#include "app/read_back.h"
#include "foundation/file_lock.h"
#include "foundation/files.h"
#include "foundation/time_of_day.h"
#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/score.h"
#include "model/teacher.h"
#include "support/stalled_fifo.h"

namespace fs = std::filesystem;

namespace {

// Two teachers, two parents, one day of 16:00-18:00 in ten-minute slots.
std::string EventText(const std::string& name = "Spring evening",
                      const std::string& extraTeacher = "", const std::string& extraParent = "",
                      const std::string& eventLines = "") {
    std::string text =
        "Event:\nName \"" + name +
        "\"\nStarts 4:00pm\nEnds 6:00pm\nDay \"12\"\nMonth \"3\"\nYear \"2026\"\n"
        "SlotLength \"10\"\n" +
        eventLines +
        "\nExtraDay:\nStarts 4:00pm\nEnds 5:00pm\nDay \"13\"\nMonth \"3\"\nYear \"2026\"\n"
        "\nTeachers:\n"
        "\"Mr Tom Whitfield\"\ninitials \"TW\"\nsubject \"Maths\"\n\n"
        "\"Ms Priya Raman\"\ninitials \"PR\"\nsubject \"Physics\"\n\n" +
        extraTeacher +
        "\nParents:\n"
        "\"Mrs Smith\"\nuniqueid \"S1\"\npupil \"Amy Smith\"\nform \"7A\"\n"
        "seeing \"Mr Tom Whitfield\"\nsubject \"Maths\"\n"
        "seeing \"Ms Priya Raman\"\nsubject \"Physics\"\n\n"
        "\"Mr Jones\"\nuniqueid \"J1\"\npupil \"Ben Jones\"\nform \"8B\"\n"
        "seeing \"Mr Tom Whitfield\"\nsubject \"Maths\"\n\n" +
        extraParent;
    return text;
}

class ControllerFiles : public ControllerFixture {
protected:
    static bool IsLockedElsewhere(const std::string& path) {
        UCStringError quiet;
        FileLock other(path);
        return other.Lock() != FileLock::kLockHeld;
    }
};

// Makes every write past `bytes` of a file fail (EFBIG) while it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = old_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    sighandler_t oldHandler_;
};

// Another process holding the lock on a file until destroyed.
class LockingProcess {
public:
    explicit LockingProcess(const std::string& path) {
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0) {
            return;
        }
        child_ = ::fork();
        if (child_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            FileLock lock(path);
            const char state = lock.Lock() == FileLock::kLockHeld ? 'y' : 'n';
            if (::write(ready[1], &state, 1) != 1) {
                ::_exit(2);
            }
            char ignored;
            while (::read(release[0], &ignored, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        releaseFd_ = release[1];
        char state = 'n';
        held_ = ::read(ready[0], &state, 1) == 1 && state == 'y';
        ::close(ready[0]);
    }
    ~LockingProcess() {
        if (releaseFd_ >= 0) {
            ::close(releaseFd_);
        }
        if (child_ > 0) {
            int status = 0;
            ::waitpid(child_, &status, 0);
        }
    }
    bool IsHeld() const { return held_; }

private:
    pid_t child_ = -1;
    int releaseFd_ = -1;
    bool held_ = false;
};

}  // namespace

TEST_F(ControllerFiles, FirstRunMakesTheFolderAndFindsNoAutosaveCopy) {
    EXPECT_TRUE(fs::is_directory(DataFolder()));
    EXPECT_EQ(controller_.GetAutosavePath(), DataFolder() + "/autosave.qmv");
    EXPECT_EQ(controller_.GetUserSettingsPath(), DataFolder() + "/user_settings.dat");
    EXPECT_TRUE(controller_.AreSettingsLoaded());
    EXPECT_FALSE(controller_.AutosaveFileExists());
    EXPECT_TRUE(controller_.DeleteAutosaveFile());
    EXPECT_EQ(sink_.GetText(), "");
}

TEST_F(ControllerFiles, AnUnusableDataFolderIsReportedAndNothingIsWrittenElsewhere) {
    // A plain file where the configuration folder should be: the folder cannot be made.
    std::ofstream(root_ + "/blocked") << "not a folder";
    ::setenv("XDG_CONFIG_HOME", (root_ + "/blocked").c_str(), 1);
    QMController controller;
    controller.Initialise();
    // Looked for once at start-up, so said once.
    const std::string startup = sink_.GetText();
    EXPECT_NE(startup.find("Cannot create directory"), std::string::npos);
    EXPECT_EQ(startup.find("Cannot create directory"), startup.rfind("Cannot create directory"));
    EXPECT_EQ(controller.GetAutosavePath(), "");
    EXPECT_EQ(controller.GetUserSettingsPath(), "");
    EXPECT_FALSE(controller.AreSettingsLoaded());

    ASSERT_TRUE(controller.OpenEventFile(Write("a.qmv", EventText()).c_str()));
    controller.GetEvent()->SetName("Changed");
    EXPECT_FALSE(controller.Autosave());
    EXPECT_FALSE(controller.SaveUserSettings());
    EXPECT_TRUE(controller.SaveEvent(Write("b.qmv", EventText()).c_str()));
    const std::string said = sink_.GetText();
    EXPECT_NE(said.find("user data folder is not available"), std::string::npos);
    // Neither save looks for the folder again, so neither says again why it is missing.
    EXPECT_EQ(said.find("Cannot create directory"), said.rfind("Cannot create directory")) << said;
    EXPECT_FALSE(fs::exists("/autosave.qmv"));
    EXPECT_FALSE(fs::exists("/user_settings.dat"));
    EXPECT_FALSE(controller.AutosaveFileExists());
}

TEST_F(ControllerFiles, OpeningLocksTheFileAndLoadsAnUnmodifiedEvent) {
    const std::string path = Write("a.qmv", EventText());
    ASSERT_TRUE(controller_.OpenEventFile(path.c_str())) << sink_.GetText();
    ASSERT_NE(controller_.GetSchedule(), nullptr);
    EXPECT_EQ(controller_.GetEvent(), controller_.GetSchedule()->GetEvent());
    EXPECT_EQ(controller_.GetFileName(), path);
    EXPECT_EQ(controller_.GetEvent()->GetTeachers().Count(), 2u);
    EXPECT_EQ(controller_.GetEvent()->GetParents().Count(), 2u);
    EXPECT_EQ(controller_.GetSchedule()->GetDayCount(), 2u);
    EXPECT_FALSE(controller_.IsEventChanged());
    EXPECT_TRUE(IsLockedElsewhere(path));

    // The open file is read again only when another program changed it.
    EXPECT_TRUE(controller_.OpenEventFile(path.c_str()));
    std::ofstream(path, std::ios::binary) << EventText("Changed on disk");
    EXPECT_TRUE(controller_.OpenEventFile(path.c_str()));
    EXPECT_EQ(controller_.GetEvent()->GetName(), "Changed on disk");
}

TEST_F(ControllerFiles, FailedOpensKeepTheCurrentEventAndItsLock) {
    const std::string path = Write("a.qmv", EventText());
    ASSERT_TRUE(controller_.OpenEventFile(path.c_str()));
    MultiDaySchedule* held = controller_.GetSchedule();

    struct Case {
        const char* name;
        std::string path;
        const char* message;
    };
    const Case cases[] = {
        {"missing file", EventPath("missing.qmv"), "Cannot read file '"},
        {"empty file", Write("empty.qmv", ""), "Cannot read file '"},
        {"damaged file",
         Write("bad.qmv", "Event:\nName \"x\"\nTeachers:\n\"A\"\n\nParents:\n\"P\"\npupil 12\n"),
         "The event file seems to be invalid at line "},
        {"missing folder", root_ + "/nowhere/a.qmv", "Cannot lock file '"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(controller_.OpenEventFile(c.path.c_str()));
        EXPECT_NE(sink_.GetText().find(c.message), std::string::npos);
        EXPECT_EQ(controller_.GetSchedule(), held);
        EXPECT_EQ(controller_.GetFileName(), path);
        EXPECT_TRUE(IsLockedElsewhere(path));
        // A failed open never leaves a lock behind on the other file.
        if (fs::exists(c.path)) {
            EXPECT_FALSE(IsLockedElsewhere(c.path));
        }
    }
    // Opening a path where nothing is creates nothing there.
    EXPECT_FALSE(fs::exists(EventPath("missing.qmv")));
}

TEST_F(ControllerFiles, AFileHeldByAnotherProcessCannotBeOpenedAndTheCurrentEventStays) {
    const std::string mine = Write("mine.qmv", EventText());
    const std::string theirs = Write("theirs.qmv", EventText("Their evening"));
    ASSERT_TRUE(controller_.OpenEventFile(mine.c_str()));
    LockingProcess other(theirs);
    ASSERT_TRUE(other.IsHeld());
    EXPECT_FALSE(controller_.OpenEventFile(theirs.c_str()));
    EXPECT_NE(sink_.GetText().find("Cannot lock file '" + theirs + "'"), std::string::npos);
    EXPECT_EQ(controller_.GetEvent()->GetName(), "Spring evening");
    EXPECT_EQ(controller_.GetFileName(), mine);
    EXPECT_TRUE(IsLockedElsewhere(mine));
}

TEST_F(ControllerFiles, AFailedLoadLeavesTheOpenEventsScoreSwitches) {
    ASSERT_TRUE(controller_.OpenEventFile(
        Write("a.qmv", EventText("Spring evening", "", "", "ScoreCompareUnbooked\n")).c_str()));
    const ScoreCompareSwitches open = Score::GetCompareSwitches();
    EXPECT_TRUE(open.unbooked);
    EXPECT_FALSE(open.attendance);

    const std::string damaged =
        Write("bad.qmv", "Event:\nName \"x\"\nScoreCompareAttendance\nTeachers:\n\"A\"\npupil\n");
    EXPECT_FALSE(controller_.OpenEventFile(damaged.c_str()));
    EXPECT_EQ(Score::GetCompareSwitches(), open);

    // Another event becomes current only once it is the open one.
    const std::string other =
        Write("b.qmv", EventText("Spring evening", "", "", "ScoreCompareAttendance\n"));
    std::string log;
    EXPECT_TRUE(controller_.MergeEventFile(other.c_str(), &log)) << sink_.GetText();
    EXPECT_EQ(Score::GetCompareSwitches(), open);
    ASSERT_TRUE(controller_.OpenEventFile(other.c_str()));
    EXPECT_TRUE(Score::GetCompareSwitches().attendance);
    EXPECT_FALSE(Score::GetCompareSwitches().unbooked);
}

TEST_F(ControllerFiles, ScoreSwitchesChangedWhileTheEventIsOpenAreSavedWithIt) {
    const std::string path = Write("a.qmv", EventText());
    ASSERT_TRUE(controller_.OpenEventFile(path.c_str()));
    // What the scoring settings do: they change the switches in force, which are the event's.
    Score::SetCompareSwitches(ScoreCompareSwitches{false, true});
    ASSERT_TRUE(controller_.Autosave());
    EXPECT_NE(Read(controller_.GetAutosavePath()).find("\nScoreCompareAttendance\n"),
              std::string::npos);
    ASSERT_TRUE(controller_.SaveEvent(path.c_str()));
    controller_.CloseEvent();

    Score::SetCompareSwitches(ScoreCompareSwitches{});
    QMController next;
    next.Initialise();
    ASSERT_TRUE(next.OpenEventFile(path.c_str())) << sink_.GetText();
    EXPECT_EQ(Score::GetCompareSwitches(), (ScoreCompareSwitches{false, true}));
}

// "./a.qmv" names the open file: opening it reads nothing over the changes, and saving to it
// writes through the lock already held.
TEST_F(ControllerFiles, AnotherSpellingOfTheOpenPathIsTheOpenFile) {
    const std::string path = Write("a.qmv", EventText());
    const std::string spelled = root_ + "/events/./a.qmv";
    ASSERT_TRUE(controller_.OpenEventFile(path.c_str()));
    controller_.GetEvent()->SetName("Same file");
    ASSERT_TRUE(controller_.OpenEventFile(spelled.c_str())) << sink_.GetText();
    EXPECT_EQ(sink_.GetText(), "");
    EXPECT_EQ(controller_.GetEvent()->GetName(), "Same file");
    ASSERT_TRUE(controller_.SaveEvent(spelled.c_str())) << sink_.GetText();
    EXPECT_EQ(controller_.GetFileName(), path);
    EXPECT_TRUE(IsLockedElsewhere(path));
    EXPECT_NE(Read(path).find("Name \"Same file\""), std::string::npos);
}

TEST_F(ControllerFiles, SavingToTheOpenPathKeepsTheLockAndClearsTheChanges) {
    const std::string path = Write("a.qmv", EventText());
    ASSERT_TRUE(controller_.OpenEventFile(path.c_str()));
    controller_.GetEvent()->SetName("Renamed evening");
    controller_.GetUserSettings().SetInt("evolvernumkids", 12);
    ASSERT_TRUE(controller_.Autosave());
    ASSERT_TRUE(controller_.AutosaveFileExists());

    ASSERT_TRUE(controller_.SaveEvent(path.c_str())) << sink_.GetText();
    EXPECT_EQ(controller_.GetFileName(), path);
    EXPECT_TRUE(IsLockedElsewhere(path));
    EXPECT_FALSE(controller_.IsEventChanged());
    EXPECT_FALSE(controller_.AutosaveFileExists());
    EXPECT_NE(Read(controller_.GetUserSettingsPath()).find("evolvernumkids \"12\""),
              std::string::npos);
    EXPECT_NE(Read(path).find("Name \"Renamed evening\""), std::string::npos);
}

TEST_F(ControllerFiles, SavingAsANewPathMovesTheLock) {
    const std::string oldPath = Write("a.qmv", EventText());
    const std::string oldText = Read(oldPath);
    ASSERT_TRUE(controller_.OpenEventFile(oldPath.c_str()));
    controller_.GetEvent()->SetName("Moved evening");
    const std::string newPath = EventPath("b.qmv");

    ASSERT_TRUE(controller_.SaveEvent(newPath.c_str())) << sink_.GetText();
    EXPECT_EQ(controller_.GetFileName(), newPath);
    EXPECT_TRUE(IsLockedElsewhere(newPath));
    EXPECT_FALSE(IsLockedElsewhere(oldPath));
    EXPECT_EQ(Read(oldPath), oldText);

    QMController second;
    second.Initialise();
    EXPECT_FALSE(second.OpenEventFile(newPath.c_str()));
    controller_.CloseEvent();
    ASSERT_TRUE(second.OpenEventFile(newPath.c_str())) << sink_.GetText();
    EXPECT_EQ(second.GetEvent()->GetName(), "Moved evening");
    EXPECT_EQ(second.GetEvent()->GetParents().Count(), 2u);
}

TEST_F(ControllerFiles, ASaveThatFailsHalfWayLeavesTheOldFileByteForByte) {
    const std::string path = Write("a.qmv", EventText());
    const std::string before = Read(path);
    ASSERT_TRUE(controller_.OpenEventFile(path.c_str()));
    // Long enough that the new text cannot be written whole under the limit.
    controller_.GetEvent()->SetName(std::string(4000, 'x'));
    const std::string newPath = EventPath("b.qmv");
    {
        FileSizeLimit limit(before.size() + 100);
        EXPECT_FALSE(controller_.SaveEvent(path.c_str()));
        EXPECT_FALSE(controller_.SaveEvent(newPath.c_str()));
    }
    const std::string said = sink_.GetText();
    EXPECT_NE(said.find("The file '" + path + "' could not be saved!"), std::string::npos) << said;
    EXPECT_NE(said.find("The file '" + newPath + "' could not be saved!"), std::string::npos);
    EXPECT_EQ(Read(path), before);
    EXPECT_FALSE(fs::exists(newPath));
    EXPECT_EQ(controller_.GetFileName(), path);
    EXPECT_TRUE(IsLockedElsewhere(path));
    EXPECT_TRUE(controller_.IsEventChanged());
    // Nothing but the old file and nothing half-written is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(root_ + "/events"), fs::directory_iterator()),
              1);

    // Once space allows, the same save goes through.
    ASSERT_TRUE(controller_.SaveEvent(path.c_str()));
    EXPECT_NE(Read(path).find(std::string(4000, 'x')), std::string::npos);
}

TEST_F(ControllerFiles, ASaveSucceedsEvenWhenTheAutosaveCopyCannotBeRemoved) {
    const std::string path = Write("a.qmv", EventText());
    ASSERT_TRUE(controller_.OpenEventFile(path.c_str()));
    // A folder that is not empty stands where the copy would be: remove() refuses it.
    fs::create_directories(controller_.GetAutosavePath() + "/keep");
    controller_.GetEvent()->SetName("Saved anyway");
    EXPECT_TRUE(controller_.SaveEvent(path.c_str()));
    EXPECT_NE(sink_.GetText().find("could not be removed"), std::string::npos);
    EXPECT_NE(Read(path).find("Saved anyway"), std::string::npos);
    EXPECT_FALSE(controller_.IsEventChanged());
}

TEST_F(ControllerFiles, ANewEventHasNoFileNameAndIsNeverSavedOverTheOldFile) {
    const std::string path = Write("a.qmv", EventText());
    const std::string before = Read(path);
    ASSERT_TRUE(controller_.OpenEventFile(path.c_str()));
    auto event = std::make_shared<Event>();
    controller_.SetEvent(std::make_unique<MultiDaySchedule>(event));
    EXPECT_EQ(controller_.GetEvent(), event);
    EXPECT_EQ(controller_.GetFileName(), "");
    EXPECT_FALSE(IsLockedElsewhere(path));
    EXPECT_EQ(Read(path), before);
}

// A new event has no file name, so an empty path is "the open file": taking it for one would
// say an open or a save had succeeded when nothing was read or written.
TEST_F(ControllerFiles, AnEmptyPathNeitherOpensNorSavesAndSaysWhy) {
    auto event = std::make_shared<Event>();
    controller_.SetEvent(std::make_unique<MultiDaySchedule>(event));
    ASSERT_EQ(controller_.GetFileName(), "");
    EXPECT_FALSE(controller_.OpenEventFile(""));
    EXPECT_NE(sink_.GetText().find("Cannot open an event file without a name"), std::string::npos);
    EXPECT_FALSE(controller_.SaveEvent(""));
    EXPECT_NE(sink_.GetText().find("Cannot save an event file without a name"), std::string::npos);
    EXPECT_EQ(controller_.GetEvent(), event);
    EXPECT_TRUE(controller_.IsEventChanged());
}

TEST_F(ControllerFiles, AMergeAddsPeopleAndGivesNewTeachersARowOnEveryDay) {
    const std::string path = Write("a.qmv", EventText());
    ASSERT_TRUE(controller_.OpenEventFile(path.c_str()));
    const std::string other = Write(
        "b.qmv",
        EventText("Spring evening", "\"Dr Helen Marsh\"\ninitials \"HM\"\nsubject \"Biology\"\n\n",
                  "\"Ms Green\"\nuniqueid \"G1\"\npupil \"Cara Green\"\nform \"9A\"\n"
                  "seeing \"Dr Helen Marsh\"\nsubject \"Biology\"\n"
                  "seeing \"Mr Tom Whitfield\"\nsubject \"Maths\"\n\n"));
    std::string log;
    ASSERT_TRUE(controller_.MergeEventFile(other.c_str(), &log)) << sink_.GetText();
    EXPECT_NE(log.find("Created new teacher 'Dr Helen Marsh'"), std::string::npos);
    EXPECT_NE(log.find("Created new parent 'Ms Green'"), std::string::npos);
    EXPECT_NE(log.find("New request for pupil 'Cara Green' to see 'Dr Helen Marsh'"),
              std::string::npos);

    MultiDaySchedule* schedule = controller_.GetSchedule();
    const unsigned teachers = controller_.GetEvent()->GetTeachers().Count();
    EXPECT_EQ(teachers, 3u);
    for (unsigned d = 0; d < schedule->GetDayCount(); ++d) {
        EXPECT_EQ(schedule->GetDay(d)->GetGrid().GetRowCount(), teachers);
    }
    // The merged teacher can be booked, and the event saves and reads back whole.
    ASSERT_TRUE(schedule->BookAll(0));
    EXPECT_TRUE(schedule->IsParentBooked(controller_.GetEvent()->GetParents().FindByKey("G1")));
    ASSERT_TRUE(controller_.SaveEvent(path.c_str()));
    controller_.CloseEvent();
    QMController reread;
    reread.Initialise();
    ASSERT_TRUE(reread.OpenEventFile(path.c_str())) << sink_.GetText();
    EXPECT_EQ(reread.GetEvent()->GetTeachers().Count(), 3u);
    EXPECT_TRUE(reread.GetSchedule()->AllRequestsBooked());
}

TEST_F(ControllerFiles, AMergeOfAnotherEventOrOfNothingNewChangesNoPeople) {
    ASSERT_TRUE(controller_.OpenEventFile(Write("a.qmv", EventText()).c_str()));
    std::string log;
    EXPECT_FALSE(
        controller_.MergeEventFile(Write("b.qmv", EventText("Autumn evening")).c_str(), &log));
    EXPECT_NE(sink_.GetText().find("Cannot merge: event names are different"), std::string::npos);
    EXPECT_FALSE(controller_.MergeEventFile(EventPath("missing.qmv").c_str(), &log));
    EXPECT_NE(sink_.GetText().find("Cannot load file '"), std::string::npos);
    const std::string folder = EventPath("folder.qmv");
    std::filesystem::create_directory(folder);
    EXPECT_FALSE(controller_.MergeEventFile(folder.c_str(), &log));
    EXPECT_EQ(sink_.GetText(), "Error: Cannot open file '" + folder + "': Is a directory\n" +
                                   "Error: Cannot load file '" + folder + "'\n");

    EXPECT_TRUE(controller_.MergeEventFile(Write("c.qmv", EventText()).c_str(), &log));
    EXPECT_EQ(log, "");
    EXPECT_EQ(controller_.GetEvent()->GetTeachers().Count(), 2u);
    EXPECT_EQ(controller_.GetEvent()->GetParents().Count(), 2u);
}

// The evening of two days the office keeps, and a colleague's copy taken before both evenings
// moved a week on: a family and a teacher the colleague added arrive with their talk and their
// second evening as the copy has them, on the evening that is that one here.
TEST_F(ControllerFiles, AMergedFamilyKeepsItsEveningsWhereTheDatesHaveMoved) {
    const auto evening = [](int firstDay, const std::string& teachers, const std::string& parents) {
        const std::string first = std::to_string(firstDay);
        const std::string second = std::to_string(firstDay + 1);
        const auto date = [](const std::string& day) {
            return (day.size() == 1 ? "0" : "") + day + " Mar 2026";
        };
        return "Event:\nName \"Spring evening\"\nStarts 4:00pm\nEnds 6:00pm\nDay \"" + first +
               "\"\nMonth \"3\"\nYear \"2026\"\nSlotLength \"10\"\n\nExtraDay:\nStarts 4:00pm\n"
               "Ends 6:00pm\nDay \"" +
               second +
               "\"\nMonth \"3\"\nYear \"2026\"\n\nPresentations:\n\"Options talk\"\n"
               "times \"" +
               date(first) +
               "\" 4:00pm 4:30pm\n\nTeachers:\n\"Mr Tom Whitfield\"\ninitials \"TW\"\n"
               "subject \"Maths\"\n\n" +
               teachers + "\nParents:\n" + parents;
    };
    const std::string ours = Write("ours.qmv", evening(12, "", ""));
    const std::string copy = Write(
        "copy.qmv",
        evening(5,
                "\"Dr Helen Marsh\"\ninitials \"HM\"\nsubject \"Biology\"\nday \"06 Mar 2026\"\n"
                "break 5:00pm\npresentation \"Options talk\"\n\n",
                "\"Mrs Ray\"\nuniqueid \"R1\"\npresentation \"Options talk\"\n"
                "day \"06 Mar 2026\"\nnotattending\npupil \"Kim Ray\"\nform \"9C\"\n"
                "seeing \"Mr Tom Whitfield\"\nsubject \"Maths\"\ntaughtby \"Mr Tom Whitfield\"\n"
                "subject \"Maths\"\n\n"));
    ASSERT_TRUE(controller_.OpenEventFile(ours.c_str())) << sink_.GetText();
    std::string log;
    ASSERT_TRUE(controller_.MergeEventFile(copy.c_str(), &log)) << sink_.GetText();
    MultiDaySchedule* days = controller_.GetSchedule();
    Event* event = controller_.GetEvent().get();
    const Presentation* talk = event->GetPresentations().Find("Options talk");
    const Parent* ray = event->GetParents().FindByKey("R1");
    ASSERT_NE(nullptr, ray) << log;
    EXPECT_TRUE(ray->AttendsPresentation(talk));
    EXPECT_TRUE(ray->IsAttending(days->GetDay(0)));
    EXPECT_FALSE(ray->IsAttending(days->GetDay(1))) << "the copy's second evening is ours";
    EXPECT_TRUE(
        ray->GetPupil(0)->IsTaughtBy(event->GetTeachers().FindByNameOrInitials("TW"), "Maths"));
    const Teacher* helen = event->GetTeachers().FindByNameOrInitials("HM");
    ASSERT_NE(nullptr, helen);
    EXPECT_TRUE(helen->AttendsPresentation(talk));
    EXPECT_TRUE(helen->HasBreak(DateTime(days->GetDay(1)->GetDate(), TimeOfDay(17, 0, 0))));
    EXPECT_EQ(1u, helen->GetBreakCount());

    // Booked, nobody is at the talk, or on an evening they cannot come, at an appointment.
    ASSERT_TRUE(days->BookAll(0));
    for (unsigned d = 0; d < days->GetDayCount(); ++d) {
        SCOPED_TRACE(d);
        const Schedule* day = days->GetDay(d);
        const int row =
            event->GetTeachers().IndexOf(event->GetTeachers().FindByNameOrInitials("TW"));
        for (int slot = 0; slot < day->GetNumSlots(); ++slot) {
            if (day->GetGrid().PeekBooking(slot, row) == nullptr) {
                continue;
            }
            EXPECT_EQ(0u, d) << "Mrs Ray cannot come on the second evening";
            EXPECT_FALSE(day->SlotToTime(slot) < TimeOfDay(16, 30, 0)) << "she is at the talk";
        }
    }
}

// The office gave up its first evening and added one after the second; a colleague's copy still
// has the first two. The evening both have is the same evening: a family the colleague added,
// who cannot come on the evening given up, still comes on that one.
TEST_F(ControllerFiles, AMergedFamilyComesOnTheEveningBothCopiesHave) {
    const auto evening = [](const char* first, const char* second, const std::string& parents) {
        return std::string("Event:\nName \"Spring evening\"\nStarts 4:00pm\nEnds 6:00pm\nDay \"") +
               first + "\"\nMonth \"3\"\nYear \"2026\"\nSlotLength \"10\"\n\nExtraDay:\n" +
               "Starts 4:00pm\nEnds 6:00pm\nDay \"" + second +
               "\"\nMonth \"3\"\nYear \"2026\"\n\nTeachers:\n\"Mr Tom Whitfield\"\n" +
               "initials \"TW\"\nsubject \"Maths\"\n\nParents:\n" + parents;
    };
    const std::string ours = Write("ours.qmv", evening("11", "12", ""));
    const std::string copy =
        Write("copy.qmv", evening("10", "11",
                                  "\"Mrs Ray\"\nuniqueid \"R1\"\nday \"10 Mar 2026\"\n"
                                  "notattending\npupil \"Kim Ray\"\nform \"9C\"\n"
                                  "seeing \"Mr Tom Whitfield\"\nsubject \"Maths\"\n\n"));
    ASSERT_TRUE(controller_.OpenEventFile(ours.c_str())) << sink_.GetText();
    std::string log;
    ASSERT_TRUE(controller_.MergeEventFile(copy.c_str(), &log)) << sink_.GetText();
    MultiDaySchedule* days = controller_.GetSchedule();
    const Parent* ray = controller_.GetEvent()->GetParents().FindByKey("R1");
    ASSERT_NE(nullptr, ray) << log;
    ASSERT_EQ(Date(11, 3, 2026), days->GetDay(0)->GetDate());
    EXPECT_TRUE(ray->IsAttending(days->GetDay(0))) << "the copy has her on the 11th";
}

// Whichever evenings the two copies share, a family the colleague added stays away from the
// evening it cannot come and comes on every other.
TEST_F(ControllerFiles, AMergedFamilyStaysAwayOnlyFromTheEveningItCannotCome) {
    const auto evening = [](int first, int second, const std::string& parents) {
        return "Event:\nName \"Spring evening\"\nStarts 4:00pm\nEnds 6:00pm\nDay \"" +
               std::to_string(first) +
               "\"\nMonth \"3\"\nYear \"2026\"\nSlotLength \"10\"\n\nExtraDay:\n"
               "Starts 4:00pm\nEnds 6:00pm\nDay \"" +
               std::to_string(second) +
               "\"\nMonth \"3\"\nYear \"2026\"\n\nTeachers:\n\"Mr Tom Whitfield\"\n"
               "initials \"TW\"\nsubject \"Maths\"\n\nParents:\n" +
               parents;
    };
    struct Case {
        const char* what;
        int copyFirst, copySecond, away;  // the copy's evenings, and the one she cannot come
        unsigned awayHere;                // our evening she cannot come
    };
    const Case cases[] = {
        {"the same evenings", 11, 12, 12, 1},
        {"both moved", 4, 5, 5, 1},
        {"the first given up, one added after", 10, 11, 10, 1},
        {"the second given up, one added before", 12, 13, 13, 0},
        {"the evening both have", 12, 13, 12, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string ours = Write(std::string(c.what) + ".qmv", evening(11, 12, ""));
        const std::string copy =
            Write(std::string(c.what) + " copy.qmv",
                  evening(c.copyFirst, c.copySecond,
                          std::string("\"Mrs Ray\"\nuniqueid \"R1\"\nday \"") +
                              (c.away < 10 ? "0" : "") + std::to_string(c.away) +
                              " Mar 2026\"\nnotattending\npupil \"Kim Ray\"\n"
                              "form \"9C\"\n\n"));
        ASSERT_TRUE(controller_.OpenEventFile(ours.c_str())) << sink_.GetText();
        std::string log;
        ASSERT_TRUE(controller_.MergeEventFile(copy.c_str(), &log)) << sink_.GetText();
        MultiDaySchedule* days = controller_.GetSchedule();
        const Parent* ray = controller_.GetEvent()->GetParents().FindByKey("R1");
        ASSERT_NE(nullptr, ray) << log;
        for (unsigned d = 0; d < days->GetDayCount(); ++d) {
            EXPECT_EQ(d != c.awayHere, ray->IsAttending(days->GetDay(d))) << "evening " << d;
        }
    }
}

// Nothing writes to a FIFO: reading one for a merge or as the settings would wait for ever.
TEST_F(ControllerFiles, AFifoIsRefusedAtOnceForAMergeAndAsTheSettingsFile) {
    ASSERT_TRUE(controller_.OpenEventFile(Write("a.qmv", EventText()).c_str()));
    (void)sink_.GetText();
    StalledFifo fifo(EventPath("other.qmv"));
    const std::string cannot =
        "Error: Cannot open file '" + fifo.Path() + "': it is not an " + "ordinary file\n";
    std::string log;
    EXPECT_FALSE(controller_.MergeEventFile(fifo.Path().c_str(), &log));
    EXPECT_EQ(sink_.GetText(), cannot + "Error: Cannot load file '" + fifo.Path() + "'\n");
    UserSettings settings;
    EXPECT_FALSE(settings.Load(fifo.Path()));
    EXPECT_EQ(sink_.GetText(), cannot);
    EXPECT_TRUE(fifo.Refused()) << fifo.Elapsed() << " s";
    EXPECT_EQ(controller_.GetEvent()->GetTeachers().Count(), 2u);
}

// Another program may put a FIFO where the open file was: the save's look at the file on disk
// and a reopening must not wait on it either.
TEST_F(ControllerFiles, AnOpenFileReplacedByAFifoIsNeitherWaitedOnNorSavedOver) {
    struct Case {
        const char* what;
        std::function<bool(QMController&, const std::string&)> act;
        const char* said;
    };
    const std::vector<Case> cases = {
        {"a script's save",
         [](QMController& c, const std::string& p) { return c.SaveEvent(p.c_str()); },
         "has been changed by another program"},
        {"opening it again",
         [](QMController& c, const std::string& p) { return c.OpenEventFile(p.c_str()); },
         "ordinary file"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        const std::string path = Write("a.qmv", EventText());
        ASSERT_TRUE(controller_.OpenEventFile(path.c_str()));
        (void)sink_.GetText();
        std::filesystem::remove(path);
        {
            StalledFifo fifo(path);
            EXPECT_FALSE(test.act(controller_, path));
            EXPECT_TRUE(fifo.Refused()) << fifo.Elapsed() << " s";
        }
        const std::string said = sink_.GetText();
        EXPECT_NE(said.find(test.said), std::string::npos) << said;
        ASSERT_NE(controller_.GetEvent(), nullptr);
        EXPECT_EQ(controller_.GetEvent()->GetParents().Count(), 2u);
        controller_.CloseEvent();
        std::filesystem::remove(path);
    }
}

TEST_F(ControllerFiles, ClosingReleasesTheFileAndStopsAutosaving) {
    const std::string path = Write("a.qmv", EventText());
    ASSERT_TRUE(controller_.OpenEventFile(path.c_str()));
    controller_.CloseEvent();
    EXPECT_EQ(controller_.GetSchedule(), nullptr);
    EXPECT_EQ(controller_.GetFileName(), "");
    EXPECT_EQ(controller_.GetAutosavePath(), "");
    EXPECT_FALSE(IsLockedElsewhere(path));
    EXPECT_FALSE(controller_.Autosave());
    EXPECT_FALSE(controller_.SaveEvent(path.c_str()));
    EXPECT_TRUE(controller_.DeleteAutosaveFile());
}

TEST_F(ControllerFiles, BookingTheUnbookedRequestsSaysHowItWent) {
    // One ten-minute slot on one day for three parents who all want the same teacher.
    const std::string text =
        "Event:\nName \"Tight\"\nStarts 4:00pm\nEnds 4:20pm\nDay \"12\"\nMonth \"3\"\nYear "
        "\"2026\"\n"
        "SlotLength \"10\"\n\nTeachers:\n\"Mr Tom Whitfield\"\ninitials \"TW\"\nsubject "
        "\"Maths\"\n\n"
        "\nParents:\n"
        "\"Mrs A\"\npupil \"Ann A\"\nform \"7A\"\nseeing \"TW\"\n\n"
        "\"Mrs B\"\npupil \"Bob B\"\nform \"7A\"\nseeing \"TW\"\n\n"
        "\"Mrs C\"\npupil \"Cal C\"\nform \"7A\"\nseeing \"TW\"\n\n";
    ASSERT_TRUE(controller_.OpenEventFile(Write("tight.qmv", text).c_str())) << sink_.GetText();

    controller_.BookUnbookedRequests(true, false);
    EXPECT_EQ(sink_.GetText(), "Booked 3 parents in, but 1 appointments could not be booked\n");
    controller_.BookUnbookedRequests(false, false);
    EXPECT_EQ(sink_.GetText(), "");
    controller_.BookUnbookedRequests(true, false);
    EXPECT_EQ(sink_.GetText(), "Booked 1 parents in, but 1 appointments could not be booked\n");
    // Locked, nothing can be booked: the refusal is all there is to say.
    controller_.GetEvent()->SetLocked(true);
    controller_.BookUnbookedRequests(true, false);
    EXPECT_EQ(sink_.GetText(), "Error: Cannot book appointments because the schedule is locked\n");
    controller_.GetEvent()->SetLocked(false);

    // With room for everyone, a second run finds nothing left to book.
    const std::string roomy = Write("roomy.qmv", EventText());
    ASSERT_TRUE(controller_.OpenEventFile(roomy.c_str()));
    controller_.BookUnbookedRequests(true, false);
    EXPECT_EQ(sink_.GetText(), "Booked 2 parents in\n");
    controller_.BookUnbookedRequests(true, true);
    EXPECT_EQ(sink_.GetText(), "There were no unbooked requests\n");
    EXPECT_TRUE(controller_.GetSchedule()->AllRequestsBooked());
}

// The views follow what the controller says changed, whatever made the change.
TEST_F(ControllerFiles, ChangesSayWhetherTheEventItsPeopleOrOnlyTheirNamesChanged) {
    const std::string path = Write("a.qmv", EventText());
    ASSERT_TRUE(controller_.OpenEventFile(path.c_str())) << sink_.GetText();
    const EventChanges opened = controller_.TakeChanges();
    EXPECT_TRUE(opened.event);
    EXPECT_TRUE(opened.people);
    const EventChanges again = controller_.TakeChanges();
    EXPECT_FALSE(again.event || again.people || again.names) << "asking moves the mark";

    Event& event = *controller_.GetEvent();
    MultiDaySchedule& schedule = *controller_.GetSchedule();
    struct Case {
        const char* change;
        std::function<void()> make;
        bool people;
        bool names;
    };
    const Case cases[] = {
        {"a teacher renamed", [&] { event.GetTeachers().Get(0)->SetName("Mr T Whitfield"); }, false,
         true},
        {"a pupil renamed", [&] { event.GetParents().Get(0)->GetPupil(0)->SetName("Amy R Smith"); },
         false, true},
        // The form is part of a pupil's shown name.
        {"a pupil moved to another form",
         [&] { event.GetParents().Get(0)->GetPupil(0)->SetForm("9C"); }, true, true},
        {"a pupil added",
         [&] {
             ASSERT_TRUE(event.GetParents().Get(1)->AddPupil(std::make_unique<Pupil>("Cal Jones")));
         },
         true, true},
        {"a pupil removed", [&] { event.GetParents().Get(1)->DeletePupil(1); }, true, true},
        {"a parent added",
         [&] { ASSERT_TRUE(schedule.AddParent(std::make_unique<Parent>("Mr Patel"))); }, true,
         true},
        {"a teacher removed",
         [&] { ASSERT_TRUE(schedule.DeleteTeacher(event.GetTeachers().Get(1))); }, true, true},
    };
    for (const Case& c : cases) {
        c.make();
        const EventChanges changes = controller_.TakeChanges();
        EXPECT_FALSE(changes.event) << c.change;
        EXPECT_EQ(changes.people, c.people) << c.change;
        EXPECT_EQ(changes.names, c.names) << c.change;
    }

    controller_.CloseEvent();
    EXPECT_TRUE(controller_.TakeChanges().event);
    ASSERT_TRUE(controller_.OpenEventFile(path.c_str()));
    EXPECT_TRUE(controller_.TakeChanges().event) << "the same file opened again is another event";
}

// Those who follow the event hear of another schedule at once, while the one they hold still
// exists, and of a change once, when the outermost scope around it ends.
TEST_F(ControllerFiles, FollowersHearOfAnotherScheduleAtOnceAndOfAChangeWhenItEnds) {
    const std::string path = Write("a.qmv", EventText());
    std::vector<std::string> heard;
    MultiDaySchedule* held = nullptr;
    const Subscription following = controller_.Subscribe([&](const EventMessage& message) {
        if (message.kind == EventMessage::Kind::Replaced) {
            // The old schedule is read as a view would: it must still be there.
            heard.push_back("replaced " + std::to_string(held ? held->GetDayCount() : 0) +
                            (message.schedule ? " by one" : " by none"));
            held = message.schedule;
        } else {
            const EventChanges& c = message.changes;
            heard.push_back(std::string("settled") + (c.event ? " event" : "") +
                            (c.people ? " people" : "") + (c.names ? " names" : ""));
        }
    });
    std::vector<std::string> afterwards;
    {
        const QMController::ChangeScope outer(controller_);
        {
            const QMController::ChangeScope inner(controller_);
            ASSERT_TRUE(controller_.OpenEventFile(path.c_str())) << sink_.GetText();
            controller_.AfterChangesSettle([&] { afterwards.push_back("after " + heard.back()); });
            controller_.SettleChanges();  // waits for the outer scope
        }
        EXPECT_EQ(heard, (std::vector<std::string>{"replaced 0 by one"}));
        EXPECT_TRUE(controller_.IsChanging());
        controller_.GetEvent()->GetTeachers().Get(0)->SetName("Mr T Whitfield");
    }
    EXPECT_EQ(heard, (std::vector<std::string>{"replaced 0 by one", "settled event people names"}));
    EXPECT_EQ(afterwards, (std::vector<std::string>{"after settled event people names"}));

    heard.clear();
    // A name that keeps its place: one that moves someone changes the people's order too.
    controller_.GetEvent()->GetTeachers().Get(0)->SetName("Mr R Whitfield");
    controller_.SettleChanges();
    controller_.AfterChangesSettle([&] { afterwards.push_back("at once"); });
    ASSERT_TRUE(controller_.OpenEventFile(Write("b.qmv", EventText()).c_str()));
    controller_.CloseEvent();
    controller_.CloseEvent();
    EXPECT_EQ(heard, (std::vector<std::string>{"settled names", "replaced 2 by one",
                                               "replaced 2 by none"}));
    EXPECT_EQ(afterwards.back(), "at once");
}

// Another program changes the open file (in place, or by renaming a new file over it, as sync
// clients do): a save never writes over that change without a Yes, and opening the file reads it.
TEST_F(ControllerFiles, AChangeAnotherProgramMadeToTheOpenFileIsNeverSavedOver) {
    const std::string theirs = EventText("Spring evening", "", "\"Mr New\"\nuniqueid \"N1\"\n\n");
    const std::function<void(const std::string&)> ways[] = {
        [&](const std::string& path) { std::ofstream(path, std::ios::binary) << theirs; },
        [&](const std::string& path) {
            const std::string next = Write("next.qmv", theirs);
            fs::rename(next, path);
        },
    };
    struct Answer {
        const char* what;
        std::function<bool(const std::string&)> ask;
        bool replaced;
    };
    std::vector<std::string> asked;
    const Answer answers[] = {
        {"no one to ask", nullptr, false},
        {"No",
         [&](const std::string& q) {
             asked.push_back(q);
             return false;
         },
         false},
        {"Yes",
         [&](const std::string& q) {
             asked.push_back(q);
             return true;
         },
         true},
    };
    int way = 0;
    for (const auto& change : ways) {
        for (const Answer& answer : answers) {
            SCOPED_TRACE(std::string(answer.what) + ", way " + std::to_string(way));
            const std::string path = Write("a.qmv", EventText());
            ASSERT_TRUE(controller_.OpenEventFile(path.c_str()));
            controller_.GetEvent()->SetName("Ours");
            change(path);
            EXPECT_TRUE(controller_.IsOpenFileChangedOnDisk());
            asked.clear();
            EXPECT_EQ(controller_.SaveEvent(path.c_str(), answer.ask), answer.replaced);
            EXPECT_EQ(Read(path) == theirs, !answer.replaced);
            if (answer.ask) {
                ASSERT_EQ(asked.size(), 1u);
                EXPECT_EQ(asked[0], "The file '" + path +
                                        "' has been changed by another program since it was "
                                        "opened or last saved. Do you want to replace it with "
                                        "this event?");
            }
            EXPECT_EQ(sink_.GetText().empty(), answer.ask != nullptr);
            if (answer.replaced) {
                EXPECT_FALSE(controller_.IsOpenFileChangedOnDisk());
                EXPECT_TRUE(IsLockedElsewhere(path));
                continue;
            }
            // Opening the changed file reads it, and it is then the open file as it stands.
            ASSERT_TRUE(controller_.OpenEventFile(path.c_str())) << sink_.GetText();
            EXPECT_EQ(controller_.GetEvent()->GetParents().Count(), 3u);
            EXPECT_EQ(controller_.GetEvent()->GetName(), "Spring evening");
            EXPECT_FALSE(controller_.IsOpenFileChangedOnDisk());
            EXPECT_TRUE(IsLockedElsewhere(path));
            controller_.GetEvent()->SetName("Ours again");
            ASSERT_TRUE(controller_.SaveEvent(path.c_str())) << sink_.GetText();
            EXPECT_NE(Read(path).find("Mr New"), std::string::npos);
        }
        ++way;
    }
}

// Whoever a change adds or renames takes the place the file gives them when it is opened
// again: saved, opened and saved again, the text is the same, and each teacher keeps the
// bookings of their row.
TEST_F(ControllerFiles, AddedAndRenamedPeopleStandWhereTheReopenedFilePutsThem) {
    const std::string copy = Write(
        "copy.qmv", EventText("Spring evening", "\"Mr Ali Aziz\"\ninitials \"AA\"\n\n",
                              "\"Mrs Abbot\"\nuniqueid \"A1\"\npupil \"Cy Abbot\"\nform \"7A\"\n"
                              "seeing \"Mr Ali Aziz\"\n\n"));
    struct Case {
        const char* change;
        std::function<void(MultiDaySchedule&)> make;
    };
    const Case cases[] = {
        {"a teacher added",
         [](MultiDaySchedule& days) {
             auto teacher = std::make_unique<Teacher>("Mrs Ann Adams");
             teacher->ResetAttendanceAllDays(&days);
             ASSERT_TRUE(days.AddTeacher(std::move(teacher)));
         }},
        {"a teacher renamed",
         [](MultiDaySchedule& days) {
             days.GetEvent()->GetTeachers().FindByNameOrInitials("TW")->SetName("Mr Tom Abel");
         }},
        {"a family added",
         [](MultiDaySchedule& days) {
             auto parent = std::make_unique<Parent>("Mr Able");
             parent->ResetAttendanceAllDays(&days);
             ASSERT_TRUE(days.AddParent(std::move(parent)));
         }},
        {"a family renamed",
         [](MultiDaySchedule& days) {
             days.GetEvent()->GetParents().FindByKey("S1")->SetName("Mrs Adams");
         }},
        // Namesakes keep the order they came in, whichever way the file brings them.
        {"a namesake family added",
         [](MultiDaySchedule& days) {
             for (const char* id : {"J0", "J2"}) {
                 auto parent = std::make_unique<Parent>("Mr Jones");
                 parent->SetUniqueId(id);
                 ASSERT_TRUE(days.AddParent(std::move(parent)));
             }
         }},
        {"a copy merged", [&](MultiDaySchedule&) {
             ASSERT_TRUE(controller_.MergeEventFile(copy.c_str(), nullptr)) << sink_.GetText();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        const std::string path = Write("a.qmv", EventText());
        ASSERT_TRUE(controller_.OpenEventFile(path.c_str())) << sink_.GetText();
        MultiDaySchedule& days = *controller_.GetSchedule();
        ASSERT_TRUE(days.BookAll(0));
        {
            const QMController::ChangeScope change(controller_);
            c.make(days);
        }
        const std::string saved = controller_.FormatEventText();
        std::string messages;
        auto reopened = ReadBack(saved, &messages);
        ASSERT_TRUE(reopened) << messages;
        FixedTimeEncoding fixed;
        EXPECT_EQ(EventFileWriter(*reopened).FormatEventFile(), saved);
        const TeacherList& teachers = days.GetEvent()->GetTeachers();
        for (unsigned row = 0; row < teachers.Count(); ++row) {
            const Schedule& day = *days.GetDay(0);
            for (int slot = 0; slot < day.GetNumSlots(); ++slot) {
                const Appointment* booking = day.GetGrid().PeekBooking(slot, static_cast<int>(row));
                if (booking != nullptr) {
                    EXPECT_EQ(booking->GetRequest()->GetTeacher(), teachers.Get(row));
                }
            }
        }
        controller_.CloseEvent();
    }
}
