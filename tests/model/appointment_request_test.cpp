#include <gtest/gtest.h>

#include <memory>

#include "model/appointment_request.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"

TEST(AppointmentRequest, LengthFallsBackToTheTeachersThenToOne) {
    Teacher teacher("Ms Jones");
    teacher.SetApptLength(2);
    struct Case {
        int own;
        Teacher* teacher;
        int expected;
    };
    const Case cases[] = {{-1, &teacher, 2}, {0, &teacher, 2}, {3, &teacher, 3},
                          {-1, nullptr, 1},  {0, nullptr, 1},  {4, nullptr, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.own);
        AppointmentRequest request(nullptr, c.teacher, "", 1, c.own);
        EXPECT_EQ(request.GetLength(), c.expected);
        EXPECT_EQ(request.GetOwnLength(), c.own);
    }
}

// A request that covered no slot would let the booking put a parent in two places at once.
TEST(AppointmentRequest, ATeacherLengthBelowOneStillAsksForOneSlot) {
    Teacher teacher("Ms Jones");
    for (int teacherLength : {0, -2}) {
        SCOPED_TRACE(teacherLength);
        teacher.SetApptLength(teacherLength);
        EXPECT_EQ(AppointmentRequest(nullptr, &teacher, "", 1, -1).GetLength(), 1);
        EXPECT_EQ(AppointmentRequest(nullptr, &teacher, "", 1, 2).GetLength(), 2);
    }
}

TEST(AppointmentRequest, PriorityDefaultsToTheTeachersOrOne) {
    Teacher teacher("Ms Jones");
    teacher.SetPriority(2);
    AppointmentRequest forTeacher(nullptr, &teacher, "Maths", -1);
    AppointmentRequest withoutTeacher(nullptr, nullptr, "", -1);
    EXPECT_EQ(forTeacher.GetPriority(), 2);
    EXPECT_EQ(forTeacher.GetSubject(), "Maths");
    EXPECT_EQ(withoutTeacher.GetPriority(), 1);
    EXPECT_EQ(withoutTeacher.GetLength(), 1);
    EXPECT_FALSE(withoutTeacher.IsFixedTime());

    AppointmentRequest blank;
    EXPECT_EQ(blank.GetPriority(), 1);
    EXPECT_EQ(blank.GetOwnLength(), -1);
    EXPECT_EQ(blank.GetOrderKey(), 0u);
    EXPECT_EQ(blank.GetTeacher(), nullptr);
}

TEST(AppointmentRequest, SetRepointsButKeepsAFixedTime) {
    Teacher first("Ms Jones");
    Teacher second("Mr Brown");
    Parent parent("Pat Lee");
    auto owned = std::make_unique<Pupil>("Amy Lee");
    Pupil* pupil = owned.get();
    parent.AddPupil(std::move(owned));

    const DateTime when(Date(5, 3, 2024), TimeOfDay(18, 30, 0));
    AppointmentRequest request(nullptr, &first, "Maths", 1, 1, when);
    request.SetOrderKey(12);
    ASSERT_TRUE(request.IsFixedTime());

    request.Set(pupil, &second, "Art", 2, 3);
    EXPECT_EQ(request.GetTeacher(), &second);
    EXPECT_EQ(request.GetPupil(), pupil);
    EXPECT_EQ(request.GetParent(), &parent);
    EXPECT_EQ(request.GetSubject(), "Art");
    EXPECT_EQ(request.GetPriority(), 2);
    EXPECT_EQ(request.GetLength(), 3);
    EXPECT_EQ(request.GetOrderKey(), 0u);
    EXPECT_TRUE(request.IsFixedTime());
    EXPECT_EQ(request.GetDateTime(), when);
}

TEST(AppointmentRequest, ParentIsTakenWhenTheRequestIsMade) {
    Teacher teacher("Ms Jones");
    auto owned = std::make_unique<Pupil>("Amy Lee");
    Pupil* pupil = owned.get();
    ASSERT_TRUE(pupil->AddRequest(&teacher, "", 1, -1));

    Parent parent("Pat Lee");
    parent.AddPupil(std::move(owned));
    EXPECT_EQ(pupil->GetRequest(0)->GetParent(), nullptr);

    ASSERT_TRUE(pupil->AddRequest(&teacher, "Maths", 1, -1));
    EXPECT_EQ(pupil->GetRequest(1)->GetParent(), &parent);
}
