#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "print/handouts.h"
#include "print/print_job.h"
#include "print/print_renderer_file.h"
#include "print/qm_image.h"
#include "print_fixture.h"
#include "support/temp_folder.h"

namespace {

class TextHandouts : public PrintFixture {
protected:
    // Exports with the given printer and answers the file's text.
    std::string Export(bool (*print)(MultiDaySchedule&, PrintRenderer*)) {
        const std::string path = folder.File("handouts.txt");
        PrintRendererFile renderer(path.c_str());
        EXPECT_TRUE(print(*schedule, &renderer));
        EXPECT_TRUE(renderer.Close());
        return folder.Read("handouts.txt");
    }

    TempFolder folder;
};

TEST_F(TextHandouts, ParentSheetsListAppointmentsPresentationsUnbookedAndNotes) {
    Presentation* talk = AddPresentation("Careers Talk", "Hall", 0, "18:30", "18:45");
    ASSERT_TRUE(schedule->AttendPresentation(pat, talk));
    Request(sam, ann, "Maths", 0, 2);
    Request(sam, bob, "", 0, 4, 2);
    Request(sam, bob, "Music");
    Request(amy, ann, "English", 1, 0);
    Request(ben, bob, "", 1, 1);
    pat->SetNotes("Please bring the report.");
    event->GetPrintSettings().SetParentNotes("Doors open at 5:45pm.");

    EXPECT_EQ(Export(&PrintParents),
              "Quillmoot High\n"
              "Parents' Evening, 05 Mar 2024\n"
              "Schedule for Pat Jones\n"
              "Pupil: Sam Jones\n"
              "6:10pm - 6:15pm: Ann Smith (Maths) (Room 4)\n"
              "6:20pm - 6:30pm: Bob Brown\n"
              "6:30pm - 6:45pm: Attending Careers Talk, location Hall\n"
              "The following appointments you requested could not be booked: Bob Brown\n"
              "Please bring the report.\n"
              "Doors open at 5:45pm.\n"
              "\n"
              "Quillmoot High\n"
              "Parents' Evening, 06 Mar 2024\n"
              "Schedule for Pat Jones\n"
              "Pupil: Sam Jones\n"
              "The following appointments you requested could not be booked: Bob Brown\n"
              "Please bring the report.\n"
              "Doors open at 5:45pm.\n"
              "\n"
              // Two pupils: no pupil line, each appointment says whom it is about, and requests
              // booked on the other day are no news.
              "Quillmoot High\n"
              "Parents' Evening, 05 Mar 2024\n"
              "Schedule for Chris Lee\n"
              "Doors open at 5:45pm.\n"
              "\n"
              "Quillmoot High\n"
              "Parents' Evening, 06 Mar 2024\n"
              "Schedule for Chris Lee\n"
              "6:00pm - 6:05pm: Ann Smith (English) (Room 4) about Amy Lee\n"
              "6:05pm - 6:10pm: Bob Brown about Ben Lee\n"
              "Doors open at 5:45pm.\n"
              "\n");
}

TEST_F(TextHandouts, TeacherSheetsShowEverySlotToTheLastBusyOneWithBreaksAndPresentations) {
    Presentation* talk = AddPresentation("Careers Talk", "Hall", 0, "18:30", "18:45");
    ASSERT_TRUE(schedule->AttendPresentation(ann, talk));
    ann->AddBreak(DateTime(Date(5, 3, 2024), TimeOfDay(18, 15, 0)));
    Request(sam, ann, "Maths", 0, 2);
    Request(amy, ann, "English", 1, 0);
    Request(ben, ann, "History");
    event->GetPrintSettings().SetTeacherNotes("Staff briefing at 5:30pm.");

    EXPECT_EQ(Export(&PrintTeachers),
              "Quillmoot High\n"
              "Parents' Evening, 05 Mar 2024\n"
              "Schedule for teacher Ann Smith\n"
              "Location: Room 4\n"
              "6:00pm: \n"
              "6:05pm: \n"
              "6:10pm: Pat Jones about Sam Jones (Maths)\n"
              "6:15pm: Break\n"
              "6:20pm: \n"
              "6:25pm: \n"
              "6:30pm: Attending Careers Talk, location Hall\n"
              "The following pupils requested to see you, but appointments could not be "
              "booked: Ben Lee\n"
              "Staff briefing at 5:30pm.\n"
              "\n"
              "Quillmoot High\n"
              "Parents' Evening, 06 Mar 2024\n"
              "Schedule for teacher Ann Smith\n"
              "Location: Room 4\n"
              "6:00pm: Chris Lee about Amy Lee (English)\n"
              "The following pupils requested to see you, but appointments could not be "
              "booked: Ben Lee\n"
              "Staff briefing at 5:30pm.\n"
              "\n"
              "Quillmoot High\n"
              "Parents' Evening, 05 Mar 2024\n"
              "Schedule for teacher Bob Brown\n"
              "Staff briefing at 5:30pm.\n"
              "\n"
              "Quillmoot High\n"
              "Parents' Evening, 06 Mar 2024\n"
              "Schedule for teacher Bob Brown\n"
              "Staff briefing at 5:30pm.\n"
              "\n");
}

// Hours shortened after a talk was planned leave it running past closing time: it runs to the
// day's end on both sheets, not to a time before the evening starts.
TEST_F(TextHandouts, APresentationPastClosingTimeRunsToTheDaysEnd) {
    Presentation* talk = AddPresentation("Careers Talk", "Hall", 0, "18:30", "18:45");
    ASSERT_TRUE(schedule->AttendPresentation(ann, talk));
    ASSERT_TRUE(schedule->AttendPresentation(pat, talk));
    const ::Schedule* day = schedule->GetDay(0);
    ASSERT_TRUE(talk->SetTimes(TimeOfDay(18, 30, 0), TimeOfDay(23, 59, 0)));
    ASSERT_GT(TimeOfDay(23, 59, 0), day->GetEndTime());
    const std::string close = day->GetEndTime().Format(Time12h);
    const std::string parents = Export(&PrintParents);
    EXPECT_NE(parents.find("6:30pm - " + close + ": Attending Careers Talk, location Hall\n"),
              std::string::npos)
        << parents;
    const std::string teachers = Export(&PrintTeachers);
    // No slot of the talk after its first has a line of its own.
    EXPECT_NE(teachers.find("6:25pm: \n6:30pm: Attending Careers Talk, location Hall\n\n"),
              std::string::npos)
        << teachers;
}

// A talk moved to begin before opening time keeps the teacher busy until it ends; one wholly
// before the evening takes no slot.
TEST_F(TextHandouts, ATalkBeforeOpeningTimeHidesTheSlotsItCovers) {
    const struct {
        const char* name;
        TimeOfDay start, end;
        const char* firstLine;
    } cases[] = {
        {"ends within the evening", TimeOfDay(17, 30, 0), TimeOfDay(18, 15, 0), "6:15pm: \n"},
        {"ends at opening time", TimeOfDay(17, 0, 0), TimeOfDay(18, 0, 0), "6:00pm: \n"},
    };
    Presentation* talk = AddPresentation("Careers Talk", "Hall", 0, "18:30", "18:45");
    ASSERT_TRUE(schedule->AttendPresentation(ann, talk));
    Request(sam, ann, "Maths", 0, 10);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(talk->SetTimes(c.start, c.end));
        const std::string text = Export(&PrintTeachers);
        EXPECT_NE(text.find(std::string("Location: Room 4\n") + c.firstLine), std::string::npos)
            << text;
        EXPECT_EQ(text.find("Attending"), std::string::npos) << text;
    }
}

