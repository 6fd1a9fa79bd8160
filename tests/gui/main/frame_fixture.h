#pragma once

#include <wx/menu.h>
#include <wx/timer.h>
#include <wx/toolbar.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/qm_controller.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/main/file_commands.h"
#include "gui/main/output_commands.h"
#include "gui/main/quillmoot_frame.h"
#include "gui/main/schedule_commands.h"
#include "gui/support/gui_test.h"

// Test messages name a command by its number.
inline std::ostream& operator<<(std::ostream& out, CommandId id) {
    return out << WxId(id);
}
#include "model/event.h"
#include "model/multi_day_schedule.h"

// For tests of the main window: frames made on copies of the example event in the test's
// folder, with the user data folder there too. Whatever frame is left is destroyed at the end.
class MainWindow : public GuiTest {
protected:
    MainWindow() {
        for (const char* sub : {"/events", "/config/Quillmoot"}) {
            std::filesystem::create_directories(folder_.Path() + sub);
        }
    }
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
    bool Closed() {
        ProcessPending();
        return TheMainFrame == nullptr;
    }
    MultiDaySchedule* Schedule() { return frame_->GetController().GetSchedule(); }
    // A change a user could make, locked or not: the event's web link.
    void ChangeEvent() {
        Event& event = *frame_->GetController().GetEvent();
        event.SetUrl(event.GetUrl() + "/changed");
    }
    bool EventChanged() const { return frame_->GetController().IsEventChanged(); }
    // The example event open with its requests booked, as the pictures show it; null when it
    // did not open.
    MultiDaySchedule* OpenBookedExample() {
        Open(Example());
        MultiDaySchedule* schedule = Schedule();
        if (schedule != nullptr) {
            frame_->GetController().BookUnbookedRequests(false, false);
        }
        return schedule;
    }
    bool MenuEnabled(CommandId id) { return frame_->GetMenuBar()->IsEnabled(WxId(id)); }
    bool ToolEnabled(CommandId id) { return frame_->GetToolBar()->GetToolEnabled(WxId(id)); }
    bool MenuEnabled(int id) { return MenuEnabled(CommandOfWxId(id)); }
    bool ToolEnabled(int id) { return ToolEnabled(CommandOfWxId(id)); }
    void Tick() {
        wxTimerEvent tick(frame_->GetAutosaveTimer());
        frame_->OnAutosaveTimer(tick);
    }

    QuillmootFrame* frame_ = nullptr;
};
