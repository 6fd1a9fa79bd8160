#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "model/parent.h"
#include "model/person_list.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/teacher.h"

namespace {

// Counts the comparisons a sort makes.
class CountingList : public PersonList {
public:
    int Compare(const Person* a, const Person* b) const override {
        ++comparisons;
        return PersonList::Compare(a, b);
    }
    mutable int comparisons = 0;
};

// Parents who delete themselves, as the event does for its list.
class OwnedParents {
public:
    ~OwnedParents() { list.DeleteAll(); }
    Parent* Add(const std::string& name,
                std::vector<std::pair<std::string, std::string>> pupils = {}) {
        auto* parent = new Parent(name);
        for (const auto& [pupilName, form] : pupils) {
            auto pupil = std::make_unique<Pupil>(pupilName);
            pupil->SetForm(form);
            parent->AddPupil(std::move(pupil));
        }
        list.Append(parent);
        return parent;
    }
    ParentList list;
};

std::vector<std::string> NamesOf(const PersonList& list) {
    std::vector<std::string> names;
    for (const Person* person : list) {
        names.push_back(person->GetName());
    }
    return names;
}

}  // namespace

TEST(PersonList, SortingNoneOrOnePersonComparesNothingAndTwoComparesOnce) {
    Person anna("Anna Smith");
    Person bob("Bob Smith");
    CountingList list;
    list.Sort();
    list.Append(&bob);
    list.Sort();
    EXPECT_EQ(list.comparisons, 0);
    list.Append(&anna);
    list.Sort();
    EXPECT_EQ(list.comparisons, 1);
    EXPECT_EQ(NamesOf(list), (std::vector<std::string>{"Anna Smith", "Bob Smith"}));
}

TEST(PersonList, SortOrdersAnyShuffleWhateverTheSeed) {
    const char* names[] = {"Zoe Adams", "Anna Smith", "Bob Smith", "Smith",      "John Smith",
                           "Bob",       "Ann Zed",    "Cy Able",   "Anna Smith", "Anna Smith",
                           "Dee Dee",   "Ed",         "",          "Al Brown",   "Bo Brown",
                           "Bo Brown",  "Cal Brown"};
    std::vector<std::unique_ptr<Person>> people;
    for (const char* name : names) {
        people.push_back(std::make_unique<Person>(name));
    }
    for (unsigned seed = 1; seed <= 200; ++seed) {
        SCOPED_TRACE(seed);
        srand(seed);
        std::vector<Person*> shuffled;
        for (auto& p : people) {
            shuffled.push_back(p.get());
        }
        for (size_t i = shuffled.size() - 1; i > 0; --i) {
            std::swap(shuffled[i], shuffled[rand() % (i + 1)]);
        }
        size_t n = seed % (shuffled.size() + 1);
        PersonList list;
        for (size_t i = 0; i < n; ++i) {
            list.Append(shuffled[i]);
        }
        list.Sort();
        ASSERT_EQ(list.Count(), n);
        for (unsigned i = 1; i < list.Count(); ++i) {
            ASSERT_LE(list.At(i - 1)->Compare(list.At(i)), 0);
        }
        std::vector<Person*> expected(shuffled.begin(), shuffled.begin() + n);
        std::vector<Person*> actual(list.begin(), list.end());
        std::sort(expected.begin(), expected.end());
        std::sort(actual.begin(), actual.end());
        EXPECT_EQ(actual, expected);
    }
}

TEST(PersonList, NullsSortFirstAndCompareEqualToEachOther) {
    Person anna("Anna Smith");
    EXPECT_EQ(PersonList::ComparePersons(nullptr, nullptr), 0);
    EXPECT_EQ(PersonList::ComparePersons(nullptr, &anna), -1);
    EXPECT_EQ(PersonList::ComparePersons(&anna, nullptr), 1);
    PersonList list;
    list.Append(&anna);
    list.Append(nullptr);
    list.Append(&anna);
    list.Append(nullptr);
    srand(7);
    list.Sort();
    EXPECT_EQ(list.At(0), nullptr);
    EXPECT_EQ(list.At(1), nullptr);
    EXPECT_EQ(list.At(3), &anna);
}

