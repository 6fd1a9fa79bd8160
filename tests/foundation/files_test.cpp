#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/atomic_file.h"
#include "foundation/files.h"
#include "foundation/md5.h"
#include "foundation/tokeniser.h"
#include "foundation/uc_error.h"
#include "foundation/user_data_folder.h"
#include "support/scoped_env.h"
#include "support/stalled_fifo.h"
#include "support/temp_folder.h"

namespace {

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

TEST(StdioFile, ReadLineDropsCarriageReturnsAndKeepsALastLineWithoutLineFeed) {
    TempFolder folder;
    WriteText(folder.File("lines"), "a\r\nb");
    StdioFile file(folder.File("lines").c_str(), nullptr);
    ASSERT_NE(file.GetFile(), nullptr);
    EXPECT_EQ(file.Size(), 4);
    std::string line;
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(line, "a");
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(line, "b");
    EXPECT_FALSE(file.ReadLine(line));
    EXPECT_TRUE(file.Eof());
}

TEST(StdioFile, ReadLineEndsALineAtCarriageReturnLineFeedOrBoth) {
    const struct {
        const char* name;
        std::string content;
        std::vector<std::string> lines;
    } cases[] = {
        {"line feeds", "a\nb\n", {"a", "b"}},
        {"carriage returns alone", "a\rb\rc", {"a", "b", "c"}},
        {"both", "a\r\nb\r\n", {"a", "b"}},
        {"mixed, with empty lines", "a\r\rb\n\nc\r\n\r\nd", {"a", "", "b", "", "c", "", "d"}},
        {"a last carriage return", "a\r", {"a"}},
        {"nothing", "", {}},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteText(folder.File("lines"), c.content);
        StdioFile file(folder.File("lines").c_str(), "rb");
        std::vector<std::string> lines;
        std::string line;
        while (file.ReadLine(line)) {
            lines.push_back(line);
        }
        EXPECT_EQ(lines, c.lines);
    }
}

TEST(StdioFile, MissingFileGivesNoStream) {
    StdioFile file("/nonexistent-folder/none", "r");
    EXPECT_EQ(file.GetFile(), nullptr);
    std::string line;
    EXPECT_FALSE(file.ReadLine(line));
}

TEST(FileName, AsksTheSystemAgainUntilTheFileExists) {
    TempFolder folder;
    FileName name(folder.File("later"));
    EXPECT_FALSE(name.Exists());
    EXPECT_EQ(name.Size(), 0);
    EXPECT_EQ(name.ModificationTime(), 0);
    WriteText(folder.File("later"), "12345");
    EXPECT_TRUE(name.Exists());
    EXPECT_EQ(name.Size(), 5);
    EXPECT_FALSE(name.IsDirectory());
    EXPECT_NE(name.ModificationTime(), 0);
}

TEST(FileName, KeepsItsStatusUntilCleared) {
    TempFolder folder;
    WriteText(folder.File("grows"), "ab");
    FileName name(folder.File("grows"));
    EXPECT_EQ(name.Size(), 2);
    WriteText(folder.File("grows"), "abcd");
    EXPECT_EQ(name.Size(), 2);
    name.ClearStatus();
    EXPECT_EQ(name.Size(), 4);
}

TEST(FileName, ReadAllGivesExactlyTheFilesBytesOrNothing) {
    TempFolder folder;
    const std::string bytes("x\0y\r\n", 5);
    WriteText(folder.File("data"), bytes);
    WriteText(folder.File("empty"), "");
    auto buffer = FileName(folder.File("data")).ReadAll();
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->ToString(), bytes);
    EXPECT_EQ(FileName(folder.File("empty")).ReadAll(), nullptr);
    EXPECT_EQ(FileName(folder.File("missing")).ReadAll(), nullptr);
}

TEST(FileName, ReadAllReadsAFileThatGrewSinceItsStatusWasKept) {
    TempFolder folder;
    WriteText(folder.File("grows"), "ab");
    FileName name(folder.File("grows"));
    EXPECT_EQ(name.Size(), 2);
    WriteText(folder.File("grows"), "abcdef");
    auto buffer = name.ReadAll();
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->ToString(), "abcdef");
}

TEST(FileName, MakesAndJoinsFolders) {
    TempFolder folder;
    FileName sub(folder.File("sub"));
    EXPECT_TRUE(sub.MakeDirectory());
    EXPECT_TRUE(sub.IsDirectory());
    EXPECT_FALSE(sub.MakeDirectory());
    EXPECT_EQ(sub.Join("file.txt"), folder.File("sub/file.txt"));
}

