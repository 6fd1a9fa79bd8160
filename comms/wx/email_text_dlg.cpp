#include "comms/wx/email_text_dlg.h"

#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "gui/dialogs/prompt_service.h"
#include "model/event.h"

EmailTextDlg::EmailTextDlg(wxWindow* parent, std::shared_ptr<Event> event, EmailTextKind kind,
                           EmailRecipientRole role)
    : OKCancelDlg(parent, "Email Text"), event_(std::move(event)), kind_(kind), role_(role) {
    help_ = new wxStaticText(this, wxID_ANY,
                             wxControl::EscapeMnemonics(
                                 FromUtf8(EmailDialogLogic::EmailTextHelp(kind, role))));
    std::string current;
    if (event_) {
        current = role == EmailToPupil    ? event_->GetPupilEmailText(kind)
                  : role == EmailToTeacher ? event_->GetTeacherEmailText(kind)
                                           : event_->GetParentEmailText(kind);
    }
    textField_ = new wxTextCtrl(this, wxID_ANY, FromUtf8(current), wxDefaultPosition,
                                wxSize(700, 200), wxTE_MULTILINE);
    GetMainSizer()->Add(help_, 0, wxALL, 5);
    GetMainSizer()->Add(textField_, 1, wxALL | wxEXPAND, 5);
    AddOKCancelButtons();
}

bool EmailTextDlg::TransferDataFromWindow() {
    text_ = EnteredText(textField_->GetValue());
    if (!event_) {
        return false;
    }
    switch (role_) {
        case EmailToPupil:
            return event_->SetPupilEmailText(kind_, text_);
        case EmailToTeacher:
            return event_->SetTeacherEmailText(kind_, text_);
        default:
            return event_->SetParentEmailText(kind_, text_);
    }
}
