#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/listbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/event_file_reader.h"
#include "app/event_file_writer.h"
#include "foundation/tokeniser.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/time_entry.h"
#include "gui/people/attendee_pres_dlg.h"
#include "gui/people/parent_dlg.h"
#include "gui/people/people_edits.h"
#include "gui/people/presentation_dlg.h"
#include "gui/people/pupil_dlg.h"
#include "gui/people/teacher_break_dlg.h"
#include "gui/people/teacher_dlg.h"
#include "gui/people/teacher_entry_dlg.h"
#include "gui/support/user_input.h"
#include "people_school.h"

namespace {

std::vector<std::string> Lines(const wxListBox* list) {
    std::vector<std::string> lines;
    for (unsigned i = 0; i < list->GetCount(); ++i) {
        lines.push_back(ToUtf8(list->GetString(i)));
    }
    return lines;
}

// An editor made from the arguments: the text typed into one of its fields, then OK; what it
// stored then.
template <typename Dialog, typename Stored, typename... Args>
std::function<std::string(const std::string&)> Editor(wxTextCtrl* (Dialog::*field)() const,
                                                      Stored stored, Args... args) {
    return [=](const std::string& text) -> std::string {
        Dialog dialog(args...);
        (dialog.*field)()->ChangeValue(wxString::FromUTF8(text));
        return dialog.TransferDataFromWindow() ? stored(dialog) : "(refused)";
    };
}

class PeopleDialogs : public PeopleSchool {};

class TwoDayDialogs : public PeopleSchool {
protected:
    TwoDayDialogs() : PeopleSchool(2) {}
};

TEST_F(PeopleDialogs, RequestDialogOffersTeachersAndEnablesTheLengthWithTheBox) {
    TeacherEntryDlg dialog(TopWindow(), &event_->GetTeachers(), nullptr,
                           "Please choose a teacher -", LongestDaySlots(*days_));
    EXPECT_EQ(dialog.GetTitle(), "Appointment Request");
    ASSERT_EQ(dialog.GetTeacherCombo()->GetCount(), 2u);
    EXPECT_EQ(dialog.GetTeacherCombo()->GetString(1), "Mrs B");
    EXPECT_EQ(dialog.GetPriorityCombo()->GetValue(), "Normal");
    EXPECT_TRUE(dialog.GetUseTeacherLength()->GetValue());
    EXPECT_FALSE(dialog.GetLengthText()->IsEnabled());
    EXPECT_FALSE(dialog.GetLengthLabel()->IsEnabled());
    Tick(dialog.GetUseTeacherLength(), false);
    EXPECT_TRUE(dialog.GetLengthText()->IsEnabled());
    EXPECT_TRUE(dialog.GetLengthLabel()->IsEnabled());
    dialog.GetTeacherCombo()->SetValue("ab");
    dialog.GetSubjectCombo()->SetValue("Maths");
    dialog.GetLengthText()->ChangeValue("2");
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ(dialog.GetTeacher(), mrA_);
    EXPECT_EQ(dialog.GetSubject(), "Maths");
    EXPECT_EQ(dialog.GetLength(), 2);
    EXPECT_EQ(dialog.GetPriority(), 1);
}

TEST_F(PeopleDialogs, RequestDialogInEditModeFixesTeacherAndSubject) {
    ASSERT_TRUE(amy_->AddRequest(mrsB_, "Art", 2, 2));
    ASSERT_TRUE(amy_->AddRequest(mrA_, "", 0, 0));
    {
        // A day of one slot: the stored 2 is kept while left as shown, never typed anew.
        TeacherEntryDlg dialog(TopWindow(), &event_->GetTeachers(), amy_->GetRequest(0), "Edit", 1);
        EXPECT_EQ(dialog.GetTeacherCombo()->GetValue(), "Mrs B");
        EXPECT_FALSE(dialog.GetTeacherCombo()->IsEnabled());
        EXPECT_EQ(dialog.GetSubjectCombo()->GetValue(), "Art");
        EXPECT_FALSE(dialog.GetSubjectCombo()->IsEnabled());
        EXPECT_EQ(dialog.GetPriorityCombo()->GetValue(), "High");
        EXPECT_FALSE(dialog.GetUseTeacherLength()->GetValue());
        EXPECT_EQ(dialog.GetLengthText()->GetValue(), "2");
        dialog.GetTeacherCombo()->SetValue("nobody");
        ASSERT_TRUE(dialog.TransferDataFromWindow());
        EXPECT_EQ(dialog.GetTeacher(), nullptr);
        EXPECT_EQ(dialog.GetSubject(), "");
        EXPECT_EQ(dialog.GetLength(), 2);
        dialog.GetLengthText()->ChangeValue("2 ");
        EXPECT_FALSE(dialog.TransferDataFromWindow());
        EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"The requested length must be no more "
                                                          "than 1 slots, the length of the "
                                                          "longest day"});
    }
    TeacherEntryDlg dialog(TopWindow(), &event_->GetTeachers(), amy_->GetRequest(1), "Edit", 0);
    EXPECT_TRUE(dialog.GetUseTeacherLength()->GetValue());
    EXPECT_EQ(dialog.GetLengthText()->GetValue(), "");
    EXPECT_EQ(dialog.GetPriorityCombo()->GetValue(), "Low");
}

