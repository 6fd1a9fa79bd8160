#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/event_file_format.h"
#include "app/qm_controller.h"
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

// A temporary user data folder ($XDG_CONFIG_HOME) and a folder for the user's event files.
// Each "run" of the program is a controller of its own; a crash is a controller that is
// destroyed without the window's closing steps.
class AutosaveRecovery : public ::testing::Test {
protected:
    AutosaveRecovery() {
        std::string pattern = DirectoryName::TempDirectory().GetPath() + "/qm-recovery-XXXXXX";
        root_ = ::mkdtemp(pattern.data());
        const char* old = ::getenv("XDG_CONFIG_HOME");
        hadConfigHome_ = old != nullptr;
        oldConfigHome_ = old != nullptr ? old : "";
        ::setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
        fs::create_directories(root_ + "/events");
        eventPath_ = root_ + "/events/spring.qmv";
        std::ofstream(eventPath_, std::ios::binary) << kEventText;
    }
    ~AutosaveRecovery() override {
        if (hadConfigHome_) {
            ::setenv("XDG_CONFIG_HOME", oldConfigHome_.c_str(), 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
        fs::remove_all(root_);
    }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }
    std::string DataFolder() const { return root_ + "/config/Quillmoot"; }
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

    std::string root_;
    std::string eventPath_;
    bool hadConfigHome_ = false;
    std::string oldConfigHome_;
    UCStringError sink_;
};

}  // namespace

TEST_F(AutosaveRecovery, AnUnchangedEventIsNotWritten) {
    QMController controller;
    controller.Initialise();
    EXPECT_FALSE(controller.Autosave());
    ASSERT_TRUE(controller.OpenEventFile(eventPath_.c_str()));
    EXPECT_TRUE(controller.Autosave());
    EXPECT_FALSE(controller.AutosaveFileExists());
}

TEST_F(AutosaveRecovery, TheCopyEndsWithItsDigestAndTheEventStaysChanged) {
    QMController controller;
    controller.Initialise();
    ASSERT_TRUE(controller.OpenEventFile(eventPath_.c_str()));
    controller.GetEvent()->SetName("Changed");
    ASSERT_TRUE(controller.Autosave()) << sink_.GetText();
    ASSERT_TRUE(controller.AutosaveFileExists());
    const std::string copy = Read(controller.GetAutosavePath());
    EXPECT_TRUE(VerifyAutosaveText(copy));
    EXPECT_NE(copy.find("Name \"Changed\""), std::string::npos);
    EXPECT_TRUE(controller.GetSchedule()->IsModified());
    // The user's own file is untouched by the autosave.
    EXPECT_EQ(Read(eventPath_), kEventText);
}

TEST_F(AutosaveRecovery, AnAutosaveThatFailsHalfWayKeepsThePreviousCopy) {
    QMController controller;
    controller.Initialise();
    ASSERT_TRUE(controller.OpenEventFile(eventPath_.c_str()));
    controller.GetEvent()->SetName("First");
    ASSERT_TRUE(controller.Autosave());
    const std::string before = Read(controller.GetAutosavePath());

    controller.GetEvent()->SetName(std::string(5000, 'y'));
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    sighandler_t oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = before.size() + 100;
    ::setrlimit(RLIMIT_FSIZE, &limited);
    const bool saved = controller.Autosave();
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_NE(
        sink_.GetText().find("Could not auto-save to file '" + controller.GetAutosavePath() + "'"),
        std::string::npos);
    EXPECT_EQ(Read(controller.GetAutosavePath()), before);
}

