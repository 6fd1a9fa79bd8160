#pragma once

#include <memory>
#include <string>

#include "comms/wx/email_dialog_logic.h"
#include "gui/dialogs/ok_cancel_dlg.h"

class Event;
class wxStaticText;
class wxTextCtrl;

// Edits one of the event's e-mail texts and explains the words that are filled in. The event
// refuses a text that lacks a word it needs; the dialog then stays open with the text as typed.
class EmailTextDlg : public OKCancelDlg {
public:
    EmailTextDlg(wxWindow* parent, std::shared_ptr<Event> event, EmailTextKind kind,
                 EmailRecipientRole role);

    bool TransferDataFromWindow() override;

    wxTextCtrl* GetTextField() const { return textField_; }
    wxStaticText* GetHelp() const { return help_; }

private:
    std::shared_ptr<Event> event_;
    EmailTextKind kind_;
    EmailRecipientRole role_;
    wxStaticText* help_;
    wxTextCtrl* textField_;
    std::string text_;
};
