#include "model/form.h"

#include <algorithm>
#include <cstring>

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
    if (a == nullptr || b == nullptr || std::strcmp(a->GetClassName(), "Form") != 0 ||
        std::strcmp(b->GetClassName(), "Form") != 0) {
        return UCSortOrder::Compare(a, b);
    }
    int order =
        static_cast<const Form*>(a)->GetName().compare(static_cast<const Form*>(b)->GetName());
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}
