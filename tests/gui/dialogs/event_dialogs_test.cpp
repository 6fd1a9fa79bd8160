#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/textctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/qm_controller.h"
#include "gui/dialogs/dpi_scope.h"
#include "gui/dialogs/edit_scoring_dlg.h"
#include "gui/dialogs/new_event_dlg.h"
#include "gui/support/gui_test.h"
#include "gui/support/user_input.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/schedule.h"
#include "support/score_switches.h"

namespace {

// A one-day event on 7 Mar 2024 from 18:00 to 21:00.
class EventDialogs : public GuiTest {
protected:
    EventDialogs() : event_(std::make_shared<Event>()), schedule_(event_) {
        Schedule* day = schedule_.GetDay(0);
        day->SetDate(Date(7, 3, 2024));
        day->SetStartTime(TimeOfDay(18, 0, 0));
        day->SetEndTime(TimeOfDay(21, 0, 0));
        schedule_.ClearModified();
        // The open event, as the controller makes it.
        event_->MakeScoreSwitchesCurrent();
    }

    static void PressOK(wxDialog& dialog) { Press(&dialog, wxID_OK); }

    StandaloneScoreSwitches switches_;
    std::shared_ptr<Event> event_;
    MultiDaySchedule schedule_;
    QMController controller_;
};

TEST_F(EventDialogs, EventSettingsShowTheEventInScaledFields) {
    ScopedEnv dpi(kDpiOverrideVariable, "120");
    ASSERT_TRUE(event_->SetSlotLength(450));
    NewEventDlg dialog(TopWindow(), &schedule_, &controller_);
    EXPECT_EQ(dialog.GetTitle(), "New Event");
    EXPECT_EQ(dialog.GetNameBox()->GetValue(), "New event");
    EXPECT_EQ(dialog.GetNameBox()->GetSize().x, 493);
    EXPECT_EQ(dialog.GetSlotLengthBox()->GetValue(), "7.5");
    EXPECT_EQ(dialog.GetTeacherWordBox()->GetValue(), "Teacher");
    const NewEventDlg::DayControls& first = dialog.GetDayControls(0);
    const NewEventDlg::DayControls& second = dialog.GetDayControls(1);
    EXPECT_EQ(first.day->GetSize().x, 37);
    EXPECT_EQ(first.month->GetSize().x, 137);
    EXPECT_EQ(first.year->GetSize().x, 68);
    EXPECT_EQ(first.start->GetSize().x, 243);
    EXPECT_EQ(first.day->GetValue() + " " + first.month->GetValue() + " " + first.year->GetValue(),
              "7 March 2024");
    EXPECT_EQ(first.start->GetValue() + "-" + first.end->GetValue(), "6:00pm-9:00pm");
    EXPECT_EQ(second.day->GetValue() + " " + second.month->GetValue(), "8 March");
    EXPECT_EQ(second.start->GetValue(), "");
    EXPECT_EQ(first.month->GetCount(), 12u);
    EXPECT_TRUE(first.month->HasFlag(wxCB_READONLY));
    wxComboBox* gaps = dialog.GetGapModeList();
    ASSERT_EQ(gaps->GetCount(), 4u);
    EXPECT_EQ(gaps->GetString(2), "Don't insert gaps between parent appointments");
    EXPECT_EQ(gaps->GetSelection(), 1);
    EXPECT_EQ(dialog.GetTwoDaysBox()->GetId(), 3);
    EXPECT_EQ(dialog.GetTwoDaysBox()->GetLabel(), "The event is split over two days");
    EXPECT_FALSE(dialog.GetTwoDaysBox()->GetValue());
    for (wxWindow* control :
         {(wxWindow*)second.day, (wxWindow*)second.month, (wxWindow*)second.year,
          (wxWindow*)second.start, (wxWindow*)second.end}) {
        EXPECT_FALSE(control->IsEnabled());
    }
    EXPECT_TRUE(first.day->IsEnabled());
    EXPECT_EQ(dialog.FindWindow(1)->GetLabel(), "Edit Email Server");
    EXPECT_EQ(dialog.FindWindow(2)->GetLabel(), "Edit Logo and Notes");
    EXPECT_EQ(dialog.FindWindow(1)->GetSize().x, 187);
}

// Each side button runs the editor handed in for it on the dialog's event; one without an
// editor stays disabled.
TEST_F(EventDialogs, TheSideButtonsRunTheirEditorsOnTheEvent) {
    using Id = NewEventDlg::Id;
    std::vector<std::string> ran;
    auto noting = [&ran, this](const char* name) {
        return [&ran, name, this](wxWindow* parent, Event& event, QMController* controller) {
            EXPECT_EQ(&event, event_.get());
            EXPECT_EQ(controller, &controller_);
            EXPECT_NE(parent, nullptr);
            ran.push_back(name);
        };
    };
    NewEventDlg::SetEmailServerEditor(nullptr);
    NewEventDlg::SetLogoAndNotesEditor(noting("logo"));
    {
        NewEventDlg dialog(TopWindow(), &schedule_, &controller_);
        EXPECT_FALSE(dialog.FindWindow(WxId(Id::EditEmailServer))->IsEnabled());
        EXPECT_TRUE(dialog.FindWindow(WxId(Id::EditLogoAndNotes))->IsEnabled());
        for (Id id : {Id::EditEmailServer, Id::EditLogoAndNotes}) {
            wxCommandEvent click(wxEVT_BUTTON, WxId(id));
            dialog.ProcessWindowEvent(click);
        }
    }
    EXPECT_EQ(ran, std::vector<std::string>{"logo"});

    NewEventDlg::SetEmailServerEditor(noting("server"));
    {
        NewEventDlg dialog(TopWindow(), &schedule_, &controller_);
        EXPECT_TRUE(dialog.FindWindow(WxId(Id::EditEmailServer))->IsEnabled());
        wxCommandEvent click(wxEVT_BUTTON, WxId(Id::EditEmailServer));
        dialog.ProcessWindowEvent(click);
    }
    EXPECT_EQ(ran, (std::vector<std::string>{"logo", "server"}));
    NewEventDlg::SetEmailServerEditor(nullptr);
    NewEventDlg::SetLogoAndNotesEditor(nullptr);
}

TEST_F(EventDialogs, TickingTheSecondDayFillsOnlyItsEmptyHoursAndEnablesIt) {
    NewEventDlg dialog(TopWindow(), &schedule_, &controller_);
    const NewEventDlg::DayControls& second = dialog.GetDayControls(1);
    second.end->ChangeValue("8:00pm");
    Tick(dialog.GetTwoDaysBox(), true);
    EXPECT_EQ(second.start->GetValue(), "6:00pm");
    EXPECT_EQ(second.end->GetValue(), "8:00pm");
    EXPECT_TRUE(second.day->IsEnabled());
    EXPECT_TRUE(second.end->IsEnabled());
    EXPECT_EQ(schedule_.GetDayCount(), 1u);
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    ASSERT_EQ(schedule_.GetDayCount(), 2u);
    EXPECT_EQ(schedule_.GetDay(1)->GetDate(), Date(8, 3, 2024));
    EXPECT_EQ(schedule_.GetDay(1)->GetEndTime(), TimeOfDay(20, 0, 0));
    Tick(dialog.GetTwoDaysBox(), false);
    EXPECT_FALSE(second.start->IsEnabled());
}

TEST_F(EventDialogs, EventSettingsOkChecksThenWritesAndReportsATimingChange) {
    NewEventDlg dialog(TopWindow(), &schedule_, &controller_);
    dialog.GetNameBox()->ChangeValue("Year 11 evening");
    dialog.GetSlotLengthBox()->ChangeValue("60.5");
    PressOK(dialog);
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"The appointment length is too long"});
    EXPECT_EQ(event_->GetName(), "New event");
    EXPECT_FALSE(schedule_.IsModified());

    dialog.GetSlotLengthBox()->ChangeValue("10");
    dialog.GetDayControls(0).start->ChangeValue("11:00");
    prompts_.Answer(wxID_NO);
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(prompts_.shown[0].caption, "Please confirm");
    EXPECT_TRUE(prompts_.shown[0].message.StartsWith("The event start time \"11:00\""));
    EXPECT_FALSE(dialog.HasTimingChanged());

    dialog.GetDayControls(0).start->ChangeValue("6:00pm");
    dialog.GetParentWordBox()->ChangeValue("Carer");
    PressOK(dialog);
    EXPECT_EQ(event_->GetName(), "Year 11 evening");
    EXPECT_EQ(event_->GetSlotLength(), 600);
    EXPECT_EQ(event_->GetParentDesc(false), "carer");
    EXPECT_TRUE(dialog.HasTimingChanged());
    // An event the controller does not hold is a new one: its limits stay in slots, unsaid.
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"The appointment length is too long"});
    EXPECT_EQ(event_->GetOptions(), ScheduleOptions());
}

