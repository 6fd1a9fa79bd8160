#pragma once

#include <wx/bmpbndl.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "comms/wx/email_dialog_logic.h"
#include "gui/main/frame_actions.h"
#include "gui/main/frame_commands.h"
#include "gui/main/output_commands.h"
#include "gui/main/qm_controller_wx.h"
#include "model/person.h"

class DlgError;
class EventSummaryPane;
class EventTreeView;
class MultiDaySchedule;
class OverviewView;
class PrintSettings;
class wxSplitterWindow;

inline constexpr int kAutosaveIntervalMs = 60000;
inline constexpr int kAutosaveTimerId = 1;

// The program's one top-level window: menus, toolbar, the summary line above the event tree
// and the timetable overview, the commands' actions, the autosave timer and the file commands.
class QuillmootFrame : public wxFrame, public FrameActions {
public:
    // argument: the first command-line argument, or empty.
    QuillmootFrame(const wxString& title, const wxString& argument);
    ~QuillmootFrame() override;

    // --- the commands ---
    // Whether the window runs the command: its record has an action here.
    bool IsCommandBound(CommandId id) const;
    // Runs the command as its menu item would; false when the window does not run it.
    bool RunCommand(CommandId id);
    // What OK in the new-event dialog does: fills in the new schedule; false on Cancel.
    using NewEventEditor =
        std::function<bool(wxWindow* parent, MultiDaySchedule& schedule, QMController& controller)>;
    void SetNewEventEditor(NewEventEditor editor);

    // A tool's picture from its SVG bytes: 48 x 48 at 1x, sharp at any scale; invalid when the
    // bytes hold no picture.
    static wxBitmapBundle MakeToolBitmap(const char* bytes, std::uint32_t count);

    // --- upkeep ---
    // The views follow what the controller says changed (the tree is rebuilt for other people
    // or another event, relabelled for new names), then the summary line, the overview, the
    // title and the enabled commands show the event as it is. Inside a change it waits for
    // the change's end.
    void RefreshViews() override { controller_.SettleChanges(); }
    // The event differs from its file (QMController::IsEventChanged), or user settings that
    // loaded whole have changed: what closing asks about.
    bool HasUnsavedChanges() const;
    void OnAutosaveTimer(wxTimerEvent& event);
    void OnClose(wxCloseEvent& event);
    // keepAutosave: unsaved changes stay recoverable at the next start.
    void CloseAndDestroy(bool keepAutosave = false);
    bool AskYesNo(const std::string& question);

    // --- event files ---
    // Opens the file as the event without asking; the load reports its own failures.
    bool LoadEventFile(const wxString& path);
    // As LoadEventFile, but first offers to save a changed event that the file would replace.
    bool OpenEventFileAsked(const wxString& path);
    void MergeChanges(const wxString& path);
    void OnNewEvent();
    void OnLoadEvent();
    void OnMergeChanges();
    void OnSaveEvent();
    void OnSaveEventAs();
    // The saves behind the commands; true when the event reached its file.
    bool SaveEvent();
    bool SaveEventAs();
    // Yes/No/Cancel before a changed event is replaced; true when it may go.
    bool ConfirmReplaceEvent();

    // --- output: printing, PDF, exports and reports ---
    // The warnings, the run's options and the lock suggestion before a print or an e-mail run;
    // null settings are the event's own. False when the run should not go on.
    bool ConfirmOutputRun(OutputRun run, PrintSettings* settings);
    void ShowPrintPreview(PrintSettings* settings);
    // The e-mail run's options dialog, supplied with the e-mail commands: true on OK.
    using EmailOptionsEditor = std::function<bool(wxWindow* parent, PrintSettings& settings)>;
    void SetEmailOptionsEditor(EmailOptionsEditor editor) {
        emailOptionsEditor_ = std::move(editor);
    }

    // FrameActions: what the tree and the overview ask of the window.
    bool HasCommand(CommandId id) const override { return IsCommandBound(id); }
    void EditTeacher(Teacher* teacher) override;
    void EditParent(Parent* parent) override;
    void EditPupil(Pupil* pupil) override;
    void EditPresentation(Presentation* presentation) override;
    // The pupil editor on the parent's index-th pupil.
    void EditPupilOfParent(Parent* parent, unsigned index);

    // --- the timetable ---
    void OnBookIncomplete();
    void OnRebookAll();
    void OnOptimise();
    void OnEditEventDetails();
    void OnLockSchedule();
    void OnRemoveLock();
    void OnEditScoring();
    // Locks the event and every booking; whichever command locks uses this.
    void LockSchedule();

    // --- scripts ---
    void OnRunScriptedReport();

    // --- e-mail and the update check ---
    void OnEditEmailServer();
    // A run for everybody, one person's message, and that person's messages shown unsent.
    void SendEmails(EmailTextKind kind);
    void SendPersonEmail(EmailTextKind kind);
    void PreviewPersonEmail(EmailTextKind kind);
    void EditEmailText(EmailTextKind kind, EmailRecipientRole role);
    void OnCheckForUpdates();

    // The held schedule when it has an event; the timetable commands do nothing otherwise.
    MultiDaySchedule* ScheduleWithEvent() const;

    QMControllerWX& GetController() { return controller_; }
    EventSummaryPane* GetSummaryPane() const { return summary_; }
    OverviewView* GetOverview() const { return overview_; }
    EventTreeView* GetTree() const { return tree_; }
    wxTimer& GetAutosaveTimer() { return autosaveTimer_; }
    bool HasMessageSink() const { return sink_ != nullptr; }

private:
    // The command families act on the window's own parts.
    friend const CommandFamily& FileCommands();
    friend const CommandFamily& PeopleCommands();
    friend const CommandFamily& TeacherCommands();
    friend const CommandFamily& ScheduleCommands();
    friend const CommandFamily& OutputCommands();
    friend const CommandFamily& EmailCommands();
    friend const CommandFamily& ImportCommands();
    friend const CommandFamily& ScriptCommands();

    using ChangeScope = QMController::ChangeScope;

    // The title, the tree's width and the enabled commands once a change has ended.
    void ShowSettledChanges(const EventChanges& changes);
    void BuildToolBar();
    void BuildMenuBar();
    void BuildPanes();
    // What the dialogs of other libraries open from inside themselves.
    void InstallScheduleEditors();
    void InstallImportPreview();
    void InstallEmailEditors();
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
    bool autosaveBusy_ = false;
    bool sashesApplied_ = false;
    bool closing_ = false;
    Subscription following_;
    wxTimer autosaveTimer_;
    NewEventEditor newEventEditor_;
    EmailOptionsEditor emailOptionsEditor_;
};

// The one main window; null before it is made and after it is gone.
extern QuillmootFrame* TheMainFrame;
