#include "gui/main/qm_file_drop_target.h"

#include <wx/window.h>

#include "gui/dialogs/modal_dialog_tracker.h"

bool QMFileDropTarget::OnDropFiles(wxCoord, wxCoord, const wxArrayString& names) {
    if (!window_ || !open_ || names.size() != 1 ||
        ModalDialogTracker::Instance().IsModalDialogOpen()) {
        return false;
    }
    // The drag source waits for this answer: questions and loading come after it.
    window_->CallAfter([open = open_, name = names[0]] {
        // A dialog opened meanwhile owns the window: the drop lapses rather than load under it.
        if (!ModalDialogTracker::Instance().IsModalDialogOpen()) {
            open(name);
        }
    });
    return true;
}
