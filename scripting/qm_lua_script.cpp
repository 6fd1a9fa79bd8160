#include "scripting/qm_lua_script.h"

#include <sys/stat.h>
#include <unistd.h>

#include <lua.hpp>

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "app/qm_controller.h"
#include "app/script_run.h"
#include "app/user_settings.h"
#include "foundation/file_lock.h"
#include "foundation/files.h"
#include "foundation/time_of_day.h"
#include "foundation/uc_error.h"
#include "foundation/xml_parser.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"
#include "scripting/script_call.h"
#include "scripting/script_watchdog.h"
#include "scripting/shell_commands.h"

namespace {

// How often, in Lua instructions, a running script asks whether it is to stop.
constexpr int kHookInstructionCount = 10000;

// Where the host keeps what scripts cannot reach: the metatable of the finaliser sentinels and
// the table that ties each finalised table to its sentinel.
constexpr const char* kSentinelMetatable = "quillmoot.finaliser";
constexpr const char* kSentinelTable = "quillmoot.finalisers";

// A FIFO, a terminal or a device (the program's standard input among them) would keep a read
// waiting inside the library, where Stop cannot reach: scripts read and load ordinary files only.
bool IsThereButNotOrdinary(const char* name) {
    struct stat info {};
    return ::stat(name, &info) == 0 && !S_ISREG(info.st_mode);
}

// load and loadfile with their mode argument always "t": a precompiled chunk is not checked
// by Lua, and a damaged one can corrupt memory. Upvalue 1 is the library's own function.
template <int ModeArgument>
int TextOnlyLoad(lua_State* L) {
    // loadfile without a name would read the program's standard input, waiting for ever.
    if (ModeArgument == 2 && IsThereButNotOrdinary(luaL_checkstring(L, 1))) {
        lua_pushnil(L);
        lua_pushfstring(L, "%s: not an ordinary file", lua_tostring(L, 1));
        return 2;
    }
    if (lua_gettop(L) < ModeArgument) {
        lua_settop(L, ModeArgument);
    }
    lua_pushliteral(L, "t");
    lua_replace(L, ModeArgument);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
}

int TextOnlyDofile(lua_State* L) {
    const char* name = luaL_checkstring(L, 1);
    lua_settop(L, 1);
    if (IsThereButNotOrdinary(name)) {
        return luaL_error(L, "%s: not an ordinary file", name);
    }
    if (luaL_loadfilex(L, name, "t") != LUA_OK) {
        return lua_error(L);
    }
    lua_call(L, 0, LUA_MULTRET);
    return lua_gettop(L) - 1;
}

// require's searcher of Lua files along package.path, as text only; upvalue 1 is package.
int TextOnlySearcher(lua_State* L) {
    const char* name = luaL_checkstring(L, 1);
    lua_settop(L, 1);
    lua_getfield(L, lua_upvalueindex(1), "searchpath");
    lua_pushvalue(L, 1);
    lua_getfield(L, lua_upvalueindex(1), "path");
    lua_call(L, 2, 2);
    const char* file = lua_tostring(L, -2);
    if (file == nullptr) {
        return 1;  // where it looked
    }
    // package.searchpath is the script's to replace.
    if (IsThereButNotOrdinary(file)) {
        return luaL_error(L, "error loading module '%s' from file '%s':\n\tnot an ordinary file",
                          name, file);
    }
    if (luaL_loadfilex(L, file, "t") != LUA_OK) {
        return luaL_error(L, "error loading module '%s' from file '%s':\n\t%s", name, file,
                          lua_tostring(L, -1));
    }
    lua_pushstring(L, file);
    return 2;
}

// package.searchpath, finding ordinary files only: the library's own opens each name it tries,
// and opening a FIFO waits for a writer.
int SearchOrdinaryFiles(lua_State* L) {
    const char* name = luaL_checkstring(L, 1);
    const char* path = luaL_checkstring(L, 2);
    const char* separator = luaL_optstring(L, 3, ".");
    const char* folderSeparator = luaL_optstring(L, 4, LUA_DIRSEP);
    luaL_Buffer tried;
    luaL_buffinit(L, &tried);
    if (*separator != '\0') {
        name = luaL_gsub(L, name, separator, folderSeparator);
    }
    for (;;) {
        while (*path == *LUA_PATH_SEP) {
            ++path;
        }
        if (*path == '\0') {
            break;
        }
        const char* end = std::strchr(path, *LUA_PATH_SEP);
        if (end == nullptr) {
            end = path + std::strlen(path);
        }
        lua_pushlstring(L, path, static_cast<size_t>(end - path));
        path = end;
        const char* file = luaL_gsub(L, lua_tostring(L, -1), LUA_PATH_MARK, name);
        lua_remove(L, -2);
        struct stat info {};
        if (::stat(file, &info) == 0 && S_ISREG(info.st_mode) && ::access(file, R_OK) == 0) {
            return 1;
        }
        lua_pushfstring(L, "\n\tno file '%s'", file);
        lua_remove(L, -2);
        luaL_addvalue(&tried);
    }
    luaL_pushresult(&tried);
    lua_pushnil(L);
    lua_insert(L, -2);
    return 2;
}

// setmetatable that never lets Lua finalise a table itself: Lua runs finalisers with hooks off,
// where Stop cannot reach. The table is set without its __gc; a sentinel that the host
// finalises calls that __gc within Stop's reach instead. Upvalue 1 is the library's own
// setmetatable.
int SetMetatableWithinReach(lua_State* L) {
    luaL_checktype(L, 1, LUA_TTABLE);
    luaL_argcheck(L, lua_type(L, 2) == LUA_TNIL || lua_type(L, 2) == LUA_TTABLE, 2,
                  "nil or table expected");
    lua_settop(L, 2);
    const bool finalised = lua_type(L, 1) == LUA_TTABLE && lua_type(L, 2) == LUA_TTABLE &&
                           (lua_pushliteral(L, "__gc"), lua_rawget(L, 2) != LUA_TNIL);
    if (!finalised) {
        lua_settop(L, 2);
        lua_pushvalue(L, lua_upvalueindex(1));
        lua_insert(L, 1);
        lua_call(L, 2, 1);
        return 1;
    }
    // Stack: table, metatable, its __gc.
    lua_pushliteral(L, "__gc");
    lua_pushnil(L);
    lua_rawset(L, 2);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_pushvalue(L, 1);
    lua_pushvalue(L, 2);
    const int status = lua_pcall(L, 2, 0, 0);
    lua_pushliteral(L, "__gc");
    lua_pushvalue(L, 3);
    lua_rawset(L, 2);
    if (status != LUA_OK) {
        return lua_error(L);
    }
    lua_getfield(L, LUA_REGISTRYINDEX, kSentinelTable);
    lua_pushvalue(L, 1);
    if (lua_rawget(L, -2) == LUA_TNIL) {
        lua_pop(L, 1);
        lua_newuserdata(L, 0);
        luaL_setmetatable(L, kSentinelMetatable);
        lua_pushvalue(L, 1);
        lua_setuservalue(L, -2);
        lua_pushvalue(L, 1);
        lua_insert(L, -2);
        lua_rawset(L, -3);
    }
    lua_settop(L, 1);
    return 1;
}

// io.open, io.lines, io.input and io.output take ordinary files only by name: a FIFO, a terminal
// or a device (the program's standard input among them) would wait inside the library, where
// Stop cannot reach. Nor do they write over an open event's file (a pattern that missed the
// extension, say): the window would still show that event as saved. io.open says so as it says
// any failure; the others raise it. Upvalue 1 is the library's own function.
enum class FileUse { Opens, Reads, Writes };

template <FileUse Use>
int OrdinaryFilesOnly(lua_State* L) {
    if (lua_type(L, 1) == LUA_TSTRING) {
        const char* name = lua_tostring(L, 1);
        bool writes = Use == FileUse::Writes;
        if (Use == FileUse::Opens && lua_type(L, 2) == LUA_TSTRING) {
            writes = std::strpbrk(lua_tostring(L, 2), "wa+") != nullptr;
        }
        const char* refusal = nullptr;
        int code = EINVAL;
        struct stat info {};
        if (::stat(name, &info) == 0 && !S_ISREG(info.st_mode)) {
            refusal = "not an ordinary file";
        } else if (writes && IsAnOpenEventsFile(name)) {
            refusal = "the file of an open event";
            code = EBUSY;
        }
        if (refusal != nullptr) {
            if (Use != FileUse::Opens) {
                return luaL_error(L, "%s: %s", name, refusal);
            }
            lua_pushnil(L);
            lua_pushfstring(L, "%s: %s", name, refusal);
            lua_pushinteger(L, code);
            return 3;
        }
    }
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
}

// debug.getinfo without the function itself ("f"): called from a load reader, level 2 would hand
// a script the library's own load, which takes binary chunks. Upvalue 1 is the library's own
// getinfo.
int GetInfoWithoutFunctions(lua_State* L) {
    const int what = lua_type(L, 1) == LUA_TTHREAD ? 3 : 2;
    std::string options = lua_type(L, what) == LUA_TSTRING ? lua_tostring(L, what) : "lnStu";
    std::erase(options, 'f');
    if (lua_gettop(L) < what) {
        lua_settop(L, what);
    }
    lua_pushstring(L, options.c_str());
    lua_replace(L, what);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
}

// A script may give its globals a metatable (a "strict" one that raises on unknown names, say).
// Its metamethods then run when the host reads or writes a global, and an error outside a
// protected call would end the program, so the host does both through these.
// The name comes as a bare pointer: pushing a string could run the collector, and a script's
// finaliser, before the call is protected.
int GetGlobalOf(lua_State* L) {
    lua_getglobal(L, static_cast<const char*>(lua_touserdata(L, 1)));
    return 1;
}

// How deep each output road's scripts run now, on any host (only the window's thread runs
// scripts).
std::array<int, 2> outputDepth{};

class OutputCall {
public:
    explicit OutputCall(QMLuaScript::OutputRoad road)
        : depth_(outputDepth[static_cast<int>(road)]) {
        ++depth_;
    }
    ~OutputCall() { --depth_; }
    OutputCall(const OutputCall&) = delete;
    OutputCall& operator=(const OutputCall&) = delete;

private:
    int& depth_;
};

const char* EmailFunctionName(const char* role, EmailTextKind kind, std::string& name) {
    static constexpr std::array<const char*, 3> kSuffixes = {"_email_inv", "_email_rem", "_email"};
    if (kind < EmailInvitation || kind > EmailResults) {
        return nullptr;
    }
    name = std::string(role) + kSuffixes[kind];
    return name.c_str();
}

}  // namespace

