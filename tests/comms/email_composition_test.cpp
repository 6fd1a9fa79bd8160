#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "comms/email_fixture.h"
#include "comms/email_job.h"

namespace {

TEST(EmailPlaceholders, WholeWordsEveryOccurrenceInOnePass) {
    struct Case {
        const char* name;
        const char* text;
        std::map<std::string, std::string> values;
        const char* expected;
    };
    const Case cases[] = {
        {"every occurrence", "NAME and NAME", {{"NAME", "Jo"}}, "Jo and Jo\r\n"},
        {"longer words stay",
         "SURNAME NAMES NAME1 NAME",
         {{"NAME", "Jo"}},
         "SURNAME NAMES NAME1 Jo\r\n"},
        {"punctuation ends a word", "(NAME),NAME.", {{"NAME", "Jo"}}, "(Jo),Jo.\r\n"},
        {"case matters", "name Name", {{"NAME", "Jo"}}, "name Name\r\n"},
        {"values are not searched again",
         "NAME: NOTES",
         {{"NAME", "NOTES"}, {"NOTES", "Bring the letter"}},
         "NOTES: Bring the letter\r\n"},
        {"LF becomes CR LF", "one\ntwo\n", {}, "one\r\ntwo\r\n"},
        {"CR LF stays single", "one\r\ntwo\r\n", {}, "one\r\ntwo\r\n"},
        {"last line gets an end", "one\ntwo", {}, "one\r\ntwo\r\n"},
        {"empty text stays empty", "", {}, ""},
        {"multi-line value",
         "A\nSCHEDULE\nB",
         {{"SCHEDULE", "x\r\ny\r\n"}},
         "A\r\nx\r\ny\r\n\r\nB\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EmailJob::FillPlaceholders(c.text, c.values), c.expected);
    }
    EXPECT_EQ(EmailJob::ReplacePlaceholder("Dear NAME, NAME", "NAME", "Jo"), "Dear Jo, Jo\r\n");
    EXPECT_EQ(EmailJob::GetLineEnd(EmailTextPlain), "\r\n");
    EXPECT_EQ(EmailJob::GetLineEnd(EmailTextCalendar), "\\n");
}

// Amy Smith sees Mr Whitfield about Maths (two slots from 6pm) and Ms Raman (6:15pm) on the
// first day; her request for Physics with Ms Raman is booked nowhere. Her mother goes to a talk
// at 6:30pm. Ben Lee sees Ms Raman at 6:20pm on the second day; Cat Lee's Art request is unbooked.
class EmailTexts : public EmailEvent {
protected:
    EmailTexts() {
        Book(amy_, whitfield_, "Maths", 2, 0, 0);
        Book(amy_, raman_, "", 1, 0, 3);
        Book(amy_, raman_, "Physics", 1, 0, -1);
        Book(ben_, raman_, "", 1, 1, 4);
        Book(cat_, whitfield_, "Art", 1, 1, -1);
        Presentation* talk = AddTalk("Options talk", "Hall", "6:30pm", "7:00pm");
        smith_->AddPresentation(talk);
        whitfield_->AddPresentation(talk);
        whitfield_->AddBreak(DateTime(Date(12, 3, 2026), TimeOfDay(18, 20, 0)));
        Selection().SetParentNotes("Park at the back.");
        Selection().SetTeacherNotes("Staff room open.");
    }
    std::string Text(EmailTextKind kind, Person* person, int day,
                     EmailTextStyle style = EmailTextPlain) {
        EmailJob job(&controller_, kind);
        Schedule* schedule = day < 0 ? nullptr : Day(day);
        const PersonKind type = person->GetKind();
        if (type == PersonKind::Parent) {
            return job.ComposeParentText(static_cast<Parent*>(person), schedule, style);
        }
        if (type == PersonKind::Pupil) {
            return job.ComposePupilText(static_cast<Pupil*>(person), schedule, style);
        }
        return job.ComposeTeacherText(static_cast<Teacher*>(person), schedule, style);
    }
};

TEST_F(EmailTexts, BuiltInInvitationsNameTheFirstTwoDays) {
    EXPECT_EQ(Text(EmailInvitation, smith_, 0),
              "Dear Mrs Jane Smith,\r\n\r\n"
              "You are invited to attend Hill School on 12 Mar 2026 or 13 Mar 2026 for the "
              "following event: Spring evening\r\n\r\n"
              "Please visit the following website to register who you would like to see:\r\n"
              "https://web.example/p/smith\r\n\r\n"
              "Best regards,\r\n\r\nHill School\r\n\r\n");
    EXPECT_TRUE(days_->AppendNextDay());
    const std::string pupil = Text(EmailReminder, amy_, 0);
    EXPECT_EQ(pupil,
              "Dear Amy Smith (7A),\r\n\r\n"
              "You are invited to attend Hill School on 12 Mar 2026 or 13 Mar 2026 for the "
              "following event: Spring evening\r\n\r\n"
              "Please contact the school to register who you would like to see.\r\n\r\n"
              "Best regards,\r\n\r\nHill School\r\n\r\n");
    EXPECT_EQ(Text(EmailInvitation, whitfield_, 0), "");
}

TEST_F(EmailTexts, InvitationTemplatesFillNameAndLinkForParentsAndPupils) {
    ASSERT_TRUE(event_->SetParentEmailText(EmailInvitation, "Hello NAME\nSee LINK\n"));
    ASSERT_TRUE(event_->SetPupilEmailText(EmailInvitation, "Hi NAME, your family's page: LINK"));
    EXPECT_EQ(Text(EmailInvitation, smith_, 0),
              "Hello Mrs Jane Smith\r\nSee https://web.example/p/smith\r\n");
    EXPECT_EQ(Text(EmailInvitation, amy_, 0),
              "Hi Amy Smith (7A), your family's page: https://web.example/p/smith\r\n");
}

TEST_F(EmailTexts, ParentResultsListAppointmentsTalksUnbookedRequestsAndNotes) {
    const std::string schedule =
        "6:00pm - 6:10pm: You are seeing Mr Tom Whitfield (Maths) (Room 4)\r\n\r\n"
        "6:15pm - 6:20pm: You are seeing Ms Priya Raman\r\n"
        "Link: https://meet.example/pr\r\n\r\n"
        "6:30pm - 7:00pm: You are attending Options talk, location Hall\r\n\r\n";
    EXPECT_EQ(Text(EmailResults, smith_, 0),
              "Dear Mrs Jane Smith,\r\n\r\n"
              "You are invited to attend Hill School on 12 Mar 2026 for the following event: "
              "Spring evening\r\n\r\n"
              "Your schedule is shown below:\r\n\r\n" +
                  schedule +
                  "The following appointments you requested could not be booked: \r\n"
                  "Ms Priya Raman, discussing Physics\r\n\r\n"
                  "Park at the back.\r\n\r\n");
    EXPECT_EQ(Text(EmailResults, smith_, 0, EmailTextCalendar),
              "6:00pm - 6:10pm: You are seeing Mr Tom Whitfield (Maths) (Room 4)\\n"
              "6:15pm - 6:20pm: You are seeing Ms Priya Raman\\n"
              "6:30pm - 7:00pm: You are attending Options talk, location Hall\\n"
              "The following appointments you requested could not be booked: \\n"
              "Ms Priya Raman, discussing Physics\\n");
    // With two children every line says which child it is about.
    EXPECT_EQ(Text(EmailResults, lee_, 1),
              "Dear Mr Kim Lee,\r\n\r\n"
              "You are invited to attend Hill School on 13 Mar 2026 for the following event: "
              "Spring evening\r\n\r\n"
              "Your schedule is shown below:\r\n\r\n"
              "6:20pm - 6:25pm: You are seeing Ms Priya Raman about Ben Lee (8B)\r\n"
              "Link: https://meet.example/pr\r\n\r\n"
              "The following appointments you requested could not be booked: \r\n"
              "Mr Tom Whitfield about Cat Lee (9C), discussing Art\r\n\r\n"
              "Park at the back.\r\n\r\n");
    EXPECT_EQ(Text(EmailResults, smith_, -1), "");

    ASSERT_TRUE(
        event_->SetParentEmailText(EmailResults, "NAME:\nSCHEDULE\nMissing:\nUNBOOKED\nNOTES"));
    EXPECT_EQ(Text(EmailResults, smith_, 0),
              "Mrs Jane Smith:\r\n" + schedule +
                  "\r\nMissing:\r\nMs Priya Raman, discussing Physics\r\n\r\n"
                  "Park at the back.\r\n");
}

TEST_F(EmailTexts, TeacherResultsListBookingsBreaksTalksAndUnbookedRequests) {
    const std::string lines =
        "At 6:00pm you are seeing Mrs Jane Smith about Amy Smith (7A) (Maths)\r\n\r\n"
        "At 6:20pm you have a break\r\n\r\n"
        "At 6:30pm you are attending Options talk, location Hall\r\n\r\n";
    EXPECT_EQ(Text(EmailResults, whitfield_, 0),
              "Dear Mr Tom Whitfield,\r\n\r\n"
              "You are booked to attend the following event: Spring evening on 12 Mar 2026\r\n\r\n"
              "Your location during the event is: Room 4\r\n\r\n"
              "Your schedule is shown below:\r\n" +
                  lines +
                  "The following appointments you requested could not be booked: \r\n"
                  "Mr Kim Lee about Cat Lee (9C), discussing Art\r\n\r\n"
                  "Staff room open.\r\n\r\n");
    EXPECT_EQ(Text(EmailResults, whitfield_, 0, EmailTextCalendar),
              "Your location during the event is: Room 4\\n\\n"
              "At 6:00pm you are seeing Mrs Jane Smith about Amy Smith (7A) (Maths)\\n"
              "At 6:20pm you have a break\\n"
              "At 6:30pm you are attending Options talk, location Hall\\n\\n"
              "The following appointments you requested could not be booked: \\n"
              "Mr Kim Lee about Cat Lee (9C), discussing Art\\n");
    // Breaks are left out when the user says so.
    Selection().SetTeacherBreaks(false);
    EXPECT_EQ(Text(EmailResults, whitfield_, 0).find("break"), std::string::npos);

    ASSERT_TRUE(event_->SetTeacherEmailText(EmailResults, "NAME in LOCATION\nSCHEDULE"));
    EXPECT_EQ(Text(EmailResults, raman_, 0),
              "Ms Priya Raman in \r\n"
              "At 6:15pm you are seeing Mrs Jane Smith about Amy Smith (7A)\r\n"
              "Link: https://meet.example/pr\r\n\r\n");
}

TEST_F(EmailTexts, PupilResultsShowOnlyTheirOwnDay) {
    EXPECT_EQ(Text(EmailResults, amy_, 0),
              "Dear Amy Smith (7A),\r\n\r\n"
              "You are invited to attend Hill School on 12 Mar 2026 for the following event: "
              "Spring evening\r\n\r\n"
              "Your schedule is shown below:\r\n\r\n"
              "6:00pm - 6:10pm: You are seeing Mr Tom Whitfield (Maths) (Room 4)\r\n\r\n"
              "6:15pm - 6:20pm: You are seeing Ms Priya Raman\r\n"
              "Link: https://meet.example/pr\r\n\r\n");
    EXPECT_EQ(Text(EmailResults, amy_, 1), "");
    EXPECT_EQ(Text(EmailResults, cat_, 1), "");
    // A results text fills every word its window offers (the family's notes, and the pupil's
    // own requests booked on no day); LINK is a word of invitations and reminders.
    ASSERT_TRUE(event_->SetPupilEmailText(EmailResults, "NAME\nSCHEDULE\nUNBOOKED\nNOTES\nLINK"));
    EXPECT_EQ(Text(EmailResults, amy_, 0),
              "Amy Smith (7A)\r\n"
              "6:00pm - 6:10pm: You are seeing Mr Tom Whitfield (Maths) (Room 4)\r\n\r\n"
              "6:15pm - 6:20pm: You are seeing Ms Priya Raman\r\n"
              "Link: https://meet.example/pr\r\n\r\n\r\n"
              "Ms Priya Raman, discussing Physics\r\n\r\n"
              "Park at the back.\r\nLINK\r\n");
    EXPECT_EQ(Text(EmailResults, ben_, 1),
              "Ben Lee (8B)\r\n6:20pm - 6:25pm: You are seeing Ms Priya Raman\r\n"
              "Link: https://meet.example/pr\r\n\r\n\r\n\r\nPark at the back.\r\nLINK\r\n");
}

// The slot holding the end of a talk that runs on after the evening does not exist; the talk's
// own end time is shown rather than a time before the evening began.
TEST_F(EmailTexts, ATalkRunningPastTheEveningShowsItsOwnEndTime) {
    Presentation* late = AddTalk("Sixth form talk", "Library", "9:30pm", "10:30pm");
    smith_->AddPresentation(late);
    const std::string line =
        "9:30pm - 10:30pm: You are attending Sixth form talk, location Library";
    EXPECT_NE(Text(EmailResults, smith_, 0).find(line + "\r\n\r\n"), std::string::npos);
    EXPECT_NE(Text(EmailResults, smith_, 0, EmailTextCalendar).find(line + "\\n"),
              std::string::npos);
}

// "18:05:00": compared as text, in the order of the times.
std::string Clock(const TimeOfDay& time) {
    return time.Format(Time24hs);
}

// The "A - B" of the line naming what, or false when no line does. Lines end in a line break,
// or in the two characters backslash and n in a calendar's text.
bool LineTimes(const std::string& text, const std::string& what, TimeOfDay* from, TimeOfDay* to) {
    const size_t at = text.find(": " + what);
    if (at == std::string::npos) {
        return false;
    }
    const std::string before = text.substr(0, at);
    const size_t plain = before.rfind('\n');
    const size_t escaped = before.rfind("\\n");
    size_t begin = plain == std::string::npos ? 0 : plain + 1;
    if (escaped != std::string::npos) {
        begin = std::max(begin, escaped + 2);
    }
    const std::string times = before.substr(begin);
    const size_t dash = times.find(" - ");
    return dash != std::string::npos && from->Parse(times.substr(0, dash).c_str()) &&
           to->Parse(times.substr(dash + 3).c_str());
}

// A talk a new day start, slot length or closing time leaves off the slots is still the
// family's: their results text names it, at times that hold as much of it as the evening does,
// and the calendar sent with it covers the whole talk. A family told less arrives late or leaves
// during it.
TEST_F(EmailTexts, AFamilysTalkOffTheSlotsIsInItsTextAndCalendarWithTimesThatHoldIt) {
    struct Case {
        const char* name;
        TimeOfDay start, end;
    };
    const Case cases[] = {
        {"on the slot starts", TimeOfDay(19, 0, 0), TimeOfDay(19, 30, 0)},
        {"begins before the evening", TimeOfDay(17, 30, 0), TimeOfDay(18, 15, 0)},
        {"ends between slot starts", TimeOfDay(19, 0, 0), TimeOfDay(19, 32, 0)},
        {"runs past the evening", TimeOfDay(21, 30, 0), TimeOfDay(22, 30, 0)},
    };
    Presentation* talk = AddTalk("Sixth form talk", "Library", "7:00pm", "7:30pm");
    lee_->AddPresentation(talk);
    const Schedule* day = Day(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(talk->SetTimes(c.start, c.end));
        const TimeOfDay latestStart = std::max(c.start, day->GetStartTime());
        const TimeOfDay earliestEnd = std::min(c.end, day->GetEndTime());
        for (EmailTextStyle style : {EmailTextPlain, EmailTextCalendar}) {
            const std::string text = Text(EmailResults, lee_, 0, style);
            TimeOfDay from;
            TimeOfDay to;
            if (!LineTimes(text, "You are attending Sixth form talk", &from, &to)) {
                ADD_FAILURE() << "no line for the talk in:\n" << text;
                continue;
            }
            EXPECT_LE(Clock(from), Clock(latestStart));
            EXPECT_GE(Clock(to), Clock(earliestEnd));
        }
        const ICalendar calendar = Day(0)->MakePersonICalendar(lee_);
        EXPECT_LE(Clock(calendar.GetStartTime()), Clock(c.start));
        EXPECT_GE(Clock(calendar.GetEndTime()), Clock(c.end));
    }
}

}  // namespace
