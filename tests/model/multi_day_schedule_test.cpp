#include "model/multi_day_schedule.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/optimiser_stats.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/staged_booking.h"
#include "model/staged_copy.h"
#include "model/staged_score.h"
#include "model/teacher.h"

namespace {

// An event of two days (dates fixed, 18:00 to 22:00) built through the multi-day schedule, with
// helpers to add people and book requests by hand.
class TwoDaySchedule : public ::testing::Test {
protected:
    void SetUp() override {
        Score::SetCompareSwitches(ScoreCompareSwitches{});
        event_ = std::make_shared<Event>();
        schedule_ = std::make_unique<MultiDaySchedule>(event_);
        ASSERT_TRUE(schedule_->GetDay(0)->SetDate(Date(4, 3, 2024)));
        ASSERT_TRUE(schedule_->AppendNextDay());
        ASSERT_EQ(schedule_->GetDayCount(), 2u);
    }

    Teacher* AddTeacher(const std::string& name) {
        auto teacher = std::make_unique<Teacher>(name);
        teacher->SetInitials(name.substr(0, 1) + std::to_string(event_->GetTeachers().Count()));
        Teacher* added = teacher.get();
        EXPECT_TRUE(schedule_->AddTeacher(std::move(teacher)));
        return added;
    }

    Parent* AddParent(const std::string& name, int pupils = 1) {
        auto parent = std::make_unique<Parent>(name);
        for (int i = 0; i < pupils; ++i) {
            parent->AddPupil(std::make_unique<Pupil>(name + " child " + std::to_string(i)));
        }
        Parent* added = parent.get();
        EXPECT_TRUE(schedule_->AddParent(std::move(parent)));
        return added;
    }

    AppointmentRequest* Request(Parent* parent, unsigned pupil, Teacher* teacher,
                                int priority = 1) {
        Pupil* child = parent->GetPupil(pupil);
        EXPECT_TRUE(child->AddRequest(teacher, "", priority, 1));
        AppointmentRequest* request = child->GetRequest(child->GetRequestCount() - 1);
        request->SetParent(parent);
        return request;
    }

    // Puts the request into its teacher's row of a day.
    std::shared_ptr<Appointment> Book(AppointmentRequest* request, unsigned day, int slot) {
        auto booking = std::make_shared<Appointment>(request);
        int row = event_->GetTeachers().IndexOf(request->GetTeacher());
        EXPECT_TRUE(schedule_->GetDay(day)->GetGrid().PutBooking(slot, row, booking));
        return booking;
    }

    // Every occupied cell of every day, day by day, row by row, slot by slot.
    void ForEachBooking(const std::function<void(unsigned day, int row, int slot,
                                                 const Appointment&)>& visit) const {
        for (unsigned d = 0; d < schedule_->GetDayCount(); ++d) {
            const AppointmentGrid& grid = schedule_->GetDay(d)->GetGrid();
            for (int row = 0; row < static_cast<int>(grid.GetRowCount()); ++row) {
                for (int slot = 0; slot < static_cast<int>(grid.GetSlotCount()); ++slot) {
                    if (const Appointment* booking = grid.PeekBooking(slot, row)) {
                        visit(d, row, slot, *booking);
                    }
                }
            }
        }
    }

    int CountBookings() const {
        int count = 0;
        ForEachBooking([&](unsigned, int, int, const Appointment&) { ++count; });
        return count;
    }

    // Reads every booking of every day down to its people (a booking left pointing at a deleted
    // request fails here under the address sanitiser) and checks it stands in its teacher's row.
    void WalkEveryDay() const {
        const TeacherList& teachers = event_->GetTeachers();
        for (unsigned d = 0; d < schedule_->GetDayCount(); ++d) {
            ASSERT_EQ(schedule_->GetDay(d)->GetGrid().GetRowCount(), teachers.Count());
        }
        ForEachBooking([&](unsigned, int row, int, const Appointment& booking) {
            const AppointmentRequest* request = booking.GetRequest();
            ASSERT_NE(request, nullptr);
            EXPECT_EQ(request->GetTeacher(), teachers.At(static_cast<unsigned>(row)));
            ASSERT_NE(request->GetPupil(), nullptr);
            EXPECT_GE(event_->GetParents().IndexOf(request->GetPupil()->GetParent()), 0)
                << request->GetPupil()->GetName();
        });
    }

