#include "app/user_settings.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/files.h"
#include "foundation/uc_error.h"
#include "support/temp_folder.h"

namespace {

class UserSettingsTest : public ::testing::Test {
protected:
    void WriteFile(const std::string& text) { temp_.Write("user_settings.dat", text); }
    std::string ReadFile() const { return temp_.Read("user_settings.dat"); }

    TempFolder temp_{"qm-settings"};
    const std::string folder_ = temp_.Path();
    const std::string path_ = temp_.File("user_settings.dat");
};

}  // namespace

TEST_F(UserSettingsTest, WritesOneLinePerKeyInKeyOrderWithEncodedValues) {
    UserSettings settings;
    settings.SetColourBookedOK(1, Colour(64, 64, 255));
    settings.SetInt("evolvernumkids", 12);
    settings.Set("parentprintscript", "/home/me/my script.lua");
    settings.Set("emailaddress", "");
    settings.Set("Zed", "upper case sorts first");
    EXPECT_TRUE(settings.IsModified());
    ASSERT_TRUE(settings.Save(path_));
    EXPECT_FALSE(settings.IsModified());
    EXPECT_EQ(ReadFile(),
              "Zed \"upper%20case%20sorts%20first\"\n"
              "colourbookedok \"4040ff\"\n"
              "emailaddress \"\"\n"
              "evolvernumkids \"12\"\n"
              "parentprintscript \"%2fhome%2fme%2fmy%20script.lua\"\n");
}

TEST_F(UserSettingsTest, AnEmptyStoreWritesAnEmptyFile) {
    UserSettings settings;
    ASSERT_TRUE(settings.Save(path_));
    EXPECT_TRUE(std::filesystem::exists(path_));
    EXPECT_EQ(ReadFile(), "");
}

TEST_F(UserSettingsTest, ValuesOfAnyBytesReadBackUnchanged) {
    const std::string values[] = {"say \"hi\"",
                                  "back\\slash",
                                  "two\nlines\r\n",
                                  "# not a comment",
                                  "Café – naïve",
                                  "{braces} key: 09:30",
                                  ""};
    UserSettings settings;
    for (size_t i = 0; i < std::size(values); ++i) {
        settings.Set("value" + std::to_string(i), values[i]);
    }
    ASSERT_TRUE(settings.Save(path_));
    UserSettings loaded;
    ASSERT_TRUE(loaded.Load(path_));
    ASSERT_EQ(loaded.Count(), std::size(values));
    for (size_t i = 0; i < std::size(values); ++i) {
        SCOPED_TRACE(values[i]);
        EXPECT_EQ(loaded.Get("value" + std::to_string(i)), values[i]);
    }
}

TEST_F(UserSettingsTest, AMissingFileIsAFirstRunWithEveryDefault) {
    UserSettings settings;
    settings.Set("kept", "1");
    EXPECT_TRUE(settings.Load(path_));
    EXPECT_EQ(settings.Get("kept"), "1");
    EXPECT_EQ(settings.GetInt("evolvernumkids", 10), 10);
    EXPECT_EQ(settings.GetICalendarType(), 0);
    EXPECT_EQ(settings.Get("teacherprintscript"), "");
}

TEST_F(UserSettingsTest, AnEmptyFileLoadsAsAnEmptyStore) {
    WriteFile("");
    UserSettings settings;
    settings.Set("dropped", "1");
    EXPECT_TRUE(settings.Load(path_));
    EXPECT_EQ(settings.Count(), 0u);
}

TEST_F(UserSettingsTest, TheFirstOfTwoEqualKeysWins) {
    WriteFile("key \"first\"\nkey \"second\"\n");
    UserSettings settings;
    EXPECT_TRUE(settings.Load(path_));
    EXPECT_EQ(settings.Get("key"), "first");
}

