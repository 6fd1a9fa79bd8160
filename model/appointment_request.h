#pragma once

#include <cassert>
#include <string>

#include "foundation/date_time.h"

class Parent;
class Pupil;
class Teacher;

// A pupil's parent wants to see a teacher: about a subject, how urgently, for how many slots,
// and optionally at a fixed date and time. Owned by its pupil; a booked appointment points at
// it, so it is both what was asked for and what was booked.
class AppointmentRequest {
public:
    AppointmentRequest() = default;
    // Lengths are in slots (-1: the teacher's). The priority is the teacher's default (1
    // without a teacher).
    AppointmentRequest(Pupil* pupil, Teacher* teacher, const std::string& subject, int length);
    AppointmentRequest(Pupil* pupil, Teacher* teacher, const std::string& subject, int priority,
                       int length);
    // A fixed-time request.
    AppointmentRequest(Pupil* pupil, Teacher* teacher, const std::string& subject, int priority,
                       int length, const DateTime& when);
    // Deleting a request that a day's grid still books would leave the grid pointing at freed
    // memory; debug builds stop there instead.
    ~AppointmentRequest() { assert(bookings_.count == 0 && "delete a request only once unbooked"); }
    AppointmentRequest(const AppointmentRequest&) = default;
    AppointmentRequest& operator=(const AppointmentRequest&) = default;

    // Re-points the request (the parent follows the pupil, the order key restarts at 0); the
    // fixed time stays as it is.
    void Set(Pupil* pupil, Teacher* teacher, const std::string& subject, int priority, int length);

    Teacher* GetTeacher() const { return teacher_; }
    void SetTeacher(Teacher* teacher) { teacher_ = teacher; }
    Pupil* GetPupil() const { return pupil_; }
    void SetPupil(Pupil* pupil) { pupil_ = pupil; }
    Parent* GetParent() const { return parent_; }
    void SetParent(Parent* parent) { parent_ = parent; }

    const DateTime& GetDateTime() const { return dateTime_; }
    void SetDateTime(const DateTime& when) { dateTime_ = when; }
    bool IsFixedTime() const { return fixedTime_; }
    void SetFixedTime(bool fixed) { fixedTime_ = fixed; }

    int GetPriority() const { return priority_; }
    void SetPriority(int priority) { priority_ = priority; }

    // Slots asked for: the own length when positive, else the teacher's appointment length,
    // else 1; never less than 1.
    int GetLength() const;
    // The stored length; -1 means "the teacher's".
    int GetOwnLength() const { return length_; }
    void SetLength(int length) { length_ = length; }

    // Booking order: the number of slots the teacher and the parent share; fewest go first.
    unsigned GetOrderKey() const { return orderKey_; }
    void SetOrderKey(unsigned key) { orderKey_ = key; }

    const std::string& GetSubject() const { return subject_; }
    void SetSubject(const std::string& subject) { subject_ = subject; }

private:
    friend class Appointment;
    // How many appointments point at this request; counted in debug builds only. A copy of a
    // request is booked nowhere.
    struct BookingCount {
        int count = 0;
        BookingCount() = default;
        BookingCount(const BookingCount&) {}
        BookingCount& operator=(const BookingCount&) { return *this; }
    };

    Teacher* teacher_ = nullptr;
    DateTime dateTime_;
    bool fixedTime_ = false;
    int priority_ = 1;
    Pupil* pupil_ = nullptr;
    Parent* parent_ = nullptr;
    int length_ = -1;
    unsigned orderKey_ = 0;
    std::string subject_;
    BookingCount bookings_;
};
