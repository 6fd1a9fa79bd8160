#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/controller_fixture.h"
#include "app/event_file_reader.h"
#include "app/event_file_writer.h"
#include "app/event_settings.h"
#include "foundation/tokeniser.h"
#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"
#include "read_back.h"

// Edit Event Details changes what other data is kept by or measured in: the days' dates, their
// hours, the slot length. Whatever hangs on them follows, the rebooking respects it, and the
// saved file brings back the same.

namespace {

TimeOfDay At(int hours, int minutes) {
    return TimeOfDay(hours, minutes, 0);
}

std::string Joined(std::vector<std::string> parts, const char* separator) {
    std::sort(parts.begin(), parts.end());
    std::string text;
    for (const std::string& part : parts) {
        text += separator + part;
    }
    return text;
}

// Everything kept by date, told by day number rather than date (so a day that moves with all
// that is its own reads the same) and sorted (a file brings people back in its own order).
std::string DescribeDays(const MultiDaySchedule& schedule) {
    const Event& event = *schedule.GetEvent();
    std::vector<const Attendee*> attendees;
    for (unsigned t = 0; t < event.GetTeachers().Count(); ++t) {
        attendees.push_back(event.GetTeachers().Get(t));
    }
    for (unsigned p = 0; p < event.GetParents().Count(); ++p) {
        attendees.push_back(event.GetParents().Get(p));
    }
    std::string text;
    for (unsigned d = 0; d < schedule.GetDayCount(); ++d) {
        const Schedule* day = schedule.GetDay(d);
        std::vector<std::string> parts;
        for (unsigned t = 0; t < event.GetTeachers().Count(); ++t) {
            const Teacher* teacher = event.GetTeachers().Get(t);
            for (const DateTime& when : teacher->GetBreaks()) {
                if (when.GetDate() == day->GetDate()) {
                    parts.push_back(teacher->GetName() + " break " +
                                    when.GetTime().Format(Time24h));
                }
            }
        }
        for (const Attendee* attendee : attendees) {
            const std::string& name = attendee->GetName();
            if (!attendee->IsAttending(day)) {
                parts.push_back(name + " absent");
            }
            if (attendee->ArrivesLate(day)) {
                parts.push_back(name + " after " + attendee->GetStartTime(day).Format(Time24h));
            }
            if (attendee->LeavesEarly(day)) {
                parts.push_back(name + " before " + attendee->GetEndTime(day).Format(Time24h));
            }
            const PresentationList& talks = attendee->GetPresentations();
            for (unsigned i = 0; i < talks.Count(); ++i) {
                if (talks.GetPresentation(i)->GetDate() == day->GetDate()) {
                    parts.push_back(name + " at " + talks.GetPresentation(i)->GetName());
                }
            }
        }
        const PresentationList& talks = event.GetPresentations();
        for (unsigned i = 0; i < talks.Count(); ++i) {
            if (talks.GetPresentation(i)->GetDate() == day->GetDate()) {
                parts.push_back("talk " + talks.GetPresentation(i)->GetName());
            }
        }
        text += "day " + std::to_string(d) + ":" + Joined(parts, " ") + "\n";
    }
    return text;
}

// Every booking as day, teacher, time and pupil.
std::string DescribeBookings(const MultiDaySchedule& schedule) {
    const Event& event = *schedule.GetEvent();
    std::vector<std::string> lines;
    for (unsigned d = 0; d < schedule.GetDayCount(); ++d) {
        const Schedule* day = schedule.GetDay(d);
        for (unsigned row = 0; row < event.GetTeachers().Count(); ++row) {
            for (int slot = 0; slot < day->GetNumSlots(); ++slot) {
                const Appointment* booking =
                    day->GetGrid().PeekBooking(slot, static_cast<int>(row));
                if (booking != nullptr) {
                    lines.push_back(std::to_string(d) + " " +
                                    event.GetTeachers().Get(row)->GetName() + " " +
                                    day->SlotToTime(slot).Format(Time24h) + " " +
                                    booking->GetRequest()->GetPupil()->GetName());
                }
            }
        }
    }
    return Joined(lines, "\n");
}

// The bookings a teacher or parent could not keep: in a break, on a day away, outside their
// own hours.
std::vector<std::string> BookingsAgainstAttendance(const MultiDaySchedule& schedule) {
    const Event& event = *schedule.GetEvent();
    const int slotSeconds = event.GetSlotLength();
    std::vector<std::string> faults;
    for (unsigned d = 0; d < schedule.GetDayCount(); ++d) {
        const Schedule* day = schedule.GetDay(d);
        for (unsigned row = 0; row < event.GetTeachers().Count(); ++row) {
            const Teacher* teacher = event.GetTeachers().Get(row);
            for (int slot = 0; slot < day->GetNumSlots(); ++slot) {
                const Appointment* booking =
                    day->GetGrid().PeekBooking(slot, static_cast<int>(row));
                if (booking == nullptr) {
                    continue;
                }
                const TimeOfDay from = day->SlotToTime(slot);
                TimeOfDay to;
                to.SetSeconds(from.Seconds() + slotSeconds);
                const Parent* parent = booking->GetRequest()->GetPupil()->GetParent();
                if (parent == nullptr) {
                    faults.push_back("a booking without its family");
                    continue;
                }
                const std::string where = std::to_string(d) + " " + from.Format(Time24h) + " ";
                for (const DateTime& when : teacher->GetBreaks()) {
                    if (when.GetDate() == day->GetDate() && !(when.GetTime() < from) &&
                        when.GetTime() < to) {
                        faults.push_back(where + teacher->GetName() + " in a break");
                    }
                }
                for (const Attendee* person : {static_cast<const Attendee*>(teacher),
                                               static_cast<const Attendee*>(parent)}) {
                    if (!person->IsAttending(day)) {
                        faults.push_back(where + person->GetName() + " away");
                    } else if (from < person->GetStartTime(day) || person->GetEndTime(day) < to) {
                        faults.push_back(where + person->GetName() + " outside their hours");
                    }
                }
            }
        }
    }
    return faults;
}

// Ann and Bob teach; each family has one child who sees both. Days from 12 March, 6pm to 9pm, of
// 10-minute slots, as many as the case asks for.
class TimingDependants : public ::testing::Test {
protected:
    void Build(unsigned days, int families = 4) {
        event_ = std::make_shared<Event>();
        ASSERT_TRUE(event_->SetSlotLength(600));
        schedule_ = std::make_unique<MultiDaySchedule>(event_);
        ASSERT_TRUE(schedule_->GetDay(0)->SetDate(Date(12, 3, 2024)));
        for (unsigned d = 1; d < days; ++d) {
            ASSERT_TRUE(schedule_->AppendNextDay());
        }
        for (unsigned d = 0; d < days; ++d) {
            schedule_->GetDay(d)->SetStartTime(At(18, 0));
            schedule_->GetDay(d)->SetEndTime(At(21, 0));
        }
        for (const char* name : {"Ann Smith", "Bob Brown"}) {
            auto teacher = std::make_unique<Teacher>(name);
            teacher->SetInitials(std::string(name, 1) + "S");
            ASSERT_TRUE(schedule_->AddTeacher(std::move(teacher)));
        }
        ann_ = event_->GetTeachers().Get(0);
        bob_ = event_->GetTeachers().Get(1);
        for (int f = 0; f < families; ++f) {
            auto parent = std::make_unique<Parent>("Parent " + std::to_string(f));
            auto pupil = std::make_unique<Pupil>("Pupil " + std::to_string(f));
            pupil->SetParent(parent.get());
            EXPECT_TRUE(pupil->AddRequest(ann_, "Maths", 1, 1));
            EXPECT_TRUE(pupil->AddRequest(bob_, "Art", 1, 1));
            parent->AddPupil(std::move(pupil));
            ASSERT_TRUE(schedule_->AddParent(std::move(parent)));
        }
    }

