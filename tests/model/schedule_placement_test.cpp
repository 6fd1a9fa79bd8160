#include <gtest/gtest.h>

#include <memory>

#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

// Teachers X and Y share "Room A"; Z is in "room a", which is another room.
class Placement : public ::testing::Test {
protected:
    void SetUp() override {
        event = std::make_shared<Event>();
        const char* names[] = {"Xena Xavier", "Yann Young", "Zoe Zimmer"};
        const char* rooms[] = {"Room A", "Room A", "room a"};
        for (int i = 0; i < 3; ++i) {
            auto teacher = std::make_unique<Teacher>(names[i]);
            teacher->SetLocation(rooms[i]);
            teachers.push_back(teacher.get());
            EXPECT_TRUE(event->AddTeacher(std::move(teacher)));
        }
        day = std::make_unique<Schedule>(event);
        day->SetDate(Date(5, 3, 2024));
        auto owner = std::make_unique<Parent>("Pat Parent");
        parent = owner.get();
        EXPECT_TRUE(event->AddParent(std::move(owner)));
        auto child = std::make_unique<Pupil>("Sue Parent");
        pupil = child.get();
        parent->AddPupil(std::move(child));
    }

    std::shared_ptr<Appointment> NewBooking(int row, int length = 1) {
        pupil->AddRequest(teachers[row], "Subject " + std::to_string(pupil->GetRequestCount()), 1,
                          length);
        return std::make_shared<Appointment>(pupil->GetRequest(pupil->GetRequestCount() - 1));
    }

    std::shared_ptr<Appointment> Put(int row, int slot, int length = 1) {
        auto booking = NewBooking(row, length);
        EXPECT_TRUE(day->GetGrid().PutBooking(slot, row, booking));
        return booking;
    }

    // Every cell of the grid, to show that a check left it exactly as it was.
    std::vector<std::pair<Appointment*, int>> Snapshot() const {
        std::vector<std::pair<Appointment*, int>> cells;
        const AppointmentGrid& grid = day->GetGrid();
        for (unsigned row = 0; row < grid.GetRowCount(); ++row) {
            for (unsigned s = 0; s < grid.GetSlotCount(); ++s) {
                Appointment* booking = grid.PeekBooking(static_cast<int>(s), static_cast<int>(row));
                cells.emplace_back(booking, booking ? booking->GetFirstSlot() : -1);
            }
        }
        return cells;
    }

    std::shared_ptr<Event> event;
    std::vector<Teacher*> teachers;
    std::unique_ptr<Schedule> day;
    Parent* parent = nullptr;
    Pupil* pupil = nullptr;
};

TEST_F(Placement, EachGapModeDecidesTheCellsNextToAnotherTeachersAppointment) {
    struct Case {
        const char* name;
        ParentGapMode mode;
        int row;
        int slot;
        bool allowed;
    };
    const Case cases[] = {
        {"enforced, other teacher after", EnforceParentGaps, 2, 5, false},
        {"enforced, other teacher before", EnforceParentGaps, 2, 3, false},
        {"enforced, same teacher after", EnforceParentGaps, 0, 5, true},
        {"enforced, one slot away", EnforceParentGaps, 2, 6, true},
        {"tried, other teacher after", TryParentGaps, 1, 5, false},
        {"adjacent allowed", AdjacentParentAppointments, 2, 5, true},
        {"location, same room", GapOnLocationChange, 1, 5, true},
        {"location, room differing in case", GapOnLocationChange, 2, 5, false},
        {"location, same teacher", GapOnLocationChange, 0, 3, true},
    };
    Put(0, 4);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        parent->SetGapMode(c.mode);
        EXPECT_EQ(day->CanPlaceAppointment(NewBooking(c.row), c.row, c.slot), c.allowed);
    }
}

