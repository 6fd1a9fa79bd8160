#include "app/event_file_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/event_file_writer.h"
#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

// What one read left behind: the schedule on success, and everything reported.
struct ReadResult {
    std::unique_ptr<MultiDaySchedule> schedule;
    std::string messages;
    Event* event() const { return schedule->GetEvent().get(); }
};

ReadResult ReadEvent(const std::string& text) {
    UCStringError sink;
    auto schedule = std::make_unique<MultiDaySchedule>(std::make_shared<Event>());
    Tokeniser tokens;
    tokens.SetText(text);
    EventFileReader reader(schedule.get(), &tokens);
    ReadResult result;
    if (reader.Read()) {
        result.schedule = std::move(schedule);
    }
    result.messages = sink.GetText();
    return result;
}

const char* const kEventSection =
    "Event:\n"                   // 1
    "Name \"Spring evening\"\n"  // 2
    "Starts 4:00pm\n"            // 3
    "Ends 6:00pm\n"              // 4
    "Day \"12\"\n"               // 5
    "Month \"3\"\n"              // 6
    "Year \"2026\"\n"            // 7
    "SlotLength \"10\"\n";       // 8

std::string WithPeople(const std::string& teachers, const std::string& parents) {
    return std::string(kEventSection) + "\nTeachers:\n" + teachers + "\nParents:\n" + parents;
}

