#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/dialogs/day_select_dlg.h"
#include "gui/dialogs/dpi_scope.h"
#include "gui/dialogs/time_entry.h"
#include "gui/support/gui_test.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/schedule.h"

namespace {

// A dialog that keeps one text per day, as the people editors keep their times.
class PerDayDlg : public DaySelectDlg {
public:
    PerDayDlg(wxWindow* parent, MultiDaySchedule* days)
        : DaySelectDlg(parent, "Per day", days), values(days->GetDayCount()) {
        box = new wxTextCtrl(this, wxID_ANY);
        GetMainSizer()->Add(box, 0, wxALL, 5);
        AddDaySelector();
        AddOKCancelButtons();
    }
    void Press(int id) {
        wxCommandEvent click(wxEVT_BUTTON, id);
        click.SetEventObject(this);
        ProcessWindowEvent(click);
    }
    std::string Label() const {
        return GetDayLabel() ? GetDayLabel()->GetLabel().utf8_str().data() : "";
    }

    std::vector<wxString> values;
    wxTextCtrl* box;
    int saves = 0;
    int loads = 0;

protected:
    void SaveDayValues() override {
        values[GetCurrentDayIndex()] = box->GetValue();
        ++saves;
    }
    void LoadDayValues() override {
        box->ChangeValue(values[GetCurrentDayIndex()]);
        ++loads;
    }
};

class DayDialogs : public GuiTest {
protected:
    // Days from 7 Mar 2024, each from start to end, with slots of slotSeconds.
    MultiDaySchedule& MakeDays(unsigned count, TimeOfDay start = TimeOfDay(18, 0, 0),
                               TimeOfDay end = TimeOfDay(20, 0, 0), int slotSeconds = 600) {
        event_ = std::make_shared<Event>();
        EXPECT_TRUE(event_->SetSlotLength(slotSeconds));
        days_ = std::make_unique<MultiDaySchedule>(event_);
        days_->GetDay(0)->SetDate(Date(7, 3, 2024));
        while (days_->GetDayCount() < count) {
            EXPECT_TRUE(days_->AppendNextDay());
        }
        for (unsigned i = 0; i < count; ++i) {
            days_->GetDay(i)->SetStartTime(start);
            days_->GetDay(i)->SetEndTime(end);
        }
        return *days_;
    }
    static std::vector<std::string> Entries(const wxComboBox& combo) {
        std::vector<std::string> entries;
        for (unsigned i = 0; i < combo.GetCount(); ++i) {
            entries.push_back(combo.GetString(i).utf8_str().data());
        }
        return entries;
    }