QMLuaScript::QMLuaScript(const char* path, QMController* controller) : QMScript(controller) {
    state_ = luaL_newstate();
    if (state_ == nullptr) {
        ReportMessage(SeverityError, "Cannot load script file: out of memory");
        return;
    }
    // The functions find their host here rather than through "this", which a script may
    // overwrite with anything.
    *static_cast<QMLuaScript**>(lua_getextraspace(state_)) = this;
    luaL_openlibs(state_);
    RestrictLibraries();
    // An output's host is the output's from the first line it runs to its last finaliser.
    if (CurrentUse() == Use::Sheets) {
        served_ = OutputRoad::Page;
    } else if (CurrentUse() == Use::Emails) {
        served_ = OutputRoad::Email;
    }
    std::optional<OutputCall> during;
    if (served_) {
        during.emplace(*served_);
    }
    loaded = LoadScript(path);
}

std::unique_ptr<QMScript> QMLuaScript::Create(const std::string& path, QMController* controller) {
    auto script = std::make_unique<QMLuaScript>(path.c_str(), controller);
    if (!script->loaded) {
        ReportMessage(SeverityError, "Script file '" + path + "' is not valid");
        return nullptr;
    }
    return script;
}

QMLuaScript::~QMLuaScript() {
    if (state_ != nullptr) {
        // Closing runs the script's finalisers, which Stop reaches too.
        StartWatching();
        ScriptWatchdog::LuaRunning running(GetController());
        std::optional<OutputCall> during;
        if (served_) {
            during.emplace(*served_);
        }
        lua_close(state_);
    }
}

