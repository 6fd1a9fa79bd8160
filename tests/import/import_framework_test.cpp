#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/event_file_reader.h"
#include "app/event_file_writer.h"
#include "foundation/tokeniser.h"
#include "import/csv_fields.h"
#include "import/csv_import_run.h"
#include "import/import_factory.h"
#include "import/import_progress.h"
#include "import/text_encoding.h"
#include "import/text_import_runs.h"
#include "import/xml_import_run.h"
#include "import_fixture.h"
#include "model/builtin_importers.h"

namespace {

TEST(SplitCSVLine, FollowsTheSpreadsheetRules) {
    struct Case {
        const char* name;
        const char* line;
        std::vector<std::string> fields;
    } cases[] = {
        {"plain", "a,b , c", {"a", "b ", " c"}},
        {"quoted comma", "\"Smith, J\",x", {"Smith, J", "x"}},
        {"doubled quote", "\"O\"\"Brien\"", {"O\"Brien"}},
        {"blank before the quote", "a, \"b,c\"", {"a", "b,c"}},
        {"text after the closing quote", "\"ab\"cd,e", {"abcd", "e"}},
        {"quote inside an unquoted field", "5\" pipe,x", {"5\" pipe", "x"}},
        {"unclosed quote runs to the end", "\"a,b", {"a,b"}},
        {"empty fields", ",,", {"", "", ""}},
        {"empty line", "", {""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.fields, SplitCSVLine(c.line)) << c.name;
    }
}

TEST(DecodeImportedText, KeepsUTF8AndReadsAnythingElseAsWindows1252) {
    struct Case {
        const char* name;
        std::string input;
        std::string expected;
    } cases[] = {
        {"ascii", "Ann", "Ann"},
        {"utf-8", "Zo\xC3\xAB \xE2\x82\xAC \xF0\x9F\x98\x80",
         "Zo\xC3\xAB \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"latin letter", "\xE9", "\xC3\xA9"},
        {"euro and curly quotes", "\x80\x91\x92\x93\x94\x96",
         "\xE2\x82\xAC\xE2\x80\x98\xE2\x80\x99\xE2\x80\x9C\xE2\x80\x9D\xE2\x80\x93"},
        {"unassigned byte", "\x81", "?"},
        {"overlong form", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
        {"surrogate", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
        {"truncated sequence", "a\xE2\x82", "a\xC3\xA2\xE2\x80\x9A"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, DecodeImportedText(c.input)) << c.name;
    }
    EXPECT_EQ("x", StripByteOrderMark("\xEF\xBB\xBFx"));
    EXPECT_EQ("\xEF\xBBx", StripByteOrderMark("\xEF\xBBx"));
}

// Each importer says its kind, and each kind has its run.
TEST(CreateImportRun, MakesTheRunOfEachKindOfImporter) {
    Event event;
    const ImporterCSV csvPupils(true);
    const ImporterCSV csvTeachers(false);
    struct Case {
        const char* name;
        const ImporterBase& importer;
        ImporterKind kind;
        std::function<bool(const ImportRun*)> isItsRun;
    };
    const Case cases[] = {
        {"text teachers", *event.GetTeacherImporter(0), ImporterKind::TextTeachers,
         [](const ImportRun* run) { return dynamic_cast<const TextTeachersImportRun*>(run); }},
        {"XML pupils", *event.GetPupilImporter(0), ImporterKind::XMLPupils,
         [](const ImportRun* run) { return dynamic_cast<const XMLPupilsImportRun*>(run); }},
        {"text pupils", *event.GetPupilImporter(1), ImporterKind::TextPupils,
         [](const ImportRun* run) { return dynamic_cast<const TextPupilsImportRun*>(run); }},
        {"CSV pupils", csvPupils, ImporterKind::CSV,
         [](const ImportRun* run) { return dynamic_cast<const CSVImportRun*>(run); }},
        {"CSV teachers", csvTeachers, ImporterKind::CSV,
         [](const ImportRun* run) { return dynamic_cast<const CSVImportRun*>(run); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.importer.GetKind(), c.kind);
        const std::unique_ptr<ImportRun> run = CreateImportRun(c.importer);
        ASSERT_NE(run, nullptr);
        EXPECT_TRUE(c.isItsRun(run.get()));
    }
}

using ImportFramework = ImportTest;

TEST_F(ImportFramework, ProgressFollowsTheFileAndSurvivesLargeFiles) {
    TextTeachersImportRun run;
    EXPECT_EQ("0 of 0 (0%)", GetImportProgress(run).Label());
    StdioFile file(temp.Write("staff.txt", "Ann Lee\nBob Hay\n").c_str(), "rb");
    run.SetInput(&file);
    run.SetTarget(schedule.get());
    bool more = false;
    ASSERT_TRUE(run.Import(more));
    EXPECT_EQ("8 of 16 (50%)", GetImportProgress(run).Label());

    const ImportProgress large{3'000'000'000LL, 4'000'000'000LL, 75};
    EXPECT_EQ("3000000000 of 4000000000 (75%)", large.Label()) << "sizes past 32 bits";
}

TEST_F(ImportFramework, EmptyFileFinishesAtOnce) {
    TextPupilsImportRun run;
    StdioFile file(temp.Write("empty.txt", "").c_str(), "rb");
    run.SetInput(&file);
    run.SetTarget(schedule.get());
    bool more = true;
    EXPECT_TRUE(run.Import(more));
    EXPECT_FALSE(more);
    EXPECT_EQ("0 of 0 (0%)", GetImportProgress(run).Label());
}

TEST_F(ImportFramework, SavedDefinitionsComeBackFromTheEventFile) {
    auto staff = std::make_unique<ImporterCSV>(false);
    staff->SetName("Staff \"A\" list");
    staff->SetDefinition("Full Name,Initials");
    event->AddTeacherImporter(std::move(staff));
    auto office = std::make_unique<ImporterCSV>(true);
    office->SetName("Office list");
    office->SetDefinition("IgnoreFirstLine,Full Name,<Unused>,Form / Tutor Group");
    event->AddPupilImporter(std::move(office));

    const std::string text = EventFileWriter(*schedule).FormatEventFile();
    auto readEvent = std::make_shared<Event>();
    MultiDaySchedule read(readEvent);
    Tokeniser tokens;
    tokens.SetText(text);
    UCStringError sink;
    EventFileReader reader(&read, &tokens);
    ASSERT_TRUE(reader.Read()) << sink.GetText();

    ImporterBase* found =
        FindImporterByDescription(readEvent->GetTeacherImporters(), "Staff \"A\" list");
    ASSERT_NE(nullptr, found);
    EXPECT_EQ(event->GetTeacherImporter(1)->GetSavedDefinition(), found->GetSavedDefinition());
    found = FindImporterByDescription(readEvent->GetPupilImporters(), "Office list");
    ASSERT_NE(nullptr, found);
    EXPECT_EQ(
        "PupilCSVImport \"Office list\" "
        "\"IgnoreFirstLine,Full Name,<Unused>,Form / Tutor Group\"",
        found->GetSavedDefinition());

    // The definition read back imports as the one saved.
    std::unique_ptr<ImportRun> run = CreateImportRun(*found);
    ASSERT_NE(nullptr, run);
    ASSERT_EQ(ImportOutcome::Finished, Run(*run, "Name,Note,Form\nAmy Lee,x,7B\n"));
    ASSERT_EQ(1u, ParentCount());
    EXPECT_EQ("7B", ParentAt(0)->GetPupil(0)->GetForm());
}

}  // namespace
