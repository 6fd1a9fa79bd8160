#include "gui/main/overview_layout.h"

#include "app/user_settings.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"

namespace {

bool ValidPriority(int priority) {
    return priority >= 0 && priority <= 2;
}

int PriorityOf(const Appointment& booking) {
    const AppointmentRequest* request = booking.GetRequest();
    return request ? request->GetPriority() : -1;
}

}  // namespace

OverviewPalette OverviewPalette::FromSettings(const UserSettings& settings) {
    OverviewPalette palette;
    for (int level = 0; level < 3; ++level) {
        palette.bookedOK[level] = settings.GetColourBookedOK(level);
        palette.bookedBad[level] = settings.GetColourBookedBad(level);
        palette.twinGap[level] = settings.GetColourTwinGap(level);
    }
    palette.teacherBusy = settings.GetColourTeacherBusy();
    palette.teacherBreak = settings.GetColourTeacherBreak();
    palette.absent = settings.GetColourAbsent();
    palette.presentation = settings.GetColourPresentation();
    return palette;
}

Colour OverviewPalette::BookedOK(int priority) const {
    return ValidPriority(priority) ? bookedOK[priority] : Colour();
}

Colour OverviewPalette::BookedBad(int priority) const {
    return ValidPriority(priority) ? bookedBad[priority] : Colour();
}

Colour OverviewPalette::TwinGap(int priority) const {
    return ValidPriority(priority) ? twinGap[priority] : Colour();
}

void TeacherDayColours(const Schedule& day, int row, const ScheduleOptions& options,
                       const OverviewPalette& palette, std::vector<Colour>* cells, int* booked) {
    const int slots = day.GetNumSlots();
    bool afterAppointment = false;
    int busyRun = 0;
    int waitRun = 0;
    for (int slot = 0; slot < slots; ++slot) {
        Colour colour = kFreeCellColour;
        switch (day.GetTeacherSlotStatus(slot, row)) {
            case SlotUnavailable:
                colour = palette.absent;
                busyRun = 0;
                break;
            case SlotFree:
                busyRun = 0;
                if (afterAppointment || options.TeacherCountInitGap) {
                    ++waitRun;
                }
                break;
            case SlotBreak:
                colour = palette.teacherBreak;
                busyRun = 0;
                if (options.TeacherCountBreaks) {
                    ++waitRun;
                }
                break;
            case SlotAppointment: {
                ++*booked;
                const Appointment* booking = day.GetGrid().PeekBooking(slot, row);
                if (booking == nullptr) {
                    colour = kMissingBookingColour;
                } else {
                    ++busyRun;
                    const int priority = PriorityOf(*booking);
                    if (waitRun > options.TeacherGapLength) {
                        colour = palette.BookedBad(priority);
                    } else if (busyRun > options.TeacherBlockLength) {
                        colour = palette.teacherBusy;
                    } else if (day.ScoreAppointment(row, slot).SiblingSeparation != 0) {
                        colour = palette.TwinGap(priority);
                    } else {
                        colour = palette.BookedOK(priority);
                    }
                }
                afterAppointment = true;
                waitRun = 0;
                break;
            }
            case SlotPresentation:
                ++busyRun;
                colour = busyRun > options.TeacherBlockLength ? palette.teacherBusy
                                                              : palette.presentation;
                break;
        }
        cells->push_back(colour);
    }
}