// A priority none of the three names shows no choice, and OK keeps it unless one is chosen.
TEST_F(PeopleDialogs, RequestDialogKeepsAPriorityItCannotShow) {
    struct Case {
        int stored;
        const char* chosen;
        const char* shown;
        int result;
    };
    for (const Case& c :
         {Case{5, "", "", 5}, {-1, "", "", -1}, {5, "Low", "", 0}, {2, "", "High", 2}}) {
        SCOPED_TRACE(c.stored);
        ASSERT_TRUE(amy_->AddRequest(mrsB_, "Art", c.stored, -1));
        TeacherEntryDlg dialog(TopWindow(), &event_->GetTeachers(),
                               amy_->GetRequest(amy_->GetRequestCount() - 1), "Edit", 0);
        EXPECT_EQ(dialog.GetPriorityCombo()->GetValue(), c.shown);
        dialog.GetPriorityCombo()->SetStringSelection(c.chosen);
        ASSERT_TRUE(dialog.TransferDataFromWindow());
        EXPECT_EQ(dialog.GetPriority(), c.result);
    }
}

TEST_F(PeopleDialogs, PupilEditorRefusesAnEmptyNameAndWritesOnlyOnOK) {
    amy_->SetHouse("Red");
    PupilDlg dialog(TopWindow(), jones_, amy_, days_.get());
    EXPECT_EQ(dialog.GetTitle(), "Amy");
    dialog.GetNameText()->ChangeValue(" \t");
    dialog.GetFormText()->ChangeValue("8C");
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Please enter a name for this pupil"});
    EXPECT_EQ(amy_->GetName(), "Amy");
    EXPECT_EQ(amy_->GetForm(), "7B");
    dialog.GetNameText()->ChangeValue("Amy Jones ");
    dialog.GetHouseText()->ChangeValue("");
    dialog.GetEmailText()->ChangeValue("  amy@example.org ");
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    // Kept as the file will bring it back.
    EXPECT_EQ(amy_->GetName(), "Amy Jones");
    EXPECT_EQ(amy_->GetForm(), "8C");
    EXPECT_EQ(amy_->GetHouse(), "");
    EXPECT_EQ(amy_->GetEmail(), "amy@example.org");
}

// The lock leaves the parents' attending box free; the OK then keeps every booking and says, in
// the lock's one message, which stand where the family is no longer there.
TEST_F(PeopleDialogs, ParentMarkedAwayOnALockedEventKeepsTheBookingsAndSaysWhich) {
    ASSERT_TRUE(amy_->AddRequest(mrA_, "Maths", 1, 1));
    ASSERT_TRUE(amy_->AddRequest(mrsB_, "Art", 1, 1));
    ASSERT_TRUE(Book(amy_, 0, 18, 30));
    ASSERT_TRUE(Book(amy_, 1, 19, 0));
    Lock();
    ParentDlg dialog(TopWindow(), jones_, days_.get(), EditMode::Edit);
    Tick(dialog.GetAttendingBox(), false);
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_FALSE(jones_->IsAttending(days_->GetDay(0)));
    EXPECT_EQ(sink_.Texts(),
              std::vector<std::string>{
                  "Cannot unbook out of range appointments because the schedule is locked, so "
                  "these appointments stay where the teacher or the family is no longer available "
                  "(away, outside their hours, in a break or at a presentation):\n"
                  "Jones about Amy with Mr A at 6:30pm\nJones about Amy with Mrs B at 7:00pm"});
    EXPECT_TRUE(days_->GetDay(0)->ParentHasAppointments(jones_));
}