TEST(DirectoryName, DropsOneTrailingSeparatorButKeepsTheRoot) {
    const struct {
        const char* given;
        const char* held;
    } cases[] = {{"/", "/"}, {"/data/", "/data"}, {"/data", "/data"}, {"rel/", "rel"}, {"", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        EXPECT_EQ(DirectoryName(c.given).GetPath(), c.held);
    }
}

TEST(DirectoryName, ListsEveryEntryIncludingDots) {
    TempFolder folder;
    WriteText(folder.File("one"), "1");
    UCStringList names;
    ASSERT_TRUE(DirectoryName(folder.Path()).List(names));
    std::vector<std::string> sorted(names.begin(), names.end());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::string>{".", "..", "one"}));
    EXPECT_FALSE(DirectoryName(folder.File("missing")).List(names));
}

TEST(DirectoryName, TempDirectoryFollowsTmpdirWhenItIsAFolder) {
    TempFolder folder;
    {
        ScopedEnv env("TMPDIR", (folder.Path() + "/").c_str());
        EXPECT_EQ(DirectoryName::TempDirectory().GetPath(), folder.Path());
    }
    {
        ScopedEnv env("TMPDIR", folder.File("missing").c_str());
        EXPECT_EQ(DirectoryName::TempDirectory().GetPath(), "/tmp");
    }
    {
        ScopedEnv env("TMPDIR", nullptr);
        EXPECT_EQ(DirectoryName::TempDirectory().GetPath(), "/tmp");
    }
}

TEST(AtomicFile, ReplacesTheContentAndKeepsThePermissions) {
    TempFolder folder;
    const std::string path = folder.File("settings");
    WriteText(path, "a much longer old content");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(path, std::string("new")));
    EXPECT_EQ(ReadWholeFile(path), "new");
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"settings"});
}

// A group other than the saver's own that the saver may give a file; 0 when there is none.
gid_t AnotherSettableGroup() {
    if (::geteuid() == 0) {
        return 4321;
    }
    gid_t groups[64];
    const int count = ::getgroups(64, groups);
    for (int i = 0; i < count; ++i) {
        if (groups[i] != ::getegid()) {
            return groups[i];
        }
    }
    return 0;
}

// An office shares the event through a group (mode 0660, a folder without the set-group-id
// bit): a save keeps the file the group's. A saver who may not give it that group still saves.
TEST(AtomicFile, AReplacementKeepsTheGroupWhereTheSaverMaySetIt) {
    const gid_t office = AnotherSettableGroup();
    if (office == 0) {
        GTEST_SKIP() << "this user can set no group but its own";
    }
    TempFolder folder;
    const std::string path = folder.File("shared.qmv");
    WriteText(path, "old");
    ASSERT_EQ(::chown(path.c_str(), static_cast<uid_t>(-1), office), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0660), 0);
    ASSERT_TRUE(WriteFileAtomically(path, std::string("new")));
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_gid, office);
    EXPECT_EQ(status.st_mode & 07777, 0660u);
    EXPECT_EQ(ReadWholeFile(path), "new");

    if (::geteuid() != 0) {
        return;
    }
    // Someone outside the group, who may write the file and its folder all the same.
    ASSERT_EQ(::chmod(folder.Path().c_str(), 0777), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const bool saved = ::setgid(65534) == 0 && ::setuid(65534) == 0 &&
                           WriteFileAtomically(path, std::string("outsider"));
        ::_exit(saved ? 0 : 1);
    }
    int result = -1;
    ASSERT_EQ(::waitpid(child, &result, 0), child);
    EXPECT_TRUE(WIFEXITED(result) && WEXITSTATUS(result) == 0);
    EXPECT_EQ(ReadWholeFile(path), "outsider");
}

TEST(AtomicFile, WritesThroughASymbolicLinkToItsTarget) {
    TempFolder folder;
    WriteText(folder.File("target"), "old");
    ASSERT_EQ(::symlink("target", folder.File("link").c_str()), 0);
    ASSERT_TRUE(WriteFileAtomically(folder.File("link"), std::string("new")));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.File("link")));
    EXPECT_EQ(ReadWholeFile(folder.File("target")), "new");
}

TEST(AtomicFile, FailsWithoutTouchingAnythingWhenTheFolderIsMissing) {
    TempFolder folder;
    EXPECT_FALSE(WriteFileAtomically(folder.File("missing/file"), std::string("x")));
    EXPECT_EQ(errno, ENOENT);
}

