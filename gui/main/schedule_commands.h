#pragma once

class MultiDaySchedule;

// Locks the event and every booking; whichever command locks uses this. The schedule has an
// event.
void LockSchedule(MultiDaySchedule& schedule);
