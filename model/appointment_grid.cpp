#include "model/appointment_grid.h"

#include <algorithm>
#include <cstdint>

#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/schedule.h"

namespace {

int BookingLength(const Appointment& booking) {
    const AppointmentRequest* request = booking.GetRequest();
    return request == nullptr ? 1 : std::max(1, request->GetLength());
}

const Parent* BookingParent(const Appointment& booking) {
    const AppointmentRequest* request = booking.GetRequest();
    return request == nullptr ? nullptr : request->GetParent();
}

void ReportBadIndex(int slot, int row, unsigned slotCount, size_t rowCount) {
    if (slot < 0 || static_cast<unsigned>(slot) >= slotCount) {
        ReportMessage(SeverityError,
                      StringPrintf("Appointment slot %d out of bounds (max %u)", slot, slotCount));
    } else {
        ReportMessage(SeverityError, StringPrintf("Appointment offset %d out of bounds (max %u)",
                                                  row, static_cast<unsigned>(rowCount)));
    }
}

}  // namespace

// Parents by address to their ids, in one open-addressed array: a lookup is mostly one read.
class ParentIds {
public:
    int Find(const Parent* parent) const {
        if (slots_.empty()) {
            return -1;
        }
        for (std::size_t i = Home(parent);; i = (i + 1) & (slots_.size() - 1)) {
            if (slots_[i].parent == parent) {
                return slots_[i].id;
            }
            if (slots_[i].parent == nullptr) {
                return -1;
            }
        }
    }
    // The parent must not be in yet.
    void Add(const Parent* parent, int id) {
        if (2 * (count_ + 1) > slots_.size()) {
            Grow();
        }
        Place(parent, id);
        ++count_;
    }
    std::size_t Size() const { return count_; }

private:
    struct Slot {
        const Parent* parent = nullptr;
        int id = -1;
    };

    std::size_t Home(const Parent* parent) const {
        auto value = reinterpret_cast<std::uintptr_t>(parent);
        value ^= value >> 17;
        value *= 0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>(value >> 20) & (slots_.size() - 1);
    }
    void Place(const Parent* parent, int id) {
        std::size_t i = Home(parent);
        while (slots_[i].parent != nullptr) {
            i = (i + 1) & (slots_.size() - 1);
        }
        slots_[i] = {parent, id};
    }
    void Grow() {
        std::vector<Slot> old(slots_.empty() ? 64 : 2 * slots_.size());
        old.swap(slots_);
        for (const Slot& slot : old) {
            if (slot.parent != nullptr) {
                Place(slot.parent, slot.id);
            }
        }
    }

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};

// For every parent seen on this grid a dense id, and for every (id, slot) the lowest row that
// holds that parent there and how many rows do. Each cell also remembers the id it was indexed
// under, so a removal through any cell undoes exactly what the booking added, whatever its
// request says by then. Everything but the id map is plain integers, so a copy is a memcpy; the
// id map is shared between copies until one of them meets a parent the others have not.
struct AppointmentGrid::ParentIndex {
    struct Entry {
        int lowestRow = -1;
        int count = 0;
    };
    using IdMap = ParentIds;

    std::shared_ptr<IdMap> ids = std::make_shared<IdMap>();
    std::vector<Entry> entries;  // id * slotCount + slot
    std::vector<int> cellIds;    // row * slotCount + slot; -1 for a free or parentless cell
    // Whether an entry has a row, a bit a slot and a parent's bits together: what the booking
    // and scoring ask slot after slot, in a table small enough to stay at hand.
    std::vector<std::uint64_t> booked;  // id * words + slot / 64
    unsigned words = 0;
    // Scoring asks about one parent slot after slot.
    mutable const Parent* cachedParent = nullptr;
    mutable int cachedId = -1;

    void Reset(size_t rowCount, unsigned slotCount) {
        ids = std::make_shared<IdMap>();
        entries.clear();
        words = (slotCount + 63) / 64;
        booked.clear();
        cellIds.assign(rowCount * slotCount, -1);
        cachedParent = nullptr;
        cachedId = -1;
    }

