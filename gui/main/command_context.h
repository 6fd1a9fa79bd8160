#pragma once

#include <functional>
#include <memory>

class Event;
class MultiDaySchedule;
class PrintSettings;
class QMController;
class Selection;
class wxWindow;

// Shows the new event's settings over parent and fills in the schedule; false on Cancel.
using NewEventEditor =
    std::function<bool(wxWindow* parent, MultiDaySchedule& schedule, QMController& controller)>;
// Shows an e-mail run's options for the event over parent; false on Cancel.
using EmailOptionsEditor =
    std::function<bool(wxWindow* parent, std::shared_ptr<Event> event, PrintSettings& settings)>;

// The real dialogs behind the two editors.
bool ShowNewEventDialog(wxWindow* parent, MultiDaySchedule& schedule, QMController& controller);
bool ShowEmailRunOptions(wxWindow* parent, std::shared_ptr<Event> event, PrintSettings& settings);

// What a command acts on: the controller and its event, what the user picked, the window its
// dialogs and questions belong to, and work that must wait until the views show the change.
struct CommandContext {
    QMController& controller;
    const Selection& selection;
    wxWindow* parent;
    // Repainted after each pass of the optimiser; null where nothing shows the timetable.
    wxWindow* timetableView = nullptr;
    NewEventEditor newEventEditor = ShowNewEventDialog;
    EmailOptionsEditor emailOptionsEditor = ShowEmailRunOptions;

    // Runs the work once the views show what the command changed (a report over them).
    void AfterViewsFollow(std::function<void()> work) const;
};

// The held schedule when it has an event; the timetable commands do nothing otherwise.
MultiDaySchedule* ScheduleWithEvent(const CommandContext& context);
