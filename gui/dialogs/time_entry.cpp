#include "gui/dialogs/time_entry.h"

#include <algorithm>

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
    times_.clear();
    storedEntry_ = wxNOT_FOUND;
    if (day_) {
        times_ = DayTimeChoices(*day_, withEnd_);
        for (const TimeOfDay& time : times_) {
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
    const int index = GetSelection();
    return index >= 0 && static_cast<size_t>(index) < times_.size() ? times_[index] : TimeOfDay();
}

DateTime TimeEntryCombo::GetDateTime() const {
    return day_ ? DateTime(day_->GetDate(), GetTime()) : DateTime();
}

void TimeEntryCombo::DropStoredTime() {
    if (storedEntry_ == wxNOT_FOUND) {
        return;
    }
    const bool wasChosen = GetSelection() == storedEntry_;
    Delete(static_cast<unsigned>(storedEntry_));
    times_.erase(times_.begin() + storedEntry_);
    storedEntry_ = wxNOT_FOUND;
    if (wasChosen) {
        SelectFirst();
    }
}

void TimeEntryCombo::SetTime(const TimeOfDay& time) {
    DropStoredTime();
    const auto at = std::lower_bound(times_.begin(), times_.end(), time);
    const int index = static_cast<int>(at - times_.begin());
    if (at != times_.end() && *at == time) {
        SetSelection(index);
        return;
    }
    // Showing the first slot instead would write it back on an OK that changed nothing.
    if (!day_ || time < day_->GetStartTime() || day_->GetEndTime() < time) {
        return;
    }
    times_.insert(at, time);
    Insert(FromUtf8(time.Format(Time12h)), static_cast<unsigned>(index));
    storedEntry_ = index;
    SetSelection(index);
}

void TimeEntryCombo::RemoveTime(const TimeOfDay& time) {
    const int index = FindString(FromUtf8(time.Format(Time12h)), false);
    if (index != wxNOT_FOUND) {
        if (index == storedEntry_) {
            storedEntry_ = wxNOT_FOUND;
        } else if (index < storedEntry_) {
            --storedEntry_;
        }
        Delete(static_cast<unsigned>(index));
        times_.erase(times_.begin() + index);
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