    int FindId(const Parent* parent) const {
        if (parent == cachedParent && parent != nullptr) {
            return cachedId;
        }
        const int found = ids->Find(parent);
        if (found < 0) {
            return -1;
        }
        cachedParent = parent;
        cachedId = found;
        return cachedId;
    }

    int IdFor(const Parent* parent, unsigned slotCount) {
        if (parent == nullptr) {
            return -1;
        }
        int id = FindId(parent);
        if (id >= 0) {
            return id;
        }
        if (ids.use_count() > 1) {
            ids = std::make_shared<IdMap>(*ids);
        }
        id = static_cast<int>(ids->Size());
        ids->Add(parent, id);
        entries.resize(entries.size() + slotCount);
        booked.resize(booked.size() + words);
        cachedParent = parent;
        cachedId = id;
        return id;
    }

    void Add(int row, int slot, int id, unsigned slotCount) {
        cellIds[static_cast<size_t>(row) * slotCount + slot] = id;
        if (id < 0) {
            return;
        }
        Entry& entry = entries[static_cast<size_t>(id) * slotCount + slot];
        if (entry.count == 0 || row < entry.lowestRow) {
            entry.lowestRow = row;
        }
        ++entry.count;
        MarkBooked(id, slot, entry.lowestRow >= 0);
    }

    bool IsBooked(int id, int slot) const {
        return (booked[static_cast<size_t>(id) * words + static_cast<unsigned>(slot) / 64] >>
                (static_cast<unsigned>(slot) % 64)) &
               1;
    }

    void MarkBooked(int id, int slot, bool on) {
        std::uint64_t& word =
            booked[static_cast<size_t>(id) * words + static_cast<unsigned>(slot) / 64];
        const std::uint64_t bit = std::uint64_t{1} << (static_cast<unsigned>(slot) % 64);
        word = on ? word | bit : word & ~bit;
    }

    void Remove(int row, int slot, unsigned slotCount, size_t rowCount) {
        int& cellId = cellIds[static_cast<size_t>(row) * slotCount + slot];
        int id = cellId;
        cellId = -1;
        if (id < 0) {
            return;
        }
        Entry& entry = entries[static_cast<size_t>(id) * slotCount + slot];
        if (--entry.count <= 0) {
            entry = Entry();
            MarkBooked(id, slot, false);
            return;
        }
        if (entry.lowestRow != row) {
            return;
        }
        // A parent in two rows at once is rare (a clash the booking rules avoid), so the next
        // lowest row is found by a scan of the rows below rather than kept.
        entry.lowestRow = -1;
        for (size_t r = static_cast<size_t>(row) + 1; r < rowCount; ++r) {
            if (cellIds[r * slotCount + slot] == id) {
                entry.lowestRow = static_cast<int>(r);
                return;
            }
        }
        MarkBooked(id, slot, false);
    }

    void Rebuild(size_t rowCount, unsigned slotCount) {
        std::fill(entries.begin(), entries.end(), Entry());
        std::fill(booked.begin(), booked.end(), 0);
        for (size_t r = 0; r < rowCount; ++r) {
            for (unsigned s = 0; s < slotCount; ++s) {
                int id = cellIds[r * slotCount + s];
                if (id >= 0) {
                    Add(static_cast<int>(r), static_cast<int>(s), id, slotCount);
                }
            }
        }
    }
};

AppointmentGrid::AppointmentGrid() : parentIndex_(std::make_unique<ParentIndex>()) {}

AppointmentGrid::AppointmentGrid(unsigned slots, unsigned rows) : AppointmentGrid() {
    Resize(slots, rows);
}

AppointmentGrid::AppointmentGrid(const AppointmentGrid& other) : AppointmentGrid() {
    *this = other;
}

AppointmentGrid::~AppointmentGrid() = default;

// A booking covering several cells stays one object in the copy, so that locking or moving it
// through any of its cells acts on all of them.
AppointmentGrid& AppointmentGrid::operator=(const AppointmentGrid& other) {
    if (this == &other) {
        return *this;
    }
    BeginCopy(other);
    CopyRows(other, 0, GetRowCount());
    return *this;
}

