#include "gui/main/schedule_commands.h"

#include "app/event_settings.h"
#include "app/qm_controller.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/edit_scoring_dlg.h"
#include "gui/dialogs/new_event_dlg.h"
#include "gui/dialogs/optimise_dlg.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/main/command_context.h"
#include "gui/main/frame_commands.h"
#include "gui/main/selected_item_commands.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/schedule.h"
#include "print/wx/print_settings_dlg.h"

namespace {

// Logo, notes and the rest of the print settings, kept with the event.
void EditLogoAndNotes(wxWindow* parent, Event& event, QMController* controller) {
    PrintSettingsAdvDlg dialog(parent, &event.GetPrintSettings(), controller,
                               "Default settings for event");
    dialog.ShowModal();
}

void BookIncomplete(const CommandContext& context) {
    if (!ScheduleWithEvent(context)) {
        return;
    }
    context.controller.BookUnbookedRequests(true, false);
}

void RebookAll(const CommandContext& context) {
    MultiDaySchedule* schedule = ScheduleWithEvent(context);
    if (!schedule ||
        !AskYesNo(context.parent,
                  "This will clear all the existing appointments and rebook them in from "
                  "scratch. The resulting schedule will need a lot of optimisation. Are you "
                  "sure you want to do this?")) {
        return;
    }
    schedule->GetEvent()->BlankRequestedTimes();
    schedule->ClearBookings();
    if (!schedule->BookAll(BookRandom)) {
        ReportMessage(SeverityError,
                      "Could not create default schedule! This means that all the constraints "
                      "given in the file could not be satisfied. The partially booked schedule "
                      "will be shown.");
    }
}

void Optimise(const CommandContext& context) {
    if (!ScheduleWithEvent(context)) {
        return;
    }
    context.controller.BookUnbookedRequests(false, false);
    {
        OptimiseDlg dialog(context.parent, &context.controller);
        dialog.SetView(context.timetableView);
        dialog.ShowModal();
    }
}

void EditEventDetails(const CommandContext& context) {
    MultiDaySchedule* schedule = ScheduleWithEvent(context);
    if (!schedule) {
        return;
    }
    TimingChange timing = TimingChange::None;
    {
        NewEventDlg dialog(context.parent, schedule, &context.controller);
        if (dialog.ShowModal() != wxID_OK) {
            return;
        }
        timing = dialog.GetTimingChange();
    }
    RebookForNewTiming(*schedule, timing);
}

void RemoveLock(const CommandContext& context) {
    MultiDaySchedule* schedule = ScheduleWithEvent(context);
    if (!schedule ||
        !AskYesNo(context.parent,
                  "WARNING: Removing the lock on a schedule allows the currently booked "
                  "appointments to change. This will make all printouts and sent emails "
                  "invalid. Are you absolutely sure you want to remove the lock?")) {
        return;
    }
    Event& event = *schedule->GetEvent();
    event.SetLocked(false);
    schedule->SetLocked(false);
    // What the lock kept where its teacher or family is no longer there (a family marked away
    // while locked) goes now, named, as the file reader would drop it unnamed on opening.
    UnbookOutOfRangeUnlessLocked(schedule);
}

void EditScoring(const CommandContext& context) {
    MultiDaySchedule* schedule = ScheduleWithEvent(context);
    if (!schedule) {
        return;
    }
    EditScoringDlg dialog(context.parent, schedule->GetEvent());
    dialog.ShowModal();
}

}  // namespace

const CommandFamily& ScheduleCommands() {
    using C = CommandId;
    using N = CommandNeeds;
    using X = const CommandContext&;
    static const CommandFamily family = {
        {C::RebookAll, "Clear and &rebook all appointments",
         "Delete all current appointments and rebook them all from scratch", N::Editable,
         RebookAll},
        {C::ToolRebookAll, "Rebook All", "Clear and rebook all appointments", N::Editable,
         RebookAll},
        {C::BookIncomplete, "&Book in only the unbooked requests",
         "Create appointments for the currently unbooked requests", N::Unbooked, BookIncomplete},
        {C::ToolBookIncomplete, "Book Incomplete", "Book in any unbooked appointments", N::Unbooked,
         BookIncomplete},
        {C::Optimise, "&Optimise...", "Optimise the schedule", N::Editable, Optimise},
        {C::ToolOptimise, "Optimise", "Optimise the schedule", N::Editable, Optimise},
        {C::EditEventDetails, "Edit E&vent Details...", "Edit the details of the current event",
         N::Editable, EditEventDetails},
        {C::EditScoring, "Edit &Scoring...", "Edit the scoring system", N::Editable, EditScoring},
        {C::LockSchedule, "Lock Schedule", "Lock the schedule to prevent modification", N::Editable,
         [](X context) {
             if (MultiDaySchedule* schedule = ScheduleWithEvent(context)) {
                 LockSchedule(*schedule);
             }
         }},
        {C::RemoveLock, "Remove Loc&k", "Remove the current schedule lock", N::Locked, RemoveLock},
    };
    return family;
}

void InstallScheduleEditors() {
    NewEventDlg::SetLogoAndNotesEditor(EditLogoAndNotes);
}

void LockSchedule(MultiDaySchedule& schedule) {
    schedule.GetEvent()->SetLocked(true);
    // The bookings too, so that every removal is refused the same way.
    schedule.SetLocked(true);
}
