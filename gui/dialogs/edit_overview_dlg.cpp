#include "gui/dialogs/edit_overview_dlg.h"

#include <wx/button.h>
#include <wx/clrpicker.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "app/user_settings.h"

namespace {

// Deleting them lets the built-in defaults apply again.
constexpr const char* kColourKeys[] = {"colourbookedoklo",  "colourbookedok",  "colourbookedokhi",
                                       "colourbookedbadlo", "colourbookedbad", "colourbookedbadhi",
                                       "colourtbusy",       "colourtbreak",    "colourabsent",
                                       "colourtwingaplo",   "colourtwingap",   "colourtwingaphi",
                                       "colourpresentation"};

}  // namespace

EditOverviewDlg::EditOverviewDlg(wxWindow* parent, UserSettings* settings)
    : OKCancelDlg(parent, "Edit Overview Appearance"), settings_(settings) {
    auto picker = [this] {
        return new wxColourPickerCtrl(this, wxID_ANY, *wxBLACK, wxDefaultPosition, wxDefaultSize,
                                      0);
    };
    // Creation order is the tab order: the grid's rows, high to low.
    for (wxColourPickerCtrl** family : {bookedOK_, twinGap_, bookedBad_}) {
        for (int level = 2; level >= 0; --level) {
            family[level] = picker();
        }
    }
    teacherBusy_ = picker();
    teacherBreak_ = picker();
    presentation_ = picker();
    absent_ = picker();
    reset_ =
        new wxButton(this, WxId(Id::Reset), "Reset to default", wxDefaultPosition, wxSize(150, 30));

    auto* grid = new wxFlexGridSizer(4, 5, 5);
    auto label = [this](const char* text) { return new wxStaticText(this, wxID_ANY, text); };
    grid->Add(label("Priority:"));
    for (const char* column : {"High", "Normal", "Low"}) {
        grid->Add(label(column), 0, wxALIGN_CENTER_HORIZONTAL);
    }
    auto levelRow = [&](const char* text, wxColourPickerCtrl** family) {
        grid->Add(label(text), 0, wxALIGN_CENTER_VERTICAL);
        for (int level = 2; level >= 0; --level) {
            grid->Add(family[level]);
        }
    };
    auto singleRow = [&](const char* text, wxColourPickerCtrl* single) {
        grid->Add(label(text), 0, wxALIGN_CENTER_VERTICAL);
        grid->Add(label(""));
        grid->Add(single);
        grid->Add(label(""));
    };
    levelRow("Booked OK:", bookedOK_);
    levelRow("Booked with sibling gap:", twinGap_);
    levelRow("Booked with wait:", bookedBad_);
    singleRow("Teacher busy too long:", teacherBusy_);
    singleRow("Teacher break:", teacherBreak_);
    singleRow("Absent:", absent_);
    singleRow("Presentation:", presentation_);
    GetMainSizer()->Add(grid, 0, wxALL | wxALIGN_CENTER_HORIZONTAL, 5);
    GetMainSizer()->Add(reset_, 0, wxLEFT | wxRIGHT | wxTOP | wxALIGN_LEFT, 5);
    AddOKCancelButtons();

    Bind(wxEVT_BUTTON, &EditOverviewDlg::OnResetToDefault, this, WxId(Id::Reset));
    LoadColours();
}

void EditOverviewDlg::LoadColours() {
    if (settings_ == nullptr) {
        return;
    }
    for (int level = 2; level >= 0; --level) {
        ShowColour(bookedOK_[level], settings_->GetColourBookedOK(level));
    }
    for (int level = 2; level >= 0; --level) {
        ShowColour(bookedBad_[level], settings_->GetColourBookedBad(level));
    }
    ShowColour(teacherBusy_, settings_->GetColourTeacherBusy());
    ShowColour(teacherBreak_, settings_->GetColourTeacherBreak());
    for (int level = 2; level >= 0; --level) {
        ShowColour(twinGap_[level], settings_->GetColourTwinGap(level));
    }
    ShowColour(absent_, settings_->GetColourAbsent());
    ShowColour(presentation_, settings_->GetColourPresentation());
}

void EditOverviewDlg::ShowColour(wxColourPickerCtrl* picker, const Colour& colour) {
    SetPickerColour(picker, colour);
    shown_[picker] = GetPickerColour(picker).ToHex();
}

bool EditOverviewDlg::IsChanged(wxColourPickerCtrl* picker) const {
    const auto found = shown_.find(picker);
    return found == shown_.end() || found->second != GetPickerColour(picker).ToHex();
}

void EditOverviewDlg::SetPickerColour(wxColourPickerCtrl* picker, const Colour& colour) {
    picker->SetColour(wxColour(colour.Red(), colour.Green(), colour.Blue(), wxALPHA_OPAQUE));
}

Colour EditOverviewDlg::GetPickerColour(wxColourPickerCtrl* picker) {
    const wxColour colour = picker->GetColour();
    return Colour(colour.Red(), colour.Green(), colour.Blue());
}

void EditOverviewDlg::OnResetToDefault(wxCommandEvent&) {
    if (settings_ != nullptr) {
        const UserSettings::WriteHold oneWrite(*settings_);
        for (const char* key : kColourKeys) {
            settings_->Delete(key);
        }
    }
    LoadColours();
}

bool EditOverviewDlg::TransferDataFromWindow() {
    if (settings_ != nullptr) {
        const UserSettings::WriteHold oneWrite(*settings_);
        for (int level = 2; level >= 0; --level) {
            if (IsChanged(bookedOK_[level])) {
                settings_->SetColourBookedOK(level, GetPickerColour(bookedOK_[level]));
            }
        }
        for (int level = 2; level >= 0; --level) {
            if (IsChanged(bookedBad_[level])) {
                settings_->SetColourBookedBad(level, GetPickerColour(bookedBad_[level]));
            }
        }
        if (IsChanged(teacherBusy_)) {
            settings_->SetColourTeacherBusy(GetPickerColour(teacherBusy_));
        }
        if (IsChanged(teacherBreak_)) {
            settings_->SetColourTeacherBreak(GetPickerColour(teacherBreak_));
        }
        for (int level = 2; level >= 0; --level) {
            if (IsChanged(twinGap_[level])) {
                settings_->SetColourTwinGap(level, GetPickerColour(twinGap_[level]));
            }
        }
        if (IsChanged(absent_)) {
            settings_->SetColourAbsent(GetPickerColour(absent_));
        }
        if (IsChanged(presentation_)) {
            settings_->SetColourPresentation(GetPickerColour(presentation_));
        }
    }
    return true;
}
