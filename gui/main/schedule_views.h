#pragma once

#include <memory>
#include <string>

#include "foundation/publisher.h"

struct EventChanges;
struct OverviewCell;
class Event;
class MultiDaySchedule;
class Parent;
class Person;
class Presentation;
class Pupil;
class Teacher;
class QMController;
class wxWindow;

// A pane that shows the loaded timetable; it is handed every new schedule, and null before the
// schedule goes away.
class ScheduleView {
public:
    virtual ~ScheduleView() = default;
    virtual void SetSchedule(MultiDaySchedule* schedule) = 0;
    // A change has ended; the schedule is still the one last set.
    virtual void ShowChanges(const EventChanges& changes) = 0;
    // From now until the view goes: the controller's schedule, every schedule it takes and
    // every change that ends.
    void Follow(QMController& controller);

private:
    Subscription following_;
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

// What a command acts on: the item picked in the event tree, or what a pane's popup was raised
// over. Each answer is null, or empty, when nothing of that kind is picked.
class Selection {
public:
    virtual ~Selection() = default;
    // A teacher, parent or pupil.
    virtual Person* GetSelectedObject() const = 0;
    virtual Teacher* GetSelectedTeacher() const = 0;
    // A picked pupil's parent when a pupil is picked.
    virtual Parent* GetSelectedParent() const = 0;
    virtual Pupil* GetSelectedPupil() const = 0;
    virtual Presentation* GetSelectedPresentation() const = 0;
    // The picked group's label ("Form 7B").
    virtual std::string GetSelectedGroupName() const = 0;
    // The overview's cell under its popup; its commands may drop the cell's booking.
    virtual OverviewCell* GetSelectedCell() const { return nullptr; }
};

// Nothing picked: what the window's own work (opening, saving, closing) acts on.
class NoSelection : public Selection {
public:
    Person* GetSelectedObject() const override { return nullptr; }
    Teacher* GetSelectedTeacher() const override { return nullptr; }
    Parent* GetSelectedParent() const override { return nullptr; }
    Pupil* GetSelectedPupil() const override { return nullptr; }
    Presentation* GetSelectedPresentation() const override { return nullptr; }
    std::string GetSelectedGroupName() const override { return {}; }
};

// The tree of the event's people and presentations on the left of the main window; its
// selection is what the window's commands act on.
class EventTreeView : public Selection {
public:
    virtual wxWindow* GetWindow() = 0;
    virtual void SetEvent(std::shared_ptr<Event> event) = 0;
    virtual void RebuildTree() = 0;
    // Names only: no item added or removed.
    virtual void RefreshItemTexts() = 0;
    // From now until the tree goes: given the controller's event again when another is held,
    // rebuilt when people come, go or move, relabelled when only names change.
    void Follow(QMController& controller);

private:
    Subscription following_;
};

// The main window's panes are made here, so the frame never names their classes.
EventTreeView* CreateEventTreePane(wxWindow* parent, std::shared_ptr<Event> event);
OverviewView* CreateOverviewPane(wxWindow* parent, QMController* controller);
