#include "foundation/uc_error.h"
#include "gui/dialogs/edit_scoring_dlg.h"
#include "gui/dialogs/new_event_dlg.h"
#include "gui/dialogs/optimise_dlg.h"
#include "gui/main/event_summary_pane.h"
#include "gui/main/frame_commands.h"
#include "gui/main/quillmoot_frame.h"
#include "gui/main/schedule_views.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/schedule.h"
#include "print/wx/print_settings_dlg.h"

namespace {

bool EditNewEvent(wxWindow* parent, MultiDaySchedule& schedule, QMController& controller) {
    NewEventDlg dialog(parent, &schedule, &controller);
    return dialog.ShowModal() == wxID_OK;
}

// Logo, notes and the rest of the print settings, kept with the event.
void EditLogoAndNotes(wxWindow* parent, Event& event, QMController* controller) {
    PrintSettingsAdvDlg dialog(parent, &event.GetPrintSettings(), controller,
                               "Default settings for event");
    dialog.ShowModal();
}

}  // namespace

const CommandFamily& ScheduleCommands() {
    using C = CommandId;
    using N = CommandNeeds;
    using F = QuillmootFrame;
    static const CommandFamily family = {
        {C::RebookAll, "Clear and &rebook all appointments",
         "Delete all current appointments and rebook them all from scratch", N::Editable,
         &F::OnRebookAll},
        {C::ToolRebookAll, "Rebook All", "Clear and rebook all appointments", N::Editable,
         &F::OnRebookAll},
        {C::BookIncomplete, "&Book in only the unbooked requests",
         "Create appointments for the currently unbooked requests", N::Unbooked,
         &F::OnBookIncomplete},
        {C::ToolBookIncomplete, "Book Incomplete", "Book in any unbooked appointments", N::Unbooked,
         &F::OnBookIncomplete},
        {C::Optimise, "&Optimise...", "Optimise the schedule", N::Editable, &F::OnOptimise},
        {C::ToolOptimise, "Optimise", "Optimise the schedule", N::Editable, &F::OnOptimise},
        {C::EditEventDetails, "Edit E&vent Details...", "Edit the details of the current event",
         N::Editable, &F::OnEditEventDetails},
        {C::EditScoring, "Edit &Scoring...", "Edit the scoring system", N::Editable,
         &F::OnEditScoring},
        {C::LockSchedule, "Lock Schedule", "Lock the schedule to prevent modification", N::Editable,
         &F::OnLockSchedule},
        {C::RemoveLock, "Remove Loc&k", "Remove the current schedule lock", N::Locked,
         &F::OnRemoveLock},
    };
    return family;
}

void QuillmootFrame::InstallScheduleEditors() {
    SetNewEventEditor(EditNewEvent);
    NewEventDlg::SetLogoAndNotesEditor(EditLogoAndNotes);
}

MultiDaySchedule* QuillmootFrame::ScheduleWithEvent() const {
    MultiDaySchedule* schedule = controller_.GetSchedule();
    return schedule && schedule->GetEvent() ? schedule : nullptr;
}

void QuillmootFrame::OnBookIncomplete() {
    if (!ScheduleWithEvent()) {
        return;
    }
    controller_.BookUnbookedRequests(true, false);
}

void QuillmootFrame::OnRebookAll() {
    MultiDaySchedule* schedule = ScheduleWithEvent();
    if (!schedule ||
        !AskYesNo("This will clear all the existing appointments and rebook them in from "
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

void QuillmootFrame::OnOptimise() {
    if (!ScheduleWithEvent()) {
        return;
    }
    controller_.BookUnbookedRequests(false, false);
    {
        OptimiseDlg dialog(this, &controller_);
        dialog.SetView(overview_->GetWindow());
        dialog.ShowModal();
    }
}

void QuillmootFrame::OnEditEventDetails() {
    MultiDaySchedule* schedule = ScheduleWithEvent();
    if (!schedule) {
        return;
    }
    bool timingChanged = false;
    {
        NewEventDlg dialog(this, schedule, &controller_);
        if (dialog.ShowModal() != wxID_OK) {
            return;
        }
        timingChanged = dialog.HasTimingChanged();
    }
    if (timingChanged) {
        ReportMessage(SeverityInformation,
                      "All appointments will be cleared and rebooked because one or more of the "
                      "timing parameters has changed. You must then optimise the new schedule.");
        schedule->EnforceTimeBoundaries();
        if (!schedule->BookAll(BookRandom)) {
            ReportMessage(SeverityError,
                          "Could not create the new schedule! This probably means that the new "
                          "timing parameters have resulted in insufficient time for all the "
                          "appointments to be booked in. The partially booked schedule will be "
                          "shown.");
        }
        // Whatever was sent described the old times.
        ParentList& parents = schedule->GetEvent()->GetParents();
        for (EmailTextKind kind : {EmailInvitation, EmailReminder, EmailResults}) {
            parents.ClearEmailSent(kind);
        }
    }
}

void QuillmootFrame::LockSchedule() {
    MultiDaySchedule* schedule = ScheduleWithEvent();
    if (!schedule) {
        return;
    }
    Event& event = *schedule->GetEvent();
    event.SetLocked(true);
    // The bookings too, so that every removal is refused the same way.
    schedule->SetLocked(true);
}

void QuillmootFrame::OnLockSchedule() {
    if (!ScheduleWithEvent()) {
        return;
    }
    LockSchedule();
}

void QuillmootFrame::OnRemoveLock() {
    MultiDaySchedule* schedule = ScheduleWithEvent();
    if (!schedule ||
        !AskYesNo("WARNING: Removing the lock on a schedule allows the currently booked "
                  "appointments to change. This will make all printouts and sent emails "
                  "invalid. Are you absolutely sure you want to remove the lock?")) {
        return;
    }
    Event& event = *schedule->GetEvent();
    event.SetLocked(false);
    schedule->SetLocked(false);
}

void QuillmootFrame::OnEditScoring() {
    MultiDaySchedule* schedule = ScheduleWithEvent();
    if (!schedule) {
        return;
    }
    {
        EditScoringDlg dialog(this, schedule->GetEvent());
        if (dialog.ShowModal() != wxID_OK) {
            return;
        }
    }
}
