#include "gui/main/event_tree_ctrl.h"

#include <wx/menu.h>
#include <wx/wupdlock.h>

#include <unordered_set>

#include "gui/dialogs/prompt_service.h"
#include "gui/main/frame_actions.h"
#include "gui/main/frame_commands.h"
#include "model/event.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/teacher.h"

namespace {

bool IsKind(const UCCollectable* object, PersonKind kind) {
    const auto* person = dynamic_cast<const Person*>(object);
    return person != nullptr && person->GetKind() == kind;
}

bool IsPresentation(const UCCollectable* object) {
    return dynamic_cast<const Presentation*>(object) != nullptr;
}

std::string CountLabel(unsigned count, const char* what) {
    return std::to_string(count) + " " + what;
}

}  // namespace

Person* TreeObjectData::GetPerson() const {
    auto* person = dynamic_cast<Person*>(object_);
    if (person == nullptr) {
        return nullptr;
    }
    switch (person->GetKind()) {
        case PersonKind::Teacher:
        case PersonKind::Parent:
        case PersonKind::Pupil:
            return person;
        default:
            return nullptr;
    }
}

std::string FormGroupLabel(const std::string& form) {
    return form.empty() ? "No form specified" : "Form " + form;
}

std::string MakeItemLabel(const Person& person) {
    std::string label = person.GetDisplayName();
    if (person.GetKind() == PersonKind::Teacher) {
        const std::string& initials = static_cast<const Teacher&>(person).GetInitials();
        if (!initials.empty()) {
            label += " (" + initials + ")";
        }
    } else if (person.GetKind() == PersonKind::Parent) {
        const unsigned pupils = static_cast<const Parent&>(person).GetPupilCount();
        if (pupils != 1) {
            label += " (" + std::to_string(pupils) + ")";
        }
    }
    return label;
}

EventTreeCtrl::EventTreeCtrl(wxWindow* parent, std::shared_ptr<Event> event, bool previewMode)
    : wxTreeCtrl(parent, wxID_ANY), event_(std::move(event)), preview_(previewMode) {
    root_ = AddRoot(previewMode ? "Proposed Additions" : "Current Event");
    teachers_ = AppendItem(root_, "Teachers");
    parents_ = AppendItem(root_, "Parents");
    pupils_ = AppendItem(root_, "Pupils");
    presentations_ = AppendItem(root_, "Presentations");
    Expand(root_);
    Bind(wxEVT_TREE_ITEM_ACTIVATED, &EventTreeCtrl::OnItemActivated, this);
    Bind(wxEVT_TREE_ITEM_RIGHT_CLICK, &EventTreeCtrl::OnItemRightClick, this);
    RebuildTree();
}

void EventTreeCtrl::SetEvent(std::shared_ptr<Event> event) {
    event_.reset();
    event_ = std::move(event);
    RebuildTree();
}

void EventTreeCtrl::RebuildTree() {
    // Thousands of items: one redraw at the end.
    wxWindowUpdateLocker freeze(this);
    SelectItem(root_);
    const wxTreeItemId branches[] = {teachers_, parents_, pupils_, presentations_};
    bool expanded[4];
    for (int i = 0; i < 4; ++i) {
        expanded[i] = IsExpanded(branches[i]);
        DeleteChildren(branches[i]);
        Collapse(branches[i]);
    }
    formGroups_.clear();
    UpdatePeopleCounts();
    const unsigned presentationCount = event_ ? event_->GetPresentations().Count() : 0;
    SetItemText(presentations_, CountLabel(presentationCount, "presentations"));
    if (event_) {
        const TeacherList& teachers = event_->GetTeachers();
        for (unsigned i = 0; i < teachers.Count(); ++i) {
            AppendObject(teachers_, teachers.Get(i), MakeItemLabel(*teachers.Get(i)));
        }
        const ParentList& parents = event_->GetParents();
        for (unsigned i = 0; i < parents.Count(); ++i) {
            AppendParentItem(parents.Get(i));
        }
        const PresentationList& presentations = event_->GetPresentations();
        for (unsigned i = 0; i < presentations.Count(); ++i) {
            Presentation* presentation = presentations.GetPresentation(i);
            AppendObject(presentations_, presentation, presentation->GetDescription());
        }
    }
    SortChildren(pupils_);
    wxTreeItemIdValue cookie;
    for (wxTreeItemId group = GetFirstChild(pupils_, cookie); group.IsOk();
         group = GetNextChild(pupils_, cookie)) {
        SortChildren(group);
    }
    // Every item was made with its label; setting it again measures the text a second time.
    for (int i = 0; i < 4; ++i) {
        if (expanded[i]) {
            Expand(branches[i]);
        }
    }
}

