#include <gtest/gtest.h>
#include <stdlib.h>

#include "app/controller_fixture.h"
#include "app/qm_controller.h"
#include "foundation/date_time.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/score.h"
#include "optimiser/optimise_run.h"

namespace {

// The example event that `make run` opens, worked on from a copy in a temporary folder.
class ExampleEvent : public ControllerFixture {
protected:
    ExampleEvent()
        : path_(Write("school.qmv",
                      ReadWholeFile(std::string(QM_SOURCE_DIR) + "/examples/school.qmv"))) {
        ::srand(5);
    }

    static int CountRequests(const Event& event) {
        int count = 0;
        for (unsigned p = 0; p < event.GetParents().Count(); ++p) {
            count += event.GetParents().Get(p)->GetRequestCount();
        }
        return count;
    }
    static int CountBookedParents(const MultiDaySchedule& schedule) {
        int count = 0;
        const ParentList& parents = schedule.GetEvent()->GetParents();
        for (unsigned p = 0; p < parents.Count(); ++p) {
            count += schedule.IsParentBooked(parents.Get(p)) ? 1 : 0;
        }
        return count;
    }

    // Where every request of the event is booked, as text, in list order.
    static std::string Bookings(const MultiDaySchedule& schedule) {
        std::string text;
        const ParentList& parents = schedule.GetEvent()->GetParents();
        for (unsigned p = 0; p < parents.Count(); ++p) {
            const Parent* parent = parents.Get(p);
            for (unsigned c = 0; c < parent->GetPupilCount(); ++c) {
                const Pupil* pupil = parent->GetPupil(c);
                for (unsigned r = 0; r < pupil->GetRequestCount(); ++r) {
                    DateTime when;
                    text += pupil->GetName() + ": ";
                    text += schedule.FindAppointment(pupil, static_cast<int>(r), &when)
                                ? when.Format()
                                : "unbooked";
                    text += "\n";
                }
            }
        }
        return text;
    }

    const std::string path_;
};

}  // namespace

TEST_F(ExampleEvent, LoadsCleanlyWithASmallSchoolsPeopleAndDays) {
    ASSERT_TRUE(controller_.OpenEventFile(path_.c_str())) << sink_.GetText();
    EXPECT_EQ(sink_.GetText(), "");
    const Event& event = *controller_.GetEvent();
    const MultiDaySchedule& schedule = *controller_.GetSchedule();
    EXPECT_EQ(event.GetTeachers().Count(), 12u);
    EXPECT_EQ(event.GetParents().Count(), 36u);
    EXPECT_EQ(event.GetParents().GetPupilCount(), 47);
    EXPECT_EQ(CountRequests(event), 161);
    EXPECT_EQ(schedule.GetDayCount(), 2u);
    EXPECT_EQ(event.GetPresentations().Count(), 1u);
    for (unsigned t = 0; t < event.GetTeachers().Count(); ++t) {
        EXPECT_FALSE(event.GetTeachers().Get(t)->GetInitials().empty());
        EXPECT_FALSE(event.GetTeachers().Get(t)->GetLocation().empty());
    }
    // Partly booked, as a school finds it after a first booking run and some late requests.
    EXPECT_EQ(CountBookedParents(schedule), 24);
    EXPECT_FALSE(schedule.AllRequestsBooked());
    EXPECT_FALSE(schedule.IsModified());
}

TEST_F(ExampleEvent, BookingTheRestAndSavingGivesAFileThatReadsBackBooked) {
    ASSERT_TRUE(controller_.OpenEventFile(path_.c_str())) << sink_.GetText();
    controller_.BookUnbookedRequests(true, false);
    const std::string said = sink_.GetText();
    EXPECT_EQ(said.rfind("Booked 12 parents in", 0), 0u) << said;
    const int booked = CountBookedParents(*controller_.GetSchedule());
    EXPECT_GT(booked, 24);
    ASSERT_TRUE(controller_.SaveEvent(path_.c_str())) << sink_.GetText();
    controller_.CloseEvent();

    QMController reread;
    reread.Initialise();
    ASSERT_TRUE(reread.OpenEventFile(path_.c_str())) << sink_.GetText();
    EXPECT_EQ(CountBookedParents(*reread.GetSchedule()), booked);
    EXPECT_EQ(CountRequests(*reread.GetEvent()), 161);
}

TEST_F(ExampleEvent, AnEveningsRoadFromOpeningToSavingAnOptimisedTimetable) {
    ASSERT_TRUE(controller_.OpenEventFile(path_.c_str())) << sink_.GetText();
    MultiDaySchedule& schedule = *controller_.GetSchedule();
    controller_.BookUnbookedRequests(false, false);
    const Score booked = schedule.GetScore();
    ASSERT_TRUE(RunOptimiser(schedule, 6, 4)) << sink_.GetText();
    const Score optimised = schedule.GetScore();
    EXPECT_TRUE(optimised.IsBetterOrEqual(booked));
    EXPECT_TRUE(schedule.IsModified());
    const std::string bookings = Bookings(schedule);
    ASSERT_TRUE(controller_.SaveEvent(path_.c_str())) << sink_.GetText();
    controller_.CloseEvent();

    QMController reread;
    reread.Initialise();
    ASSERT_TRUE(reread.OpenEventFile(path_.c_str())) << sink_.GetText();
    EXPECT_EQ(Bookings(*reread.GetSchedule()), bookings);
    EXPECT_TRUE(reread.GetSchedule()->GetScore() == optimised);
    EXPECT_FALSE(reread.GetSchedule()->IsModified());
}
