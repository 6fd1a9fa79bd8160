#include "gui/people/appt_check_box.h"

#include "gui/dialogs/prompt_service.h"
#include "gui/people/appt_edits.h"

ApptCheckBox::ApptCheckBox(wxWindow* parent, const std::string& label)
    : wxCheckBox(parent, wxID_ANY, wxControl::EscapeMnemonics(FromUtf8(ApptBoxLabel(label, 1)))),
      baseLabel_(label) {
    Bind(wxEVT_CHECKBOX, &ApptCheckBox::OnCheckBox, this);
}

void ApptCheckBox::SetBaseLabel(const std::string& label, bool relayout) {
    baseLabel_ = label;
    UpdateLabel(relayout);
}

void ApptCheckBox::UpdateLabel(bool relayout) {
    SetLabel(wxControl::EscapeMnemonics(FromUtf8(ApptBoxLabel(baseLabel_, priority_))));
    Fit();
    if (relayout && GetParent() != nullptr) {
        GetParent()->Layout();
    }
}

void ApptCheckBox::OnCheckBox(wxCommandEvent& event) {
    event.Skip();
    if (!GetValue()) {
        priority_ = PriorityAfterUntick(priority_);
    }
    UpdateLabel();
}