// A talk a new day start or slot length leaves off the slots still takes the family's slots it
// touches, so their sheet must name it, at times that hold as much of it as the evening does:
// a family told less arrives after it began or leaves before it ends.
TEST_F(TextHandouts, AFamilysTalkOffTheSlotsIsOnTheirSheetWithTimesThatHoldIt) {
    const struct {
        const char* name;
        TimeOfDay start, end;
    } cases[] = {
        {"on the slot starts", TimeOfDay(18, 30, 0), TimeOfDay(18, 45, 0)},
        {"begins before opening time", TimeOfDay(17, 30, 0), TimeOfDay(18, 15, 0)},
        {"ends between slot starts", TimeOfDay(18, 30, 0), TimeOfDay(18, 47, 0)},
    };
    Presentation* talk = AddPresentation("Careers Talk", "Hall", 0, "18:30", "18:45");
    ASSERT_TRUE(schedule->AttendPresentation(pat, talk));
    const ::Schedule* day = Day(0);
    const std::string what = ": Attending Careers Talk, location Hall\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(talk->SetTimes(c.start, c.end));
        const std::string text = Export(&PrintParents);
        const size_t at = text.find(what);
        if (at == std::string::npos) {
            ADD_FAILURE() << "no line for the talk on:\n" << text;
            continue;
        }
        const size_t begin = text.rfind('\n', at) + 1;
        const std::string times = text.substr(begin, at - begin);
        const size_t dash = times.find(" - ");
        TimeOfDay from;
        TimeOfDay to;
        ASSERT_NE(dash, std::string::npos) << times;
        ASSERT_TRUE(from.Parse(times.substr(0, dash).c_str())) << times;
        ASSERT_TRUE(to.Parse(times.substr(dash + 3).c_str())) << times;
        // As "18:05:00", compared as text in the order of the times.
        EXPECT_LE(from.Format(Time24hs), std::max(c.start, day->GetStartTime()).Format(Time24hs));
        EXPECT_GE(to.Format(Time24hs), std::min(c.end, day->GetEndTime()).Format(Time24hs));
    }
}

