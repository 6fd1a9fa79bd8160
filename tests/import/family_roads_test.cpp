#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "import/csv_import_run.h"
#include "import/imported_people.h"
#include "import/text_import_runs.h"
#include "import/xml_import_run.h"
#include "import_fixture.h"

namespace {

// A family of the event before the list comes.
struct HeldFamily {
    const char* name;
    const char* address;
    const char* id;                     // empty: known by its name
    std::vector<const char*> children;  // "Name/Form"
};

// One list, as the window runs it: into a preview with the event's days, then moved across.
struct List {
    enum Road { CSV, Text, XML } road;
    const char* definition;  // CSV only
    std::string text;
};

class FamilyRoads : public ImportTest {
protected:
    void Hold(const HeldFamily& held) {
        auto parent = std::make_unique<Parent>(held.name);
        parent->SetAddress(0, held.address);
        parent->SetUniqueId(*held.id != '\0' ? held.id : held.name);
        for (const std::string child : held.children) {
            auto pupil = std::make_unique<Pupil>(child.substr(0, child.find('/')));
            pupil->SetForm(child.substr(child.find('/') + 1));
            parent->AddPupil(std::move(pupil));
        }
        ASSERT_TRUE(schedule->AddParent(std::move(parent)));
    }

    MovedPeople ImportThroughPreview(const List& list) {
        auto previewEvent = std::make_shared<Event>();
        std::unique_ptr<MultiDaySchedule> preview = schedule->CreateLike(previewEvent);
        ImporterCSV importer(true);
        importer.SetDefinition(list.definition != nullptr ? list.definition : "Full Name");
        std::unique_ptr<ImportRun> run;
        switch (list.road) {
            case List::CSV:
                run = std::make_unique<CSVImportRun>(importer);
                break;
            case List::Text:
                run = std::make_unique<TextPupilsImportRun>();
                break;
            case List::XML:
                run = std::make_unique<XMLPupilsImportRun>();
                break;
        }
        StdioFile file(temp.Write("list-" + std::to_string(++files), list.text).c_str(), "rb");
        run->SetTarget(preview.get());
        run->SetInput(&file);
        EXPECT_EQ(ImportOutcome::Finished, RunImport(*run));
        return MoveImportedPeople(*previewEvent, *schedule, PeopleImport::Pupils);
    }