    std::shared_ptr<Event> event_;
    std::unique_ptr<MultiDaySchedule> schedule_;
};

TEST(MultiDaySchedule, NewScheduleHasOneDayOfTodayFromSixToTen) {
    auto event = std::make_shared<Event>();
    MultiDaySchedule schedule(event);
    ASSERT_EQ(schedule.GetDayCount(), 1u);
    EXPECT_EQ(schedule.GetDay(1), nullptr);
    Schedule* day = schedule.GetDay(0);
    EXPECT_EQ(day->GetDate(), Date::Today());
    EXPECT_EQ(day->GetStartTime(), TimeOfDay(18, 0, 0));
    EXPECT_EQ(day->GetEndTime(), TimeOfDay(22, 0, 0));
    EXPECT_EQ(schedule.GetEvent(), event);
    EXPECT_EQ(day->GetEvent(), event);
}

TEST(MultiDaySchedule, AppendNextDayRollsOverTheYearAndLeavesPresentationsAlone) {
    auto event = std::make_shared<Event>();
    MultiDaySchedule schedule(event);
    // A presentation on the day the new day is first made for must not move with it.
    ASSERT_TRUE(event->AddPresentation(
        std::make_unique<Presentation>("Careers", "Hall", Date::Today(), "19:00", "19:30")));
    ASSERT_TRUE(schedule.GetDay(0)->SetDate(Date(31, 12, 2024)));
    ASSERT_TRUE(event->AddPresentation(
        std::make_unique<Presentation>("Options", "Hall", Date::Today(), "19:00", "19:30")));
    // Nor may what another road left on today's date.
    auto teacher = std::make_unique<Teacher>("Ann Able");
    teacher->AddBreak(DateTime(Date::Today(), TimeOfDay(19, 0, 0)));
    teacher->GetOrCreateRecord(Date::Today())->SetAttending(false);
    Teacher* ann = teacher.get();
    ASSERT_TRUE(schedule.AddTeacher(std::move(teacher)));
    ASSERT_TRUE(schedule.AppendNextDay());
    EXPECT_EQ(schedule.GetDay(1)->GetDate(), Date(1, 1, 2025));
    EXPECT_EQ(event->GetPresentations().Find("Careers")->GetDate(), Date(31, 12, 2024));
    EXPECT_EQ(event->GetPresentations().Find("Options")->GetDate(), Date::Today());
    EXPECT_TRUE(ann->HasBreak(DateTime(Date::Today(), TimeOfDay(19, 0, 0))));
    EXPECT_FALSE(ann->IsAttending(Date::Today()));

    unsigned index = 9;
    EXPECT_TRUE(schedule.FindDayIndex(Date(1, 1, 2025), &index));
    EXPECT_EQ(index, 1u);
    EXPECT_EQ(schedule.FindDay(Date(31, 12, 2024)), schedule.GetDay(0));
    EXPECT_FALSE(schedule.FindDayIndex(Date(2, 1, 2025), &index));
    EXPECT_EQ(index, 1u);
}

TEST_F(TwoDaySchedule, CreateLikeCopiesDatesAndHoursForAnotherEvent) {
    schedule_->GetDay(1)->SetStartTime(TimeOfDay(16, 0, 0));
    schedule_->GetDay(1)->SetEndTime(TimeOfDay(19, 30, 0));
    auto other = std::make_shared<Event>();
    std::unique_ptr<MultiDaySchedule> like = schedule_->CreateLike(other);
    ASSERT_EQ(like->GetDayCount(), 2u);
    EXPECT_EQ(like->GetEvent(), other);
    for (unsigned d = 0; d < 2; ++d) {
        SCOPED_TRACE(d);
        EXPECT_EQ(like->GetDay(d)->GetEvent(), other);
        EXPECT_EQ(like->GetDay(d)->GetDate(), schedule_->GetDay(d)->GetDate());
        EXPECT_EQ(like->GetDay(d)->GetStartTime(), schedule_->GetDay(d)->GetStartTime());
        EXPECT_EQ(like->GetDay(d)->GetEndTime(), schedule_->GetDay(d)->GetEndTime());
    }
}

TEST_F(TwoDaySchedule, ModifiedFollowsDaysEventAndPrintSettings) {
    schedule_->ClearModified();
    EXPECT_FALSE(schedule_->IsModified());
    event_->GetPrintSettings().SetModified();
    EXPECT_TRUE(schedule_->IsModified());
    schedule_->ClearModified();
    EXPECT_FALSE(event_->GetPrintSettings().IsModified());
    schedule_->GetDay(1)->SetModified();
    EXPECT_TRUE(schedule_->IsModified());
    schedule_->ClearModified();
    EXPECT_FALSE(schedule_->GetDay(1)->IsModified());
}

TEST_F(TwoDaySchedule, AddTeacherGivesEveryDayARowAndARefusalAddsNoRow) {
    AddTeacher("Ann Able");
    AddTeacher("Bob Baker");
    for (unsigned d = 0; d < 2; ++d) {
        EXPECT_EQ(schedule_->GetDay(d)->GetGrid().GetRowCount(), 2u);
    }
    UCStringError sink;
    auto again = std::make_unique<Teacher>("Ann Able");
    EXPECT_FALSE(schedule_->AddTeacher(std::move(again)));
    EXPECT_EQ(schedule_->GetDay(0)->GetGrid().GetRowCount(), 2u);
    EXPECT_NE(sink.GetText().find("already exists"), std::string::npos);
}

// People in name order, as the event file brings them back: each teacher's bookings move with
// the teacher's row on every day, and namesake families keep the order they stood in.
TEST_F(TwoDaySchedule, SortPeopleMovesEachTeachersRowWithTheTeacherAndKeepsNamesakesInOrder) {
    struct Case {
        const char* name;
        std::vector<std::string> teachers;
        std::vector<std::string> families;
        bool moves;
        // The families' identifiers (F and the place each was added in) as sorted.
        std::vector<std::string> order;
    };
    const Case cases[] = {
        {"already in order", {"Ann Able", "Bob Baker"}, {"Cole", "Dunn"}, false, {"F0", "F1"}},
        {"teachers out of order", {"Zoe Young", "Ann Able", "Bob Baker"}, {"Cole"}, true, {"F0"}},
        {"families out of order", {"Ann Able"}, {"Dunn", "Cole"}, true, {"F1", "F0"}},
        {"namesakes only", {"Ann Able"}, {"Cole", "Cole", "Cole"}, false, {"F0", "F1", "F2"}},
        {"namesakes among others", {"Ann Able"}, {"Cole", "Able", "Cole"}, true,
         {"F1", "F0", "F2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        std::vector<Teacher*> teachers;
        for (const std::string& name : c.teachers) {
            teachers.push_back(AddTeacher(name));
        }
        std::vector<Parent*> families;
        for (const std::string& name : c.families) {
            Parent* family = AddParent(name);
            family->SetUniqueId("F" + std::to_string(families.size()));
            families.push_back(family);
        }
        // Each family sees every teacher, a different slot on each day.
        for (size_t f = 0; f < families.size(); ++f) {
            for (size_t t = 0; t < teachers.size(); ++t) {
                AppointmentRequest* request = Request(families[f], 0, teachers[t]);
                Book(request, f % 2, static_cast<int>(f + t));
            }
        }
        const int booked = CountBookings();
        EXPECT_EQ(schedule_->SortPeople(), c.moves);
        EXPECT_EQ(CountBookings(), booked);
        WalkEveryDay();
        for (unsigned i = 1; i < event_->GetTeachers().Count(); ++i) {
            EXPECT_LT(event_->GetTeachers().At(i - 1)->Compare(event_->GetTeachers().At(i)), 0);
        }
        std::vector<std::string> ids;
        for (unsigned i = 0; i < event_->GetParents().Count(); ++i) {
            ids.push_back(event_->GetParents().Get(i)->GetUniqueId());
        }
        // Each family's slots are where they were, now in its teacher's new row.
        for (size_t f = 0; f < families.size(); ++f) {
            for (size_t t = 0; t < teachers.size(); ++t) {
                const int row = event_->GetTeachers().IndexOf(teachers[t]);
                const Appointment* booking =
                    schedule_->GetDay(f % 2)->GetGrid().PeekBooking(static_cast<int>(f + t), row);
                ASSERT_NE(booking, nullptr);
                EXPECT_EQ(booking->GetRequest()->GetPupil()->GetParent(), families[f]);
            }
        }
        EXPECT_EQ(ids, c.order);
        EXPECT_FALSE(schedule_->SortPeople()) << "sorted once, nobody moves again";
    }
}

TEST_F(TwoDaySchedule, RequestBookedOnAnyDayCountsAsBookedOnce) {
    Teacher* ann = AddTeacher("Ann Able");
    Teacher* bob = AddTeacher("Bob Baker");
    Parent* parent = AddParent("Cole", 2);
    AppointmentRequest* first = Request(parent, 0, ann);
    AppointmentRequest* second = Request(parent, 1, bob);
    Book(first, 0, 2);
    EXPECT_FALSE(schedule_->AllRequestsBooked());
    EXPECT_TRUE(schedule_->HasUnbookedRequest(parent));
    EXPECT_EQ(schedule_->GetScore().Unbooked, 1u);

    // Booked on the other day: the parent is complete although no one day holds both.
    Book(second, 1, 3);
    EXPECT_TRUE(schedule_->AllRequestsBooked());
    EXPECT_TRUE(schedule_->IsParentBooked(parent));
    EXPECT_FALSE(schedule_->HasUnbookedRequest(parent));
    EXPECT_EQ(schedule_->GetScore().Unbooked, 0u);
    EXPECT_EQ(schedule_->ScoreUnbooked(parent).Unbooked, 0u);

    DateTime when;
    ASSERT_TRUE(schedule_->FindAppointment(parent->GetPupil(1), 0, &when));
    EXPECT_EQ(when, DateTime(schedule_->GetDay(1)->GetDate(), TimeOfDay(18, 15, 0)));
    EXPECT_FALSE(schedule_->FindAppointment(parent->GetPupil(1), 1, &when));
    EXPECT_TRUE(schedule_->FindBooking(parent->GetPupil(0), ann, "", &when));
    EXPECT_EQ(when, DateTime(schedule_->GetDay(0)->GetDate(), TimeOfDay(18, 10, 0)));
}

TEST_F(TwoDaySchedule, BookAllTakesHigherPrioritiesFirstAndTheFirstDayBeforeTheSecond) {
    // One slot a day: the first day takes the high priority, the second the normal one.
    for (unsigned d = 0; d < 2; ++d) {
        schedule_->GetDay(d)->SetEndTime(TimeOfDay(18, 5, 0));
    }
    Teacher* ann = AddTeacher("Ann Able");
    AppointmentRequest* low = Request(AddParent("Adams"), 0, ann, 0);
    AppointmentRequest* normal = Request(AddParent("Baker"), 0, ann, 1);
    AppointmentRequest* high = Request(AddParent("Clark"), 0, ann, 2);

    ASSERT_TRUE(schedule_->BookAll(BookRandomThenOrderKey));
    TimeOfDay time;
    EXPECT_TRUE(schedule_->GetDay(0)->IsRequestBooked(high, &time));
    EXPECT_TRUE(schedule_->GetDay(1)->IsRequestBooked(normal, &time));
    EXPECT_FALSE(schedule_->IsRequestBooked(low));
    EXPECT_EQ(schedule_->GetScore().Unbooked, 1u);
    EXPECT_EQ(schedule_->ReportUnbookedRequests(),
              "The following appointments are unbooked:\n"
              "Adams child 0 wants to see teacher Ann Able\n");
}

TEST_F(TwoDaySchedule, BookAllAndBookParentsRefuseALockedSchedule) {
    Teacher* ann = AddTeacher("Ann Able");
    Parent* parent = AddParent("Adams");
    Request(parent, 0, ann);
    event_->SetLocked(true);
    UCStringError sink;
    EXPECT_FALSE(schedule_->BookAll(BookRandom));
    EXPECT_EQ(sink.GetText(), "Error: Cannot book appointments because the schedule is locked\n");
    unsigned unbooked = 0;
    EXPECT_FALSE(schedule_->BookParents(&event_->GetParents(), &unbooked, BookRandom));
    EXPECT_EQ(sink.GetText(), "Error: Cannot book appointments because the schedule is locked\n");
    EXPECT_EQ(CountBookings(), 0);
}

TEST_F(TwoDaySchedule, BookParentsCountsWhatNoDayCouldTake) {
    for (unsigned d = 0; d < 2; ++d) {
        schedule_->GetDay(d)->SetEndTime(TimeOfDay(18, 5, 0));
    }
    Teacher* ann = AddTeacher("Ann Able");
    for (const char* name : {"Adams", "Baker", "Clark"}) {
        Request(AddParent(name), 0, ann);
    }
    unsigned unbooked = 0;
    ASSERT_TRUE(schedule_->BookParents(&event_->GetParents(), &unbooked, BookAsGiven));
    // The request left over on the first day is booked on the second: only one is missing.
    EXPECT_EQ(unbooked, 1u);
    EXPECT_EQ(CountBookings(), 2);
}

TEST_F(TwoDaySchedule, CopyIsIndependentOfItsOriginal) {
    Teacher* ann = AddTeacher("Ann Able");
    Parent* parent = AddParent("Adams");
    Book(Request(parent, 0, ann), 0, 0);
    Book(Request(parent, 0, AddTeacher("Bob Baker")), 1, 4);

    MultiDaySchedule copy(*schedule_);
    EXPECT_EQ(copy.GetEvent(), event_);
    ASSERT_EQ(copy.GetDayCount(), 2u);
    EXPECT_NE(copy.GetDay(0), schedule_->GetDay(0));
    EXPECT_NE(copy.GetDay(0)->GetGrid().PeekBooking(0, 0),
              schedule_->GetDay(0)->GetGrid().PeekBooking(0, 0));
    EXPECT_EQ(copy.GetDay(0)->GetGrid().PeekBooking(0, 0)->GetRequest(),
              schedule_->GetDay(0)->GetGrid().PeekBooking(0, 0)->GetRequest());
    EXPECT_EQ(copy.GetScore(), schedule_->GetScore());

    copy.SetLocked(true);
    EXPECT_FALSE(schedule_->GetDay(0)->GetGrid().PeekBooking(0, 0)->IsLocked());
    copy.SetLocked(false);
    copy.ClearBookings();
    EXPECT_EQ(CountBookings(), 2);
    EXPECT_EQ(copy.GetScore().Unbooked, 2u);
    EXPECT_EQ(schedule_->GetScore().Unbooked, 0u);

    // Assignment replaces the days but keeps the object the controller holds.
    MultiDaySchedule* held = schedule_.get();
    *schedule_ = copy;
    EXPECT_EQ(schedule_.get(), held);
    EXPECT_EQ(CountBookings(), 0);
    EXPECT_TRUE(schedule_->IsModified());
}

TEST_F(TwoDaySchedule, DeletingABookedParentLeavesNoBookingOfItAnywhere) {
    Teacher* ann = AddTeacher("Ann Able");
    Teacher* bob = AddTeacher("Bob Baker");
    Parent* gone = AddParent("Adams", 2);
    Parent* stays = AddParent("Baker");
    Book(Request(gone, 0, ann), 0, 1);
    Book(Request(gone, 1, bob), 1, 2);
    Book(Request(stays, 0, bob), 0, 5);

    EXPECT_TRUE(schedule_->DeleteParent(gone));
    EXPECT_EQ(event_->GetParents().Count(), 1u);
    EXPECT_EQ(CountBookings(), 1);
    WalkEveryDay();
    EXPECT_EQ(schedule_->GetScore().Unbooked, 0u);
    EXPECT_TRUE(schedule_->AllRequestsBooked());
}

TEST_F(TwoDaySchedule, DeletingABookedTeacherDropsItsRowRequestsAndBookings) {
    Teacher* ann = AddTeacher("Ann Able");
    Teacher* gone = AddTeacher("Bob Baker");
    Teacher* cat = AddTeacher("Cat Cole");
    Parent* parent = AddParent("Adams", 2);
    Book(Request(parent, 0, gone), 0, 0);
    Book(Request(parent, 1, gone), 1, 7);
    Book(Request(parent, 0, ann), 1, 3);
    Book(Request(parent, 1, cat), 0, 9);

    EXPECT_TRUE(schedule_->DeleteTeacher(gone));
    EXPECT_EQ(event_->GetTeachers().Count(), 2u);
    EXPECT_EQ(parent->GetPupil(0)->GetRequestCount(), 1u);
    EXPECT_EQ(parent->GetPupil(1)->GetRequestCount(), 1u);
    EXPECT_EQ(CountBookings(), 2);
    // Cat's booking moved up into the row that is now hers.
    ASSERT_NE(schedule_->GetDay(0)->GetGrid().PeekBooking(9, 1), nullptr);
    WalkEveryDay();
    EXPECT_EQ(schedule_->GetScore().Unbooked, 0u);
}

TEST_F(TwoDaySchedule, DeletionRefusesWholeWhenABookingOnAnyDayIsLocked) {
    Teacher* ann = AddTeacher("Ann Able");
    Parent* parent = AddParent("Adams", 2);
    Book(Request(parent, 0, ann), 0, 1);
    Book(Request(parent, 1, ann), 1, 2)->SetLocked(true);

    UCStringError sink;
    EXPECT_FALSE(schedule_->DeleteParent(parent));
    EXPECT_EQ(sink.GetText(), "Error: Cannot delete a parent because the schedule is locked\n");
    EXPECT_FALSE(schedule_->DeleteTeacher(ann));
    EXPECT_EQ(sink.GetText(), "Error: Cannot delete a teacher because the schedule is locked\n");
    EXPECT_FALSE(schedule_->UnbookParent(parent));
    EXPECT_EQ(sink.GetText(), "Error: Cannot remove a parent because the schedule is locked\n");
    // The first day's unlocked booking is still there: nothing was half done.
    EXPECT_EQ(CountBookings(), 2);
    EXPECT_EQ(event_->GetParents().Count(), 1u);
    EXPECT_EQ(event_->GetTeachers().Count(), 1u);
    WalkEveryDay();
}

TEST_F(TwoDaySchedule, DeletingAPupilOrARequestUnbooksItOnEveryDayFirst) {
    Teacher* ann = AddTeacher("Ann Able");
    Teacher* bob = AddTeacher("Bob Baker");
    Parent* parent = AddParent("Adams", 2);
    Book(Request(parent, 0, ann), 0, 1);
    Book(Request(parent, 0, bob), 1, 2);
    Book(Request(parent, 1, ann), 1, 4);
    Book(Request(parent, 1, bob), 0, 6);

    EXPECT_TRUE(schedule_->DeletePupil(parent, 0));
    EXPECT_EQ(parent->GetPupilCount(), 1u);
    EXPECT_EQ(CountBookings(), 2);
    WalkEveryDay();

    Pupil* left = parent->GetPupil(0);
    EXPECT_TRUE(schedule_->DeleteRequest(left, 1));
    EXPECT_EQ(left->GetRequestCount(), 1u);
    EXPECT_EQ(CountBookings(), 1);
    WalkEveryDay();
    EXPECT_FALSE(schedule_->DeleteRequest(left, 5));
    EXPECT_FALSE(schedule_->DeletePupil(parent, 3));
}

TEST_F(TwoDaySchedule, DeletingAPupilOrARequestRefusesWholeAtALockedBooking) {
    Teacher* ann = AddTeacher("Ann Able");
    Parent* parent = AddParent("Adams");
    Book(Request(parent, 0, ann), 0, 1);
    Book(Request(parent, 0, ann), 1, 2)->SetLocked(true);

    UCStringError sink;
    EXPECT_FALSE(schedule_->DeletePupil(parent, 0));
    EXPECT_EQ(sink.GetText(), "Error: Cannot delete a pupil because the schedule is locked\n");
    EXPECT_FALSE(schedule_->DeleteRequest(parent->GetPupil(0), 0));
    EXPECT_EQ(sink.GetText(), "Error: Cannot delete a request because the schedule is locked\n");
    EXPECT_EQ(CountBookings(), 2);
    EXPECT_EQ(parent->GetPupil(0)->GetRequestCount(), 2u);
    WalkEveryDay();
}

TEST_F(TwoDaySchedule, DeletionsRefuseALockedEvent) {
    struct Case {
        const char* name;
        std::function<bool(MultiDaySchedule&, Teacher*, Parent*)> call;
        const char* message;
    };
    const Case cases[] = {
        {"parent", [](MultiDaySchedule& s, Teacher*, Parent* p) { return s.DeleteParent(p); },
         "Cannot delete a parent because the schedule is locked"},
        {"teacher", [](MultiDaySchedule& s, Teacher* t, Parent*) { return s.DeleteTeacher(t); },
         "Cannot delete a teacher because the schedule is locked"},
        {"parents", [](MultiDaySchedule& s, Teacher*, Parent*) { return s.DeleteParents() > 0; },
         "Cannot delete parents because the schedule is locked"},
        {"unbook teacher",
         [](MultiDaySchedule& s, Teacher* t, Parent*) { return s.UnbookTeacher(t); },
         "Cannot remove a teacher because the schedule is locked"},
        {"unbook pupil",
         [](MultiDaySchedule& s, Teacher*, Parent* p) { return s.UnbookPupil(p->GetPupil(0)); },
         "Cannot remove a pupil because the schedule is locked"},
        {"remove appointment",
         [](MultiDaySchedule& s, Teacher* t, Parent* p) {
             return s.RemoveAppointment(p->GetPupil(0), t, "");
         },
         "Cannot remove an appointment because the schedule is locked"},
    };
    Teacher* ann = AddTeacher("Ann Able");
    Parent* parent = AddParent("Adams");
    AddParent("Baker");
    Book(Request(parent, 0, ann), 1, 1);
    event_->SetLocked(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UCStringError sink;
        EXPECT_FALSE(c.call(*schedule_, ann, parent));
        EXPECT_EQ(sink.GetText(), std::string("Error: ") + c.message + "\n");
        EXPECT_EQ(CountBookings(), 1);
        EXPECT_EQ(event_->GetParents().Count(), 2u);
        EXPECT_EQ(event_->GetTeachers().Count(), 1u);
    }
}

TEST_F(TwoDaySchedule, OptimiseTeacherRefusesALockedEvent) {
    Teacher* ann = AddTeacher("Ann Able");
    // Slots 0, 1 and 6: moving the first booking into the gap would shorten Ann's wait.
    for (int slot : {0, 1, 6}) {
        Book(Request(AddParent("Parent " + std::to_string(slot)), 0, ann), 0, slot);
    }
    const AppointmentGrid& grid = schedule_->GetDay(0)->GetGrid();
    event_->SetLocked(true);
    UCStringError sink;
    schedule_->OptimiseTeacher(0);
    EXPECT_EQ(sink.GetText(), "Error: Cannot optimise a teacher because the schedule is locked\n");
    EXPECT_NE(grid.PeekBooking(0, 0), nullptr);
    EXPECT_EQ(grid.PeekBooking(2, 0), nullptr);

    event_->SetLocked(false);
    schedule_->OptimiseTeacher(0);
    EXPECT_EQ(grid.PeekBooking(0, 0), nullptr);
    EXPECT_NE(grid.PeekBooking(2, 0), nullptr);
}

// A step whose rules unbook as it goes (a break added, a talk chosen) has each booking it gave
// up named by its request and day, in one warning; one only moved, or left standing, is not.
TEST_F(TwoDaySchedule, TheBookingsAStepGivesUpAreNamedInOneWarning) {
    Teacher* ann = AddTeacher("Ann Able");
    Parent* adams = AddParent("Adams");
    Parent* brown = AddParent("Brown");
    AppointmentRequest* adamsRequest = Request(adams, 0, ann);
    AppointmentRequest* brownRequest = Request(brown, 0, ann);
    ASSERT_TRUE(event_->AddPresentation(
        std::make_unique<Presentation>("Careers", "Hall", Date(5, 3, 2024), "18:00", "18:10")));
    Presentation* careers = event_->GetPresentations().GetPresentation(0);
    Schedule& second = *schedule_->GetDay(1);
    const std::string heading =
        "Warning: These appointments fall where the teacher or the family is no longer "
        "available (away, outside their hours, in a break or at a presentation) and have been "
        "unbooked:";
    struct Case {
        const char* name;
        std::function<void()> step;
        std::vector<std::string> lines;
    } cases[] = {
        {"a break over a booking",
         [&] { second.AddTeacherBreaks(ann, TimeOfDay(18, 5, 0), 1, 0); },
         {"Adams about Adams child 0 with Ann Able at 6:05pm on 05 Mar 2024"}},
        {"a talk chosen over a booking",
         [&] { EXPECT_TRUE(schedule_->AttendPresentation(brown, careers)); },
         {"Brown about Brown child 0 with Ann Able at 6:00pm on 05 Mar 2024"}},
        {"a break over both",
         [&] { second.AddBreaksForAllTeachers(TimeOfDay(18, 0, 0), 2, 0); },
         {"Brown about Brown child 0 with Ann Able at 6:00pm on 05 Mar 2024",
          "Adams about Adams child 0 with Ann Able at 6:05pm on 05 Mar 2024"}},
        {"a booking moved to the other day",
         [&] {
             EXPECT_NE(second.GetGrid().RemoveBooking(1, 0), nullptr);
             Book(adamsRequest, 0, 3);
         },
         {}},
        {"a break clear of the bookings",
         [&] { second.AddTeacherBreaks(ann, TimeOfDay(19, 0, 0), 1, 0); },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ann->ClearBreaks();
        brown->RemovePresentation(careers);
        schedule_->ClearBookings();
        Book(brownRequest, 1, 0);
        Book(adamsRequest, 1, 1);
        UCStringError sink;
        const MultiDaySchedule::HeldBookings held = schedule_->GetBookings();
        c.step();
        EXPECT_EQ(schedule_->ReportBookingsGivenUp(held), c.lines);
        std::string said;
        for (const std::string& line : c.lines) {
            said += (said.empty() ? heading : "") + "\n" + line;
        }
        EXPECT_EQ(sink.GetText(), said.empty() ? "" : said + "\n");
    }
}

// A locked timetable is final: the whole event's day operations and the optimiser's mutations
// say so once, however many days there are, and leave bookings, breaks and times alone.
TEST_F(TwoDaySchedule, WholeTimetableChangesRefuseALockedEventWithOneMessage) {
    struct Case {
        const char* name;
        std::function<void(MultiDaySchedule&, Teacher*)> call;
        const char* message;
    };
    const Case cases[] = {
        // Ann now arrives after the booking it keeps, which it names.
        {"out of range", [](MultiDaySchedule& s, Teacher*) { s.UnbookOutOfRangeAppointments(); },
         "Cannot unbook out of range appointments because the schedule is locked, so these "
         "appointments stay where the teacher or the family is no longer available (away, "
         "outside their hours, in a break or at a presentation):\nAdams about Adams child 0 "
         "with Ann Able at 6:05pm on 04 Mar 2024"},
        {"breaks", [](MultiDaySchedule& s, Teacher*) { s.RemoveTeacherBreaks(); },
         "Cannot remove teacher breaks because the schedule is locked"},
        {"attendance", [](MultiDaySchedule& s, Teacher*) { s.ResetAttendanceTimes(); },
         "Cannot reset attendance times because the schedule is locked"},
        {"boundaries", [](MultiDaySchedule& s, Teacher*) { s.EnforceTimeBoundaries(); },
         "Cannot enforce time boundaries because the schedule is locked"},
        {"rebook", [](MultiDaySchedule& s, Teacher*) { s.RebookParents(); },
         "Cannot rebook parents because the schedule is locked"},
        {"rebook and optimise", [](MultiDaySchedule& s, Teacher*) { s.RebookParentsAndOptimise(); },
         "Cannot rebook parents because the schedule is locked"},
        {"book at a time",
         [](MultiDaySchedule& s, Teacher* t) {
             const AppointmentRequest* request =
                 s.GetEvent()->GetParents().At(0)->GetPupil(0)->GetRequest(0);
             auto booking = std::make_shared<Appointment>(const_cast<AppointmentRequest*>(request));
             int row = s.GetEvent()->GetTeachers().IndexOf(t);
             EXPECT_FALSE(
                 s.BookAtTime(booking, row, DateTime(Date(5, 3, 2024), TimeOfDay(19, 0, 0))));
         },
         "Cannot book an appointment because the schedule is locked"},
    };
    Teacher* ann = AddTeacher("Ann Able");
    Parent* parent = AddParent("Adams");
    Book(Request(parent, 0, ann), 0, 1);
    Request(parent, 0, ann);  // left unbooked, so a rebooking would have something to do
    const DateTime annsBreak(Date(5, 3, 2024), TimeOfDay(20, 0, 0));
    ann->AddBreak(annsBreak);
    ASSERT_TRUE(ann->SetTimes(schedule_->GetDay(0), TimeOfDay(18, 30, 0), TimeOfDay(22, 0, 0)));
    ann->SetArrivesLate(schedule_->GetDay(0), true);
    event_->SetLocked(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UCStringError sink;
        c.call(*schedule_, ann);
        EXPECT_EQ(sink.GetText(), std::string("Error: ") + c.message + "\n");
        EXPECT_NE(schedule_->GetDay(0)->GetGrid().PeekBooking(1, 0), nullptr);
        EXPECT_EQ(CountBookings(), 1);
        EXPECT_TRUE(ann->HasBreak(annsBreak));
        EXPECT_TRUE(ann->ArrivesLate(schedule_->GetDay(0)));
    }
}

TEST_F(TwoDaySchedule, UnbookingTakesThePersonOffEveryDay) {
    Teacher* ann = AddTeacher("Ann Able");
    Teacher* bob = AddTeacher("Bob Baker");
    Parent* adams = AddParent("Adams", 2);
    Parent* baker = AddParent("Baker");
    Book(Request(adams, 0, ann), 0, 1);
    Book(Request(adams, 1, bob), 1, 1);
    Book(Request(baker, 0, ann), 1, 4);

    EXPECT_TRUE(schedule_->UnbookPupil(adams->GetPupil(1)));
    EXPECT_EQ(CountBookings(), 2);
    EXPECT_TRUE(schedule_->UnbookTeacher(ann));
    EXPECT_EQ(CountBookings(), 0);
    EXPECT_EQ(schedule_->GetScore().Unbooked, 3u);
    EXPECT_EQ(schedule_->ReportTeachersWithAppointments(), "No teachers have appointments\n");
}

// Missing one day of two costs only that day's talks: the other day's stay, whoever is absent
// and whichever editor's OK asks for the unbooking.
TEST_F(TwoDaySchedule, AbsenceOnOneDayDropsOnlyThatDaysTalks) {
    Teacher* ann = AddTeacher("Ann Able");
    Parent* adams = AddParent("Adams");
    const std::vector<Attendee*> people{ann, adams};
    for (Attendee* person : people) {
        SCOPED_TRACE(person->GetName());
        for (unsigned d = 0; d < 2; ++d) {
            const std::string name = person->GetName() + " talk " + std::to_string(d);
            Schedule* day = schedule_->GetDay(d);
            ASSERT_TRUE(event_->AddPresentation(
                std::make_unique<Presentation>(name, "Hall", day->GetDate(), "19:00", "19:30")));
            ASSERT_TRUE(day->AttendPresentation(person, event_->GetPresentations().Find(name)));
        }
        person->SetAttending(schedule_->GetDay(0), false);
        schedule_->UnbookOutOfRangeAppointments();
        ASSERT_EQ(person->GetPresentations().Count(), 1u);
        EXPECT_EQ(person->GetPresentations().GetPresentation(0)->GetName(),
                  person->GetName() + " talk 1");
    }
}

// Days take new dates together, so a day may take another's old date and keep only its own.
TEST_F(TwoDaySchedule, NewDatesMoveEachDaysDataTogetherOrNotAtAll) {
    Teacher* ann = AddTeacher("Ann Able");
    Parent* adams = AddParent("Adams");
    Schedule* first = schedule_->GetDay(0);
    Schedule* second = schedule_->GetDay(1);
    ASSERT_TRUE(event_->AddPresentation(
        std::make_unique<Presentation>("First", "Hall", first->GetDate(), "19:00", "19:30")));
    ASSERT_TRUE(event_->AddPresentation(
        std::make_unique<Presentation>("Second", "Hall", second->GetDate(), "19:00", "19:30")));
    first->AddTeacherBreaks(ann, TimeOfDay(18, 0, 0), 1, 0);
    second->AddTeacherBreaks(ann, TimeOfDay(20, 0, 0), 1, 0);
    adams->SetAttending(first, false);
    // A record of a day that is gone must not come into force on a day moved onto its date.
    adams->GetOrCreateRecord(Date(7, 3, 2024))->SetAttending(false);
    ann->AddBreak(DateTime(Date(7, 3, 2024), TimeOfDay(19, 0, 0)));

    struct Refusal {
        const char* name;
        std::vector<Date> dates;
        bool locked;
        const char* message;
    };
    const Refusal refusals[] = {
        {"two days of one date", {Date(5, 3, 2024)}, false, ""},
        {"more dates than days", {Date(6, 3, 2024), Date(7, 3, 2024), Date(8, 3, 2024)}, false, ""},
        {"locked",
         {Date(6, 3, 2024), Date(7, 3, 2024)},
         true,
         "Error: Cannot set the event date because the schedule is locked\n"},
    };
    UCStringError sink;
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name);
        event_->SetLocked(r.locked);
        EXPECT_FALSE(schedule_->SetDayDates(r.dates));
        EXPECT_EQ(sink.GetText(), r.message);
        EXPECT_EQ(first->GetDate(), Date(4, 3, 2024));
        EXPECT_EQ(event_->GetPresentations().Find("First")->GetDate(), Date(4, 3, 2024));
    }
    event_->SetLocked(false);

    ASSERT_TRUE(schedule_->SetDayDates({Date(5, 3, 2024), Date(7, 3, 2024)}));
    EXPECT_EQ(event_->GetPresentations().Find("First")->GetDate(), Date(5, 3, 2024));
    EXPECT_EQ(event_->GetPresentations().Find("Second")->GetDate(), Date(7, 3, 2024));
    EXPECT_EQ(ann->GetBreaks(),
              (std::vector<DateTime>{DateTime(Date(5, 3, 2024), TimeOfDay(18, 0, 0)),
                                     DateTime(Date(7, 3, 2024), TimeOfDay(20, 0, 0))}));
    EXPECT_FALSE(adams->IsAttending(first));
    EXPECT_TRUE(adams->IsAttending(second));
    EXPECT_EQ(adams->GetRecords().count(Date(4, 3, 2024)), 0u);
}

TEST_F(TwoDaySchedule, DeleteParentsRemovesOnlyParentsWithoutRequests) {
    Teacher* ann = AddTeacher("Ann Able");
    Request(AddParent("Adams"), 0, ann);
    AddParent("Baker");
    Request(AddParent("Clark"), 0, ann);
    EXPECT_EQ(schedule_->DeleteParents(), 1);
    ASSERT_EQ(event_->GetParents().Count(), 2u);
    EXPECT_EQ(event_->GetParents().At(0)->GetName(), "Adams");
    EXPECT_EQ(event_->GetParents().At(1)->GetName(), "Clark");
    EXPECT_EQ(schedule_->CountParentsWithoutRequests(), 0);
}

// A family without requests may still be named by a booking (its child moved to another family
// with a request booked): that booking goes with it, and a locked one keeps it and every family
// after it, as deleting them one by one in list order would.
TEST_F(TwoDaySchedule, DeleteParentsTakesTheirLeftOverBookingsAndStopsAtALockedOne) {
    for (const bool locked : {false, true}) {
        SCOPED_TRACE(locked ? "locked" : "unlocked");
        SetUp();
        UCStringError sink;
        Teacher* ann = AddTeacher("Ann Able");
        AddParent("Abbot", 0);
        Parent* baker = AddParent("Baker", 0);
        Parent* clark = AddParent("Clark");
        AddParent("Dean", 0);
        AppointmentRequest* moved = Request(clark, 0, ann);
        moved->SetParent(baker);
        Book(moved, 1, 3)->SetLocked(locked);
        Book(Request(clark, 0, ann), 0, 2);

        EXPECT_EQ(schedule_->DeleteParents(), locked ? 1 : 3);
        std::vector<std::string> left;
        for (unsigned i = 0; i < event_->GetParents().Count(); ++i) {
            left.push_back(event_->GetParents().At(i)->GetName());
        }
        const std::vector<std::string> kept =
            locked ? std::vector<std::string>{"Baker", "Clark", "Dean"}
                   : std::vector<std::string>{"Clark"};
        EXPECT_EQ(left, kept);
        EXPECT_EQ(schedule_->GetDay(1)->GetGrid().PeekBooking(3, 0) != nullptr, locked);
        EXPECT_NE(schedule_->GetDay(0)->GetGrid().PeekBooking(2, 0), nullptr);
        EXPECT_EQ(sink.GetText(),
                  locked ? "Error: Cannot delete a parent because the schedule is locked\n" : "");
    }
}

TEST_F(TwoDaySchedule, RebookAndOptimiseBooksAnUnbookedParentOnlyWithTwoDays) {
    for (unsigned d = 0; d < 2; ++d) {
        schedule_->GetDay(d)->SetEndTime(TimeOfDay(18, 5, 0));
    }
    Teacher* ann = AddTeacher("Ann Able");
    Book(Request(AddParent("Adams"), 0, ann), 0, 0);
    Parent* waiting = AddParent("Baker");
    Request(waiting, 0, ann);

    // A single day: nobody is rebooked, but the day is still optimised.
    MultiDaySchedule oneDay(event_);
    oneDay.GetDay(0)->SetEndTime(TimeOfDay(18, 5, 0));
    oneDay.GetDay(0)->GetGrid() = schedule_->GetDay(0)->GetGrid();
    OptimiserStats stats;
    oneDay.SetOptimiserStats(&stats);
    oneDay.RebookParentsAndOptimise();
    EXPECT_TRUE(oneDay.HasUnbookedRequest(waiting));
    EXPECT_NE(stats.ToString(), OptimiserStats().ToString());

    schedule_->RebookParentsAndOptimise();
    EXPECT_FALSE(schedule_->HasUnbookedRequest(waiting));
    TimeOfDay time;
    EXPECT_TRUE(schedule_->GetDay(1)->IsRequestBooked(waiting->GetPupil(0)->GetRequest(0), &time));
}

// A seeded school of a few teachers and families over two short days, to check what must hold
// after any booking.
class GeneratedTwoDaySchool : public TwoDaySchedule {
protected:
    void SetUp() override {
        TwoDaySchedule::SetUp();
        std::srand(20240304);
        for (unsigned d = 0; d < 2; ++d) {
            schedule_->GetDay(d)->SetEndTime(TimeOfDay(19, 30, 0));
        }
        std::vector<Teacher*> teachers;
        for (int t = 0; t < 7; ++t) {
            teachers.push_back(AddTeacher("Teacher " + std::to_string(t)));
            teachers.back()->SetApptLength(1 + t % 2);
        }
        for (int p = 0; p < 40; ++p) {
            Parent* parent = AddParent("Family " + std::to_string(p), 1 + std::rand() % 2);
            for (unsigned c = 0; c < parent->GetPupilCount(); ++c) {
                int wanted = 1 + std::rand() % 4;
                for (int r = 0; r < wanted; ++r) {
                    Teacher* teacher = teachers[static_cast<size_t>(std::rand()) % teachers.size()];
                    if (!parent->GetPupil(c)->HasRequestFor(teacher)) {
                        parent->GetPupil(c)->AddRequest(teacher, "", std::rand() % 3, -1);
                    }
                }
            }
        }
    }

    // Every booked request stands in one run of cells of its own length, in its teacher's row,
    // on one day only.
    void ExpectEachRequestInOnePlace() const {
        struct Place {
            unsigned day;
            int row;
            std::vector<int> slots;
        };
        std::map<const AppointmentRequest*, std::vector<Place>> places;
        ForEachBooking([&](unsigned d, int row, int slot, const Appointment& booking) {
            auto& list = places[booking.GetRequest()];
            if (list.empty() || list.back().day != d || list.back().row != row) {
                list.push_back({d, row, {}});
            }
            list.back().slots.push_back(slot);
        });
        for (const auto& [request, list] : places) {
            ASSERT_EQ(list.size(), 1u) << request->GetPupil()->GetName();
            const Place& place = list.front();
            EXPECT_EQ(place.row, event_->GetTeachers().IndexOf(request->GetTeacher()));
            ASSERT_EQ(static_cast<int>(place.slots.size()), request->GetLength());
            for (size_t i = 1; i < place.slots.size(); ++i) {
                EXPECT_EQ(place.slots[i], place.slots[0] + static_cast<int>(i));
            }
        }
    }
};

TEST_F(GeneratedTwoDaySchool, AfterBookingAndRebookingEveryRequestIsInOnePlaceOnly) {
    ASSERT_TRUE(schedule_->BookAll(BookRandomThenOrderKey));
    ASSERT_GT(CountBookings(), 100);
    ExpectEachRequestInOnePlace();
    WalkEveryDay();
    for (int i = 0; i < 30; ++i) {
        schedule_->RebookParents();
    }
    ExpectEachRequestInOnePlace();
    schedule_->RebookParentsAndOptimise();
    ExpectEachRequestInOnePlace();
    WalkEveryDay();
}

TEST_F(GeneratedTwoDaySchool, EventScoreIsTheDaysPlusEveryRequestBookedOnNoDay) {
    ASSERT_TRUE(schedule_->BookAll(BookRandomThenOrderKey));
    Score expected;
    for (unsigned d = 0; d < schedule_->GetDayCount(); ++d) {
        expected += schedule_->GetDay(d)->GetScore();
    }
    unsigned unbooked = 0;
    const ParentList& parents = event_->GetParents();
    for (unsigned i = 0; i < parents.Count(); ++i) {
        for (unsigned c = 0; c < parents.At(i)->GetPupilCount(); ++c) {
            const Pupil* pupil = parents.At(i)->GetPupil(c);
            for (unsigned r = 0; r < pupil->GetRequestCount(); ++r) {
                unbooked += schedule_->IsRequestBooked(pupil, static_cast<int>(r)) ? 0 : 1;
            }
        }
    }
    expected.Unbooked = unbooked;
    ASSERT_GT(unbooked, 0u) << "the school should be too full to book everything";
    Score score;
    schedule_->GetScore(&score);
    EXPECT_EQ(score, expected);
    EXPECT_EQ(score.Unbooked, expected.Unbooked);
    EXPECT_EQ(score.Attendance, expected.Attendance);
}

TEST_F(GeneratedTwoDaySchool, DeletingBookedPeopleNeverLeavesADanglingBooking) {
    ASSERT_TRUE(schedule_->BookAll(BookRandom));
    const int before = CountBookings();
    ASSERT_GT(before, 0);
    // The people of the first booking found.
    auto firstBooked = [this]() -> const AppointmentRequest* {
        const AppointmentRequest* first = nullptr;
        ForEachBooking([&](unsigned, int, int, const Appointment& booking) {
            first = first != nullptr ? first : booking.GetRequest();
        });
        return first;
    };
    ASSERT_NE(firstBooked(), nullptr);
    ASSERT_TRUE(schedule_->DeleteTeacher(firstBooked()->GetTeacher()));
    WalkEveryDay();
    ASSERT_NE(firstBooked(), nullptr);
    ASSERT_TRUE(schedule_->DeleteParent(firstBooked()->GetPupil()->GetParent()));
    WalkEveryDay();
    EXPECT_LT(CountBookings(), before);
    schedule_->GetScore();
    ExpectEachRequestInOnePlace();
}

}  // namespace

// The whole event's score taken in pieces of any size is the score taken at once.
TEST_F(GeneratedTwoDaySchool, TheScoreTakenInPiecesOfAnySizeIsTheWholeScore) {
    ASSERT_TRUE(schedule_->BookAll(BookRandomThenOrderKey));
    const Score whole = schedule_->GetScore();
    const unsigned rows = event_->GetTeachers().Count();
    const unsigned parents = event_->GetParents().Count();
    const struct {
        unsigned rowsPerPiece;
        unsigned parentsPerPiece;
        unsigned leastPieces;
    } kCases[] = {
        {1, 1, 2 * rows + parents},
        {7, 5, 2 * (rows / 7) + parents / 5},
        {StagedScore::kRowsPerPiece, StagedScore::kParentsPerPiece, 2},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::to_string(c.rowsPerPiece) + " rows, " +
                     std::to_string(c.parentsPerPiece) + " parents a piece");
        StagedScore staged;
        staged.Begin(*schedule_, c.rowsPerPiece, c.parentsPerPiece);
        unsigned pieces = 1;
        while (!staged.Next()) {
            ++pieces;
        }
        EXPECT_GE(pieces, c.leastPieces);
        const Score& score = staged.GetScore();
        EXPECT_EQ(score, whole);
        EXPECT_EQ(score.Unbooked, whole.Unbooked);
        EXPECT_EQ(score.Attendance, whole.Attendance);
    }
}

