// Changes that reach the event on roads no OK passes: each must be offered for saving (an
// autosave copy, a question on closing), and what was typed must survive a nested editor.
#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/listbox.h>

#include <filesystem>
#include <functional>
#include <string>

#include "editor_script.h"
#include "frame_fixture.h"
#include "gui/dialogs/modal_dialog_tracker.h"
#include "gui/dialogs/time_entry.h"
#include "gui/main/event_tree_ctrl.h"
#include "gui/main/frame_commands.h"
#include "gui/people/attendee_pres_dlg.h"
#include "gui/people/parent_dlg.h"
#include "gui/people/people_edits.h"
#include "gui/people/pupil_dlg.h"
#include "gui/people/t_appt_entry_dlg.h"
#include "gui/people/teacher_dlg.h"
#include "gui/support/user_input.h"
#include "model/appointment_request.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

namespace fs = std::filesystem;

class LostEdits : public MainWindow {
protected:
    void SetUp() override { OpenExampleAgain(); }
    void OpenExampleAgain() {
        if (frame_ != nullptr) {
            frame_->Destroy();
            ProcessPending();
            std::filesystem::remove(AutosavePath());
        }
        Open(Example());
        ASSERT_NE(Schedule(), nullptr);
        tree_ = dynamic_cast<EventTreeCtrl*>(frame_->GetTree()->GetWindow());
        ASSERT_NE(tree_, nullptr);
    }
    Event& TheEvent() { return *Schedule()->GetEvent(); }
    void Select(const Person* person) {
        for (wxTreeItemId group : {tree_->GetTeachersItem(), tree_->GetParentsItem()}) {
            wxTreeItemIdValue cookie;
            for (wxTreeItemId item = tree_->GetFirstChild(group, cookie); item.IsOk();
                 item = tree_->GetNextChild(group, cookie)) {
                tree_->SelectItem(item);
                if (tree_->GetSelectedObject() == person) {
                    return;
                }
                wxTreeItemIdValue inner;
                for (wxTreeItemId child = tree_->GetFirstChild(item, inner); child.IsOk();
                     child = tree_->GetNextChild(item, inner)) {
                    tree_->SelectItem(child);
                    if (tree_->GetSelectedObject() == person) {
                        return;
                    }
                }
            }
        }
        FAIL() << "not in the tree";
    }
    // Who goes to exactly one presentation, of the teachers or else of the parents.
    template <typename List>
    static auto* AtOnePresentation(List& people) {
        for (unsigned i = 0; i < people.Count(); ++i) {
            if (people.At(i)->GetPresentations().Count() == 1) {
                return people.At(i);
            }
        }
        return decltype(people.At(0))(nullptr);
    }
    // What a user is shown of a change not yet saved: the autosave copy is written, and
    // closing asks first (Cancel keeps the window).
    void ExpectOfferedForSaving() {
        Tick();
        EXPECT_TRUE(fs::exists(AutosavePath())) << "no autosave copy was written";
        prompts_.Answer(wxID_CANCEL);
        frame_->Close(false);
        const bool closed = Closed();
        EXPECT_FALSE(closed) << "the window closed without asking";
        if (closed) {
            frame_ = nullptr;
        }
    }

    EventTreeCtrl* tree_ = nullptr;
    // Registered before the script, which then answers first: a dialog the script answers is
    // never counted as open for the tests after this one.
    ModalDialogTracker& tracker_ = ModalDialogTracker::Instance();
    EditorScript script_;
};

int UntickAll(wxDialog* dialog) {
    auto* choice = dynamic_cast<AttendeePresDlg*>(dialog);
    for (wxCheckBox* box : choice->GetBoxes()) {
        box->SetValue(false);
    }
    return choice->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
}

TEST_F(LostEdits, UntickingTheLastPresentationIsOfferedForSavingOnEveryRoad) {
    struct Road {
        const char* name;
        bool teacher;
        std::function<void()> run;
    };
    const Road roads[] = {
        {"Edit Presentations", false,
         [this] {
             script_.steps.push_back(UntickAll);
             frame_->RunCommand(CommandId::EditPresentationsAttended);
         }},
        {"the parent editor's button, then Cancel", false,
         [this] {
             script_.steps.push_back([](wxDialog* dialog) {
                 Press(dialog, WxId(ParentDlg::Id::Presentations));
                 return wxID_CANCEL;
             });
             script_.steps.push_back(UntickAll);
             frame_->RunCommand(CommandId::EditParent);
         }},
        {"the teacher editor's button, then Cancel", true,
         [this] {
             script_.steps.push_back([](wxDialog* dialog) {
                 Press(dialog, WxId(TeacherDlg::Id::Presentations));
                 return wxID_CANCEL;
             });
             script_.steps.push_back(UntickAll);
             frame_->RunCommand(CommandId::EditTeacher);
         }},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        OpenExampleAgain();
        Attendee* person = road.teacher
                               ? static_cast<Attendee*>(AtOnePresentation(TheEvent().GetTeachers()))
                               : static_cast<Attendee*>(AtOnePresentation(TheEvent().GetParents()));
        ASSERT_NE(person, nullptr);
        Select(person);
        road.run();
        EXPECT_EQ(person->GetPresentations().Count(), 0u);
        ExpectOfferedForSaving();
    }
}