bool QMLuaScript::IsRunningFor(OutputRoad road) {
    return outputDepth[static_cast<int>(road)] > 0;
}

bool QMLuaScript::IsRunningForOutput() {
    return IsRunningFor(OutputRoad::Page) || IsRunningFor(OutputRoad::Email);
}

QMLuaScript* QMLuaScript::FromLuaState(lua_State* L) {
    return L != nullptr ? *static_cast<QMLuaScript**>(lua_getextraspace(L)) : nullptr;
}

void QMLuaScript::RestrictLibraries() {
    lua_State* L = state_;
    // A script must not end the program under the user's unsaved event.
    (void)luaL_dostring(L,
                        "os.exit = function() error('os.exit is not available to scripts', 2) end");
    InstallShellCommands(L);

    lua_getglobal(L, "load");
    lua_pushcclosure(L, &TextOnlyLoad<3>, 1);
    lua_setglobal(L, "load");
    lua_getglobal(L, "loadfile");
    lua_pushcclosure(L, &TextOnlyLoad<2>, 1);
    lua_setglobal(L, "loadfile");
    lua_pushcfunction(L, &TextOnlyDofile);
    lua_setglobal(L, "dofile");

    // The program's standard input is a closed file to scripts: a read of it would wait inside
    // the library, where Stop cannot reach. Its stream stays the program's, open.
    lua_getfield(L, LUA_REGISTRYINDEX, "_IO_input");
    if (auto* input = static_cast<luaL_Stream*>(luaL_testudata(L, -1, LUA_FILEHANDLE))) {
        input->closef = nullptr;
    }
    lua_pop(L, 1);
    lua_getglobal(L, "io");
    const std::pair<const char*, lua_CFunction> byName[] = {
        {"open", &OrdinaryFilesOnly<FileUse::Opens>},
        {"lines", &OrdinaryFilesOnly<FileUse::Reads>},
        {"input", &OrdinaryFilesOnly<FileUse::Reads>},
        {"output", &OrdinaryFilesOnly<FileUse::Writes>}};
    for (const auto& [name, function] : byName) {
        lua_getfield(L, -1, name);
        lua_pushcclosure(L, function, 1);
        lua_setfield(L, -2, name);
    }
    lua_pop(L, 1);

    // require finds preloaded modules and Lua files, never native libraries.
    lua_getglobal(L, "package");
    lua_pushcfunction(L, &SearchOrdinaryFiles);
    lua_setfield(L, -2, "searchpath");
    lua_pushnil(L);
    lua_setfield(L, -2, "loadlib");
    lua_pushliteral(L, "");
    lua_setfield(L, -2, "cpath");
    lua_createtable(L, 2, 0);
    lua_getfield(L, -2, "searchers");
    lua_rawgeti(L, -1, 1);
    lua_rawseti(L, -3, 1);
    lua_pop(L, 1);
    lua_pushvalue(L, -2);
    lua_pushcclosure(L, &TextOnlySearcher, 1);
    lua_rawseti(L, -2, 2);
    lua_setfield(L, -2, "searchers");
    lua_pop(L, 1);

    // Of the debug library only what reads: its hooks would take the host's place, and
    // the registry, upvalues, metatables and the functions of running calls would lead back to
    // everything above. require and package.loaded give the same table as the global.
    lua_getglobal(L, "debug");
    lua_createtable(L, 0, 2);
    lua_getfield(L, -2, "traceback");
    lua_setfield(L, -2, "traceback");
    lua_getfield(L, -2, "getinfo");
    lua_pushcclosure(L, &GetInfoWithoutFunctions, 1);
    lua_setfield(L, -2, "getinfo");
    lua_setglobal(L, "debug");
    lua_pop(L, 1);
    lua_getfield(L, LUA_REGISTRYINDEX, LUA_LOADED_TABLE);
    lua_getglobal(L, "debug");
    lua_setfield(L, -2, "debug");
    lua_pop(L, 1);

    // Finalisers run within Stop's reach (see SetMetatableWithinReach).
    luaL_newmetatable(L, kSentinelMetatable);
    lua_pushcfunction(L, &QMLuaScript::RunFinaliser);
    lua_setfield(L, -2, "__gc");
    lua_pop(L, 1);
    lua_newtable(L);
    lua_createtable(L, 0, 1);
    lua_pushliteral(L, "k");
    lua_setfield(L, -2, "__mode");
    lua_setmetatable(L, -2);
    lua_setfield(L, LUA_REGISTRYINDEX, kSentinelTable);
    lua_getglobal(L, "setmetatable");
    lua_pushcclosure(L, &SetMetatableWithinReach, 1);
    lua_setglobal(L, "setmetatable");
    // Open files are finalised by the io library; their shared metatable must stay its own.
    if (luaL_getmetatable(L, LUA_FILEHANDLE) == LUA_TTABLE) {
        lua_pushboolean(L, 0);
        lua_setfield(L, -2, "__metatable");
    }
    lua_pop(L, 1);
}

