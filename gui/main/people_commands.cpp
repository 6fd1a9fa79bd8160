#include <memory>
#include <string>
#include <vector>

#include "foundation/uc_error.h"
#include "gui/dialogs/time_entry.h"
#include "gui/main/event_summary_pane.h"
#include "gui/main/frame_commands.h"
#include "gui/main/people_commands.h"
#include "gui/main/schedule_views.h"
#include "gui/main/selected_item_commands.h"
#include "gui/people/attendee_pres_dlg.h"
#include "gui/people/parent_dlg.h"
#include "gui/people/people_edits.h"
#include "gui/people/presentation_dlg.h"
#include "gui/people/pupil_dlg.h"
#include "gui/people/teacher_break_dlg.h"
#include "gui/people/teacher_entry_dlg.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

// After the commands that start a new year from last year's file: nobody has been sent
// anything of the new year, teachers and pupils no more than parents.
void ClearEverySentMark(Event& event) {
    ParentList& parents = event.GetParents();
    for (EmailTextKind kind : {EmailInvitation, EmailReminder, EmailResults}) {
        event.GetTeachers().ClearEmailSent(kind);
        parents.ClearEmailSent(kind);
        for (unsigned p = 0; p < parents.Count(); ++p) {
            for (unsigned k = 0; k < parents.Get(p)->GetPupilCount(); ++k) {
                parents.Get(p)->GetPupil(k)->SetEmailSent(kind, false);
            }
        }
    }
}

// A change to everybody, asked first.
void ApplyToAll(const CommandContext& context, const std::string& question,
                void (*apply)(MultiDaySchedule&)) {
    MultiDaySchedule* schedule = ScheduleWithEvent(context);
    if (!schedule || !AskYesNo(context.parent, question)) {
        return;
    }
    apply(*schedule);
}

void AddParent(const CommandContext& context) {
    MultiDaySchedule* schedule = ScheduleWithEvent(context);
    if (!schedule) {
        return;
    }
    Event& event = *schedule->GetEvent();
    if (event.GetParents().Count() == 0 &&
        !AskYesNo(context.parent,
                  "It is a lot faster to import parents from a file rather than adding them "
                  "manually. Are you sure you want to add a parent manually?")) {
        return;
    }
    auto parent = std::make_unique<Parent>();
    parent->ResetAttendanceAllDays(schedule);
    {
        ParentDlg dialog(context.parent, parent.get(), schedule, EditMode::Add);
        if (dialog.ShowModal() != wxID_OK) {
            return;
        }
    }
    if (!schedule->AddParent(std::move(parent))) {
        ReportMessage(SeverityError, "Cannot insert new parent");
    }
}

void AddPresentation(const CommandContext& context) {
    MultiDaySchedule* schedule = ScheduleWithEvent(context);
    if (!schedule || schedule->GetDay(0) == nullptr) {
        return;
    }
    const Schedule* first = schedule->GetDay(0);
    auto presentation = std::make_unique<Presentation>();
    presentation->SetDate(first->GetDate());
    presentation->SetTimes(first->GetStartTime(), first->SlotToTime(1));
    {
        PresentationDlg dialog(context.parent, EditMode::Add, presentation.get(), schedule);
        if (dialog.ShowModal() != wxID_OK) {
            return;
        }
    }
    if (!schedule->GetEvent()->AddPresentation(std::move(presentation))) {
        ReportMessage(SeverityError, "Cannot insert new presentation");
    }
}

void AddBreakToAllTeachers(const CommandContext& context) {
    MultiDaySchedule* schedule = ScheduleWithEvent(context);
    if (!schedule) {
        return;
    }
    TeacherBreakDlg dialog(context.parent, schedule);
    if (dialog.ShowModal() == wxID_OK && dialog.GetCurrentDay() != nullptr) {
        // The bookings the breaks take are named, as the editors name theirs.
        const MultiDaySchedule::HeldBookings held = schedule->GetBookings();
        dialog.GetCurrentDay()->AddBreaksForAllTeachers(
            dialog.GetBreakTime(), dialog.GetBreakLength(), dialog.GetRandomOffset());
        schedule->ReportBookingsGivenUp(held);
    }
}

