#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "foundation/date.h"
#include "foundation/date_time.h"
#include "model/appointment.h"
#include "model/request_set.h"
#include "model/schedule.h"
#include "model/score.h"

class AppointmentRequest;
class Attendee;
class DayAvailability;
class Event;
class OptimiserStats;
class Parent;
class ParentList;
class Person;
class Presentation;
class Pupil;
class Teacher;

// The timetable of a whole event: one day Schedule per event day, in date order, all sharing the
// one Event. Books requests over all days priority by priority, guards the deletions of people,
// and is copied whole (days deeply, the event shared) for the optimiser's population.
class MultiDaySchedule {
public:
    // One day, dated today, 18:00 to 22:00.
    explicit MultiDaySchedule(std::shared_ptr<Event> event);
    // Deep copies of the days; the event is shared.
    MultiDaySchedule(const MultiDaySchedule& other);
    MultiDaySchedule& operator=(const MultiDaySchedule& other);
    virtual ~MultiDaySchedule();

    // --- days ---
    unsigned GetDayCount() const { return static_cast<unsigned>(days_.size()); }
    // Null past the end.
    Schedule* GetDay(unsigned index) const;
    const std::shared_ptr<Event>& GetEvent() const { return event_; }
    // Takes ownership; false (nothing taken) for null.
    bool AddDay(std::unique_ptr<Schedule> day);
    // A new day dated the day after the last one. It starts with nothing: whatever the event
    // still kept for that date (Event::DropDate) goes, and deleted presentations are named.
    [[nodiscard]] bool AppendNextDay();
    // Deletes the last day with its bookings and everything kept for its date (Event::DropDate),
    // naming the presentations deleted; refused while locked or when there is no day.
    [[nodiscard]] bool DeleteLastDay();
    // As many days for another event, with the same dates and hours, and no bookings.
    std::unique_ptr<MultiDaySchedule> CreateLike(std::shared_ptr<Event> event) const;
    // New dates for the first days, their presentations, breaks and attendance moved with them
    // all at once (so a day may take another's old date). Refused, nothing changed, when two
    // days would share a date, for more dates than days, or while locked (with its message).
    [[nodiscard]] bool SetDayDates(const std::vector<Date>& dates);
    Schedule* FindDay(const Date& date) const;
    bool FindDayIndex(const Date& date, unsigned* index) const;
    // Drops the event reference here and on every day.
    void ResetEvent();
    // Exchanges the days, the event and the modified flag with other's: a copy made in pieces
    // (StagedCopy) is taken in at once.
    void SwapWith(MultiDaySchedule& other);

    // --- state ---
    // The own flag, any day's, the event's or its print settings': what the model's own
    // operations marked. Whether the event differs from its file is the controller's to say
    // (QMController::IsEventChanged), whatever marked what.
    bool IsModified() const;
    void SetModified() { modified_ = true; }
    void ClearModified();
    // Locks or unlocks every booking of every day.
    void SetLocked(bool locked);
    Score GetScore() const;
    void GetScore(Score* out) const;
    // Only the parent's requests that are booked on no day.
    Score ScoreUnbooked(const Parent* parent) const;
    void SetOptimiserStats(OptimiserStats* stats);

    // --- people (as Event::AddTeacher; a teacher also gets a row on every day) ---
    [[nodiscard]] bool AddTeacher(std::unique_ptr<Teacher> teacher);
    [[nodiscard]] bool AddParent(std::unique_ptr<Parent> parent);
    // Teachers and parents in name order, as the event file brings them back, each teacher's
    // row on every day moving with the teacher; namesakes keep their order. False when nobody
    // moved.
    bool SortPeople();

