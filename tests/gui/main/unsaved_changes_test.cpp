// Whatever a command does, through its editors' OK or their Cancel, the window counts the event
// as changed exactly when the file it would write now differs from the one last saved.
#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/modalhook.h>
#include <wx/prntbase.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/event_file_writer.h"
#include "foundation/byte_buffer.h"
#include "foundation/text_codec.h"
#include "foundation/time_of_day.h"
#include "frame_fixture.h"
#include "gui/dialogs/ok_cancel_dlg.h"
#include "gui/main/event_tree_ctrl.h"
#include "gui/main/frame_commands.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/teacher.h"

namespace {

// An event file's text with each encoded time (whose filler is random) replaced by the time
// it carries, and without its check line: two texts then differ only where the events do.
std::string WithoutFiller(const std::string& text) {
    std::string out;
    const char* alphabet = TextCodec::Alphabet();
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '#' && (i == 0 || text[i - 1] == '\n')) {
            break;
        }
        size_t end = i + 1;
        while (text[i] == '=' && end < text.size() && text[end] != '=' &&
               std::strchr(alphabet, text[end]) != nullptr) {
            ++end;
        }
        if (text[i] == '=' && end > i + 1 && end < text.size() && text[end] == '=') {
            const auto block = TextCodec::Decode(text.substr(i + 1, end - i - 1));
            const unsigned size = block ? block->Size() : 0;
            if (size >= 8) {
                const auto byte = [&](unsigned k) {
                    return static_cast<unsigned char>(*block->At(k));
                };
                int seconds = byte(2) * 3600 + byte(4) * 60 + (size >= 10 ? byte(9) : 0);
                out += "<" + std::to_string(seconds) + ">";
                i = end + 1;
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

// Every command of the window: its menus, its tools and what its panes' menus post. Exit
// ends the window and is left to the tests of closing.
std::vector<int> EveryCommand() {
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
constexpr size_t kGroupSize = 8;

std::vector<std::vector<int>> CommandGroups() {
    const std::vector<int> all = EveryCommand();
    std::vector<std::vector<int>> groups;
    for (size_t i = 0; i < all.size(); i += kGroupSize) {
        groups.emplace_back(all.begin() + i, all.begin() + std::min(all.size(), i + kGroupSize));
    }
    return groups;
}

class UnsavedChanges : public MainWindow, public ::testing::WithParamInterface<std::vector<int>> {
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
        ASSERT_FALSE(Expected());
        ASSERT_FALSE(frame_->GetController().IsEventChanged());
    }
    std::string FileName() { return frame_->GetController().GetFileName(); }
    // What the window must say: an event never saved, or one whose file differs from what
    // would be written now, is changed.
    bool Expected() {
        MultiDaySchedule* schedule = Schedule();
        if (schedule == nullptr) {
            return false;
        }
        if (FileName().empty()) {
            return true;
        }
        const std::string now = EventFileWriter(*schedule).FormatEventFile();
        return WithoutFiller(now) != WithoutFiller(ReadWholeFile(FileName()));
    }
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

TEST_P(UnsavedChanges, TheWindowCountsAChangeExactlyWhenTheFileWouldDiffer) {
    for (int id : GetParam()) {
        for (bool ok : {false, true}) {
            SCOPED_TRACE("command " + std::to_string(id) +
                         (ok ? " through OK" : " through Cancel"));
            Start();
            SelectFor(CommandOfWxId(id));
            if (HasFatalFailure()) {
                return;
            }
            EveryPrompt prompts(ok, copy_, folder_.Path() + "/events");
            EveryEditor editors(ok);
            ASSERT_TRUE(frame_->RunCommand(CommandOfWxId(id)));
            ClosePreviews();
            ASSERT_NE(TheMainFrame, nullptr);
            const bool expected = Expected();
            EXPECT_EQ(frame_->GetController().IsEventChanged(), expected);
            // The title and Save say nothing of changes.
            EXPECT_EQ(frame_->GetTitle(), FileName().empty()
                                              ? "Quillmoot Organiser"
                                              : "Quillmoot Organiser - " + FromUtf8(FileName()));
            EXPECT_EQ(ToolEnabled(CommandId::ToolSaveEvent), Schedule() != nullptr);
            EXPECT_EQ(MenuEnabled(CommandId::SaveEvent),
                      Schedule() != nullptr && !FileName().empty());
            EXPECT_EQ(frame_->HasUnsavedChanges(),
                      expected || frame_->GetController().GetUserSettings().IsModified());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, UnsavedChanges, ::testing::ValuesIn(CommandGroups()),
                         [](const ::testing::TestParamInfo<std::vector<int>>& info) {
                             return "Commands" + std::to_string(info.param.front()) + "To" +
                                    std::to_string(info.param.back());
                         });

}  // namespace
