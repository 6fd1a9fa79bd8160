#include "model/person_list.h"

#include <cstdlib>
#include <cstring>

#include "foundation/string_functions.h"
#include "model/pupil.h"

int PersonList::ComparePersons(const Person* a, const Person* b) {
    if (a == nullptr) {
        return b == nullptr ? 0 : -1;
    }
    return a->Compare(b);
}

void PersonList::Sort() {
    if (Count() > 1) {
        SortRange(0, Count() - 1);
    }
}

void PersonList::SortRange(unsigned lo, unsigned hi) {
    const unsigned count = Count();
    while (hi > lo) {
        if (hi - lo == 1) {
            if (Compare(At(lo), At(hi)) >= 1) {
                Swap(lo, hi);
            }
            return;
        }
        unsigned p = Partition(lo, hi);
        if (p > lo) {
            SortRange(lo, p - 1);
        }
        if (p >= count - 1 || hi <= p + 1) {
            return;
        }
        lo = p + 1;
    }
}

unsigned PersonList::Partition(unsigned lo, unsigned hi) {
    unsigned pivotIndex = (rand() % 2 == 0) ? MedianOfThree(lo, hi) : lo + rand() % (hi - lo);
    if ((lo + hi) % 3 == 0) {
        // Elements equal to the pivot gather on the left.
        Swap(lo, pivotIndex);
        Person* pivot = At(lo);
        unsigned i = lo;
        unsigned j = hi;
        for (;;) {
            while (i < hi && Compare(At(i), pivot) < 1) {
                ++i;
            }
            while (Compare(At(j), pivot) >= 1) {
                --j;
            }
            if (i >= j) {
                break;
            }
            Swap(i, j);
        }
        Swap(lo, j);
        return j;
    }
    // Elements equal to the pivot gather on the right.
    Swap(hi, pivotIndex);
    Person* pivot = At(hi);
    unsigned i = lo;
    unsigned j = hi;
    for (;;) {
        while (Compare(At(i), pivot) < 0) {
            ++i;
        }
        while (j > lo && Compare(At(j), pivot) >= 0) {
            --j;
        }
        if (i >= j) {
            break;
        }
        Swap(i, j);
    }
    Swap(hi, i);
    return i;
}

unsigned PersonList::MedianOfThree(unsigned lo, unsigned hi) {
    unsigned mid = (lo + hi) / 2;
    int a = Compare(At(lo), At(mid));
    int b = Compare(At(mid), At(hi));
    int c = Compare(At(lo), At(hi));
    if (b == 0 && a != 0) {
        return lo;
    }
    if (a == 0 && b != 0) {
        return hi;
    }
    if (a != c) {
        return lo;
    }
    return b != a ? hi : mid;
}

void PersonList::ClearEmailSent(EmailTextKind kind) {
    for (Person* person : *this) {
        person->SetEmailSent(kind, false);
    }
}

int PersonList::CountWithEmail() const {
    int count = 0;
    for (const Person* person : *this) {
        if (!IsBlank(person->GetEmail().c_str())) {
            ++count;
        }
    }
    return count;
}

int PersonList::CountEmailNotSent(EmailTextKind kind) const {
    int count = 0;
    for (const Person* person : *this) {
        if (!person->GetEmail().empty() && !person->GetEmailSent(kind)) {
            ++count;
        }
    }
    return count;
}

Pupil* PupilList::At(unsigned i) const {
    return static_cast<Pupil*>(PersonList::At(i));
}

Pupil* PupilList::Get(unsigned i) const {
    return static_cast<Pupil*>(PersonList::Get(i));
}

void PupilList::Append(Pupil* pupil) {
    PersonList::Append(pupil);
}

int PupilList::ComparePupils(const Person* a, const Person* b) {
    // Rank: null, then people who are not pupils, then pupils; keeps the order transitive
    // whatever the list holds.
    auto rank = [](const Person* p) {
        return p == nullptr ? 0 : (std::strcmp(p->GetClassName(), "Pupil") != 0 ? 1 : 2);
    };
    int rankA = rank(a);
    int rankB = rank(b);
    if (rankA != rankB) {
        return rankA < rankB ? -1 : 1;
    }
    if (rankA == 2) {
        int byForm = static_cast<const Pupil*>(a)->GetForm().compare(
            static_cast<const Pupil*>(b)->GetForm());
        if (byForm != 0) {
            return byForm < 0 ? -1 : 1;
        }
    }
    return ComparePersons(a, b);
}
