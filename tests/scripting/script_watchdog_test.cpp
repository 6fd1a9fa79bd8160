#include <gtest/gtest.h>

#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "app/autosave_session.h"
#include "app/event_file_format.h"
#include "script_fixture.h"
#include "scripting/script_watchdog.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace {

// A script whose call into C does not come back, watched with a short patience. The event has
// been saved to a file first, so that only a real change counts as one.
class StuckScript : public ScriptFixture {
protected:
    StuckScript() {
        controller.Initialise();
        EXPECT_FALSE(controller.GetAutosavePath().empty());
        EXPECT_TRUE(controller.SaveEvent(folder.File("evening.qmv").c_str())) << ErrorText();
        EXPECT_FALSE(controller.IsEventChanged());
        ScriptWatchdog::Instance().Start(std::chrono::milliseconds(100));
    }
    ~StuckScript() override { ScriptWatchdog::Instance().Stop(); }

    std::unique_ptr<QMLuaScript> LoadCase(const char* which, const char* length) {
        auto script = Load("escapes.lua");
        SetGlobal(*script, "case", which);
        SetGlobal(*script, "folder", folder.Path());
        SetGlobal(*script, "length", length);
        return script;
    }
    std::string Copy() const { return ReadWholeFile(controller.GetAutosavePath()); }

    TempFolder folder{"qm-stuck"};
    ScopedEnv config{"XDG_CONFIG_HOME", folder.File("config").c_str()};
};

// The model's own flags stay unset by a rename; the copy must follow the file, not the flags.
TEST_F(StuckScript, WritesAChangedEventWholeToTheAutosaveCopy) {
    alice->SetName("Alicia Smith");
    ASSERT_FALSE(Days().IsModified());
    ASSERT_TRUE(controller.IsEventChanged());
    const unsigned before = ScriptWatchdog::Instance().CopiesWritten();

    auto script = LoadCase("match", "180");
    script->RunMain();

    EXPECT_EQ(script->output, "match nil\n") << ErrorText();
    EXPECT_EQ(ScriptWatchdog::Instance().CopiesWritten(), before + 1);
    const std::string copy = Copy();
    std::string body;
    ASSERT_TRUE(VerifyAutosaveText(copy, &body)) << copy;
    EXPECT_TRUE(Contains(body, "Alicia Smith"));
    // The message sink belongs to the window's thread: nothing was said.
    EXPECT_EQ(ErrorText(), "");
}

TEST_F(StuckScript, WritesNothingForAnEventAsSaved) {
    const unsigned before = ScriptWatchdog::Instance().CopiesWritten();
    auto script = LoadCase("match", "180");
    script->RunMain();
    EXPECT_EQ(script->output, "match nil\n") << ErrorText();
    EXPECT_EQ(ScriptWatchdog::Instance().CopiesWritten(), before);
    EXPECT_FALSE(controller.AutosaveFileExists());
}

// A script that keeps running holds the window's minute back; the copy is made all the same,
// in Lua code and inside a long host function alike, of the event as it stands.
TEST_F(StuckScript, MakesTheMinutesCopyWhileAScriptKeepsRunning) {
    ScriptWatchdog::Instance().Start(std::chrono::seconds(10), std::chrono::milliseconds(200));
    struct Case {
        const char* name;
        const char* lua;
    } cases[] = {
        {"Lua code", "function main() while true do end end"},
        // Gives up by itself after some twenty seconds should nothing stop it between passes.
        {"qm_optimise", "function main() qm_optimise(8000) end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(controller.DeleteAutosaveFile());
        alice->SetName(std::string("Alicia ") + c.name);
        const unsigned before = ScriptWatchdog::Instance().CopiesWritten();
        auto busy =
            std::make_unique<QMLuaScript>(folder.Write("busy.lua", c.lua).c_str(), &controller);
        ASSERT_TRUE(busy->loaded) << ErrorText();
        const auto start = std::chrono::steady_clock::now();
        const auto stopAt = start + std::chrono::milliseconds(1500);
        busy->SetStopCheck([stopAt] { return std::chrono::steady_clock::now() >= stopAt; });
        EXPECT_FALSE(busy->RunMain());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_TRUE(Contains(ErrorText(), "Script stopped by the user"));
        // The last one may still be on its way.
        for (int wait = 0; wait < 100 && ScriptWatchdog::Instance().CopiesWritten() == before;
             ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_GT(ScriptWatchdog::Instance().CopiesWritten(), before);
        std::string body;
        ASSERT_TRUE(VerifyAutosaveText(Copy(), &body));
        EXPECT_TRUE(Contains(body, std::string("Alicia ") + c.name));
        sink.messages.clear();
    }
}

// Each stuck call comes back while its copy may be under way and changes the event at once; the
// change must wait for the copy (ThreadSanitizer sees any overlap), and every copy is whole.
TEST_F(StuckScript, ACallComingBackWaitsForTheCopyBeforeTheEventChanges) {
    ScriptWatchdog::Instance().Start(std::chrono::milliseconds(1));
    const unsigned before = ScriptWatchdog::Instance().CopiesWritten();
    auto script = LoadCase("matchthenchange", "100");
    SetGlobal(*script, "rounds", "15");
    script->RunMain();
    EXPECT_EQ(script->output, "rounds 15\n") << ErrorText();
    EXPECT_EQ(alice->GetLocation(), "Room 15");
    ASSERT_GT(ScriptWatchdog::Instance().CopiesWritten(), before);
    std::string body;
    ASSERT_TRUE(VerifyAutosaveText(Copy(), &body));
    EXPECT_TRUE(Contains(body, "Room "));
}

// The minute's copy of an earlier moment, still on its way when the call gets stuck, must not
// land over the stuck call's newer copy.
TEST_F(StuckScript, AMinutesCopyStillUnderWayNeverOvertakesTheNewerCopy) {
    alice->SetName("Alice Early");
    AutosaveSession minute(
        [this] {
            return AutosaveSubject{&Days(), controller.GetSavedDigest(),
                                   controller.GetAutosavePath()};
        },
        [] {
            const pid_t child = ::fork();
            if (child == 0) {
                ::usleep(800 * 1000);
            }
            return child;
        });
    ASSERT_TRUE(minute.Tick());
    alice->SetName("Alicia Smith");

    auto script = LoadCase("match", "180");
    script->RunMain();
    EXPECT_EQ(minute.Wait(), AutosaveSession::Outcome::Overtaken);

    std::string body;
    ASSERT_TRUE(VerifyAutosaveText(Copy(), &body));
    EXPECT_TRUE(Contains(body, "Alicia Smith"));
    EXPECT_FALSE(Contains(body, "Alice Early"));
}

}  // namespace