int QMLuaScript::RunFinaliser(lua_State* L) {
    QMLuaScript* host = FromLuaState(L);
    lua_getuservalue(L, 1);
    if (host == nullptr || !lua_getmetatable(L, -1)) {
        return 0;
    }
    lua_pushliteral(L, "__gc");
    lua_rawget(L, -2);
    if (lua_type(L, -1) != LUA_TFUNCTION) {
        return 0;
    }
    // A coroutine runs with hooks on, even inside the collector.
    lua_State* finaliser = lua_newthread(L);
    lua_sethook(finaliser, &QMLuaScript::CountHook, LUA_MASKCOUNT,
                host->stopped_ ? 1 : kHookInstructionCount);
    lua_pushvalue(L, -2);
    lua_pushvalue(L, -5);
    lua_xmove(L, finaliser, 2);
    const int status = lua_resume(finaliser, L, 1);
    if (status != LUA_OK && status != LUA_YIELD) {
        lua_xmove(finaliser, L, 1);
        return lua_error(L);
    }
    return 0;
}

bool QMLuaScript::LoadScript(const char* path) {
    QMController* controller = GetController();
    MultiDaySchedule* days = controller != nullptr ? controller->GetSchedule() : nullptr;
    if (days == nullptr || !days->GetEvent()) {
        return false;
    }
    if (path == nullptr) {
        ReportMessage(SeverityError, "Cannot load script file: no file name given");
        return false;
    }
    // A FIFO or a device would keep the program waiting for ever.
    struct stat info {};
    if (::stat(path, &info) == 0 && !S_ISREG(info.st_mode)) {
        ReportMessage(SeverityError,
                      std::string("Cannot load script file: '") + path + "' is not a file");
        return false;
    }
    // Text only: Lua does not check precompiled chunks, and a damaged one can corrupt memory.
    if (luaL_loadfilex(state_, path, "t") != LUA_OK) {
        return ReportError("Cannot load script file");
    }
    if (!ProtectedCall(0, 0)) {
        return ReportError("Runtime error in script initialisation");
    }
    lua_pushcfunction(state_, &QMLuaScript::RegisterGlobals);
    if (!ProtectedCall(0, 0)) {
        return ReportError("Runtime error in script initialisation");
    }
    return true;
}

