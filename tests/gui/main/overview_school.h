#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/appointment_request.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/teacher.h"

// A small event for the views, built through the model: days of 6:00pm to 8:00pm in
// ten-minute slots (twelve a day), the first on 4 March 2024.
class OverviewSchool {
public:
    explicit OverviewSchool(unsigned days = 1) {
        EXPECT_TRUE(event->SetSlotLength(600));
        schedule = std::make_unique<MultiDaySchedule>(event);
        EXPECT_TRUE(schedule->GetDay(0)->SetDate(Date(4, 3, 2024)));
        for (unsigned d = 1; d < days; ++d) {
            EXPECT_TRUE(schedule->AppendNextDay());
        }
        for (unsigned d = 0; d < days; ++d) {
            schedule->GetDay(d)->SetStartTime(TimeOfDay(18, 0, 0));
            schedule->GetDay(d)->SetEndTime(TimeOfDay(20, 0, 0));
        }
    }

    Schedule& Day(unsigned index = 0) { return *schedule->GetDay(index); }

    Teacher* AddTeacher(const std::string& name, const std::string& initials = "") {
        auto teacher = std::make_unique<Teacher>(name);
        teacher->SetInitials(initials);
        Teacher* added = teacher.get();
        EXPECT_TRUE(schedule->AddTeacher(std::move(teacher)));
        return added;
    }

    // A parent with one pupil per form given ("" for no form).
    Parent* AddFamily(const std::string& name, const std::vector<std::string>& forms) {
        auto parent = std::make_unique<Parent>(name);
        int child = 0;
        for (const std::string& form : forms) {
            auto pupil = std::make_unique<Pupil>("Kid" + std::to_string(++child) + " " + name);
            pupil->SetForm(form);
            EXPECT_TRUE(parent->AddPupil(std::move(pupil)));
        }
        Parent* added = parent.get();
        EXPECT_TRUE(schedule->AddParent(std::move(parent)));
        return added;
    }

    AppointmentRequest* Request(Pupil* pupil, Teacher* teacher, int priority = 1) {
        EXPECT_TRUE(pupil->AddRequest(teacher, "", priority, 1));
        return pupil->GetRequest(pupil->GetRequestCount() - 1);
    }

    // Puts the request straight into the grid, past the placement rules.
    void Book(AppointmentRequest* request, int slot, unsigned day = 0) {
        const int row = event->GetTeachers().IndexOf(request->GetTeacher());
        EXPECT_TRUE(
            Day(day).GetGrid().PutBooking(slot, row, std::make_shared<Appointment>(request)));
    }

    // Teacher and parent attend a presentation from 7:00pm to 7:20pm on the first day.
    Presentation* AddPresentation(Attendee* attendee) {
        auto presentation =
            std::make_unique<Presentation>("Careers", "Hall", Date(4, 3, 2024), "7:00pm", "7:20pm");
        Presentation* added = presentation.get();
        EXPECT_TRUE(event->AddPresentation(std::move(presentation)));
        EXPECT_TRUE(schedule->AttendPresentation(attendee, added));
        return added;
    }

    void SetOptions(const std::function<void(ScheduleOptions&)>& change) {
        ScheduleOptions options = event->GetOptions();
        change(options);
        event->SetOptions(options);
    }

    std::shared_ptr<Event> event = std::make_shared<Event>();
    std::unique_ptr<MultiDaySchedule> schedule;
};
