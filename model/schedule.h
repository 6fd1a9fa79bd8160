#pragma once

#include <memory>
#include <string>
#include <vector>

#include "foundation/date.h"
#include "foundation/date_time.h"
#include "foundation/time_of_day.h"
#include "model/appointment.h"
#include "model/appointment_grid.h"
#include "model/attendance_record.h"
#include "model/icalendar.h"
#include "model/score.h"

class Attendee;
class AppointmentRequest;
class DayAvailability;
class Event;
class OptimiserStats;
class Parent;
class Person;
class Presentation;
class Pupil;
class Teacher;

// What one person is doing in one slot of a day.
enum SlotStatus : int {
    SlotUnavailable = 0,  // outside the day or the person's own hours, or not attending
    SlotFree = 1,
    SlotBreak = 2,  // teachers only
    SlotAppointment = 3,
    SlotPresentation = 4
};

// The order in which BookRequests takes a batch.
enum BookingOrder : int { BookRandom = 0, BookRandomThenOrderKey = 1, BookAsGiven = 2 };

// One day of the event: its date and hours, the slot arithmetic, and the grid of teachers by
// slots in which requests are booked, scored and improved. Every day of an event shares the
// one Event.
class Schedule : public AttendanceDay {
public:
    explicit Schedule(std::shared_ptr<Event> event);
    // A copy shares the event, copies the grid deeply and counts as modified.
    Schedule(const Schedule& other);
    // Keeps this day's own modified flag.
    Schedule& operator=(const Schedule& other);
    // The assignment with the grid's rows left to AppointmentGrid::CopyRows, for a copy made in
    // pieces.
    void BeginCopy(const Schedule& other);
    ~Schedule() override;

    // --- lifecycle and state ---
    void SetEvent(std::shared_ptr<Event> event);
    void ResetEvent();
    const std::shared_ptr<Event>& GetEvent() const { return event_; }
    // Requested times blanked and attendance fitted to the day's hours.
    void RefreshFromEvent();
    // The own flag, else the event's, else its print settings'.
    bool IsModified() const;
    void SetModified() { modified_ = true; }
    void ClearModified() { modified_ = false; }
    OptimiserStats* GetOptimiserStats() const { return stats_; }
    void SetOptimiserStats(OptimiserStats* stats) { stats_ = stats; }
    AppointmentGrid& GetGrid() { return grid_; }
    const AppointmentGrid& GetGrid() const { return grid_; }

    // AttendanceDay
    Date GetDate() const override { return date_; }
    TimeOfDay GetStartTime() const override { return start_; }
    TimeOfDay GetEndTime() const override { return end_; }

    // --- grid pass-throughs ---
    void ClearBookings();
    [[nodiscard]] bool SwapSlots(int row, int slotA, int slotB);
    bool AddTeacherRow(Teacher* teacher);
    void RemoveTeacherRow(int row);
    // Row i becomes the teacher row from[i] was, as the teacher list was put in order.
    void ReorderTeacherRows(const std::vector<unsigned>& from) { grid_.ReorderRows(from); }

    // --- slot arithmetic ---
    int GetNumSlots() const;
    // -1 outside the day; the slot count for a time at the close (an exclusive bound).
    int GetSlotForTime(const TimeOfDay& time) const;
    void GetSlotTime(int slot, TimeOfDay* out) const;
    TimeOfDay SlotToTime(int slot) const;
    // The slots [first, last) that any part of [start, end) falls in; false outside the day.
    bool GetSlotSpan(const TimeOfDay& start, const TimeOfDay& end, int* first, int* last) const;
    void GetSlotDateTime(int slot, DateTime* out) const;
    // The one rule for a person's own hours, whatever road asks: a slot is theirs when the whole
    // of it lies within [from, to], so a slot they arrive or leave during is not. The slots
    // [first, last) so, clamped to the day.
    void GetSlotsWithin(const TimeOfDay& from, const TimeOfDay& to, int* first, int* last) const;
    bool IsSlotWithin(int slot, const TimeOfDay& from, const TimeOfDay& to) const;
    // Whether the attendee is here on this day for the whole of [from, to]: after their arrival
    // and before their leaving, as a talk they attend must be.
    bool IsWithinOwnHours(const Attendee& attendee, const TimeOfDay& from,
                          const TimeOfDay& to) const;
    // The slots [first, last) that any part of [start, end) falls in, clamped to the day: what a
    // talk takes, and where it is shown. False when it meets no slot of the day.
    bool GetSlotsTouched(const TimeOfDay& start, const TimeOfDay& end, int* first, int* last) const;

