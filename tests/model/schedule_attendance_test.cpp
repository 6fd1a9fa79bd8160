#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>

#include "model/day_fixture.h"
#include "model/presentation.h"

namespace {

// Sam has a one-slot request for each teacher.
class DayAttendance : public DayFixture {
protected:
    DayAttendance() {
        sam->AddRequest(ann, "Maths", 1, 1);
        sam->AddRequest(bob, "Art", 1, 1);
    }

    Presentation* AddTalk(const char* name, const Date& date, const char* from, const char* to) {
        auto talk = std::make_unique<Presentation>(name, "Hall", date, from, to);
        Presentation* raw = talk.get();
        EXPECT_TRUE(event->AddPresentation(std::move(talk)));
        return raw;
    }
};

TEST_F(DayAttendance, HoursChangeOnlyForADifferentTimeAndEmptyTheGrid) {
    Book(3, 0, 0);
    event->SetLocked(true);
    day->SetStartTime(At(18, 0));
    day->SetEndTime(At(22, 0));
    EXPECT_EQ(sink.GetText(), "");
    day->SetEndTime(At(21, 0));
    EXPECT_EQ(sink.GetText(), "Error: Cannot set event end time because the schedule is locked\n");
    day->SetStartTime(At(17, 0));
    EXPECT_EQ(sink.GetText(),
              "Error: Cannot set event start time because the schedule is locked\n");
    EXPECT_EQ(day->GetNumSlots(), 48);
    EXPECT_TRUE(day->ParentHasAppointments(parent));

    event->SetLocked(false);
    day->SetEndTime(At(21, 0));
    EXPECT_EQ(day->GetNumSlots(), 36);
    EXPECT_EQ(day->GetGrid().GetSlotCount(), 36u);
    EXPECT_FALSE(day->ParentHasAppointments(parent));
    EXPECT_TRUE(day->IsModified());
}

TEST_F(DayAttendance, SetDateMovesOnlyThatDaysPresentations) {
    Presentation* today = AddTalk("Careers", kDay, "19:00", "19:30");
    Presentation* other = AddTalk("Sixth form", Date(6, 3, 2024), "19:00", "19:30");
    EXPECT_TRUE(day->SetDate(Date(12, 3, 2024)));
    EXPECT_EQ(today->GetDate(), Date(12, 3, 2024));
    EXPECT_EQ(other->GetDate(), Date(6, 3, 2024));
    EXPECT_EQ(day->GetDate(), Date(12, 3, 2024));

    event->SetLocked(true);
    EXPECT_TRUE(day->SetDate(Date(12, 3, 2024)));
    EXPECT_FALSE(day->SetDate(kDay));
    EXPECT_EQ(sink.GetText(), "Error: Cannot set the event date because the schedule is locked\n");
    EXPECT_EQ(today->GetDate(), Date(12, 3, 2024));
}

TEST_F(DayAttendance, BreaksUnbookTheirSlots) {
    auto inBreak = Book(13, 0, 0);
    Book(14, 1, 1);
    day->AddTeacherBreaks(ann, At(19, 0), 2, 0);
    EXPECT_TRUE(ann->HasBreak(DateTime(kDay, At(19, 0))));
    EXPECT_TRUE(ann->HasBreak(DateTime(kDay, At(19, 5))));
    EXPECT_EQ(ann->GetBreakCount(), 2u);
    EXPECT_EQ(day->GetGrid().PeekBooking(13, 0), nullptr);
    EXPECT_EQ(day->GetTeacherSlotStatus(13, 0), SlotBreak);
    EXPECT_NE(day->GetGrid().PeekBooking(14, 1), nullptr);  // another teacher's

    // Past the close only the slots inside the day become breaks; after the close nothing.
    day->AddTeacherBreaks(bob, At(21, 50), 4, 0);
    EXPECT_EQ(bob->GetBreakCount(), 2u);
    day->AddTeacherBreaks(bob, At(22, 5), 2, 0);
    EXPECT_EQ(bob->GetBreakCount(), 2u);
    EXPECT_EQ(sink.GetText(), "");

    event->SetLocked(true);
    day->AddTeacherBreaks(ann, At(20, 0), 1, 0);
    EXPECT_EQ(sink.GetText(), "Error: Cannot add teacher breaks because the schedule is locked\n");
    EXPECT_EQ(ann->GetBreakCount(), 2u);
}

TEST_F(DayAttendance, HugeBreakLengthsAndSpreadsStayInsideTheDay) {
    day->AddTeacherBreaks(bob, At(21, 50), INT_MAX, 0);
    EXPECT_EQ(bob->GetBreakCount(), 2u);
    for (unsigned seed = 1; seed <= 5; ++seed) {
        std::srand(seed);
        day->AddTeacherBreaks(ann, At(21, 50), INT_MAX, INT_MAX);
    }
    for (unsigned i = 0; i < ann->GetBreakCount(); ++i) {
        EXPECT_GE(day->GetSlotForTime(ann->GetBreak(i).GetTime()), 46);
    }
    EXPECT_EQ(sink.GetText(), "");
}

// A change that only touches breaks, attendance or talks must still be offered for saving.
TEST_F(DayAttendance, EveryChangeOfBreaksAttendanceAndTalksMarksTheDay) {
    Presentation* talk = AddTalk("Careers", kDay, "21:00", "21:30");
    struct Case {
        const char* name;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"one break removed", [&] { day->RemoveTeacherBreak(ann, At(19, 0)); }},
        {"a break removed for all", [&] { day->RemoveBreakForAllTeachers(At(19, 0)); }},
        {"all breaks removed", [&] { day->RemoveAllTeacherBreaks(); }},
        {"attendance reset", [&] { day->ResetAttendanceTimes(); }},
        {"talk attended", [&] { EXPECT_TRUE(day->AttendPresentation(parent, talk)); }},
        {"talk dropped by leaving early",
         [&] {
             parent->SetTimes(day.get(), At(18, 0), At(20, 0));
             parent->SetLeavesEarly(day.get(), true);
             day->UnbookOutOfRangeForParent(parent);
             EXPECT_FALSE(parent->AttendsPresentation(talk));
         }},
        {"absence copied",
         [&] {
             Parent absent("Chris Jones");
             absent.SetAttending(day.get(), false);
             std::string log;
             day->EnforceAttendanceTimes(bob, &absent, log);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ann->AddBreak(DateTime(kDay, At(19, 0)));
        day->ClearModified();
        event->ClearModified();
        c.change();
        EXPECT_TRUE(day->IsModified());
    }
    EXPECT_EQ(sink.GetText(), "");
}

TEST_F(DayAttendance, ALockedBookingOutlastsANewBreak) {
    auto locked = Book(12, 0, 0);
    locked->SetLocked(true);
    day->AddTeacherBreaks(ann, At(19, 0), 1, 0);
    EXPECT_EQ(day->GetGrid().PeekBooking(12, 0), locked.get());
    EXPECT_EQ(sink.GetText(),
              "Error: Cannot remove an appointment because the schedule is locked\n");
}

TEST_F(DayAttendance, RandomSpreadShiftsEachTeachersBreakBySeededAmount) {
    std::set<int> shifts;
    for (unsigned seed = 1; seed <= 30; ++seed) {
        SCOPED_TRACE(seed);
        day->RemoveAllTeacherBreaks();
        std::srand(seed);
        int annShift = std::rand() % 3;
        int bobShift = std::rand() % 3;
        std::srand(seed);
        day->AddBreaksForAllTeachers(At(19, 0), 2, 3);
        for (auto [teacher, shift] : {std::pair{ann, annShift}, std::pair{bob, bobShift}}) {
            ASSERT_EQ(teacher->GetBreakCount(), 2u);
            EXPECT_EQ(teacher->GetBreak(0), DateTime(kDay, day->SlotToTime(12 + shift)));
            EXPECT_EQ(teacher->GetBreak(1), DateTime(kDay, day->SlotToTime(13 + shift)));
            shifts.insert(shift);
        }
    }
    EXPECT_EQ(shifts, (std::set<int>{0, 1, 2}));
}

TEST_F(DayAttendance, BreakRemovalsReachEveryDateOnlyWhenAskedForAll) {
    ann->AddBreak(DateTime(kDay, At(19, 0)));
    bob->AddBreak(DateTime(kDay, At(19, 0)));
    ann->AddBreak(DateTime(Date(6, 3, 2024), At(19, 0)));
    day->RemoveBreakForAllTeachers(At(19, 0));
    EXPECT_EQ(ann->GetBreakCount(), 1u);
    EXPECT_EQ(bob->GetBreakCount(), 0u);

    ann->AddBreak(DateTime(kDay, At(19, 5)));
    day->RemoveTeacherBreak(ann, At(19, 5));
    EXPECT_EQ(ann->GetBreakCount(), 1u);

    event->SetLocked(true);
    day->RemoveAllTeacherBreaks();
    EXPECT_EQ(sink.GetText(),
              "Error: Cannot remove teacher breaks because the schedule is locked\n");
    EXPECT_EQ(ann->GetBreakCount(), 1u);
    event->SetLocked(false);
    day->RemoveAllTeacherBreaks();
    EXPECT_EQ(ann->GetBreakCount(), 0u);
}

TEST_F(DayAttendance, PresentationAttendedUnbooksTheParentInItsSlots) {
    Presentation* talk = AddTalk("Careers", kDay, "19:00", "19:15");
    Book(13, 1, 1);  // 19:05, inside
    Book(15, 0, 0);  // 19:15, just after
    EXPECT_TRUE(day->AttendPresentation(parent, talk));
    EXPECT_TRUE(parent->AttendsPresentation(talk));
    EXPECT_EQ(day->GetGrid().PeekBooking(13, 1), nullptr);
    EXPECT_NE(day->GetGrid().PeekBooking(15, 0), nullptr);
    EXPECT_EQ(day->GetParentSlotStatus(13, parent), SlotPresentation);

    // Already at a presentation in those slots.
    Presentation* clash = AddTalk("Clash", kDay, "19:10", "19:20");
    EXPECT_FALSE(day->AttendPresentation(parent, clash));
    EXPECT_NE(day->GetGrid().PeekBooking(15, 0), nullptr);
    EXPECT_FALSE(
        day->AttendPresentation(parent, AddTalk("Elsewhere", Date(6, 3, 2024), "19:00", "19:30")));
    EXPECT_FALSE(day->AttendPresentation(nullptr, talk));
}

// A talk off the slot starts (from a file, or after the slot length changed) takes every slot
// it touches, for attending and for booking alike: never a parent at a talk and a teacher at once.
TEST_F(DayAttendance, ATalkOffTheSlotStartsTakesEverySlotItTouches) {
    struct Case {
        const char* name;
        const char* from;
        const char* to;
        std::set<int> taken;  // of slots 11 (18:55) to 16 (19:20)
    } cases[] = {
        {"on the slot starts", "19:00", "19:15", {12, 13, 14}},
        {"ends inside a slot", "19:00", "19:12", {12, 13, 14}},
        {"starts inside a slot", "19:03", "19:10", {12, 13}},
        {"inside one slot", "19:06", "19:09", {13}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        Presentation* talk = AddTalk(test.name, kDay, test.from, test.to);
        for (int slot = 11; slot <= 16; ++slot) {
            Book(slot, slot % 2, slot % 2);
        }
        ASSERT_TRUE(day->AttendPresentation(parent, talk));
        for (int slot = 11; slot <= 16; ++slot) {
            const bool taken = test.taken.count(slot) > 0;
            EXPECT_EQ(day->GetGrid().PeekBooking(slot, slot % 2) == nullptr, taken) << slot;
            EXPECT_EQ(day->GetParentSlotStatus(slot, parent),
                      taken ? SlotPresentation : SlotAppointment)
                << slot;
        }
        parent->RemovePresentation(talk);
        day->GetGrid().ClearBookings();
    }
}

TEST_F(DayAttendance, PresentationRefusedLeavesTheBookingsAlone) {
    Presentation* talk = AddTalk("Careers", kDay, "19:00", "19:30");
    Book(12, 0, 0);
    parent->SetTimes(day.get(), At(18, 0), At(19, 20));
    parent->SetLeavesEarly(day.get(), true);
    EXPECT_FALSE(day->AttendPresentation(parent, talk));  // gone by 19:20
    EXPECT_FALSE(parent->AttendsPresentation(talk));
    EXPECT_NE(day->GetGrid().PeekBooking(12, 0), nullptr);

    parent->SetLeavesEarly(day.get(), false);
    day->GetGrid().PeekBooking(12, 0)->SetLocked(true);
    EXPECT_FALSE(day->AttendPresentation(parent, talk));
    EXPECT_EQ(sink.GetText(),
              "Error: Cannot remove an appointment because the schedule is locked\n");
    EXPECT_FALSE(parent->AttendsPresentation(talk));
    EXPECT_NE(day->GetGrid().PeekBooking(12, 0), nullptr);

    // Booked with both teachers at 19:00 and only the second booking locked: the first stays.
    day->GetGrid().PeekBooking(12, 0)->SetLocked(false);
    Book(12, 1, 1)->SetLocked(true);
    EXPECT_FALSE(day->AttendPresentation(parent, talk));
    EXPECT_FALSE(parent->AttendsPresentation(talk));
    EXPECT_NE(day->GetGrid().PeekBooking(12, 0), nullptr);
    EXPECT_NE(day->GetGrid().PeekBooking(12, 1), nullptr);
}

TEST_F(DayAttendance, OutOfRangeBookingsGo) {
    Book(1, 0, 0);   // 18:05 with Ann, who arrives at 18:30
    Book(20, 1, 1);  // 19:40 with Bob, whose break it is
    ann->SetTimes(day.get(), At(18, 30), At(22, 0));
    ann->SetArrivesLate(day.get(), true);
    bob->AddBreak(DateTime(kDay, At(19, 40)));
    day->UnbookOutOfRangeAppointments();
    EXPECT_EQ(day->GetGrid().PeekBooking(1, 0), nullptr);
    EXPECT_EQ(day->GetGrid().PeekBooking(20, 1), nullptr);
    EXPECT_TRUE(day->IsModified());

    // A parent who does not come loses every booking and presentation of the day.
    Presentation* talk = AddTalk("Careers", kDay, "19:00", "19:30");
    parent->AddPresentation(talk);
    Book(30, 0, 0);
    parent->SetAttending(day.get(), false);
    day->UnbookOutOfRangeForParent(parent);
    EXPECT_FALSE(day->ParentHasAppointments(parent));
    EXPECT_FALSE(parent->AttendsPresentation(talk));

    event->SetLocked(true);
    day->UnbookOutOfRangeAppointments();
    EXPECT_EQ(sink.GetText(),
              "Error: Cannot unbook out of range appointments because the "
              "schedule is locked\n");
}

// On a locked event nobody is unbooked, so nobody loses a talk either: one message per person,
// not one per slot.
TEST_F(DayAttendance, OutOfRangeUnbookingOfOnePersonRefusesALockedEventWhole) {
    Presentation* talk = AddTalk("Careers", kDay, "19:00", "19:30");
    ann->AddPresentation(talk);
    parent->AddPresentation(talk);
    Book(1, 0, 0);
    ann->SetAttending(day.get(), false);
    parent->SetAttending(day.get(), false);
    event->SetLocked(true);
    event->ClearModified();
    const char* const locked =
        "Error: Cannot remove an appointment because the schedule is locked\n";

    day->UnbookOutOfRangeForTeacher(0);
    EXPECT_EQ(sink.GetText(), locked);
    day->UnbookOutOfRangeForParent(parent);
    EXPECT_EQ(sink.GetText(), locked);
    EXPECT_TRUE(ann->AttendsPresentation(talk));
    EXPECT_TRUE(parent->AttendsPresentation(talk));
    EXPECT_NE(day->GetGrid().PeekBooking(1, 0), nullptr);
    EXPECT_FALSE(day->IsModified());
}

TEST_F(DayAttendance, ParentLeavingEarlyLosesLateBookingsAndTalks) {
    Presentation* talk = AddTalk("Careers", kDay, "21:00", "21:30");
    parent->AddPresentation(talk);
    Book(10, 0, 0);  // 18:50
    Book(40, 1, 1);  // 21:20
    parent->SetTimes(day.get(), At(18, 0), At(20, 0));
    parent->SetLeavesEarly(day.get(), true);
    day->UnbookOutOfRangeForParent(parent);
    EXPECT_NE(day->GetGrid().PeekBooking(10, 0), nullptr);
    EXPECT_EQ(day->GetGrid().PeekBooking(40, 1), nullptr);
    EXPECT_FALSE(parent->AttendsPresentation(talk));
}

// A talk off the slot starts (a file's, or one a new slot length left so) takes every slot it
// touches, so a person away for any of them is not at the talk, as attending it now would be
// refused: the unbooking after an editor's OK must drop it, or the family's sheet sends them
// to a talk they have already left.
TEST_F(DayAttendance, ATalkOffTheSlotStartsGoesWhenAnySlotItTouchesIsOutsideTheirHours) {
    const AttendancePlan leaves1930{true, false, {}, true, At(19, 30)};
    struct Case {
        const char* name;
        bool teacher;  // Ann, else the parent
        AttendancePlan plan;
        const char* from;
        const char* to;
        bool kept;
    };
    const Case cases[] = {
        {"leaves before a talk on the slot starts", false, leaves1930, "19:30", "19:45", false},
        {"leaves before a talk within one slot", false, leaves1930, "19:31", "19:34", false},
        {"leaves between slot starts before a talk within one slot",
         false,
         {true, false, {}, true, At(19, 30, 30)},
         "19:31",
         "19:34",
         false},
        {"arrives after a talk that starts inside a slot",
         false,
         {true, true, At(18, 10), false, {}},
         "18:07",
         "18:20",
         false},
        {"teacher leaves before a talk within one slot", true, leaves1930, "19:31", "19:34", false},
        {"leaves after the slot the talk lies in",
         false,
         {true, false, {}, true, At(19, 35)},
         "19:31",
         "19:34",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Attendee* person = c.teacher ? static_cast<Attendee*>(ann) : parent;
        Presentation* talk = AddTalk(c.name, kDay, c.from, c.to);
        ASSERT_TRUE(day->AttendPresentation(person, talk));
        ASSERT_TRUE(person->SetDayAttendance(day.get(), c.plan));
        (void)day->UnbookOutOfRangeAppointments();
        EXPECT_EQ(person->AttendsPresentation(talk), c.kept);
        person->RemovePresentation(talk);
        ASSERT_TRUE(person->ResetAttendance(day.get()));
    }
}

// A talk lies within someone's hours when its own start and end do: a family arriving as it
// begins, or a speaker leaving as it ends, is there for all of it though not for all of its first
// or last slot. Attending it is allowed and the unbooking after an editor's OK keeps it.
TEST_F(DayAttendance, SomeoneThereForTheWholeTalkKeepsItWhicheverSlotTheyArriveOrLeaveIn) {
    struct Case {
        const char* name;
        bool teacher;  // Ann, else the parent
        AttendancePlan plan;
        const char* welcome;  // the start of a talk they attend before it, "" for none
        bool attendable;
        bool kept;  // by the unbooking, once attended
    };
    const Case cases[] = {
        {"family arriving as it starts",
         false,
         {true, true, At(18, 15), false, {}},
         "",
         true,
         true},
        {"family leaving as it ends", false, {true, false, {}, true, At(18, 45)}, "", true, true},
        {"speaker arriving as it starts",
         true,
         {true, true, At(18, 15), false, {}},
         "",
         true,
         true},
        {"speaker leaving as it ends", true, {true, false, {}, true, At(18, 45)}, "", true, true},
        {"family there from its start to its end",
         false,
         {true, true, At(18, 15), true, At(18, 45)},
         "",
         true,
         true},
        {"family arriving after it starts",
         false,
         {true, true, At(18, 20), false, {}},
         "",
         false,
         false},
        {"speaker leaving before it ends",
         true,
         {true, false, {}, true, At(18, 40)},
         "",
         false,
         false},
        {"family away", false, {false, false, {}, false, {}}, "", false, false},
        {"family at another talk in the slot they arrive during",
         false,
         {true, true, At(18, 15), false, {}},
         "18:15",
         false,
         true},
    };
    ASSERT_TRUE(event->SetSlotLength(600));
    day->GetGrid().ResizeForDay(*day);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Attendee* person = c.teacher ? static_cast<Attendee*>(ann) : parent;
        Presentation* talk = AddTalk(c.name, kDay, *c.welcome != '\0' ? "18:18" : "18:15", "18:45");
        Presentation* welcome = nullptr;
        if (*c.welcome != '\0') {
            welcome = AddTalk((std::string(c.name) + " welcome").c_str(), kDay, c.welcome, "18:18");
            ASSERT_TRUE(person->AddPresentation(welcome));
        }
        ASSERT_TRUE(person->SetDayAttendance(day.get(), c.plan));
        EXPECT_EQ(day->AttendPresentation(person, talk), c.attendable);
        EXPECT_EQ(person->AttendsPresentation(talk), c.attendable);

        ASSERT_TRUE(person->AddPresentation(talk));
        (void)day->UnbookOutOfRangeAppointments();
        EXPECT_EQ(person->AttendsPresentation(talk), c.kept);
        person->RemovePresentation(talk);
        person->RemovePresentation(welcome);
        ASSERT_TRUE(person->ResetAttendance(day.get()));
        ASSERT_TRUE(person->SetAttending(day.get(), true));
    }
    EXPECT_EQ(sink.GetText(), "");
}

TEST_F(DayAttendance, AttendanceTimesCopiedWithALog) {
    Parent other("Chris Jones");
    other.SetTimes(day.get(), At(19, 0), At(21, 0));
    other.SetArrivesLate(day.get(), true);
    other.SetLeavesEarly(day.get(), true);
    std::string log;
    EXPECT_TRUE(day->EnforceAttendanceTimes(parent, &other, log));
    EXPECT_EQ(log,
              "New arrival time for Pat Jones: 7:00pm\nNew leaving time for Pat Jones: 9:00pm\n");
    EXPECT_EQ(parent->GetStartTime(day.get()), At(19, 0));
    EXPECT_EQ(parent->GetEndTime(day.get()), At(21, 0));

    log.clear();
    other.SetAttending(day.get(), false);
    EXPECT_TRUE(day->EnforceAttendanceTimes(parent, &other, log));
    EXPECT_EQ(log, "Marked as not attending: Pat Jones\n");
    EXPECT_FALSE(parent->IsAttending(day.get()));

    log.clear();
    EXPECT_FALSE(day->EnforceAttendanceTimes(parent, nullptr, log));
    EXPECT_EQ(log, "ERROR: Null pointer\n");
    EXPECT_EQ(sink.GetText(), "");
}

TEST_F(DayAttendance, ResetAndEnforceTimeLimits) {
    ann->SetTimes(day.get(), At(19, 0), At(23, 0));
    ann->SetArrivesLate(day.get(), true);
    ann->SetLeavesEarly(day.get(), true);
    day->ResetAttendanceTimes();
    EXPECT_FALSE(ann->ArrivesLate(day.get()));
    EXPECT_FALSE(ann->LeavesEarly(day.get()));

    event->SetLocked(true);
    day->ResetAttendanceTimes();
    day->EnforceTimeBoundaries();
    EXPECT_EQ(sink.GetText(),
              "Error: Cannot reset attendance times because the schedule is locked\n"
              "Error: Cannot enforce time boundaries because the schedule is locked\n");
}

// A time between slot starts (a leaving time of "6:15:59 PM", an arrival after a new start) is
// read by one rule everywhere: a slot is the person's only when all of it lies within their
// hours. The status, every cell a placement asks about, the optimiser's moves and the
// unbooking after an editor's OK all agree, so nothing is booked where it is then unbooked.
class SlotRule : public DayFixture {
protected:
    SlotRule() {
        sam->AddRequest(ann, "Maths", 1, 1);
        sam->AddRequest(bob, "Art", 1, 2);  // two slots long
    }
};

TEST_F(SlotRule, EveryRoadTakesASlotAsThePersonsOnlyWhenTheWholeSlotIsWithinTheirHours) {
    struct Case {
        const char* name;
        bool teacher;  // Bob's hours, else the parent's
        bool arrives;  // a late arrival, else an early leaving
        TimeOfDay time;
        int firstWithin;  // their slots are [firstWithin, lastWithin)
        int lastWithin;
    };
    const Case cases[] = {
        {"parent leaves between slot starts", false, false, At(18, 15, 59), 0, 3},
        {"parent leaves on a slot start", false, false, At(18, 15), 0, 3},
        {"teacher leaves between slot starts", true, false, At(18, 22, 30), 0, 4},
        {"parent arrives between slot starts", false, true, At(18, 2), 1, 48},
        {"teacher arrives between slot starts", true, true, At(21, 41), 45, 48},
        {"teacher arrives on a slot start", true, true, At(21, 40), 44, 48},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        day->GetGrid().ClearBookings();
        Attendee* person = c.teacher ? static_cast<Attendee*>(bob) : parent;
        ASSERT_TRUE(
            person->SetDayAttendance(day.get(), {true, c.arrives, c.arrives ? c.time : TimeOfDay(),
                                                 !c.arrives, c.arrives ? TimeOfDay() : c.time}));
        const auto within = [&](int slot) { return slot >= c.firstWithin && slot < c.lastWithin; };
        const auto twoSlots = std::make_shared<Appointment>(sam->GetRequest(1));
        for (int slot = 0; slot < day->GetNumSlots(); ++slot) {
            EXPECT_EQ(day->GetPersonSlotStatus(slot, person),
                      within(slot) ? SlotFree : SlotUnavailable)
                << slot;
            EXPECT_EQ(day->CanPlaceAppointment(twoSlots, 1, slot), within(slot) && within(slot + 1))
                << slot;
        }
        // Booking by the first free slot, then each move the optimiser could try.
        int booked = -1;
        ASSERT_TRUE(day->BookInFirstFreeSlot(twoSlots, 1, &booked));
        EXPECT_TRUE(within(booked) && within(booked + 1)) << booked;
        for (int to = 0; to < day->GetNumSlots(); ++to) {
            if (day->MoveCheck(1, booked, to)) {
                EXPECT_TRUE(within(to) && within(to + 1)) << to;
            }
        }
        day->GetGrid().ClearBookings();

        // Two-slot bookings on both sides of the edge (one across an arrival): the one that is
        // not wholly within goes, and is answered.
        const int outside = c.arrives ? c.firstWithin - 1 : c.lastWithin;
        const int inside = c.arrives ? c.firstWithin + 1 : c.lastWithin - 2;
        Book(outside, 1, 1);
        Book(inside, 1, 1);
        const std::vector<Schedule::Unbooked> taken = day->UnbookOutOfRangeAppointments();
        ASSERT_EQ(taken.size(), 1u);
        EXPECT_EQ(taken[0].slot, outside);
        EXPECT_EQ(taken[0].row, 1);
        EXPECT_EQ(day->GetGrid().PeekBooking(outside, 1), nullptr);
        EXPECT_NE(day->GetGrid().PeekBooking(inside, 1), nullptr);
        ASSERT_TRUE(person->ResetAttendance(day.get()));
    }
    EXPECT_EQ(sink.GetText(), "");
}

}  // namespace
