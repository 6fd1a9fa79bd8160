#include <gtest/gtest.h>

#include <vector>

#include "model/teacher.h"

namespace {

const Date kDay(5, 3, 2024);
const Date kOtherDay(6, 3, 2024);

DateTime Slot(const Date& date, int hours, int minutes) {
    return DateTime(date, TimeOfDay(hours, minutes, 0));
}

std::vector<DateTime> BreaksOf(const Teacher& teacher) {
    std::vector<DateTime> breaks;
    for (unsigned i = 0; i < teacher.GetBreakCount(); ++i) {
        breaks.push_back(teacher.GetBreak(i));
    }
    return breaks;
}

}  // namespace

TEST(Teacher, NewTeacherHasTheDefaults) {
    Teacher teacher("Ms Jones");
    EXPECT_STREQ(teacher.GetClassName(), "Teacher");
    EXPECT_EQ(teacher.GetDisplayName(), "Ms Jones");
    EXPECT_EQ(teacher.GetApptLength(), 1);
    EXPECT_EQ(teacher.GetPriority(), 1);
    EXPECT_EQ(teacher.GetBreakCount(), 0u);
    EXPECT_TRUE(teacher.GetSubjects().empty());
}

TEST(Teacher, BreaksStayOrderedWithoutDuplicates) {
    Teacher teacher;
    for (int minutes : {19 * 60, 18 * 60 + 30, 19 * 60, 18 * 60 + 45}) {
        EXPECT_TRUE(teacher.AddBreak(Slot(kDay, minutes / 60, minutes % 60)));
    }
    teacher.AddBreak(Slot(kOtherDay, 17, 0));
    const std::vector<DateTime> expected = {Slot(kDay, 18, 30), Slot(kDay, 18, 45),
                                            Slot(kDay, 19, 0), Slot(kOtherDay, 17, 0)};
    EXPECT_EQ(BreaksOf(teacher), expected);
    EXPECT_TRUE(teacher.HasBreak(Slot(kDay, 18, 45)));
    EXPECT_FALSE(teacher.HasBreak(Slot(kOtherDay, 18, 45)));
}

TEST(Teacher, GetBreakPastTheEndIsAnInvalidDateTime) {
    Teacher teacher;
    teacher.AddBreak(Slot(kDay, 18, 30));
    EXPECT_FALSE(teacher.GetBreak(1).GetDate().IsValid());
    EXPECT_EQ(teacher.GetBreak(1).GetTime(), TimeOfDay());
}

TEST(Teacher, RemoveBreakOnDateCountsOnlyThatDatesBreaks) {
    Teacher teacher;
    teacher.AddBreak(Slot(kDay, 18, 30));
    teacher.AddBreak(Slot(kDay, 19, 0));
    teacher.AddBreak(Slot(kOtherDay, 18, 0));

    EXPECT_FALSE(teacher.RemoveBreakOnDate(kDay, 2));
    EXPECT_FALSE(teacher.RemoveBreakOnDate(kDay, -1));
    EXPECT_EQ(teacher.GetBreakCount(), 3u);
    EXPECT_TRUE(teacher.RemoveBreakOnDate(kDay, 1));
    EXPECT_EQ(BreaksOf(teacher),
              (std::vector<DateTime>{Slot(kDay, 18, 30), Slot(kOtherDay, 18, 0)}));

    EXPECT_TRUE(teacher.RemoveBreakOnDate(kOtherDay, 0));
    EXPECT_FALSE(teacher.RemoveBreakOnDate(kOtherDay, 0));
}

TEST(Teacher, RemovingBreaksByValueIndexOrAll) {
    Teacher teacher;
    teacher.AddBreak(Slot(kDay, 18, 30));
    teacher.AddBreak(Slot(kDay, 19, 0));
    teacher.RemoveBreak(Slot(kDay, 20, 0));
    EXPECT_EQ(teacher.GetBreakCount(), 2u);
    teacher.RemoveBreak(Slot(kDay, 18, 30));
    EXPECT_EQ(BreaksOf(teacher), std::vector<DateTime>{Slot(kDay, 19, 0)});
    EXPECT_FALSE(teacher.RemoveBreakAt(1));
    EXPECT_TRUE(teacher.RemoveBreakAt(0));
    teacher.AddBreak(Slot(kDay, 18, 0));
    teacher.ClearBreaks();
    EXPECT_EQ(teacher.GetBreakCount(), 0u);
}

