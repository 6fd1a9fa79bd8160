#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/autosave_session.h"
#include "app/controller_fixture.h"
#include "app/event_file_format.h"
#include "app/qm_controller.h"
#include "foundation/atomic_file.h"
#include "foundation/file_lock.h"
#include "foundation/files.h"
#include "foundation/md5.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

namespace fs = std::filesystem;

namespace {

const char* const kEventText =
    "Event:\nName \"Spring evening\"\nStarts 4:00pm\nEnds 6:00pm\nDay \"12\"\nMonth \"3\"\n"
    "Year \"2026\"\nSlotLength \"10\"\n"
    "\nTeachers:\n\"Mr Tom Whitfield\"\ninitials \"TW\"\nsubject \"Maths\"\n\n"
    "\nParents:\n\"Mrs Smith\"\nuniqueid \"S1\"\nnotes \"Two lines\\\nof notes\"\n"
    "pupil \"Amy Smith\"\nform \"7A\"\nseeing \"TW\"\nsubject \"Maths\"\n\n";

// The user's event file, and the copies that failed recoveries keep aside.
class AutosaveRecovery : public ControllerFixture {
protected:
    AutosaveRecovery() : eventPath_(Write("spring.qmv", kEventText)) {}

    std::vector<std::string> FailedCopies() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(DataFolder())) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("autosave-failed-", 0) == 0 && entry.path().extension() == ".qmv") {
                found.push_back(entry.path().string());
            }
        }
        return found;
    }

    // A run that changes the event and crashes after its autosave; controller_ then starts
    // again.
    void RunAndCrash(const std::string& newName) {
        {
            QMController controller;
            controller.Initialise();
            ASSERT_TRUE(controller.OpenEventFile(eventPath_.c_str()));
            controller.GetEvent()->SetName(newName);
            ASSERT_TRUE(controller.Autosave());
        }
        controller_.Initialise();
    }

    const std::string eventPath_;
};

}  // namespace

TEST_F(AutosaveRecovery, AnUnchangedEventIsNotWritten) {
    EXPECT_FALSE(controller_.Autosave());
    ASSERT_TRUE(controller_.OpenEventFile(eventPath_.c_str()));
    EXPECT_TRUE(controller_.Autosave());
    EXPECT_FALSE(controller_.AutosaveFileExists());
}

TEST_F(AutosaveRecovery, TheCopyEndsWithItsDigestAndTheEventStaysChanged) {
    ASSERT_TRUE(controller_.OpenEventFile(eventPath_.c_str()));
    controller_.GetEvent()->SetName("Changed");
    ASSERT_TRUE(controller_.Autosave()) << sink_.GetText();
    ASSERT_TRUE(controller_.AutosaveFileExists());
    const std::string copy = Read(controller_.GetAutosavePath());
    EXPECT_TRUE(VerifyAutosaveText(copy));
    EXPECT_NE(copy.find("Name \"Changed\""), std::string::npos);
    EXPECT_TRUE(controller_.IsEventChanged());
    // The user's own file is untouched by the autosave.
    EXPECT_EQ(Read(eventPath_), kEventText);
}

