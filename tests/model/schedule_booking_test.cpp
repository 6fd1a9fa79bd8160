#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

class Booking : public ::testing::Test {
protected:
    void SetUp() override {
        event = std::make_shared<Event>();
        for (const char* name : {"Ann Xavier", "Ben Young", "Cat Zimmer"}) {
            auto teacher = std::make_unique<Teacher>(name);
            teacher->SetLocation(std::string("Room of ") + name);
            teachers.push_back(teacher.get());
            EXPECT_TRUE(event->AddTeacher(std::move(teacher)));
        }
        day = std::make_unique<Schedule>(event);
        day->SetDate(Date(5, 3, 2024));
    }

    Parent* AddFamily(const char* name, ParentGapMode mode) {
        auto parent = std::make_unique<Parent>(name);
        parent->SetGapMode(mode);
        Parent* kept = parent.get();
        EXPECT_TRUE(event->AddParent(std::move(parent)));
        return kept;
    }

    Pupil* AddPupil(Parent* parent, const char* name) {
        auto pupil = std::make_unique<Pupil>(name);
        Pupil* kept = pupil.get();
        parent->AddPupil(std::move(pupil));
        return kept;
    }

    AppointmentRequest* Request(Pupil* pupil, int row, const char* subject = "Maths") {
        pupil->AddRequest(teachers[row], subject, 1, 1);
        return pupil->GetRequest(pupil->GetRequestCount() - 1);
    }

    // The teacher at row is only there for the one slot.
    void OnlyAt(int row, int slot) {
        teachers[row]->SetTimes(day.get(), day->SlotToTime(slot), day->SlotToTime(slot + 1));
        teachers[row]->SetArrivesLate(day.get(), true);
        teachers[row]->SetLeavesEarly(day.get(), true);
    }

    std::shared_ptr<Event> event;
    std::vector<Teacher*> teachers;
    std::unique_ptr<Schedule> day;
};

TEST_F(Booking, SiblingsRequestsForOneTeacherAreBookedOneAfterTheOther) {
    Parent* family = AddFamily("Pat One", AdjacentParentAppointments);
    Pupil* a = AddPupil(family, "Amy One");
    Pupil* a2 = AddPupil(family, "Ali One");
    Pupil* b = AddPupil(AddFamily("Kim Two", TryParentGaps), "Bob Two");
    AppointmentRequest* first = Request(a, 0);
    AppointmentRequest* other = Request(b, 1);
    AppointmentRequest* sibling = Request(a2, 0);
    std::vector<AppointmentRequest*> batch = {first, other, sibling};
    int unbooked = 0;
    ASSERT_TRUE(day->BookRequests(batch, BookAsGiven, &unbooked));
    EXPECT_EQ(batch, (std::vector<AppointmentRequest*>{first, sibling, other}));
    EXPECT_EQ(unbooked, 0);
    EXPECT_EQ(day->GetGrid().PeekBooking(0, 0)->GetRequest(), first);
    EXPECT_EQ(day->GetGrid().PeekBooking(1, 0)->GetRequest(), sibling);
}

TEST_F(Booking, ThirdSiblingFollowsTheSecondAndOthersKeepTheirOrder) {
    Parent* family = AddFamily("Pat One", AdjacentParentAppointments);
    Pupil* kids[] = {AddPupil(family, "Amy One"), AddPupil(family, "Ali One"),
                     AddPupil(family, "Abe One")};
    Pupil* b = AddPupil(AddFamily("Kim Two", TryParentGaps), "Bob Two");
    AppointmentRequest* r0 = Request(kids[0], 0);
    AppointmentRequest* x1 = Request(b, 1);
    AppointmentRequest* x2 = Request(kids[0], 2);
    AppointmentRequest* r1 = Request(kids[1], 0);
    AppointmentRequest* x3 = Request(b, 2);
    AppointmentRequest* r2 = Request(kids[2], 0);
    std::vector<AppointmentRequest*> batch = {r0, x1, x2, r1, x3, r2};
    int unbooked = 0;
    ASSERT_TRUE(day->BookRequests(batch, BookAsGiven, &unbooked));
    EXPECT_EQ(batch, (std::vector<AppointmentRequest*>{r0, r1, r2, x1, x3, x2}));
}

// The rule the grouping must follow, written the slow way: for each position, the first later
// request of the same parent and teacher is swapped in just behind it.
void GroupSiblingsPlainly(std::vector<AppointmentRequest*>& requests) {
    for (std::size_t i = 0; i + 1 < requests.size(); ++i) {
        const AppointmentRequest* here = requests[i];
        if (here->GetParent()->GetPupilCount() <= 1) {
            continue;
        }
        for (std::size_t j = i + 1; j < requests.size(); ++j) {
            if (requests[j]->GetParent() == here->GetParent() &&
                requests[j]->GetTeacher() == here->GetTeacher()) {
                std::swap(requests[i + 1], requests[j]);
                break;
            }
        }
    }
}

