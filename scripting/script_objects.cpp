#include "scripting/script_objects.h"

#include "foundation/xml_component.h"
#include "model/event.h"
#include "model/pupil.h"

UCCollectable* ScriptObject::AsCollectable() const {
    switch (kind) {
        case ScriptObjectKind::Teacher:
            return static_cast<Teacher*>(pointer);
        case ScriptObjectKind::Parent:
            return static_cast<Parent*>(pointer);
        case ScriptObjectKind::Pupil:
            return static_cast<Pupil*>(pointer);
        case ScriptObjectKind::Presentation:
            return static_cast<Presentation*>(pointer);
        case ScriptObjectKind::XMLNode:
            return static_cast<UCXMLNode*>(pointer);
        case ScriptObjectKind::XMLTag:
            return static_cast<UCXMLTag*>(pointer);
        case ScriptObjectKind::XMLBodyText:
            return static_cast<UCXMLBodyText*>(pointer);
    }
    return nullptr;
}

void ScriptObjects::AddXMLTree(const UCXMLNode* tree) {
    if (tree != nullptr) {
        AddXMLNode(tree);
    }
}

void ScriptObjects::AddXMLNode(const UCXMLNode* node) {
    xml_[node] = ScriptObjectKind::XMLNode;
    if (node->GetTag() != nullptr) {
        xml_[node->GetTag()] = ScriptObjectKind::XMLTag;
    }
    for (unsigned i = 0; i < node->GetChildCount(); ++i) {
        const UCXMLComponent* child = node->GetChild(i);
        if (auto* nested = dynamic_cast<const UCXMLNode*>(child)) {
            AddXMLNode(nested);
        } else if (dynamic_cast<const UCXMLTag*>(child) != nullptr) {
            xml_[child] = ScriptObjectKind::XMLTag;
        } else if (dynamic_cast<const UCXMLBodyText*>(child) != nullptr) {
            xml_[child] = ScriptObjectKind::XMLBodyText;
        }
    }
}

void ScriptObjects::ListEvent(const Event* event) {
    model_.clear();
    listedEvent_ = event;
    modelStale_ = false;
    if (event == nullptr) {
        return;
    }
    for (unsigned i = 0; i < event->GetTeachers().Count(); ++i) {
        model_[event->GetTeachers().Get(i)] = ScriptObjectKind::Teacher;
    }
    for (unsigned i = 0; i < event->GetParents().Count(); ++i) {
        Parent* parent = event->GetParents().Get(i);
        model_[parent] = ScriptObjectKind::Parent;
        for (unsigned j = 0; j < parent->GetPupilCount(); ++j) {
            model_[parent->GetPupil(j)] = ScriptObjectKind::Pupil;
        }
    }
    const PresentationList& presentations = event->GetPresentations();
    for (unsigned i = 0; i < presentations.Count(); ++i) {
        model_[presentations.GetPresentation(i)] = ScriptObjectKind::Presentation;
    }
}

bool ScriptObjects::Find(const void* pointer, const Event* event, ScriptObject* out) {
    if (pointer == nullptr) {
        return false;
    }
    if (modelStale_ || event != listedEvent_) {
        ListEvent(event);
    }
    auto found = model_.find(pointer);
    if (found == model_.end()) {
        found = xml_.find(pointer);
        if (found == xml_.end()) {
            return false;
        }
    }
    out->kind = found->second;
    out->pointer = const_cast<void*>(pointer);
    return true;
}