    // --- status ---
    SlotStatus GetParentSlotStatus(int slot, const Parent* parent) const;
    SlotStatus GetTeacherSlotStatus(int slot, int teacherRow) const;
    SlotStatus GetPersonSlotStatus(int slot, const Person* person) const;
    // What GetParentSlotStatus and GetTeacherSlotStatus answer for a slot of the day where the
    // person has no booking.
    SlotStatus GetParentStatusAside(int slot, const Parent* parent) const;
    SlotStatus GetTeacherStatusAside(int slot, int teacherRow) const;
    // The attendee's status in a slot the talk touches, for attending it: someone there from
    // the talk's start to its end may arrive or leave during its first or last slot.
    SlotStatus GetTalkSlotStatus(int slot, const Attendee& attendee,
                                 const Presentation& talk) const;
    int GetFirstParentSlot(const Parent* parent) const;
    int GetLastParentSlot(const Parent* parent) const;
    int GetFirstAppointmentSlot(int teacherRow) const;
    int GetLastAppointmentSlot(int teacherRow) const;
    // From the first to the end of the last slot with an appointment or presentation;
    // midnight when there is none.
    TimeOfDay GetPersonStartTime(const Person* person) const;
    TimeOfDay GetPersonEndTime(const Person* person) const;

    // --- queries ---
    bool TeacherHasAppointments(const Teacher* teacher) const;
    bool ParentHasAppointments(const Parent* parent) const;
    bool PupilHasAppointments(const Pupil* pupil) const;
    bool IsRequestBooked(const AppointmentRequest* request, TimeOfDay* timeOut) const;
    // One less than the number of slots both attend.
    int CountCommonSlots(const Attendee* a, const Attendee* b) const;
    int CountTeacherAvailableSlots(const Teacher* teacher) const;

