#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/person_csv_export.h"
#include "model/person_list.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"
#include "support/csv_reader.h"
#include "support/ordinary_user.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

class CsvExport : public ::testing::Test {
protected:
    Parent* AddParent(const std::string& name,
                      std::vector<std::pair<std::string, std::string>> pupils) {
        auto parent = std::make_unique<Parent>(name);
        for (const auto& [pupilName, form] : pupils) {
            auto pupil = std::make_unique<Pupil>(pupilName);
            pupil->SetForm(form);
            parent->AddPupil(std::move(pupil));
        }
        parentsOwned.push_back(std::move(parent));
        parents.Append(parentsOwned.back().get());
        return parentsOwned.back().get();
    }

    size_t FilesInDir() const {
        return static_cast<size_t>(
            std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }

    TempFolder folder{"qm-csv"};
    fs::path dir = folder.Path();
    std::vector<std::unique_ptr<Parent>> parentsOwned;
    ParentList parents;
};

}  // namespace

// A field a spreadsheet would run as a formula starts with an apostrophe, which shows it as text.
TEST(CsvExportFile, QuoteDoublesEmbeddedQuotesAndKeepsFormulasAsText) {
    const struct {
        const char* field;
        const char* written;
    } cases[] = {
        {"", "\"\""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\""},
        {"+44 1632 960000", "\"'+44 1632 960000\""},
        {"-2+3", "\"'-2+3\""},
        {"@SUM(A1)", "\"'@SUM(A1)\""},
        {"\t=1+1", "\"'\t=1+1\""},
        {"\r=1+1", "\"'\r=1+1\""},
        {"Smith-Jones = 2 + @home", "\"Smith-Jones = 2 + @home\""},
        {"'=1", "\"'=1\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(CsvExportFile::Quote(c.field), c.written);
    }
}

TEST_F(CsvExport, TeachersReadBackExactlyWhateverTheirNamesHold) {
    Teacher plain("Ms Jones");
    plain.SetInitials("JO");
    plain.SetLocation("Room 4");
    Teacher awkward("Mr \"Bert\" Brown, Jr.");
    awkward.SetInitials("B,B");
    awkward.SetLocation("Hall\nStage");
    Teacher accented("Ms \xc3\x89lise M\xc3\xbcller");
    TeacherList teachers;
    for (Teacher* t : {&plain, &awkward, &accented}) {
        teachers.Append(t);
    }
    const fs::path file = dir / "teachers.csv";

    UCStringError sink;
    ASSERT_TRUE(teachers.ExportCSV(file.string()));
    EXPECT_EQ(sink.GetText(), "Exported successfully\n");

    const CsvRows expected = {{"Name", "Initials", "Location"},
                              {"Ms Jones", "JO", "Room 4"},
                              {"Mr \"Bert\" Brown, Jr.", "B,B", "Hall\nStage"},
                              {"Ms \xc3\x89lise M\xc3\xbcller", "", ""}};
    EXPECT_EQ(ReadCsvWithPython(file), expected);
    EXPECT_EQ(ReadWholeFile(file).substr(0, 23), "Name,Initials,Location\n");
    EXPECT_EQ(FilesInDir(), 1u);
}

TEST_F(CsvExport, ParentsWriteOneRowPerPupilAndNoneForParentsWithout) {
    AddParent("Pat Lee", {{"Amy Lee", "7B"}, {"Ben \"B\" Lee", "8C"}});
    AddParent("No Children", {});
    AddParent("Sam Ray", {{"Cat Ray", ""}});
    const fs::path file = dir / "parents.csv";

    UCStringError sink;
    ASSERT_TRUE(parents.ExportCSV(file.string()));
    const CsvRows expected = {{"Parents Name", "Pupil Name", "Form"},
                              {"Pat Lee", "Amy Lee", "7B"},
                              {"Pat Lee", "Ben \"B\" Lee", "8C"},
                              {"Sam Ray", "Cat Ray", ""}};
    EXPECT_EQ(ReadCsvWithPython(file), expected);
}

TEST_F(CsvExport, ParentsWithoutPupilsGiveOnlyTheHeader) {
    AddParent("No Children", {});
    const fs::path file = dir / "parents.csv";
    UCStringError sink;
    ASSERT_TRUE(parents.ExportCSV(file.string()));
    EXPECT_EQ(ReadWholeFile(file), "Parents Name,Pupil Name,Form\n");
}

TEST_F(CsvExport, AFileThatCannotBeCreatedIsReportedAndFalse) {
    const std::string file = (dir / "missing" / "teachers.csv").string();
    TeacherList teachers;
    UCStringError sink;
    EXPECT_FALSE(teachers.ExportCSV(file));
    EXPECT_FALSE(parents.ExportCSV(file));
    const std::string said =
        "Error: Cannot write to file '" + file + "': No such file or directory\n";
    EXPECT_EQ(sink.GetText(), said + said);
}

// Re-exporting must not widen who may read the old file, nor turn a link into a plain file.
TEST_F(CsvExport, ReExportingKeepsTheFilesPermissionsAndLinks) {
    const fs::path target = dir / "teachers.csv";
    std::ofstream(target) << "old export\n";
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    const fs::path link = dir / "latest.csv";
    fs::create_symlink(target, link);
    Teacher teacher("Ms Jones");
    TeacherList teachers;
    teachers.Append(&teacher);

    UCStringError sink;
    ASSERT_TRUE(teachers.ExportCSV(link.string()));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadWholeFile(target), "Name,Initials,Location\n\"Ms Jones\",\"\",\"\"\n");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(FilesInDir(), 2u);
}

