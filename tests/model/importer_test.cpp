#include <gtest/gtest.h>

#include <memory>

#include "model/builtin_importers.h"
#include "model/importer_csv.h"

namespace {

TEST(BuiltInImporters, DescribeThemselvesAndSaveNothing) {
    ImporterTxtTeachers teachers;
    ImporterTxtPupils pupils;
    ImporterXMLPupils xml;
    EXPECT_EQ("Text file, one teacher per line", teachers.GetDescription());
    EXPECT_EQ("Text file, one pupil per line", pupils.GetDescription());
    EXPECT_EQ("XML file exported from another system", xml.GetDescription());
    EXPECT_STREQ("ImporterXMLPupils", xml.GetClassName());
    EXPECT_EQ("", teachers.GetSavedDefinition());
    EXPECT_EQ("", xml.GetSavedDefinition());
}

TEST(FindImporterByDescription, MatchesTheWholeTextExactly) {
    UCUniqueOrdered list;
    list.Append(new ImporterXMLPupils());
    list.Append(new ImporterTxtPupils());
    EXPECT_EQ(list.At(1), FindImporterByDescription(list, "Text file, one pupil per line"));
    EXPECT_EQ(nullptr, FindImporterByDescription(list, "text file, one pupil per line"));
    EXPECT_EQ(nullptr, FindImporterByDescription(list, "Text file"));
    EXPECT_EQ(nullptr, FindImporterByDescription(UCUniqueOrdered(), ""));
    list.DeleteAll();
}

TEST(CSVColumnMapping, EachKindOffersItsOwnTypes) {
    ImporterCSVMapping pupils(true);
    ImporterCSVMapping teachers(false);
    EXPECT_EQ(20, pupils.GetNumColumnTypes());
    EXPECT_EQ(16, teachers.GetNumColumnTypes());
    EXPECT_EQ("Pupil's Email Address", pupils.GetColumnTypeName(7));
    EXPECT_EQ("Location", teachers.GetColumnTypeName(7));
    EXPECT_EQ("Is Attending (Y/N)", pupils.GetColumnTypeName(19));
    EXPECT_EQ("Is Attending (Y/N)", teachers.GetColumnTypeName(15));
    EXPECT_EQ("Unknown", CSVColumnTypeName(25));
    EXPECT_EQ("Unknown", CSVColumnTypeName(-1));
}

TEST(CSVColumnMapping, AddColumnRefusesOffersOutsideTheKind) {
    ImporterCSVMapping teachers(false);
    EXPECT_FALSE(teachers.AddColumn(16));
    EXPECT_FALSE(teachers.AddColumn(-1));
    EXPECT_EQ(0, teachers.GetCount());
    ImporterCSVMapping pupils(true);
    ASSERT_TRUE(pupils.AddColumn(16));
    EXPECT_EQ(CSVArrivalTime, pupils.GetColumnType(0));
}

TEST(CSVColumnMapping, AddColumnByNameIsCaseSensitive) {
    ImporterCSVMapping pupils(true);
    EXPECT_FALSE(pupils.AddColumnByName("full name"));
    EXPECT_TRUE(pupils.AddColumnByName("Full Name"));
    EXPECT_EQ(1, pupils.GetAt(0));
}

TEST(ImporterCSV, NameIsTrimmedAndIsTheDescription) {
    ImporterCSV importer(false);
    importer.SetName("  Staff list \t");
    EXPECT_EQ("Staff list", importer.GetDescription());
    importer.SetName("two\nlines");
    EXPECT_EQ("two lines", importer.GetName());
}

TEST(ImporterCSV, SavedDefinitionsOfTeachersAndPupils) {
    ImporterCSV staff(false);
    staff.SetName("Staff");
    staff.SetDefinition("Full Name,Initials");
    EXPECT_EQ("TeacherCSVImport \"Staff\" \"Full Name,Initials\"", staff.GetSavedDefinition());

    ImporterCSV office(true);
    office.SetName("Office list");
    office.SetDefinition("IgnoreFirstLine,Full Name,<Unused>,Form / Tutor Group");
    EXPECT_EQ(
        "PupilCSVImport \"Office list\" \"IgnoreFirstLine,Full Name,<Unused>,Form / Tutor "
        "Group\"",
        office.GetSavedDefinition());
}

TEST(ImporterCSV, DefinitionIsReadIgnoringCaseAndBlanks) {
    ImporterCSV importer(true);
    EXPECT_TRUE(importer.SetDefinition(" ignorefirstline , FULL NAME,nonsense,  house"));
    EXPECT_TRUE(importer.GetIgnoreFirstLine());
    ASSERT_EQ(3, importer.GetColumnCount());
    EXPECT_EQ(CSVFullName, importer.GetColumnType(0));
    EXPECT_EQ(CSVUnused, importer.GetColumnType(1));
    EXPECT_EQ(CSVHouse, importer.GetColumnType(2));
    EXPECT_EQ(CSVUnused, importer.GetColumnType(3));
}

TEST(ImporterCSV, DefinitionRoundTripsThroughItsSavedForm) {
    ImporterCSV original(false);
    original.SetName("Staff");
    original.SetDefinition("IgnoreFirstLine,Surname,Forename,Meeting Link,Is Attending (Y/N)");
    std::string line = original.GetSavedDefinition();
    // The definition is the second quoted text of the line.
    size_t open = line.rfind("\"", line.size() - 2);
    std::string definition = line.substr(open + 1, line.size() - open - 2);

    ImporterCSV copy(false);
    copy.SetDefinition(definition);
    copy.SetName("Staff");
    EXPECT_EQ(line, copy.GetSavedDefinition());
}

TEST(ImporterCSV, EmptyDefinitionHasNoColumns) {
    ImporterCSV importer(true);
    importer.SetDefinition("Full Name");
    importer.SetDefinition("");
    EXPECT_EQ(0, importer.GetColumnCount());
    EXPECT_FALSE(importer.GetIgnoreFirstLine());
}

TEST(ImporterCSV, QuotesAndBackslashesInTheNameCannotEndItsText) {
    ImporterCSV importer(true);
    importer.SetName("Year \"7\" \\ 8");
    importer.SetDefinition("Full Name");
    EXPECT_EQ("PupilCSVImport \"Year \\\"7\\\" \\\\ 8\" \"Full Name\"",
              importer.GetSavedDefinition());
}

}  // namespace

TEST(CSVColumnMapping, ParseKeepsUnknownColumnsInPlaceUnlessNoneIsKnown) {
    ImporterCSVMapping pupils(true);
    EXPECT_TRUE(pupils.Parse("Full Name, Nonsense,House"));
    ASSERT_EQ(3, pupils.GetCount());
    EXPECT_EQ(1, pupils.GetAt(0));
    EXPECT_EQ(0, pupils.GetAt(1));
    EXPECT_EQ(9, pupils.GetAt(2));
    EXPECT_FALSE(pupils.Parse("Nonsense"));
    EXPECT_EQ(0, pupils.GetCount()) << "a text naming nothing known empties the mapping";
}
