#include "app/event_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/schedule.h"
#include "support/generated_schedule.h"

namespace {

// What the dialog may write, to compare before and after.
struct Snapshot {
    std::string name;
    int slotSeconds;
    std::vector<std::string> days;  // date, start and end of each day
    std::string words;
    int gapMode;
    bool modified;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const MultiDaySchedule& schedule) {
    const Event& event = *schedule.GetEvent();
    Snapshot snapshot{event.GetName(),
                      event.GetSlotLength(),
                      {},
                      event.GetTeacherDesc(false) + "/" + event.GetParentDesc(false) + "/" +
                          event.GetPupilDesc(false),
                      event.GetParentGapMode(),
                      schedule.IsModified()};
    for (unsigned i = 0; i < schedule.GetDayCount(); ++i) {
        const Schedule* day = schedule.GetDay(i);
        snapshot.days.push_back(day->GetDate().FormatLong() + " " +
                                day->GetStartTime().Format(Time24hs) + "-" +
                                day->GetEndTime().Format(Time24hs));
    }
    return snapshot;
}

// An event of one day, 7 Mar 2024 18:00-21:00, with a scripted user answering its questions.
class EventSettings : public ::testing::Test {
protected:
    EventSettings() { Reset(); }

    void Reset() {
        event_ = std::make_shared<Event>();
        schedule_ = std::make_unique<MultiDaySchedule>(event_);
        Schedule* day = schedule_->GetDay(0);
        day->SetDate(Date(7, 3, 2024));
        day->SetStartTime(TimeOfDay(18, 0, 0));
        day->SetEndTime(TimeOfDay(21, 0, 0));
        schedule_->ClearModified();
    }

    // The OK over fields changed by edit from what the dialog shows.
    bool Apply(const std::function<void(EventSettingsFields&)>& edit) {
        const EventSettingsFields shown = ShowEventSettings(*schedule_);
        EventSettingsFields typed = shown;
        edit(typed);
        timing_ = TimingChange::None;
        const bool accepted = ApplyEventSettings(*schedule_, typed, shown, ask_, &timing_);
        timingChanged_ = timing_ != TimingChange::None;
        return accepted;
    }

