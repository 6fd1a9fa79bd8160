#include <memory>
#include <string>
#include <vector>

#include "foundation/uc_error.h"
#include "gui/dialogs/time_entry.h"
#include "gui/main/event_summary_pane.h"
#include "gui/main/frame_commands.h"
#include "gui/main/quillmoot_frame.h"
#include "gui/main/schedule_views.h"
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

std::string NothingSelected(const char* kind) {
    return std::string("No ") + kind + " is selected - please select a " + kind +
           " in the left-hand window and try again";
}

// Bookings that no longer fit changed attendance go, unless the timetable is final.
void UnbookOutOfRange(MultiDaySchedule* schedule) {
    if (schedule->GetEvent() && !schedule->GetEvent()->IsLocked()) {
        schedule->UnbookOutOfRangeAppointments();
    }
}

}  // namespace

void QuillmootFrame::BindPeopleCommands() {
    BindCommand(ID_ADD_PARENT, [this] {
        MultiDaySchedule* schedule = ScheduleWithEvent();
        if (!schedule) {
            return;
        }
        Event& event = *schedule->GetEvent();
        if (event.GetParents().Count() == 0 &&
            !AskYesNo("It is a lot faster to import parents from a file rather than adding them "
                      "manually. Are you sure you want to add a parent manually?")) {
            return;
        }
        auto parent = std::make_unique<Parent>();
        parent->ResetAttendanceAllDays(schedule);
        {
            ParentDlg dialog(this, parent.get(), schedule, EditMode::Add);
            if (dialog.ShowModal() != wxID_OK) {
                return;
            }
        }
        if (!schedule->AddParent(std::move(parent))) {
            ReportMessage(SeverityError, "Cannot insert new parent");
        }
    });
    BindCommand(ID_ADD_PRESENTATION, [this] {
        MultiDaySchedule* schedule = ScheduleWithEvent();
        if (!schedule || schedule->GetDay(0) == nullptr) {
            return;
        }
        const Schedule* first = schedule->GetDay(0);
        auto presentation = std::make_unique<Presentation>();
        presentation->SetDate(first->GetDate());
        presentation->SetTimes(first->GetStartTime(), first->SlotToTime(1));
        {
            PresentationDlg dialog(this, EditMode::Add, presentation.get(), schedule);
            if (dialog.ShowModal() != wxID_OK) {
                return;
            }
        }
        if (!schedule->GetEvent()->AddPresentation(std::move(presentation))) {
            ReportMessage(SeverityError, "Cannot insert new presentation");
        }
    });
    BindCommand(ID_ADD_BREAK_TO_ALL_TEACHERS, [this] {
        MultiDaySchedule* schedule = ScheduleWithEvent();
        if (!schedule) {
            return;
        }
        TeacherBreakDlg dialog(this, schedule);
        if (dialog.ShowModal() == wxID_OK && dialog.GetCurrentDay() != nullptr) {
            dialog.GetCurrentDay()->AddBreaksForAllTeachers(
                dialog.GetBreakTime(), dialog.GetBreakLength(), dialog.GetRandomOffset());
        }
    });
    // Editing needs an open file; without a selection the user is told what to pick.
    const auto bindEdit = [this](int id, const char* kind, auto selected, auto edit) {
        BindCommand(id, [this, kind, selected, edit] {
            if (!controller_.GetSchedule()) {
                return;
            }
            if (auto* item = selected()) {
                edit(item);
            } else {
                ReportMessage(SeverityError, NothingSelected(kind));
            }
        });
    };
    bindEdit(
        ID_EDIT_PARENT, "parent", [this] { return tree_->GetSelectedParent(); },
        [this](Parent* parent) { EditParent(parent); });
    bindEdit(
        ID_EDIT_PUPIL, "pupil", [this] { return tree_->GetSelectedPupil(); },
        [this](Pupil* pupil) { EditPupil(pupil); });
    bindEdit(
        ID_EDIT_PRESENTATION, "presentation", [this] { return tree_->GetSelectedPresentation(); },
        [this](Presentation* presentation) { EditPresentation(presentation); });
    // Removal cannot be undone, so it is confirmed.
    const auto bindDelete = [this](int id, const char* kind, auto selected, auto question,
                                   auto remove) {
        BindCommand(id, [this, kind, selected, question, remove] {
            MultiDaySchedule* schedule = ScheduleWithEvent();
            if (!schedule) {
                return;
            }
            auto* item = selected();
            if (item == nullptr) {
                ReportMessage(SeverityError, NothingSelected(kind));
                return;
            }
            if (!AskYesNo(question(*item))) {
                return;
            }
            (void)remove(*schedule, item);  // a refusal says why
        });
    };
    bindDelete(
        ID_DELETE_PARENT, "parent", [this] { return tree_->GetSelectedParent(); },
        [](const Parent& parent) {
            return "This will permanently remove the parent '" + parent.GetDisplayName() +
                   "' and all the pupil(s) belonging to them.\nAre you sure you want to do this?";
        },
        [](MultiDaySchedule& schedule, Parent* parent) { return schedule.DeleteParent(parent); });
    bindDelete(
        ID_DELETE_PRESENTATION, "presentation", [this] { return tree_->GetSelectedPresentation(); },
        [](const Presentation& presentation) {
            return "This will permanently remove the presentation '" + presentation.GetName() +
                   "'.\nAre you sure you want to do this?";
        },
        [](MultiDaySchedule& schedule, Presentation* presentation) {
            return schedule.DeletePresentation(presentation);
        });
    BindCommand(ID_DELETE_BREAK_FROM_ALL_TEACHERS, [this] {
        MultiDaySchedule* schedule = ScheduleWithEvent();
        if (!schedule) {
            return;
        }
        TimeEntryDlg dialog(this, "Enter break time",
                            "Please enter the time of the break:", schedule);
        if (dialog.ShowModal() != wxID_OK) {
            return;
        }
        const DateTime when = dialog.GetDateTime();
        if (Schedule* day = schedule->FindDay(when.GetDate())) {
            day->RemoveBreakForAllTeachers(when.GetTime());
        }
    });
    struct Bulk {
        int id;
        const char* question;
        void (*apply)(MultiDaySchedule&);
    };
    static const Bulk kBulk[] = {
        {ID_DELETE_ALL_TEACHER_BREAKS,
         "This will remove all breaks from all teachers. Are you sure you want to do this?",
         [](MultiDaySchedule& schedule) { schedule.RemoveTeacherBreaks(); }},
        {ID_RESET_ATTENDANCE_TIMES,
         "This will reset the attendance times for all teachers and all parents back to the "
         "event's start and end times. Are you sure you want to do this?",
         [](MultiDaySchedule& schedule) { schedule.ResetAttendanceTimes(); }},
        {ID_DELETE_APPOINTMENTS,
         "This will remove all the existing appointments from this event, resulting in no "
         "pupils wanting to see anybody.\nThis is typically only done when you wish to use last "
         "year's file as a base for this year's parents evening.\nAre you sure you want to do "
         "this?",
         [](MultiDaySchedule& schedule) {
             // Requests may go only once no day books them.
             if (schedule.GetEvent()->IsLocked()) {
                 ReportMessage(SeverityError,
                               "Cannot delete appointments because the schedule is locked");
                 return;
             }
             schedule.ClearBookings();
             ParentList& parents = schedule.GetEvent()->GetParents();
             parents.DeleteAllRequests();
             for (EmailTextKind kind : {EmailInvitation, EmailReminder, EmailResults}) {
                 parents.ClearEmailSent(kind);
             }
         }},
        {ID_DELETE_PARENTS_AND_PUPILS,
         "This will remove all parents and pupils from this event, leaving only the teachers "
         "remaining.\nThis is typically only done when you have a new year of pupils and you "
         "need to set up a totally new schedule for them.\nAre you sure you want to do this?",
         [](MultiDaySchedule& schedule) {
             if (schedule.GetEvent()->IsLocked()) {
                 ReportMessage(SeverityError,
                               "Cannot delete parents because the schedule is locked");
                 return;
             }
             schedule.ClearBookings();
             // Unlocked and unbooked above, so nothing can refuse.
             (void)schedule.GetEvent()->DeleteParentsAndPupils();
         }},
    };
    for (const Bulk& bulk : kBulk) {
        BindCommand(bulk.id, [this, &bulk] {
            MultiDaySchedule* schedule = ScheduleWithEvent();
            if (!schedule || !AskYesNo(bulk.question)) {
                return;
            }
            bulk.apply(*schedule);
        });
    }
    BindCommand(ID_DELETE_UNBOOKED_PARENTS, [this] {
        MultiDaySchedule* schedule = ScheduleWithEvent();
        if (!schedule) {
            return;
        }
        const int count = schedule->CountParentsWithoutRequests();
        if (count == 0) {
            ReportMessage(SeverityInformation,
                          "All parents have appointments, so none will be deleted");
            return;
        }
        if (!AskYesNo("There are " + std::to_string(count) +
                      " parents with no appointments. Are you sure you want to delete them all? "
                      "This operation cannot be undone!")) {
            return;
        }
        const int deleted = schedule->DeleteParents();
        ReportMessage(SeverityInformation, std::to_string(deleted) + " parents have been deleted");
    });
    BindCommand(ID_BOOK_FORM_APPOINTMENT, [this] {
        MultiDaySchedule* schedule = ScheduleWithEvent();
        if (!schedule) {
            return;
        }
        // Only a form's own item names a form; "No form specified" is not one.
        static const std::string kPrefix = "Form ";
        const std::string label = tree_->GetSelectedGroupName();
        if (label.size() <= kPrefix.size() || label.compare(0, kPrefix.size(), kPrefix) != 0) {
            return;
        }
        const std::string form = label.substr(kPrefix.size());
        Event& event = *schedule->GetEvent();
        Teacher* teacher = nullptr;
        int priority = 1;
        {
            TeacherEntryDlg dialog(
                this, &event.GetTeachers(), nullptr,
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
    });
    for (int id : {ID_SET_ALL_TEACHERS_ATTENDING, ID_SET_ALL_PARENTS_ATTENDING}) {
        BindCommand(id, [this, id] {
            MultiDaySchedule* schedule = ScheduleWithEvent();
            if (!schedule) {
                return;
            }
            Presentation* presentation = tree_->GetSelectedPresentation();
            if (presentation == nullptr) {
                ReportMessage(SeverityError, NothingSelected("presentation"));
                return;
            }
            Event& event = *schedule->GetEvent();
            std::vector<Attendee*> people;
            if (id == ID_SET_ALL_TEACHERS_ATTENDING) {
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
        });
    }
    BindCommand(ID_EDIT_PRESENTATIONS_ATTENDED, [this] {
        MultiDaySchedule* schedule = controller_.GetSchedule();
        if (!schedule) {
            return;
        }
        Person* person = tree_->GetSelectedObject();
        if (person == nullptr && tree_->GetSelectedPresentation() == nullptr) {
            ReportMessage(SeverityError,
                          "Nobody is selected - please select the correct person "
                          "in the left-hand window and try again");
            return;
        }
        const PersonKind kind = person ? person->GetKind() : PersonKind::Person;
        if (kind != PersonKind::Parent && kind != PersonKind::Teacher) {
            ReportMessage(SeverityError,
                          "This operation is only valid for teachers and parents - please select "
                          "the correct person in the left-hand window and try again");
            return;
        }
        {
            AttendeePresDlg dialog(this, static_cast<Attendee*>(person), schedule);
            dialog.ShowModal();
        }
    });
}

void QuillmootFrame::EditParent(Parent* parent) {
    const ChangeScope change(*this);
    MultiDaySchedule* schedule = controller_.GetSchedule();
    if (!schedule || parent == nullptr) {
        return;
    }
    bool accepted = false;
    bool savedWhileOpen = false;
    {
        ParentDlg dialog(this, parent, schedule, EditMode::Edit);
        accepted = dialog.ShowModal() == wxID_OK;
        savedWhileOpen = dialog.SavedWhileOpen();
    }
    if (accepted || savedWhileOpen) {
        UnbookOutOfRange(schedule);
    }
}

void QuillmootFrame::EditPupil(Pupil* pupil) {
    const ChangeScope change(*this);
    MultiDaySchedule* schedule = controller_.GetSchedule();
    if (!schedule || !schedule->GetEvent() || pupil == nullptr) {
        return;
    }
    ParentList& parents = schedule->GetEvent()->GetParents();
    for (unsigned p = 0; p < parents.Count(); ++p) {
        Parent* parent = parents.At(p);
        for (unsigned i = 0; i < parent->GetPupilCount(); ++i) {
            if (parent->GetPupil(i) == pupil) {
                EditPupilOfParent(parent, i);
                return;
            }
        }
    }
}

void QuillmootFrame::EditPupilOfParent(Parent* parent, unsigned index) {
    const ChangeScope change(*this);
    MultiDaySchedule* schedule = controller_.GetSchedule();
    Pupil* pupil = parent ? parent->GetPupil(index) : nullptr;
    if (!schedule || pupil == nullptr) {
        return;
    }
    PupilDlg dialog(this, parent, pupil, schedule);
    dialog.ShowModal();
}

void QuillmootFrame::EditPresentation(Presentation* presentation) {
    const ChangeScope change(*this);
    MultiDaySchedule* schedule = controller_.GetSchedule();
    if (!schedule || presentation == nullptr) {
        return;
    }
    PresentationDlg dialog(this, EditMode::Edit, presentation, schedule);
    dialog.ShowModal();
}
