#include "foundation/file_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "foundation/atomic_file.h"
#include "foundation/files.h"
#include "foundation/uc_error.h"
#include "support/ordinary_user.h"
#include "support/temp_folder.h"

namespace {

class FileLockTest : public ::testing::Test {
protected:
    void Write(const std::string& text) { temp_.Write("event.qmv", text); }
    std::string Read() const { return temp_.Read("event.qmv"); }
    size_t EntriesInFolder() const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder_),
                                                 std::filesystem::directory_iterator()));
    }

    // Runs body in a forked process and returns its exit code.
    template <typename Body>
    int InChildProcess(Body body) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::_exit(body());
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Whether another process can lock the file just now.
    bool AnotherProcessCanLock() {
        return InChildProcess([this] {
                   UCStringError quiet;
                   FileLock other(path_);
                   return other.Lock() == FileLock::kLockHeld ? 0 : 1;
               }) == 0;
    }

    TempFolder temp_{"qm-lock"};
    const std::string folder_ = temp_.Path();
    const std::string path_ = temp_.File("event.qmv");
};

}  // namespace

TEST_F(FileLockTest, ExcludesASecondLockInThisProcessAndInAnother) {
    Write("content");
    UCStringError sink;
    {
        FileLock first(path_);
        ASSERT_EQ(first.Lock(), FileLock::kLockHeld);
        FileLock second(path_);
        EXPECT_EQ(second.Lock(), FileLock::kLockFailed);
        EXPECT_FALSE(second.IsHeld());
        EXPECT_EQ(sink.GetText(),
                  "Error: Cannot lock file '" + path_ + "': the file is already in use\n");
        EXPECT_FALSE(AnotherProcessCanLock());
    }
    EXPECT_TRUE(AnotherProcessCanLock());
    FileLock again(path_);
    EXPECT_EQ(again.Lock(), FileLock::kLockHeld);
}

TEST_F(FileLockTest, ALockHeldByAnotherProcessShutsUsOut) {
    Write("content");
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        FileLock theirs(path_);
        const char held = theirs.Lock() == FileLock::kLockHeld ? 'y' : 'n';
        (void)!::write(ready[1], &held, 1);
        char go;
        (void)!::read(release[0], &go, 1);
        ::_exit(0);
    }
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    ASSERT_EQ(held, 'y');
    {
        UCStringError sink;
        FileLock ours(path_);
        EXPECT_EQ(ours.Lock(), FileLock::kLockFailed);
        EXPECT_NE(sink.GetText().find("Cannot lock file '" + path_ + "': "), std::string::npos);
    }
    ASSERT_EQ(::write(release[1], "g", 1), 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]}) {
        ::close(fd);
    }
    FileLock ours(path_);
    EXPECT_EQ(ours.Lock(), FileLock::kLockHeld);
}

TEST_F(FileLockTest, ReadsTheWholeFileThroughTheLock) {
    const std::string bytes("Event:\n\0x", 9);
    Write(bytes);
    FileLock lock(path_);
    ASSERT_EQ(lock.Lock(), FileLock::kLockHeld);
    auto buffer = lock.ReadAll();
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->ToString(), bytes);
}

TEST_F(FileLockTest, AnEmptyFileReadsAsNothing) {
    Write("");
    FileLock lock(path_);
    ASSERT_EQ(lock.Lock(), FileLock::kLockHeld);
    EXPECT_EQ(lock.ReadAll(), nullptr);
}

TEST_F(FileLockTest, WritingFewerBytesLeavesTheFileExactlyThatLong) {
    Write("a long old content of the event file");
    FileLock lock(path_);
    ASSERT_EQ(lock.Lock(), FileLock::kLockHeld);
    ASSERT_TRUE(lock.WriteAll("short", 5));
    EXPECT_EQ(Read(), "short");
    auto buffer = lock.ReadAll();
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->ToString(), "short");
    EXPECT_EQ(EntriesInFolder(), 1u);
}

TEST_F(FileLockTest, StillExcludesOthersAfterASave) {
    Write("old");
    FileLock lock(path_);
    ASSERT_EQ(lock.Lock(), FileLock::kLockHeld);
    ASSERT_TRUE(lock.WriteAll("new", 3));
    ASSERT_TRUE(lock.WriteAll("newer", 5));
    UCStringError sink;
    FileLock second(path_);
    EXPECT_EQ(second.Lock(), FileLock::kLockFailed);
    EXPECT_FALSE(AnotherProcessCanLock());
}

TEST_F(FileLockTest, LockingAMissingFileCreatesNothingUntilTheFirstSave) {
    UCStringError sink;
    FileLock lock(path_);
    ASSERT_EQ(lock.Lock(), FileLock::kLockHeld);
    EXPECT_EQ(lock.ReadAll(), nullptr);
    EXPECT_FALSE(std::filesystem::exists(path_));
    ASSERT_TRUE(lock.WriteAll("first save", 10));
    EXPECT_EQ(Read(), "first save");
    EXPECT_FALSE(AnotherProcessCanLock());
    EXPECT_EQ(sink.GetText(), "");
}

