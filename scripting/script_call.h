#pragma once

#include <span>
#include <stdexcept>
#include <string>

#include "scripting/script_objects.h"
#include "scripting/script_watchdog.h"

struct lua_State;
class Event;
class MultiDaySchedule;
class QMController;
class QMLuaScript;
class Schedule;

// A bad argument: the call ends with a Lua error naming the argument, raised only after every
// C++ frame of the function is gone (Lua unwinds with longjmp).
class ScriptArgumentError : public std::runtime_error {
public:
    ScriptArgumentError(int argument, const std::string& message)
        : std::runtime_error(message), argument_(argument) {}
    int Argument() const { return argument_; }

private:
    int argument_;
};

// One call of a script function: its host, what the host reaches, and its arguments. A
// function whose needs are missing returns no results.
class ScriptCall {
public:
    explicit ScriptCall(lua_State* L);
    ScriptCall(const ScriptCall&) = delete;
    ScriptCall& operator=(const ScriptCall&) = delete;

    lua_State* State() const { return L_; }
    QMLuaScript& Host() const { return *host_; }
    QMController* Controller() const;
    MultiDaySchedule* Days() const;
    Event* GetEvent() const;
    Schedule* CurrentDay() const;

    // None or nil.
    bool IsMissing(int arg) const;
    // A string, or a number as its text, without control bytes but tabs and line breaks;
    // false for anything else.
    bool GetText(int arg, std::string& out) const;
    // As GetText, for text the event keeps: valid UTF-8 as it is, anything else (an old 8-bit
    // script) read as Windows-1252, as the event file's reader would read it.
    bool GetEventText(int arg, std::string& out) const;
    // The low 32 bits of an integer; 0 for anything that is not one.
    int GetInteger(int arg) const;
    double GetNumber(int arg) const;
    // Only nil and false are false.
    bool GetBoolean(int arg) const;
    // False for a missing argument or a value that is no pointer; a pointer that names no live
    // object is an argument error, never a guess.
    bool GetObject(int arg, ScriptObject* out) const;
    // The object when it is live and of that kind; null when missing or of another kind.
    void* GetObjectOfKind(int arg, ScriptObjectKind kind) const;
    template <typename T>
    T* Get(int arg, ScriptObjectKind kind) const {
        return static_cast<T*>(GetObjectOfKind(arg, kind));
    }

    // Functions that reshape the event are refused inside a print or e-mail script, whose
    // output holds the event's days and people across the call: the call ends in an error.
    void RefuseInsideOutput(const char* function) const;

    // For a function that loops, between its steps: ends the call with "Script stopped by the
    // user" once the script is to stop.
    void StopBetweenSteps() const;

    // Results.
    void PushText(const std::string& text) const;
    void PushInteger(long long value) const;
    void PushBoolean(bool value) const;
    // nil for null.
    void PushObject(const void* object) const;
    void NewTable() const;
    // table[key] := the value at the top of the stack, for the table just below it.
    void SetIndex(long long key) const;

private:
    lua_State* L_;
    QMLuaScript* host_;
    ScriptWatchdog::HostFunction watched_;
};

using ScriptFunctionBody = int (*)(ScriptCall& call);

// Runs a script function's body and turns its argument errors and C++ exceptions into Lua
// errors.
int RunScriptFunction(lua_State* L, ScriptFunctionBody body);

template <ScriptFunctionBody Body>
int ScriptFunctionEntry(lua_State* L) {
    return RunScriptFunction(L, Body);
}

// A global a script gets; each group of functions brings its own table, so functions that
// need another library join by adding their table to the host's list.
struct ScriptFunction {
    const char* name;
    int (*function)(lua_State*);
};
using ScriptFunctionTable = std::span<const ScriptFunction>;

// The event, its days and its people.
ScriptFunctionTable EventScriptFunctions();
// Output, the sheet being drawn and the print settings.
ScriptFunctionTable OutputScriptFunctions();
// Event files, user settings and text conversions.
ScriptFunctionTable FileScriptFunctions();
// Reading an XML file.
ScriptFunctionTable XMLScriptFunctions();
// Importing a CSV file of people into the open event.
ScriptFunctionTable ImportScriptFunctions();
// Sending one person's e-mail.
ScriptFunctionTable EmailScriptFunctions();
