#pragma once

#include <wx/menu.h>
#include <wx/timer.h>
#include <wx/toolbar.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/qm_controller.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/main/command_context.h"
#include "gui/main/dlg_error.h"
#include "gui/main/event_tree_ctrl.h"
#include "gui/main/file_commands.h"
#include "gui/main/output_commands.h"
#include "gui/main/qm_controller_wx.h"
#include "gui/main/quillmoot_frame.h"
#include "gui/main/schedule_commands.h"
#include "gui/support/gui_test.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

// Test messages name a command by its number.
inline std::ostream& operator<<(std::ostream& out, CommandId id) {
    return out << WxId(id);
}

// What the tests of the window and of its commands share: copies of the example event in the
// test's folder, the user data folder there too, the messages shown and the event's state.
class EventWindowTest : public GuiTest {
protected:
    EventWindowTest() {
        for (const char* sub : {"/events", "/config/Quillmoot"}) {
            std::filesystem::create_directories(folder_.Path() + sub);
        }
    }

    // The controller of whatever runs the commands; the example opened there.
    virtual QMController& Controller() = 0;
    virtual void OpenEvent(const std::string& path) = 0;

    // A copy of the example event in the events folder.
    std::string Example(const std::string& name = "school.qmv") const {
        return folder_.Write("events/" + name,
                             ReadWholeFile(std::string(QM_SOURCE_DIR) + "/examples/school.qmv"));
    }
    std::string AutosavePath() const { return folder_.Path() + "/config/Quillmoot/autosave.qmv"; }
    std::string SettingsPath() const {
        return folder_.Path() + "/config/Quillmoot/user_settings.dat";
    }
    // What a run that crashed with the event changed leaves behind.
    void LeaveAutosaveCopy(const std::string& path, const std::string& newName) {
        QMController crashed;
        crashed.Initialise();
        ASSERT_TRUE(crashed.OpenEventFile(path.c_str()));
        crashed.GetEvent()->SetName(newName);
        ASSERT_TRUE(crashed.Autosave());
    }
    // The texts of the message boxes shown so far (questions left out).
    std::vector<std::string> Boxes() const {
        std::vector<std::string> texts;
        for (const ScriptedPrompts::Shown& box : prompts_.shown) {
            if (!(box.style & (wxYES_NO | wxCANCEL))) {
                texts.push_back(ToUtf8(box.message));
            }
        }
        return texts;
    }
    MultiDaySchedule* Schedule() { return Controller().GetSchedule(); }
    // A change a user could make, locked or not: the event's web link.
    void ChangeEvent() {
        Event& event = *Controller().GetEvent();
        event.SetUrl(event.GetUrl() + "/changed");
    }
    bool EventChanged() { return Controller().IsEventChanged(); }
    // The example event open with its requests booked, as the pictures show it; null when it
    // did not open.
    MultiDaySchedule* OpenBookedExample() {
        OpenEvent(Example());
        MultiDaySchedule* schedule = Schedule();
        if (schedule != nullptr) {
            Controller().BookUnbookedRequests(false, false);
        }
        return schedule;
    }
};

// For tests of the main window: frames made on copies of the example event. Whatever frame is
// left is destroyed at the end.
class MainWindow : public EventWindowTest {
protected:
    ~MainWindow() override {
        if (TheMainFrame) {
            TheMainFrame->Destroy();
        }
        ProcessPending();
    }

    QuillmootFrame* Open(const std::string& argument = "") {
        frame_ = new QuillmootFrame("Quillmoot Organiser", FromUtf8(argument));
        return frame_;
    }
    QMController& Controller() override { return frame_->GetController(); }
    void OpenEvent(const std::string& path) override { Open(path); }
    bool Closed() {
        ProcessPending();
        return TheMainFrame == nullptr;
    }
    bool MenuEnabled(CommandId id) { return frame_->GetMenuBar()->IsEnabled(WxId(id)); }
    bool ToolEnabled(CommandId id) { return frame_->GetToolBar()->GetToolEnabled(WxId(id)); }
    bool MenuEnabled(int id) { return MenuEnabled(CommandOfWxId(id)); }
    bool ToolEnabled(int id) { return ToolEnabled(CommandOfWxId(id)); }
    // An autosave tick and its copy run to the end.
    void Tick() {
        wxTimerEvent tick(frame_->GetAutosaveTimer());
        frame_->OnAutosaveTimer(tick);
        frame_->GetAutosave().Wait();
    }

    QuillmootFrame* frame_ = nullptr;
};

// What the window's commands run in, without the window: the window's controller on the test's
// user data folder, a real event tree following it (its selection is what commands act on) and
// a plain window as the parent of dialogs and questions. Messages show in boxes, as the window
// shows them.
class CommandHost {
public:
    explicit CommandHost(wxWindow* parent)
        : parent_(parent), tree_(new EventTreeCtrl(parent, nullptr, false)), sink_(parent) {
        controller_.Initialise();
        tree_->Follow(controller_);
    }
    ~CommandHost() {
        controller_.CloseEvent();
        tree_->Destroy();
    }
    CommandHost(const CommandHost&) = delete;
    CommandHost& operator=(const CommandHost&) = delete;

    QMControllerWX& GetController() { return controller_; }
    EventTreeView* GetTree() const { return tree_; }
    CommandContext Context() {
        return {.controller = controller_,
                .selection = *tree_,
                .parent = parent_,
                .newEventEditor = newEventEditor_,
                .emailOptionsEditor = emailOptionsEditor_};
    }
    bool IsCommandBound(CommandId id) const {
        const Command* command = FindCommand(id);
        return command != nullptr && command->run != nullptr;
    }
    // Runs the command in a change, as the window's menu would; false for one without action.
    bool RunCommand(CommandId id) {
        const Command* command = FindCommand(id);
        if (command == nullptr || !command->run) {
            return false;
        }
        const QMController::ChangeScope change(controller_);
        command->run(Context());
        return true;
    }
    void RefreshViews() { controller_.SettleChanges(); }
    void SetNewEventEditor(NewEventEditor editor) { newEventEditor_ = std::move(editor); }
    void SetEmailOptionsEditor(EmailOptionsEditor editor) {
        emailOptionsEditor_ = std::move(editor);
    }

private:
    wxWindow* parent_;
    QMControllerWX controller_;
    EventTreeCtrl* tree_;
    DlgError sink_;
    NewEventEditor newEventEditor_ = ShowNewEventDialog;
    EmailOptionsEditor emailOptionsEditor_ = ShowEmailRunOptions;
};

// For tests of commands that need no pane of the window: a command host on copies of the
// example event. Its menus are enabled as their records say (the window's are checked to
// follow their records elsewhere).
class CommandWindow : public EventWindowTest {
protected:
    ~CommandWindow() override {
        host_.reset();
        ProcessPending();
    }

    CommandHost* Open(const std::string& path = "") {
        host_ = std::make_unique<CommandHost>(TopWindow());
        if (!path.empty()) {
            (void)LoadEventFile(host_->Context(), FromUtf8(path));  // a failure shows its box
        }
        return host_.get();
    }
    QMController& Controller() override { return host_->GetController(); }
    void OpenEvent(const std::string& path) override { Open(path); }
    bool MenuEnabled(CommandId id) {
        const Command* command = FindCommand(id);
        return command != nullptr &&
               IsCommandAllowed(command->needs, ComputeFrameState(Controller()));
    }
    bool ToolEnabled(CommandId id) { return MenuEnabled(id); }
    bool MenuEnabled(int id) { return MenuEnabled(CommandOfWxId(id)); }

    std::unique_ptr<CommandHost> host_;
};