TEST_F(FileLockTest, AFirstSaveThroughALinkToAMissingFileMakesItsTarget) {
    std::filesystem::create_directory(folder_ + "/real");
    const std::string link = temp_.File("link.qmv");
    std::filesystem::create_symlink("real/event.qmv", link);
    FileLock lock(link);
    ASSERT_EQ(lock.Lock(), FileLock::kLockHeld);
    ASSERT_TRUE(lock.WriteAll("first save", 10));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(temp_.Read("real/event.qmv"), "first save");
}

TEST_F(FileLockTest, AFirstSaveRefusesAFileThatAppearedMeanwhile) {
    FileLock lock(path_);
    ASSERT_EQ(lock.Lock(), FileLock::kLockHeld);
    Write("someone else's");
    EXPECT_FALSE(lock.WriteAll("ours", 4));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(Read(), "someone else's");
}

TEST_F(FileLockTest, AMissingFolderOrAFolderCannotBeLocked) {
    UCStringError sink;
    FileLock inMissingFolder(folder_ + "/missing/event.qmv");
    EXPECT_EQ(inMissingFolder.Lock(), FileLock::kLockFailed);
    EXPECT_EQ(sink.GetText(), "Error: Cannot lock file '" + folder_ +
                                  "/missing/event.qmv': No such file or directory\n");
    FileLock onFolder(folder_);
    EXPECT_EQ(onFolder.Lock(), FileLock::kLockFailed);
    EXPECT_EQ(sink.GetText(), "Error: Cannot lock file '" + folder_ + "': Is a directory\n");
    EXPECT_FALSE(onFolder.WriteAll("x", 1));
}

// A save cut short by a file-size limit (in a forked child, so the limit stays there) must
// leave the old event file byte for byte as it was, and still locked.
TEST_F(FileLockTest, AnInterruptedSaveLeavesTheOldFileIntact) {
    const std::string old = "Event:\nName \"Spring evening\"\nSlotLength 300\n";
    Write(old);
    FileLock lock(path_);
    ASSERT_EQ(lock.Lock(), FileLock::kLockHeld);
    const int result = InChildProcess([&lock] {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{10, 10};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string replacement(100000, 'x');
        const bool written = lock.WriteAll(replacement.data(), replacement.size());
        return !written && errno == EFBIG ? 0 : 1;
    });
    EXPECT_EQ(result, 0) << "the save should fail with EFBIG";
    EXPECT_EQ(Read(), old);
    EXPECT_EQ(EntriesInFolder(), 1u);
    auto buffer = lock.ReadAll();
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->ToString(), old);
    EXPECT_FALSE(AnotherProcessCanLock());
}

