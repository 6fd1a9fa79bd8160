// The event file and the program's own files: what another program lands at any moment of a
// save is never replaced unasked, no event is saved over the program's own files, and a save
// leaves no autosave copy older than the file it wrote.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/autosave_session.h"
#include "app/controller_fixture.h"
#include "app/qm_controller.h"
#include "foundation/atomic_file.h"
#include "foundation/file_lock.h"
#include "foundation/files.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/parent.h"
#include "support/ordinary_user.h"

namespace fs = std::filesystem;

namespace {

std::string EventText(const std::string& name, const std::string& parent = "Mrs Smith") {
    return "Event:\nName \"" + name +
           "\"\nStarts 4:00pm\nEnds 6:00pm\nDay \"12\"\nMonth \"3\"\nYear \"2026\"\n"
           "SlotLength \"10\"\n\nTeachers:\n\"Mr Tom Whitfield\"\ninitials \"TW\"\n\n"
           "Parents:\n\"" +
           parent + "\"\nuniqueid \"P1\"\npupil \"Amy\"\nform \"7A\"\n\n";
}

// Runs step once, the next time a save has written its new file and is about to replace the old.
class DuringTheNextSave {
public:
    explicit DuringTheNextSave(std::function<void(const std::string&)> step) {
        FileLock::SetBeforeLook([this, step = std::move(step)](const std::string& path) {
            if (!done_) {
                done_ = true;
                step(path);
            }
        });
    }
    ~DuringTheNextSave() { FileLock::SetBeforeLook(nullptr); }
    DuringTheNextSave(const DuringTheNextSave&) = delete;
    DuringTheNextSave& operator=(const DuringTheNextSave&) = delete;

private:
    bool done_ = false;
};

class ProgramFiles : public ControllerFixture {
protected:
    // Another program's new version, renamed over path as sync clients do.
    void RenameOver(const std::string& path, const std::string& text) const {
        const std::string next = FolderOf(path) + "/incoming.qmv";
        std::ofstream(next, std::ios::binary) << text;
        fs::rename(next, path);
    }
    std::string Theirs() const { return EventText("Spring evening", "Mr Colleague"); }
};

TEST_F(ProgramFiles, NoEventIsSavedOverTheProgramsOwnFilesByAnyName) {
    controller_.GetUserSettings().SetInt("evolvernumkids", 12);
    ASSERT_TRUE(controller_.SaveUserSettings());
    const std::string settings = Read(DataFolder() + "/user_settings.dat");
    fs::create_symlink(DataFolder() + "/autosave.qmv", EventPath("linked.qmv"));
    fs::create_hard_link(DataFolder() + "/user_settings.dat", EventPath("hard.dat"));
    const struct {
        const char* what;
        std::string path;
    } rows[] = {
        {"this run's autosave copy", DataFolder() + "/autosave.qmv"},
        {"another run's", DataFolder() + "/autosave-2.qmv"},
        {"the settings", DataFolder() + "/user_settings.dat"},
        {"another spelling", DataFolder() + "/../Quillmoot/autosave-12.qmv"},
        {"a link to the copy", EventPath("linked.qmv")},
        {"a second name of the settings", EventPath("hard.dat")},
        {"a copy being written", DataFolder() + "/.autosave.qmv.new.1.staged"},
    };
    const std::string path = Write("a.qmv", EventText("Spring evening"));
    ASSERT_TRUE(controller_.OpenEventFile(path.c_str()));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        controller_.GetEvent()->SetName("Ours");
        (void)sink_.GetText();
        EXPECT_FALSE(controller_.SaveEvent(row.path.c_str()));
        EXPECT_EQ(sink_.GetText(), "Error: The file '" + row.path +
                                       "' is one of this program's own files: the event cannot "
                                       "be saved over it. Save it under another name.\n");
        EXPECT_EQ(controller_.GetFileName(), path);
        EXPECT_TRUE(controller_.IsEventChanged());
    }
    EXPECT_FALSE(fs::exists(DataFolder() + "/autosave.qmv"));
    EXPECT_FALSE(fs::exists(DataFolder() + "/autosave-2.qmv"));
    EXPECT_EQ(Read(DataFolder() + "/user_settings.dat"), settings);
    // The same names elsewhere are the user's.
    const std::string elsewhere = EventPath("autosave.qmv");
    EXPECT_TRUE(controller_.SaveEvent(elsewhere.c_str())) << sink_.GetText();
    EXPECT_EQ(controller_.GetFileName(), elsewhere);
}

