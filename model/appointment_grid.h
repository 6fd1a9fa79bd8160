#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/appointment.h"

class Parent;
class Pupil;
class Schedule;

// One day's timetable: a row per teacher (in the event's teacher-list order) and a cell per
// slot. A booking stands in every cell its request's length covers. The grid also keeps an
// index from (parent, slot) to the rows that hold that parent, so that parent lookups do not
// scan every teacher.
class AppointmentGrid {
public:
    AppointmentGrid();
    AppointmentGrid(unsigned slots, unsigned rows);
    // Deep copies: each booking is copied once, and that copy stands in every cell the
    // original covers, so the copy's bookings are its own and still whole.
    AppointmentGrid(const AppointmentGrid& other);
    AppointmentGrid& operator=(const AppointmentGrid& other);
    ~AppointmentGrid();

    // The copy above a few rows at a time, for a caller that must answer between pieces:
    // BeginCopy takes the other's sizes and parent index, CopyRows then its rows [first, end).
    // Until every row is copied this grid is half made and must be left alone.
    void BeginCopy(const AppointmentGrid& other);
    void CopyRows(const AppointmentGrid& other, unsigned first, unsigned end);
    // ClearBookings a few rows at a time: rows [first, end) are emptied and the parent index is
    // left as it was, so the grid must be left alone until ClearBookings ends it.
    void FreeRows(unsigned first, unsigned end);

    // Drops every row and booking, then makes rows of free cells.
    void Resize(unsigned slots, unsigned rows);
    void ResizeForDay(const Schedule& day);
    // More slots at the end of every row, every booking kept in its cells; fewer change nothing.
    void GrowSlots(unsigned slots);
    void AddRow();
    void RemoveRow(int row);
    // Row i takes what row from[i] held, every booking with it; from must name each row once.
    void ReorderRows(const std::vector<unsigned>& from);
    void ClearBookings();
    void ClearRows();

    unsigned GetSlotCount() const { return slotCount_; }
    unsigned GetRowCount() const { return static_cast<unsigned>(rows_.size()); }

    // Reports a bad index (Error) and returns empty.
    std::shared_ptr<Appointment> GetBooking(int slot, int row) const;
    // The quiet accessor for painting, scoring and searching: null for a free cell or any index
    // outside the grid, never a message.
    Appointment* PeekBooking(int slot, int row) const;
    // PeekBooking(slot, row) != nullptr, read from a bit a cell.
    bool HasBooking(int slot, int row) const {
        return IsInside(slot, row) &&
               ((occupied_[static_cast<size_t>(row) * words_ + static_cast<unsigned>(slot) / 64] >>
                 (static_cast<unsigned>(slot) % 64)) &
                1) != 0;
    }

    [[nodiscard]] bool PutBooking(int slot, int row, const std::shared_ptr<Appointment>& booking);
    // Takes the whole booking found in that cell out of all its cells; empty when the cell is
    // free, the booking locked or the index bad.
    std::shared_ptr<Appointment> RemoveBooking(int slot, int row);

    // The lowest row whose cell at slot holds a booking of that parent (pupil).
    std::shared_ptr<Appointment> FindParentBooking(int slot, const Parent* parent,
                                                   int* rowOut) const;
    std::shared_ptr<Appointment> FindPupilBooking(int slot, const Pupil* pupil, int* rowOut) const;
    // Quiet and allocation-free forms: the lowest row holding the parent at slot, or -1.
    int FindParentRow(int slot, const Parent* parent) const;
    // FindParentRow(slot, parent) >= 0.
    bool ParentIsBooked(int slot, const Parent* parent) const;

    void SetLocked(bool locked);
    [[nodiscard]] bool SwapSlots(int row, int slotA, int slotB);

private:
    using Row = std::vector<std::shared_ptr<Appointment>>;

    bool IsInside(int slot, int row) const {
        return slot >= 0 && row >= 0 && static_cast<unsigned>(slot) < slotCount_ &&
               static_cast<size_t>(row) < rows_.size();
    }
    // Frees the cells of one row that hold booking, from slot outward in both directions.
    void FreeCells(int row, int slot, const Appointment* booking);
    void FillCell(int slot, int row, const std::shared_ptr<Appointment>& booking);
    void ClearCell(int slot, int row);

    std::vector<Row> rows_;
    unsigned slotCount_ = 0;
    // Which cells hold a booking, a row's bits together (row * words_ + slot / 64): a search of a
    // teacher's row for a free cell reads a word or two rather than the row's pointers.
    std::vector<std::uint64_t> occupied_;
    unsigned words_ = 0;
    // Which rows hold which parent in each slot; its layout is private to the implementation.
    struct ParentIndex;
    std::unique_ptr<ParentIndex> parentIndex_;
};
