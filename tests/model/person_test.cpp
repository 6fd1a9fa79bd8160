#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "foundation/uc_error.h"
#include "model/attendee.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/teacher.h"

namespace {

TimeOfDay At(int hours, int minutes) {
    return TimeOfDay(hours, minutes, 0);
}

// An event day as the attendance rules see it.
class TestDay : public AttendanceDay {
public:
    TestDay(const Date& date, TimeOfDay start, TimeOfDay end)
        : date_(date), start_(start), end_(end) {}
    Date GetDate() const override { return date_; }
    TimeOfDay GetStartTime() const override { return start_; }
    TimeOfDay GetEndTime() const override { return end_; }

private:
    Date date_;
    TimeOfDay start_;
    TimeOfDay end_;
};

// A schedule of days as a multi-day schedule offers them.
struct TestSchedule {
    std::vector<const AttendanceDay*> days;
    unsigned GetDayCount() const { return static_cast<unsigned>(days.size()); }
    const AttendanceDay* GetDay(unsigned i) const { return days[i]; }
};

}  // namespace

TEST(Person, ConstructorTrimsTheNameButKeepsTheTextAsUniqueId) {
    Person person("  Anna Smith \t");
    EXPECT_EQ(person.GetName(), "Anna Smith");
    EXPECT_EQ(person.GetUniqueId(), "  Anna Smith \t");
    EXPECT_EQ(person.GetUniqueIdOrName(), "  Anna Smith \t");

    person.SetUniqueId("");
    EXPECT_EQ(person.GetUniqueIdOrName(), "Anna Smith");
}

TEST(Person, EmailAddressesAreStoredTrimmed) {
    Person person;
    person.SetEmail("\tanna@example.org  ");
    person.SetEmailAlt("   ");
    EXPECT_EQ(person.GetEmail(), "anna@example.org");
    EXPECT_EQ(person.GetEmailAlt(), "");
}

TEST(Person, EmailSentFlagsOutsideTheThreeKindsReadAsSentAndIgnoreWrites) {
    Person person;
    for (EmailTextKind kind : {EmailInvitation, EmailReminder, EmailResults}) {
        EXPECT_FALSE(person.GetEmailSent(kind));
    }
    person.SetEmailSent(EmailReminder, true);
    EXPECT_TRUE(person.GetEmailSent(EmailReminder));
    EXPECT_FALSE(person.GetEmailSent(EmailInvitation));

    const auto kind3 = static_cast<EmailTextKind>(3);
    EXPECT_TRUE(person.GetEmailSent(kind3));
    person.SetEmailSent(kind3, false);
    EXPECT_TRUE(person.GetEmailSent(kind3));
    EXPECT_TRUE(person.GetEmailSent(static_cast<EmailTextKind>(-1)));
}

TEST(Person, CompareOrdersBySurnameThenWholeName) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    };
    const Case cases[] = {
        {"Anna Smith", "Bob Smith", -1}, {"Zoe Adams", "Anna Smith", -1},
        {"John Smith", "Smith", -1},     {"Smith", "John Smith", 1},
        {"Anna Smith", "Anna Smith", 0}, {"anna smith", "Anna Smith", 1},
        {"Bob", "Ann Zed", -1},          {"Cy Able", "Bob", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        Person a(c.a);
        Person b(c.b);
        EXPECT_EQ(a.Compare(&b), c.expected);
        EXPECT_EQ(b.Compare(&a), -c.expected);
    }
    Person someone("Anna Smith");
    EXPECT_EQ(someone.Compare(&someone), 0);
    EXPECT_EQ(someone.Compare(nullptr), 1);
}

TEST(Person, CompareIsAStrictWeakOrderOverAwkwardNames) {
    std::vector<Person> people;
    for (const char* name : {"",
                             " ",
                             "Smith",
                             "John Smith",
                             "Bob",
                             "Ann Zed",
                             "Cy Able",
                             "Zed",
                             "Amy Brown",
                             "Bob Zoo",
                             "A B C",
                             "C B A",
                             "Mary-Jane O'Neil",
                             "van der Berg",
                             "Anna  Smith",
                             "Anna Smith ",
                             "\xc3\x89mile Zola",
                             "Émile Able",
                             "smith",
                             "SMITH"}) {
        Person p;
        p.SetName(name);  // kept as typed, blanks included
        people.push_back(p);
    }
    for (const Person& a : people) {
        EXPECT_EQ(a.Compare(&a), 0) << a.GetName();
        for (const Person& b : people) {
            int ab = a.Compare(&b);
            EXPECT_EQ(ab, -b.Compare(&a)) << a.GetName() << " / " << b.GetName();
            for (const Person& c : people) {
                if (ab < 0 && b.Compare(&c) < 0) {
                    EXPECT_LT(a.Compare(&c), 0)
                        << a.GetName() << " < " << b.GetName() << " < " << c.GetName();
                }
            }
        }
    }
}

