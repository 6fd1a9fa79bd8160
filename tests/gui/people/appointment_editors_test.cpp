#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/hyperlink.h>
#include <wx/listbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/time_entry.h"
#include "gui/people/appt_check_box.h"
#include "gui/people/appt_edits.h"
#include "gui/people/appt_entry_dlg.h"
#include "gui/people/attendee_pres_dlg.h"
#include "gui/people/parent_dlg.h"
#include "gui/people/people_edits.h"
#include "gui/people/t_appt_entry_dlg.h"
#include "gui/people/teacher_dlg.h"
#include "gui/people/teacher_entry_dlg.h"
#include "gui/support/answer_dialogs.h"
#include "gui/support/user_input.h"
#include "model/presentation.h"
#include "people_school.h"

namespace {

// A click: the box toggles.
void Click(wxCheckBox* box) {
    Tick(box, !box->GetValue());
}

// Only a box that changes sends its event.
void TickIfChanged(wxCheckBox* box, bool value) {
    if (box->GetValue() != value) {
        Click(box);
    }
}

// The texts of every label and check box in the window, as the user reads them.
void CollectLabels(const wxWindow* window, std::vector<std::string>* labels) {
    for (const wxWindow* child : window->GetChildren()) {
        const auto* control = dynamic_cast<const wxControl*>(child);
        if (dynamic_cast<const wxStaticText*>(child) || dynamic_cast<const wxCheckBox*>(child) ||
            dynamic_cast<const wxHyperlinkCtrl*>(child)) {
            labels->push_back(ToUtf8(control->GetLabelText()));
        }
        CollectLabels(child, labels);
    }
}

bool ShowsLabel(const wxWindow* window, const std::string& text) {
    std::vector<std::string> labels;
    CollectLabels(window, &labels);
    return std::find(labels.begin(), labels.end(), text) != labels.end();
}

std::vector<std::string> Lines(const wxListBox* list) {
    std::vector<std::string> lines;
    for (unsigned i = 0; i < list->GetCount(); ++i) {
        lines.push_back(ToUtf8(list->GetString(i)));
    }
    return lines;
}

class AppointmentEditors : public PeopleSchool {
protected:
    AppointmentEditors() {
        mrA_->AddSubject("Maths");
        mrA_->AddSubject("Art");
        mrsB_->AddSubject("");
        bob_ = AddPupil(jones_, "Bob", "7A");
        smith_ = AddParent("Smith");
        cat_ = AddPupil(smith_, "Cat", "7B");
        jones_->AdoptPupils();
        smith_->AdoptPupils();
    }
    Pupil* bob_;
    Parent* smith_;
    Pupil* cat_;
};

class TwoDayEditors : public PeopleSchool {
protected:
    TwoDayEditors() : PeopleSchool(2) {}
};

TEST(ApptBox, LabelShowsPriorityAndUntickingCyclesIt) {
    struct Case {
        int priority;
        const char* label;
        int afterUntick;
    } cases[] = {{0, "Mr A (Lo)", 1},
                 {1, "Mr A        ", 2},
                 {2, "Mr A (Hi)", 0},
                 {5, "Mr A", 5},
                 {-1, "Mr A", -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.priority);
        EXPECT_EQ(ApptBoxLabel("Mr A", c.priority), c.label);
        EXPECT_EQ(PriorityAfterUntick(c.priority), c.afterUntick);
    }
    EXPECT_EQ(PairLabel("Mr A", "Maths"), "Mr A (Maths)");
    EXPECT_EQ(PairLabel("Mrs B", ""), "Mrs B");
}

TEST_F(AppointmentEditors, CheckBoxStartsNormalAndOnlyUntickingMovesThePriority) {
    auto* box = new ApptCheckBox(TopWindow(), "Mr A");
    EXPECT_EQ(ToUtf8(box->GetLabel()), "Mr A        ");
    const char* expected[] = {"Mr A        ", "Mr A (Hi)", "Mr A (Hi)",
                              "Mr A (Lo)",    "Mr A (Lo)", "Mr A        "};
    for (const char* label : expected) {
        Click(box);
        EXPECT_EQ(ToUtf8(box->GetLabel()), label) << "checked " << box->GetValue();
    }
    box->SetPriority(7);
    box->UpdateLabel();
    Click(box);
    Click(box);
    EXPECT_EQ(box->GetPriority(), 7);
    EXPECT_EQ(ToUtf8(box->GetLabel()), "Mr A");
}

TEST_F(AppointmentEditors, NamesInLabelsKeepTheirAmpersand) {
    auto* box = new ApptCheckBox(TopWindow(), "Smith & Jones");
    EXPECT_EQ(ToUtf8(box->GetLabelText()), "Smith & Jones        ");
    box->SetPriority(2);
    box->UpdateLabel();
    EXPECT_EQ(ToUtf8(box->GetLabelText()), "Smith & Jones (Hi)");

    Teacher* pair = AddTeacher("Smith & Jones", "SJ");
    TApptEntryDlg appointments(TopWindow(), days_.get(), pair);
    EXPECT_TRUE(ShowsLabel(&appointments, "Teacher: Smith & Jones"));

    ASSERT_TRUE(event_->AddPresentation(std::make_unique<Presentation>("Q & A")));
    AttendeePresDlg presentations(TopWindow(), pair, days_.get());
    const std::string description = event_->GetPresentations().GetPresentation(0)->GetDescription();
    EXPECT_TRUE(ShowsLabel(&presentations, description)) << description;
    EXPECT_TRUE(ShowsLabel(
        &presentations, "Choose the presentations for " + pair->GetDisplayName() + " to attend:"));

    jones_->SetUrl("https://x.example/a?b=1&c=2");
    ParentDlg parent(TopWindow(), jones_, days_.get(), EditMode::Edit);
    EXPECT_TRUE(ShowsLabel(&parent, "https://x.example/a?b=1&c=2"));

    const std::string heading = "Please choose a teacher for all pupils in form 7&8 to see -";
    TeacherEntryDlg request(TopWindow(), &event_->GetTeachers(), nullptr, heading);
    EXPECT_TRUE(ShowsLabel(&request, heading));
}

TEST_F(AppointmentEditors, PairsCoverEveryTeacherSubjectUnlessThePupilIsTaught) {
    auto names = [](const std::vector<RequestPair>& pairs) {
        std::vector<std::string> out;
        for (const RequestPair& pair : pairs) {
            out.push_back(PairLabel(pair.teacher->GetName(), pair.subject));
        }
        return out;
    };
    EXPECT_EQ(names(PupilPairs(event_->GetTeachers(), amy_)),
              (std::vector<std::string>{"Mr A (Art)", "Mr A (Maths)", "Mrs B"}));
    amy_->AddTaughtBy(mrA_, "Maths");
    EXPECT_EQ(names(PupilPairs(event_->GetTeachers(), amy_)),
              (std::vector<std::string>{"Mr A (Maths)"}));
    mrsB_->ClearSubjects();
    EXPECT_EQ(names(PupilPairs(event_->GetTeachers(), nullptr)),
              (std::vector<std::string>{"Mr A (Art)", "Mr A (Maths)"}));
}

TEST_F(AppointmentEditors, BoxesAddReprioritiseAndRemoveRequests) {
    ASSERT_TRUE(ApplyRequestBox(*days_, *amy_, mrA_, "Maths", true, 2));
    AppointmentRequest* request = amy_->FindRequest(mrA_, "Maths");
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(request->GetPriority(), 2);
    EXPECT_EQ(request->GetOwnLength(), -1);
    EXPECT_FALSE(ApplyRequestBox(*days_, *amy_, mrA_, "Art", false, 1));
    EXPECT_TRUE(ApplyRequestBox(*days_, *amy_, mrA_, "Maths", true, 0));
    EXPECT_EQ(request->GetPriority(), 0);
    ASSERT_TRUE(Book(amy_, 0, 18, 30));
    EXPECT_TRUE(ApplyRequestBox(*days_, *amy_, mrA_, "Maths", false, 0));
    EXPECT_EQ(amy_->GetRequestCount(), 0u);
    EXPECT_EQ(days_->GetDay(0)->GetGrid().PeekBooking(3, 0), nullptr);
}

TEST_F(AppointmentEditors, AKeptBookingKeepsItsRequestOnALockedEvent) {
    ASSERT_TRUE(amy_->AddRequest(mrA_, "Maths", 1, -1));
    ASSERT_TRUE(Book(amy_, 0, 18, 30));
    Lock();
    EXPECT_FALSE(ApplyRequestBox(*days_, *amy_, mrA_, "Maths", false, 1));
    ASSERT_NE(amy_->FindRequest(mrA_, "Maths"), nullptr);
    EXPECT_EQ(days_->GetDay(0)->GetGrid().PeekBooking(3, 0)->GetRequest(),
              amy_->FindRequest(mrA_, "Maths"));
    // An unbooked request may still go, and new ones may come.
    ASSERT_TRUE(amy_->AddRequest(mrsB_, "", 1, -1));
    EXPECT_TRUE(ApplyRequestBox(*days_, *amy_, mrsB_, "", false, 1));
    EXPECT_EQ(amy_->FindRequest(mrsB_, ""), nullptr);
    EXPECT_EQ(ViewRequestBox(*amy_, mrA_, "Maths", true).enabled, false);
    EXPECT_EQ(ViewRequestBox(*amy_, mrA_, "Art", true).enabled, true);
}

TEST_F(AppointmentEditors, NavigationWrapsAndStepsFormByForm) {
    PupilList pupils;
    GatherSortedPupils(*event_, pupils);
    ASSERT_EQ(pupils.Count(), 3u);  // Bob 7A, Amy 7B, Cat 7B
    EXPECT_EQ(pupils.At(0), bob_);
    EXPECT_EQ(cat_->GetParent(), smith_);
    struct Case {
        const char* name;
        unsigned from;
        int step;
        bool byForm;
        unsigned to;
    } cases[] = {{"next pupil", 1, 1, false, 2},         {"next pupil wraps", 2, 1, false, 0},
                 {"previous wraps", 0, -1, false, 2},    {"next form", 0, 1, true, 1},
                 {"next form wraps", 1, 1, true, 0},     {"previous form", 2, -1, true, 0},
                 {"previous form wraps", 0, -1, true, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.byForm ? StepToOtherForm(pupils, c.from, c.step)
                           : StepIndex(c.from, pupils.Count(), c.step),
                  c.to);
    }
    bob_->SetForm("7B");
    PupilList oneForm;
    GatherSortedPupils(*event_, oneForm);
    EXPECT_EQ(StepToOtherForm(oneForm, 1, 1), 1u);
    EXPECT_EQ(StepIndex(0, 0, 1), 0u);
}

TEST_F(AppointmentEditors, PupilsAreFoundByIdentityNotByNameAndForm) {
    Pupil* twin = AddPupil(smith_, "Amy", "7B");
    PupilList pupils;
    GatherSortedPupils(*event_, pupils);
    EXPECT_EQ(pupils.At(FindPupilIndex(pupils, twin)), twin);
    EXPECT_EQ(pupils.At(FindPupilIndex(pupils, amy_)), amy_);
    Pupil stranger("Amy");
    stranger.SetForm("7B");
    EXPECT_EQ(FindPupilIndex(pupils, &stranger), 0u);
    EXPECT_EQ(FindPupilIndex(pupils, nullptr), 0u);
}

TEST_F(AppointmentEditors, TeacherFieldsAreCheckedInOrder) {
    const std::string tooLong =
        "Invalid appointment length - please enter a number no greater than 18, the slots of the "
        "longest day";
    struct Case {
        const char* name;
        const Teacher* self;
        const char* teacherName;
        const char* initials;
        const char* length;
        const char* shown;
        std::string message;
    } cases[] = {
        {"empty name", nullptr, "", "XY", "1", "1", "Please enter a name for this teacher"},
        {"name equals initials", nullptr, "ab", "XY", "1", "1",
         "There is already a teacher called \"ab\""},
        {"name taken", nullptr, "MRS B", "", "1", "1",
         "There is already a teacher called \"MRS B\""},
        {"initials taken", nullptr, "Dr C", "mb", "1", "1",
         "There is already a teacher with the initials \"mb\""},
        {"itself", mrA_, "Mr A", "AB", "2", "1", ""},
        {"empty initials", nullptr, "Dr C", "", "1", "1", ""},
        {"zero", nullptr, "Dr C", "DC", "0", "1",
         "Invalid appointment length - please enter a number greater than zero"},
        {"negative", nullptr, "Dr C", "DC", "-1", "1",
         "Invalid appointment length - please enter a number greater than zero"},
        {"text", nullptr, "Dr C", "DC", "abc", "1",
         "Invalid appointment length - please enter a number greater than zero"},
        {"longer than any day", nullptr, "Dr C", "DC", "19", "1", tooLong},
        {"longest day", nullptr, "Dr C", "DC", "18", "1", ""},
        {"stored longer than any day, left as shown", mrA_, "Mr A", "AB", "40", "40", ""},
        {"stored zero, left as shown", mrA_, "Mr A", "AB", "0", "0", ""},
        {"typed over a stored length", mrA_, "Mr A", "AB", "19", "40", tooLong},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CheckTeacherFields(event_->GetTeachers(), c.self, c.teacherName, c.initials,
                                     c.length, c.shown, LongestDaySlots(*days_)),
                  c.message);
    }
}

