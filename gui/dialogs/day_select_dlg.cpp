#include "gui/dialogs/day_select_dlg.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "foundation/date.h"
#include "gui/dialogs/prompt_service.h"
#include "model/multi_day_schedule.h"

DaySelectDlg::DaySelectDlg(wxWindow* parent, const std::string& title, MultiDaySchedule* days)
    : OKCancelDlg(parent, title), days_(days) {
    currentDay_ = days_ ? days_->GetDay(0) : nullptr;
    Bind(wxEVT_BUTTON, &DaySelectDlg::OnPreviousDay, this, WxId(Id::PreviousDay));
    Bind(wxEVT_BUTTON, &DaySelectDlg::OnNextDay, this, WxId(Id::NextDay));
}

int DaySelectDlg::DayCount() const {
    return days_ ? static_cast<int>(days_->GetDayCount()) : 0;
}

wxSizer* DaySelectDlg::CreateDaySelector(int buttonWidth) {
    if (DayCount() < 2) {
        return nullptr;
    }
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    dayLabel_ = new wxStaticText(this, wxID_ANY, wxEmptyString);
    previous_ = new wxButton(this, WxId(Id::PreviousDay), "< Previous Day", wxDefaultPosition,
                             ScaledSize(buttonWidth), 0);
    next_ = new wxButton(this, WxId(Id::NextDay), "Next Day >", wxDefaultPosition,
                         ScaledSize(buttonWidth), 0);
    // A narrow design width would hide the label on GTK: a button is never narrower than its text.
    for (wxButton* button : {previous_, next_}) {
        button->SetMinSize(wxSize(std::max(button->GetMinSize().x, button->GetBestSize().x),
                                  button->GetMinSize().y));
    }
    row->Add(previous_, 0, 0, 0);
    row->Add(dayLabel_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 5);
    row->Add(next_, 0, wxLEFT, 5);
    return row;
}

void DaySelectDlg::AddDaySelector() {
    if (wxSizer* row = CreateDaySelector(120)) {
        GetMainSizer()->Add(row, 0, wxALIGN_CENTER | wxTOP, 5);
        UpdateDaySelector();
    }
}

void DaySelectDlg::UpdateDaySelector() {
    currentDay_ = days_ ? days_->GetDay(static_cast<unsigned>(dayIndex_)) : nullptr;
    if (previous_) {
        previous_->Enable(dayIndex_ > 0);
    }
    if (next_) {
        next_->Enable(dayIndex_ + 1 < DayCount());
    }
    if (dayLabel_ && currentDay_) {
        dayLabel_->SetLabel(FromUtf8(currentDay_->GetDate().FormatLong()));
        // The date's width varies with the font; keep the buttons around it in place.
        Layout();
    }
}

void DaySelectDlg::SelectDate(const Date& date) {
    unsigned index = 0;
    if (days_ && days_->FindDayIndex(date, &index)) {
        dayIndex_ = static_cast<int>(index);
        UpdateDaySelector();
    }
}

void DaySelectDlg::OnPreviousDay(wxCommandEvent&) {
    SaveDayValues();
    if (dayIndex_ > 0) {
        --dayIndex_;
    }
    UpdateDaySelector();
    LoadDayValues();
}

void DaySelectDlg::OnNextDay(wxCommandEvent&) {
    SaveDayValues();
    if (dayIndex_ + 1 < DayCount()) {
        ++dayIndex_;
    }
    UpdateDaySelector();
    LoadDayValues();
}