TEST(AttendanceRecord, ValidatedSettersKeepStartBeforeEnd) {
    UCStringError sink;
    AttendanceRecord record;
    EXPECT_FALSE(record.SetTimes(At(18, 0), At(18, 0)));
    EXPECT_EQ(sink.GetText(),
              "Error: Attempted to set a start time of 6:00pm and an end time of 6:00pm\n");
    EXPECT_TRUE(record.SetTimes(At(18, 0), At(18, 5)));
    EXPECT_EQ(record.GetStartTime(), At(18, 0));
    EXPECT_EQ(record.GetEndTime(), At(18, 5));

    EXPECT_FALSE(record.SetStartTime(At(18, 5)));
    EXPECT_EQ(sink.GetText(),
              "Error: Attempted to set a start time of 6:05pm which is later than or equal to the "
              "existing end time of 6:05pm\n");
    EXPECT_FALSE(record.SetEndTime(At(17, 0)));
    EXPECT_NE(sink.GetText().find("5:00pm"), std::string::npos);
    EXPECT_EQ(record.GetStartTime(), At(18, 0));
    EXPECT_EQ(record.GetEndTime(), At(18, 5));

    EXPECT_TRUE(record.SetEndTimeText("21:00"));
    EXPECT_TRUE(record.SetStartTimeText("7:30pm"));
    EXPECT_FALSE(record.SetStartTimeText("nonsense"));
    EXPECT_FALSE(record.SetStartTimeText(nullptr));
    EXPECT_EQ(record.GetStartTime(), At(19, 30));
    EXPECT_EQ(sink.GetText(), "");
}

