#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "model/request_set.h"
#include "model/score.h"

class Appointment;
class AppointmentRequest;
class MultiDaySchedule;
class Parent;
class Schedule;
class TeacherList;

// Schedule::GetScore a batch of teacher rows, then a batch of parents, at a time. Each row's
// bookings are read once for the teacher's walk, for where the parents are booked and, when
// asked, for the requests booked in their own teacher's row. Run to the end it is GetScore.
class DayScoreTally {
public:
    // With booked, each request a row of one of these teachers holds (the row's own teacher's)
    // is put in it. The day must stay as it is until the tally ends.
    void Begin(const Schedule& day, RequestSet* booked = nullptr,
               const TeacherList* bookedTeachers = nullptr);
    // Up to that many rows, or once they are done that many parents; true once the day is done.
    bool Next(unsigned rows, unsigned parents);
    // The rows alone, up to that many; true once every row is read.
    bool NextRows(unsigned rows);
    // Once every row is read: the parent at that place in the event's list (nothing past its
    // end). How many places there are.
    void ScoreParentAt(unsigned index);
    unsigned GetParentCount() const;
    const Score& GetScore() const { return score_; }

private:
    void ScoreRow(unsigned row);

    const Schedule* day_ = nullptr;
    RequestSet* booked_ = nullptr;
    const TeacherList* bookedTeachers_ = nullptr;
    Score score_;
    unsigned rows_ = 0;
    unsigned teacherRows_ = 0;
    unsigned bookedRows_ = 0;
    int slots_ = 0;
    unsigned nextRow_ = 0;
    unsigned nextParent_ = 0;
    bool scoreParents_ = false;
    std::size_t words_ = 0;
    // Every listed parent by address, holding the list position whose bits it uses.
    std::vector<std::pair<const Parent*, int>> parentTable_;
    std::vector<std::uint64_t> bookedBits_;
    // For each list position, the position whose bits it uses (a parent listed twice uses its
    // first), so that the parents' walk in list order needs no search.
    std::vector<int> bitsOf_;
    // One row's cells as read.
    std::vector<const Appointment*> cells_;
    std::vector<const AppointmentRequest*> cellRequests_;
    std::vector<const Parent*> cellParents_;
};

// MultiDaySchedule::GetScore in short resumable pieces: every day's rows a batch at a time
// (noting the requests booked as they go by), then a batch of parents at a time, each parent on
// every day and its requests booked on no day, so that each family is read once. Run to the end
// it is GetScore; the timetable must stay as it is until then.
class StagedScore {
public:
    static constexpr unsigned kRowsPerPiece = 256;
    static constexpr unsigned kParentsPerPiece = 1024;

    // Starts over; buffers are kept from one tally to the next.
    void Begin(const MultiDaySchedule& schedule, unsigned rowsPerPiece = kRowsPerPiece,
               unsigned parentsPerPiece = kParentsPerPiece);
    // Does one piece; true once the score is complete.
    bool Next();
    const Score& GetScore() const { return score_; }

private:
    enum Stage { Rows, Parents, Done };

    const MultiDaySchedule* schedule_ = nullptr;
    Stage stage_ = Done;
    unsigned day_ = 0;
    bool dayBegun_ = false;
    // One a day, kept from one score to the next for their buffers; only the days begun count.
    std::vector<DayScoreTally> dayTallies_;
    std::vector<bool> begun_;
    RequestSet booked_;
    unsigned nextParent_ = 0;
    unsigned parentCount_ = 0;
    unsigned rowsPerPiece_ = kRowsPerPiece;
    unsigned parentsPerPiece_ = kParentsPerPiece;
    Score score_;
};
