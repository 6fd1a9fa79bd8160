#include <gtest/gtest.h>

#include <string>

#include "script_fixture.h"
#include "support/temp_folder.h"

namespace {

class EventFunctions : public ScriptFixture {};

TEST_F(EventFunctions, AReportSeesTheWholeEvent) {
    EXPECT_EQ(RunMain("event_report.lua"),
              "event Spring Evening 05 Mar 2024 2\n"
              "slots 12 6:00pm 18:00 18:55:00\n"
              "teacher Teacher Alice Smith AS Room 1 1 1 Maths+Physics true 6:00pm 19:00 false\n"
              "teacher Teacher Bob Jones BJ  1 1 French true 6:00pm 19:00 true\n"
              "parent Carol White carol@example.org 1 High Street Carol White false false 2 "
              "false\n"
              "pupil Pupil Dan White 7B Red 2 false\n"
              "request 1 Alice Smith Maths 3 1\n"
              "request 2 Bob Jones French 1 2\n"
              "taught by 2 0,1,2\n"
              "taught 0 Maths Alice Smith\n"
              "taught 1 Physics Alice Smith\n"
              "taught 2 French Bob Jones\n"
              "pupil Pupil Eve White   0 true\n"
              "taught by 0 \n"
              "appointment 6:10pm Alice Smith Carol White Dan White Maths 3\n"
              "appointment 6:15pm Alice Smith Carol White Dan White Maths 3\n"
              "appointment 6:20pm Alice Smith Carol White Dan White Maths 3\n"
              "parent appointments 3 Alice Smith\n"
              "breaks 1 0,1 5 3 2024 6:05pm 18:05\n"
              "pupils of a teacher 0 name of a talk []\n"
              "talk Presentation Careers Talk Hall 18:20:00 18:35:00 false\n"
              "score 0\n"
              "second day 06 Mar 2024 0 0\n"
              "after -1 06 Mar 2024\n"
              "this replaced Spring Evening\n");
    EXPECT_EQ(ErrorText(), "");
}

// Runs one case of the fixture that changes the event and returns its output.
class EventChanges : public ScriptFixture {
protected:
    std::string Run(const char* name, QMLuaScript* script = nullptr) {
        std::unique_ptr<QMLuaScript> own;
        if (script == nullptr) {
            own = Load("event_changes.lua");
            script = own.get();
        }
        script->output.clear();
        SetGlobal(*script, "case", name);
        EXPECT_TRUE(script->RunMain()) << ErrorText();
        return script->output;
    }
    bool IsBooked(const AppointmentRequest* request) { return Days().IsRequestBooked(request); }
};

TEST_F(EventChanges, OnlyATeachersLocationAndMeetingLinkCanBeSet) {
    EXPECT_EQ(Run("setfield"), "false true true false nil\n");
    EXPECT_EQ(alice->GetInitials(), "AS");
    EXPECT_EQ(alice->GetLocation(), "Lab 2");
    EXPECT_EQ(alice->GetMeetingLink(), "https://meet.example.org/as");
    EXPECT_TRUE(event->IsModified());
}

TEST_F(EventChanges, NewPresentationsAreCheckedAsTheWindowChecksThem) {
    EXPECT_EQ(Run("addpresentation"),
              "nil\n"
              "Presentation Sports Day Gym 18:40:00 18:50:00 2\n"
              "nil nil nil\n"
              "nil nil\n");
    EXPECT_EQ(ErrorText(),
              "Cannot insert the new presentation 'Careers Talk' because a presentation of the "
              "same name already exists\n"
              "Cannot insert the new presentation 'No Times' because it is invalid\n"
              "Please enter a title for this presentation\n"
              "The end time is after the end of the event\n"
              "The start time must be one of the day's slot times\n"
              "The end time must be one of the day's slot times\n");
    ASSERT_EQ(event->GetPresentations().Count(), 2u);
    EXPECT_EQ(event->GetPresentations().GetPresentation(1)->GetDate(), Date(5, 3, 2024));
}

TEST_F(EventChanges, AttendingATalkUnbooksWhatClashesOnItsDayOnly) {
    const AppointmentRequest* maths = dan->GetRequest(0);
    EXPECT_EQ(Run("attendpres"),
              "3 false\n"
              "true true 0\n"
              "false nil\n");
    EXPECT_FALSE(IsBooked(maths));
    EXPECT_FALSE(carol->AttendsPresentation(event->GetPresentations().GetPresentation(0)));
    // The booking the talk took is named, as the window's choice names it.
    EXPECT_EQ(sink.Texts(SeverityWarning),
              std::vector<std::string>{
                  "These appointments fall where the teacher or the family is no longer "
                  "available (away, outside their hours, in a break or at a presentation) and "
                  "have been unbooked:\nCarol White about Dan White with Alice Smith at 6:10pm "
                  "on 05 Mar 2024"});
}

TEST_F(EventChanges, DeletingARequestTakesItsBookingAndOnlyThatRequest) {
    const AppointmentRequest* french = dan->GetRequest(1);
    EXPECT_EQ(Run("deleterequest"), "2 3\n1 0 French\n");
    ASSERT_EQ(dan->GetRequestCount(), 1u);
    EXPECT_EQ(dan->GetRequest(0), french);
    EXPECT_EQ(Day(0)->GetGrid().PeekBooking(2, 0), nullptr);
    EXPECT_TRUE(event->IsModified());
}

// A locked event is refused by every script road as the window refuses it: nothing changes,
// and the message is the window's.
TEST_F(EventChanges, EveryRoadIntoALockedEventIsRefusedWithTheWindowsMessage) {
    // Another copy of the event, with a teacher this one lacks.
    TempFolder folder{"qm-script-locked"};
    ASSERT_TRUE(Days().AddTeacher(std::make_unique<Teacher>("Fay Green")));
    folder.Write("copy.qmv", controller.FormatEventText());
    ASSERT_TRUE(Days().DeleteTeacher(event->GetTeachers().At(2)));
    const std::string locked = " because the schedule is locked";
    const std::string remove = "Cannot remove an appointment" + locked;
    struct Case {
        const char* name;
        const char* output;
        std::vector<std::string> errors;
    } cases[] = {
        {"merge", "false \n", {"Cannot merge changes" + locked}},
        {"setfield",
         "false false false false nil\n",
         {"Cannot set a teacher's location" + locked,
          "Cannot set a teacher's meeting link" + locked}},
        // A booking in the way is the timetable's own refusal.
        {"attendpres", "3 false\nfalse false 3\nfalse nil\n", {remove, remove}},
        // Also for the request the pupil does not have: the schedule refuses before it looks.
        {"deleterequest", "2 3\n2 3 Maths\n", {remove, remove}},
        {"optimise", "", {"Cannot optimise the schedule because it is locked"}},
    };
    // As the window's Lock Schedule locks it.
    event->SetLocked(true);
    Days().SetLocked(true);
    const std::string before = controller.DigestEventText();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sink.messages.clear();
        auto script = Load("event_changes.lua");
        SetGlobal(*script, "other", folder.File("copy.qmv"));
        EXPECT_EQ(Run(c.name, script.get()), c.output);
        EXPECT_EQ(sink.Texts(SeverityError), c.errors);
        EXPECT_EQ(controller.DigestEventText(), before);
    }
}