void DeleteBreakFromAllTeachers(const CommandContext& context) {
    MultiDaySchedule* schedule = ScheduleWithEvent(context);
    if (!schedule) {
        return;
    }
    TimeEntryDlg dialog(context.parent, "Enter break time",
                        "Please enter the time of the break:", schedule);
    if (dialog.ShowModal() != wxID_OK) {
        return;
    }
    const DateTime when = dialog.GetDateTime();
    if (Schedule* day = schedule->FindDay(when.GetDate())) {
        day->RemoveBreakForAllTeachers(when.GetTime());
    }
}

void DeleteUnbookedParents(const CommandContext& context) {
    MultiDaySchedule* schedule = ScheduleWithEvent(context);
    if (!schedule) {
        return;
    }
    const int count = schedule->CountParentsWithoutRequests();
    if (count == 0) {
        ReportMessage(SeverityInformation,
                      "All parents have appointments, so none will be deleted");
        return;
    }
    if (!AskYesNo(context.parent,
                  "There are " + std::to_string(count) +
                      " parents with no appointments. Are you sure you want to delete them all? "
                      "This operation cannot be undone!")) {
        return;
    }
    const int deleted = schedule->DeleteParents();
    ReportMessage(SeverityInformation, std::to_string(deleted) + " parents have been deleted");
}

void BookFormAppointment(const CommandContext& context) {
    MultiDaySchedule* schedule = ScheduleWithEvent(context);
    if (!schedule) {
        return;
    }
    // Only a form's own item names a form; "No form specified" is not one.
    static const std::string kPrefix = "Form ";
    const std::string label = context.selection.GetSelectedGroupName();
    if (label.size() <= kPrefix.size() || label.compare(0, kPrefix.size(), kPrefix) != 0) {
        return;
    }
    const std::string form = label.substr(kPrefix.size());
    Event& event = *schedule->GetEvent();
    Teacher* teacher = nullptr;
    int priority = 1;
    {
        TeacherEntryDlg dialog(
            context.parent, &event.GetTeachers(), nullptr,
            "Please choose a teacher for all pupils in form " + form + " to see -",
            LongestDaySlots(*schedule));
        if (dialog.ShowModal() != wxID_OK) {
            return;
        }
        teacher = dialog.GetTeacher();
        priority = dialog.GetPriority();
    }
    if (!event.GetParents().RequestTeacherForForm(form, teacher, priority)) {
        ReportMessage(SeverityError, "Failed to book appointments for all pupils in the form");
    }
}

void EditPresentationsAttended(const CommandContext& context) {
    MultiDaySchedule* schedule = context.controller.GetSchedule();
    if (!schedule) {
        return;
    }
    Person* person = context.selection.GetSelectedObject();
    if (person == nullptr) {
        ReportMessage(SeverityError,
                      "Nobody is selected - please select the correct person "
                      "in the left-hand window and try again");
        return;
    }
    const PersonKind kind = person->GetKind();
    if (kind != PersonKind::Parent && kind != PersonKind::Teacher) {
        ReportMessage(SeverityError,
                      "This operation is only valid for teachers and parents - please select "
                      "the correct person in the left-hand window and try again");
        return;
    }
    {
        AttendeePresDlg dialog(context.parent, static_cast<Attendee*>(person), schedule);
        dialog.ShowModal();
    }
}

void SetAllAttending(const CommandContext& context, bool teachers) {
    MultiDaySchedule* schedule = ScheduleWithEvent(context);
    if (!schedule) {
        return;
    }
    Presentation* presentation = context.selection.GetSelectedPresentation();
    if (presentation == nullptr) {
        ReportMessage(SeverityError, NothingSelected("presentation"));
        return;
    }
    Event& event = *schedule->GetEvent();
    std::vector<Attendee*> people;
    if (teachers) {
        for (unsigned i = 0; i < event.GetTeachers().Count(); ++i) {
            people.push_back(event.GetTeachers().At(i));
        }
    } else {
        for (unsigned i = 0; i < event.GetParents().Count(); ++i) {
            people.push_back(event.GetParents().At(i));
        }
    }
    const std::vector<std::string> refused = AttendAll(*schedule, people, presentation);
    if (!refused.empty()) {
        std::string names;
        for (const std::string& name : refused) {
            names += "\n" + name;
        }
        ReportMessage(SeverityWarning, "These people cannot attend the presentation '" +
                                           presentation->GetName() + "':" + names);
    }
}

}  // namespace