TEST(AttendanceRecord, AttendingTextMeansNoOnlyWhenItStartsWithN) {
    struct Case {
        const char* text;
        bool attending;
    };
    const Case cases[] = {{"No", false}, {"n", false},    {"Yes", true},
                          {"", true},    {nullptr, true}, {" no", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(null)");
        AttendanceRecord record;
        record.SetAttending(false);
        record.SetAttendingText(c.text);
        EXPECT_EQ(record.IsAttending(), c.attending);
    }
}

// The record's times as "late 19:00-20:30 early", the flags shown only when set.
std::string DescribeRecord(const AttendanceRecord& record) {
    return std::string(record.ArrivesLate() ? "late " : "") +
           record.GetStartTime().Format(Time24h) + "-" + record.GetEndTime().Format(Time24h) +
           (record.LeavesEarly() ? " early" : "");
}

// New hours of 6pm to 9pm fit a record as a file's times are fitted: times past the day become
// the day's own, times on its edges stay the person's own, and times that leave no time at all
// make the record absent (false) rather than free all evening.
TEST(AttendanceRecord, FitToDayKeepsTimesInsideAndReportsTimesThatLeaveNone) {
    struct Case {
        const char* name;
        int arrival;    // minutes after 6pm of a late arrival, or none
        int departure;  // the same for an early leaving
        bool fits;
        const char* fitted;
    };
    constexpr int kNone = INT_MIN;
    const Case cases[] = {
        {"arrival before the day", -30, kNone, true, "18:00-21:00"},
        {"both inside", 60, 150, true, "late 19:00-20:30 early"},
        {"departure past the day", kNone, 210, true, "18:00-21:00"},
        {"arrival at the start", 0, kNone, true, "late 18:00-21:00"},
        {"departure at the end", kNone, 180, true, "18:00-21:00 early"},
        {"arrival at the end", 180, kNone, false, "18:00-21:00"},
        {"arrival after the end", 210, kNone, false, "18:00-21:00"},
        {"departure at the start", kNone, 0, false, "18:00-21:00"},
        {"departure before the start", kNone, -30, false, "18:00-21:00"},
    };
    const auto sixPmPlus = [](int minutes) {
        TimeOfDay time;
        time.SetSeconds((18 * 60 + minutes) * 60);
        return time;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AttendanceRecord record;
        ASSERT_TRUE(record.SetTimes(c.arrival != kNone ? sixPmPlus(c.arrival) : At(17, 0),
                                    c.departure != kNone ? sixPmPlus(c.departure) : At(23, 0)));
        record.SetArrivesLate(c.arrival != kNone);
        record.SetLeavesEarly(c.departure != kNone);
        EXPECT_EQ(record.FitToDay(At(18, 0), At(21, 0)), c.fits);
        EXPECT_EQ(DescribeRecord(record), c.fitted);
    }
}

// One rule for what a day from 4pm to 7:30pm holds, whoever gives the times.
TEST(AttendancePlan, TheDayHoldsTimesInsideItWithTheArrivalFirst) {
    const TimeOfDay dayStart = At(16, 0);
    const TimeOfDay dayEnd = At(19, 30);
    const auto plan = [](bool late, TimeOfDay arrival, bool early, TimeOfDay departure) {
        return AttendancePlan{true, late, arrival, early, departure};
    };
    const struct {
        const char* name;
        AttendancePlan plan;
        const char* check;   // what an editor is told
        bool fits;           // whether an import or file keeps any time
        const char* fitted;  // late/early flags after fitting
    } cases[] = {
        {"the whole day", plan(false, At(0, 0), false, At(0, 0)), "", true, "--"},
        {"a short visit", plan(true, At(17, 0), true, At(17, 5)), "", true, "LE"},
        {"arrives at the start", plan(true, At(16, 0), false, At(0, 0)), "", true, "L-"},
        {"leaves at the end", plan(false, At(0, 0), true, At(19, 30)), "", true, "-E"},
        {"arrives before the day", plan(true, At(15, 0), true, At(18, 0)),
         "The arrival and departure times must lie within the day (4:00pm to 7:30pm)", true, "-E"},
        {"leaves after the day", plan(false, At(0, 0), true, At(20, 0)),
         "The arrival and departure times must lie within the day (4:00pm to 7:30pm)", true, "--"},
        {"leaves as the day starts", plan(true, At(15, 0), true, At(16, 0)),
         "The arrival and departure times must lie within the day (4:00pm to 7:30pm)", false, "-E"},
        {"arrives as the day ends", plan(true, At(19, 30), false, At(0, 0)),
         "The arrival time must be before the departure time", false, "L-"},
        {"arrives after leaving", plan(true, At(18, 0), true, At(17, 0)),
         "The arrival time must be before the departure time", false, "LE"},
        {"arrives and leaves at once", plan(true, At(18, 0), true, At(18, 0)),
         "The arrival time must be before the departure time", false, "LE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CheckAttendancePlan(c.plan, dayStart, dayEnd), c.check);
        AttendancePlan fitted = c.plan;
        EXPECT_EQ(FitAttendancePlan(fitted, dayStart, dayEnd), c.fits);
        EXPECT_EQ(std::string(fitted.arrivesLate ? "L" : "-") + (fitted.leavesEarly ? "E" : "-"),
                  c.fitted);
        if (c.fits) {
            EXPECT_EQ(CheckAttendancePlan(fitted, dayStart, dayEnd), "")
                << "what fits is what an editor accepts";
        }
    }
}

TEST(AttendanceRecord, IsPresentBetweenHonoursOnlyTheFlaggedTimes) {
    AttendanceRecord record;
    record.SetTimes(At(19, 0), At(20, 0));
    EXPECT_TRUE(record.IsPresentBetween(At(18, 0), At(21, 0)));
    record.SetArrivesLate(true);
    EXPECT_FALSE(record.IsPresentBetween(At(18, 55), At(19, 5)));
    EXPECT_TRUE(record.IsPresentBetween(At(19, 0), At(21, 0)));
    record.SetLeavesEarly(true);
    EXPECT_FALSE(record.IsPresentBetween(At(19, 0), At(20, 5)));
    EXPECT_TRUE(record.IsPresentBetween(At(19, 0), At(20, 0)));
}

class AttendeeOnADay : public ::testing::Test {
protected:
    TestDay day{Date(5, 3, 2024), At(18, 0), At(21, 0)};
    Attendee attendee{"Anna Smith"};
};

TEST_F(AttendeeOnADay, WithoutARecordAttendsTheWholeDay) {
    EXPECT_TRUE(attendee.IsAttending(&day));
    EXPECT_TRUE(attendee.IsAttending(day.GetDate()));
    EXPECT_FALSE(attendee.ArrivesLate(&day));
    EXPECT_FALSE(attendee.LeavesEarly(&day));
    EXPECT_EQ(attendee.GetStartTime(&day), At(18, 0));
    EXPECT_EQ(attendee.GetEndTime(&day), At(21, 0));
    EXPECT_EQ(attendee.FindRecord(&day), nullptr);
    EXPECT_EQ(attendee.FindRecord(static_cast<const AttendanceDay*>(nullptr)), nullptr);
}

TEST_F(AttendeeOnADay, SettingAStartTimeBeforeAnyPairFailsAndReportsMidnight) {
    UCStringError sink;
    EXPECT_FALSE(attendee.SetStartTime(&day, At(19, 0)));
    EXPECT_NE(attendee.FindRecord(&day), nullptr);
    EXPECT_EQ(sink.GetText(),
              "Error: Attempted to set a start time of 7:00pm which is later than or equal to the "
              "existing end time of 12:00am\n");
}

TEST_F(AttendeeOnADay, LateArrivalAndEarlyLeavingUseTheRecordsTimes) {
    ASSERT_TRUE(attendee.ResetAttendance(&day));
    EXPECT_TRUE(attendee.SetStartTime(&day, At(19, 0)));
    EXPECT_TRUE(attendee.SetEndTime(&day, At(20, 0)));
    EXPECT_EQ(attendee.GetStartTime(&day), At(18, 0));
    attendee.SetArrivesLate(&day, true);
    attendee.SetLeavesEarly(&day, true);
    EXPECT_EQ(attendee.GetStartTime(&day), At(19, 0));
    EXPECT_EQ(attendee.GetEndTime(&day), At(20, 0));

    EXPECT_EQ(attendee.SetAttending(&day, false), attendee.FindRecord(&day));
    EXPECT_FALSE(attendee.IsAttending(&day));
    EXPECT_EQ(attendee.SetAttending(nullptr, false), nullptr);
    EXPECT_FALSE(attendee.ResetAttendance(nullptr));
    EXPECT_FALSE(attendee.SetTimes(nullptr, At(18, 0), At(19, 0)));
}

TEST_F(AttendeeOnADay, ResetAttendanceAllDaysStopsAtTheFirstFailure) {
    TestDay second(Date(6, 3, 2024), At(18, 0), At(21, 0));
    TestDay backwards(Date(7, 3, 2024), At(21, 0), At(18, 0));
    TestDay fourth(Date(8, 3, 2024), At(17, 0), At(20, 0));

    TestSchedule empty;
    EXPECT_TRUE(attendee.ResetAttendanceAllDays(&empty));
    EXPECT_FALSE(attendee.ResetAttendanceAllDays(static_cast<const TestSchedule*>(nullptr)));

    UCStringError sink;
    TestSchedule schedule{{&day, &second, &backwards, &fourth}};
    EXPECT_FALSE(attendee.ResetAttendanceAllDays(&schedule));
    EXPECT_NE(attendee.FindRecord(&second), nullptr);
    EXPECT_EQ(attendee.FindRecord(&fourth), nullptr);
    EXPECT_FALSE(sink.GetText().empty());

    TestSchedule good{{&day, &fourth}};
    EXPECT_TRUE(attendee.ResetAttendanceAllDays(&good));
    EXPECT_EQ(attendee.FindRecord(&fourth)->GetStartTime(), At(17, 0));
}

TEST_F(AttendeeOnADay, CopiesTakeTheAttendanceButNotTheUrlOrPresentations) {
    Presentation talk("Careers Talk");
    attendee.SetUrl("https://example.org/anna");
    attendee.SetEmail("anna@example.org");
    attendee.AddPresentation(&talk);
    attendee.ResetAttendance(&day);
    attendee.SetAttending(&day, false);

    Attendee copy(attendee);
    EXPECT_EQ(copy.GetName(), "Anna Smith");
    EXPECT_EQ(copy.GetEmail(), "anna@example.org");
    EXPECT_EQ(copy.GetUrl(), "");
    EXPECT_FALSE(copy.AttendsPresentation(&talk));
    ASSERT_NE(copy.FindRecord(&day), nullptr);
    EXPECT_FALSE(copy.IsAttending(&day));

    Attendee assigned("Someone Else");
    assigned = attendee;
    EXPECT_EQ(assigned.GetName(), "Anna Smith");
    EXPECT_FALSE(assigned.IsAttending(&day));
    EXPECT_EQ(assigned.GetPresentations().Count(), 0u);
}

TEST_F(AttendeeOnADay, PresentationsAreAttendedOncePerNameAndNotOwned) {
    Presentation talk("Careers Talk");
    talk.SetDate(day.GetDate());
    ASSERT_TRUE(talk.SetTimes(At(19, 0), At(19, 30)));
    Presentation sameName("careers talk");

    EXPECT_FALSE(attendee.AddPresentation(nullptr));
    EXPECT_TRUE(attendee.AddPresentation(&talk));
    EXPECT_TRUE(attendee.AddPresentation(&sameName));
    EXPECT_EQ(attendee.GetPresentations().Count(), 1u);
    EXPECT_TRUE(attendee.AttendsPresentation(&talk));
    EXPECT_FALSE(attendee.AttendsPresentation(&sameName));

    EXPECT_TRUE(attendee.IsAtPresentation(day.GetDate(), At(19, 0)));
    EXPECT_FALSE(attendee.IsAtPresentation(day.GetDate(), At(19, 30)));
    EXPECT_FALSE(attendee.IsAtPresentation(Date(6, 3, 2024), At(19, 10)));

    attendee.RemovePresentation(&talk);
    EXPECT_FALSE(attendee.AttendsPresentation(&talk));
}

TEST(Attendee, ClassWordsTellPeopleApart) {
    Person person;
    Attendee attendee;
    EXPECT_STREQ(person.GetClassName(), "Person");
    EXPECT_STREQ(attendee.GetClassName(), "Attendee");
    EXPECT_EQ(attendee.GetDisplayName(), "");
}

// The kind answers what the class word used to, one for one, through any base pointer.
TEST(Attendee, EachClassSaysItsKindBesideItsClassWord) {
    const Person person;
    const Attendee attendee;
    const Teacher teacher;
    const Parent parent;
    const Pupil pupil;
    const struct {
        const Person* who;
        PersonKind kind;
        const char* word;
    } cases[] = {{&person, PersonKind::Person, "Person"},
                 {&attendee, PersonKind::Attendee, "Attendee"},
                 {&teacher, PersonKind::Teacher, "Teacher"},
                 {&parent, PersonKind::Parent, "Parent"},
                 {&pupil, PersonKind::Pupil, "Pupil"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        EXPECT_EQ(c.who->GetKind(), c.kind);
        EXPECT_STREQ(c.who->GetClassName(), c.word);
    }
}

TEST_F(AttendeeOnADay, AnEditorsTimesAreWrittenWholeOrNotAtAll) {
    UCStringError sink;
    ASSERT_TRUE(attendee.SetDayAttendance(&day, {false, true, At(19, 0), true, At(20, 0)}));
    EXPECT_FALSE(attendee.IsAttending(&day));
    EXPECT_EQ(attendee.GetStartTime(&day), At(19, 0));
    EXPECT_EQ(attendee.GetEndTime(&day), At(20, 0));

    EXPECT_FALSE(attendee.SetDayAttendance(&day, {true, true, At(20, 0), true, At(19, 0)}));
    EXPECT_EQ(sink.GetText(), "Error: The arrival time must be before the departure time\n");
    EXPECT_FALSE(attendee.IsAttending(&day)) << "nothing changed";
    EXPECT_EQ(attendee.GetStartTime(&day), At(19, 0));
    EXPECT_FALSE(attendee.SetDayAttendance(nullptr, {}));
}

TEST_F(AttendeeOnADay, AFilesTimesThatLeaveNoTimeMarkTheDayAbsent) {
    UCStringError sink;
    attendee.FitDayAttendance(&day, {true, true, At(17, 0), true, At(18, 0)});
    EXPECT_FALSE(attendee.IsAttending(&day));
    EXPECT_FALSE(attendee.ArrivesLate(&day));
    EXPECT_FALSE(attendee.LeavesEarly(&day));
    EXPECT_EQ(sink.GetText(),
              "Warning: The times of 'Anna Smith' on 05 Mar 2024 (5:00pm to 6:00pm) leave no time "
              "within the day's hours (6:00pm to 9:00pm), so they are marked as not attending "
              "that day\n");

    attendee.FitDayAttendance(&day, {true, true, At(17, 0), true, At(19, 0)});
    EXPECT_TRUE(attendee.IsAttending(&day));
    EXPECT_FALSE(attendee.ArrivesLate(&day)) << "an arrival before the day is the day's start";
    EXPECT_EQ(attendee.GetEndTime(&day), At(19, 0));

    // Hours that later leave the departure no time do the same, and say so to the caller.
    EXPECT_EQ(attendee.FitAttendanceToDay(&day, At(19, 0), At(21, 0)),
              "The times of 'Anna Smith' on 05 Mar 2024 (7:00pm to 7:00pm) leave no time within "
              "the day's hours (7:00pm to 9:00pm)");
    EXPECT_FALSE(attendee.IsAttending(&day));
    EXPECT_FALSE(attendee.LeavesEarly(&day));
    EXPECT_EQ(attendee.FitAttendanceToDay(&day, At(19, 0), At(21, 0)), "") << "already absent";
    EXPECT_EQ(sink.GetText(), "");
}
