#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "foundation/uc_ptr_vector.h"
#include "model/person.h"

class Parent;
class Presentation;
class Pupil;
class Teacher;

// An ordered array of people sorted by the list's own comparison. A list never deletes its
// people: the event owns teachers and parents, a parent its pupils.
class PersonList : public UCPtrVectorT<Person> {
public:
    explicit PersonList(unsigned growBy = 16) : UCPtrVectorT<Person>(growBy) {}
    ~PersonList() override;
    // A copy builds its own table of positions when it needs one.
    PersonList(const PersonList& other) : UCPtrVectorT<Person>(other) {}
    PersonList& operator=(const PersonList& other);

    // The order Sort uses: a strict weak order, nulls first.
    virtual int Compare(const Person* a, const Person* b) const { return ComparePersons(a, b); }
    static int ComparePersons(const Person* a, const Person* b);

    // Randomised quicksort (pivots through rand), so people that compare equal may come out in
    // either order.
    void Sort();
    // The same order, but people who compare equal (namesake families) keep the order they
    // stand in, so that a list written and read back comes out as it went in. Gives the old
    // position of each person in the new order.
    std::vector<unsigned> SortKeepingTies();

    void ClearEmailSent(EmailTextKind kind);
    // People whose address is not blank.
    int CountWithEmail() const;
    int CountEmailNotSent(EmailTextKind kind) const;

    // The first position of the person, -1 when absent. A long list answers from a table of
    // positions, built again once a few lookups have had to scan a list changed since.
    int IndexOfPerson(const Person* person) const;
    static constexpr unsigned kShortestIndexedList = 32;

    // Lookups by name or position scan the list until this many have found their table changed
    // since it was built; then they build it again. Lookups between changes are then constant time,
    // and a loop that changes a name before every lookup stays close to scanning.
    static constexpr unsigned kScansBeforeIndexing = 8;

protected:
    // A table from a key to what a lookup finds by it, valid while the list's version and the
    // people's epoch of its kind stay where they were when it was built.
    template <typename V, typename K = std::string>
    struct LookupTable {
        std::unordered_map<K, V> table;
        bool built = false;
        unsigned long long version = 0;
        unsigned long long epoch = 0;
        unsigned staleLookups = 0;

        bool IsCurrent(unsigned long long listVersion, unsigned long long kindEpoch) const {
            return built && version == listVersion && epoch == kindEpoch;
        }
        // Whether the table can answer: current, or rebuilt now by fill because enough lookups
        // have had to scan.
        template <typename Fill>
        bool Ready(unsigned long long listVersion, unsigned long long kindEpoch, Fill fill) {
            if (IsCurrent(listVersion, kindEpoch)) {
                return true;
            }
            built = false;
            if (++staleLookups < kScansBeforeIndexing) {
                return false;
            }
            staleLookups = 0;
            table.clear();
            // Read before filling: marking the people as recorded changes nothing.
            epoch = kindEpoch;
            fill();
            version = listVersion;
            built = true;
            return true;
        }
    };

private:
    using PositionTable = LookupTable<int, const Person*>;
    mutable std::unique_ptr<PositionTable> positions_;
};

// A person list that holds people of one class only: typed access, and Append takes only that
// class. Callers need the class's full declaration.
template <typename T>
class PersonListOf : public PersonList {
public:
    explicit PersonListOf(unsigned growBy) : PersonList(growBy) {}

    T* At(unsigned i) const { return static_cast<T*>(PersonList::At(i)); }
    // Null past the end.
    T* Get(unsigned i) const { return static_cast<T*>(PersonList::Get(i)); }
    void Append(T* person) { PersonList::Append(person); }
};

// The order of parents' sheets: by parent name, by first pupil's name, or by its form.
enum ParentPrintOrder {
    ParentPrintByName = 0,
    ParentPrintByPupilName = 1,
    ParentPrintByPupilForm = 2
};

enum ParentGapMode : int;

// The event's teachers, or a selection of them. A teacher's index is its row in every day's
// grid.
class TeacherList : public PersonListOf<Teacher> {
public:
    explicit TeacherList(unsigned growBy = 128) : PersonListOf<Teacher>(growBy) {}

