#include "gui/dialogs/time_entry.h"

#include <wx/sizer.h>
#include <wx/stattext.h>

#include "app/event_times.h"
#include "gui/dialogs/prompt_service.h"
#include "model/multi_day_schedule.h"
#include "model/schedule.h"

TimeEntryCombo::TimeEntryCombo(wxWindow* parent, const wxSize& size, Schedule* day, bool withEnd)
    : withEnd_(withEnd) {
    Create(parent, wxID_ANY, wxEmptyString, wxDefaultPosition, size, 0, nullptr,
           wxCB_READONLY | wxCB_DROPDOWN, wxDefaultValidator, wxComboBoxNameStr);
    SetSchedule(day);
}

void TimeEntryCombo::SetSchedule(Schedule* day) {
    day_ = day;
    Clear();
    if (day_) {
        for (const TimeOfDay& time : DayTimeChoices(*day_, withEnd_)) {
            Append(FromUtf8(time.Format(Time12h)));
        }
    }
    SelectFirst();
}

void TimeEntryCombo::SelectFirst() {
    // GTK asserts on selecting in an empty list.
    if (GetCount() > 0) {
        SetSelection(0);
    }
}

TimeOfDay TimeEntryCombo::GetTime() const {
    if (!day_) {
        return TimeOfDay();
    }
    return FindDayTimeChoice(*day_, ToUtf8(GetValue()), withEnd_).value_or(TimeOfDay());
}

DateTime TimeEntryCombo::GetDateTime() const {
    return day_ ? DateTime(day_->GetDate(), GetTime()) : DateTime();
}

void TimeEntryCombo::SetTime(const TimeOfDay& time) {
    const int index = FindString(FromUtf8(time.Format(Time12h)), true);
    if (index != wxNOT_FOUND) {
        SetSelection(index);
    }
}

void TimeEntryCombo::RemoveTime(const TimeOfDay& time) {
    const int index = FindString(FromUtf8(time.Format(Time12h)), false);
    if (index != wxNOT_FOUND) {
        Delete(static_cast<unsigned>(index));
    }
    SelectFirst();
}

TimeEntryDlg::TimeEntryDlg(wxWindow* parent, const std::string& title, const std::string& prompt,
                           MultiDaySchedule* days)
    : DaySelectDlg(parent, title, days) {
    auto* promptText = new wxStaticText(this, wxID_ANY, FromUtf8(prompt));
    GetMainSizer()->Add(promptText, 0, wxLEFT | wxRIGHT | wxTOP, 5);
    auto* grid = new wxFlexGridSizer(2, 5, 5);
    combo_ = new TimeEntryCombo(this, ScaledSize(100), GetCurrentDay());
    if (wxSizer* selector = CreateDaySelector(100)) {
        grid->Add(new wxStaticText(this, wxID_ANY, "Date:"), 0, wxALIGN_CENTER_VERTICAL, 0);
        grid->Add(selector, 0, 0, 0);
        UpdateDaySelector();
    }
    grid->Add(new wxStaticText(this, wxID_ANY, "Time:"), 0, wxALIGN_CENTER_VERTICAL, 0);
    grid->Add(combo_, 0, 0, 0);
    GetMainSizer()->Add(grid, 0, wxALL, 5);
    AddOKCancelButtons();
    Centre(wxBOTH);
}

void TimeEntryDlg::ExcludeTime(const DateTime& when) {
    excluded_.insert(when);
    const Schedule* day = GetCurrentDay();
    if (day && when.GetDate() == day->GetDate()) {
        combo_->RemoveTime(when.GetTime());
    }
}

void TimeEntryDlg::LoadDayValues() {
    Schedule* day = GetCurrentDay();
    combo_->SetSchedule(day);
    if (!day) {
        return;
    }
    for (const DateTime& when : excluded_) {
        if (when.GetDate() == day->GetDate()) {
            combo_->RemoveTime(when.GetTime());
        }
    }
}
