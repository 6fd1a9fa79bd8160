#pragma once

#include <string>

#include "gui/dialogs/ok_cancel_dlg.h"
#include "model/email_server_settings.h"

class wxCheckBox;
class wxChoice;
class wxHyperlinkCtrl;
class wxRadioButton;
class wxTextCtrl;

// Chooses the SMTP server: a provider preset, whose values it shows but locks, or a custom
// server; plus the sender address and the debug report. The login is asked at send time.
class EmailServerDlg : public OKCancelDlg {
public:
    EmailServerDlg(wxWindow* parent, EmailServerSettings* settings);

    // Checks the from address, then the port; writes the settings only when both pass.
    bool TransferDataFromWindow() override;
    void OnProviderRadio(wxCommandEvent& event);
    EmailProvider GetSelectedProvider() const;

    wxRadioButton* GetProviderButton(EmailProvider provider) const;
    wxTextCtrl* GetFromField() const { return from_; }
    wxTextCtrl* GetServerField() const { return server_; }
    wxTextCtrl* GetPortField() const { return port_; }
    wxChoice* GetConnectionChoice() const { return connection_; }
    wxCheckBox* GetNeedsAuthBox() const { return needsAuth_; }
    wxCheckBox* GetVerifyBox() const { return verify_; }
    wxCheckBox* GetDebugBox() const { return debug_; }
    wxHyperlinkCtrl* GetHelpLink() const { return link_; }

private:
    void ApplyProvider();

    EmailServerSettings* settings_;
    wxRadioButton* custom_;
    wxRadioButton* gmail_;
    wxRadioButton* office365_;
    wxHyperlinkCtrl* link_;
    wxTextCtrl* from_;
    wxTextCtrl* server_;
    wxTextCtrl* port_;
    std::string shownPort_;
    wxChoice* connection_;
    wxCheckBox* needsAuth_;
    wxCheckBox* verify_;
    wxCheckBox* debug_;
};