TEST_F(Booking, SiblingGroupingFollowsThePlainRuleOnRandomBatches) {
    std::srand(11);
    for (int f = 0; f < 4; ++f) {
        Parent* family = AddFamily(("Family " + std::to_string(f)).c_str(), TryParentGaps);
        for (int c = 0; c <= f % 3; ++c) {
            Pupil* child = AddPupil(family, "Child");
            for (int r = 0; r < 3; ++r) {
                Request(child, std::rand() % 3);
            }
        }
    }
    std::vector<AppointmentRequest*> all;
    for (unsigned p = 0; p < event->GetParents().Count(); ++p) {
        const Parent* parent = event->GetParents().At(p);
        for (unsigned c = 0; c < parent->GetPupilCount(); ++c) {
            for (unsigned r = 0; r < parent->GetPupil(c)->GetRequestCount(); ++r) {
                all.push_back(parent->GetPupil(c)->GetRequest(r));
            }
        }
    }
    for (int trial = 0; trial < 200; ++trial) {
        SCOPED_TRACE(trial);
        for (std::size_t i = 1; i < all.size(); ++i) {
            std::swap(all[i], all[static_cast<std::size_t>(std::rand()) % (i + 1)]);
        }
        std::vector<AppointmentRequest*> expected = all;
        GroupSiblingsPlainly(expected);
        std::vector<AppointmentRequest*> batch = all;
        int unbooked = 0;
        day->ClearBookings();
        ASSERT_TRUE(day->BookRequests(batch, BookAsGiven, &unbooked));
        ASSERT_EQ(batch, expected);
    }
}

TEST_F(Booking, AnOnlyChildsRequestsAreNotRegrouped) {
    Pupil* a = AddPupil(AddFamily("Pat One", AdjacentParentAppointments), "Amy One");
    Pupil* b = AddPupil(AddFamily("Kim Two", TryParentGaps), "Bob Two");
    AppointmentRequest* first = Request(a, 0, "Maths");
    AppointmentRequest* other = Request(b, 1);
    AppointmentRequest* second = Request(a, 0, "Physics");
    std::vector<AppointmentRequest*> batch = {first, other, second};
    int unbooked = 0;
    ASSERT_TRUE(day->BookRequests(batch, BookAsGiven, &unbooked));
    EXPECT_EQ(batch, (std::vector<AppointmentRequest*>{first, other, second}));
}

TEST_F(Booking, OrderKeysPutTheHardestRequestsFirstWhateverTheShuffle) {
    Parent* family = AddFamily("Pat One", AdjacentParentAppointments);
    Pupil* a = AddPupil(family, "Amy One");
    std::vector<AppointmentRequest*> batch = {Request(a, 0), Request(a, 1), Request(a, 2)};
    batch[0]->SetOrderKey(30);
    batch[1]->SetOrderKey(10);
    batch[2]->SetOrderKey(20);
    AppointmentRequest* expected[] = {batch[1], batch[2], batch[0]};
    std::srand(7);
    int unbooked = 0;
    ASSERT_TRUE(day->BookRequests(batch, BookRandomThenOrderKey, &unbooked));
    EXPECT_EQ(batch, (std::vector<AppointmentRequest*>(std::begin(expected), std::end(expected))));
}

TEST_F(Booking, AParentWhoOnlyPrefersGapsGivesThemUpWhenNothingElseFits) {
    Parent* parent = AddFamily("Pat One", TryParentGaps);
    Pupil* pupil = AddPupil(parent, "Amy One");
    OnlyAt(1, 5);
    std::vector<AppointmentRequest*> batch = {Request(pupil, 0), Request(pupil, 1)};
    ASSERT_TRUE(day->GetGrid().PutBooking(4, 0, std::make_shared<Appointment>(batch[0])));
    batch.erase(batch.begin());
    int unbooked = 0;
    ASSERT_TRUE(day->BookRequests(batch, BookAsGiven, &unbooked));
    EXPECT_EQ(unbooked, 0);
    EXPECT_EQ(parent->GetGapMode(), AdjacentParentAppointments);
    EXPECT_NE(day->GetGrid().PeekBooking(5, 1), nullptr);
}