TEST_F(TextHandouts, SwitchedOffBreaksAndUnbookedListsAndEmptyNotesPrintNothing) {
    ann->AddBreak(DateTime(Date(5, 3, 2024), TimeOfDay(18, 0, 0)));
    Request(sam, ann, "", 0, 1);
    Request(ben, ann, "History");
    event->GetPrintSettings().SetTeacherBreaks(false);
    event->GetPrintSettings().SetListUnbooked(false);
    const std::string text = Export(&PrintTeachers);
    EXPECT_NE(text.find("6:00pm: \n6:05pm: Pat Jones about Sam Jones\n\n"), std::string::npos)
        << text;
    EXPECT_EQ(text.find("Break"), std::string::npos);
    EXPECT_EQ(text.find("could not be booked"), std::string::npos);
}

TEST_F(TextHandouts, ARendererThatCannotPrintGetsNoSheet) {
    RecordingRenderer renderer;
    renderer.ok = false;
    EXPECT_FALSE(PrintTeachers(*schedule, &renderer));
    EXPECT_FALSE(PrintParents(*schedule, &renderer));
    EXPECT_TRUE(renderer.calls.empty());
}

class FakeImage : public QMImage {
public:
    explicit FakeImage(bool empty = false) : empty_(empty) {}
    bool LoadFile(const std::string&) override { return true; }
    bool IsEmpty() const override { return empty_; }

private:
    bool empty_;
};

class SheetParts : public PrintFixture {
protected:
    bool HasQRBlock(const RecordingRenderer& renderer) {
        const auto& calls = renderer.calls;
        const bool image = std::find(calls.begin(), calls.end(), "image 1") != calls.end();
        const bool footer =
            std::find(calls.begin(), calls.end(),
                      "footer Scan this code with your phone to add this event to your "
                      "calendar:") != calls.end();
        EXPECT_EQ(image, footer);
        return image && footer;
    }
    FakeImage logo;
    FakeImage qrImage;
    FakeImage noCode{true};
};