// An event file kept in the user data folder: opened, it is held as a new event, and neither
// the normal end nor a save takes the file.
TEST_F(ProgramFiles, OneOfThemOpenedIsHeldWithoutAFileNameAndOutlivesTheClose) {
    const std::string kept = DataFolder() + "/autosave-7.qmv";
    std::ofstream(kept) << EventText("Kept evening");
    ASSERT_TRUE(controller_.OpenEventFile(kept.c_str()));
    EXPECT_EQ(sink_.GetText(), "Warning: The file '" + kept +
                                   "' is one of this program's own files: its event has been "
                                   "opened without a file name, to be saved under another "
                                   "name.\n");
    EXPECT_EQ(controller_.GetFileName(), "");
    EXPECT_EQ(controller_.GetEvent()->GetName(), "Kept evening");
    EXPECT_TRUE(controller_.IsEventChanged());
    // The window's end: the copy goes, then the event.
    ASSERT_TRUE(controller_.Autosave());
    EXPECT_TRUE(controller_.DeleteAutosaveFile());
    controller_.CloseEvent();
    EXPECT_EQ(Read(kept), EventText("Kept evening"));
}

// Read-only or locked, Save or Save As onto the open file by any spelling: what another program
// put there since it was opened, or lands while the save writes, is replaced only after a Yes.
TEST_F(ProgramFiles, AChangeLandingBeforeOrDuringASaveIsNeverReplacedUnasked) {
    const struct Row {
        const char* what;
        bool readOnly;
        bool duringSave;  // else before the save began
        bool rename;      // else written in place
        std::string spelling;
    } rows[] = {
        {"read-only, renamed over before", true, false, true, "a.qmv"},
        {"read-only, renamed over before, other spelling", true, false, true, "./a.qmv"},
        {"locked, renamed over during", false, true, true, "a.qmv"},
        {"locked, written in place during", false, true, false, "a.qmv"},
        {"locked, other spelling, renamed during", false, true, true, "../shared/a.qmv"},
    };
    const struct Answer {
        const char* what;
        int answer;  // -1: no one to ask, 0: No, 1: Yes
    } answers[] = {{"no one to ask", -1}, {"No", 0}, {"Yes", 1}};
    for (const std::string& folder : {root_, EventPath("")}) {
        ::chmod(folder.c_str(), 0755);
    }
    fs::create_directories(EventPath("shared"));
    OpenToOrdinaryUser(EventPath("shared"));
    const std::string path = EventPath("shared/a.qmv");
    for (const Row& row : rows) {
        for (const Answer& answer : answers) {
            SCOPED_TRACE(std::string(row.what) + ", " + answer.what);
            fs::remove(path);
            Write("shared/a.qmv", EventText("Spring evening"));
            ::chmod(path.c_str(), row.readOnly ? 0444 : 0666);
            const int result = AsOrdinaryUser([&] {
                UCStringError sink;
                QMController run;
                if (!run.OpenEventFile(path.c_str()) || run.IsReadOnly() != row.readOnly) {
                    return 1;
                }
                run.GetEvent()->SetName("Ours");
                const std::function<void(const std::string&)> change = [&](const std::string&) {
                    if (row.rename) {
                        RenameOver(path, Theirs());
                    } else {
                        std::ofstream(path, std::ios::binary) << Theirs();
                    }
                };
                std::vector<std::string> asked;
                const QMController::Question ask = [&](const std::string& question) {
                    asked.push_back(question);
                    return answer.answer == 1;
                };
                DuringTheNextSave during(row.duringSave ? change : [](const std::string&) {});
                if (!row.duringSave) {
                    change(path);
                }
                const std::string spelled = EventPath("shared/" + row.spelling);
                const bool saved =
                    run.SaveEvent(spelled.c_str(), answer.answer < 0 ? nullptr : ask);
                if (saved != (answer.answer == 1) ||
                    (Read(path) == Theirs()) != (answer.answer != 1)) {
                    return 2;
                }
                if (answer.answer >= 0 &&
                    asked != std::vector<std::string>{
                                 "The file '" + (row.readOnly ? spelled : path) +
                                 "' has been changed by another program since it was opened "
                                 "or last saved. Do you want to replace it with this event?"}) {
                    return 3;
                }
                if (answer.answer < 0 &&
                    sink.GetText().find("it has been kept, not replaced.") == std::string::npos) {
                    return 4;
                }
                return saved && run.IsOpenFileChangedOnDisk() ? 5 : 0;
            });
            EXPECT_EQ(result, 0);
        }
    }
}