TEST_F(EventChanges, EightBitTextIsStoredAsUTF8AndComesBackFromTheFile) {
    event->SetName("Zo\xC3\xAB Bront\xC3\xAB evening");
    EXPECT_EQ(Run("eightbit"), "true true\n");
    EXPECT_EQ(alice->GetLocation(), "Salle \xC3\xA9t\xC3\xA9");
    EXPECT_EQ(alice->GetMeetingLink(), "https://caf\xC3\xA9.example.org");
    TempFolder folder{"qm-script-8bit"};
    const std::string path = folder.Write("event.qmv", controller.FormatEventText());
    QMController reopened;
    ASSERT_TRUE(reopened.OpenEventFile(path.c_str())) << ErrorText();
    EXPECT_EQ(reopened.GetEvent()->GetName(), "Zo\xC3\xAB Bront\xC3\xAB evening");
    const Teacher* again = reopened.GetEvent()->GetTeachers().FindByNameOrInitials("AS");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->GetLocation(), "Salle \xC3\xA9t\xC3\xA9");
}

TEST_F(EventChanges, ALockedBookingKeepsItsRequest) {
    // The unbooking is refused; deleting the request would leave the timetable pointing at it.
    Day(0)->GetGrid().PeekBooking(2, 0)->SetLocked(true);
    EXPECT_EQ(Run("deleterequest"), "2 3\n2 3 Maths\n");
    EXPECT_EQ(ErrorText(), "Cannot remove an appointment because the schedule is locked\n");
    EXPECT_TRUE(IsBooked(dan->GetRequest(0)));
}

TEST_F(EventChanges, OptimisingRunsAtLeastOnePassAndTalksOnlyWhenAsked) {
    for (const char* verbose : {"no", "yes"}) {
        SCOPED_TRACE(verbose);
        sink.messages.clear();
        auto script = Load("event_changes.lua");
        SetGlobal(*script, "verbose", verbose);
        Run("optimise", script.get());
        std::vector<std::string> debug = sink.Texts(SeverityDebug);
        EXPECT_EQ(ErrorText(), "");
        if (std::string(verbose) == "no") {
            EXPECT_TRUE(debug.empty());
            continue;
        }
        // The start, a progress line after each step but the one that ends the generation
        // (ten candidates, ten steps), then the pass's end and the statistics.
        ASSERT_EQ(debug.size(), 12u);
        EXPECT_EQ(debug.front(), "Optimise starting with numkids=10");
        for (size_t i = 1; i <= 9; ++i) {
            EXPECT_TRUE(BeginsWith(debug[i], "Testing start positions ")) << debug[i];
        }
        EXPECT_EQ(debug[1], "Testing start positions 20%");
        EXPECT_EQ(debug[9], "Testing start positions 100%");
        EXPECT_EQ(debug[10], "Optimise passes remaining=1, score=1000");
        EXPECT_FALSE(debug[11].empty());
    }
    // Every request ends up booked in the one family's evening.
    EXPECT_TRUE(IsBooked(dan->GetRequest(0)));
    EXPECT_TRUE(IsBooked(dan->GetRequest(1)));
}

TEST_F(EventChanges, WithoutACurrentDayTheDayFunctionsGiveNothing) {
    auto script = Load("event_changes.lua");
    Run("selectday", script.get());
    // The event loses its second day while the script still works on it.
    controller.SetEvent(std::make_unique<MultiDaySchedule>(controller.GetEvent()));
    EXPECT_EQ(script->GetCurrentSchedule(), nullptr);
    EXPECT_EQ(Run("noday", script.get()),
              "false nil nil nil nil nil\n"
              "nil nil 2\n");
}

}  // namespace
