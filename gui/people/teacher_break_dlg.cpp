#include "gui/people/teacher_break_dlg.h"

#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/time_entry.h"
#include "gui/people/people_edits.h"

TeacherBreakDlg::TeacherBreakDlg(wxWindow* parent, MultiDaySchedule* days)
    : DaySelectDlg(parent, "Enter Teacher Breaks", days) {
    time_ = new TimeEntryCombo(this, ScaledSize(100), GetCurrentDay());
    auto* grid = new wxFlexGridSizer(2, 0, 0);
    GetMainSizer()->Add(
        new wxStaticText(this, wxID_ANY, "'Random Offset' will pick a random break time up "), 0,
        wxALL, 5);
    GetMainSizer()->Add(
        new wxStaticText(this, wxID_ANY, "to that many appointment slots after the given time."), 0,
        wxLEFT | wxRIGHT | wxBOTTOM, 5);
    GetMainSizer()->Add(
        new wxStaticText(this, wxID_ANY, "Leave it at zero to specify an exact time."), 0,
        wxLEFT | wxRIGHT | wxBOTTOM, 5);
    offset_ = new wxTextCtrl(this, wxID_ANY, "0", wxDefaultPosition, ScaledSize(100), 0);
    length_ = new wxTextCtrl(this, wxID_ANY, "1", wxDefaultPosition, ScaledSize(100), 0);
    auto addRow = [&](const char* label, wxObject* item) {
        grid->Add(new wxStaticText(this, wxID_ANY, label), 0,
                  wxALIGN_CENTER_VERTICAL | wxRIGHT | wxBOTTOM, 5);
        if (auto* sizer = dynamic_cast<wxSizer*>(item)) {
            grid->Add(sizer, 0, wxRIGHT | wxBOTTOM, 5);
        } else {
            grid->Add(static_cast<wxWindow*>(item), 0, wxRIGHT | wxBOTTOM, 5);
        }
    };
    if (wxSizer* selector = CreateDaySelector(30)) {
        addRow("Break date:", selector);
        UpdateDaySelector();
    }
    addRow("Break time:", time_);
    addRow("Break length (slots):", length_);
    addRow("Random Offset (slots):", offset_);
    GetMainSizer()->Add(grid, 0, wxLEFT, 5);
    AddOKCancelButtons();
    Centre(wxBOTH);
}

TimeOfDay TeacherBreakDlg::GetBreakTime() const {
    return time_->GetTime();
}

int TeacherBreakDlg::GetBreakLength() const {
    return ReadLeadingInt(EnteredText(length_->GetValue()));
}

int TeacherBreakDlg::GetRandomOffset() const {
    return ReadLeadingInt(EnteredText(offset_->GetValue()));
}

bool TeacherBreakDlg::TransferDataFromWindow() {
    if (GetBreakLength() < 1) {
        ReportMessage(SeverityError,
                      "Invalid break length - please enter a number greater than zero");
        return false;
    }
    return true;
}

void TeacherBreakDlg::LoadDayValues() {
    time_->SetSchedule(GetCurrentDay());
}