// Booking the whole event in pieces, with the ordering of large batches in pieces of its own or
// not, books exactly what the day-by-day booking of every parent books, drawing the same random
// numbers and relaxing the same parents' gaps.
TEST_F(GeneratedTwoDaySchool, BookingInPiecesBooksWhatBookingAllParentsAtOnceBooks) {
    struct Outcome {
        std::vector<const AppointmentRequest*> cells;
        std::vector<ParentGapMode> modes;
        int nextRand = 0;
    };
    const ParentList& parents = event_->GetParents();
    std::vector<ParentGapMode> modes;
    for (unsigned i = 0; i < parents.Count(); ++i) {
        modes.push_back(parents.At(i)->GetGapMode());
    }
    auto book = [&](const std::function<void()>& booking) {
        for (unsigned i = 0; i < parents.Count(); ++i) {
            parents.At(i)->SetGapMode(modes[i]);
        }
        schedule_->ClearBookings();
        std::srand(77);
        booking();
        Outcome outcome;
        outcome.nextRand = std::rand();
        for (unsigned d = 0; d < schedule_->GetDayCount(); ++d) {
            const AppointmentGrid& grid = schedule_->GetDay(d)->GetGrid();
            for (unsigned row = 0; row < grid.GetRowCount(); ++row) {
                for (unsigned slot = 0; slot < grid.GetSlotCount(); ++slot) {
                    const Appointment* booking =
                        grid.PeekBooking(static_cast<int>(slot), static_cast<int>(row));
                    outcome.cells.push_back(booking ? booking->GetRequest() : nullptr);
                }
            }
        }
        for (unsigned i = 0; i < parents.Count(); ++i) {
            outcome.modes.push_back(parents.At(i)->GetGapMode());
        }
        return outcome;
    };
    for (int order : {BookRandom, BookRandomThenOrderKey, BookAsGiven}) {
        SCOPED_TRACE(order);
        const Outcome atOnce = book([&] {
            unsigned unbooked = 0;
            ASSERT_TRUE(schedule_->BookParents(&parents, &unbooked, order));
        });
        for (size_t orderedInOnePiece : {size_t{0}, StagedBooking::kOrderedInOnePiece}) {
            SCOPED_TRACE(orderedInOnePiece);
            const Outcome staged = book([&] {
                StagedBooking booking(*schedule_, order, orderedInOnePiece);
                while (!booking.Next()) {
                }
                EXPECT_TRUE(booking.Succeeded());
            });
            EXPECT_TRUE(staged.cells == atOnce.cells);
            EXPECT_EQ(staged.modes, atOnce.modes);
            EXPECT_EQ(staged.nextRand, atOnce.nextRand);
        }
    }
}

