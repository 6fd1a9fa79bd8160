#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "gui/people/people_edits.h"
#include "people_school.h"

namespace {

class PeopleEdits : public PeopleSchool {};

class TwoDayPeopleEdits : public PeopleSchool {
protected:
    TwoDayPeopleEdits() : PeopleSchool(2) {}
};

TEST_F(PeopleEdits, RequestEntryChecksTeacherThenLengthThenReadsPriority) {
    struct Case {
        const char* name;
        bool editing;
        const char* teacher;
        bool useTeacherLength;
        const char* length;
        const char* priority;
        Teacher* expectedTeacher;
        int expectedLength;
        int expectedPriority;
        const char* message;
    };
    const Case cases[] = {
        {"initials in any case", false, "ab", false, "3 slots", "High", mrA_, 3, 2, nullptr},
        {"full name", false, "Mrs B", true, "", "Low", mrsB_, -1, 0, nullptr},
        {"box ignores the text", false, "MB", true, "two", "Normal", mrsB_, -1, 1, nullptr},
        {"empty teacher", false, "", false, "two", "Normal", nullptr, 0, 0,
         "Teacher name not known, please try again"},
        {"unknown teacher", false, "Mr Z", true, "", "Normal", nullptr, 0, 0,
         "Teacher name not known, please try again"},
        {"zero", false, "AB", false, "0", "Normal", nullptr, 0, 0,
         "The requested length must be greater than zero"},
        {"negative", false, "AB", false, "-2", "Normal", nullptr, 0, 0,
         "The requested length must be greater than zero"},
        {"words", false, "AB", false, "two", "Normal", nullptr, 0, 0,
         "The requested length must be greater than zero"},
        {"longer than any day", false, "AB", false, "19", "Normal", nullptr, 0, 0,
         "The requested length must be no more than 18 slots, the length of the longest day"},
        // Read as 1,000,000,000 and -1,000,000,000.
        {"past a billion", false, "AB", false, "3000000000", "Normal", nullptr, 0, 0,
         "The requested length must be no more than 18 slots, the length of the longest day"},
        {"below minus a billion", false, "AB", false, "-3000000000", "Normal", nullptr, 0, 0,
         "The requested length must be greater than zero"},
        {"edit mode never reads the teacher", true, "nobody", false, "18", "High", nullptr, 18, 2,
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sink_.entries.clear();
        RequestEntry entry;
        entry.length = 99;
        const bool ok =
            ReadRequestEntry(event_->GetTeachers(), c.editing ? EditMode::Edit : EditMode::Add,
                             {c.teacher, "Maths", c.useTeacherLength, c.length, c.priority},
                             LongestDaySlots(*days_), &entry);
        if (c.message) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(sink_.Texts(), std::vector<std::string>{c.message});
            EXPECT_EQ(entry.length, 99);
            continue;
        }
        ASSERT_TRUE(ok);
        EXPECT_TRUE(sink_.entries.empty());
        EXPECT_EQ(entry.teacher, c.expectedTeacher);
        EXPECT_EQ(entry.subject, c.editing ? "" : "Maths");
        EXPECT_EQ(entry.length, c.expectedLength);
        EXPECT_EQ(entry.priority, c.expectedPriority);
    }
}

TEST_F(TwoDayPeopleEdits, RequestLinesShowTimeDateAndOwnLength) {
    ASSERT_TRUE(amy_->AddRequest(mrA_, "Maths", 1, 2));
    ASSERT_TRUE(amy_->AddRequest(mrA_, "", 1, -1));
    ASSERT_TRUE(amy_->AddRequest(mrsB_, "Art", 1, 3));
    ASSERT_TRUE(Book(amy_, 0, 18, 10));
    EXPECT_EQ(RequestLine(*days_, *amy_, 0), "Mr A (Maths) at 6:10pm on 07 Mar 2024 (2 slots)");
    EXPECT_EQ(RequestLine(*days_, *amy_, 1), "Mr A (not booked yet)");
    EXPECT_EQ(RequestLine(*days_, *amy_, 2), "Mrs B (Art) (3 slots) (not booked yet)");
    amy_->AddTaughtBy(mrsB_, "Art");
    amy_->AddTaughtBy(mrA_, "");
    EXPECT_EQ(TaughtByLine(*amy_, 0), "Mrs B (Art)");
    EXPECT_EQ(TaughtByLine(*amy_, 1), "Mr A");
}

TEST_F(PeopleEdits, OneDayRequestLineHasNoDate) {
    ASSERT_TRUE(amy_->AddRequest(mrA_, "", 1, -1));
    ASSERT_TRUE(Book(amy_, 0, 19, 0));
    EXPECT_EQ(RequestLine(*days_, *amy_, 0), "Mr A at 7:00pm");
}

TEST_F(PeopleEdits, ARequestForTheSameTeacherAndSubjectIsRefused) {
    RequestEntry maths{mrA_, "Maths", 1, -1};
    ASSERT_TRUE(AddPupilRequest(*amy_, maths));
    EXPECT_FALSE(AddPupilRequest(*amy_, maths));
    RequestEntry plain{mrA_, "", 1, -1};
    ASSERT_TRUE(AddPupilRequest(*amy_, plain));
    EXPECT_FALSE(AddPupilRequest(*amy_, plain));
    EXPECT_TRUE(AddPupilRequest(*amy_, RequestEntry{mrA_, "Physics", 2, 2}));
    EXPECT_EQ(sink_.Texts(),
              (std::vector<std::string>{
                  "This pupil is already requesting an appointment with Mr A about subject "
                  "'Maths'",
                  "This pupil is already requesting an appointment with Mr A"}));
    EXPECT_EQ(amy_->GetRequestCount(), 3u);
}

// Only a length that books differently unbooks: 0, which a file may hold, and -1 both mean the
// teacher's, and the editor answers -1 for either.
TEST_F(PeopleEdits, OnlyAChangedLengthUnbooksAndTheTeachersLengthKeepsItsStoredValue) {
    struct Case {
        int before;
        int given;
        bool booked;
        int after;
    };
    const Case cases[] = {
        {-1, -1, true, -1}, {0, -1, true, 0}, {-1, 0, true, -1},
        {-1, 2, false, 2},  {2, 2, true, 2},  {2, -1, false, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.before) + " to " + std::to_string(c.given));
        ASSERT_TRUE(amy_->AddRequest(mrA_, "Maths", 1, c.before));
        ASSERT_TRUE(Book(amy_, 0, 18, 0));
        ASSERT_TRUE(ChangeRequest(*days_, *amy_, 0, 1, c.given));
        EXPECT_EQ(days_->FindAppointment(amy_, 0), c.booked);
        EXPECT_EQ(amy_->GetRequest(0)->GetOwnLength(), c.after);
        ASSERT_TRUE(RemovePupilRequest(*days_, *amy_, 0));
    }
}