void ParentDayColours(const Schedule& day, const Parent* parent, const ScheduleOptions& options,
                      const OverviewPalette& palette, std::vector<Colour>* cells, int* booked) {
    const int slots = day.GetNumSlots();
    const AppointmentGrid& grid = day.GetGrid();
    const bool siblings = parent != nullptr && parent->GetPupilCount() > 1;
    bool afterAppointment = false;
    int waitRun = 0;
    for (int slot = 0; slot < slots; ++slot) {
        Colour colour = kFreeCellColour;
        switch (day.GetParentSlotStatus(slot, parent)) {
            case SlotUnavailable:
            case SlotBreak:
                colour = palette.absent;
                break;
            case SlotFree:
                if (afterAppointment || options.ParentCountInitGap) {
                    ++waitRun;
                }
                break;
            case SlotAppointment: {
                ++*booked;
                const int row = grid.FindParentRow(slot, parent);
                const Appointment* booking = row >= 0 ? grid.PeekBooking(slot, row) : nullptr;
                if (booking == nullptr) {
                    colour = kMissingBookingColour;
                } else {
                    const int priority = PriorityOf(*booking);
                    if (waitRun > options.ParentGapLength) {
                        colour = palette.BookedBad(priority);
                    } else if (siblings && day.ScoreAppointment(row, slot).SiblingSeparation != 0) {
                        colour = palette.TwinGap(priority);
                    } else {
                        colour = palette.BookedOK(priority);
                    }
                }
                afterAppointment = true;
                waitRun = 0;
                break;
            }
            case SlotPresentation:
                colour = palette.presentation;
                break;
        }
        cells->push_back(colour);
    }
}

std::vector<HourTick> HourTicks(const Schedule& day) {
    std::vector<HourTick> ticks;
    const int slots = day.GetNumSlots();
    int previousHour = 0;
    for (int slot = 0; slot < slots; ++slot) {
        const TimeOfDay time = day.SlotToTime(slot);
        const int hour = time.Seconds() / 3600;
        const bool tick = slot == 0 ? time.Seconds() % 3600 == 0 : hour != previousHour;
        if (tick) {
            ticks.push_back({slot, time});
        }
        previousHour = hour;
    }
    return ticks;
}

std::string DayCaption(const Schedule& day) {
    return day.GetDate().FormatLong() + ", " + day.GetStartTime().Format(Time12h) + " to " +
           day.GetEndTime().Format(Time12h);
}

int SlotColumnLeft(const MultiDaySchedule& schedule, unsigned day, int slot, int cell) {
    int column = 1 + slot;
    for (unsigned earlier = 0; earlier < day; ++earlier) {
        const Schedule* previous = schedule.GetDay(earlier);
        column += (previous ? previous->GetNumSlots() : 0) + 1;
    }
    return column * cell;
}

int CountColumnLeft(const MultiDaySchedule& schedule, int cell) {
    int column = 1;
    for (unsigned day = 0; day < schedule.GetDayCount(); ++day) {
        column += schedule.GetDay(day)->GetNumSlots() + 1;
    }
    return column * cell;
}

std::string OverviewCountText(int booked, int requested) {
    return booked == requested ? std::to_string(booked)
                               : std::to_string(booked) + " of " + std::to_string(requested);
}

bool TeacherCountOverbooked(int booked, int requested, int available) {
    return booked != requested &&
           static_cast<unsigned>(available) < static_cast<unsigned>(requested);
}

std::string TeacherLabel(const Teacher& teacher) {
    std::string label = teacher.GetDisplayName();
    if (!teacher.GetInitials().empty()) {
        label += " (" + teacher.GetInitials() + ")";
    }
    return label;
}

std::string ParentRowLabel(const Parent& parent) {
    std::string label = parent.GetDisplayName();
    if (parent.GetPupilCount() == 0) {
        return label;
    }
    label += " [";
    for (unsigned i = 0; i < parent.GetPupilCount(); ++i) {
        if (i > 0) {
            label += ", ";
        }
        label += parent.GetPupil(i)->GetDisplayName();
    }
    return label + "]";
}

OverviewHit HitTestOverview(const MultiDaySchedule* schedule, const OverviewGeometry& geometry,
                            int x, int y) {
    OverviewHit hit;
    hit.x = x;
    hit.y = y;
    const int cell = geometry.cellSize;
    if (schedule == nullptr || !schedule->GetEvent() || cell <= 0 || x < 0) {
        return hit;
    }
    int column = x / cell - 1;
    Schedule* day = nullptr;
    for (unsigned index = 0; column >= 0 && index < schedule->GetDayCount(); ++index) {
        const int slots = schedule->GetDay(index)->GetNumSlots();
        if (column < slots) {
            day = schedule->GetDay(index);
            break;
        }
        column -= slots + 1;
    }
    if (day == nullptr) {
        return hit;
    }
    const Event& event = *schedule->GetEvent();
    // Rows laid out by no paint yet cannot be hit.
    auto rowIn = [&](int top, unsigned count) {
        if (top < 0 || y < top) {
            return -1;
        }
        const int row = (y - top) / cell;
        return static_cast<unsigned>(row) < count ? row : -1;
    };
    int row = rowIn(geometry.teacherRowsTop, event.GetTeachers().Count());
    if (row >= 0) {
        hit.kind = HitTeacherRow;
    } else if ((row = rowIn(geometry.parentRowsTop, event.GetParents().Count())) >= 0) {
        hit.kind = HitParentRow;
    } else {
        return hit;
    }
    hit.day = day;
    hit.slot = column;
    hit.row = row;
    return hit;
}

