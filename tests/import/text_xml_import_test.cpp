#include <gtest/gtest.h>

#include "import/text_import_runs.h"
#include "import/xml_import_run.h"
#include "import_fixture.h"

namespace {

using TextListImport = ImportTest;

TEST_F(TextListImport, PupilsOfTheSameNameShareTheirParent) {
    TextPupilsImportRun run;
    ASSERT_EQ(ImportOutcome::Finished, Run(run, "Anne\n\n  Anne  \r\nBob Ray"));
    ASSERT_EQ(2u, ParentCount());
    Parent* anne = ParentNamed("Parents of Anne");
    ASSERT_NE(nullptr, anne);
    ASSERT_EQ(2u, anne->GetPupilCount());
    EXPECT_EQ("Anne", anne->GetPupil(1)->GetName());
    EXPECT_NE(nullptr, ParentNamed("Parents of Bob Ray")) << "a last line without a line end";
}

TEST_F(TextListImport, RepeatedTeacherStopsAfterTheEventsMessage) {
    TextTeachersImportRun run;
    EXPECT_EQ(ImportOutcome::Failed, Run(run, "Ann Lee\nBob Hay\nann lee\nCy Dee\n"));
    EXPECT_EQ("Error: Teacher 'ann lee' already exists\n", messages);
    EXPECT_EQ(2u, TeacherCount());
}

TEST_F(TextListImport, NamesFromTheCodePageBecomeUTF8) {
    TextTeachersImportRun run;
    ASSERT_EQ(ImportOutcome::Finished, Run(run, "Jos\xE9 Ruiz\n"));
    EXPECT_EQ("Jos\xC3\xA9 Ruiz", TeacherAt(0)->GetName());
}

TEST_F(TextListImport, NothingHappensWithoutAFileOrTarget) {
    TextPupilsImportRun run;
    bool more = true;
    EXPECT_FALSE(run.Import(more));
    EXPECT_FALSE(more);
    EXPECT_EQ(-1, run.GetFilePosition());
    EXPECT_EQ(-1, run.GetFileSize());
    StdioFile file(temp.Write("list.txt", "Anne\n").c_str(), "rb");
    run.SetInput(&file);
    EXPECT_EQ(-1, run.GetFileSize()) << "still no target";
    EXPECT_FALSE(run.Import(more));
}

class XMLImport : public ImportTest {
protected:
    ImportOutcome Import(const std::string& xml) {
        XMLPupilsImportRun run;
        return Run(run, xml);
    }

