#include "model/event.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "foundation/uc_error.h"
#include "model/importer_csv.h"
#include "model/pupil.h"

namespace {

std::unique_ptr<Teacher> MakeTeacher(const std::string& name, const std::string& initials) {
    auto teacher = std::make_unique<Teacher>(name);
    teacher->SetInitials(initials);
    return teacher;
}

// A new event with the sink collecting what it reports.
class EventTest : public ::testing::Test {
protected:
    Teacher* AddTeacher(const std::string& name, const std::string& initials) {
        auto teacher = MakeTeacher(name, initials);
        Teacher* raw = teacher.get();
        EXPECT_TRUE(event.AddTeacher(std::move(teacher)));
        return raw;
    }
    Parent* AddParent(Event& target, const std::string& name) {
        auto parent = std::make_unique<Parent>(name);
        Parent* raw = parent.get();
        EXPECT_TRUE(target.AddParent(std::move(parent)));
        return raw;
    }
    static Pupil* AddPupil(Parent* parent, const std::string& name) {
        auto pupil = std::make_unique<Pupil>(name);
        Pupil* raw = pupil.get();
        parent->AddPupil(std::move(pupil));
        return raw;
    }

    UCStringError sink;
    Event event;
};

TEST_F(EventTest, NewEventHasItsDefaults) {
    EXPECT_EQ("New event", event.GetName());
    EXPECT_EQ(300, event.GetSlotLength());
    EXPECT_EQ(TryParentGaps, event.GetParentGapMode());
    EXPECT_FALSE(event.IsLocked());
    EXPECT_FALSE(event.IsModified());
    EXPECT_TRUE(event.GetAskParentTimes());
    EXPECT_EQ(ScheduleOptions(), event.GetOptions());
    EXPECT_EQ("teacher", event.GetTeacherDesc(false));
    EXPECT_EQ("Parent", event.GetParentDesc(true));
    EXPECT_EQ("Pupil", event.GetPupilDesc(true));
    EXPECT_EQ(25, event.GetEmailServerSettings().GetPort());
}

TEST_F(EventTest, NewEventHoldsTheBuiltInImportersInOrder) {
    ASSERT_NE(nullptr, event.GetTeacherImporter(0));
    EXPECT_STREQ("ImporterTxtTeachers", event.GetTeacherImporter(0)->GetClassName());
    EXPECT_EQ(nullptr, event.GetTeacherImporter(1));
    ASSERT_NE(nullptr, event.GetPupilImporter(1));
    EXPECT_STREQ("ImporterXMLPupils", event.GetPupilImporter(0)->GetClassName());
    EXPECT_STREQ("ImporterTxtPupils", event.GetPupilImporter(1)->GetClassName());
    EXPECT_EQ(nullptr, event.GetPupilImporter(2));
}

TEST_F(EventTest, SavedImportsAreAppendedBehindTheBuiltInOnes) {
    auto staff = std::make_unique<ImporterCSV>(false);
    staff->SetName("Staff");
    ImporterCSV* raw = staff.get();
    event.AddTeacherImporter(std::move(staff));
    EXPECT_EQ(raw, event.GetTeacherImporter(1));
    EXPECT_EQ(raw, FindImporterByDescription(event.GetTeacherImporters(), "Staff"));
    EXPECT_EQ(
        event.GetPupilImporter(1),
        FindImporterByDescription(event.GetPupilImporters(), "Text file, one pupil per line"));
}

TEST_F(EventTest, GuardedOperationsRefuseWhileLockedAndChangeNothing) {
    AddParent(event, "Ann Fox");
    Presentation* talk = new Presentation("Talk");
    EXPECT_TRUE(event.AddPresentation(std::unique_ptr<Presentation>(talk)));
    event.ClearModified();
    event.SetLocked(true);

    struct Case {
        const char* message;
        std::function<bool()> operation;
    } cases[] = {
        {"Cannot set the event name because the schedule is locked",
         [&] { return event.SetName("Other"); }},
        {"Cannot set time slot length because the schedule is locked",
         [&] { return event.SetSlotLength(600); }},
        {"Cannot update waiting time because the schedule is locked",
         [&] { return event.SetParentWaitingTime(10); }},
        {"Cannot update waiting time because the schedule is locked",
         [&] { return event.SetTeacherWaitingTime(10); }},
        {"Cannot update busy time because the schedule is locked",
         [&] { return event.SetTeacherBusyTime(60); }},
        {"Cannot delete parents and pupils because the schedule is locked",
         [&] { return event.DeleteParentsAndPupils(); }},
        {"Cannot blank requested times because the schedule is locked",
         [&] { return event.BlankRequestedTimes(); }},
        {"Cannot delete a presentation because the schedule is locked",
         [&] { return event.DeletePresentation(talk); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_FALSE(c.operation());
        EXPECT_EQ(std::string("Error: ") + c.message + "\n", sink.GetText());
    }
    EXPECT_EQ("New event", event.GetName());
    EXPECT_EQ(300, event.GetSlotLength());
    EXPECT_EQ(ScheduleOptions(), event.GetOptions());
    EXPECT_EQ(1u, event.GetParents().Count());
    EXPECT_EQ(1u, event.GetPresentations().Count());
    EXPECT_FALSE(event.IsModified());
}

TEST_F(EventTest, WaitingAndBusyTimesAreKeptInWholeSlots) {
    struct Case {
        int minutes;
        int slots;
    } cases[] = {{10, 2}, {7, 1}, {4, 0}, {0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.minutes);
        ASSERT_TRUE(event.SetParentWaitingTime(c.minutes));
        EXPECT_EQ(c.slots, event.GetOptions().ParentGapLength);
    }
    ASSERT_TRUE(event.SetSlotLength(600));
    ASSERT_TRUE(event.SetTeacherWaitingTime(25));
    EXPECT_EQ(2, event.GetOptions().TeacherGapLength);
    ASSERT_TRUE(event.SetTeacherBusyTime(120));
    EXPECT_EQ(12, event.GetOptions().TeacherBlockLength);
    // A huge value must not overflow on its way to slots.
    ASSERT_TRUE(event.SetTeacherBusyTime(2000000000));
    EXPECT_EQ(200000000, event.GetOptions().TeacherBlockLength);
    // Nor wrap round to a negative allowance when there are more slots than an int holds.
    ASSERT_TRUE(event.SetSlotLength(1));
    ASSERT_TRUE(event.SetTeacherBusyTime(2000000000));
    EXPECT_EQ(INT32_MAX, event.GetOptions().TeacherBlockLength);
}

TEST_F(EventTest, NegativeWaitingTimesAreRefused) {
    ScheduleOptions before = event.GetOptions();
    EXPECT_FALSE(event.SetParentWaitingTime(-5));
    EXPECT_FALSE(event.SetTeacherWaitingTime(-5));
    EXPECT_FALSE(event.SetTeacherBusyTime(-5));
    EXPECT_EQ(before, event.GetOptions());
}

TEST_F(EventTest, NoParentWaitingMeansAdjacentAppointmentsWhateverTheMode) {
    event.SetParentGapMode(EnforceParentGaps);
    EXPECT_EQ(EnforceParentGaps, event.GetParentGapMode());
    ASSERT_TRUE(event.SetParentWaitingTime(0));
    EXPECT_EQ(AdjacentParentAppointments, event.GetParentGapMode());
}

TEST_F(EventTest, SlotLengthMustBePositiveAndTheSameValueChangesNothing) {
    EXPECT_FALSE(event.SetSlotLength(0));
    EXPECT_FALSE(event.SetSlotLength(-60));
    EXPECT_EQ(300, event.GetSlotLength());
    EXPECT_TRUE(event.SetSlotLength(300));
    EXPECT_FALSE(event.IsModified());
    EXPECT_TRUE(event.SetSlotLength(600));
    EXPECT_TRUE(event.IsModified());
}

TEST_F(EventTest, TeacherNameIsLookedUpAmongNamesAndInitials) {
    AddTeacher("Alan Black", "ab");
    auto clash = MakeTeacher("AB", "XY");
    EXPECT_FALSE(event.AddTeacher(std::move(clash)));
    EXPECT_EQ("Error: Teacher 'AB' already exists\n", sink.GetText());

    EXPECT_FALSE(event.AddTeacher(MakeTeacher("Alan Black", "")));
    EXPECT_EQ("Error: Teacher 'Alan Black' already exists\n", sink.GetText());
    EXPECT_EQ(1u, event.GetTeachers().Count());
}

TEST_F(EventTest, TeacherInitialsMustBeUnused) {
    AddTeacher("Alan Black", "AB");
    EXPECT_FALSE(event.AddTeacher(MakeTeacher("Anna Brown", "ab")));
    EXPECT_EQ("Error: Teacher initials 'ab' have already been used for a different teacher\n",
              sink.GetText());
    // Initials are also compared with names.
    EXPECT_FALSE(event.AddTeacher(MakeTeacher("Al", "alan black")));
    sink.GetText();
    // Empty initials never clash.
    AddTeacher("Carl Dunn", "");
    AddTeacher("Eve Finn", "");
    EXPECT_EQ(3u, event.GetTeachers().Count());
    EXPECT_EQ("", sink.GetText());
    EXPECT_FALSE(event.AddTeacher(nullptr));
}

TEST_F(EventTest, ParentsAreUniqueByIdOrName) {
    auto first = std::make_unique<Parent>("Ann Fox");
    first->SetUniqueId("P1");
    ASSERT_TRUE(event.AddParent(std::move(first)));
    EXPECT_TRUE(event.IsModified());

    auto sameId = std::make_unique<Parent>("Ann Fox-Lee");
    sameId->SetUniqueId("P1");
    EXPECT_FALSE(event.AddParent(std::move(sameId)));
    EXPECT_EQ("Error: Parent 'P1' already exists\n", sink.GetText());
    EXPECT_EQ(1u, event.GetParents().Count());

    // Another parent of the same name but its own id is a different person.
    auto sameName = std::make_unique<Parent>("Ann Fox");
    sameName->SetUniqueId("P2");
    EXPECT_TRUE(event.AddParent(std::move(sameName)));
    EXPECT_EQ(2u, event.GetParents().Count());
}

TEST_F(EventTest, EmailTextsNeedNameAndForParentsAndPupilsLink) {
    const std::string nameOnly = "Dear NAME, see you there";
    const std::string nameAndLink = "Dear NAME, book at LINK";
    const std::string noName = "Dear parent, book at LINK";
    const char* kNeedsName =
        "Error: The email text must contain the word NAME to show where the recipient's name "
        "will go\n";
    const char* kNeedsLink =
        "Error: The email text must contain the word LINK to show where the link to the "
        "recipient's webpage will go\n";
    using Setter = std::function<bool(EmailTextKind, const std::string&)>;
    Setter parents = [&](EmailTextKind k, const std::string& t) {
        return event.SetParentEmailText(k, t);
    };
    Setter pupils = [&](EmailTextKind k, const std::string& t) {
        return event.SetPupilEmailText(k, t);
    };
    Setter teachers = [&](EmailTextKind k, const std::string& t) {
        return event.SetTeacherEmailText(k, t);
    };
    struct Case {
        const char* name;
        Setter set;
        EmailTextKind kind;
        std::string text;
        bool accepted;
        const char* message;
    } cases[] = {
        {"parent invitation without link", parents, EmailInvitation, nameOnly, false, kNeedsLink},
        {"parent reminder without link", parents, EmailReminder, nameOnly, false, kNeedsLink},
        {"parent results without link", parents, EmailResults, nameOnly, true, ""},
        {"pupil invitation without link", pupils, EmailInvitation, nameOnly, false, kNeedsLink},
        {"pupil invitation with link", pupils, EmailInvitation, nameAndLink, true, ""},
        {"teacher invitation without link", teachers, EmailInvitation, nameOnly, true, ""},
        {"teacher without name", teachers, EmailResults, noName, false, kNeedsName},
        {"lower-case name is not the word", parents, EmailResults, "Dear name", false, kNeedsName},
        {"empty parent invitation", parents, EmailInvitation, "", true, ""},
        {"empty teacher results", teachers, EmailResults, "", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.accepted, c.set(c.kind, c.text));
        EXPECT_EQ(c.message, sink.GetText());
    }
    EXPECT_EQ(nameOnly, event.GetParentEmailText(EmailResults));
    EXPECT_EQ(nameAndLink, event.GetPupilEmailText(EmailInvitation));
    EXPECT_EQ(nameOnly, event.GetTeacherEmailText(EmailInvitation));
    EXPECT_EQ("", event.GetParentEmailText(EmailInvitation));
}

TEST_F(EventTest, EmailTextOfAnUnknownKindIsAcceptedButNotStored) {
    auto unknown = static_cast<EmailTextKind>(3);
    EXPECT_TRUE(event.SetParentEmailText(unknown, "Dear NAME"));
    EXPECT_EQ("", event.GetParentEmailText(unknown));
    EXPECT_FALSE(event.IsModified());
}

TEST_F(EventTest, RoleWordsAreStoredLowerCase) {
    event.SetTeacherDesc("TUTOR");
    event.SetPupilDesc("Student");
    EXPECT_EQ("tutor", event.GetTeacherDesc(false));
    EXPECT_EQ("Tutor", event.GetTeacherDesc(true));
    EXPECT_EQ("Student", event.GetPupilDesc(true));
    event.SetParentDesc("");
    EXPECT_EQ("", event.GetParentDesc(true));
}

TEST_F(EventTest, PresentationsAreUniqueIgnoringCase) {
    ASSERT_TRUE(event.AddPresentation(std::make_unique<Presentation>("Careers Talk")));
    auto again = std::make_unique<Presentation>("careers talk");
    EXPECT_FALSE(event.AddPresentation(std::move(again)));
    EXPECT_NE("", sink.GetText());
    EXPECT_FALSE(event.AddPresentation(nullptr));
    EXPECT_EQ(1u, event.GetPresentations().Count());
}

TEST_F(EventTest, DeletingAPresentationDropsItFromEveryAttendee) {
    auto owned = std::make_unique<Presentation>("Careers Talk");
    Presentation* talk = owned.get();
    ASSERT_TRUE(event.AddPresentation(std::move(owned)));
    Teacher* teacher = AddTeacher("Alan Black", "AB");
    Parent* parent = AddParent(event, "Ann Fox");
    teacher->AddPresentation(talk);
    parent->AddPresentation(talk);

    Presentation stranger("Stranger");
    EXPECT_FALSE(event.DeletePresentation(&stranger));
    EXPECT_FALSE(event.DeletePresentation(nullptr));

    EXPECT_TRUE(event.DeletePresentation(talk));
    EXPECT_EQ(0u, event.GetPresentations().Count());
    EXPECT_EQ(0u, teacher->GetPresentations().Count());
    EXPECT_EQ(0u, parent->GetPresentations().Count());
}

TEST_F(EventTest, DeletingParentsAndPupilsEmptiesTheParentList) {
    Parent* parent = AddParent(event, "Ann Fox");
    Teacher* teacher = AddTeacher("Alan Black", "AB");
    AddPupil(parent, "Amy Fox")->AddRequest(teacher, "Maths", 1, -1);
    EXPECT_TRUE(event.DeleteParentsAndPupils());
    EXPECT_EQ(0u, event.GetParents().Count());
    EXPECT_EQ(1u, event.GetTeachers().Count());
}

TEST_F(EventTest, FixedTimesAreFoundAndBlanked) {
    Parent* parent = AddParent(event, "Ann Fox");
    Teacher* teacher = AddTeacher("Alan Black", "AB");
    Pupil* pupil = AddPupil(parent, "Amy Fox");
    EXPECT_FALSE(event.HasFixedTimeRequest());
    EXPECT_FALSE(event.HasUnfixedRequest());
    pupil->AddFixedTimeRequest(teacher, "", 1, -1, DateTime(Date(5, 3, 2024), TimeOfDay(18, 0, 0)));
    EXPECT_TRUE(event.HasFixedTimeRequest());
    EXPECT_FALSE(event.HasUnfixedRequest());
    ASSERT_TRUE(event.BlankRequestedTimes());
    EXPECT_FALSE(event.HasFixedTimeRequest());
    EXPECT_TRUE(event.HasUnfixedRequest());
}

TEST_F(EventTest, DeletingATeacherDropsTheRequestsToIt) {
    Teacher* teacher = AddTeacher("Alan Black", "AB");
    Pupil* pupil = AddPupil(AddParent(event, "Ann Fox"), "Amy Fox");
    pupil->AddRequest(teacher, "Maths", 1, -1);
    Teacher stranger("Someone Else");
    EXPECT_FALSE(event.DeleteTeacher(&stranger));
    EXPECT_TRUE(event.DeleteTeacher(teacher));
    EXPECT_EQ(0u, event.GetTeachers().Count());
    EXPECT_EQ(0u, pupil->GetRequestCount());
}

TEST_F(EventTest, TheOpenEventsScoreSwitchesAreTheOnesInForceUntilItIsGone) {
    const ScoreCompareSwitches standalone{true, false};
    Score::SetCompareSwitches(standalone);
    const ScoreCompareSwitches mine{false, true};
    event.SetScoreSwitches(mine);
    EXPECT_EQ(Score::GetCompareSwitches(), standalone);
    {
        Event open;
        open.MakeScoreSwitchesCurrent();
        EXPECT_EQ(Score::GetCompareSwitches(), ScoreCompareSwitches{});

        event.MakeScoreSwitchesCurrent();
        EXPECT_FALSE(Score::CompareUnbooked());
        EXPECT_TRUE(Score::CompareAttendance());

        // Changing them in force changes the event, and only a real change marks it modified.
        event.ClearModified();
        Score::SetCompareAttendance(true);
        EXPECT_FALSE(event.IsModified());
        Score::SetCompareUnbooked(true);
        EXPECT_TRUE(event.IsModified());
        EXPECT_EQ(event.GetScoreSwitches(), (ScoreCompareSwitches{true, true}));
        EXPECT_EQ(open.GetScoreSwitches(), ScoreCompareSwitches{});

        open.MakeScoreSwitchesCurrent();
    }
    // The open event is gone: the standalone switches are back, untouched.
    EXPECT_EQ(Score::GetCompareSwitches(), standalone);
    event.MakeScoreSwitchesCurrent();
}

// Two copies of one event, as when a second file of the same evening is merged in.
class EventMerge : public EventTest {
protected:
    void SetUp() override {
        event.SetSchoolName("Hill School");
        event.SetName("Spring evening");
        other.SetSchoolName("Hill School");
        other.SetName("Spring evening");
    }
    Teacher* AddOtherTeacher(const std::string& name, const std::string& initials) {
        auto teacher = MakeTeacher(name, initials);
        Teacher* raw = teacher.get();
        EXPECT_TRUE(other.AddTeacher(std::move(teacher)));
        return raw;
    }

    Event other;
    std::string log = "stale";
};

TEST_F(EventMerge, RefusesAnotherSchoolOrEventName) {
    other.SetSchoolName("Dale School");
    EXPECT_FALSE(event.Merge(other, log));
    EXPECT_EQ("", log);
    EXPECT_EQ("Error: Cannot merge: school names are different\n", sink.GetText());
    other.SetSchoolName("Hill School");
    other.SetName("Autumn evening");
    EXPECT_FALSE(event.Merge(other, log));
    EXPECT_EQ("Error: Cannot merge: event names are different\n", sink.GetText());
}

TEST_F(EventMerge, MergingIntoItselfAddsNothing) {
    Teacher* teacher = AddTeacher("Alan Black", "AB");
    AddPupil(AddParent(event, "Ann Fox"), "Amy Fox")->AddRequest(teacher, "", 1, -1);
    event.ClearModified();
    EXPECT_TRUE(event.Merge(event, log));
    EXPECT_EQ("", log);
    EXPECT_EQ(1u, event.GetTeachers().Count());
    EXPECT_FALSE(event.IsModified());
}

TEST_F(EventMerge, AddsWhatIsMissingAndLogsEachAddition) {
    AddTeacher("Alan Black", "AB");
    Parent* ann = AddParent(event, "Ann Fox");
    AddPupil(ann, "Amy Fox");
    event.ClearModified();

    Teacher* alan = AddOtherTeacher("Alan Black", "AB");
    Teacher* cara = AddOtherTeacher("Cara Dunn", "CD");
    Parent* otherAnn = AddParent(other, "Ann Fox");
    Pupil* amy = AddPupil(otherAnn, "AMY FOX");
    amy->AddRequest(alan, "Maths", 2, 3);
    Pupil* tom = AddPupil(otherAnn, "Tom Fox");
    tom->AddFixedTimeRequest(cara, "Art", 1, -1, DateTime(Date(5, 3, 2024), TimeOfDay(18, 0, 0)));
    AddPupil(AddParent(other, "Ben Gray"), "Bea Gray");

    ASSERT_TRUE(event.Merge(other, log));
    EXPECT_EQ(
        "Created new teacher 'Cara Dunn'\n"
        "New request for pupil 'AMY FOX' to see 'Alan Black'\n"
        "Created new pupil 'Tom Fox' for parent 'Ann Fox'\n"
        "New request for pupil 'Tom Fox' to see 'Cara Dunn'\n"
        "Created new parent 'Ben Gray'\n"
        "Created new pupil 'Bea Gray' for parent 'Ben Gray'\n",
        log);
    EXPECT_TRUE(event.IsModified());
    ASSERT_EQ(2u, event.GetTeachers().Count());
    ASSERT_EQ(2u, ann->GetPupilCount());
    // The request points at this event's teacher, keeps subject, priority and length, and not
    // the fixed time.
    const AppointmentRequest* maths = ann->GetPupil(0)->GetRequest(0);
    ASSERT_NE(nullptr, maths);
    EXPECT_EQ(event.GetTeachers().At(0), maths->GetTeacher());
    EXPECT_EQ("Maths", maths->GetSubject());
    EXPECT_EQ(2, maths->GetPriority());
    EXPECT_EQ(3, maths->GetOwnLength());
    const AppointmentRequest* art = ann->GetPupil(1)->GetRequest(0);
    ASSERT_NE(nullptr, art);
    EXPECT_NE(cara, art->GetTeacher());
    EXPECT_FALSE(art->IsFixedTime());
    EXPECT_EQ(ann, ann->GetPupil(1)->GetParent());

    // A second merge finds everything there already.
    ASSERT_TRUE(event.Merge(other, log));
    EXPECT_EQ("", log);
}

TEST_F(EventMerge, NewPupilsAloneStillMarkTheEventModified) {
    AddParent(event, "Ann Fox");
    event.ClearModified();
    AddPupil(AddParent(other, "Ann Fox"), "Amy Fox");
    ASSERT_TRUE(event.Merge(other, log));
    EXPECT_EQ("Created new pupil 'Amy Fox' for parent 'Ann Fox'\n", log);
    EXPECT_TRUE(event.IsModified());
}

TEST_F(EventMerge, ATeacherThisEventRefusesIsNamedAndTheRestStillArrives) {
    AddTeacher("Alan Black", "AB");
    Teacher* anna = AddOtherTeacher("Anna Brown", "ab");
    AddOtherTeacher("Cara Dunn", "CD");
    Pupil* amy = AddPupil(AddParent(other, "Ann Fox"), "Amy Fox");
    amy->AddRequest(anna, "Maths", 1, -1);
    EXPECT_FALSE(event.Merge(other, log)) << "not everything was merged";
    EXPECT_EQ(
        "Error: Teacher initials 'ab' have already been used for a different teacher\n"
        "Error: Teacher 'Anna Brown' was not merged; the rest of the file was\n",
        sink.GetText());
    EXPECT_EQ(
        "Created new teacher 'Cara Dunn'\n"
        "Created new parent 'Ann Fox'\n"
        "Created new pupil 'Amy Fox' for parent 'Ann Fox'\n",
        log);
    ASSERT_EQ(1u, event.GetParents().Count());
    EXPECT_EQ(0u, event.GetParents().At(0)->GetPupil(0)->GetRequestCount())
        << "a request to the teacher left out has no teacher here";
}

// One school's evening with Tom Wade and Jo Shaw, as each copy of it starts.
void StartCopy(Event& event) {
    event.SetSchoolName("Hill School");
    event.SetName("Spring evening");
    ASSERT_TRUE(event.AddTeacher(MakeTeacher("Tom Wade", "TW")));
    ASSERT_TRUE(event.AddTeacher(MakeTeacher("Jo Shaw", "JS")));
}

// Each family and child of a colleague's copy arrives once, and apart from any other: two
// children of one name in a family stay two, and a namesake family elsewhere stays its own.
TEST_F(EventMerge, EveryRequestOfAChildArrivesOnceEachTime) {
    using Requests = std::vector<std::pair<const char*, const char*>>;  // initials, subject
    struct Case {
        const char* what;
        Requests here;
        Requests copy;
        std::vector<std::string> expected;  // "teacher/subject"
    };
    const Case cases[] = {
        {"two subjects with one teacher, new here",
         {},
         {{"TW", "Maths"}, {"TW", "Art"}},
         {"Tom Wade/Maths", "Tom Wade/Art"}},
        {"one of the two here already",
         {{"TW", "Maths"}},
         {{"TW", "Maths"}, {"TW", "Art"}},
         {"Tom Wade/Maths", "Tom Wade/Art"}},
        {"the teacher here under another subject",
         {{"TW", "Maths"}},
         {{"TW", ""}},
         {"Tom Wade/Maths"}},
        {"two teachers, one here",
         {{"JS", ""}},
         {{"TW", ""}, {"JS", ""}},
         {"Jo Shaw/", "Tom Wade/"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Event here;
        Event copy;
        for (Event* e : {&here, &copy}) {
            ASSERT_NO_FATAL_FAILURE(StartCopy(*e));
            Pupil* amy = AddPupil(AddParent(*e, "Mrs Cole"), "Amy Cole");
            for (const auto& [initials, subject] : e == &here ? c.here : c.copy) {
                ASSERT_TRUE(amy->AddRequest(e->GetTeachers().FindByNameOrInitials(initials),
                                            subject, 1, -1));
            }
        }
        // Merged twice: the second time finds every request there already.
        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(here.Merge(copy, log)) << sink.GetText();
            const Pupil* amy = here.GetParents().FindPupil("Amy Cole");
            std::vector<std::string> requests;
            for (unsigned r = 0; r < amy->GetRequestCount(); ++r) {
                requests.push_back(amy->GetRequest(r)->GetTeacher()->GetName() + "/" +
                                   amy->GetRequest(r)->GetSubject());
            }
            EXPECT_EQ(c.expected, requests) << "round " << round;
        }
        EXPECT_EQ("", log);
    }
}

TEST_F(EventMerge, KeepsNamesakeChildrenAndFamiliesApart) {
    struct Child {
        const char* name;
        const char* form;
        const char* teacher;  // initials of the one teacher requested, or empty
    };
    struct Family {
        const char* name;
        const char* address;
        std::vector<Child> children;
        const char* id = "";  // the school's number; empty: known by its name
    };
    struct Case {
        const char* what;
        std::vector<Family> here;
        std::vector<Family> copy;
        std::vector<std::string> expected;  // each family: "Name @address: child form>teacher"
    };
    const Case cases[] = {
        {"two of one name in one family, new here",
         {},
         {{"Mr Lee", "1 High St", {{"Sam Lee", "7A", "TW"}, {"Sam Lee", "10B", "JS"}}}},
         {"Mr Lee @1 High St: Sam Lee 7A>Tom Wade, Sam Lee 10B>Jo Shaw"}},
        {"two of one name, one of them here already",
         {{"Mr Lee", "1 High St", {{"Sam Lee", "7A", "TW"}}}},
         {{"Mr Lee", "1 High St", {{"Sam Lee", "7A", "TW"}, {"Sam Lee", "10B", "JS"}}}},
         {"Mr Lee @1 High St: Sam Lee 7A>Tom Wade, Sam Lee 10B>Jo Shaw"}},
        {"the other of the two here already, found by form",
         {{"Mr Lee", "1 High St", {{"Sam Lee", "10B", ""}}}},
         {{"Mr Lee", "1 High St", {{"Sam Lee", "7A", "TW"}, {"Sam Lee", "10B", "JS"}}}},
         {"Mr Lee @1 High St: Sam Lee 10B>Jo Shaw, Sam Lee 7A>Tom Wade"}},
        {"a namesake family elsewhere",
         {{"Mr Lee", "1 High St", {{"Sam Lee", "7A", ""}}}},
         {{"Mr Lee", "5 Low Rd", {{"Kim Lee", "8C", "TW"}}}},
         {"Mr Lee @1 High St: Sam Lee 7A", "Mr Lee (5 Low Rd) @5 Low Rd: Kim Lee 8C>Tom Wade"}},
        {"a namesake family here already under its longer name",
         {{"Mr Lee", "1 High St", {}}, {"Mr Lee (5 Low Rd)", "5 Low Rd", {{"Kim Lee", "8C", ""}}}},
         {{"Mr Lee", "5 Low Rd", {{"Kim Lee", "8C", "JS"}}}},
         {"Mr Lee @1 High St:", "Mr Lee (5 Low Rd) @5 Low Rd: Kim Lee 8C>Jo Shaw"}},
        {"numbered here, known by name in the copy",
         {{"Mr Lee", "1 High St", {{"Sam Lee", "7A", ""}}, "S100"}},
         {{"Mr Lee", "1 High St", {{"Sam Lee", "7A", "TW"}}}},
         {"Mr Lee @1 High St: Sam Lee 7A>Tom Wade"}},
        {"known by name here, numbered in the copy",
         {{"Mr Lee", "1 High St", {{"Sam Lee", "7A", ""}}}},
         {{"Mr Lee", "1 High St", {{"Sam Lee", "7A", "JS"}}, "S100"}},
         {"Mr Lee @1 High St: Sam Lee 7A>Jo Shaw"}},
        {"told apart in the copy, by its plain name here",
         {{"Mr Lee", "5 Low Rd", {{"Kim Lee", "8C", ""}}}},
         {{"Mr Lee", "1 High St", {{"Sam Lee", "7A", ""}}},
          {"Mr Lee (5 Low Rd)", "5 Low Rd", {{"Kim Lee", "8C", "JS"}}}},
         {"Mr Lee @5 Low Rd: Kim Lee 8C>Jo Shaw", "Mr Lee (1 High St) @1 High St: Sam Lee 7A"}},
        {"two numbers at one address are two families",
         {{"Mr Lee", "1 High St", {{"Sam Lee", "7A", ""}}, "S100"}},
         {{"Mr Lee", "1 High St", {{"Kim Lee", "8C", "JS"}}, "S200"}},
         {"Mr Lee @1 High St: Sam Lee 7A", "Mr Lee @1 High St: Kim Lee 8C>Jo Shaw"}},
        {"a child's second parent given a family in the copy",
         {{"Mr John Smith", "1 High St", {{"Amy Smith", "7B", ""}}}},
         {{"Mr John Smith", "1 High St", {{"Amy Smith", "7B", "TW"}}},
          {"Mrs Jane Smith", "1 High St", {{"Amy Smith", "7B", "JS"}}}},
         {"Mr John Smith @1 High St: Amy Smith 7B>Tom Wade>Jo Shaw"}},
        {"namesakes told apart here, the copy's family without an address",
         {{"Mr Cox", "1 High St", {{"Ben Cox", "7A", ""}}},
          {"Mr Cox (9 Low Rd)", "9 Low Rd", {{"Dan Cox", "9C", ""}}}},
         {{"Mr Cox", "", {{"Ben Cox", "7A", "TW"}, {"Dan Cox", "9C", "JS"}}}},
         {"Mr Cox @1 High St: Ben Cox 7A>Tom Wade",
          "Mr Cox (9 Low Rd) @9 Low Rd: Dan Cox 9C>Jo Shaw"}},
        {"two numbers in the copy at one address, known by name here",
         {{"Mrs Khan", "Oak House", {{"Ali Khan", "7A", ""}}}},
         {{"Mrs Khan", "Oak House", {{"Sara Khan", "9C", "JS"}}, "N2"},
          {"Mrs Khan", "Oak House", {{"Ali Khan", "7A", "TW"}}, "N1"}},
         {"Mrs Khan @Oak House: Ali Khan 7A>Tom Wade",
          "Mrs Khan @Oak House: Sara Khan 9C>Jo Shaw"}},
    };
    const auto fill = [](Event& target, const std::vector<Family>& families) {
        for (const Family& f : families) {
            auto parent = std::make_unique<Parent>(f.name);
            parent->SetAddress(0, f.address);
            if (*f.id != '\0') {
                parent->SetUniqueId(f.id);
            }
            for (const Child& c : f.children) {
                auto pupil = std::make_unique<Pupil>(c.name);
                pupil->SetForm(c.form);
                if (*c.teacher != '\0') {
                    pupil->AddRequest(target.GetTeachers().FindByNameOrInitials(c.teacher), "", 1,
                                      -1);
                }
                parent->AddPupil(std::move(pupil));
            }
            ASSERT_TRUE(target.AddParent(std::move(parent)));
        }
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Event here;
        Event copy;
        for (Event* e : {&here, &copy}) {
            ASSERT_NO_FATAL_FAILURE(StartCopy(*e));
        }
        fill(here, c.here);
        fill(copy, c.copy);
        // The second merge finds everything there already.
        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(here.Merge(copy, log)) << sink.GetText();
            std::vector<std::string> families;
            for (unsigned p = 0; p < here.GetParents().Count(); ++p) {
                const Parent* parent = here.GetParents().At(p);
                std::string line = parent->GetName() + " @" + parent->GetAddress(0) + ":";
                for (unsigned i = 0; i < parent->GetPupilCount(); ++i) {
                    const Pupil* pupil = parent->GetPupil(i);
                    line += std::string(i == 0 ? " " : ", ") + pupil->GetName() + " " +
                            pupil->GetForm();
                    for (unsigned r = 0; r < pupil->GetRequestCount(); ++r) {
                        line += ">" + pupil->GetRequest(r)->GetTeacher()->GetName();
                    }
                }
                families.push_back(line);
            }
            EXPECT_EQ(c.expected, families) << "round " << round;
        }
        EXPECT_EQ("", log) << "nothing new the second time";
    }
}

// A colleague who gave the child's other parent a family of their own: the family here keeps
// the child once, whichever family of the copy finds it.
TEST_F(EventMerge, AChildsSecondParentInTheCopyGivesNoFamilyTheChildTwice) {
    Event here;
    Event copy;
    for (Event* e : {&here, &copy}) {
        ASSERT_NO_FATAL_FAILURE(StartCopy(*e));
    }
    const auto add = [](Event& e, const char* name, const char* initials) {
        auto parent = std::make_unique<Parent>(name);
        parent->SetAddress(0, "1 High St");
        auto amy = std::make_unique<Pupil>("Amy Smith");
        amy->SetForm("7B");
        if (*initials != '\0') {
            amy->AddRequest(e.GetTeachers().FindByNameOrInitials(initials), "", 1, -1);
        }
        parent->AddPupil(std::move(amy));
        ASSERT_TRUE(e.AddParent(std::move(parent)));
    };
    ASSERT_NO_FATAL_FAILURE(add(here, "Mr John Smith", ""));
    ASSERT_NO_FATAL_FAILURE(add(copy, "Mr John Smith", "TW"));
    ASSERT_NO_FATAL_FAILURE(add(copy, "Mrs Jane Smith", "JS"));
    ASSERT_TRUE(here.Merge(copy, log)) << sink.GetText();
    for (unsigned p = 0; p < here.GetParents().Count(); ++p) {
        const Parent* family = here.GetParents().At(p);
        EXPECT_EQ(1u, family->GetPupilCount()) << family->GetName() << "\n" << log;
    }
}

// A colleague's copy in which one thing of a family was corrected (or ours was) is the same
// family: merged, it adds nobody, and Book All books nobody twice.
TEST_F(EventMerge, ACopyWithOneFieldCorrectedAddsNobody) {
    struct Case {
        const char* what;
        std::function<void(Parent& family)> correct;
        const char* expected;          // the family here afterwards
        const char* id = "";           // the school's number in both copies
        const char* name = "Mrs Fox";  // the family's name in both copies
    };
    const Case cases[] = {
        {"the first address line", [](Parent& f) { f.SetAddress(0, "1 High Street"); },
         "Mrs Fox [Mrs Fox] @1 High St: Amy Fox 8A>Tom Wade"},
        {"the first address line, the family numbered",
         [](Parent& f) { f.SetAddress(0, "1 High Street"); },
         "Mrs Fox [F7] @1 High St: Amy Fox 8A>Tom Wade", "F7"},
        {"the first address line, the family numbered in the copy only",
         [](Parent& f) {
             f.SetUniqueId("F7");
             f.SetAddress(0, "1 High Street");
         },
         "Mrs Fox [Mrs Fox] @1 High St: Amy Fox 8A>Tom Wade"},
        {"the name's capitals, as the editor sets the identifier",
         [](Parent& f) {
             f.SetName("MRS FOX");
             f.SetUniqueId("MRS FOX");
         },
         "Mrs Fox [Mrs Fox] @1 High St: Amy Fox 8A>Tom Wade"},
        {"the title",
         [](Parent& f) {
             f.SetName("Ms Fox");
             f.SetUniqueId("Ms Fox");
         },
         "Mrs Fox [Mrs Fox] @1 High St: Amy Fox 8A>Tom Wade"},
        {"the child's form", [](Parent& f) { f.GetPupil(0)->SetForm("9A"); },
         "Mrs Fox [Mrs Fox] @1 High St: Amy Fox 8A>Tom Wade"},
        {"no parent named, as a list without one names the family",
         [](Parent& f) {
             f.SetName("Parents of Amy Fox");
             f.SetUniqueId("");
         },
         "Mrs Fox [Mrs Fox] @1 High St: Amy Fox 8A>Tom Wade"},
        {"the first address line of a family told apart from a namesake elsewhere",
         [](Parent& f) { f.SetAddress(0, "1 High Street"); },
         "Mrs Fox (1 High St) [Mrs Fox (1 High St)] @1 High St: Amy Fox 8A>Tom Wade", "",
         "Mrs Fox (1 High St)"},
        {"the first address line of a family named for nobody",
         [](Parent& f) { f.SetAddress(0, "1 High Street"); },
         "Parents of Amy Fox [Parents of Amy Fox] @1 High St: Amy Fox 8A>Tom Wade", "",
         "Parents of Amy Fox"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Event here;
        Event copy;
        for (Event* e : {&here, &copy}) {
            ASSERT_NO_FATAL_FAILURE(StartCopy(*e));
            Parent* fox = AddParent(*e, c.name);
            fox->SetAddress(0, "1 High St");
            if (*c.id != '\0') {
                fox->SetUniqueId(c.id);
            }
            Pupil* amy = AddPupil(fox, "Amy Fox");
            amy->SetForm("8A");
            amy->AddRequest(e->GetTeachers().FindByNameOrInitials("TW"), "", 1, -1);
        }
        c.correct(*copy.GetParents().At(0));
        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(here.Merge(copy, log)) << sink.GetText();
            EXPECT_EQ("", log) << "round " << round;
            std::string family;
            for (unsigned p = 0; p < here.GetParents().Count(); ++p) {
                const Parent* fox = here.GetParents().At(p);
                family += std::string(p == 0 ? "" : "; ") + fox->GetName() + " [" +
                          fox->GetUniqueIdOrName() + "] @" + fox->GetAddress(0) + ":";
                for (unsigned i = 0; i < fox->GetPupilCount(); ++i) {
                    const Pupil* pupil = fox->GetPupil(i);
                    family += " " + pupil->GetName() + " " + pupil->GetForm();
                    for (unsigned r = 0; r < pupil->GetRequestCount(); ++r) {
                        family += ">" + pupil->GetRequest(r)->GetTeacher()->GetName();
                    }
                }
            }
            EXPECT_EQ(c.expected, family) << "round " << round;
        }
    }
}

// What a merge adds, it adds whole: a new family keeps its place at the talk it chose, a new
// teacher theirs, and a new child is taught by this event's teachers as in the copy.
TEST_F(EventMerge, NewPeopleArriveWithTheirTalksAndTaughtBy) {
    Event here;
    Event copy;
    for (Event* e : {&here, &copy}) {
        ASSERT_NO_FATAL_FAILURE(StartCopy(*e));
        ASSERT_TRUE(e->AddPresentation(std::make_unique<Presentation>("Options talk")));
    }
    ASSERT_TRUE(copy.AddPresentation(std::make_unique<Presentation>("Sixth form talk")));
    Presentation* options = copy.GetPresentations().Find("Options talk");
    auto marsh = MakeTeacher("Dr Helen Marsh", "HM");
    ASSERT_TRUE(marsh->AddPresentation(options));
    ASSERT_TRUE(copy.AddTeacher(std::move(marsh)));
    Parent* ray = AddParent(copy, "Mrs Ray");
    ASSERT_TRUE(ray->AddPresentation(options));
    ASSERT_TRUE(ray->AddPresentation(copy.GetPresentations().Find("Sixth form talk")));
    Pupil* kim = AddPupil(ray, "Kim Ray");
    kim->AddTaughtBy(copy.GetTeachers().FindByNameOrInitials("TW"), "Maths");
    kim->AddTaughtBy(copy.GetTeachers().FindByNameOrInitials("HM"), "Biology");

    ASSERT_TRUE(here.Merge(copy, log)) << sink.GetText();
    Presentation* ours = here.GetPresentations().Find("Options talk");
    const Parent* merged = here.GetParents().FindByName("Mrs Ray");
    ASSERT_NE(nullptr, merged);
    EXPECT_TRUE(merged->AttendsPresentation(ours));
    EXPECT_EQ(1u, merged->GetPresentations().Count());
    EXPECT_NE(std::string::npos,
              log.find("Presentation 'Sixth form talk' is not in this event, so 'Mrs Ray' does "
                       "not attend it"))
        << log;
    const Teacher* helen = here.GetTeachers().FindByNameOrInitials("HM");
    ASSERT_NE(nullptr, helen);
    EXPECT_TRUE(helen->AttendsPresentation(ours));
    const Pupil* child = merged->GetPupil(0);
    ASSERT_NE(nullptr, child);
    EXPECT_TRUE(child->IsTaughtBy(here.GetTeachers().FindByNameOrInitials("TW"), "Maths"));
    EXPECT_TRUE(child->IsTaughtBy(helen, "Biology"));
    EXPECT_EQ(2u, child->GetTaughtByCount());
}

}  // namespace
