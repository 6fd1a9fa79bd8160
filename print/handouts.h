#pragma once

class MultiDaySchedule;
class PrintRenderer;

// Every teacher's (or parent's) sheet for every day of the event, in list and day order, under
// the event's print settings and without logo or QR code: the text export of the handouts.
// False at once when the renderer cannot print.
bool PrintTeachers(MultiDaySchedule& schedule, PrintRenderer* renderer);
bool PrintParents(MultiDaySchedule& schedule, PrintRenderer* renderer);