TEST_F(Placement, APresentationNextToTheBookingNeedsAGapUnlessAdjacentIsAllowed) {
    auto talk = std::make_unique<Presentation>("Careers");
    talk->SetDate(day->GetDate());
    talk->SetTimes(day->SlotToTime(5), day->SlotToTime(6));
    Presentation* kept = talk.get();
    ASSERT_TRUE(event->AddPresentation(std::move(talk)));
    parent->AddPresentation(kept);
    auto booking = NewBooking(0);
    parent->SetGapMode(GapOnLocationChange);
    EXPECT_FALSE(day->CanPlaceAppointment(booking, 0, 4));
    EXPECT_FALSE(day->CanPlaceAppointment(booking, 0, 5));  // at the presentation itself
    parent->SetGapMode(AdjacentParentAppointments);
    EXPECT_TRUE(day->CanPlaceAppointment(booking, 0, 4));
}

TEST_F(Placement, ABookingMustFitInsideTheDayAndFreeCells) {
    auto twoSlots = NewBooking(0, 2);
    const int last = day->GetNumSlots() - 1;
    EXPECT_FALSE(day->CanPlaceAppointment(twoSlots, 0, last));
    EXPECT_TRUE(day->CanPlaceAppointment(twoSlots, 0, last - 1));
    EXPECT_FALSE(day->CanPlaceAppointment(twoSlots, 0, -1));
    EXPECT_FALSE(day->CanPlaceAppointment(twoSlots, 7, 0));
    teachers[0]->AddBreak(DateTime(day->GetDate(), day->SlotToTime(11)));
    EXPECT_FALSE(day->CanPlaceAppointment(twoSlots, 0, 10));  // second cell is a break
    parent->SetAttending(day.get(), false);
    EXPECT_FALSE(day->CanPlaceAppointment(twoSlots, 0, 0));
}

// A time past the day's end counts as the day's edge, not as no slot: a parent whose recorded
// departure lies after closing time can still be booked in the evening's last slots.
TEST_F(Placement, BookingInTheFirstFreeSlotTakesADepartureAfterTheDayAsItsEdge) {
    const TimeOfDay lastSlot = day->SlotToTime(static_cast<int>(day->GetGrid().GetSlotCount()) - 1);
    TimeOfDay afterClosing;
    afterClosing.SetSeconds(day->GetEndTime().Seconds() + 3600);
    ASSERT_TRUE(parent->SetTimes(day.get(), lastSlot, afterClosing));
    parent->SetArrivesLate(day.get(), true);
    parent->SetLeavesEarly(day.get(), true);
    int slot = -1;
    ASSERT_TRUE(day->BookInFirstFreeSlot(NewBooking(0), 0, &slot));
    EXPECT_EQ(slot, day->GetSlotForTime(lastSlot));
}

TEST_F(Placement, ARequestWithoutAParentIsNeverPlaced) {
    AppointmentRequest orphan(nullptr, teachers[0], "Maths", 1, 1);
    UCStringError sink;
    EXPECT_FALSE(day->CanPlaceAppointment(std::make_shared<Appointment>(&orphan), 0, 0));
    EXPECT_NE(sink.GetText().find("Detected appointment with no parent"), std::string::npos);
    // Booking says so once, not once for every slot of the day.
    UCStringError booking;
    int slot = -1;
    EXPECT_FALSE(day->BookInFirstFreeSlot(std::make_shared<Appointment>(&orphan), 0, &slot));
    const std::string text = booking.GetText();
    const size_t first = text.find("Detected appointment with no parent");
    EXPECT_NE(first, std::string::npos);
    EXPECT_EQ(text.find("Detected appointment with no parent", first + 1), std::string::npos);
    EXPECT_EQ(slot, -1);
}

TEST_F(Placement, BookingInTheFirstFreeSlotSearchesOnlyWhileBothAreThere) {
    teachers[1]->SetTimes(day.get(), TimeOfDay(18, 30, 0), day->GetEndTime());
    teachers[1]->SetArrivesLate(day.get(), true);
    parent->SetTimes(day.get(), day->GetStartTime(), TimeOfDay(19, 0, 0));
    parent->SetLeavesEarly(day.get(), true);
    parent->SetGapMode(AdjacentParentAppointments);
    int slot = -1;
    for (int expected = 6; expected < 12; ++expected) {
        ASSERT_TRUE(day->BookInFirstFreeSlot(NewBooking(1), 1, &slot));
        EXPECT_EQ(slot, expected);
    }
    day->ClearModified();
    EXPECT_FALSE(day->BookInFirstFreeSlot(NewBooking(1), 1, &slot));
    EXPECT_FALSE(day->GetGrid().ParentIsBooked(12, parent));
}