void EventTreeCtrl::UpdatePeopleCounts() {
    SetItemText(teachers_, CountLabel(event_ ? event_->GetTeachers().Count() : 0, "teachers"));
    SetItemText(parents_, CountLabel(event_ ? event_->GetParents().Count() : 0, "parents"));
    SetItemText(pupils_, CountLabel(event_ ? event_->GetParents().GetPupilCount() : 0, "pupils"));
}

wxTreeItemId EventTreeCtrl::AppendObject(const wxTreeItemId& under, UCCollectable* object,
                                         const std::string& label) {
    return AppendItem(under, FromUtf8(label), -1, -1, new TreeObjectData(object, ""));
}

wxTreeItemId EventTreeCtrl::AppendParentItem(Parent* parent) {
    const wxTreeItemId item = AppendObject(parents_, parent, MakeItemLabel(*parent));
    for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
        Pupil* pupil = parent->GetPupil(k);
        AppendObject(item, pupil, MakeItemLabel(*pupil));
        AddPupilToForm(pupil);
    }
    return item;
}

void EventTreeCtrl::AddPupilToForm(Pupil* pupil) {
    const std::string label = FormGroupLabel(pupil->GetForm());
    // Groups by their exact label, as the tree holds them: asking the tree's items for their
    // texts converts and copies every group's label for every pupil.
    auto known = formGroups_.find(label);
    if (known == formGroups_.end()) {
        const wxString text = FromUtf8(label);
        wxTreeItemId group;
        wxTreeItemIdValue cookie;
        for (wxTreeItemId child = GetFirstChild(pupils_, cookie); child.IsOk();
             child = GetNextChild(pupils_, cookie)) {
            if (GetItemText(child) == text) {
                group = child;
                break;
            }
        }
        if (!group.IsOk()) {
            group = AppendItem(pupils_, text, -1, -1, new TreeObjectData(nullptr, label));
        }
        known = formGroups_.emplace(label, group).first;
    }
    AppendObject(known->second, pupil, MakeItemLabel(*pupil));
}

void EventTreeCtrl::AddTeacher(Teacher* teacher) {
    if (teacher == nullptr) {
        return;
    }
    AppendObject(teachers_, teacher, MakeItemLabel(*teacher));
    UpdatePeopleCounts();
}

void EventTreeCtrl::AddParent(Parent* parent) {
    if (parent == nullptr) {
        return;
    }
    AppendParentItem(parent);
    UpdatePeopleCounts();
}

void EventTreeCtrl::AddPupil(Parent* parent, Pupil* pupil) {
    if (parent == nullptr || pupil == nullptr) {
        return;
    }
    wxTreeItemIdValue cookie;
    for (wxTreeItemId item = GetFirstChild(parents_, cookie); item.IsOk();
         item = GetNextChild(parents_, cookie)) {
        auto* data = static_cast<TreeObjectData*>(GetItemData(item));
        if (data != nullptr && data->GetObject() == parent) {
            AppendObject(item, pupil, MakeItemLabel(*pupil));
            AddPupilToForm(pupil);
            UpdatePeopleCounts();
            return;
        }
    }
    AddParent(parent);
}

void EventTreeCtrl::RefreshAllLabels() {
    const std::unordered_set<const UCCollectable*> live = LiveObjects();
    for (const wxTreeItemId& branch : {teachers_, parents_, pupils_, presentations_}) {
        RelabelChildren(branch, live);
    }
}

