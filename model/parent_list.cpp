#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "model/parent.h"
#include "model/person_csv_export.h"
#include "model/person_list.h"
#include "model/pupil.h"

namespace {

// The first pupil of a parent, or null when the person is no parent or has no pupils.
const Pupil* FirstPupil(const Person* person) {
    if (person->GetKind() != PersonKind::Parent) {
        return nullptr;
    }
    return static_cast<const Parent*>(person)->GetPupil(0);
}

}  // namespace

void ParentList::SetSortOrder(ParentPrintOrder order) {
    sortOrder_ = order;
    Sort();
}

int ParentList::CompareParents(const Person* a, const Person* b) const {
    if (a == nullptr || b == nullptr || sortOrder_ == ParentPrintByName) {
        return ComparePersons(a, b);
    }
    const Pupil* pupilA = FirstPupil(a);
    const Pupil* pupilB = FirstPupil(b);
    // Parents without pupils come first, among themselves by name.
    if (pupilA == nullptr || pupilB == nullptr) {
        if (pupilA == nullptr && pupilB == nullptr) {
            return ComparePersons(a, b);
        }
        return pupilA == nullptr ? -1 : 1;
    }
    if (sortOrder_ == ParentPrintByPupilForm) {
        int byForm = pupilA->GetForm().compare(pupilB->GetForm());
        if (byForm != 0) {
            return byForm < 0 ? -1 : 1;
        }
    }
    return pupilA->Compare(pupilB);
}

Parent* ParentList::FindByName(const std::string& name) const {
    if (name.empty()) {
        return nullptr;
    }
    for (unsigned i = 0; i < Count(); ++i) {
        if (EqualsIgnoringCase(At(i)->GetName(), name)) {
            return At(i);
        }
    }
    return nullptr;
}

Parent* ParentList::FindSameFamily(const std::string& name, const std::string& address,
                                   const std::string& number) const {
    if (name.empty()) {
        return nullptr;
    }
    const auto same = [&](const Parent* parent) {
        const std::string& own = parent->GetUniqueId();
        const bool numbered = !own.empty() && own != parent->GetName();
        return parent->GetName() == name && parent->GetAddress(0) == address &&
               (number.empty() || !numbered);
    };
    // An import asks for each new family: a scan would make a long list quadratic.
    const bool ready = byName_.Ready(Version(), Person::IndexEpoch(Person::IndexedByKey), [this] {
        for (unsigned i = 0; i < Count(); ++i) {
            At(i)->MarkIndexed(Person::IndexedByKey);
            byName_.table[At(i)->GetName()].push_back(At(i));
        }
    });
    if (ready) {
        const auto found = byName_.table.find(name);
        if (found != byName_.table.end()) {
            for (Parent* parent : found->second) {
                if (same(parent)) {
                    return parent;
                }
            }
        }
        return nullptr;
    }
    for (unsigned i = 0; i < Count(); ++i) {
        if (same(At(i))) {
            return At(i);
        }
    }
    return nullptr;
}

std::string ParentList::FamilyPlace(const Parent& parent) {
    return parent.GetName() + '\n' + parent.GetAddress(0);
}

std::set<std::string> ParentList::NumberedApart() const {
    std::map<std::string, std::set<std::string>> numbers;
    for (unsigned i = 0; i < Count(); ++i) {
        const Parent* parent = At(i);
        const std::string& id = parent->GetUniqueId();
        if (!id.empty() && id != parent->GetName()) {
            numbers[FamilyPlace(*parent)].insert(id);
        }
    }
    std::set<std::string> apart;
    for (const auto& [place, ids] : numbers) {
        if (ids.size() > 1) {
            apart.insert(place);
        }
    }
    return apart;
}

Parent* ParentList::FindByKey(const std::string& key) const {
    if (key.empty()) {
        return nullptr;
    }
    const bool ready = byKey_.Ready(Version(), Person::IndexEpoch(Person::IndexedByKey), [this] {
        for (unsigned i = 0; i < Count(); ++i) {
            At(i)->MarkIndexed(Person::IndexedByKey);
            // The first of equal keys stays the one found.
            byKey_.table.emplace(At(i)->GetUniqueIdOrName(), At(i));
        }
    });
    if (ready) {
        auto found = byKey_.table.find(key);
        return found == byKey_.table.end() ? nullptr : found->second;
    }
    for (unsigned i = 0; i < Count(); ++i) {
        if (At(i)->GetUniqueIdOrName() == key) {
            return At(i);
        }
    }
    return nullptr;
}

bool ParentList::KeyTableIsCurrent() const {
    return byKey_.IsCurrent(Version(), Person::IndexEpoch(Person::IndexedByKey));
}

