#include <gtest/gtest.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>

#include "frame_fixture.h"
#include "gui/dialogs/time_entry.h"
#include "gui/main/event_tree_ctrl.h"
#include "gui/main/frame_commands.h"
#include "gui/main/teacher_commands.h"
#include "gui/people/appt_entry_dlg.h"
#include "gui/people/t_appt_entry_dlg.h"
#include "gui/people/teacher_dlg.h"
#include "gui/support/answer_dialogs.h"
#include "model/appointment.h"
#include "model/appointment_request.h"
#include "model/multi_day_schedule.h"
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

// Every booking of the event as "teacher|pupil|subject|date|first slot|cells", the cells being
// those it stands in.
std::vector<std::string> BookingCells(const MultiDaySchedule& days) {
    std::vector<std::string> lines;
    const TeacherList& teachers = days.GetEvent()->GetTeachers();
    for (unsigned d = 0; d < days.GetDayCount(); ++d) {
        const AppointmentGrid& grid = days.GetDay(d)->GetGrid();
        for (unsigned row = 0; row < grid.GetRowCount(); ++row) {
            for (int slot = 0; slot < static_cast<int>(grid.GetSlotCount()); ++slot) {
                const Appointment* booking = grid.PeekBooking(slot, static_cast<int>(row));
                if (booking == nullptr ||
                    grid.PeekBooking(slot - 1, static_cast<int>(row)) == booking) {
                    continue;
                }
                int cells = 1;
                while (grid.PeekBooking(slot + cells, static_cast<int>(row)) == booking) {
                    ++cells;
                }
                const AppointmentRequest* request = booking->GetRequest();
                lines.push_back(teachers.At(row)->GetName() + "|" + request->GetPupil()->GetName() +
                                "|" + request->GetSubject() + "|" +
                                days.GetDay(d)->GetDate().FormatLong() + "|" +
                                std::to_string(slot) + "|" + std::to_string(cells) + "|" +
                                std::to_string(request->GetLength()));
            }
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
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

// A longer appointment with a teacher overlaps the next of its bookings: each stays at its time
// when the longer length still fits there, the others are unbooked and named, and the file
// brings back exactly what the timetable holds.
TEST_F(TeacherCommands, ALongerTeacherLengthUnbooksTheBookingsItWouldOverlap) {
    const TeacherList& teachers = TheEvent().GetTeachers();
    Teacher* busiest = nullptr;
    size_t most = 0;
    for (unsigned row = 0; row < teachers.Count(); ++row) {
        const std::string name = teachers.At(row)->GetName() + "|";
        size_t count = 0;
        for (const std::string& line : BookingCells(*Schedule())) {
            count += line.rfind(name, 0) == 0;
        }
        if (count > most) {
            most = count;
            busiest = teachers.At(row);
        }
    }
    ASSERT_NE(busiest, nullptr);
    ASSERT_GT(most, 2u);
    const size_t before = BookingCells(*Schedule()).size();
    {
        AnswerDialogs answers([](wxDialog* dialog) {
            auto* editor = dynamic_cast<TeacherDlg*>(dialog);
            editor->GetLengthText()->ChangeValue("2");
            return editor->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
        });
        EditTeacher(host_->Context(), busiest);
        ASSERT_EQ(answers.opened, 1);
    }
    ASSERT_EQ(busiest->GetApptLength(), 2);
    const std::vector<std::string> after = BookingCells(*Schedule());
    ASSERT_LT(after.size(), before);
    for (const std::string& line : after) {
        // Each booking stands in as many cells as it is long.
        const size_t last = line.rfind('|');
        const size_t cells = line.rfind('|', last - 1);
        EXPECT_EQ(line.substr(cells + 1, last - cells - 1), line.substr(last + 1)) << line;
    }
    const std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Warning: These appointments no longer fit at their times at their "
                             "new length and have been unbooked:\n",
                             0),
              0u);
    EXPECT_EQ(static_cast<size_t>(std::count(boxes[0].begin(), boxes[0].end(), '\n')),
              before - after.size());
    EXPECT_NE(boxes[0].find(" with " + busiest->GetName() + " at "), std::string::npos);

    const std::string path = folder_.Path() + "/events/longer.qmv";
    ASSERT_TRUE(Controller().SaveEvent(path.c_str()));
    // A copy: the saved file stays locked by the window that wrote it.
    const std::string copy = folder_.Path() + "/events/copy.qmv";
    std::filesystem::copy_file(path, copy);
    QMController reopened;
    reopened.Initialise();
    ASSERT_TRUE(reopened.OpenEventFile(copy.c_str()));
    EXPECT_EQ(BookingCells(*reopened.GetSchedule()), after);
}

// A name or initials typed with blanks around them are checked, and kept, as the file keeps and
// compares them: one beside an existing teacher's is refused, a new one is stored trimmed, and
// the saved file opens again with every teacher.
TEST_F(TeacherCommands, NamesAndInitialsTypedWithBlanksAreCheckedAsTheFileComparesThem) {
    const TeacherList& teachers = TheEvent().GetTeachers();
    ASSERT_GE(teachers.Count(), 2u);
    const std::string name = teachers.At(0)->GetName();
    const std::string initials = teachers.At(1)->GetInitials();
    ASSERT_FALSE(initials.empty());
    struct Case {
        std::string name;
        std::string initials;
        std::string message;
    };
    const Case cases[] = {
        {name + " ", "QQ", "Error: There is already a teacher called \"" + name + "\""},
        {" Dr Newman", initials + " ",
         "Error: There is already a teacher with the initials \"" + initials + "\""},
        {"Dr Newman ", " QQ\t", ""},
    };
    const unsigned before = teachers.Count();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + "/" + c.initials);
        prompts_.shown.clear();
        bool refused = false;
        AnswerDialogs answers([&](wxDialog* dialog) {
            auto* editor = dynamic_cast<TeacherDlg*>(dialog);
            if (editor == nullptr) {
                return wxID_CANCEL;
            }
            editor->GetNameText()->ChangeValue(FromUtf8(c.name));
            editor->GetInitialsText()->ChangeValue(FromUtf8(c.initials));
            refused = !editor->TransferDataFromWindow();
            return refused ? wxID_CANCEL : wxID_OK;
        });
        host_->RunCommand(CommandId::AddTeacher);
        EXPECT_EQ(refused, !c.message.empty());
        EXPECT_EQ(Boxes(), c.message.empty() ? std::vector<std::string>{}
                                             : std::vector<std::string>{c.message});
    }
    ASSERT_EQ(teachers.Count(), before + 1);
    const Teacher* added = teachers.FindByNameOrInitials("qq");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->GetName(), "Dr Newman");
    EXPECT_EQ(added->GetInitials(), "QQ");

    const std::string path = folder_.Path() + "/events/names.qmv";
    ASSERT_TRUE(Controller().SaveEvent(path.c_str()));
    const std::string copy = folder_.Path() + "/events/names-copy.qmv";
    std::filesystem::copy_file(path, copy);
    QMController reopened;
    reopened.Initialise();
    ASSERT_TRUE(reopened.OpenEventFile(copy.c_str()));
    EXPECT_EQ(reopened.GetEvent()->GetTeachers().Count(), before + 1);
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
