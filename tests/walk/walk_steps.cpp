#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>

#include "app/event_file_writer.h"
#include "app/event_settings.h"
#include "app/read_back.h"
#include "comms/wx/email_progress_dlg.h"
#include "comms/wx/email_settings_dlg.h"
#include "comms/wx/email_text_dlg.h"
#include "foundation/files.h"
#include "gui/dialogs/edit_scoring_dlg.h"
#include "gui/dialogs/new_event_dlg.h"
#include "gui/dialogs/time_entry.h"
#include "gui/main/file_commands.h"
#include "gui/people/appt_entry_dlg.h"
#include "gui/people/attendee_pres_dlg.h"
#include "gui/people/parent_dlg.h"
#include "gui/people/people_edits.h"
#include "gui/people/presentation_dlg.h"
#include "gui/people/pupil_dlg.h"
#include "gui/people/t_appt_entry_dlg.h"
#include "gui/people/teacher_break_dlg.h"
#include "gui/people/teacher_dlg.h"
#include "gui/support/user_input.h"
#include "import/wx/define_csv_dlg.h"
#include "import/wx/import_dlg.h"
#include "import/wx/import_progress_dlg.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"
#include "walk/walk.h"

namespace {

using C = CommandId;

// The dialog's whole OK, as its OK button runs it: ShowModal's answer.
int Accept(wxDialog& dialog, StepReport& report) {
    if (dialog.Validate() && dialog.TransferDataFromWindow()) {
        return wxID_OK;
    }
    report.refused = true;
    report.text += " (OK refused)";
    return wxID_CANCEL;
}

// Opens the editor through the command and plays it: change, then OK. False (the step skipped)
// when the window does not offer the command or the editor did not open.
template <typename Dialog>
bool Edit(Walk& walk, StepReport& report, CommandId id,
          const std::function<void(Dialog&)>& change = nullptr) {
    bool opened = false;
    walk.dialogs.Then<Dialog>([&](Dialog& dialog) {
        opened = true;
        if (change) {
            change(dialog);
        }
        return Accept(dialog, report);
    });
    if (!walk.Command(id) || !opened) {
        report.skipped = true;
        report.text += " (not offered)";
        return false;
    }
    return true;
}

std::string Named(const Person* person) {
    return person ? "'" + PersonKey(*person) + "'" : "nobody";
}

void GoToDay(DaySelectDlg& dialog, int day) {
    for (int i = 0; i < day; ++i) {
        wxCommandEvent next(wxEVT_BUTTON, WxId(DaySelectDlg::Id::NextDay));
        dialog.OnNextDay(next);
    }
}

// A slot start of the day other than its first, or the day's first when it has one slot.
TimeOfDay AnySlotTime(Walk& walk, const Schedule& day) {
    const int slots = std::max(1, day.GetNumSlots());
    return day.SlotToTime(slots > 1 ? 1 + walk.Draw(slots - 1) : 0);
}

// --- editors left as they are ---

void UntouchedOK(Walk& walk, StepReport& report) {
    report.changesNothing = "an untouched OK";
    WalkSelection& pick = walk.selection;
    const auto nothingToEdit = [&] {
        if (pick.GetSelectedObject() == nullptr && pick.talk == nullptr) {
            report.skipped = true;
            return true;
        }
        return false;
    };
    switch (walk.Draw(10)) {
        case 0:
            pick.parent = walk.AnyParent();
            report.text = "Edit Parent " + Named(pick.parent);
            if (nothingToEdit()) {
                break;
            }
            Edit<ParentDlg>(walk, report, C::EditParent);
            break;
        case 1:
            pick.pupil = walk.AnyPupil();
            report.text = "Edit Pupil " + Named(pick.pupil);
            if (nothingToEdit()) {
                break;
            }
            Edit<PupilDlg>(walk, report, C::EditPupil);
            break;
        case 2:
            pick.teacher = walk.AnyTeacher();
            report.text = "Edit Teacher " + Named(pick.teacher);
            if (nothingToEdit()) {
                break;
            }
            Edit<TeacherDlg>(walk, report, C::EditTeacher);
            break;
        case 3:
            pick.talk = walk.AnyTalk();
            report.text = "Edit Presentation";
            if (nothingToEdit()) {
                break;
            }
            Edit<PresentationDlg>(walk, report, C::EditPresentation);
            break;
        case 4:
            report.text = "Edit Event Details";
            Edit<NewEventDlg>(walk, report, C::EditEventDetails);
            break;
        case 5:
            pick.pupil = walk.AnyPupil();
            report.text = "Edit Appointments of " + Named(pick.pupil);
            if (nothingToEdit()) {
                break;
            }
            Edit<ApptEntryDlg>(walk, report, C::EditAppointments);
            break;
        case 6:
            pick.teacher = walk.AnyTeacher();
            report.text = "Edit Appointments of teacher " + Named(pick.teacher);
            if (nothingToEdit()) {
                break;
            }
            Edit<TApptEntryDlg>(walk, report, C::EditTeacherAppointments);
            break;
        case 7:
            pick.parent = walk.AnyParent();
            report.text = "Edit Presentations of " + Named(pick.parent);
            if (nothingToEdit()) {
                break;
            }
            Edit<AttendeePresDlg>(walk, report, C::EditPresentationsAttended);
            break;
        case 8:
            report.text = "Edit Scoring";
            Edit<EditScoringDlg>(walk, report, C::EditScoring);
            break;
        default:
            pick.teacher = walk.AnyTeacher();
            report.text = "Edit Presentations of teacher " + Named(pick.teacher);
            if (nothingToEdit()) {
                break;
            }
            Edit<AttendeePresDlg>(walk, report, C::EditPresentationsAttended);
            break;
    }
}

// --- names ---

std::string NewName(Walk& walk, const std::string& name) {
    switch (walk.Draw(3)) {
        case 0: {
            std::string upper = name;
            std::transform(upper.begin(), upper.end(), upper.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
            return upper == name ? name + " Jr" : upper;
        }
        case 1:
            return "Dr " + name;
        default:
            return name + "-Jones";
    }
}

// Renames someone in their editor; with putBack, names them back in a second OK.
void Rename(Walk& walk, StepReport& report, bool putBack) {
    WalkSelection& pick = walk.selection;
    const int kind = walk.Draw(3);
    Person* person = kind == 0   ? static_cast<Person*>(pick.parent = walk.AnyParent())
                     : kind == 1 ? static_cast<Person*>(pick.pupil = walk.AnyPupil())
                                 : static_cast<Person*>(pick.teacher = walk.AnyTeacher());
    if (person == nullptr) {
        report.skipped = true;
        return;
    }
    const std::string old = person->GetName();
    const std::string renamed = NewName(walk, old);
    report.renames = true;
    report.text =
        "rename " + Named(person) + " to '" + renamed + "'" + (putBack ? " and back" : "");
    std::string current = old;
    for (const std::string& name : putBack ? std::vector{renamed, old} : std::vector{renamed}) {
        const auto typed = [&](wxTextCtrl* box) { box->ChangeValue(wxString::FromUTF8(name)); };
        const bool done = kind == 0 ? Edit<ParentDlg>(walk, report, C::EditParent,
                                                      [&](ParentDlg& d) { typed(d.GetNameText()); })
                          : kind == 1
                              ? Edit<PupilDlg>(walk, report, C::EditPupil,
                                               [&](PupilDlg& d) { typed(d.GetNameText()); })
                              : Edit<TeacherDlg>(walk, report, C::EditTeacher,
                                                 [&](TeacherDlg& d) { typed(d.GetNameText()); });
        if (!done || report.refused) {
            return;
        }
        if (kind != 1) {
            walk.NoteRename(current, name);
            current = name;
        }
    }
    if (putBack) {
        report.putBack = true;
    }
}

void RenameSomeone(Walk& walk, StepReport& report) {
    Rename(walk, report, false);
}

void RenameAndBack(Walk& walk, StepReport& report) {
    Rename(walk, report, true);
}

// --- attendance on one day ---

struct Attendance {
    bool attending = true;
    bool late = false;
    TimeOfDay arrival;
    bool early = false;
    TimeOfDay departure;
};

Attendance ShownAttendance(const AttendanceRow& row) {
    const DayAttendance shown = row.Read();
    return {shown.attending, shown.arrivesLate, shown.arrival, shown.leavesEarly, shown.departure};
}

void ShowAttendance(const AttendanceRow& row, const Attendance& values) {
    Tick(row.GetAttendingBox(), values.attending);
    Tick(row.GetLateBox(), values.late);
    if (values.late) {
        row.GetArrivalCombo()->SetTime(values.arrival);
    }
    Tick(row.GetEarlyBox(), values.early);
    if (values.early) {
        row.GetDepartureCombo()->SetTime(values.departure);
    }
}

Attendance OtherAttendance(Walk& walk, const Schedule& day, Attendance values) {
    switch (walk.Draw(4)) {
        case 0:
            values.attending = !values.attending;
            break;
        case 1:
            values.late = true;
            values.arrival = AnySlotTime(walk, day);
            break;
        case 2:
            values.early = true;
            values.departure = AnySlotTime(walk, day);
            break;
        default:
            values.late = false;
            values.early = false;
            break;
    }
    return values;
}

std::string Describe(const Attendance& values) {
    if (!values.attending) {
        return "not attending";
    }
    std::string text = values.late ? "from " + values.arrival.Format(Time12h) : "from the start";
    return text + (values.early ? " until " + values.departure.Format(Time12h) : " to the end");
}

// A parent's or teacher's attendance on one day changed in their editor; with putBack, set as
// it was in a second OK.
void ChangeAttendance(Walk& walk, StepReport& report, bool putBack) {
    const bool teacher = walk.Chance(40);
    Person* person = teacher ? static_cast<Person*>(walk.selection.teacher = walk.AnyTeacher())
                             : static_cast<Person*>(walk.selection.parent = walk.AnyParent());
    if (person == nullptr) {
        report.skipped = true;
        return;
    }
    const int day = walk.AnyDay();
    const Schedule& schedule = *walk.Days().GetDay(day);
    report.date = walk.DateOfDay(day);
    std::optional<Attendance> old;
    Attendance wanted;
    const auto play = [&](const AttendanceRow& row, DaySelectDlg& dialog) {
        GoToDay(dialog, day);
        if (!old) {
            old = ShownAttendance(row);
            wanted = OtherAttendance(walk, schedule, *old);
        }
        ShowAttendance(row, wanted);
    };
    report.text = Named(person) + " on " + report.date;
    for (int round = 0; round < (putBack ? 2 : 1); ++round) {
        if (round == 1) {
            wanted = *old;
        }
        const bool done = teacher
                              ? Edit<TeacherDlg>(walk, report, C::EditTeacher,
                                                 [&](TeacherDlg& d) { play(d.GetAttendance(), d); })
                              : Edit<ParentDlg>(walk, report, C::EditParent,
                                                [&](ParentDlg& d) { play(d.GetAttendance(), d); });
        if (!done || report.refused) {
            return;
        }
        report.text += (round == 0 ? ": " : ", then back: ") + Describe(wanted);
    }
    if (putBack) {
        // Absence, or hours that no longer hold a talk, unbook and drop the talk for good
        // (docs/decisions.md: "Absence on one day drops that day's talks only", "Bookings taken
        // out after an editor's OK are named"); the sent marks follow the timetable.
        report.putBack = true;
        report.putBackMayChange = {Topic::Booking, Topic::Talk, Topic::Mark};
    }
}

void ChangeAttendanceOnOneDay(Walk& walk, StepReport& report) {
    ChangeAttendance(walk, report, false);
}

void ChangeAttendanceAndBack(Walk& walk, StepReport& report) {
    ChangeAttendance(walk, report, true);
}

// --- talks ---

// Ticks or unticks one talk in a parent's or teacher's presentations; with putBack, the box
// goes back in a second OK.
void ToggleTalk(Walk& walk, StepReport& report, bool putBack) {
    const bool teacher = walk.Chance(30);
    Person* person = teacher ? static_cast<Person*>(walk.selection.teacher = walk.AnyTeacher())
                             : static_cast<Person*>(walk.selection.parent = walk.AnyParent());
    const PresentationList& talks = walk.TheEvent().GetPresentations();
    if (person == nullptr || talks.Count() == 0) {
        report.skipped = true;
        return;
    }
    const int which = walk.Draw(talks.Count());
    report.date = talks.GetPresentation(which)->GetDate().FormatISO();
    report.text = Named(person) + " at '" + talks.GetPresentation(which)->GetName() + "'";
    report.mayDropTalks = true;
    for (int round = 0; round < (putBack ? 2 : 1); ++round) {
        bool ticked = false;
        if (!Edit<AttendeePresDlg>(walk, report, C::EditPresentationsAttended,
                                   [&](AttendeePresDlg& d) {
                                       wxCheckBox* box = d.GetBoxes().at(which);
                                       ticked = !box->GetValue();
                                       Tick(box, ticked);
                                   }) ||
            report.refused) {
            return;
        }
        report.text += ticked ? ", attends" : ", leaves";
    }
    if (putBack) {
        report.putBack = true;
        report.putBackMayChange = {Topic::Booking, Topic::Mark};
    }
}

void AttendOrLeaveTalk(Walk& walk, StepReport& report) {
    ToggleTalk(walk, report, false);
}

void AttendTalkAndBack(Walk& walk, StepReport& report) {
    ToggleTalk(walk, report, true);
}

// --- breaks ---

void AddBreakForEveryone(Walk& walk, StepReport& report) {
    const int day = walk.AnyDay();
    const Schedule& schedule = *walk.Days().GetDay(day);
    const TimeOfDay time = AnySlotTime(walk, schedule);
    const int length = 1 + walk.Draw(2);
    report.date = walk.DateOfDay(day);
    report.text = "a break at " + time.Format(Time12h) + " on " + report.date + ", " +
                  std::to_string(length) + " slot(s)";
    Edit<TeacherBreakDlg>(walk, report, C::AddBreakToAllTeachers, [&](TeacherBreakDlg& d) {
        GoToDay(d, day);
        d.GetTimeCombo()->SetTime(time);
        d.GetLengthText()->ChangeValue(std::to_string(length));
        d.GetOffsetText()->ChangeValue("0");
    });
}

void RemoveBreakForEveryone(Walk& walk, StepReport& report) {
    Teacher* teacher = walk.AnyTeacher();
    if (teacher == nullptr || teacher->GetBreakCount() == 0) {
        report.skipped = true;
        return;
    }
    const DateTime when = teacher->GetBreak(walk.Draw(teacher->GetBreakCount()));
    unsigned day = 0;
    if (!walk.Days().FindDayIndex(when.GetDate(), &day)) {
        report.skipped = true;
        return;
    }
    report.date = when.GetDate().FormatISO();
    report.text = "remove the break at " + when.GetTime().Format(Time12h) + " on " + report.date;
    Edit<TimeEntryDlg>(walk, report, C::DeleteBreakFromAllTeachers, [&](TimeEntryDlg& d) {
        GoToDay(d, static_cast<int>(day));
        d.GetTimeCombo()->SetTime(when.GetTime());
    });
}

// --- the event's timing ---

enum class Timing { SlotLength, Start, End, Dates, TwoDays };

struct TimingChange {
    Timing what;
    EventSettingsFields fields;
    std::string text;
    bool rebuilds = false;   // slots go away: the bookings are made afresh
    bool cutsHours = false;  // own times beyond the new hours are dropped
};

std::string ShiftTime(const std::string& shown, int minutes) {
    TimeOfDay time;
    time.Parse(shown.c_str());
    time.SetSeconds(time.Seconds() + minutes * 60);
    return time.Format(Time12h);
}

TimingChange DrawTimingChange(Walk& walk, const EventSettingsFields& shown) {
    TimingChange change{static_cast<Timing>(walk.Draw(5)), shown, "", false, false};
    EventSettingsFields& to = change.fields;
    const int days = static_cast<int>(walk.Days().GetDayCount());
    switch (change.what) {
        case Timing::SlotLength: {
            static const char* const kLengths[] = {"5", "7.5", "10", "15"};
            to.slotLength = kLengths[walk.Draw(4)];
            change.text = "slots of " + to.slotLength + " minutes";
            change.rebuilds = to.slotLength != shown.slotLength;
            break;
        }
        case Timing::Start: {
            const int minutes = (walk.Chance(50) ? -1 : 1) * (5 + 5 * walk.Draw(6));
            for (int d = 0; d < (shown.twoDays ? 2 : 1); ++d) {
                to.days[d].start = ShiftTime(shown.days[d].start, minutes);
            }
            change.text = "start " + std::to_string(minutes) + " minutes";
            // An earlier start moves every slot of the day; only a later end keeps them all.
            change.rebuilds = true;
            change.cutsHours = minutes > 0;
            break;
        }
        case Timing::End: {
            const int minutes = (walk.Chance(50) ? -1 : 1) * (5 + 5 * walk.Draw(6));
            for (int d = 0; d < (shown.twoDays ? 2 : 1); ++d) {
                to.days[d].end = ShiftTime(shown.days[d].end, minutes);
            }
            change.text = "end " + std::to_string(minutes) + " minutes";
            change.rebuilds = minutes < 0;
            change.cutsHours = minutes < 0;
            break;
        }
        case Timing::Dates: {
            const int shift = 1 + walk.Draw(14);
            for (int d = 0; d < 2; ++d) {
                Date date = ReadDayDate(shown.days[d]);
                for (int i = 0; i < shift; ++i) {
                    date.NextDay();
                }
                to.days[d].day = std::to_string(date.Day());
                to.days[d].monthIndex = date.Month() - 1;
                to.days[d].year = std::to_string(date.Year());
            }
            change.text = "dates " + std::to_string(shift) + " days later";
            break;
        }
        case Timing::TwoDays:
            to.twoDays = !shown.twoDays;
            change.text = to.twoDays ? "two days" : "one day";
            change.rebuilds = true;
            change.cutsHours = !to.twoDays;
            if (days > 2) {
                change.text += " (from " + std::to_string(days) + ")";
            }
            break;
    }
    return change;
}

void ShowFields(NewEventDlg& dialog, const EventSettingsFields& fields) {
    if (dialog.GetTwoDaysBox()->GetValue() != fields.twoDays) {
        Tick(dialog.GetTwoDaysBox(), fields.twoDays);
    }
    for (int d = 0; d < 2; ++d) {
        const NewEventDlg::DayControls& controls = dialog.GetDayControls(d);
        const EventDayFields& day = fields.days[d];
        controls.day->ChangeValue(day.day);
        controls.month->SetSelection(day.monthIndex);
        controls.year->ChangeValue(day.year);
        controls.start->ChangeValue(day.start);
        controls.end->ChangeValue(day.end);
    }
    dialog.GetSlotLengthBox()->ChangeValue(fields.slotLength);
}

// One timing change in Edit Event Details; with putBack, the fields as they were in a second.
void ChangeTiming(Walk& walk, StepReport& report, bool putBack) {
    const EventSettingsFields shown = ShowEventSettings(walk.Days());
    const TimingChange change = DrawTimingChange(walk, shown);
    // Unticking "two days" takes every later day, and ticking it gives back only one.
    if (putBack && change.what == Timing::TwoDays && walk.Days().GetDayCount() > 2) {
        report.skipped = true;
        report.text = change.text;
        return;
    }
    std::set<std::string> datesBefore;
    std::vector<std::string> datesInOrder;
    for (unsigned d = 0; d < walk.Days().GetDayCount(); ++d) {
        datesInOrder.push_back(walk.DateOfDay(static_cast<int>(d)));
        datesBefore.insert(datesInOrder.back());
    }
    report.text = change.text + (putBack ? " and back" : "");
    if (change.what == Timing::Dates) {
        report.hint = " (dates)";
    }
    walk.prompts.answer = [](const std::string&) { return true; };
    for (int round = 0; round < (putBack ? 2 : 1); ++round) {
        const EventSettingsFields& wanted = round == 0 ? change.fields : shown;
        if (!Edit<NewEventDlg>(walk, report, C::EditEventDetails,
                               [&](NewEventDlg& d) { ShowFields(d, wanted); }) ||
            report.refused) {
            return;
        }
        if (round == 0 && putBack) {
            for (unsigned d = 0; d < walk.Days().GetDayCount(); ++d) {
                datesBefore.erase(walk.DateOfDay(static_cast<int>(d)));
            }
        }
    }
    // The rebooking after a timing change that takes slots away (a new slot length, a later
    // start, an earlier end; docs/decisions.md, "Dates, hours and slots") makes every booking
    // afresh and clears every sent mark; hours cut drop the own times beyond them ("Own times
    // that new hours drop are named"); a day taken away takes its data ("A day taken away
    // takes what was kept for it"). Dates moved and a later end keep every booking.
    if (putBack) {
        report.putBack = true;
        // Of an edit and its inverse, one takes slots away and cuts the hours, unless only the
        // dates moved.
        report.putBackMayChange = {Topic::Mark};
        if (change.what != Timing::Dates) {
            report.putBackMayChange.insert(Topic::Booking);
            report.putBackMayChange.insert(Topic::Attendance);
            // Whom the cut hours made absent, or took an own time from, left the talks they
            // are no longer there for, named ("Hours that make someone absent give up their
            // talks").
            report.putBackMayChange.insert(Topic::Talk);
            report.mayUnbook = true;
        }
        report.putBackDatesGone = datesBefore;
    } else {
        report.mayUnbook = change.rebuilds;
        if (!change.rebuilds) {
            report.keepsBookings = "a timing change that takes no slot away";
        }
        if (change.what == Timing::Dates &&
            walk.Days().GetDayCount() == static_cast<unsigned>(datesInOrder.size())) {
            for (unsigned d = 0; d < walk.Days().GetDayCount(); ++d) {
                const std::string now = walk.DateOfDay(static_cast<int>(d));
                if (now != datesInOrder[d]) {
                    report.movedDates[datesInOrder[d]] = now;
                }
            }
        }
    }
}

void ChangeTimingOnce(Walk& walk, StepReport& report) {
    ChangeTiming(walk, report, false);
}

void ChangeTimingAndBack(Walk& walk, StepReport& report) {
    ChangeTiming(walk, report, true);
}

// --- the scoring limits ---

void SaveAndReopen(Walk& walk, StepReport& report);

// A parents' waiting time set; or set to none, the event saved and opened again, and set back.
void ChangeScoring(Walk& walk, StepReport& report) {
    const bool putBack = walk.Chance(50);
    const int wait = putBack ? 0 : walk.Draw(4) * 10;
    std::string old;
    const int heldSlots = walk.TheEvent().GetOptions().ParentGapLength;
    report.text = "parents' waiting time " + std::to_string(wait) + " minutes";
    if (!Edit<EditScoringDlg>(walk, report, C::EditScoring,
                              [&](EditScoringDlg& d) {
                                  old = d.GetParentWaitBox()->GetValue().utf8_string();
                                  d.GetParentWaitBox()->ChangeValue(std::to_string(wait));
                              }) ||
        report.refused || !putBack) {
        return;
    }
    StepReport reopened;
    SaveAndReopen(walk, reopened);
    if (reopened.skipped) {
        return;
    }
    report.text += ", saved and opened again, and back to " + old;
    if (Edit<EditScoringDlg>(walk, report, C::EditScoring,
                             [&](EditScoringDlg& d) {
                                 d.GetParentWaitBox()->ChangeValue(wxString::FromUTF8(old));
                             }) &&
        !report.refused) {
        // Typed minutes are cut down to whole slots: a limit that is not a whole number of
        // minutes (five slots of 7.5 minutes, shown as 37) cannot be typed back exactly.
        const long typedBack = std::strtol(old.c_str(), nullptr, 10);
        report.putBack = typedBack * 60 / walk.TheEvent().GetSlotLength() == heldSlots;
        report.putBackMayChange = {Topic::Mark};
    }
}

// --- booking ---

void BookUnbooked(Walk& walk, StepReport& report) {
    report.text = "Book in only the unbooked requests";
    report.keepsBookings = "booking only the unbooked requests";
    if (!walk.Command(C::BookIncomplete)) {
        report.skipped = true;
    }
}

void RebookAll(Walk& walk, StepReport& report) {
    report.text = "Clear and rebook all appointments";
    report.mayUnbook = true;
    if (!walk.Command(C::RebookAll)) {
        report.skipped = true;
    }
}

void Optimise(Walk& walk, StepReport& report) {
    report.text = "Optimise, one pass";
    // The optimiser may book another request in place of one, as a better score asks.
    report.mayUnbook = true;
    if (!walk.Command(C::Optimise)) {
        report.skipped = true;
    }
}

void LockOrUnlock(Walk& walk, StepReport& report) {
    if (walk.TheEvent().IsLocked()) {
        report.text = "Remove Lock";
        report.unlocks = true;
        walk.Command(C::RemoveLock);
    } else {
        report.text = "Lock Schedule";
        walk.Command(C::LockSchedule);
    }
}

// --- deletions ---

void DeleteSomething(Walk& walk, StepReport& report) {
    report.mayUnbook = true;
    report.mayDropTalks = true;
    WalkSelection& pick = walk.selection;
    bool offered = false;
    switch (walk.Draw(6)) {
        case 0:
            pick.parent = walk.AnyParent();
            report.text = "Delete Parent " + Named(pick.parent);
            offered = pick.parent && walk.Command(C::DeleteParent);
            break;
        case 1:
            pick.teacher = walk.AnyTeacher();
            report.text = "Delete Teacher " + Named(pick.teacher);
            offered = pick.teacher && walk.Command(C::DeleteTeacher);
            break;
        case 2:
            pick.talk = walk.AnyTalk();
            report.text = "Delete Presentation";
            offered = pick.talk && walk.Command(C::DeletePresentation);
            break;
        case 3:
            report.text = "Delete All Teacher Breaks";
            offered = walk.Command(C::DeleteAllTeacherBreaks);
            break;
        case 4:
            report.text = "Reset Attendance Times";
            offered = walk.Command(C::ResetAttendanceTimes);
            break;
        default: {
            pick.pupil = walk.AnyPupil();
            if (pick.pupil == nullptr || pick.pupil->GetRequestCount() == 0) {
                break;
            }
            const int request = walk.Draw(pick.pupil->GetRequestCount());
            report.text = "remove a request of " + Named(pick.pupil);
            offered = Edit<PupilDlg>(walk, report, C::EditPupil,
                                     [&](PupilDlg& d) { d.RemoveRequest(request); });
            break;
        }
    }
    report.skipped = !offered;
}

// --- people added and booked by hand ---

// A family typed in: its name and address in the parents' editor, a child added from there
// with one request.
void AddFamily(Walk& walk, StepReport& report) {
    const std::string name = "Typed Family " + std::to_string(walk.stepNumber);
    const std::string child = "Typed Child " + std::to_string(walk.stepNumber);
    Teacher* teacher = walk.AnyTeacher();
    report.text = "Add Parent '" + name + "' with '" + child + "'";
    unsigned pupils = 0;
    for (unsigned p = 0; p < walk.TheEvent().GetParents().Count(); ++p) {
        pupils += walk.TheEvent().GetParents().Get(p)->GetPupilCount();
    }
    bool opened = false;
    walk.dialogs.Then<ParentDlg>([&](ParentDlg& dialog) {
        opened = true;
        dialog.GetNameText()->ChangeValue(wxString::FromUTF8(name));
        dialog.GetAddressText(0)->ChangeValue("3 Typed Street");
        walk.dialogs.Then<PupilDlg>([&](PupilDlg& pupil) {
            pupil.GetNameText()->ChangeValue(wxString::FromUTF8(child));
            pupil.GetFormText()->ChangeValue("10T");
            if (teacher != nullptr) {
                RequestEntry entry;
                entry.teacher = teacher;
                entry.subject = "Maths";
                (void)pupil.AddRequest(entry);
            }
            return Accept(pupil, report);
        });
        Press(&dialog, WxId(ParentDlg::Id::AddPupil));
        return Accept(dialog, report);
    });
    if (!walk.Command(C::AddParent) || !opened) {
        report.skipped = true;
        return;
    }
    if (!report.refused) {
        report.familiesAfter = walk.TheEvent().GetParents().Count();
        report.pupilsAfter = pupils + 1;
        report.mustHold.push_back(child + "|10T");
    }
}

void AddTeacherByHand(Walk& walk, StepReport& report) {
    const std::string name = "Mx Typed" + std::to_string(walk.stepNumber);
    report.text = "Add Teacher '" + name + "'";
    const unsigned teachers = walk.TheEvent().GetTeachers().Count();
    Edit<TeacherDlg>(walk, report, C::AddTeacher, [&](TeacherDlg& d) {
        d.GetNameText()->ChangeValue(wxString::FromUTF8(name));
        d.GetInitialsText()->ChangeValue("T" + std::to_string(walk.stepNumber));
    });
    if (!report.skipped && !report.refused) {
        report.teachersAfter = teachers + 1;
    }
}

// A request booked by hand in the pupil's editor, at a time the editor offers.
void BookByHand(Walk& walk, StepReport& report) {
    walk.selection.pupil = walk.AnyPupil();
    Pupil* pupil = walk.selection.pupil;
    if (pupil == nullptr || pupil->GetRequestCount() == 0) {
        report.skipped = true;
        return;
    }
    const unsigned index = static_cast<unsigned>(walk.Draw(pupil->GetRequestCount()));
    if (walk.Days().IsRequestBooked(pupil->GetRequest(index))) {
        report.skipped = true;
        return;
    }
    const std::vector<DateTime> unfit = UnfitTimes(walk.Days(), *pupil, index);
    std::vector<DateTime> free;
    for (unsigned d = 0; d < walk.Days().GetDayCount(); ++d) {
        const Schedule& day = *walk.Days().GetDay(d);
        for (int slot = 0; slot < day.GetNumSlots(); ++slot) {
            const DateTime when(day.GetDate(), day.SlotToTime(slot));
            if (std::find(unfit.begin(), unfit.end(), when) == unfit.end()) {
                free.push_back(when);
            }
        }
    }
    if (free.empty()) {
        report.skipped = true;
        return;
    }
    const DateTime when = free[static_cast<size_t>(walk.Draw(static_cast<int>(free.size())))];
    report.text = "book " + Named(pupil) + " by hand at " + when.GetTime().Format(Time12h) +
                  " on " + when.GetDate().FormatISO();
    report.keepsBookings = "booking by hand";
    Edit<PupilDlg>(walk, report, C::EditPupil,
                   [&](PupilDlg& d) { (void)d.BookAt(static_cast<int>(index), when); });
}

// Everybody of one kind to a talk.
void EveryoneToATalk(Walk& walk, StepReport& report) {
    walk.selection.talk = walk.AnyTalk();
    if (walk.selection.talk == nullptr) {
        report.skipped = true;
        return;
    }
    const bool teachers = walk.Chance(50);
    report.date = walk.selection.talk->GetDate().FormatISO();
    report.text =
        std::string(teachers ? "Set All Teachers Attending" : "Set All Parents Attending") + " '" +
        walk.selection.talk->GetName() + "'";
    if (!walk.Command(teachers ? C::SetAllTeachersAttending : C::SetAllParentsAttending)) {
        report.skipped = true;
    }
}

// Last year's file made ready for this year: its appointments, or its families, gone.
void NewYear(Walk& walk, StepReport& report) {
    report.mayUnbook = true;
    report.mayDropTalks = true;
    const bool families = walk.Chance(30);
    report.text = families ? "Delete Parents and Pupils" : "Delete Appointments";
    if (!walk.Command(families ? C::DeleteParentsAndPupils : C::DeleteAppointments)) {
        report.skipped = true;
    }
}

// --- files ---

void SaveAndReopen(Walk& walk, StepReport& report) {
    report.text = "Save Event, close, open it again";
    report.changesNothing = "saving and opening again";
    const std::string path = walk.controller.GetFileName();
    if (path.empty() || walk.controller.IsReadOnly() || !walk.Command(C::SaveEvent)) {
        report.skipped = true;
        report.changesNothing.clear();
        return;
    }
    walk.controller.CloseEvent();
    (void)LoadEventFile(walk.Context(), wxString::FromUTF8(path));
}

std::vector<Step> EditSteps() {
    return {
        {"untouched OK", 14, UntouchedOK},
        {"rename", 3, RenameSomeone},
        {"rename and back", 4, RenameAndBack},
        {"attendance", 6, ChangeAttendanceOnOneDay},
        {"attendance and back", 5, ChangeAttendanceAndBack},
        {"talk", 4, AttendOrLeaveTalk},
        {"talk and back", 3, AttendTalkAndBack},
        {"add break", 3, AddBreakForEveryone},
        {"remove break", 2, RemoveBreakForEveryone},
        {"timing", 3, ChangeTimingOnce},
        {"timing and back", 5, ChangeTimingAndBack},
        {"scoring", 1, ChangeScoring},
        {"book unbooked", 3, BookUnbooked},
        {"rebook all", 2, RebookAll},
        {"optimise", 2, Optimise},
        {"lock", 3, LockOrUnlock},
        {"delete", 3, DeleteSomething},
        {"save and reopen", 4, SaveAndReopen},
        {"add family", 2, AddFamily},
        {"add teacher", 1, AddTeacherByHand},
        {"book by hand", 2, BookByHand},
        {"talk for all", 1, EveryoneToATalk},
        {"new year", 1, NewYear},
    };
}

}  // namespace

const std::vector<Step>& WalkSteps() {
    static const std::vector<Step> steps = [] {
        std::vector<Step> all = EditSteps();
        all.insert(all.end(), RoadSteps().begin(), RoadSteps().end());
        return all;
    }();
    return steps;
}
