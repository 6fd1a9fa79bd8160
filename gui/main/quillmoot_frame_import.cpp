#include "gui/main/event_tree_ctrl.h"
#include "gui/main/frame_commands.h"
#include "gui/main/quillmoot_frame.h"
#include "import/wx/import_commands.h"
#include "import/wx/import_preview_tree.h"

namespace {

// The import dialog shows its proposed additions in the event tree's preview form.
class PreviewEventTree : public EventTreeCtrl, public ImportPreviewTree {
public:
    PreviewEventTree(wxWindow* parent, std::shared_ptr<Event> event)
        : EventTreeCtrl(parent, std::move(event), true) {}
    wxWindow* GetWindow() override { return this; }
    void RebuildTree() override { EventTreeCtrl::RebuildTree(); }
};

}  // namespace

void QuillmootFrame::BindImportCommands() {
    SetImportPreviewTreeFactory([](wxWindow* parent, std::shared_ptr<Event> event) {
        return new PreviewEventTree(parent, std::move(event));
    });
    for (PeopleImport who : {PeopleImport::Teachers, PeopleImport::Pupils}) {
        BindCommand(who == PeopleImport::Teachers ? ID_IMPORT_TEACHERS : ID_IMPORT_PUPILS,
                    [this, who] {
                        // Whoever moved stays in the event even when a later person was refused.
                        ImportPeople(this, controller_, who);
                    });
    }
    for (ImporterPTCSV::ListKind list : {ImporterPTCSV::RequestList, ImporterPTCSV::TaughtByList}) {
        BindCommand(
            list == ImporterPTCSV::RequestList ? ID_IMPORT_REQUEST_LIST : ID_IMPORT_TAUGHT_BY_LIST,
            [this, list] { ImportRequestList(this, controller_, list); });
    }
}
