#include "import/wx/import_preview_tree.h"

#include <wx/treectrl.h>

#include "gui/dialogs/prompt_service.h"
#include "model/event.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"

namespace {

ImportPreviewTreeFactory& Factory() {
    static ImportPreviewTreeFactory factory;
    return factory;
}

class PlainPreviewTree : public wxTreeCtrl, public ImportPreviewTree {
public:
    PlainPreviewTree(wxWindow* parent, std::shared_ptr<Event> event)
        : wxTreeCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTR_DEFAULT_STYLE),
          event_(std::move(event)) {
        RebuildTree();
    }

    wxWindow* GetWindow() override { return this; }

    void RebuildTree() override {
        Freeze();
        DeleteAllItems();
        const wxTreeItemId root = AddRoot("Proposed Additions");
        const TeacherList& teachers = event_->GetTeachers();
        if (teachers.Count() > 0) {
            const wxTreeItemId group = AppendItem(root, "Teachers");
            for (unsigned i = 0; i < teachers.Count(); ++i) {
                const Teacher* teacher = teachers.At(i);
                std::string label = teacher->GetName();
                if (!teacher->GetInitials().empty()) {
                    label += " (" + teacher->GetInitials() + ")";
                }
                AppendItem(group, FromUtf8(label));
            }
            Expand(group);
        }
        const ParentList& parents = event_->GetParents();
        if (parents.Count() > 0) {
            const wxTreeItemId group = AppendItem(root, "Parents");
            for (unsigned i = 0; i < parents.Count(); ++i) {
                const Parent* parent = parents.At(i);
                const wxTreeItemId item = AppendItem(group, FromUtf8(parent->GetName()));
                for (unsigned p = 0; p < parent->GetPupilCount(); ++p) {
                    AppendItem(item, FromUtf8(parent->GetPupil(p)->GetName()));
                }
            }
            Expand(group);
        }
        Expand(root);
        Thaw();
    }

private:
    std::shared_ptr<Event> event_;
};

}  // namespace

void SetImportPreviewTreeFactory(ImportPreviewTreeFactory factory) {
    Factory() = std::move(factory);
}

ImportPreviewTree* CreateImportPreviewTree(wxWindow* parent, std::shared_ptr<Event> event) {
    if (Factory()) {
        return Factory()(parent, std::move(event));
    }
    return new PlainPreviewTree(parent, std::move(event));
}
