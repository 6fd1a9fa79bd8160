#include "comms/wx/email_settings_dlg.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include "comms/wx/email_server_dlg.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"
#include "model/event.h"
#include "model/print_settings.h"

EmailSettingsDlg::EmailSettingsDlg(wxWindow* parent, std::shared_ptr<Event> event,
                                   PrintSettings* settings, const char* prompt)
    : OKCancelDlg(parent, "Email Settings"), event_(std::move(event)), settings_(settings) {
    GetMainSizer()->Add(new wxStaticText(this, wxID_ANY, FromUtf8(prompt ? prompt : "")), 0,
                        wxALL, 5);
    auto* box = new wxStaticBoxSizer(wxVERTICAL, this, "What gets emailed");
    wxWindow* boxWindow = box->GetStaticBox();
    teachers_ = new wxCheckBox(boxWindow, wxID_ANY, "Teacher Emails");
    parents_ = new wxCheckBox(boxWindow, wxID_ANY, "Parent Emails");
    pupils_ = new wxCheckBox(boxWindow, wxID_ANY, "Pupil Emails");
    resend_ = new wxCheckBox(boxWindow, wxID_ANY, "Resend emails that have been sent previously");
    teacherBreaks_ = new wxCheckBox(boxWindow, wxID_ANY, "Include teacher breaks");
    for (wxCheckBox* check : {teachers_, parents_, pupils_, resend_, teacherBreaks_}) {
        box->Add(check, 0, wxALL, 5);
    }
    if (settings_) {
        teachers_->SetValue(settings_->GetTeachers());
        parents_->SetValue(settings_->GetParents());
        pupils_->SetValue(settings_->GetPupils());
        resend_->SetValue(settings_->GetIncludeAlreadySent());
        teacherBreaks_->SetValue(settings_->GetTeacherBreaks());
    }
    GetMainSizer()->Add(box, 0, wxALL | wxEXPAND, 5);
    GetMainSizer()->Add(new wxButton(this, WxId(Id::EditEmailServer), "Edit Email Server"), 0,
                        wxALL, 5);
    AddOKCancelButtons();
    Bind(wxEVT_BUTTON, &EmailSettingsDlg::OnEditEmailServer, this, WxId(Id::EditEmailServer));
}

bool EmailSettingsDlg::TransferDataFromWindow() {
    if (!settings_) {
        return true;
    }
    // Checked before anything is copied, so that Cancel after a refusal keeps the settings.
    if (!teachers_->GetValue() && !parents_->GetValue() && !pupils_->GetValue()) {
        ReportMessage(SeverityError,
                      "Nothing is selected for emailing, please choose the emails you wish to "
                      "send and try again");
        return false;
    }
    settings_->SetTeachers(teachers_->GetValue());
    settings_->SetParents(parents_->GetValue());
    settings_->SetPupils(pupils_->GetValue());
    settings_->SetIncludeAlreadySent(resend_->GetValue());
    settings_->SetTeacherBreaks(teacherBreaks_->GetValue());
    settings_->SetModified();
    return true;
}

void EmailSettingsDlg::OnEditEmailServer(wxCommandEvent&) {
    if (!event_) {
        return;
    }
    EmailServerSettings copy = event_->GetEmailServerSettings();
    EmailServerDlg dialog(this, &copy);
    if (dialog.ShowModal() == wxID_OK) {
        event_->SetEmailServerSettings(copy);
    }
}
