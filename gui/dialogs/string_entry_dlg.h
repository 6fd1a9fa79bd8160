#pragma once

#include <string>

#include "gui/dialogs/ok_cancel_dlg.h"

class wxTextCtrl;

// Asks for one line of text under a prompt.
class StringEntryDlg : public OKCancelDlg {
public:
    StringEntryDlg(wxWindow* parent, const std::string& title, const std::string& prompt);

    // As typed, blanks included, without control bytes: it names a thing of the event.
    std::string GetValue() const;
    wxTextCtrl* GetTextBox() const { return text_; }

private:
    wxTextCtrl* text_;
};