TEST(Teacher, AssignmentReplacesTheBreaksAndCopiesTheTeachersFields) {
    Teacher source("Mr Brown");
    source.SetInitials("BR");
    source.SetLocation("Room 4");
    source.SetMeetingLink("https://meet.example.org/br");
    source.SetApptLength(2);
    source.SetPriority(2);
    source.SetUrl("https://example.org/br");
    source.AddSubject("Maths");
    source.AddBreak(Slot(kDay, 19, 0));
    source.SetRequestedSlotTally(7);

    Teacher target("Ms Jones");
    target.AddBreak(Slot(kDay, 18, 0));
    target.SetRequestedSlotTally(3);
    target = source;
    EXPECT_EQ(target.GetName(), "Mr Brown");
    EXPECT_EQ(BreaksOf(target), std::vector<DateTime>{Slot(kDay, 19, 0)});
    EXPECT_EQ(target.GetInitials(), "BR");
    EXPECT_EQ(target.GetLocation(), "Room 4");
    EXPECT_EQ(target.GetMeetingLink(), "https://meet.example.org/br");
    EXPECT_EQ(target.GetApptLength(), 2);
    EXPECT_EQ(target.GetPriority(), 2);
    EXPECT_EQ(target.GetSubjects(), std::set<std::string>{"Maths"});
    EXPECT_EQ(target.GetUrl(), "");
    EXPECT_EQ(target.GetRequestedSlotTally(), 3);

    Teacher copy(source);
    EXPECT_EQ(BreaksOf(copy), BreaksOf(source));
    EXPECT_EQ(copy.GetInitials(), "BR");
    EXPECT_EQ(copy.GetApptLength(), 2);
    EXPECT_EQ(copy.GetUrl(), "");
    // Breaks are the copy's own.
    copy.ClearBreaks();
    EXPECT_EQ(source.GetBreakCount(), 1u);
}

// The parts of a slot a break stands for live as long as that break: they move with its date,
// go with the break, are copied with the teacher, and a break added again by hand is the whole
// slot once more.
TEST(Teacher, ABreaksPartLastsAsLongAsTheBreakItBelongsTo) {
    // Two breaks' minutes with free minutes between them, met by one slot.
    const std::vector<Teacher::BreakPart> parts{{TimeOfDay(18, 15, 0), TimeOfDay(18, 17, 30)},
                                                {TimeOfDay(18, 20, 0), TimeOfDay(18, 22, 30)}};
    struct Case {
        const char* name;
        void (*change)(Teacher&);
        DateTime where;  // of the break afterwards
        bool part;
    };
    const Case cases[] = {
        {"left alone", [](Teacher&) {}, Slot(kDay, 18, 15), true},
        {"added again by hand", [](Teacher& t) { t.AddBreak(Slot(kDay, 18, 15)); },
         Slot(kDay, 18, 15), false},
        {"removed and added again",
         [](Teacher& t) {
             t.RemoveBreak(Slot(kDay, 18, 15));
             t.AddBreak(Slot(kDay, 18, 15));
         },
         Slot(kDay, 18, 15), false},
        {"its day moved",
         [](Teacher& t) {
             t.MoveBreaks({{kDay, kOtherDay}});
         },
         Slot(kOtherDay, 18, 15), true},
        {"another day moved onto its date",
         [](Teacher& t) {
             t.MoveBreaks({{kOtherDay, kDay}});
         },
         Slot(kDay, 18, 15), false},
        {"copied", [](Teacher& t) { t = Teacher(t); }, Slot(kDay, 18, 15), true},
        {"all breaks cleared, one added",
         [](Teacher& t) {
             t.ClearBreaks();
             t.AddBreak(Slot(kDay, 18, 15));
         },
         Slot(kDay, 18, 15), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Teacher teacher("Ms Jones");
        teacher.AddBreak(Slot(kDay, 18, 15));
        teacher.SetBreakParts(Slot(kDay, 18, 15), parts);
        c.change(teacher);
        EXPECT_EQ(teacher.GetBreakParts(c.where),
                  c.part ? parts : std::vector<Teacher::BreakPart>{});
        EXPECT_EQ(teacher.GetBreakParts(Slot(kDay, 18, 30)), std::vector<Teacher::BreakPart>{});
    }
}
