#include <gtest/gtest.h>
#include <wx/textctrl.h>

#include <functional>
#include <string>

#include "frame_fixture.h"
#include "gui/dialogs/time_entry.h"
#include "gui/main/event_tree_ctrl.h"
#include "gui/main/frame_commands.h"
#include "gui/people/appt_entry_dlg.h"
#include "gui/people/t_appt_entry_dlg.h"
#include "gui/people/teacher_dlg.h"
#include "gui/support/answer_dialogs.h"
#include "model/appointment.h"
#include "model/appointment_request.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

// Booked slots of the parent on the day from that slot on.
int BookedFrom(const Schedule& day, const Parent* parent, unsigned firstSlot) {
    int count = 0;
    const AppointmentGrid& grid = day.GetGrid();
    for (unsigned row = 0; row < grid.GetRowCount(); ++row) {
        for (unsigned slot = firstSlot; slot < grid.GetSlotCount(); ++slot) {
            const Appointment* booking =
                grid.PeekBooking(static_cast<int>(slot), static_cast<int>(row));
            if (booking && booking->GetRequest() && booking->GetRequest()->GetPupil() &&
                booking->GetRequest()->GetPupil()->GetParent() == parent) {
                ++count;
            }
        }
    }
    return count;
}

class TeacherCommands : public CommandWindow {
protected:
    void SetUp() override {
        Open(Example());
        ASSERT_NE(Schedule(), nullptr);
        host_->GetController().BookUnbookedRequests(false, false);
        tree_ = dynamic_cast<EventTreeCtrl*>(host_->GetTree());
        ASSERT_NE(tree_, nullptr);
    }
    Event& TheEvent() { return *Schedule()->GetEvent(); }
    Teacher* SelectFirstTeacher() {
        wxTreeItemIdValue cookie;
        tree_->SelectItem(tree_->GetFirstChild(tree_->GetTeachersItem(), cookie));
        return tree_->GetSelectedTeacher();
    }

    EventTreeCtrl* tree_ = nullptr;
};

TEST_F(TeacherCommands, AddTeacherInsertsTheAcceptedCopyAndCancelAddsNothing) {
    const unsigned before = TheEvent().GetTeachers().Count();
    {
        AnswerDialogs answers([](wxDialog*) { return wxID_CANCEL; });
        host_->RunCommand(CommandId::AddTeacher);
        EXPECT_EQ(answers.opened, 1);
    }
    EXPECT_EQ(TheEvent().GetTeachers().Count(), before);
    AnswerDialogs answers([](wxDialog* dialog) {
        auto* editor = dynamic_cast<TeacherDlg*>(dialog);
        if (editor == nullptr) {
            return wxID_CANCEL;
        }
        editor->GetNameText()->ChangeValue("Dr Newman");
        editor->GetInitialsText()->ChangeValue("QQ");
        editor->GetLengthText()->ChangeValue("2");
        return editor->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
    });
    host_->RunCommand(CommandId::AddTeacher);
    ASSERT_EQ(TheEvent().GetTeachers().Count(), before + 1);
    Teacher* added = TheEvent().GetTeachers().FindByNameOrInitials("QQ");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->GetName(), "Dr Newman");
    EXPECT_EQ(added->GetApptLength(), 2);
    EXPECT_TRUE(added->IsAttending(Schedule()->GetDay(0)));
}

TEST_F(TeacherCommands, EditAndDeleteNeedASelectedTeacher) {
    for (CommandId id : {CommandId::EditTeacher, CommandId::DeleteTeacher}) {
        host_->RunCommand(id);
    }
    EXPECT_EQ(Boxes(), (std::vector<std::string>(
                           2,
                           "Error: No teacher is selected - please select a teacher in the "
                           "left-hand window and try again")));
    AnswerDialogs answers([](wxDialog*) { return wxID_CANCEL; });
    host_->RunCommand(CommandId::EditTeacherAppointments);
    EXPECT_EQ(answers.opened, 0);
}

TEST_F(TeacherCommands, EditTeacherAssignsTheCopyAndDeleteAsksFirst) {
    Teacher* teacher = SelectFirstTeacher();
    ASSERT_NE(teacher, nullptr);
    const std::string name = teacher->GetDisplayName();
    {
        AnswerDialogs answers([](wxDialog* dialog) {
            auto* editor = dynamic_cast<TeacherDlg*>(dialog);
            editor->GetLocationText()->ChangeValue("Hall 2");
            return editor->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
        });
        host_->RunCommand(CommandId::EditTeacher);
        EXPECT_EQ(answers.opened, 1);
    }
    EXPECT_EQ(teacher->GetLocation(), "Hall 2");
    const unsigned before = TheEvent().GetTeachers().Count();
    prompts_.Answer(wxID_NO);
    host_->RunCommand(CommandId::DeleteTeacher);
    EXPECT_EQ(TheEvent().GetTeachers().Count(), before);
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(ToUtf8(prompts_.shown[0].message), "This will permanently remove the teacher '" +
                                                     name + "'\nAre you sure you want to do this?");
    SelectFirstTeacher();
    prompts_.Answer(wxID_YES);
    host_->RunCommand(CommandId::DeleteTeacher);
    EXPECT_EQ(TheEvent().GetTeachers().Count(), before - 1);
}

