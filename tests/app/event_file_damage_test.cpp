// Files that did not come whole from this program: cut short, changed elsewhere, written on
// Windows, or a settings file that did not load.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <string>

#include "app/controller_fixture.h"
#include "app/event_file_reader.h"
#include "app/event_file_writer.h"
#include "app/user_settings.h"
#include "foundation/files.h"
#include "foundation/tokeniser.h"
#include "model/appointment.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/print_settings.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "support/ordinary_user.h"
#include "support/temp_folder.h"

namespace {

std::string SmallEvent(const std::string& name = "Spring evening") {
    return "Event:\nName \"" + name +
           "\"\nStarts 4:00pm\nEnds 6:00pm\nDay \"12\"\nMonth \"3\"\nYear \"2026\"\n"
           "SlotLength \"10\"\n"
           "\nTeachers:\n"
           "\"Mr Tom Whitfield\"\ninitials \"TW\"\nsubject \"Maths\"\n\n"
           "\nParents:\n"
           "\"Mrs Smith\"\nuniqueid \"S1\"\nnotes \"Prefers the early slots\"\n"
           "pupil \"Amy Smith\"\nform \"7A\"\nseeing \"Mr Tom Whitfield\"\nsubject \"Maths\"\n\n"
           "\"Mr Jones\"\nuniqueid \"J1\"\npupil \"Ben Jones\"\nform \"8B\"\n"
           "seeing \"Mr Tom Whitfield\"\nsubject \"Maths\"\n\n";
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

constexpr const char* kDamaged = "has been damaged or changed outside this program";

class DamagedFiles : public ControllerFixture {
protected:
    // The small event as this program saves it, check line and all.
    std::string SavedText() {
        const std::string source = Write("source.qmv", SmallEvent());
        EXPECT_TRUE(controller_.OpenEventFile(source.c_str()));
        const std::string saved = EventPath("saved.qmv");
        EXPECT_TRUE(controller_.SaveEvent(saved.c_str()));
        controller_.CloseEvent();
        return Read(saved);
    }
};

}  // namespace

TEST_F(DamagedFiles, AFileCutShortOrChangedElsewhereOpensWithAWarning) {
    const std::string saved = SavedText();
    ASSERT_TRUE(Contains(saved, "\nCheckLine\n"));
    std::string changed = saved;
    changed.replace(changed.find("early"), 5, "later");
    struct Case {
        const char* name;
        std::string text;
        bool warned;
    };
    const Case cases[] = {
        {"as saved", saved, false},
        {"cut short", saved.substr(0, saved.size() * 2 / 3), true},
        {"cut inside the check line", saved.substr(0, saved.size() - 10), true},
        {"changed in an editor", changed, true},
        {"older file without a check line", SmallEvent(), false},
        {"older file ending inside a quote", SmallEvent() + "\"Mrs Cut", true},
        {"older file with a check line that does not match", SmallEvent() + "#0123\n", true},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sink_.GetText();
        const std::string path = Write("case" + std::to_string(n++) + ".qmv", c.text);
        ASSERT_TRUE(controller_.OpenEventFile(path.c_str())) << sink_.GetText();
        EXPECT_EQ(Contains(sink_.GetText(), kDamaged), c.warned) << sink_.GetText();
    }
}

TEST_F(DamagedFiles, AFileWrittenOnWindowsIsReadAsWindows1252) {
    std::string text = SmallEvent("Caf\xE9 \x93open\x94 evening");
    text.replace(text.find("\"Mrs Smith\"\n"), 12,
                 "\"Mrs M\xFCller\"\nnotefrom \"Gr%FC%DFe%20%80\"\n");
    const std::string path = Write("windows.qmv", text);
    ASSERT_TRUE(controller_.OpenEventFile(path.c_str())) << sink_.GetText();
    const Event& event = *controller_.GetEvent();
    EXPECT_EQ(event.GetName(), "Caf\xC3\xA9 \xE2\x80\x9Copen\xE2\x80\x9D evening");
    const Parent* parent = event.GetParents().FindByKey("S1");
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(parent->GetName(), "Mrs M\xC3\xBCller");
    EXPECT_EQ(parent->GetNoteFrom(),
              "Gr\xC3\xBC\xC3\x9F"
              "e \xE2\x82\xAC");
}

TEST_F(DamagedFiles, OneEightBitValueLeavesTheUTF8TextBesideItAsItIs) {
    // As an older version wrote a script's or an import's 8-bit text beside UTF-8 names.
    std::string text = SmallEvent("Zo\xC3\xAB Bront\xC3\xAB evening");
    text.replace(text.find("\"Mrs Smith\"\n"), 12, "\"Mrs M\xFCller\"\n");
    const std::string path = Write("mixed.qmv", text);
    ASSERT_TRUE(controller_.OpenEventFile(path.c_str())) << sink_.GetText();
    const Event& event = *controller_.GetEvent();
    EXPECT_EQ(event.GetName(), "Zo\xC3\xAB Bront\xC3\xAB evening");
    const Parent* parent = event.GetParents().FindByKey("S1");
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(parent->GetName(), "Mrs M\xC3\xBCller");
}

TEST_F(DamagedFiles, ASettingsFileThatDidNotLoadWholeIsNeverWrittenOver) {
    const std::string settingsPath = DataFolder() + "/user_settings.dat";
    const std::string damaged = "colourtbusy \"ff8000\"\nbroken\nicalendartype \"2\"\n";
    folder_.Write("config/Quillmoot/user_settings.dat", damaged);
    sink_.GetText();
    QMController run;
    run.Initialise();
    EXPECT_FALSE(run.AreSettingsLoaded());
    const std::string path = Write("spring.qmv", SmallEvent());
    ASSERT_TRUE(run.OpenEventFile(path.c_str()));
    run.GetUserSettings().SetInt("icalendartype", 1);
    ASSERT_TRUE(run.SaveEvent(path.c_str()));
    ASSERT_TRUE(run.SaveEvent(path.c_str()));
    EXPECT_EQ(Read(settingsPath), damaged);
    const std::string messages = sink_.GetText();
    const std::string notice = "could not be read whole, so it is not written over";
    ASSERT_TRUE(Contains(messages, notice)) << messages;
    EXPECT_EQ(messages.find(notice), messages.rfind(notice));
}

TEST(OffSlotTimes, BreaksAndBookingsMeetBySlotAndASecondOpenReadsTheSame) {
    struct Case {
        const char* breakAt;
        const char* bookedAt;
        const char* expected;  // where the booking stands, or "" when it is refused
    };
    const Case cases[] = {
        {"6:00pm", "18:05", ""},
        {"6:05pm", "18:00", ""},
        {"6:05pm", "18:12", "18:10:00"},
        {"6:00pm", "18:10", "18:10:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.breakAt) + " / " + c.bookedAt);
        const std::string text =
            "Event:\nName \"Late evening\"\nStarts 5:00pm\nEnds 8:00pm\nDay \"12\"\nMonth "
            "\"3\"\nYear \"2026\"\nSlotLength \"10\"\n\nTeachers:\n\"Mr Tom Whitfield\"\n"
            "initials \"TW\"\nsubject \"Maths\"\nbreak " +
            std::string(c.breakAt) +
            "\n\nParents:\n\"Mrs Smith\"\nuniqueid \"S1\"\npupil \"Amy Smith\"\nform \"7A\"\n"
            "seeing \"Mr Tom Whitfield\"\nsubject \"Maths\"\nat " +
            c.bookedAt + "\n\n";
        std::string saved = text;
        // The file as written, then the program's own save of it, then that save read again.
        for (int open = 0; open < 3; ++open) {
            UCStringError sink;
            auto schedule = std::make_unique<MultiDaySchedule>(std::make_shared<Event>());
            Tokeniser tokens;
            tokens.SetText(saved);
            EventFileReader reader(schedule.get(), &tokens);
            ASSERT_TRUE(reader.Read()) << sink.GetText();
            const Parent* parent = schedule->GetEvent()->GetParents().FindByKey("S1");
            ASSERT_NE(parent, nullptr);
            ASSERT_EQ(parent->GetPupil(0)->GetRequestCount(), 1u);
            const Appointment* booked = schedule->GetDay(0)->GetGrid().PeekBooking(
                schedule->GetDay(0)->GetSlotForTime(TimeOfDay(18, 10, 0)), 0);
            const bool bookedAtSix =
                schedule->GetDay(0)->GetGrid().PeekBooking(
                    schedule->GetDay(0)->GetSlotForTime(TimeOfDay(18, 0, 0)), 0) != nullptr;
            EXPECT_FALSE(bookedAtSix);
            EXPECT_EQ(booked != nullptr, std::string(c.expected) == "18:10:00");
            saved = EventFileWriter(*schedule).FormatEventFile();
        }
    }
}

TEST(FileNumbers, FollowTheCLocaleWhateverTheDesktopsLanguage) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "locales-all is needed";
    struct Case {
        const char* written;  // as a file holds it
        double size;
    };
    const Case cases[] = {{"7.500000", 7.5}, {"10.25", 10.25}, {"7,500000", 7.5}, {"6", 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        const std::string text =
            "Event:\nName \"Evening\"\nStarts 5:00pm\nEnds 8:00pm\nDay \"12\"\nMonth \"3\"\n"
            "Year \"2026\"\nOption \"APSSmallFontSize\" \"" +
            std::string(c.written) + "\"\n\nTeachers:\n\nParents:\n";
        UCStringError sink;
        auto schedule = std::make_unique<MultiDaySchedule>(std::make_shared<Event>());
        Tokeniser tokens;
        tokens.SetText(text);
        EventFileReader reader(schedule.get(), &tokens);
        ASSERT_TRUE(reader.Read()) << sink.GetText();
        const PrintSettings& print = schedule->GetEvent()->GetPrintSettings();
        EXPECT_DOUBLE_EQ(print.GetSmallFontSize(), c.size);
        const std::string saved = EventFileWriter(*schedule).FormatEventFile();
        char expected[64];
        std::snprintf(expected, sizeof expected, "\"APSSmallFontSize\" \"%d.%06d\"",
                      static_cast<int>(c.size),
                      static_cast<int>((c.size - static_cast<int>(c.size)) * 1000000 + 0.5));
        EXPECT_NE(saved.find(expected), std::string::npos) << saved;
    }
    std::setlocale(LC_ALL, previous.c_str());
}

namespace {

// Runs check in a child process and gives its exit status: a fault that kills the program
// must not take the tests with it.
template <typename Check>
int InChild(Check check) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(check());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

}  // namespace

TEST_F(DamagedFiles, SavingPastTheFileSizeLimitIsReportedNotFatal) {
    const std::string path = Write("spring.qmv", SmallEvent());
    const std::string old = Read(path);
    const int status = InChild([&] {
        ::signal(SIGXFSZ, SIG_DFL);
        UCStringError sink;
        QMController run;
        run.Initialise();
        if (!run.OpenEventFile(path.c_str())) {
            return 3;
        }
        run.GetEvent()->SetName("A much longer name that makes the file grow past its limit");
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = old.size();
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool saved = run.SaveEvent(path.c_str());
        return saved ? 4 : sink.GetText().find("could not be saved") == std::string::npos ? 5 : 0;
    });
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Read(path), old);
}

TEST_F(DamagedFiles, TemporariesOfSavesThatCannotFinishAreRemovedByTheNextSave) {
    const std::string path = Write("spring.qmv", SmallEvent());
    struct Leftover {
        std::string name;
        bool removed;
    };
    const Leftover leftovers[] = {
        {".spring.qmv.new.4194999.1.3f", true},  // no such process
        {".spring.qmv.new." + std::to_string(::getpid()) + ".9.ab", true},
        {".spring.qmv.new.1.2.cd", false},  // a process that still runs
        {".autumn.qmv.new.4194999.1.3f", false},
    };
    for (const Leftover& leftover : leftovers) {
        Write(leftover.name, "half a save");
    }
    ASSERT_TRUE(controller_.OpenEventFile(path.c_str()));
    ASSERT_TRUE(controller_.SaveEvent(path.c_str()));
    for (const Leftover& leftover : leftovers) {
        SCOPED_TRACE(leftover.name);
        EXPECT_EQ(FileName(EventPath(leftover.name)).Exists(), !leftover.removed);
    }
}

// Opened read-only; opened again, it is not read over the changes made since; saved only under
// another name.
TEST_F(DamagedFiles, AFileInAFolderWhereNoFileCanBeMadeOpensReadOnly) {
    for (const std::string& folder : {root_, EventPath("")}) {
        ::chmod(folder.c_str(), 0755);
    }
    std::filesystem::create_directories(EventPath("shared"));
    const std::string path = Write("shared/a.qmv", SmallEvent());
    ::chmod(path.c_str(), 0666);
    ::chmod(EventPath("shared").c_str(), 0555);
    // Each save writes its new copy beside the file, so none could succeed there.
    const int result = AsOrdinaryUser([&] {
        UCStringError sink;
        QMController run;
        return run.OpenEventFile(path.c_str()) && run.IsReadOnly() &&
                       sink.GetText().find("can only be read") != std::string::npos
                   ? 0
                   : 4;
    });
    EXPECT_EQ(result, 0);
}

// In a folder a group shares, a colleague's program puts its own copy over the open file, one
// this user may not read: a save may not replace what it could not read.
TEST_F(DamagedFiles, AnOpenFileReplacedByOneTheUserCannotReadIsNotSavedOver) {
    for (const std::string& folder : {root_, EventPath("")}) {
        ::chmod(folder.c_str(), 0755);
    }
    std::filesystem::create_directories(EventPath("shared"));
    OpenToOrdinaryUser(EventPath("shared"));
    const std::string path = Write("shared/a.qmv", SmallEvent());
    ::chmod(path.c_str(), 0666);
    const std::string theirs = EventPath("shared/theirs.qmv");
    const int result = AsOrdinaryUser([&] {
        UCStringError sink;
        QMController run;
        if (!run.OpenEventFile(path.c_str())) {
            return 3;
        }
        // Made by this user only because nobody else can be one in a test; unreadable all the
        // same.
        std::FILE* other = std::fopen(theirs.c_str(), "w");
        if (other == nullptr || std::fputs("Their own event, not read here\n", other) < 0 ||
            std::fclose(other) != 0 || ::chmod(theirs.c_str(), 0200) != 0 ||
            ::rename(theirs.c_str(), path.c_str()) != 0) {
            return 4;
        }
        struct stat before {};
        ::stat(path.c_str(), &before);
        run.GetEvent()->SetName("Autumn evening");
        if (run.SaveEvent(path.c_str())) {
            return 5;
        }
        struct stat after {};
        ::stat(path.c_str(), &after);
        if (after.st_ino != before.st_ino ||
            sink.GetText().find("has been changed by another program") == std::string::npos) {
            return 6;
        }
        return 0;
    });
    EXPECT_EQ(result, 0);
}

TEST_F(DamagedFiles, AFileTheUserCanOnlyReadOpensReadOnlyAndReopensKeepingItsChanges) {
    const std::string path = Write("theirs.qmv", SmallEvent());
    const std::string copy = EventPath("mine/copy.qmv");
    std::filesystem::create_directories(EventPath("mine"));
    // Root may write anything, so the check runs as nobody: only the test's own folders need
    // opening, the ones above are open to everyone already.
    for (const std::string& folder : {root_, EventPath("")}) {
        ::chmod(folder.c_str(), 0755);
    }
    OpenToOrdinaryUser(EventPath("mine"));
    ::chmod(path.c_str(), 0444);
    const int result = AsOrdinaryUser([&] {
        UCStringError sink;
        QMController run;
        if (!run.OpenEventFile(path.c_str())) {
            return 3;
        }
        const std::string said = sink.GetText();
        if (!run.IsReadOnly() || said.find("can only be read") == std::string::npos) {
            return 4;
        }
        if (run.GetEvent()->GetParents().Count() != 2 || run.GetFileName() != path) {
            return 5;
        }
        run.GetEvent()->SetName("Autumn evening");
        if (!run.OpenEventFile(path.c_str()) || run.GetEvent()->GetName() != "Autumn evening" ||
            !run.IsReadOnly() || !sink.GetText().empty()) {
            return 6;
        }
        if (run.SaveEvent(path.c_str()) ||
            sink.GetText() != "Error: Cannot lock file '" + path + "': Permission denied\n") {
            return 7;
        }
        if (!run.SaveEvent(copy.c_str()) || run.IsReadOnly() || run.GetFileName() != copy) {
            return 8;
        }
        return 0;
    });
    EXPECT_EQ(result, 0) << "6: read again over the changes";
    EXPECT_EQ(Read(path), SmallEvent());
}

TEST(AbsurdSizes, AreRefusedWithAMessageBeforeTheMemoryRunsOut) {
    const std::string head =
        "Event:\nName \"Evening\"\nStarts 5:00pm\nEnds 8:00pm\nDay \"1\"\nMonth \"1\"\n"
        "Year \"2026\"\n";
    const auto extraDays = [](int count) {
        std::string text;
        Date date(1, 1, 2026);
        for (int d = 0; d < count; ++d) {
            date.NextDay();
            text += "\nExtraDay:\nStarts 5:00pm\nEnds 8:00pm\nDay \"" + std::to_string(date.Day()) +
                    "\"\nMonth \"" + std::to_string(date.Month()) + "\"\nYear \"" +
                    std::to_string(date.Year()) + "\"\n";
        }
        return text;
    };
    const std::string people =
        "\nTeachers:\n\"Mr Tom Whitfield\"\n\nParents:\n\"Mrs Smith\"\npupil \"Amy\"\n"
        "seeing \"Mr Tom Whitfield\"\n";
    struct Case {
        const char* name;
        std::string text;
        const char* message;  // empty for a size a school may have
    };
    const Case cases[] = {
        {"forty thousand days", head + extraDays(40000) + people, "has more than 366 days"},
        {"a year of days", head + extraDays(365) + people, ""},
        // The day index once multiplied such a year past what an int holds.
        {"the last year an int holds",
         "Event:\nName \"E\"\nStarts 5:00pm\nEnds 8:00pm\nDay \"1\"\nMonth \"1\"\nYear "
         "\"2147483647\"\n" +
             people,
         "The event's date is invalid"},
        {"an extra day in such a year",
         head +
             "\nExtraDay:\nStarts 5:00pm\nEnds 8:00pm\nDay \"2\"\nMonth \"1\"\nYear "
             "\"2147483647\"\n" +
             people,
         "Extra day's date is invalid"},
        {"one-second slots all day",
         "Event:\nName \"E\"\nStarts 12:00am\nEnds 11:59pm\nDay \"1\"\nMonth \"1\"\nYear "
         "\"2026\"\nSlotLengthSecs \"1\"\n" +
             people,
         "has more than 1440 appointment slots"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UCStringError sink;
        auto schedule = std::make_unique<MultiDaySchedule>(std::make_shared<Event>());
        Tokeniser tokens;
        tokens.SetText(c.text);
        EventFileReader reader(schedule.get(), &tokens);
        const bool read = reader.Read();
        const std::string said = sink.GetText();
        EXPECT_EQ(read, std::string(c.message).empty()) << said;
        EXPECT_TRUE(Contains(said, c.message)) << said;
    }
}

TEST(SettingsFile, WrittenOnWindowsIsReadAsWindows1252) {
    TempFolder folder("qm-settings-1252");
    const std::string path = folder.Write("user_settings.dat",
                                          "printscript \"M\xFC"
                                          "ller\"\nlastfile \"Gr%FC%DFe\"\n");
    UserSettings settings;
    ASSERT_TRUE(settings.Load(path));
    EXPECT_EQ(settings.Get("printscript"), "M\xC3\xBCller");
    EXPECT_EQ(settings.Get("lastfile"),
              "Gr\xC3\xBC\xC3\x9F"
              "e");
}