TEST(PersonList, EmailCountsAndClearing) {
    Person withMail("A One");
    withMail.SetEmail("a@example.org");
    Person sent("B Two");
    sent.SetEmail("b@example.org");
    sent.SetEmailSent(EmailInvitation, true);
    Person without("C Three");
    PersonList list;
    for (Person* p : {&withMail, &sent, &without}) {
        list.Append(p);
    }
    EXPECT_EQ(list.CountWithEmail(), 2);
    EXPECT_EQ(list.CountEmailNotSent(EmailInvitation), 1);
    EXPECT_EQ(list.CountEmailNotSent(EmailReminder), 2);
    list.ClearEmailSent(EmailInvitation);
    EXPECT_FALSE(sent.GetEmailSent(EmailInvitation));
    EXPECT_EQ(list.CountEmailNotSent(EmailInvitation), 2);
}

TEST(PupilList, NullsComeFirstThenPupilsByFormAndName) {
    Pupil amy("Amy Lee");
    amy.SetForm("9B");
    Pupil ben("Ben Adams");
    ben.SetForm("9B");
    Pupil cat("Cat Zed");
    cat.SetForm("10A");
    Person notAPupil("Zed Person");

    EXPECT_EQ(PupilList::ComparePupils(nullptr, &amy), -1);
    EXPECT_EQ(PupilList::ComparePupils(&amy, nullptr), 1);
    EXPECT_EQ(PupilList::ComparePupils(nullptr, nullptr), 0);
    EXPECT_EQ(PupilList::ComparePupils(&cat, &amy), -1);
    EXPECT_EQ(PupilList::ComparePupils(&ben, &amy), -1);
    EXPECT_EQ(PupilList::ComparePupils(&amy, &amy), 0);
    EXPECT_EQ(PupilList::ComparePupils(&notAPupil, &amy), -1);
    EXPECT_EQ(PupilList::ComparePupils(&amy, &notAPupil), 1);

    PupilList list;
    for (Pupil* p : {&amy, &cat, &ben}) {
        list.Append(p);
    }
    srand(3);
    list.Sort();
    EXPECT_EQ(NamesOf(list), (std::vector<std::string>{"Cat Zed", "Ben Adams", "Amy Lee"}));
}

TEST(ParentList, SortOrdersByParentPupilOrForm) {
    OwnedParents parents;
    parents.Add("Zed Parent", {{"Amy Lee", "9B"}});
    parents.Add("Alan Nopupil");
    parents.Add("Mid Parent", {{"Cat Zed", "10A"}, {"Aaron Aa", "7A"}});
    parents.Add("Bob Parent", {{"Ben Adams", "9B"}});
    srand(11);

    parents.list.SetSortOrder(ParentPrintByName);
    EXPECT_EQ(NamesOf(parents.list),
              (std::vector<std::string>{"Alan Nopupil", "Bob Parent", "Mid Parent", "Zed Parent"}));

    parents.list.SetSortOrder(ParentPrintByPupilName);
    EXPECT_EQ(NamesOf(parents.list),
              (std::vector<std::string>{"Alan Nopupil", "Bob Parent", "Zed Parent", "Mid Parent"}));

    parents.list.SetSortOrder(ParentPrintByPupilForm);
    EXPECT_EQ(parents.list.GetSortOrder(), ParentPrintByPupilForm);
    EXPECT_EQ(NamesOf(parents.list),
              (std::vector<std::string>{"Alan Nopupil", "Mid Parent", "Bob Parent", "Zed Parent"}));
}

