#pragma once

#include <memory>

#include "gui/dialogs/day_select_dlg.h"
#include "gui/people/edit_mode.h"

class Event;
class Presentation;
class TimeEntryCombo;
class wxCommandEvent;
class wxStaticText;
class wxTextCtrl;

// A new presentation's title, location, day and times, or an existing one's title and location
// with its day, times and attendance shown.
class PresentationDlg : public DaySelectDlg {
public:
    PresentationDlg(wxWindow* parent, EditMode mode, Presentation* presentation,
                    MultiDaySchedule* days);

    bool TransferDataFromWindow() override;
    void UpdateAttendanceCounts();

    wxTextCtrl* GetTitleText() const { return title_; }
    wxTextCtrl* GetLocationText() const { return location_; }
    TimeEntryCombo* GetStartCombo() const { return start_; }
    TimeEntryCombo* GetEndCombo() const { return end_; }
    // Null for a new presentation.
    wxStaticText* GetCountText(int which) const { return counts_[which]; }

protected:
    void SaveDayValues() override {}
    void LoadDayValues() override;

private:
    bool editing_;
    Presentation* presentation_;
    std::shared_ptr<Event> event_;
    wxTextCtrl* title_ = nullptr;
    wxTextCtrl* location_ = nullptr;
    wxStaticText* counts_[3] = {};
    TimeEntryCombo* start_ = nullptr;
    TimeEntryCombo* end_ = nullptr;
};
