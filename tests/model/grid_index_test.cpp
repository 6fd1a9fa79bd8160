#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "foundation/uc_error.h"
#include "model/appointment_grid.h"
#include "model/appointment_request.h"
#include "model/parent.h"
#include "model/pupil.h"

namespace {

// The lookup the index replaces: every row, top to bottom.
int ScanParentRow(const AppointmentGrid& grid, int slot, const Parent* parent) {
    for (unsigned row = 0; row < grid.GetRowCount(); ++row) {
        const Appointment* booking = grid.PeekBooking(slot, static_cast<int>(row));
        if (booking != nullptr && booking->GetRequest() != nullptr &&
            booking->GetRequest()->GetParent() == parent) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

// Few parents and rows, so the same parent often stands in several rows of one slot.
class GridIndexAgainstScan : public ::testing::Test {
protected:
    static constexpr int kParents = 5;
    static constexpr int kRequestsEach = 6;
    static constexpr int kSlots = 12;

    GridIndexAgainstScan() {
        for (int p = 0; p < kParents; ++p) {
            auto parent = std::make_unique<Parent>("Parent " + std::to_string(p));
            parent->AddPupil(std::make_unique<Pupil>("Pupil " + std::to_string(p)));
            for (int r = 0; r < kRequestsEach; ++r) {
                requests.push_back(std::make_unique<AppointmentRequest>(
                    parent->GetPupil(0), nullptr, "S" + std::to_string(r), 1, 1 + r % 3));
            }
            parents.push_back(std::move(parent));
        }
    }

    void ExpectIndexAgreesWithScan(const AppointmentGrid& grid, int step) {
        for (const auto& parent : parents) {
            for (int slot = -1; slot <= kSlots; ++slot) {
                int expected =
                    slot < 0 || slot >= kSlots ? -1 : ScanParentRow(grid, slot, parent.get());
                ASSERT_EQ(grid.FindParentRow(slot, parent.get()), expected)
                    << "step " << step << ", slot " << slot << ", " << parent->GetName();
                int row = -7;
                auto found = grid.FindParentBooking(slot, parent.get(), &row);
                ASSERT_EQ(found.get(), expected < 0 ? nullptr : grid.PeekBooking(slot, expected));
                ASSERT_EQ(row, expected < 0 ? -7 : expected);
                ASSERT_EQ(grid.ParentIsBooked(slot, parent.get()), expected >= 0);
            }
        }
        for (int row = -1; row <= static_cast<int>(grid.GetRowCount()); ++row) {
            for (int slot = -1; slot <= kSlots; ++slot) {
                ASSERT_EQ(grid.HasBooking(slot, row), grid.PeekBooking(slot, row) != nullptr)
                    << "step " << step << ", slot " << slot << ", row " << row;
            }
        }
    }

    void RandomStep(AppointmentGrid& grid, AppointmentGrid& spare) {
        int rows = static_cast<int>(grid.GetRowCount());
        int slot = std::rand() % kSlots;
        int row = rows > 0 ? std::rand() % rows : 0;
        switch (std::rand() % 20) {
            case 0:
                grid.RemoveRow(row);
                break;
            case 1:
                grid.AddRow();
                break;
            case 2:
                // Work on a copy from here on, as the optimiser does, made whole or a few rows
                // at a time over whatever the target held.
                spare = grid;
                if (std::rand() % 2 == 0) {
                    grid = spare;
                } else {
                    grid.BeginCopy(spare);
                    for (unsigned first = 0; first < grid.GetRowCount(); first += 2) {
                        grid.CopyRows(spare, first, first + 2);
                    }
                }
                break;
            case 3:
                if (std::rand() % 4 == 0) {
                    // Emptied whole, or a few rows at a time first.
                    if (std::rand() % 2 == 0) {
                        grid.FreeRows(0, 2);
                        grid.FreeRows(2, grid.GetRowCount());
                    }
                    grid.ClearBookings();
                }
                break;
            case 4:
            case 5:
            case 6:
                grid.RemoveBooking(slot, row);
                break;
            case 7:
            case 8:
            case 9:
                (void)grid.SwapSlots(
                    row, slot,
                    std::rand() % kSlots);  // random moves: a refused one is part of the test
                break;
            case 10:
                if (Appointment* booking = grid.PeekBooking(slot, row)) {
                    booking->SetLocked(!booking->IsLocked());
                }
                break;
            default: {
                auto& request = requests[std::rand() % requests.size()];
                (void)grid.PutBooking(
                    slot, row,
                    std::make_shared<Appointment>(
                        request.get()));  // random moves: a refused one is part of the test
                break;
            }
        }
    }

    UCStringError sink;  // random steps hit bad cells on purpose
    std::vector<std::unique_ptr<Parent>> parents;
    std::vector<std::unique_ptr<AppointmentRequest>> requests;
};

TEST_F(GridIndexAgainstScan, AgreesAfterEveryRandomChange) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        std::srand(seed);
        AppointmentGrid grid(kSlots, 4);
        AppointmentGrid spare;
        for (int step = 0; step < 400; ++step) {
            RandomStep(grid, spare);
            ExpectIndexAgreesWithScan(grid, step);
            if (HasFatalFailure()) {
                return;
            }
        }
    }
}

TEST_F(GridIndexAgainstScan, CopiesKeepTheirOwnIndex) {
    std::srand(99);
    AppointmentGrid grid(kSlots, 5);
    AppointmentGrid spare;
    for (int step = 0; step < 10; ++step) {
        RandomStep(grid, spare);
    }
    // Copied while few parents are known, so both sides go on to meet new ones.
    AppointmentGrid copy(grid);
    AppointmentGrid scratch;
    for (int step = 0; step < 300; ++step) {
        RandomStep(step % 2 == 0 ? copy : grid, step % 2 == 0 ? scratch : spare);
    }
    // The original is untouched by the copy's changes, and each answers for itself.
    ExpectIndexAgreesWithScan(grid, -1);
    ExpectIndexAgreesWithScan(copy, -2);
}

}  // namespace