const Appointment* AppointmentAtHit(const MultiDaySchedule& schedule, const OverviewHit& hit,
                                    int* teacherRow) {
    if (hit.day == nullptr || !schedule.GetEvent()) {
        return nullptr;
    }
    const AppointmentGrid& grid = hit.day->GetGrid();
    int row = -1;
    if (hit.kind == HitTeacherRow) {
        row = hit.row;
    } else if (hit.kind == HitParentRow) {
        row = grid.FindParentRow(hit.slot, schedule.GetEvent()->GetParents().Get(hit.row));
    }
    const Appointment* booking = row >= 0 ? grid.PeekBooking(hit.slot, row) : nullptr;
    if (booking != nullptr && teacherRow != nullptr) {
        *teacherRow = row;
    }
    return booking;
}

std::string CellTipText(const Teacher& teacher, const AppointmentRequest& request,
                        const TimeOfDay& start) {
    std::string text = teacher.GetDisplayName() + "\nseeing ";
    if (const Parent* parent = request.GetParent()) {
        text += parent->GetDisplayName();
    }
    text += "\nabout ";
    if (const Pupil* pupil = request.GetPupil()) {
        text += pupil->GetDisplayName();
    }
    return text + "\nat " + start.Format(Time12h);
}

std::string UnbookQuestion(const Teacher& teacher, const AppointmentRequest& request) {
    std::string text =
        "You are about to unbook the appointment for " + teacher.GetName() + " to see ";
    if (const Parent* parent = request.GetParent()) {
        text += parent->GetName();
    }
    text += " about ";
    if (const Pupil* pupil = request.GetPupil()) {
        text += pupil->GetDisplayName();
    }
    return text +
           ". The request for an appointment will remain and can be rebooked by clicking the "
           "'Book In' button.\nAre you sure you want to do this?";
}

std::string DeleteRequestQuestion(const Teacher& teacher, const AppointmentRequest& request) {
    std::string text =
        "You are about to delete this appointment and also the request for the "
        "appointment. After doing this, pupil ";
    if (const Pupil* pupil = request.GetPupil()) {
        text += pupil->GetDisplayName();
    }
    return text + " will not want to see teacher " + teacher.GetName() +
           " and no such appointments will be made. THIS ACTION CANNOT BE UNDONE! If you make a "
           "mistake you will have to manually re-enter the request.\nAre you sure you want to do "
           "this?";
}

void RecountTeacherRequests(const MultiDaySchedule& schedule) {
    const std::shared_ptr<Event>& event = schedule.GetEvent();
    if (!event) {
        return;
    }
    const TeacherList& teachers = event->GetTeachers();
    for (unsigned i = 0; i < teachers.Count(); ++i) {
        teachers.Get(i)->SetRequestedSlotTally(0);
    }
    const ParentList& parents = event->GetParents();
    for (unsigned p = 0; p < parents.Count(); ++p) {
        const Parent* parent = parents.Get(p);
        for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
            const Pupil* pupil = parent->GetPupil(k);
            for (unsigned r = 0; r < pupil->GetRequestCount(); ++r) {
                const AppointmentRequest* request = pupil->GetRequest(r);
                if (Teacher* teacher = request->GetTeacher()) {
                    teacher->SetRequestedSlotTally(teacher->GetRequestedSlotTally() +
                                                   request->GetLength());
                }
            }
        }
    }
}
