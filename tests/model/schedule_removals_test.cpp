#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "model/day_fixture.h"
#include "model/icalendar.h"
#include "support/csv_reader.h"
#include "support/temp_folder.h"

namespace {

// Sam has a one-slot Maths request with Ann and a two-slot Art request with Bob; Kim has a
// one-slot Maths request with Ann.
class DayRemovals : public DayFixture {
public:
    DayRemovals() : DayFixture({"Sam Jones", "Kim Jones"}) {
        sam->SetForm("7B");
        kim->SetForm("9C");
        sam->AddRequest(ann, "Maths", 1, 1);
        sam->AddRequest(bob, "Art", 2, 2);
        kim->AddRequest(ann, "Maths", 0, 1);
    }

    // Sam with Ann at 18:00 and Bob at 18:10-18:20, Kim with Ann at 18:30.
    void BookAll() {
        Book(0, 0, sam->GetRequest(0));
        Book(2, 1, sam->GetRequest(1));
        Book(6, 0, kim->GetRequest(0));
        day->ClearModified();
        event->ClearModified();
    }

    int CountBookings() const {
        int count = 0;
        const AppointmentGrid& grid = day->GetGrid();
        for (unsigned row = 0; row < grid.GetRowCount(); ++row) {
            for (unsigned slot = 0; slot < grid.GetSlotCount(); ++slot) {
                count += grid.PeekBooking(slot, row) != nullptr;
            }
        }
        return count;
    }
};

struct Removal {
    const char* name;
    std::function<bool(Schedule&, DayRemovals&)> run;
    const char* message;
};

class RemovalRefusals : public DayRemovals, public ::testing::WithParamInterface<int> {};

// Every removal, with the message it gives when it meets a lock. Each would take the booking
// at 18:00 with Ann.
const Removal kRemovals[] = {
    {"RemovePupil", [](Schedule& d, DayRemovals& f) { return d.RemovePupil(f.sam); },
     "Cannot remove a pupil because the schedule is locked"},
    {"RemoveParent", [](Schedule& d, DayRemovals& f) { return d.RemoveParent(f.parent); },
     "Cannot remove a parent because the schedule is locked"},
    {"RemoveTeacher", [](Schedule& d, DayRemovals& f) { return d.RemoveTeacher(f.ann); },
     "Cannot remove a teacher because the schedule is locked"},
    {"RemoveAppointment", [](Schedule& d, DayRemovals&) { return d.RemoveAppointment(0, 0); },
     "Cannot remove an appointment because the schedule is locked"},
    {"RemoveRequestBooking",
     [](Schedule& d, DayRemovals& f) { return d.RemoveRequestBooking(f.sam, f.ann, "Maths"); },
     "Cannot remove an appointment because the schedule is locked"},
    {"RemoveRequest",
     [](Schedule& d, DayRemovals& f) { return d.RemoveRequest(f.sam->GetRequest(0)); },
     "Cannot remove an appointment because the schedule is locked"},
    {"UnbookPersonAt", [](Schedule& d, DayRemovals& f) { return d.UnbookPersonAt(0, f.parent); },
     "Cannot remove an appointment because the schedule is locked"},
};

TEST_P(RemovalRefusals, LockedEventRefusesWholeWithOneMessage) {
    const Removal& removal = kRemovals[GetParam()];
    SCOPED_TRACE(removal.name);
    BookAll();
    event->SetLocked(true);
    EXPECT_FALSE(removal.run(*day, *this));
    EXPECT_EQ(sink.GetText(), std::string("Error: ") + removal.message + "\n");
    EXPECT_EQ(CountBookings(), 4);
    EXPECT_FALSE(day->IsModified());
}

TEST_P(RemovalRefusals, LockedBookingRefusesWholeWithOneMessage) {
    const Removal& removal = kRemovals[GetParam()];
    SCOPED_TRACE(removal.name);
    BookAll();
    day->GetGrid().PeekBooking(0, 0)->SetLocked(true);
    EXPECT_FALSE(removal.run(*day, *this));
    EXPECT_EQ(sink.GetText(), std::string("Error: ") + removal.message + "\n");
    EXPECT_EQ(CountBookings(), 4);
    EXPECT_FALSE(day->IsModified());
}

TEST_P(RemovalRefusals, UnlockedRemovalCompletesAndMarksTheDay) {
    const Removal& removal = kRemovals[GetParam()];
    SCOPED_TRACE(removal.name);
    BookAll();
    EXPECT_TRUE(removal.run(*day, *this));
    EXPECT_EQ(sink.GetText(), "");
    EXPECT_EQ(day->GetGrid().PeekBooking(0, 0), nullptr);
    EXPECT_TRUE(day->IsModified());
}

INSTANTIATE_TEST_SUITE_P(EveryRemoval, RemovalRefusals,
                         ::testing::Range(0, static_cast<int>(std::size(kRemovals))));

TEST_F(DayRemovals, EachRemovalTakesOnlyWhatMatches) {
    BookAll();
    EXPECT_TRUE(day->RemovePupil(sam));
    EXPECT_EQ(CountBookings(), 1);
    EXPECT_NE(day->GetGrid().PeekBooking(6, 0), nullptr);

    day->ClearBookings();
    BookAll();
    EXPECT_TRUE(day->RemoveTeacher(bob));
    EXPECT_EQ(CountBookings(), 2);

    Book(2, 1, sam->GetRequest(1));
    EXPECT_TRUE(day->RemoveRequestBooking(sam, ann, "maths"));  // case counts
    EXPECT_EQ(CountBookings(), 4);
    EXPECT_TRUE(day->RemoveRequestBooking(kim, ann, "Maths"));
    EXPECT_EQ(CountBookings(), 3);

    // A two-slot booking goes whole, whichever cell names it.
    EXPECT_TRUE(day->UnbookPersonAt(3, bob));
    EXPECT_EQ(CountBookings(), 1);
    EXPECT_TRUE(day->RemoveParent(parent));
    EXPECT_EQ(CountBookings(), 0);
    EXPECT_FALSE(day->ParentHasAppointments(parent));
    EXPECT_EQ(sink.GetText(), "");
}

TEST_F(DayRemovals, RemovingAFreeCellOnlyMarksTheDay) {
    day->ClearModified();
    event->ClearModified();
    EXPECT_TRUE(day->RemoveAppointment(10, 1));
    EXPECT_TRUE(day->IsModified());
    EXPECT_EQ(sink.GetText(), "");
}

TEST_F(DayRemovals, UnbookingAPupilOrAStrangerDoesNothing) {
    BookAll();
    EXPECT_FALSE(day->UnbookPersonAt(0, sam));
    Teacher stranger("Not Here");
    EXPECT_FALSE(day->UnbookPersonAt(0, &stranger));
    EXPECT_FALSE(day->UnbookPersonAt(0, nullptr));
    EXPECT_EQ(CountBookings(), 4);
    EXPECT_FALSE(day->IsModified());
}

// Unbooking a person at a slot is removing the appointment there: only a booking that is found
// can meet the lock, and a teacher outside the event names no cell.
TEST_F(DayRemovals, UnbookingAPersonAtASlotIsRemovingTheAppointmentThere) {
    BookAll();
    event->SetLocked(true);
    EXPECT_FALSE(day->UnbookPersonAt(1, parent));  // Pat has nothing at 18:05
    EXPECT_EQ(sink.GetText(), "");
    EXPECT_FALSE(day->UnbookPersonAt(2, parent));
    EXPECT_EQ(sink.GetText(),
              "Error: Cannot remove an appointment because the schedule is locked\n");
    EXPECT_EQ(CountBookings(), 4);

    UCStringError quiet;
    event->SetLocked(false);
    Teacher stranger("Not Here");
    EXPECT_FALSE(day->UnbookPersonAt(3, &stranger));
    EXPECT_EQ(quiet.GetText(), "Debug: Attempt to remove appointment (3,-1)\n\n");
    EXPECT_EQ(CountBookings(), 4);
}

TEST_F(DayRemovals, RemoveRequestFindsItInAnyRow) {
    // Booked under the other teacher's row, as after a teacher change on the request.
    Book(9, 1, kim->GetRequest(0));
    day->ClearModified();
    EXPECT_TRUE(day->RemoveRequest(kim->GetRequest(0)));
    EXPECT_EQ(CountBookings(), 0);
    EXPECT_TRUE(day->IsModified());
    EXPECT_FALSE(day->RemoveRequest(nullptr));
}

#ifndef NDEBUG
// The people's own deletions do not unbook; doing that behind the timetable's back would leave
// the grid pointing at freed requests, and debug builds stop there.
TEST_F(DayRemovals, DeletingABookedRequestOutsideTheTimetableStopsDebugBuilds) {
    BookAll();
    EXPECT_DEATH(sam->DeleteRequest(0), "only once unbooked");
    EXPECT_DEATH(parent->DeletePupil(1), "only once unbooked");
    EXPECT_DEATH((void)event->DeleteParentsAndPupils(), "only once unbooked");
    // Unbooked first, the same deletions are safe.
    EXPECT_TRUE(day->RemoveParent(parent));
    sam->DeleteRequest(0);
    parent->DeletePupil(1);
    EXPECT_TRUE(event->DeleteParentsAndPupils());
}
#endif

TEST_F(DayRemovals, AppointmentTextForAParentWithOnePupil) {
    Parent single("Lou Green");
    single.AddPupil(std::make_unique<Pupil>("Max Green"));
    Pupil* max = single.GetPupil(0);
    max->AddRequest(ann, "Maths", 1, 1);
    Book(0, 0, max->GetRequest(0));
    EXPECT_EQ(day->FormatAppointmentText(&single),
              "\"At 6:00pm you are seeing Ann Smith\"," + std::string(19, ','));
    EXPECT_EQ(day->FormatAppointmentText(nullptr), std::string(20, ','));
    // The family is no part of the event: unbook it before it goes.
    EXPECT_TRUE(day->RemoveRequest(max->GetRequest(0)));
}

TEST_F(DayRemovals, AppointmentTextForTwoPupilsNamesEachAndCoversEverySlot) {
    bob->SetLocation("Room 5");
    BookAll();
    EXPECT_EQ(day->FormatAppointmentText(parent),
              "\"At 6:00pm you are seeing Ann Smith about Sam Jones (7B)\","
              "\"At 6:10pm you are seeing Bob Brown (Room 5) about Sam Jones (7B)\","
              "\"At 6:15pm you are seeing Bob Brown (Room 5) about Sam Jones (7B)\","
              "\"At 6:30pm you are seeing Ann Smith about Kim Jones (9C)\"," +
                  std::string(16, ','));
}

TEST_F(DayRemovals, AppointmentTextDoublesQuotesInNames) {
    ann->SetName("Ann \"Sunny\" Smith");
    Book(0, 0, sam->GetRequest(0));
    std::string text = day->FormatAppointmentText(parent);
    EXPECT_EQ(text.substr(0, text.find(',')),
              "\"At 6:00pm you are seeing Ann \"\"Sunny\"\" Smith about Sam Jones (7B)\"");
}

TEST_F(DayRemovals, CalendarsOfTheDayAndOfOnePerson) {
    event->SetName("Year 9 evening");
    event->SetSchoolName("Hill School");
    ICalendar whole = day->MakeEventICalendar();
    EXPECT_EQ(whole.GetDate(), kDay);
    EXPECT_EQ(whole.GetStartTime(), TimeOfDay(18, 0, 0));
    EXPECT_EQ(whole.GetEndTime(), TimeOfDay(22, 0, 0));
    EXPECT_EQ(whole.GetSummary(), "Year 9 evening, Hill School");
    EXPECT_EQ(whole.GetLocation(), "Hill School");
    EXPECT_EQ(whole.GetDescription(), "");

    BookAll();
    ICalendar mine = day->MakePersonICalendar(parent);
    EXPECT_EQ(mine.GetSummary(), whole.GetSummary());
    EXPECT_EQ(mine.GetStartTime(), TimeOfDay(18, 0, 0));
    EXPECT_EQ(mine.GetEndTime(), TimeOfDay(18, 35, 0));
    // The same second, school and day: only whose entry it is tells them apart.
    EXPECT_NE(mine.MakeUid(1000), whole.MakeUid(1000));
    Teacher stranger("Not Here");
    ICalendar none = day->MakePersonICalendar(&stranger);
    EXPECT_EQ(none.GetStartTime(), TimeOfDay());
    EXPECT_EQ(none.GetEndTime(), TimeOfDay());
}

// Ann's cells from a slot on, one letter a cell: s Sam, k Kim, m Max, '.' free.
std::string RowPicture(const Schedule& day, int row, int from, int count) {
    std::string picture;
    for (int slot = from; slot < from + count; ++slot) {
        const Appointment* booking = day.GetGrid().PeekBooking(slot, row);
        const Pupil* pupil =
            booking && booking->GetRequest() ? booking->GetRequest()->GetPupil() : nullptr;
        picture += pupil == nullptr ? '.' : static_cast<char>(std::tolower(pupil->GetName()[0]));
    }
    return picture;
}

// A teacher's length changed after booking: each booking is laid again at its own start at the
// new length, and only those that no longer fit there are unbooked.
TEST(BookingLengths, BookingsRefitAChangedLengthAtTheirOwnStart) {
    struct School : DayFixture {
        void TestBody() override {}
    };
    struct Case {
        const char* name;
        int lengthBefore;
        // Sam, Max: (teacher row, subject, own length, slot); booked in this order.
        std::vector<std::tuple<char, int, int, int>> bookings;
        int lengthAfter;
        int from;
        const char* before;
        const char* after;
        std::vector<std::string> unbooked;
    };
    const Case cases[] = {
        {"lengthened: the next booking goes, one with room stays",
         1,
         {{'s', 0, -1, 0}, {'m', 0, -1, 1}, {'M', 0, -1, 4}},
         2,
         0,
         "sm..m.",
         "ss..mm",
         {"Max Ray"}},
        {"lengthened into the parent's booking with another teacher",
         1,
         {{'s', 0, -1, 0}, {'S', 1, -1, 1}},
         2,
         0,
         "s.....",
         "......",
         {"Sam Jones"}},
        {"lengthened past the end of the day",
         1,
         {{'s', 0, -1, 47}},
         2,
         44,
         "...s",
         "....",
         {"Sam Jones"}},
        {"lengthened into a break", 1, {{'s', 0, -1, 6}}, 3, 4, "..s...", "......", {"Sam Jones"}},
        {"shortened: the freed cell is free",
         3,
         {{'s', 0, -1, 0}, {'m', 0, 0, 3}},
         1,
         0,
         "sssmmm",
         "s..m..",
         {}},
        {"a request's own length keeps its cells",
         1,
         {{'s', 0, 2, 0}, {'m', 0, -1, 2}},
         2,
         0,
         "ssm...",
         "ssmm..",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        School school;
        auto family = std::make_unique<Parent>("Lee Ray");
        family->AddPupil(std::make_unique<Pupil>("Max Ray"));
        Pupil* maxRay = family->GetPupil(0);
        ASSERT_TRUE(school.event->AddParent(std::move(family)));
        school.ann->SetApptLength(c.lengthBefore);
        school.ann->AddBreak(DateTime(kDay, At(18, 40)));
        for (const auto& [who, row, length, slot] : c.bookings) {
            Pupil* pupil = std::tolower(who) == 's' ? school.sam : maxRay;
            Teacher* teacher = row == 0 ? school.ann : school.bob;
            const std::string subject = std::isupper(who) ? "Art" : "Maths";
            ASSERT_TRUE(pupil->AddRequest(teacher, subject, 1, length));
            school.Book(slot, row, pupil->GetRequest(pupil->GetRequestCount() - 1));
        }
        const int width = static_cast<int>(std::string(c.before).size());
        ASSERT_EQ(RowPicture(*school.day, 0, c.from, width), c.before);
        school.ann->SetApptLength(c.lengthAfter);
        school.day->ClearModified();
        std::vector<std::string> unbooked;
        for (const auto& booking : school.day->RefitBookingLengths(0)) {
            unbooked.push_back(booking->GetRequest()->GetPupil()->GetName());
        }
        EXPECT_EQ(RowPicture(*school.day, 0, c.from, width), c.after);
        EXPECT_EQ(unbooked, c.unbooked);
        EXPECT_EQ(school.day->IsModified(), std::string(c.before) != c.after);
        // Laid again, nothing is left to refit.
        EXPECT_TRUE(school.day->RefitBookingLengths(0).empty());
    }
}

class RequestsExport : public DayRemovals {
public:
    TempFolder temp{"qm-requests"};
    std::string folder = temp.Path();
};

TEST_F(RequestsExport, EveryRequestReadsBackAsThreeFields) {
    sam->SetName("Sam \"Ace\" Jones");
    bob->SetName("Brown, Bob");
    kim->GetRequest(0)->SetPriority(7);
    std::string path = folder + "/requests.csv";
    EXPECT_TRUE(day->ExportRequestsCSV(path.c_str()));
    EXPECT_EQ(sink.GetText(), "Exported successfully\n");
    const CsvRows expected = {{"Sam \"Ace\" Jones", "Ann Smith", "Medium"},
                              {"Sam \"Ace\" Jones", "Brown, Bob", "High"},
                              {"Kim Jones", "Ann Smith", ""}};
    EXPECT_EQ(ReadCsvWithPython(path), expected);
}

TEST_F(RequestsExport, AFileThatCannotBeWrittenIsReported) {
    std::string path = folder + "/missing/requests.csv";
    EXPECT_FALSE(day->ExportRequestsCSV(path.c_str()));
    EXPECT_EQ(sink.GetText(),
              "Error: Cannot write to file '" + path + "': No such file or directory\n");
    EXPECT_FALSE(day->ExportRequestsCSV(nullptr));
    EXPECT_NE(sink.GetText().find("Cannot write to file"), std::string::npos);
}

}  // namespace
