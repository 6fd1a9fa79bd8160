#include "gui/people/appt_check_box.h"

#include <wx/sizer.h>
#include <wx/stattext.h>

#include "gui/dialogs/dpi_scope.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/time_entry.h"
#include "gui/people/appt_edits.h"
#include "gui/people/people_edits.h"
#include "model/attendee.h"
#include "model/event.h"
#include "model/schedule.h"

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

wxSize RowControlSize(int designWidth) {
    const double factor = DPIScope::GetDPIScaleFactor();
    return wxSize(ScaleWidth(designWidth, factor), DPIScope::GetScaledFontHeight() + 10);
}

void AttendanceRow::Create(wxWindow* parent, wxSizer* sizer, Schedule* day) {
    day_ = day;
    leave_ = new TimeEntryCombo(parent, RowControlSize(100), day, true);
    arrive_ = new TimeEntryCombo(parent, RowControlSize(100), day);
    canAttend_ =
        new wxCheckBox(parent, wxID_ANY, "Can attend", wxDefaultPosition, RowControlSize(100));
    late_ = new wxCheckBox(parent, wxID_ANY, "Arrives late at:");
    early_ = new wxCheckBox(parent, wxID_ANY, "Leaves early at:");
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxStaticText(parent, wxID_ANY, FromUtf8(day->GetDate().FormatLong() + ":")), 0,
             wxALIGN_CENTER_VERTICAL, 0);
    row->Add(canAttend_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 5);
    row->Add(late_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 5);
    row->Add(arrive_, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 5);
    row->Add(early_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 5);
    row->Add(leave_, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 5);
    sizer->Add(row, 0, wxALIGN_CENTER | wxLEFT | wxRIGHT, 5);
}

void AttendanceRow::Load(const Attendee* person) {
    if (person == nullptr || day_ == nullptr) {
        return;
    }
    const DayAttendance values = ReadDayAttendance(*person, *day_);
    canAttend_->SetValue(values.attending);
    late_->SetValue(values.arrivesLate);
    early_->SetValue(values.leavesEarly);
    leave_->SetTime(values.departure);
    arrive_->SetTime(values.arrival);
    UpdateEnabled();
}

bool AttendanceRow::IsLocked() const {
    return day_ != nullptr && day_->GetEvent() && day_->GetEvent()->IsLocked();
}

void AttendanceRow::Save(Attendee* person) {
    if (person == nullptr || day_ == nullptr || IsLocked()) {
        return;
    }
    DayAttendance values;
    values.attending = canAttend_->GetValue();
    values.arrivesLate = late_->GetValue();
    values.leavesEarly = early_->GetValue();
    values.arrival = arrive_->GetTime();
    values.departure = leave_->GetTime();
    StoreDayAttendance(*person, *day_, values);
}

void AttendanceRow::UpdateEnabled() {
    // A final timetable's bookings rest on everybody's times: an absence would contradict them.
    if (IsLocked()) {
        Enable(false);
        return;
    }
    const bool attending = canAttend_->GetValue();
    late_->Enable(attending);
    early_->Enable(attending);
    arrive_->Enable(attending && late_->GetValue());
    leave_->Enable(attending && early_->GetValue());
}

void AttendanceRow::Enable(bool enable) {
    leave_->Enable(enable);
    arrive_->Enable(enable);
    canAttend_->Enable(enable);
    late_->Enable(enable);
    early_->Enable(enable);
}
