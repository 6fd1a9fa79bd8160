#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/files.h"
#include "foundation/uc_error.h"
#include "import/csv_column_chooser.h"
#include "import/imported_people.h"
#include "import/pt_csv_importer.h"
#include "import_fixture.h"
#include "model/importer_csv.h"

namespace {

using Names = std::vector<std::string>;

TEST(CSVPreview, ShowsAtMostThreeLinesAsUTF8AndKeepsTheHeaderWithoutItsMark) {
    TempFolder temp{"qm-csv-preview"};
    const struct {
        const char* name;
        std::string content;
        std::string text;
        std::string firstLine;
    } cases[] = {
        {"empty file", "", "", ""},
        {"two lines", "Forename,Surname\r\nAmy,Lee", "Forename,Surname\nAmy,Lee\n",
         "Forename,Surname"},
        {"four lines", "a\nb\nc\nd\n", "a\nb\nc\n", "a"},
        {"byte-order mark", "\xEF\xBB\xBFSurname\nO'Brien\n", "Surname\nO'Brien\n", "Surname"},
        {"Windows code page", "Ren\xE9\n", "Ren\xC3\xA9\n", "Ren\xE9"},
        {"tabs and control bytes as they are", "a\tb\x01;c\x7F\n", "a\tb\x01;c\x7F\n",
         "a\tb\x01;c\x7F"},
        {"a NUL, which would end the text", std::string("Amy,Lee\0,7B\n", 12), "Amy,Lee,7B\n",
         std::string("Amy,Lee\0,7B", 11)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = temp.Write("preview.csv", c.content);
        StdioFile file(path.c_str(), "rb");
        const CSVFilePreview preview = ReadCSVPreview(&file);
        EXPECT_EQ(c.text, preview.text);
        EXPECT_EQ(c.firstLine, preview.firstLine);
    }
    EXPECT_EQ("", ReadCSVPreview(nullptr).text);
}

TEST(CSVColumnChoice, HeaderFillsTheColumnsAndLeavesTheOfferWhole) {
    ImporterCSVMapping mapping(true);
    CSVColumnChooser chooser(mapping);
    const size_t offered = chooser.GetAvailable().size();
    ASSERT_EQ("<Unused>", chooser.GetAvailable()[0]);

    EXPECT_FALSE(chooser.ApplyHeader(mapping, "Amy,Lee,7B"));
    EXPECT_TRUE(chooser.GetSelected().empty());
    EXPECT_EQ(0, mapping.GetCount());

    EXPECT_TRUE(chooser.ApplyHeader(mapping, "Surname,Forename,Shoe size,Form / Tutor Group"));
    EXPECT_EQ((Names{"Surname", "Forename", "<Unused>", "Form / Tutor Group"}),
              chooser.GetSelected());
    EXPECT_EQ(4, mapping.GetCount());
    EXPECT_EQ(offered, chooser.GetAvailable().size());
}

TEST(CSVColumnChoice, TypesMoveAcrossOnceExceptUnusedAndTheRepeatableOnes) {
    ImporterCSVMapping teachers(false);
    CSVColumnChooser chooser(teachers);
    auto indexOf = [&](const std::string& name) {
        const Names& available = chooser.GetAvailable();
        for (size_t i = 0; i < available.size(); ++i) {
            if (available[i] == name) {
                return static_cast<int>(i);
            }
        }
        return -1;
    };
    const struct {
        const char* name;
        int before;
        bool staysOnOffer;
    } picks[] = {
        {"Surname", -1, false}, {"<Unused>", -1, true},           {"Subject", -1, true},
        {"Subject", -1, true},  {"Forename", 0, false},           {"Arrival Time", 99, true},
        {"Initials", 2, false}, {"Is Attending (Y/N)", -1, true},
    };
    for (const auto& pick : picks) {
        SCOPED_TRACE(pick.name);
        const int at = chooser.Select(indexOf(pick.name), pick.before);
        ASSERT_GE(at, 0);
        EXPECT_EQ(pick.name, chooser.GetSelected()[static_cast<size_t>(at)]);
        EXPECT_EQ(pick.staysOnOffer, indexOf(pick.name) >= 0);
    }
    EXPECT_EQ((Names{"Forename", "Surname", "Initials", "<Unused>", "Subject", "Subject",
                     "Arrival Time", "Is Attending (Y/N)"}),
              chooser.GetSelected());
    EXPECT_EQ(-1, chooser.Select(-1, 0));
    EXPECT_EQ(-1, chooser.Select(99, 0));

    // Removing puts a name back once, never "<Unused>", never a second copy of a repeatable.
    const size_t offered = chooser.GetAvailable().size();
    EXPECT_TRUE(chooser.Remove(3));  // <Unused>
    EXPECT_TRUE(chooser.Remove(3));  // Subject
    EXPECT_TRUE(chooser.Remove(0));  // Forename
    EXPECT_FALSE(chooser.Remove(9));
    EXPECT_EQ(offered + 1, chooser.GetAvailable().size());
    EXPECT_EQ("Forename", chooser.GetAvailable().back());
    EXPECT_EQ("Surname,Initials,Subject,Arrival Time,Is Attending (Y/N)", chooser.GetDefinition());
}

TEST(CSVColumnChoice, MovesStopAtTheEndsAndTheDefinitionFillsTheMapping) {
    ImporterCSVMapping mapping(true);
    CSVColumnChooser chooser(mapping);
    ASSERT_TRUE(chooser.ApplyHeader(mapping, "Forename,Surname,House"));
    const struct {
        const char* name;
        bool up;
        int from;
        int to;
        const char* definition;
    } moves[] = {
        {"top up", true, 0, -1, "Forename,Surname,House"},
        {"bottom down", false, 2, -1, "Forename,Surname,House"},
        {"nothing selected", true, -1, -1, "Forename,Surname,House"},
        {"last up", true, 2, 1, "Forename,House,Surname"},
        {"first down", false, 0, 1, "House,Forename,Surname"},
    };
    for (const auto& move : moves) {
        SCOPED_TRACE(move.name);
        EXPECT_EQ(move.to, move.up ? chooser.MoveUp(move.from) : chooser.MoveDown(move.from));
        EXPECT_EQ(move.definition, chooser.GetDefinition());
    }
    chooser.FillMapping(mapping);
    ASSERT_EQ(3, mapping.GetCount());
    EXPECT_EQ(CSVHouse, mapping.GetColumnType(0));
    EXPECT_EQ(CSVSurname, mapping.GetColumnType(2));

    ImporterPTCSVMapping requests;
    CSVColumnChooser empty(requests);
    EXPECT_EQ("", empty.GetDefinition());
    empty.FillMapping(requests);
    EXPECT_EQ(0, requests.GetCount());
}

class MovingImportedPeople : public ImportTest {
protected:
    void AddToPreview(const std::string& name, const std::string& initials) {
        auto teacher = std::make_unique<Teacher>(name);
        teacher->SetInitials(initials);
        ASSERT_TRUE(preview->AddTeacher(std::move(teacher)));
    }
    void AddFamily(const std::string& parent, const std::string& pupil) {
        auto family = std::make_unique<Parent>(parent);
        family->AddPupil(std::make_unique<Pupil>(pupil));
        ASSERT_TRUE(preview->AddParent(std::move(family)));
    }

    std::shared_ptr<Event> preview = std::make_shared<Event>();
    UCStringError sink;
};

TEST_F(MovingImportedPeople, EveryTeacherTheEventTakesMovesAndEachRefusedOneIsNamed) {
    // The second has the name of a teacher the event holds, the third its initials.
    auto existing = std::make_unique<Teacher>("Mr Old");
    existing->SetInitials("CC");
    ASSERT_TRUE(schedule->AddTeacher(std::move(existing)));
    AddToPreview("Ms Ames", "AA");
    AddToPreview("Mr Old", "MO");
    AddToPreview("Mr Cobb", "CC");
    AddToPreview("Ms Dunn", "DD");

    const MovedPeople moved = MoveImportedPeople(*preview, *schedule, PeopleImport::Teachers);
    EXPECT_EQ(2, moved.added);
    EXPECT_EQ(2, moved.refused);
    ASSERT_EQ(3u, TeacherCount());
    EXPECT_EQ("Ms Ames", TeacherAt(1)->GetName());
    EXPECT_EQ("Ms Dunn", TeacherAt(2)->GetName());
    EXPECT_EQ(0u, preview->GetTeachers().Count()) << "nothing left for the preview to free";
    EXPECT_EQ(3u, Day(1)->GetGrid().GetRowCount()) << "each moved teacher has a row every day";
    EXPECT_EQ(
        "Error: 2 of 4 teachers imported; 2 failed to import\n"
        "Further details follow:\n"
        "Teacher 'Mr Old' already exists\n"
        "Teacher 'Mr Old' failed to import\n"
        "Teacher initials 'CC' have already been used for a different teacher\n"
        "Teacher 'Mr Cobb' failed to import\n",
        sink.GetText());
}

TEST_F(MovingImportedPeople, PupilsJoinTheirFamilyInTheEventAndTheRestStillMove) {
    // The event holds the Smiths of 1 High St with Amy, and the Lees with an identifier.
    auto smiths = std::make_unique<Parent>("Mr and Mrs Smith");
    smiths->SetAddress(0, "1 High St");
    smiths->AddPupil(std::make_unique<Pupil>("Amy Smith"));
    ASSERT_TRUE(schedule->AddParent(std::move(smiths)));
    auto lees = std::make_unique<Parent>("Mr Lee");
    lees->SetUniqueId("L1");
    lees->SetAddress(0, "3 Mill Lane");
    ASSERT_TRUE(schedule->AddParent(std::move(lees)));

    struct Family {
        const char* parent;
        const char* address;
        const char* id;
        std::vector<const char*> pupils;
    } families[] = {
        {"Mr Abbot", "9 Elm Rd", "", {"Dan Abbot"}},
        // Ben is Amy's brother; Amy again is the same child, not a second one.
        {"Mr and Mrs Smith", "1 High St", "", {"Ben Smith", "Amy Smith"}},
        // Another family of that name, elsewhere: a family of its own.
        {"Mr and Mrs Smith", "5 Low Rd", "", {"Cal Smith"}},
        // The Lees' identifier at another address: the event refuses the parent.
        {"Ms Lee", "8 Far Way", "L1", {"Kit Lee", "Pip Lee"}},
        {"Ms Young", "2 Oak Ave", "", {"Cara Young"}},
        {"Mr Zane", "4 Ash Ct", "", {"Eve Zane"}},
    };
    for (const Family& f : families) {
        auto parent = std::make_unique<Parent>(f.parent);
        parent->SetAddress(0, f.address);
        parent->SetUniqueId(f.id);
        for (const char* pupil : f.pupils) {
            parent->AddPupil(std::make_unique<Pupil>(pupil));
        }
        // The preview told the two Smiths apart as the import does.
        if (std::string(f.address) == "5 Low Rd") {
            parent->SetName("Mr and Mrs Smith (5 Low Rd)");
        }
        ASSERT_TRUE(preview->AddParent(std::move(parent)));
    }

    const MovedPeople moved = MoveImportedPeople(*preview, *schedule, PeopleImport::Pupils);
    EXPECT_EQ(5, moved.added);
    EXPECT_EQ(3, moved.refused);
    EXPECT_EQ(0u, preview->GetParents().Count());
    const struct {
        const char* parent;
        std::vector<std::string> pupils;
    } expected[] = {
        {"Mr and Mrs Smith", {"Amy Smith", "Ben Smith"}},
        {"Mr and Mrs Smith (5 Low Rd)", {"Cal Smith"}},
        {"Mr Abbot", {"Dan Abbot"}},
        {"Mr Lee", {}},
        {"Ms Young", {"Cara Young"}},
        {"Mr Zane", {"Eve Zane"}},
    };
    EXPECT_EQ(6u, ParentCount());
    for (const auto& e : expected) {
        const Parent* parent = ParentNamed(e.parent);
        ASSERT_NE(nullptr, parent) << e.parent;
        std::vector<std::string> pupils;
        for (unsigned i = 0; i < parent->GetPupilCount(); ++i) {
            pupils.push_back(parent->GetPupil(i)->GetName());
        }
        EXPECT_EQ(e.pupils, pupils) << e.parent;
    }
    EXPECT_EQ(
        "Error: 5 of 8 pupils imported; 3 failed to import\n"
        "Further details follow:\n"
        "Pupil 'Amy Smith' of 'Mr and Mrs Smith' is already in the event\n"
        "Pupil 'Amy Smith' failed to import\n"
        "Parent 'L1' already exists\n"
        "Parent 'Ms Lee' failed to import\n"
        "Pupil 'Kit Lee' failed to import\n"
        "Pupil 'Pip Lee' failed to import\n",
        sink.GetText());
}

TEST_F(MovingImportedPeople, ALockedEventStillTakesNewPeople) {
    event->SetLocked(true);
    AddToPreview("Ms Ames", "AA");
    EXPECT_EQ(1, MoveImportedPeople(*preview, *schedule, PeopleImport::Teachers).added);
    AddFamily("Mrs Cox", "Ben Cox");
    EXPECT_EQ(1, MoveImportedPeople(*preview, *schedule, PeopleImport::Pupils).added);
    EXPECT_EQ(1u, TeacherCount());
    EXPECT_EQ(1u, ParentCount());
    EXPECT_EQ("", sink.GetText());
}

}  // namespace