TEST_F(AppointmentEditors, AttendanceKeepsTheWholeDayWhenATimeIsRefused) {
    const Schedule* day = days_->GetDay(0);
    DayAttendance values;
    values.attending = false;
    values.arrivesLate = true;
    values.arrival = TimeOfDay(19, 0, 0);
    values.leavesEarly = true;
    values.departure = TimeOfDay(20, 0, 0);
    ASSERT_TRUE(WriteDayAttendance(*mrA_, *day, values));
    EXPECT_FALSE(mrA_->IsAttending(day));
    EXPECT_EQ(mrA_->GetStartTime(day), TimeOfDay(19, 0, 0));
    EXPECT_EQ(mrA_->GetEndTime(day), TimeOfDay(20, 0, 0));

    values.attending = true;
    values.arrival = TimeOfDay(20, 0, 0);
    values.departure = TimeOfDay(19, 0, 0);
    EXPECT_FALSE(WriteDayAttendance(*mrsB_, *day, values));
    EXPECT_TRUE(mrsB_->IsAttending(day));
    EXPECT_FALSE(mrsB_->ArrivesLate(day));
    EXPECT_FALSE(mrsB_->LeavesEarly(day));
    EXPECT_EQ(mrsB_->GetStartTime(day), TimeOfDay(18, 0, 0));
    EXPECT_EQ(mrsB_->GetEndTime(day), TimeOfDay(21, 0, 0));
    EXPECT_FALSE(sink_.entries.empty());
}

