#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/time_of_day.h"
#include "import/csv_import_run.h"
#include "import/imported_people.h"
#include "import/pt_csv_importer.h"
#include "import_fixture.h"

namespace {

class CSVImport : public ImportTest {
protected:
    ImportOutcome Import(bool pupils, const std::string& definition, const std::string& content,
                         const UserSettings* settings = nullptr) {
        ImporterCSV importer(pupils);
        importer.SetDefinition(definition);
        CSVImportRun run(importer);
        return Run(run, content, settings);
    }

    // As the window and qm_csvimport import: into a preview with the event's days, then moved
    // across.
    MovedPeople ImportThroughPreview(const std::string& definition, const std::string& list) {
        auto previewEvent = std::make_shared<Event>();
        std::unique_ptr<MultiDaySchedule> preview = schedule->CreateLike(previewEvent);
        ImporterCSV importer(true);
        importer.SetDefinition(definition);
        CSVImportRun run(importer);
        StdioFile file(temp.Write("list.csv", list).c_str(), "rb");
        run.SetTarget(preview.get());
        run.SetInput(&file);
        EXPECT_EQ(ImportOutcome::Finished, RunImport(run));
        return MoveImportedPeople(*previewEvent, *schedule, PeopleImport::Pupils);
    }

    // A family the event holds before the import; without an id it is known by its name.
    void Hold(const std::string& name, const std::string& address, const std::string& id,
              bool withAmy) {
        auto parent = std::make_unique<Parent>(name);
        parent->SetAddress(0, address);
        if (!id.empty()) {
            parent->SetUniqueId(id);
        }
        if (withAmy) {
            parent->AddPupil(std::make_unique<Pupil>("Amy Smith"));
        }
        ASSERT_TRUE(schedule->AddParent(std::move(parent)));
    }

    // Each family as head(parent) + ":" and its children's names, in list order.
    std::vector<std::string> Families(const std::function<std::string(const Parent&)>& head) {
        std::vector<std::string> families;
        for (unsigned p = 0; p < ParentCount(); ++p) {
            const Parent* parent = ParentAt(p);
            std::string family = head(*parent) + ":";
            for (unsigned i = 0; i < parent->GetPupilCount(); ++i) {
                family += " " + parent->GetPupil(i)->GetName();
            }
            families.push_back(family);
        }
        return families;
    }
    std::vector<std::string> SortedFamilies(const std::function<std::string(const Parent&)>& head) {
        std::vector<std::string> families = Families(head);
        std::sort(families.begin(), families.end());
        return families;
    }