TEST(ParentList, EveryParentOrderIsAStrictWeakOrder) {
    OwnedParents parents;
    parents.Add("Zed Parent", {{"Amy Lee", "9B"}});
    parents.Add("Alan Nopupil");
    parents.Add("Bea Nopupil");
    parents.Add("Mid Parent", {{"Cat Zed", "10A"}});
    parents.Add("Twin Parent", {{"Amy Lee", "9B"}});
    parents.Add("Smith", {{"Smith", ""}});
    std::vector<const Person*> items(parents.list.begin(), parents.list.end());
    Teacher notAParent("Not Parent");
    items.push_back(nullptr);
    items.push_back(&notAParent);

    for (ParentPrintOrder order :
         {ParentPrintByName, ParentPrintByPupilName, ParentPrintByPupilForm}) {
        SCOPED_TRACE(order);
        parents.list.SetSortOrder(order);
        const ParentList& list = parents.list;
        for (const Person* a : items) {
            EXPECT_EQ(list.CompareParents(a, a), 0);
            for (const Person* b : items) {
                int ab = list.CompareParents(a, b);
                EXPECT_EQ(ab, -list.CompareParents(b, a));
                for (const Person* c : items) {
                    int bc = list.CompareParents(b, c);
                    int ac = list.CompareParents(a, c);
                    if (ab <= 0 && bc <= 0) {
                        EXPECT_LE(ac, 0);
                    }
                    if (ab < 0 && bc < 0) {
                        EXPECT_LT(ac, 0);
                    }
                }
            }
        }
    }
}

TEST(ParentList, FindersIgnoreCaseWhereTheyShouldAndNotByKey) {
    OwnedParents parents;
    Parent* lee = parents.Add("Pat Lee", {{"Amy Lee", "7B"}});
    Parent* keyed = parents.Add("Sam Ray", {{"Ben Ray", "8C"}, {"Amy Lee", "8C"}});
    keyed->SetUniqueId("ID-42");

    EXPECT_EQ(parents.list.FindByName("pat LEE"), lee);
    EXPECT_EQ(parents.list.FindByName(""), nullptr);
    EXPECT_EQ(parents.list.FindByKey("Pat Lee"), lee);
    EXPECT_EQ(parents.list.FindByKey("pat lee"), nullptr);
    EXPECT_EQ(parents.list.FindByKey("ID-42"), keyed);
    EXPECT_EQ(parents.list.FindByKey("Sam Ray"), nullptr);
    EXPECT_EQ(parents.list.FindByKey(""), nullptr);

    EXPECT_EQ(parents.list.FindPupil("amy lee"), lee->GetPupil(0));
    EXPECT_EQ(parents.list.FindPupil("BEN RAY"), keyed->GetPupil(0));
    EXPECT_EQ(parents.list.FindPupil(""), nullptr);

    EXPECT_EQ(parents.list.IndexOf(keyed), 1);
    EXPECT_EQ(parents.list.IndexOfParentOfPupil(keyed->GetPupil(1)), 1);
    EXPECT_EQ(parents.list.FindParentOfPupil(lee->GetPupil(0)), lee);
    Pupil stranger("Amy Lee");
    EXPECT_EQ(parents.list.IndexOfParentOfPupil(&stranger), -1);
    EXPECT_EQ(parents.list.FindParentOfPupil(&stranger), nullptr);
    EXPECT_EQ(parents.list.GetPupilCount(), 3);
}

