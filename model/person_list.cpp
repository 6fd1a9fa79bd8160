#include "model/person_list.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "foundation/quick_sort.h"
#include "foundation/string_functions.h"
#include "model/pupil.h"

PersonList::~PersonList() = default;

PersonList& PersonList::operator=(const PersonList& other) {
    UCPtrVectorT<Person>::operator=(other);
    positions_.reset();
    return *this;
}

int PersonList::IndexOfPerson(const Person* person) const {
    if (Count() < kShortestIndexedList) {
        return IndexOf(person);
    }
    if (!positions_) {
        positions_ = std::make_unique<PositionTable>();
    }
    // Positions move only with the list itself, so no person's epoch is recorded.
    const bool ready = positions_->Ready(Version(), 0, [this] {
        for (unsigned i = 0; i < Count(); ++i) {
            // The first of a person listed twice is the one found.
            positions_->table.emplace(At(i), static_cast<int>(i));
        }
    });
    if (!ready) {
        return IndexOf(person);
    }
    auto found = positions_->table.find(person);
    return found == positions_->table.end() ? -1 : found->second;
}

int PersonList::ComparePersons(const Person* a, const Person* b) {
    if (a == nullptr) {
        return b == nullptr ? 0 : -1;
    }
    return a->Compare(b);
}

void PersonList::Sort() {
    QuickSort(
        Count(), [this](unsigned i, unsigned j) { return Compare(At(i), At(j)); },
        [this](unsigned i, unsigned j) { Swap(i, j); });
}

std::vector<unsigned> PersonList::SortKeepingTies() {
    std::vector<unsigned> from(Count());
    std::iota(from.begin(), from.end(), 0u);
    const PersonList& list = *this;
    std::stable_sort(from.begin(), from.end(), [&list](unsigned a, unsigned b) {
        return list.Compare(list.At(a), list.At(b)) < 0;
    });
    if (std::is_sorted(from.begin(), from.end())) {
        return from;
    }
    std::vector<Person*> people;
    people.reserve(from.size());
    for (unsigned old : from) {
        people.push_back(list.At(old));
    }
    for (unsigned i = 0; i < people.size(); ++i) {
        At(i) = people[i];
    }
    return from;
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

int PupilList::ComparePupils(const Person* a, const Person* b) {
    // Rank: null, then people who are not pupils, then pupils; keeps the order transitive
    // whatever the list holds.
    auto rank = [](const Person* p) {
        return p == nullptr ? 0 : (p->GetKind() != PersonKind::Pupil ? 1 : 2);
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