    // "Name @address: child form, child form", sorted.
    std::vector<std::string> Families() const {
        std::vector<std::string> families;
        for (unsigned p = 0; p < ParentCount(); ++p) {
            const Parent* parent = ParentAt(p);
            std::string family = parent->GetName() + " @" + parent->GetAddress(0) + ":";
            for (unsigned i = 0; i < parent->GetPupilCount(); ++i) {
                const Pupil* pupil = parent->GetPupil(i);
                family += (i == 0 ? " " : ", ") + pupil->GetName() + " " + pupil->GetForm();
            }
            families.push_back(family);
        }
        std::sort(families.begin(), families.end());
        return families;
    }
};

std::string XMLPupil(const std::string& forename, const std::string& surname,
                     const std::string& form, const std::string& contact) {
    return "<Pupil><Forename>" + forename + "</Forename><Surname>" + surname +
           "</Surname><RegistrationGroup>" + form + "</RegistrationGroup>" +
           (contact.empty() ? "" : "<Contact><Surname>" + contact + "</Surname></Contact>") +
           "</Pupil>\n";
}

// A list that gives less than the event holds, or gives a field otherwise, finds the child the
// event holds once; a child the event does not hold arrives; only the child held is refused.
TEST_F(FamilyRoads, AListThatLeavesOutOrCorrectsAFieldFindsEachHeldChildOnce) {
    const char* const named = "Full Name,Form / Tutor Group,Parent's Name,Address Line 1";
    const char* const numbered =
        "Full Name,Form / Tutor Group,Parent's Name,Address Line 1,Unique Identifier";
    struct Case {
        const char* what;
        std::vector<HeldFamily> held;
        List list;
        int added;
        int refused;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"a namesake in another form, the list naming no parent",
         {{"Mr and Mrs Smith", "1 High St", "", {"Amy Smith/7B"}}},
         {List::CSV, "Full Name,Form / Tutor Group", "Amy Smith,9C\n"},
         1,
         0,
         {"Mr and Mrs Smith @1 High St: Amy Smith 7B", "Parents of Amy Smith @: Amy Smith 9C"}},
        {"a namesake in another form, a blank parent column",
         {{"Mr and Mrs Smith", "1 High St", "", {"Amy Smith/7B"}}},
         {List::CSV, "Full Name,Form / Tutor Group,Parent's Name", "Amy Smith,9C,\n"},
         1,
         0,
         {"Mr and Mrs Smith @1 High St: Amy Smith 7B", "Parents of Amy Smith @: Amy Smith 9C"}},
        {"a text list gives no form: the child held",
         {{"Mr and Mrs Smith", "1 High St", "", {"Amy Smith/7B"}}},
         {List::Text, nullptr, "Amy Smith\n"},
         0,
         1,
         {"Mr and Mrs Smith @1 High St: Amy Smith 7B"}},
        {"namesakes of two families, each by its form",
         {{"Mr Lee", "", "", {"Sam Lee/7A"}}, {"Mrs Lee", "", "", {"Sam Lee/9C"}}},
         {List::CSV, "Full Name,Form / Tutor Group", "Sam Lee,7A\nSam Lee,9C\n"},
         0,
         2,
         {"Mr Lee @: Sam Lee 7A", "Mrs Lee @: Sam Lee 9C"}},
        {"namesakes of two families and a third in a new form",
         {{"Mr Lee", "", "", {"Sam Lee/7A"}}, {"Mrs Lee", "", "", {"Sam Lee/9C"}}},
         {List::CSV, "Full Name,Form / Tutor Group", "Sam Lee,9C\nSam Lee,11D\n"},
         1,
         1,
         {"Mr Lee @: Sam Lee 7A", "Mrs Lee @: Sam Lee 9C", "Parents of Sam Lee @: Sam Lee 11D"}},
        {"a family renamed in the editor, its capitals only",
         {{"Mr J Smith", "1 High St", "", {"Amy Smith/7B"}}},
         {List::CSV, named,
          "Amy Smith,7B,MR J SMITH,1 High St\nBen Smith,7C,MR J SMITH,1 High St\n"},
         1,
         1,
         {"Mr J Smith @1 High St: Amy Smith 7B, Ben Smith 7C"}},
        {"a family renamed in the editor, its capitals only, a year group's list",
         {{"Mr J Smith", "1 High St", "", {"Amy Smith/9B"}}},
         {List::CSV, named, "Ben Smith,7C,MR J SMITH,1 High St\n"},
         1,
         0,
         {"Mr J Smith @1 High St: Amy Smith 9B, Ben Smith 7C"}},
        {"the first address line in capitals, a year group's list",
         {{"Mr J Smith", "1 High St", "", {"Amy Smith/9B"}}},
         {List::CSV, named, "Ben Smith,7C,Mr J Smith,1 HIGH ST\n"},
         1,
         0,
         {"Mr J Smith @1 High St: Amy Smith 9B, Ben Smith 7C"}},
        {"a family renamed in the editor, an export without addresses",
         {{"Mr J Smith", "1 High St", "", {"Amy Smith/7B"}}},
         {List::XML, nullptr,
          "<Pupils>\n" + XMLPupil("Amy", "Smith", "7B", "SMITH") +
              XMLPupil("Ben", "Smith", "7C", "SMITH") + "</Pupils>\n"},
         1,
         1,
         {"Mr J Smith @1 High St: Amy Smith 7B, Ben Smith 7C"}},
        {"another title",
         {{"Mr Khan", "4 Elm Rd", "", {"Ali Khan/9B"}}},
         {List::CSV, named, "Ali Khan,9B,Mrs Khan,4 Elm Rd\n"},
         0,
         1,
         {"Mr Khan @4 Elm Rd: Ali Khan 9B"}},
        {"a parent named where the event has 'Parents of'",
         {{"Parents of Kit Lee", "", "", {"Kit Lee/7A"}}},
         {List::CSV, "Full Name,Form / Tutor Group,Parent's Name", "Kit Lee,7A,Mr Lee\n"},
         0,
         1,
         {"Parents of Kit Lee @: Kit Lee 7A"}},
        {"a corrected first address line",
         {{"Mrs Fox", "1 High St", "", {"Amy Fox/8A"}}},
         {List::CSV, named, "Amy Fox,8A,Mrs Fox,1 High Street\nTom Fox,7C,Mrs Fox,1 High Street\n"},
         1,
         1,
         {"Mrs Fox @1 High St: Amy Fox 8A, Tom Fox 7C"}},
        {"a corrected first address line, the family numbered",
         {{"Mrs Fox", "1 High St", "F7", {"Amy Fox/8A"}}},
         {List::CSV, numbered,
          "Amy Fox,8A,Mrs Fox,1 High Street,F7\nTom Fox,7C,Mrs Fox,1 High Street,F7\n"},
         1,
         1,
         {"Mrs Fox @1 High St: Amy Fox 8A, Tom Fox 7C"}},
        {"a new form in the family the list names",
         {{"Mr Lee", "2 Elm Rd", "", {"Sam Lee/7A"}}},
         {List::CSV, named, "Sam Lee,8A,Mr Lee,2 Elm Rd\n"},
         0,
         1,
         {"Mr Lee @2 Elm Rd: Sam Lee 7A"}},
        {"namesake families told apart by address, a list without addresses",
         {{"Mr Cox", "1 High St", "", {"Ben Cox/7A"}},
          {"Mr Cox (9 Low Rd)", "9 Low Rd", "", {"Dan Cox/9C"}}},
         {List::CSV, "Full Name,Form / Tutor Group,Parent's Name",
          "Ben Cox,7A,Mr Cox\nDan Cox,9C,Mr Cox\n"},
         0,
         2,
         {"Mr Cox (9 Low Rd) @9 Low Rd: Dan Cox 9C", "Mr Cox @1 High St: Ben Cox 7A"}},
        {"namesake families told apart by address, an export without addresses",
         {{"Mr Cox", "1 High St", "", {"Ben Cox/7A"}},
          {"Mr Cox (9 Low Rd)", "9 Low Rd", "", {"Dan Cox/9C"}}},
         {List::XML, nullptr,
          "<Pupils>\n" + XMLPupil("Dan", "Cox", "9C", "Mr Cox") + "</Pupils>\n"},
         0,
         1,
         {"Mr Cox (9 Low Rd) @9 Low Rd: Dan Cox 9C", "Mr Cox @1 High St: Ben Cox 7A"}},
        {"a numbered family told apart from a namesake, a year group's list without numbers",
         {{"Mr Cox", "1 High St", "", {"Ben Cox/9A"}},
          {"Mr Cox (9 Low Rd)", "9 Low Rd", "N1", {"Dan Cox/9C"}}},
         {List::CSV, named, "Eve Cox,7C,Mr Cox,9 Low Rd\n"},
         1,
         0,
         {"Mr Cox (9 Low Rd) @9 Low Rd: Dan Cox 9C, Eve Cox 7C", "Mr Cox @1 High St: Ben Cox 9A"}},
        {"a namesake in the same form joins another family, an export without addresses",
         {{"Mr Adam Smith", "", "", {"Jack Smith/7B"}}},
         {List::XML, nullptr,
          "<Pupils>\n" + XMLPupil("Jack", "Smith", "7B", "Beth Kerr") + "</Pupils>\n"},
         1,
         0,
         {"Beth Kerr @: Jack Smith 7B", "Mr Adam Smith @: Jack Smith 7B"}},
        {"a numbered family's child and a namesake family's, a list without addresses",
         {{"Mr Cox", "1 High St", "N1", {"Ben Cox/7A"}},
          {"Mr Cox (9 Low Rd)", "9 Low Rd", "", {"Ben Cox/7AN"}}},
         {List::CSV, "Full Name,Parent's Name,Unique Identifier", "Ben Cox,Mr Cox,N1\nBen Cox,Mr Cox,\n"},
         0,
         2,
         {"Mr Cox (9 Low Rd) @9 Low Rd: Ben Cox 7AN", "Mr Cox @1 High St: Ben Cox 7A"}},
        {"a numbered family's child and a namesake family's by their forms, no addresses",
         {{"Mr Cox", "1 High St", "N1", {"Ben Cox/7A"}},
          {"Mr Cox (9 Low Rd)", "9 Low Rd", "", {"Ben Cox/7AN"}}},
         {List::CSV, "Full Name,Form / Tutor Group,Parent's Name,Unique Identifier",
          "Ben Cox,7A,Mr Cox,N1\nBen Cox,7AN,Mr Cox,\n"},
         0,
         2,
         {"Mr Cox (9 Low Rd) @9 Low Rd: Ben Cox 7AN", "Mr Cox @1 High St: Ben Cox 7A"}},
        {"a namesake in another form beside a family named for nobody, a list with addresses",
         {{"Mrs Davies", "3 Oak Rd", "", {"Ella Davies/10A"}},
          {"Parents of Ella Davies", "", "", {"Ella Davies/10AX"}}},
         {List::CSV, "Full Name,Form / Tutor Group,Address Line 1",
          "Ella Davies,10AXX,5 Other Rd\nElla Davies,10A,3 Oak Rd\n"},
         1,
         1,
         {"Mrs Davies @3 Oak Rd: Ella Davies 10A", "Parents of Ella Davies (5 Other Rd) @5 Other Rd: Ella Davies 10AXX",
          "Parents of Ella Davies @: Ella Davies 10AX"}},
        {"a namesake in another form beside a family named for nobody, no addresses",
         {{"Parents of Ella Davies", "", "", {"Ella Davies/10AX"}}},
         {List::CSV, "Full Name,Form / Tutor Group", "Ella Davies,10AXX\nElla Davies,10AX\n"},
         1,
         1,
         {"Parents of Ella Davies (10AXX) @: Ella Davies 10AXX",
          "Parents of Ella Davies @: Ella Davies 10AX"}},
        {"a fuller line takes a held child without a form, then a line as the event holds it",
         {{"Parents of Kit Lee", "", "", {"Kit Lee/"}}},
         {List::CSV, named, "Kit Lee,8A,Mrs Lee,5 Oak Rd\nKit Lee,,,5 Oak Rd\n"},
         0,
         2,
         {"Parents of Kit Lee @: Kit Lee "}},
        {"a namesake family renamed here, a list without addresses",
         {{"Alex Cox", "6 High St", "", {"Kim Cox/10A"}},
          {"Alex Cox (2 Low Rd)-Jones", "2 Low Rd", "", {"Kim Cox/10AN"}}},
         {List::CSV, "Full Name,Form / Tutor Group,Parent's Name",
          "Kim Cox,10A,Alex Cox\nKim Cox,10AN,Alex Cox\n"},
         0,
         2,
         {"Alex Cox (2 Low Rd)-Jones @2 Low Rd: Kim Cox 10AN", "Alex Cox @6 High St: Kim Cox 10A"}},
        {"namesakes, one in a numbered family, on lines with and without its number",
         {{"Mr Cox", "3 High St", "", {"Ben Cox/8A"}},
          {"Mrs Lee", "4 High St", "N3", {"Amy Lee/9B", "Ben Cox/8AS"}},
          {"Mr Cox (2 Low Rd)", "2 Low Rd", "", {"Ben Cox/8AN"}}},
         {List::CSV, "Full Name,Unique Identifier",
          "Ben Cox,\nAmy Lee,N3\nBen Cox,N3\nBen Cox,\n"},
         0,
         4,
         {"Mr Cox (2 Low Rd) @2 Low Rd: Ben Cox 8AN", "Mr Cox @3 High St: Ben Cox 8A",
          "Mrs Lee @4 High St: Amy Lee 9B, Ben Cox 8AS"}},
        {"a namesake family elsewhere with a child of its own",
         {{"Mrs Fox", "1 High St", "", {"Amy Fox/8A"}}},
         {List::CSV, named, "Kay Fox,10B,Mrs Fox,9 Low Rd\n"},
         1,
         0,
         {"Mrs Fox (9 Low Rd) @9 Low Rd: Kay Fox 10B", "Mrs Fox @1 High St: Amy Fox 8A"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        event = std::make_shared<Event>();
        schedule = std::make_unique<MultiDaySchedule>(event);
        for (const HeldFamily& held : c.held) {
            ASSERT_NO_FATAL_FAILURE(Hold(held));
        }
        UCStringError sink;
        const MovedPeople moved = ImportThroughPreview(c.list);
        EXPECT_EQ(c.added, moved.added) << sink.GetText();
        EXPECT_EQ(c.refused, moved.refused) << sink.GetText();
        EXPECT_EQ(c.expected, Families());
    }
}

// A list of contacts gives a line to each parent of a child. The family the event holds for the
// child, whichever line finds it, keeps the child once.
TEST_F(FamilyRoads, TwoContactsOfOneChildGiveNoFamilyTheChildTwice) {
    const char* const named = "Full Name,Form / Tutor Group,Parent's Name,Address Line 1";
    struct Case {
        const char* what;
        HeldFamily held;
        const char* lines;
    };
    const Case cases[] = {
        {"one household, a line for each parent",
         {"Mr John Smith", "1 High St", "", {"Amy Smith/7B"}},
         "Amy Smith,7B,Mr John Smith,1 High St\nAmy Smith,7B,Mrs Jane Smith,1 High St\n"},
        {"two households, the event's family typed in without an address",
         {"Mr Smith", "", "", {"Amy Smith/7B"}},
         "Amy Smith,7B,Mr Smith,1 High St\nAmy Smith,7B,Mrs Jones,5 Oak Rd\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        event = std::make_shared<Event>();
        schedule = std::make_unique<MultiDaySchedule>(event);
        ASSERT_NO_FATAL_FAILURE(Hold(c.held));
        UCStringError sink;
        (void)ImportThroughPreview({List::CSV, named, c.lines});
        for (const std::string& family : Families()) {
            EXPECT_EQ(std::string::npos, family.find("Amy Smith 7B, Amy Smith 7B"))
                << family << "\n"
                << sink.GetText();
        }
    }
}

// The second contact's line is told as the child already in the event, counted with those
// refused; in an empty event each contact's family arrives, and the same list again adds nobody.
TEST_F(FamilyRoads, TwoContactsOfOneChildAreToldAndTheListAgainAddsNobody) {
    const char* const named = "Full Name,Form / Tutor Group,Parent's Name,Address Line 1";
    struct Case {
        const char* what;
        std::vector<HeldFamily> held;
        const char* lines;
        int added;
        int refused;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"one household, the family held",
         {{"Mr John Smith", "1 High St", "", {"Amy Smith/7B"}}},
         "Amy Smith,7B,Mr John Smith,1 High St\nAmy Smith,7B,Mrs Jane Smith,1 High St\n",
         0,
         2,
         {"Mr John Smith @1 High St: Amy Smith 7B"}},
        {"one household, a new brother on the second contact's line",
         {{"Mr John Smith", "1 High St", "", {"Amy Smith/7B"}}},
         "Amy Smith,7B,Mr John Smith,1 High St\nAmy Smith,7B,Mrs Jane Smith,1 High St\n"
         "Ben Smith,8C,Mrs Jane Smith,1 High St\n",
         1,
         2,
         {"Mr John Smith @1 High St: Amy Smith 7B, Ben Smith 8C"}},
        {"two households, the family held without an address",
         {{"Mr Smith", "", "", {"Amy Smith/7B"}}},
         "Amy Smith,7B,Mr Smith,1 High St\nAmy Smith,7B,Mrs Jones,5 Oak Rd\n",
         1,
         1,
         {"Mr Smith @: Amy Smith 7B", "Mrs Jones @5 Oak Rd: Amy Smith 7B"}},
        {"an empty event",
         {},
         "Amy Smith,7B,Mr John Smith,1 High St\nAmy Smith,7B,Mrs Jane Smith,1 High St\n",
         2,
         0,
         {"Mr John Smith @1 High St: Amy Smith 7B", "Mrs Jane Smith @1 High St: Amy Smith 7B"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        event = std::make_shared<Event>();
        schedule = std::make_unique<MultiDaySchedule>(event);
        for (const HeldFamily& held : c.held) {
            ASSERT_NO_FATAL_FAILURE(Hold(held));
        }
        UCStringError sink;
        const MovedPeople moved = ImportThroughPreview({List::CSV, named, c.lines});
        EXPECT_EQ(c.added, moved.added) << sink.GetText();
        EXPECT_EQ(c.refused, moved.refused) << sink.GetText();
        EXPECT_EQ(c.expected, Families());
        if (c.refused > 0) {
            EXPECT_NE(std::string::npos, sink.GetText().find("Pupil 'Amy Smith' of '" +
                                                             std::string(c.held.front().name) +
                                                             "' is already in the event"))
                << sink.GetText();
        }
        EXPECT_EQ(0, ImportThroughPreview({List::CSV, named, c.lines}).added) << sink.GetText();
        EXPECT_EQ(c.expected, Families());
    }
}

// What the event holds already, brought in again by the same list or by a list of another
// shape, adds nobody.
TEST_F(FamilyRoads, ImportingWhatTheEventHoldsAddsNobody) {
    const List csv{List::CSV, "Full Name,Form / Tutor Group,Parent's Name,Address Line 1",
                   "Amy Smith,7B,Mr and Mrs Smith,1 High St\n"
                   "Ben Smith,9C,Mr and Mrs Smith,1 High St\n"
                   "Sam Lee,7A,Mr Lee,2 Elm Rd\n"
                   "Sam Lee,10B,Mr Lee,2 Elm Rd\n"
                   "Kit Cox,8A,,\n"};
    const List again[] = {
        csv,
        {List::CSV, "Full Name,Form / Tutor Group", "Amy Smith,7B\nSam Lee,10B\nKit Cox,8A\n"},
        {List::Text, nullptr, "Ben Smith\nKit Cox\nSam Lee\n"},
        {List::XML, nullptr,
         "<Pupils>\n" + XMLPupil("Amy", "Smith", "7B", "Smith") +
             XMLPupil("Sam", "Lee", "10B", "Lee") + XMLPupil("Sam", "Lee", "7A", "") +
             XMLPupil("Kit", "Cox", "8A", "Cox") + "</Pupils>\n"},
    };
    UCStringError sink;
    ASSERT_EQ(5, ImportThroughPreview(csv).added) << sink.GetText();
    const std::vector<std::string> before = Families();
    for (const List& list : again) {
        SCOPED_TRACE(list.text);
        const MovedPeople moved = ImportThroughPreview(list);
        EXPECT_EQ(0, moved.added);
        EXPECT_EQ(before, Families());
    }
}

}  // namespace
