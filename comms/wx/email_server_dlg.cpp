#include "comms/wx/email_server_dlg.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/hyperlink.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "comms/wx/email_dialog_logic.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"

namespace {

constexpr const char* kLessSecureAppsHelp = "https://support.google.com/accounts/answer/6010255";

}  // namespace

EmailServerDlg::EmailServerDlg(wxWindow* parent, EmailServerSettings* settings)
    : OKCancelDlg(parent, "Email Server Settings"), settings_(settings) {
    auto* providerBox = new wxStaticBoxSizer(wxVERTICAL, this, "Email provider");
    wxWindow* boxWindow = providerBox->GetStaticBox();
    custom_ = new wxRadioButton(boxWindow, wxID_ANY, "Custom", wxDefaultPosition, wxDefaultSize,
                                wxRB_GROUP);
    gmail_ = new wxRadioButton(boxWindow, wxID_ANY, "Google GMail");
    office365_ = new wxRadioButton(boxWindow, wxID_ANY, "Microsoft Office365");
    link_ = new wxHyperlinkCtrl(boxWindow, wxID_ANY,
                                "Gmail needs the 'less secure apps' option enabled, click for "
                                "details",
                                kLessSecureAppsHelp);
    for (wxWindow* control : std::initializer_list<wxWindow*>{custom_, gmail_, office365_, link_}) {
        providerBox->Add(control, 0, wxALL, 5);
    }
    GetMainSizer()->Add(providerBox, 0, wxALL | wxEXPAND, 5);

    auto* grid = new wxFlexGridSizer(0, 2, 0, 0);
    const wxSize fieldSize = ScaledSize(400);
    auto addRow = [&](const char* label, wxWindow* control) {
        grid->Add(new wxStaticText(this, wxID_ANY, label), 0, wxALL | wxALIGN_CENTER_VERTICAL, 5);
        grid->Add(control, 0, wxALL | wxALIGN_CENTER_VERTICAL, 5);
    };
    from_ = new wxTextCtrl(this, wxID_ANY, FromUtf8(settings->GetFromAddress()), wxDefaultPosition,
                           fieldSize);
    server_ = new wxTextCtrl(this, wxID_ANY, FromUtf8(settings->GetServer()), wxDefaultPosition,
                             fieldSize);
    shownPort_ = std::to_string(settings->GetPort());
    port_ = new wxTextCtrl(this, wxID_ANY, FromUtf8(shownPort_), wxDefaultPosition, fieldSize);
    const wxString types[] = {"Plain SMTP (unencrypted)", "SMTP over TLS (encrypted)",
                              "SMTP over SSL (encrypted)"};
    connection_ = new wxChoice(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, 3, types);
    const int type = settings->GetConnectionType();
    connection_->SetSelection(type >= 0 && type <= 2 ? type : 0);
    addRow("Email 'from' address:", from_);
    addRow("Email server:", server_);
    addRow("Port number:", port_);
    addRow("Network connection type:", connection_);
    GetMainSizer()->Add(grid, 0, wxALL, 5);

    needsAuth_ = new wxCheckBox(this, wxID_ANY, "Email server needs a username and password");
    verify_ = new wxCheckBox(this, wxID_ANY, "Verify email server's identity");
    debug_ = new wxCheckBox(this, wxID_ANY, "Produce a debug report (not usually needed)");
    needsAuth_->SetValue(settings->GetNeedsAuth());
    verify_->SetValue(settings->GetVerifyServer());
    debug_->SetValue(settings->GetDebugReport());
    for (wxCheckBox* box : {needsAuth_, verify_, debug_}) {
        GetMainSizer()->Add(box, 0, wxALL, 5);
    }
    AddOKCancelButtons();

    if (wxRadioButton* stored = GetProviderButton(settings->GetProvider())) {
        stored->SetValue(true);
    }
    ApplyProvider();
    Bind(wxEVT_RADIOBUTTON, &EmailServerDlg::OnProviderRadio, this);
}

wxRadioButton* EmailServerDlg::GetProviderButton(EmailProvider provider) const {
    switch (provider) {
        case EmailProviderCustom:
            return custom_;
        case EmailProviderGMail:
            return gmail_;
        case EmailProviderOffice365:
            return office365_;
    }
    return nullptr;
}

EmailProvider EmailServerDlg::GetSelectedProvider() const {
    if (gmail_->GetValue()) {
        return EmailProviderGMail;
    }
    return office365_->GetValue() ? EmailProviderOffice365 : EmailProviderCustom;
}

void EmailServerDlg::OnProviderRadio(wxCommandEvent&) {
    ApplyProvider();
}

void EmailServerDlg::ApplyProvider() {
    EmailServerSettings preset;
    const EmailProvider provider = GetSelectedProvider();
    preset.SetProvider(provider);
    const bool custom = provider == EmailProviderCustom;
    if (!custom) {
        server_->ChangeValue(FromUtf8(preset.GetServer()));
        port_->ChangeValue(wxString::Format("%d", preset.GetPort()));
        connection_->SetSelection(preset.GetConnectionType());
        needsAuth_->SetValue(true);
        verify_->SetValue(true);
    }
    for (wxWindow* control : std::initializer_list<wxWindow*>{server_, port_, connection_,
                                                              needsAuth_, verify_}) {
        control->Enable(custom);
    }
}

bool EmailServerDlg::TransferDataFromWindow() {
    const std::string from = EnteredText(from_->GetValue());
    const std::string portText = EnteredText(port_->GetValue());
    const std::string refusal = EmailDialogLogic::CheckServerFields(from, portText, shownPort_);
    if (!refusal.empty()) {
        ReportMessage(SeverityError, refusal);
        return false;
    }
    settings_->SetServer(EnteredText(server_->GetValue()));
    settings_->SetPort(std::atoi(portText.c_str()));
    settings_->SetConnectionType(static_cast<SMTPConnectionType>(connection_->GetSelection()));
    settings_->SetNeedsAuth(needsAuth_->GetValue());
    settings_->SetVerifyServer(verify_->GetValue());
    settings_->SetDebugReport(debug_->GetValue());
    settings_->SetFromAddress(from);
    // Last, so that a preset's own values win over what its locked fields show.
    settings_->SetProvider(GetSelectedProvider());
    return true;
}
