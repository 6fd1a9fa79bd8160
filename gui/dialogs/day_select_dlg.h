#pragma once

#include <string>

#include "gui/dialogs/ok_cancel_dlg.h"
#include "gui/dialogs/window_id.h"

class Date;
class MultiDaySchedule;
class Schedule;
class wxButton;
class wxCommandEvent;
class wxSizer;
class wxStaticText;

// The base of dialogs that edit values kept per day of an event: a row of "< Previous Day",
// the day's date and "Next Day >" (only for events of two or more days). Before the day
// changes the derived dialog saves what its controls show; afterwards it loads the new day.
class DaySelectDlg : public OKCancelDlg {
public:
    enum class Id : int { PreviousDay = 100, NextDay = 101 };

    DaySelectDlg(wxWindow* parent, const std::string& title, MultiDaySchedule* days);

    // The selector row, not yet placed; null for an event of fewer than two days.
    wxSizer* CreateDaySelector(int buttonWidth);
    // Places a row of 120-pixel buttons in the main sizer and shows the day.
    void AddDaySelector();
    // The current day, the label and the buttons' enabling from the current index.
    void UpdateDaySelector();
    // Shows the day of that date without saving or loading values; other dates change nothing.
    void SelectDate(const Date& date);

    Schedule* GetCurrentDay() const { return currentDay_; }
    int GetCurrentDayIndex() const { return dayIndex_; }
    MultiDaySchedule* GetDays() const { return days_; }
    wxButton* GetPreviousDayButton() const { return previous_; }
    wxButton* GetNextDayButton() const { return next_; }
    wxStaticText* GetDayLabel() const { return dayLabel_; }

    void OnPreviousDay(wxCommandEvent& event);
    void OnNextDay(wxCommandEvent& event);

protected:
    virtual void SaveDayValues() = 0;
    virtual void LoadDayValues() = 0;

private:
    int DayCount() const;

    wxButton* previous_ = nullptr;
    wxButton* next_ = nullptr;
    wxStaticText* dayLabel_ = nullptr;
    MultiDaySchedule* days_;
    Schedule* currentDay_ = nullptr;
    int dayIndex_ = 0;
};
