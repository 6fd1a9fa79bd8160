#include "foundation/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "foundation/file_lock.h"
#include "support/ordinary_user.h"
#include "support/temp_folder.h"

namespace {

// An output file is refused where opening it for writing would be, though replacing it by a
// rename would succeed wherever its folder takes new files. Each write runs as an ordinary user.
TEST(OutputFile, IsWrittenOnlyWhereTheUserMayWriteIt) {
    TempFolder folder;
    OpenToOrdinaryUser(folder.Path());
    const std::string closed = folder.File("closed");
    ASSERT_EQ(::mkdir(closed.c_str(), 0755), 0);
    for (const char* name : {"mine.txt", "theirs.txt", "closed/open.txt"}) {
        folder.Write(name, "old");
    }
    ASSERT_EQ(::chmod(folder.File("mine.txt").c_str(), 0666), 0);
    ASSERT_EQ(::chmod(folder.File("theirs.txt").c_str(), 0444), 0);
    ASSERT_EQ(::symlink("theirs.txt", folder.File("link.txt").c_str()), 0);
    ASSERT_EQ(::chmod((closed + "/open.txt").c_str(), 0666), 0);
    ASSERT_EQ(::chmod(closed.c_str(), 0555), 0);
    struct Case {
        const char* name;
        std::string path;
        int error;  // 0: written
    };
    const Case cases[] = {
        {"a new file", folder.File("new.txt"), 0},
        {"a file the user may write", folder.File("mine.txt"), 0},
        {"a read-only file", folder.File("theirs.txt"), EACCES},
        {"a link to a read-only file", folder.File("link.txt"), EACCES},
        {"a folder", closed, EISDIR},
        {"in a missing folder", folder.File("missing/new.txt"), ENOENT},
        {"in a folder closed to new files", closed + "/open.txt", EACCES},
        {"no name", "", ENOENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string before = ReadWholeFile(c.path);
        const int result = AsOrdinaryUser([&] {
            const bool allowed = CanWriteOutputFile(c.path);
            const int refusal = errno;
            const bool written = WriteOutputFile(c.path, std::string("new"));
            if (c.error == 0) {
                return allowed && written ? 0 : 1;
            }
            return !allowed && refusal == c.error && !written && errno == c.error ? 0 : 2;
        });
        EXPECT_EQ(result, 0) << "1: refused, 2: written or another reason";
        EXPECT_EQ(ReadWholeFile(c.path), c.error == 0 ? "new" : before);
    }
    ::chmod(closed.c_str(), 0755);
}

// An export, a report or a handout saved by the name of the open event's file (by any of its
// names) would put itself in the event's place on disk while the window still shows the event as
// saved: the file the program holds locked is refused, and written again once let go.
TEST(OutputFile, NeverReplacesTheFileTheProgramHoldsLocked) {
    TempFolder folder;
    const std::string event = folder.Write("school.qmv", "the event");
    ASSERT_EQ(::link(event.c_str(), folder.File("second.qmv").c_str()), 0);
    ASSERT_EQ(::symlink("school.qmv", folder.File("linked.qmv").c_str()), 0);
    const struct {
        const char* what;
        std::string path;
    } rows[] = {
        {"its name", event},
        {"a second name", folder.File("second.qmv")},
        {"a link to it", folder.File("linked.qmv")},
    };
    {
        FileLock lock(event);
        ASSERT_EQ(lock.Lock(), FileLock::kLockHeld);
        for (const auto& row : rows) {
            SCOPED_TRACE(row.what);
            errno = 0;
            EXPECT_FALSE(CanWriteOutputFile(row.path));
            EXPECT_EQ(errno, EBUSY);
            EXPECT_FALSE(WriteOutputFile(row.path, "an export"));
            EXPECT_EQ(ReadWholeFile(event), "the event");
        }
        // Rewritten through the lock, the new file is the one held.
        ASSERT_TRUE(lock.WriteAll("saved", 5));
        EXPECT_FALSE(CanWriteOutputFile(event));
        EXPECT_TRUE(CanWriteOutputFile(folder.File("second.qmv"))) << "the old file, let go";
    }
    EXPECT_TRUE(WriteOutputFile(event, "an export"));
    EXPECT_EQ(ReadWholeFile(event), "an export");
}

// Last year's event open in a second copy of the program beside this year's: an export named as
// that file would take its place on disk while that window still shows it as saved, and closing
// it then loses the event. Its lock, held by the other process, refuses the export as ours does.
TEST(OutputFile, NeverReplacesTheFileAnotherRunningCopyHoldsLocked) {
    TempFolder folder;
    const std::string event = folder.Write("last-year.qmv", "last year's event");
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t otherCopy = ::fork();
    if (otherCopy == 0) {
        FileLock theirs(event);
        const char held = theirs.Lock() == FileLock::kLockHeld ? 'y' : 'n';
        (void)!::write(ready[1], &held, 1);
        char go;
        (void)!::read(release[0], &go, 1);
        ::_exit(0);
    }
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    ASSERT_EQ(held, 'y');
    errno = 0;
    const bool allowed = CanWriteOutputFile(event);
    const int refusal = errno;
    const bool written = WriteOutputFile(event, "an export");
    ASSERT_EQ(::write(release[1], "g", 1), 1);
    int status = 0;
    ::waitpid(otherCopy, &status, 0);
    for (int end : {ready[0], ready[1], release[0], release[1]}) {
        ::close(end);
    }
    EXPECT_FALSE(allowed);
    EXPECT_EQ(refusal, EBUSY);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadWholeFile(event), "last year's event");
}

}  // namespace
