#include <gtest/gtest.h>

#include "import/pt_csv_importer.h"
#include "import_fixture.h"
#include "model/appointment_request.h"

namespace {

// Teachers Mrs Jones (MJ) and Mr Patel (RP); Amy Lee and Ben Cox, each with a parent.
class RequestListImport : public ImportTest {
protected:
    RequestListImport() {
        for (auto [name, initials] : {std::pair{"Mrs Jones", "MJ"}, std::pair{"Mr Patel", "RP"}}) {
            auto teacher = std::make_unique<Teacher>();
            teacher->SetName(name);
            teacher->SetInitials(initials);
            EXPECT_TRUE(schedule->AddTeacher(std::move(teacher)));
        }
        for (const char* name : {"Amy Lee", "Ben Cox"}) {
            auto parent = std::make_unique<Parent>();
            parent->SetName(std::string("Parents of ") + name);
            auto pupil = std::make_unique<Pupil>();
            pupil->SetName(name);
            parent->AddPupil(std::move(pupil));
            EXPECT_TRUE(schedule->AddParent(std::move(parent)));
        }
    }

    ImportOutcome Import(const char* columns, const std::string& content,
                         ImporterPTCSV::ListKind kind = ImporterPTCSV::RequestList,
                         int priority = 1) {
        ImporterPTCSVMapping mapping;
        mapping.Parse(columns);
        importer = std::make_unique<ImporterPTCSV>(mapping, kind);
        importer->SetPriority(priority);
        return Run(*importer, content);
    }

    Pupil* PupilNamed(const char* name) const { return event->GetParents().FindPupil(name); }
    Teacher* Jones() const { return event->GetTeachers().FindByNameOrInitials("MJ"); }

