#include <gtest/gtest.h>

#include <sstream>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "script_fixture.h"
#include "scripting/script_watchdog.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace {

using std::chrono_literals::operator""ms;

class LuaHost : public ScriptFixture {};

// Stop pressed once the script has run that long, as the user would.
void StopAfter(QMLuaScript& script, std::chrono::milliseconds after) {
    const auto at = std::chrono::steady_clock::now() + after;
    script.SetStopCheck([at] { return std::chrono::steady_clock::now() >= at; });
}

TEST_F(LuaHost, ScriptsThatCannotStartAreNotLoadedAndSayWhy) {
    struct Case {
        const char* fixture;
        const char* context;
        // Lua shortens long file names from the left.
        const char* where;
    };
    const std::vector<Case> cases = {
        {"syntax_error.lua", "Cannot load script file: ",
         "fixtures/syntax_error.lua:3: <name> or '...' expected near 'return'"},
        {"missing.lua", "Cannot load script file: ", "cannot open "},
        {"init_error.lua", "Runtime error in script initialisation: ",
         "fixtures/init_error.lua:2: settings table missing"},
        // The functions are registered only after the top level has run.
        {"top_level_output.lua", "Runtime error in script initialisation: ",
         "fixtures/top_level_output.lua:2: attempt to call a nil value (global 'qm_output')"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        sink.messages.clear();
        QMLuaScript script(Fixture(c.fixture).c_str(), &controller);
        EXPECT_FALSE(script.loaded);
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_EQ(sink.messages[0].first, SeverityError);
        EXPECT_TRUE(BeginsWith(sink.messages[0].second, c.context));
        EXPECT_TRUE(Contains(sink.messages[0].second, c.where));
        EXPECT_FALSE(script.RunMain());
    }
}

TEST_F(LuaHost, TheControllersFactoryHandsOutOnlyLoadedHosts) {
    std::unique_ptr<QMScript> script = QMLuaScript::Create(Fixture("pages.lua"), &controller);
    ASSERT_NE(script, nullptr);
    EXPECT_TRUE(script->loaded);
    EXPECT_EQ(QMLuaScript::Create(Fixture("init_error.lua"), &controller), nullptr);
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[1].second,
              "Script file '" + Fixture("init_error.lua") + "' is not valid");
}

TEST_F(LuaHost, NeedsAnOpenEventAndTextScripts) {
    QMController empty;
    QMLuaScript withoutEvent(Fixture("main_result.lua").c_str(), &empty);
    QMLuaScript withoutController(Fixture("main_result.lua").c_str(), nullptr);
    EXPECT_FALSE(withoutEvent.loaded);
    EXPECT_FALSE(withoutController.loaded);
    EXPECT_TRUE(sink.messages.empty());

    // Precompiled chunks are refused: Lua does not check them.
    auto writer = Load("bad_arguments.lua");
    TempFolder folder;
    SetGlobal(*writer, "expression",
              "io.open('" + folder.File("compiled.luac") +
                  "', 'wb'):write(string.dump(function() end)):close()");
    writer->RunMain();
    QMLuaScript compiled(folder.File("compiled.luac").c_str(), &controller);
    EXPECT_FALSE(compiled.loaded);
    EXPECT_TRUE(Contains(ErrorText(), "attempt to load a binary chunk"));
}

TEST_F(LuaHost, MainIsTrueOnlyForANonZeroInteger) {
    struct Case {
        const char* name;
        bool result;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"nothing", false, nullptr},
        {"none", false, nullptr},
        {"zero", false, nullptr},
        {"seven", true, nullptr},
        {"text", false, nullptr},
        {"fails", false, "fixtures/main_result.lua:8: total is not a number"},
        {"table", false, "(error object is a table value)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sink.messages.clear();
        auto script = Load("main_result.lua");
        SetGlobal(*script, "case", c.name);
        EXPECT_EQ(script->RunMain(), c.result);
        EXPECT_EQ(script->output, std::string("running ") + c.name + "\n");
        if (c.error == nullptr) {
            EXPECT_TRUE(sink.messages.empty());
        } else {
            EXPECT_TRUE(BeginsWith(ErrorText(), "Error in Lua script: "));
            EXPECT_TRUE(Contains(ErrorText(), c.error));
        }
    }
}

