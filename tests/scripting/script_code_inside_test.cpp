// Code of a script that Lua runs on its own, inside the program's functions: a finaliser runs at
// whatever allocation the collector chooses, also while a function builds the table it returns.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "scripting/script_fixture.h"
#include "support/temp_folder.h"

namespace {

class ScriptCodeInside : public ScriptFixture {
protected:
    ScriptCodeInside() {
        // Dan asks Alice for many subjects, so that a list of his requests takes a while.
        for (int i = 1; i <= 40; ++i) {
            dan->AddRequest(alice, "Subject " + std::to_string(i), 1, -1);
        }
    }
    // Runs main of a report script made of the body and says, through the exit code, whether it
    // ran to its end (0), failed (1) or did not say what it had to (2).
    // Stop is pressed stopAfter into the run, when given.
    int RunReport(const std::string& body, const std::string& expected,
                  std::optional<std::chrono::milliseconds> stopAfter = std::nullopt) {
        const std::string path = folder.Write("report.lua", body);
        auto script = std::make_unique<QMLuaScript>(path.c_str(), &controller);
        if (!script->loaded) {
            std::fprintf(stderr, "%s", ErrorText().c_str());
            return 1;
        }
        script->captureOutput = true;
        if (stopAfter) {
            const auto at = std::chrono::steady_clock::now() + *stopAfter;
            script->SetStopCheck([at] { return std::chrono::steady_clock::now() >= at; });
        }
        const bool ran = script->RunMain();
        std::fprintf(stderr, "%s%s", script->output.c_str(), ErrorText().c_str());
        if (!ran) {
            return 1;
        }
        return script->output == expected ? 0 : 2;
    }

    TempFolder folder{"qm-code-inside"};
};

// A report whose finalisers reshape the event (each finaliser asks for one change) while its
// own code keeps reading the event through the program's functions: the change lands between
// two reads, never inside one (each case runs in a child under the sanitisers, where a read of
// what the change freed ends it).
TEST_F(ScriptCodeInside, AFinaliserNeverReshapesTheEventUnderAFunctionReadingIt) {
    const struct {
        const char* reader;
        const char* reshape;
    } rows[] = {
        {"qm_appointments(alice)", "qm_optimise(1)"},
        {"qm_slots()", "qm_optimise(1)"},
        {"qm_requests(dan)", "qm_deleterequest(dan, alice, 'Subject ' .. changes)"},
        {"qm_requests(dan)", "qm_optimise(1)"},
        {"qm_appointments(carol)", "qm_deleterequest(dan, alice, 'Maths')"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.reader) + " against " + row.reshape);
        const std::string body =
            std::string(
                "changes = 0\n"
                "local finalised = {__gc = function()\n"
                "  changes = changes + 1\n  ") +
            row.reshape +
            "\nend}\n"
            "local function garbage() setmetatable({}, finalised) end\n"
            "function main()\n"
            "  alice = qm_teachers()[1]\n"
            "  carol = qm_parents()[1]\n"
            "  dan = qm_pupils(carol)[1]\n"
            "  collectgarbage('setpause', 0)\n"
            "  collectgarbage('setstepmul', 1000)\n"
            "  for i = 1, 40 do\n"
            "    garbage()\n"
            "    local list = " +
            row.reader +
            "\n"
            "    if type(list) ~= 'table' then error('no list') end\n"
            "  end\n"
            "  collectgarbage()\n"
            "  qm_output(changes == 40 and 'every change made' or ('changes ' .. changes))\n"
            "  return 1\n"
            "end\n";
        EXPECT_EXIT(::_exit(RunReport(body, "every change made\n")), ::testing::ExitedWithCode(0),
                    "");
    }
}