    // --- date, hours, breaks and attendance (refused while the event is locked) ---
    // Takes the event's presentations of the old date with it. A day of an event that holds
    // people moves with MultiDaySchedule::SetDayDates, which takes their breaks and attendance
    // too.
    bool SetDate(const Date& date);
    // The date alone: for a day just made, which owns nothing yet, or one whose dated data the
    // event has already moved.
    bool SetDateOnly(const Date& date);
    // A different time empties the grid.
    void SetStartTime(const TimeOfDay& time);
    void SetEndTime(const TimeOfDay& time);
    // A later end only adds slots: every booking stays where it stands. Any other end is
    // SetEndTime's.
    void ExtendEndTime(const TimeOfDay& time);
    void RemoveTeacherBreak(Teacher* teacher, const TimeOfDay& time);
    void RemoveBreakForAllTeachers(const TimeOfDay& time);
    // Every break of every teacher, on every date.
    void RemoveAllTeacherBreaks();
    // length slots of break from first, shifted by rand() % spread slots when spread > 0.
    void AddTeacherBreaks(Teacher* teacher, const TimeOfDay& first, int length, int spread);
    void AddBreaksForAllTeachers(const TimeOfDay& first, int length, int spread);
    void ResetAttendanceTimes();
    // Attendance fitted to the day's hours (one Warning for those it makes absent) and breaks
    // moved onto the start of their slot.
    void EnforceTimeBoundaries();
    // A break between slot starts goes to the start of its slot, as the file reader puts it.
    void FitBreaksToSlots();
    // Every place at a talk of the day whose person is no longer there from its start to its
    // end (away, or outside their own hours) is given up; nothing on a locked event.
    void GiveUpPresentationsOutsideHours();
    // After the slot length or the day's start changed, or for breaks a merge brought from
    // another file's slots: each break on this date, made on slots of breakSeconds, keeps its
    // minutes, so every slot that meets them is a break now (one Warning when a break grows).
    // The teachers from firstTeacher on; breaks outside the day's whole slots stay where they
    // are, with their minutes kept for a later refit.
    // Nothing on a locked event.
    void RefitBreaks(int breakSeconds, unsigned firstTeacher = 0);
    // A booking taken out of the grid: its teacher's row and first slot.
    struct Unbooked {
        int row = -1;
        int slot = -1;
        std::shared_ptr<Appointment> booking;
    };
    // Takes out the bookings that fall where their teacher or parent is no longer available
    // (away, outside their own hours, in a break); answers what it took, in the order taken.
    std::vector<Unbooked> UnbookOutOfRangeAppointments();
    void UnbookOutOfRangeForTeacher(int teacherRow, std::vector<Unbooked>* unbooked = nullptr);
    void UnbookOutOfRangeForParent(Parent* parent, std::vector<Unbooked>* unbooked = nullptr);
    // The bookings that stand where their teacher or family is not available for one of their
    // cells (what the unbooking would take out), in slot order; nothing is changed.
    std::vector<Unbooked> FindUnavailableBookings() const;
    bool AttendPresentation(Attendee* attendee, Presentation* presentation);
    bool EnforceAttendanceTimes(Attendee* target, const Attendee* source, std::string& log);

    // --- booking requests ---
    // Reorders requests in place (see BookingOrder) and books each in its first admissible
    // slot; *unbookedCount grows by the requests left over. False only for a request whose
    // teacher is not in the event.
    [[nodiscard]] bool BookRequests(std::vector<AppointmentRequest*>& requests, int order,
                                    int* unbookedCount);
    // Its two halves, for booking a long list a few requests at a time: the reordering, then
    // each request of the reordered list in turn.
    void OrderRequests(std::vector<AppointmentRequest*>& requests, int order);
    // Its three steps, for a booking cut into pieces: the shuffle (orders 0 and 1), the sort by
    // order key (order 1) and the grouping of brothers' and sisters' requests.
    static void ShuffleRequests(std::vector<AppointmentRequest*>& requests);
    static void SortRequestsByOrderKey(std::vector<AppointmentRequest*>& requests);
    static void GroupSiblingRequests(std::vector<AppointmentRequest*>& requests);
    // With known, the people's statuses are looked up there (the booking of a batch).
    [[nodiscard]] bool BookOrderedRequest(AppointmentRequest* request, int* unbookedCount,
                                          DayAvailability* known = nullptr);
    // Empties the grid and books the fixed-time requests of this date; returns those whose cells
    // were taken by an earlier one or run past the day's end.
    // With unavailable given, a request whose teacher or family is not there for one of its
    // cells (away, outside their hours, in a break, at a talk) is left out and added to it.
    std::vector<AppointmentRequest*> RebuildGrid(
        std::vector<AppointmentRequest*>* unavailable = nullptr);
    // Lays again, at its own first slot, every unlocked booking of the row whose cells no longer
    // match its request's length (the teacher's length or the request's own changed since it was
    // booked); those that no longer fit there are unbooked and returned in slot order.
    std::vector<std::shared_ptr<Appointment>> RefitBookingLengths(int teacherRow);
    bool AreRequestsBooked(const Parent* parent, const Pupil* pupil) const;
    bool AreParentRequestsBooked(const Parent* parent) const;
    bool FindBooking(const Pupil* pupil, const Teacher* teacher, const std::string& subject,
                     DateTime* out) const;
    bool FindAppointment(const Pupil* pupil, int requestIndex, DateTime* out) const;