TEST_F(AutosaveRecovery, ACopyOfChangesTheEventNoLongerHasIsRemovedButNoOtherFile) {
    const std::string other = Write("other.qmv", kEventText);
    const struct {
        const char* name;
        std::function<void()> leaveTheChange;
    } cases[] = {
        {"undone", [&] { controller_.GetEvent()->SetName("Spring evening"); }},
        {"given up for another event",
         [&] { ASSERT_TRUE(controller_.OpenEventFile(other.c_str())); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(controller_.OpenEventFile(eventPath_.c_str()));
        controller_.GetEvent()->SetName("Changed");
        ASSERT_TRUE(controller_.Autosave());
        ASSERT_TRUE(controller_.AutosaveFileExists());
        c.leaveTheChange();
        ASSERT_FALSE(controller_.IsEventChanged());
        EXPECT_TRUE(controller_.Autosave());
        // Else the next start would offer the changes as the work a crash interrupted.
        EXPECT_FALSE(controller_.AutosaveFileExists());
    }

    // Another copy of the program's, written over ours, is not ours to remove.
    controller_.GetEvent()->SetName("Changed");
    ASSERT_TRUE(controller_.Autosave());
    const std::string theirs = std::string(kEventText) + "#theirs\n";
    ASSERT_TRUE(WriteFileAtomically(controller_.GetAutosavePath(), theirs));
    controller_.GetEvent()->SetName("Spring evening");
    EXPECT_TRUE(controller_.Autosave());
    EXPECT_EQ(Read(controller_.GetAutosavePath()), theirs);
}

TEST_F(AutosaveRecovery, AnAutosaveThatFailsHalfWayKeepsThePreviousCopy) {
    ASSERT_TRUE(controller_.OpenEventFile(eventPath_.c_str()));
    controller_.GetEvent()->SetName("First");
    ASSERT_TRUE(controller_.Autosave());
    const std::string before = Read(controller_.GetAutosavePath());

    controller_.GetEvent()->SetName(std::string(5000, 'y'));
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    sighandler_t oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = before.size() + 100;
    ::setrlimit(RLIMIT_FSIZE, &limited);
    const bool saved = controller_.Autosave();
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_NE(
        sink_.GetText().find("Could not auto-save to file '" + controller_.GetAutosavePath() + "'"),
        std::string::npos);
    EXPECT_EQ(Read(controller_.GetAutosavePath()), before);
}

TEST_F(AutosaveRecovery, ARecoveredEventHasNoFileNameUntilItIsSavedElsewhere) {
    RunAndCrash("Recovered evening");

    ASSERT_TRUE(controller_.AutosaveFileExists());
    ASSERT_TRUE(controller_.RecoverAutosave()) << sink_.GetText();
    EXPECT_EQ(controller_.GetEvent()->GetName(), "Recovered evening");
    EXPECT_TRUE(controller_.IsEventChanged());
    // The window does Save As for an event without a name: nothing can overwrite the copy.
    EXPECT_EQ(controller_.GetFileName(), "");
    EXPECT_TRUE(controller_.AutosaveFileExists());
    EXPECT_EQ(controller_.GetEvent()->GetParents().Count(), 1u);

    // A failed save keeps the copy too.
    EXPECT_FALSE(controller_.SaveEvent((root_ + "/nowhere/x.qmv").c_str()));
    EXPECT_TRUE(controller_.AutosaveFileExists());

    const std::string savedPath = root_ + "/events/recovered.qmv";
    ASSERT_TRUE(controller_.SaveEvent(savedPath.c_str())) << sink_.GetText();
    EXPECT_EQ(controller_.GetFileName(), savedPath);
    EXPECT_FALSE(controller_.AutosaveFileExists());
    EXPECT_FALSE(controller_.IsEventChanged());
    controller_.CloseEvent();

    QMController next;
    next.Initialise();
    EXPECT_FALSE(next.AutosaveFileExists());
    ASSERT_TRUE(next.OpenEventFile(savedPath.c_str()));
    EXPECT_EQ(next.GetEvent()->GetName(), "Recovered evening");
    EXPECT_EQ(next.GetEvent()->GetParents().Get(0)->GetNotes(), "Two lines\nof notes");
}

TEST_F(AutosaveRecovery, ACopyWhoseDigestDoesNotMatchIsReportedAndKeptAside) {
    RunAndCrash("Tampered evening");
    const std::string autosave = controller_.GetAutosavePath();
    std::string copy = Read(autosave);
    const size_t at = copy.find("Tampered");
    ASSERT_NE(at, std::string::npos);
    copy[at] = 'H';
    std::ofstream(autosave, std::ios::binary) << copy;

    EXPECT_FALSE(controller_.RecoverAutosave());
    const std::string said = sink_.GetText();
    EXPECT_NE(said.find("check line does not match"), std::string::npos) << said;
    EXPECT_EQ(controller_.GetSchedule(), nullptr);
    EXPECT_FALSE(controller_.AutosaveFileExists());
    const std::vector<std::string> kept = FailedCopies();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(Read(kept[0]), copy);
    EXPECT_NE(said.find("kept as '" + kept[0] + "'"), std::string::npos) << said;
}

TEST_F(AutosaveRecovery, ACopyWithoutItsCheckLineIsKeptAsideAndNeverOverwritten) {
    RunAndCrash("Cut short");
    // A copy cut off before its check line, as a full disk might have left it.
    std::string copy = Read(controller_.GetAutosavePath());
    copy = copy.substr(0, copy.rfind('#'));
    std::ofstream(controller_.GetAutosavePath(), std::ios::binary) << copy;
    EXPECT_FALSE(controller_.RecoverAutosave());
    EXPECT_NE(sink_.GetText().find("kept as '"), std::string::npos);
    EXPECT_EQ(controller_.GetSchedule(), nullptr);
    ASSERT_EQ(FailedCopies().size(), 1u);

    // A second failure in the same second gets a name of its own.
    std::ofstream(controller_.GetAutosavePath(), std::ios::binary) << copy;
    EXPECT_FALSE(controller_.RecoverAutosave());
    EXPECT_EQ(FailedCopies().size(), 2u);

    // Later autosaves leave the kept copies alone.
    ASSERT_TRUE(controller_.OpenEventFile(eventPath_.c_str()));
    controller_.GetEvent()->SetName("Later");
    ASSERT_TRUE(controller_.Autosave());
    EXPECT_EQ(FailedCopies().size(), 2u);
    for (const std::string& kept : FailedCopies()) {
        EXPECT_EQ(Read(kept), copy);
    }
}

TEST_F(AutosaveRecovery, ACopyWithARightDigestButDamagedTextIsKeptAside) {
    const std::string damaged =
        "Event:\nName \"x\"\n\nTeachers:\n\"A\"\n\nParents:\n\"P\"\npupil 12\n";
    std::ofstream(controller_.GetAutosavePath(), std::ios::binary)
        << damaged << "#" << MD5().HexDigest(damaged) << "\n";
    ASSERT_TRUE(VerifyAutosaveText(Read(controller_.GetAutosavePath())));
    EXPECT_FALSE(controller_.RecoverAutosave());
    EXPECT_NE(sink_.GetText().find("The event file seems to be invalid at line"),
              std::string::npos);
    EXPECT_EQ(controller_.GetSchedule(), nullptr);
    EXPECT_FALSE(controller_.AutosaveFileExists());
    EXPECT_EQ(FailedCopies().size(), 1u);
}

// Two runs at once each keep their own copy: whatever one does to its own leaves the other's as
// it was, a copy whose run still goes is never offered, and one left by a run that is gone is.
TEST_F(AutosaveRecovery, EachRunKeepsItsOwnCopyAndOnlyALeftCopyIsOffered) {
    const std::string other = Write("other.qmv", kEventText);
    ASSERT_TRUE(controller_.OpenEventFile(eventPath_.c_str()));
    controller_.GetEvent()->SetName("First run's work");
    ASSERT_TRUE(controller_.Autosave());
    const std::string ours = Read(controller_.GetAutosavePath());
    const std::string saved = root_ + "/events/saved.qmv";
    const std::pair<const char*, std::function<void(QMController&)>> doings[] = {
        {"a copy of an unchanged event", [](QMController& b) { EXPECT_TRUE(b.Autosave()); }},
        {"a copy of its own changes",
         [](QMController& b) {
             b.GetEvent()->SetName("Second run's work");
             EXPECT_TRUE(b.Autosave());
             EXPECT_NE(Read(b.GetAutosavePath()).find("Second run's work"), std::string::npos);
         }},
        {"a save", [&](QMController& b) { EXPECT_TRUE(b.SaveEvent(saved.c_str())); }},
        {"its copy removed", [](QMController& b) { EXPECT_TRUE(b.DeleteAutosaveFile()); }},
        {"a close", [](QMController& b) { b.CloseEvent(); }},
    };
    for (const auto& [what, doing] : doings) {
        SCOPED_TRACE(what);
        QMController b;
        b.Initialise();
        EXPECT_NE(b.GetAutosavePath(), controller_.GetAutosavePath());
        EXPECT_FALSE(b.AutosaveFileExists()) << "the first run's copy was offered";
        ASSERT_TRUE(b.OpenEventFile(other.c_str()));
        doing(b);
        EXPECT_EQ(Read(controller_.GetAutosavePath()), ours);
        (void)b.DeleteAutosaveFile();
    }
    // The first run ends without closing: the next start recovers its work.
    const std::string left = controller_.GetAutosavePath();
    {
        QMController next;
        next.Initialise();
        EXPECT_FALSE(next.AutosaveFileExists());
        controller_.Initialise();
        ASSERT_TRUE(controller_.RecoverAutosave());
    }
    EXPECT_EQ(controller_.GetAutosavePath(), left);
    EXPECT_EQ(controller_.GetEvent()->GetName(), "First run's work");
    EXPECT_EQ(sink_.GetText(), "");
}

// A single copy left by an earlier version of the program, under the one name it ever had, is
// recovered.
TEST_F(AutosaveRecovery, TheSingleCopyOfEarlierVersionsIsRecovered) {
    const std::string copy = DataFolder() + "/autosave.qmv";
    fs::remove(DataFolder() + "/.autosave.qmv.owner");
    std::ofstream(copy, std::ios::binary)
        << kEventText << "#" << MD5().HexDigest(kEventText) << "\n";
    controller_.Initialise();
    EXPECT_EQ(controller_.GetAutosavePath(), copy);
    ASSERT_TRUE(controller_.AutosaveFileExists());
    ASSERT_TRUE(controller_.RecoverAutosave()) << sink_.GetText();
    EXPECT_EQ(controller_.GetEvent()->GetName(), "Spring evening");
}

namespace {

// A staged copy beside the autosave copy, as a child leaves one, carrying moment as its time.
std::string Stage(const std::string& copy, const std::string& text, int pid, time_t when) {
    const std::string staged = StagedReplacementPath(copy, pid);
    std::ofstream(staged, std::ios::binary) << text << "#" << MD5().HexDigest(text) << "\n";
    const timespec times[2] = {{when, 0}, {when, 0}};
    ::utimensat(AT_FDCWD, staged.c_str(), times, 0);
    return staged;
}

}  // namespace

// The program dies while the tick's child is still writing, or after it finished but before the
// window put its copy in place: the whole copy with the newest edits is what the next start
// offers.
TEST_F(AutosaveRecovery, ACopyFinishedAfterTheProgramDiedIsRecovered) {
    const std::pair<const char*, int> deaths[] = {
        {"while the child still writes", 0},
        {"after the child finished, before the window looked", 600},
    };
    for (const auto& [what, waitMs] : deaths) {
        SCOPED_TRACE(what);
        const pid_t program = ::fork();
        ASSERT_GE(program, 0);
        if (program == 0) {
            QMController run;
            run.Initialise();
            if (!run.OpenEventFile(eventPath_.c_str())) {
                ::_exit(2);
            }
            run.GetEvent()->SetName(what);
            run.GetAutosave().SetSpawn([] {
                const pid_t child = ::fork();
                if (child == 0) {
                    ::usleep(200 * 1000);
                }
                return child;
            });
            if (!run.GetAutosave().Tick()) {
                ::_exit(3);
            }
            ::usleep(static_cast<useconds_t>(waitMs) * 1000);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(program, &status, 0), program);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        // The orphaned child goes on by itself for a moment.
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs == 0 ? 800 : 0));
        controller_.Initialise();
        ASSERT_TRUE(controller_.AutosaveFileExists());
        ASSERT_TRUE(controller_.RecoverAutosave()) << sink_.GetText();
        EXPECT_EQ(controller_.GetEvent()->GetName(), what);
        ASSERT_TRUE(controller_.DeleteAutosaveFile());
        controller_.CloseEvent();
        controller_.Initialise();
    }
    EXPECT_EQ(sink_.GetText(), "");
}

