#pragma once

#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/modalhook.h>
#include <wx/prntbase.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "frame_fixture.h"
#include "gui/dialogs/ok_cancel_dlg.h"
#include "gui/main/event_tree_ctrl.h"
#include "gui/main/frame_commands.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/teacher.h"

// Every command of the window: its menus, its tools and what its panes' menus post. Exit
// ends the window and is left to the tests of closing.
inline std::vector<int> EveryCommand() {
    std::set<int> ids;
    for (const MenuSpec& menu : MainMenus()) {
        for (const MenuLine& line : menu.lines) {
            if (line.kind == MenuLine::Command) {
                ids.insert(WxId(line.id));
            }
        }
    }
    for (const ToolSpec& tool : MainTools()) {
        if (tool.id != CommandId::None) {
            ids.insert(WxId(tool.id));
        }
    }
    for (CommandId id : PopupOnlyCommands()) {
        ids.insert(WxId(id));
    }
    ids.erase(WxId(CommandId::Exit));
    return {ids.begin(), ids.end()};
}

// Answers every question and file dialog the way the road goes: Yes and a file, or No and
// Cancel. Files to open are a saved copy of the event; files to save are new ones.
class EveryPrompt : public PromptService {
public:
    EveryPrompt(bool ok, std::string openPath, std::string folder)
        : ok_(ok), openPath_(std::move(openPath)), folder_(std::move(folder)), scope_(this) {}

    int ShowMessage(wxWindow*, const wxString&, const wxString&, long style) override {
        if (!(style & (wxYES_NO | wxCANCEL))) {
            return wxID_OK;
        }
        return ok_ ? wxID_YES : (style & wxCANCEL) ? wxID_CANCEL : wxID_NO;
    }
    bool ChooseFile(wxWindow*, const FileRequest& request, FileChoice* choice) override {
        if (!ok_) {
            return false;
        }
        if (request.style & wxFD_SAVE) {
            choice->path = FromUtf8(folder_ + "/saved-" + std::to_string(++saves_));
        } else {
            choice->path = FromUtf8(openPath_);
        }
        choice->filterIndex = 0;
        return true;
    }

private:
    bool ok_;
    std::string openPath_;
    std::string folder_;
    int saves_ = 0;
    ScopedPromptService scope_;
};

// Plays every editor: changes its first text field and its first check box, then presses OK
// (the result is OK when the dialog accepted) or leaves with Cancel. Windows that are not the
// program's own editors (the printer's dialog, progress windows) are cancelled.
class EveryEditor : public wxModalDialogHook {
public:
    explicit EveryEditor(bool ok) : ok_(ok) { Register(); }
    ~EveryEditor() override { Unregister(); }
    int opened = 0;

protected:
    int Enter(wxDialog* dialog) override {
        ++opened;
        auto* editor = dynamic_cast<OKCancelDlg*>(dialog);
        if (editor == nullptr) {
            return wxID_CANCEL;
        }
        Change(editor);
        if (!ok_) {
            return wxID_CANCEL;
        }
        // Shown, so that the OK that accepts is seen to hide it.
        editor->Show();
        wxCommandEvent press(wxEVT_BUTTON, wxID_OK);
        press.SetEventObject(editor->FindWindow(wxID_OK));
        editor->ProcessWindowEvent(press);
        const bool accepted = !editor->IsShown();
        editor->Hide();
        return accepted ? wxID_OK : wxID_CANCEL;
    }
    void Exit(wxDialog*) override {}

private:
    static void Change(wxWindow* window) {
        bool typed = false;
        bool ticked = false;
        ChangeFirst(window, &typed, &ticked);
    }
    static void ChangeFirst(wxWindow* window, bool* typed, bool* ticked) {
        for (wxWindow* child : window->GetChildren()) {
            if (child->IsTopLevel() || !child->IsEnabled()) {
                continue;
            }
            auto* text = dynamic_cast<wxTextCtrl*>(child);
            if (!*typed && text != nullptr && text->IsEditable()) {
                text->ChangeValue(text->GetValue() + " x");
                *typed = true;
            }
            auto* box = dynamic_cast<wxCheckBox*>(child);
            if (!*ticked && box != nullptr) {
                box->SetValue(!box->GetValue());
                wxCommandEvent click(wxEVT_CHECKBOX, box->GetId());
                click.SetEventObject(box);
                click.SetInt(box->GetValue());
                box->ProcessWindowEvent(click);
                *ticked = true;
            }
            ChangeFirst(child, typed, ticked);
        }
    }

