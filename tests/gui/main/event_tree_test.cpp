#include <gtest/gtest.h>
#include <wx/frame.h>

#include <wx/menu.h>
#include <functional>

#include "gui/main/event_tree_ctrl.h"
#include "gui/main/frame_commands.h"
#include "gui/main/overview_school.h"
#include "gui/main/recording_frame.h"
#include "gui/support/gui_test.h"

namespace {

// A tree whose popup menus are recorded instead of shown.
class RecordingTree : public EventTreeCtrl {
public:
    using EventTreeCtrl::EventTreeCtrl;

    std::vector<std::tuple<int, std::string, bool>> shown;
    int popups = 0;

protected:
    void ShowPopup(wxMenu& menu, const wxPoint&) override {
        ++popups;
        shown.clear();
        for (const wxMenuItem* item : menu.GetMenuItems()) {
            shown.emplace_back(item->GetId(), ToUtf8(item->GetItemLabel()), item->IsEnabled());
        }
    }
};

// Two teachers, three families (two children in 7B and 8C; one in 10A; none), a pupil without
// a form and one presentation.
class EventTree : public GuiTest {
protected:
    EventTree() {
        ann = school.AddTeacher("Ann Able", "AB");
        school.AddTeacher("Bob Baker");
        smith = school.AddFamily("Mr Smith", {"8C", "7B"});
        school.AddFamily("Mrs Jones", {"10A"});
        school.AddFamily("Ms Empty", {});
        school.AddFamily("Mr Nobody", {""});
        school.AddPresentation(ann);
        tree = new RecordingTree(TopWindow(), school.event, false);
        frame.schedule = school.schedule.get();
    }

    std::vector<std::string> Children(const wxTreeItemId& item) {
        std::vector<std::string> texts;
        wxTreeItemIdValue cookie;
        for (wxTreeItemId child = tree->GetFirstChild(item, cookie); child.IsOk();
             child = tree->GetNextChild(item, cookie)) {
            texts.push_back(ToUtf8(tree->GetItemText(child)));
        }
        return texts;
    }
    wxTreeItemId Child(const wxTreeItemId& item, size_t index) {
        wxTreeItemIdValue cookie;
        wxTreeItemId child = tree->GetFirstChild(item, cookie);
        for (size_t i = 0; i < index; ++i) {
            child = tree->GetNextChild(item, cookie);
        }
        return child;
    }
    void Activate(const wxTreeItemId& item) {
        tree->SelectItem(item);
        wxTreeEvent event(wxEVT_TREE_ITEM_ACTIVATED, tree, item);
        tree->ProcessWindowEvent(event);
        ProcessPending();
    }
    void RightClick(const wxTreeItemId& item) {
        wxTreeEvent event(wxEVT_TREE_ITEM_RIGHT_CLICK, tree, item);
        event.SetPoint(wxPoint(5, 5));
        tree->ProcessWindowEvent(event);
    }