    // --- forwarding to every day. The unbooking ones refuse whole (one message, nothing
    // changed) when the event or a booking they would take is locked ---
    [[nodiscard]] bool UnbookParent(const Parent* parent);
    [[nodiscard]] bool UnbookTeacher(const Teacher* teacher);
    [[nodiscard]] bool UnbookPupil(const Pupil* pupil);
    [[nodiscard]] bool RemoveAppointment(const Pupil* pupil, const Teacher* teacher,
                                         const std::string& subject);
    void ClearBookings();
    // Refused while the event is locked.
    void OptimiseTeacher(int teacherRow);
    // Who is at which talk, to tell afterwards whose places an unbooking gave up.
    using TalkPlaces = std::vector<std::pair<const Attendee*, Presentation*>>;
    TalkPlaces GetTalkPlaces() const;
    // One warning naming each place of before that is no longer held; none when all are.
    void ReportPlacesGivenUp(const TalkPlaces& before) const;
    // Every day's bookings where they stand, to tell afterwards which a step whose rules
    // unbook as they go (a talk chosen, a break added) took out. The step must keep every
    // request: the bookings held point at them.
    struct HeldBooking {
        const Schedule* day = nullptr;
        Schedule::Unbooked at;
    };
    using HeldBookings = std::vector<HeldBooking>;
    HeldBookings GetBookings() const;
    // Names, in the warning of UnbookOutOfRangeAppointments, each booking of before whose
    // request no day holds now, and returns the lines; none when all are still booked.
    std::vector<std::string> ReportBookingsGivenUp(const HeldBookings& before) const;
    // Schedule::UnbookOutOfRangeAppointments on every day; what it took out is named in one
    // warning and returned, one line each, and the talk places it gave up in another. Refused
    // whole while locked, and the refusal names the bookings the lock keeps where their teacher
    // or family is no longer available.
    std::vector<std::string> UnbookOutOfRangeAppointments();
    // Schedule::RefitBookingLengths for every teacher on every day; what had to be unbooked is
    // named in one warning and returned, one line each. Nothing on a locked event.
    std::vector<std::string> RefitBookingLengths();
    void RemoveTeacherBreaks();
    void ResetAttendanceTimes();
    // Fixed times blanked and attendance fitted to each day's hours.
    void EnforceTimeBoundaries();
    // After loading: fixed-time requests become bookings, then their times are blanked. Those
    // that booking by hand would refuse are named and left out, unless the event is locked: a
    // locked timetable opens as it was saved.
    void RebuildDays(bool locked = false);
    void FitAttendanceToDays(Attendee* attendee);
    int CountCommonSlots(const Attendee* a, const Attendee* b) const;
    int CountAvailableSlots(const Teacher* teacher) const;
    // On the day of the presentation's date only.
    bool AttendPresentation(Attendee* attendee, Presentation* presentation);

    // --- lookups: a request booked on any day counts as booked ---
    bool IsRequestBooked(const AppointmentRequest* request) const;
    bool IsRequestBooked(const Pupil* pupil, int requestIndex, DateTime* out = nullptr) const;
    // As IsRequestBooked; false without an event or pupil.
    bool FindAppointment(const Pupil* pupil, int requestIndex, DateTime* out = nullptr) const;
    bool FindBooking(const Pupil* pupil, const Teacher* teacher, const std::string& subject,
                     DateTime* out = nullptr) const;
    // True also without an event; false for a null parent.
    bool HasUnbookedRequest(const Parent* parent) const;
    // Every request of every pupil of the parent is booked on some day.
    bool IsParentBooked(const Parent* parent) const;
    // The requests booked on some day, read from the days once: each one a cell of its own
    // teacher's row holds. What the lookups above ask of the days request by request.
    RequestSet CollectBookedRequests() const;
    // As IsParentBooked, asked of such a set.
    bool IsParentBooked(const Parent* parent, const RequestSet& booked) const;
    bool AllRequestsBooked() const;
    int CountParentsWithoutRequests() const;
    // Requested slots per teacher, over every request of every pupil.
    std::map<Teacher*, int> GetRequestedSlotsPerTeacher() const;

    // --- booking: refused while the event is locked ---
    [[nodiscard]] bool BookAtTime(const std::shared_ptr<Appointment>& booking, int teacherRow,
                                  const DateTime& when);
    // Empties every day, then books each day in turn, priority 2 before 1 before 0. A
    // StagedBooking does the same in short pieces.
    [[nodiscard]] bool BookAll(int order);
    // Books the unbooked requests of these parents; *unbooked grows by those still booked on
    // no day afterwards.
    [[nodiscard]] bool BookParents(const ParentList* parents, unsigned* unbooked, int order);

    // --- deletions: refused while the event is locked or a booking they would take is locked;
    // otherwise the person is unbooked on every day before it goes ---
    [[nodiscard]] bool DeleteParent(Parent* parent);
    [[nodiscard]] bool DeleteTeacher(Teacher* teacher);
    // The parent's index-th pupil with its requests.
    [[nodiscard]] bool DeletePupil(Parent* parent, unsigned index);
    // The pupil's index-th request, which takes every request of the pupil to the same teacher
    // with it (Pupil::DeleteRequest).
    [[nodiscard]] bool DeleteRequest(Pupil* pupil, unsigned index);
    // Parents without any request; answers how many went.
    int DeleteParents();
    [[nodiscard]] bool DeletePresentation(Presentation* presentation);

