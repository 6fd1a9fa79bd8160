#include "app/qm_controller.h"
#include "gui/dialogs/edit_overview_dlg.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/main/command_context.h"
#include "gui/main/frame_commands.h"
#include "gui/main/overview_layout.h"
#include "gui/main/schedule_views.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

// The cell's day while the pane's schedule still has it; null without a cell.
Schedule* LiveDay(const OverviewCell* cell) {
    if (cell == nullptr || cell->schedule == nullptr || !cell->event) {
        return nullptr;
    }
    for (unsigned d = 0; d < cell->schedule->GetDayCount(); ++d) {
        if (cell->schedule->GetDay(d) == cell->hit.day) {
            return cell->hit.day;
        }
    }
    return nullptr;
}

Teacher* TeacherAt(const OverviewCell& cell, int index) {
    return cell.event && index >= 0 ? cell.event->GetTeachers().Get(static_cast<unsigned>(index))
                                    : nullptr;
}

// The booked request of the cell, when its day and teacher are still there.
const AppointmentRequest* BookedRequest(const OverviewCell* cell, Schedule** day,
                                        const Teacher** teacher) {
    *day = LiveDay(cell);
    *teacher = *day ? TeacherAt(*cell, cell->teacherIndex) : nullptr;
    const std::shared_ptr<Appointment> booking = cell ? cell->appointment.lock() : nullptr;
    const AppointmentRequest* request = booking ? booking->GetRequest() : nullptr;
    return *teacher ? request : nullptr;
}

void UnbookAppointment(const CommandContext& context) {
    OverviewCell* cell = context.selection.GetSelectedCell();
    Schedule* day = nullptr;
    const Teacher* teacher = nullptr;
    const AppointmentRequest* request = BookedRequest(cell, &day, &teacher);
    if (request == nullptr || !AskYesNo(context.parent, UnbookQuestion(*teacher, *request))) {
        return;
    }
    // A refusal (locked) has told the user why.
    (void)day->RemoveAppointment(cell->hit.slot, cell->teacherIndex);
}

void DeleteRequest(const CommandContext& context) {
    OverviewCell* cell = context.selection.GetSelectedCell();
    Schedule* day = nullptr;
    const Teacher* teacher = nullptr;
    const AppointmentRequest* request = BookedRequest(cell, &day, &teacher);
    if (request == nullptr ||
        !AskYesNo(context.parent, DeleteRequestQuestion(*teacher, *request))) {
        return;
    }
    // The clicked booking first, as the question says; then every other booking of the pupil
    // with that teacher, on every day, goes with the requests, so no grid keeps a booking of a
    // deleted request. A refusal (a locked event) leaves the requests alone.
    Pupil* pupil = request->GetPupil();
    if (!day->RemoveAppointment(cell->hit.slot, cell->teacherIndex)) {
        return;
    }
    for (unsigned i = 0; pupil != nullptr && i < pupil->GetRequestCount(); ++i) {
        if (pupil->GetRequest(i) == request) {
            (void)cell->schedule->DeleteRequest(pupil, i);  // a refusal reports itself
            break;
        }
    }
}

// A break is a teacher's: only a click on a teacher's row makes or takes one.
void ChangeBreak(const CommandContext& context, bool add) {
    const OverviewCell* cell = context.selection.GetSelectedCell();
    Schedule* day = LiveDay(cell);
    Teacher* teacher = day ? TeacherAt(*cell, cell->hit.row) : nullptr;
    if (cell == nullptr || cell->hit.kind != HitTeacherRow || teacher == nullptr) {
        return;
    }
    const TimeOfDay start = day->SlotToTime(cell->hit.slot);
    if (add) {
        // The booking the break takes is named, as the editors name theirs.
        const MultiDaySchedule::HeldBookings held = cell->schedule->GetBookings();
        day->AddTeacherBreaks(teacher, start, 1, 0);
        cell->schedule->ReportBookingsGivenUp(held);
    } else {
        day->RemoveTeacherBreak(teacher, start);
    }
}

// The views repaint with the colours now stored whatever the answer.
void ChangeAppearance(const CommandContext& context) {
    EditOverviewDlg dialog(context.parent, &context.controller.GetUserSettings());
    dialog.ShowModal();
}

}  // namespace

const CommandFamily& OverviewCommands() {
    using C = CommandId;
    using N = CommandNeeds;
    using X = const CommandContext&;
    static const CommandFamily family = {
        {C::UnbookAppointment, "Unbook Appointment",
         "Unbook the current appointment but keep the request", N::Editable, UnbookAppointment},
        {C::DeleteRequest, "Delete Request",
         "Unbook the current appointment and delete the request", N::Editable, DeleteRequest},
        {C::AddBreak, "Add Break", "Add a break in this slot", N::Editable,
         [](X context) { ChangeBreak(context, true); }},
        // No menu offers it; the window still answers it.
        {C::RemoveBreak, "Remove Break", "Remove the break in this slot", N::Editable,
         [](X context) { ChangeBreak(context, false); }},
        {C::ChangeAppearance, "Change Appearance", "Change the appearance of this view", N::Nothing,
         ChangeAppearance},
    };
    return family;
}