    OverviewSchool school;
    Teacher* ann;
    Parent* smith;
    RecordingTree* tree;
    RecordingFrame frame;
};

TEST_F(EventTree, ShowsCountsPeopleByParentAndByFormInOrder) {
    EXPECT_EQ(ToUtf8(tree->GetItemText(tree->GetRootItem())), "Current Event");
    EXPECT_EQ(Children(tree->GetRootItem()),
              (std::vector<std::string>{"2 teachers", "4 parents", "4 pupils", "1 presentations"}));
    EXPECT_EQ(Children(tree->GetTeachersItem()),
              (std::vector<std::string>{"Ann Able (AB)", "Bob Baker"}));
    EXPECT_EQ(Children(tree->GetParentsItem()),
              (std::vector<std::string>{"Mr Smith (2)", "Mrs Jones", "Ms Empty (0)", "Mr Nobody"}));
    EXPECT_EQ(Children(Child(tree->GetParentsItem(), 0)),
              (std::vector<std::string>{"Kid1 Mr Smith (8C)", "Kid2 Mr Smith (7B)"}));
    EXPECT_EQ(Children(tree->GetPupilsItem()),
              (std::vector<std::string>{"Form 10A", "Form 7B", "Form 8C", "No form specified"}));
    EXPECT_EQ(Children(Child(tree->GetPupilsItem(), 1)),
              (std::vector<std::string>{"Kid2 Mr Smith (7B)"}));
    EXPECT_EQ(Children(tree->GetPresentationsItem()).size(), 1u);
}

TEST_F(EventTree, FormsDifferingOnlyInCaseAreSeparateGroups) {
    school.AddFamily("Mr Case", {"7b", "7B"});
    tree->RebuildTree();
    EXPECT_EQ(Children(tree->GetPupilsItem()),
              (std::vector<std::string>{"Form 10A", "Form 7B", "Form 7b", "Form 8C",
                                        "No form specified"}));
    EXPECT_EQ(Children(Child(tree->GetPupilsItem(), 1)).size(), 2u);
}

TEST_F(EventTree, WithoutAnEventOrInPreviewItShowsEmptyBranches) {
    tree->SetEvent(nullptr);
    EXPECT_EQ(Children(tree->GetRootItem()),
              (std::vector<std::string>{"0 teachers", "0 parents", "0 pupils", "0 presentations"}));
    EXPECT_EQ(tree->GetChildrenCount(tree->GetRootItem(), true), 4u);
    EXPECT_EQ(tree->GetSelectedParent(), nullptr);

    auto* preview = new RecordingTree(TopWindow(), std::make_shared<Event>(), true);
    EXPECT_EQ(ToUtf8(preview->GetItemText(preview->GetRootItem())), "Proposed Additions");
    EXPECT_EQ(Children(preview->GetRootItem()),
              (std::vector<std::string>{"0 teachers", "0 parents", "0 pupils", "0 presentations"}));
}

TEST_F(EventTree, RebuildKeepsBranchesExpandedAndReturnsToTheRoot) {
    tree->Expand(tree->GetParentsItem());
    tree->Expand(Child(tree->GetParentsItem(), 0));
    tree->SelectItem(Child(tree->GetParentsItem(), 0));
    tree->RebuildTree();
    EXPECT_TRUE(tree->IsExpanded(tree->GetParentsItem()));
    EXPECT_FALSE(tree->IsExpanded(tree->GetTeachersItem()));
    EXPECT_FALSE(tree->IsExpanded(Child(tree->GetParentsItem(), 0)));
    EXPECT_EQ(tree->GetSelection(), tree->GetRootItem());
}

TEST_F(EventTree, SelectionQueriesAnswerByKindAndOnlyForLivingObjects) {
    tree->SelectItem(tree->GetTeachersItem());
    EXPECT_EQ(tree->GetSelectedObject(), nullptr);
    tree->SelectItem(Child(tree->GetPresentationsItem(), 0));
    EXPECT_EQ(tree->GetSelectedObject(), nullptr);
    EXPECT_NE(tree->GetSelectedPresentation(), nullptr);

    const wxTreeItemId form7B = Child(tree->GetPupilsItem(), 1);
    tree->SelectItem(form7B);
    EXPECT_EQ(tree->GetSelectedGroupName(), "Form 7B");
    EXPECT_EQ(tree->GetSelectedPupil(), nullptr);
    tree->SelectItem(Child(form7B, 0));
    EXPECT_EQ(tree->GetSelectedPupil(), smith->GetPupil(1));
    EXPECT_EQ(tree->GetSelectedParent(), smith);
    EXPECT_EQ(tree->GetSelectedGroupName(), "");

    tree->SelectItem(Child(tree->GetTeachersItem(), 0));
    EXPECT_EQ(tree->GetSelectedTeacher(), ann);
    EXPECT_EQ(tree->GetSelectedObject(), ann);
    // A teacher deleted before the window rebuilt the tree is no longer offered.
    ASSERT_TRUE(school.schedule->DeleteTeacher(ann));
    EXPECT_EQ(tree->GetSelectedTeacher(), nullptr);
    tree->RefreshAllLabels();
    RightClick(Child(tree->GetTeachersItem(), 0));
    EXPECT_EQ(tree->popups, 0);
    tree->RebuildTree();
    EXPECT_EQ(Children(tree->GetTeachersItem()), (std::vector<std::string>{"Bob Baker"}));
}

TEST_F(EventTree, RelabellingFollowsChangedNamesWithoutRebuilding) {
    ann->SetInitials("AZ");
    smith->GetPupil(0)->SetName("Renamed");
    tree->RefreshAllLabels();
    EXPECT_EQ(Children(tree->GetTeachersItem())[0], "Ann Able (AZ)");
    EXPECT_EQ(Children(Child(tree->GetParentsItem(), 0))[0], "Renamed (8C)");
    EXPECT_EQ(Children(Child(tree->GetPupilsItem(), 2))[0], "Renamed (8C)");
}

TEST_F(EventTree, ActivationOpensTheEditorOfTeachersPupilsAndPresentations) {
    Activate(Child(tree->GetTeachersItem(), 0));
    Activate(Child(tree->GetParentsItem(), 0));
    Activate(Child(Child(tree->GetParentsItem(), 0), 0));
    Activate(Child(Child(tree->GetPupilsItem(), 1), 0));
    Activate(Child(tree->GetPupilsItem(), 1));
    Activate(tree->GetParentsItem());
    Activate(tree->GetRootItem());
    Activate(Child(tree->GetPresentationsItem(), 0));
    EXPECT_EQ(frame.calls,
              (std::vector<std::string>{"teacher Ann Able", "pupil Kid1 Mr Smith",
                                        "pupil Kid2 Mr Smith", "presentation Careers"}));
    // No editor yet, or a preview: nothing opens.
    frame.missing = {CommandId::EditTeacher};
    Activate(Child(tree->GetTeachersItem(), 0));
    auto* preview = new RecordingTree(TopWindow(), school.event, true);
    wxTreeEvent event(wxEVT_TREE_ITEM_ACTIVATED, preview, Child(preview->GetTeachersItem(), 1));
    preview->SelectItem(Child(preview->GetTeachersItem(), 1));
    preview->ProcessWindowEvent(event);
    EXPECT_EQ(frame.calls.size(), 4u);
}

TEST_F(EventTree, RightClickSelectsTheItemAndShowsItsMenu) {
    using L = std::vector<std::tuple<int, std::string, bool>>;
    tree->SelectItem(Child(tree->GetParentsItem(), 0));
    RightClick(Child(tree->GetTeachersItem(), 0));
    EXPECT_EQ(tree->GetSelectedTeacher(), ann);
    EXPECT_EQ(tree->shown.size(), 7u);
    EXPECT_TRUE(std::get<2>(tree->shown[3]));

    school.event->SetLocked(true);
    RightClick(Child(tree->GetTeachersItem(), 0));
    EXPECT_EQ(std::get<0>(tree->shown[3]), WxId(CommandId::DeleteTeacher));
    EXPECT_FALSE(std::get<2>(tree->shown[3]));
    RightClick(Child(tree->GetPupilsItem(), 1));
    EXPECT_EQ(tree->shown, (L{{68, "Book Form Appointment", false}}));
    RightClick(tree->GetPresentationsItem());
    EXPECT_EQ(tree->shown, (L{{4, "&Add Presentation", true}}));

    const int shownSoFar = tree->popups;
    for (const wxTreeItemId& item : {tree->GetRootItem(), tree->GetTeachersItem(),
                                     tree->GetParentsItem(), tree->GetPupilsItem()}) {
        RightClick(item);
    }
    EXPECT_EQ(tree->popups, shownSoFar);

    auto* preview = new RecordingTree(TopWindow(), school.event, true);
    wxTreeEvent event(wxEVT_TREE_ITEM_RIGHT_CLICK, preview, preview->GetPresentationsItem());
    preview->ProcessWindowEvent(event);
    EXPECT_EQ(preview->popups, 0);
}

// A tree whose popup picks a command the way GTK delivers the choice: to the menu, then to the
// window it popped up over.
class ChoosingTree : public EventTreeCtrl {
public:
    using EventTreeCtrl::EventTreeCtrl;
    CommandId pick = CommandId::None;

protected:
    void ShowPopup(wxMenu& menu, const wxPoint&) override {
        menu.SetInvokingWindow(this);
        menu.SendEvent(WxId(pick));
        menu.SetInvokingWindow(nullptr);
    }
};

// Runs the commands as the window does, rebuilding the tree after each (which frees its items);
// when the tree's popup reaches it through the window, as the menu bar's commands do.
class RebuildingFrame : public RecordingFrame {
public:
    EventTreeCtrl* tree = nullptr;
    bool RunCommand(CommandId id, const Selection& selection, wxWindow* parent) override {
        ran.push_back(id);
        tree->RebuildTree();
        (void)selection;
        (void)parent;
        return true;
    }
};

// The control's own mouse and key handling reads the item it reported once our handler returns,
// so a command that rebuilds the tree waits until that handling is over (valgrind shows the
// freed item read otherwise).
class EventTreeHandling : public GuiTest {};

TEST_F(EventTreeHandling, CommandsFromTheControlsOwnHandlingRunAfterIt) {
    OverviewSchool school;
    school.AddTeacher("Ann Able", "AB");
    school.AddTeacher("Bob Baker");
    RebuildingFrame frame;
    frame.schedule = school.schedule.get();
    auto* window = new wxFrame(nullptr, wxID_ANY, "Tree");
    window->Bind(wxEVT_MENU, [&frame](wxCommandEvent& chosen) {
        frame.RunCommand(CommandOfWxId(chosen.GetId()), *frame.tree, nullptr);
    });
    auto* tree = new ChoosingTree(window, school.event, false);
    frame.tree = tree;
    tree->pick = CommandId::DeleteTeacher;
    window->SetClientSize(400, 400);
    window->Show();
    tree->Expand(tree->GetTeachersItem());
    ProcessPending();

    struct Case {
        const char* name;
        std::function<void(const wxPoint&)> send;
        CommandId expected;
    };
    const std::vector<Case> cases = {
        {"right click then Delete Teacher from the popup",
         [tree](const wxPoint& at) {
             wxMouseEvent down(wxEVT_RIGHT_DOWN);
             down.SetPosition(at);
             down.SetEventObject(tree);
             tree->ProcessWindowEvent(down);
         },
         CommandId::DeleteTeacher},
        {"double click opens the editor",
         [tree](const wxPoint& at) {
             wxMouseEvent click(wxEVT_LEFT_DCLICK);
             click.SetPosition(at);
             click.SetEventObject(tree);
             tree->ProcessWindowEvent(click);
         },
         CommandId::EditTeacher},
        {"Enter opens the editor",
         [tree](const wxPoint&) {
             wxKeyEvent enter(wxEVT_CHAR);
             enter.m_keyCode = WXK_RETURN;
             enter.SetEventObject(tree);
             tree->ProcessWindowEvent(enter);
         },
         CommandId::EditTeacher},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        frame.ran.clear();
        wxTreeItemIdValue cookie;
        const wxTreeItemId item = tree->GetFirstChild(tree->GetTeachersItem(), cookie);
        ASSERT_TRUE(item.IsOk());
        tree->SelectItem(item);
        wxRect bounds;
        ASSERT_TRUE(tree->GetBoundingRect(item, bounds, true));
        c.send(bounds.GetPosition() + wxPoint(2, bounds.GetHeight() / 2));
        EXPECT_TRUE(frame.ran.empty());
        ProcessPending();
        EXPECT_EQ(frame.ran, std::vector<CommandId>{c.expected});
    }
    window->Destroy();
    ProcessPending();
}

TEST_F(EventTree, IncrementalAdditionsAppendAndRecount) {
    auto parent = std::make_unique<Parent>("Mr New");
    auto pupil = std::make_unique<Pupil>("Newbie");
    pupil->SetForm("7B");
    Pupil* newbie = pupil.get();
    parent->AddPupil(std::move(pupil));
    Parent* added = parent.get();
    ASSERT_TRUE(school.schedule->AddParent(std::move(parent)));
    tree->AddParent(added);
    EXPECT_EQ(Children(tree->GetParentsItem()).back(), "Mr New");
    EXPECT_EQ(ToUtf8(tree->GetItemText(tree->GetParentsItem())), "5 parents");
    EXPECT_EQ(Children(Child(tree->GetPupilsItem(), 1)).back(), "Newbie (7B)");
    tree->AddPupil(added, newbie);
    EXPECT_EQ(Children(Child(tree->GetParentsItem(), 4)).size(), 2u);
}

}  // namespace