TEST_F(TeacherCommands, AppointmentsSavedByNavigationAreTidiedAfterCancel) {
    const ::Schedule* day = Schedule()->GetDay(0);
    Parent* parent = nullptr;
    AnswerDialogs answers([&](wxDialog* dialog) {
        auto* editor = dynamic_cast<ApptEntryDlg*>(dialog);
        if (editor == nullptr || editor->GetCurrentPupil() == nullptr) {
            return wxID_CANCEL;
        }
        // Walk to a pupil whose parent is booked after the first slot, then make the parent
        // leave after it.
        for (unsigned steps = 0; steps < 200; ++steps) {
            Parent* candidate = editor->GetCurrentPupil()->GetParent();
            if (BookedFrom(*day, candidate, 1) > 0) {
                parent = candidate;
                break;
            }
            wxCommandEvent next(wxEVT_BUTTON, WxId(ApptEntryDlg::Id::NextPupil));
            editor->ProcessWindowEvent(next);
        }
        if (parent == nullptr) {
            return wxID_CANCEL;
        }
        AttendanceRow* row = editor->GetRow(0);
        row->GetEarlyBox()->SetValue(true);
        row->GetDepartureCombo()->SetTime(day->SlotToTime(1));
        wxCommandEvent next(wxEVT_BUTTON, WxId(ApptEntryDlg::Id::NextPupil));
        editor->ProcessWindowEvent(next);
        return wxID_CANCEL;
    });
    host_->RunCommand(CommandId::EditAppointments);
    ASSERT_EQ(answers.opened, 1);
    ASSERT_NE(parent, nullptr);
    EXPECT_TRUE(parent->LeavesEarly(day));
    EXPECT_EQ(BookedFrom(*day, parent, 1), 0);
}

// A final timetable rests on everybody's times: neither appointments editor may record an
// absence or a late arrival that its bookings contradict.
TEST_F(TeacherCommands, OnALockedEventTheAppointmentEditorsKeepEverybodysAttendance) {
    Teacher* teacher = SelectFirstTeacher();
    ASSERT_NE(teacher, nullptr);
    const ::Schedule* day = Schedule()->GetDay(0);
    const int row = TheEvent().GetTeachers().IndexOf(teacher);
    auto bookedAfterFirstSlot = [&] {
        int count = 0;
        for (unsigned slot = 1; slot < day->GetGrid().GetSlotCount(); ++slot) {
            count += day->GetGrid().PeekBooking(static_cast<int>(slot), row) != nullptr;
        }
        return count;
    };
    const int before = bookedAfterFirstSlot();
    ASSERT_GT(before, 0);
    Parent* parent = nullptr;
    LockSchedule(*host_->GetController().GetSchedule());

    // Each row's five controls are off; even a value forced into them is not stored.
    auto tryAbsence = [](AttendanceRow* attendance) {
        for (wxWindow* control : std::initializer_list<wxWindow*>{
                 attendance->GetAttendingBox(), attendance->GetLateBox(), attendance->GetEarlyBox(),
                 attendance->GetArrivalCombo(), attendance->GetDepartureCombo()}) {
            EXPECT_FALSE(control->IsEnabled());
        }
        attendance->GetAttendingBox()->SetValue(false);
        attendance->GetEarlyBox()->SetValue(true);
    };
    AnswerDialogs answers([&](wxDialog* dialog) {
        if (auto* editor = dynamic_cast<TApptEntryDlg*>(dialog)) {
            tryAbsence(editor->GetRow(0));
            return editor->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
        }
        if (auto* editor = dynamic_cast<ApptEntryDlg*>(dialog)) {
            parent = editor->GetCurrentPupil()->GetParent();
            tryAbsence(editor->GetRow(0));
            return editor->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
        }
        return wxID_CANCEL;
    });
    host_->RunCommand(CommandId::EditTeacherAppointments);
    // On the first pupil: the menu item is off while locked, but the tree offers it.
    host_->RunCommand(CommandId::EditAppointments);
    ASSERT_EQ(answers.opened, 2);
    ASSERT_NE(parent, nullptr);
    EXPECT_TRUE(teacher->IsAttending(day));
    EXPECT_FALSE(teacher->LeavesEarly(day));
    EXPECT_TRUE(parent->IsAttending(day));
    EXPECT_EQ(bookedAfterFirstSlot(), before);
}

}  // namespace