TEST_F(LuaHost, MissingEntryFunctionsAreReportedAsFailures) {
    auto script = Load("kept_objects.lua");
    auto pages = Load("pages.lua");
    EXPECT_FALSE(pages->DrawTeacherPage(alice, Day(0)));
    EXPECT_FALSE(script->DrawParentPage(carol, Day(0)));
    EXPECT_FALSE(script->RunPupilEmail(EmailResults, dan, Day(0)));
    EXPECT_EQ(ErrorText(),
              "No draw_teacher_page function in script\n"
              "No draw_parent_page function in script\n"
              "No pupil_email function in script\n");
    sink.messages.clear();
    auto noMain = Load("pages.lua");
    std::unique_ptr<QMLuaScript> withoutMain = Load("endless.lua");
    lua_pushnil(withoutMain->GetState());
    lua_setglobal(withoutMain->GetState(), "main");
    EXPECT_FALSE(withoutMain->RunMain());
    EXPECT_EQ(withoutMain->output, "");
    EXPECT_EQ(ErrorText(), "No main function in script\n");
}

// Globals whose metatable raises used to end the whole program when the host looked up or set
// one.
TEST_F(LuaHost, GlobalsThatRaiseAreTheScriptsErrorsNotTheProgramsEnd) {
    auto strict = Load("strict_globals.lua");
    EXPECT_TRUE(strict->RunMain());
    EXPECT_EQ(strict->output, "main\n");
    EXPECT_TRUE(strict->HasParentEmail(EmailResults));
    EXPECT_FALSE(strict->HasParentEmail(EmailInvitation));
    EXPECT_TRUE(sink.messages.empty()) << ErrorText();
    EXPECT_FALSE(strict->DrawTeacherPage(alice, Day(0)));
    EXPECT_EQ(ErrorText(), "Error in Lua script: undefined global draw_teacher_page\n");

    sink.messages.clear();
    QMLuaScript readOnly(Fixture("read_only_globals.lua").c_str(), &controller);
    EXPECT_FALSE(readOnly.loaded);
    EXPECT_EQ(ErrorText(), "Runtime error in script initialisation: read-only globals: this\n");
}

TEST_F(LuaHost, PageScriptsDrawOnTheSheetOfTheirDayAndLetGoOfIt) {
    auto script = Load("pages.lua");
    RecordingRenderer renderer;
    script->SetRenderer(&renderer);
    EXPECT_TRUE(script->DrawParentPage(carol, Day(1)));
    EXPECT_EQ(renderer.drawn,
              (std::vector<std::string>{"text Carol White on 06 Mar 2024", "cell Time 1 0 25",
                                        "cell Teacher 0 1 75"}));
    EXPECT_EQ(script->output, "");
    EXPECT_EQ(script->GetCurrentDay(), 1u);
    // The sheet is done: a later report's cells go nowhere.
    EXPECT_EQ(script->GetRenderer(), nullptr);
    EXPECT_EQ(script->RunMain(), true);
    EXPECT_EQ(renderer.drawn.size(), 3u);
    EXPECT_EQ(script->output, "");
    EXPECT_TRUE(sink.messages.empty()) << ErrorText();
}

