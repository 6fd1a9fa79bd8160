#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/qm_script.h"
#include "scripting/script_objects.h"

struct lua_Debug;
struct lua_State;
class Attendee;
class Person;
class StdioFile;
class UCXMLNode;
class XMLParser;
class XMLTokeniser;

// The script host on an embedded Lua 5.3 interpreter: loads one script file, gives it its host
// as the global "this" and the qm_ functions, and calls its entry functions ("main", the two
// page functions and the nine e-mail functions). Script errors never reach the caller: they are
// reported to the message sink as a context, ": " and Lua's message.
class QMLuaScript : public QMScript {
public:
    // Loaded only with an open event and a script that compiles and runs its top level.
    QMLuaScript(const char* path, QMController* controller);
    // What a controller hands out: a loaded host, or null once the file is reported as not
    // valid.
    static std::unique_ptr<QMScript> Create(const std::string& path, QMController* controller);
    ~QMLuaScript() override;

    bool RunMain() override;
    bool DrawTeacherPage(Teacher* teacher, Schedule* day) override;
    bool DrawParentPage(Parent* parent, Schedule* day) override;
    bool RunTeacherEmail(EmailTextKind kind, Teacher* teacher, Schedule* day) override;
    bool RunParentEmail(EmailTextKind kind, Parent* parent, Schedule* day) override;
    bool RunPupilEmail(EmailTextKind kind, Pupil* pupil, Schedule* day) override;
    bool HasTeacherEmail(EmailTextKind kind) override;
    bool HasParentEmail(EmailTextKind kind) override;
    bool HasPupilEmail(EmailTextKind kind) override;

    // The output whose script runs now, on any host. The output holds the event's days and
    // people across the call, so nothing may reshape them meanwhile; and a road may not start
    // itself again from inside, which would run the same script again without end.
    enum class OutputRoad { Page, Email };
    static bool IsRunningFor(OutputRoad road);
    static bool IsRunningForOutput();

    // The host of a state; the script cannot change it (unlike "this").
    static QMLuaScript* FromLuaState(lua_State* L);
    lua_State* GetState() const { return state_; }

    // Reports context + ": " + the message on top of the stack and pops it; false.
    bool ReportError(const char* context);

    // On the table at the top of the stack, which stays there.
    void SetTableString(const char* key, const char* value);
    void SetTableText(const char* key, const std::string& value);
    void SetTableInteger(const char* key, int value);
    void SetTableBoolean(const char* key, bool value);
    // Nothing for null.
    void SetTableObject(const char* key, const void* object);
    // The three time keys key + "12h", "24h" and "24hs".
    void SetTableTimes(const std::string& key, int secondsSinceMidnight);
    // The attendance keys of the current day.
    void AddAttendanceFields(const Attendee* attendee);
    void AddSubjects(const Teacher* teacher);

    // A host opens at most one XML file in its life.
    bool OpenXML(const char* path);
    // Null until an XML file is open.
    XMLParser* GetXMLParser() const { return xmlParser_.get(); }
    // The host keeps the tree, and scripts may use its objects, until the host goes.
    const UCXMLNode* KeepXMLTree(std::unique_ptr<UCXMLNode> tree);

    // The live objects scripts may hand back; functions that add or remove people or
    // presentations mark them stale.
    ScriptObjects& Objects() { return objects_; }

    // Asked now and then while Lua code runs, with the stop of the road that runs the script
    // (ScriptRun); true stops the script (a window's Stop button). Without either a script runs
    // until it ends.
    void SetStopCheck(std::function<bool()> shouldStop) { shouldStop_ = std::move(shouldStop); }
    // For a host function that loops, between its steps, where the event is whole: the watchdog
    // may copy the event here, and true means the script is to stop (the function then raises
    // kStoppedMessage). L is the state the function was called in.
    bool StopBetweenSteps(lua_State* L);
    static constexpr const char* kStoppedMessage = "Script stopped by the user";

    // While one lives the collector takes no step, so no finaliser of the script runs: held
    // inside the program's own functions, where script code could reshape the event under what
    // the function reads, and where the host allocates outside a protected call.
    class CollectorHeld {
    public:
        explicit CollectorHeld(lua_State* L);
        ~CollectorHeld();
        CollectorHeld(const CollectorHeld&) = delete;
        CollectorHeld& operator=(const CollectorHeld&) = delete;

    private:
        lua_State* L_;
        QMLuaScript* host_;
        bool stopped_ = false;
    };

private:
    // What scripts may not do: load anything but text, load native code, set hooks of their
    // own, or run finalisers out of Stop's reach.
    void RestrictLibraries();
    // A finalised table's __gc, run in a coroutine with the host's hook.
    static int RunFinaliser(lua_State* L);
    bool LoadScript(const char* path);
    // "this" and the qm_ functions, run as a protected call.
    static int RegisterGlobals(lua_State* L);
    // Pushes the global, or the error its lookup raised (false).
    bool GetGlobal(const char* name);
    bool HasGlobal(const char* name);
    bool CallPersonFunction(Person* person, const char* function, Schedule* day, OutputRoad road);
    // lua_pcall within Stop's reach; the stack is left as it was below the function.
    bool ProtectedCall(int arguments, int results);
    void StartWatching();
    bool AskStop();
    static void CountHook(lua_State* L, lua_Debug* debug);

    lua_State* state_ = nullptr;
    std::unique_ptr<StdioFile> xmlFile_;
    std::unique_ptr<XMLTokeniser> xmlTokeniser_;
    std::unique_ptr<XMLParser> xmlParser_;
    bool xmlOpened_ = false;
    std::vector<std::unique_ptr<UCXMLNode>> xmlTrees_;
    ScriptObjects objects_;
    std::function<bool()> shouldStop_;
    bool stopped_ = false;
    // The output road this host last ran a script for; its finalisers at close still belong
    // to that road.
    std::optional<OutputRoad> served_;
    // Once the user stopped it, a host runs nothing more: every later call fails at once.
    bool stoppedByUser_ = false;
    // How many CollectorHeld stopped the collector and have not restarted it yet.
    int collectorStops_ = 0;
};
