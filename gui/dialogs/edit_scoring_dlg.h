#pragma once

#include <array>
#include <memory>

#include "app/event_times.h"
#include "gui/dialogs/ok_cancel_dlg.h"

class Event;
class wxCheckBox;
class wxCommandEvent;
class wxTextCtrl;

// How the optimiser judges a timetable: the waiting and busy limits in minutes (kept in slots)
// and the scoring switches, among them the two score comparisons saved with the event.
class EditScoringDlg : public OKCancelDlg {
public:
    enum Switch {
        TeacherCountBreaks,
        TeacherCountInitGap,
        ParentCountInitGap,
        BringTwinsTogether,
        CompareUnbooked,
        CompareAttendance,
        kSwitchCount
    };

    EditScoringDlg(wxWindow* parent, std::shared_ptr<Event> event);

    // The whole OK: the three limits in order, then the switches; false writes nothing.
    bool TransferDataFromWindow() override;

    wxTextCtrl* GetTeacherWaitBox() const { return teacherWait_; }
    wxTextCtrl* GetParentWaitBox() const { return parentWait_; }
    wxTextCtrl* GetTeacherBusyBox() const { return teacherBusy_; }
    wxCheckBox* GetSwitchBox(Switch which) const { return switches_[which]; }

private:
    std::shared_ptr<Event> event_;
    ScoringLimitTexts shown_;
    wxTextCtrl* teacherWait_;
    wxTextCtrl* parentWait_;
    wxTextCtrl* teacherBusy_;
    std::array<wxCheckBox*, kSwitchCount> switches_{};
};
