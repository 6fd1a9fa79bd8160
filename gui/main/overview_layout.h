#pragma once

#include <memory>
#include <string>
#include <vector>

#include "foundation/colour.h"
#include "foundation/time_of_day.h"

class Appointment;
class AppointmentRequest;
class Event;
class MultiDaySchedule;
class Parent;
class Person;
class Schedule;
class Teacher;
class UserSettings;
struct ScheduleOptions;

// The thirteen cell colours of the overview, read from the user settings at each paint.
struct OverviewPalette {
    Colour bookedOK[3];
    Colour bookedBad[3];
    Colour twinGap[3];
    Colour teacherBusy;
    Colour teacherBreak;
    Colour absent;
    Colour presentation;

    static OverviewPalette FromSettings(const UserSettings& settings);
    // Black for a priority outside 0-2, so a damaged request stands out.
    Colour BookedOK(int priority) const;
    Colour BookedBad(int priority) const;
    Colour TwinGap(int priority) const;
};

inline const Colour kFreeCellColour{255, 255, 255};
// A cell whose status says booked while the grid holds no record.
inline const Colour kMissingBookingColour{0, 0, 0};

// The colours of one day's cells of a row, one per slot; booked grows by the booked slots.
// The rules read only quiet accessors: painting never reports.
void TeacherDayColours(const Schedule& day, int row, const ScheduleOptions& options,
                       const OverviewPalette& palette, std::vector<Colour>* cells, int* booked);
void ParentDayColours(const Schedule& day, const Parent* parent, const ScheduleOptions& options,
                      const OverviewPalette& palette, std::vector<Colour>* cells, int* booked);

// A slot of a day that gets an hour line and label.
struct HourTick {
    int slot;
    TimeOfDay time;
};
std::vector<HourTick> HourTicks(const Schedule& day);
// "05 Mar 2026, 6:00pm to 10:00pm".
std::string DayCaption(const Schedule& day);

// Columns: one empty cell before each day, a cell per slot, one more empty cell after the last
// day, then the count and, four cells further, the label.
int SlotColumnLeft(const MultiDaySchedule& schedule, unsigned day, int slot, int cell);
int CountColumnLeft(const MultiDaySchedule& schedule, int cell);

// "%d" when booked equals requested, else "%d of %d".
std::string OverviewCountText(int booked, int requested);
// A teacher's count is red when more is requested than booked and can be available.
bool TeacherCountOverbooked(int booked, int requested, int available);
// The teacher's display name with " (initials)".
std::string TeacherLabel(const Teacher& teacher);
// The parent's display name with " [pupil, pupil]".
std::string ParentRowLabel(const Parent& parent);

// Where the rows of the last paint lie; -1 where nothing has been laid out.
struct OverviewGeometry {
    int cellSize = -1;
    int teacherRowsTop = -1;
    int parentRowsTop = -1;
};

enum OverviewHitKind : int { HitNone = 0, HitTeacherRow = 1, HitParentRow = 2 };

// One hit test's result; x and y are logical (unscrolled) pixels.
struct OverviewHit {
    OverviewHitKind kind = HitNone;
    int x = -1;
    int y = -1;
    Schedule* day = nullptr;
    int slot = -1;
    int row = -1;
};

OverviewHit HitTestOverview(const MultiDaySchedule* schedule, const OverviewGeometry& geometry,
                            int x, int y);

// What the overview's popup menu was raised over: the right-click's hit and, for a booked
// cell, the booking and the teacher row it stands in.
struct OverviewCell {
    MultiDaySchedule* schedule = nullptr;
    std::shared_ptr<Event> event;
    OverviewHit hit;
    int teacherIndex = -1;
    int parentIndex = -1;
    // The booking clicked on, for as long as the grid keeps it: a copy held any longer would
    // point at a request an editor run from the same menu may delete.
    std::weak_ptr<Appointment> appointment;
};

// The booked record under a hit (null for none) and the teacher row it stands in.
const Appointment* AppointmentAtHit(const MultiDaySchedule& schedule, const OverviewHit& hit,
                                    int* teacherRow);
// Four lines: teacher, "seeing" parent, "about" pupil, "at" time.
std::string CellTipText(const Teacher& teacher, const AppointmentRequest& request,
                        const TimeOfDay& start);

// The questions before unbooking and before deleting a request.
std::string UnbookQuestion(const Teacher& teacher, const AppointmentRequest& request);
std::string DeleteRequestQuestion(const Teacher& teacher, const AppointmentRequest& request);

// Each teacher's RequestedSlotTally from every request of every pupil.
void RecountTeacherRequests(const MultiDaySchedule& schedule);