    std::shared_ptr<Event> event_;
    std::unique_ptr<MultiDaySchedule> days_;
};

TEST_F(DayDialogs, TheSelectorSavesMovesAndLoadsOnBothDaysWithinBounds) {
    PerDayDlg dialog(TopWindow(), &MakeDays(2));
    wxButton* previous = dialog.GetPreviousDayButton();
    wxButton* next = dialog.GetNextDayButton();
    ASSERT_TRUE(previous && next);
    EXPECT_EQ(previous->GetId(), 100);
    EXPECT_EQ(next->GetId(), 101);
    EXPECT_EQ(previous->GetLabel(), "< Previous Day");
    EXPECT_EQ(next->GetLabel(), "Next Day >");
    EXPECT_EQ(dialog.Label(), "07 Mar 2024");
    EXPECT_FALSE(previous->IsEnabled());
    EXPECT_TRUE(next->IsEnabled());

    dialog.box->ChangeValue("first");
    dialog.Press(101);
    EXPECT_EQ(dialog.GetCurrentDayIndex(), 1);
    EXPECT_EQ(dialog.GetCurrentDay(), days_->GetDay(1));
    EXPECT_EQ(dialog.Label(), "08 Mar 2024");
    EXPECT_TRUE(previous->IsEnabled());
    EXPECT_FALSE(next->IsEnabled());
    EXPECT_EQ(dialog.box->GetValue(), "");
    dialog.box->ChangeValue("second");
    // At the end the index stays, but the values still go through a save and a load.
    dialog.Press(101);
    EXPECT_EQ(dialog.GetCurrentDayIndex(), 1);
    EXPECT_EQ(dialog.box->GetValue(), "second");
    dialog.Press(100);
    EXPECT_EQ(dialog.box->GetValue(), "first");
    dialog.Press(100);
    EXPECT_EQ(dialog.GetCurrentDayIndex(), 0);
    dialog.Press(101);
    EXPECT_EQ(dialog.box->GetValue(), "second");
    EXPECT_EQ(dialog.saves, 5);
    EXPECT_EQ(dialog.loads, 5);

    // Selecting a date neither saves nor loads; an unknown date changes nothing.
    dialog.SelectDate(Date(7, 3, 2024));
    EXPECT_EQ(dialog.GetCurrentDayIndex(), 0);
    EXPECT_EQ(dialog.Label(), "07 Mar 2024");
    dialog.SelectDate(Date(9, 3, 2024));
    EXPECT_EQ(dialog.GetCurrentDayIndex(), 0);
    EXPECT_EQ(dialog.saves, 5);
    EXPECT_EQ(dialog.loads, 5);
}

TEST_F(DayDialogs, AnEventOfOneDayHasNoSelectorAndScaledButtonsOtherwise) {
    PerDayDlg single(TopWindow(), &MakeDays(1));
    EXPECT_EQ(single.FindWindow(100), nullptr);
    EXPECT_EQ(single.FindWindow(101), nullptr);
    EXPECT_EQ(single.GetDayLabel(), nullptr);
    EXPECT_EQ(single.GetCurrentDay(), days_->GetDay(0));
    single.SelectDate(Date(7, 3, 2024));
    EXPECT_EQ(single.GetCurrentDayIndex(), 0);

    ScopedEnv dpi(kDpiOverrideVariable, "120");
    PerDayDlg three(TopWindow(), &MakeDays(3));
    EXPECT_EQ(three.GetNextDayButton()->GetSize().x, 150);
    three.SelectDate(Date(8, 3, 2024));
    EXPECT_TRUE(three.GetPreviousDayButton()->IsEnabled());
    EXPECT_TRUE(three.GetNextDayButton()->IsEnabled());
}

TEST_F(DayDialogs, TheTimeListOffersOnlyTimesThatReadBack) {
    struct Case {
        const char* name;
        TimeOfDay start;
        TimeOfDay end;
        int slotSeconds;
        bool withEnd;
        std::vector<std::string> entries;
    };
    const Case cases[] = {
        {"evening of 10-minute slots",
         TimeOfDay(18, 0, 0),
         TimeOfDay(20, 0, 0),
         600,
         false,
         {"6:00pm", "6:10pm", "6:20pm", "6:30pm", "6:40pm", "6:50pm", "7:00pm", "7:10pm", "7:20pm",
          "7:30pm", "7:40pm", "7:50pm"}},
        {"over midday",
         TimeOfDay(11, 30, 0),
         TimeOfDay(13, 0, 0),
         1800,
         false,
         {"11:30am", "12:00pm", "12:30pm"}},
        // The part slot before the end holds nothing and would read back as midnight.
        {"a part slot at the end",
         TimeOfDay(18, 0, 0),
         TimeOfDay(18, 25, 0),
         600,
         false,
         {"6:00pm", "6:10pm"}},
        {"an end time may be the end",
         TimeOfDay(18, 0, 0),
         TimeOfDay(18, 25, 0),
         600,
         true,
         {"6:00pm", "6:10pm", "6:25pm"}},
        {"no hours", TimeOfDay(18, 0, 0), TimeOfDay(18, 0, 0), 600, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MultiDaySchedule& days = MakeDays(1, c.start, c.end, c.slotSeconds);
        auto* combo = new TimeEntryCombo(TopWindow(), wxSize(100, -1), days.GetDay(0), c.withEnd);
        EXPECT_EQ(Entries(*combo), c.entries);
        EXPECT_TRUE(combo->HasFlag(wxCB_READONLY));
        if (c.entries.empty()) {
            EXPECT_EQ(combo->GetTime(), TimeOfDay());
        } else {
            EXPECT_EQ(combo->GetValue(), c.entries.front());
        }
        for (size_t i = 0; i < c.entries.size(); ++i) {
            combo->SetSelection(static_cast<int>(i));
            EXPECT_EQ(combo->GetTime().Format(Time12h), c.entries[i]);
            EXPECT_EQ(combo->GetDateTime(), DateTime(Date(7, 3, 2024), combo->GetTime()));
        }
        combo->Destroy();
    }
}

// A stored time that no slot starts at is shown as it is, and only until the next one is shown.
TEST_F(DayDialogs, SettingShowsTheTimeGivenAndRemovingKeepsToTheList) {
    auto* combo = new TimeEntryCombo(TopWindow(), wxSize(100, -1), MakeDays(1).GetDay(0));
    const struct {
        TimeOfDay time;
        const char* shown;
        unsigned count;
    } cases[] = {
        {TimeOfDay(19, 35, 0), "7:35pm", 13},
        {TimeOfDay(19, 35, 30), "7:35pm", 13},
        {TimeOfDay(20, 0, 0), "8:00pm", 13},  // the day's end, though an arrival list lacks it
        {TimeOfDay(19, 30, 0), "7:30pm", 12},
        {TimeOfDay(0, 0, 0), "7:30pm", 12},  // outside the day: the choice stays
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.time.Format(Time24hs));
        combo->SetTime(c.time);
        EXPECT_EQ(combo->GetValue(), c.shown);
        EXPECT_EQ(combo->GetCount(), c.count);
        if (c.count == 13) {
            EXPECT_EQ(combo->GetTime(), c.time);
        }
    }
    combo->SetTime(TimeOfDay(19, 35, 0));
    combo->RemoveTime(TimeOfDay(19, 35, 0));
    EXPECT_EQ(combo->GetCount(), 12u);
    EXPECT_EQ(combo->GetValue(), "6:00pm");
    combo->RemoveTime(TimeOfDay(19, 35, 0));
    EXPECT_EQ(combo->GetCount(), 12u);
    EXPECT_EQ(combo->GetValue(), "6:00pm");
    combo->RemoveTime(TimeOfDay(18, 0, 0));
    EXPECT_EQ(combo->GetCount(), 11u);
    EXPECT_EQ(combo->GetValue(), "6:10pm");
    combo->SetSchedule(nullptr);
    EXPECT_EQ(combo->GetCount(), 0u);
    EXPECT_EQ(combo->GetDateTime(), DateTime());
    combo->Destroy();
}

TEST_F(DayDialogs, TimeEntryKeepsExclusionsPerDayAcrossSwitches) {
    TimeEntryDlg dialog(TopWindow(), "Delete break", "Please choose the break:", &MakeDays(2));
    EXPECT_EQ(dialog.GetTitle(), "Delete break");
    TimeEntryCombo* combo = dialog.GetTimeCombo();
    dialog.ExcludeTime(DateTime(Date(8, 3, 2024), TimeOfDay(18, 10, 0)));
    dialog.ExcludeTime(DateTime(Date(7, 3, 2024), TimeOfDay(18, 0, 0)));
    EXPECT_EQ(Entries(*combo).front(), "6:10pm");
    EXPECT_EQ(combo->GetCount(), 11u);
    for (int round = 0; round < 2; ++round) {
        dialog.OnNextDay(*std::make_unique<wxCommandEvent>());
        EXPECT_EQ(Entries(*combo).front(), "6:00pm");
        EXPECT_EQ(Entries(*combo)[1], "6:20pm");
        EXPECT_EQ(dialog.GetDateTime(), DateTime(Date(8, 3, 2024), TimeOfDay(18, 0, 0)));
        dialog.OnPreviousDay(*std::make_unique<wxCommandEvent>());
        EXPECT_EQ(Entries(*combo).front(), "6:10pm");
    }
    bool hasDateRow = false;
    for (wxWindow* child : dialog.GetChildren()) {
        hasDateRow |= child->GetLabel() == "Date:";
    }
    EXPECT_TRUE(hasDateRow);

    TimeEntryDlg single(TopWindow(), "Add break", "Time of the break:", &MakeDays(1));
    for (wxWindow* child : single.GetChildren()) {
        EXPECT_NE(child->GetLabel(), "Date:");
    }
    EXPECT_EQ(single.GetTime(), TimeOfDay(18, 0, 0));
}

}  // namespace
