#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/event_file_writer.h"
#include "editor_script.h"
#include "frame_fixture.h"
#include "gui/dialogs/time_entry.h"
#include "gui/main/event_tree_ctrl.h"
#include "gui/main/frame_commands.h"
#include "gui/people/parent_dlg.h"
#include "gui/people/presentation_dlg.h"
#include "gui/people/teacher_break_dlg.h"
#include "gui/people/teacher_entry_dlg.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"
#include "support/timetable_account.h"

namespace {

class PeopleCommands : public CommandWindow {
protected:
    void SetUp() override {
        Open(Example());
        ASSERT_NE(Schedule(), nullptr);
        tree_ = dynamic_cast<EventTreeCtrl*>(host_->GetTree()->GetWindow());
        ASSERT_NE(tree_, nullptr);
    }
    Event& TheEvent() { return *Schedule()->GetEvent(); }
    // The first item below the root showing that text, or an invalid id.
    wxTreeItemId FindItem(const std::string& text, wxTreeItemId from = wxTreeItemId()) {
        if (!from.IsOk()) {
            from = tree_->GetRootItem();
        }
        wxTreeItemIdValue cookie;
        for (wxTreeItemId child = tree_->GetFirstChild(from, cookie); child.IsOk();
             child = tree_->GetNextChild(from, cookie)) {
            if (ToUtf8(tree_->GetItemText(child)) == text) {
                return child;
            }
            const wxTreeItemId found = FindItem(text, child);
            if (found.IsOk()) {
                return found;
            }
        }
        return wxTreeItemId();
    }
    void Select(const std::string& text) {
        const wxTreeItemId item = FindItem(text);
        ASSERT_TRUE(item.IsOk()) << text;
        tree_->SelectItem(item);
    }
    // The message boxes' texts without their severity heading.
    std::vector<std::string> Reports() const {
        std::vector<std::string> texts;
        for (std::string text : Boxes()) {
            for (const char* heading : {"Error: ", "Warning: ", "Information: "}) {
                if (text.rfind(heading, 0) == 0) {
                    text.erase(0, std::string(heading).size());
                }
            }
            texts.push_back(text);
        }
        return texts;
    }
    std::vector<std::string> Questions() const {
        std::vector<std::string> texts;
        for (const ScriptedPrompts::Shown& box : prompts_.shown) {
            if (box.style & wxYES_NO) {
                texts.push_back(ToUtf8(box.message));
            }
        }
        return texts;
    }

    // The whole event as its file would hold it: people, requests and bookings.
    std::string EventText() {
        srand(1);
        return EventFileWriter(*Schedule()).FormatEventFile();
    }