void EventTreeCtrl::RelabelChildren(const wxTreeItemId& item,
                                    const std::unordered_set<const UCCollectable*>& live) {
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = GetFirstChild(item, cookie); child.IsOk();
         child = GetNextChild(item, cookie)) {
        auto* data = static_cast<TreeObjectData*>(GetItemData(child));
        UCCollectable* object = data ? data->GetObject() : nullptr;
        if (object != nullptr && live.count(object) == 0) {
            continue;  // gone since the last rebuild
        }
        if (Person* person = data ? data->GetPerson() : nullptr) {
            Relabel(child, MakeItemLabel(*person));
            if (person->GetKind() != PersonKind::Parent) {
                continue;
            }
        } else if (IsPresentation(object)) {
            Relabel(child, static_cast<Presentation*>(object)->GetDescription());
        }
        RelabelChildren(child, live);
    }
}

// Setting a label measures its text, so only a label that changed is set.
void EventTreeCtrl::Relabel(const wxTreeItemId& item, const std::string& label) {
    const wxString text = FromUtf8(label);
    if (GetItemText(item) != text) {
        SetItemText(item, text);
    }
}

int EventTreeCtrl::OnCompareItems(const wxTreeItemId& a, const wxTreeItemId& b) {
    auto personOf = [this](const wxTreeItemId& item) -> Person* {
        auto* data = static_cast<TreeObjectData*>(GetItemData(item));
        return data ? data->GetPerson() : nullptr;
    };
    Person* first = personOf(a);
    Person* second = personOf(b);
    if (first != nullptr && second != nullptr) {
        return first->Compare(second);
    }
    // Character code by character code, so "Form 10A" < "Form 7B" < "No form specified".
    return GetItemText(a).compare(GetItemText(b));
}

std::unordered_set<const UCCollectable*> EventTreeCtrl::LiveObjects() const {
    std::unordered_set<const UCCollectable*> live;
    if (!event_) {
        return live;
    }
    const TeacherList& teachers = event_->GetTeachers();
    for (unsigned i = 0; i < teachers.Count(); ++i) {
        live.insert(teachers.Get(i));
    }
    const ParentList& parents = event_->GetParents();
    for (unsigned i = 0; i < parents.Count(); ++i) {
        const Parent* parent = parents.Get(i);
        live.insert(parent);
        for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
            live.insert(parent->GetPupil(k));
        }
    }
    const PresentationList& presentations = event_->GetPresentations();
    for (unsigned i = 0; i < presentations.Count(); ++i) {
        live.insert(presentations.GetPresentation(i));
    }
    return live;
}

bool EventTreeCtrl::EventHolds(const UCCollectable* object) const {
    // Addresses only: an object deleted before the rebuild must not be touched.
    return object != nullptr && LiveObjects().count(object) > 0;
}

UCCollectable* EventTreeCtrl::SelectedLiveObject() const {
    const wxTreeItemId item = GetSelection();
    auto* data = item.IsOk() ? static_cast<TreeObjectData*>(GetItemData(item)) : nullptr;
    UCCollectable* object = data ? data->GetObject() : nullptr;
    return EventHolds(object) ? object : nullptr;
}

Person* EventTreeCtrl::GetSelectedObject() const {
    UCCollectable* object = SelectedLiveObject();
    return dynamic_cast<Person*>(object);
}

Teacher* EventTreeCtrl::GetSelectedTeacher() const {
    UCCollectable* object = SelectedLiveObject();
    return IsKind(object, PersonKind::Teacher) ? static_cast<Teacher*>(object) : nullptr;
}

Parent* EventTreeCtrl::GetSelectedParent() const {
    UCCollectable* object = SelectedLiveObject();
    if (IsKind(object, PersonKind::Parent)) {
        return static_cast<Parent*>(object);
    }
    if (IsKind(object, PersonKind::Pupil)) {
        const ParentList& parents = event_->GetParents();
        const int index = parents.IndexOfParentOfPupil(static_cast<Pupil*>(object));
        return index >= 0 ? parents.Get(static_cast<unsigned>(index)) : nullptr;
    }
    return nullptr;
}

Pupil* EventTreeCtrl::GetSelectedPupil() const {
    UCCollectable* object = SelectedLiveObject();
    return IsKind(object, PersonKind::Pupil) ? static_cast<Pupil*>(object) : nullptr;
}

Presentation* EventTreeCtrl::GetSelectedPresentation() const {
    UCCollectable* object = SelectedLiveObject();
    return dynamic_cast<Presentation*>(object);
}