// Rebooking a parent with an unbooked request picks, with one random number, from the parents
// who attend both days and have a request booked on no day, however small its pieces.
TEST_F(GeneratedTwoDaySchool, RebookingPicksFromTheParentsWithAnUnbookedRequestInAnyPieces) {
    ASSERT_TRUE(schedule_->BookAll(BookRandomThenOrderKey));
    const ParentList& parents = event_->GetParents();
    // One family away on the second day is never a candidate.
    parents.At(0)->SetAttending(schedule_->GetDay(1), false);
    auto cellsOf = [](const MultiDaySchedule& timetable) {
        std::vector<const AppointmentRequest*> cells;
        for (unsigned d = 0; d < timetable.GetDayCount(); ++d) {
            const AppointmentGrid& grid = timetable.GetDay(d)->GetGrid();
            for (unsigned row = 0; row < grid.GetRowCount(); ++row) {
                for (unsigned slot = 0; slot < grid.GetSlotCount(); ++slot) {
                    const Appointment* booking =
                        grid.PeekBooking(static_cast<int>(slot), static_cast<int>(row));
                    cells.push_back(booking ? booking->GetRequest() : nullptr);
                }
            }
        }
        return cells;
    };
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        // What the rule says, step by step through the public operations.
        MultiDaySchedule expected(*schedule_);
        std::vector<Parent*> candidates;
        for (unsigned i = 0; i < parents.Count(); ++i) {
            Parent* parent = parents.At(i);
            if (parent->IsAttending(expected.GetDay(0)) &&
                parent->IsAttending(expected.GetDay(1)) && expected.HasUnbookedRequest(parent)) {
                candidates.push_back(parent);
            }
        }
        ASSERT_GT(candidates.size(), 1u);
        std::srand(seed);
        Parent* picked = candidates[static_cast<unsigned>(std::rand()) % candidates.size()];
        ASSERT_TRUE(expected.UnbookParent(picked));
        ParentList one;
        one.Append(picked);
        unsigned unbooked = 0;
        ASSERT_TRUE(expected.BookParents(&one, &unbooked, BookRandom));
        const int expectedNext = std::rand();

        for (unsigned perPiece : {1u, 3u, StagedRebook::kParentsPerPiece}) {
            MultiDaySchedule rebooked(*schedule_);
            std::srand(seed);
            StagedRebook rebooking;
            rebooking.Begin(rebooked, perPiece, perPiece);
            int pieces = 1;
            while (!rebooking.Next()) {
                ++pieces;
            }
            EXPECT_TRUE(rebooking.Succeeded());
            EXPECT_EQ(std::rand(), expectedNext);
            EXPECT_TRUE(cellsOf(rebooked) == cellsOf(expected)) << perPiece;
            if (perPiece == 1) {
                EXPECT_GE(pieces, static_cast<int>(parents.Count()));
            }
        }
    }
}

