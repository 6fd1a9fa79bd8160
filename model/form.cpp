#include "model/form.h"

#include <algorithm>

#include "model/pupil.h"

Form* FormList::GetForm(unsigned index) const {
    return static_cast<Form*>(Get(index));
}

Form* FormList::Find(const std::string& name) const {
    for (UCCollectable* element : *this) {
        auto* form = static_cast<Form*>(element);
        if (form != nullptr && form->GetName() == name) {
            return form;
        }
    }
    return nullptr;
}

void FormList::AddPupil(Pupil* pupil) {
    if (pupil == nullptr) {
        return;
    }
    Form* form = Find(pupil->GetForm());
    if (form == nullptr) {
        form = new Form(pupil->GetForm());
        Append(form);
    }
    form->GetPupils().Append(pupil);
}

int FormList::GetLargestFormSize() const {
    unsigned largest = 0;
    for (UCCollectable* element : *this) {
        largest = std::max(largest, static_cast<Form*>(element)->GetPupils().Count());
    }
    return static_cast<int>(largest);
}

int FormSortByName::Compare(const UCCollectable* a, const UCCollectable* b) const {
    const auto* first = dynamic_cast<const Form*>(a);
    const auto* second = dynamic_cast<const Form*>(b);
    if (first == nullptr || second == nullptr) {
        return UCSortOrder::Compare(a, b);
    }
    int order = first->GetName().compare(second->GetName());
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}