void AppointmentGrid::BeginCopy(const AppointmentGrid& other) {
    if (this == &other) {
        return;
    }
    slotCount_ = other.slotCount_;
    rows_.resize(other.rows_.size());
    words_ = other.words_;
    occupied_.resize(other.occupied_.size());
    *parentIndex_ = *other.parentIndex_;
}

void AppointmentGrid::CopyRows(const AppointmentGrid& other, unsigned first, unsigned end) {
    if (this == &other) {
        return;
    }
    end = std::min(end, GetRowCount());
    for (size_t r = first; r < end; ++r) {
        Row& row = rows_[r];
        const Row& source = other.rows_[r];
        row.assign(slotCount_, nullptr);
        const Appointment* lastSource = nullptr;
        std::shared_ptr<Appointment> lastCopy;
        for (unsigned s = 0; s < slotCount_; ++s) {
            const Appointment* cell = source[s].get();
            if (cell == nullptr) {
                lastSource = nullptr;
                continue;
            }
            if (cell != lastSource) {
                lastCopy = std::make_shared<Appointment>(*cell);
                lastSource = cell;
            }
            row[s] = lastCopy;
        }
        std::copy_n(other.occupied_.begin() + static_cast<ptrdiff_t>(r * words_), words_,
                    occupied_.begin() + static_cast<ptrdiff_t>(r * words_));
    }
}

void AppointmentGrid::FreeRows(unsigned first, unsigned end) {
    end = std::min(end, GetRowCount());
    first = std::min(first, end);
    for (size_t r = first; r < end; ++r) {
        std::fill(rows_[r].begin(), rows_[r].end(), nullptr);
    }
    std::fill(occupied_.begin() + static_cast<ptrdiff_t>(first * words_),
              occupied_.begin() + static_cast<ptrdiff_t>(end * words_), 0);
}

void AppointmentGrid::Resize(unsigned slots, unsigned rows) {
    slotCount_ = slots;
    rows_.clear();
    rows_.resize(rows, Row(slots));
    words_ = (slots + 63) / 64;
    occupied_.assign(static_cast<size_t>(rows) * words_, 0);
    parentIndex_->Reset(rows, slots);
}

void AppointmentGrid::ResizeForDay(const Schedule& day) {
    int slots = std::max(0, day.GetNumSlots());
    unsigned rows = day.GetEvent() ? day.GetEvent()->GetTeachers().Count() : 0;
    Resize(static_cast<unsigned>(slots), rows);
}

void AppointmentGrid::GrowSlots(unsigned slots) {
    if (slots <= slotCount_) {
        return;
    }
    const unsigned kept = slotCount_;
    std::vector<Row> old = std::move(rows_);
    Resize(slots, static_cast<unsigned>(old.size()));
    for (size_t row = 0; row < old.size(); ++row) {
        for (unsigned slot = 0; slot < kept; ++slot) {
            if (old[row][slot]) {
                FillCell(static_cast<int>(slot), static_cast<int>(row), old[row][slot]);
            }
        }
    }
}

void AppointmentGrid::AddRow() {
    rows_.emplace_back(slotCount_);
    occupied_.resize(rows_.size() * words_, 0);
    parentIndex_->cellIds.resize(rows_.size() * slotCount_, -1);
}

void AppointmentGrid::RemoveRow(int row) {
    if (row < 0 || static_cast<size_t>(row) >= rows_.size()) {
        return;
    }
    rows_.erase(rows_.begin() + row);
    const auto words = occupied_.begin() + static_cast<ptrdiff_t>(row) * words_;
    occupied_.erase(words, words + words_);
    auto& cellIds = parentIndex_->cellIds;
    auto first = cellIds.begin() + static_cast<ptrdiff_t>(row) * slotCount_;
    cellIds.erase(first, first + slotCount_);
    // Every later row moves up, so the lowest rows are found afresh; deleting a teacher is rare.
    parentIndex_->Rebuild(rows_.size(), slotCount_);
}