namespace {

// Everything a timetable holds, cell by cell: the request, first slot and lock of each booking,
// the row the parent index gives for each booked parent, each day's date and hours.
std::vector<std::string> Snapshot(const MultiDaySchedule& timetable) {
    std::vector<std::string> lines;
    for (unsigned d = 0; d < timetable.GetDayCount(); ++d) {
        const Schedule& day = *timetable.GetDay(d);
        const AppointmentGrid& grid = day.GetGrid();
        lines.push_back(day.GetDate().FormatISO() + " " + day.GetStartTime().Format(Time24h) +
                        "-" + day.GetEndTime().Format(Time24h));
        for (unsigned row = 0; row < grid.GetRowCount(); ++row) {
            for (unsigned slot = 0; slot < grid.GetSlotCount(); ++slot) {
                const Appointment* booking =
                    grid.PeekBooking(static_cast<int>(slot), static_cast<int>(row));
                if (booking == nullptr) {
                    continue;
                }
                const Parent* parent = booking->GetRequest()->GetParent();
                lines.push_back(std::to_string(row) + "/" + std::to_string(slot) + " " +
                                booking->GetRequest()->GetPupil()->GetName() + " first " +
                                std::to_string(booking->GetFirstSlot()) +
                                (booking->IsLocked() ? " locked" : "") + " index row " +
                                std::to_string(grid.FindParentRow(static_cast<int>(slot), parent)));
            }
        }
    }
    return lines;
}

}  // namespace

