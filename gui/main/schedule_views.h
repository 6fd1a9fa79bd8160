#pragma once

#include <memory>

class Event;
class MultiDaySchedule;
class Person;
class QMController;
class wxWindow;

// A pane that shows the loaded timetable; it is handed every new schedule, and null before the
// schedule goes away.
class ScheduleView {
public:
    virtual ~ScheduleView() = default;
    virtual void SetSchedule(MultiDaySchedule* schedule) = 0;
};

// The timetable overview on the right of the main window.
class OverviewView : public ScheduleView {
public:
    virtual wxWindow* GetWindow() = 0;
    // Repaints without recomputing the layout.
    virtual void Repaint() = 0;
    // Hover tooltips stay off while the window asks a question.
    virtual void SetHoverTips(bool on) = 0;
};

// The tree of the event's people and presentations on the left of the main window.
class EventTreeView {
public:
    virtual ~EventTreeView() = default;
    virtual wxWindow* GetWindow() = 0;
    virtual void SetEvent(std::shared_ptr<Event> event) = 0;
    virtual void RebuildTree() = 0;
    // The teacher, parent or pupil of the selected item, or null.
    virtual Person* GetSelectedObject() const = 0;
};

// The main window's panes are made here, so the frame never names their classes.
EventTreeView* CreateEventTreePane(wxWindow* parent, std::shared_ptr<Event> event);
OverviewView* CreateOverviewPane(wxWindow* parent, QMController* controller);
