#include <gtest/gtest.h>

#include <memory>

#include "model/event.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

// A 48-slot evening with two teachers in different rooms, on a fixed date.
class DayScoring : public ::testing::Test {
protected:
    void SetUp() override {
        event = std::make_shared<Event>();
        for (const char* name : {"Ann Xavier", "Ben Young"}) {
            auto teacher = std::make_unique<Teacher>(name);
            teachers.push_back(teacher.get());
            EXPECT_TRUE(event->AddTeacher(std::move(teacher)));
        }
        day = std::make_unique<Schedule>(event);
        day->SetDate(Date(5, 3, 2024));
    }

    Pupil* AddPupil(Parent* parent, const char* name) {
        auto pupil = std::make_unique<Pupil>(name);
        Pupil* kept = pupil.get();
        parent->AddPupil(std::move(pupil));
        return kept;
    }

    Parent* AddFamily(const char* name) {
        auto parent = std::make_unique<Parent>(name);
        Parent* kept = parent.get();
        EXPECT_TRUE(event->AddParent(std::move(parent)));
        return kept;
    }

    // Puts a one-slot request of the pupil straight into the grid, past the placement rules.
    void Put(Pupil* pupil, int row, int slot) {
        pupil->AddRequest(teachers[row], "Subject " + std::to_string(pupil->GetRequestCount()), 1,
                          1);
        auto booking =
            std::make_shared<Appointment>(pupil->GetRequest(pupil->GetRequestCount() - 1));
        ASSERT_TRUE(day->GetGrid().PutBooking(slot, row, booking));
    }

    void SetOptions(void (*change)(ScheduleOptions&)) {
        ScheduleOptions options = event->GetOptions();
        change(options);
        event->SetOptions(options);
    }

    DateTime SlotDateTime(int slot) {
        DateTime when;
        day->GetSlotDateTime(slot, &when);
        return when;
    }

    std::shared_ptr<Event> event;
    std::vector<Teacher*> teachers;
    std::unique_ptr<Schedule> day;
};

TEST_F(DayScoring, ATeacherWaitingBeyondTheAllowedGapIsChargedTheExcess) {
    Pupil* pupil = AddPupil(AddFamily("Pat One"), "Sue One");
    Put(pupil, 0, 0);
    Put(pupil, 0, 5);
    Score score = day->ScoreTeacher(0);
    EXPECT_EQ(score.TeacherWaiting, 1u);
    EXPECT_EQ(score.Attendance, 5u);
    EXPECT_EQ(score.TeacherOverBlock, 0u);
}

TEST_F(DayScoring, BreakSlotsCountAsWaitingOnlyWhenAskedTo) {
    Pupil* pupil = AddPupil(AddFamily("Pat One"), "Sue One");
    Put(pupil, 0, 0);
    Put(pupil, 0, 5);
    for (int s = 1; s <= 4; ++s) {
        teachers[0]->AddBreak(SlotDateTime(s));
    }
    EXPECT_EQ(day->ScoreTeacher(0).TeacherWaiting, 0u);
    SetOptions([](ScheduleOptions& o) { o.TeacherCountBreaks = true; });
    EXPECT_EQ(day->ScoreTeacher(0).TeacherWaiting, 1u);
}

TEST_F(DayScoring, EveryBusySlotPastTheAllowedBlockIsCharged) {
    Pupil* pupil = AddPupil(AddFamily("Pat One"), "Sue One");
    for (int s = 0; s < 30; ++s) {
        Put(pupil, 0, s);
    }
    Score score = day->ScoreTeacher(0);
    EXPECT_EQ(score.TeacherOverBlock, 6u);
    EXPECT_EQ(score.TeacherWaiting, 0u);
    EXPECT_EQ(score.SiblingSeparation, 0u);
}

TEST_F(DayScoring, CountingTheInitialGapWalksFromTheStartOfTheDay) {
    Pupil* pupil = AddPupil(AddFamily("Pat One"), "Sue One");
    Put(pupil, 0, 8);
    Put(pupil, 0, 10);
    EXPECT_EQ(day->ScoreTeacher(0).TeacherWaiting, 0u);
    EXPECT_EQ(day->ScoreTeacher(0).Attendance, 2u);
    SetOptions([](ScheduleOptions& o) { o.TeacherCountInitGap = true; });
    Score score = day->ScoreTeacher(0);
    EXPECT_EQ(score.TeacherWaiting, 5u);
    EXPECT_EQ(score.Attendance, 10u);
}

TEST_F(DayScoring, SlotsBeforeATeachersLateArrivalAreNotWaiting) {
    Pupil* pupil = AddPupil(AddFamily("Pat One"), "Sue One");
    Put(pupil, 0, 0);  // booked before the teacher said they would come late
    Put(pupil, 0, 7);
    teachers[0]->SetTimes(day.get(), day->SlotToTime(3), day->GetEndTime());
    teachers[0]->SetArrivesLate(day.get(), true);
    EXPECT_EQ(day->GetTeacherSlotStatus(1, 0), SlotUnavailable);
    EXPECT_EQ(day->ScoreTeacher(0).TeacherWaiting, 1u);  // only slots 3-6 wait
}