// What a run left beside its copy: the newest whole copy is what the next start offers; one a
// later copy overtook, or one cut short, is removed; and a close leaves no copy of any kind.
TEST_F(AutosaveRecovery, OnlyTheNewestWholeCopyLeftIsOfferedAndACloseLeavesNone) {
    struct Left {
        const char* what;
        time_t stagedAt;  // against the landed copy's time of 2000000000
        bool whole;
        const char* offered;
    };
    const Left lefts[] = {
        {"a newer whole copy", 2000000100, true, "Staged"},
        {"an older whole copy", 1999999900, true, "Landed"},
        {"a newer copy cut short", 2000000100, false, "Landed"},
    };
    for (const Left& left : lefts) {
        SCOPED_TRACE(left.what);
        const std::string copy = controller_.GetAutosavePath();
        const std::string landed = std::string(kEventText).replace(13, 14, "Landed");
        std::ofstream(copy, std::ios::binary) << landed << "#" << MD5().HexDigest(landed) << "\n";
        const timespec times[2] = {{2000000000, 0}, {2000000000, 0}};
        ::utimensat(AT_FDCWD, copy.c_str(), times, 0);
        std::string staged =
            Stage(copy, std::string(kEventText).replace(13, 14, "Staged"), 999999, left.stagedAt);
        if (!left.whole) {
            const std::string text = Read(staged);
            std::ofstream(staged, std::ios::binary) << text.substr(0, text.size() - 10);
            const timespec at[2] = {{left.stagedAt, 0}, {left.stagedAt, 0}};
            ::utimensat(AT_FDCWD, staged.c_str(), at, 0);
        }
        controller_.Initialise();
        EXPECT_FALSE(fs::exists(staged));
        ASSERT_TRUE(controller_.RecoverAutosave()) << sink_.GetText();
        EXPECT_EQ(controller_.GetEvent()->GetName(), left.offered);

        staged = Stage(copy, kEventText, 999999, 2000000200);
        ASSERT_TRUE(controller_.DeleteAutosaveFile());
        controller_.CloseEvent();
        for (const auto& entry : fs::directory_iterator(DataFolder())) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name.find("autosave") == std::string::npos ||
                        name.find(".owner") != std::string::npos)
                << name;
        }
        controller_.Initialise();
    }
    EXPECT_EQ(sink_.GetText(), "");
}