// Every change that can alter what a lookup finds, made after both lookup tables were built;
// the answers must follow at once (a stale table would answer for the old list, or read a
// deleted person under ASan) and again once the tables have been rebuilt.
TEST(ParentList, LookupsFollowEveryChangeToTheListAndItsPeople) {
    struct Family {
        OwnedParents parents;
        Parent* lee = parents.Add("Pat Lee", {{"Amy Lee", "7B"}});
        Parent* ray = parents.Add("Sam Ray", {{"Ben Ray", "8C"}});
        Parent* fox = parents.Add("Kim Fox", {{"Cat Fox", "9A"}});
        // Shares Pat Lee's key and pupil's name, so list order decides which is found.
        Parent* twin = [this] {
            Parent* parent = parents.Add("Jo Fox", {{"Amy Lee", "7C"}});
            parent->SetUniqueId("Pat Lee");
            return parent;
        }();
    };
    struct Expected {
        const char* lookup;
        // Index of the parent found, or of the parent of the pupil found; -1 for none.
        int parent;
        unsigned pupil = 0;
    };
    const struct {
        const char* change;
        std::function<void(Family&)> act;
        std::vector<Expected> keys;
        std::vector<Expected> pupils;
        std::vector<Expected> families = {};  // by exact name, without an address
    } cases[] = {
        {"parent given an id",
         [](Family& f) { f.lee->SetUniqueId("ID-7"); },
         {{"ID-7", 0}, {"Pat Lee", 3}},
         {}},
        {"parent's id cleared falls back to the name",
         [](Family& f) {
             f.ray->SetUniqueId("");
             f.ray->SetName("Sam Raye");
         },
         {{"Sam Raye", 1}, {"Sam Ray", -1}},
         {},
         {{"Sam Raye", 1}, {"Sam Ray", -1}}},
        {"parent deleted",
         [](Family& f) { delete f.parents.list.RemoveAt(0); },
         {{"Pat Lee", 2}, {"Sam Ray", 0}},
         {{"amy lee", 2}, {"ben ray", 0}},
         {{"Pat Lee", -1}, {"Sam Ray", 0}}},
        {"same key inserted in front",
         [](Family& f) { (void)f.parents.list.Insert(new Parent("Kim Fox"), 0); },
         {{"Kim Fox", 0}},
         {{"cat fox", 3}},
         {{"Kim Fox", 0}}},
        {"same key appended after",
         [](Family& f) { f.parents.list.Append(new Parent("Pat Lee")); },
         {{"Pat Lee", 0}},
         {},
         {{"Pat Lee", 0}}},
        {"appended past the parent list's own append",
         [](Family& f) {
             PersonList& plain = f.parents.list;
             plain.Append(new Parent("Jo Kay"));
         },
         {{"Jo Kay", 4}},
         {},
         {{"Jo Kay", 4}}},
        {"order swapped",
         [](Family& f) { f.parents.list.Swap(0, 3); },
         {{"Pat Lee", 0}},
         {{"amy lee", 0}},
         {{"Pat Lee", 3}, {"Jo Fox", 0}}},
        {"pupil renamed",
         [](Family& f) { f.lee->GetPupil(0)->SetName("Amy Lowe"); },
         {},
         {{"AMY LOWE", 0}, {"amy lee", 3}}},
        {"pupil added",
         [](Family& f) { (void)f.ray->AddPupil(std::make_unique<Pupil>("Dan Ray")); },
         {},
         {{"dan ray", 1, 1}}},
        {"pupil deleted", [](Family& f) { f.fox->DeletePupil(0); }, {}, {{"cat fox", -1}}},
        {"sibling of the same name added to an earlier family",
         [](Family& f) { (void)f.lee->AddPupil(std::make_unique<Pupil>("Cat Fox")); },
         {},
         {{"Cat Fox", 0, 1}}},
    };
    for (const auto& c : cases) {
        Family family;
        ParentList& list = family.parents.list;
        for (unsigned i = 0; i < 2 * ParentList::kScansBeforeIndexing; ++i) {
            ASSERT_EQ(list.FindByKey("Pat Lee"), family.lee);
            ASSERT_EQ(list.FindPupil("cat fox"), family.fox->GetPupil(0));
            ASSERT_EQ(list.FindSameFamily("Pat Lee", "", ""), family.lee);
        }
        c.act(family);
        for (int round = 0; round < 2 * static_cast<int>(ParentList::kScansBeforeIndexing);
             ++round) {
            for (const Expected& e : c.keys) {
                const Parent* want = e.parent < 0 ? nullptr : list.Get(e.parent);
                EXPECT_EQ(list.FindByKey(e.lookup), want) << c.change << ": " << e.lookup;
            }
            for (const Expected& e : c.pupils) {
                const Pupil* want = e.parent < 0 ? nullptr : list.Get(e.parent)->GetPupil(e.pupil);
                EXPECT_EQ(list.FindPupil(e.lookup), want) << c.change << ": " << e.lookup;
            }
            for (const Expected& e : c.families) {
                const Parent* want = e.parent < 0 ? nullptr : list.Get(e.parent);
                EXPECT_EQ(list.FindSameFamily(e.lookup, "", ""), want)
                    << c.change << ": " << e.lookup;
            }
        }
    }
}