// The write fails part-way (a file-size limit set in a child process) and the old file must
// be exactly as it was, with no half-written file left beside it.
TEST(AtomicFile, AnInterruptedWriteLeavesTheOldFileWhole) {
    TempFolder folder;
    const std::string path = folder.File("event.qmv");
    const std::string old = "Event:\nName \"Spring evening\"\n";
    WriteText(path, old);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{16, 16};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string replacement(4096, 'x');
        const bool written = WriteFileAtomically(path, replacement);
        ::_exit(!written && errno == EFBIG ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write should fail with EFBIG";
    EXPECT_EQ(ReadWholeFile(path), old);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"event.qmv"});
}

TEST(FolderOf, TakesThePartBeforeTheLastSeparator) {
    EXPECT_EQ(FolderOf("/a/b/c"), "/a/b");
    EXPECT_EQ(FolderOf("/c"), "/");
    EXPECT_EQ(FolderOf("c"), ".");
}

TEST(UserDataFolder, IsCreatedWithItsParentsUnderTheConfigHome) {
    TempFolder folder;
    ScopedEnv env("XDG_CONFIG_HOME", folder.File("a/b").c_str());
    const std::string result = UserDataFolder();
    EXPECT_EQ(result, folder.File("a/b/Quillmoot"));
    EXPECT_TRUE(std::filesystem::is_directory(result));
    EXPECT_EQ(UserDataFolder(), result);
}

TEST(UserDataFolder, FallsBackToDotConfigInHomeWhenTheConfigHomeIsUnsetOrRelative) {
    TempFolder folder;
    ScopedEnv home("HOME", folder.Path().c_str());
    {
        ScopedEnv env("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(UserDataFolder(), folder.File(".config/Quillmoot"));
    }
    {
        ScopedEnv env("XDG_CONFIG_HOME", "relative/path");
        EXPECT_EQ(UserDataFolder(), folder.File(".config/Quillmoot"));
    }
}

TEST(UserDataFolder, ReportsAndGivesNothingWhenTheFolderCannotBeMade) {
    TempFolder folder;
    WriteText(folder.File("plainfile"), "");
    ScopedEnv env("XDG_CONFIG_HOME", folder.File("plainfile").c_str());
    UCStringError sink;
    EXPECT_EQ(UserDataFolder(), "");
    EXPECT_EQ(sink.GetText(), "Error: Cannot create directory '" +
                                  folder.File("plainfile/Quillmoot") + "': Not a directory\n");
}

// A FIFO, a device or a folder named where a file belongs is refused at once, never opened to
// wait for a writer; the reason reads after "...: " in a message.
TEST(OrdinaryFile, OnlyOrdinaryFilesAreOpenedAndNothingWaits) {
    TempFolder folder;
    WriteText(folder.File("data"), "abc");
    std::filesystem::create_directory(folder.File("sub"));
    std::filesystem::create_symlink(folder.File("data"), folder.File("link"));
    StalledFifo fifo(folder.File("fifo"));
    struct Case {
        std::string path;
        std::string why;
    };
    const Case cases[] = {
        {folder.File("data"), ""},
        {folder.File("link"), ""},
        {folder.File("sub"), "Is a directory"},
        {fifo.Path(), "it is not an ordinary file"},
        {"/dev/null", "it is not an ordinary file"},
        {folder.File("missing"), "No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(WhyNotOrdinaryFile(c.path), c.why);
        std::string why = "unchanged";
        StdioFile file(OpenOrdinaryFile(c.path, &why));
        EXPECT_EQ(file.GetFile() != nullptr, c.why.empty());
        EXPECT_EQ(why, c.why.empty() ? "unchanged" : c.why);
        auto bytes = FileName(c.path).ReadAll();
        EXPECT_EQ(bytes ? bytes->ToString() : "", c.why.empty() ? "abc" : "");
        EXPECT_EQ(MD5().FileHexDigest(c.path.c_str()).empty(), !c.why.empty());
        {
            UCStringError quiet;
            EXPECT_EQ(Tokeniser().Open(c.path.c_str()), c.why.empty());
        }
        if (file.GetFile() != nullptr) {
            std::string line;
            EXPECT_TRUE(file.ReadLine(line));
            EXPECT_EQ(line, "abc");
        }
    }
    EXPECT_TRUE(fifo.Refused()) << fifo.Elapsed() << " s";
}
