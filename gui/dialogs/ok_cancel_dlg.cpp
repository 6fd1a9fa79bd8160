#include "gui/dialogs/ok_cancel_dlg.h"

#include <wx/button.h>
#include <wx/sizer.h>

#include <algorithm>

#include "gui/dialogs/dpi_scope.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/window_fit.h"

OKCancelDlg::OKCancelDlg(wxWindow* parent, const std::string& title, long style)
    : wxDialog(parent, wxID_ANY, FromUtf8(title), wxDefaultPosition, wxDefaultSize, style),
      mainSizer_(new wxBoxSizer(wxVERTICAL)),
      // The margin is added after scaling: it is the control's own padding, not text.
      rowHeight_(DPIScope::GetScaledFontHeight() + 10) {
    SetSizer(mainSizer_);
    mainSizer_->SetSizeHints(this);
}

wxSize OKCancelDlg::ScaledSize(int designWidth) const {
    return wxSize(ScaleWidth(designWidth, DPIScope::GetDPIScaleFactor()), rowHeight_);
}

void OKCancelDlg::AddOKCancelButtons() {
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    auto* ok = new wxButton(this, wxID_OK, "OK");
    auto* cancel = new wxButton(this, wxID_CANCEL, "Cancel");
    ok->SetDefault();
    row->Add(ok, 0, wxALL, 5);
    row->Add(cancel, 0, wxTOP | wxBOTTOM | wxRIGHT, 5);
    AddButtonRow(row);
}

void OKCancelDlg::AddCloseButton(const std::string& label) {
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    auto* close = new wxButton(this, wxID_CANCEL, FromUtf8(label));
    close->SetDefault();
    row->Add(close, 0, wxALL, 5);
    AddButtonRow(row);
}

void OKCancelDlg::AddButtonRow(wxSizer* row) {
    mainSizer_->Add(row, 0, 0, 0);
    mainSizer_->SetSizeHints(this);
}

bool OKCancelDlg::AskYesNo(const std::string& question) {
    return ::AskYesNo(this, question);
}

void OKCancelDlg::DoCentre(int direction) {
    centred_ = true;
    wxDialog::DoCentre(direction);
}

bool OKCancelDlg::Show(bool show) {
    // A grown dialog is centred again only when it chose to be centred.
    if (show && !IsShown() && FitToContents() && centred_) {
        Centre(wxBOTH);
    }
    const bool changed = wxDialog::Show(show);
    // Some controls only know their width once the theme has styled them on screen.
    if (show && changed && FitToContents() && centred_) {
        Centre(wxBOTH);
    }
    // Typing must reach a field, never press a button such as "Next Day >".
    if (show) {
        if (wxWindow* field = firstField_ ? firstField_ : FindFirstField(this)) {
            field->SetFocus();
        }
    }
    return changed;
}

bool OKCancelDlg::FitToContents() {
    if (!GrowToBestWidths(this)) {
        return false;
    }
    const wxSize before = GetSize();
    mainSizer_->SetSizeHints(this);
    // Grown, never shrunk below a size the dialog chose for itself.
    SetSize(wxSize(std::max(before.x, GetSize().x), std::max(before.y, GetSize().y)));
    Layout();
    return true;
}