TEST(ParentList, WholeListActionsReachEveryParent) {
    OwnedParents parents;
    Parent* lee = parents.Add("Pat Lee", {{"Amy Lee", "7B"}});
    Parent* ray = parents.Add("Sam Ray", {{"Ben Ray", "7B"}});
    Teacher jones("Ms Jones");
    Presentation talk("Careers Talk");
    lee->AddPresentation(&talk);
    ray->AddPresentation(&talk);
    lee->GetPupil(0)->AddRequest(&jones, "", 1, -1);
    ray->GetPupil(0)->AddTaughtBy(&jones, "Maths");

    parents.list.SetGapMode(EnforceParentGaps);
    EXPECT_EQ(lee->GetGapMode(), EnforceParentGaps);
    EXPECT_EQ(ray->GetGapMode(), EnforceParentGaps);

    parents.list.RemovePresentation(&talk);
    EXPECT_FALSE(lee->AttendsPresentation(&talk));
    EXPECT_FALSE(ray->AttendsPresentation(&talk));

    parents.list.RemoveTeacher(&jones);
    EXPECT_FALSE(lee->HasRequests());
    EXPECT_FALSE(ray->GetPupil(0)->IsTaughtBy(&jones));

    lee->GetPupil(0)->SetParent(nullptr);
    parents.list.AdoptPupils();
    EXPECT_EQ(lee->GetPupil(0)->GetParent(), lee);

    lee->GetPupil(0)->AddRequest(&jones, "", 1, -1);
    parents.list.DeleteAllRequests();
    EXPECT_FALSE(lee->HasRequests());
}

TEST(ParentList, RequestTeacherForFormSkipsOtherFormsAndExistingRequests) {
    OwnedParents parents;
    Parent* lee = parents.Add("Pat Lee", {{"Amy Lee", "7B"}, {"Ben Lee", "8C"}});
    Parent* ray = parents.Add("Sam Ray", {{"Cat Ray", "7B"}});
    Teacher jones("Ms Jones");
    ray->GetPupil(0)->AddRequest(&jones, "Maths", 1, -1);

    EXPECT_TRUE(parents.list.RequestTeacherForForm("7b", &jones, 2));
    EXPECT_EQ(lee->GetRequestCount() + ray->GetRequestCount(), 1);

    EXPECT_TRUE(parents.list.RequestTeacherForForm("7B", &jones, 2));
    ASSERT_EQ(lee->GetPupil(0)->GetRequestCount(), 1u);
    const AppointmentRequest* made = lee->GetPupil(0)->GetRequest(0);
    EXPECT_EQ(made->GetSubject(), "7B");
    EXPECT_EQ(made->GetPriority(), 2);
    EXPECT_EQ(made->GetOwnLength(), -1);
    EXPECT_EQ(lee->GetPupil(1)->GetRequestCount(), 0u);
    EXPECT_EQ(ray->GetPupil(0)->GetRequestCount(), 1u);

    UCStringError sink;
    EXPECT_FALSE(parents.list.RequestTeacherForForm("8C", nullptr, 1));
    EXPECT_EQ(sink.GetText(), "Error: Cannot make appointment for pupil 'Ben Lee (8C)'\n");
}

TEST(TeacherList, FindByNameOrInitialsIgnoresCaseAndPrefersNames) {
    Teacher abc("Alice Brown");
    abc.SetInitials("ABC");
    Teacher named("abc");
    Teacher noInitials("Carl Dunn");
    TeacherList list;
    for (Teacher* t : {&abc, &named, &noInitials}) {
        list.Append(t);
    }
    EXPECT_EQ(list.FindByNameOrInitials("alice BROWN"), &abc);
    EXPECT_EQ(list.FindByNameOrInitials("ABC"), &abc);
    EXPECT_EQ(list.FindByNameOrInitials(""), nullptr);
    EXPECT_EQ(list.FindByNameOrInitials("xyz"), nullptr);
    EXPECT_EQ(list.IndexOf(&noInitials), 2);
    EXPECT_EQ(list.Get(3), nullptr);

    TeacherList reversed;
    reversed.Append(&named);
    reversed.Append(&abc);
    EXPECT_EQ(reversed.FindByNameOrInitials("abc"), &named);
}

