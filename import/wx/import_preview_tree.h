#pragma once

#include <functional>
#include <memory>

class Event;
class wxWindow;

// The tree in which the import dialog shows the people an import proposes to add. The main
// window can supply its own event tree in preview form; otherwise a plain tree of the teachers
// and of the parents with their pupils stands in.
class ImportPreviewTree {
public:
    virtual ~ImportPreviewTree() = default;
    // The window, owned by the dialog it was made in.
    virtual wxWindow* GetWindow() = 0;
    virtual void RebuildTree() = 0;
};

using ImportPreviewTreeFactory =
    std::function<ImportPreviewTree*(wxWindow* parent, std::shared_ptr<Event> event)>;
// An empty factory puts the plain tree back.
void SetImportPreviewTreeFactory(ImportPreviewTreeFactory factory);
ImportPreviewTree* CreateImportPreviewTree(wxWindow* parent, std::shared_ptr<Event> event);