const char* const kTwoTeachers =
    "\"Mr Tom Whitfield\"\ninitials \"TW\"\nsubject \"Maths\"\n\n"
    "\"Ms Priya Raman\"\ninitials \"PR\"\nsubject \"Physics\"\n\n";

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(EventFileReading, HandWrittenFileBuildsTheEventAndItsTimetable) {
    const std::string text =
        "EVENT:\n"
        "name \"Spring evening\"\nStarts 4:00pm\nEnds 6:00pm\n"
        "PNotes \"Please%20be%20on%20time\"\nDay \"12\"\nMonth \"3\"\nYear \"2026\"\n"
        "TeacherDesc \"tutor\"\nSlotLength \"10\"\nAdjacentParentAppointments\nTeacherGapLength "
        "\"2\"\n"
        "ScoreCompareAttendance\nSMTPServer \"smtp.school.example\"\nSMTPTLS\nEmailPort \"587\"\n"
        "Option \"APSQRCodes\" \"False\"\nOption \"APSParentPrintOrder\" \"PupilForm\"\n"
        "\nExtraDay:\nStarts 3:30pm\nEnds 5:00pm\nDay \"13\"\nMonth \"3\"\nYear \"2026\"\n"
        "\nPresentations:\n\"Options talk\"\nlocation \"Hall\"\n"
        "times \"13 Mar 2026\" 3:30pm 4:00pm\n"
        "\nTeachers:\n"
        "\"Ms Priya Raman\"\ninitials \"PR\"\nsubject \"Physics\"\nbreak 4:30pm\n"
        "day \"13 Mar 2026\"\nnotattending\n\n"
        "\"Mr Tom Whitfield\"\ninitials \"TW\"\nlocation \"Room 4\"\nsubject \"Maths\"\n"
        "apptlen \"2\"\nafter 4:20pm\npresentation \"Options talk\"\n\n"
        "\nParents:\n"
        "\"Mrs Smith\"\nemail \"smith@example.org\"\naddra \"1 High St\"\n"
        "notes \"Two \\\"lines\\\"\\\nhere\"\nuniqueid \"S1\"\n"
        "pupil \"Amy Smith\"\nform \"7A\"\nhouse \"Red\"\n"
        "seeing \"TW\"\nsubject \"Maths\"\nday \"12 Mar 2026\"\nat 16:20\npriority \"2\"\n"
        "seeing \"Ms Priya Raman\"\n"
        "taughtby \"PR\"\nsubject \"Chemistry\"\n\n"
        "\"Mr Jones\"\nuniqueid \"J1\"\nday \"13 Mar 2026\"\nafter 4:00pm\n"
        "pupil \"Ben Jones\"\nform \"8B\"\n"
        "seeing \"Mr Tom Whitfield\"\n\n"
        "#0123456789abcdef0123456789abcdef\n";
    const ReadResult read = ReadEvent(text);
    ASSERT_TRUE(read.schedule) << read.messages;
    EXPECT_EQ(read.messages, "");
    Event& event = *read.event();
    EXPECT_EQ(event.GetName(), "Spring evening");
    EXPECT_EQ(event.GetSlotLength(), 600);
    EXPECT_EQ(event.GetTeacherDesc(false), "tutor");
    EXPECT_EQ(event.GetParentGapMode(), AdjacentParentAppointments);
    EXPECT_EQ(event.GetOptions().TeacherGapLength, 2);
    EXPECT_EQ(event.GetScoreSwitches(), (ScoreCompareSwitches{false, true}));
    EXPECT_EQ(event.GetPrintSettings().GetParentNotes(), "Please be on time");
    EXPECT_FALSE(event.GetPrintSettings().GetQRCodes());
    EXPECT_EQ(event.GetPrintSettings().GetParentPrintOrder(), ParentPrintByPupilForm);
    EXPECT_EQ(event.GetEmailServerSettings().GetServer(), "smtp.school.example");
    EXPECT_EQ(event.GetEmailServerSettings().GetConnectionType(), SMTPWithTLS);
    EXPECT_EQ(event.GetEmailServerSettings().GetPort(), 587);
    // A file that never mentions verification gets the safe default.
    EXPECT_TRUE(event.GetEmailServerSettings().GetVerifyServer());

    MultiDaySchedule& schedule = *read.schedule;
    ASSERT_EQ(schedule.GetDayCount(), 2u);
    EXPECT_EQ(schedule.GetDay(0)->GetDate(), Date(12, 3, 2026));
    EXPECT_EQ(schedule.GetDay(1)->GetStartTime(), TimeOfDay(15, 30, 0));
    const Presentation* talk = event.GetPresentations().Find("Options talk");
    ASSERT_NE(talk, nullptr);
    EXPECT_EQ(talk->GetLocation(), "Hall");
    EXPECT_EQ(talk->GetDate(), Date(13, 3, 2026));

    // Teachers are sorted by surname.
    const TeacherList& teachers = event.GetTeachers();
    ASSERT_EQ(teachers.Count(), 2u);
    Teacher* raman = teachers.Get(0);
    Teacher* whitfield = teachers.Get(1);
    EXPECT_EQ(raman->GetName(), "Ms Priya Raman");
    EXPECT_TRUE(raman->HasBreak(DateTime(Date(12, 3, 2026), TimeOfDay(16, 30, 0))));
    EXPECT_FALSE(raman->IsAttending(schedule.GetDay(1)));
    EXPECT_EQ(raman->GetSubjects().count("Chemistry"), 1u);  // from the taught-by line
    EXPECT_EQ(whitfield->GetLocation(), "Room 4");
    EXPECT_EQ(whitfield->GetApptLength(), 2);
    EXPECT_TRUE(whitfield->ArrivesLate(schedule.GetDay(0)));
    EXPECT_EQ(whitfield->GetStartTime(schedule.GetDay(0)), TimeOfDay(16, 20, 0));
    EXPECT_TRUE(whitfield->AttendsPresentation(talk));

    const ParentList& parents = event.GetParents();
    ASSERT_EQ(parents.Count(), 2u);
    Parent* smith = parents.FindByName("Mrs Smith");
    ASSERT_NE(smith, nullptr);
    EXPECT_EQ(smith->GetEmail(), "smith@example.org");
    EXPECT_EQ(smith->GetAddress(0), "1 High St");
    EXPECT_EQ(smith->GetNotes(), "Two \"lines\"\nhere");
    EXPECT_EQ(smith->GetUniqueId(), "S1");
    const Pupil* amy = smith->GetPupil(0);
    ASSERT_NE(amy, nullptr);
    EXPECT_EQ(amy->GetHouse(), "Red");
    ASSERT_EQ(amy->GetRequestCount(), 2u);
    EXPECT_EQ(amy->GetRequest(0)->GetTeacher(), whitfield);
    EXPECT_EQ(amy->GetRequest(0)->GetPriority(), 2);
    EXPECT_TRUE(amy->IsTaughtBy(raman, "Chemistry"));

    // The fixed time became a booking, and the fixed time itself is gone again.
    DateTime booked;
    ASSERT_TRUE(schedule.FindBooking(amy, whitfield, "Maths", &booked));
    EXPECT_EQ(booked, DateTime(Date(12, 3, 2026), TimeOfDay(16, 20, 0)));
    EXPECT_FALSE(amy->GetRequest(0)->IsFixedTime());
    EXPECT_FALSE(schedule.IsRequestBooked(amy->GetRequest(1)));

    Parent* jones = parents.FindByName("Mr Jones");
    ASSERT_NE(jones, nullptr);
    EXPECT_TRUE(jones->ArrivesLate(schedule.GetDay(1)));
    EXPECT_FALSE(jones->ArrivesLate(schedule.GetDay(0)));
    EXPECT_FALSE(schedule.IsModified());
}