    EventTreeCtrl* tree_ = nullptr;
    EditorScript script_;
};

TEST_F(PeopleCommands, CommandsWithoutASelectionSayWhatToSelect) {
    tree_->UnselectAll();
    const std::pair<CommandId, const char*> commands[] = {
        {CommandId::EditParent,
         "No parent is selected - please select a parent in the left-hand window and try again"},
        {CommandId::EditPupil,
         "No pupil is selected - please select a pupil in the left-hand window and try again"},
        {CommandId::EditPresentation,
         "No presentation is selected - please select a presentation in the "
         "left-hand window and try again"},
        {CommandId::DeleteParent,
         "No parent is selected - please select a parent in the left-hand window and try again"},
        {CommandId::DeletePresentation,
         "No presentation is selected - please select a presentation in "
         "the left-hand window and try again"},
        {CommandId::EditPresentationsAttended,
         "Nobody is selected - please select the correct person "
         "in the left-hand window and try again"},
    };
    for (const auto& [id, message] : commands) {
        SCOPED_TRACE(id);
        prompts_.shown.clear();
        ASSERT_TRUE(host_->RunCommand(id));
        EXPECT_EQ(Reports(), std::vector<std::string>{message});
    }
    Select("Lily Brown (9A)");
    prompts_.shown.clear();
    host_->RunCommand(CommandId::EditPresentationsAttended);
    EXPECT_EQ(Reports(), std::vector<std::string>{
                             "This operation is only valid for teachers and parents - please "
                             "select the correct person in the left-hand window and try again"});
    // A presentation is no person.
    Select(TheEvent().GetPresentations().GetPresentation(0)->GetDescription());
    prompts_.shown.clear();
    host_->RunCommand(CommandId::EditPresentationsAttended);
    EXPECT_EQ(Reports(), std::vector<std::string>{"Nobody is selected - please select the correct "
                                                  "person in the left-hand window and try again"});
    EXPECT_TRUE(MenuEnabled(CommandId::EditParent));
}

TEST_F(PeopleCommands, DeleteParentWithAPupilSelectedNamesAndDeletesItsParent) {
    Select("Lily Brown (9A)");
    const unsigned before = TheEvent().GetParents().Count();
    prompts_.Answer(wxID_YES);
    host_->RunCommand(CommandId::DeleteParent);
    EXPECT_EQ(Questions(), std::vector<std::string>{
                               "This will permanently remove the parent 'Dr Brown' and all the "
                               "pupil(s) belonging to them.\nAre you sure you want to do this?"});
    EXPECT_EQ(TheEvent().GetParents().Count(), before - 1);
    EXPECT_FALSE(FindItem("Lily Brown (9A)").IsOk());
    EXPECT_FALSE(FindItem("Dr Brown (2)").IsOk());
}

// A parent the model keeps (its bookings are locked) must keep its pupils and tree items.
TEST_F(PeopleCommands, ARefusedParentDeletionDeletesNothing) {
    host_->GetController().BookUnbookedRequests(false, false);
    LockSchedule(*host_->GetController().GetSchedule());
    Select("Dr Brown (2)");
    const unsigned before = TheEvent().GetParents().Count();
    prompts_.Answer(wxID_YES);
    host_->RunCommand(CommandId::DeleteParent);
    EXPECT_EQ(TheEvent().GetParents().Count(), before);
    EXPECT_TRUE(FindItem("Lily Brown (9A)").IsOk());
    EXPECT_FALSE(Reports().empty());
}

TEST_F(PeopleCommands, DeleteUnbookedParentsCountsAsksAndReports) {
    host_->RunCommand(CommandId::DeleteUnbookedParents);
    EXPECT_EQ(Reports(),
              std::vector<std::string>{"All parents have appointments, so none will be deleted"});
    const unsigned before = TheEvent().GetParents().Count();
    for (const char* name : {"Idle One", "Idle Two", "Idle Three"}) {
        ASSERT_TRUE(Schedule()->AddParent(std::make_unique<Parent>(name)));
    }
    tree_->RebuildTree();
    prompts_.Answer(wxID_YES);
    prompts_.shown.clear();
    host_->RunCommand(CommandId::DeleteUnbookedParents);
    EXPECT_EQ(Questions(), std::vector<std::string>{
                               "There are 3 parents with no appointments. Are you sure you want "
                               "to delete them all? This operation cannot be undone!"});
    EXPECT_EQ(Reports(), std::vector<std::string>{"3 parents have been deleted"});
    EXPECT_EQ(TheEvent().GetParents().Count(), before);
    EXPECT_FALSE(FindItem("Idle Two").IsOk());
}

// Pupils removed in the editor leave stale tree items unless the tree is rebuilt, also when the
// editor is cancelled afterwards.
TEST_F(PeopleCommands, EditParentRebuildsTheTreeAfterRemovingAPupilAndCancelling) {
    host_->GetController().BookUnbookedRequests(false, false);
    Select("Dr Brown (2)");
    script_.steps.push_back([](wxDialog* dialog) {
        auto* editor = dynamic_cast<ParentDlg*>(dialog);
        EXPECT_NE(editor, nullptr);
        if (editor) {
            EXPECT_TRUE(editor->RemovePupil(0));
        }
        return wxID_CANCEL;
    });
    host_->RunCommand(CommandId::EditParent);
    EXPECT_FALSE(FindItem("Lily Brown (9A)").IsOk());
    EXPECT_TRUE(FindItem("Theo Brown (10B)").IsOk());
    Select("Theo Brown (10B)");
    EXPECT_NE(tree_->GetSelectedPupil(), nullptr);
}

// Attendance saved by a day switch reaches the model before Cancel; bookings outside it must go.
TEST_F(PeopleCommands, EditParentUnbooksWhatADaySwitchSavedOutsideTheTimesAfterCancel) {
    host_->GetController().BookUnbookedRequests(false, false);
    Parent* brown = TheEvent().GetParents().FindByKey("FAM1004");
    const ::Schedule* first = Schedule()->GetDay(0);
    ASSERT_GT(first->GetLastParentSlot(brown), 2);
    Select("Dr Brown (2)");
    script_.steps.push_back([](wxDialog* dialog) {
        auto* editor = dynamic_cast<ParentDlg*>(dialog);
        editor->GetEarlyBox()->SetValue(true);
        editor->GetDepartureCombo()->SetTime(TimeOfDay(16, 10, 0));
        wxCommandEvent next(wxEVT_BUTTON, WxId(DaySelectDlg::Id::NextDay));
        editor->ProcessWindowEvent(next);
        return wxID_CANCEL;
    });
    host_->RunCommand(CommandId::EditParent);
    EXPECT_EQ(brown->GetEndTime(first), TimeOfDay(16, 10, 0));
    EXPECT_LT(first->GetLastParentSlot(brown), 2);
}

TEST_F(PeopleCommands, AddParentKeepsTheEventAsItWasUntilOKAndRefusesADuplicateInTheDialog) {
    const unsigned before = TheEvent().GetParents().Count();
    script_.steps.push_back([](wxDialog*) { return wxID_CANCEL; });
    host_->RunCommand(CommandId::AddParent);
    EXPECT_EQ(TheEvent().GetParents().Count(), before);
    script_.steps.push_back([this](wxDialog* dialog) {
        auto* editor = dynamic_cast<ParentDlg*>(dialog);
        editor->GetNameText()->ChangeValue("FAM1004");
        EXPECT_FALSE(editor->TransferDataFromWindow());
        EXPECT_EQ(Reports(),
                  std::vector<std::string>{
                      "The parents \"Dr Brown\" already have the identifier \"FAM1004\""});
        editor->GetNameText()->ChangeValue("Mr New");
        return editor->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
    });
    host_->RunCommand(CommandId::AddParent);
    EXPECT_EQ(TheEvent().GetParents().Count(), before + 1);
    EXPECT_TRUE(FindItem("Mr New (0)").IsOk());
}

TEST_F(PeopleCommands, AddPresentationStartsOnTheFirstDayForOneSlot) {
    const unsigned before = TheEvent().GetPresentations().Count();
    script_.steps.push_back([](wxDialog* dialog) {
        auto* editor = dynamic_cast<PresentationDlg*>(dialog);
        EXPECT_EQ(editor->GetTitle(), "New Presentation");
        EXPECT_EQ(editor->GetStartCombo()->GetTime(), TimeOfDay(16, 0, 0));
        EXPECT_EQ(editor->GetEndCombo()->GetTime(), TimeOfDay(16, 5, 0));
        editor->GetTitleText()->ChangeValue("options for year 10");
        EXPECT_FALSE(editor->TransferDataFromWindow());
        editor->GetTitleText()->ChangeValue("Sixth Form");
        return editor->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
    });
    host_->RunCommand(CommandId::AddPresentation);
    ASSERT_EQ(TheEvent().GetPresentations().Count(), before + 1);
    const Presentation* added = TheEvent().GetPresentations().GetPresentation(before);
    EXPECT_EQ(added->GetName(), "Sixth Form");
    EXPECT_EQ(added->GetDate(), Date(12, 3, 2026));
}

TEST_F(PeopleCommands, BookFormAppointmentNeedsAFormItem) {
    // A pupil without a form gives the tree its "No form specified" group.
    ASSERT_TRUE(TheEvent().GetParents().At(0)->AddPupil(std::make_unique<Pupil>("Sam Nobody")));
    host_->RefreshViews();
    const std::string before = EventText();
    for (const char* item : {"Lily Brown (9A)", "No form specified"}) {
        SCOPED_TRACE(item);
        Select(item);
        host_->RunCommand(CommandId::BookFormAppointment);  // no form item: nothing opens
        EXPECT_TRUE(prompts_.shown.empty());
        EXPECT_EQ(EventText(), before);
    }
    const wxTreeItemId form = FindItem("Form 9A");
    ASSERT_TRUE(form.IsOk());
    tree_->SelectItem(form);
    script_.steps.push_back([](wxDialog* dialog) {
        auto* entry = dynamic_cast<TeacherEntryDlg*>(dialog);
        EXPECT_NE(entry, nullptr);
        entry->GetTeacherCombo()->SetValue("ba");
        entry->GetPriorityCombo()->SetSelection(2);
        return entry->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
    });
    const Teacher* ashworth = TheEvent().GetTeachers().FindByNameOrInitials("BA");
    std::vector<const Pupil*> without;
    const ParentList& parents = TheEvent().GetParents();
    for (unsigned p = 0; p < parents.Count(); ++p) {
        for (unsigned k = 0; k < parents.At(p)->GetPupilCount(); ++k) {
            const Pupil* pupil = parents.At(p)->GetPupil(k);
            if (pupil->GetForm() == "9A" && !pupil->HasRequestFor(ashworth)) {
                without.push_back(pupil);
            }
        }
    }
    ASSERT_FALSE(without.empty());
    host_->RunCommand(CommandId::BookFormAppointment);
    for (const Pupil* pupil : without) {
        SCOPED_TRACE(pupil->GetName());
        const AppointmentRequest* request = pupil->FindRequest(ashworth, "9A");
        ASSERT_NE(request, nullptr);
        EXPECT_EQ(request->GetPriority(), 2);
    }
}

TEST_F(PeopleCommands, BulkDeletionsLeaveNoBookingOfADeletedRequest) {
    host_->GetController().BookUnbookedRequests(false, false);
    prompts_.Answer(wxID_YES);
    host_->RunCommand(CommandId::DeleteAppointments);
    EXPECT_EQ(Schedule()->CountParentsWithoutRequests(),
              static_cast<int>(TheEvent().GetParents().Count()));
    EXPECT_EQ(Schedule()->GetScore().Unbooked, 0u);
    prompts_.Answer(wxID_YES);
    host_->RunCommand(CommandId::DeleteParentsAndPupils);
    EXPECT_EQ(TheEvent().GetParents().Count(), 0u);
    EXPECT_FALSE(FindItem("Dr Brown (2)").IsOk());
}

TEST_F(PeopleCommands, BulkDeletionsOnALockedEventChangeNothing) {
    host_->GetController().BookUnbookedRequests(false, false);
    TheEvent().SetLocked(true);
    Schedule()->SetLocked(true);
    const std::string before = EventText();
    struct Case {
        CommandId id;
        const char* message;
    };
    const Case cases[] = {
        {CommandId::DeleteAppointments,
         "Cannot delete appointments because the schedule is locked"},
        {CommandId::DeleteParentsAndPupils, "Cannot delete parents because the schedule is locked"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        prompts_.shown.clear();
        prompts_.Answer(wxID_YES);
        host_->RunCommand(c.id);
        EXPECT_EQ(Boxes(), std::vector<std::string>{std::string("Error: ") + c.message});
        EXPECT_EQ(EventText(), before);
    }
}

// Last year's file holds last year's marks; what the new year sends must reach everybody.
TEST_F(PeopleCommands, NewYearCommandsClearEveryMarkOfEveryoneOnlyWhenTheyRun) {
    struct Case {
        const char* name;
        CommandId id;
        int answer;
        bool locked;
        bool cleared;
        std::vector<std::string> said;
    };
    const Case cases[] = {
        {"Delete Appointments", CommandId::DeleteAppointments, wxID_YES, false, true, {}},
        {"Delete Appointments, No", CommandId::DeleteAppointments, wxID_NO, false, false, {}},
        {"Delete Appointments, locked",
         CommandId::DeleteAppointments,
         wxID_YES,
         true,
         false,
         {"Error: Cannot delete appointments because the schedule is locked"}},
        {"Delete Parents and Pupils", CommandId::DeleteParentsAndPupils, wxID_YES, false, true, {}},
        {"Delete Parents and Pupils, No",
         CommandId::DeleteParentsAndPupils,
         wxID_NO,
         false,
         false,
         {}},
        {"Delete Parents and Pupils, locked",
         CommandId::DeleteParentsAndPupils,
         wxID_YES,
         true,
         false,
         {"Error: Cannot delete parents because the schedule is locked"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open(Example());
        host_->GetController().BookUnbookedRequests(false, false);
        host_->RefreshViews();
        if (c.locked) {
            TheEvent().SetLocked(true);
            Schedule()->SetLocked(true);
        }
        for (Person* person : EveryPerson(TheEvent())) {
            for (EmailTextKind kind : {EmailInvitation, EmailReminder, EmailResults}) {
                person->SetEmailSent(kind, true);
            }
        }
        prompts_.shown.clear();
        prompts_.Answer(c.answer);
        host_->RunCommand(c.id);
        EXPECT_EQ(Boxes(), c.said);
        const std::vector<Person*> left = EveryPerson(TheEvent());
        ASSERT_GE(left.size(), 12u);
        for (const Person* person : left) {
            SCOPED_TRACE(person->GetName());
            for (EmailTextKind kind : {EmailInvitation, EmailReminder, EmailResults}) {
                EXPECT_EQ(person->GetEmailSent(kind), !c.cleared) << kind;
            }
        }
    }
}

TEST_F(PeopleCommands, SettingEveryParentAttendingNamesThoseWhoCannot) {
    Parent* brown = TheEvent().GetParents().FindByKey("FAM1004");
    ASSERT_NE(brown, nullptr);
    brown->SetAttending(Schedule()->GetDay(0), false);
    Select(TheEvent().GetPresentations().GetPresentation(0)->GetDescription());
    host_->RunCommand(CommandId::SetAllParentsAttending);
    // The bookings the talk took are named first, then who cannot attend.
    ASSERT_EQ(Reports().size(), 2u);
    EXPECT_EQ(Reports()[1].rfind("These people cannot attend the presentation", 0), 0u);
    EXPECT_NE(Reports()[1].find("\nDr Brown"), std::string::npos);
    EXPECT_FALSE(brown->AttendsPresentation(TheEvent().GetPresentations().GetPresentation(0)));
}

// A talk everyone is given and a break everyone takes unbook what stands in their slots, as
// the rules say: the school is told each booking that went, in one warning for the command.
TEST_F(PeopleCommands, CommandsThatUnbookAsTheyGoNameEachBookingTheyTake) {
    const auto talk = [this] {
        Select(TheEvent().GetPresentations().GetPresentation(0)->GetDescription());
    };
    const auto breakAtOpening = [this] {
        script_.steps.push_back([](wxDialog* dialog) {
            auto* editor = dynamic_cast<TeacherBreakDlg*>(dialog);
            editor->GetTimeCombo()->SetTime(TimeOfDay(16, 0, 0));
            // One slot: the names stay few enough for the box itself.
            editor->GetLengthText()->ChangeValue("1");
            editor->GetOffsetText()->ChangeValue("0");
            return editor->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
        });
    };
    const struct {
        CommandId command;
        std::function<void()> prepare;
    } cases[] = {
        {CommandId::SetAllParentsAttending, talk},
        {CommandId::SetAllTeachersAttending, talk},
        {CommandId::AddBreakToAllTeachers, breakAtOpening},
    };
    const std::string heading =
        "These appointments fall where the teacher or the family is no longer available (away, "
        "outside their hours, in a break or at a presentation) and have been unbooked:";
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.command));
        SetUp();
        host_->GetController().BookUnbookedRequests(false, false);
        std::vector<const AppointmentRequest*> booked;
        for (unsigned p = 0; p < TheEvent().GetParents().Count(); ++p) {
            const Parent* parent = TheEvent().GetParents().At(p);
            for (unsigned u = 0; u < parent->GetPupilCount(); ++u) {
                const Pupil* pupil = parent->GetPupil(u);
                for (unsigned r = 0; r < pupil->GetRequestCount(); ++r) {
                    if (Schedule()->IsRequestBooked(pupil->GetRequest(r))) {
                        booked.push_back(pupil->GetRequest(r));
                    }
                }
            }
        }
        c.prepare();
        prompts_.shown.clear();
        ASSERT_TRUE(host_->RunCommand(c.command));
        std::vector<std::string> named;
        for (const std::string& report : Reports()) {
            if (report.rfind(heading, 0) == 0) {
                named.push_back(report);
            }
        }
        ASSERT_EQ(named.size(), 1u);
        int lost = 0;
        for (const AppointmentRequest* request : booked) {
            if (Schedule()->IsRequestBooked(request)) {
                continue;
            }
            ++lost;
            const std::string line = "\n" + request->GetParent()->GetName() + " about " +
                                     request->GetPupil()->GetName() + " with " +
                                     request->GetTeacher()->GetName() + " at ";
            EXPECT_NE(named[0].find(line), std::string::npos) << line;
        }
        EXPECT_GT(lost, 0);
        EXPECT_EQ(std::count(named[0].begin(), named[0].end(), '\n'), lost);
    }
}

}  // namespace