TEST_F(LuaHost, EmailFunctionsAreLookedUpByKind) {
    auto script = Load("pages.lua");
    EXPECT_TRUE(script->HasParentEmail(EmailResults));
    EXPECT_TRUE(script->HasParentEmail(EmailReminder));
    EXPECT_FALSE(script->HasParentEmail(EmailInvitation));
    EXPECT_FALSE(script->HasParentEmail(static_cast<EmailTextKind>(3)));
    EXPECT_FALSE(script->HasTeacherEmail(EmailResults));
    EXPECT_FALSE(script->HasPupilEmail(EmailResults));

    script->lineEnd = "\r\n";
    EXPECT_TRUE(script->RunParentEmail(EmailResults, carol, Day(0)));
    EXPECT_EQ(script->output, "Dear Carol White,\r\nyour appointments on 05 Mar 2024:\r\n");
    EXPECT_TRUE(sink.messages.empty());

    // A global that is present but no function.
    EXPECT_FALSE(script->RunParentEmail(EmailReminder, carol, Day(0)));
    EXPECT_TRUE(BeginsWith(ErrorText(), "Error in Lua script: attempt to call a number value"));
    sink.messages.clear();
    EXPECT_FALSE(script->RunParentEmail(static_cast<EmailTextKind>(7), carol, Day(0)));
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(LuaHost, FailedCallsLeaveTheLuaStackAsItWas) {
    auto script = Load("main_result.lua");
    SetGlobal(*script, "case", "fails");
    const int height = lua_gettop(script->GetState());
    for (int i = 0; i < 300; ++i) {
        script->RunMain();
        script->DrawTeacherPage(alice, Day(0));
        script->RunParentEmail(EmailReminder, carol, Day(0));
        script->HasPupilEmail(EmailInvitation);
    }
    EXPECT_EQ(lua_gettop(script->GetState()), height);
    EXPECT_EQ(sink.messages.size(), 900u);
}

TEST_F(LuaHost, BadCallsGiveOneClearErrorInsteadOfACrash) {
    struct Case {
        const char* expression;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"qm_personname(this)",
         "bad argument #1 to 'qm_personname' (not an object of the open event)"},
        {"qm_attendpres(qm_teachers()[1], this)",
         "bad argument #2 to 'qm_attendpres' (not an object of the open event)"},
        // Ending the program would lose the user's unsaved event.
        {"os.exit(1) == nil", "os.exit is not available to scripts"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        sink.messages.clear();
        auto script = Load("bad_arguments.lua");
        SetGlobal(*script, "expression", c.expression);
        EXPECT_FALSE(script->RunMain());
        EXPECT_EQ(sink.messages.size(), 1u);
        EXPECT_TRUE(BeginsWith(ErrorText(), "Error in Lua script: [string \"return "));
        EXPECT_TRUE(Contains(ErrorText(), c.message));
    }
}

// A missing argument, or a value of the wrong type, is no error: the function gives what it gives
// for "not that kind of object" or a missing argument, else no result.
TEST_F(LuaHost, MissingArgumentsAndValuesOfTheWrongTypeGiveNoResult) {
    struct Case {
        const char* expression;
        const char* output;
    };
    const std::vector<Case> cases = {
        {"qm_personname(nil) == nil and #qm_pupils() == 0", "true"},
        {"select('#', qm_personname(5))", "0"},
        {"select('#', qm_getfields('Alice Smith'))", "0"},
        {"#qm_pupils({})", "0"},
        {"#qm_requests(io.stdout)", "0"},
        {"#qm_appointments(7)", "0"},
        {"qm_typeof()", ""},
        {"select('#', qm_typeof(5))", "0"},
        {"select('#', qm_setfield('Alice Smith', 'location', 'Hall'))", "0"},
        {"select('#', qm_numrequests(true))", "0"},
        {"select('#', qm_doesattendpres(qm_teachers()[1], 'Careers Talk'))", "0"},
        {"select('#', qm_deleterequest(qm_pupils(qm_parents()[1])[1], true, 'Maths')) + "
         "qm_numrequests(qm_pupils(qm_parents()[1])[1])",
         "2"},
        {"qm_str8bittoutf8() .. qm_strutf8to8bit()", ""},
        {"select('#', qm_str8bittoutf8({}))", "0"},
        {"select('#', qm_strutf8to8bit(true))", "0"},
        {"qm_xmlopen()", "false"},
        {"select('#', qm_xmlopen({}))", "0"},
        {"qm_xmlreadtable()", "false"},
        {"select('#', qm_xmlreadtable(false))", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        auto script = Load("bad_arguments.lua");
        SetGlobal(*script, "expression", c.expression);
        EXPECT_TRUE(script->RunMain());
        EXPECT_EQ(script->output, std::string(c.output) + "\n");
        EXPECT_TRUE(sink.messages.empty()) << ErrorText();
    }
    EXPECT_EQ(alice->GetLocation(), "Room 1");
}

TEST_F(LuaHost, AnObjectDeletedBetweenCallsIsRefused) {
    auto script = Load("kept_objects.lua");
    EXPECT_TRUE(script->DrawTeacherPage(bob, Day(0)));
    EXPECT_TRUE(script->RunMain());
    EXPECT_EQ(script->output, "Bob Jones\n");
    ASSERT_TRUE(Days().DeleteTeacher(bob));
    EXPECT_FALSE(script->RunMain());
    EXPECT_TRUE(Contains(ErrorText(),
                         "bad argument #1 to 'qm_personname' (not an object of the open event)"));
}

TEST_F(LuaHost, RunawayScriptsRunUntilStopped) {
    auto script = Load("endless.lua");
    int asked = 0;
    script->SetStopCheck([&asked] { return ++asked == 3; });
    EXPECT_FALSE(script->RunMain());
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(ErrorText(), "Error in Lua script: Script stopped by the user\n");
    // Catching the stop with pcall only stops it again.
    sink.messages.clear();
    StopAfter(*script, 100ms);
    EXPECT_FALSE(script->DrawParentPage(carol, Day(0)));
    EXPECT_TRUE(Contains(ErrorText(), "Script stopped by the user"));
}

// The program once ended every entry call after a time of its own (60 seconds, or the
// setting "scripttimelimit"); a settings file that still holds it loads, and limits nothing.
TEST_F(LuaHost, ASettingsFileWithTheOldTimeLimitLoadsAndLimitsNothing) {
    TempFolder folder("qm-settings");
    const std::string path = folder.Write("user_settings.dat",
                                          "pupilprintscript \"pupils.lua\"\n"
                                          "scripttimelimit \"1\"\n"
                                          "teacherprintscript \"teachers.lua\"\n");
    ASSERT_TRUE(controller.GetUserSettings().Load(path));
    EXPECT_EQ(controller.GetUserSettings().Get("teacherprintscript"), "teachers.lua");
    auto script = Load("main_result.lua");
    SetGlobal(*script, "case", "busy");
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(script->RunMain());
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
    EXPECT_EQ(script->output, "running busy\n");
    EXPECT_EQ(ErrorText(), "");
}

// A script that runs one of escapes.lua's cases.
class Escapes : public ScriptFixture {
protected:
    std::unique_ptr<QMLuaScript> LoadCase(const char* which) {
        auto script = Load("escapes.lua");
        SetGlobal(*script, "case", which);
        SetGlobal(*script, "folder", folder.Path());
        return script;
    }
    TempFolder folder{"qm-escapes"};
};

TEST_F(Escapes, EveryRoadToLoadingTakesTextOnly) {
    auto script = LoadCase("binary");
    script->RunMain();
    const char* const refused = "attempt to load a binary chunk (mode is 't')";
    const std::vector<std::string> expected = {
        std::string("load nil ") + refused,
        std::string("damaged nil ") + refused,
        std::string("mode b nil ") + refused,
        std::string("loadfile nil ") + refused,
        std::string("dofile false ") + refused,
        std::string("require false error loading module 'compiled' from file '") + folder.Path() +
            "/compiled.lua':",
        "loadlib nil 2",
        "text 2 plain text plain text plain text",
        "no name false bad argument #1 to 'loadfile' (string expected, got no value)",
    };
    std::vector<std::string> lines;
    std::istringstream output(script->output);
    for (std::string line; std::getline(output, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), expected.size()) << script->output << ErrorText();
    for (size_t i = 0; i < lines.size(); ++i) {
        // Lua adds where the script stood; the reason comes first.
        EXPECT_TRUE(BeginsWith(lines[i], expected[i])) << lines[i];
    }
}

TEST_F(Escapes, ScriptsHaveNoHooksOfTheirOwnToEscapeStopWith) {
    auto script = LoadCase("hook");
    StopAfter(*script, 100ms);
    EXPECT_FALSE(script->RunMain());
    EXPECT_EQ(script->output, "debug nil nil nil nil nil function\n");
    EXPECT_TRUE(Contains(ErrorText(), "Script stopped by the user"));
}

TEST_F(Escapes, EveryRoadToTheDebugLibraryGivesTheTrimmedOne) {
    auto script = LoadCase("debugroads");
    StopAfter(*script, 100ms);
    EXPECT_FALSE(script->RunMain());
    EXPECT_EQ(script->output,
              "require true nil\n"
              "loaded true nil nil\n"
              "sethook false attempt to call a nil value (field 'sethook')\n"
              "reader nil nil C\n"
              "thread nil\n"
              "unloaded false\n"
              "preload own nil nil\n");
    EXPECT_TRUE(Contains(ErrorText(), "Script stopped by the user"));
}

// Lua runs finalisers with hooks off; the host runs them where its hook still reaches.
TEST_F(Escapes, FinalisersRunWithinStopsReach) {
    auto script = LoadCase("finaliser");
    StopAfter(*script, 100ms);
    EXPECT_FALSE(script->RunMain());
    EXPECT_EQ(script->output, "");
    EXPECT_TRUE(Contains(ErrorText(), "error in __gc metamethod"));
    EXPECT_TRUE(Contains(ErrorText(), "Script stopped by the user"));

    // Left for the end, it runs while the host closes: Stop reaches it there too.
    auto atClose = LoadCase("finaliseratclose");
    StopAfter(*atClose, 100ms);
    atClose->RunMain();
    const auto started = std::chrono::steady_clock::now();
    atClose.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));

    // Well-behaved finalisers still run, each once; files keep their own.
    sink.messages.clear();
    auto working = LoadCase("finaliserworks");
    working->RunMain();
    EXPECT_EQ(working->output,
              "finalised first,third nil false\n"
              "bad false bad argument #2 to 'setmetatable' (nil or table expected)\n")
        << ErrorText();
}

}  // namespace
