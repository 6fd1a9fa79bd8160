#include "gui/people/attendance_row.h"

#include <wx/checkbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "gui/dialogs/dpi_scope.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/time_entry.h"
#include "model/attendee.h"
#include "model/schedule.h"

// The appointment editors fix everything on a locked event and open a time only for someone
// attending who is late or leaves early; the teacher's editor opens the times by their boxes
// alone; the parents' editor opens everything, and a lock there leaves attending free.
const AttendanceLook kAppointmentAttendance = {
    .attendingLabel = "Can attend",
    .lateLabel = "Arrives late at:",
    .earlyLabel = "Leaves early at:",
    .oneLine = true,
    .placement = wxALIGN_CENTER | wxLEFT | wxRIGHT,
    .placementBorder = 5,
    .rules = {.absenceFixesTimes = true, .boxesOpenTimes = true},
};
const AttendanceLook kTeacherAttendance = {
    .attendingLabel = "The teacher is attending",
    .lateLabel = "The teacher arrives late",
    .earlyLabel = "The teacher leaves early",
    .rules = {.boxesOpenTimes = true},
};
const AttendanceLook kParentAttendance = {
    .attendingLabel = "The parents are attending",
    .lateLabel = "The parents arrive late",
    .earlyLabel = "The parents leave early",
    .sharedBorders = true,
    .placement = wxALIGN_CENTER,
    .rules = {.lockKeepsAttending = true},
};

AttendanceEnabled EnabledAttendance(const AttendanceRules& rules, bool locked,
                                    const DayAttendance& shown) {
    AttendanceEnabled enabled;
    if (locked) {
        // A final timetable's bookings rest on everybody's times.
        enabled = {rules.lockKeepsAttending, false, false, false, false};
        return enabled;
    }
    const bool present = shown.attending || !rules.absenceFixesTimes;
    enabled.late = present;
    enabled.early = present;
    enabled.arrival = present && (shown.arrivesLate || !rules.boxesOpenTimes);
    enabled.departure = present && (shown.leavesEarly || !rules.boxesOpenTimes);
    return enabled;
}

wxSize RowControlSize(int designWidth) {
    const double factor = DPIScope::GetDPIScaleFactor();
    return wxSize(ScaleWidth(designWidth, factor), DPIScope::GetScaledFontHeight() + 10);
}

void AttendanceRow::Create(wxWindow* parent, wxSizer* sizer, Schedule* day,
                           const AttendanceLook& look) {
    look_ = &look;
    day_ = day;
    if (look.oneLine) {
        BuildLine(parent, sizer);
    } else {
        BuildRows(parent, sizer);
    }
    // A click on a box opens or closes the controls it governs; the editor hears it too.
    for (wxCheckBox* box : {attending_, late_, early_}) {
        box->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent& event) {
            event.Skip();
            UpdateEnabled();
        });
    }
}

void AttendanceRow::BuildLine(wxWindow* parent, wxSizer* sizer) {
    departure_ = new TimeEntryCombo(parent, RowControlSize(100), day_, true);
    arrival_ = new TimeEntryCombo(parent, RowControlSize(100), day_);
    attending_ = new wxCheckBox(parent, wxID_ANY, look_->attendingLabel, wxDefaultPosition,
                                RowControlSize(100));
    late_ = new wxCheckBox(parent, wxID_ANY, look_->lateLabel);
    early_ = new wxCheckBox(parent, wxID_ANY, look_->earlyLabel);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxStaticText(parent, wxID_ANY, FromUtf8(day_->GetDate().FormatLong() + ":")), 0,
             wxALIGN_CENTER_VERTICAL, 0);
    row->Add(attending_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 5);
    row->Add(late_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 5);
    row->Add(arrival_, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 5);
    row->Add(early_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 5);
    row->Add(departure_, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 5);
    sizer->Add(row, 0, look_->placement, look_->placementBorder);
}