// Standard input is the program's, and a read of it waits inside the library, where Stop
// cannot reach: to a script it is a closed file, by every road. So is a FIFO (here one nobody
// writes to) opened, read or loaded by name. Each case runs in a child whose standard input is a
// pipe nobody writes to, and that is ended should the read wait.
TEST_F(ScriptCodeInside, StandardInputAndFIFOsAreNoFilesToWaitOn) {
    const std::string fifo = folder.File("fifo.lua");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        const char* read;
        const char* said;
    } rows[] = {
        {"io.read()", "standard input file is closed"},
        {"io.read('n')", "standard input file is closed"},
        {"io.lines()()", "attempt to use a closed file"},
        {"io.stdin:read('l')", "attempt to use a closed file"},
        {"io.input():read()", "attempt to use a closed file"},
        {"io.input():lines()()", "attempt to use a closed file"},
        {"assert(io.open('/dev/stdin')):read()", "/dev/stdin: not an ordinary file"},
        {"io.lines('/proc/self/fd/0')()", "/proc/self/fd/0: not an ordinary file"},
        {"io.input('/dev/stdin')", "/dev/stdin: not an ordinary file"},
        {"io.open(FIFO, 'w')", "true nil"},
        {"assert(loadfile(FIFO))", "FIFO: not an ordinary file"},
        {"dofile(FIFO)", "FIFO: not an ordinary file"},
        {"package.searchpath('fifo', FOLDER .. '/?.lua')", "true nil"},
        {"(function() package.path = FOLDER .. '/?.lua'; return require('fifo') end)()",
         "module 'fifo' not found:"},
        {"(function() package.searchpath = function() return FIFO end; return require('x') "
         "end)()",
         "error loading module 'x' from file 'FIFO':"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.read);
        const std::string body = "FIFO = '" + fifo + "'\nFOLDER = '" + folder.Path() +
                                 "'\n"
                                 "function main()\n"
                                 "  local ok, message = pcall(function() return " +
                                 row.read +
                                 " end)\n"
                                 "  qm_output(tostring(ok) .. ' ' .. "
                                 "(tostring(message):gsub('^[^:]*:%d+: ', ''):match('[^\\n]*')))\n"
                                 "  return 1\n"
                                 "end\n";
        std::string said = row.said;
        if (const size_t at = said.find("FIFO"); at != std::string::npos) {
            said.replace(at, 4, fifo);
        }
        if (said.rfind("true", 0) != 0) {
            said = "false " + said;
        }
        EXPECT_EXIT(
            {
                int pipeEnds[2];
                if (::pipe(pipeEnds) != 0 || ::dup2(pipeEnds[0], 0) < 0) {
                    ::_exit(3);
                }
                ::alarm(10);
                ::_exit(RunReport(body, said + "\n"));
            },
            ::testing::ExitedWithCode(0), "");
    }
    // A script may still read files of its own, and name the standard input's streams.
    const std::string own = folder.Write("own.txt", "first line\nsecond line\n");
    const std::string body =
        "function main()\n"
        "  local file = io.open('" +
        own +
        "')\n"
        "  io.input(file)\n"
        "  qm_output(io.read() .. ' / ' .. io.lines('" +
        own +
        "')() .. ' / ' .. io.type(io.stdin))\n"
        "  return 1\n"
        "end\n";
    EXPECT_EQ(RunReport(body, "first line / first line / closed file\n"), 0) << ErrorText();
}