    bool ok_;
};

// The commands in groups of eight, one test each: a window a command, and few test programs.
inline constexpr size_t kGroupSize = 8;

inline std::vector<std::vector<int>> CommandGroups() {
    const std::vector<int> all = EveryCommand();
    std::vector<std::vector<int>> groups;
    for (size_t i = 0; i < all.size(); i += kGroupSize) {
        groups.emplace_back(all.begin() + i, all.begin() + std::min(all.size(), i + kGroupSize));
    }
    return groups;
}

// Runs commands of the window in turn on the example, each on a fresh window: the object each
// works on selected, its questions and editors played by EveryPrompt and EveryEditor.
class EveryCommandWindow : public MainWindow {
protected:
    // The example, booked and saved by the program, so that its file is what the program
    // writes; a second copy for commands that open one.
    void Start() {
        if (TheMainFrame != nullptr) {
            TheMainFrame->Destroy();
            ProcessPending();
        }
        MultiDaySchedule* schedule = OpenBookedExample();
        ASSERT_NE(schedule, nullptr);
        ASSERT_TRUE(SaveEvent(frame_->Context()));
        copy_ = folder_.Write("events/copy.qmv", ReadWholeFile(FileName()));
    }
    std::string FileName() { return frame_->GetController().GetFileName(); }
    // The object a command of that id works on, selected in the tree.
    void SelectFor(CommandId id) {
        auto* tree = dynamic_cast<EventTreeCtrl*>(frame_->GetTree()->GetWindow());
        ASSERT_NE(tree, nullptr);
        Event& event = *Schedule()->GetEvent();
        Parent* parent = event.GetParents().FindByKey("FAM1004");
        ASSERT_NE(parent, nullptr);
        const std::set<CommandId> teacherCommands = {
            CommandId::EditTeacher, CommandId::DeleteTeacher, CommandId::EditTeacherAppointments,
            CommandId::SendPersonResultsEmail, CommandId::PreviewResultsEmail};
        const std::set<CommandId> presentationCommands = {
            CommandId::EditPresentation, CommandId::DeletePresentation,
            CommandId::SetAllTeachersAttending, CommandId::SetAllParentsAttending};
        const void* wanted = parent;
        if (teacherCommands.count(id)) {
            wanted = event.GetTeachers().At(0);
        } else if (presentationCommands.count(id)) {
            wanted = event.GetPresentations().GetPresentation(0);
        } else if (id == CommandId::EditPupil || id == CommandId::EditAppointments) {
            wanted = parent->GetPupil(0);
        }
        if (id == CommandId::BookFormAppointment) {
            wxTreeItemIdValue cookie;
            tree->SelectItem(tree->GetFirstChild(tree->GetPupilsItem(), cookie));
            return;
        }
        SelectIn(*tree, tree->GetRootItem(), wanted);
    }
    static bool SelectIn(EventTreeCtrl& tree, const wxTreeItemId& item, const void* wanted) {
        wxTreeItemIdValue cookie;
        for (wxTreeItemId child = tree.GetFirstChild(item, cookie); child.IsOk();
             child = tree.GetNextChild(item, cookie)) {
            auto* data = dynamic_cast<TreeObjectData*>(tree.GetItemData(child));
            if (data != nullptr && data->GetObject() == wanted) {
                tree.SelectItem(child);
                return true;
            }
            if (SelectIn(tree, child, wanted)) {
                return true;
            }
        }
        return false;
    }
    // A preview window stays open after its command; it is closed before the next look.
    static void ClosePreviews() {
        for (wxWindow* window : wxTopLevelWindows) {
            if (dynamic_cast<wxPreviewFrame*>(window) != nullptr) {
                window->Close(true);
            }
        }
        ProcessPending();
    }

    std::string copy_;
};
