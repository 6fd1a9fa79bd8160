// Files as spreadsheets, Python and school systems write them, and what an import of them must
// leave behind: exactly the people the file holds, in an event that saves and opens again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/event_file_reader.h"
#include "app/event_file_writer.h"
#include "foundation/tokeniser.h"
#include "import/csv_column_chooser.h"
#include "import/csv_import_run.h"
#include "import/text_import_runs.h"
#include "import/xml_import_run.h"
#include "import_fixture.h"
#include "model/importer_csv.h"

namespace {

// Writes rows with Python's csv module, as the office's own scripts and many exports do.
// Arguments: output path, encoding, line terminator (as a Python escape), then the rows, one
// argument each, their cells separated by '|'.
const char* const kWriteCSV = R"(import codecs, csv, sys
path, encoding, terminator = sys.argv[1], sys.argv[2], codecs.decode(sys.argv[3], 'unicode_escape')
rows = [codecs.decode(row, 'unicode_escape').split('|') for row in sys.argv[4:]]
with open(path, 'w', newline='', encoding=encoding) as out:
    csv.writer(out, lineterminator=terminator).writerows(rows)
)";

// Writes a school system's export with the standard library's XML writer.
const char* const kWriteXML = R"(import sys
import xml.etree.ElementTree as ET
root = ET.Element('SchoolExport')
pupils = ET.SubElement(root, 'Pupils')
for forename, surname, form, contact in (('Amy', 'Lee', '7A', 'Lee'), ('Ben', 'Cox', '7B', 'Cox'),
                                         ('Zo\u00eb', 'Hart', '8C', 'Hart')):
    pupil = ET.SubElement(pupils, 'Pupil')
    ET.SubElement(pupil, 'Forename').text = forename
    ET.SubElement(pupil, 'Surname').text = surname
    ET.SubElement(pupil, 'RegistrationGroup').text = form
    person = ET.SubElement(pupil, 'Contact')
    ET.SubElement(person, 'Title').text = 'Mx'
    ET.SubElement(person, 'Surname').text = contact
ET.ElementTree(root).write(sys.argv[1], encoding=sys.argv[2], xml_declaration=True)
)";

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