void AttendanceRow::BuildRows(wxWindow* parent, wxSizer* sizer) {
    attending_ = new wxCheckBox(parent, wxID_ANY, look_->attendingLabel);
    late_ = new wxCheckBox(parent, wxID_ANY, look_->lateLabel);
    early_ = new wxCheckBox(parent, wxID_ANY, look_->earlyLabel);
    arrival_ = new TimeEntryCombo(parent, RowControlSize(100), day_);
    // The day's end reads back as a time: an early departure stored there is shown as it is.
    departure_ = new TimeEntryCombo(parent, RowControlSize(100), day_, true);
    auto* grid = new wxFlexGridSizer(3, 0, 0);
    wxWindow* cells[3][3] = {
        {attending_, new wxStaticText(parent, wxID_ANY, ""),
         new wxStaticText(parent, wxID_ANY, "")},
        {late_, new wxStaticText(parent, wxID_ANY, "Arrival time:"), arrival_},
        {early_, new wxStaticText(parent, wxID_ANY, "Departure time:"), departure_}};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            int sides = wxALL;
            if (look_->sharedBorders) {
                sides = r < 2 ? (c == 0 ? wxALL : wxRIGHT | wxTOP | wxBOTTOM)
                              : (c == 0 ? wxLEFT | wxRIGHT | wxBOTTOM : wxRIGHT | wxBOTTOM);
            }
            grid->Add(cells[r][c], 0, wxALIGN_CENTER_VERTICAL | sides, 5);
        }
    }
    sizer->Add(grid, 0, look_->placement, look_->placementBorder);
}

void AttendanceRow::Show(const DayAttendance& values) {
    attending_->SetValue(values.attending);
    late_->SetValue(values.arrivesLate);
    early_->SetValue(values.leavesEarly);
    departure_->SetTime(values.departure);
    arrival_->SetTime(values.arrival);
    UpdateEnabled();
}

void AttendanceRow::Load(const Attendee* person) {
    if (person != nullptr && day_ != nullptr) {
        Show(ReadDayAttendance(*person, *day_));
    }
}

void AttendanceRow::ShowDay(Schedule* day, const Attendee* person) {
    day_ = day;
    if (day_ == nullptr) {
        return;
    }
    // The lists are refilled for the day before its times are chosen in them.
    departure_->SetSchedule(day_);
    arrival_->SetSchedule(day_);
    Load(person);
}

DayAttendance AttendanceRow::Read() const {
    DayAttendance values;
    values.attending = attending_->GetValue();
    values.arrivesLate = late_->GetValue();
    values.arrival = arrival_->GetTime();
    values.leavesEarly = early_->GetValue();
    values.departure = departure_->GetTime();
    return values;
}

bool AttendanceRow::Save(Attendee* person) const {
    if (person == nullptr || day_ == nullptr || (locked_ && !look_->rules.lockKeepsAttending)) {
        return true;
    }
    DayAttendance values = Read();
    if (locked_) {
        // What the lock fixes nobody could change here, so the record keeps it as it is.
        DayAttendance kept = ReadDayAttendance(*person, *day_);
        kept.attending = values.attending;
        values = kept;
    }
    return WriteDayAttendance(*person, *day_, values);
}

void AttendanceRow::SetLocked(bool locked) {
    locked_ = locked;
    UpdateEnabled();
}

void AttendanceRow::UpdateEnabled() {
    const AttendanceEnabled enabled = EnabledAttendance(look_->rules, locked_, Read());
    attending_->Enable(enabled.attending);
    late_->Enable(enabled.late);
    early_->Enable(enabled.early);
    arrival_->Enable(enabled.arrival);
    departure_->Enable(enabled.departure);
}

void AttendanceRow::Enable(bool enable) {
    for (wxWindow* control :
         std::initializer_list<wxWindow*>{departure_, arrival_, attending_, late_, early_}) {
        control->Enable(enable);
    }
}
