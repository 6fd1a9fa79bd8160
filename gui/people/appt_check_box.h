#pragma once

#include <wx/checkbox.h>

#include <string>

class Attendee;
class Schedule;
class TimeEntryCombo;
class wxSizer;

// A check box for one possible appointment request: ticked means the request exists, and the
// label's suffix shows the priority the request gets. Unticking moves the priority on, so a
// user changes a ticked request's priority by clicking it off and on again.
class ApptCheckBox : public wxCheckBox {
public:
    ApptCheckBox(wxWindow* parent, const std::string& label);

    int GetPriority() const { return priority_; }
    void SetPriority(int priority) { priority_ = priority; }
    const std::string& GetBaseLabel() const { return baseLabel_; }
    void SetBaseLabel(const std::string& label, bool relayout = true);
    // relayout false leaves the parent's layout to a caller relabelling many boxes at once.
    void UpdateLabel(bool relayout = true);

private:
    void OnCheckBox(wxCommandEvent& event);

    int priority_ = 1;
    std::string baseLabel_;
};

// The controls that edit one person's attendance on one day. The controls belong to the dialog
// window; the row only points at them.
class AttendanceRow {
public:
    void Create(wxWindow* parent, wxSizer* sizer, Schedule* day);
    void Load(const Attendee* person);
    // Nothing for null or on a locked event; a time the model refuses leaves the day whole.
    void Save(Attendee* person);
    // Everything disabled while the event is locked.
    void UpdateEnabled();
    void Enable(bool enable);

    Schedule* GetDay() const { return day_; }
    wxCheckBox* GetAttendingBox() const { return canAttend_; }
    wxCheckBox* GetLateBox() const { return late_; }
    wxCheckBox* GetEarlyBox() const { return early_; }
    TimeEntryCombo* GetArrivalCombo() const { return arrive_; }
    TimeEntryCombo* GetDepartureCombo() const { return leave_; }

private:
    bool IsLocked() const;

    TimeEntryCombo* leave_ = nullptr;
    TimeEntryCombo* arrive_ = nullptr;
    wxCheckBox* canAttend_ = nullptr;
    wxCheckBox* late_ = nullptr;
    wxCheckBox* early_ = nullptr;
    Schedule* day_ = nullptr;
};

// A control of that design width on the screen, one standard row high.
wxSize RowControlSize(int designWidth);