int QMLuaScript::RegisterGlobals(lua_State* L) {
    lua_pushlightuserdata(L, FromLuaState(L));
    lua_setglobal(L, "this");
    for (ScriptFunctionTable table :
         {EventScriptFunctions(), OutputScriptFunctions(), FileScriptFunctions(),
          XMLScriptFunctions(), ImportScriptFunctions(), EmailScriptFunctions()}) {
        for (const ScriptFunction& function : table) {
            lua_pushcclosure(L, function.function, 0);
            lua_setglobal(L, function.name);
        }
    }
    return 0;
}

bool QMLuaScript::GetGlobal(const char* name) {
    lua_pushcfunction(state_, &GetGlobalOf);
    lua_pushlightuserdata(state_, const_cast<char*>(name));
    return ProtectedCall(1, 1);
}

bool QMLuaScript::ReportError(const char* context) {
    // A number turned into text allocates, outside any protected call.
    const CollectorHeld held(state_);
    const char* message = lua_tostring(state_, -1);
    std::string text = std::string(context) + ": ";
    text += message != nullptr
                ? message
                : std::string("(error object is a ") + luaL_typename(state_, -1) + " value)";
    lua_pop(state_, 1);
    ReportMessage(SeverityError, text);
    failure = text;
    return false;
}