TEST_F(SheetParts, TheQRBlockFollowsTheImageTheSettingsAndTheSuppression) {
    PrintSettings on;
    PrintSettings off;
    off.SetQRCodes(false);
    struct Case {
        const char* name;
        const PrintSettings* settings;
        QMImage* image;
        int suppression;
        bool drawn;
    } cases[] = {
        {"no settings", nullptr, &qrImage, 0, true},
        {"codes on", &on, &qrImage, 0, true},
        {"codes off", &off, &qrImage, 0, false},
        {"no image", &on, nullptr, 0, false},
        {"an image without a code", &on, &noCode, 0, false},
        {"suppressed", &on, &qrImage, 1, false},
        {"suppressed without settings", nullptr, &qrImage, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingRenderer renderer;
        {
            ParentPrintJob job(&renderer, schedule, Day(0), nullptr, c.image, pat, c.settings);
            job.SetQRSuppression(c.suppression);
            job.Print();
        }
        EXPECT_EQ(HasQRBlock(renderer), c.drawn);
    }
}

TEST_F(SheetParts, APageRunsFromLogoAndHeadingsThroughTheBodyBetweenSeparators) {
    Request(amy, bob, "Art", 0, 0);
    PrintSettings settings;
    RecordingRenderer renderer;
    {
        TeacherPrintJob job(&renderer, schedule, Day(0), &logo, &qrImage, bob, &settings);
        job.Print();
    }
    EXPECT_EQ(renderer.calls,
              (std::vector<std::string>{
                  "start", "image 0", "bold Quillmoot High", "bold Parents' Evening, 05 Mar 2024",
                  "bold Schedule for teacher Bob Brown", "image 1",
                  "footer Scan this code with your phone to add this event to your calendar:",
                  "separator", "text 6:00pm: Chris Lee about Amy Lee (Art)", "separator", "end"}));
}

TEST_F(SheetParts, AScriptDrawsTheBodyAndItsReportsLandOnTheSheet) {
    FakePrintScript script(&controller);
    RecordingRenderer renderer;
    {
        ParentPrintJob job(&renderer, schedule, Day(1), nullptr, nullptr, pat, nullptr);
        job.SetScript(&script);
        job.Print();
    }
    // The sheet is done: a later call of the script draws on no renderer.
    EXPECT_EQ(script.GetRenderer(), nullptr);
    const std::vector<std::string> body(renderer.calls.begin() + 6, renderer.calls.end() - 2);
    EXPECT_EQ(body,
              (std::vector<std::string>{"text drawn for Pat Jones on 06 Mar 2024",
                                        "text Error: parent.lua:3: attempt to index a nil value"}));
    // The reports went onto the sheet, not to the sink of the run.
    EXPECT_EQ(sink.GetText(), "");
}

TEST_F(SheetParts, AScriptWithoutRendererHasItsCapturedOutputPrinted) {
    FakePrintScript script(&controller);
    RecordingRenderer renderer;
    {
        TeacherPrintJob job(&renderer, schedule, Day(0), nullptr, nullptr, ann, nullptr);
        job.SetScript(&script);
        script.SetRenderer(nullptr);
        job.Print();
    }
    EXPECT_TRUE(script.captureOutput);
    EXPECT_NE(std::find(renderer.calls.begin(), renderer.calls.end(), "text drawn for Ann Smith"),
              renderer.calls.end());
}

}  // namespace

// One list of unbooked pupils serves a run of teacher sheets: each teacher's line is the one its
// sheet finds by walking the event, in family, pupil and request order, leaving out what is
// booked on either day; a list made for another timetable is not trusted.
TEST_F(SheetParts, TheSharedUnbookedListSaysWhatEachSheetWouldFindItself) {
    Request(sam, ann, "Maths");
    Request(amy, ann, "English", 1, 3);
    Request(ben, ann, "History");
    Request(ben, bob, "Art");
    Request(sam, bob, "Music", 0, 5);
    Request(amy, ann, "Drama");
    PrintSettings settings;
    const UnbookedPupils unbooked(*schedule);
    MultiDaySchedule elsewhere(event);
    const UnbookedPupils stale(elsewhere);
    const struct {
        Teacher* teacher;
        const char* line;
    } kCases[] = {
        {ann,
         "text The following pupils requested to see you, but appointments could not be "
         "booked: Sam Jones, Amy Lee, Ben Lee"},
        {bob,
         "text The following pupils requested to see you, but appointments could not be "
         "booked: Ben Lee"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.teacher->GetName());
        for (unsigned day = 0; day < 2; ++day) {
            std::vector<std::string> sheets[3];
            for (int way = 0; way < 3; ++way) {
                RecordingRenderer renderer;
                {
                    TeacherPrintJob job(&renderer, schedule, Day(day), nullptr, nullptr, c.teacher,
                                        &settings);
                    job.SetUnbookedPupils(way == 0 ? nullptr : way == 1 ? &unbooked : &stale);
                    job.Print();
                }
                sheets[way] = renderer.calls;
            }
            EXPECT_NE(std::find(sheets[0].begin(), sheets[0].end(), c.line), sheets[0].end());
            EXPECT_EQ(sheets[1], sheets[0]);
            EXPECT_EQ(sheets[2], sheets[0]);
        }
    }
    EXPECT_TRUE(unbooked.Of(nullptr).empty());
}