// An OK that changes no attendance has nothing to unbook, so the lock has nothing to refuse:
// whether the family is booked, not booked, or already kept booked while away.
TEST_F(PeopleDialogs, AnUntouchedParentOKOnALockedEventSaysNothing) {
    struct Case {
        const char* name;
        bool booked;
        bool away;
    };
    int minute = 0;
    for (const Case& c : {Case{"booked", true, false}, Case{"not booked", false, false},
                          Case{"kept booked while away", true, true}}) {
        SCOPED_TRACE(c.name);
        sink_.entries.clear();
        Parent* family = AddParent(c.name);
        Pupil* child = AddPupil(family, "Child", "7B");
        ASSERT_TRUE(child->AddRequest(mrA_, "Maths", 1, 1));
        if (c.booked) {
            ASSERT_TRUE(Book(child, 0, 18, minute += 10));
        }
        Lock();
        if (c.away) {
            ParentDlg away(TopWindow(), family, days_.get(), EditMode::Edit);
            Tick(away.GetAttendingBox(), false);
            ASSERT_TRUE(away.TransferDataFromWindow());
            ASSERT_EQ(sink_.entries.size(), 1U);
            sink_.entries.clear();
        }
        ParentDlg dialog(TopWindow(), family, days_.get(), EditMode::Edit);
        ASSERT_TRUE(dialog.TransferDataFromWindow());
        EXPECT_EQ(sink_.Texts(), std::vector<std::string>{});
        EXPECT_EQ(days_->GetDay(0)->ParentHasAppointments(family), c.booked);
        EXPECT_EQ(family->IsAttending(days_->GetDay(0)), !c.away);
        event_->SetLocked(false);
        days_->SetLocked(false);
    }
}

TEST_F(PeopleDialogs, PupilEditorOnALockedEventKeepsOnlyAddAndManualBooking) {
    Lock();
    PupilDlg dialog(TopWindow(), jones_, amy_, days_.get());
    const std::pair<int, bool> buttons[] = {{WxId(PupilDlg::Id::AddRequest), true},
                                            {WxId(PupilDlg::Id::EditRequest), false},
                                            {WxId(PupilDlg::Id::RemoveRequest), false},
                                            {WxId(PupilDlg::Id::Unbook), false},
                                            {WxId(PupilDlg::Id::ManualBook), true}};
    for (const auto& [id, enabled] : buttons) {
        SCOPED_TRACE(id);
        ASSERT_NE(dialog.FindWindow(id), nullptr);
        EXPECT_EQ(dialog.FindWindow(id)->IsEnabled(), enabled);
    }
}