TEST_F(PeopleEdits, ChangingTheLengthUnbooksButThePriorityAloneDoesNot) {
    ASSERT_TRUE(amy_->AddRequest(mrA_, "Maths", 1, -1));
    ASSERT_TRUE(Book(amy_, 0, 18, 0));
    ASSERT_TRUE(ChangeRequest(*days_, *amy_, 0, 2, -1));
    EXPECT_TRUE(days_->FindAppointment(amy_, 0));
    EXPECT_EQ(amy_->GetRequest(0)->GetPriority(), 2);
    ASSERT_TRUE(ChangeRequest(*days_, *amy_, 0, 2, 2));
    EXPECT_FALSE(days_->FindAppointment(amy_, 0));
    EXPECT_EQ(amy_->GetRequest(0)->GetOwnLength(), 2);
}

// Removing or resizing a request the timetable still books would leave the grid pointing at a
// deleted or wrongly sized request.
TEST_F(PeopleEdits, ALockedBookingKeepsItsRequestWhole) {
    ASSERT_TRUE(amy_->AddRequest(mrA_, "Maths", 1, -1));
    ASSERT_TRUE(amy_->AddRequest(mrA_, "Art", 1, -1));
    ASSERT_TRUE(Book(amy_, 0, 18, 0));
    Lock();
    EXPECT_FALSE(RemovePupilRequest(*days_, *amy_, 0));
    EXPECT_FALSE(ChangeRequest(*days_, *amy_, 0, 1, 3));
    ASSERT_EQ(amy_->GetRequestCount(), 2u);
    EXPECT_EQ(amy_->GetRequest(0)->GetOwnLength(), -1);
    EXPECT_TRUE(days_->FindAppointment(amy_, 0));
    // Booked still, so booking it by hand would put it in twice.
    sink_.entries.clear();
    EXPECT_FALSE(BookRequestAt(*days_, *amy_, 0, DateTime(Date(7, 3, 2024), TimeOfDay(19, 0, 0))));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{
                                 "This appointment is still booked and cannot be booked again"});
    EXPECT_EQ(days_->GetDay(0)->GetGrid().PeekBooking(6, 0), nullptr);
    // An unbooked one is refused by the lock alone, with its one message.
    sink_.entries.clear();
    EXPECT_FALSE(BookRequestAt(*days_, *amy_, 1, DateTime(Date(7, 3, 2024), TimeOfDay(19, 0, 0))));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{
                                 "Cannot book an appointment because the schedule is locked"});
}

