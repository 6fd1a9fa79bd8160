#pragma once

#include <string>

#include "gui/dialogs/ok_cancel_dlg.h"

class wxStaticText;
class wxTextCtrl;

// Asks for a login name and a password under the caller's prompt. The name field is a user
// name or an e-mail address (LoginNameKind); an address must look like one.
class LoginDlg : public OKCancelDlg {
public:
    LoginDlg(wxWindow* parent, const char* initialName, const char* initialPassword,
             const char* prompt, int nameKind);

    // Takes the fields; false, with the message reported, when the name is refused.
    bool TransferDataFromWindow() override;

    const std::string& GetLoginName() const { return name_; }
    const std::string& GetPassword() const { return password_; }
    wxTextCtrl* GetNameField() const { return nameField_; }
    wxTextCtrl* GetPasswordField() const { return passwordField_; }
    wxStaticText* GetNameLabel() const { return nameLabel_; }

private:
    wxTextCtrl* nameField_;
    wxTextCtrl* passwordField_;
    wxStaticText* nameLabel_;
    std::string name_;
    std::string password_;
    int nameKind_;
};