TEST_F(UserSettingsTest, ADamagedFileStopsAtTheBadLineAndKeepsWhatCameBefore) {
    const struct {
        const char* content;
        const char* message;
    } cases[] = {
        {"good \"1\"\nnovalue\nnext \"2\"\n", "Error: Unexpected value at line 3\n"},
        {"good \"1\"\nKey: \"2\"\n", "Error: Unexpected data at line 2\n"},
        {"good \"1\"\n\"lonely\"\n", "Error: Unexpected data at line 2\n"},
        {"good \"1\"\n{ }\n", "Error: Unexpected data at line 2\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        WriteFile(c.content);
        UCStringError sink;
        UserSettings settings;
        EXPECT_FALSE(settings.Load(path_));
        EXPECT_EQ(sink.GetText(), c.message);
        EXPECT_EQ(settings.Get("good"), "1");
        EXPECT_EQ(settings.Count(), 1u);
    }
}

TEST_F(UserSettingsTest, ChangesAfterAFailedLoadAreNotWrittenOverTheDamagedFile) {
    const std::string damaged = "good \"1\"\nnovalue\nlater \"2\"\n";
    WriteFile(damaged);
    UCStringError sink;
    UserSettings settings;
    ASSERT_FALSE(settings.Load(path_));
    settings.Set("changed", "3");
    EXPECT_EQ(ReadFile(), damaged);
}

TEST_F(UserSettingsTest, AHashEndsTheFileQuietly) {
    WriteFile("a \"1\"\n# b \"2\"\n");
    UserSettings settings;
    EXPECT_TRUE(settings.Load(path_));
    EXPECT_EQ(settings.Count(), 1u);
}

TEST_F(UserSettingsTest, AnEmptyValueReadsBackAsEmptyAndAsTheIntegerDefault) {
    UserSettings settings;
    settings.Set("icalendartype", "");
    ASSERT_TRUE(settings.Save(path_));
    EXPECT_EQ(ReadFile(), "icalendartype \"\"\n");
    UserSettings loaded;
    ASSERT_TRUE(loaded.Load(path_));
    EXPECT_EQ(loaded.Count(), 1u);
    EXPECT_EQ(loaded.Get("icalendartype"), "");
    EXPECT_EQ(loaded.GetInt("icalendartype", 7), 7);
    loaded.Set("icalendartype", "abc");
    EXPECT_EQ(loaded.GetInt("icalendartype", 7), 0) << "a stored non-number is 0, not the default";
}

TEST_F(UserSettingsTest, RefusesKeysThatWouldNotReadBackAndKeepsEveryOther) {
    const char* refused[] = {"",       "two words", "tab\tkey", "quo\"te", "#hash",
                             "key:",   "09:30",     "9:30am",   "09:30pm", "{brace",
                             "}brace", "=encoded",  "caf\xE9",  "cut\xC3"};
    const char* kept[] = {"a.b", "x:y", "back\\slash", "na\xC3\xAFve", "last#run", "sims_import"};
    UserSettings settings;
    ASSERT_TRUE(settings.Load(path_));  // no file yet: every change is written straight to it
    for (const char* key : refused) {
        SCOPED_TRACE(key);
        UCStringError sink;
        EXPECT_FALSE(settings.Set(key, "v"));
        EXPECT_EQ(sink.GetText(), std::string("Error: The setting name '") + key +
                                      "' cannot be stored in the settings file\n");
    }
    EXPECT_EQ(settings.Count(), 0u);
    EXPECT_FALSE(settings.IsModified());
    EXPECT_FALSE(std::filesystem::exists(path_)) << "nothing written";
    for (const char* key : kept) {
        EXPECT_TRUE(settings.Set(key, key));
    }
    UserSettings loaded;
    ASSERT_TRUE(loaded.Load(path_));
    EXPECT_EQ(loaded.Count(), std::size(kept));
    for (const char* key : kept) {
        SCOPED_TRACE(key);
        EXPECT_EQ(loaded.Get(key), key);
    }
}

TEST_F(UserSettingsTest, ANameInEightBitTextLeavesTheUTF8NamesBesideItAsTheyAre) {
    WriteFile("na\xC3\xAFve \"1\"\ncaf\xE9 \"2\"\n");
    UserSettings settings;
    ASSERT_TRUE(settings.Load(path_));
    EXPECT_EQ(settings.Get("na\xC3\xAFve"), "1");
    EXPECT_EQ(settings.Get("caf\xC3\xA9"), "2");
}

TEST_F(UserSettingsTest, ChangesAreWrittenStraightBackOnceAFileIsKnown) {
    UserSettings settings;
    ASSERT_TRUE(settings.Load(path_));
    settings.SetColourTeacherBusy(Colour(1, 2, 3));
    EXPECT_FALSE(settings.IsModified());
    EXPECT_EQ(ReadFile(), "colourtbusy \"010203\"\n");
    settings.Delete("colourtbusy");
    EXPECT_EQ(ReadFile(), "");
    UserSettings unbound;
    unbound.Set("a", "1");
    EXPECT_TRUE(unbound.IsModified());
    EXPECT_EQ(unbound.GetFilePath(), "");
}

TEST_F(UserSettingsTest, AFileThatCannotBeWrittenOrReadSaysWhy) {
    UserSettings settings;
    settings.Set("a", "1");
    UCStringError sink;
    const std::string path = folder_ + "/missing/user_settings.dat";
    EXPECT_FALSE(settings.Save(path));
    EXPECT_EQ(sink.GetText(),
              "Error: Cannot save to file '" + path + "': No such file or directory\n");
    EXPECT_TRUE(settings.IsModified());
    EXPECT_EQ(settings.Get("a"), "1");
    EXPECT_FALSE(settings.Load(folder_));
    EXPECT_EQ(sink.GetText(), "Error: Cannot open file '" + folder_ + "': Is a directory\n");
}

TEST_F(UserSettingsTest, DeletingAnAbsentKeyChangesNothing) {
    UserSettings settings;
    settings.Delete("absent");
    EXPECT_FALSE(settings.IsModified());
    settings.Set("present", "1");
    ASSERT_TRUE(settings.Save(path_));
    settings.Delete("absent");
    EXPECT_FALSE(settings.IsModified());
}

TEST_F(UserSettingsTest, ColoursHaveTheirDefaultsAndLevelsOutsideTheRangeAreBlack) {
    UserSettings settings;
    const struct {
        const char* name;
        Colour actual;
        Colour expected;
    } cases[] = {
        {"booked ok low", settings.GetColourBookedOK(0), Colour(128, 128, 255)},
        {"booked ok", settings.GetColourBookedOK(1), Colour(64, 64, 255)},
        {"booked ok high", settings.GetColourBookedOK(2), Colour(0, 0, 255)},
        {"booked ok level 3", settings.GetColourBookedOK(3), Colour()},
        {"booked bad low", settings.GetColourBookedBad(0), Colour(255, 128, 128)},
        {"booked bad high", settings.GetColourBookedBad(2), Colour(255, 0, 0)},
        {"twin gap", settings.GetColourTwinGap(1), Colour(144, 32, 144)},
        {"twin gap level -1", settings.GetColourTwinGap(-1), Colour()},
        {"teacher busy", settings.GetColourTeacherBusy(), Colour(255, 128, 0)},
        {"teacher break", settings.GetColourTeacherBreak(), Colour(255, 255, 128)},
        {"absent", settings.GetColourAbsent(), Colour(160, 160, 160)},
        {"presentation", settings.GetColourPresentation(), Colour(128, 255, 128)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.actual.ToHex(), c.expected.ToHex());
    }
    settings.SetColourTwinGap(-1, Colour(1, 1, 1));
    settings.SetColourBookedOK(3, Colour(1, 1, 1));
    EXPECT_EQ(settings.Count(), 0u);
    settings.SetColourBookedBad(0, Colour(0x12, 0x34, 0x56));
    EXPECT_EQ(settings.Get("colourbookedbadlo"), "123456");
    settings.Set("colourabsent", "not hex");
    EXPECT_EQ(settings.GetColourAbsent().ToHex(), "000000");
}

// Two copies of the program write the one settings file: each keeps what the other wrote, but
// for the keys it changed itself, set or deleted.
TEST_F(UserSettingsTest, TwoRunsSharingTheFileKeepWhatTheOtherWrote) {
    struct Step {
        int run;
        const char* key;
        const char* value;  // null: deleted
    };
    const Step steps[] = {
        {0, "first", "1"},
        {1, "second", "2"},
        {0, "shared", "from the first"},
        {0, "first", "one"},
        // What the second holds already is no change of its own.
        {1, "first", "1"},
        {1, "old", nullptr},
        {1, "shared", "from the second"},
        {0, "third", "3"},
    };
    WriteFile("old \"kept until deleted\"\nshared \"at the start\"\n");
    UserSettings runs[2];
    ASSERT_TRUE(runs[0].Load(path_));
    ASSERT_TRUE(runs[1].Load(path_));
    for (const Step& step : steps) {
        if (step.value != nullptr) {
            ASSERT_TRUE(runs[step.run].Set(step.key, step.value));
        } else {
            runs[step.run].Delete(step.key);
        }
    }
    EXPECT_EQ(ReadFile(),
              "first \"one\"\nsecond \"2\"\nshared \"from%20the%20second\"\nthird \"3\"\n");
    UserSettings next;
    ASSERT_TRUE(next.Load(path_));
    EXPECT_EQ(next.Get("shared"), "from the second");
    EXPECT_EQ(runs[0].Get("second"), "2") << "the other run's settings are seen at a write";
}

// Two copies closing at once (a logout ends both) write the file at the same moment: neither
// takes back what the other just wrote.
TEST_F(UserSettingsTest, TwoRunsWritingAtOnceLoseNothingTheOtherWrote) {
    WriteFile("");
    constexpr int kKeys = 150;
    pid_t runs[2] = {-1, -1};
    for (int run = 0; run < 2; ++run) {
        runs[run] = ::fork();
        if (runs[run] == 0) {
            UCStringError quiet;
            UserSettings settings;
            bool ok = settings.Load(path_);
            for (int key = 0; ok && key < kKeys; ++key) {
                ok =
                    settings.SetInt("run" + std::to_string(run) + "key" + std::to_string(key), key);
            }
            ::_exit(ok ? 0 : 1);
        }
        ASSERT_GT(runs[run], 0);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (const pid_t run : runs) {
        int status = -1;
        while (::waitpid(run, &status, WNOHANG) == 0 &&
               std::chrono::steady_clock::now() < deadline) {
            ::usleep(10 * 1000);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(run, SIGKILL);
            (void)::waitpid(run, &status, 0);
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    UserSettings after;
    ASSERT_TRUE(after.Load(path_));
    int lost = 0;
    for (int run = 0; run < 2; ++run) {
        for (int key = 0; key < kKeys; ++key) {
            lost += after.Get("run" + std::to_string(run) + "key" + std::to_string(key)).empty();
        }
    }
    EXPECT_EQ(lost, 0) << "settings one run wrote and the other wrote over";
}

// The file was whole when this run read it, and is damaged by the time the run writes (a line
// typed by hand, a newer copy's line): what the reader cannot get past is not thrown away.
TEST_F(UserSettingsTest, AFileDamagedSinceItWasReadIsNotWrittenOver) {
    const struct {
        const char* what;
        std::string text;
    } rows[] = {
        {"a name without a value", "mailserver \"smtp.school.example\"\nnovalue\nlater \"2\"\n"},
        {"a value where a name goes", "mailserver \"smtp.school.example\"\n\"x\" \"y\"\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        WriteFile("first \"1\"\n");
        UCStringError sink;
        UserSettings settings;
        ASSERT_TRUE(settings.Load(path_));
        WriteFile(row.text);
        // Each change refused is said: it is lost at the end. Saving again without one is not.
        const std::string refused = "Warning: The settings file '" + path_ +
                                    "' could not be read whole, so it is not written over: "
                                    "changes to the settings last only until the program ends\n";
        settings.Set("changed", "3");
        EXPECT_EQ(sink.GetText(), refused);
        settings.Set("changed", "4");
        EXPECT_EQ(sink.GetText(), refused);
        EXPECT_FALSE(settings.Save(path_));
        EXPECT_EQ(sink.GetText(), "");
        EXPECT_EQ(ReadFile(), row.text);
        EXPECT_EQ(settings.Get("changed"), "4");
        EXPECT_TRUE(settings.IsModified());
        EXPECT_FALSE(settings.IsWrittenToFile());
    }
}
