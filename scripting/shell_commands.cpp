#include "scripting/shell_commands.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <lua.hpp>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

#include "foundation/child_process.h"
#include "foundation/files.h"
#include "scripting/qm_lua_script.h"

namespace {

// How often a running command is looked in on, and Stop asked.
constexpr useconds_t kLookEveryMicroseconds = 10000;

// How a command ended, in plain data: the functions below may raise a Lua error, which unwinds
// with longjmp, only once every C++ object of the run is gone.
struct CommandEnd {
    bool started = false;
    bool stopped = false;
    // Ended by a signal: its number in code; else the exit code.
    bool signalled = false;
    int code = -1;
};

void Ended(int status, CommandEnd* end) {
    end->signalled = WIFSIGNALED(status);
    end->code = end->signalled ? WTERMSIG(status) : WEXITSTATUS(status);
}

// The shell on script, with $0, $1... from arguments, to its end or the user's Stop. The shell
// leads a process group of its own, so that Stop ends whatever the command started too.
CommandEnd RunShell(lua_State* L, std::vector<std::string> arguments) {
    CommandEnd end;
    arguments.insert(arguments.begin(), {"/bin/sh", "-c"});
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // An inherited event file would keep its lock alive after we let it go.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t shell = -1;
    const int failure = ::posix_spawn(&shell, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (failure != 0) {
        return end;
    }
    end.started = true;
    QMLuaScript* host = QMLuaScript::FromLuaState(L);
    for (;;) {
        int status = 0;
        const pid_t done = WaitForChild(shell, &status);
        if (done == shell) {
            Ended(status, &end);
            return end;
        }
        if (done < 0) {
            end.code = 127;
            return end;
        }
        if (host != nullptr && host->StopBetweenSteps(L)) {
            ::kill(-shell, SIGKILL);
            if (KillChild(shell, &status)) {
                Ended(status, &end);
            }
            end.stopped = true;
            return end;
        }
        ::usleep(kLookEveryMicroseconds);
    }
}

// Lua's answer for a command: true or nil, then "exit" and its code or "signal" and its number;
// one that could not start ends as a shell that cannot find it would (127).
int PushEnd(lua_State* L, const CommandEnd& end) {
    const int code = end.started ? end.code : 127;
    if (code == 0 && !end.signalled) {
        lua_pushboolean(L, 1);
    } else {
        lua_pushnil(L);
    }
    if (end.signalled) {
        lua_pushliteral(L, "signal");
    } else {
        lua_pushliteral(L, "exit");
    }
    lua_pushinteger(L, code);
    return 3;
}

int Execute(lua_State* L) {
    const char* command = luaL_optstring(L, 1, nullptr);
    if (command == nullptr) {
        lua_pushboolean(L, 1);  // there is a shell
        return 1;
    }
    const CommandEnd end = RunShell(L, {command});
    if (end.stopped) {
        return luaL_error(L, "%s", QMLuaScript::kStoppedMessage);
    }
    return PushEnd(L, end);
}

// A new file of its own in the temporary folder, opened for reading and writing, its name in
// path; null with errno set when none could be made.
FILE* MakeTemporaryFile(char (&path)[PATH_MAX]) {
    const std::string pattern =
        DirectoryName::TempDirectory().GetPath() + "/quillmoot-command-XXXXXX";
    if (pattern.size() >= sizeof path) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    std::memcpy(path, pattern.c_str(), pattern.size() + 1);
    const int descriptor = ::mkstemp(path);
    if (descriptor < 0) {
        return nullptr;
    }
    FILE* file = ::fdopen(descriptor, "w+");
    if (file == nullptr) {
        const int error = errno;
        ::close(descriptor);
        ::unlink(path);
        errno = error;
    }
    return file;
}

// A command's whole output, in a file already unlinked; null file once stopped or failed.
struct CommandOutput {
    CommandEnd end;
    FILE* file = nullptr;
    int error = 0;
};

CommandOutput RunForOutput(lua_State* L, const char* command) {
    CommandOutput output;
    char path[PATH_MAX];
    output.file = MakeTemporaryFile(path);
    if (output.file == nullptr) {
        output.error = errno;
        return output;
    }
    output.end = RunShell(L, {"exec >\"$1\"; eval \"$2\"", "sh", path, command});
    ::unlink(path);
    if (!output.end.started || output.end.stopped) {
        std::fclose(output.file);
        output.file = nullptr;
        output.error = output.end.started ? EINTR : ECHILD;
    }
    return output;
}

// A file of the io library over file, which close ends; its uservalue is a new table.
void PushFile(lua_State* L, FILE* file, lua_CFunction close) {
    auto* stream = static_cast<luaL_Stream*>(lua_newuserdata(L, sizeof(luaL_Stream)));
    stream->f = nullptr;
    stream->closef = nullptr;  // closed, should the next steps fail
    luaL_setmetatable(L, LUA_FILEHANDLE);
    stream->f = file;
    stream->closef = close;
    lua_newtable(L);
    lua_setuservalue(L, -2);
}

luaL_Stream* StreamOf(lua_State* L) {
    return static_cast<luaL_Stream*>(luaL_checkudata(L, 1, LUA_FILEHANDLE));
}

// Closing what a command wrote answers how the command ended, as the library's pclose does.
int CloseCommandOutput(lua_State* L) {
    std::fclose(StreamOf(L)->f);
    lua_getuservalue(L, 1);
    lua_getfield(L, -1, "code");
    lua_getfield(L, -2, "signalled");
    CommandEnd end;
    end.started = true;
    end.code = static_cast<int>(lua_tointeger(L, -2));
    end.signalled = lua_toboolean(L, -1) != 0;
    return PushEnd(L, end);
}

// Runs the command on what was written. The collector closes a file the script left open, where
// no error may be raised: a command stopped there answers as one killed.
int RunCommandOnInput(lua_State* L) {
    FILE* file = StreamOf(L)->f;
    lua_getuservalue(L, 1);
    lua_getfield(L, -1, "command");
    lua_getfield(L, -2, "path");
    const char* command = lua_tostring(L, -2);
    const char* path = lua_tostring(L, -1);
    std::fflush(file);
    const CommandEnd end = RunShell(L, {"exec <\"$1\"; eval \"$2\"", "sh", path, command});
    std::fclose(file);
    ::unlink(path);
    if (end.stopped) {
        lua_pushnil(L);
        lua_pushliteral(L, "signal");
        lua_pushinteger(L, SIGKILL);
        return 3;
    }
    return PushEnd(L, end);
}

int Popen(lua_State* L) {
    const char* command = luaL_checkstring(L, 1);
    const char* mode = luaL_optstring(L, 2, "r");
    luaL_argcheck(L, (mode[0] == 'r' || mode[0] == 'w') && mode[1] == '\0', 2, "invalid mode");
    if (mode[0] == 'r') {
        const CommandOutput output = RunForOutput(L, command);
        if (output.end.stopped) {
            return luaL_error(L, "%s", QMLuaScript::kStoppedMessage);
        }
        if (output.file == nullptr) {
            lua_pushnil(L);
            lua_pushfstring(L, "%s: %s", command, std::strerror(output.error));
            lua_pushinteger(L, output.error);
            return 3;
        }
        PushFile(L, output.file, &CloseCommandOutput);
        lua_getuservalue(L, -1);
        lua_pushinteger(L, output.end.code);
        lua_setfield(L, -2, "code");
        lua_pushboolean(L, output.end.signalled ? 1 : 0);
        lua_setfield(L, -2, "signalled");
        lua_pop(L, 1);
        return 1;
    }
    char path[PATH_MAX];
    FILE* file = MakeTemporaryFile(path);
    const int error = errno;
    if (file == nullptr) {
        lua_pushnil(L);
        lua_pushfstring(L, "%s: %s", command, std::strerror(error));
        lua_pushinteger(L, error);
        return 3;
    }
    PushFile(L, file, &RunCommandOnInput);
    lua_getuservalue(L, -1);
    lua_pushvalue(L, 1);
    lua_setfield(L, -2, "command");
    lua_pushstring(L, path);
    lua_setfield(L, -2, "path");
    lua_pop(L, 1);
    return 1;
}

}  // namespace

void InstallShellCommands(lua_State* L) {
    lua_getglobal(L, "os");
    lua_pushcfunction(L, &Execute);
    lua_setfield(L, -2, "execute");
    lua_pop(L, 1);
    lua_getglobal(L, "io");
    lua_pushcfunction(L, &Popen);
    lua_setfield(L, -2, "popen");
    lua_pop(L, 1);
}
