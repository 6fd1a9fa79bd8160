#include "model/pupil.h"

#include <algorithm>

#include "model/teacher.h"

Pupil::Pupil(const Pupil& other)
    : Person(other), form_(other.form_), house_(other.house_), parent_(other.parent_) {}

Pupil::~Pupil() = default;

std::string Pupil::GetDisplayName() const {
    std::string text = GetName();
    if (!form_.empty()) {
        text += " (" + form_ + ")";
    }
    if (!house_.empty()) {
        text += " (" + house_ + ")";
    }
    return text;
}

bool Pupil::AddRequest(Teacher* teacher, const std::string& subject, int priority, int length) {
    if (teacher == nullptr) {
        return false;
    }
    requests_.push_back(
        std::make_unique<AppointmentRequest>(this, teacher, subject, priority, length));
    if (!subject.empty()) {
        teacher->AddSubject(subject);
    }
    return true;
}

bool Pupil::AddFixedTimeRequest(Teacher* teacher, const std::string& subject, int priority,
                                int length, const DateTime& when) {
    if (teacher == nullptr) {
        return false;
    }
    requests_.push_back(
        std::make_unique<AppointmentRequest>(this, teacher, subject, priority, length, when));
    if (!subject.empty()) {
        teacher->AddSubject(subject);
    }
    return true;
}

AppointmentRequest* Pupil::GetRequest(unsigned index) const {
    return index < requests_.size() ? requests_[index].get() : nullptr;
}

AppointmentRequest* Pupil::FindRequest(const Teacher* teacher, const std::string& subject) const {
    for (const auto& request : requests_) {
        if (request->GetTeacher() == teacher && request->GetSubject() == subject) {
            return request.get();
        }
    }
    return nullptr;
}

bool Pupil::HasRequestFor(const Teacher* teacher) const {
    return std::any_of(requests_.begin(), requests_.end(),
                       [teacher](const auto& request) { return request->GetTeacher() == teacher; });
}

DateTime Pupil::GetRequestDateTime(unsigned index) const {
    return index < requests_.size() ? requests_[index]->GetDateTime() : DateTime();
}

bool Pupil::IsRequestFixedOn(unsigned index, const Date& date) const {
    return index < requests_.size() && requests_[index]->IsFixedTime() &&
           requests_[index]->GetDateTime().GetDate() == date;
}

bool Pupil::HasFixedTimeRequest() const {
    return std::any_of(requests_.begin(), requests_.end(),
                       [](const auto& request) { return request->IsFixedTime(); });
}

bool Pupil::HasUnfixedRequest() const {
    return std::any_of(requests_.begin(), requests_.end(),
                       [](const auto& request) { return !request->IsFixedTime(); });
}

void Pupil::ClearRequestedTimes() {
    for (auto& request : requests_) {
        request->SetFixedTime(false);
    }
}

void Pupil::DeleteAllRequests() {
    requests_.clear();
}

int Pupil::GetRequestedSlots() const {
    int slots = 0;
    for (const auto& request : requests_) {
        slots += request->GetLength();
    }
    return slots;
}

void Pupil::RemoveTeacher(const Teacher* teacher) {
    std::erase_if(requests_,
                  [teacher](const auto& request) { return request->GetTeacher() == teacher; });
    std::erase_if(taughtBy_, [teacher](const TaughtBy& entry) { return entry.teacher == teacher; });
}

void Pupil::DeleteRequest(unsigned index) {
    if (index < requests_.size()) {
        RemoveTeacher(requests_[index]->GetTeacher());
    }
}

bool Pupil::DeleteRequest(const Teacher* teacher, const std::string& subject) {
    auto found = std::find_if(requests_.begin(), requests_.end(), [&](const auto& request) {
        return request->GetTeacher() == teacher && request->GetSubject() == subject;
    });
    if (found == requests_.end()) {
        return false;
    }
    requests_.erase(found);
    return true;
}

void Pupil::AddTaughtBy(Teacher* teacher, const std::string& subject) {
    if (teacher != nullptr) {
        taughtBy_.push_back({teacher, subject});
    }
}

bool Pupil::IsTaughtBy(const Teacher* teacher) const {
    return std::any_of(taughtBy_.begin(), taughtBy_.end(),
                       [teacher](const TaughtBy& entry) { return entry.teacher == teacher; });
}

bool Pupil::IsTaughtBy(const Teacher* teacher, const std::string& subject) const {
    return std::any_of(taughtBy_.begin(), taughtBy_.end(), [&](const TaughtBy& entry) {
        return entry.teacher == teacher && entry.subject == subject;
    });
}

Teacher* Pupil::GetTaughtByTeacher(unsigned index) const {
    return index < taughtBy_.size() ? taughtBy_[index].teacher : nullptr;
}

std::string Pupil::GetTaughtBySubject(unsigned index) const {
    return index < taughtBy_.size() ? taughtBy_[index].subject : std::string();
}
