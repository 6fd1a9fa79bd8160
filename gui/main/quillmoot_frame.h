#pragma once

#include <wx/bmpbndl.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "foundation/publisher.h"
#include "gui/main/autosave_driver.h"
#include "gui/main/command_context.h"
#include "gui/main/frame_actions.h"
#include "gui/main/frame_commands.h"
#include "gui/main/qm_controller_wx.h"

struct EventChanges;
class DlgError;
class EventSummaryPane;
class EventTreeView;
class OverviewView;
class wxSplitterWindow;

inline constexpr int kAutosaveTimerId = 1;

// The program's one top-level window: menus, toolbar, the summary line above the event tree
// and the timetable overview, the autosave timer and closing. Its commands act on a context
// that it hands them: the controller, the tree's selection and the window itself.
class QuillmootFrame : public wxFrame, public FrameActions {
public:
    // argument: the first command-line argument, or empty.
    QuillmootFrame(const wxString& title, const wxString& argument);
    ~QuillmootFrame() override;

    // --- the commands ---
    // Whether the window runs the command: its record has an action.
    bool IsCommandBound(CommandId id) const;
    // Runs the command as its menu item would; false when the window does not run it.
    bool RunCommand(CommandId id);
    // FrameActions: runs the command on what a pane picked, with the pane's window as parent.
    bool RunCommand(CommandId id, const Selection& selection, wxWindow* parent) override;
    // What the window's commands act on: the tree's selection and the window as parent.
    CommandContext Context();
    // The dialogs a command's context shows, replaced by tests.
    void SetNewEventEditor(NewEventEditor editor) { newEventEditor_ = std::move(editor); }
    void SetEmailOptionsEditor(EmailOptionsEditor editor) {
        emailOptionsEditor_ = std::move(editor);
    }

    // A tool's picture from its SVG bytes: 48 x 48 at 1x, sharp at any scale; invalid when the
    // bytes hold no picture.
    static wxBitmapBundle MakeToolBitmap(const char* bytes, std::uint32_t count);

    // --- upkeep ---
    // The views follow what the controller says changed (the tree is rebuilt for other people
    // or another event, relabelled for new names), then the summary line, the overview, the
    // title and the enabled commands show the event as it is. Inside a change it waits for
    // the change's end.
    void RefreshViews() { controller_.SettleChanges(); }
    // The event differs from its file (QMController::IsEventChanged), or user settings that
    // loaded whole have changed: what closing asks about.
    bool HasUnsavedChanges() const;
    // The minute's autosave tick (see AutosaveDriver).
    void OnAutosaveTimer(wxTimerEvent&) { autosave_.Tick(); }
    void OnClose(wxCloseEvent& event);
    // keepAutosave: unsaved changes stay recoverable at the next start.
    void CloseAndDestroy(bool keepAutosave = false);

    // FrameActions: what the tree and the overview ask of the window.
    bool HasCommand(CommandId id) const override { return IsCommandBound(id); }
    FrameState GetFrameState() const override { return ComputeFrameState(controller_); }
    void CloseWithoutAsking() override { CloseAndDestroy(); }

    QMControllerWX& GetController() { return controller_; }
    EventSummaryPane* GetSummaryPane() const { return summary_; }
    OverviewView* GetOverview() const { return overview_; }
    EventTreeView* GetTree() const { return tree_; }
    wxTimer& GetAutosaveTimer() { return autosave_.GetTimer(); }
    AutosaveDriver& GetAutosave() { return autosave_; }
    bool HasMessageSink() const { return sink_ != nullptr; }

private:
    CommandContext ContextOver(const Selection& selection, wxWindow* parent);
    // The title, the tree's width and the enabled commands once a change has ended.
    void ShowSettledChanges(const EventChanges& changes);
    void BuildToolBar();
    void BuildMenuBar();
    void BuildPanes();
    void ApplySashPositions();
    // Widens the tree until the labels of its open branches show whole, up to two fifths of
    // the window; never narrows it.
    void FitTreePane();
    void OnCommand(wxCommandEvent& event);

    QMControllerWX controller_;
    OverviewView* overview_ = nullptr;
    EventSummaryPane* summary_ = nullptr;
    wxSplitterWindow* outerSplitter_ = nullptr;
    wxSplitterWindow* innerSplitter_ = nullptr;
    wxMenuBar* menuBar_ = nullptr;
    EventTreeView* tree_ = nullptr;
    std::unique_ptr<DlgError> sink_;
    bool sashesApplied_ = false;
    bool closing_ = false;
    Subscription following_;
    AutosaveDriver autosave_;
    NewEventEditor newEventEditor_ = ShowNewEventDialog;
    EmailOptionsEditor emailOptionsEditor_ = ShowEmailRunOptions;
};

// The one main window; null before it is made and after it is gone.
extern QuillmootFrame* TheMainFrame;