TEST_F(PeopleEdits, RemovingABookedRequestUnbooksItFirst) {
    ASSERT_TRUE(amy_->AddRequest(mrA_, "Maths", 1, -1));
    ASSERT_TRUE(amy_->AddRequest(mrA_, "Art", 1, -1));
    ASSERT_TRUE(Book(amy_, 0, 18, 0));
    ASSERT_TRUE(RemovePupilRequest(*days_, *amy_, 0));
    ASSERT_EQ(amy_->GetRequestCount(), 1u);
    EXPECT_EQ(amy_->GetRequest(0)->GetSubject(), "Art");
    EXPECT_EQ(days_->GetDay(0)->GetGrid().PeekBooking(0, 0), nullptr);
}

TEST_F(PeopleEdits, APupilOutsideTheEventCannotBeBookedByHand) {
    Pupil stranger("Ben");
    stranger.SetParent(jones_);
    ASSERT_TRUE(stranger.AddRequest(mrA_, "", 1, -1));
    EXPECT_FALSE(
        BookRequestAt(*days_, stranger, 0, DateTime(Date(7, 3, 2024), TimeOfDay(18, 0, 0))));
    EXPECT_EQ(days_->GetDay(0)->GetGrid().PeekBooking(0, 0), nullptr);
    Parent newParents("Smith");
    auto pupil = std::make_unique<Pupil>("Cal");
    Pupil* cal = pupil.get();
    newParents.AddPupil(std::move(pupil));
    ASSERT_TRUE(cal->AddRequest(mrA_, "", 1, -1));
    EXPECT_FALSE(BookRequestAt(*days_, *cal, 0, DateTime(Date(7, 3, 2024), TimeOfDay(18, 0, 0))));
    EXPECT_EQ(sink_.entries.size(), 2u);
    EXPECT_EQ(days_->GetDay(0)->GetGrid().PeekBooking(0, 0), nullptr);
}

TEST_F(TwoDayPeopleEdits, ByHandOnlyTimesThatFitAreOfferedAndTheGapModeComesBack) {
    ASSERT_TRUE(amy_->AddRequest(mrA_, "", 1, 2));
    ASSERT_TRUE(amy_->AddRequest(mrsB_, "", 1, -1));
    ASSERT_TRUE(Book(amy_, 1, 18, 30, 1));
    jones_->SetGapMode(EnforceParentGaps);
    const std::vector<DateTime> unfit = UnfitTimes(*days_, *amy_, 0);
    auto offered = [&](unsigned day, int hour, int minute) {
        const DateTime when(days_->GetDay(day)->GetDate(), TimeOfDay(hour, minute, 0));
        return std::find(unfit.begin(), unfit.end(), when) == unfit.end();
    };
    EXPECT_TRUE(offered(0, 18, 0));
    EXPECT_TRUE(offered(1, 18, 10));  // ends where the parents' other appointment starts
    EXPECT_FALSE(offered(1, 18, 20));
    EXPECT_FALSE(offered(1, 18, 30));
    EXPECT_FALSE(offered(0, 20, 50));  // two slots do not fit before the close
    EXPECT_EQ(jones_->GetGapMode(), EnforceParentGaps);
    ASSERT_TRUE(BookRequestAt(*days_, *amy_, 0, DateTime(Date(8, 3, 2024), TimeOfDay(18, 10, 0))));
    EXPECT_EQ(jones_->GetGapMode(), EnforceParentGaps);
    EXPECT_EQ(RequestLine(*days_, *amy_, 0), "Mr A at 6:10pm on 08 Mar 2024 (2 slots)");
}