void QMLuaScript::StartWatching() {
    // A script the user stopped stays stopped, its closing finalisers too.
    stopped_ = stoppedByUser_;
    lua_sethook(state_, &QMLuaScript::CountHook, LUA_MASKCOUNT,
                stopped_ ? 1 : kHookInstructionCount);
    objects_.MarkModelStale();
}

bool QMLuaScript::AskStop() {
    // Both are asked: each keeps its window answering.
    const bool own = shouldStop_ && shouldStop_();
    const bool road = ScriptRun::ShouldStop(GetController());
    return stoppedByUser_ || own || road;
}

bool QMLuaScript::StopBetweenSteps(lua_State* L) {
    ScriptWatchdog::Instance().Checkpoint();
    if (!stopped_) {
        stopped_ = AskStop();
    }
    if (stopped_) {
        stoppedByUser_ = true;
        // As in the hook: a pcall that catches the error has no room to start again.
        lua_sethook(L, &QMLuaScript::CountHook, LUA_MASKCOUNT, 1);
    }
    return stopped_;
}

bool QMLuaScript::ProtectedCall(int arguments, int results) {
    if (stoppedByUser_) {
        // Outside a protected call a finaliser's error would end the program.
        const CollectorHeld held(state_);
        lua_pop(state_, arguments + 1);
        lua_pushstring(state_, kStoppedMessage);
        return false;
    }
    StartWatching();
    ScriptWatchdog::LuaRunning running(GetController());
    // Settings a call changes reach the file together: one message if it cannot be written.
    std::optional<UserSettings::WriteHold> oneWrite;
    if (GetController() != nullptr) {
        oneWrite.emplace(GetController()->GetUserSettings());
    }
    const int stopsBefore = collectorStops_;
    const bool ran = lua_pcall(state_, arguments, results, 0) == LUA_OK;
    // An error that unwound a function of ours skipped its hold's end.
    if (collectorStops_ > stopsBefore) {
        collectorStops_ = stopsBefore;
        lua_gc(state_, LUA_GCRESTART, 0);
    }
    return ran;
}

QMLuaScript::CollectorHeld::CollectorHeld(lua_State* L) : L_(L), host_(FromLuaState(L)) {
    if (host_ != nullptr && lua_gc(L_, LUA_GCISRUNNING, 0) != 0) {
        lua_gc(L_, LUA_GCSTOP, 0);
        stopped_ = true;
        ++host_->collectorStops_;
    }
}

QMLuaScript::CollectorHeld::~CollectorHeld() {
    if (stopped_) {
        --host_->collectorStops_;
        lua_gc(L_, LUA_GCRESTART, 0);
    }
}

void QMLuaScript::CountHook(lua_State* L, lua_Debug*) {
    ScriptWatchdog::Instance().Checkpoint();
    QMLuaScript* host = FromLuaState(L);
    if (host == nullptr) {
        return;
    }
    // Once stopped, a script that catches the error with pcall is stopped again at once.
    if (!host->stopped_) {
        host->stopped_ = host->AskStop();
    }
    if (!host->stopped_) {
        return;
    }
    host->stoppedByUser_ = true;
    // From now on every instruction stops it, so that a pcall which catches the error has no
    // room to start again.
    lua_sethook(L, &QMLuaScript::CountHook, LUA_MASKCOUNT, 1);
    // No C++ object may live in this frame: luaL_error unwinds with longjmp.
    luaL_error(L, "%s", kStoppedMessage);
}

