#pragma once

#include "gui/people/people_edits.h"

class Schedule;
class TimeEntryCombo;
class wxCheckBox;

// The attendance boxes and times of one day that the parent and teacher editors both show.
struct DayAttendanceFields {
    wxCheckBox* attending = nullptr;
    wxCheckBox* late = nullptr;
    TimeEntryCombo* arrival = nullptr;
    wxCheckBox* early = nullptr;
    TimeEntryCombo* departure = nullptr;

    // The time lists are refilled for the day before its times are chosen in them.
    void Show(Schedule* day, const DayAttendance& values) const;
    DayAttendance Read() const;
};