// After a save the program knows the file it wrote, not whatever the name holds by the time it
// looks: a file removed during the save and one another program puts there afterwards are
// both changes to ask about.
TEST_F(ProgramFiles, TheFileASaveWroteIsTheOneItKnows) {
    const std::string path = Write("a.qmv", EventText("Spring evening"));
    ASSERT_TRUE(controller_.OpenEventFile(path.c_str()));
    controller_.GetEvent()->SetName("Ours");
    {
        DuringTheNextSave during([&](const std::string& at) { fs::remove(at); });
        ASSERT_TRUE(controller_.SaveEvent(path.c_str())) << sink_.GetText();
    }
    EXPECT_NE(Read(path).find("Ours"), std::string::npos);
    EXPECT_FALSE(controller_.IsOpenFileChangedOnDisk());
    fs::remove(path);
    EXPECT_FALSE(controller_.IsOpenFileChangedOnDisk());
    RenameOver(path, Theirs());
    EXPECT_TRUE(controller_.IsOpenFileChangedOnDisk());
    controller_.GetEvent()->SetName("Ours again");
    EXPECT_FALSE(controller_.SaveEvent(path.c_str()));
    EXPECT_EQ(Read(path), Theirs());
    // A second version landing while the first is asked about is asked about again.
    int asked = 0;
    EXPECT_TRUE(controller_.SaveEvent(path.c_str(), [&](const std::string&) {
        if (++asked == 1) {
            RenameOver(path, EventText("Third version"));
        }
        return true;
    }));
    EXPECT_EQ(asked, 2);
    EXPECT_NE(Read(path).find("Ours again"), std::string::npos);
}

// A change that leaves the file's size and time as they were (a program that writes in place and
// keeps the time, or one that writes within the clock step of the file system) is a change all
// the same: the next save asks before replacing it. So is whatever the name holds after the user
// refused to replace another program's version.
TEST_F(ProgramFiles, AChangeKeepingTheFilesSizeAndTimeIsAskedAbout) {
    const std::string path = EventPath("a.qmv");
    const struct {
        const char* what;
        // An hour old when opened, or just saved.
        bool justSaved;
        // Another program truncates the file, and the user answers No at a save.
        bool refused;
    } rows[] = {
        {"within the clock step of a save", true, false},
        {"after the user refused to replace a truncated file", false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Write("a.qmv", EventText("Spring evening"));
        const timespec hourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), hourAgo, 0), 0);
        ASSERT_TRUE(controller_.OpenEventFile(path.c_str())) << sink_.GetText();
        controller_.GetEvent()->SetName("Ours");
        if (row.justSaved) {
            ASSERT_TRUE(controller_.SaveEvent(path.c_str()));
            controller_.GetEvent()->SetName("Ours again");
        }
        const std::string known = Read(path);
        struct stat before {};
        ASSERT_EQ(::stat(path.c_str(), &before), 0);
        int asked = 0;
        const QMController::Question no = [&](const std::string&) {
            ++asked;
            return false;
        };
        if (row.refused) {
            std::ofstream(path, std::ios::binary | std::ios::trunc).flush();
            EXPECT_FALSE(controller_.SaveEvent(path.c_str(), no));
            EXPECT_EQ(asked, 1);
        }
        // In place, as long as the text known, with the time the file had then.
        std::string theirs = EventText("Spring evening", "Mr Colleague");
        theirs.resize(known.size(), '\n');
        std::ofstream(path, std::ios::binary | std::ios::trunc) << theirs;
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        asked = 0;
        EXPECT_FALSE(controller_.SaveEvent(path.c_str(), no));
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(Read(path), theirs);
        EXPECT_TRUE(controller_.IsOpenFileChangedOnDisk());
        controller_.CloseEvent();
    }
}