bool QMLuaScript::RunMain() {
    failure.clear();
    if (!loaded) {
        return false;
    }
    const int top = lua_gettop(state_);
    bool result = false;
    if (!GetGlobal("main")) {
        result = ReportError("Error in Lua script");
    } else if (lua_type(state_, -1) == LUA_TNIL) {
        ReportMessage(SeverityError, "No main function in script");
    } else if (ProtectedCall(0, 1)) {
        result = lua_tointegerx(state_, -1, nullptr) != 0;
    } else {
        result = ReportError("Error in Lua script");
    }
    lua_settop(state_, top);
    return result;
}

bool QMLuaScript::CallPersonFunction(Person* person, const char* function, Schedule* day,
                                     OutputRoad road) {
    failure.clear();
    if (!loaded || function == nullptr) {
        return false;
    }
    OutputCall during(road);
    served_ = road;
    const int top = lua_gettop(state_);
    bool result = false;
    if (!GetGlobal(function)) {
        result = ReportError("Error in Lua script");
    } else if (lua_type(state_, -1) == LUA_TNIL) {
        failure = std::string("No ") + function + " function in script";
        ReportMessage(SeverityError, failure);
    } else {
        lua_pushlightuserdata(state_, person);
        SelectDayByDate(day);
        if (ProtectedCall(1, 1)) {
            result = lua_toboolean(state_, -1) != 0;
        } else {
            result = ReportError("Error in Lua script");
        }
    }
    lua_settop(state_, top);
    return result;
}

bool QMLuaScript::DrawTeacherPage(Teacher* teacher, Schedule* day) {
    bool result = CallPersonFunction(teacher, "draw_teacher_page", day, OutputRoad::Page);
    // The sheet is finished: nothing may draw on it from a later call.
    SetRenderer(nullptr);
    return result;
}

bool QMLuaScript::DrawParentPage(Parent* parent, Schedule* day) {
    bool result = CallPersonFunction(parent, "draw_parent_page", day, OutputRoad::Page);
    SetRenderer(nullptr);
    return result;
}

bool QMLuaScript::RunTeacherEmail(EmailTextKind kind, Teacher* teacher, Schedule* day) {
    std::string name;
    return CallPersonFunction(teacher, EmailFunctionName("teacher", kind, name), day,
                              OutputRoad::Email);
}

bool QMLuaScript::RunParentEmail(EmailTextKind kind, Parent* parent, Schedule* day) {
    std::string name;
    return CallPersonFunction(parent, EmailFunctionName("parent", kind, name), day,
                              OutputRoad::Email);
}

bool QMLuaScript::RunPupilEmail(EmailTextKind kind, Pupil* pupil, Schedule* day) {
    std::string name;
    return CallPersonFunction(pupil, EmailFunctionName("pupil", kind, name), day,
                              OutputRoad::Email);
}

bool QMLuaScript::HasGlobal(const char* name) {
    if (!loaded || name == nullptr) {
        return false;
    }
    // Asking runs the script's own code when its globals look names up.
    std::optional<OutputCall> during;
    if (served_) {
        during.emplace(*served_);
    }
    const int top = lua_gettop(state_);
    // Globals that raise on an unknown name say there is none.
    const bool present = GetGlobal(name) && lua_type(state_, -1) != LUA_TNIL;
    lua_settop(state_, top);
    return present;
}

bool QMLuaScript::HasTeacherEmail(EmailTextKind kind) {
    std::string name;
    return HasGlobal(EmailFunctionName("teacher", kind, name));
}

bool QMLuaScript::HasParentEmail(EmailTextKind kind) {
    std::string name;
    return HasGlobal(EmailFunctionName("parent", kind, name));
}