void AppointmentGrid::ReorderRows(const std::vector<unsigned>& from) {
    if (from.size() != rows_.size()) {
        return;
    }
    std::vector<Row> rows(rows_.size());
    std::vector<std::uint64_t> occupied(occupied_.size());
    std::vector<int>& cellIds = parentIndex_->cellIds;
    std::vector<int> ids(cellIds.size());
    for (size_t row = 0; row < from.size(); ++row) {
        const size_t old = from[row];
        rows[row] = std::move(rows_[old]);
        std::copy_n(occupied_.begin() + static_cast<ptrdiff_t>(old * words_), words_,
                    occupied.begin() + static_cast<ptrdiff_t>(row * words_));
        std::copy_n(cellIds.begin() + static_cast<ptrdiff_t>(old * slotCount_), slotCount_,
                    ids.begin() + static_cast<ptrdiff_t>(row * slotCount_));
    }
    rows_ = std::move(rows);
    occupied_ = std::move(occupied);
    cellIds = std::move(ids);
    // The lowest row holding each parent may be another now.
    parentIndex_->Rebuild(rows_.size(), slotCount_);
}

void AppointmentGrid::ClearBookings() {
    for (Row& row : rows_) {
        std::fill(row.begin(), row.end(), nullptr);
    }
    std::fill(occupied_.begin(), occupied_.end(), 0);
    parentIndex_->Reset(rows_.size(), slotCount_);
}

void AppointmentGrid::ClearRows() {
    rows_.clear();
    occupied_.clear();
    parentIndex_->Reset(0, slotCount_);
}

std::shared_ptr<Appointment> AppointmentGrid::GetBooking(int slot, int row) const {
    if (!IsInside(slot, row)) {
        ReportBadIndex(slot, row, slotCount_, rows_.size());
        return nullptr;
    }
    return rows_[row][slot];
}

Appointment* AppointmentGrid::PeekBooking(int slot, int row) const {
    return IsInside(slot, row) ? rows_[row][slot].get() : nullptr;
}

void AppointmentGrid::FillCell(int slot, int row, const std::shared_ptr<Appointment>& booking) {
    rows_[row][slot] = booking;
    occupied_[static_cast<size_t>(row) * words_ + static_cast<unsigned>(slot) / 64] |=
        std::uint64_t{1} << (static_cast<unsigned>(slot) % 64);
    int id = parentIndex_->IdFor(BookingParent(*booking), slotCount_);
    parentIndex_->Add(row, slot, id, slotCount_);
}

void AppointmentGrid::ClearCell(int slot, int row) {
    rows_[row][slot].reset();
    occupied_[static_cast<size_t>(row) * words_ + static_cast<unsigned>(slot) / 64] &=
        ~(std::uint64_t{1} << (static_cast<unsigned>(slot) % 64));
    parentIndex_->Remove(row, slot, slotCount_, rows_.size());
}

bool AppointmentGrid::PutBooking(int slot, int row, const std::shared_ptr<Appointment>& booking) {
    if (!booking) {
        ReportMessage(SeverityError, "Attempted to book an empty appointment");
        return false;
    }
    if (!IsInside(slot, row)) {
        ReportBadIndex(slot, row, slotCount_, rows_.size());
        return false;
    }
    int length = BookingLength(*booking);
    if (static_cast<long>(slot) + length > static_cast<long>(slotCount_)) {
        return false;
    }
    const Row& cells = rows_[row];
    for (int i = 0; i < length; ++i) {
        if (cells[slot + i]) {
            return false;
        }
    }
    booking->SetFirstSlot(slot);
    for (int i = 0; i < length; ++i) {
        FillCell(slot + i, row, booking);
    }
    return true;
}

void AppointmentGrid::FreeCells(int row, int slot, const Appointment* booking) {
    const Row& cells = rows_[row];
    int from = slot;
    while (from > 0 && cells[from - 1].get() == booking) {
        --from;
    }
    for (int s = from; s < static_cast<int>(slotCount_) && cells[s].get() == booking; ++s) {
        ClearCell(s, row);
    }
}

std::shared_ptr<Appointment> AppointmentGrid::RemoveBooking(int slot, int row) {
    if (!IsInside(slot, row)) {
        ReportMessage(SeverityDebug,
                      StringPrintf("Attempt to remove appointment (%d,%d)\n", slot, row));
        return nullptr;
    }
    std::shared_ptr<Appointment> booking = rows_[row][slot];
    if (!booking || booking->IsLocked()) {
        return nullptr;
    }
    FreeCells(row, slot, booking.get());
    return booking;
}

