#pragma once

#include "foundation/time_of_day.h"
#include "gui/dialogs/day_select_dlg.h"

class TimeEntryCombo;
class wxTextCtrl;

// The day, time, length and random offset of a break for every teacher; the caller applies it.
class TeacherBreakDlg : public DaySelectDlg {
public:
    TeacherBreakDlg(wxWindow* parent, MultiDaySchedule* days);

    TimeOfDay GetBreakTime() const;
    int GetBreakLength() const;
    int GetRandomOffset() const;

    TimeEntryCombo* GetTimeCombo() const { return time_; }
    wxTextCtrl* GetLengthText() const { return length_; }
    wxTextCtrl* GetOffsetText() const { return offset_; }

    // A length of no slots would add nothing: refused with a message, the dialog stays open.
    bool TransferDataFromWindow() override;

protected:
    void SaveDayValues() override {}
    void LoadDayValues() override;

private:
    TimeEntryCombo* time_;
    wxTextCtrl* offset_;
    wxTextCtrl* length_;
};