bool QMLuaScript::HasPupilEmail(EmailTextKind kind) {
    std::string name;
    return HasGlobal(EmailFunctionName("pupil", kind, name));
}

void QMLuaScript::SetTableString(const char* key, const char* value) {
    lua_pushstring(state_, key);
    lua_pushstring(state_, value);
    lua_settable(state_, -3);
}

void QMLuaScript::SetTableText(const char* key, const std::string& value) {
    lua_pushstring(state_, key);
    lua_pushlstring(state_, value.data(), value.size());
    lua_settable(state_, -3);
}

void QMLuaScript::SetTableInteger(const char* key, int value) {
    lua_pushstring(state_, key);
    lua_pushinteger(state_, value);
    lua_settable(state_, -3);
}

void QMLuaScript::SetTableBoolean(const char* key, bool value) {
    lua_pushstring(state_, key);
    lua_pushboolean(state_, value ? 1 : 0);
    lua_settable(state_, -3);
}

void QMLuaScript::SetTableObject(const char* key, const void* object) {
    if (object == nullptr) {
        return;
    }
    lua_pushstring(state_, key);
    lua_pushlightuserdata(state_, const_cast<void*>(object));
    lua_settable(state_, -3);
}

void QMLuaScript::SetTableTimes(const std::string& key, int secondsSinceMidnight) {
    TimeOfDay time;
    time.SetSeconds(secondsSinceMidnight);
    SetTableText((key + "12h").c_str(), time.Format(Time12h));
    SetTableText((key + "24h").c_str(), time.Format(Time24h));
    SetTableText((key + "24hs").c_str(), time.Format(Time24hs));
}

void QMLuaScript::AddAttendanceFields(const Attendee* attendee) {
    const Schedule* day = GetCurrentSchedule();
    if (day == nullptr) {
        SetTableBoolean("arrives_late", false);
        return;
    }
    SetTableBoolean("arrives_late", attendee->ArrivesLate(day));
    SetTableBoolean("leaves_early", attendee->LeavesEarly(day));
    SetTableBoolean("is_attending", attendee->IsAttending(day));
    SetTableTimes("start_time", attendee->GetStartTime(day).Seconds());
    SetTableTimes("end_time", attendee->GetEndTime(day).Seconds());
    SetTableText("url", attendee->GetUrl());
}

void QMLuaScript::AddSubjects(const Teacher* teacher) {
    lua_pushstring(state_, "subjects");
    lua_createtable(state_, 0, 0);
    lua_Integer key = 1;
    for (const std::string& subject : teacher->GetSubjects()) {
        lua_pushinteger(state_, key++);
        lua_pushlstring(state_, subject.data(), subject.size());
        lua_settable(state_, -3);
    }
    lua_settable(state_, -3);
}

bool QMLuaScript::OpenXML(const char* path) {
    // One XML file a host, even when the first failed to open.
    if (xmlFile_ || path == nullptr) {
        return false;
    }
    // Only an ordinary file: a FIFO would wait for a writer. A refused path takes up the one
    // file all the same.
    std::string why;
    xmlFile_ = std::make_unique<StdioFile>(OpenOrdinaryFile(path, &why));
    if (xmlFile_->GetFile() == nullptr) {
        // A missing file is the script's own question; anything else it is told.
        if (errno != ENOENT) {
            ReportMessage(SeverityError,
                          "Cannot open XML file '" + std::string(path) + "': " + why);
        }
        return false;
    }
    xmlTokeniser_ = std::make_unique<XMLTokeniser>(xmlFile_.get());
    xmlParser_ = std::make_unique<XMLParser>(xmlTokeniser_.get());
    return true;
}

const UCXMLNode* QMLuaScript::KeepXMLTree(std::unique_ptr<UCXMLNode> tree) {
    const UCXMLNode* kept = tree.get();
    if (kept != nullptr) {
        objects_.AddXMLTree(kept);
        xmlTrees_.push_back(std::move(tree));
    }
    return kept;
}
