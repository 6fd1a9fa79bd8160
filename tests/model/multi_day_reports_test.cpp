#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/appointment_request.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"

namespace {

// Two days; teachers Ann and Bob booked, Cat not. Parents: Adams (booked), Baker (pupil without
// requests), Clark (attends no day, pupil without requests), Dunn (an unbooked request, and one
// whose teacher has gone).
class MultiDayReports : public ::testing::Test {
protected:
    void SetUp() override {
        event_ = std::make_shared<Event>();
        schedule_ = std::make_unique<MultiDaySchedule>(event_);
        schedule_->GetDay(0)->SetDate(Date(4, 3, 2024));
        EXPECT_TRUE(schedule_->AppendNextDay());
        ann_ = AddTeacher("Ann Able", "AA");
        bob_ = AddTeacher("Bob Baker", "BB");
        cat_ = AddTeacher("Cat Cole", "CC");
        adams_ = AddParent("Adams", "Amy Adams", "7A");
        baker_ = AddParent("Baker", "Ben Baker", "");
        clark_ = AddParent("Clark", "Cy Clark", "");
        dunn_ = AddParent("Dunn", "Dee Dunn", "8D");
        for (unsigned d = 0; d < schedule_->GetDayCount(); ++d) {
            clark_->SetAttending(schedule_->GetDay(d), false);
        }
        Book(adams_, ann_, 0, 0);
        Book(adams_, bob_, 1, 3);
        Pupil* dee = dunn_->GetPupil(0);
        dee->AddRequest(cat_, "", 1, 1);
        dee->AddRequest(ann_, "", 1, 1);
        dee->GetRequest(1)->SetTeacher(nullptr);
    }

    Teacher* AddTeacher(const std::string& name, const std::string& initials) {
        auto teacher = std::make_unique<Teacher>(name);
        teacher->SetInitials(initials);
        Teacher* added = teacher.get();
        EXPECT_TRUE(schedule_->AddTeacher(std::move(teacher)));
        return added;
    }

    Parent* AddParent(const std::string& name, const std::string& pupil, const std::string& form) {
        auto parent = std::make_unique<Parent>(name);
        auto child = std::make_unique<Pupil>(pupil);
        child->SetForm(form);
        parent->AddPupil(std::move(child));
        Parent* added = parent.get();
        EXPECT_TRUE(schedule_->AddParent(std::move(parent)));
        return added;
    }

    void Book(Parent* parent, Teacher* teacher, unsigned day, int slot) {
        Pupil* pupil = parent->GetPupil(0);
        pupil->AddRequest(teacher, "", 1, 1);
        AppointmentRequest* request = pupil->GetRequest(pupil->GetRequestCount() - 1);
        request->SetParent(parent);
        auto booking = std::make_shared<Appointment>(request);
        ASSERT_TRUE(schedule_->GetDay(day)->GetGrid().PutBooking(
            slot, event_->GetTeachers().IndexOf(teacher), booking));
    }

    std::shared_ptr<Event> event_;
    std::unique_ptr<MultiDaySchedule> schedule_;
    Teacher* ann_ = nullptr;
    Teacher* bob_ = nullptr;
    Teacher* cat_ = nullptr;
    Parent* adams_ = nullptr;
    Parent* baker_ = nullptr;
    Parent* clark_ = nullptr;
    Parent* dunn_ = nullptr;
};

TEST_F(MultiDayReports, ListWhoIsLeftOutWithTheirHeadings) {
    EXPECT_EQ(schedule_->ReportTeachersWithoutAppointments(),
              "The following teachers have no appointments:\nCat Cole\n");
    EXPECT_EQ(schedule_->ReportTeachersWithAppointments(),
              "The following teachers have appointments:\nAnn Able\nBob Baker\n");
    // Clark attends no day and is never listed; Dunn's pupil has requests.
    EXPECT_EQ(schedule_->ReportParentsWithoutAppointments(),
              "The following parents have no appointments:\nBaker\n");
    EXPECT_EQ(schedule_->ReportPupilsWithoutAppointments(),
              "The following pupils have no appointments:\nBen Baker\n");
    EXPECT_EQ(schedule_->ReportUnbookedRequests(),
              "The following appointments are unbooked:\n"
              "Dee Dunn (8D) wants to see teacher Cat Cole\n"
              "Dee Dunn (8D) wants to see teacher \n");
}

TEST_F(MultiDayReports, SayAllOrNoWhenNobodyIsListed) {
    AppointmentRequest* request = nullptr;
    baker_->GetPupil(0)->AddRequest(cat_, "", 1, 1);
    request = baker_->GetPupil(0)->GetRequest(0);
    ASSERT_TRUE(
        schedule_->GetDay(0)->GetGrid().PutBooking(5, 2, std::make_shared<Appointment>(request)));
    dunn_->GetPupil(0)->DeleteRequest(1);
    dunn_->GetPupil(0)->DeleteRequest(0);
    dunn_->GetPupil(0)->AddRequest(bob_, "", 1, 1);
    ASSERT_TRUE(schedule_->GetDay(1)->GetGrid().PutBooking(
        7, 1, std::make_shared<Appointment>(dunn_->GetPupil(0)->GetRequest(0))));

    EXPECT_EQ(schedule_->ReportTeachersWithoutAppointments(), "All teachers have appointments\n");
    EXPECT_EQ(schedule_->ReportParentsWithoutAppointments(), "All parents have appointments\n");
    EXPECT_EQ(schedule_->ReportPupilsWithoutAppointments(), "All pupils have appointments\n");
    EXPECT_EQ(schedule_->ReportUnbookedRequests(), "All appointments are booked\n");

    schedule_->ClearBookings();
    EXPECT_EQ(schedule_->ReportTeachersWithAppointments(), "No teachers have appointments\n");
}

TEST_F(MultiDayReports, AreEmptyWithoutAnEvent) {
    schedule_->ResetEvent();
    EXPECT_EQ(schedule_->ReportTeachersWithoutAppointments(), "");
    EXPECT_EQ(schedule_->ReportParentsWithoutAppointments(), "");
    EXPECT_EQ(schedule_->ReportPupilsWithoutAppointments(), "");
    EXPECT_EQ(schedule_->ReportTeachersWithAppointments(), "");
    EXPECT_EQ(schedule_->ReportUnbookedRequests(), "");
    EXPECT_TRUE(schedule_->IsIdle(ann_));
}

TEST_F(MultiDayReports, IsIdleDependsOnTheKindOfPerson) {
    Person stranger("Stranger");
    const struct {
        const char* name;
        const Person* person;
        bool idle;
    } cases[] = {
        {"booked teacher", ann_, false},
        {"teacher without bookings", cat_, true},
        {"parent with requests", adams_, false},
        {"attending parent without requests", baker_, true},
        {"parent attending no day", clark_, false},
        {"pupil with requests", dunn_->GetPupil(0), false},
        {"pupil without requests", baker_->GetPupil(0), true},
        {"another kind", &stranger, true},
        {"nobody", nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(schedule_->IsIdle(c.person), c.idle);
    }
}

}  // namespace