// A copy made a few rows at a time, into a new timetable, one with other bookings or one with
// more days, is the assignment: the same cells, locks, parent index, days and flags, and its
// bookings its own.
TEST_F(GeneratedTwoDaySchool, ACopyInPiecesIsTheAssignment) {
    ASSERT_TRUE(schedule_->BookAll(BookRandomThenOrderKey));
    schedule_->GetDay(1)->GetGrid().SetLocked(true);
    const std::vector<std::string> source = Snapshot(*schedule_);
    MultiDaySchedule booked(*schedule_);
    ASSERT_TRUE(booked.BookAll(BookRandom));
    MultiDaySchedule longer(*schedule_);
    ASSERT_TRUE(longer.AppendNextDay());
    struct Target {
        const char* name;
        std::function<std::unique_ptr<MultiDaySchedule>()> make;
    } targets[] = {
        {"new", [] { return std::make_unique<MultiDaySchedule>(nullptr); }},
        {"booked otherwise", [&] { return std::make_unique<MultiDaySchedule>(booked); }},
        {"a day longer", [&] { return std::make_unique<MultiDaySchedule>(longer); }},
    };
    for (const Target& made : targets) {
        for (unsigned rowsPerPiece : {1u, 3u, StagedCopy::kRowsPerPiece}) {
            SCOPED_TRACE(std::string(made.name) + ", rows a piece " +
                         std::to_string(rowsPerPiece));
            std::unique_ptr<MultiDaySchedule> target = made.make();
            target->ClearModified();
            StagedCopy copy;
            copy.Begin(*target, *schedule_, rowsPerPiece);
            int pieces = 1;
            while (!copy.Next()) {
                ++pieces;
            }
            EXPECT_FALSE(copy.IsBusy());
            EXPECT_GE(pieces, rowsPerPiece == 1 ? 14 : 1);
            EXPECT_EQ(Snapshot(*target), source);
            EXPECT_EQ(target->GetEvent(), schedule_->GetEvent());
            EXPECT_TRUE(target->GetDay(0)->IsModified());
            EXPECT_EQ(target->GetScore(), schedule_->GetScore());
            // The copy's bookings are its own.
            ASSERT_TRUE(target->GetDay(0)->GetGrid().PeekBooking(0, 0) != nullptr ||
                        target->GetDay(0)->GetGrid().PeekBooking(1, 0) != nullptr);
            target->ClearBookings();
            EXPECT_EQ(Snapshot(*schedule_), source);
        }
    }
}

