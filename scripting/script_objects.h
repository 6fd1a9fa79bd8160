#pragma once

#include <unordered_map>

class Event;
class UCCollectable;
class UCXMLNode;

// The classes of object a script can hold.
enum class ScriptObjectKind { Teacher, Parent, Pupil, Presentation, XMLNode, XMLTag, XMLBodyText };

// A pointer a script handed back, once it is known to be a live object of that kind.
struct ScriptObject {
    ScriptObjectKind kind;
    void* pointer;
    UCCollectable* AsCollectable() const;
};

// Scripts hold objects as bare pointers, which outlive the objects they name and can be forged
// (the host itself, a deleted teacher). This is the set of objects that are alive right now: the
// open event's people and presentations, listed afresh whenever the event may have changed, and
// the XML trees the host keeps for its whole life. Only pointers found here are ever used.
class ScriptObjects {
public:
    // The next lookup lists the event again.
    void MarkModelStale() { modelStale_ = true; }
    // Keeps every component of the tree until the host goes; the host owns the tree.
    void AddXMLTree(const UCXMLNode* tree);
    // False when the pointer names no live object (of the event, when given, or of the XML trees).
    bool Find(const void* pointer, const Event* event, ScriptObject* out);

private:
    void ListEvent(const Event* event);
    void AddXMLNode(const UCXMLNode* node);

    std::unordered_map<const void*, ScriptObjectKind> model_;
    std::unordered_map<const void*, ScriptObjectKind> xml_;
    const Event* listedEvent_ = nullptr;
    bool modelStale_ = true;
};