// The line is the token reader's count when the error is found: a word at the end of its line
// has already counted that line's end.
TEST(EventFileReading, ReaderErrorsNameTheirLine) {
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const std::string head = kEventSection;
    const Case cases[] = {
        {"first heading", "Teachers:\n", "(line 2) Expected Event: heading"},
        {"teachers heading", head + "\nParents:\n", "(line 11) Expected Teacher: heading"},
        {"only the event section", head, "(line 9) Expected section heading"},
        {"unknown key in the event section", head + "Colour \"red\"\n",
         "(line 9) Expected an option word"},
        {"text expected", head + "Name 12:00\n", "(line 10) Expected a piece of text"},
        {"time expected", head + "Starts \"4pm\"\n", "(line 9) Expected time of day"},
        {"bad option", head + "Option 4:00pm\n", "(line 10) Expected option key"},
        {"bad option value", head + "Option \"APSQRCodes\"\nTeachers:\n",
         "(line 11) Expected option value"},
        {"extra day date", head + "\nExtraDay:\nDay \"31\"\nMonth \"2\"\nYear \"2026\"\n\n",
         "(line 15) Extra day's date is invalid"},
        {"stray data in teachers", head + "\nTeachers:\nsubject \"x\"\n",
         "(line 11) Found data I don't understand here: 'subject'"},
        {"missing presentation", WithPeople("\"Mr A\"\npresentation \"Talk\"\n", ""),
         "(line 12, teacher 'Mr A') The presentation 'Talk' does not exist"},
        {"presentation by no name",
         head + "\nPresentations:\n\"\"\ntimes \"12 Mar 2026\" 4:00pm 4:30pm\n"
                "\nTeachers:\n\"Mr A\"\npresentation \"\"\n",
         "(line 16, teacher 'Mr A') The presentation '' does not exist"},
        {"initials reused",
         WithPeople("\"Mr A\"\ninitials \"AB\"\n\"Mr B\"\ninitials \"ab\"\n", ""),
         "(line 14, teacher 'Mr B') The initials 'ab' have been defined for a previous teacher"},
        {"parents heading", std::string(kEventSection) + "\nTeachers:\n\"Mr A\"\n\nPupils:\n",
         "(line 14, teacher 'Mr A') Expected Parent: heading"},
        {"pupil name", WithPeople(kTwoTeachers, "\"Mrs S\"\npupil form\n"),
         "(line 23, parent 'Mrs S') Expected pupil's name"},
        {"unknown teacher", WithPeople(kTwoTeachers, "\"Mrs S\"\npupil \"Amy\"\nseeing \"Mr X\"\n"),
         "(line 23, parent 'Mrs S') Pupil Amy wants to see non-existent teacher Mr X"},
        {"unknown taught-by",
         WithPeople(kTwoTeachers, "\"Mrs S\"\npupil \"Amy\"\ntaughtby \"XX\"\n"),
         "(line 23, parent 'Mrs S') Pupil Amy is taught by non-existent teacher XX"},
        {"twice the same subject",
         WithPeople(kTwoTeachers,
                    "\"Mrs S\"\npupil \"Amy\"\nseeing \"TW\"\nsubject \"Maths\"\n"
                    "seeing \"Mr Tom Whitfield\"\nsubject \"Maths\"\npriority \"2\"\n"),
         "(line 26, parent 'Mrs S') Pupil Amy wants to see the teacher Mr Tom Whitfield about "
         "subject 'Maths' more than once"},
        {"invalid request date",
         WithPeople(kTwoTeachers, "\"Mrs S\"\npupil \"Amy\"\nseeing \"TW\"\nday \"31 Feb 2026\"\n"),
         "(line 24, parent 'Mrs S') Pupil Amy wants to see the teacher TW on an invalid date"},
        {"request date not quoted",
         WithPeople(kTwoTeachers, "\"Mrs S\"\npupil \"Amy\"\nseeing \"TW\"\nday 12:00\n"),
         "(line 25, parent 'Mrs S') Expected a piece of text\n"
         "Error: (line 25, parent 'Mrs S') Pupil Amy wants to see the teacher TW on an invalid "
         "date"},
        {"stray data in parents", WithPeople(kTwoTeachers, "pupil \"Amy\"\n"),
         "(line 21, teacher 'Ms Priya Raman') Found data I don't understand here: 'pupil'"},
        {"event without a date", "Event:\nName \"x\"\nTeachers:\n",
         "(line 4) The event's date is invalid"},
        {"extra day of the first day's date",
         head + "\nExtraDay:\nDay \"12\"\nMonth \"3\"\nYear \"2026\"\n\nTeachers:\n",
         "(line 16) Extra day schedule is invalid"},
        {"stray data in an extra day", head + "\nExtraDay:\nDay \"13\"\n\"x\"\n",
         "(line 12) Expected an option word"},
        {"presentation twice",
         head + "\nPresentations:\n\"Talk\"\ntimes \"12 Mar 2026\" 4:00pm 4:30pm\n\"talk\"\n"
                "times \"12 Mar 2026\" 5:00pm 5:30pm\n\nTeachers:\n",
         "(line 17) Presentation 'talk' cannot be loaded"},
        {"presentation twice, then a damaged one",
         head + "\nPresentations:\n\"Talk\"\ntimes \"12 Mar 2026\" 4:00pm 4:30pm\n\"talk\"\n"
                "times \"12 Mar 2026\" 5:00pm 5:30pm\n\"Tour\"\ntimes \"12 Mar 2026\" 5pm\n",
         "(line 15) Presentation 'talk' cannot be loaded"},
        {"stray data in presentations", head + "\nPresentations:\n12:00\n",
         "(line 12) Found data I don't understand here: '12:00'"},
        {"teacher twice", WithPeople("\"Mr A\"\n\n\"mr a\"\n\n", ""),
         "(line 13, teacher 'mr a') Previous errors prevent teacher 'mr a' from being loaded"},
        {"stray data in a parent", WithPeople(kTwoTeachers, "\"Mrs S\"\nemail \"s@x\"\n12:00\n"),
         "(line 24, parent 'Mrs S') Expected an option word"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ReadResult read = ReadEvent(c.text);
        EXPECT_FALSE(read.schedule);
        EXPECT_TRUE(Contains(read.messages, c.expected)) << read.messages;
    }
}

// Before, an import could save a departure at the day's very start, which this reader then
// refused: such files open now, with the family marked absent that day and told so. A time on
// the day's own edge is the family's own, and the save writes it back as it stood.
TEST(EventFileReading, AttendanceTheDayCannotHoldOpensAsAbsenceWithAWarning) {
    const struct {
        const char* name;
        const char* lines;
        const char* day;  // attending, then L for a late arrival, E for an early departure
        bool warned;
    } cases[] = {
        {"leaves as the day starts", "before 4:00pm\n", "out", true},
        {"arrives after the day", "after 7:00pm\n", "out", true},
        {"arrives after leaving", "after 5:00pm\nbefore 4:30pm\n", "out", true},
        {"arrives before the day", "after 3:00pm\n", "in", false},
        {"leaves after the day", "before 7:00pm\n", "in", false},
        {"a short visit", "after 5:00pm\nbefore 5:30pm\n", "in LE", false},
        {"arrives as the day starts", "after 4:00pm\n", "in L", false},
        {"leaves as the day ends", "before 6:00pm\n", "in E", false},
        {"the day's own hours, both given", "after 4:00pm\nbefore 6:00pm\n", "in LE", false},
        {"absent anyway", "notattending\nbefore 4:00pm\n", "out", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ReadResult read = ReadEvent(
            WithPeople(kTwoTeachers, "\"Mrs S\"\n" + std::string(c.lines) + "pupil \"Amy\"\n"));
        ASSERT_TRUE(read.schedule) << read.messages;
        const Parent* parent = read.event()->GetParents().Get(0);
        const Schedule* day = read.schedule->GetDay(0);
        EXPECT_EQ(std::string(parent->IsAttending(day) ? "in" : "out") +
                      (parent->ArrivesLate(day) || parent->LeavesEarly(day) ? " " : "") +
                      (parent->ArrivesLate(day) ? "L" : "") + (parent->LeavesEarly(day) ? "E" : ""),
                  c.day);
        EXPECT_EQ(Contains(read.messages, "Warning: The times of 'Mrs S' on 12 Mar 2026"), c.warned)
            << read.messages;
        const std::string saved = EventFileWriter(*read.schedule).FormatEventFile();
        if (std::string(c.day).size() > 3) {
            EXPECT_TRUE(Contains(saved, c.lines)) << saved;
        }
        const ReadResult again = ReadEvent(saved);
        EXPECT_TRUE(again.schedule) << again.messages;
        EXPECT_EQ("", again.messages);
    }
}

TEST(EventFileReading, FileWithoutNameKeepsThePlaceholderName) {
    const ReadResult read =
        ReadEvent("Event:\nDay \"1\"\nMonth \"6\"\nYear \"2026\"\nTeachers:\nParents:\n");
    ASSERT_TRUE(read.schedule) << read.messages;
    EXPECT_EQ(read.event()->GetName(), "<Unnamed event>");
}

// Booking books priorities 2, 1 and 0 only: any other from a file would leave the request
// unbooked for good without a word.
TEST(EventFileReading, PrioritiesNoEditorOffersAreReadAsTheNearestWithAWarning) {
    const struct {
        const char* teacherPriority;
        const char* requestPriority;
        int teacherRead;
        int requestRead;
        const char* warning;  // null: none
    } cases[] = {
        {"0", "2", 0, 2, nullptr},
        {"5", "1", 2, 1,
         "(line 13, teacher 'Mr Tom Whitfield') The priority 5 is not one of 0 (low), 1 (normal) "
         "or 2 (high): "
         "it has been read as 2"},
        {"1", "-3", 1, 0,
         "The priority -3 is not one of 0 (low), 1 (normal) or 2 (high): it has "
         "been read as 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.teacherPriority) + "/" + c.requestPriority);
        const ReadResult read = ReadEvent(
            WithPeople(std::string("\"Mr Tom Whitfield\"\ninitials \"TW\"\npriority \"") +
                           c.teacherPriority + "\"\n\n",
                       std::string("\"Mrs S\"\npupil \"Amy\"\nseeing \"TW\"\npriority \"") +
                           c.requestPriority + "\"\n"));
        ASSERT_TRUE(read.schedule) << read.messages;
        EXPECT_EQ(read.event()->GetTeachers().Get(0)->GetPriority(), c.teacherRead);
        const Pupil* amy = read.event()->GetParents().FindByName("Mrs S")->GetPupil(0);
        EXPECT_EQ(amy->GetRequest(0)->GetPriority(), c.requestRead);
        if (c.warning == nullptr) {
            EXPECT_EQ(read.messages, "");
        } else {
            EXPECT_TRUE(Contains(read.messages, c.warning)) << read.messages;
        }
    }
}

TEST(EventFileReading, RequestLinesAreAcceptedInAnyOrder) {
    const ReadResult read =
        ReadEvent(WithPeople(kTwoTeachers,
                             "\"Mrs S\"\npupil \"Amy\"\n"
                             "seeing \"TW\"\nlength \"2\"\nday \"12 Mar 2026\"\npriority \"0\"\n"
                             "subject \"Maths\"\nat 4:30pm\n"
                             "seeing \"PR\"\n\n\"Mr J\"\n"));
    ASSERT_TRUE(read.schedule) << read.messages;
    ASSERT_EQ(read.event()->GetParents().Count(), 2u);
    const Pupil* amy = read.event()->GetParents().FindByName("Mrs S")->GetPupil(0);
    ASSERT_EQ(amy->GetRequestCount(), 2u);
    const AppointmentRequest* request = amy->GetRequest(0);
    EXPECT_EQ(request->GetSubject(), "Maths");
    EXPECT_EQ(request->GetPriority(), 0);
    EXPECT_EQ(request->GetOwnLength(), 2);
    DateTime booked;
    ASSERT_TRUE(read.schedule->FindBooking(amy, request->GetTeacher(), "Maths", &booked));
    EXPECT_EQ(booked.GetTime(), TimeOfDay(16, 30, 0));
}

TEST(EventFileReading, UnknownKeyWithValueIsSkippedWithAWarningNotMadeAParent) {
    const ReadResult read = ReadEvent(
        WithPeople(kTwoTeachers,
                   "\"Mrs S\"\nphone \"01234 567890\"\nvip\npupil \"Amy\"\nshoesize \"5\"\n"
                   "seeing \"TW\"\nnewflag\n\n\"Mr J\"\n"));
    ASSERT_TRUE(read.schedule) << read.messages;
    EXPECT_EQ(read.event()->GetParents().Count(), 2u);
    EXPECT_EQ(read.event()->GetParents().FindByName("01234 567890"), nullptr);
    EXPECT_TRUE(Contains(read.messages,
                         "(line 22, parent 'Mrs S') The unknown key 'phone' and its value have "
                         "been skipped"))
        << read.messages;
    EXPECT_TRUE(Contains(read.messages, "(line 25, parent 'Mrs S') The unknown key 'shoesize'"));
    EXPECT_FALSE(Contains(read.messages, "vip"));
    EXPECT_FALSE(Contains(read.messages, "newflag"));
    EXPECT_EQ(read.event()->GetParents().FindByName("Mrs S")->GetPupil(0)->GetRequestCount(), 1u);
}

TEST(EventFileReading, AnUnknownFlagRightBeforeTheNextNameKeepsBothPeople) {
    const ReadResult read =
        ReadEvent(WithPeople("\"Tom\"\nnewflag\n\"Pam\"\n", "\"Mrs S\"\nvip\n\"Mr J\"\nvip\n"));
    ASSERT_TRUE(read.schedule) << read.messages;
    EXPECT_EQ(read.event()->GetTeachers().Count(), 2u);
    EXPECT_EQ(read.event()->GetParents().Count(), 2u);
    EXPECT_EQ(read.messages, "");
}

TEST(EventFileReading, ScoreSwitchesGoToTheEventNotTheProcess) {
    const ScoreCompareSwitches before = Score::GetCompareSwitches();
    Score::SetCompareSwitches(ScoreCompareSwitches{true, false});
    const ReadResult read =
        ReadEvent(std::string(kEventSection) + "ScoreCompareAttendance\nTeachers:\nParents:\n");
    ASSERT_TRUE(read.schedule) << read.messages;
    EXPECT_EQ(read.event()->GetScoreSwitches(), (ScoreCompareSwitches{false, true}));
    EXPECT_EQ(Score::GetCompareSwitches(), (ScoreCompareSwitches{true, false}));
    // A failed read leaves them alone too.
    EXPECT_FALSE(ReadEvent(std::string(kEventSection) + "ScoreCompareAttendance\n").schedule);
    EXPECT_EQ(Score::GetCompareSwitches(), (ScoreCompareSwitches{true, false}));
    Score::SetCompareSwitches(before);
}

TEST(EventFileReading, TeacherInitialsAndBreakRules) {
    // Initials equal to the teacher's own name are accepted.
    ReadResult read = ReadEvent(WithPeople("\"Tom\"\ninitials \"TOM\"\n", ""));
    ASSERT_TRUE(read.schedule) << read.messages;
    EXPECT_EQ(read.event()->GetTeachers().Get(0)->GetInitials(), "TOM");

    // A fixed time in the teacher's break is reported and dropped; the request stays.
    read = ReadEvent(WithPeople("\"Mr A\"\ninitials \"AA\"\nbreak 4:30pm\n",
                                "\"Mrs S\"\npupil \"Amy\"\nseeing \"AA\"\nday \"12 Mar 2026\"\n"
                                "at 16:30\npriority \"2\"\n"));
    ASSERT_TRUE(read.schedule) << read.messages;
    // Named at the line after the time, as when the check came straight after it.
    EXPECT_TRUE(
        Contains(read.messages, "(line 21, parent 'Mrs S') Pupil Amy wants to see teacher AA at "));
    EXPECT_TRUE(Contains(read.messages,
                         "but the teacher has a break at that time. The request "
                         "will not be honoured."));
    const Pupil* amy = read.event()->GetParents().Get(0)->GetPupil(0);
    ASSERT_EQ(amy->GetRequestCount(), 1u);
    EXPECT_FALSE(read.schedule->IsRequestBooked(amy->GetRequest(0)));

    // A negative option ends the read without a message of the reader.
    read = ReadEvent(std::string(kEventSection) + "TeacherGapLength \"-1\"\nTeachers:\nParents:\n");
    EXPECT_FALSE(read.schedule);
    EXPECT_FALSE(Contains(read.messages, "(line"));
}

// Bookings whose length no longer fits at their times (the next booking, the day's end) are
// named when the file is read, not dropped unseen to vanish at the next save.
TEST(EventFileReading, BookingsThatNoLongerFitTheirLengthAreNamed) {
    const ReadResult read =
        ReadEvent(WithPeople("\"Mr A\"\ninitials \"AA\"\napptlen \"2\"\n",
                             "\"Mrs S\"\npupil \"Amy\"\nseeing \"AA\"\nat 4:00pm\n"
                             "seeing \"AA\"\nsubject \"Art\"\nat 4:10pm\n"
                             "seeing \"AA\"\nsubject \"Music\"\nat 5:50pm\n"));
    ASSERT_TRUE(read.schedule) << read.messages;
    EXPECT_EQ(read.messages,
              "Warning: These appointments overlap another one or the end of the day at their "
              "length and have not been booked:\n"
              "Mrs S about Amy with Mr A at 4:10pm\nMrs S about Amy with Mr A at 5:50pm\n");
    const AppointmentGrid& grid = read.schedule->GetDay(0)->GetGrid();
    for (const auto& [slot, pupil] : std::vector<std::pair<int, const char*>>{
             {0, "Amy"}, {1, "Amy"}, {2, nullptr}, {3, nullptr}, {11, nullptr}}) {
        SCOPED_TRACE(slot);
        const Appointment* booking = grid.PeekBooking(slot, 0);
        EXPECT_EQ(booking ? booking->GetRequest()->GetPupil()->GetName() : "nobody",
                  pupil ? pupil : "nobody");
    }
}

// An older file may hold a booking made by the old reading of a time between slot starts: a
// family leaving at 4:15pm booked at 4:10pm, a talk from 4:15pm beside a booking at 4:10pm.
// What the reader books must be what booking by hand would allow there, or be named: left in,
// it is printed for a time the family cannot keep and the next untouched OK takes it out, and
// a booking in a talk's slot no road ever takes out.
TEST(EventFileReading, ABookingTheSlotRulesRefuseIsNeitherBookedNorDroppedUnsaid) {
    const char* const welcome =
        "\nPresentations:\n\"Welcome\"\nlocation \"Hall\"\ntimes \"12 Mar 2026\" ";
    struct Case {
        const char* name;
        std::string presentations;
        const char* teacher;  // lines of Mr A after his initials
        const char* parent;   // lines of Mrs S before her pupil
        const char* at;
        bool allowed;  // booking by hand could book it there
    };
    const Case cases[] = {
        {"the family leaves during the slot", "", "", "before 4:15pm\n", "4:10pm", false},
        {"the teacher arrives during the slot", "", "after 4:05pm\n", "", "4:00pm", false},
        {"the family's talk starts during the slot", std::string(welcome) + "4:15pm 4:35pm\n", "",
         "presentation \"Welcome\"\n", "4:10pm", false},
        {"the teacher's talk ends during the slot", std::string(welcome) + "4:00pm 4:15pm\n",
         "presentation \"Welcome\"\n", "", "4:10pm", false},
        {"the second slot of a long booking is a break", "", "apptlen \"2\"\nbreak 4:20pm\n", "",
         "4:10pm", false},
        {"the family leaves as the slot ends", "", "", "before 4:20pm\n", "4:10pm", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ReadResult read =
            ReadEvent(kEventSection + c.presentations + "\nTeachers:\n\"Mr A\"\ninitials \"AA\"\n" +
                      c.teacher + "\n\nParents:\n\"Mrs S\"\n" + c.parent +
                      "pupil \"Amy\"\nseeing \"AA\"\nat " + c.at + "\n");
        ASSERT_TRUE(read.schedule) << read.messages;
        Schedule* day = read.schedule->GetDay(0);
        const AppointmentRequest* request =
            read.event()->GetParents().Get(0)->GetPupil(0)->GetRequest(0);
        int first = -1;
        for (int slot = 0; slot < day->GetNumSlots() && first < 0; ++slot) {
            const Appointment* booking = day->GetGrid().PeekBooking(slot, 0);
            first = booking != nullptr && booking->GetRequest() == request ? slot : -1;
        }
        if (first < 0) {
            EXPECT_FALSE(c.allowed);
            EXPECT_TRUE(Contains(read.messages, "Mrs S") || Contains(read.messages, "Amy"))
                << read.messages;
            continue;
        }
        // Taken out and asked as booking by hand would ask, then put back as it was.
        std::shared_ptr<Appointment> booking = day->GetGrid().RemoveBooking(first, 0);
        ASSERT_TRUE(booking);
        EXPECT_TRUE(day->CanPlaceAppointment(booking, 0, first))
            << "booked at " << day->SlotToTime(first).Format(Time12h);
        ASSERT_TRUE(day->GetGrid().PutBooking(first, 0, booking));
        UCStringError untouchedOK;
        EXPECT_EQ(read.schedule->UnbookOutOfRangeAppointments(), std::vector<std::string>{});
    }
}

TEST(EventFileReading, FamiliesOfTheSameNameWithDifferentIdsBothLoad) {
    const ReadResult read = ReadEvent(WithPeople(
        kTwoTeachers, "\"Mr Smith\"\nuniqueid \"A1\"\n\n\"Mr Smith\"\nuniqueid \"A2\"\n\n"));
    ASSERT_TRUE(read.schedule) << read.messages;
    EXPECT_EQ(read.event()->GetParents().Count(), 2u);
    EXPECT_FALSE(ReadEvent(WithPeople(kTwoTeachers, "\"Mr Smith\"\n\n\"Mr Smith\"\n\n")).schedule);
}

TEST(EventFileReading, LockedFileIsLockedButNotModified) {
    const ReadResult read = ReadEvent(
        WithPeople(kTwoTeachers,
                   "\"Mrs S\"\npupil \"Amy\"\nseeing \"TW\"\nday \"12 Mar 2026\"\nat 4:00pm\n")
            .insert(std::string(kEventSection).size(), "Locked\n"));
    ASSERT_TRUE(read.schedule) << read.messages;
    EXPECT_TRUE(read.event()->IsLocked());
    EXPECT_TRUE(read.schedule->GetDay(0)->GetGrid().PeekBooking(0, 1)->IsLocked());
}

// A time word is read by its clock: the 12-hour forms wrap at 12 and any letter but p before
// the final m is am. A time no clock shows would make a day that ends before it starts or
// runs past midnight, so it is refused as no time at all.
TEST(EventFileReading, TimeWordsReadByTheClockAndHoursPastTheDayAreRefused) {
    const struct {
        const char* word;
        int hours;  // -1: refused
        int minutes;
    } cases[] = {
        {"4:00pm", 16, 0},   {"12:05am", 0, 5}, {"12:00pm", 12, 0}, {"9:30xm", 9, 30},
        {"11:15Pm", 23, 15}, {"16:45", 16, 45}, {"00:00", 0, 0},    {"23:30", 23, 30},
        {"24:00", -1, 0},    {"25:00", -1, 0},  {"99:00", -1, 0},   {"12:60", -1, 0},
        {"9:75pm", -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        std::string text = kEventSection;
        text.replace(text.find("Starts 4:00pm"), 13, std::string("Starts ") + c.word);
        text.replace(text.find("Ends 6:00pm"), 11, "Ends 11:59pm");
        const ReadResult read = ReadEvent(text + "Teachers:\nParents:\n");
        if (c.hours < 0) {
            EXPECT_FALSE(read.schedule);
            EXPECT_TRUE(Contains(read.messages, "Expected time of day")) << read.messages;
            continue;
        }
        ASSERT_TRUE(read.schedule) << read.messages;
        EXPECT_EQ(read.schedule->GetDay(0)->GetStartTime(), TimeOfDay(c.hours, c.minutes, 0));
    }
}

// The reader trims white space at both ends of a quoted text but keeps what the writer escaped,
// so a value with blanks or a line break at either end reads back as it was written.
TEST(EventFileReading, QuotedTextsLoseOnlyTheirUnescapedBlanksAtEitherEnd) {
    const struct {
        const char* quoted;
        const char* notes;
    } cases[] = {
        {"\"  Bring the letter  \"", "Bring the letter"},
        {"\"\\ Bring the letter\\ \"", " Bring the letter "},
        {"\"\\\tindented\"", "\tindented"},
        {"\"last line\\\n\"", "last line\n"},
        {"\" \\\"quoted\\\" \\\\ kept \"", "\"quoted\" \\ kept"},
        {"\"   \"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.quoted);
        const ReadResult read =
            ReadEvent(WithPeople(kTwoTeachers, std::string("\"Mrs S\"\nnotes ") + c.quoted + "\n"));
        ASSERT_TRUE(read.schedule) << read.messages;
        EXPECT_EQ(read.event()->GetParents().Get(0)->GetNotes(), c.notes);
    }
}

// A slot length in minutes is multiplied into seconds: one longer than a day, or one that the
// multiplication would carry past what a number holds, ends the read instead of wrapping round.
TEST(EventFileReading, SlotLengthsNoDayHoldsEndTheRead) {
    const struct {
        const char* line;
        int seconds;  // -1: refused
    } cases[] = {
        {"SlotLength \"5\"", 300},   {"SlotLengthSecs \"330\"", 330},
        {"SlotLength \"1441\"", -1}, {"SlotLength \"2147483647\"", -1},
        {"SlotLength \"-10\"", -1},  {"SlotLength \"\"", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::string text = kEventSection;
        text.replace(text.find("SlotLength \"10\""), 15, c.line);
        const ReadResult read = ReadEvent(text + "Teachers:\nParents:\n");
        if (c.seconds < 0) {
            EXPECT_FALSE(read.schedule);
            continue;
        }
        ASSERT_TRUE(read.schedule) << read.messages;
        EXPECT_EQ(read.event()->GetSlotLength(), c.seconds);
    }
}

// A number no editor takes would overflow the slot arithmetic or keep the optimiser stepping
// through slots no day has: the read stops and says which number.
TEST(EventFileReading, NumbersBeyondWhatTheEditorsTakeEndTheReadWithAMessage) {
    const std::string head = kEventSection;
    const struct {
        const char* name;
        std::string text;
        const char* message;  // null: read
    } cases[] = {
        {"a whole day's waiting in one-second slots", head + "TeacherGapLength \"86400\"\n",
         nullptr},
        {"waiting longer than a day", head + "TeacherGapLength \"2147483647\"\n",
         "(line 9) The TeacherGapLength of 2147483647 slots is longer than a day, so the file "
         "cannot be opened"},
        {"busy time longer than a day", head + "TeacherBlockLength \"86401\"\n",
         "longer than a day"},
        {"a number past an int", head + "ParentGapLength \"4294967296\"\n",
         "(line 9) The number '4294967296' is too large"},
        {"a teacher's length of a whole day", head + "\nTeachers:\n\"Mr A\"\napptlen \"1440\"\n",
         nullptr},
        {"a teacher's length no day holds",
         head + "\nTeachers:\n\"Mr A\"\napptlen \"2147483647\"\n",
         "The appointment length '2147483647' is longer than any day"},
        {"a request's length no day holds",
         WithPeople(kTwoTeachers, "\"Mrs S\"\npupil \"Amy\"\nseeing \"TW\"\nlength \"1441\"\n"),
         "The appointment length '1441' is longer than any day"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = c.text;
        if (text.find("Teachers:") == std::string::npos) {
            text += "\nTeachers:\n";
        }
        if (text.find("Parents:") == std::string::npos) {
            text += "\nParents:\n";
        }
        const ReadResult read = ReadEvent(text);
        if (c.message == nullptr) {
            EXPECT_TRUE(read.schedule) << read.messages;
            continue;
        }
        EXPECT_FALSE(read.schedule);
        EXPECT_TRUE(Contains(read.messages, c.message)) << read.messages;
    }
}