// Rebooking one or two random parents in pieces of a row books, draws and refuses what
// RebookParents does in one go, a locked booking of a picked parent keeping it as it was.
TEST_F(GeneratedTwoDaySchool, RebookingParentsInPiecesIsRebookingThemAtOnce) {
    ASSERT_TRUE(schedule_->BookAll(BookRandomThenOrderKey));
    bool refused = false;
    for (const bool locked : {false, true}) {
        if (locked) {
            schedule_->GetDay(0)->GetGrid().SetLocked(true);
        }
        for (unsigned seed : {1u, 2u, 3u, 4u}) {
            SCOPED_TRACE(std::to_string(seed) + (locked ? " locked" : ""));
            MultiDaySchedule atOnce(*schedule_);
            std::srand(seed);
            UCStringError atOnceSink;
            atOnce.RebookParents();
            const int atOnceNext = std::rand();

            MultiDaySchedule inPieces(*schedule_);
            std::srand(seed);
            UCStringError inPiecesSink;
            StagedRebookParents rebooking;
            rebooking.Begin(inPieces);
            int pieces = 1;
            while (!rebooking.Next()) {
                ++pieces;
            }
            EXPECT_EQ(std::rand(), atOnceNext);
            EXPECT_EQ(Snapshot(inPieces), Snapshot(atOnce));
            const std::string said = atOnceSink.GetText();
            EXPECT_EQ(inPiecesSink.GetText(), said);
            EXPECT_GE(pieces, 2);
            refused = refused || !said.empty();
        }
    }
    EXPECT_TRUE(refused);
}
