#include "import/wx/import_commands.h"
#include "app/qm_controller.h"
#include "gui/main/command_context.h"
#include "gui/main/event_tree_ctrl.h"
#include "gui/main/frame_commands.h"
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

const CommandFamily& ImportCommands() {
    using C = CommandId;
    using N = CommandNeeds;
    using X = const CommandContext&;
    // Whoever moved stays in the event even when a later person was refused.
    static const CommandFamily family = {
        {C::ImportTeachers, "Import &Teachers...", "Import a list of teachers", N::Loaded,
         [](X context) {
             ImportPeople(context.parent, context.controller, PeopleImport::Teachers);
         }},
        {C::ImportPupils, "Import &Pupils...", "Import a list of pupils", N::Loaded,
         [](X context) { ImportPeople(context.parent, context.controller, PeopleImport::Pupils); }},
        {C::ImportTaughtByList, "Import 'Taught &By' List from File...",
         "Import the list of which teachers teach which pupils from a file", N::Loaded,
         [](X context) {
             ImportRequestList(context.parent, context.controller, ImporterPTCSV::TaughtByList);
         }},
        {C::ImportRequestList, "Import &Request List from File...",
         "Import the list of which teachers should be seen from a file", N::Editable,
         [](X context) {
             ImportRequestList(context.parent, context.controller, ImporterPTCSV::RequestList);
         }},
    };
    return family;
}

void InstallImportPreview() {
    SetImportPreviewTreeFactory([](wxWindow* parent, std::shared_ptr<Event> event) {
        return new PreviewEventTree(parent, std::move(event));
    });
}