void ParentList::Append(Parent* parent) {
    const bool current = KeyTableIsCurrent();
    const bool namesCurrent =
        byName_.IsCurrent(Version(), Person::IndexEpoch(Person::IndexedByKey));
    PersonListOf<Parent>::Append(parent);
    if (parent == nullptr) {
        return;
    }
    if (current) {
        parent->MarkIndexed(Person::IndexedByKey);
        byKey_.table.emplace(parent->GetUniqueIdOrName(), parent);
        byKey_.version = Version();
    }
    if (namesCurrent) {
        parent->MarkIndexed(Person::IndexedByKey);
        byName_.table[parent->GetName()].push_back(parent);
        byName_.version = Version();
    }
}

Pupil* ParentList::FindPupil(const std::string& name, bool* shared) const {
    if (shared != nullptr) {
        *shared = false;
    }
    if (name.empty()) {
        return nullptr;
    }
    const bool ready =
        pupilsByName_.Ready(Version(), Person::IndexEpoch(Person::IndexedByPupilName), [this] {
            sharedPupilNames_.clear();
            for (unsigned i = 0; i < Count(); ++i) {
                const Parent* parent = At(i);
                parent->MarkIndexed(Person::IndexedByPupilName);
                for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
                    Pupil* pupil = parent->GetPupil(k);
                    pupil->MarkIndexed(Person::IndexedByPupilName);
                    std::string key = FoldASCIICase(pupil->GetName());
                    if (!pupilsByName_.table.emplace(key, pupil).second) {
                        sharedPupilNames_.insert(std::move(key));
                    }
                }
            }
        });
    if (ready) {
        const std::string key = FoldASCIICase(name);
        auto found = pupilsByName_.table.find(key);
        if (shared != nullptr && found != pupilsByName_.table.end()) {
            *shared = sharedPupilNames_.count(key) > 0;
        }
        return found == pupilsByName_.table.end() ? nullptr : found->second;
    }
    Pupil* first = nullptr;
    for (unsigned i = 0; i < Count(); ++i) {
        const Parent* parent = At(i);
        for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
            Pupil* pupil = parent->GetPupil(k);
            if (!EqualsIgnoringCase(pupil->GetName(), name)) {
                continue;
            }
            if (first != nullptr) {
                if (shared != nullptr) {
                    *shared = true;
                }
                return first;
            }
            first = pupil;
            if (shared == nullptr) {
                return first;
            }
        }
    }
    return first;
}

int ParentList::IndexOf(const Parent* parent) const {
    return IndexOfPerson(parent);
}

int ParentList::IndexOfParentOfPupil(const Pupil* pupil) const {
    for (unsigned i = 0; i < Count(); ++i) {
        if (At(i)->GetPupils().IndexOf(pupil) >= 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

Parent* ParentList::FindParentOfPupil(const Pupil* pupil) const {
    int index = IndexOfParentOfPupil(pupil);
    return index < 0 ? nullptr : At(static_cast<unsigned>(index));
}

int ParentList::GetPupilCount() const {
    int count = 0;
    for (unsigned i = 0; i < Count(); ++i) {
        count += static_cast<int>(At(i)->GetPupilCount());
    }
    return count;
}

void ParentList::DeleteAllRequests() {
    for (unsigned i = 0; i < Count(); ++i) {
        At(i)->DeleteAllRequests();
    }
}

void ParentList::RemoveTeacher(const Teacher* teacher) {
    for (unsigned i = 0; i < Count(); ++i) {
        At(i)->RemoveTeacher(teacher);
    }
}

void ParentList::AdoptPupils() {
    for (unsigned i = 0; i < Count(); ++i) {
        At(i)->AdoptPupils();
    }
}

void ParentList::SetGapMode(ParentGapMode mode) {
    for (unsigned i = 0; i < Count(); ++i) {
        At(i)->SetGapMode(mode);
    }
}

void ParentList::RemovePresentation(Presentation* presentation) {
    for (unsigned i = 0; i < Count(); ++i) {
        At(i)->RemovePresentation(presentation);
    }
}

bool ParentList::RequestTeacherForForm(const std::string& form, Teacher* teacher, int priority) {
    for (unsigned i = 0; i < Count(); ++i) {
        Parent* parent = At(i);
        for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
            Pupil* pupil = parent->GetPupil(k);
            if (pupil->GetForm() != form || pupil->HasRequestFor(teacher)) {
                continue;
            }
            if (!pupil->AddRequest(teacher, form, priority, -1)) {
                ReportMessage(SeverityError, "Cannot make appointment for pupil '" +
                                                 pupil->GetDisplayName() + "'");
                return false;
            }
        }
    }
    return true;
}

bool ParentList::ExportCSV(const std::string& fileName) const {
    CsvExportFile file(fileName);
    if (!file.IsOpen()) {
        return false;
    }
    file.WriteLine("Parents Name,Pupil Name,Form\n");
    for (unsigned i = 0; i < Count(); ++i) {
        const Parent* parent = At(i);
        for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
            const Pupil* pupil = parent->GetPupil(k);
            file.WriteRow({parent->GetName(), pupil->GetName(), pupil->GetForm()});
        }
    }
    return file.Commit();
}
