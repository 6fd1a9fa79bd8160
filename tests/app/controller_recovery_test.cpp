#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <functional>

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

    // A run that changes the event and crashes after its autosave.
    void RunAndCrash(const std::string& newName) {
        QMController controller;
        controller.Initialise();
        ASSERT_TRUE(controller.OpenEventFile(eventPath_.c_str()));
        controller.GetEvent()->SetName(newName);
        ASSERT_TRUE(controller.Autosave());
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