    static std::string Pupil(const std::string& inside) {
        return "<Pupil>" + inside + "</Pupil>\n";
    }
};

TEST_F(XMLImport, ContactsNameTheParent) {
    ASSERT_EQ(ImportOutcome::Finished,
              Import("<?xml version=\"1.0\"?>\n<Export><Pupils>\n" +
                     Pupil("<Forename>Amy</Forename><Surname> Smith </Surname>"
                           "<RegistrationGroup>7B</RegistrationGroup><DOB>2012</DOB>"
                           "<Contact><Title>Mr</Title><Forename>John</Forename>"
                           "<Surname>Smith</Surname><Phone>1</Phone></Contact>"
                           "<Contact><Title>Mrs</Title><Forename>Jane</Forename>"
                           "<Surname>Smith</Surname></Contact>") +
                     Pupil("<Forename>Ben</Forename><Surname>Smith</Surname>"
                           "<Contact><Surname>Smith</Surname></Contact>") +
                     Pupil("<Surname>Jones</Surname><Contact><Title>Dr</Title>"
                           "<Surname>Jones</Surname></Contact>") +
                     Pupil("<Surname>Lee</Surname>") +
                     "<Pupil/><Staff><Pupil_Count>4</Pupil_Count></Staff></Pupils></Export>\n"))
        << messages;
    Parent* smiths = ParentNamed("Mr John Smith and Mrs Jane Smith");
    ASSERT_NE(nullptr, smiths);
    EXPECT_EQ("Amy Smith", smiths->GetPupil(0)->GetName());
    EXPECT_EQ("7B", smiths->GetPupil(0)->GetForm());
    ASSERT_NE(nullptr, ParentNamed("Smith"));
    ASSERT_NE(nullptr, ParentNamed("Dr Jones"));
    EXPECT_EQ("Jones", ParentNamed("Dr Jones")->GetPupil(0)->GetName())
        << "a pupil without a forename is named by the surname alone";
    EXPECT_NE(nullptr, ParentNamed("Parents of Lee"));
    EXPECT_EQ(4u, ParentCount());
}

TEST_F(XMLImport, APupilWithoutANameIsPassedOver) {
    ASSERT_EQ(ImportOutcome::Finished,
              Import("<Pupils>" +
                     Pupil("<Forename> </Forename><Contact><Surname>Smith</Surname></Contact>") +
                     Pupil("<Surname>Lee</Surname>") + "</Pupils>\n"))
        << messages;
    ASSERT_EQ(1u, ParentCount()) << "no parent for a pupil nobody could find by name";
    EXPECT_EQ("Parents of Lee", ParentAt(0)->GetName());
    EXPECT_EQ("", messages);
}

TEST_F(XMLImport, EntitiesAndCharacterReferencesAreDecoded) {
    ASSERT_EQ(ImportOutcome::Finished,
              Import(Pupil("<Forename>Se&#xE1;n</Forename><Surname>O&apos;Brien &amp; "
                           "Co&#33; &bogus; &#0;</Surname>")));
    ASSERT_EQ(1u, ParentCount());
    EXPECT_EQ("Se\xC3\xA1n O'Brien & Co! &bogus; &#0;", ParentAt(0)->GetPupil(0)->GetName());
}

TEST_F(XMLImport, BrokenExportsSayWhatIsMissing) {
    const std::string amy = Pupil("<Forename>Amy</Forename><Surname>Lee</Surname>");
    struct Case {
        const char* name;
        std::string xml;
        std::string message;
    } cases[] = {
        {"surname closed by forename", amy + "<Pupil><Surname>Smith</Forename></Pupil>",
         "Error: The file is missing a </Surname> tag. The most likely cause is that the export "
         "from your MIS has become corrupted - please repeat the export and try importing the "
         "new file into Quillmoot.\n"},
        {"ends inside a pupil", amy + "<Pupil><Surname>Smith</Surname>",
         "Error: The file is missing a </Pupil> tag. The most likely cause is that the export "
         "from your MIS did not complete successfully - please repeat the export and try "
         "importing the new file into Quillmoot.\n"},
        {"ends inside a contact", amy + "<Pupil><Contact><Surname>Smith</Surname>",
         "Error: The file is missing a </Contact> tag. The most likely cause is that the export "
         "from your MIS did not complete successfully - please repeat the export and try "
         "importing the new file into Quillmoot.\n"},
        {"ends inside a surname", amy + "<Pupil><Surname>Smi",
         "Error: The file ended unexpectedly. The most likely cause is that the export from "
         "your MIS did not complete successfully - please repeat the export and try importing "
         "the new file into Quillmoot.\n"},
        {"syntax error between pupils", amy + "<Pupils =\"x\">",
         "Error: Expected tag data on line 2 but found '=' instead\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        event = std::make_shared<Event>();
        schedule = std::make_unique<MultiDaySchedule>(event);
        EXPECT_EQ(ImportOutcome::Failed, Import(c.xml));
        EXPECT_EQ(c.message, messages);
        EXPECT_EQ(1u, ParentCount()) << "the pupil before the fault stays";
    }
}

TEST_F(XMLImport, ARunReadsOnlyItsOwnFile) {
    XMLPupilsImportRun first;
    ASSERT_EQ(ImportOutcome::Finished,
              Run(first, Pupil("<Forename>Amy</Forename><Surname>Lee</Surname>")));
    XMLPupilsImportRun second;
    ASSERT_EQ(ImportOutcome::Finished,
              Run(second, Pupil("<Forename>Ben</Forename><Surname>Cox</Surname>")));
    EXPECT_EQ(2u, ParentCount());
    EXPECT_EQ(ImportOutcome::Finished, Import("<Export/>")) << "an empty export imports nobody";
    EXPECT_EQ(2u, ParentCount());
}

}  // namespace
