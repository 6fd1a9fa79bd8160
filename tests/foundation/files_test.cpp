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

#include "foundation/atomic_file.h"
#include "foundation/files.h"
#include "foundation/uc_error.h"
#include "foundation/user_data_folder.h"

namespace {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = DirectoryName::TempDirectory().GetPath() + "/qm-files-XXXXXX";
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    std::string Path(const std::string& name) const { return path_ + "/" + name; }
    const std::string& Path() const { return path_; }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

private:
    std::string path_;
};

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// Sets an environment variable for one test and puts the old value back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        hadOld_ = old != nullptr;
        old_ = hadOld_ ? old : "";
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (hadOld_) {
            ::setenv(name_, old_.c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    bool hadOld_;
    std::string old_;
};

}  // namespace

TEST(StdioFile, ReadLineDropsCarriageReturnsAndKeepsALastLineWithoutLineFeed) {
    TempFolder folder;
    WriteText(folder.Path("lines"), "a\r\nb");
    StdioFile file(folder.Path("lines").c_str(), nullptr);
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

TEST(StdioFile, MissingFileGivesNoStream) {
    StdioFile file("/nonexistent-folder/none", "r");
    EXPECT_EQ(file.GetFile(), nullptr);
    std::string line;
    EXPECT_FALSE(file.ReadLine(line));
}

TEST(FileName, AsksTheSystemAgainUntilTheFileExists) {
    TempFolder folder;
    FileName name(folder.Path("later"));
    EXPECT_FALSE(name.Exists());
    EXPECT_EQ(name.Size(), 0);
    EXPECT_EQ(name.ModificationTime(), 0);
    WriteText(folder.Path("later"), "12345");
    EXPECT_TRUE(name.Exists());
    EXPECT_EQ(name.Size(), 5);
    EXPECT_FALSE(name.IsDirectory());
    EXPECT_NE(name.ModificationTime(), 0);
}

TEST(FileName, KeepsItsStatusUntilCleared) {
    TempFolder folder;
    WriteText(folder.Path("grows"), "ab");
    FileName name(folder.Path("grows"));
    EXPECT_EQ(name.Size(), 2);
    WriteText(folder.Path("grows"), "abcd");
    EXPECT_EQ(name.Size(), 2);
    name.ClearStatus();
    EXPECT_EQ(name.Size(), 4);
}

TEST(FileName, ReadAllGivesExactlyTheFilesBytesOrNothing) {
    TempFolder folder;
    const std::string bytes("x\0y\r\n", 5);
    WriteText(folder.Path("data"), bytes);
    WriteText(folder.Path("empty"), "");
    auto buffer = FileName(folder.Path("data")).ReadAll();
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->ToString(), bytes);
    EXPECT_EQ(FileName(folder.Path("empty")).ReadAll(), nullptr);
    EXPECT_EQ(FileName(folder.Path("missing")).ReadAll(), nullptr);
}

TEST(FileName, MakesAndJoinsFolders) {
    TempFolder folder;
    FileName sub(folder.Path("sub"));
    EXPECT_TRUE(sub.MakeDirectory());
    EXPECT_TRUE(sub.IsDirectory());
    EXPECT_FALSE(sub.MakeDirectory());
    EXPECT_EQ(sub.Join("file.txt"), folder.Path("sub/file.txt"));
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
    WriteText(folder.Path("one"), "1");
    UCStringList names;
    ASSERT_TRUE(DirectoryName(folder.Path()).List(names));
    std::vector<std::string> sorted(names.begin(), names.end());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::string>{".", "..", "one"}));
    EXPECT_FALSE(DirectoryName(folder.Path("missing")).List(names));
}

TEST(DirectoryName, TempDirectoryFollowsTmpdirWhenItIsAFolder) {
    TempFolder folder;
    {
        ScopedEnv env("TMPDIR", (folder.Path() + "/").c_str());
        EXPECT_EQ(DirectoryName::TempDirectory().GetPath(), folder.Path());
    }
    {
        ScopedEnv env("TMPDIR", folder.Path("missing").c_str());
        EXPECT_EQ(DirectoryName::TempDirectory().GetPath(), "/tmp");
    }
    {
        ScopedEnv env("TMPDIR", nullptr);
        EXPECT_EQ(DirectoryName::TempDirectory().GetPath(), "/tmp");
    }
}

TEST(AtomicFile, ReplacesTheContentAndKeepsThePermissions) {
    TempFolder folder;
    const std::string path = folder.Path("settings");
    WriteText(path, "a much longer old content");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(path, std::string("new")));
    EXPECT_EQ(ReadText(path), "new");
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"settings"});
}

TEST(AtomicFile, WritesThroughASymbolicLinkToItsTarget) {
    TempFolder folder;
    WriteText(folder.Path("target"), "old");
    ASSERT_EQ(::symlink("target", folder.Path("link").c_str()), 0);
    ASSERT_TRUE(WriteFileAtomically(folder.Path("link"), std::string("new")));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.Path("link")));
    EXPECT_EQ(ReadText(folder.Path("target")), "new");
}

TEST(AtomicFile, FailsWithoutTouchingAnythingWhenTheFolderIsMissing) {
    TempFolder folder;
    EXPECT_FALSE(WriteFileAtomically(folder.Path("missing/file"), std::string("x")));
    EXPECT_EQ(errno, ENOENT);
}

// The write fails part-way (a file-size limit set in a child process) and the old file must
// be exactly as it was, with no half-written file left beside it.
TEST(AtomicFile, AnInterruptedWriteLeavesTheOldFileWhole) {
    TempFolder folder;
    const std::string path = folder.Path("event.qmv");
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
    EXPECT_EQ(ReadText(path), old);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"event.qmv"});
}

TEST(FolderOf, TakesThePartBeforeTheLastSeparator) {
    EXPECT_EQ(FolderOf("/a/b/c"), "/a/b");
    EXPECT_EQ(FolderOf("/c"), "/");
    EXPECT_EQ(FolderOf("c"), ".");
}

TEST(UserDataFolder, IsCreatedWithItsParentsUnderTheConfigHome) {
    TempFolder folder;
    ScopedEnv env("XDG_CONFIG_HOME", folder.Path("a/b").c_str());
    const std::string result = UserDataFolder();
    EXPECT_EQ(result, folder.Path("a/b/Quillmoot"));
    EXPECT_TRUE(std::filesystem::is_directory(result));
    EXPECT_EQ(UserDataFolder(), result);
}

TEST(UserDataFolder, FallsBackToDotConfigInHomeWhenTheConfigHomeIsUnsetOrRelative) {
    TempFolder folder;
    ScopedEnv home("HOME", folder.Path().c_str());
    {
        ScopedEnv env("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(UserDataFolder(), folder.Path(".config/Quillmoot"));
    }
    {
        ScopedEnv env("XDG_CONFIG_HOME", "relative/path");
        EXPECT_EQ(UserDataFolder(), folder.Path(".config/Quillmoot"));
    }
}

TEST(UserDataFolder, ReportsAndGivesNothingWhenTheFolderCannotBeMade) {
    TempFolder folder;
    WriteText(folder.Path("plainfile"), "");
    ScopedEnv env("XDG_CONFIG_HOME", folder.Path("plainfile").c_str());
    UCStringError sink;
    EXPECT_EQ(UserDataFolder(), "");
    EXPECT_EQ(sink.GetText(), "Error: Cannot create directory '" +
                                  folder.Path("plainfile/Quillmoot") + "': Not a directory\n");
}