TEST_F(PeopleEdits, AParentKeyTheDialogAcceptsIsOneTheEventAccepts) {
    jones_->SetUniqueId("J1");
    Parent* smith = AddParent("Smith");
    struct Case {
        const char* name;
        const char* identifier;
        const char* parentName;
        const char* message;
    };
    const Case cases[] = {
        {"free", "P9", "Brown", ""},
        {"another's identifier", "J1", "Brown",
         "The parents \"Jones\" already have the identifier \"J1\""},
        {"another's name as key", "", "Smith",
         "The parents \"Smith\" already have the identifier \"Smith\""},
        {"a name that is not a key", "P9", "Jones", ""},
        {"name used as identifier", "Smith", "Smith",
         "The parents \"Smith\" already have the identifier \"Smith\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ParentKeyClash(event_->GetParents(), nullptr, c.identifier, c.parentName),
                  c.message);
        auto candidate = std::make_unique<Parent>(c.parentName);
        candidate->SetUniqueId(c.identifier);
        const bool accepted =
            ParentKeyClash(event_->GetParents(), nullptr, c.identifier, c.parentName).empty();
        if (accepted) {
            Parent* raw = candidate.get();
            EXPECT_TRUE(days_->AddParent(std::move(candidate)));
            EXPECT_TRUE(days_->DeleteParent(raw));
        }
    }
    // A parent's own key is not a clash.
    EXPECT_EQ(ParentKeyClash(event_->GetParents(), smith, "Smith", "Smith"), "");
}

TEST_F(PeopleEdits, BookedLinesNamePupilsOnlyForSeveralAndListEachSlot) {
    ASSERT_TRUE(amy_->AddRequest(mrA_, "", 1, 2));
    ASSERT_TRUE(Book(amy_, 0, 18, 0));
    EXPECT_EQ(BookedLines(*days_->GetDay(0), *jones_),
              (std::vector<std::string>{"Mr A at 6:00pm", "Mr A at 6:10pm"}));
    Pupil* ben = AddPupil(jones_, "Ben", "9C");
    ASSERT_TRUE(ben->AddRequest(mrsB_, "", 1, -1));
    ASSERT_TRUE(Book(ben, 0, 19, 0));
    EXPECT_EQ(BookedLines(*days_->GetDay(0), *jones_),
              (std::vector<std::string>{"Mr A about Amy at 6:00pm", "Mr A about Amy at 6:10pm",
                                        "Mrs B about Ben at 7:00pm"}));
}

TEST_F(PeopleEdits, AttendanceTimesAreCheckedBeforeAnythingIsWritten) {
    const Schedule& day = *days_->GetDay(0);
    DayAttendance values;
    values.arrivesLate = true;
    values.arrival = TimeOfDay(19, 0, 0);
    values.leavesEarly = true;
    values.departure = TimeOfDay(20, 0, 0);
    ASSERT_TRUE(WriteDayAttendance(*jones_, day, values));
    struct Case {
        const char* name;
        bool late;
        TimeOfDay arrival;
        bool early;
        TimeOfDay departure;
    };
    const Case refused[] = {
        {"arrival after departure", true, TimeOfDay(19, 30, 0), true, TimeOfDay(19, 0, 0)},
        {"same time", true, TimeOfDay(19, 30, 0), true, TimeOfDay(19, 30, 0)},
        {"before the day", true, TimeOfDay(17, 0, 0), false, TimeOfDay()},
        {"after the day", false, TimeOfDay(), true, TimeOfDay(22, 0, 0)},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        DayAttendance bad{false, c.late, c.arrival, c.early, c.departure};
        EXPECT_FALSE(WriteDayAttendance(*jones_, day, bad));
        const DayAttendance stored = ReadDayAttendance(*jones_, day);
        EXPECT_EQ(stored.arrival, TimeOfDay(19, 0, 0));
        EXPECT_EQ(stored.departure, TimeOfDay(20, 0, 0));
        EXPECT_TRUE(stored.attending);
    }
    EXPECT_EQ(sink_.entries.size(), 4u);
}