TEST_F(AppointmentEditors, AllPupilsEditorSavesWhenLeavingAPupil) {
    cat_->AddRequest(mrsB_, "", 0, 2);
    ApptEntryDlg dialog(TopWindow(), days_.get(), amy_);
    ASSERT_EQ(dialog.GetCurrentPupil(), amy_);
    EXPECT_EQ(ToUtf8(dialog.GetNameText()->GetValue()), "Amy");
    EXPECT_EQ(ToUtf8(dialog.GetFormText()->GetValue()), "7B");
    ASSERT_EQ(dialog.GetBoxes().size(), 3u);
    EXPECT_EQ(ToUtf8(dialog.GetBoxes()[1]->GetLabel()), "Mr A (Maths)        ");
    TickIfChanged(dialog.GetBoxes()[1], true);
    Press(&dialog, WxId(ApptEntryDlg::Id::NextPupil));
    ASSERT_NE(amy_->FindRequest(mrA_, "Maths"), nullptr);
    EXPECT_EQ(amy_->FindRequest(mrA_, "Maths")->GetPriority(), 1);
    EXPECT_TRUE(dialog.SavedWhileOpen());
    ASSERT_EQ(dialog.GetCurrentPupil(), cat_);
    EXPECT_TRUE(dialog.GetBoxes()[2]->GetValue());
    EXPECT_EQ(ToUtf8(dialog.GetBoxes()[2]->GetLabel()), "Mrs B (Lo)");
    // Unticking and ticking again moves the priority of the existing request on.
    Click(dialog.GetBoxes()[2]);
    Click(dialog.GetBoxes()[2]);
    Press(&dialog, WxId(ApptEntryDlg::Id::NextPupil));  // wraps to Bob after saving Cat
    EXPECT_EQ(cat_->FindRequest(mrsB_, "")->GetPriority(), 1);
    EXPECT_EQ(dialog.GetCurrentPupil(), bob_);
    Press(&dialog, WxId(ApptEntryDlg::Id::PreviousForm));
    EXPECT_EQ(dialog.GetCurrentPupil(), cat_);
    EXPECT_TRUE(dialog.SavedWhileOpen());
}

