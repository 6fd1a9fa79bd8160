#pragma once

#include <wx/treectrl.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "gui/main/popup_menus.h"
#include "gui/main/schedule_views.h"

class Event;
class Parent;
class Person;
class Presentation;
class Pupil;
class Teacher;
class UCCollectable;

// The data of a person's or presentation's item (the object, owned by the event), or of a form
// group (no object; its label kept as the name).
class TreeObjectData : public wxTreeItemData {
public:
    TreeObjectData(UCCollectable* object, std::string name)
        : object_(object), name_(std::move(name)) {}

    UCCollectable* GetObject() const { return object_; }
    const std::string& GetName() const { return name_; }
    // The object when it is a teacher, parent or pupil.
    Person* GetPerson() const;

private:
    UCCollectable* object_;
    std::string name_;
};

// "Form 7B", or "No form specified".
std::string FormGroupLabel(const std::string& form);
// The display name, " (initials)" for a teacher, " (count)" for a parent without exactly one
// pupil.
std::string MakeItemLabel(const Person& person);

// The tree of the event's teachers, parents with their pupils, pupils by form and
// presentations. It is only a view: the window rebuilds it after every change that adds or
// removes people, and its selection queries answer only for objects the event still holds.
// In preview mode (an import's proposed additions) it opens nothing and shows no menus.
class EventTreeCtrl : public wxTreeCtrl, public EventTreeView {
public:
    EventTreeCtrl(wxWindow* parent, std::shared_ptr<Event> event, bool previewMode);

    // EventTreeView
    wxWindow* GetWindow() override { return this; }
    void SetEvent(std::shared_ptr<Event> event) override;
    void RebuildTree() override;
    void RefreshItemTexts() override { RefreshAllLabels(); }

    void RefreshAllLabels();
    void AddTeacher(Teacher* teacher);
    void AddParent(Parent* parent);
    void AddPupil(Parent* parent, Pupil* pupil);

    // Teacher, parent or pupil; null for anything else.
    Person* GetSelectedObject() const override;
    Teacher* GetSelectedTeacher() const override;
    // A pupil's parent when a pupil is selected.
    Parent* GetSelectedParent() const override;
    Pupil* GetSelectedPupil() const override;
    Presentation* GetSelectedPresentation() const override;
    // A selected form group's label; empty otherwise.
    std::string GetSelectedGroupName() const override;

    wxTreeItemId GetTeachersItem() const { return teachers_; }
    wxTreeItemId GetParentsItem() const { return parents_; }
    wxTreeItemId GetPupilsItem() const { return pupils_; }
    wxTreeItemId GetPresentationsItem() const { return presentations_; }
    bool IsPreview() const { return preview_; }

    // What the item is, for its menu.
    TreeItemKind KindOf(const wxTreeItemId& item) const;
    // The item's menu as it would be shown now.
    PopupMenuTable MenuFor(const wxTreeItemId& item) const;

    void OnItemActivated(wxTreeEvent& event);
    void OnItemRightClick(wxTreeEvent& event);

protected:
    int OnCompareItems(const wxTreeItemId& a, const wxTreeItemId& b) override;
    // Modal on GTK: tests replace it.
    virtual void ShowPopup(wxMenu& menu, const wxPoint& at);

private:
    // Runs the window's command on the tree's selection once the control's handling is over.
    void RunAfterHandling(CommandId id);
    // The selection's object, provided the event still holds it.
    UCCollectable* SelectedLiveObject() const;
    bool EventHolds(const UCCollectable* object) const;
    wxTreeItemId AppendObject(const wxTreeItemId& under, UCCollectable* object,
                              const std::string& label);
    wxTreeItemId AppendParentItem(Parent* parent);
    void AddPupilToForm(Pupil* pupil);
    void RelabelChildren(const wxTreeItemId& item,
                         const std::unordered_set<const UCCollectable*>& live);
    void Relabel(const wxTreeItemId& item, const std::string& label);
    // Every person and presentation the event holds now.
    std::unordered_set<const UCCollectable*> LiveObjects() const;
    void UpdatePeopleCounts();

    std::shared_ptr<Event> event_;
    // The form groups made since the last rebuild, by label.
    std::unordered_map<std::string, wxTreeItemId> formGroups_;
    wxTreeItemId root_;
    wxTreeItemId teachers_;
    wxTreeItemId parents_;
    wxTreeItemId pupils_;
    wxTreeItemId presentations_;
    bool preview_;
};