TEST_F(Booking, GapsAreKeptWhenTheEventOrTheParentRequiresThem) {
    struct Case {
        const char* name;
        ParentGapMode eventMode;
        ParentGapMode parentMode;
    };
    const Case cases[] = {
        {"event enforces gaps", EnforceParentGaps, TryParentGaps},
        {"parent enforces gaps", TryParentGaps, EnforceParentGaps},
        {"parent changes rooms", TryParentGaps, GapOnLocationChange},
    };
    OnlyAt(1, 5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        day->ClearBookings();
        event->SetParentGapMode(c.eventMode);
        Parent* parent = AddFamily(c.name, c.parentMode);
        Pupil* pupil = AddPupil(parent, "Amy");
        ASSERT_TRUE(
            day->GetGrid().PutBooking(4, 0, std::make_shared<Appointment>(Request(pupil, 0))));
        std::vector<AppointmentRequest*> batch = {Request(pupil, 1)};
        int unbooked = 0;
        ASSERT_TRUE(day->BookRequests(batch, BookAsGiven, &unbooked));
        EXPECT_EQ(unbooked, 1);
        EXPECT_EQ(parent->GetGapMode(), c.parentMode);
        EXPECT_EQ(day->GetGrid().PeekBooking(5, 1), nullptr);
    }
}

TEST_F(Booking, ARequestForATeacherOutsideTheEventStopsTheBatch) {
    Pupil* pupil = AddPupil(AddFamily("Pat One", TryParentGaps), "Amy One");
    Teacher stranger("Guest Speaker");
    pupil->AddRequest(&stranger, "Talk", 1, 1);
    std::vector<AppointmentRequest*> batch = {pupil->GetRequest(0), Request(pupil, 0)};
    UCStringError sink;
    int unbooked = 0;
    EXPECT_FALSE(day->BookRequests(batch, BookAsGiven, &unbooked));
    EXPECT_NE(sink.GetText().find("Cannot find teacher Guest Speaker"), std::string::npos);
    EXPECT_EQ(unbooked, 0);
    EXPECT_FALSE(day->AreParentRequestsBooked(pupil->GetParent()));
}

TEST_F(Booking, RebuildingPutsBackOnlyFixedTimesThatFitTheDay) {
    Pupil* pupil = AddPupil(AddFamily("Pat One", TryParentGaps), "Amy One");
    const Date date = day->GetDate();
    pupil->AddFixedTimeRequest(teachers[0], "Late", 1, 2, DateTime(date, TimeOfDay(21, 55, 0)));
    pupil->AddFixedTimeRequest(teachers[1], "Fits", 1, 2, DateTime(date, TimeOfDay(21, 50, 0)));
    Date otherDate = date;
    otherDate.NextDay();
    pupil->AddFixedTimeRequest(teachers[2], "Tomorrow", 1, 1,
                               DateTime(otherDate, TimeOfDay(19, 0, 0)));
    day->RebuildGrid();
    EXPECT_EQ(day->GetGrid().PeekBooking(47, 0), nullptr);
    EXPECT_EQ(day->GetGrid().PeekBooking(46, 1)->GetRequest(), pupil->GetRequest(1));
    EXPECT_EQ(day->GetGrid().PeekBooking(47, 1)->GetRequest(), pupil->GetRequest(1));
    EXPECT_EQ(day->GetGrid().PeekBooking(12, 2), nullptr);
}

TEST_F(Booking, FindersAnswerWhetherAndWhenARequestIsBooked) {
    Parent* parent = AddFamily("Pat One", AdjacentParentAppointments);
    Pupil* amy = AddPupil(parent, "Amy One");
    Pupil* ali = AddPupil(parent, "Ali One");
    AppointmentRequest* maths = Request(amy, 0, "Maths");
    Request(ali, 1, "Art");
    EXPECT_FALSE(day->AreParentRequestsBooked(parent));
    EXPECT_TRUE(day->AreRequestsBooked(parent, nullptr));
    std::vector<AppointmentRequest*> batch = {maths};
    int unbooked = 0;
    ASSERT_TRUE(day->BookRequests(batch, BookAsGiven, &unbooked));
    EXPECT_TRUE(day->AreRequestsBooked(parent, amy));
    EXPECT_FALSE(day->AreRequestsBooked(parent, ali));
    EXPECT_FALSE(day->AreParentRequestsBooked(parent));

    DateTime when;
    EXPECT_TRUE(day->FindBooking(amy, teachers[0], "Maths", &when));
    EXPECT_EQ(when, DateTime(day->GetDate(), TimeOfDay(18, 0, 0)));
    EXPECT_FALSE(day->FindBooking(amy, teachers[0], "maths", &when));
    EXPECT_FALSE(day->FindBooking(ali, teachers[0], "Maths", &when));
    EXPECT_TRUE(day->FindAppointment(amy, 0, &when));
    EXPECT_FALSE(day->FindAppointment(amy, 1, &when));
    EXPECT_FALSE(day->FindAppointment(ali, 0, &when));

    batch = {ali->GetRequest(0)};
    ASSERT_TRUE(day->BookRequests(batch, BookRandom, &unbooked));
    EXPECT_TRUE(day->AreParentRequestsBooked(parent));
    EXPECT_EQ(unbooked, 0);
}

}  // namespace
