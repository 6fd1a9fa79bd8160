#include "app/event_times.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/schedule.h"

namespace {

// One day of an event with the given hours and slot length.
struct Day {
    Day(TimeOfDay start, TimeOfDay end, int slotSeconds)
        : event(std::make_shared<Event>()), days(event) {
        EXPECT_TRUE(event->SetSlotLength(slotSeconds));
        days.GetDay(0)->SetStartTime(start);
        days.GetDay(0)->SetEndTime(end);
    }
    const Schedule& Get() const { return *days.GetDay(0); }

    std::shared_ptr<Event> event;
    MultiDaySchedule days;
};

std::vector<std::string> Texts(const std::vector<TimeOfDay>& times) {
    std::vector<std::string> texts;
    for (const TimeOfDay& time : times) {
        texts.push_back(time.Format(Time12h));
    }
    return texts;
}

TEST(DayTimeChoices, OfferEveryWholeSlotAndForAnEndTimeTheDaysEnd) {
    struct Case {
        const char* name;
        TimeOfDay start;
        TimeOfDay end;
        int slotSeconds;
        std::vector<std::string> starts;
        std::string end12h;  // appended for an end time; empty: nothing
    };
    const Case cases[] = {
        {"evening of ten-minute slots",
         TimeOfDay(18, 0, 0),
         TimeOfDay(20, 0, 0),
         600,
         {"6:00pm", "6:10pm", "6:20pm", "6:30pm", "6:40pm", "6:50pm", "7:00pm", "7:10pm", "7:20pm",
          "7:30pm", "7:40pm", "7:50pm"},
         "8:00pm"},
        {"across midday",
         TimeOfDay(11, 30, 0),
         TimeOfDay(13, 0, 0),
         1800,
         {"11:30am", "12:00pm", "12:30pm"},
         "1:00pm"},
        // 6:20pm begins a slot that does not fit: choosing it could only read back as nothing.
        {"part slot at the end",
         TimeOfDay(18, 0, 0),
         TimeOfDay(18, 25, 0),
         600,
         {"6:00pm", "6:10pm"},
         "6:25pm"},
        {"from midnight",
         TimeOfDay(0, 0, 0),
         TimeOfDay(1, 0, 0),
         1800,
         {"12:00am", "12:30am"},
         "1:00am"},
        {"start not before end", TimeOfDay(20, 0, 0), TimeOfDay(20, 0, 0), 600, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Day day(c.start, c.end, c.slotSeconds);
        EXPECT_EQ(Texts(DayTimeChoices(day.Get(), false)), c.starts);
        std::vector<std::string> withEnd = c.starts;
        if (!c.end12h.empty()) {
            withEnd.push_back(c.end12h);
        }
        EXPECT_EQ(Texts(DayTimeChoices(day.Get(), true)), withEnd);
    }
}

TEST(SlotLength, ShowsMinutesToOneDecimalPlace) {
    const std::pair<int, const char*> cases[] = {{300, "5"},  {450, "7.5"}, {246, "4.1"},
                                                 {90, "1.5"}, {3600, "60"}, {20, "0.3"}};
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(FormatSlotLength(seconds), text) << seconds;
    }
}

TEST(SlotLength, ReadsBackUnchangedTextExactlyAndEditedTextRounded) {
    struct Case {
        const char* text;
        int stored;
        int seconds;          // 0: refused
        const char* message;  // the one message of a refusal
    };
    const char* const kNotAboveZero =
        "Error: You must enter an appointment length that is greater than zero\n";
    const char* const kTooLong = "Error: The appointment length is too long\n";
    const Case cases[] = {
        {"4.1", 246, 246, ""},  // as shown: no rebooking for a second lost to rounding
        {"4.1", 300, 246, ""},  // typed: 4.1 x 60 is a hair under 246, never truncated
        {"7.5", 300, 450, ""},
        {"5", 300, 300, ""},
        {" 7.5", 300, 450, ""},
        {"7.5 mins", 300, 450, ""},
        {"60", 300, 3600, ""},
        {"90", 5400, 5400, ""},  // a longer length from a file survives an OK untouched
        {"60.5", 300, 0, kTooLong},
        {"0", 300, 0, kNotAboveZero},
        {"-5", 300, 0, kNotAboveZero},
        {"abc", 300, 0, kNotAboveZero},
        {"", 300, 0, kNotAboveZero},
        // Read as the C library reads a number, with '.' in any locale.
        {"0x1E", 300, 1800, ""},
        {"+0x1p3", 300, 480, ""},
        {"1e1", 300, 600, ""},
        {"0x3D", 300, 0, kTooLong},
        {"inf", 300, 0, kTooLong},
        {"1e400", 300, 0, kTooLong},
        {"-inf", 300, 0, kNotAboveZero},
        {"0x", 300, 0, kNotAboveZero},
        {"nan", 300, 0, kNotAboveZero},  // no length, though never above 60 either
        // Above zero but under a second: the slot stays as it was.
        {"0.001", 300, 300, ""},
        {"0.01", 450, 450, ""},
        {"0.0166", 300, 300, ""},
        {"0.017", 300, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("'") + c.text + "' stored " + std::to_string(c.stored));
        UCStringError sink;
        int seconds = -1;
        EXPECT_EQ(ReadSlotLength(c.text, c.stored, &seconds), c.seconds != 0);
        EXPECT_EQ(seconds, c.seconds != 0 ? c.seconds : -1);
        EXPECT_EQ(sink.GetText(), c.message);
    }
}

TEST(ScoringLimits, ConvertBetweenTimesAndWholeSlotsTruncating) {
    struct Case {
        int slots;
        int slotSeconds;
        std::int64_t time;  // minutes, or seconds
    };
    const Case toMinutes[] = {{3, 300, 15},   {4, 300, 20},
                              {24, 300, 120}, {3, 420, 21},
                              {3, 450, 22},   {1000000, 3600, 60000000},
                              {3, 0, 15},     {INT32_MAX, 3600, INT32_MAX}};
    for (const Case& c : toMinutes) {
        EXPECT_EQ(SlotsToMinutes(c.slots, c.slotSeconds), c.time) << c.slots;
    }
    const Case toSeconds[] = {
        {3, 450, 1350}, {3, 0, 900}, {INT32_MAX, 3600, std::int64_t{INT32_MAX} * 3600}};
    for (const Case& c : toSeconds) {
        EXPECT_EQ(SlotsToSeconds(c.slots, c.slotSeconds), c.time) << c.slots;
    }
    const Case toSlots[] = {{3, 300, 17 * 60}, {0, 300, 4 * 60},
                            {2, 450, 22 * 60}, {3, 450, 1350},
                            {86400, 1, 86400}, {INT32_MAX, 1, std::int64_t{INT32_MAX} * 3600}};
    for (const Case& c : toSlots) {
        EXPECT_EQ(SecondsToSlots(c.time, c.slotSeconds), c.slots) << c.time;
    }
}

class ScoringBoxes : public ::testing::Test {
protected:
    ScoringLimitTexts Shown() const { return FormatScoringLimits(event_); }
    std::vector<int> Slots() const {
        const ScheduleOptions& o = event_.GetOptions();
        return {o.TeacherGapLength, o.ParentGapLength, o.TeacherBlockLength};
    }

