#pragma once

#include <memory>
#include <string>
#include <vector>

#include "foundation/date_time.h"
#include "model/appointment_request.h"
#include "model/person.h"

class Parent;
class Teacher;

// A child at the school. It belongs to one parent, owns its appointment requests and lists
// which teacher teaches it which subject.
class Pupil : public Person {
public:
    Pupil() = default;
    explicit Pupil(const std::string& name) : Person(name) {}
    // Copies the person, form, house and parent; requests and taught-by entries start empty.
    Pupil(const Pupil& other);
    Pupil& operator=(const Pupil&) = delete;
    ~Pupil() override;

    const char* GetClassName() const override { return "Pupil"; }
    PersonKind GetKind() const override { return PersonKind::Pupil; }
    // "Amy Lee (7B) (Red)": the form and the house in brackets when set.
    std::string GetDisplayName() const override;

    const std::string& GetForm() const { return form_; }
    void SetForm(const std::string& form) { form_ = form; }
    const std::string& GetHouse() const { return house_; }
    void SetHouse(const std::string& house) { house_ = house; }
    Parent* GetParent() const { return parent_; }
    void SetParent(Parent* parent) { parent_ = parent; }

    // Requests in the order added. Adding one with a non-empty subject adds the subject to the
    // teacher's subjects. Lengths are in slots (-1: the teacher's). False only for a null
    // teacher.
    bool AddRequest(Teacher* teacher, const std::string& subject, int priority, int length);
    bool AddFixedTimeRequest(Teacher* teacher, const std::string& subject, int priority, int length,
                             const DateTime& when);
    unsigned GetRequestCount() const { return static_cast<unsigned>(requests_.size()); }
    // Null past the end.
    AppointmentRequest* GetRequest(unsigned index) const;
    // The first request to that teacher with exactly that subject.
    AppointmentRequest* FindRequest(const Teacher* teacher, const std::string& subject) const;
    bool HasRequestFor(const Teacher* teacher) const;
    // A default DateTime past the end.
    DateTime GetRequestDateTime(unsigned index) const;
    bool IsRequestFixedOn(unsigned index, const Date& date) const;
    bool HasFixedTimeRequest() const;
    bool HasUnfixedRequest() const;
    void ClearRequestedTimes();
    int GetRequestedSlots() const;
    // The three below delete requests and leave the timetable alone: call them only after
    // every day has unbooked the requests they delete (debug builds stop on a booked one).
    void DeleteAllRequests();
    // Deletes every request to the teacher and forgets that it teaches this pupil.
    void RemoveTeacher(const Teacher* teacher);
    // Removes the teacher of the index-th request as RemoveTeacher does; nothing past the end.
    void DeleteRequest(unsigned index);
    // Deletes only the first request to that teacher with exactly that subject; false when
    // there is none.
    bool DeleteRequest(const Teacher* teacher, const std::string& subject);

    // The same teacher may teach several subjects; nothing for a null teacher.
    void AddTaughtBy(Teacher* teacher, const std::string& subject);
    bool IsTaughtBy(const Teacher* teacher) const;
    bool IsTaughtBy(const Teacher* teacher, const std::string& subject) const;
    unsigned GetTaughtByCount() const { return static_cast<unsigned>(taughtBy_.size()); }
    // Null (and empty) past the end.
    Teacher* GetTaughtByTeacher(unsigned index) const;
    std::string GetTaughtBySubject(unsigned index) const;

private:
    struct TaughtBy {
        Teacher* teacher;
        std::string subject;
    };

    std::string form_;
    std::string house_;
    Parent* parent_ = nullptr;
    std::vector<std::unique_ptr<AppointmentRequest>> requests_;
    std::vector<TaughtBy> taughtBy_;
};
