#include "gui/support/unexpected_dialog_hook.h"

#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/msgdlg.h>

int UnexpectedDialogHook::Enter(wxDialog* dialog) {
    wxString text = dialog->GetTitle();
    int answer = wxID_CANCEL;
    if (auto* box = dynamic_cast<wxMessageDialogBase*>(dialog)) {
        text += ": " + box->GetMessage();
        const long style = box->GetMessageDialogStyle();
        if (!(style & wxCANCEL)) {
            answer = (style & wxYES_NO) ? wxID_NO : wxID_OK;
        }
    }
    ADD_FAILURE() << "Unexpected modal dialog '" << text.utf8_str() << "'";
    return answer;
}
