#include "gui/main/qm_file_drop_target.h"

#include "gui/dialogs/modal_dialog_tracker.h"
#include "gui/main/quillmoot_frame.h"

bool QMFileDropTarget::OnDropFiles(wxCoord, wxCoord, const wxArrayString& names) {
    if (!frame_ || names.size() != 1 || ModalDialogTracker::Instance().IsModalDialogOpen()) {
        return false;
    }
    // The drag source waits for this answer: questions and loading come after it.
    QuillmootFrame* frame = frame_;
    const wxString name = names[0];
    frame->CallAfter([frame, name] {
        // A dialog opened meanwhile owns the window: the drop lapses rather than load under it.
        if (!ModalDialogTracker::Instance().IsModalDialogOpen()) {
            frame->OpenEventFileAsked(name);
        }
    });
    return true;
}
