#include "import/wx/import_priority_dlg.h"

#include <wx/combobox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "gui/dialogs/prompt_service.h"

namespace {
const char* const kPriorityNames[] = {"Low", "Normal", "High"};
}

int PriorityFromChoice(const std::string& text, int current) {
    for (int priority = 0; priority < 3; ++priority) {
        if (text == kPriorityNames[priority]) {
            return priority;
        }
    }
    return current;
}

ImportPTPrioDlg::ImportPTPrioDlg(wxWindow* parent) : OKCancelDlg(parent, "Appointment Priority") {
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxStaticText(this, wxID_ANY, "Priority for the imported requests:"), 0,
             wxALL | wxALIGN_CENTER_VERTICAL, 5);
    wxArrayString names;
    for (const char* name : kPriorityNames) {
        names.Add(name);
    }
    choice_ = new wxComboBox(this, wxID_ANY, "Normal", wxDefaultPosition, ScaledSize(400), names,
                             wxCB_DROPDOWN | wxCB_READONLY);
    choice_->SetSelection(1);
    row->Add(choice_, 0, wxALL | wxALIGN_CENTER_VERTICAL, 5);
    GetMainSizer()->Add(row, 0, 0, 0);
    AddOKCancelButtons();
    Centre(wxBOTH);
}

bool ImportPTPrioDlg::TransferDataFromWindow() {
    priority_ = PriorityFromChoice(ToUtf8(choice_->GetValue()), priority_);
    return true;
}