// The file keeps names and initials without the blanks around them and finds teachers by
// either, trimmed and ignoring case: what an editor or import stores is kept so too, and a text
// that differs from a teacher's by blanks alone finds that teacher.
TEST(TeacherList, NamesAndInitialsAreKeptAndFoundTrimmedAsTheFileHasThem) {
    struct Case {
        const char* name;
        const char* initials;
        const char* storedName;
        const char* storedInitials;
        const char* lookup;
        bool found;
    };
    const Case cases[] = {
        {"Mr A ", "MB ", "Mr A", "MB", "Mr A", true},
        {" Mr A\t", "\tMB", "Mr A", "MB", "mr a ", true},
        {"Mr A", "MB", "Mr A", "MB", " mb ", true},
        {"Mr A", "MB", "Mr A", "MB", "M B", false},
        {"Mr  A", "", "Mr  A", "", "  ", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lookup);
        Teacher teacher;
        teacher.SetName(c.name);
        teacher.SetInitials(c.initials);
        EXPECT_EQ(teacher.GetName(), c.storedName);
        EXPECT_EQ(teacher.GetInitials(), c.storedInitials);
        TeacherList list;
        list.Append(&teacher);
        EXPECT_EQ(list.FindByNameOrInitials(c.lookup), c.found ? &teacher : nullptr);
        // Once the table is built, and after a rename through it, the same.
        EXPECT_EQ(list.FindByNameOrInitials(c.lookup), c.found ? &teacher : nullptr);
        teacher.SetInitials(std::string(c.initials) + "  ");
        EXPECT_EQ(teacher.GetInitials(), c.storedInitials);
    }
}

// The name table must answer as a scan of the list would, whatever changed since it was built.
TEST(TeacherList, LookupsAnswerAsAScanWouldAfterEveryChange) {
    struct Staff {
        std::vector<std::unique_ptr<Teacher>> owned;
        TeacherList list;
        Teacher* Add(const char* name, const char* initials) {
            owned.push_back(std::make_unique<Teacher>(name));
            owned.back()->SetInitials(initials);
            list.Append(owned.back().get());
            return owned.back().get();
        }
    };
    const struct {
        const char* change;
        std::function<void(Staff&)> act;
    } cases[] = {
        {"nothing", [](Staff&) {}},
        {"renamed", [](Staff& s) { s.list.Get(0)->SetName("Zed Lowe"); }},
        {"initials changed", [](Staff& s) { s.list.Get(1)->SetInitials("AB"); }},
        {"initials taken by an earlier teacher",
         [](Staff& s) { s.list.Get(0)->SetInitials("CD"); }},
        {"appended", [](Staff& s) { s.Add("Eve Hart", "EH"); }},
        {"appended past the teacher list's own append",
         [](Staff& s) {
             s.owned.push_back(std::make_unique<Teacher>("Fay Gill"));
             PersonList& plain = s.list;
             plain.Append(s.owned.back().get());
         }},
        {"inserted in front",
         [](Staff& s) {
             s.owned.push_back(std::make_unique<Teacher>("cd"));
             (void)s.list.Insert(s.owned.back().get(), 0);
         }},
        {"removed", [](Staff& s) { (void)s.list.RemoveAt(0); }},
        {"swapped", [](Staff& s) { s.list.Swap(0, 2); }},
        {"sorted", [](Staff& s) { s.list.Sort(); }},
    };
    const char* const lookups[] = {"ann bell", "AB", "cd",       "CD",      "Cy Dee",
                                   "zed lowe", "EH", "fay gill", "Ben Ray", "nobody"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        Staff staff;
        staff.Add("Ann Bell", "AB");
        staff.Add("Ben Ray", "BR");
        staff.Add("Cy Dee", "CD");
        for (unsigned i = 0; i < 2 * PersonList::kScansBeforeIndexing; ++i) {
            ASSERT_EQ(staff.list.FindByNameOrInitials("cy dee"), staff.list.Get(2));
        }
        c.act(staff);
        for (unsigned round = 0; round < 2 * PersonList::kScansBeforeIndexing; ++round) {
            for (const char* lookup : lookups) {
                Teacher* scanned = nullptr;
                for (unsigned i = 0; i < staff.list.Count() && scanned == nullptr; ++i) {
                    Teacher* t = staff.list.Get(i);
                    if (EqualsIgnoringCase(t->GetName(), lookup) ||
                        EqualsIgnoringCase(t->GetInitials(), lookup)) {
                        scanned = t;
                    }
                }
                EXPECT_EQ(staff.list.FindByNameOrInitials(lookup), scanned) << lookup;
            }
        }
    }
}