    Event event_;
    UCStringError sink_;
};

TEST_F(ScoringBoxes, ShowTheDefaultsInMinutes) {
    EXPECT_EQ(Shown(), (ScoringLimitTexts{"15", "20", "120"}));
}

TEST_F(ScoringBoxes, RefuseTheFirstBadBoxInOrderAndWriteNothing) {
    struct Case {
        ScoringLimitTexts typed;
        const char* message;
    };
    const Case cases[] = {
        {{"-1", "20", "-1"}, "Error: The teacher wait length cannot be negative\n"},
        {{"15", "-2", "120"}, "Error: The parent wait length cannot be negative\n"},
        {{"15", "20", "-3"}, "Error: The teacher busy length cannot be negative\n"},
        {{"1441", "-2", "120"},
         "Error: The teacher wait length cannot be more than 1440 minutes (a day)\n"},
        {{"15", "20", "99999999999"},
         "Error: The teacher busy length cannot be more than 1440 minutes (a day)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        event_.ClearModified();
        EXPECT_FALSE(ApplyScoringLimits(event_, c.typed, Shown()));
        EXPECT_EQ(sink_.GetText(), c.message);
        EXPECT_EQ(Slots(), (std::vector<int>{3, 4, 24}));
        EXPECT_FALSE(event_.IsModified());
    }
}

TEST_F(ScoringBoxes, WriteTypedMinutesAsWholeSlots) {
    ASSERT_TRUE(ApplyScoringLimits(event_, {"17", "", "12 then letters"}, Shown()));
    EXPECT_EQ(Slots(), (std::vector<int>{3, 0, 2}));
    EXPECT_EQ(event_.GetParentGapMode(), AdjacentParentAppointments);
    EXPECT_EQ(Shown(), (ScoringLimitTexts{"15", "0", "10"}));
    ASSERT_TRUE(ApplyScoringLimits(event_, {"4", "1440", "1440"}, Shown()));
    EXPECT_EQ(Slots(), (std::vector<int>{0, 288, 288}));
    EXPECT_EQ(sink_.GetText(), "");
}

// With 7.5-minute slots the boxes show truncated minutes; reading them back would lose a slot
// on every OK.
TEST_F(ScoringBoxes, KeepTheStoredSlotsOfBoxesLeftAsShown) {
    ASSERT_TRUE(event_.SetSlotLength(450));
    ScheduleOptions options = event_.GetOptions();
    options.TeacherBlockLength = 500;  // 3750 minutes, as a file may hold
    event_.SetOptions(options);
    EXPECT_EQ(Shown(), (ScoringLimitTexts{"22", "30", "3750"}));
    for (int ok = 0; ok < 3; ++ok) {
        ASSERT_TRUE(ApplyScoringLimits(event_, Shown(), Shown()));
    }
    EXPECT_EQ(Slots(), (std::vector<int>{3, 4, 500}));
    ScoringLimitTexts typed = Shown();
    typed.parentWait = "45";
    ASSERT_TRUE(ApplyScoringLimits(event_, typed, Shown()));
    EXPECT_EQ(Slots(), (std::vector<int>{3, 6, 500}));
    EXPECT_EQ(sink_.GetText(), "");
}

TEST_F(ScoringBoxes, OnALockedEventStopAtTheFirstSetterWithItsMessage) {
    event_.SetLocked(true);
    event_.ClearModified();
    EXPECT_FALSE(ApplyScoringLimits(event_, Shown(), Shown()));
    EXPECT_FALSE(ApplyScoringLimits(event_, {"30", "30", "30"}, Shown()));
    EXPECT_EQ(sink_.GetText(),
              "Error: Cannot update waiting time because the schedule is locked\n"
              "Error: Cannot update waiting time because the schedule is locked\n");
    EXPECT_EQ(Slots(), (std::vector<int>{3, 4, 24}));
    EXPECT_FALSE(event_.IsModified());
}

}  // namespace
