#include "scripting/script_call.h"

#include <lua.hpp>

#include <cstdio>
#include <stdexcept>

#include "app/qm_controller.h"
#include "foundation/string_functions.h"
#include "model/multi_day_schedule.h"
#include "scripting/qm_lua_script.h"

ScriptCall::ScriptCall(lua_State* L) : L_(L), host_(QMLuaScript::FromLuaState(L)) {}

QMController* ScriptCall::Controller() const {
    return host_->GetController();
}

MultiDaySchedule* ScriptCall::Days() const {
    QMController* controller = Controller();
    return controller != nullptr ? controller->GetSchedule() : nullptr;
}

Event* ScriptCall::GetEvent() const {
    MultiDaySchedule* days = Days();
    return days != nullptr ? days->GetEvent().get() : nullptr;
}

Schedule* ScriptCall::CurrentDay() const {
    return host_->GetCurrentSchedule();
}

bool ScriptCall::IsMissing(int arg) const {
    return lua_isnoneornil(L_, arg);
}

bool ScriptCall::GetText(int arg, std::string& out) const {
    int type = lua_type(L_, arg);
    if (type != LUA_TSTRING && type != LUA_TNUMBER) {
        return false;
    }
    size_t length = 0;
    const char* text = lua_tolstring(L_, arg, &length);
    // Lua strings may hold any byte; what reaches the event must not.
    out = WithoutControlBytes(std::string(text, length));
    return true;
}

bool ScriptCall::GetEventText(int arg, std::string& out) const {
    if (!GetText(arg, out)) {
        return false;
    }
    out = FileTextToUTF8(out);
    return true;
}

int ScriptCall::GetInteger(int arg) const {
    return static_cast<int>(lua_tointegerx(L_, arg, nullptr));
}

double ScriptCall::GetNumber(int arg) const {
    return lua_tonumberx(L_, arg, nullptr);
}

bool ScriptCall::GetBoolean(int arg) const {
    return lua_toboolean(L_, arg) != 0;
}

bool ScriptCall::GetObject(int arg, ScriptObject* out) const {
    // A value of any other type is simply no object; only a pointer can be forged or stale.
    if (lua_type(L_, arg) != LUA_TLIGHTUSERDATA) {
        return false;
    }
    void* pointer = lua_touserdata(L_, arg);
    if (pointer == nullptr) {
        return false;
    }
    if (!host_->Objects().Find(pointer, GetEvent(), out)) {
        throw ScriptArgumentError(arg, "not an object of the open event");
    }
    return true;
}

void* ScriptCall::GetObjectOfKind(int arg, ScriptObjectKind kind) const {
    ScriptObject object;
    return GetObject(arg, &object) && object.kind == kind ? object.pointer : nullptr;
}

void ScriptCall::RefuseInsideOutput(const char* function) const {
    if (QMLuaScript::IsRunningForOutput()) {
        throw std::runtime_error(std::string(function) +
                                 " is not available to a print or e-mail script");
    }
    // Only the functions that reshape the event get here.
    if (Controller() != nullptr) {
        Controller()->NoteTimetablesReshaped();
    }
}

void ScriptCall::StopBetweenSteps() const {
    if (host_->StopBetweenSteps(L_)) {
        throw std::runtime_error(QMLuaScript::kStoppedMessage);
    }
}

void ScriptCall::PushText(const std::string& text) const {
    lua_pushlstring(L_, text.data(), text.size());
}

void ScriptCall::PushInteger(long long value) const {
    lua_pushinteger(L_, static_cast<lua_Integer>(value));
}

void ScriptCall::PushBoolean(bool value) const {
    lua_pushboolean(L_, value ? 1 : 0);
}

void ScriptCall::PushObject(const void* object) const {
    if (object == nullptr) {
        lua_pushnil(L_);
    } else {
        lua_pushlightuserdata(L_, const_cast<void*>(object));
    }
}

void ScriptCall::NewTable() const {
    lua_createtable(L_, 0, 0);
}

void ScriptCall::SetIndex(long long key) const {
    lua_pushinteger(L_, static_cast<lua_Integer>(key));
    lua_insert(L_, -2);
    lua_settable(L_, -3);
}

int RunScriptFunction(lua_State* L, ScriptFunctionBody body) {
    if (QMLuaScript::FromLuaState(L) == nullptr) {
        return 0;
    }
    int badArgument = 0;
    char message[256] = "";
    try {
        // Script code that ran inside (a finaliser, at any allocation) could reshape the event
        // under what the function reads.
        const QMLuaScript::CollectorHeld held(L);
        ScriptCall call(L);
        return body(call);
    } catch (const ScriptArgumentError& error) {
        badArgument = error.Argument();
        std::snprintf(message, sizeof message, "%s", error.what());
    } catch (const std::exception& error) {
        std::snprintf(message, sizeof message, "%s", error.what());
    } catch (...) {
        std::snprintf(message, sizeof message, "unexpected failure");
    }
    // Every C++ object of the call is gone: Lua may now unwind with longjmp.
    if (badArgument > 0) {
        return luaL_argerror(L, badArgument, message);
    }
    return luaL_error(L, "%s", message);
}
