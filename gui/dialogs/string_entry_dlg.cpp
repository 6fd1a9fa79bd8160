#include "gui/dialogs/string_entry_dlg.h"

#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "gui/dialogs/prompt_service.h"

StringEntryDlg::StringEntryDlg(wxWindow* parent, const std::string& title,
                               const std::string& prompt)
    : OKCancelDlg(parent, title) {
    auto* label = new wxStaticText(this, wxID_ANY, FromUtf8(prompt));
    GetMainSizer()->Add(label, 0, wxLEFT | wxRIGHT | wxTOP, 5);
    text_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, ScaledSize(300), 0);
    GetMainSizer()->Add(text_, 0, wxALL, 5);
    AddOKCancelButtons();
    CentreOnParent(wxBOTH);
}

std::string StringEntryDlg::GetValue() const {
    return EnteredText(text_->GetValue());
}
