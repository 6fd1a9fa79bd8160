#include "gui/people/day_attendance_fields.h"

#include <wx/checkbox.h>

#include "gui/dialogs/time_entry.h"

void DayAttendanceFields::Show(Schedule* day, const DayAttendance& values) const {
    early->SetValue(values.leavesEarly);
    departure->SetSchedule(day);
    departure->SetTime(values.departure);
    late->SetValue(values.arrivesLate);
    arrival->SetSchedule(day);
    arrival->SetTime(values.arrival);
    attending->SetValue(values.attending);
}

DayAttendance DayAttendanceFields::Read() const {
    DayAttendance values;
    values.attending = attending->GetValue();
    values.arrivesLate = late->GetValue();
    values.arrival = arrival->GetTime();
    values.leavesEarly = early->GetValue();
    values.departure = departure->GetTime();
    return values;
}