std::shared_ptr<Appointment> AppointmentGrid::FindParentBooking(int slot, const Parent* parent,
                                                                int* rowOut) const {
    int row = FindParentRow(slot, parent);
    if (row < 0) {
        return nullptr;
    }
    if (rowOut != nullptr) {
        *rowOut = row;
    }
    return rows_[row][slot];
}

std::shared_ptr<Appointment> AppointmentGrid::FindPupilBooking(int slot, const Pupil* pupil,
                                                               int* rowOut) const {
    if (pupil == nullptr || slot < 0 || static_cast<unsigned>(slot) >= slotCount_) {
        return nullptr;
    }
    for (size_t r = 0; r < rows_.size(); ++r) {
        const std::shared_ptr<Appointment>& cell = rows_[r][slot];
        if (cell && cell->GetRequest() != nullptr && cell->GetRequest()->GetPupil() == pupil) {
            if (rowOut != nullptr) {
                *rowOut = static_cast<int>(r);
            }
            return cell;
        }
    }
    return nullptr;
}

bool AppointmentGrid::ParentIsBooked(int slot, const Parent* parent) const {
    if (parent == nullptr || slot < 0 || static_cast<unsigned>(slot) >= slotCount_) {
        return false;
    }
    const int id = parentIndex_->FindId(parent);
    return id >= 0 && parentIndex_->IsBooked(id, slot);
}

int AppointmentGrid::FindParentRow(int slot, const Parent* parent) const {
    if (parent == nullptr || slot < 0 || static_cast<unsigned>(slot) >= slotCount_) {
        return -1;
    }
    int id = parentIndex_->FindId(parent);
    if (id < 0) {
        return -1;
    }
    return parentIndex_->entries[static_cast<size_t>(id) * slotCount_ + slot].lowestRow;
}

void AppointmentGrid::SetLocked(bool locked) {
    for (Row& row : rows_) {
        for (const auto& cell : row) {
            if (cell) {
                cell->SetLocked(locked);
            }
        }
    }
}

bool AppointmentGrid::SwapSlots(int row, int slotA, int slotB) {
    if (!IsInside(slotA, row) || !IsInside(slotB, row)) {
        ReportBadIndex(IsInside(slotA, row) ? slotB : slotA, row, slotCount_, rows_.size());
        return false;
    }
    if (slotA == slotB) {
        return true;
    }
    Row& cells = rows_[row];
    std::shared_ptr<Appointment> a = cells[slotA];
    std::shared_ptr<Appointment> b = cells[slotB];
    if ((a && a->GetFirstSlot() != slotA) || (b && b->GetFirstSlot() != slotB)) {
        return false;
    }
    if ((a && a->IsLocked()) || (b && b->IsLocked())) {
        return false;
    }
    int length = 1;
    if (a && b) {
        length = BookingLength(*a);
        if (BookingLength(*b) != length) {
            return false;
        }
    } else if (a) {
        length = BookingLength(*a);
    } else if (b) {
        length = BookingLength(*b);
    }
    long last = static_cast<long>(std::max(slotA, slotB)) + length;
    if (last > static_cast<long>(slotCount_)) {
        return false;
    }
    // Each side must hold exactly its own booking (or be free) over the whole length, so a
    // move never lands on, or overlaps, anything else.
    for (int i = 0; i < length; ++i) {
        if (cells[slotA + i] != a || cells[slotB + i] != b) {
            return false;
        }
    }
    for (int i = 0; i < length; ++i) {
        ClearCell(slotA + i, row);
        ClearCell(slotB + i, row);
    }
    for (int i = 0; i < length; ++i) {
        if (b) {
            FillCell(slotA + i, row, b);
        }
        if (a) {
            FillCell(slotB + i, row, a);
        }
    }
    if (a) {
        a->SetFirstSlot(slotB);
    }
    if (b) {
        b->SetFirstSlot(slotA);
    }
    return true;
}