TEST_F(PeopleEdits, PresentationChecksRunInOrder) {
    auto talk = std::make_unique<Presentation>("Careers");
    talk->SetDate(Date(7, 3, 2024));
    talk->SetTimes(TimeOfDay(18, 0, 0), TimeOfDay(18, 30, 0));
    Presentation* careers = talk.get();
    ASSERT_TRUE(event_->AddPresentation(std::move(talk)));
    const Schedule& day = *days_->GetDay(0);
    const TimeOfDay six(18, 0, 0);
    const TimeOfDay seven(19, 0, 0);
    struct Case {
        const char* name;
        const Presentation* self;
        bool isNew;
        const char* title;
        TimeOfDay start;
        TimeOfDay end;
        const char* message;
    };
    const Case cases[] = {
        {"empty title before bad times", nullptr, true, "", seven, six,
         "Please enter a title for this presentation"},
        {"blank title is a title", nullptr, true, " ", six, seven, ""},
        {"duplicate in any case", nullptr, true, "careers", six, seven,
         "There is already a presentation called 'careers'"},
        {"own name", careers, false, "Careers", seven, six, ""},
        {"same slot", nullptr, true, "Sports", six, six,
         "The end time must be after the start time"},
        {"end before start", nullptr, true, "Sports", seven, six,
         "The end time must be after the start time"},
        {"before the day", nullptr, true, "Sports", TimeOfDay(17, 0, 0), six,
         "The start time is before the start of the event"},
        {"after the day", nullptr, true, "Sports", six, TimeOfDay(21, 10, 0),
         "The end time is after the end of the event"},
        {"editing skips times", careers, false, "Careers 2", seven, six, ""},
        // A talk covering no whole slot would sit on the booking it overlaps.
        {"start between slot starts", nullptr, true, "Sports", TimeOfDay(18, 11, 0),
         TimeOfDay(18, 20, 0), "The start time must be one of the day's slot times"},
        {"end between slot starts", nullptr, true, "Sports", TimeOfDay(18, 10, 0),
         TimeOfDay(18, 14, 0), "The end time must be one of the day's slot times"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CheckPresentation(*event_, c.self, c.isNew, c.title, c.start, c.end, day),
                  c.message);
    }
}

class PresentationAttendance : public PeopleEdits {
protected:
    PresentationAttendance() {
        early_ = Add("Early", 18, 0, 18, 30);
        late_ = Add("Late", 20, 0, 20, 30);
        EXPECT_TRUE(amy_->AddRequest(mrA_, "", 1, -1));
        EXPECT_TRUE(Book(amy_, 0, 18, 10));
    }
    Presentation* Add(const char* name, int h1, int m1, int h2, int m2) {
        auto talk = std::make_unique<Presentation>(name);
        talk->SetDate(Date(7, 3, 2024));
        talk->SetTimes(TimeOfDay(h1, m1, 0), TimeOfDay(h2, m2, 0));
        Presentation* raw = talk.get();
        EXPECT_TRUE(event_->AddPresentation(std::move(talk)));
        return raw;
    }
    Presentation* early_;
    Presentation* late_;
};

TEST_F(PresentationAttendance, AChoiceThatCannotBeAttendedChangesNothing) {
    ASSERT_TRUE(jones_->AddPresentation(late_));
    DayAttendance leaving{true, false, TimeOfDay(), true, TimeOfDay(20, 10, 0)};
    // Late needs the parents until 20:30, yet stays attended, as a file may hold it.
    ASSERT_TRUE(WriteDayAttendance(*jones_, *days_->GetDay(0), leaving));
    // Attended in another order than the event's: the file keeps the person's order.
    Presentation* first = Add("First", 19, 0, 19, 10);
    ASSERT_TRUE(jones_->AddPresentation(Add("Second", 19, 10, 19, 20)));
    ASSERT_TRUE(jones_->AddPresentation(first));
    // A new choice meets the kept Late: refused, so Early's slots keep their booking.
    Presentation* clash = Add("Clash", 20, 0, 20, 10);
    EXPECT_FALSE(SetPresentationsAttended(*days_, *jones_, {clash, early_, late_}));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Cannot attend presentation 'Clash'"});
    EXPECT_TRUE(days_->FindAppointment(amy_, 0));
    ASSERT_EQ(jones_->GetPresentations().Count(), 3u);
    EXPECT_EQ(jones_->GetPresentations().GetPresentation(2), first);
    // Left chosen, Late is kept though it could not be chosen now.
    EXPECT_TRUE(SetPresentationsAttended(*days_, *jones_, {early_, late_}));
    EXPECT_TRUE(jones_->AttendsPresentation(late_));
}

