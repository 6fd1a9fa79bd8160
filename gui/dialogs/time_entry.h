#pragma once

#include <wx/combobox.h>

#include <set>
#include <string>
#include <vector>

#include "foundation/date_time.h"
#include "foundation/time_of_day.h"
#include "gui/dialogs/day_select_dlg.h"

class MultiDaySchedule;
class Schedule;

// A read-only choice of one day's slot start times ("6:00pm"); times are chosen, never typed.
// Only times that read back are offered: every whole slot and, for an end time, the day's end.
class TimeEntryCombo : public wxComboBox {
public:
    TimeEntryCombo(wxWindow* parent, const wxSize& size, Schedule* day, bool withEnd = false);

    // Refills the list for the day and selects its first entry.
    void SetSchedule(Schedule* day);
    Schedule* GetSchedule() const { return day_; }
    // The chosen time; midnight when nothing is chosen.
    TimeOfDay GetTime() const;
    // The day's date with the chosen time; an unset date without a day.
    DateTime GetDateTime() const;
    // Shows that time. One of the day's hours that no slot starts at (an imported 19:07) joins
    // the list until the next SetTime or day, so that it reads back as it is; a time outside the
    // day's hours leaves the choice as it was.
    void SetTime(const TimeOfDay& time);
    // Takes that time out of the list when it is there, then selects the first entry.
    void RemoveTime(const TimeOfDay& time);

private:
    void SelectFirst();
    void DropStoredTime();

    Schedule* day_ = nullptr;
    bool withEnd_;
    // The entries' times, in list order: read by place, so that two entries alike in text (a
    // time with seconds) each give their own.
    std::vector<TimeOfDay> times_;
    int storedEntry_ = wxNOT_FOUND;
};

// Asks for one date and time of the event, optionally without some date-times.
class TimeEntryDlg : public DaySelectDlg {
public:
    TimeEntryDlg(wxWindow* parent, const std::string& title, const std::string& prompt,
                 MultiDaySchedule* days);

    TimeOfDay GetTime() const { return combo_->GetTime(); }
    DateTime GetDateTime() const { return combo_->GetDateTime(); }
    // Not offered on its day, now or after switching days.
    void ExcludeTime(const DateTime& when);
    TimeEntryCombo* GetTimeCombo() const { return combo_; }

protected:
    void SaveDayValues() override {}
    void LoadDayValues() override;

private:
    TimeEntryCombo* combo_;
    std::set<DateTime> excluded_;
};