TEST(TeacherList, RemovePresentationReachesEveryTeacher) {
    Teacher jones("Ms Jones");
    Teacher brown("Mr Brown");
    Presentation talk("Careers Talk");
    jones.AddPresentation(&talk);
    brown.AddPresentation(&talk);
    TeacherList list;
    list.Append(&jones);
    list.Append(&brown);
    list.RemovePresentation(&talk);
    EXPECT_FALSE(jones.AttendsPresentation(&talk));
    EXPECT_FALSE(brown.AttendsPresentation(&talk));
}

// A long list answers positions from a table: after any change, once the table has been built
// and once it has been built again, every answer is the scan's.
TEST(TeacherList, PositionsFollowEveryChangeToTheList) {
    constexpr unsigned kTeachers = 2 * PersonList::kShortestIndexedList;
    std::vector<std::unique_ptr<Teacher>> staff;
    for (unsigned i = 0; i < kTeachers + 1; ++i) {
        staff.push_back(std::make_unique<Teacher>("Teacher " + std::to_string(i)));
    }
    Teacher* outsider = staff.back().get();
    const struct {
        const char* name;
        std::function<void(TeacherList&)> change;
    } kChanges[] = {
        {"nothing", [](TeacherList&) {}},
        {"append", [&](TeacherList& list) { list.Append(outsider); }},
        {"insert in front", [&](TeacherList& list) { list.Insert(outsider, 0); }},
        {"remove the first", [](TeacherList& list) { list.RemoveAt(0); }},
        {"swap the ends", [](TeacherList& list) { list.Swap(0, list.Count() - 1); }},
        {"listed twice", [](TeacherList& list) { list.Insert(list.At(5), 2); }},
        {"replaced in place",
         [&](TeacherList& list) { static_cast<PersonList&>(list).At(3) = outsider; }},
        {"sorted", [](TeacherList& list) { list.Sort(); }},
        {"cleared", [](TeacherList& list) { list.Clear(); }},
        {"assigned a shorter list",
         [&](TeacherList& list) {
             TeacherList other;
             for (unsigned i = kTeachers; i-- > 0;) {
                 other.Append(staff[i].get());
             }
             other.RemoveAt(0);
             list = other;
         }},
    };
    auto expectScanAnswers = [&](const TeacherList& asked) {
        for (const auto& teacher : staff) {
            ASSERT_EQ(asked.IndexOf(teacher.get()), asked.PersonList::IndexOf(teacher.get()))
                << teacher->GetName();
        }
    };
    // The change comes after lookups that built no table yet, just built it, or used it.
    const unsigned kLookupsBefore[] = {0, 1, PersonList::kScansBeforeIndexing - 1,
                                       PersonList::kScansBeforeIndexing,
                                       3 * PersonList::kScansBeforeIndexing};
    for (const auto& c : kChanges) {
        for (unsigned lookups : kLookupsBefore) {
            SCOPED_TRACE(std::string(c.name) + " after " + std::to_string(lookups) + " lookups");
            TeacherList list;
            for (unsigned i = 0; i < kTeachers; ++i) {
                list.Append(staff[i].get());
            }
            for (unsigned i = 0; i < lookups; ++i) {
                ASSERT_EQ(list.IndexOf(staff[i % kTeachers].get()),
                          static_cast<int>(i % kTeachers));
            }
            TeacherList copy(list);
            c.change(list);
            for (unsigned round = 0; round < 2 * PersonList::kScansBeforeIndexing; ++round) {
                expectScanAnswers(list);
                expectScanAnswers(copy);
            }
        }
    }
}