// A report that writes its list beside the event by the event's own name (a pattern that
// missed the extension, say) would put the list in the event's place on disk while the window
// still shows the event as saved, and closing would then lose it: the open event's file is
// refused to a script's writes as it is to the program's own outputs.
TEST_F(ScriptCodeInside, AScriptsWriteNeverReplacesTheOpenEventsFile) {
    const std::string path = folder.File("spring.qmv");
    ASSERT_TRUE(controller.SaveEvent(path.c_str())) << ErrorText();
    const std::string saved = ReadWholeFile(path);
    const char* writes[] = {
        "local f = io.open(qm_filename(), 'w') f:write('Name,Form') f:close()",
        "local f = io.open(qm_filename(), 'a') f:write('Name,Form') f:close()",
        "local f = io.open(qm_filename(), 'r+') f:write('Name,Form') f:close()",
        "io.output(qm_filename()) io.write('Name,Form') io.close()",
        "local csv = qm_filename():gsub('%.qm$', '.csv') io.open(csv, 'w'):write('Name,Form')",
    };
    for (const char* write : writes) {
        SCOPED_TRACE(write);
        const std::string body = std::string("function main()\n  pcall(function() ") + write +
                                 " end)\n  collectgarbage()\n  return 1\nend\n";
        EXPECT_EQ(RunReport(body, ""), 0);
        const std::string now = ReadWholeFile(path);
        EXPECT_TRUE(now == saved) << "the event's file now begins '" << now.substr(0, 20) << "'";
        // The next row starts from the saved event again.
        std::ofstream(path, std::ios::binary | std::ios::trunc) << saved;
    }
}

// os.execute and io.popen wait for their command within Stop's reach, and answer as the
// library's own do: a command that never ends is ended by Stop, the script with it.
TEST_F(ScriptCodeInside, ShellCommandsAnswerAsTheLibrarysAndStopEndsThem) {
    const std::string out = folder.File("out.txt");
    const struct {
        const char* what;
        std::string run;
        const char* said;
        bool stopped;
    } rows[] = {
        {"a shell is there", "return os.execute()", "true", false},
        {"a command that ends well", "return os.execute('true')", "true exit 0", false},
        {"a command that fails", "return os.execute('exit 3')", "nil exit 3", false},
        {"a command a signal ends", "return os.execute('kill -TERM $$')", "nil signal 15", false},
        {"its output, then how it ended",
         "local f = io.popen('echo first; echo second; exit 3')\n"
         "  return f:read('a'):gsub('\\n', '|'), f:close()",
         "first|second| nil exit 3", false},
        {"what is written is its input",
         "local f = io.popen('cat > " + out +
             "', 'w')\n"
             "  f:write('written')\n"
             "  local ok, how, code = f:close()\n"
             "  return ok, how, code, io.open('" +
             out + "'):read('a')",
         "true exit 0 written", false},
        {"a command that never ends", "return os.execute('sleep 60')", "", true},
        {"the output of one that never ends", "return io.popen('sleep 60'):read('a')", "", true},
        {"one that never ends on what was written",
         "local f = io.popen('sleep 60', 'w')\n  return f:close()", "", true},
        {"one whose own command never ends",
         "return os.execute('sleep 60 & echo $! > " + folder.File("pid") + "; wait')", "", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string body =
            "function main()\n"
            "  local results = table.pack((function()\n  " +
            row.run +
            "\n  end)())\n"
            "  for i = 1, results.n do results[i] = tostring(results[i]) end\n"
            "  qm_output(table.concat(results, ' '))\n"
            "  return 1\n"
            "end\n";
        sink.messages.clear();
        const auto started = std::chrono::steady_clock::now();
        const int result =
            RunReport(body, std::string(row.said) + "\n",
                      row.stopped ? std::optional(std::chrono::milliseconds(300)) : std::nullopt);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
        if (row.stopped) {
            EXPECT_EQ(result, 1);
            EXPECT_TRUE(Contains(ErrorText(), "Script stopped by the user")) << ErrorText();
        } else {
            EXPECT_EQ(result, 0) << ErrorText();
        }
    }
    // What the command started ends with it.
    const pid_t started = static_cast<pid_t>(std::atol(folder.Read("pid").c_str()));
    ASSERT_GT(started, 0);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (::kill(started, 0) == 0 && std::chrono::steady_clock::now() < until) {
        ::usleep(10000);
    }
    EXPECT_NE(::kill(started, 0), 0) << "the command's own command runs on";
}

}  // namespace