    Parent* Family(unsigned index) const { return event_->GetParents().Get(index); }

    Presentation* AddTalk(const char* name, unsigned day, const char* from, const char* to) {
        auto talk = std::make_unique<Presentation>(name, "Hall", schedule_->GetDay(day)->GetDate(),
                                                   from, to);
        Presentation* added = talk.get();
        EXPECT_TRUE(event_->AddPresentation(std::move(talk)));
        return added;
    }

    // The dialog's OK over the fields as shown, changed by edit, then what the window does
    // after an OK that changed the timing.
    bool Edit(const std::function<void(EventSettingsFields&)>& edit) {
        const EventSettingsFields shown = ShowEventSettings(*schedule_);
        EventSettingsFields typed = shown;
        edit(typed);
        bool timingChanged = false;
        const bool accepted = ApplyEventSettings(
            *schedule_, typed, shown, [](const std::string&) { return true; }, &timingChanged);
        if (accepted && timingChanged) {
            RebookForNewTiming(*schedule_);
        }
        return accepted;
    }

    // Saves and reopens; what the reader said goes into *messages.
    std::unique_ptr<MultiDaySchedule> Reopen(std::string* messages) {
        EventFileWriter writer(*schedule_);
        return ReadBack(writer.FormatEventFile(), messages);
    }