TEST_F(EventDialogs, EventSettingsOkWithoutEditsKeepsAnOddSlotLength) {
    ASSERT_TRUE(event_->SetSlotLength(246));
    schedule_.ClearModified();
    NewEventDlg dialog(TopWindow(), &schedule_, &controller_);
    EXPECT_EQ(dialog.GetSlotLengthBox()->GetValue(), "4.1");
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ(event_->GetSlotLength(), 246);
    EXPECT_FALSE(dialog.HasTimingChanged());
    EXPECT_FALSE(schedule_.IsModified());

    NewEventDlg empty(TopWindow(), nullptr, &controller_);
    EXPECT_EQ(empty.GetNameBox(), nullptr);
    EXPECT_FALSE(empty.TransferDataFromWindow());
}

TEST_F(EventDialogs, ScoringShowsMinutesAndTheEventsSwitchesInTabOrder) {
    ScopedEnv dpi(kDpiOverrideVariable, "144");
    ScheduleOptions options = event_->GetOptions();
    options.TeacherCountInitGap = true;
    options.BringTwinsTogether = false;
    event_->SetOptions(options);
    event_->SetScoreSwitches({false, true});
    EditScoringDlg dialog(TopWindow(), event_);
    EXPECT_EQ(dialog.GetTitle(), "Edit Scoring");
    EXPECT_EQ(dialog.GetTeacherWaitBox()->GetValue(), "15");
    EXPECT_EQ(dialog.GetParentWaitBox()->GetValue(), "20");
    EXPECT_EQ(dialog.GetTeacherBusyBox()->GetValue(), "120");
    EXPECT_EQ(dialog.GetTeacherWaitBox()->GetSize().x, 75);
    const std::vector<std::pair<std::string, bool>> expected = {
        {"Teachers: Breaks count as waiting", false},
        {"Teachers: Time before 1st appointment counts as waiting", true},
        {"Parents: Time before 1st appointment counts as waiting", false},
        {"Bring appointments for twins together", false},
        {"Try to book all appointments (only use if not overbooked)", false},
        {"Try to reduce total attendance time (only use with good scores)", true},
    };
    for (int i = 0; i < EditScoringDlg::kSwitchCount; ++i) {
        wxCheckBox* box = dialog.GetSwitchBox(static_cast<EditScoringDlg::Switch>(i));
        EXPECT_EQ(box->GetLabel(), expected[i].first);
        EXPECT_EQ(box->GetValue(), expected[i].second) << expected[i].first;
    }
    const wxWindowList& children = dialog.GetChildren();
    std::vector<wxWindow*> order(children.begin(), children.end());
    ASSERT_GE(order.size(), 9u);
    EXPECT_EQ(order[0], dialog.GetTeacherWaitBox());
    EXPECT_EQ(order[1], dialog.GetTeacherBusyBox());
    EXPECT_EQ(order[2], dialog.GetParentWaitBox());
    EXPECT_EQ(order[3], dialog.GetSwitchBox(EditScoringDlg::TeacherCountBreaks));
}