// A replacement that looks last: the file it would replace is shown to the look after the two
// have swapped names, and one refused is back in place, whole, with nothing left beside it.
TEST_F(FileLockTest, AReplacementShowsTheLookTheFileItReplacesAndPutsBackOneRefused) {
    const struct {
        const char* what;
        bool existsAtLock;
        std::function<void()> meanwhile;
        bool accept;
        FileLock::Replaced outcome;
        const char* shown;  // what the look read; "" when it was not asked
        const char* left;
    } rows[] = {
        {"accepted", true, [] {}, true, FileLock::Replaced::Done, "old", "new"},
        {"refused", true, [] {}, false, FileLock::Replaced::Kept, "old", "old"},
        {"renamed over, refused", true,
         [this] {
             temp_.Write("theirs.qmv", "theirs");
             std::filesystem::rename(temp_.File("theirs.qmv"), path_);
         },
         false, FileLock::Replaced::Kept, "theirs", "theirs"},
        {"removed meanwhile", true, [this] { std::filesystem::remove(path_); }, false,
         FileLock::Replaced::Done, "", "new"},
        {"made meanwhile, refused", false, [this] { Write("theirs"); }, false,
         FileLock::Replaced::Kept, "theirs", "theirs"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::filesystem::remove(path_);
        if (row.existsAtLock) {
            Write("old");
        }
        FileLock lock(path_);
        ASSERT_EQ(lock.Lock(), FileLock::kLockHeld);
        row.meanwhile();
        std::string shown;
        // Told once the new file has the name, and only then.
        std::vector<std::string> taken;
        const FileLock::Replaced outcome = lock.Replace(
            "new", 3,
            [&](const std::string& at) {
                shown = ReadWholeFile(at);
                return row.accept;
            },
            [&] { taken.push_back(Read()); });
        EXPECT_EQ(outcome, row.outcome);
        EXPECT_EQ(taken, outcome == FileLock::Replaced::Done ? std::vector<std::string>{"new"}
                                                             : std::vector<std::string>{});
        EXPECT_EQ(shown, row.shown);
        EXPECT_EQ(Read(), row.left);
        EXPECT_EQ(EntriesInFolder(), 1u);
        // The lock goes on holding what it wrote.
        struct stat held {};
        struct stat named {};
        if (outcome == FileLock::Replaced::Done) {
            ASSERT_TRUE(lock.Identify(&held));
            ASSERT_EQ(::stat(path_.c_str(), &named), 0);
            EXPECT_EQ(held.st_ino, named.st_ino);
            EXPECT_FALSE(AnotherProcessCanLock());
        }
    }
}

// Another program's file that a refused replacement cannot put back (a newer one landed at the
// name during the look, or the swap back is refused) is never removed: it is kept beside the
// name under one of its own, which the caller can tell the user. The name keeps whatever is
// newest: another program's latest, or the new file when nothing could go back; a name left
// empty takes the refused file back.
TEST_F(FileLockTest, AFileThatCannotGoBackIsKeptUnderANameOfItsOwn) {
    const struct {
        const char* what;
        // Run during the look, in the folder the file is in.
        void (*duringLook)(const std::string& folder, const std::string& path);
        FileLock::Replaced outcome;
        const char* left;
    } rows[] = {
        {"the new file is moved away during the look",
         [](const std::string& folder, const std::string& path) {
             std::filesystem::rename(path, folder + "/moved");
             std::filesystem::remove(folder + "/moved");
         },
         FileLock::Replaced::Kept, "theirs"},
        {"a newer version lands during the look",
         [](const std::string& folder, const std::string& path) {
             std::ofstream(folder + "/incoming", std::ios::binary) << "newest";
             std::filesystem::rename(folder + "/incoming", path);
         },
         FileLock::Replaced::Kept, "newest"},
        {"the folder refuses the swap back",
         [](const std::string& folder, const std::string&) { ::chmod(folder.c_str(), 0555); },
         FileLock::Replaced::Done, "new"},
    };
    OpenToOrdinaryUser(folder_);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string folder = folder_ + "/" + std::to_string(&row - rows);
        const std::string path = folder + "/event.qmv";
        const std::string report = temp_.File("report");
        // As an ordinary user, whom a folder's permissions bind.
        const int result = AsOrdinaryUser([&] {
            std::filesystem::create_directory(folder);
            std::ofstream(path, std::ios::binary) << "old";
            FileLock lock(path);
            if (lock.Lock() != FileLock::kLockHeld) {
                return 1;
            }
            std::ofstream(folder + "/theirs", std::ios::binary) << "theirs";
            std::filesystem::rename(folder + "/theirs", path);
            const FileLock::Replaced outcome = lock.Replace("new", 3, [&](const std::string&) {
                row.duringLook(folder, path);
                return false;
            });
            ::chmod(folder.c_str(), 0755);
            std::ofstream(report, std::ios::binary) << lock.KeptAside();
            return outcome == row.outcome ? 0 : 2;
        });
        EXPECT_EQ(result, 0);
        EXPECT_EQ(ReadWholeFile(path), row.left);
        const std::string kept = ReadWholeFile(report);
        if (row.left == std::string("theirs")) {
            EXPECT_EQ(kept, "") << "it went back";
            continue;
        }
        ASSERT_FALSE(kept.empty()) << "the caller is told where it is";
        EXPECT_EQ(FolderOf(kept), folder);
        EXPECT_EQ(ReadWholeFile(kept), "theirs");
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            names.push_back(entry.path().string());
        }
        std::vector<std::string> expected = {path, kept};
        std::sort(names.begin(), names.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected);
    }
}

// Only another name of the file held takes the lock and its rewrites; anything else (another
// file, the same name spelled otherwise, nothing) leaves both where they were.
TEST_F(FileLockTest, TheLockMovesOnlyToAnotherNameOfTheFileItHolds) {
    const std::string other = temp_.Write("other.qmv", "theirs");
    const std::string link = temp_.File("second.qmv");
    const struct {
        const char* what;
        std::string path;
        bool moves;
    } rows[] = {
        {"another file", other, false},
        {"the same name spelled otherwise", folder_ + "/./event.qmv", false},
        {"no file", temp_.File("missing.qmv"), false},
        {"a second name", link, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::filesystem::remove(path_);
        std::filesystem::remove(link);
        Write("old");
        std::filesystem::create_hard_link(path_, link);
        FileLock lock(path_);
        ASSERT_EQ(lock.Lock(), FileLock::kLockHeld);
        EXPECT_EQ(lock.MoveTo(row.path), row.moves);
        EXPECT_EQ(lock.GetPath(), row.moves ? row.path : path_);
        ASSERT_TRUE(lock.WriteAll("new", 3));
        EXPECT_EQ(temp_.Read("other.qmv"), "theirs");
        EXPECT_EQ(ReadWholeFile(row.moves ? link : path_), "new");
        EXPECT_EQ(ReadWholeFile(row.moves ? path_ : link), "old");
    }
}
