#include "model/appointment_grid.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>

#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/parent.h"
#include "model/pupil.h"

namespace {

// A grid of 3 teachers by 10 slots and one family with two children.
class BookingGrid : public ::testing::Test {
protected:
    BookingGrid() : parent("Pat Jones"), grid(10, 3) {
        parent.AddPupil(std::make_unique<Pupil>("Sam Jones"));
        parent.AddPupil(std::make_unique<Pupil>("Kim Jones"));
        oneSlot = AppointmentRequest(parent.GetPupil(0), nullptr, "Maths", 1, 1);
        twoSlots = AppointmentRequest(parent.GetPupil(1), nullptr, "Art", 1, 2);
    }

    std::shared_ptr<Appointment> Book(AppointmentRequest& request) {
        return std::make_shared<Appointment>(&request);
    }
    // A further request that outlives the grid, as a pupil's requests do.
    AppointmentRequest& Request(Pupil* pupil, const std::string& subject) {
        return more.emplace_back(pupil, nullptr, subject, 1, 1);
    }

    UCStringError sink;
    Parent parent;
    AppointmentRequest oneSlot;
    AppointmentRequest twoSlots;
    std::deque<AppointmentRequest> more;
    AppointmentGrid grid;
};

TEST_F(BookingGrid, TwoSlotBookingFillsBothCellsAndGoesWholeThroughEither) {
    auto booking = Book(twoSlots);
    ASSERT_TRUE(grid.PutBooking(3, 1, booking));
    EXPECT_EQ(grid.GetBooking(3, 1), booking);
    EXPECT_EQ(grid.GetBooking(4, 1), booking);
    EXPECT_EQ(booking->GetFirstSlot(), 3);
    EXPECT_EQ(grid.RemoveBooking(4, 1), booking);
    EXPECT_EQ(grid.PeekBooking(3, 1), nullptr);
    EXPECT_EQ(grid.PeekBooking(4, 1), nullptr);
    EXPECT_EQ(booking->GetFirstSlot(), 3);
    EXPECT_EQ(grid.FindParentRow(3, &parent), -1);
    EXPECT_EQ(sink.GetText(), "");
}

TEST_F(BookingGrid, PutRefusesOccupiedCellsAndRunsPastTheEnd) {
    auto two = Book(twoSlots);
    ASSERT_TRUE(grid.PutBooking(3, 0, two));
    auto one = Book(oneSlot);
    EXPECT_FALSE(grid.PutBooking(4, 0, one));
    EXPECT_EQ(one->GetFirstSlot(), -1);
    EXPECT_EQ(grid.PeekBooking(4, 0), two.get());
    EXPECT_FALSE(grid.PutBooking(9, 2, Book(twoSlots)));
    EXPECT_EQ(grid.PeekBooking(9, 2), nullptr);
    EXPECT_EQ(sink.GetText(), "");
    EXPECT_FALSE(grid.PutBooking(0, 0, nullptr));
    EXPECT_EQ(sink.GetText(), "Error: Attempted to book an empty appointment\n");
}

TEST_F(BookingGrid, BadIndicesReportOnceAndFindNothing) {
    EXPECT_EQ(grid.GetBooking(-1, 0), nullptr);
    EXPECT_NE(sink.GetText().find("Appointment slot -1 out of bounds (max 10)"), std::string::npos);
    EXPECT_EQ(grid.GetBooking(0, 7), nullptr);
    EXPECT_NE(sink.GetText().find("Appointment offset 7 out of bounds (max 3)"), std::string::npos);
    EXPECT_EQ(grid.RemoveBooking(0, -2), nullptr);
    EXPECT_NE(sink.GetText().find("Attempt to remove appointment (0,-2)"), std::string::npos);
    EXPECT_FALSE(grid.PutBooking(10, 0, Book(oneSlot)));
    EXPECT_NE(sink.GetText().find("out of bounds"), std::string::npos);
    // The quiet accessors never report.
    EXPECT_EQ(grid.PeekBooking(-1, -1), nullptr);
    EXPECT_EQ(grid.PeekBooking(10, 3), nullptr);
    EXPECT_EQ(grid.FindParentRow(-1, &parent), -1);
    EXPECT_EQ(grid.FindParentRow(10, &parent), -1);
    EXPECT_EQ(sink.GetText(), "");
}

TEST_F(BookingGrid, SwapStartsOnlyAtTheFirstCellOfABooking) {
    auto two = Book(twoSlots);
    ASSERT_TRUE(grid.PutBooking(3, 0, two));
    EXPECT_FALSE(grid.SwapSlots(0, 3, 4));
    EXPECT_FALSE(grid.SwapSlots(0, 4, 6));
    EXPECT_EQ(two->GetFirstSlot(), 3);
    EXPECT_TRUE(grid.SwapSlots(0, 3, 5));
    EXPECT_EQ(grid.PeekBooking(3, 0), nullptr);
    EXPECT_EQ(grid.PeekBooking(4, 0), nullptr);
    EXPECT_EQ(grid.PeekBooking(5, 0), two.get());
    EXPECT_EQ(grid.PeekBooking(6, 0), two.get());
    EXPECT_EQ(two->GetFirstSlot(), 5);
    EXPECT_EQ(grid.FindParentRow(6, &parent), 0);
    EXPECT_EQ(grid.FindParentRow(4, &parent), -1);
    // Onto its own cells, or off the end of the day.
    EXPECT_FALSE(grid.SwapSlots(0, 5, 6));
    EXPECT_FALSE(grid.SwapSlots(0, 5, 9));
}

TEST_F(BookingGrid, SwapExchangesUnlockedBookingsOfEqualLength) {
    AppointmentRequest& other = Request(parent.GetPupil(1), "Art");
    auto a = Book(oneSlot);
    auto b = Book(other);
    ASSERT_TRUE(grid.PutBooking(1, 2, a));
    ASSERT_TRUE(grid.PutBooking(7, 2, b));
    EXPECT_TRUE(grid.SwapSlots(2, 1, 7));
    EXPECT_EQ(grid.PeekBooking(1, 2), b.get());
    EXPECT_EQ(grid.PeekBooking(7, 2), a.get());
    EXPECT_EQ(a->GetFirstSlot(), 7);
    EXPECT_EQ(b->GetFirstSlot(), 1);

    b->SetLocked(true);
    EXPECT_FALSE(grid.SwapSlots(2, 1, 7));
    EXPECT_EQ(grid.PeekBooking(1, 2), b.get());

    b->SetLocked(false);
    auto two = Book(twoSlots);
    ASSERT_TRUE(grid.PutBooking(4, 2, two));
    EXPECT_FALSE(grid.SwapSlots(2, 1, 4));  // lengths differ
}

TEST_F(BookingGrid, LockedBookingsStayPut) {
    auto two = Book(twoSlots);
    auto one = Book(oneSlot);
    ASSERT_TRUE(grid.PutBooking(0, 0, two));
    ASSERT_TRUE(grid.PutBooking(5, 1, one));
    grid.SetLocked(true);
    EXPECT_EQ(grid.RemoveBooking(1, 0), nullptr);
    EXPECT_EQ(grid.RemoveBooking(5, 1), nullptr);
    EXPECT_EQ(grid.PeekBooking(0, 0), two.get());
    EXPECT_EQ(grid.PeekBooking(1, 0), two.get());
    EXPECT_EQ(grid.PeekBooking(5, 1), one.get());
    EXPECT_FALSE(grid.SwapSlots(1, 5, 8));
    grid.SetLocked(false);
    EXPECT_EQ(grid.RemoveBooking(5, 1), one);
}

TEST_F(BookingGrid, ResizeToTheSameSizeEmptiesEveryCell) {
    ASSERT_TRUE(grid.PutBooking(2, 1, Book(oneSlot)));
    grid.Resize(10, 3);
    EXPECT_EQ(grid.GetSlotCount(), 10u);
    EXPECT_EQ(grid.GetRowCount(), 3u);
    EXPECT_EQ(grid.PeekBooking(2, 1), nullptr);
    EXPECT_EQ(grid.FindParentRow(2, &parent), -1);
}

TEST_F(BookingGrid, CopyIsIndependentAndKeepsEachBookingOneObject) {
    auto two = Book(twoSlots);
    ASSERT_TRUE(grid.PutBooking(3, 1, two));
    AppointmentGrid copy(grid);
    Appointment* first = copy.PeekBooking(3, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, two.get());
    EXPECT_EQ(copy.PeekBooking(4, 1), first);
    EXPECT_EQ(first->GetFirstSlot(), 3);
    EXPECT_EQ(first->GetRequest(), &twoSlots);
    EXPECT_EQ(copy.FindParentRow(4, &parent), 1);

    // Moving in the copy leaves the original alone.
    EXPECT_TRUE(copy.SwapSlots(1, 3, 7));
    EXPECT_EQ(two->GetFirstSlot(), 3);
    EXPECT_EQ(grid.PeekBooking(3, 1), two.get());
    EXPECT_EQ(grid.FindParentRow(7, &parent), -1);
    EXPECT_EQ(copy.FindParentRow(7, &parent), 1);

    AppointmentGrid assigned;
    assigned = copy;
    EXPECT_EQ(assigned.FindParentRow(8, &parent), 1);
    EXPECT_EQ(assigned.FindParentRow(3, &parent), -1);
}

TEST_F(BookingGrid, ParentLookupAnswersTheLowestRowAndFollowsRowRemoval) {
    AppointmentRequest& again = Request(parent.GetPupil(0), "French");
    auto low = Book(oneSlot);
    auto high = Book(again);
    ASSERT_TRUE(grid.PutBooking(5, 2, high));
    EXPECT_EQ(grid.FindParentRow(5, &parent), 2);
    ASSERT_TRUE(grid.PutBooking(5, 1, low));
    int row = -1;
    EXPECT_EQ(grid.FindParentBooking(5, &parent, &row), low);
    EXPECT_EQ(row, 1);
    EXPECT_EQ(grid.FindPupilBooking(5, parent.GetPupil(0), &row), low);

    grid.RemoveRow(0);  // later rows move up
    EXPECT_EQ(grid.FindParentRow(5, &parent), 0);
    grid.RemoveBooking(5, 0);
    EXPECT_EQ(grid.FindParentRow(5, &parent), 1);
    grid.RemoveRow(7);  // ignored
    EXPECT_EQ(grid.GetRowCount(), 2u);
    grid.ClearBookings();
    EXPECT_EQ(grid.FindParentRow(5, &parent), -1);
    EXPECT_EQ(grid.FindParentRow(5, nullptr), -1);
}

}  // namespace