TEST_F(Placement, BookAtPlacesOnlyWhereTheRulesAllow) {
    parent->SetGapMode(EnforceParentGaps);
    Put(0, 4);
    EXPECT_FALSE(day->BookAt(NewBooking(2), 2, 5));
    EXPECT_EQ(day->GetGrid().PeekBooking(5, 2), nullptr);
    day->ClearModified();
    auto booking = NewBooking(2);
    EXPECT_TRUE(day->BookAt(booking, 2, 6));
    EXPECT_EQ(day->GetGrid().PeekBooking(6, 2), booking.get());
    EXPECT_EQ(booking->GetFirstSlot(), 6);
}

TEST_F(Placement, MoveCheckAnswersWithoutMovingAnything) {
    parent->SetGapMode(EnforceParentGaps);
    auto booking = Put(0, 3, 2);
    Put(2, 10);
    auto before = Snapshot();
    EXPECT_TRUE(day->MoveCheck(0, 3, 4));  // onto half of its own cells, itself taken out
    EXPECT_TRUE(day->MoveCheck(0, 3, 20));
    EXPECT_FALSE(day->MoveCheck(0, 3, 8));   // ends next to the other teacher's slot 10
    EXPECT_FALSE(day->MoveCheck(0, 4, 20));  // the middle of a booking
    EXPECT_FALSE(day->MoveCheck(0, 5, 20));  // nothing there
    EXPECT_EQ(Snapshot(), before);
    booking->SetLocked(true);
    EXPECT_FALSE(day->MoveCheck(0, 3, 20));
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(Placement, SwapCheckAnswersWithoutSwappingAnything) {
    parent->SetGapMode(AdjacentParentAppointments);
    auto a = Put(0, 2);
    auto b = Put(0, 9);
    auto twoSlots = Put(0, 20, 2);
    auto before = Snapshot();
    EXPECT_TRUE(day->SwapCheck(0, 2, 9));
    EXPECT_FALSE(day->SwapCheck(0, 2, 2));
    EXPECT_FALSE(day->SwapCheck(0, 20, 21));  // one booking
    EXPECT_FALSE(day->SwapCheck(0, 2, 21));   // not the first cell
    EXPECT_FALSE(day->SwapCheck(0, 2, 30));   // nothing there
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(a->GetFirstSlot(), 2);
    EXPECT_EQ(b->GetFirstSlot(), 9);
    EXPECT_EQ(twoSlots->GetFirstSlot(), 20);
}

TEST_F(Placement, SwapCheckRefusesWhatEitherNewPlaceWouldBreak) {
    parent->SetGapMode(EnforceParentGaps);
    Put(0, 2);
    Put(0, 9);
    EXPECT_TRUE(day->SwapCheck(0, 2, 9));
    Put(1, 10);
    auto before = Snapshot();
    EXPECT_FALSE(day->SwapCheck(0, 2, 9));  // at 9 the parent stands next to teacher 1's slot 10
    EXPECT_EQ(Snapshot(), before);
    day->GetGrid().RemoveBooking(10, 1);
    Put(1, 3);
    EXPECT_FALSE(day->SwapCheck(0, 2, 9));  // and now the other one would, back at slot 2
}

TEST_F(Placement, SwapCheckOfALockedBookingIsQuietlyFalse) {
    parent->SetGapMode(AdjacentParentAppointments);
    auto a = Put(0, 2);
    Put(0, 9);
    a->SetLocked(true);
    auto before = Snapshot();
    UCStringError sink;
    EXPECT_FALSE(day->SwapCheck(0, 2, 9));
    EXPECT_FALSE(day->SwapCheck(0, 9, 2));
    EXPECT_EQ(sink.GetText(), "");
    EXPECT_EQ(Snapshot(), before);
}

}  // namespace
