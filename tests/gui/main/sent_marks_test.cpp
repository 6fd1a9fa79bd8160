// Whatever a command does, through its editors' OK or their Cancel, on an open or a locked event,
// the results marks of exactly the people whose timetable it changed are cleared; the commands
// that start a new year from last year's file clear every mark of everyone, once they ran.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/event_file_writer.h"
#include "app/optimise_session.h"
#include "editor_script.h"
#include "every_command.h"
#include "gui/dialogs/optimise_dlg.h"
#include "gui/main/overview_layout.h"
#include "gui/main/schedule_commands.h"
#include "gui/people/teacher_entry_dlg.h"
#include "import/wx/define_csv_dlg.h"
#include "import/wx/dialog_answers.h"
#include "import/wx/import_priority_dlg.h"
#include "import/wx/import_progress_dlg.h"
#include "support/timetable_account.h"

namespace {

class SentMarks : public EveryCommandWindow,
                  public ::testing::WithParamInterface<std::vector<int>> {
protected:
    Event& TheEvent() { return *Schedule()->GetEvent(); }
};

TEST_P(SentMarks, EveryCommandUnmarksExactlyThoseWhoseTimetableItChanged) {
    struct Road {
        const char* name;
        bool ok;
        bool locked;
    };
    const Road roads[] = {
        {" through Cancel", false, false},
        {" through OK", true, false},
        {" through OK on a locked event", true, true},
    };
    for (int id : GetParam()) {
        const CommandId command = CommandOfWxId(id);
        for (const Road& road : roads) {
            SCOPED_TRACE("command " + std::to_string(id) + road.name);
            Start();
            if (HasFatalFailure()) {
                return;
            }
            SelectFor(command);
            if (road.locked) {
                LockSchedule(*Schedule());
            }
            frame_->GetController().SettleChanges();
            // The window offers only what a locked event allows.
            if (road.locked && !IsCommandAllowed(FindCommand(command)->needs,
                                                 ComputeFrameState(frame_->GetController()))) {
                continue;
            }
            MarkEveryoneSent(TheEvent());
            const std::shared_ptr<Event> event = Schedule()->GetEvent();
            const TimetableAccount before = AccountTimetables(*Schedule());
            {
                EveryPrompt prompts(road.ok, copy_, folder_.Path() + "/events");
                EveryEditor editors(road.ok);
                ASSERT_TRUE(frame_->RunCommand(command));
            }
            ClosePreviews();
            ASSERT_NE(TheMainFrame, nullptr);
            // Another event (opened, new, recovered) has marks of its own.
            if (Schedule() == nullptr || Schedule()->GetEvent() != event) {
                continue;
            }
            const TimetableAccount after = AccountTimetables(*Schedule());
            const std::set<const Person*> changed = ChangedTimetablesIn(before, after);
            const bool newYear = road.ok && !road.locked &&
                                 (command == CommandId::DeleteAppointments ||
                                  command == CommandId::DeleteParentsAndPupils);
            for (const Person* person : EveryPerson(*event)) {
                if (before.count(person) == 0) {
                    continue;
                }
                SCOPED_TRACE(person->GetName());
                EXPECT_EQ(person->GetEmailSent(EmailInvitation), !newYear);
                EXPECT_EQ(person->GetEmailSent(EmailReminder), !newYear);
                EXPECT_EQ(person->GetEmailSent(EmailResults),
                          !newYear && changed.count(person) == 0)
                    << "Before:\n"
                    << before.at(person) << "After:\n"
                    << after.at(person);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, SentMarks, ::testing::ValuesIn(CommandGroups()),
                         [](const ::testing::TestParamInfo<std::vector<int>>& info) {
                             return "Commands" + std::to_string(info.param.front()) + "To" +
                                    std::to_string(info.param.back());
                         });

// What the overview's popup acts on: a teacher's cell, as a right-click there leaves it.
class CellSelection : public NoSelection {
public:
    explicit CellSelection(OverviewCell cell) : cell_(std::move(cell)) {}
    OverviewCell* GetSelectedCell() const override { return &cell_; }

private:
    mutable OverviewCell cell_;
};

// The roads the run over every command cannot take on its own: the overview's cells, the
// optimiser's window running, a form booked, a file merged, a school with something unbooked.
class SentMarkRoads : public EveryCommandWindow {
protected:
    Event& TheEvent() { return *Schedule()->GetEvent(); }
    ::Schedule& Day() { return *Schedule()->GetDay(0); }
    std::pair<int, int> FirstBooking() { return ::FirstBooking(Day()); }
    int FreeSlot(int row) { return ::FreeSlot(Day(), row); }
    void OnCell(CommandId id, int slot, int row) {
        OverviewCell cell;
        cell.schedule = Schedule();
        cell.event = Schedule()->GetEvent();
        cell.hit.kind = HitTeacherRow;
        cell.hit.day = &Day();
        cell.hit.slot = slot;
        cell.hit.row = row;
        cell.teacherIndex = row;
        cell.appointment = Day().GetGrid().PeekBooking(slot, row) != nullptr
                               ? Day().GetGrid().GetBooking(slot, row)
                               : nullptr;
        const CellSelection selection(std::move(cell));
        ASSERT_TRUE(frame_->RunCommand(id, selection, frame_));
    }
    void Unbook(int slot, int row) { ASSERT_TRUE(Day().RemoveAppointment(slot, row)); }
    void Lock() { LockSchedule(*Schedule()); }
    // A copy of the event with one request more than it holds.
    std::string FileWithARequestMore() {
        Pupil* pupil = TheEvent().GetParents().Get(0)->GetPupil(0);
        const Teacher* teacher = TheEvent().GetTeachers().Get(0);
        EXPECT_TRUE(pupil->AddRequest(TheEvent().GetTeachers().Get(0), "Merged", 1, -1));
        const std::string path =
            folder_.Write("events/more.qmv", EventFileWriter(*Schedule()).FormatEventFile());
        EXPECT_TRUE(pupil->DeleteRequest(teacher, "Merged"));
        return path;
    }
    // A request list asking a teacher for the first pupil, who has not asked that teacher yet.
    std::string RequestListFile() {
        const Pupil* pupil = TheEvent().GetParents().Get(0)->GetPupil(0);
        const TeacherList& teachers = TheEvent().GetTeachers();
        unsigned t = 0;
        while (t + 1 < teachers.Count() && pupil->HasRequestFor(teachers.Get(t))) {
            ++t;
        }
        return folder_.Write("requests.csv", "Pupil's Full Name,Teacher's Full Name\n" +
                                                 pupil->GetName() + "," +
                                                 teachers.Get(t)->GetName() + "\n");
    }
};

TEST_F(SentMarkRoads, EachRoadUnmarksExactlyThosePeopleWhoseTimetableItChanged) {
    struct Road {
        const char* name;
        // Before the marks are set: what the office did earlier.
        std::function<void()> before;
        std::function<void()> run;
        bool changes;
    };
    const auto none = [] {};
    int slot = 0;
    int row = 0;
    std::string merged;
    std::string list;
    const auto unbookFirst = [&] {
        std::tie(slot, row) = FirstBooking();
        Unbook(slot, row);
    };
    const auto findFirst = [&] { std::tie(slot, row) = FirstBooking(); };
    const Road roads[] = {
        {"Book unbooked", unbookFirst,
         [&] { ASSERT_TRUE(frame_->RunCommand(CommandId::BookIncomplete)); }, true},
        {"Optimise, its window run for a pass", unbookFirst,
         [&] {
             EditorScript editors;
             editors.steps.push_back([](wxDialog* dialog) {
                 auto* optimiser = dynamic_cast<OptimiseDlg*>(dialog);
                 EXPECT_NE(optimiser, nullptr);
                 for (int tick = 0; optimiser != nullptr && tick < 100000 &&
                                    optimiser->GetSession().GetPasses() < 1 &&
                                    !optimiser->GetSession().IsFinished();
                      ++tick) {
                     wxIdleEvent idle;
                     optimiser->OnIdle(idle);
                 }
                 return static_cast<int>(wxID_CANCEL);
             });
             ASSERT_TRUE(frame_->RunCommand(CommandId::Optimise));
         },
         true},
        {"Unbook in the overview", findFirst,
         [&] {
             prompts_.Answer(wxID_YES);
             OnCell(CommandId::UnbookAppointment, slot, row);
         },
         true},
        {"Unbook in the overview, No", findFirst,
         [&] {
             prompts_.Answer(wxID_NO);
             OnCell(CommandId::UnbookAppointment, slot, row);
         },
         false},
        {"Unbook in the overview, locked",
         [&] {
             findFirst();
             Lock();
         },
         [&] {
             prompts_.Answer(wxID_YES);
             OnCell(CommandId::UnbookAppointment, slot, row);
         },
         false},
        {"Delete a request in the overview", findFirst,
         [&] {
             prompts_.Answer(wxID_YES);
             OnCell(CommandId::DeleteRequest, slot, row);
         },
         true},
        {"Add a break in the overview", [&] { slot = FreeSlot(0); },
         [&] { OnCell(CommandId::AddBreak, slot, 0); }, true},
        {"Remove a break in the overview",
         [&] {
             slot = FreeSlot(0);
             Day().AddTeacherBreaks(TheEvent().GetTeachers().Get(0), Day().SlotToTime(slot), 1, 0);
         },
         [&] { OnCell(CommandId::RemoveBreak, slot, 0); }, true},
        {"Book Form Appointment",
         [&] {
             auto* tree = dynamic_cast<EventTreeCtrl*>(frame_->GetTree()->GetWindow());
             wxTreeItemIdValue cookie;
             tree->SelectItem(tree->GetFirstChild(tree->GetPupilsItem(), cookie));
         },
         [&] {
             EditorScript editors;
             editors.steps.push_back([](wxDialog* dialog) {
                 auto* entry = dynamic_cast<TeacherEntryDlg*>(dialog);
                 EXPECT_NE(entry, nullptr);
                 entry->GetTeacherCombo()->SetValue("ba");
                 return entry->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
             });
             ASSERT_TRUE(frame_->RunCommand(CommandId::BookFormAppointment));
         },
         true},
        {"Merge Changes of a file with a request more", [&] { merged = FileWithARequestMore(); },
         [&] {
             EveryPrompt prompts(true, merged, folder_.Path() + "/events");
             EveryEditor editors(true);
             ASSERT_TRUE(frame_->RunCommand(CommandId::MergeChanges));
         },
         true},
        {"Merge Changes, Cancel", [&] { merged = FileWithARequestMore(); },
         [&] {
             EveryPrompt prompts(false, merged, folder_.Path() + "/events");
             ASSERT_TRUE(frame_->RunCommand(CommandId::MergeChanges));
         },
         false},
        {"Import Request List", [&] { list = RequestListFile(); },
         [&] {
             prompts_.Choose(FromUtf8(list));
             DialogAnswers dialogs;
             dialogs.Then<DefineCSVDlg>([](DefineCSVDlg& define) {
                 EXPECT_TRUE(define.TransferDataFromWindow());
                 return static_cast<int>(wxID_OK);
             });
             dialogs.Then<ImportPTPrioDlg>([](ImportPTPrioDlg& ask) {
                 EXPECT_TRUE(ask.TransferDataFromWindow());
                 return static_cast<int>(wxID_OK);
             });
             dialogs.Then<ImportProgressDlg>([](ImportProgressDlg& d) { return RunToEnd(d); });
             ASSERT_TRUE(frame_->RunCommand(CommandId::ImportRequestList));
         },
         true},
        {"Import Request List, Cancel", [&] { list = RequestListFile(); },
         [&] {
             prompts_.Choose(FromUtf8(list));
             DialogAnswers dialogs;
             dialogs.Then<DefineCSVDlg>(
                 [](DefineCSVDlg&) { return static_cast<int>(wxID_CANCEL); });
             ASSERT_TRUE(frame_->RunCommand(CommandId::ImportRequestList));
         },
         false},
        {"Remove Lock, No", [&] { Lock(); },
         [&] {
             prompts_.Answer(wxID_NO);
             ASSERT_TRUE(frame_->RunCommand(CommandId::RemoveLock));
         },
         false},
        {"nothing", none, none, false},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        Start();
        if (HasFatalFailure()) {
            return;
        }
        road.before();
        frame_->GetController().SettleChanges();
        MarkEveryoneSent(TheEvent());
        const TimetableAccount before = AccountTimetables(*Schedule());
        road.run();
        const std::set<const Person*> changed =
            ChangedTimetablesIn(before, AccountTimetables(*Schedule()));
        EXPECT_EQ(!changed.empty(), road.changes);
        ExpectOnlyTheChangedUnmarked(TheEvent(), before, changed);
    }
}

}  // namespace
