#include "gui/dialogs/modal_dialog_tracker.h"

ModalDialogTracker& ModalDialogTracker::Instance() {
    static ModalDialogTracker* tracker = [] {
        auto* made = new ModalDialogTracker;
        made->Register();
        return made;
    }();
    return *tracker;
}