TEST_F(PeopleDialogs, PupilEditorAsksBeforeRemovingAndUnbookingTheOnlyRequest) {
    ASSERT_TRUE(amy_->AddRequest(mrA_, "Maths", 1, -1));
    ASSERT_TRUE(amy_->AddRequest(mrsB_, "", 1, -1));
    ASSERT_TRUE(Book(amy_, 0, 18, 0));
    PupilDlg dialog(TopWindow(), jones_, amy_, days_.get());
    EXPECT_EQ(Lines(dialog.GetRequestsList()),
              (std::vector<std::string>{"Mr A (Maths) at 6:00pm", "Mrs B (not booked yet)"}));
    Press(&dialog, WxId(PupilDlg::Id::Unbook));
    EXPECT_EQ(sink_.Texts(),
              std::vector<std::string>{
                  "No appointment is selected - please select an appointment first"});
    dialog.GetRequestsList()->SetSelection(1);
    Press(&dialog, WxId(PupilDlg::Id::Unbook));
    EXPECT_EQ(sink_.entries.back().severity, SeverityInformation);
    EXPECT_EQ(sink_.entries.back().text, "This appointment is already unbooked");
    dialog.GetRequestsList()->SetSelection(0);
    prompts_.Answer(wxID_NO);
    Press(&dialog, WxId(PupilDlg::Id::Unbook));
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(prompts_.shown[0].caption, "Confirm unbooking");
    EXPECT_EQ(prompts_.shown[0].style, wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
    EXPECT_EQ(prompts_.shown[0].message,
              "You are about to unbook the appointment with Mr A - the request will remain and "
              "can be re-booked later. Are you sure you want to do this?");
    EXPECT_TRUE(days_->FindAppointment(amy_, 0));
    dialog.GetRequestsList()->SetSelection(0);
    prompts_.Answer(wxID_YES);
    Press(&dialog, WxId(PupilDlg::Id::RemoveRequest));
    EXPECT_EQ(prompts_.shown[1].caption, "Confirm removal");
    EXPECT_EQ(prompts_.shown[1].style, wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
    EXPECT_EQ(prompts_.shown[1].message,
              "Are you sure you want to remove the request to see Mr A about subject Maths?");
    ASSERT_EQ(amy_->GetRequestCount(), 1u);
    EXPECT_EQ(days_->GetDay(0)->GetGrid().PeekBooking(0, 0), nullptr);
    // One line left: no selection needed.
    EXPECT_EQ(dialog.GetSelectedIndex(), 0);
}

// Answering Yes to the rebooking question on a locked event must not lead to a second booking
// of a request that is still booked.
TEST_F(PeopleDialogs, ManualBookingStopsWhenTheUnbookingIsRefused) {
    ASSERT_TRUE(amy_->AddRequest(mrA_, "", 1, -1));
    ASSERT_TRUE(Book(amy_, 0, 18, 0));
    Lock();
    PupilDlg dialog(TopWindow(), jones_, amy_, days_.get());
    prompts_.Answer(wxID_YES);
    Press(&dialog, WxId(PupilDlg::Id::ManualBook));
    EXPECT_EQ(prompts_.shown.size(), 1u);
    EXPECT_TRUE(days_->FindAppointment(amy_, 0));
    EXPECT_FALSE(sink_.entries.empty());
}

TEST_F(PeopleDialogs, ANewPupilPointsAtItsParentsFromTheStart) {
    Pupil fresh;
    PupilDlg dialog(TopWindow(), jones_, &fresh, days_.get());
    EXPECT_EQ(dialog.GetTitle(), "New Pupil");
    EXPECT_EQ(fresh.GetParent(), jones_);
    ASSERT_TRUE(dialog.AddRequest(RequestEntry{mrA_, "", 1, -1}));
    EXPECT_EQ(fresh.GetRequest(0)->GetParent(), jones_);
    EXPECT_FALSE(dialog.BookAt(0, DateTime(Date(7, 3, 2024), TimeOfDay(18, 0, 0))));
    EXPECT_EQ(days_->GetDay(0)->GetGrid().PeekBooking(0, 0), nullptr);
}

TEST_F(PeopleDialogs, ParentEditorChecksNameThenKeysThenTimes) {
    Parent* smith = AddParent("Smith");
    smith->SetUniqueId("S1");
    AddParent("Smith");  // no identifier: the name is its key, yet the first stays editable
    EXPECT_TRUE(
        ParentDlg(TopWindow(), smith, days_.get(), EditMode::Edit).TransferDataFromWindow());
    ParentDlg dialog(TopWindow(), jones_, days_.get(), EditMode::Edit);
    EXPECT_TRUE(dialog.GetUseNameBox()->GetValue());
    EXPECT_FALSE(dialog.GetIdentifierText()->IsEnabled());
    dialog.GetNameText()->ChangeValue("");
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    Tick(dialog.GetUseNameBox(), false);
    EXPECT_TRUE(dialog.GetIdentifierText()->IsEnabled());
    dialog.GetNameText()->ChangeValue("Jones");
    dialog.GetIdentifierText()->ChangeValue("S1");
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    dialog.GetIdentifierText()->ChangeValue("J1");
    Tick(dialog.GetLateBox(), true);
    Tick(dialog.GetEarlyBox(), true);
    dialog.GetArrivalCombo()->SetTime(TimeOfDay(20, 0, 0));
    dialog.GetDepartureCombo()->SetTime(TimeOfDay(19, 0, 0));
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    EXPECT_EQ(sink_.Texts(),
              (std::vector<std::string>{"Please enter a name for this parent",
                                        "The parents \"Smith\" already have the identifier \"S1\"",
                                        "The arrival time must be before the departure time"}));
    EXPECT_EQ(jones_->GetUniqueId(), "Jones");
    EXPECT_FALSE(jones_->ArrivesLate(days_->GetDay(0)));
    dialog.GetDepartureCombo()->SetTime(TimeOfDay(20, 30, 0));
    dialog.GetEmailText()->ChangeValue(" mum@example.org ");
    dialog.GetAddressText(4)->ChangeValue("AB1 2CD");
    dialog.GetNotesText()->ChangeValue("Wheelchair");
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ(jones_->GetUniqueId(), "J1");
    EXPECT_EQ(jones_->GetEmail(), "mum@example.org");
    EXPECT_EQ(jones_->GetAddress(4), "AB1 2CD");
    EXPECT_EQ(jones_->GetNotes(), "Wheelchair");
    EXPECT_EQ(jones_->GetStartTime(days_->GetDay(0)), TimeOfDay(20, 0, 0));
    EXPECT_EQ(jones_->GetEndTime(days_->GetDay(0)), TimeOfDay(20, 30, 0));
}

TEST_F(PeopleDialogs, ParentEditorOnALockedEventFixesNamesTimesAndPupils) {
    const Schedule* day = days_->GetDay(0);
    ASSERT_TRUE(WriteDayAttendance(*jones_, *day,
                                   {true, true, TimeOfDay(18, 5, 0), true, TimeOfDay(20, 5, 0)}));
    Lock();
    ParentDlg editing(TopWindow(), jones_, days_.get(), EditMode::Edit);
    for (wxWindow* window : std::initializer_list<wxWindow*>{
             editing.GetNameText(), editing.GetIdentifierText(), editing.GetArrivalCombo(),
             editing.GetDepartureCombo(), editing.GetLateBox(), editing.GetEarlyBox(),
             editing.GetUseNameBox(), editing.GetAddPupilButton(),
             editing.GetRemovePupilButton()}) {
        EXPECT_FALSE(window->IsEnabled());
    }
    EXPECT_TRUE(editing.GetAttendingBox()->IsEnabled());
    EXPECT_TRUE(editing.GetEmailText()->IsEnabled());
    // Times between slot starts are kept, so the address can still be changed.
    editing.GetEmailText()->ChangeValue("mum@example.org");
    ASSERT_TRUE(editing.TransferDataFromWindow());
    EXPECT_EQ(jones_->GetEmail(), "mum@example.org");
    EXPECT_EQ(jones_->GetStartTime(day), TimeOfDay(18, 5, 0));
    EXPECT_EQ(jones_->GetEndTime(day), TimeOfDay(20, 5, 0));
    sink_.entries.clear();
    Parent fresh("New");
    AddPupil(&fresh, "Tom", "8A");
    ParentDlg adding(TopWindow(), &fresh, days_.get(), EditMode::Add);
    EXPECT_TRUE(adding.GetNameText()->IsEnabled());
    EXPECT_TRUE(adding.GetAddPupilButton()->IsEnabled());
    // Parents not yet in the event have no bookings for the lock to keep.
    EXPECT_TRUE(adding.RemovePupil(0));
    EXPECT_EQ(fresh.GetPupilCount(), 0u);
    EXPECT_TRUE(sink_.entries.empty());
}

// A pupil whose bookings the model keeps must stay, or the grid would point at freed requests.
TEST_F(PeopleDialogs, ARefusedPupilRemovalDeletesNothing) {
    ASSERT_TRUE(amy_->AddRequest(mrA_, "", 1, -1));
    ASSERT_TRUE(Book(amy_, 0, 18, 0));
    Lock();
    ParentDlg dialog(TopWindow(), jones_, days_.get(), EditMode::Edit);
    EXPECT_FALSE(dialog.RemovePupil(0));
    EXPECT_EQ(jones_->GetPupilCount(), 1u);
    EXPECT_TRUE(days_->FindAppointment(amy_, 0));
    EXPECT_TRUE(dialog.PupilsChanged());
}

TEST_F(PeopleDialogs, ParentEditorRemovesAPupilWithItsBookingsAfterAsking) {
    ASSERT_TRUE(amy_->AddRequest(mrA_, "", 1, 2));
    ASSERT_TRUE(Book(amy_, 0, 18, 0));
    AddPupil(jones_, "Ben", "9C");
    ParentDlg dialog(TopWindow(), jones_, days_.get(), EditMode::Edit);
    EXPECT_EQ(Lines(dialog.GetPupilsList()), (std::vector<std::string>{"Amy (7B)", "Ben (9C)"}));
    EXPECT_EQ(Lines(dialog.GetBookedList()),
              (std::vector<std::string>{"Mr A about Amy at 6:00pm", "Mr A about Amy at 6:10pm"}));
    Press(&dialog, WxId(ParentDlg::Id::EditPupil));
    EXPECT_EQ(sink_.entries.back().severity, SeverityWarning);
    EXPECT_EQ(sink_.entries.back().text,
              "No pupil is selected, please highlight a pupil in order to edit them");
    Press(&dialog, WxId(ParentDlg::Id::RemovePupil));  // nothing selected: nothing asked
    dialog.GetPupilsList()->SetSelection(0);
    prompts_.Answer(wxID_YES);
    Press(&dialog, WxId(ParentDlg::Id::RemovePupil));
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(prompts_.shown[0].caption, "Confirm removal");
    EXPECT_EQ(prompts_.shown[0].style, wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
    EXPECT_EQ(prompts_.shown[0].message, "Are you sure you want to remove the pupil Amy (7B)?");
    EXPECT_EQ(Lines(dialog.GetPupilsList()), std::vector<std::string>{"Ben (9C)"});
    EXPECT_TRUE(Lines(dialog.GetBookedList()).empty());
    EXPECT_EQ(days_->GetDay(0)->GetGrid().PeekBooking(0, 0), nullptr);
    EXPECT_EQ(dialog.GetEmailSentLabel(EmailInvitation)->GetLabel(), "No");
}

TEST_F(TwoDayDialogs, ParentEditorSavesTheDayLeftAndLoadsTheDayShown) {
    ParentDlg dialog(TopWindow(), jones_, days_.get(), EditMode::Edit);
    Tick(dialog.GetLateBox(), true);
    dialog.GetArrivalCombo()->SetTime(TimeOfDay(19, 0, 0));
    EXPECT_FALSE(dialog.SavedWhileOpen());
    Press(&dialog, WxId(DaySelectDlg::Id::NextDay));
    EXPECT_TRUE(dialog.SavedWhileOpen());
    EXPECT_TRUE(jones_->ArrivesLate(days_->GetDay(0)));
    EXPECT_EQ(jones_->GetStartTime(days_->GetDay(0)), TimeOfDay(19, 0, 0));
    EXPECT_FALSE(dialog.GetLateBox()->GetValue());
    EXPECT_EQ(dialog.GetArrivalCombo()->GetTime(), TimeOfDay(18, 0, 0));
    Press(&dialog, WxId(DaySelectDlg::Id::PreviousDay));
    EXPECT_TRUE(dialog.GetLateBox()->GetValue());
    EXPECT_EQ(dialog.GetArrivalCombo()->GetTime(), TimeOfDay(19, 0, 0));
}

TEST_F(PeopleDialogs, PresentationEditorShowsAttendanceAndWritesOnlyTitleAndLocation) {
    auto talk = std::make_unique<Presentation>("Careers");
    talk->SetDate(Date(7, 3, 2024));
    talk->SetTimes(TimeOfDay(18, 30, 0), TimeOfDay(19, 0, 0));
    Presentation* careers = talk.get();
    ASSERT_TRUE(event_->AddPresentation(std::move(talk)));
    std::vector<Attendee*> people = {mrA_, mrsB_, AddTeacher("Ms C", "MC")};
    for (int i = 0; i < 40; ++i) {
        people.push_back(AddParent("Parent " + std::to_string(i)));
    }
    ASSERT_TRUE(AttendAll(*days_, people, careers).empty());
    PresentationDlg dialog(TopWindow(), EditMode::Edit, careers, days_.get());
    EXPECT_EQ(dialog.GetTitle(), "Careers");
    EXPECT_EQ(dialog.GetCountText(0)->GetLabel(), "3");
    EXPECT_EQ(dialog.GetCountText(1)->GetLabel(), "40");
    EXPECT_EQ(dialog.GetCountText(2)->GetLabel(), "43");
    EXPECT_FALSE(dialog.GetStartCombo()->IsEnabled());
    EXPECT_EQ(dialog.GetStartCombo()->GetTime(), TimeOfDay(18, 30, 0));
    EXPECT_EQ(dialog.GetEndCombo()->GetTime(), TimeOfDay(19, 0, 0));
    dialog.GetTitleText()->ChangeValue("Careers evening");
    dialog.GetLocationText()->ChangeValue("Hall");
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ(careers->GetName(), "Careers evening");
    EXPECT_EQ(careers->GetLocation(), "Hall");
    EXPECT_EQ(careers->GetStartTime(), TimeOfDay(18, 30, 0));
}

TEST_F(TwoDayDialogs, ANewPresentationTakesTheDayAndTimesChosen) {
    Presentation fresh;
    fresh.SetDate(Date(7, 3, 2024));
    fresh.SetTimes(TimeOfDay(18, 0, 0), TimeOfDay(18, 10, 0));
    PresentationDlg dialog(TopWindow(), EditMode::Add, &fresh, days_.get());
    EXPECT_EQ(dialog.GetTitle(), "New Presentation");
    EXPECT_EQ(dialog.GetCountText(0), nullptr);
    EXPECT_EQ(dialog.GetEndCombo()->GetTime(), TimeOfDay(18, 10, 0));
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    EXPECT_EQ(sink_.Texts(),
              std::vector<std::string>{"Please enter a title for this presentation"});
    Press(&dialog, WxId(DaySelectDlg::Id::NextDay));
    EXPECT_EQ(dialog.GetEndCombo()->GetTime(), TimeOfDay(18, 0, 0));
    dialog.GetTitleText()->ChangeValue("Sports");
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    EXPECT_EQ(sink_.entries.back().text, "The end time must be after the start time");
    dialog.GetEndCombo()->SetTime(TimeOfDay(20, 50, 0));
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ(fresh.GetDate(), Date(8, 3, 2024));
    EXPECT_EQ(fresh.GetEndTime(), TimeOfDay(20, 50, 0));
    EXPECT_EQ(fresh.GetName(), "Sports");
}

TEST_F(TwoDayDialogs, BreakDialogReadsNumbersAsTheyStartAndFollowsTheDay) {
    TeacherBreakDlg dialog(TopWindow(), days_.get());
    EXPECT_EQ(dialog.GetTitle(), "Enter Teacher Breaks");
    EXPECT_EQ(dialog.GetBreakTime(), TimeOfDay(18, 0, 0));
    EXPECT_EQ(dialog.GetBreakLength(), 1);
    EXPECT_EQ(dialog.GetRandomOffset(), 0);
    const std::pair<const char*, int> texts[] = {{"3 slots", 3}, {"abc", 0}, {" -2", -2}};
    for (const auto& [text, value] : texts) {
        SCOPED_TRACE(text);
        dialog.GetLengthText()->ChangeValue(text);
        dialog.GetOffsetText()->ChangeValue(text);
        EXPECT_EQ(dialog.GetBreakLength(), value);
        EXPECT_EQ(dialog.GetRandomOffset(), value);
    }
    dialog.GetTimeCombo()->SetTime(TimeOfDay(19, 0, 0));
    Press(&dialog, WxId(DaySelectDlg::Id::NextDay));
    EXPECT_EQ(dialog.GetCurrentDay(), days_->GetDay(1));
    EXPECT_EQ(dialog.GetBreakTime(), TimeOfDay(18, 0, 0));
}

// A break of no slots adds nothing: OK must not close as if it had.
TEST_F(PeopleDialogs, BreakDialogRefusesALengthOfNoSlots) {
    TeacherBreakDlg dialog(TopWindow(), days_.get());
    const std::pair<const char*, bool> lengths[] = {
        {"one", false}, {"0", false}, {"-2", false}, {"", false}, {"1", true}, {"3 slots", true}};
    for (const auto& [text, accepted] : lengths) {
        SCOPED_TRACE(text);
        sink_.entries.clear();
        dialog.GetLengthText()->ChangeValue(text);
        EXPECT_EQ(dialog.TransferDataFromWindow(), accepted);
        EXPECT_EQ(sink_.Texts(),
                  accepted ? std::vector<std::string>{}
                           : std::vector<std::string>{
                                 "Invalid break length - please enter a number greater than zero"});
    }
}

TEST_F(PeopleDialogs, PresentationsDialogKeepsItsChoiceOpenWhenOneCannotBeAttended) {
    auto talk = std::make_unique<Presentation>("Elsewhere");
    talk->SetDate(Date(1, 1, 2030));
    talk->SetTimes(TimeOfDay(18, 0, 0), TimeOfDay(18, 30, 0));
    Presentation* elsewhere = talk.get();
    ASSERT_TRUE(event_->AddPresentation(std::move(talk)));
    AttendeePresDlg dialog(TopWindow(), jones_, days_.get());
    EXPECT_EQ(dialog.GetTitle(), "Presentations");
    ASSERT_EQ(dialog.GetBoxes().size(), 1u);
    EXPECT_FALSE(dialog.GetBoxes()[0]->GetValue());
    dialog.GetBoxes()[0]->SetValue(true);
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Cannot attend presentation 'Elsewhere'"});
    EXPECT_FALSE(jones_->AttendsPresentation(elsewhere));
    dialog.GetBoxes()[0]->SetValue(false);
    EXPECT_TRUE(dialog.TransferDataFromWindow());
}

// The event file drops these bytes when it is read, so an event must never hold them: two names
// that differ only by one would be saved and then clash on opening. Tabs and line ends stay.
TEST_F(PeopleDialogs, EditorsStoreTypedTextWithoutControlBytesAndTheFileOpensAgain) {
    const std::string line = "Ann\a L\033ee";
    const std::string lines = "Dear\a NAME,\n\tsee \x1BLINK";
    Teacher fresh;
    wxWindow* top = TopWindow();
    const auto added = [&](auto& dialog) {
        EXPECT_TRUE(days_->AddTeacher(std::make_unique<Teacher>(dialog.GetWorkingCopy())));
        return dialog.GetWorkingCopy().GetName();
    };
    const struct {
        const char* editor;
        std::string typed;
        std::string stored;
        std::function<std::string(const std::string&)> type;
    } cases[] = {
        {"teacher", line, "Ann Lee",
         Editor(&TeacherDlg::GetNameText, added, top, days_.get(), &fresh, EditMode::Add)},
        {"another teacher", "Ann\a Lee", "(refused)",
         Editor(&TeacherDlg::GetNameText, added, top, days_.get(), &fresh, EditMode::Add)},
        {"parent", lines, "Dear NAME,\n\tsee LINK",
         Editor(
             &ParentDlg::GetNotesText, [&](auto&) { return jones_->GetNotes(); }, top, jones_,
             days_.get(), EditMode::Edit)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.editor);
        EXPECT_EQ(c.type(c.typed), c.stored);
    }
    EXPECT_EQ(sink_.Texts(),
              std::vector<std::string>{"There is already a teacher called \"Ann Lee\""});
    Tokeniser tokens;
    tokens.SetText(EventFileWriter(*days_).FormatEventFile());
    MultiDaySchedule back(std::make_shared<Event>());
    EXPECT_TRUE(EventFileReader(&back, &tokens).Read());
}

}  // namespace
