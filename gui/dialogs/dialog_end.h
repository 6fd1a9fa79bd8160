#pragma once

#include <wx/dialog.h>

// Ends a dialog that finishes its own work (a run with a progress display) with that code,
// whether it was shown modal or, as in tests, only shown.
inline void EndShownDialog(wxDialog& dialog, int code) {
    if (dialog.IsModal()) {
        dialog.EndModal(code);
    } else {
        dialog.SetReturnCode(code);
        dialog.Hide();
    }
}