    // The first teacher whose name or initials equal the text ignoring ASCII case and the blanks
    // around it; null for a blank text.
    Teacher* FindByNameOrInitials(const std::string& text) const;
    // Keeps the name table current, so adding teachers one at a time stays linear.
    void Append(Teacher* teacher);
    int IndexOf(const Teacher* teacher) const;
    void RemovePresentation(Presentation* presentation);

    // "Name,Initials,Location" and one row a teacher; reports the outcome.
    bool ExportCSV(const std::string& fileName) const;

private:
    void Record(Teacher* teacher, unsigned index) const;

    // Folded names and initials to the index of the first teacher with either.
    mutable LookupTable<unsigned> byNameOrInitials_;
};

// The event's parents, or a working selection of them, sorted by the chosen print order.
class ParentList : public PersonListOf<Parent> {
public:
    explicit ParentList(unsigned growBy = 256) : PersonListOf<Parent>(growBy) {}

    ParentPrintOrder GetSortOrder() const { return sortOrder_; }
    // Stores the order, then sorts.
    void SetSortOrder(ParentPrintOrder order);
    int Compare(const Person* a, const Person* b) const override { return CompareParents(a, b); }
    // By name, or by the first pupil (its form first for ParentPrintByPupilForm); parents
    // without pupils come before the others, nulls first of all.
    int CompareParents(const Person* a, const Person* b) const;

    // Name ignoring ASCII case; null for an empty text.
    Parent* FindByName(const std::string& name) const;
    // Exact Person::GetUniqueIdOrName, the first in list order; null for an empty key.
    Parent* FindByKey(const std::string& key) const;
    // The first family of exactly this name and first address line that a school number held
    // on one side only cannot tell apart: any such family when number is empty, else one
    // without a number of its own (its identifier empty or its name). Null for an empty name.
    Parent* FindSameFamily(const std::string& name, const std::string& address,
                           const std::string& number) const;
    // The first pupil of that name (ignoring ASCII case) in list order. When asked, shared
    // tells whether another pupil has the name too: two families may each have a Sam Smith.
    Pupil* FindPupil(const std::string& name, bool* shared = nullptr) const;
    // The name and first address line (see FamilyPlace) of each family the list holds under
    // two school numbers or more: flats of one house on the second line. A family known
    // elsewhere by its name only is none of them by name and address alone.
    std::set<std::string> NumberedApart() const;
    static std::string FamilyPlace(const Parent& parent);
    // Keeps the identity table current, so adding parents one at a time stays linear.
    void Append(Parent* parent);
    int IndexOf(const Parent* parent) const;
    int IndexOfParentOfPupil(const Pupil* pupil) const;
    Parent* FindParentOfPupil(const Pupil* pupil) const;
    int GetPupilCount() const;

    // Both delete requests and leave the timetable alone: only after every day has unbooked
    // them. RemoveTeacher runs before a teacher is deleted, so nothing points at it.
    void DeleteAllRequests();
    void RemoveTeacher(const Teacher* teacher);
    void AdoptPupils();
    void SetGapMode(ParentGapMode mode);
    void RemovePresentation(Presentation* presentation);

    // Gives every pupil of the form (exact text) a request for the teacher unless it has one;
    // stops with an Error at the first pupil that cannot take one.
    bool RequestTeacherForForm(const std::string& form, Teacher* teacher, int priority);

    // "Parents Name,Pupil Name,Form" and one row a pupil; reports the outcome.
    bool ExportCSV(const std::string& fileName) const;

private:
    bool KeyTableIsCurrent() const;

    ParentPrintOrder sortOrder_ = ParentPrintByName;
    mutable LookupTable<Parent*> byKey_;
    // Exact names to the parents of each, in list order, for FindSameFamily.
    mutable LookupTable<std::vector<Parent*>> byName_;
    mutable LookupTable<Pupil*> pupilsByName_;
    // Folded names that more than one pupil has, filled with pupilsByName_.
    mutable std::unordered_set<std::string> sharedPupilNames_;
};

// The pupils of a form, sorted by form and then by name.
class PupilList : public PersonListOf<Pupil> {
public:
    explicit PupilList(unsigned growBy = 64) : PersonListOf<Pupil>(growBy) {}

    int Compare(const Person* a, const Person* b) const override { return ComparePupils(a, b); }
    // Nulls first, then anything that is not a pupil (by name), then pupils by form and name.
    static int ComparePupils(const Person* a, const Person* b);
};