// A write that fails part-way (here: the file-size limit) must be reported, not announced as
// success, and must leave the previous export untouched.
TEST_F(CsvExport, AFailedWriteIsReportedAndKeepsTheOldFile) {
    const fs::path file = dir / "teachers.csv";
    std::ofstream(file) << "old export\n";
    Teacher teacher("Ms Jones");
    TeacherList teachers;
    teachers.Append(&teacher);

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{8, 8};
        setrlimit(RLIMIT_FSIZE, &limit);
        UCStringError sink;
        bool ok = teachers.ExportCSV(file.string());
        std::string text = sink.GetText();
        bool reported =
            text.rfind("Error: Cannot write to file '" + file.string() + "': ", 0) == 0 &&
            text.find("Exported successfully") == std::string::npos;
        _exit(!ok && reported ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadWholeFile(file), "old export\n");
    EXPECT_EQ(FilesInDir(), 1u);
}

// A file the user may not write is refused as opening it for writing would be, by every CSV
// export, and stays as it was: that its folder takes new files is not enough.
TEST(CsvExports, AFileTheUserMayNotWriteIsRefusedAndKept) {
    TempFolder folder{"qm-csv"};
    OpenToOrdinaryUser(folder.Path());
    auto event = std::make_shared<Event>();
    MultiDaySchedule schedule(event);
    auto teacher = std::make_unique<Teacher>("Ann Able");
    Teacher* ann = teacher.get();
    ASSERT_TRUE(schedule.AddTeacher(std::move(teacher)));
    auto parent = std::make_unique<Parent>("Pat Lee");
    parent->AddPupil(std::make_unique<Pupil>("Amy Lee"));
    parent->GetPupil(0)->AddRequest(ann, "", 1, 1);
    ASSERT_TRUE(schedule.AddParent(std::move(parent)));

    struct Export {
        std::string name;
        std::function<bool(const std::string& path)> write;
    };
    const Export exports[] = {
        {"teachers", [&](const std::string& path) { return event->GetTeachers().ExportCSV(path); }},
        {"parents", [&](const std::string& path) { return event->GetParents().ExportCSV(path); }},
        {"appointments", [&](const std::string& path) { return schedule.ExportCSV(path); }},
        {"requests",
         [&](const std::string& path) {
             return schedule.GetDay(0)->ExportRequestsCSV(path.c_str());
         }},
    };
    for (const Export& each : exports) {
        SCOPED_TRACE(each.name);
        const std::string path = folder.Write(each.name + ".csv", "old export\n");
        ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
        const int result = AsOrdinaryUser([&] {
            UCStringError sink;
            if (each.write(path)) {
                return 1;
            }
            const std::string said = sink.GetText();
            if (said != "Error: Cannot write to file '" + path + "': Permission denied\n") {
                std::fputs(said.c_str(), stderr);
                return 2;
            }
            return 0;
        });
        EXPECT_EQ(result, 0) << "1: written, 2: another message";
        EXPECT_EQ(ReadWholeFile(path), "old export\n");
    }
    EXPECT_EQ(folder.Names().size(), std::size(exports));
}

