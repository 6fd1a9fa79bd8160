#pragma once

#include <cstddef>
#include <vector>

#include "model/request_set.h"

class AppointmentRequest;
class MultiDaySchedule;
class Parent;

// MultiDaySchedule::BookAll in short resumable pieces, for a caller that must answer between
// them: the days are emptied, then each day and priority gathers its requests a batch of
// parents at a time, orders them once and books them a batch at a time. Run to the end it is
// BookAll: the same bookings, the same messages, the same random numbers drawn.
class StagedBooking {
public:
    // The schedule must outlive this and be left alone until it has finished.
    StagedBooking(MultiDaySchedule& schedule, int order);

    // Does one piece; true once the booking has finished, successfully or not.
    bool Next();
    bool Succeeded() const { return state_ == Done; }

private:
    enum State { Begin, Gather, Order, Book, Done, Failed };

    void BeginStage();

    MultiDaySchedule& schedule_;
    int order_;
    State state_ = Begin;
    std::vector<Parent*> parents_;
    unsigned stage_ = 0;  // day x priority
    size_t next_ = 0;     // the next parent to gather or request to book
    std::vector<AppointmentRequest*> requests_;
    // Everything is unbooked at the start and only this booking books: what it has booked is
    // what the days hold, without searching them.
    RequestSet booked_;
};
