#pragma once

#include <wx/gdicmn.h>

#include "gui/people/people_edits.h"

class Attendee;
class Schedule;
class TimeEntryCombo;
class wxCheckBox;
class wxSizer;
class wxWindow;

// Which of a day's attendance controls an editor lets the user change.
struct AttendanceRules {
    // "Not attending" fixes the late and early boxes and both times.
    bool absenceFixesTimes = false;
    // A time can be chosen only while its box is ticked.
    bool boxesOpenTimes = false;
    // A locked event still lets the attending box change (the parents' editor).
    bool lockKeepsAttending = false;
};

// How the editors differ in showing one day's attendance: the words of the boxes, where the
// controls stand, and the rules. Each editor's look is one of the three below.
struct AttendanceLook {
    const char* attendingLabel = "";
    const char* lateLabel = "";
    const char* earlyLabel = "";
    // One line after the day's date; otherwise three rows, with labels before the times.
    bool oneLine = false;
    // In the three rows, cells share the borders between them instead of each having its own.
    bool sharedBorders = false;
    // How the row stands in the editor's sizer.
    int placement = 0;
    int placementBorder = 0;
    AttendanceRules rules;
};
// A row per day in the two appointment editors; the teacher's and the parents' editors show one
// day at a time under their fields.
extern const AttendanceLook kAppointmentAttendance;
extern const AttendanceLook kTeacherAttendance;
extern const AttendanceLook kParentAttendance;

// Whether each of the five controls can be changed.
struct AttendanceEnabled {
    bool attending = true;
    bool late = true;
    bool early = true;
    bool arrival = true;
    bool departure = true;
};
// shown: the boxes as ticked now (their times are not looked at).
AttendanceEnabled EnabledAttendance(const AttendanceRules& rules, bool locked,
                                    const DayAttendance& shown);

// The controls that edit one person's attendance on one day: attending, arriving late and
// leaving early, with the two times. The controls are the editor window's children; the row
// builds them, fills them, reads them back and keeps their enabling.
class AttendanceRow {
public:
    void Create(wxWindow* parent, wxSizer* sizer, Schedule* day, const AttendanceLook& look);

    // The person's attendance on the row's day; nothing for nobody.
    void Load(const Attendee* person);
    // Moves the row to another day (its times are refilled) and shows the person's there.
    void ShowDay(Schedule* day, const Attendee* person);
    DayAttendance Read() const;
    // Writes the controls into the person's day. Nothing is written for nobody, nor from a
    // control the lock fixes. False when the model refused the times (it said why); the day
    // then stays whole.
    bool Save(Attendee* person) const;

    // A locked event fixes what its timetable rests on.
    void SetLocked(bool locked);
    // By the boxes as they stand; a click on one does it by itself.
    void UpdateEnabled();
    // Everything off while there is nobody to edit; the next Load enables by the rules again.
    void Enable(bool enable);

    Schedule* GetDay() const { return day_; }
    wxCheckBox* GetAttendingBox() const { return attending_; }
    wxCheckBox* GetLateBox() const { return late_; }
    wxCheckBox* GetEarlyBox() const { return early_; }
    TimeEntryCombo* GetArrivalCombo() const { return arrival_; }
    TimeEntryCombo* GetDepartureCombo() const { return departure_; }

private:
    void Show(const DayAttendance& values);
    void BuildLine(wxWindow* parent, wxSizer* sizer);
    void BuildRows(wxWindow* parent, wxSizer* sizer);

    const AttendanceLook* look_ = &kAppointmentAttendance;
    Schedule* day_ = nullptr;
    bool locked_ = false;
    wxCheckBox* attending_ = nullptr;
    wxCheckBox* late_ = nullptr;
    wxCheckBox* early_ = nullptr;
    TimeEntryCombo* arrival_ = nullptr;
    TimeEntryCombo* departure_ = nullptr;
};

// A control of that design width on the screen, one standard row high.
wxSize RowControlSize(int designWidth);