TEST_F(DayScoring, APresentationIsBusyForTheTeacher) {
    Pupil* pupil = AddPupil(AddFamily("Pat One"), "Sue One");
    Put(pupil, 0, 0);
    Put(pupil, 0, 9);
    auto talk = std::make_unique<Presentation>("Careers");
    talk->SetDate(day->GetDate());
    talk->SetTimes(day->SlotToTime(4), day->SlotToTime(5));
    Presentation* kept = talk.get();
    ASSERT_TRUE(event->AddPresentation(std::move(talk)));
    teachers[0]->AddPresentation(kept);
    // Free 1-3 and 5-8: two waits of 3 and 4 slots, only the second beyond the gap of 3.
    EXPECT_EQ(day->ScoreTeacher(0).TeacherWaiting, 1u);
}

TEST_F(DayScoring, AParentWaitingBeyondTheAllowedGapIsChargedTheExcess) {
    Parent* parent = AddFamily("Pat One");
    Pupil* pupil = AddPupil(parent, "Sue One");
    Put(pupil, 0, 2);
    Put(pupil, 1, 9);
    Score score = day->ScoreParent(parent);
    EXPECT_EQ(score.ParentWaiting, 2u);
    EXPECT_EQ(score.Attendance, 7u);
    SetOptions([](ScheduleOptions& o) { o.ParentCountInitGap = true; });
    score = day->ScoreParent(parent);
    EXPECT_EQ(score.ParentWaiting, 2u);  // the two slots before the first are within the gap
    EXPECT_EQ(score.Attendance, 9u);
}

TEST_F(DayScoring, AnUnavailableSlotEndsAParentsWaitingRun) {
    Parent* parent = AddFamily("Pat One");
    Pupil* pupil = AddPupil(parent, "Sue One");
    Put(pupil, 0, 0);
    Put(pupil, 1, 14);
    // Leaving at slot 7: the run 1-6 is charged 2 and the slots after it are unavailable.
    parent->SetTimes(day.get(), day->GetStartTime(), day->SlotToTime(7));
    parent->SetLeavesEarly(day.get(), true);
    EXPECT_EQ(day->ScoreParent(parent).ParentWaiting, 2u);
}

TEST_F(DayScoring, SiblingsSeenApartByOneTeacherAreChargedTheSlotsBetween) {
    Parent* parent = AddFamily("Pat One");
    Pupil* first = AddPupil(parent, "Sue One");
    Pupil* second = AddPupil(parent, "Tom One");
    Put(first, 0, 3);
    Put(second, 0, 6);
    EXPECT_EQ(day->ScoreAppointment(0, 6).SiblingSeparation, 2u);
    EXPECT_EQ(day->ScoreAppointment(0, 3).SiblingSeparation, 0u);
    EXPECT_EQ(day->ScoreTeacher(0).SiblingSeparation, 2u);
    EXPECT_EQ(day->GetScore().SiblingSeparation, 2u);
    SetOptions([](ScheduleOptions& o) { o.BringTwinsTogether = false; });
    EXPECT_EQ(day->ScoreAppointment(0, 6).SiblingSeparation, 0u);
    EXPECT_EQ(day->ScoreTeacher(0).SiblingSeparation, 0u);
}

TEST_F(DayScoring, TheSecondSlotOfALongAppointmentIsNotASibling) {
    Parent* parent = AddFamily("Pat One");
    Pupil* pupil = AddPupil(parent, "Sue One");
    pupil->AddRequest(teachers[0], "Maths", 1, 2);
    ASSERT_TRUE(
        day->GetGrid().PutBooking(4, 0, std::make_shared<Appointment>(pupil->GetRequest(0))));
    EXPECT_EQ(day->ScoreTeacher(0).SiblingSeparation, 0u);
    EXPECT_EQ(day->ScoreAppointment(0, 5).SiblingSeparation, 0u);
}

TEST_F(DayScoring, ADayScoreIsTheSumOfItsTeachersAndParents) {
    Parent* a = AddFamily("Pat One");
    Parent* b = AddFamily("Kim Two");
    AddFamily("Lee Three");  // no appointments: scores nothing
    Pupil* sue = AddPupil(a, "Sue One");
    Pupil* tom = AddPupil(a, "Tom One");
    Pupil* ada = AddPupil(b, "Ada Two");
    Put(sue, 0, 1);
    Put(tom, 0, 9);
    Put(ada, 1, 2);
    Put(ada, 1, 20);
    Put(sue, 1, 30);
    Score expected;
    for (int row = 0; row < 2; ++row) {
        expected += day->ScoreTeacher(row);
    }
    expected += day->ScoreParent(a);
    expected += day->ScoreParent(b);
    Score total = day->GetScore();
    EXPECT_EQ(total.TeacherWaiting, expected.TeacherWaiting);
    EXPECT_EQ(total.ParentWaiting, expected.ParentWaiting);
    EXPECT_EQ(total.SiblingSeparation, expected.SiblingSeparation);
    EXPECT_EQ(total.Attendance, expected.Attendance);
    EXPECT_EQ(total.Unbooked, 0u);
    EXPECT_GT(total.ParentWaiting, 0u);
    EXPECT_EQ(total.SiblingSeparation, 7u + 17u);  // siblings in row 0, one child twice in row 1
}

TEST_F(DayScoring, NoAppointmentsScoreNothing) {
    Parent* parent = AddFamily("Pat One");
    AddPupil(parent, "Sue One");
    Score score = day->GetScore();
    EXPECT_EQ(score.GetValue(), 0);
    EXPECT_EQ(score.Attendance, 0u);
    EXPECT_EQ(day->ScoreParent(parent).Attendance, 0u);
    EXPECT_EQ(day->ScoreTeacher(7).Attendance, 0u);  // no such teacher
    EXPECT_EQ(day->ScoreParent(nullptr).Attendance, 0u);
}

}  // namespace