// Every export writes what an imported list brought in; none of it may run where the school opens
// the file. A spreadsheet reads each field back as the apostrophe and the text.
TEST(CsvExports, NoFieldOfAnyExportStartsAsAFormula) {
    TempFolder folder{"qm-csv"};
    auto event = std::make_shared<Event>();
    MultiDaySchedule schedule(event);
    auto teacher = std::make_unique<Teacher>("=HYPERLINK(\"http://x\",\"Ms Able\")");
    teacher->SetInitials("+AB");
    teacher->SetLocation("-Hall");
    Teacher* able = teacher.get();
    ASSERT_TRUE(schedule.AddTeacher(std::move(teacher)));
    auto parent = std::make_unique<Parent>("@SUM(1+1)");
    for (int line = 0; line < Parent::kAddressLines; ++line) {
        parent->SetAddress(line, "=cmd|' /C calc'!A" + std::to_string(line));
    }
    auto pupil = std::make_unique<Pupil>("-Amy Lee");
    pupil->SetForm("=7B");
    ASSERT_TRUE(pupil->AddRequest(able, "", 1, 1));
    parent->AddPupil(std::move(pupil));
    ASSERT_TRUE(schedule.AddParent(std::move(parent)));

    const struct {
        const char* name;
        std::function<bool(const std::string& path)> write;
        CsvRows rows;  // after the header, where there is one
    } exports[] = {
        {"teachers",
         [&](const std::string& path) { return event->GetTeachers().ExportCSV(path); },
         {{"'=HYPERLINK(\"http://x\",\"Ms Able\")", "'+AB", "'-Hall"}}},
        {"parents",
         [&](const std::string& path) { return event->GetParents().ExportCSV(path); },
         {{"'@SUM(1+1)", "'-Amy Lee", "'=7B"}}},
        {"appointments",
         [&](const std::string& path) { return schedule.ExportCSV(path); },
         {{"'@SUM(1+1)", "'=cmd|' /C calc'!A0", "'=cmd|' /C calc'!A1", "'=cmd|' /C calc'!A2",
           "'=cmd|' /C calc'!A3", "'=cmd|' /C calc'!A4", ""}}},
        {"requests",
         [&](const std::string& path) {
             return schedule.GetDay(0)->ExportRequestsCSV(path.c_str());
         },
         {{"'-Amy Lee", "'=HYPERLINK(\"http://x\",\"Ms Able\")", "Medium"}}},
    };
    for (const auto& each : exports) {
        SCOPED_TRACE(each.name);
        const std::string path = folder.File(std::string(each.name) + ".csv");
        UCStringError sink;
        ASSERT_TRUE(each.write(path)) << sink.GetText();
        CsvRows rows = ReadCsvWithPython(path);
        if (rows.size() > each.rows.size()) {
            rows.erase(rows.begin());
        }
        EXPECT_EQ(rows, each.rows);
    }
}