TEST_F(LostEdits, RequestChangesInACancelledPupilEditorAreOfferedForSaving) {
    struct Change {
        const char* name;
        std::function<bool(PupilDlg&, Pupil&, Event&)> make;
    };
    const Change changes[] = {
        {"a request added",
         [](PupilDlg& dialog, Pupil& pupil, Event& event) {
             RequestEntry entry;
             for (unsigned i = 0; i < event.GetTeachers().Count() && !entry.teacher; ++i) {
                 if (pupil.FindRequest(event.GetTeachers().At(i), "") == nullptr) {
                     entry.teacher = event.GetTeachers().At(i);
                 }
             }
             return dialog.AddRequest(entry);
         }},
        {"a priority changed",
         [](PupilDlg& dialog, Pupil& pupil, Event&) {
             const AppointmentRequest* request = pupil.GetRequest(0);
             return dialog.EditRequest(0, request->GetPriority() == 2 ? 0 : 2,
                                       request->GetOwnLength());
         }},
        {"a length changed",
         [](PupilDlg& dialog, Pupil& pupil, Event&) {
             const AppointmentRequest* request = pupil.GetRequest(0);
             return dialog.EditRequest(0, request->GetPriority(), 2);
         }},
        {"an unbooked request removed",
         [](PupilDlg& dialog, Pupil&, Event&) { return dialog.RemoveRequest(0); }},
    };
    for (bool throughParent : {false, true}) {
        for (const Change& change : changes) {
            SCOPED_TRACE(std::string(change.name) +
                         (throughParent ? ", through the parent editor" : ", from the menu"));
            OpenExampleAgain();
            Parent* parent = TheEvent().GetParents().FindByKey("FAM1004");
            ASSERT_NE(parent, nullptr);
            Pupil* pupil = parent->GetPupil(0);
            ASSERT_GT(pupil->GetRequestCount(), 0u);
            ASSERT_FALSE(Schedule()->IsRequestBooked(pupil->GetRequest(0)));
            if (throughParent) {
                script_.steps.push_back([](wxDialog* dialog) {
                    auto* editor = dynamic_cast<ParentDlg*>(dialog);
                    editor->GetPupilsList()->SetSelection(0);
                    Press(dialog, WxId(ParentDlg::Id::EditPupil));
                    return wxID_CANCEL;
                });
            }
            bool changed = false;
            script_.steps.push_back([&](wxDialog* dialog) {
                changed = change.make(*dynamic_cast<PupilDlg*>(dialog), *pupil, TheEvent());
                return wxID_CANCEL;
            });
            Select(throughParent ? static_cast<Person*>(parent) : pupil);
            frame_->RunCommand(throughParent ? CommandId::EditParent : CommandId::EditPupil);
            ASSERT_TRUE(changed);
            ExpectOfferedForSaving();
        }
    }
}

// The teacher editor keeps its own copy of the teacher; the appointments editor it opens
// writes into the event's teacher. What was typed in the first must survive the second.
TEST_F(LostEdits, AttendanceTypedBeforeEditAppointmentsSurvivesIt) {
    for (bool switchDayFirst : {false, true}) {
        SCOPED_TRACE(switchDayFirst ? "saved into the copy by a day switch" : "on the day shown");
        OpenExampleAgain();
        Teacher* teacher = TheEvent().GetTeachers().At(0);
        ASSERT_NE(teacher, nullptr);
        const ::Schedule* first = Schedule()->GetDay(0);
        ASSERT_FALSE(teacher->ArrivesLate(first));
        const TimeOfDay five(17, 0, 0);
        script_.steps.push_back([&](wxDialog* dialog) {
            auto* editor = dynamic_cast<TeacherDlg*>(dialog);
            ::Tick(editor->GetLateBox(), true);
            editor->GetArrivalCombo()->SetTime(five);
            if (switchDayFirst) {
                Press(dialog, WxId(DaySelectDlg::Id::NextDay));
            }
            Press(dialog, WxId(TeacherDlg::Id::EditAppointments));
            return editor->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
        });
        script_.steps.push_back([](wxDialog* dialog) {
            return dynamic_cast<TApptEntryDlg*>(dialog)->TransferDataFromWindow() ? wxID_OK
                                                                                  : wxID_CANCEL;
        });
        Select(teacher);
        frame_->RunCommand(CommandId::EditTeacher);
        EXPECT_TRUE(teacher->ArrivesLate(first));
        EXPECT_EQ(teacher->GetStartTime(first), five);
    }
}

// A day switch writes the day left into the parent at once; Cancel cannot take it back, so it
// must count as a change like any other. After such a Cancel the window unbooks what falls
// outside the new times; whatever that pass removes would be marked, so the roads here remove
// nothing: on a locked event there is no pass (and the parent editor leaves the attending box
// open there), and an arrival made earlier frees slots.
TEST_F(LostEdits, AttendanceSavedByADaySwitchThenCancelledIsOfferedForSaving) {
    for (bool locked : {true, false}) {
        SCOPED_TRACE(locked ? "a locked event, no longer attending" : "no longer arriving late");
        OpenExampleAgain();
        Parent* parent = TheEvent().GetParents().FindByKey("FAM1004");
        ASSERT_NE(parent, nullptr);
        const ::Schedule* first = Schedule()->GetDay(0);
        if (locked) {
            LockSchedule(*frame_->GetController().GetSchedule());
        } else {
            ASSERT_TRUE(parent->SetStartTime(first, first->SlotToTime(2)));
            parent->SetArrivesLate(first, true);
        }
        ASSERT_TRUE(SaveEvent(frame_->Context()));
        script_.steps.push_back([locked](wxDialog* dialog) {
            auto* editor = dynamic_cast<ParentDlg*>(dialog);
            ::Tick(locked ? editor->GetAttendingBox() : editor->GetLateBox(), false);
            Press(dialog, WxId(DaySelectDlg::Id::NextDay));
            return wxID_CANCEL;
        });
        Select(parent);
        frame_->RunCommand(CommandId::EditParent);
        EXPECT_FALSE(locked ? parent->IsAttending(first) : parent->ArrivesLate(first));
        ExpectOfferedForSaving();
    }
}

}  // namespace
