#pragma once

#include <memory>
#include <string>

#include "gui/support/gui_test.h"
#include "model/appointment.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

// Two teachers (Mr A "AB", Mrs B "MB") and the Jones parents with Amy (7B), on days from
// 7 Mar 2024, 18:00 to 21:00 in 10-minute slots.
class PeopleSchool : public GuiTest {
protected:
    explicit PeopleSchool(unsigned dayCount = 1) : event_(std::make_shared<Event>()) {
        event_->SetSlotLength(600);
        days_ = std::make_unique<MultiDaySchedule>(event_);
        days_->GetDay(0)->SetDate(Date(7, 3, 2024));
        while (days_->GetDayCount() < dayCount) {
            EXPECT_TRUE(days_->AppendNextDay());
        }
        for (unsigned i = 0; i < dayCount; ++i) {
            days_->GetDay(i)->SetStartTime(TimeOfDay(18, 0, 0));
            days_->GetDay(i)->SetEndTime(TimeOfDay(21, 0, 0));
        }
        mrA_ = AddTeacher("Mr A", "AB");
        mrsB_ = AddTeacher("Mrs B", "MB");
        jones_ = AddParent("Jones");
        amy_ = AddPupil(jones_, "Amy", "7B");
    }

    Teacher* AddTeacher(const std::string& name, const std::string& initials) {
        auto teacher = std::make_unique<Teacher>(name);
        teacher->SetInitials(initials);
        teacher->ResetAttendanceAllDays(days_.get());
        Teacher* raw = teacher.get();
        EXPECT_TRUE(days_->AddTeacher(std::move(teacher)));
        return raw;
    }
    Parent* AddParent(const std::string& name) {
        auto parent = std::make_unique<Parent>(name);
        parent->ResetAttendanceAllDays(days_.get());
        Parent* raw = parent.get();
        EXPECT_TRUE(days_->AddParent(std::move(parent)));
        return raw;
    }
    static Pupil* AddPupil(Parent* parent, const std::string& name, const std::string& form) {
        auto pupil = std::make_unique<Pupil>(name);
        pupil->SetForm(form);
        Pupil* raw = pupil.get();
        parent->AddPupil(std::move(pupil));
        return raw;
    }
    // Books the pupil's index-th request at hh:mm on the day.
    bool Book(Pupil* pupil, unsigned index, int hour, int minute, unsigned day = 0) {
        AppointmentRequest* request = pupil->GetRequest(index);
        const int row = event_->GetTeachers().IndexOf(request->GetTeacher());
        return days_->BookAtTime(
            std::make_shared<Appointment>(request), row,
            DateTime(days_->GetDay(day)->GetDate(), TimeOfDay(hour, minute, 0)));
    }
    void Lock() {
        event_->SetLocked(true);
        days_->SetLocked(true);
    }

    std::shared_ptr<Event> event_;
    std::unique_ptr<MultiDaySchedule> days_;
    Teacher* mrA_;
    Teacher* mrsB_;
    Parent* jones_;
    Pupil* amy_;
};
