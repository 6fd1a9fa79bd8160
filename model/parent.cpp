#include "model/parent.h"

#include "foundation/string_functions.h"
#include "model/pupil.h"

Parent::Parent() : pupils_(4) {}

Parent::Parent(const std::string& name) : Attendee(name), pupils_(4) {}

Parent::Parent(const Parent& other)
    : Attendee(other), gapMode_(other.gapMode_), notes_(other.notes_), pupils_(4) {
    for (int line = 0; line < kAddressLines; ++line) {
        address_[line] = other.address_[line];
    }
}

Parent::~Parent() {
    pupils_.DeleteAll();
}

std::string Parent::GetAddress(int line) const {
    return (line >= 0 && line < kAddressLines) ? address_[line] : std::string();
}

void Parent::SetAddress(int line, const std::string& text) {
    if (line >= 0 && line < kAddressLines) {
        address_[line] = text;
    }
}

Pupil* Parent::GetPupil(unsigned index) const {
    return static_cast<Pupil*>(pupils_.Get(index));
}

bool Parent::AddPupil(std::unique_ptr<Pupil> pupil) {
    if (!pupil) {
        return false;
    }
    pupil->SetParent(this);
    IndexedChanging(IndexedByPupilName);
    pupils_.Append(pupil.release());
    return true;
}

void Parent::DeletePupil(unsigned index) {
    if (index < pupils_.Count()) {
        IndexedChanging(IndexedByPupilName);
        delete pupils_.RemoveAt(index);
    }
}

Pupil* Parent::FindPupil(const std::string& name) const {
    if (name.empty()) {
        return nullptr;
    }
    for (Person* pupil : pupils_) {
        if (EqualsIgnoringCase(pupil->GetName(), name)) {
            return static_cast<Pupil*>(pupil);
        }
    }
    return nullptr;
}

bool Parent::SharesAChildWith(const Parent& other) const {
    for (unsigned i = 0; i < other.GetPupilCount(); ++i) {
        if (FindPupil(other.GetPupil(i)->GetName()) != nullptr) {
            return true;
        }
    }
    return false;
}

void Parent::AdoptPupils() {
    for (unsigned i = 0; i < GetPupilCount(); ++i) {
        GetPupil(i)->SetParent(this);
    }
}

bool Parent::HasFixedTimeRequest() const {
    for (unsigned i = 0; i < GetPupilCount(); ++i) {
        if (GetPupil(i)->HasFixedTimeRequest()) {
            return true;
        }
    }
    return false;
}

bool Parent::HasUnfixedRequest() const {
    for (unsigned i = 0; i < GetPupilCount(); ++i) {
        if (GetPupil(i)->HasUnfixedRequest()) {
            return true;
        }
    }
    return false;
}

bool Parent::HasRequests() const {
    return GetRequestCount() > 0;
}

int Parent::GetRequestCount() const {
    int count = 0;
    for (unsigned i = 0; i < GetPupilCount(); ++i) {
        count += static_cast<int>(GetPupil(i)->GetRequestCount());
    }
    return count;
}

int Parent::GetRequestedSlots() const {
    int slots = 0;
    for (unsigned i = 0; i < GetPupilCount(); ++i) {
        slots += GetPupil(i)->GetRequestedSlots();
    }
    return slots;
}

void Parent::ClearRequestedTimes() {
    for (unsigned i = 0; i < GetPupilCount(); ++i) {
        GetPupil(i)->ClearRequestedTimes();
    }
}

void Parent::DeleteAllRequests() {
    for (unsigned i = 0; i < GetPupilCount(); ++i) {
        GetPupil(i)->DeleteAllRequests();
    }
}

void Parent::RemoveTeacher(const Teacher* teacher) {
    for (unsigned i = 0; i < GetPupilCount(); ++i) {
        GetPupil(i)->RemoveTeacher(teacher);
    }
}
