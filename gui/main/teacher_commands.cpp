#include <memory>
#include <string>

#include "foundation/uc_error.h"
#include "gui/main/event_summary_pane.h"
#include "gui/main/frame_commands.h"
#include "gui/main/schedule_views.h"
#include "gui/main/selected_item_commands.h"
#include "gui/main/teacher_commands.h"
#include "gui/people/appt_entry_dlg.h"
#include "gui/people/t_appt_entry_dlg.h"
#include "gui/people/teacher_dlg.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/teacher.h"

namespace {

void AddTeacher(const CommandContext& context) {
    MultiDaySchedule* schedule = ScheduleWithEvent(context);
    if (!schedule) {
        return;
    }
    if (schedule->GetEvent()->GetTeachers().Count() == 0 &&
        !AskYesNo(context.parent,
                  "It is a lot faster to import teachers from a file rather than adding "
                  "them manually. Are you sure you want to add a teacher manually?")) {
        return;
    }
    auto teacher = std::make_unique<Teacher>();
    teacher->ResetAttendanceAllDays(schedule);
    bool accepted = false;
    {
        TeacherDlg dialog(context.parent, schedule, teacher.get(), EditMode::Add);
        accepted = dialog.ShowModal() == wxID_OK;
        if (accepted) {
            *teacher = dialog.GetWorkingCopy();
        }
    }
    if (accepted && !schedule->AddTeacher(std::move(teacher))) {
        ReportMessage(SeverityError, "Cannot insert new teacher");
    }
}

void EditAppointments(const CommandContext& context) {
    MultiDaySchedule* schedule = context.controller.GetSchedule();
    if (!schedule) {
        return;
    }
    bool accepted = false;
    bool saved = false;
    {
        ApptEntryDlg dialog(context.parent, schedule, context.selection.GetSelectedPupil());
        accepted = dialog.ShowModal() == wxID_OK;
        saved = dialog.SavedWhileOpen();
    }
    // Pupils left by navigation are already saved, whichever way the editor closed.
    if (accepted || saved) {
        UnbookOutOfRangeUnlessLocked(schedule);
    }
}

void EditTeacherAppointments(const CommandContext& context) {
    MultiDaySchedule* schedule = context.controller.GetSchedule();
    Teacher* teacher = schedule ? context.selection.GetSelectedTeacher() : nullptr;
    if (teacher == nullptr) {
        return;
    }
    bool accepted = false;
    bool saved = false;
    {
        TApptEntryDlg dialog(context.parent, schedule, teacher);
        accepted = dialog.ShowModal() == wxID_OK;
        saved = dialog.SavedWhileOpen();
    }
    if (accepted || saved) {
        UnbookOutOfRangeUnlessLocked(schedule);
    }
}

}  // namespace

const CommandFamily& TeacherCommands() {
    using C = CommandId;
    using N = CommandNeeds;
    using X = const CommandContext&;
    static const CommandFamily family = {
        {C::AddTeacher, "Add &Teacher...", "Add a teacher", N::Loaded, AddTeacher},
        {C::EditTeacher, "Edit T&eacher...", "Edit the currently selected teacher", N::Loaded,
         [](X context) {
             EditSelected(context, "teacher", &Selection::GetSelectedTeacher, EditTeacher);
         }},
        {C::DeleteTeacher, "Delete Teacher", "Delete the selected teacher", N::Editable,
         [](X context) {
             DeleteSelected<Teacher>(
                 context, "teacher", &Selection::GetSelectedTeacher,
                 [](const Teacher& teacher) {
                     return "This will permanently remove the teacher '" +
                            teacher.GetDisplayName() + "'\nAre you sure you want to do this?";
                 },
                 &MultiDaySchedule::DeleteTeacher);
         }},
        {C::EditAppointments, "Edit Appoint&ments...", "Edit the appointments for all pupils",
         N::Editable, EditAppointments},
        {C::EditTeacherAppointments, "Edit Appointments",
         "Edit the appointments for the selected teacher", N::Nothing, EditTeacherAppointments},
    };
    return family;
}

void EditTeacher(const CommandContext& context, Teacher* teacher) {
    const QMController::ChangeScope change(context.controller);
    MultiDaySchedule* schedule = context.controller.GetSchedule();
    if (!schedule || teacher == nullptr) {
        return;
    }
    bool accepted = false;
    bool saved = false;
    {
        TeacherDlg dialog(context.parent, schedule, teacher, EditMode::Edit);
        accepted = dialog.ShowModal() == wxID_OK;
        saved = dialog.SavedWhileOpen();
        if (accepted) {
            *teacher = dialog.GetWorkingCopy();
        }
    }
    if (accepted || saved) {
        UnbookOutOfRangeUnlessLocked(schedule);
    }
}
