#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/controller_fixture.h"
#include "app/event_file_reader.h"
#include "app/event_file_writer.h"
#include "app/event_settings.h"
#include "app/event_times.h"
#include "foundation/tokeniser.h"
#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/presentation_rules.h"
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
        TimingChange timing = TimingChange::None;
        const bool accepted = ApplyEventSettings(
            *schedule_, typed, shown, [](const std::string&) { return true; }, &timing);
        if (accepted) {
            RebookForNewTiming(*schedule_, timing);
        }
        return accepted;
    }

    // Saves and reopens; what the reader said goes into *messages.
    std::unique_ptr<MultiDaySchedule> Reopen(std::string* messages) {
        EventFileWriter writer(*schedule_);
        return ReadBack(writer.FormatEventFile(), messages);
    }

    // The saved file reopens without a word, with these days and every booking.
    void ExpectTheFileBringsBack(const std::string& days) {
        std::string messages;
        auto reopened = Reopen(&messages);
        ASSERT_NE(reopened, nullptr) << messages;
        EXPECT_EQ(messages, "");
        EXPECT_EQ(DescribeDays(*reopened), days);
        EXPECT_EQ(DescribeBookings(*reopened), DescribeBookings(*schedule_));
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

        ExpectTheFileBringsBack(before);
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

// A day taken away takes everything kept for its date with it, its talks too, and says which
// talks went; a day added later, on that date or another, starts with nothing of it.
TEST_F(TimingDependants, ADayTakenAwayTakesItsTalksAndNothingOfItComesBack) {
    using Change = std::function<void(EventSettingsFields&)>;
    const Change untick = [](auto& f) { f.twoDays = false; };
    const auto tickAgainOn = [](const char* date) {
        return Change([date](auto& f) {
            f.twoDays = true;
            f.days[1].day = date;
            f.days[1].start = f.days[0].start;
            f.days[1].end = f.days[0].end;
        });
    };
    struct Case {
        const char* name;
        std::vector<Change> edits;
        Date firstDate;
        bool secondDay;  // back again, with nothing of the old one
    };
    const Case cases[] = {
        {"unticked, the first day on the second's date in one OK",
         {[](auto& f) {
             f.twoDays = false;
             f.days[0].day = "13";
         }},
         Date(13, 3, 2024),
         false},
        {"unticked, then dated in a second OK",
         {untick, [](auto& f) { f.days[0].day = "13"; }},
         Date(13, 3, 2024),
         false},
        {"unticked, then ticked again on the same date",
         {untick, tickAgainOn("13")},
         Date(12, 3, 2024),
         true},
        {"unticked, then ticked again a week later",
         {untick, tickAgainOn("20")},
         Date(12, 3, 2024),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build(2);
        Schedule* first = schedule_->GetDay(0);
        Schedule* second = schedule_->GetDay(1);
        first->AddTeacherBreaks(ann_, At(18, 0), 1, 0);
        ASSERT_TRUE(Family(0)->SetDayAttendance(first, {true, true, At(19, 30), false, {}}));
        Presentation* careers = AddTalk("Careers", 0, "20:00", "20:30");
        ASSERT_TRUE(first->AttendPresentation(ann_, careers));
        ASSERT_TRUE(first->AttendPresentation(Family(1), careers));
        second->AddTeacherBreaks(bob_, At(18, 0), 1, 0);
        ann_->SetAttending(second, false);
        ASSERT_TRUE(Family(2)->SetDayAttendance(second, {true, false, {}, true, At(19, 0)}));
        Presentation* sixthForm = AddTalk("Sixth form", 1, "20:00", "20:30");
        ASSERT_TRUE(second->AttendPresentation(bob_, sixthForm));
        ASSERT_TRUE(second->AttendPresentation(Family(0), sixthForm));
        ASSERT_TRUE(schedule_->BookAll(BookAsGiven));
        const std::string before = DescribeDays(*schedule_);
        const std::string expected =
            before.substr(0, before.find('\n') + 1) + (c.secondDay ? "day 1:\n" : "");
        (void)sink_.GetText();

        for (const Change& edit : c.edits) {
            ASSERT_TRUE(Edit(edit));
        }
        EXPECT_EQ(schedule_->GetDay(0)->GetDate(), c.firstDate);
        ASSERT_EQ(schedule_->GetDayCount(), c.secondDay ? 2u : 1u);
        EXPECT_EQ(DescribeDays(*schedule_), expected);
        EXPECT_EQ(event_->GetPresentations().Count(), 1u);
        EXPECT_EQ(Family(0)->GetPresentations().Count(), 0u);
        EXPECT_EQ(bob_->GetPresentations().Count(), 0u);
        EXPECT_NE(sink_.GetText().find("Warning: These presentations were on the day taken out of "
                                       "the event and have been deleted, with everyone's places "
                                       "at them:\n'Sixth form' on 13 Mar 2024"),
                  std::string::npos);
        EXPECT_EQ(BookingsAgainstAttendance(*schedule_), std::vector<std::string>{});

        ExpectTheFileBringsBack(expected);
    }
}

// A break keeps its minutes on a new grid: every new slot that meets them is a break, so the
// teacher is never booked inside the time she set aside.
TEST_F(TimingDependants, ABreakKeepsItsMinutesOnANewGridAndTheFileKeepsEveryBooking) {
    struct Case {
        const char* name;
        int slotSeconds;    // before the edit
        TimeOfDay breakAt;  // two slots of break from here
        std::function<void(EventSettingsFields&)> edit;
        const char* breaksAfter;
        const char* grownAt;  // the time the warning names, "" when the break kept its length
    };
    const Case cases[] = {
        {"10 to 5 minutes", 600, At(19, 0), [](auto& f) { f.slotLength = "5"; },
         "day 0: Ann Smith break 19:00 Ann Smith break 19:05 Ann Smith break 19:10 Ann Smith "
         "break 19:15\n",
         ""},
        {"5 to 10 minutes", 300, At(19, 5), [](auto& f) { f.slotLength = "10"; },
         "day 0: Ann Smith break 19:00 Ann Smith break 19:10\n", "7:05pm"},
        {"10 to 7.5 minutes", 600, At(18, 20), [](auto& f) { f.slotLength = "7.5"; },
         "day 0: Ann Smith break 18:15 Ann Smith break 18:22 Ann Smith break 18:30 Ann Smith "
         "break 18:37\n",
         "6:20pm"},
        {"a start 5 minutes later", 600, At(19, 0), [](auto& f) { f.days[0].start = "18:05"; },
         "day 0: Ann Smith break 18:55 Ann Smith break 19:05 Ann Smith break 19:15\n", "7:00pm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // More families than Ann has slots: every slot she is free in gets booked.
        Build(1, 24);
        ASSERT_TRUE(event_->SetSlotLength(c.slotSeconds));
        schedule_->GetDay(0)->GetGrid().ResizeForDay(*schedule_->GetDay(0));
        schedule_->GetDay(0)->AddTeacherBreaks(ann_, c.breakAt, 2, 0);
        TimeOfDay breakEnd;
        breakEnd.SetSeconds(c.breakAt.Seconds() + 2 * c.slotSeconds);
        (void)sink_.GetText();

        ASSERT_TRUE(Edit(c.edit));
        EXPECT_EQ(DescribeDays(*schedule_), c.breaksAfter);
        const std::string said = sink_.GetText();
        EXPECT_EQ(said.find("does not fit the slots: every slot that meets its minutes is now a "
                            "break") != std::string::npos,
                  *c.grownAt != '\0')
            << said;
        if (*c.grownAt != '\0') {
            EXPECT_NE(said.find("The break at " + std::string(c.grownAt)), std::string::npos)
                << said;
        }
        EXPECT_EQ(BookingsAgainstAttendance(*schedule_), std::vector<std::string>{});
        const Schedule* day = schedule_->GetDay(0);
        for (int slot = 0; slot < day->GetNumSlots(); ++slot) {
            if (day->GetGrid().PeekBooking(slot, 0) != nullptr) {
                EXPECT_TRUE(!(day->SlotToTime(slot) < breakEnd) ||
                            !(c.breakAt < day->SlotToTime(slot + 1)))
                    << "Ann booked at " << day->SlotToTime(slot).Format(Time24h);
            }
        }

        ExpectTheFileBringsBack(c.breaksAfter);
    }
}

// What the unbooking after an editor's OK takes out is named, one line a booking, never dropped
// without a word.
TEST_F(TimingDependants, BookingsTakenOutAfterAnEditAreNamed) {
    struct Case {
        const char* name;
        std::function<void()> edit;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"a family leaving during a booked slot",
         [this] {
             ASSERT_TRUE(Family(0)->SetDayAttendance(schedule_->GetDay(1),
                                                     {true, false, {}, true, At(18, 5)}));
         },
         {"Parent 0 about Pupil 0 with Ann Smith at 6:00pm on 13 Mar 2024",
          "Parent 0 about Pupil 0 with Bob Brown at 6:20pm on 13 Mar 2024"}},
        {"a teacher away on the second day",
         [this] { bob_->SetAttending(schedule_->GetDay(1), false); },
         {"Parent 0 about Pupil 0 with Bob Brown at 6:20pm on 13 Mar 2024"}},
        {"a break where nothing is booked",
         [this] { bob_->AddBreak(DateTime(Date(12, 3, 2024), At(18, 10))); },
         {}},
        {"a break over a booking",
         [this] { ann_->AddBreak(DateTime(Date(12, 3, 2024), At(18, 20))); },
         {"Parent 1 about Pupil 1 with Ann Smith at 6:20pm on 12 Mar 2024"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build(2, 2);
        Schedule* first = schedule_->GetDay(0);
        Schedule* second = schedule_->GetDay(1);
        // Family 0 on the second day at 6pm with Ann and 6:20pm with Bob, family 1 on the first
        // at 6pm with Bob and 6:20pm with Ann.
        const auto book = [this](Schedule* day, unsigned family, unsigned request, int slot) {
            AppointmentRequest* asked = Family(family)->GetPupil(0)->GetRequest(request);
            ASSERT_TRUE(day->BookAt(std::make_shared<Appointment>(asked),
                                    event_->GetTeachers().IndexOf(asked->GetTeacher()), slot));
        };
        book(second, 0, 0, 0);
        book(second, 0, 1, 2);
        book(first, 1, 1, 0);
        book(first, 1, 0, 2);
        (void)sink_.GetText();

        c.edit();
        EXPECT_EQ(schedule_->UnbookOutOfRangeAppointments(), c.lines);
        std::string expected;
        if (!c.lines.empty()) {
            expected =
                "Warning: These appointments fall where the teacher or the family is no "
                "longer available (away, outside their hours, in a break or at a presentation) "
                "and have been unbooked:";
            for (const std::string& line : c.lines) {
                expected += "\n" + line;
            }
            expected += "\n";
        }
        EXPECT_EQ(sink_.GetText(), expected);
        EXPECT_EQ(BookingsAgainstAttendance(*schedule_), std::vector<std::string>{});
    }
}

// The scoring limits are set in minutes: a new slot length keeps those minutes, or the whole
// new slots within them, and says so when it cannot keep them exactly.
TEST_F(TimingDependants, ANewSlotLengthKeepsTheScoringLimitsMinutes) {
    struct Case {
        const char* name;
        int slotSeconds;  // before the edit
        const char* newLength;
        ScoringLimitTexts set;  // teacher wait, parent wait, teacher busy
        ScoringLimitTexts shownAfter;
        std::vector<std::string> warnings;
    };
    const Case cases[] = {
        {"5 to 10 minutes",
         300,
         "10",
         {"15", "10", "120"},
         {"10", "10", "120"},
         {"The teacher wait length of 15 minutes is not a whole number of the new slots: it is "
          "now 10 minutes"}},
        {"10 to 5 minutes", 600, "5", {"20", "10", "120"}, {"20", "10", "120"}, {}},
        {"5 to 7.5 minutes",
         300,
         "7.5",
         {"15", "10", "120"},
         {"15", "7", "120"},
         {"The parent wait length of 10 minutes is not a whole number of the new slots: it is "
          "now 7 minutes"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build(1);
        ASSERT_TRUE(event_->SetSlotLength(c.slotSeconds));
        ASSERT_TRUE(ApplyScoringLimits(*event_, c.set, FormatScoringLimits(*event_)));
        ASSERT_EQ(FormatScoringLimits(*event_), c.set);
        (void)sink_.GetText();

        ASSERT_TRUE(Edit([&c](auto& f) { f.slotLength = c.newLength; }));
        EXPECT_EQ(FormatScoringLimits(*event_), c.shownAfter);
        std::vector<std::string> warnings;
        std::istringstream said(sink_.GetText());
        for (std::string line; std::getline(said, line);) {
            if (line.rfind("Warning: ", 0) == 0) {
                warnings.push_back(line.substr(9));
            }
        }
        EXPECT_EQ(warnings, c.warnings);

        std::string messages;
        auto reopened = Reopen(&messages);
        ASSERT_NE(reopened, nullptr) << messages;
        EXPECT_EQ(FormatScoringLimits(*reopened->GetEvent()), c.shownAfter);
    }
    // A new event's limits were never set in minutes: they stay the slots they are.
    Build(1);
    const EventSettingsFields shown = ShowEventSettings(*schedule_);
    EventSettingsFields typed = shown;
    typed.slotLength = "5";
    TimingChange timing = TimingChange::None;
    ASSERT_TRUE(ApplyEventSettings(
        *schedule_, typed, shown, [](const std::string&) { return true; }, &timing, false));
    EXPECT_EQ(timing, TimingChange::SlotsChanged);
    EXPECT_EQ(event_->GetOptions(), ScheduleOptions());
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

    ExpectTheFileBringsBack(expected);
}

// Hours cut take away the own times that fall outside them, and say whose: hours given back later
// start with nothing of them, so nobody is booked on a time that is no longer theirs without the
// office having been told.
TEST_F(TimingDependants, HoursCutNameTheOwnTimesTheyDropAndGivenBackBringNoneOfThem) {
    struct Case {
        const char* name;
        std::function<void(EventSettingsFields&)> cut;
        std::function<void(EventSettingsFields&)> back;
        const char* dropped;    // the warning's tail after the cut; null: none is dropped
        const char* daysAfter;  // the own times the cut left
    };
    const Case cases[] = {
        {"the end brought forward to 8pm, then 9pm again", [](auto& f) { f.days[0].end = "20:00"; },
         [](auto& f) { f.days[0].end = "21:00"; },
         "lie outside the day's hours (6:00pm to 8:00pm), so they have been dropped and those "
         "people are taken to come for the day's whole hours:\n'Bob Brown' on 12 Mar 2024, "
         "leaving at 8:30pm\n",
         "day 0: Ann Smith after 18:30\n"},
        {"the start put back to 7pm, then 6pm again", [](auto& f) { f.days[0].start = "19:00"; },
         [](auto& f) { f.days[0].start = "18:00"; },
         "lie outside the day's hours (7:00pm to 9:00pm), so they have been dropped and those "
         "people are taken to come for the day's whole hours:\n'Ann Smith' on 12 Mar 2024, "
         "arriving at 6:30pm\n",
         "day 0: Bob Brown before 20:30\n"},
        {"the end brought forward to Bob's leaving time, then 9pm again",
         [](auto& f) { f.days[0].end = "20:30"; }, [](auto& f) { f.days[0].end = "21:00"; },
         nullptr, "day 0: Ann Smith after 18:30 Bob Brown before 20:30\n"},
        {"the start put back to Ann's arrival, then 6pm again",
         [](auto& f) { f.days[0].start = "18:30"; }, [](auto& f) { f.days[0].start = "18:00"; },
         nullptr, "day 0: Ann Smith after 18:30 Bob Brown before 20:30\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build(1, 24);
        Schedule* day = schedule_->GetDay(0);
        ASSERT_TRUE(bob_->SetDayAttendance(day, {true, false, {}, true, At(20, 30)}));
        ASSERT_TRUE(ann_->SetDayAttendance(day, {true, true, At(18, 30), false, {}}));
        ASSERT_TRUE(schedule_->BookAll(BookAsGiven));
        (void)sink_.GetText();

        ASSERT_TRUE(Edit(c.cut));
        const std::string said = sink_.GetText();
        if (c.dropped == nullptr) {
            EXPECT_EQ(said.find("These arrival and leaving times"), std::string::npos) << said;
        } else {
            EXPECT_NE(
                said.find(std::string("Warning: These arrival and leaving times ") + c.dropped),
                std::string::npos)
                << said;
        }
        ASSERT_TRUE(Edit(c.back));
        EXPECT_EQ(sink_.GetText().find("These arrival and leaving times"), std::string::npos);
        EXPECT_EQ(DescribeDays(*schedule_), c.daysAfter);
        EXPECT_EQ(BookingsAgainstAttendance(*schedule_), std::vector<std::string>{});
    }
}

// What was sent or printed described the old timing: every sent mark goes, a teacher's and a
// pupil's too, so the next e-mail run and printout (which pass over what was sent) take
// everyone. A change the lock refused changed nothing: it says so, is not rebooked and clears
// nothing.
TEST_F(TimingDependants, ATimingChangeClearsEverySentMarkAndNothingElseDoes) {
    struct Case {
        const char* name;
        bool locked;
        std::function<void(EventSettingsFields&)> edit;
        bool cleared;
        const char* said;  // the first line the edit says
    };
    const char* const rebooked = "All appointments will be cleared and rebooked";
    const Case cases[] = {
        {"a new date", false, [](auto& f) { f.days[0].day = "19"; }, true, ""},
        {"new hours", false, [](auto& f) { f.days[0].end = "20:00"; }, true, rebooked},
        {"a new slot length", false, [](auto& f) { f.slotLength = "5"; }, true, rebooked},
        {"a new name", false, [](auto& f) { f.name = "Year 9 evening"; }, false, ""},
        {"a new date on a locked event", true, [](auto& f) { f.days[0].day = "19"; }, false,
         "Error: Cannot set the event date because the schedule is locked"},
        {"new hours on a locked event", true, [](auto& f) { f.days[0].end = "20:00"; }, false,
         "Error: Cannot set event end time because the schedule is locked"},
        {"a new slot length on a locked event", true, [](auto& f) { f.slotLength = "5"; }, false,
         "Error: Cannot set time slot length because the schedule is locked"},
    };
    const std::vector<EmailTextKind> kinds{EmailInvitation, EmailReminder, EmailResults};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build(1);
        ASSERT_TRUE(schedule_->BookAll(BookAsGiven));
        const std::vector<Person*> people{
            ann_, bob_, Family(0), Family(3), Family(0)->GetPupil(0), Family(3)->GetPupil(0)};
        for (Person* person : people) {
            for (EmailTextKind kind : kinds) {
                person->SetEmailSent(kind, true);
            }
        }
        event_->SetLocked(c.locked);
        const std::string bookings = DescribeBookings(*schedule_);
        (void)sink_.GetText();

        ASSERT_TRUE(Edit(c.edit));
        for (Person* person : people) {
            for (EmailTextKind kind : kinds) {
                EXPECT_EQ(person->GetEmailSent(kind), !c.cleared) << person->GetName() << kind;
            }
        }
        const std::string said = sink_.GetText();
        EXPECT_EQ(said.substr(0, std::strlen(c.said)), c.said) << said;
        if (c.locked) {
            EXPECT_EQ(said.find(rebooked), std::string::npos) << said;
            EXPECT_EQ(DescribeBookings(*schedule_), bookings);
            EXPECT_EQ(schedule_->GetDay(0)->GetDate(), Date(12, 3, 2024));
            EXPECT_EQ(schedule_->GetDay(0)->GetEndTime(), At(21, 0));
            EXPECT_EQ(event_->GetSlotLength(), 600);
        }
    }
}

// A timing edit leaves a talk off the slot starts: the speaker who arrives as it begins and the
// family who leave as it ends are there for all of it, so the next editor's OK keeps their
// places, they may take them again, and the file brings them back.
TEST_F(TimingDependants, ATalkMovedOffTheSlotsKeepsThoseThereFromItsStartToItsEnd) {
    struct Case {
        const char* name;
        int slotSeconds;  // before the edit
        const char* from;
        const char* to;
        std::function<void(EventSettingsFields&)> edit;
    };
    const Case cases[] = {
        {"the start moved from 6pm to 6:15pm", 600, "18:30", "19:00",
         [](auto& f) { f.days[0].start = "18:15"; }},
        {"5-minute slots made 10", 300, "18:35", "19:05", [](auto& f) { f.slotLength = "10"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build(1);
        ASSERT_TRUE(event_->SetSlotLength(c.slotSeconds));
        Schedule* day = schedule_->GetDay(0);
        day->GetGrid().ResizeForDay(*day);
        Presentation* talk = AddTalk("Careers", 0, c.from, c.to);
        ASSERT_TRUE(ann_->SetDayAttendance(day, {true, true, talk->GetStartTime(), false, {}}));
        ASSERT_TRUE(Family(0)->SetDayAttendance(day, {true, false, {}, true, talk->GetEndTime()}));
        ASSERT_TRUE(schedule_->AttendPresentation(ann_, talk));
        ASSERT_TRUE(schedule_->AttendPresentation(Family(0), talk));
        ASSERT_TRUE(schedule_->BookAll(BookAsGiven));
        const std::string before = DescribeDays(*schedule_);

        ASSERT_TRUE(Edit(c.edit));
        (void)schedule_->UnbookOutOfRangeAppointments();
        EXPECT_EQ(DescribeDays(*schedule_), before);
        for (Attendee* person : {static_cast<Attendee*>(ann_), static_cast<Attendee*>(Family(0))}) {
            person->RemovePresentation(talk);
            EXPECT_TRUE(CanAttendPresentation(*schedule_, *person, *talk)) << person->GetName();
            EXPECT_TRUE(schedule_->AttendPresentation(person, talk)) << person->GetName();
        }
        EXPECT_EQ(BookingsAgainstAttendance(*schedule_), std::vector<std::string>{});
        (void)sink_.GetText();
        ExpectTheFileBringsBack(before);
    }
}

// A place at a talk that the unbooking after an editor's OK gives up is named, as a booking it
// takes out is; someone still there from the talk's start to its end keeps theirs unsaid.
TEST_F(TimingDependants, PlacesAtTalksGivenUpAfterAnEditAreNamed) {
    struct Case {
        const char* name;
        unsigned days;
        std::function<void(Schedule*)> change;
        const char* said;
    };
    const std::string heading =
        "Warning: These places at presentations fall where the person is no longer there from "
        "the talk's start to its end (away or outside their hours) and have been given up:";
    const Case cases[] = {
        {"a family leaving before it ends", 1,
         [this](Schedule* day) {
             ASSERT_TRUE(Family(0)->SetDayAttendance(day, {true, false, {}, true, At(18, 50)}));
         },
         "\n'Parent 0' at 'Careers', 6:30pm to 7:00pm\n"},
        {"a speaker arriving after it starts", 1,
         [this](Schedule* day) {
             ASSERT_TRUE(ann_->SetDayAttendance(day, {true, true, At(18, 40), false, {}}));
         },
         "\n'Ann Smith' at 'Careers', 6:30pm to 7:00pm\n"},
        {"a family away on the second day", 2,
         [this](Schedule* day) { Family(0)->SetAttending(day, false); },
         "\n'Parent 0' at 'Careers', 6:30pm to 7:00pm on 13 Mar 2024\n"},
        {"a family arriving as it starts", 1,
         [this](Schedule* day) {
             ASSERT_TRUE(Family(0)->SetDayAttendance(day, {true, true, At(18, 30), false, {}}));
         },
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build(c.days);
        Presentation* talk = AddTalk("Careers", c.days - 1, "18:30", "19:00");
        ASSERT_TRUE(schedule_->AttendPresentation(ann_, talk));
        ASSERT_TRUE(schedule_->AttendPresentation(Family(0), talk));
        c.change(schedule_->GetDay(c.days - 1));
        (void)sink_.GetText();

        (void)schedule_->UnbookOutOfRangeAppointments();
        EXPECT_EQ(sink_.GetText(), *c.said == '\0' ? std::string() : heading + c.said);
    }
}

// New hours that leave someone no time make them absent, and so take them from their talks there
// and then, named; someone whose own time became the day's own stays at theirs. The next
// editor's OK then has nothing to give up.
TEST_F(TimingDependants, HoursThatMakeSomeoneAbsentGiveUpTheirTalksNamed) {
    Build(1);
    Schedule* day = schedule_->GetDay(0);
    Presentation* talk = AddTalk("Careers", 0, "18:10", "18:30");
    ASSERT_TRUE(bob_->SetDayAttendance(day, {true, false, {}, true, At(18, 30)}));
    ASSERT_TRUE(Family(0)->SetDayAttendance(day, {true, true, At(18, 10), false, {}}));
    ASSERT_TRUE(schedule_->AttendPresentation(bob_, talk));
    ASSERT_TRUE(schedule_->AttendPresentation(Family(0), talk));
    (void)sink_.GetText();

    ASSERT_TRUE(Edit([](auto& f) { f.days[0].start = "19:00"; }));
    EXPECT_FALSE(bob_->IsAttending(day));
    EXPECT_FALSE(bob_->AttendsPresentation(talk));
    EXPECT_TRUE(Family(0)->AttendsPresentation(talk));
    const std::string said = sink_.GetText();
    EXPECT_NE(said.find("Warning: These places at presentations fall where the person is no "
                        "longer there from the talk's start to its end (away or outside their "
                        "hours) and have been given up:\n'Bob Brown' at 'Careers', 6:10pm to "
                        "6:30pm\n"),
              std::string::npos)
        << said;

    (void)schedule_->UnbookOutOfRangeAppointments();
    EXPECT_EQ(sink_.GetText(), "");
    EXPECT_TRUE(Family(0)->AttendsPresentation(talk));
}

// A timing tried and put back leaves the evening as the school set it: every break where it was
// (not grown by the slots it met on the way), every scoring limit at the minutes given, on each
// day, and the file brings the same back. Only the first step may say that something grew.
TEST_F(TimingDependants, ATimingTriedAndPutBackGivesBackEveryBreakAndLimit) {
    using Change = std::function<void(EventSettingsFields&)>;
    const auto slots = [](const char* length) {
        return Change([length](auto& f) { f.slotLength = length; });
    };
    const auto start = [](unsigned day, const char* time) {
        return Change([day, time](auto& f) { f.days[day].start = time; });
    };
    const auto end = [](unsigned day, const char* time) {
        return Change([day, time](auto& f) { f.days[day].end = time; });
    };
    struct Case {
        const char* name;
        unsigned days;
        int slotSeconds;
        TimeOfDay breakAt;  // breakSlots slots of break from here, on every day
        int breakSlots;
        ScoringLimitTexts limits;  // teacher wait, parent wait, teacher busy, as typed
        std::vector<Change> edits;
        ScoringLimitTexts limitsAfter;
        // More breaks of Ann's, and edits that make the evening the edits start from.
        std::vector<std::pair<TimeOfDay, int>> moreBreaks = {};
        std::vector<Change> setUp = {};
    };
    const ScoringLimitTexts typical{"20", "40", "120"};
    const Case cases[] = {
        {"10 to 7.5 minutes and back",
         1,
         600,
         At(18, 20),
         2,
         typical,
         {slots("7.5"), slots("10")},
         typical},
        {"5 to 10 minutes and back",
         1,
         300,
         At(18, 25),
         1,
         {"15", "10", "120"},
         {slots("10"), slots("5")},
         {"15", "10", "120"}},
        {"10 to 7.5 to 5 to 10 minutes",
         1,
         600,
         At(18, 20),
         2,
         typical,
         {slots("7.5"), slots("5"), slots("10")},
         typical},
        {"10 to 7.5 minutes, a week later, then 10 minutes",
         2,
         600,
         At(18, 20),
         2,
         typical,
         {slots("7.5"),
          [](auto& f) {
              f.days[0].day = "19";
              f.days[1].day = "20";
          },
          slots("10")},
         typical},
        {"a start 5 minutes later and back",
         1,
         600,
         At(19, 0),
         2,
         typical,
         {start(0, "18:05"), start(0, "18:00")},
         typical},
        {"the second day's start 5 minutes later and back",
         2,
         600,
         At(19, 0),
         2,
         typical,
         {start(1, "18:05"), start(1, "18:00")},
         typical},
        {"limits typed on 7.5-minute slots, then 10",
         1,
         450,
         At(18, 15),
         0,
         typical,
         {slots("10")},
         typical},
        // The break now lies before the evening; measured by the 10-minute slots on the way
        // back, it would reach into the first slot.
        {"a later start leaves a break before it, then 10 minutes and back",
         1,
         300,
         At(18, 25),
         1,
         typical,
         {start(0, "18:30"), slots("10"), slots("5")},
         typical},
        // The minutes before the new start stay the break's, for the start put back.
        {"a start 5 minutes later into the first break and back",
         1,
         600,
         At(18, 0),
         2,
         typical,
         {start(0, "18:05"), start(0, "18:00")},
         typical},
        // An evening to 8:55pm on 15-minute slots ends in ten minutes no slot holds: the break
        // there goes to their start, and takes its own minutes with it.
        {"a break in the minutes after the last slot, 15 minutes and back",
         1,
         300,
         At(20, 50),
         1,
         typical,
         {end(0, "20:55"), slots("15"), slots("5")},
         typical},
        // On 20-minute slots both breaks lie after the last slot and go to one start.
        {"two breaks in the minutes after the last slot, 20 minutes and back",
         1,
         300,
         At(20, 45),
         2,
         typical,
         {end(0, "20:55"), slots("20"), slots("5")},
         typical},
        // On 7.5-minute slots the same evening's last slot ends at 8:52:30pm, inside the break.
        {"a break reaching past the last slot, 7.5 minutes and back",
         1,
         300,
         At(20, 50),
         1,
         typical,
         {end(0, "20:55"), slots("7.5"), slots("5")},
         typical},
        // As a file or a new event gives them: 3, 4 and 24 slots, nobody's typed minutes.
        {"limits left in slots on 7.5-minute slots, then 10 and back",
         1,
         450,
         At(18, 15),
         0,
         {"22", "30", "180"},
         {slots("10"), slots("7.5")},
         {"22", "30", "180"}},
        // On 15-minute slots the first slot holds both breaks' minutes and the five between.
        {"two breaks with a slot between them, 15 minutes and back",
         1,
         300,
         At(18, 10),
         2,
         typical,
         {slots("15"), slots("5")},
         typical,
         {{At(18, 0), 1}}},
        // On 20-minute slots both breaks lie after the last slot, with five minutes between.
        {"two breaks apart in the minutes after the last slot, 20 minutes and back",
         1,
         300,
         At(20, 40),
         1,
         typical,
         {end(0, "20:55"), slots("20"), slots("5")},
         typical,
         {{At(20, 50), 1}}},
        // 7.5-minute slots split the break in two; the earlier end leaves both after the day,
        // and the later end that puts it back moves no break.
        {"a break split by new slots, an earlier end and back",
         1,
         300,
         At(20, 20),
         1,
         {"15", "30", "120"},
         {end(0, "20:00"), end(0, "21:00")},
         {"15", "30", "120"},
         {},
         {slots("7.5")}},
        // The break lies in the last, partial slot of 7.5 minutes; a start 10 minutes earlier
        // makes that slot whole, ending where the break begins.
        {"a break in the last, partial slot, a start 10 minutes earlier and back",
         1,
         300,
         At(20, 35),
         1,
         {"15", "30", "120"},
         {start(0, "17:50"), start(0, "18:00")},
         {"15", "30", "120"},
         {},
         {end(0, "20:35"), slots("7.5")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build(c.days, 24);
        ASSERT_TRUE(event_->SetSlotLength(c.slotSeconds));
        for (unsigned d = 0; d < c.days; ++d) {
            Schedule* day = schedule_->GetDay(d);
            day->GetGrid().ResizeForDay(*day);
            day->AddTeacherBreaks(ann_, c.breakAt, c.breakSlots, 0);
            for (const auto& [at, length] : c.moreBreaks) {
                day->AddTeacherBreaks(ann_, at, length, 0);
            }
        }
        ASSERT_TRUE(ApplyScoringLimits(*event_, c.limits, FormatScoringLimits(*event_)));
        ASSERT_TRUE(schedule_->BookAll(BookAsGiven));
        for (const Change& edit : c.setUp) {
            ASSERT_TRUE(Edit(edit));
        }
        const std::string before = DescribeDays(*schedule_);
        const ScheduleOptions options = event_->GetOptions();
        const int slotSeconds = event_->GetSlotLength();

        for (const Change& edit : c.edits) {
            (void)sink_.GetText();
            ASSERT_TRUE(Edit(edit));
        }
        EXPECT_EQ(sink_.GetText().find("Warning"), std::string::npos) << "at the last step";
        EXPECT_EQ(FormatScoringLimits(*event_), c.limitsAfter);
        if (event_->GetSlotLength() == slotSeconds) {
            EXPECT_EQ(event_->GetOptions(), options);
            EXPECT_EQ(DescribeDays(*schedule_), before);
            ExpectTheFileBringsBack(before);
        }
        EXPECT_EQ(BookingsAgainstAttendance(*schedule_), std::vector<std::string>{});
    }
}

// Times on the day's own edges, as the attendance editor takes them (a teacher who must leave at
// 9pm, a family who come at 6pm): saved and reopened they are still their own, so an evening made
// to end later or start earlier does not book them when they are not there.
TEST_F(TimingDependants, OwnTimesOnTheDaysEdgesOutliveASaveAndNewHours) {
    struct Case {
        const char* name;
        std::function<void(EventSettingsFields&)> edit;
    };
    const Case cases[] = {
        {"the end an hour later", [](auto& f) { f.days[0].end = "22:00"; }},
        {"the start an hour earlier", [](auto& f) { f.days[0].start = "17:00"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build(1);
        Schedule* day = schedule_->GetDay(0);
        ASSERT_TRUE(bob_->SetDayAttendance(day, {true, false, {}, true, At(21, 0)}));
        ASSERT_TRUE(Family(0)->SetDayAttendance(day, {true, true, At(18, 0), false, {}}));
        const std::string own = "day 0: Bob Brown before 21:00 Parent 0 after 18:00\n";
        ASSERT_EQ(DescribeDays(*schedule_), own);

        std::string messages;
        schedule_ = Reopen(&messages);
        ASSERT_NE(schedule_, nullptr) << messages;
        event_ = schedule_->GetEvent();
        EXPECT_EQ(DescribeDays(*schedule_), own);
        ASSERT_TRUE(Edit(c.edit));
        EXPECT_EQ(DescribeDays(*schedule_), own);
        EXPECT_EQ(BookingsAgainstAttendance(*schedule_), std::vector<std::string>{});
        (void)sink_.GetText();
    }
}

// An evening put off (a snow day) or made to end later keeps every slot where it was, so every
// booking stays: the times agreed by hand and the optimised timetable are not booked afresh.
// Where slots go or move the evening is booked afresh, as before. Either way the sent marks go,
// so everyone is told the new timing.
TEST_F(TimingDependants, AnEveningPutOffOrEndingLaterKeepsEveryBooking) {
    const char* const rebooked = "All appointments will be cleared and rebooked";
    struct Case {
        const char* name;
        unsigned days;
        std::function<void(EventSettingsFields&)> edit;
        bool kept;
    };
    const Case cases[] = {
        {"one day put off a week", 1, [](auto& f) { f.days[0].day = "19"; }, true},
        {"two days put off a week", 2,
         [](auto& f) {
             f.days[0].day = "19";
             f.days[1].day = "20";
         },
         true},
        {"two days a day later, the first on the second's date", 2,
         [](auto& f) {
             f.days[0].day = "13";
             f.days[1].day = "14";
         },
         true},
        {"the end an hour later", 1, [](auto& f) { f.days[0].end = "22:00"; }, true},
        {"the second day ends later and the first moves", 2,
         [](auto& f) {
             f.days[0].day = "11";
             f.days[1].end = "21:30";
         },
         true},
        {"a later start", 1, [](auto& f) { f.days[0].start = "18:10"; }, false},
        {"an earlier end", 2, [](auto& f) { f.days[1].end = "20:50"; }, false},
        {"a week later on 5-minute slots", 1,
         [](auto& f) {
             f.days[0].day = "19";
             f.slotLength = "5";
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build(c.days);
        // Times no booking run would choose: Ann late in the evening, Bob early, on the last day.
        Schedule* day = schedule_->GetDay(c.days - 1);
        for (unsigned f = 0; f < 4; ++f) {
            Pupil* pupil = Family(f)->GetPupil(0);
            ASSERT_TRUE(day->BookAt(std::make_shared<Appointment>(pupil->GetRequest(0)), 0,
                                    16 - static_cast<int>(f)));
            ASSERT_TRUE(day->BookAt(std::make_shared<Appointment>(pupil->GetRequest(1)), 1,
                                    1 + 2 * static_cast<int>(f)));
            Family(f)->SetEmailSent(EmailResults, true);
        }
        const std::string bookings = DescribeBookings(*schedule_);
        (void)sink_.GetText();

        ASSERT_TRUE(Edit(c.edit));
        const std::string said = sink_.GetText();
        EXPECT_EQ(said.find(rebooked) == std::string::npos, c.kept) << said;
        EXPECT_EQ(DescribeBookings(*schedule_) == bookings, c.kept);
        for (unsigned f = 0; f < 4; ++f) {
            EXPECT_FALSE(Family(f)->GetEmailSent(EmailResults)) << f;
        }
        for (unsigned d = 0; d < schedule_->GetDayCount(); ++d) {
            const Schedule* each = schedule_->GetDay(d);
            EXPECT_EQ(static_cast<int>(each->GetGrid().GetSlotCount()), each->GetNumSlots()) << d;
        }
        EXPECT_EQ(BookingsAgainstAttendance(*schedule_), std::vector<std::string>{});
        ExpectTheFileBringsBack(DescribeDays(*schedule_));
    }
}

// On a locked timetable the parents' editor may still mark a family away (or a time may leave
// someone short), but the lock keeps every booking: the OK says which stay where their teacher
// or family is no longer there, and the saved file opens again with every one of them, as the
// sheets handed out have them.
TEST_F(TimingDependants, ALockedTimetableKeepsEveryBookingAndReopensAsSaved) {
    const std::string refused =
        "Error: Cannot unbook out of range appointments because the schedule is locked";
    struct Case {
        const char* name;
        unsigned days;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"a family marked away", 1,
         [this] { Family(0)->SetAttending(schedule_->GetDay(0), false); }},
        {"a family away on the second day", 2,
         [this] { Family(1)->SetAttending(schedule_->GetDay(1), false); }},
        {"a family leaving before its bookings", 1,
         [this] {
             ASSERT_TRUE(Family(3)->SetDayAttendance(schedule_->GetDay(0),
                                                     {true, false, {}, true, At(18, 5)}));
         }},
        {"a teacher away", 1, [this] { bob_->SetAttending(schedule_->GetDay(0), false); }},
        {"nothing out of place", 1, [] {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build(c.days);
        ASSERT_TRUE(schedule_->BookAll(BookAsGiven));
        event_->SetLocked(true);
        schedule_->SetLocked(true);
        const std::string bookings = DescribeBookings(*schedule_);
        c.change();
        const size_t kept = BookingsAgainstAttendance(*schedule_).size();
        (void)sink_.GetText();

        EXPECT_EQ(schedule_->UnbookOutOfRangeAppointments(), std::vector<std::string>{});
        const std::string said = sink_.GetText();
        EXPECT_EQ(said.rfind(refused, 0), 0u) << said;
        EXPECT_EQ(static_cast<size_t>(std::count(said.begin(), said.end(), '\n')), kept + 1)
            << said;
        if (kept > 0) {
            EXPECT_NE(said.find(", so these appointments stay where the teacher or the family is "
                                "no longer available (away, outside their hours, in a break or "
                                "at a presentation):\n"),
                      std::string::npos)
                << said;
        }
        EXPECT_EQ(DescribeBookings(*schedule_), bookings);

        std::string messages;
        auto reopened = Reopen(&messages);
        ASSERT_NE(reopened, nullptr) << messages;
        EXPECT_EQ(messages, "");
        EXPECT_TRUE(reopened->GetEvent()->IsLocked());
        EXPECT_EQ(DescribeBookings(*reopened), bookings);
        EXPECT_EQ(DescribeDays(*reopened), DescribeDays(*schedule_));
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
    EXPECT_NE(said.find("Warning: The break at 4:05pm does not fit the slots: every slot that "
                        "meets its minutes is now a break"),
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