    // "Mr Lee: Sam Lee 7A, Sam Lee 10B" for each family, in list order.
    std::vector<std::string> FamiliesWithForms() {
        std::vector<std::string> families;
        for (unsigned p = 0; p < ParentCount(); ++p) {
            std::string family = ParentAt(p)->GetName() + ":";
            for (unsigned i = 0; i < ParentAt(p)->GetPupilCount(); ++i) {
                const Pupil* pupil = ParentAt(p)->GetPupil(i);
                family += (i == 0 ? " " : ", ") + pupil->GetName() + " " + pupil->GetForm();
            }
            families.push_back(family);
        }
        return families;
    }
};

TEST_F(CSVImport, TeacherColumnsMakeTheNamesAndFieldsTheyDescribe) {
    struct Case {
        const char* name;
        const char* definition;
        const char* line;
        const char* expected;
    } cases[] = {
        {"surname then forename", "Surname,Forename", "Smith, John", "John Smith"},
        {"forename then surname", "Forename,Surname", "John,Smith", "John Smith"},
        {"surname first", "Full Name (surname first)", "Smith John Paul", "John Smith"},
        {"surname first, one word", "Full Name (surname first)", "Smith", "Smith"},
        {"title in front", "Title / Salutation,Full Name", "Mr,Smith", "Mr Smith"},
        {"title after the name", "Surname,Title / Salutation", "Jones,Mrs", "Mrs Jones"},
        {"quoted name with a comma", "Full Name,Initials", "\"Smith, John\",JS", "Smith, John"},
        {"doubled quote", "Full Name", "\"O\"\"Brien\"", "O\"Brien"},
        {"columns past the mapping", "Full Name", "Ann Lee,extra,more", "Ann Lee"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        event = std::make_shared<Event>();
        schedule = std::make_unique<MultiDaySchedule>(event);
        ASSERT_EQ(ImportOutcome::Finished, Import(false, c.definition, c.line)) << messages;
        ASSERT_EQ(1u, TeacherCount());
        EXPECT_EQ(c.expected, TeacherAt(0)->GetName());
    }
}

TEST_F(CSVImport, TeacherLineFillsEveryTeacherColumn) {
    ASSERT_EQ(ImportOutcome::Finished,
              Import(false,
                     "Full Name,Initials,Location,Subject,Subject,Email Address (primary),"
                     "Email Address (alternate),Meeting Link,Unique Identifier",
                     "Ann Lee , AL ,Room 4,Maths,Physics, ann@school.example ,"
                     "a.lee@home.example,https://meet.example/al,T-17\n"
                     "Bob Hay,BH\n"));
    ASSERT_EQ(2u, TeacherCount());
    Teacher* ann = TeacherAt(0);
    EXPECT_EQ("Ann Lee", ann->GetName());
    EXPECT_EQ("AL", ann->GetInitials());
    EXPECT_EQ("Room 4", ann->GetLocation());
    EXPECT_EQ((std::set<std::string>{"Maths", "Physics"}), ann->GetSubjects());
    EXPECT_EQ("ann@school.example", ann->GetEmail());
    EXPECT_EQ("a.lee@home.example", ann->GetEmailAlt());
    EXPECT_EQ("https://meet.example/al", ann->GetMeetingLink());
    EXPECT_EQ("T-17", ann->GetUniqueId());
    EXPECT_EQ((std::set<std::string>{""}), TeacherAt(1)->GetSubjects())
        << "a teacher without a subject column gets one empty subject";
    EXPECT_EQ(2u, Day(1)->GetGrid().GetRowCount()) << "imported teachers get a row on every day";
}

// Each day the event has takes its own attendance columns, in their order; a time the day
// cannot hold, or a column for a day the event lacks, is named on the line it came from.
TEST_F(CSVImport, AttendanceColumnsSetEveryDayAndNameWhatIsNotKept) {
    struct Case {
        const char* what;
        const char* definition;
        const char* line;
        const char* days;                   // each day: "start-end", or "absent"
        std::vector<std::string> messages;  // fragments of the Warnings, in order
        size_t warnings = 0;
    };
    const char* const three =
        "Full Name,Is Attending (Y/N),Is Attending (Y/N),Is Attending (Y/N),Departure Time,"
        "Departure Time,Departure Time";
    const Case cases[] = {
        {"a column each day",
         "Full Name,Arrival Time,Arrival Time,Arrival Time,Departure Time,"
         "Is Attending (Y/N),Is Attending (Y/N),Is Attending (Y/N)",
         "Ann Lee,19:00,18:30,20:00,21:00,y,No,y",
         "19:00-21:00 absent 20:00-22:00",
         {}},
        {"third day absent", three, "Cy Dale,y,y,n,,,8pm", "18:00-22:00 18:00-22:00 absent", {}},
        {"third day leaves early",
         three,
         "Di Eng,,,,,,8pm",
         "18:00-22:00 18:00-22:00 18:00-20:00",
         {}},
        {"evening arrival without am or pm",
         "Full Name,Arrival Time,Arrival Time,Arrival Time",
         "Ed Fry,7:00,07:00:00,6:45",
         "19:00-22:00 19:00-22:00 18:45-22:00",
         {}},
        {"evening departure without am or pm",
         "Full Name,Departure Time,Departure Time",
         "Flo Gee,9:30,08:00:00",
         "18:00-21:30 18:00-20:00 18:00-22:00",
         {}},
        {"times that say what they mean, outside the day",
         "Full Name,Arrival Time,Arrival Time,Departure Time,Departure Time",
         "Cat Ing,7:00am,17:00,23:00,11:30pm",
         "18:00-22:00 18:00-22:00 18:00-22:00",
         {}},
        {"times without am or pm the day holds neither way",
         "Full Name,Arrival Time,Departure Time,Arrival Time,Is Attending (Y/N),"
         "Is Attending (Y/N)",
         "Bob Hay,11:00,10:30,11:15,y,n",
         "18:00-22:00 absent 18:00-22:00",
         {"The arrival time '11:00' of 'Bob Hay' on line 1 of the file lies outside the hours of",
          "(6:00pm to 10:00pm), so the day's own is kept",
          "The departure time '10:30' of 'Bob Hay' on line 1 of the file lies outside the hours"},
         2},
        {"unreadable",
         "Full Name,Arrival Time",
         "Gus Hale,soon",
         "18:00-22:00 18:00-22:00 18:00-22:00",
         {"The arrival time 'soon' of 'Gus Hale' on line 1 of the file is not understood, so the "
          "day's own is kept"},
         1},
        {"a day the event lacks",
         "Full Name,Arrival Time,Arrival Time,Arrival Time,Arrival Time,Is Attending (Y/N),"
         "Is Attending (Y/N),Is Attending (Y/N),Is Attending (Y/N)",
         "Hal Ives,,,,7pm,y,y,y,n",
         "18:00-22:00 18:00-22:00 18:00-22:00",
         {"The arrival time '7pm' of 'Hal Ives' on line 1 of the file is for day 4, and the event "
          "has 3, so it is not kept",
          "The attendance 'n' of 'Hal Ives' on line 1 of the file is for day 4, and the event has "
          "3, so it is not kept"},
         2},
        {"attendance as a spreadsheet's check boxes write it",
         "Full Name,Is Attending (Y/N),Is Attending (Y/N),Is Attending (Y/N)",
         "Ivy Jay,TRUE,FALSE,0",
         "18:00-22:00 absent absent",
         {}},
        {"attendance not understood",
         "Full Name,Is Attending (Y/N),Is Attending (Y/N),Is Attending (Y/N)",
         "Jo Kay,yes,maybe,",
         "18:00-22:00 18:00-22:00 18:00-22:00",
         {"The attendance 'maybe' of 'Jo Kay' on line 1 of the file is not understood, so the "
          "day's own is kept"},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        event = std::make_shared<Event>();
        schedule = std::make_unique<MultiDaySchedule>(event);
        ASSERT_TRUE(schedule->AppendNextDay());
        ASSERT_TRUE(schedule->AppendNextDay());
        EXPECT_EQ(ImportOutcome::Finished, Import(false, c.definition, c.line)) << messages;
        EXPECT_EQ(1u, TeacherCount());
        if (TeacherCount() != 1) {
            continue;
        }
        std::string days;
        for (unsigned d = 0; d < 3; ++d) {
            const Teacher* teacher = TeacherAt(0);
            days += d == 0 ? "" : " ";
            days += !teacher->IsAttending(Day(d))
                        ? std::string("absent")
                        : teacher->GetStartTime(Day(d)).Format(Time24h) + "-" +
                              teacher->GetEndTime(Day(d)).Format(Time24h);
        }
        EXPECT_EQ(c.days, days);
        size_t at = 0;
        for (const std::string& fragment : c.messages) {
            const size_t found = messages.find(fragment, at);
            EXPECT_NE(std::string::npos, found) << fragment << "\nin\n" << messages;
            if (found == std::string::npos) {
                break;
            }
            at = found + fragment.size();
        }
        size_t warnings = 0;
        for (size_t i = messages.find("Warning: "); i != std::string::npos;
             i = messages.find("Warning: ", i + 1)) {
            ++warnings;
        }
        EXPECT_EQ(c.warnings, warnings) << messages;
    }
}

TEST_F(CSVImport, TimesAreReadAsSpreadsheetsWriteThemAndTheRestAreNamed) {
    const struct {
        const char* text;
        const char* read;  // empty when not understood
    } times[] = {
        {"18:00", "18:00"},      {"6:30pm", "18:30"}, {"6pm", "18:00"},   {"6 PM", "18:00"},
        {"6 p.m.", "18:00"},     {"12am", "00:00"},   {"12 pm", "12:00"}, {"18:00:00", "18:00"},
        {"6:15:59 PM", "18:15"}, {"07.45", "07:45"},  {"6", ""},          {"18:00:75", ""},
        {"6 o'clock", ""},       {"13pm", ""},        {"25:00", ""},      {"", ""},
    };
    for (const auto& t : times) {
        SCOPED_TRACE(t.text);
        TimeOfDay time;
        time.Set(1, 2);
        EXPECT_EQ(*t.read != '\0', ReadImportedTime(t.text, time));
        EXPECT_EQ(*t.read != '\0' ? t.read : "01:02", time.Format(Time24h));
    }
    // An office's departure times: understood ones kept, the others named with the person and
    // the line, and the rest of the line still imported.
    ASSERT_EQ(ImportOutcome::Finished,
              Import(false, "Full Name,Location,Arrival Time,Departure Time",
                     "Ann Lee,Lab 1,7pm,8:30:00 PM\nBob Hay,Lab 2,about 7,20:00\n"));
    ASSERT_EQ(2u, TeacherCount());
    EXPECT_EQ("19:00", TeacherAt(0)->GetStartTime(Day(0)).Format(Time24h));
    EXPECT_EQ("20:30", TeacherAt(0)->GetEndTime(Day(0)).Format(Time24h));
    EXPECT_TRUE(TeacherAt(0)->LeavesEarly(Day(0)));
    EXPECT_EQ("Lab 2", TeacherAt(1)->GetLocation());
    EXPECT_FALSE(TeacherAt(1)->ArrivesLate(Day(0)));
    EXPECT_EQ("20:00", TeacherAt(1)->GetEndTime(Day(0)).Format(Time24h));
    EXPECT_EQ(
        "Warning: The arrival time 'about 7' of 'Bob Hay' on line 2 of the file is not "
        "understood, so the day's own is kept\n",
        messages);
}

TEST_F(CSVImport, AnArrivalReadAsTheEveningOfADayThatStartsInTheMorningIsNamed) {
    struct Case {
        const char* what;
        int startHour;  // the day runs from here to 8pm
        const char* columns;
        const char* times;
        const char* expected;  // the day's hours for the teacher
        const char* message;   // empty: nothing said
    };
    const Case cases[] = {
        {"an arrival before a morning start", 8, "Arrival Time", "7:30", "19:30-20:00",
         "Warning: The arrival time '7:30' of 'Ann Lee' on line 1 of the file is read as "
         "7:30pm"},
        {"a departure before a morning start", 8, "Departure Time", "7:30", "08:00-19:30", ""},
        {"an arrival that says pm", 8, "Arrival Time", "7:30pm", "19:30-20:00", ""},
        {"an arrival within the day", 8, "Arrival Time", "10:00", "10:00-20:00", ""},
        {"an arrival in an evening's day", 18, "Arrival Time", "7:30", "19:30-20:00", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        event = std::make_shared<Event>();
        schedule = std::make_unique<MultiDaySchedule>(event);
        TimeOfDay start;
        start.Set(c.startHour, 0);
        TimeOfDay end;
        end.Set(20, 0);
        Day(0)->SetStartTime(start);
        Day(0)->SetEndTime(end);
        ASSERT_EQ(ImportOutcome::Finished, Import(false, std::string("Full Name,") + c.columns,
                                                  std::string("Ann Lee,") + c.times + "\n"))
            << messages;
        ASSERT_EQ(1u, TeacherCount());
        EXPECT_EQ(c.expected, TeacherAt(0)->GetStartTime(Day(0)).Format(Time24h) + "-" +
                                  TeacherAt(0)->GetEndTime(Day(0)).Format(Time24h));
        if (*c.message == '\0') {
            EXPECT_EQ("", messages);
        } else {
            EXPECT_EQ(0u, messages.find(c.message)) << messages;
        }
    }
}

TEST_F(CSVImport, IgnoredHeaderIsTheFirstLineEvenWhenEmpty) {
    ASSERT_EQ(ImportOutcome::Finished,
              Import(false, "IgnoreFirstLine,Full Name", "\nAnn Lee\nBob Hay\n"));
    ASSERT_EQ(2u, TeacherCount());
    EXPECT_EQ("Ann Lee", TeacherAt(0)->GetName());
}

TEST_F(CSVImport, EachRunOfASavedImportSkipsItsOwnHeader) {
    ImporterCSV saved(false);
    saved.SetDefinition("IgnoreFirstLine,Full Name");
    CSVImportRun first(saved);
    ASSERT_EQ(ImportOutcome::Finished, Run(first, "Name\nAnn Lee\n"));
    CSVImportRun second(saved);
    ASSERT_EQ(ImportOutcome::Finished, Run(second, "Name\nBob Hay\n")) << messages;
    ASSERT_EQ(2u, TeacherCount());
    EXPECT_EQ(nullptr, event->GetTeachers().FindByNameOrInitials("Name"));
    EXPECT_EQ(2u, second.GetLinesRead());
}

TEST_F(CSVImport, EveryCSVRunFailsAStepWithoutAFileAndReadsNothing) {
    ImporterCSV teachers(false);
    teachers.SetDefinition("Full Name");
    CSVImportRun people(teachers);
    ImporterPTCSVMapping mapping;
    mapping.Parse("Pupil's Full Name,Teacher's Full Name");
    ImporterPTCSV requests(mapping, ImporterPTCSV::RequestList);
    for (CSVLineRun* run : std::initializer_list<CSVLineRun*>{&people, &requests}) {
        run->SetTarget(schedule.get());
        bool more = true;
        EXPECT_FALSE(run->Import(more));
        EXPECT_FALSE(more);
        EXPECT_EQ(0u, run->GetLinesRead());
    }
}

TEST_F(CSVImport, ClashingInitialsStopTheRunAndKeepEarlierLines) {
    ASSERT_EQ(ImportOutcome::Failed,
              Import(false, "Full Name,Initials", "Ann Lee,AL\nAl Lane,al\nBob Hay,BH\n"));
    EXPECT_EQ("Error: Teacher initials 'al' have already been used for a different teacher\n",
              messages);
    ASSERT_EQ(1u, TeacherCount());
    EXPECT_EQ("Ann Lee", TeacherAt(0)->GetName());
}

TEST_F(CSVImport, PupilLinesFillThePupilAndItsParent) {
    ASSERT_EQ(ImportOutcome::Finished,
              Import(true,
                     "Forename,Surname,Form / Tutor Group,House,Pupil's Email Address,"
                     "Parent's Name,Email Address (primary),Address Line 1,Address Line 5,"
                     "Unique Identifier,Arrival Time",
                     "Amy,Lee,7B,Red,amy@pupils.example,Mrs Lee,lee@home.example,1 High St,"
                     "AB1 2CD,P-9,19:30\n"));
    Parent* parent = ParentNamed("Mrs Lee");
    ASSERT_NE(nullptr, parent);
    EXPECT_EQ("lee@home.example", parent->GetEmail());
    EXPECT_EQ("1 High St", parent->GetAddress(0));
    EXPECT_EQ("AB1 2CD", parent->GetAddress(4));
    EXPECT_EQ("P-9", parent->GetUniqueId());
    EXPECT_TRUE(parent->ArrivesLate(Day(0)));
    ASSERT_EQ(1u, parent->GetPupilCount());
    Pupil* amy = parent->GetPupil(0);
    EXPECT_EQ("Amy Lee", amy->GetName());
    EXPECT_EQ("7B", amy->GetForm());
    EXPECT_EQ("Red", amy->GetHouse());
    EXPECT_EQ("amy@pupils.example", amy->GetEmail());
    EXPECT_EQ(parent, amy->GetParent());
}

TEST_F(CSVImport, ParentsAreSharedBySiblingsAndToldApartByAddress) {
    ASSERT_EQ(ImportOutcome::Finished,
              Import(true, "Full Name,Parent's Name,Address Line 1,Unique Identifier",
                     "Amy Lee,,,\n"
                     "Ben Cox,Mr Cox,1 High St,\n"
                     "Cat Cox,Mr Cox,1 High St,\n"
                     "Dan Cox,Mr Cox,9 Low Rd,\n"
                     "Eve Cox,Mr Cox,9 Low Rd,\n"
                     "Fay Day,Mrs Day,2 Elm Rd,F1\n"
                     "Gus Day,Ms Day,2 Elm Rd,F1\n"))
        << messages;
    ASSERT_NE(nullptr, ParentNamed("Parents of Amy Lee"));
    ASSERT_NE(nullptr, ParentNamed("Mr Cox"));
    EXPECT_EQ(2u, ParentNamed("Mr Cox")->GetPupilCount());
    Parent* other = ParentNamed("Mr Cox (9 Low Rd)");
    ASSERT_NE(nullptr, other);
    EXPECT_EQ(2u, other->GetPupilCount()) << "a third child at the second address joins it";
    Parent* day = ParentNamed("Mrs Day");
    ASSERT_NE(nullptr, day);
    EXPECT_EQ(2u, day->GetPupilCount()) << "a shared unique identifier joins different names";
    EXPECT_EQ(4u, ParentCount());
}

// A family told apart by its address keeps that name in the event; a later list finds it by
// its address whatever became of the namesake it was told apart from, straight into the event
// or through the window's preview, so no child is split from its brother or put in twice.
TEST_F(CSVImport, AFamilyToldApartByAddressIsFoundAgainWhenItsNamesakeIsGone) {
    const char* const definition = "Full Name,Parent's Name,Address Line 1";
    struct Case {
        const char* name;
        std::function<void(Parent& namesake)> change;
    };
    const Case cases[] = {
        {"the namesake deleted",
         [this](Parent& namesake) { ASSERT_TRUE(schedule->DeleteParent(&namesake)); }},
        {"the namesake renamed", [](Parent& namesake) { namesake.SetName("Mrs Cox"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        event = std::make_shared<Event>();
        schedule = std::make_unique<MultiDaySchedule>(event);
        ASSERT_EQ(ImportOutcome::Finished,
                  Import(true, definition, "Ben Cox,Mr Cox,1 High St\nDan Cox,Mr Cox,9 Low Rd\n"))
            << messages;
        ASSERT_NE(nullptr, ParentNamed("Mr Cox (9 Low Rd)"));
        c.change(*ParentNamed("Mr Cox"));

        // Dan's new sister, and Dan again.
        const std::string list = "Eve Cox,Mr Cox,9 Low Rd\nDan Cox,Mr Cox,9 Low Rd\n";
        UCStringError sink;
        (void)ImportThroughPreview(definition, list);
        std::vector<std::string> atLowRoad;
        for (const std::string& family : Families([](const Parent& parent) {
                 return parent.GetAddress(0) == "9 Low Rd" ? parent.GetName() : std::string();
             })) {
            if (family[0] != ':') {
                atLowRoad.push_back(family);
            }
        }
        EXPECT_EQ((std::vector<std::string>{"Mr Cox (9 Low Rd): Dan Cox Eve Cox"}), atLowRoad);
    }
}

// A family the event holds is found however the road has named it: a list with a namesake
// listed first makes the preview tell this family apart by its address, and the event may hold
// it under either name. Nobody is added twice.
TEST_F(CSVImport, AFamilyTheEventHoldsIsFoundWhenTheListNamesANamesakeFirst) {
    const char* const definition = "Full Name,Parent's Name,Address Line 1";
    const std::string list =
        "Cal Smith,Mr and Mrs Smith,5 Low Rd\n"
        "Amy Smith,Mr and Mrs Smith,1 High St\n"
        "Tom Smith,Mr and Mrs Smith,1 High St\n";
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, const char*>> held;  // name, first address line
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"held by the plain name",
         {{"Mr and Mrs Smith", "1 High St"}},
         {"Mr and Mrs Smith (5 Low Rd) @5 Low Rd: Cal Smith",
          "Mr and Mrs Smith @1 High St: Amy Smith Tom Smith"}},
        {"held by the longer name",
         {{"Mr and Mrs Smith", "9 Elm Rd"}, {"Mr and Mrs Smith (1 High St)", "1 High St"}},
         {"Mr and Mrs Smith (1 High St) @1 High St: Amy Smith Tom Smith",
          "Mr and Mrs Smith (5 Low Rd) @5 Low Rd: Cal Smith", "Mr and Mrs Smith @9 Elm Rd:"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        event = std::make_shared<Event>();
        schedule = std::make_unique<MultiDaySchedule>(event);
        for (const auto& [name, address] : c.held) {
            Hold(name, address, "", std::string(address) == "1 High St");
        }
        UCStringError sink;
        const MovedPeople moved = ImportThroughPreview(definition, list);
        EXPECT_EQ(2, moved.added);
        EXPECT_EQ(1, moved.refused) << "Amy is the event's already";
        EXPECT_EQ(c.expected, SortedFamilies([](const Parent& parent) {
                      return parent.GetName() + " @" + parent.GetAddress(0);
                  }));
    }
}

TEST_F(CSVImport, AFamilyIsFoundWhenOnlyTheEventOrOnlyTheListNumbersItOrGivesItsAddress) {
    struct Held {
        const char* name;
        const char* address;
        const char* id;  // empty: known by its name, as a saved event reads it
    };
    struct Case {
        const char* what;
        std::vector<Held> held;  // the first holds Amy Smith
        const char* definition;
        const char* list;
        int added;
        int refused;
        std::vector<std::string> expected;  // "Name [id] @address: children"
    };
    const Case cases[] = {
        {"numbered in the event, the list without numbers",
         {{"Mr and Mrs Smith", "1 High St", "S100"}},
         "Full Name,Parent's Name,Address Line 1",
         "Amy Smith,Mr and Mrs Smith,1 High St\nTom Smith,Mr and Mrs Smith,1 High St\n",
         1,
         1,
         {"Mr and Mrs Smith [S100] @1 High St: Amy Smith Tom Smith"}},
        {"known by name in the event, the list numbers it",
         {{"Mr and Mrs Smith", "1 High St", ""}},
         "Full Name,Parent's Name,Address Line 1,Unique Identifier",
         "Amy Smith,Mr and Mrs Smith,1 High St,S100\nTom Smith,Mr and Mrs Smith,1 High St,S100\n",
         1,
         1,
         {"Mr and Mrs Smith [Mr and Mrs Smith] @1 High St: Amy Smith Tom Smith"}},
        {"numbered namesakes elsewhere, the list without numbers",
         {{"Mr and Mrs Smith", "1 High St", "S100"}, {"Mr and Mrs Smith", "5 Low Rd", "S200"}},
         "Full Name,Parent's Name,Address Line 1",
         "Cal Smith,Mr and Mrs Smith,5 Low Rd\n",
         1,
         0,
         {"Mr and Mrs Smith [S100] @1 High St: Amy Smith",
          "Mr and Mrs Smith [S200] @5 Low Rd: Cal Smith"}},
        {"two numbers the school gave are two families",
         {{"Mr and Mrs Smith", "1 High St", "S100"}},
         "Full Name,Parent's Name,Address Line 1,Unique Identifier",
         "Tom Smith,Mr and Mrs Smith,1 High St,S300\n",
         1,
         0,
         {"Mr and Mrs Smith [S100] @1 High St: Amy Smith",
          "Mr and Mrs Smith [S300] @1 High St: Tom Smith"}},
        {"the list gives no address",
         {{"Mr and Mrs Smith", "1 High St", ""}},
         "Full Name,Parent's Name",
         "Amy Smith,Mr and Mrs Smith\nTom Smith,Mr and Mrs Smith\n",
         1,
         1,
         {"Mr and Mrs Smith [Mr and Mrs Smith] @1 High St: Amy Smith Tom Smith"}},
        {"the event holds no address",
         {{"Mr and Mrs Smith", "", ""}},
         "Full Name,Parent's Name,Address Line 1",
         "Amy Smith,Mr and Mrs Smith,1 High St\nTom Smith,Mr and Mrs Smith,1 High St\n",
         1,
         1,
         {"Mr and Mrs Smith [Mr and Mrs Smith] @: Amy Smith Tom Smith"}},
        {"the list names no parent",
         {{"Mr and Mrs Smith", "1 High St", ""}},
         "Full Name",
         "Amy Smith\nKim Lee\n",
         1,
         1,
         {"Mr and Mrs Smith [Mr and Mrs Smith] @1 High St: Amy Smith",
          "Parents of Kim Lee [Parents of Kim Lee] @: Kim Lee"}},
        {"the list names no parent, a namesake elsewhere",
         {{"Mr and Mrs Smith", "1 High St", ""}},
         "Full Name,Address Line 1",
         "Amy Smith,5 Low Rd\n",
         1,
         0,
         {"Mr and Mrs Smith [Mr and Mrs Smith] @1 High St: Amy Smith",
          "Parents of Amy Smith [Parents of Amy Smith] @5 Low Rd: Amy Smith"}},
        // A block of flats: the flat on the second line.
        {"two numbers at one address, the event knows the family by name",
         {{"Mr and Mrs Smith", "Oak House", ""}},
         "Full Name,Parent's Name,Address Line 1,Address Line 2,Unique Identifier",
         "Kim Smith,Mr and Mrs Smith,Oak House,Flat 2,S200\n"
         "Amy Smith,Mr and Mrs Smith,Oak House,Flat 1,S100\n",
         1,
         1,
         {"Mr and Mrs Smith [Mr and Mrs Smith] @Oak House: Amy Smith",
          "Mr and Mrs Smith [S200] @Oak House: Kim Smith"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        event = std::make_shared<Event>();
        schedule = std::make_unique<MultiDaySchedule>(event);
        for (const Held& h : c.held) {
            Hold(h.name, h.address, h.id, &h == &c.held.front());
        }
        UCStringError sink;
        const MovedPeople moved = ImportThroughPreview(c.definition, c.list);
        EXPECT_EQ(c.added, moved.added);
        EXPECT_EQ(c.refused, moved.refused);
        EXPECT_EQ(c.expected, SortedFamilies([](const Parent& parent) {
                      return parent.GetName() + " [" + parent.GetUniqueIdOrName() + "] @" +
                             parent.GetAddress(0);
                  }));
    }
}

TEST_F(CSVImport, ARunAgainIntoTheSamePreviewAddsNoChildTwice) {
    const char* const definition = "Full Name,Form / Tutor Group,Parent's Name,Address Line 1";
    struct Case {
        const char* what;
        std::vector<const char*> runs;  // each a run of the import into the one preview
        std::vector<std::string> expected;
        const char* message;  // the start of what the last run says; empty: nothing
    };
    const Case cases[] = {
        {"stopped after a line, then run again",
         {"Amy Smith,7A,Mr Smith,1 High St\n",
          "Amy Smith,7A,Mr Smith,1 High St\nTom Smith,9C,Mr Smith,1 High St\n"},
         {"Mr Smith: Amy Smith 7A, Tom Smith 9C"},
         "Warning: Pupil 'Amy Smith' of 'Mr Smith' was imported already, so line 1 of the file "
         "is not imported again"},
        {"the same list twice",
         {"Amy Smith,7A,Mr Smith,1 High St\n", "Amy Smith,7A,Mr Smith,1 High St\n"},
         {"Mr Smith: Amy Smith 7A"},
         "Warning: Pupil 'Amy Smith' of 'Mr Smith' was imported already"},
        {"namesakes in one list are two children",
         {"Sam Lee,7A,Mr Lee,2 Elm Rd\nSam Lee,10B,Mr Lee,2 Elm Rd\n"},
         {"Mr Lee: Sam Lee 7A, Sam Lee 10B"},
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        event = std::make_shared<Event>();
        schedule = std::make_unique<MultiDaySchedule>(event);
        for (const char* list : c.runs) {
            ASSERT_EQ(ImportOutcome::Finished, Import(true, definition, list)) << messages;
        }
        EXPECT_EQ(c.expected, FamiliesWithForms());
        if (*c.message == '\0') {
            EXPECT_EQ("", messages);
        } else {
            EXPECT_EQ(0u, messages.find(c.message)) << messages;
        }
    }
}

// Two children of one name in a family are two children on every road: the one the family
// held before is the only one a line of that name can be.
TEST_F(CSVImport, EachChildOfOneNameIsFoundOnceAndTheOtherArrives) {
    const char* const definition = "Full Name,Form / Tutor Group,Parent's Name,Address Line 1";
    const std::string first = "Sam Lee,7A,Mr Lee,2 Elm Rd\n";
    const std::string both = first + "Sam Lee,10B,Mr Lee,2 Elm Rd\n";
    struct Case {
        const char* what;
        std::vector<std::string> runs;  // straight into the event, as into the window's preview
        std::string moved;              // then through a preview, as the window moves it; or none
        int added;
        int refused;
        std::vector<std::string> said;  // what the last run or move says, in part, line by line
        std::vector<std::string> notSaid;
    };
    const Case cases[] = {
        {"stopped after the first, then run again",
         {first, both},
         "",
         0,
         0,
         {"Pupil 'Sam Lee' of 'Mr Lee' was imported already, so line 1"},
         {"line 2"}},
        {"the whole list run again", {both, both}, "", 0, 0, {"so line 1", "so line 2"}, {}},
        {"the event holds the first",
         {first},
         both,
         1,
         1,
         {"1 of 2 pupils imported; 1 failed to import"},
         {}},
        {"the event holds both", {both}, both, 0, 2, {"0 of 2 pupils imported"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        event = std::make_shared<Event>();
        schedule = std::make_unique<MultiDaySchedule>(event);
        for (const std::string& list : c.runs) {
            ASSERT_EQ(ImportOutcome::Finished, Import(true, definition, list)) << messages;
        }
        if (!c.moved.empty()) {
            UCStringError sink;
            const MovedPeople moved = ImportThroughPreview(definition, c.moved);
            messages = sink.GetText();
            EXPECT_EQ(c.added, moved.added);
            EXPECT_EQ(c.refused, moved.refused);
        }
        EXPECT_EQ(std::vector<std::string>{"Mr Lee: Sam Lee 7A, Sam Lee 10B"}, FamiliesWithForms());
        for (const std::string& text : c.said) {
            EXPECT_NE(std::string::npos, messages.find(text)) << messages;
        }
        for (const std::string& text : c.notSaid) {
            EXPECT_EQ(std::string::npos, messages.find(text)) << messages;
        }
    }
}

TEST_F(CSVImport, AwkwardFilesReadAsTheSpreadsheetMeantThem) {
    UserSettings utf8;
    utf8.Set("importutf8", "1");
    struct Case {
        const char* name;
        std::string content;
        const UserSettings* settings;
        const char* expected;
        const char* message = "";
    } cases[] = {
        {"byte-order mark and CR LF", "\xEF\xBB\xBFZo\xC3\xAB Hart\r\nBo Ng\r\n", nullptr,
         "Zo\xC3\xAB Hart"},
        {"Windows-1252 bytes", "Ren\xE9\x92s \x80 \x93Q\x94\n", nullptr,
         "Ren\xC3\xA9\xE2\x80\x99s \xE2\x82\xAC \xE2\x80\x9CQ\xE2\x80\x9D"},
        {"UTF-8 kept with importutf8", "Zo\xC3\xAB Hart\n", &utf8, "Zo\xC3\xAB Hart"},
        // Kept as it stood, the byte would make the next opening read the whole event file as
        // 8-bit text; said once however many lines hold such text.
        {"Windows-1252 converted and said with importutf8", "Ren\xE9\nZo\xEB\n", &utf8,
         "Ren\xC3\xA9",
         "Warning: The file holds text that is not UTF-8, though the setting 'importutf8' says "
         "it is: that text is read as Windows-1252\n"},
        {"quoted field with doubled quotes", "\"Pat \"\"Red\"\" O'Neil\",x\n", nullptr,
         "Pat \"Red\" O'Neil"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        event = std::make_shared<Event>();
        schedule = std::make_unique<MultiDaySchedule>(event);
        ASSERT_EQ(ImportOutcome::Finished, Import(false, "Full Name", c.content, c.settings));
        ASSERT_GE(TeacherCount(), 1u);
        EXPECT_EQ(c.expected, TeacherAt(0)->GetName());
        EXPECT_EQ(c.message, messages);
    }
}

TEST_F(CSVImport, LinesWithoutANameAreSkippedQuietly) {
    ASSERT_EQ(ImportOutcome::Finished,
              Import(true, "Full Name,Form / Tutor Group", "   \n,7B\n\"\",8C\nAmy Lee,9D\n"));
    EXPECT_EQ(1u, ParentCount());
    EXPECT_EQ("", messages);
}

TEST(SplitSurnameFirst, TakesTheFirstTwoWords) {
    struct Case {
        const char* input;
        const char* expected;
    } cases[] = {{"Smith John Paul", "John Smith"},
                 {"  Smith   John ", "John Smith"},
                 {"Smith", "Smith"},
                 {"Smith \"John Paul\" Junior", "John Paul Smith"},
                 {"", ""}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, SplitSurnameFirst(c.input)) << c.input;
    }
}

}  // namespace