    UCStringError sink_;
    std::shared_ptr<Event> event_;
    std::unique_ptr<MultiDaySchedule> schedule_;
    Teacher* ann_ = nullptr;
    Teacher* bob_ = nullptr;
};

TEST_F(TimingDependants, NewDatesTakeBreaksAttendanceAndTalksWithTheirOwnDay) {
    struct Case {
        const char* name;
        unsigned days;
        std::function<void(EventSettingsFields&)> edit;
        std::vector<Date> dates;
    };
    const Case cases[] = {
        {"one day a week later", 1, [](auto& f) { f.days[0].day = "19"; }, {Date(19, 3, 2024)}},
        {"two days a day later",
         2,
         [](auto& f) {
             f.days[0].day = "13";
             f.days[1].day = "14";
         },
         {Date(13, 3, 2024), Date(14, 3, 2024)}},
        {"two days a day earlier",
         2,
         [](auto& f) {
             f.days[0].day = "11";
             f.days[1].day = "12";
         },
         {Date(11, 3, 2024), Date(12, 3, 2024)}},
        {"two days a month later",
         2,
         [](auto& f) {
             f.days[0].monthIndex = 3;
             f.days[1].monthIndex = 3;
         },
         {Date(12, 4, 2024), Date(13, 4, 2024)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build(c.days);
        for (unsigned d = 0; d < c.days; ++d) {
            Schedule* day = schedule_->GetDay(d);
            const bool first = d == 0;
            day->AddTeacherBreaks(first ? ann_ : bob_, At(18, 0), 3, 0);
            (first ? bob_ : ann_)->SetAttending(day, false);
            Family(first ? 0 : 1)->SetDayAttendance(day, {true, true, At(19, 30), false, {}});
            Family(first ? 2 : 3)->SetDayAttendance(day, {true, false, {}, true, At(19, 0)});
            Presentation* talk = AddTalk(first ? "Careers" : "Sixth form", d, "20:00", "20:30");
            Teacher* speaker = first ? ann_ : bob_;
            ASSERT_TRUE(day->AttendPresentation(speaker, talk));
            ASSERT_TRUE(day->AttendPresentation(Family(first ? 1 : 0), talk));
        }
        ASSERT_TRUE(schedule_->BookAll(BookAsGiven));
        const std::string before = DescribeDays(*schedule_);

        ASSERT_TRUE(Edit(c.edit));
        for (unsigned d = 0; d < c.days; ++d) {
            EXPECT_EQ(schedule_->GetDay(d)->GetDate(), c.dates[d]) << d;
        }
        EXPECT_EQ(DescribeDays(*schedule_), before);
        EXPECT_EQ(BookingsAgainstAttendance(*schedule_), std::vector<std::string>{});

        std::string messages;
        auto reopened = Reopen(&messages);
        ASSERT_NE(reopened, nullptr) << messages;
        EXPECT_EQ(messages, "");
        EXPECT_EQ(DescribeDays(*reopened), before);
        EXPECT_EQ(DescribeBookings(*reopened), DescribeBookings(*schedule_));
        (void)sink_.GetText();
    }
}

// The first day takes the date of the second as it goes: its own data go with it, and nothing of
// the day that went comes back in their place.
TEST_F(TimingDependants, UntickingTheSecondDayLetsTheFirstTakeItsDate) {
    Build(2);
    ann_->SetAttending(schedule_->GetDay(1), false);
    schedule_->GetDay(1)->AddTeacherBreaks(bob_, At(18, 0), 2, 0);
    schedule_->GetDay(0)->AddTeacherBreaks(ann_, At(19, 0), 1, 0);
    Family(0)->SetDayAttendance(schedule_->GetDay(0), {true, true, At(19, 30), false, {}});
    ASSERT_TRUE(Edit([](auto& f) {
        f.twoDays = false;
        f.days[0].day = "13";
    }));
    ASSERT_EQ(schedule_->GetDayCount(), 1u);
    EXPECT_EQ(schedule_->GetDay(0)->GetDate(), Date(13, 3, 2024));
    EXPECT_EQ(DescribeDays(*schedule_), "day 0: Ann Smith break 19:00 Parent 0 after 19:30\n");
    (void)sink_.GetText();
}

TEST_F(TimingDependants, ANewGridMovesBreaksOntoTheirSlotsAndTheFileKeepsEveryBooking) {
    struct Case {
        const char* name;
        int slotSeconds;  // before the edit
        TimeOfDay breakAt;
        std::function<void(EventSettingsFields&)> edit;
        const char* breaksAfter;
        const char* movedTime;  // in the warning
    };
    const Case cases[] = {
        {"5 to 10 minutes", 300, At(19, 5), [](auto& f) { f.slotLength = "10"; },
         "day 0: Ann Smith break 19:00 Ann Smith break 19:10\n", "7:05pm"},
        {"10 to 7.5 minutes", 600, At(18, 20), [](auto& f) { f.slotLength = "7.5"; },
         "day 0: Ann Smith break 18:15 Ann Smith break 18:30\n", "6:20pm"},
        {"a start 5 minutes later", 600, At(19, 0), [](auto& f) { f.days[0].start = "18:05"; },
         "day 0: Ann Smith break 18:55 Ann Smith break 19:05\n", "7:00pm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // More families than Ann has slots: every slot she is free in gets booked.
        Build(1, 24);
        ASSERT_TRUE(event_->SetSlotLength(c.slotSeconds));
        schedule_->GetDay(0)->GetGrid().ResizeForDay(*schedule_->GetDay(0));
        schedule_->GetDay(0)->AddTeacherBreaks(ann_, c.breakAt, 1, 0);
        schedule_->GetDay(0)->AddTeacherBreaks(
            ann_, At(c.breakAt.Hours(), c.breakAt.Minutes() + 10), 1, 0);
        (void)sink_.GetText();

        ASSERT_TRUE(Edit(c.edit));
        EXPECT_EQ(DescribeDays(*schedule_), c.breaksAfter);
        EXPECT_NE(sink_.GetText().find("Warning: The time " + std::string(c.movedTime) +
                                       " does not fall on the start of a slot"),
                  std::string::npos);
        EXPECT_EQ(BookingsAgainstAttendance(*schedule_), std::vector<std::string>{});

        std::string messages;
        auto reopened = Reopen(&messages);
        ASSERT_NE(reopened, nullptr) << messages;
        EXPECT_EQ(messages, "");
        EXPECT_EQ(DescribeDays(*reopened), c.breaksAfter);
        EXPECT_EQ(DescribeBookings(*reopened), DescribeBookings(*schedule_));
    }
}

// Shorter hours that leave someone's times no time at all make them absent, as a file or an
// import with those times would; times merely past the new hours become the day's own.
TEST_F(TimingDependants, ShorterHoursThatLeaveNoTimeMarkThePersonAbsentWithAWarning) {
    Build(1);
    Schedule* day = schedule_->GetDay(0);
    ASSERT_TRUE(bob_->SetDayAttendance(day, {true, false, {}, true, At(18, 30)}));
    ASSERT_TRUE(ann_->SetDayAttendance(day, {true, true, At(18, 30), true, At(20, 30)}));
    ASSERT_TRUE(Family(0)->SetDayAttendance(day, {true, true, At(20, 30), false, {}}));
    ASSERT_TRUE(Family(1)->SetDayAttendance(day, {true, true, At(19, 30), false, {}}));
    ASSERT_TRUE(Family(2)->SetDayAttendance(day, {true, false, {}, true, At(19, 0)}));
    ASSERT_TRUE(Family(3)->SetDayAttendance(day, {false, true, At(20, 30), false, {}}));
    ASSERT_TRUE(schedule_->BookAll(BookAsGiven));
    (void)sink_.GetText();

    ASSERT_TRUE(Edit([](auto& f) {
        f.days[0].start = "19:00";
        f.days[0].end = "20:00";
    }));
    const std::string expected =
        "day 0: Bob Brown absent Parent 0 absent Parent 1 after 19:30 Parent 2 absent Parent 3 "
        "absent\n";
    EXPECT_EQ(DescribeDays(*schedule_), expected);
    const std::string said = sink_.GetText();
    EXPECT_NE(said.find("Warning: 3 people's times leave no time within the day's hours, so they "
                        "are marked as not attending that day\n"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("The times of 'Parent 0' on 12 Mar 2024 (8:30pm to 8:00pm) leave no time "
                        "within the day's hours (7:00pm to 8:00pm)"),
              std::string::npos)
        << said;
    EXPECT_EQ(BookingsAgainstAttendance(*schedule_), std::vector<std::string>{});

    std::string messages;
    auto reopened = Reopen(&messages);
    ASSERT_NE(reopened, nullptr) << messages;
    EXPECT_EQ(messages, "");
    EXPECT_EQ(DescribeDays(*reopened), expected);
    EXPECT_EQ(DescribeBookings(*reopened), DescribeBookings(*schedule_));
}

// What was sent or printed described the old timing: every sent mark goes, a teacher's too, so
// the next e-mail run and printout (which pass over what was sent) take everyone.
TEST_F(TimingDependants, ATimingChangeClearsEverySentMarkAndNothingElseDoes) {
    struct Case {
        const char* name;
        std::function<void(EventSettingsFields&)> edit;
        bool cleared;
    };
    const Case cases[] = {
        {"a new date", [](auto& f) { f.days[0].day = "19"; }, true},
        {"new hours", [](auto& f) { f.days[0].end = "20:00"; }, true},
        {"a new slot length", [](auto& f) { f.slotLength = "5"; }, true},
        {"a new name", [](auto& f) { f.name = "Year 9 evening"; }, false},
    };
    const std::vector<EmailTextKind> kinds{EmailInvitation, EmailReminder, EmailResults};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build(1);
        const std::vector<Person*> people{ann_, bob_, Family(0), Family(3)};
        for (Person* person : people) {
            for (EmailTextKind kind : kinds) {
                person->SetEmailSent(kind, true);
            }
        }
        ASSERT_TRUE(Edit(c.edit));
        for (Person* person : people) {
            for (EmailTextKind kind : kinds) {
                EXPECT_EQ(person->GetEmailSent(kind), !c.cleared) << person->GetName() << kind;
            }
        }
        (void)sink_.GetText();
    }
}

// A merge brings people whose breaks and times were made for the other file's grid and hours:
// they are fitted to this event's as Edit Event Details fits its own.
class MergedTiming : public ControllerFixture {};

TEST_F(MergedTiming, AMergedTeachersBreakMeetsTheSlotsAndTimesWithoutTimeMeanAbsent) {
    const auto eventFile = [](const char* ends, const char* slot, const std::string& people) {
        return std::string("Event:\nName \"Spring evening\"\nStarts 4:00pm\nEnds ") + ends +
               "\nDay \"12\"\nMonth \"3\"\nYear \"2026\"\nSlotLength \"" + slot + "\"\n" +
               "\nTeachers:\n\"Mr Tom Whitfield\"\ninitials \"TW\"\nsubject \"Maths\"\n\n" + people;
    };
    ASSERT_TRUE(controller_.OpenEventFile(
        Write("a.qmv", eventFile("6:00pm", "10", "\nParents:\n")).c_str()));
    const std::string other =
        Write("b.qmv", eventFile("8:00pm", "5",
                                 "\"Dr Helen Marsh\"\ninitials \"HM\"\nbreak 4:05pm\n\n"
                                 "\nParents:\n\"Ms Green\"\nuniqueid \"G1\"\nafter 7:00pm\n"
                                 "pupil \"Cara Green\"\nseeing \"Dr Helen Marsh\"\n\n"));
    (void)sink_.GetText();
    std::string log;
    ASSERT_TRUE(controller_.MergeEventFile(other.c_str(), &log)) << sink_.GetText();
    const std::string said = sink_.GetText();
    EXPECT_NE(said.find("Warning: The time 4:05pm does not fall on the start of a slot"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("Warning: The times of 'Ms Green' on 12 Mar 2026 (7:00pm to 6:00pm) leave "
                        "no time within the day's hours (4:00pm to 6:00pm), so they are marked "
                        "as not attending that day"),
              std::string::npos)
        << said;
    MultiDaySchedule& schedule = *controller_.GetSchedule();
    EXPECT_EQ(DescribeDays(schedule), "day 0: Dr Helen Marsh break 16:00 Ms Green absent\n");
}

}  // namespace