// One line per person of an event: everything an import sets and a save keeps, teachers and
// parents in name order, so an imported event and its saved copy compare as texts.
std::string DescribePeople(const MultiDaySchedule& days) {
    const Event& event = *days.GetEvent();
    const auto attendance = [&days](const Attendee& person) {
        std::string text;
        for (unsigned d = 0; d < days.GetDayCount(); ++d) {
            const Schedule* day = days.GetDay(d);
            text +=
                std::string(" day") + std::to_string(d) +
                (person.IsAttending(day) ? " in" : " out") +
                (person.ArrivesLate(day) ? " from " + person.GetStartTime(day).Format(Time24h)
                                         : "") +
                (person.LeavesEarly(day) ? " to " + person.GetEndTime(day).Format(Time24h) : "");
        }
        return text;
    };
    std::vector<std::string> lines;
    for (unsigned i = 0; i < event.GetTeachers().Count(); ++i) {
        const Teacher* teacher = event.GetTeachers().Get(i);
        std::string subjects;
        for (const std::string& subject : teacher->GetSubjects()) {
            subjects += "[" + subject + "]";
        }
        lines.push_back("teacher " + Quoted(teacher->GetName()) + " " +
                        Quoted(teacher->GetInitials()) + " " + Quoted(teacher->GetLocation()) +
                        " subjects " + subjects + " " + Quoted(teacher->GetEmail()) + " " +
                        Quoted(teacher->GetMeetingLink()) + attendance(*teacher));
    }
    for (unsigned i = 0; i < event.GetParents().Count(); ++i) {
        const Parent* parent = event.GetParents().Get(i);
        std::string line = "parent " + Quoted(parent->GetName()) + " key " +
                           Quoted(parent->GetUniqueIdOrName()) + " " + Quoted(parent->GetEmail());
        for (int a = 0; a < 5; ++a) {
            line += " " + Quoted(parent->GetAddress(a));
        }
        line += attendance(*parent);
        for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
            const Pupil* pupil = parent->GetPupil(k);
            line += " pupil " + Quoted(pupil->GetName()) + " " + Quoted(pupil->GetForm());
        }
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

class RealWorldFiles : public ImportTest {
protected:
    RealWorldFiles() { FreshEvent(); }

    // Two days, 10 and 11 March 2026, 18:00 to 22:00.
    void FreshEvent() {
        event = std::make_shared<Event>();
        schedule = std::make_unique<MultiDaySchedule>(event);
        EXPECT_TRUE(schedule->AppendNextDay());
        for (unsigned d = 0; d < schedule->GetDayCount(); ++d) {
            Day(d)->SetDate(Date(10 + static_cast<int>(d), 3, 2026));
        }
    }

    std::string Python(const char* script, const std::vector<std::string>& arguments) {
        const std::string scriptPath =
            temp.Write("make-" + std::to_string(++files) + ".py", script);
        const std::string output = temp.File("made-" + std::to_string(files));
        std::string command = std::string(QM_PYTHON) + " '" + scriptPath + "' '" + output + "'";
        for (const std::string& argument : arguments) {
            command += " '" + argument + "'";
        }
        EXPECT_EQ(0, std::system(command.c_str())) << command;
        return ReadWholeFile(output);
    }

    ImportOutcome ImportCSV(bool pupils, const std::string& definition,
                            const std::string& content) {
        ImporterCSV importer(pupils);
        importer.SetDefinition(definition);
        CSVImportRun run(importer);
        return Run(run, content);
    }

    // The event as a save writes it and an open reads it back; null (with why) when it will
    // not open.
    std::unique_ptr<MultiDaySchedule> SaveAndReopen(std::string& said) {
        UCStringError sink;
        const std::string text = EventFileWriter(*schedule).FormatEventFile();
        auto reopened = std::make_unique<MultiDaySchedule>(std::make_shared<Event>());
        Tokeniser tokens;
        tokens.SetText(text);
        EventFileReader reader(reopened.get(), &tokens);
        const bool read = !text.empty() && reader.Read();
        said = sink.GetText();
        return read ? std::move(reopened) : nullptr;
    }

    // What was imported opens again as it was.
    void ExpectReopensTheSame() {
        std::string said;
        auto reopened = SaveAndReopen(said);
        ASSERT_TRUE(reopened) << said;
        EXPECT_EQ(DescribePeople(*schedule), DescribePeople(*reopened));
    }

    std::string PupilNames() const {
        std::set<std::string> names;
        for (unsigned i = 0; i < ParentCount(); ++i) {
            for (unsigned k = 0; k < ParentAt(i)->GetPupilCount(); ++k) {
                names.insert(ParentAt(i)->GetPupil(k)->GetName() + "/" +
                             ParentAt(i)->GetPupil(k)->GetForm() + "/" +
                             ParentAt(i)->GetAddress(0));
            }
        }
        std::string text;
        for (const std::string& name : names) {
            text += name + ";";
        }
        return text;
    }
};

// Before, a quoted address cell with a line break cut its record in two: Amy lost her form and
// a pupil 'Little Town"' appeared; CR-only files came in as one record; UTF-16 names were full
// of NULs.
TEST_F(RealWorldFiles, CSVFromPythonImportsExactlyItsPupilsInEveryEncodingAndLineEnd) {
    const struct {
        const char* encoding;
        const char* terminator;
    } files[] = {
        {"utf-8", "\\r\\n"},     {"utf-8", "\\n"},     {"utf-8", "\\r"},
        {"utf-8-sig", "\\r\\n"}, {"cp1252", "\\r"},    {"utf-16", "\\r\\n"},
        {"utf-16", "\\r"},       {"utf-16-le", "\\n"}, {"utf-16-be", "\\r\\n"},
        {"utf-32", "\\r\\n"},    {"utf-32-le", "\\n"}, {"utf-32-be", "\\r"},
    };
    for (const auto& file : files) {
        const std::string terminator = file.terminator;
        SCOPED_TRACE(std::string(file.encoding) + " with " + terminator);
        FreshEvent();
        // Python's writer quotes a bare LF in a cell only when LF ends its lines.
        const std::string cellBreak = terminator == "\\r" ? "\\r\\n" : "\\n";
        const std::string content = Python(
            kWriteCSV, {file.encoding, terminator, "Forename|Surname|Form|Address",
                        "Amy|Lee|7A|1 High St" + cellBreak + "Little Town",
                        "Ben|O\"Neill|7B|2 Low Rd\\r\\nBig City", "Zo\\u00eb|Hart|8C|3 Mill Lane"});
        ASSERT_EQ(
            ImportOutcome::Finished,
            ImportCSV(true, "IgnoreFirstLine,Forename,Surname,Form / Tutor Group,Address Line 1",
                      content))
            << messages;
        EXPECT_EQ(
            "Amy Lee/7A/1 High St Little Town;Ben O\"Neill/7B/2 Low Rd Big City;"
            "Zo\xC3\xAB Hart/8C/3 Mill Lane;",
            PupilNames());
        EXPECT_EQ("", messages);

        // The column chooser shows the same records, and finds the header in the first.
        const std::string path = temp.Write("preview.csv", content);
        StdioFile input(path.c_str(), "rb");
        const CSVFilePreview preview = ReadCSVPreview(&input);
        EXPECT_EQ("Forename,Surname,Form,Address", preview.firstLine);
        EXPECT_EQ(
            "Forename,Surname,Form,Address\nAmy,Lee,7A,\"1 High St Little Town\"\n"
            "Ben,\"O\"\"Neill\",7B,\"2 Low Rd Big City\"\n",
            preview.text);
    }
}

TEST_F(RealWorldFiles, ACSVFileEndingInsideQuotesFailsNamingTheLine) {
    EXPECT_EQ(ImportOutcome::Failed, ImportCSV(true, "Full Name,Form / Tutor Group",
                                               "Amy Lee,7A\nBen Cox,\"7B\nCy Dee,8C\n"));
    EXPECT_NE(std::string::npos, messages.find("quoted field that begins on line 2")) << messages;
    EXPECT_EQ("Amy Lee/7A/;", PupilNames());
}

TEST_F(RealWorldFiles, WideTextIsDecodedWithOrWithoutAByteOrderMarkOrRefusedByName) {
    const struct {
        const char* name;
        std::string bytes;
        ImportOutcome outcome;
        const char* teachers;  // or the message
    } cases[] = {
        {"UTF-16 with its mark",
         std::string("\xFF\xFE"
                     "A\0n\0n\0\r\0\n\0B\0o\0b\0",
                     18),
         ImportOutcome::Finished, "Ann;Bob;"},
        {"UTF-16 big-endian without one", std::string("\0A\0n\0n\0\n\0B\0o\0b", 14),
         ImportOutcome::Finished, "Ann;Bob;"},
        {"UTF-32 without one", std::string("A\0\0\0n\0\0\0\n\0\0\0B\0\0\0", 16),
         ImportOutcome::Finished, "An;B;"},
        {"a surrogate pair",
         std::string("\xFF\xFE"
                     "=\xD8\x00\xDE",
                     6),
         ImportOutcome::Finished, "\xF0\x9F\x98\x80;"},
        {"UTF-16 cut within a character",
         std::string("\xFF\xFE"
                     "A\0n",
                     5),
         ImportOutcome::Failed, "The file is UTF-16 (little-endian) text that is damaged"},
        {"UTF-16 with a lone surrogate", std::string("\xFE\xFF\xDC\x00", 4), ImportOutcome::Failed,
         "The file is UTF-16 (big-endian) text that is damaged"},
        {"8-bit text with a stray NUL", std::string("Ann\0e\nBob\n", 10), ImportOutcome::Finished,
         "Anne;Bob;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FreshEvent();
        TextTeachersImportRun run;
        ASSERT_EQ(c.outcome, Run(run, c.bytes)) << messages;
        if (c.outcome == ImportOutcome::Failed) {
            EXPECT_NE(std::string::npos, messages.find(c.teachers)) << messages;
            EXPECT_EQ(0u, TeacherCount());
            continue;
        }
        std::string names;
        for (unsigned i = 0; i < TeacherCount(); ++i) {
            names += TeacherAt(i)->GetName() + ";";
        }
        EXPECT_EQ(c.teachers, names);
        ExpectReopensTheSame();
    }
}

// Before, an export cut between two pupils finished with half of them and no message.
TEST_F(RealWorldFiles, AnXMLExportCutAtAnyElementBoundaryFailsAndTheWholeOneImportsEveryPupil) {
    for (const char* encoding : {"utf-8", "utf-16"}) {
        SCOPED_TRACE(encoding);
        const std::string whole = Python(kWriteXML, {encoding});
        FreshEvent();
        XMLPupilsImportRun run;
        ASSERT_EQ(ImportOutcome::Finished, Run(run, whole)) << messages;
        EXPECT_EQ("Amy Lee/7A/;Ben Cox/7B/;Zo\xC3\xAB Hart/8C/;", PupilNames());
        EXPECT_NE(nullptr, ParentNamed("Mx Lee"));
        ExpectReopensTheSame();
    }
    const std::string whole = Python(kWriteXML, {"utf-8"});
    const size_t rootEnd = whole.rfind("</SchoolExport>");
    ASSERT_NE(std::string::npos, rootEnd);
    for (size_t cut = 0; cut <= rootEnd; ++cut) {
        if (cut > 0 && whole[cut] != '<' && whole[cut - 1] != '>') {
            continue;
        }
        SCOPED_TRACE("cut after " + std::to_string(cut) + " bytes");
        FreshEvent();
        XMLPupilsImportRun run;
        EXPECT_EQ(ImportOutcome::Failed, Run(run, whole.substr(0, cut)));
        EXPECT_NE("", messages);
    }
}

// Before, these imported, saved, and the saved file would not open: a departure at the very
// start of the day left a record that starts and ends at once. A day not attended has no hours
// to miss: such times once stopped the whole import. A time on the day's edge is the person's
// own, and reopens so.
TEST_F(RealWorldFiles, AttendanceTheDayCannotHoldStopsTheImportUnlessTheDayIsNotAttended) {
    const struct {
        const char* name;
        const char* times;    // arrival,departure[,attending]
        const char* outcome;  // what the parent's first day becomes, or the refusal
    } cases[] = {
        {"leaves as the day starts", "3:00pm,4:00pm", "(3:00pm to 4:00pm) leave no time"},
        {"arrives as the day ends", "7:30pm,", "(7:30pm to 7:30pm) leave no time"},
        {"arrives after the day", "9:00pm,", "(9:00pm to 7:30pm) leave no time"},
        {"leaves before the day", ",2:00pm", "(4:00pm to 2:00pm) leave no time"},
        {"arrives after leaving", "6:00pm,5:00pm", "(6:00pm to 5:00pm) leave no time"},
        {"there before and after", "3:00pm,9:00pm", " day0 in"},
        {"arrives at the start", "4:00pm,6:00pm", " day0 in from 16:00 to 18:00"},
        {"leaves at the end", ",7:30pm", " day0 in to 19:30"},
        {"a short visit", "5:00pm,5:05pm", " day0 in from 17:00 to 17:05"},
        {"not coming, with times before the day", "3:00pm,4:00pm,N", " day0 out"},
        {"not coming, arriving after the day", "9:00pm,,n", " day0 out"},
        {"not coming, within the day", "5:00pm,6:00pm,N", " day0 out from 17:00 to 18:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FreshEvent();
        Day(0)->SetStartTime(TimeOfDay(16, 0, 0));
        Day(0)->SetEndTime(TimeOfDay(19, 30, 0));
        const ImportOutcome outcome = ImportCSV(
            true, "IgnoreFirstLine,Full Name,Arrival Time,Departure Time,Is Attending (Y/N)",
            "Name,Arrives,Leaves\nBen Cox,,\nAmy Lee," + std::string(c.times) + "\n");
        const std::string expected = c.outcome;
        if (expected[0] == '(') {
            EXPECT_EQ(ImportOutcome::Failed, outcome);
            EXPECT_EQ("Error: The times of 'Amy Lee' on 10 Mar 2026 " + expected +
                          " within the day's hours (4:00pm to 7:30pm), so line 3 of the file "
                          "cannot be imported\n",
                      messages);
            EXPECT_EQ(1u, ParentCount()) << "the lines before stay in the preview";
        } else {
            ASSERT_EQ(ImportOutcome::Finished, outcome) << messages;
            EXPECT_EQ("", messages);
            const std::string people = DescribePeople(*schedule);
            EXPECT_NE(std::string::npos,
                      people.find("'Parents of Amy Lee' key 'Parents of Amy Lee' ''" +
                                  std::string(" '' '' '' '' ''") + expected + " day1 in pupil"))
                << people;
        }
        ExpectReopensTheSame();
    }
}

// Before, the writer cut a name at its first NUL, so these two saved as one name twice.
TEST_F(RealWorldFiles, ControlBytesInAFileNeverReachTheEvent) {
    const char csv[] = "Ann\0 Lee,Room\x01 4\nAnn\0 Ray,\x1B[1mLab\n";
    ASSERT_EQ(ImportOutcome::Finished,
              ImportCSV(false, "Full Name,Location", std::string(csv, sizeof csv - 1)))
        << messages;
    ASSERT_EQ(2u, TeacherCount());
    EXPECT_EQ("Ann Lee", TeacherAt(0)->GetName());
    EXPECT_EQ("Room 4", TeacherAt(0)->GetLocation());
    EXPECT_EQ("Ann Ray", TeacherAt(1)->GetName());
    EXPECT_EQ("[1mLab", TeacherAt(1)->GetLocation());
    ExpectReopensTheSame();

    XMLPupilsImportRun xml;
    ASSERT_EQ(ImportOutcome::Finished,
              Run(xml,
                  "<Pupil><Forename>Cy&#7;</Forename><Surname>De&#x1F;e</Surname>"
                  "<RegistrationGroup>7&#10;A</RegistrationGroup></Pupil>"))
        << messages;
    EXPECT_EQ("Cy Dee/7 A/;", PupilNames());
    ExpectReopensTheSame();
}

// Before, a line of control bytes passed the test for an empty line and became a person named
// "", whose family "Parents of " reopened as "Parents of".
TEST_F(RealWorldFiles, ALineOfControlBytesIsNoPerson) {
    const std::string lines = "Ann Lee\n\x01\x02\x03\n \x7F\t\x1B \nBen Hill\n";
    struct Case {
        const char* what;
        std::function<ImportOutcome()> import;
        std::function<std::string()> names;
        const char* expected;
    };
    TextTeachersImportRun teachers;
    TextPupilsImportRun pupils;
    const Case cases[] = {
        {"text-list teachers", [&] { return Run(teachers, lines); },
         [&] { return TeacherAt(0)->GetName() + "/" + TeacherAt(1)->GetName(); }, "Ann Lee/Ben Hill"},
        {"text-list pupils", [&] { return Run(pupils, lines); }, [&] { return PupilNames(); },
         "Ann Lee//;Ben Hill//;"},
        {"CSV teachers",
         [&] { return ImportCSV(false, "Full Name", lines); },
         [&] { return TeacherAt(0)->GetName() + "/" + TeacherAt(1)->GetName(); }, "Ann Lee/Ben Hill"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FreshEvent();
        messages.clear();
        ASSERT_EQ(ImportOutcome::Finished, c.import()) << messages;
        EXPECT_EQ(TeacherCount() + ParentCount(), 2u);
        EXPECT_EQ(c.names(), c.expected);
        ExpectReopensTheSame();
    }
}

// Before, text-list teachers had no subject until the file was reopened.
TEST_F(RealWorldFiles, EveryImportMakesWhatTheSavedFileOpensWith) {
    TextTeachersImportRun teachers;
    ASSERT_EQ(ImportOutcome::Finished, Run(teachers, "  Ann Lee \nBob Hay\n")) << messages;
    EXPECT_EQ((std::set<std::string>{""}), TeacherAt(0)->GetSubjects());
    TextPupilsImportRun pupils;
    ASSERT_EQ(ImportOutcome::Finished, Run(pupils, "Cy Dee\n")) << messages;
    ASSERT_EQ(ImportOutcome::Finished,
              ImportCSV(false,
                        "Full Name,Initials,Location,Subject,Email Address (primary),"
                        "Meeting Link,Arrival Time,Departure Time,Is Attending (Y/N)",
                        "Dan Eve,DE,Lab 2,Physics,dan@school.example,https://meet.example/de,"
                        "6:00pm,8:00pm,y\n"))
        << messages;
    ASSERT_EQ(ImportOutcome::Finished,
              ImportCSV(true,
                        "Forename,Surname,Form / Tutor Group,Parent's Name,Address Line 1,"
                        "Address Line 2,Email Address (primary),Is Attending (Y/N),"
                        "Is Attending (Y/N)",
                        "Eve,Fox,9B,Mr and Mrs Fox,4 Elm Row,Leeds,fox@home.example,y,n\n"))
        << messages;
    ExpectReopensTheSame();
}

}  // namespace
