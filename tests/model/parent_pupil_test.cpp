#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"

namespace {

Pupil* AddPupil(Parent& parent, const std::string& name, const std::string& form = "") {
    auto pupil = std::make_unique<Pupil>(name);
    pupil->SetForm(form);
    Pupil* raw = pupil.get();
    EXPECT_TRUE(parent.AddPupil(std::move(pupil)));
    return raw;
}

}  // namespace

TEST(Pupil, DisplayNameShowsFormAndHouseWhenSet) {
    struct Case {
        const char* form;
        const char* house;
        const char* expected;
    };
    const Case cases[] = {{"7B", "", "Amy Lee (7B)"},
                          {"7B", "Red", "Amy Lee (7B) (Red)"},
                          {"", "", "Amy Lee"},
                          {"", "Red", "Amy Lee (Red)"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        Pupil pupil("Amy Lee");
        pupil.SetForm(c.form);
        pupil.SetHouse(c.house);
        EXPECT_EQ(pupil.GetDisplayName(), c.expected);
    }
}

TEST(Pupil, AddRequestNeedsATeacherAndRecordsNonEmptySubjects) {
    Teacher teacher("Ms Jones");
    Pupil pupil("Amy Lee");
    EXPECT_FALSE(pupil.AddRequest(nullptr, "Maths", 1, -1));
    EXPECT_EQ(pupil.GetRequestCount(), 0u);

    EXPECT_TRUE(pupil.AddRequest(&teacher, "", 1, -1));
    EXPECT_TRUE(teacher.GetSubjects().empty());
    EXPECT_TRUE(pupil.AddRequest(&teacher, "Maths", 2, 2));
    EXPECT_EQ(teacher.GetSubjects(), std::set<std::string>{"Maths"});

    EXPECT_EQ(pupil.FindRequest(&teacher, "Maths"), pupil.GetRequest(1));
    EXPECT_EQ(pupil.FindRequest(&teacher, "maths"), nullptr);
    EXPECT_TRUE(pupil.HasRequestFor(&teacher));
    EXPECT_EQ(pupil.GetRequest(2), nullptr);
    EXPECT_EQ(pupil.GetRequestedSlots(), 3);
}

TEST(Pupil, FixedTimeRequestsCanBeQueriedAndCleared) {
    Teacher teacher("Ms Jones");
    Pupil pupil("Amy Lee");
    const Date day(5, 3, 2024);
    pupil.AddRequest(&teacher, "", 1, -1);
    ASSERT_TRUE(
        pupil.AddFixedTimeRequest(&teacher, "Art", 1, -1, DateTime(day, TimeOfDay(18, 0, 0))));
    EXPECT_TRUE(pupil.HasFixedTimeRequest());
    EXPECT_TRUE(pupil.HasUnfixedRequest());
    EXPECT_TRUE(pupil.IsRequestFixedOn(1, day));
    EXPECT_FALSE(pupil.IsRequestFixedOn(0, day));
    EXPECT_FALSE(pupil.IsRequestFixedOn(1, Date(6, 3, 2024)));
    EXPECT_FALSE(pupil.IsRequestFixedOn(5, day));
    EXPECT_EQ(pupil.GetRequestDateTime(1).GetTime(), TimeOfDay(18, 0, 0));
    EXPECT_FALSE(pupil.GetRequestDateTime(7).GetDate().IsValid());

    pupil.ClearRequestedTimes();
    EXPECT_FALSE(pupil.HasFixedTimeRequest());
}

TEST(Pupil, DeletingARequestRemovesEveryRequestAndTaughtByEntryOfItsTeacher) {
    Teacher jones("Ms Jones");
    Teacher brown("Mr Brown");
    Pupil pupil("Amy Lee");
    pupil.AddRequest(&jones, "Maths", 1, -1);
    pupil.AddRequest(&brown, "Art", 1, -1);
    pupil.AddRequest(&jones, "Physics", 1, -1);
    pupil.AddTaughtBy(&jones, "Maths");
    pupil.AddTaughtBy(&brown, "Art");
    pupil.AddTaughtBy(&jones, "Physics");
    pupil.AddTaughtBy(nullptr, "Nothing");

    pupil.DeleteRequest(9);
    EXPECT_EQ(pupil.GetRequestCount(), 3u);
    pupil.DeleteRequest(0);
    ASSERT_EQ(pupil.GetRequestCount(), 1u);
    EXPECT_EQ(pupil.GetRequest(0)->GetTeacher(), &brown);
    EXPECT_FALSE(pupil.IsTaughtBy(&jones));
    ASSERT_EQ(pupil.GetTaughtByCount(), 1u);
    EXPECT_EQ(pupil.GetTaughtByTeacher(0), &brown);
    EXPECT_TRUE(pupil.IsTaughtBy(&brown, "Art"));
    EXPECT_FALSE(pupil.IsTaughtBy(&brown, "Maths"));
    EXPECT_EQ(pupil.GetTaughtByTeacher(1), nullptr);
    EXPECT_EQ(pupil.GetTaughtBySubject(1), "");
}

TEST(Pupil, CopyKeepsIdentityButNotRequests) {
    Teacher teacher("Ms Jones");
    Parent parent("Pat Lee");
    Pupil* pupil = AddPupil(parent, "Amy Lee", "7B");
    pupil->SetHouse("Red");
    pupil->SetEmail("amy@example.org");
    pupil->AddRequest(&teacher, "", 1, -1);
    pupil->AddTaughtBy(&teacher, "Maths");

    Pupil copy(*pupil);
    EXPECT_EQ(copy.GetDisplayName(), "Amy Lee (7B) (Red)");
    EXPECT_EQ(copy.GetEmail(), "amy@example.org");
    EXPECT_EQ(copy.GetParent(), &parent);
    EXPECT_EQ(copy.GetRequestCount(), 0u);
    EXPECT_EQ(copy.GetTaughtByCount(), 0u);
}

TEST(Parent, OwnsItsPupilsAndFindsThemIgnoringCase) {
    Parent parent("Pat Lee");
    EXPECT_STREQ(parent.GetClassName(), "Parent");
    EXPECT_EQ(parent.GetGapMode(), TryParentGaps);
    EXPECT_FALSE(parent.AddPupil(nullptr));
    Pupil* amy = AddPupil(parent, "Amy Lee");
    Pupil* ben = AddPupil(parent, "Ben Lee");
    EXPECT_EQ(amy->GetParent(), &parent);
    EXPECT_EQ(parent.FindPupil("amy lee"), amy);
    EXPECT_EQ(parent.FindPupil("BEN LEE"), ben);
    EXPECT_EQ(parent.FindPupil(""), nullptr);
    EXPECT_EQ(parent.FindPupil("Cat Lee"), nullptr);

    parent.DeletePupil(0);
    parent.DeletePupil(5);
    ASSERT_EQ(parent.GetPupilCount(), 1u);
    EXPECT_EQ(parent.GetPupil(0), ben);
    EXPECT_EQ(parent.GetPupil(1), nullptr);
}

TEST(Parent, RequestQueriesAndActionsCoverAllPupils) {
    Teacher jones("Ms Jones");
    Teacher brown("Mr Brown");
    brown.SetApptLength(2);
    Parent parent("Pat Lee");
    EXPECT_FALSE(parent.HasRequests());
    Pupil* amy = AddPupil(parent, "Amy Lee");
    Pupil* ben = AddPupil(parent, "Ben Lee");
    amy->AddRequest(&jones, "", 1, -1);
    ben->AddRequest(&brown, "", 1, -1);
    ben->AddFixedTimeRequest(&jones, "", 1, -1, DateTime(Date(5, 3, 2024), TimeOfDay(18, 0, 0)));

    EXPECT_TRUE(parent.HasRequests());
    EXPECT_EQ(parent.GetRequestCount(), 3);
    EXPECT_EQ(parent.GetRequestedSlots(), 4);
    EXPECT_TRUE(parent.HasFixedTimeRequest());
    EXPECT_TRUE(parent.HasUnfixedRequest());
    parent.ClearRequestedTimes();
    EXPECT_FALSE(parent.HasFixedTimeRequest());

    parent.RemoveTeacher(&jones);
    EXPECT_EQ(parent.GetRequestCount(), 1);
    EXPECT_FALSE(amy->HasRequestFor(&jones));
    parent.DeleteAllRequests();
    EXPECT_FALSE(parent.HasRequests());
    EXPECT_FALSE(parent.HasUnfixedRequest());
}

TEST(Parent, CopyTakesAddressAndNotesButNoPupils) {
    Parent parent("Pat Lee");
    parent.SetGapMode(GapOnLocationChange);
    parent.SetAddress(0, "1 High Street");
    parent.SetAddress(4, "AB1 2CD");
    parent.SetAddress(5, "ignored");
    parent.SetNotes("Prefers early");
    parent.SetNoteFrom("Hello");
    AddPupil(parent, "Amy Lee");

    Parent copy(parent);
    EXPECT_EQ(copy.GetName(), "Pat Lee");
    EXPECT_EQ(copy.GetGapMode(), GapOnLocationChange);
    EXPECT_EQ(copy.GetAddress(0), "1 High Street");
    EXPECT_EQ(copy.GetAddress(4), "AB1 2CD");
    EXPECT_EQ(copy.GetAddress(5), "");
    EXPECT_EQ(copy.GetNotes(), "Prefers early");
    EXPECT_EQ(copy.GetNoteFrom(), "");
    EXPECT_EQ(copy.GetPupilCount(), 0u);
}

TEST(Parent, AdoptPupilsPointsThemBack) {
    Parent parent("Pat Lee");
    Pupil* amy = AddPupil(parent, "Amy Lee");
    amy->SetParent(nullptr);
    parent.AdoptPupils();
    EXPECT_EQ(amy->GetParent(), &parent);
}