    // --- removals: each refuses whole (nothing removed, one message) when the event is locked
    // or a booking it would take is locked; true when it completed ---
    [[nodiscard]] bool RemovePupil(const Pupil* pupil);
    [[nodiscard]] bool RemoveParent(const Parent* parent);
    [[nodiscard]] bool RemoveTeacher(const Teacher* teacher);
    [[nodiscard]] bool RemoveAppointment(int slot, int teacherRow);
    [[nodiscard]] bool RemoveRequestBooking(const Pupil* pupil, const Teacher* teacher,
                                            const std::string& subject);
    // Takes out the booking of a teacher or parent in that slot; nothing for anyone else.
    [[nodiscard]] bool UnbookPersonAt(int slot, const Person* person);
    // Every booking of that request (any cell of the day).
    [[nodiscard]] bool RemoveRequest(const AppointmentRequest* request);

    // --- texts and calendars ---
    // CSV fields, one per booked slot, each closed by a comma; padded to twenty.
    std::string FormatAppointmentText(const Parent* parent) const;
    ICalendar MakeEventICalendar() const;
    ICalendar MakePersonICalendar(const Person* person) const;
    bool ExportRequestsCSV(const char* fileName) const;

    // --- scoring ---
    Score ScoreTeacher(int teacherRow) const;
    Score ScoreParent(const Parent* parent) const;
    Score ScoreAppointment(int teacherRow, int slot) const;
    Score GetScore() const;

    // --- placement, moves and swaps ---
    // With known, the people's statuses are looked up there.
    bool CheckParentGap(const std::shared_ptr<Appointment>& booking, int teacherRow, int slot,
                        DayAvailability* known = nullptr) const;
    bool CanPlaceAppointment(const std::shared_ptr<Appointment>& booking, int teacherRow,
                             int slot, DayAvailability* known = nullptr) const;
    [[nodiscard]] bool BookInFirstFreeSlot(const std::shared_ptr<Appointment>& booking,
                                           int teacherRow, int* slotOut,
                                           DayAvailability* known = nullptr);
    [[nodiscard]] bool BookAt(const std::shared_ptr<Appointment>& booking, int teacherRow,
                              int slot);
    // Could the booking starting at fromSlot stand at toSlot? Leaves the grid as it was.
    bool MoveCheck(int teacherRow, int fromSlot, int toSlot);
    bool SwapCheck(int teacherRow, int slotA, int slotB);

    // --- local improvement (the optimiser) ---
    // At most one accepted move or swap of this teacher's bookings.
    void ImproveTeacher(int teacherRow);
    // ImproveTeacher for every teacher, in a random order; refused while locked.
    void Optimise();
    // The random visiting order of Optimise (draws from rand()), for callers that improve the
    // teachers one at a time; empty without an event.
    std::vector<int> DrawTeacherOrder() const;

private:
    Teacher* TeacherAt(int row) const;
    // GetTeacherSlotStatus and GetParentSlotStatus, asking known when given.
    SlotStatus TeacherStatus(int slot, int teacherRow, DayAvailability* known) const;
    SlotStatus ParentStatus(int slot, const Parent* parent, DayAvailability* known) const;
    // Whether the request's teacher (in that row) and family are both there for every cell of
    // it from slot, bookings aside.
    bool IsAvailableFor(const AppointmentRequest& request, int teacherRow, int slot) const;
    // RemoveAppointment of the cell's booking, noting it when taken out; false for a free cell
    // or a locked booking.
    bool UnbookCell(int slot, int teacherRow, std::vector<Unbooked>* unbooked);
    // Reports "Cannot <action> because the schedule is locked" when the event is locked.
    bool RefuseWhenLocked(const char* action) const;

    std::shared_ptr<Event> event_;
    bool modified_ = false;
    AppointmentGrid grid_;
    Date date_;
    TimeOfDay start_{18, 0, 0};
    TimeOfDay end_{22, 0, 0};
    OptimiserStats* stats_ = nullptr;
};