// What the folders see, in order, while a save runs: from the moment the new file has the
// event's name to the removal of the autosave copy, nothing else happens, so a kill at any
// point of the save leaves no copy older than the file.
TEST_F(ProgramFiles, TheAutosaveCopyGoesTheMomentTheNewFileHasItsName) {
    const struct {
        const char* what;
        std::string saveAs;
    } rows[] = {{"Save", "a.qmv"}, {"Save As", "b.qmv"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string path = Write("a.qmv", EventText("Spring evening"));
        ASSERT_TRUE(controller_.OpenEventFile(path.c_str()));
        controller_.GetEvent()->SetName("Ours");
        controller_.GetUserSettings().SetInt("evolvernumkids", row.saveAs.size());
        ASSERT_TRUE(controller_.Autosave());
        ASSERT_TRUE(controller_.AutosaveFileExists());
        const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        const int events = ::inotify_add_watch(watch, EventPath("").c_str(), IN_ALL_EVENTS);
        const int data = ::inotify_add_watch(watch, DataFolder().c_str(), IN_ALL_EVENTS);
        ASSERT_TRUE(events >= 0 && data >= 0);
        const std::string saveAs = EventPath(row.saveAs);
        ASSERT_TRUE(controller_.SaveEvent(saveAs.c_str())) << sink_.GetText();
        std::vector<std::string> seen;
        alignas(inotify_event) char buffer[65536];
        for (ssize_t got = 0; (got = ::read(watch, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                const std::string name = event->len > 0 ? event->name : "";
                seen.push_back((event->wd == data ? "data/" : "events/") + name + " " +
                               std::to_string(event->mask));
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        ::close(watch);
        const std::string named = "events/" + row.saveAs + " ";
        const std::string removed = "data/autosave.qmv " + std::to_string(IN_DELETE);
        size_t first = seen.size();
        for (size_t i = 0; i < seen.size(); ++i) {
            if (seen[i].rfind(named, 0) == 0 &&
                std::stoul(seen[i].substr(named.size())) == IN_MOVED_TO) {
                first = i;
                break;
            }
        }
        ASSERT_LT(first, seen.size()) << testing::PrintToString(seen);
        std::vector<std::string> between;
        const auto swapped = [&](const std::string& entry) {
            const unsigned long mask = std::stoul(entry.substr(entry.rfind(' ') + 1));
            return (mask & (IN_MOVED_FROM | IN_MOVED_TO)) != 0;
        };
        for (size_t i = first + 1; i < seen.size() && seen[i] != removed; ++i) {
            // The swap's other half and the old file's removal are the same step.
            if (seen[i].rfind("events/." + row.saveAs + ".new.", 0) != 0 &&
                !(seen[i].rfind(named, 0) == 0 && swapped(seen[i]))) {
                between.push_back(seen[i]);
            }
        }
        EXPECT_TRUE(between.empty()) << testing::PrintToString(seen);
        EXPECT_NE(std::find(seen.begin(), seen.end(), removed), seen.end());
        EXPECT_FALSE(controller_.AutosaveFileExists());
        controller_.CloseEvent();
        controller_.Initialise();
    }
}

// A second name of the open file (a hard link, beside it or in another folder) is where the
// user asked the event to go: saved as, or opened and then saved, the event's file is that
// name and the save lands there, while the first name keeps what it held.
TEST_F(ProgramFiles, ASecondNameOfTheOpenFileIsWhereTheEventGoes) {
    enum Road { SaveAs, OpenThenSave, RewrittenThenOpenThenSave };
    const struct {
        const char* what;
        std::string second;
        Road road;
    } rows[] = {
        {"Save As, beside it", "b.qmv", SaveAs},
        {"Save As, in another folder", "other/b.qmv", SaveAs},
        {"opened by that name, then Save", "b.qmv", OpenThenSave},
        {"opened by that name in another folder, then Save", "other/b.qmv", OpenThenSave},
        {"rewritten in place by another program, opened by that name, then Save", "b.qmv",
         RewrittenThenOpenThenSave},
    };
    fs::create_directories(EventPath("other"));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string first = EventPath("a.qmv");
        const std::string second = EventPath(row.second);
        fs::remove(first);
        fs::remove(second);
        Write("a.qmv", EventText("Spring evening"));
        fs::create_hard_link(first, second);
        ASSERT_TRUE(controller_.OpenEventFile(first.c_str()));
        controller_.GetEvent()->SetName("Ours");
        if (row.road == RewrittenThenOpenThenSave) {
            std::ofstream(first, std::ios::binary) << Theirs();
        }
        if (row.road == SaveAs) {
            ASSERT_TRUE(controller_.SaveEvent(second.c_str())) << sink_.GetText();
        } else {
            ASSERT_TRUE(controller_.OpenEventFile(second.c_str()));
            controller_.GetEvent()->SetName("Ours");
            ASSERT_TRUE(controller_.SaveEvent(controller_.GetFileName().c_str()))
                << sink_.GetText();
        }
        EXPECT_EQ(controller_.GetFileName(), second);
        EXPECT_NE(Read(second).find("Ours"), std::string::npos);
        EXPECT_EQ(Read(first),
                  row.road == RewrittenThenOpenThenSave ? Theirs() : EventText("Spring evening"));
        EXPECT_FALSE(controller_.IsEventChanged());
        EXPECT_FALSE(controller_.IsOpenFileChangedOnDisk());
        {
            UCStringError quiet;
            FileLock other(second);
            EXPECT_NE(other.Lock(), FileLock::kLockHeld);
        }
        controller_.CloseEvent();
        controller_.Initialise();
    }
}

// The event opened through a symbolic link that now leads to another file (pointed at next
// term's event, or its inner link moved on): saved by that name, the file it leads to is
// another program's, replaced only after a Yes, and the file first opened is not written
// behind the user's back.
TEST_F(ProgramFiles, ANameThatNowLeadsToAnotherFileIsThatFile) {
    const struct {
        const char* what;
        bool throughInnerLink;  // the link opened leads to a link, and that one moves on
    } rows[] = {{"a link pointed elsewhere", false},
                {"a link to a link, the inner one moved", true}};
    const struct {
        const char* what;
        int answer;  // -1: no one to ask, 0: No, 1: Yes
    } answers[] = {{"no one to ask", -1}, {"No", 0}, {"Yes", 1}};
    const std::string first = EventPath("2025.qmv");
    const std::string next = EventPath("2026.qmv");
    const std::string link = EventPath("current.qmv");
    const std::string inner = EventPath("inner.qmv");
    for (const auto& row : rows) {
        for (const auto& answer : answers) {
            SCOPED_TRACE(std::string(row.what) + ", " + answer.what);
            for (const std::string& path : {first, next, link, inner}) {
                fs::remove(path);
            }
            Write("2025.qmv", EventText("Spring evening"));
            Write("2026.qmv", Theirs());
            const std::string moved = row.throughInnerLink ? inner : link;
            fs::create_symlink(first, moved);
            if (row.throughInnerLink) {
                fs::create_symlink(inner, link);
            }
            ASSERT_TRUE(controller_.OpenEventFile(link.c_str())) << sink_.GetText();
            controller_.GetEvent()->SetName("Ours");
            fs::remove(moved);
            fs::create_symlink(next, moved);
            (void)sink_.GetText();
            std::vector<std::string> asked;
            const QMController::Question ask = [&](const std::string& question) {
                asked.push_back(question);
                return answer.answer == 1;
            };
            const bool saved =
                controller_.SaveEvent(link.c_str(), answer.answer < 0 ? nullptr : ask);
            const std::string changed =
                "The file '" + link +
                "' has been changed by another program since it was opened or last saved";
            EXPECT_EQ(saved, answer.answer == 1);
            EXPECT_EQ(Read(first), EventText("Spring evening"));
            EXPECT_EQ(Read(next).find("Ours") != std::string::npos, answer.answer == 1);
            if (answer.answer < 0) {
                EXPECT_EQ(sink_.GetText(),
                          "Error: " + changed + ": it has been kept, not replaced.\n");
            } else {
                EXPECT_EQ(asked, std::vector<std::string>{
                                     changed + ". Do you want to replace it with this event?"});
            }
            EXPECT_EQ(controller_.GetFileName(), link);
            EXPECT_EQ(controller_.IsEventChanged(), answer.answer != 1);
            EXPECT_EQ(controller_.IsOpenFileChangedOnDisk(), answer.answer != 1);
            controller_.CloseEvent();
            controller_.Initialise();
        }
    }
}

}  // namespace
