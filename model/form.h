#pragma once

#include <string>

#include "foundation/uc_collectable.h"
#include "foundation/uc_sort_order.h"
#include "foundation/uc_unique_ordered.h"
#include "model/person_list.h"

class Pupil;

// The pupils of one form (tutor group), gathered for listing them form by form.
class Form : public UCCollectable {
public:
    Form() = default;
    explicit Form(const std::string& name) : name_(name) {}
    const char* GetClassName() const override { return "Form"; }

    const std::string& GetName() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    // The pupils are the event's; the form only points at them.
    PupilList& GetPupils() { return pupils_; }
    const PupilList& GetPupils() const { return pupils_; }

private:
    std::string name_;
    PupilList pupils_{64};
};

// The forms of a set of pupils. The list owns its forms, never the pupils.
class FormList : public UCUniqueOrdered {
public:
    explicit FormList(unsigned growBy = 16) : UCUniqueOrdered(growBy) {}
    ~FormList() override { DeleteAll(); }
    FormList(const FormList&) = delete;
    FormList& operator=(const FormList&) = delete;

    // Null past the end.
    Form* GetForm(unsigned index) const;
    // Exact name; null if none.
    Form* Find(const std::string& name) const;
    // Adds the pupil to the form it names, making the form when it is new; pupils without a
    // form gather in a form with an empty name. Nothing for null.
    void AddPupil(Pupil* pupil);
    // 0 for an empty list.
    int GetLargestFormSize() const;
};

// Orders forms by name, byte-wise; anything else by the base order.
class FormSortByName : public UCSortOrder {
public:
    int Compare(const UCCollectable* a, const UCCollectable* b) const override;
};