// Amy alone, and one box: Mr A, of Normal priority.
class OnePupilEditor : public PeopleSchool {
protected:
    OnePupilEditor() { mrA_->AddSubject(""); }
};

TEST_F(OnePupilEditor, APupilStepRebuildsTheBoxesAndAFormStepKeepsThem) {
    struct Case {
        ApptEntryDlg::Id button;
        int priority;
        const char* label;
    } cases[] = {
        {ApptEntryDlg::Id::NextPupil, 1, "Mr A        "},
        {ApptEntryDlg::Id::PreviousPupil, 1, "Mr A        "},
        {ApptEntryDlg::Id::NextForm, 2, "Mr A (Hi)"},
        {ApptEntryDlg::Id::PreviousForm, 2, "Mr A (Hi)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ApptEntryDlg dialog(TopWindow(), days_.get(), amy_);
        ASSERT_EQ(dialog.GetBoxes().size(), 1u);
        // Ticked and unticked again: no request, and the box's priority moved on to High.
        Click(dialog.GetBoxes()[0]);
        Click(dialog.GetBoxes()[0]);
        ASSERT_EQ(dialog.GetBoxes()[0]->GetPriority(), 2);
        Press(&dialog, WxId(c.button));
        EXPECT_EQ(dialog.GetCurrentPupil(), amy_);
        ASSERT_EQ(dialog.GetBoxes().size(), 1u);
        EXPECT_FALSE(dialog.GetBoxes()[0]->GetValue());
        EXPECT_EQ(dialog.GetBoxes()[0]->GetPriority(), c.priority);
        EXPECT_EQ(ToUtf8(dialog.GetBoxes()[0]->GetLabel()), c.label);
        EXPECT_EQ(amy_->GetRequestCount(), 0u);
    }
}

TEST_F(AppointmentEditors, AllPupilsEditorSavesTheParentsAttendance) {
    ApptEntryDlg dialog(TopWindow(), days_.get(), cat_);
    AttendanceRow* row = dialog.GetRow(0);
    EXPECT_TRUE(row->GetAttendingBox()->GetValue());
    EXPECT_FALSE(row->GetArrivalCombo()->IsEnabled());
    EXPECT_FALSE(row->GetDepartureCombo()->IsEnabled());
    TickIfChanged(row->GetLateBox(), true);
    EXPECT_TRUE(row->GetArrivalCombo()->IsEnabled());
    row->GetArrivalCombo()->SetTime(TimeOfDay(19, 0, 0));
    TickIfChanged(row->GetAttendingBox(), false);
    EXPECT_FALSE(row->GetArrivalCombo()->IsEnabled());
    EXPECT_FALSE(row->GetLateBox()->IsEnabled());
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    const Schedule* day = days_->GetDay(0);
    EXPECT_FALSE(smith_->IsAttending(day));
    EXPECT_TRUE(smith_->ArrivesLate(day));
    EXPECT_EQ(smith_->GetStartTime(day), TimeOfDay(19, 0, 0));
}

// Leaving a pupil or a form saves what it showed: whatever nobody touched stays as stored, times
// between slot starts and a priority no box can name included, and nobody is told off for them.
TEST_F(AppointmentEditors, SteppingThroughPupilsOrFormsChangesNothingUntouched) {
    const Schedule* day = days_->GetDay(0);
    const DayAttendance bothOffSlot{true, true, TimeOfDay(18, 5, 0), true, TimeOfDay(20, 5, 0)};
    const DayAttendance lateOffSlot{true, true, TimeOfDay(19, 7, 0), false, TimeOfDay(21, 0, 0)};
    const std::pair<Attendee*, DayAttendance> people[] = {
        {jones_, bothOffSlot}, {smith_, lateOffSlot}, {mrA_, lateOffSlot}};
    for (const auto& [person, stored] : people) {
        ASSERT_TRUE(WriteDayAttendance(*person, *day, stored));
    }
    ASSERT_TRUE(amy_->AddRequest(mrA_, "Maths", -1, -1));
    const struct {
        const char* name;
        std::function<wxDialog*()> open;
        std::vector<int> presses;
    } editors[] = {
        {"all pupils",
         [this] { return new ApptEntryDlg(TopWindow(), days_.get(), bob_); },
         {WxId(ApptEntryDlg::Id::NextPupil), WxId(ApptEntryDlg::Id::NextPupil),
          WxId(ApptEntryDlg::Id::NextPupil), WxId(ApptEntryDlg::Id::NextForm)}},
        {"one teacher",
         [this] { return new TApptEntryDlg(TopWindow(), days_.get(), mrA_); },
         {WxId(TApptEntryDlg::Id::NextForm), WxId(TApptEntryDlg::Id::NextForm),
          WxId(TApptEntryDlg::Id::PreviousForm)}},
    };
    for (const auto& editor : editors) {
        SCOPED_TRACE(editor.name);
        sink_.entries.clear();
        std::unique_ptr<wxDialog> dialog(editor.open());
        for (int id : editor.presses) {
            Press(dialog.get(), id);
        }
        ASSERT_TRUE(dialog->TransferDataFromWindow());
        EXPECT_TRUE(sink_.entries.empty());
        for (const auto& [person, stored] : people) {
            SCOPED_TRACE(person->GetName());
            EXPECT_EQ(person->GetStartTime(day), stored.arrival);
            EXPECT_EQ(person->GetEndTime(day), stored.departure);
        }
        EXPECT_EQ(amy_->FindRequest(mrA_, "Maths")->GetPriority(), -1);
    }
}

TEST_F(AppointmentEditors, ClearAllOnALockedEventLeavesKeptRequestsAlone) {
    ASSERT_TRUE(amy_->AddRequest(mrA_, "Maths", 1, -1));
    ASSERT_TRUE(Book(amy_, 0, 18, 30));
    ASSERT_TRUE(amy_->AddRequest(mrsB_, "", 1, -1));
    Lock();
    ApptEntryDlg dialog(TopWindow(), days_.get(), amy_);
    const auto& boxes = dialog.GetBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_FALSE(boxes[1]->IsEnabled());
    EXPECT_FALSE(boxes[2]->IsEnabled());
    EXPECT_TRUE(boxes[0]->IsEnabled());
    Press(&dialog, WxId(ApptEntryDlg::Id::SelectAll));
    EXPECT_TRUE(boxes[0]->GetValue());
    Press(&dialog, WxId(ApptEntryDlg::Id::ClearAll));
    EXPECT_TRUE(boxes[1]->GetValue());
    EXPECT_TRUE(boxes[2]->GetValue());
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ(amy_->GetRequestCount(), 2u);
    // The grid's booking still points at a live request (ASan watches this).
    const Appointment* booking = days_->GetDay(0)->GetGrid().PeekBooking(3, 0);
    ASSERT_NE(booking, nullptr);
    EXPECT_EQ(booking->GetRequest()->GetSubject(), "Maths");
}

TEST_F(AppointmentEditors, AllPupilsEditorWithoutPupilsDisablesAllButSelectAllClearAllOkAndCancel) {
    ASSERT_TRUE(event_->DeleteParentsAndPupils());
    ApptEntryDlg dialog(TopWindow(), days_.get(), nullptr);
    EXPECT_EQ(dialog.GetCurrentPupil(), nullptr);
    EXPECT_FALSE(dialog.GetNameText()->IsEnabled());
    EXPECT_FALSE(dialog.FindWindow(WxId(ApptEntryDlg::Id::NextPupil))->IsEnabled());
    EXPECT_TRUE(dialog.FindWindow(WxId(ApptEntryDlg::Id::SelectAll))->IsEnabled());
    EXPECT_FALSE(dialog.GetRow(0)->GetAttendingBox()->IsEnabled());
    ASSERT_FALSE(dialog.GetBoxes().empty());
    for (ApptCheckBox* box : dialog.GetBoxes()) {
        EXPECT_FALSE(box->IsEnabled()) << ToUtf8(box->GetLabel());
    }
    Press(&dialog, WxId(ApptEntryDlg::Id::NextPupil));
    EXPECT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_FALSE(dialog.SavedWhileOpen());
}

TEST_F(AppointmentEditors, OneTeacherEditorRelabelsAPoolForTheLargestForm) {
    TApptEntryDlg dialog(TopWindow(), days_.get(), mrA_);
    // Forms 7A (Bob) and 7B (Amy, Cat); Mr A teaches Art and Maths.
    ASSERT_EQ(dialog.GetPool().size(), 4u);
    EXPECT_EQ(ToUtf8(dialog.GetFormText()->GetValue()), "7A");
    EXPECT_EQ(dialog.GetPool()[0]->GetBaseLabel(), "Bob (Art)");
    EXPECT_EQ(dialog.GetPool()[1]->GetBaseLabel(), "Bob (Maths)");
    EXPECT_EQ(dialog.GetPool()[2]->GetBaseLabel(), "");
    EXPECT_FALSE(dialog.GetPool()[3]->IsEnabled());
    TickIfChanged(dialog.GetPool()[1], true);
    Press(&dialog, WxId(TApptEntryDlg::Id::NextForm));
    ASSERT_NE(bob_->FindRequest(mrA_, "Maths"), nullptr);
    EXPECT_EQ(bob_->FindRequest(mrA_, "Maths")->GetOwnLength(), -1);
    EXPECT_EQ(ToUtf8(dialog.GetFormText()->GetValue()), "7B");
    EXPECT_TRUE(dialog.GetPool()[3]->IsEnabled());
    Press(&dialog, WxId(TApptEntryDlg::Id::NextForm));
    EXPECT_EQ(ToUtf8(dialog.GetFormText()->GetValue()), "7A");
    EXPECT_TRUE(dialog.GetPool()[1]->GetValue());
    Press(&dialog, WxId(TApptEntryDlg::Id::PreviousForm));
    EXPECT_EQ(ToUtf8(dialog.GetFormText()->GetValue()), "7B");
}

TEST_F(AppointmentEditors, OneTeacherEditorWithoutSubjectsSavesOnlyAttendance) {
    Teacher* loner = AddTeacher("Dr C", "DC");
    TApptEntryDlg dialog(TopWindow(), days_.get(), loner);
    EXPECT_TRUE(dialog.GetPool().empty());
    TickIfChanged(dialog.GetRow(0)->GetEarlyBox(), true);
    dialog.GetRow(0)->GetDepartureCombo()->SetTime(TimeOfDay(20, 0, 0));
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ(loner->GetEndTime(days_->GetDay(0)), TimeOfDay(20, 0, 0));
}

TEST_F(AppointmentEditors, OneTeacherEditorWithoutFormsSavesTheAttendance) {
    ASSERT_TRUE(event_->DeleteParentsAndPupils());
    TApptEntryDlg dialog(TopWindow(), days_.get(), mrA_);
    EXPECT_TRUE(dialog.GetPool().empty());
    TickIfChanged(dialog.GetRow(0)->GetEarlyBox(), true);
    dialog.GetRow(0)->GetDepartureCombo()->SetTime(TimeOfDay(20, 0, 0));
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ(mrA_->GetEndTime(days_->GetDay(0)), TimeOfDay(20, 0, 0));
    EXPECT_TRUE(mrA_->LeavesEarly(days_->GetDay(0)));
}

TEST_F(AppointmentEditors, TeacherEditorReportsItsChecksAndWritesTheCopyOnOK) {
    mrsB_->SetApptLength(40);  // longer than the day, as a file may hold it
    TeacherDlg dialog(TopWindow(), days_.get(), mrsB_, EditMode::Edit);
    EXPECT_EQ(dialog.GetTitle(), "Teacher");
    EXPECT_EQ(ToUtf8(dialog.GetNameText()->GetValue()), "Mrs B");
    EXPECT_EQ(ToUtf8(dialog.GetLengthText()->GetValue()), "40");
    EXPECT_EQ(ToUtf8(dialog.GetEmailSentLabel()->GetLabel()), "No");
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ(dialog.GetWorkingCopy().GetApptLength(), 40);
    dialog.GetInitialsText()->ChangeValue("ab");
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    dialog.GetInitialsText()->ChangeValue("MB");
    dialog.GetLengthText()->ChangeValue("abc");
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    EXPECT_EQ(sink_.Texts(), (std::vector<std::string>{
                                 "There is already a teacher with the initials \"ab\"",
                                 "Invalid appointment length - please enter a number greater "
                                 "than zero"}));
    dialog.GetLengthText()->ChangeValue("3");
    dialog.GetLocationText()->ChangeValue("Room 4");
    dialog.GetEmailText()->ChangeValue("  b@school.test ");
    TickIfChanged(dialog.GetEarlyBox(), true);
    EXPECT_TRUE(dialog.GetDepartureCombo()->IsEnabled());
    dialog.GetDepartureCombo()->SetTime(TimeOfDay(20, 30, 0));
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    const Teacher& copy = dialog.GetWorkingCopy();
    EXPECT_EQ(copy.GetApptLength(), 3);
    EXPECT_EQ(copy.GetLocation(), "Room 4");
    EXPECT_EQ(copy.GetEmail(), "b@school.test");
    EXPECT_EQ(copy.GetEndTime(days_->GetDay(0)), TimeOfDay(20, 30, 0));
    EXPECT_EQ(mrsB_->GetApptLength(), 40);  // the caller assigns the copy
    EXPECT_TRUE(event_->IsModified());
}

TEST_F(AppointmentEditors, LockedTeacherEditorStoresBothAddressesAlone) {
    Lock();
    TeacherDlg dialog(TopWindow(), days_.get(), mrA_, EditMode::Edit);
    EXPECT_FALSE(dialog.GetNameText()->IsEnabled());
    EXPECT_FALSE(dialog.GetAttendingBox()->IsEnabled());
    EXPECT_FALSE(dialog.FindWindow(WxId(TeacherDlg::Id::AddBreak))->IsEnabled());
    EXPECT_TRUE(dialog.GetEmailAltText()->IsEnabled());
    dialog.GetEmailText()->ChangeValue("a@school.test");
    dialog.GetEmailAltText()->ChangeValue(" home@mail.test");
    dialog.GetLengthText()->ChangeValue("0");
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_TRUE(sink_.entries.empty());
    EXPECT_EQ(dialog.GetWorkingCopy().GetEmail(), "a@school.test");
    EXPECT_EQ(dialog.GetWorkingCopy().GetEmailAlt(), "home@mail.test");
    EXPECT_EQ(dialog.GetWorkingCopy().GetApptLength(), 1);
}

TEST_F(AppointmentEditors, NewTeacherGetsNeitherAppointmentsNorPresentations) {
    Teacher fresh;
    fresh.ResetAttendanceAllDays(days_.get());
    TeacherDlg dialog(TopWindow(), days_.get(), &fresh, EditMode::Add);
    EXPECT_FALSE(dialog.FindWindow(WxId(TeacherDlg::Id::EditAppointments))->IsEnabled());
    EXPECT_FALSE(dialog.FindWindow(WxId(TeacherDlg::Id::Presentations))->IsEnabled());
    AnswerDialogs answers([](wxDialog*) { return wxID_OK; });
    Press(&dialog, WxId(TeacherDlg::Id::EditAppointments));
    Press(&dialog, WxId(TeacherDlg::Id::Presentations));
    EXPECT_EQ(answers.opened, 0);
    EXPECT_EQ(amy_->GetRequestCount(), 0u);
}

TEST_F(AppointmentEditors, AttendanceEditedInTheNestedEditorSurvivesOK) {
    TeacherDlg dialog(TopWindow(), days_.get(), mrA_, EditMode::Edit);
    AnswerDialogs answers([](wxDialog* nested) {
        auto* appointments = dynamic_cast<TApptEntryDlg*>(nested);
        if (appointments == nullptr) {
            return wxID_CANCEL;
        }
        AttendanceRow* row = appointments->GetRow(0);
        TickIfChanged(row->GetLateBox(), true);
        row->GetArrivalCombo()->SetTime(TimeOfDay(19, 30, 0));
        TickIfChanged(appointments->GetPool()[0], true);
        return appointments->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
    });
    Press(&dialog, WxId(TeacherDlg::Id::EditAppointments));
    EXPECT_EQ(answers.opened, 1);
    EXPECT_TRUE(dialog.SavedWhileOpen());
    EXPECT_TRUE(dialog.GetLateBox()->GetValue());
    EXPECT_EQ(bob_->FindRequest(mrA_, "Art") != nullptr, true);
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    *mrA_ = dialog.GetWorkingCopy();
    EXPECT_TRUE(mrA_->ArrivesLate(days_->GetDay(0)));
    EXPECT_EQ(mrA_->GetStartTime(days_->GetDay(0)), TimeOfDay(19, 30, 0));
}

TEST_F(AppointmentEditors, TeacherEditorListsBookingsSubjectsAndBreaks) {
    ASSERT_TRUE(amy_->AddRequest(mrA_, "Maths", 1, 2));
    ASSERT_TRUE(Book(amy_, 0, 18, 30));
    TeacherDlg dialog(TopWindow(), days_.get(), mrA_, EditMode::Edit);
    // The keyboard reaches Add Subject before Remove Subject.
    const wxWindowList& children = dialog.GetChildren();
    EXPECT_LT(children.IndexOf(dialog.FindWindow(WxId(TeacherDlg::Id::AddSubject))),
              children.IndexOf(dialog.FindWindow(WxId(TeacherDlg::Id::RemoveSubject))));
    EXPECT_EQ(Lines(dialog.GetAppointmentsList()),
              (std::vector<std::string>{"Jones about Amy (7B) (Maths) at 6:30pm",
                                        "Jones about Amy (7B) (Maths) at 6:40pm"}));
    EXPECT_EQ(Lines(dialog.GetSubjectsList()), (std::vector<std::string>{"Art", "Maths"}));
    dialog.AddSubject("Art");
    dialog.AddSubject("");
    EXPECT_EQ(dialog.GetSubjectsList()->GetCount(), 2u);
    EXPECT_FALSE(dialog.RemoveSelectedSubject());
    dialog.GetSubjectsList()->SetSelection(0);
    EXPECT_TRUE(dialog.RemoveSelectedSubject());
    EXPECT_EQ(Lines(dialog.GetSubjectsList()), (std::vector<std::string>{"Maths"}));
    EXPECT_EQ(mrA_->GetSubjects().size(), 2u);
    EXPECT_FALSE(dialog.RemoveSelectedBreak());
    EXPECT_EQ(sink_.Texts(),
              (std::vector<std::string>{
                  "No subject is selected - please select the subject you wish to remove and "
                  "try again",
                  "No break is selected - please select the break you wish to remove and try "
                  "again"}));
}

// The file gives a teacher without subject lines the empty subject; OK gives it too, so that
// what is saved reads back as it was.
TEST_F(AppointmentEditors, OKLeavesATeacherWithoutSubjectsTheEmptyOne) {
    using Subjects = std::set<std::string>;
    struct Case {
        const char* name;
        bool added;
        std::vector<std::string> removed;
        Subjects expected;
        bool locked;
    };
    // The locked row last: the lock stays for the rest of the test.
    const Case cases[] = {
        {"a new teacher given no subject", true, {}, {""}, false},
        {"subjects left alone", false, {}, {"Art", "Maths"}, false},
        {"one of two subjects removed", false, {"Art"}, {"Maths"}, false},
        {"every subject removed", false, {"Art", "Maths"}, {""}, false},
        {"every subject removed on a locked event", false, {"Art", "Maths"}, {""}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.locked) {
            Lock();
        }
        Teacher fresh;
        fresh.ResetAttendanceAllDays(days_.get());
        TeacherDlg dialog(TopWindow(), days_.get(), c.added ? &fresh : mrA_,
                          c.added ? EditMode::Add : EditMode::Edit);
        if (c.added) {
            dialog.GetNameText()->ChangeValue("Mx New");
        }
        for (const std::string& subject : c.removed) {
            dialog.GetSubjectsList()->SetStringSelection(subject);
            ASSERT_TRUE(dialog.RemoveSelectedSubject());
        }
        ASSERT_TRUE(dialog.TransferDataFromWindow());
        EXPECT_EQ(dialog.GetWorkingCopy().GetSubjects(), c.expected);
    }
}

TEST_F(TwoDayEditors, BreaksShowTheDayShownWithDatesAndAddBreakOpensOnIt) {
    TeacherDlg dialog(TopWindow(), days_.get(), mrA_, EditMode::Edit);
    Press(&dialog, WxId(DaySelectDlg::Id::NextDay));
    AnswerDialogs answers([](wxDialog* nested) {
        auto* time = dynamic_cast<TimeEntryDlg*>(nested);
        if (time == nullptr || time->GetCurrentDay() == nullptr) {
            return wxID_CANCEL;
        }
        time->GetTimeCombo()->SetTime(TimeOfDay(19, 0, 0));
        return wxID_OK;
    });
    Press(&dialog, WxId(TeacherDlg::Id::AddBreak));
    ASSERT_EQ(answers.opened, 1);
    EXPECT_EQ(Lines(dialog.GetBreaksList()),
              (std::vector<std::string>{"7:00pm, " + days_->GetDay(1)->GetDate().FormatLong()}));
    Press(&dialog, WxId(DaySelectDlg::Id::PreviousDay));
    EXPECT_EQ(dialog.GetBreaksList()->GetCount(), 0u);
    Press(&dialog, WxId(DaySelectDlg::Id::NextDay));
    dialog.GetBreaksList()->SetSelection(0);
    EXPECT_TRUE(dialog.RemoveSelectedBreak());
    EXPECT_EQ(dialog.GetWorkingCopy().GetBreakCount(), 0u);
}

}  // namespace
