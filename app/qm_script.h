#pragma once

#include <string>

#include "model/person.h"

class Parent;
class PrintRenderer;
class Pupil;
class QMController;
class Schedule;
class Teacher;

// A user's script, run without the caller knowing its language: report scripts, the body of
// printed sheets and e-mail texts. Implementations live with the scripting engine; whoever
// asks the controller for a host owns it.
class QMScript {
public:
    explicit QMScript(QMController* controller) : controller_(controller) {}
    virtual ~QMScript() = default;
    QMScript(const QMScript&) = delete;
    QMScript& operator=(const QMScript&) = delete;

    // What the hosts made while a MadeFor is held are for: an output's sheets or e-mails, whose
    // code may not reshape what the output holds, whichever way it runs (the top level as it
    // loads, a global's lookup, a finaliser as the host closes, called or not). Hosts made
    // outside any are a report's.
    enum class Use { Report, Sheets, Emails };
    class MadeFor {
    public:
        explicit MadeFor(Use use) : previous_(current_) { current_ = use; }
        ~MadeFor() { current_ = previous_; }
        MadeFor(const MadeFor&) = delete;
        MadeFor& operator=(const MadeFor&) = delete;

    private:
        Use previous_;
    };
    // Only the window's thread makes hosts.
    static Use CurrentUse() { return current_; }

    virtual bool RunMain() = 0;
    virtual bool DrawTeacherPage(Teacher* teacher, Schedule* day) = 0;
    virtual bool DrawParentPage(Parent* parent, Schedule* day) = 0;
    virtual bool RunTeacherEmail(EmailTextKind kind, Teacher* teacher, Schedule* day) = 0;
    virtual bool RunParentEmail(EmailTextKind kind, Parent* parent, Schedule* day) = 0;
    virtual bool RunPupilEmail(EmailTextKind kind, Pupil* pupil, Schedule* day) = 0;
    virtual bool HasTeacherEmail(EmailTextKind kind) = 0;
    virtual bool HasParentEmail(EmailTextKind kind) = 0;
    virtual bool HasPupilEmail(EmailTextKind kind) = 0;

    // The script's one output channel: onto the renderer's sheet when one is set, else into the
    // output text when capturing, else to standard output.
    void Output(const char* text);
    static void PrintToConsole(const char* text);
    // Not owned; stays set after the sheet it was set for.
    void SetRenderer(PrintRenderer* renderer) { renderer_ = renderer; }
    PrintRenderer* GetRenderer() const { return renderer_; }
    QMController* GetController() const { return controller_; }

    // Null without an event or when the current day is past the event's last day.
    Schedule* GetCurrentSchedule() const;
    unsigned GetCurrentDay() const { return currentDay_; }
    // Wraps round the event's days, so a script's -1 is the first day.
    void SelectDay(unsigned n);
    // The event day of that date; the current day stays when none matches.
    void SelectDayByDate(const Schedule* day);

    // Read and written directly by the callers that collect a script's output.
    bool loaded = false;
    // The reported error that ended the last entry call, "" when it ran to its end: what a
    // page or e-mail script wrote up to then is no page or message.
    std::string failure;
    bool captureOutput = false;
    std::string output;
    std::string lineEnd = "\n";

private:
    static inline Use current_ = Use::Report;
    QMController* controller_;
    PrintRenderer* renderer_ = nullptr;
    unsigned currentDay_ = 0;
};