    std::shared_ptr<Event> event_;
    std::unique_ptr<MultiDaySchedule> schedule_;
    UCStringError sink_;
    std::deque<bool> answers_;
    std::vector<std::string> questions_;
    YesNoQuestion ask_ = [this](const std::string& question) {
        questions_.push_back(question);
        if (answers_.empty()) {
            ADD_FAILURE() << "unexpected question: " << question;
            return false;
        }
        const bool answer = answers_.front();
        answers_.pop_front();
        return answer;
    };
    TimingChange timing_ = TimingChange::None;
    bool timingChanged_ = false;
};

TEST_F(EventSettings, ShowTheFirstTwoDaysTheLengthAndTheWordsCapitalised) {
    ASSERT_TRUE(event_->SetSlotLength(450));
    event_->SetPupilDesc("student");
    EventSettingsFields shown = ShowEventSettings(*schedule_);
    EXPECT_EQ(shown.name, "New event");
    EXPECT_FALSE(shown.twoDays);
    EXPECT_EQ(shown.days[0], (EventDayFields{"7", 2, "2024", "6:00pm", "9:00pm"}));
    // A one-day event offers the next day, without hours, for ticking the box.
    EXPECT_EQ(shown.days[1], (EventDayFields{"8", 2, "2024", "", ""}));
    EXPECT_EQ(shown.slotLength, "7.5");
    EXPECT_EQ(shown.teacherWord + shown.parentWord + shown.pupilWord, "TeacherParentStudent");
    EXPECT_EQ(shown.gapMode, TryParentGaps);

    ASSERT_TRUE(event_->SetParentWaitingTime(0));
    ASSERT_TRUE(schedule_->AppendNextDay());
    schedule_->GetDay(1)->SetDate(Date(1, 4, 2024));
    shown = ShowEventSettings(*schedule_);
    EXPECT_EQ(shown.gapMode, AdjacentParentAppointments);
    EXPECT_TRUE(shown.twoDays);
    EXPECT_EQ(shown.days[1].day + "/" + std::to_string(shown.days[1].monthIndex), "1/3");
    EXPECT_EQ(ReadDayDate({"31", 1, "2024x", "", ""}), Date(31, 2, 2024));
    EXPECT_EQ(ReadDayDate({"abc", 0, "", "", ""}), Date(0, 1, 0));
}

TEST_F(EventSettings, RefuseTheFirstFaultInOrderWithItsMessageAndWriteNothing) {
    struct Case {
        const char* name;
        std::function<void(EventSettingsFields&)> edit;
        const char* message;
    };
    const std::string format =
        "\" that you entered is not in a recognised format. Please enter it in either 24 hour "
        "format (e.g. \"21:00\") or 12 hour format with an am/pm marker directly after it "
        "(e.g. \"9:00pm\")\n";
    const Case cases[] = {
        {"empty name before bad times",
         [](auto& f) {
             f.name = "";
             f.days[0].start = "21";
         },
         "Error: Please enter a name for this event\n"},
        {"bare hour", [](auto& f) { f.days[0].start = "21"; }, "start time \"21"},
        {"bare hour with marker", [](auto& f) { f.days[0].start = "9pm"; }, "start time \"9pm"},
        {"leading blank", [](auto& f) { f.days[0].start = " 21:00"; }, "start time \" 21:00"},
        {"bad end", [](auto& f) { f.days[0].end = "late"; }, "end time \"late"},
        {"end before start", [](auto& f) { f.days[0].end = "17:00"; },
         "Error: You must enter an end time that is after the start time\n"},
        {"end equal to start", [](auto& f) { f.days[0].end = "6:00pm"; },
         "Error: You must enter an end time that is after the start time\n"},
        {"second day's times checked when ticked",
         [](auto& f) {
             f.twoDays = true;
             f.days[1].start = "19:00";
             f.days[1].end = "19:00";
         },
         "Error: You must enter an end time that is after the start time\n"},
        {"length 0 before a bad date",
         [](auto& f) {
             f.slotLength = "0";
             f.days[0].day = "31";
             f.days[0].monthIndex = 1;
         },
         "Error: You must enter an appointment length that is greater than zero\n"},
        {"length -5", [](auto& f) { f.slotLength = "-5"; },
         "Error: You must enter an appointment length that is greater than zero\n"},
        {"length abc", [](auto& f) { f.slotLength = "abc"; },
         "Error: You must enter an appointment length that is greater than zero\n"},
        {"length 60.5", [](auto& f) { f.slotLength = "60.5"; },
         "Error: The appointment length is too long\n"},
        {"31 February",
         [](auto& f) {
             f.days[0].day = "31";
             f.days[0].monthIndex = 1;
         },
         "Error: You must enter a valid event date\n"},
        {"1999", [](auto& f) { f.days[0].year = "1999"; },
         "Error: You must enter a valid event date\n"},
        {"second day 30 February",
         [](auto& f) {
             f.twoDays = true;
             f.days[1] = {"30", 1, "2024", "6:00pm", "9:00pm"};
         },
         "Error: You must enter a valid event date for the second day\n"},
        {"second day before the first",
         [](auto& f) {
             f.twoDays = true;
             f.days[1] = {"6", 2, "2024", "6:00pm", "9:00pm"};
         },
         "Error: The second day of the event must come after the first\n"},
        {"second day on the first",
         [](auto& f) {
             f.twoDays = true;
             f.days[1] = {"7", 2, "2024", "6:00pm", "9:00pm"};
         },
         "Error: The second day of the event must come after the first\n"},
    };
    const Snapshot before = Take(*schedule_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(Apply(c.edit));
        const std::string text = sink_.GetText();
        if (std::string(c.message).rfind("Error: ", 0) == 0) {
            EXPECT_EQ(text, c.message);
        } else {
            EXPECT_EQ(text, "Error: The event " + std::string(c.message) + format);
        }
        EXPECT_EQ(Take(*schedule_), before);
        EXPECT_FALSE(timingChanged_);
    }
    EXPECT_TRUE(questions_.empty());
}

TEST_F(EventSettings, AskAboutMorningHoursAndStayOpenOnNo) {
    struct Case {
        const char* start;
        const char* end;
        std::vector<bool> answers;
        bool accepted;
        std::vector<std::string> askedAbout;  // start and end
    };
    const Case cases[] = {
        {"12:00", "9:00pm", {}, true, {}},
        {"11:59", "9:00pm", {false}, false, {"start"}},
        {"11:59", "9:00pm", {true}, true, {"start"}},
        {"9:00am", "11:30", {true, false}, false, {"start", "end"}},
        {"9.00am", "11:30 am", {true, true}, true, {"start", "end"}},
        {"21:00", "9:30 PM", {}, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " to " + c.end);
        answers_.assign(c.answers.begin(), c.answers.end());
        questions_.clear();
        EXPECT_EQ(Apply([&](auto& f) {
                      f.days[0].start = c.start;
                      f.days[0].end = c.end;
                  }),
                  c.accepted);
        ASSERT_EQ(questions_.size(), c.askedAbout.size());
        for (size_t i = 0; i < questions_.size(); ++i) {
            const std::string& which = c.askedAbout[i];
            const std::string typed = which == "start" ? c.start : c.end;
            EXPECT_EQ(questions_[i],
                      "The event " + which + " time \"" + typed +
                          "\" that you entered is before midday. This is unusual but you can "
                          "proceed if you really want to. Are you absolutely sure you want to " +
                          which + " your event in the morning?");
        }
        EXPECT_EQ(sink_.GetText(), "");
    }
    EXPECT_EQ(Take(*schedule_).days[0], "07 Mar 2024 21:00:00-21:30:00");
}

// Pressing OK without editing must not move a stored value by a rounding and rebook the event.
TEST_F(EventSettings, OkWithoutEditsChangesNothing) {
    struct Case {
        const char* name;
        std::function<void()> setUp;
    };
    const Case cases[] = {
        {"defaults", [] {}},
        {"7.5-minute slots", [&] { ASSERT_TRUE(event_->SetSlotLength(450)); }},
        {"246-second slots shown as 4.1", [&] { ASSERT_TRUE(event_->SetSlotLength(246)); }},
        {"a start with seconds", [&] { schedule_->GetDay(0)->SetStartTime(TimeOfDay(18, 0, 30)); }},
        {"two days", [&] { ASSERT_TRUE(schedule_->AppendNextDay()); }},
        {"no parent gaps", [&] { ASSERT_TRUE(event_->SetParentWaitingTime(0)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.setUp();
        schedule_->ClearModified();
        const Snapshot before = Take(*schedule_);
        ASSERT_TRUE(Apply([](auto&) {}));
        EXPECT_EQ(Take(*schedule_), before);
        EXPECT_FALSE(timingChanged_);
        EXPECT_EQ(sink_.GetText(), "");
    }
}

TEST_F(EventSettings, WriteTheNameWordsAndGapModeWithoutATimingChange) {
    ASSERT_TRUE(Apply([](auto& f) {
        f.name = "  ";
        f.teacherWord = "TUTOR";
        f.parentWord = "";
        f.gapMode = GapOnLocationChange;
    }));
    EXPECT_FALSE(timingChanged_);
    EXPECT_EQ(event_->GetName(), "  ");
    EXPECT_EQ(event_->GetTeacherDesc(true), "Tutor");
    EXPECT_EQ(event_->GetParentDesc(false), "");
    EXPECT_EQ(event_->GetParentGapMode(), GapOnLocationChange);
    EXPECT_EQ(ShowEventSettings(*schedule_).teacherWord, "Tutor");
}

TEST_F(EventSettings, TimingChangesAreTheSlotLengthAndEachDaysDateAndHours) {
    using enum TimingChange;
    struct Case {
        const char* name;
        std::function<void(EventSettingsFields&)> edit;
        int slotSeconds;
        std::string day;
        TimingChange timing;
    };
    const Case cases[] = {
        {"7.5 minutes", [](auto& f) { f.slotLength = "7.5"; }, 450, "07 Mar 2024 18:00:00-21:00:00",
         SlotsChanged},
        {"exactly 60", [](auto& f) { f.slotLength = "60"; }, 3600, "07 Mar 2024 18:00:00-21:00:00",
         SlotsChanged},
        {"another date", [](auto& f) { f.days[0].day = "8"; }, 300, "08 Mar 2024 18:00:00-21:00:00",
         SlotsKept},
        {"another start", [](auto& f) { f.days[0].start = "17:30"; }, 300,
         "07 Mar 2024 17:30:00-21:00:00", SlotsChanged},
        {"a later end", [](auto& f) { f.days[0].end = "9:30pm"; }, 300,
         "07 Mar 2024 18:00:00-21:30:00", SlotsKept},
        {"an earlier end", [](auto& f) { f.days[0].end = "8:30pm"; }, 300,
         "07 Mar 2024 18:00:00-20:30:00", SlotsChanged},
        {"another date and a later start",
         [](auto& f) {
             f.days[0].day = "8";
             f.days[0].start = "18:30";
         },
         300, "08 Mar 2024 18:30:00-21:00:00", SlotsChanged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        ASSERT_TRUE(Apply(c.edit));
        EXPECT_EQ(timing_, c.timing);
        EXPECT_EQ(event_->GetSlotLength(), c.slotSeconds);
        EXPECT_EQ(Take(*schedule_).days, std::vector<std::string>{c.day});
        // The grid has as many slots as the day, whatever changed.
        const Schedule& day = *schedule_->GetDay(0);
        EXPECT_EQ(static_cast<int>(day.GetGrid().GetSlotCount()), day.GetNumSlots());
    }
}

// A file refuses a day of more than 1,440 slots, so the settings never make one.
TEST_F(EventSettings, RefuseADayOfMoreSlotsThanAFileHoldsBeforeAnythingChanges) {
    const std::string refused =
        "Error: The appointment length is too short for the event's hours: a day would have "
        "more than 1440 appointment slots, more than an event file can hold\n";
    struct Case {
        const char* name;
        std::function<void(EventSettingsFields&)> edit;
        std::vector<bool> answers;  // to the morning questions
        bool accepted;
    };
    const Case cases[] = {
        {"6-second slots over three hours: 1,800",
         [](auto& f) { f.slotLength = "0.1"; },
         {},
         false},
        {"30-second slots over twelve hours: 1,440",
         [](auto& f) {
             f.slotLength = "0.5";
             f.days[0].start = "0:00";
             f.days[0].end = "12:00";
         },
         {true},
         true},
        {"30-second slots over twelve hours and a minute",
         [](auto& f) {
             f.slotLength = "0.5";
             f.days[0].start = "0:00";
             f.days[0].end = "12:01";
         },
         {true},
         false},
        {"the length kept, the hours longer",
         [](auto& f) {
             f.days[0].start = "0:00";
             f.days[0].end = "23:59";
         },
         {true},
         true},
        {"only the second day too long",
         [](auto& f) {
             f.slotLength = "0.25";
             f.twoDays = true;
             f.days[1].start = "12:00";
             f.days[1].end = "18:01";
         },
         {},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        ASSERT_TRUE(event_->SetSlotLength(60));
        schedule_->ClearModified();
        const Snapshot before = Take(*schedule_);
        answers_.assign(c.answers.begin(), c.answers.end());
        (void)sink_.GetText();
        EXPECT_EQ(Apply(c.edit), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(sink_.GetText(), "");
            EXPECT_LE(schedule_->GetDay(0)->GetNumSlots(), 1440);
        } else {
            EXPECT_EQ(sink_.GetText(), refused);
            EXPECT_EQ(Take(*schedule_), before);
            EXPECT_FALSE(timingChanged_);
        }
    }
    // A day already in the event counts too: a third day of its own hours.
    Reset();
    ASSERT_TRUE(schedule_->AppendNextDay());
    ASSERT_TRUE(schedule_->AppendNextDay());
    schedule_->GetDay(2)->SetStartTime(TimeOfDay(9, 0, 0));
    schedule_->GetDay(2)->SetEndTime(TimeOfDay(23, 0, 0));
    (void)sink_.GetText();
    EXPECT_FALSE(Apply([](auto& f) { f.slotLength = "0.5"; }));
    EXPECT_EQ(sink_.GetText(), refused);
    EXPECT_EQ(event_->GetSlotLength(), 300);
}

// Under a second a length means nothing: the slot stays, and nothing is rebooked for it.
TEST_F(EventSettings, ALengthUnderASecondKeepsTheSlotAndTheTimetable) {
    for (const char* typed : {"0.01", "0.001"}) {
        SCOPED_TRACE(typed);
        Reset();
        ASSERT_TRUE(event_->SetSlotLength(450));
        ASSERT_TRUE(Apply([&](auto& f) { f.slotLength = typed; }));
        EXPECT_EQ(event_->GetSlotLength(), 450);
        EXPECT_FALSE(timingChanged_);
        EXPECT_EQ(sink_.GetText(), "");
    }
}

class EventSettingsOfASchool : public EventSettings {
protected:
    EventSettingsOfASchool() {
        school_ = GenerateSchool(TwoDaySmallSchool(), 7);
        srand(7);
        schedule_ = MakeTimetable(school_);
        event_ = schedule_->GetEvent();
        EXPECT_TRUE(schedule_->BookAll(BookRandomThenOrderKey));
        schedule_->ClearModified();
    }
    int BookingsOn(unsigned dayIndex) const {
        const Schedule& day = *schedule_->GetDay(dayIndex);
        int count = 0;
        for (unsigned row = 0; row < event_->GetTeachers().Count(); ++row) {
            for (int slot = 0; slot < day.GetNumSlots(); ++slot) {
                count += day.GetGrid().GetBooking(slot, static_cast<int>(row)) != nullptr;
            }
        }
        return count;
    }

    GeneratedSchool school_;
};

TEST_F(EventSettingsOfASchool, UntickingTheSecondDayDeletesItWithItsBookingsOnOK) {
    ASSERT_EQ(schedule_->GetDayCount(), 2u);
    ASSERT_GT(BookingsOn(1), 0);
    const int firstDay = BookingsOn(0);
    ASSERT_TRUE(Apply([](auto& f) { f.twoDays = false; }));
    EXPECT_TRUE(questions_.empty());
    EXPECT_EQ(schedule_->GetDayCount(), 1u);
    EXPECT_FALSE(timingChanged_);
    EXPECT_TRUE(schedule_->IsModified());
    EXPECT_EQ(BookingsOn(0), firstDay);
}

TEST_F(EventSettingsOfASchool, GapModeReachesEveryParentOnlyWhenChosenAnew) {
    ParentList& parents = event_->GetParents();
    ASSERT_GE(parents.Count(), 2u);
    event_->SetParentGapMode(TryParentGaps);
    parents.SetGapMode(TryParentGaps);
    parents.At(0)->SetGapMode(EnforceParentGaps);
    ASSERT_TRUE(Apply([](auto&) {}));
    EXPECT_EQ(parents.At(0)->GetGapMode(), EnforceParentGaps);
    ASSERT_TRUE(Apply([](auto& f) { f.gapMode = AdjacentParentAppointments; }));
    for (unsigned i = 0; i < parents.Count(); ++i) {
        EXPECT_EQ(parents.At(i)->GetGapMode(), AdjacentParentAppointments) << i;
    }
    EXPECT_FALSE(timingChanged_);
}

TEST_F(EventSettings, TickingTheBoxAddsTheNextDayAndAThirdDayIsKept) {
    ASSERT_TRUE(Apply([](auto& f) {
        f.twoDays = true;
        f.days[1].start = "6:00pm";
        f.days[1].end = "8:00pm";
    }));
    EXPECT_EQ(Take(*schedule_).days, (std::vector<std::string>{"07 Mar 2024 18:00:00-21:00:00",
                                                               "08 Mar 2024 18:00:00-20:00:00"}));
    EXPECT_TRUE(timingChanged_);

    ASSERT_TRUE(schedule_->AppendNextDay());
    EXPECT_FALSE(Apply([](auto& f) { f.days[1].day = "9"; }));
    EXPECT_EQ(sink_.GetText(), "Error: The second day of the event must come before the third\n");
    ASSERT_TRUE(Apply([](auto& f) { f.days[1].end = "9:00pm"; }));
    EXPECT_EQ(schedule_->GetDayCount(), 3u);
    ASSERT_TRUE(Apply([](auto& f) { f.twoDays = false; }));
    EXPECT_EQ(schedule_->GetDayCount(), 1u);
}

TEST_F(EventSettings, OnALockedEventTheModelRefusesItsPartsAndTheRestIsWritten) {
    ASSERT_TRUE(schedule_->AppendNextDay());
    event_->SetLocked(true);
    ASSERT_TRUE(Apply([](auto& f) {
        f.name = "Year 9";
        f.pupilWord = "Student";
        f.twoDays = false;
    }));
    EXPECT_EQ(sink_.GetText(),
              "Error: Cannot set the event name because the schedule is locked\n"
              "Error: Cannot delete a day because the schedule is locked\n");
    EXPECT_EQ(event_->GetName(), "New event");
    EXPECT_EQ(event_->GetPupilDesc(false), "student");
    EXPECT_EQ(schedule_->GetDayCount(), 2u);
}

}  // namespace