std::string EventTreeCtrl::GetSelectedGroupName() const {
    const wxTreeItemId item = GetSelection();
    auto* data = item.IsOk() ? static_cast<TreeObjectData*>(GetItemData(item)) : nullptr;
    return data != nullptr && data->GetObject() == nullptr ? data->GetName() : std::string();
}

TreeItemKind EventTreeCtrl::KindOf(const wxTreeItemId& item) const {
    if (!item.IsOk()) {
        return TreeItemKind::Other;
    }
    if (item == root_) {
        return TreeItemKind::Root;
    }
    if (item == teachers_) {
        return TreeItemKind::TeachersBranch;
    }
    if (item == parents_) {
        return TreeItemKind::ParentsBranch;
    }
    if (item == pupils_) {
        return TreeItemKind::PupilsBranch;
    }
    if (item == presentations_) {
        return TreeItemKind::PresentationsBranch;
    }
    auto* data = static_cast<TreeObjectData*>(GetItemData(item));
    if (data == nullptr) {
        return TreeItemKind::Other;
    }
    const UCCollectable* object = data->GetObject();
    if (object == nullptr) {
        return TreeItemKind::FormGroup;
    }
    if (!EventHolds(object)) {
        return TreeItemKind::Other;
    }
    if (IsPresentation(object)) {
        return TreeItemKind::Presentation;
    }
    const auto* person = dynamic_cast<const Person*>(object);
    switch (person != nullptr ? person->GetKind() : PersonKind::Person) {
        case PersonKind::Teacher:
            return TreeItemKind::Teacher;
        case PersonKind::Parent:
            return TreeItemKind::Parent;
        case PersonKind::Pupil:
            return TreeItemKind::Pupil;
        default:
            return TreeItemKind::Other;
    }
}

PopupMenuTable EventTreeCtrl::MenuFor(const wxTreeItemId& item) const {
    FrameActions* actions = TheFrameActions();
    return TreeMenu(
        KindOf(item), actions ? actions->GetFrameState() : FrameState{},
        [actions](CommandId id) { return actions != nullptr && actions->HasCommand(id); });
}

void EventTreeCtrl::OnItemActivated(wxTreeEvent&) {
    FrameActions* actions = TheFrameActions();
    if (preview_ || actions == nullptr) {
        return;
    }
    // The editor of the selected item, as its Edit command opens it.
    CommandId edit = CommandId::None;
    if (GetSelectedTeacher() != nullptr) {
        edit = CommandId::EditTeacher;
    } else if (GetSelectedPupil() != nullptr) {
        edit = CommandId::EditPupil;
    } else if (GetSelectedPresentation() != nullptr) {
        edit = CommandId::EditPresentation;
    }
    if (edit != CommandId::None && actions->HasCommand(edit)) {
        RunAfterHandling(edit);
    }
}

// An editor or a deletion may rebuild the tree, freeing the item that the control's own mouse
// or key handling still reads once this handler returns; so the command waits until it is over.
// A tree destroyed meanwhile drops the call with its pending events.
void EventTreeCtrl::RunAfterHandling(CommandId id) {
    CallAfter([this, id] {
        if (FrameActions* actions = TheFrameActions(); actions != nullptr && !preview_) {
            actions->RunCommand(id, *this, wxGetTopLevelParent(this));
        }
    });
}

void EventTreeCtrl::OnItemRightClick(wxTreeEvent& event) {
    if (preview_) {
        return;
    }
    const wxTreeItemId item = event.GetItem();
    if (item.IsOk()) {
        SelectItem(item);
    }
    const PopupMenuTable table = MenuFor(item);
    if (table.empty()) {
        return;
    }
    std::unique_ptr<wxMenu> menu(BuildPopupMenu(table));
    CommandId chosen = CommandId::None;
    menu->Bind(wxEVT_MENU,
               [&chosen](wxCommandEvent& picked) { chosen = CommandOfWxId(picked.GetId()); });
    ShowPopup(*menu, event.GetPoint());
    if (chosen != CommandId::None) {
        RunAfterHandling(chosen);
    }
}

void EventTreeCtrl::ShowPopup(wxMenu& menu, const wxPoint& at) {
    PopupMenu(&menu, at);
}

EventTreeView* CreateEventTreePane(wxWindow* parent, std::shared_ptr<Event> event) {
    return new EventTreeCtrl(parent, std::move(event), false);
}
