#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "model/request_set.h"

class Appointment;
class AppointmentRequest;
class DayAvailability;
class MultiDaySchedule;
class Parent;
class Pupil;
class Schedule;

// Schedule::GroupSiblingRequests a batch of positions at a time, for a booking cut into pieces;
// the batch must be left alone until the grouping is done.
class SiblingGrouping {
public:
    void Begin(std::vector<AppointmentRequest*>& requests);
    // True once the batch is grouped.
    bool Next(std::size_t count);

private:
    enum Stage { Keying, Grouping, Done };
    struct Key {
        const void* parent = nullptr;
        const void* teacher = nullptr;
        int index = -1;
    };

    // The index of the (parent, teacher) key, a new one when it is not known yet.
    int KeyIndex(const void* parent, const void* teacher);

    std::vector<AppointmentRequest*>* requests_ = nullptr;
    Stage stage_ = Done;
    std::size_t next_ = 0;
    // Each (parent, teacher) of a family with several pupils, in one open-addressed array, and
    // how many requests it has.
    std::vector<Key> keys_;
    std::size_t keyCount_ = 0;
    std::vector<std::size_t> sizes_;
    std::vector<int> keyAt_;
    std::vector<std::vector<std::size_t>> positions_;
};

// MultiDaySchedule::BookAll in short resumable pieces, for a caller that must answer between
// them: the days are emptied, then each day and priority gathers its requests a batch of
// parents at a time, orders them once and books them a batch at a time. Run to the end it is
// BookAll: the same bookings, the same messages, the same random numbers drawn.
class StagedBooking {
public:
    // A batch of requests larger than this is ordered in three pieces rather than one.
    static constexpr size_t kOrderedInOnePiece = 8192;

    // The schedule must outlive this and be left alone until it has finished.
    StagedBooking(MultiDaySchedule& schedule, int order,
                  size_t orderedInOnePiece = kOrderedInOnePiece);
    ~StagedBooking();

    // Does one piece; true once the booking has finished, successfully or not.
    bool Next();
    bool Succeeded() const { return state_ == Done; }

private:
    enum State { Begin, Clear, Collect, Gather, Order, Book, Done, Failed };
    // A request waiting to be booked, with what its gathering gives it.
    struct Waiting {
        AppointmentRequest* request;
        Pupil* pupil;
        Parent* parent;
        unsigned orderKey;
    };

    void BeginStage();

    MultiDaySchedule& schedule_;
    int order_;
    size_t orderedInOnePiece_;
    State state_ = Begin;
    std::vector<Parent*> parents_;
    unsigned stage_ = 0;  // day x priority
    size_t next_ = 0;     // the next day to empty, parent to collect, request to gather or book
    unsigned clearedRows_ = 0;  // rows of the day being emptied that are free already
    std::vector<AppointmentRequest*> requests_;
    // Every request by priority (0 to 2), in the order of parents, pupils and requests.
    std::vector<Waiting> waiting_[3];
    int orderStep_ = 0;
    SiblingGrouping grouping_;
    // Everything is unbooked at the start and only this booking books: what it has booked is
    // what the days hold, without searching them.
    RequestSet booked_;
    // The people's statuses on the day being booked.
    std::unique_ptr<DayAvailability> known_;
    unsigned knownDay_ = 0;
};

// MultiDaySchedule's unbooking of what a match picks out (a parent's bookings, say) in short
// resumable pieces: the days are searched a batch of rows at a time, then everything found is
// taken out at once, or nothing, with the locked message, when something found is locked. Run to
// the end it is the unbooking in one go.
class StagedUnbook {
public:
    static constexpr unsigned kRowsPerPiece = 256;
    using Match = std::function<bool(int row, const Appointment& booking)>;

    // Starts over; refused at once (with the message) while the event is locked. The schedule
    // must be left alone until the unbooking has finished.
    void Begin(MultiDaySchedule& schedule, Match match, const char* action,
               unsigned rowsPerPiece = kRowsPerPiece);
    // Does one piece; true once finished.
    bool Next();
    // Everything found was taken out.
    bool Succeeded() const { return state_ == Done; }

private:
    enum State { Searching, Done, Failed };
    struct Found {
        Schedule* day;
        int row;
        int slot;
    };

    MultiDaySchedule* schedule_ = nullptr;
    Match match_;
    const char* action_ = "";
    unsigned rowsPerPiece_ = kRowsPerPiece;
    State state_ = Done;
    unsigned day_ = 0;
    unsigned row_ = 0;
    std::vector<Found> found_;
};

// MultiDaySchedule::RebookParents in short resumable pieces, each parent's bookings searched for
// with a StagedUnbook. Run to the end it is RebookParents: the same parents, bookings, messages
// and random numbers drawn.
class StagedRebookParents {
public:
    // Starts over; the schedule must be left alone until the rebooking has finished.
    void Begin(MultiDaySchedule& schedule);
    // Does one piece; true once finished.
    bool Next();

private:
    enum State { First, Second, Booking, Done };

    // Of the parent picked last (nothing for none).
    void BeginUnbooking();

    MultiDaySchedule* schedule_ = nullptr;
    State state_ = Done;
    unsigned first_ = 0;
    std::vector<Parent*> picked_;
    StagedUnbook unbooking_;
};

// MultiDaySchedule::RebookUnbookedParent in short resumable pieces: what the days hold is read a
// batch of rows at a time, the parents who could be rebooked are found a batch at a time, then
// one of them is unbooked a batch of rows at a time and booked again. Run to the end it is
// RebookUnbookedParent: the same parent, the same bookings, the same random numbers drawn.
class StagedRebook {
public:
    static constexpr unsigned kRowsPerPiece = 256;
    static constexpr unsigned kParentsPerPiece = 1024;

    // Starts over; the schedule must be left alone until the rebooking has finished.
    void Begin(MultiDaySchedule& schedule, unsigned rowsPerPiece = kRowsPerPiece,
               unsigned parentsPerPiece = kParentsPerPiece);
    // Does one piece; true once finished.
    bool Next();
    // What RebookUnbookedParent answers: false when it was refused.
    bool Succeeded() const { return state_ == Done; }

private:
    enum State { Indexing, Scanning, Unbooking, Rebooking, Done, Failed };

    void IndexRow(unsigned row);

    MultiDaySchedule* schedule_ = nullptr;
    State state_ = Done;
    unsigned day_ = 0;
    unsigned next_ = 0;
    unsigned rowsPerPiece_ = kRowsPerPiece;
    unsigned parentsPerPiece_ = kParentsPerPiece;
    // Whether each teacher row is the row of its teacher, where its requests are looked for.
    std::vector<bool> ownRow_;
    RequestSet booked_;
    std::vector<Parent*> candidates_;
    Parent* picked_ = nullptr;
    StagedUnbook unbooking_;
};