TEST_F(EventDialogs, ScoringOkWritesTheSwitchesToTheOpenEventOnlyAfterTheLimitsPass) {
    EditScoringDlg dialog(TopWindow(), event_);
    dialog.GetSwitchBox(EditScoringDlg::CompareUnbooked)->SetValue(false);
    dialog.GetSwitchBox(EditScoringDlg::TeacherCountBreaks)->SetValue(true);
    dialog.GetTeacherWaitBox()->ChangeValue("-1");
    dialog.GetTeacherBusyBox()->ChangeValue("-1");
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    dialog.GetTeacherWaitBox()->ChangeValue("1441");
    dialog.GetTeacherBusyBox()->ChangeValue("120");
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    EXPECT_EQ(sink_.Texts(),
              (std::vector<std::string>{
                  "The teacher wait length cannot be negative",
                  "The teacher wait length cannot be more than 1440 minutes (a day)"}));
    EXPECT_FALSE(event_->GetOptions().TeacherCountBreaks);
    EXPECT_TRUE(event_->GetScoreSwitches().unbooked);
    EXPECT_FALSE(event_->IsModified());

    dialog.GetTeacherWaitBox()->ChangeValue("30");
    PressOK(dialog);
    EXPECT_EQ(event_->GetOptions().TeacherGapLength, 6);
    EXPECT_TRUE(event_->GetOptions().TeacherCountBreaks);
    EXPECT_FALSE(event_->GetScoreSwitches().unbooked);
    EXPECT_FALSE(Score::CompareUnbooked());
    EXPECT_TRUE(event_->IsModified());
}

TEST_F(EventDialogs, ScoringOkWithoutEditsKeepsSevenAndAHalfMinuteSlots) {
    ASSERT_TRUE(event_->SetSlotLength(450));
    const ScheduleOptions before = event_->GetOptions();
    for (int ok = 0; ok < 3; ++ok) {
        EditScoringDlg dialog(TopWindow(), event_);
        EXPECT_EQ(dialog.GetTeacherWaitBox()->GetValue(), "22");
        ASSERT_TRUE(dialog.TransferDataFromWindow());
    }
    EXPECT_EQ(event_->GetOptions(), before);
}

TEST_F(EventDialogs, ScoringOnALockedEventStopsAtTheLockAndAppliesNoSwitch) {
    event_->SetLocked(true);
    EditScoringDlg dialog(TopWindow(), event_);
    dialog.GetSwitchBox(EditScoringDlg::CompareAttendance)->SetValue(true);
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{
                                 "Cannot update waiting time because the schedule is locked"});
    EXPECT_FALSE(event_->GetScoreSwitches().attendance);

    EditScoringDlg none(TopWindow(), nullptr);
    EXPECT_EQ(none.GetTeacherWaitBox()->GetValue(), "");
    EXPECT_FALSE(none.TransferDataFromWindow());
}

}  // namespace
