#include "comms/wx/login_dlg.h"

#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "comms/wx/email_dialog_logic.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"

LoginDlg::LoginDlg(wxWindow* parent, const char* initialName, const char* initialPassword,
                   const char* prompt, int nameKind)
    : OKCancelDlg(parent, "Login", wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX), nameKind_(nameKind) {
    GetMainSizer()->Add(new wxStaticText(this, wxID_ANY, FromUtf8(prompt ? prompt : "")), 0,
                        wxALL, 5);
    auto* grid = new wxFlexGridSizer(0, 2, 0, 0);
    nameLabel_ = new wxStaticText(this, wxID_ANY,
                                  FromUtf8(EmailDialogLogic::LoginNameLabel(nameKind)));
    nameField_ = new wxTextCtrl(this, wxID_ANY, FromUtf8(initialName ? initialName : ""),
                                wxDefaultPosition, ScaledSize(400));
    passwordField_ =
        new wxTextCtrl(this, wxID_ANY, FromUtf8(initialPassword ? initialPassword : ""),
                       wxDefaultPosition, ScaledSize(400), wxTE_PASSWORD);
    grid->Add(nameLabel_, 0, wxALL | wxALIGN_CENTER_VERTICAL, 5);
    grid->Add(nameField_, 0, wxALL | wxALIGN_CENTER_VERTICAL, 5);
    grid->Add(new wxStaticText(this, wxID_ANY, "Password:"), 0, wxALL | wxALIGN_CENTER_VERTICAL,
              5);
    grid->Add(passwordField_, 0, wxALL | wxALIGN_CENTER_VERTICAL, 5);
    GetMainSizer()->Add(grid, 0, wxALIGN_CENTER_HORIZONTAL, 0);
    AddOKCancelButtons();
    CentreOnScreen();
    // Someone who is only asked again for the password starts typing it.
    SetFirstField(initialName && *initialName ? passwordField_ : nameField_);
}

bool LoginDlg::TransferDataFromWindow() {
    name_ = ToUtf8(nameField_->GetValue());
    password_ = ToUtf8(passwordField_->GetValue());
    const std::string refusal = EmailDialogLogic::CheckLoginName(nameKind_, name_);
    if (!refusal.empty()) {
        ReportMessage(SeverityError, refusal);
        return false;
    }
    return true;
}