TEST_F(PresentationAttendance, AttendingUnbooksTheSlotsAndUncheckingDropsThePresentation) {
    ASSERT_TRUE(jones_->AddPresentation(late_));
    ASSERT_TRUE(SetPresentationsAttended(*days_, *jones_, {early_}));
    EXPECT_TRUE(jones_->AttendsPresentation(early_));
    EXPECT_FALSE(jones_->AttendsPresentation(late_));
    EXPECT_FALSE(days_->FindAppointment(amy_, 0));
    EXPECT_EQ(amy_->GetRequestCount(), 1u);
    ASSERT_TRUE(SetPresentationsAttended(*days_, *jones_, {}));
    EXPECT_FALSE(jones_->AttendsPresentation(early_));
}

TEST_F(PresentationAttendance, EveryoneAtOnceNamesWhoCannotAttend) {
    Parent* away = AddParent("Away");
    away->SetAttending(days_->GetDay(0), false);
    const std::vector<std::string> refused = AttendAll(*days_, {jones_, away}, early_);
    EXPECT_EQ(refused, std::vector<std::string>{"Away"});
    EXPECT_TRUE(jones_->AttendsPresentation(early_));
    const AttendanceCounts counts = CountAttendance(*event_, early_);
    EXPECT_EQ(counts.teachers, 0);
    EXPECT_EQ(counts.parents, 1);
}

// A talk chosen takes the bookings in its slots, as the rules say; each goes named, in one
// warning for the step, and a booking clear of the talk stays unnamed.
TEST_F(PresentationAttendance, TheBookingsAChosenTalkTakesAreNamed) {
    const std::string unbooked =
        "These appointments fall where the teacher or the family is no longer available (away, "
        "outside their hours, in a break or at a presentation) and have been unbooked:";
    ASSERT_TRUE(amy_->AddRequest(mrsB_, "", 1, -1));
    struct Case {
        const char* name;
        std::function<void()> step;
        std::vector<std::string> said;
        bool amyStaysBooked;
    } cases[] = {
        {"the family's own choice",
         [&] { EXPECT_TRUE(SetPresentationsAttended(*days_, *jones_, {early_})); },
         {unbooked + "\nJones about Amy with Mr A at 6:10pm"},
         false},
        {"the teacher's own choice",
         [&] {
             EXPECT_TRUE(SetPresentationsAttended(*days_, *mrA_, {late_, early_}));
         },
         {unbooked + "\nJones about Amy with Mr A at 6:10pm"},
         false},
        {"every family at once",
         [&] {
             EXPECT_TRUE(AttendAll(*days_, {mrsB_, jones_}, early_).empty());
         },
         {unbooked + "\nJones about Amy with Mr A at 6:10pm"},
         false},
        {"a talk clear of the bookings",
         [&] {
             EXPECT_TRUE(AttendAll(*days_, {mrA_, jones_}, late_).empty());
         },
         {},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (Attendee* person : std::vector<Attendee*>{jones_, mrA_, mrsB_}) {
            person->RemovePresentation(early_);
            person->RemovePresentation(late_);
        }
        days_->ClearBookings();
        ASSERT_TRUE(Book(amy_, 0, 18, 10));
        ASSERT_TRUE(Book(amy_, 1, 18, 40));
        sink_.entries.clear();
        c.step();
        EXPECT_EQ(sink_.Texts(), c.said);
        EXPECT_EQ(days_->FindAppointment(amy_, 0), c.amyStaysBooked);
        EXPECT_TRUE(days_->FindAppointment(amy_, 1));
    }
}

TEST_F(PresentationAttendance, ALockedEventRefusesAttendanceThatWouldUnbook) {
    Lock();
    EXPECT_FALSE(CanAttendPresentation(*days_, *jones_, *early_));
    EXPECT_TRUE(CanAttendPresentation(*days_, *jones_, *late_));
    EXPECT_EQ(AttendAll(*days_, {jones_}, early_), std::vector<std::string>{"Jones"});
    EXPECT_TRUE(days_->FindAppointment(amy_, 0));
}

}  // namespace