    // --- optimiser mutations ---
    // One or two random parents unbooked everywhere and booked again.
    void RebookParents();
    // With two or more days one random parent with an unbooked request is rebooked; then every
    // day is optimised.
    void RebookParentsAndOptimise();
    // Its first half; false, with the locked message, when the days must not be optimised.
    bool RebookUnbookedParent();

    // --- reports (empty without an event) ---
    std::string ReportTeachersWithoutAppointments() const;
    std::string ReportParentsWithoutAppointments() const;
    std::string ReportPupilsWithoutAppointments() const;
    std::string ReportTeachersWithAppointments() const;
    std::string ReportUnbookedRequests() const;
    // A teacher without bookings, an attending parent or a pupil without requests.
    bool IsIdle(const Person* person) const;

    // Every parent's address and appointments, a row per parent and day. Reports the outcome.
    bool ExportCSV(const std::string& fileName) const;

    // "Family about Pupil with Teacher at 7:00pm", with the date when there are several days.
    std::string DescribeBooking(const Schedule& day, const Schedule::Unbooked& taken) const;

private:
    friend class StagedBooking;
    friend class StagedCopy;
    friend class StagedRebook;
    friend class StagedRebookParents;
    friend class StagedUnbook;

    // Takes out, on every day, each booking that matches (teacher row, booking); refuses whole,
    // with one message, when the event or any matching booking is locked.
    [[nodiscard]] bool UnbookWhere(const std::function<bool(int, const Appointment&)>& match,
                                   const char* action);
    // What UnbookParent takes: the bookings of the parent's requests, or of its children's.
    static std::function<bool(int, const Appointment&)> MatchParent(const Parent* parent);
    // The teacher's grid row, or -1.
    int RowOf(const Teacher* teacher) const;
    bool IsBookedInRow(const AppointmentRequest* request, int row) const;
    // Books the gathered requests on one day in that order; booked, when given, gains what is
    // booked.
    [[nodiscard]] bool BookDay(Schedule& day, int order, std::vector<AppointmentRequest*>& requests,
                               RequestSet* booked, DayAvailability& known);
    // The parent's requests not in booked.
    static unsigned CountUnbooked(const Parent* parent, const RequestSet& booked);
    // Puts in booked each request of that teacher the day's row holds.
    static void CollectRowBookings(const Schedule& day, unsigned row, const Teacher* teacher,
                                   RequestSet& booked);
    // Adds the requests of that priority of one parent that no day holds yet to the list, made
    // ready for booking.
    void GatherRequests(Parent* parent, int priority, std::vector<AppointmentRequest*>& requests);
    [[nodiscard]] bool BookParentsOnDays(const std::vector<Parent*>& parents, unsigned* unbooked,
                                         int order);
    // Reports "Cannot <action> because the schedule is locked" when the event is locked.
    bool RefuseWhenLocked(const char* action) const;
    // The day operation on every day, or the locked message once for the whole event.
    void ForEveryDayUnlessLocked(const char* action, void (Schedule::*operation)());
    // Every request of every pupil of the parent, in list order.
    static void ForEachRequestOf(const Parent* parent,
                                 const std::function<void(Pupil*, AppointmentRequest*)>& visit);
    // The same for every parent of the event.
    void ForEachEventRequest(
        const std::function<void(Parent*, Pupil*, AppointmentRequest*)>& visit) const;
    std::string ReportTeachers(bool withAppointments, const char* heading, const char* none) const;
    bool TeacherBookedOnAnyDay(const Teacher* teacher) const;
    // A person attends when some day has no record of them or a record saying they attend.
    bool AttendsAnyDay(const Attendee* attendee) const;
    std::vector<Parent*> AllParents() const;

    std::vector<std::unique_ptr<Schedule>> days_;
    std::shared_ptr<Event> event_;
    bool modified_ = false;
};

// The one warning that names bookings taken out because their people are no longer there; none
// for no lines.
void ReportUnbookedOutOfRange(const std::vector<std::string>& lines);
