#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

inline TimeOfDay At(int hours, int minutes, int seconds = 0) {
    return TimeOfDay(hours, minutes, seconds);
}

inline const Date kDay(5, 3, 2024);

// One day on kDay from 18:00 to 22:00 of 300-second slots, two teachers (Ann Smith in row 0,
// Bob Brown in row 1) and the family of Pat Jones with the children named (Sam Jones first).
// Each situation adds its own requests; the day and the event start out unmodified.
class DayFixture : public ::testing::Test {
public:
    explicit DayFixture(std::initializer_list<const char*> children = {"Sam Jones"})
        : event(std::make_shared<Event>()) {
        EXPECT_TRUE(event->AddTeacher(std::make_unique<Teacher>("Ann Smith")));
        EXPECT_TRUE(event->AddTeacher(std::make_unique<Teacher>("Bob Brown")));
        ann = event->GetTeachers().Get(0);
        bob = event->GetTeachers().Get(1);
        auto family = std::make_unique<Parent>("Pat Jones");
        for (const char* child : children) {
            family->AddPupil(std::make_unique<Pupil>(child));
        }
        parent = family.get();
        sam = parent->GetPupil(0);
        kim = parent->GetPupilCount() > 1 ? parent->GetPupil(1) : nullptr;
        EXPECT_TRUE(event->AddParent(std::move(family)));
        day = std::make_unique<Schedule>(event);
        day->SetDate(kDay);
        day->ClearModified();
        event->ClearModified();
    }

    // Straight into the grid, past the placement rules.
    std::shared_ptr<Appointment> Book(int slot, int row, AppointmentRequest* request) {
        auto booking = std::make_shared<Appointment>(request);
        EXPECT_TRUE(day->GetGrid().PutBooking(slot, row, booking));
        return booking;
    }
    // Sam's request of that index.
    std::shared_ptr<Appointment> Book(int slot, int row, int samsRequest) {
        return Book(slot, row, sam->GetRequest(static_cast<unsigned>(samsRequest)));
    }

    UCStringError sink;
    std::shared_ptr<Event> event;
    Teacher* ann = nullptr;
    Teacher* bob = nullptr;
    Parent* parent = nullptr;
    Pupil* sam = nullptr;
    Pupil* kim = nullptr;
    std::unique_ptr<Schedule> day;
};