TEST_F(AutosaveRecovery, ARecoveredEventHasNoFileNameUntilItIsSavedElsewhere) {
    RunAndCrash("Recovered evening");

    QMController controller;
    controller.Initialise();
    ASSERT_TRUE(controller.AutosaveFileExists());
    ASSERT_TRUE(controller.RecoverAutosave()) << sink_.GetText();
    EXPECT_EQ(controller.GetEvent()->GetName(), "Recovered evening");
    EXPECT_TRUE(controller.GetSchedule()->IsModified());
    // The window does Save As for an event without a name: nothing can overwrite the copy.
    EXPECT_EQ(controller.GetFileName(), "");
    EXPECT_TRUE(controller.AutosaveFileExists());
    EXPECT_EQ(controller.GetEvent()->GetParents().Count(), 1u);

    // A failed save keeps the copy too.
    EXPECT_FALSE(controller.SaveEvent((root_ + "/nowhere/x.qmv").c_str()));
    EXPECT_TRUE(controller.AutosaveFileExists());

    const std::string savedPath = root_ + "/events/recovered.qmv";
    ASSERT_TRUE(controller.SaveEvent(savedPath.c_str())) << sink_.GetText();
    EXPECT_EQ(controller.GetFileName(), savedPath);
    EXPECT_FALSE(controller.AutosaveFileExists());
    EXPECT_FALSE(controller.GetSchedule()->IsModified());
    controller.CloseEvent();

    QMController next;
    next.Initialise();
    EXPECT_FALSE(next.AutosaveFileExists());
    ASSERT_TRUE(next.OpenEventFile(savedPath.c_str()));
    EXPECT_EQ(next.GetEvent()->GetName(), "Recovered evening");
    EXPECT_EQ(next.GetEvent()->GetParents().Get(0)->GetNotes(), "Two lines\nof notes");
}

TEST_F(AutosaveRecovery, ACopyWhoseDigestDoesNotMatchIsReportedAndKeptAside) {
    RunAndCrash("Tampered evening");
    QMController controller;
    controller.Initialise();
    const std::string autosave = controller.GetAutosavePath();
    std::string copy = Read(autosave);
    const size_t at = copy.find("Tampered");
    ASSERT_NE(at, std::string::npos);
    copy[at] = 'H';
    std::ofstream(autosave, std::ios::binary) << copy;

    EXPECT_FALSE(controller.RecoverAutosave());
    const std::string said = sink_.GetText();
    EXPECT_NE(said.find("check line does not match"), std::string::npos) << said;
    EXPECT_EQ(controller.GetSchedule(), nullptr);
    EXPECT_FALSE(controller.AutosaveFileExists());
    const std::vector<std::string> kept = FailedCopies();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(Read(kept[0]), copy);
    EXPECT_NE(said.find("kept as '" + kept[0] + "'"), std::string::npos) << said;
}

TEST_F(AutosaveRecovery, ACopyWithoutItsCheckLineIsKeptAsideAndNeverOverwritten) {
    RunAndCrash("Cut short");
    QMController controller;
    controller.Initialise();
    // A copy cut off before its check line, as a full disk might have left it.
    std::string copy = Read(controller.GetAutosavePath());
    copy = copy.substr(0, copy.rfind('#'));
    std::ofstream(controller.GetAutosavePath(), std::ios::binary) << copy;
    EXPECT_FALSE(controller.RecoverAutosave());
    EXPECT_NE(sink_.GetText().find("kept as '"), std::string::npos);
    EXPECT_EQ(controller.GetSchedule(), nullptr);
    ASSERT_EQ(FailedCopies().size(), 1u);

    // A second failure in the same second gets a name of its own.
    std::ofstream(controller.GetAutosavePath(), std::ios::binary) << copy;
    EXPECT_FALSE(controller.RecoverAutosave());
    EXPECT_EQ(FailedCopies().size(), 2u);

    // Later autosaves leave the kept copies alone.
    ASSERT_TRUE(controller.OpenEventFile(eventPath_.c_str()));
    controller.GetEvent()->SetName("Later");
    ASSERT_TRUE(controller.Autosave());
    EXPECT_EQ(FailedCopies().size(), 2u);
    for (const std::string& kept : FailedCopies()) {
        EXPECT_EQ(Read(kept), copy);
    }
}

TEST_F(AutosaveRecovery, ACopyWithARightDigestButDamagedTextIsKeptAside) {
    QMController controller;
    controller.Initialise();
    const std::string damaged =
        "Event:\nName \"x\"\n\nTeachers:\n\"A\"\n\nParents:\n\"P\"\npupil 12\n";
    std::ofstream(controller.GetAutosavePath(), std::ios::binary)
        << damaged << "#" << MD5().HexDigest(damaged) << "\n";
    ASSERT_TRUE(VerifyAutosaveText(Read(controller.GetAutosavePath())));
    EXPECT_FALSE(controller.RecoverAutosave());
    EXPECT_NE(sink_.GetText().find("The event file seems to be invalid at line"),
              std::string::npos);
    EXPECT_EQ(controller.GetSchedule(), nullptr);
    EXPECT_FALSE(controller.AutosaveFileExists());
    EXPECT_EQ(FailedCopies().size(), 1u);
}