const CommandFamily& PeopleCommands() {
    using C = CommandId;
    using N = CommandNeeds;
    using X = const CommandContext&;
    using S = MultiDaySchedule;
    static const CommandFamily family = {
        {C::AddParent, "Add &Parent...", "Add a parent", N::Loaded, AddParent},
        {C::AddPresentation, "Add Presentation...", "Add a presentation", N::Loaded,
         AddPresentation},
        {C::AddBreakToAllTeachers, "Add &Break to all Teachers...", "Add a break to all teachers",
         N::Editable, AddBreakToAllTeachers},
        {C::EditParent, "Edit P&arent...", "Edit the currently selected parent", N::Loaded,
         [](X context) {
             EditSelected(context, "parent", &Selection::GetSelectedParent, EditParent);
         }},
        {C::EditPupil, "Edit P&upil...", "Edit the currently selected pupil", N::Loaded,
         [](X context) {
             EditSelected(context, "pupil", &Selection::GetSelectedPupil, EditPupil);
         }},
        {C::EditPresentation, "Edit Presentation...", "Edit the currently selected presentation",
         N::Loaded,
         [](X context) {
             EditSelected(context, "presentation", &Selection::GetSelectedPresentation,
                          EditPresentation);
         }},
        {C::DeleteParent, "Delete Parent", "Delete the selected parent", N::Editable,
         [](X context) {
             DeleteSelected<Parent>(
                 context, "parent", &Selection::GetSelectedParent,
                 [](const Parent& parent) {
                     return "This will permanently remove the parent '" + parent.GetDisplayName() +
                            "' and all the pupil(s) belonging to them.\nAre you sure you want to "
                            "do this?";
                 },
                 &S::DeleteParent);
         }},
        {C::DeletePresentation, "Delete Presentation", "Delete the selected presentation",
         N::Editable,
         [](X context) {
             DeleteSelected<Presentation>(
                 context, "presentation", &Selection::GetSelectedPresentation,
                 [](const Presentation& presentation) {
                     return "This will permanently remove the presentation '" +
                            presentation.GetName() + "'.\nAre you sure you want to do this?";
                 },
                 &S::DeletePresentation);
         }},
        {C::DeleteBreakFromAllTeachers, "Delete Break from all Teachers...",
         "Delete a break from all teachers", N::Editable, DeleteBreakFromAllTeachers},
        {C::DeleteAllTeacherBreaks, "Delete All Teacher Breaks",
         "Delete all breaks from all teachers", N::Editable,
         [](X context) {
             ApplyToAll(context,
                        "This will remove all breaks from all teachers. Are you sure you want to "
                        "do this?",
                        [](S& schedule) { schedule.RemoveTeacherBreaks(); });
         }},
        {C::DeleteUnbookedParents, "Delete Unbooked Parents",
         "Delete all parents who have no appointments", N::Editable, DeleteUnbookedParents},
        {C::ResetAttendanceTimes, "Reset Attendance Times",
         "Reset attendance times for everyone back to event default", N::Editable,
         [](X context) {
             ApplyToAll(context,
                        "This will reset the attendance times for all teachers and all parents "
                        "back to the event's start and end times. Are you sure you want to do "
                        "this?",
                        [](S& schedule) { schedule.ResetAttendanceTimes(); });
         }},
        {C::DeleteAppointments, "Delete Appointments", "Delete all appointments from this event",
         N::Editable,
         [](X context) {
             ApplyToAll(
                 context,
                 "This will remove all the existing appointments from this event, resulting in "
                 "no pupils wanting to see anybody.\nThis is typically only done when you wish "
                 "to use last year's file as a base for this year's parents evening.\nAre you "
                 "sure you want to do this?",
                 [](S& schedule) {
                     // Requests may go only once no day books them.
                     if (schedule.GetEvent()->IsLocked()) {
                         ReportMessage(SeverityError,
                                       "Cannot delete appointments because the schedule is "
                                       "locked");
                         return;
                     }
                     schedule.ClearBookings();
                     schedule.GetEvent()->GetParents().DeleteAllRequests();
                     ClearEverySentMark(*schedule.GetEvent());
                 });
         }},
        {C::DeleteParentsAndPupils, "Delete Parents and Pupils",
         "Delete all parents and pupils from this event", N::Editable,
         [](X context) {
             ApplyToAll(
                 context,
                 "This will remove all parents and pupils from this event, leaving only the "
                 "teachers remaining.\nThis is typically only done when you have a new year of "
                 "pupils and you need to set up a totally new schedule for them.\nAre you sure "
                 "you want to do this?",
                 [](S& schedule) {
                     if (schedule.GetEvent()->IsLocked()) {
                         ReportMessage(SeverityError,
                                       "Cannot delete parents because the schedule is locked");
                         return;
                     }
                     schedule.ClearBookings();
                     // Unlocked and unbooked above, so nothing can refuse.
                     (void)schedule.GetEvent()->DeleteParentsAndPupils();
                     ClearEverySentMark(*schedule.GetEvent());
                 });
         }},
        {C::BookFormAppointment, "Book Form Appointment",
         "Make an appointment for every pupil in this form", N::Editable, BookFormAppointment},
        {C::SetAllTeachersAttending, "Set All &Teachers Attending",
         "Invite all teachers to the presentation", N::Editable,
         [](X context) { SetAllAttending(context, true); }},
        {C::SetAllParentsAttending, "Set All &Parents Attending",
         "Invite all parents to the presentation", N::Editable,
         [](X context) { SetAllAttending(context, false); }},
        {C::EditPresentationsAttended, "Edit &Presentations",
         "View and alter this person's presentations", N::Editable, EditPresentationsAttended},
    };
    return family;
}

