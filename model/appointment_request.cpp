#include "model/appointment_request.h"

#include <algorithm>

#include "model/pupil.h"
#include "model/teacher.h"

AppointmentRequest::AppointmentRequest(Pupil* pupil, Teacher* teacher, const std::string& subject,
                                       int length)
    : AppointmentRequest(pupil, teacher, subject, teacher ? teacher->GetPriority() : 1, length) {}

AppointmentRequest::AppointmentRequest(Pupil* pupil, Teacher* teacher, const std::string& subject,
                                       int priority, int length) {
    Set(pupil, teacher, subject, priority, length);
}

AppointmentRequest::AppointmentRequest(Pupil* pupil, Teacher* teacher, const std::string& subject,
                                       int priority, int length, const DateTime& when)
    : dateTime_(when), fixedTime_(true) {
    Set(pupil, teacher, subject, priority, length);
}

void AppointmentRequest::Set(Pupil* pupil, Teacher* teacher, const std::string& subject,
                             int priority, int length) {
    teacher_ = teacher;
    subject_ = subject;
    pupil_ = pupil;
    parent_ = pupil ? pupil->GetParent() : nullptr;
    orderKey_ = 0;
    priority_ = priority;
    length_ = length;
}

int AppointmentRequest::GetLength() const {
    if (length_ > 0) {
        return length_;
    }
    // A teacher length of 0 or less (an unreadable file value) would book nothing, so checks
    // that walk the slots would pass over the parent's other appointments.
    return teacher_ ? std::max(1, teacher_->GetApptLength()) : 1;
}