    std::unique_ptr<ImporterPTCSV> importer;
};

TEST_F(RequestListImport, PriorityColumnSetsEachRequestsPriority) {
    ASSERT_EQ(ImportOutcome::Finished,
              Import("Pupil's Full Name,Teacher's Full Name,Subject,Appointment Priority",
                     "Amy Lee,Mrs Jones,Maths,High\n"
                     "Amy Lee,Mrs Jones,Drama\n"
                     "Amy Lee,Mrs Jones,Art,low\n"
                     "Amy Lee,Mrs Jones,Music,Medium\n"
                     "Amy Lee,Mrs Jones,French,\n"));
    Pupil* amy = PupilNamed("Amy Lee");
    ASSERT_EQ(5u, amy->GetRequestCount());
    // A line that stops before its priority is as normal as one whose priority is blank, not
    // as high as the line before.
    const int expected[] = {2, 1, 0, 1, 1};
    for (unsigned i = 0; i < 5; ++i) {
        EXPECT_EQ(expected[i], amy->GetRequest(i)->GetPriority()) << i;
    }
    EXPECT_EQ(5u, importer->GetLinesImported());
    EXPECT_EQ(1u, Jones()->GetSubjects().count("Maths"))
        << "a request's subject joins the teacher's";
}

TEST_F(RequestListImport, WithoutAPriorityColumnEveryRequestTakesTheChosenOne) {
    ASSERT_EQ(ImportOutcome::Finished,
              Import("Pupil's Surname,Pupil's Forename,Teacher's Title / Salutation,"
                     "Teacher's Surname",
                     "Lee,Amy,Mrs,Jones\nCox,Ben,,rp\n", ImporterPTCSV::RequestList, 0));
    ASSERT_EQ(1u, PupilNamed("Amy Lee")->GetRequestCount());
    EXPECT_EQ(Jones(), PupilNamed("Amy Lee")->GetRequest(0)->GetTeacher());
    EXPECT_EQ(0, PupilNamed("Amy Lee")->GetRequest(0)->GetPriority());
    ASSERT_EQ(1u, PupilNamed("Ben Cox")->GetRequestCount()) << "initials in any letter case";
    EXPECT_EQ("Mr Patel", PupilNamed("Ben Cox")->GetRequest(0)->GetTeacher()->GetName());
}

TEST_F(RequestListImport, ImportingTwiceAddsNothingButCountsEveryLine) {
    const char* list = "Name,Teacher\nAmy Lee,MJ\nBen Cox,Mrs Jones\n";
    ImporterPTCSVMapping mapping;
    mapping.Parse("Pupil's Full Name,Teacher's Full Name");
    for (int run = 0; run < 2; ++run) {
        ImporterPTCSV twice(mapping, ImporterPTCSV::RequestList);
        twice.SetIgnoreFirstLine(true);
        ASSERT_EQ(ImportOutcome::Finished, Run(twice, list));
        EXPECT_EQ(2u, twice.GetLinesImported());
        EXPECT_EQ(3u, twice.GetLinesRead());
    }
    EXPECT_EQ(1u, PupilNamed("Amy Lee")->GetRequestCount());
    EXPECT_EQ(1u, PupilNamed("Ben Cox")->GetRequestCount());
}

TEST_F(RequestListImport, UnknownNamesStopTheRunWithAWarning) {
    struct Case {
        const char* name;
        const char* content;
        ImportOutcome outcome;
        const char* messages;
        unsigned amyRequests;
    } cases[] = {
        {"empty teacher skipped even with an unknown pupil", "Nobody Here,\nAmy Lee,MJ\n",
         ImportOutcome::Finished, "", 1},
        {"unknown teacher reported even with an empty pupil", ",Dr Who\nAmy Lee,MJ\n",
         ImportOutcome::Failed, "Warning: Teacher 'Dr Who' is not currently defined\n", 0},
        {"unknown pupil", "Amy Lee,MJ\nZed Zee,MJ\nBen Cox,MJ\n", ImportOutcome::Failed,
         "Warning: Pupil 'Zed Zee' is not currently defined\n", 1},
        {"empty pupil skipped", ",MJ\n", ImportOutcome::Finished, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PupilNamed("Amy Lee")->DeleteAllRequests();
        PupilNamed("Ben Cox")->DeleteAllRequests();
        EXPECT_EQ(c.outcome, Import("Pupil's Full Name,Teacher's Full Name", c.content));
        EXPECT_EQ(c.messages, messages);
        EXPECT_EQ(c.amyRequests, PupilNamed("Amy Lee")->GetRequestCount());
        EXPECT_EQ(0u, PupilNamed("Ben Cox")->GetRequestCount());
    }
}

TEST_F(RequestListImport, APupilNameTwoFamiliesShareIsGivenToNeither) {
    for (const char* parentName : {"Mrs Smith", "Mr Smith"}) {
        auto parent = std::make_unique<Parent>(parentName);
        parent->AddPupil(std::make_unique<Pupil>("Sam Smith"));
        ASSERT_TRUE(schedule->AddParent(std::move(parent)));
    }
    const Pupil* first = event->GetParents().FindByName("Mrs Smith")->GetPupil(0);
    const Pupil* second = event->GetParents().FindByName("Mr Smith")->GetPupil(0);
    for (const ImporterPTCSV::ListKind kind :
         {ImporterPTCSV::RequestList, ImporterPTCSV::TaughtByList}) {
        SCOPED_TRACE(kind);
        // Enough lines that the name table is built part way, so both ways of looking are met.
        std::string list = "Sam Smith,MJ\nsam smith,RP\n";
        for (int i = 0; i < 40; ++i) {
            list += "Amy Lee,MJ\n";
        }
        list += "Sam Smith,RP\n";
        EXPECT_EQ(ImportOutcome::Finished,
                  Import("Pupil's Full Name,Teacher's Full Name", list, kind));
        EXPECT_EQ(40u, importer->GetLinesImported());
        for (const Pupil* sam : {first, second}) {
            EXPECT_EQ(0u, sam->GetRequestCount());
            EXPECT_EQ(0u, sam->GetTaughtByCount());
        }
        EXPECT_EQ(
            "Warning: More than one pupil is called 'Sam Smith', so line 1 of the file is not "
            "imported\n"
            "Warning: More than one pupil is called 'sam smith', so line 2 of the file is not "
            "imported\n"
            "Warning: More than one pupil is called 'Sam Smith', so line 43 of the file is not "
            "imported\n",
            messages);
    }
}

TEST_F(RequestListImport, TaughtByListRecordsEachTeacherAndSubjectOnce) {
    ASSERT_EQ(ImportOutcome::Finished,
              Import("Pupil's Full Name,Teacher's Full Name,Subject",
                     "Amy Lee,MJ,Maths\nAmy Lee,MJ,Maths\nAmy Lee,MJ,Art\n",
                     ImporterPTCSV::TaughtByList));
    Pupil* amy = PupilNamed("Amy Lee");
    EXPECT_EQ(0u, amy->GetRequestCount());
    ASSERT_EQ(2u, amy->GetTaughtByCount());
    EXPECT_TRUE(amy->IsTaughtBy(Jones(), "Maths"));
    EXPECT_TRUE(amy->IsTaughtBy(Jones(), "Art"));
    EXPECT_EQ(3u, importer->GetLinesImported());
    EXPECT_TRUE(event->IsModified());
}

TEST(ImporterPTCSVMapping, NamesAndFindsItsTenColumnTypes) {
    ImporterPTCSVMapping mapping;
    EXPECT_EQ(10, mapping.GetNumColumnTypes());
    EXPECT_EQ("Teacher's Title / Salutation", mapping.GetColumnTypeName(7));
    EXPECT_EQ("Unknown", mapping.GetColumnTypeName(10));
    EXPECT_TRUE(mapping.Parse("Pupil's Full Name,Nonsense,Appointment Priority"));
    EXPECT_EQ(3, mapping.GetCount());
    EXPECT_EQ(0, mapping.GetAt(1));
    EXPECT_TRUE(mapping.HasColumnType(PTCSVPriority));
    EXPECT_FALSE(mapping.HasColumnType(PTCSVSubject));
}

}  // namespace