void EditParent(const CommandContext& context, Parent* parent) {
    const QMController::ChangeScope change(context.controller);
    MultiDaySchedule* schedule = context.controller.GetSchedule();
    if (!schedule || parent == nullptr) {
        return;
    }
    bool accepted = false;
    bool savedWhileOpen = false;
    {
        ParentDlg dialog(context.parent, parent, schedule, EditMode::Edit);
        accepted = dialog.ShowModal() == wxID_OK;
        savedWhileOpen = dialog.SavedWhileOpen();
    }
    if (accepted || savedWhileOpen) {
        UnbookOutOfRangeUnlessLocked(schedule);
    }
}

void EditPupil(const CommandContext& context, Pupil* pupil) {
    const QMController::ChangeScope change(context.controller);
    MultiDaySchedule* schedule = context.controller.GetSchedule();
    if (!schedule || !schedule->GetEvent() || pupil == nullptr) {
        return;
    }
    ParentList& parents = schedule->GetEvent()->GetParents();
    for (unsigned p = 0; p < parents.Count(); ++p) {
        Parent* parent = parents.At(p);
        for (unsigned i = 0; i < parent->GetPupilCount(); ++i) {
            if (parent->GetPupil(i) == pupil) {
                EditPupilOfParent(context, parent, i);
                return;
            }
        }
    }
}

void EditPupilOfParent(const CommandContext& context, Parent* parent, unsigned index) {
    const QMController::ChangeScope change(context.controller);
    MultiDaySchedule* schedule = context.controller.GetSchedule();
    Pupil* pupil = parent ? parent->GetPupil(index) : nullptr;
    if (!schedule || pupil == nullptr) {
        return;
    }
    PupilDlg dialog(context.parent, parent, pupil, schedule);
    dialog.ShowModal();
}

void EditPresentation(const CommandContext& context, Presentation* presentation) {
    const QMController::ChangeScope change(context.controller);
    MultiDaySchedule* schedule = context.controller.GetSchedule();
    if (!schedule || presentation == nullptr) {
        return;
    }
    PresentationDlg dialog(context.parent, EditMode::Edit, presentation, schedule);
    dialog.ShowModal();
}
