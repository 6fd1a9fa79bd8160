#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <unordered_map>
#include <vector>

#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/day_availability.h"
#include "model/event.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/staged_booking.h"
#include "model/teacher.h"

// Brothers' and sisters' requests for one teacher go one after the other, so that the parent
// sees that teacher once, in adjacent slots. For the request at each position, the first later
// request of the same parent and teacher is swapped in just behind it. Each (parent, teacher)
// with more than one request keeps a min-heap of the positions that hold it, so a batch is
// grouped without rescanning it.
void SiblingGrouping::Begin(std::vector<AppointmentRequest*>& requests) {
    requests_ = &requests;
    keys_.assign(64, Key());
    keyCount_ = 0;
    keyAt_.assign(requests.size(), -1);
    sizes_.clear();
    positions_.clear();
    next_ = 0;
    stage_ = Keying;
}

bool SiblingGrouping::Next(std::size_t count) {
    std::vector<AppointmentRequest*>& requests = *requests_;
    const std::size_t total = requests.size();
    const std::size_t end = total - next_ > count ? next_ + count : total;
    switch (stage_) {
        case Keying:
            for (; next_ < end; ++next_) {
                const AppointmentRequest* request = requests[next_];
                const Parent* parent = request ? request->GetParent() : nullptr;
                if (parent == nullptr || parent->GetPupilCount() <= 1) {
                    continue;
                }
                const int key = KeyIndex(parent, request->GetTeacher());
                keyAt_[next_] = key;
                ++sizes_[static_cast<std::size_t>(key)];
            }
            if (next_ >= total) {
                // A request alone with its teacher has nobody to be grouped with.
                std::vector<int> heapOf(sizes_.size(), -1);
                for (std::size_t i = 0; i < total; ++i) {
                    const int key = keyAt_[i];
                    if (key < 0 || sizes_[static_cast<std::size_t>(key)] < 2) {
                        keyAt_[i] = -1;
                        continue;
                    }
                    int& heap = heapOf[static_cast<std::size_t>(key)];
                    if (heap < 0) {
                        heap = static_cast<int>(positions_.size());
                        positions_.emplace_back();
                        positions_.back().reserve(sizes_[static_cast<std::size_t>(key)]);
                    }
                    keyAt_[i] = heap;
                    // Ascending pushes keep each vector a valid min-heap.
                    positions_[static_cast<std::size_t>(heap)].push_back(i);
                }
                next_ = 0;
                stage_ = Grouping;
            }
            return false;
        case Grouping: {
            const auto later = std::greater<std::size_t>();
            for (; next_ < end; ++next_) {
                const std::size_t i = next_;
                if (i + 1 >= total) {
                    continue;
                }
                const int key = keyAt_[i];
                if (key < 0) {
                    continue;
                }
                std::vector<std::size_t>& heap = positions_[static_cast<std::size_t>(key)];
                // Entries at or before i, or whose request has since been moved away, are stale.
                while (!heap.empty() && (heap.front() <= i || keyAt_[heap.front()] != key)) {
                    std::pop_heap(heap.begin(), heap.end(), later);
                    heap.pop_back();
                }
                if (heap.empty()) {
                    continue;
                }
                const std::size_t found = heap.front();
                if (found != i + 1) {
                    std::swap(requests[i + 1], requests[found]);
                    std::swap(keyAt_[i + 1], keyAt_[found]);
                    if (keyAt_[found] >= 0) {
                        std::vector<std::size_t>& moved =
                            positions_[static_cast<std::size_t>(keyAt_[found])];
                        moved.push_back(found);
                        std::push_heap(moved.begin(), moved.end(), later);
                    }
                }
            }
            if (next_ >= total) {
                stage_ = Done;
                return true;
            }
            return false;
        }
        case Done:
            break;
    }
    return true;
}

int SiblingGrouping::KeyIndex(const void* parent, const void* teacher) {
    const auto home = [this](const void* p, const void* t) {
        std::uint64_t value = reinterpret_cast<std::uintptr_t>(p) * 31 +
                              reinterpret_cast<std::uintptr_t>(t);
        value ^= value >> 17;
        value *= 0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>(value >> 20) & (keys_.size() - 1);
    };
    if (2 * (keyCount_ + 1) > keys_.size()) {
        std::vector<Key> old(2 * keys_.size());
        old.swap(keys_);
        for (const Key& key : old) {
            if (key.parent != nullptr) {
                std::size_t i = home(key.parent, key.teacher);
                while (keys_[i].parent != nullptr) {
                    i = (i + 1) & (keys_.size() - 1);
                }
                keys_[i] = key;
            }
        }
    }
    std::size_t i = home(parent, teacher);
    while (keys_[i].parent != nullptr) {
        if (keys_[i].parent == parent && keys_[i].teacher == teacher) {
            return keys_[i].index;
        }
        i = (i + 1) & (keys_.size() - 1);
    }
    keys_[i] = {parent, teacher, static_cast<int>(sizes_.size())};
    ++keyCount_;
    sizes_.push_back(0);
    return keys_[i].index;
}

bool Schedule::BookRequests(std::vector<AppointmentRequest*>& requests, int order,
                            int* unbookedCount) {
    if (requests.empty()) {
        return true;
    }
    OrderRequests(requests, order);
    DayAvailability known(*this);
    for (AppointmentRequest* request : requests) {
        if (!BookOrderedRequest(request, unbookedCount, &known)) {
            return false;
        }
    }
    return true;
}

void Schedule::OrderRequests(std::vector<AppointmentRequest*>& requests, int order) {
    if (order == BookRandom || order == BookRandomThenOrderKey) {
        ShuffleRequests(requests);
    }
    if (order == BookRandomThenOrderKey) {
        SortRequestsByOrderKey(requests);
    }
    GroupSiblingRequests(requests);
}

void Schedule::ShuffleRequests(std::vector<AppointmentRequest*>& requests) {
    for (std::size_t i = 1; i < requests.size(); ++i) {
        std::size_t j = static_cast<std::size_t>(std::rand()) % (i + 1);
        if (i != j) {
            std::swap(requests[i], requests[j]);
        }
    }
}

// Fewest shared slots first: the hardest requests choose before the easy ones fill up. The keys
// are read once and sorted beside their requests; the sort meets the same comparisons, so the
// requests come out in the same order as sorted by reading them.
void Schedule::SortRequestsByOrderKey(std::vector<AppointmentRequest*>& requests) {
    std::vector<std::pair<unsigned, AppointmentRequest*>> keyed(requests.size());
    for (std::size_t i = 0; i < requests.size(); ++i) {
        keyed[i] = {requests[i] ? requests[i]->GetOrderKey() : 0, requests[i]};
    }
    std::sort(keyed.begin(), keyed.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < requests.size(); ++i) {
        requests[i] = keyed[i].second;
    }
}

void Schedule::GroupSiblingRequests(std::vector<AppointmentRequest*>& requests) {
    SiblingGrouping grouping;
    grouping.Begin(requests);
    while (!grouping.Next(requests.size() + 1)) {
    }
}

bool Schedule::BookOrderedRequest(AppointmentRequest* request, int* unbookedCount,
                                  DayAvailability* known) {
    if (request == nullptr) {
        if (unbookedCount != nullptr) {
            ++*unbookedCount;
        }
        return true;
    }
    const TeacherList* teachers = event_ ? &event_->GetTeachers() : nullptr;
    int row = teachers ? teachers->IndexOf(request->GetTeacher()) : -1;
    if (row < 0) {
        const Teacher* teacher = request->GetTeacher();
        ReportMessage(SeverityError,
                      "Cannot find teacher " + (teacher ? teacher->GetName() : std::string()));
        return false;
    }
    auto booking = std::make_shared<Appointment>(request);
    int slot = -1;
    bool booked = BookInFirstFreeSlot(booking, row, &slot, known);
    // Only a parent who merely prefers gaps gives them up; one who needs them keeps them.
    Parent* parent = request->GetParent();
    if (!booked && parent != nullptr && event_->GetParentGapMode() == TryParentGaps &&
        parent->GetGapMode() == TryParentGaps) {
        parent->SetGapMode(AdjacentParentAppointments);
        booked = BookInFirstFreeSlot(booking, row, &slot, known);
    }
    if (!booked && unbookedCount != nullptr) {
        ++*unbookedCount;
    }
    return true;
}

bool Schedule::IsAvailableFor(const AppointmentRequest& request, int teacherRow, int slot) const {
    const Teacher* teacher = TeacherAt(teacherRow);
    const Parent* parent = request.GetParent();
    if (teacher == nullptr || parent == nullptr || !teacher->IsAttending(this) ||
        !parent->IsAttending(this)) {
        return false;
    }
    const int end = std::min(slot + std::max(request.GetLength(), 1), GetNumSlots());
    for (int k = slot; k < end; ++k) {
        const TimeOfDay from = SlotToTime(k);
        const TimeOfDay to = SlotToTime(k + 1);
        if (!IsSlotWithin(k, teacher->GetStartTime(this), teacher->GetEndTime(this)) ||
            !IsSlotWithin(k, parent->GetStartTime(this), parent->GetEndTime(this)) ||
            teacher->HasBreakDuring(date_, from, to) ||
            teacher->IsAtPresentationDuring(date_, from, to) ||
            parent->IsAtPresentationDuring(date_, from, to)) {
            return false;
        }
    }
    return true;
}

std::vector<Schedule::Unbooked> Schedule::FindUnavailableBookings() const {
    std::vector<Unbooked> found;
    const int slots = std::min(GetNumSlots(), static_cast<int>(grid_.GetSlotCount()));
    const int rows = static_cast<int>(grid_.GetRowCount());
    for (int slot = 0; slot < slots; ++slot) {
        for (int row = 0; row < rows; ++row) {
            const Appointment* booking = grid_.PeekBooking(slot, row);
            if (booking != nullptr && booking->GetFirstSlot() == slot &&
                booking->GetRequest() != nullptr &&
                !IsAvailableFor(*booking->GetRequest(), row, slot)) {
                found.push_back({row, slot, grid_.GetBooking(slot, row)});
            }
        }
    }
    return found;
}

std::vector<AppointmentRequest*> Schedule::RebuildGrid(
    std::vector<AppointmentRequest*>* unavailable) {
    std::vector<AppointmentRequest*> unplaced;
    grid_.ResizeForDay(*this);
    if (!event_) {
        return unplaced;
    }
    const int slots = GetNumSlots();
    const TeacherList& teachers = event_->GetTeachers();
    const ParentList& parents = event_->GetParents();
    // Rows looked up once: a scan of the teachers per booking grows with their product.
    std::unordered_map<const Teacher*, int> rows;
    rows.reserve(teachers.Count());
    for (unsigned t = 0; t < teachers.Count(); ++t) {
        rows.emplace(teachers.At(t), static_cast<int>(t));
    }
    for (unsigned p = 0; p < parents.Count(); ++p) {
        const Parent* parent = parents.At(p);
        if (parent == nullptr) {
            continue;
        }
        for (unsigned u = 0; u < parent->GetPupilCount(); ++u) {
            const Pupil* pupil = parent->GetPupil(u);
            if (pupil == nullptr) {
                continue;
            }
            for (unsigned k = 0; k < pupil->GetRequestCount(); ++k) {
                if (!pupil->IsRequestFixedOn(k, date_)) {
                    continue;
                }
                AppointmentRequest* request = pupil->GetRequest(k);
                const auto found = rows.find(request->GetTeacher());
                const int row = found != rows.end() ? found->second : -1;
                int slot = GetSlotForTime(pupil->GetRequestDateTime(k).GetTime());
                if (row < 0 || row >= static_cast<int>(grid_.GetRowCount()) || slot < 0 ||
                    slot >= slots) {
                    continue;
                }
                // What booking by hand would refuse there is not booked either.
                if (unavailable != nullptr && !IsAvailableFor(*request, row, slot)) {
                    unavailable->push_back(request);
                    continue;
                }
                if (!grid_.PutBooking(slot, row, std::make_shared<Appointment>(request))) {
                    unplaced.push_back(request);
                }
            }
        }
    }
    return unplaced;
}

std::vector<std::shared_ptr<Appointment>> Schedule::RefitBookingLengths(int teacherRow) {
    std::vector<std::shared_ptr<Appointment>> unbooked;
    const int slots = static_cast<int>(grid_.GetSlotCount());
    if (teacherRow < 0 || teacherRow >= static_cast<int>(grid_.GetRowCount())) {
        return unbooked;
    }
    // All misfits come out first, so that one lengthened booking is kept before the next one it
    // now covers, whatever order they were found in.
    std::vector<std::pair<int, std::shared_ptr<Appointment>>> misfits;
    for (int slot = 0; slot < slots;) {
        const Appointment* booking = grid_.PeekBooking(slot, teacherRow);
        if (booking == nullptr) {
            ++slot;
            continue;
        }
        int cells = 1;
        while (slot + cells < slots && grid_.PeekBooking(slot + cells, teacherRow) == booking) {
            ++cells;
        }
        const AppointmentRequest* request = booking->GetRequest();
        if (request != nullptr && cells != request->GetLength() && !booking->IsLocked()) {
            if (std::shared_ptr<Appointment> taken = grid_.RemoveBooking(slot, teacherRow)) {
                misfits.emplace_back(slot, std::move(taken));
            }
        }
        slot += cells;
    }
    for (auto& [slot, booking] : misfits) {
        const AppointmentRequest* request = booking->GetRequest();
        const Parent* parent = request->GetParent();
        bool fits = parent != nullptr;
        for (int i = 0; fits && i < request->GetLength(); ++i) {
            fits = GetTeacherSlotStatus(slot + i, teacherRow) == SlotFree &&
                   GetParentSlotStatus(slot + i, parent) == SlotFree;
        }
        if (!fits || !grid_.PutBooking(slot, teacherRow, booking)) {
            booking->SetFirstSlot(slot);
            unbooked.push_back(std::move(booking));
        }
    }
    if (!misfits.empty()) {
        SetModified();
    }
    return unbooked;
}

bool Schedule::AreRequestsBooked(const Parent* parent, const Pupil* pupil) const {
    if (pupil == nullptr) {
        return true;
    }
    const int slots = GetNumSlots();
    for (unsigned k = 0; k < pupil->GetRequestCount(); ++k) {
        const AppointmentRequest* request = pupil->GetRequest(k);
        bool found = false;
        for (int s = 0; s < slots && !found; ++s) {
            int row = grid_.FindParentRow(s, parent);
            if (row < 0) {
                continue;
            }
            const AppointmentRequest* booked = grid_.PeekBooking(s, row)->GetRequest();
            if (booked != nullptr && booked->GetPupil() == nullptr) {
                const Teacher* teacher = request->GetTeacher();
                ReportMessage(SeverityError,
                              "Internal error: Pupil missing from booked appointment! Parent=" +
                                  (parent ? parent->GetName() : std::string()) +
                                  ", teacher=" + (teacher ? teacher->GetName() : std::string()));
            }
            found = booked == request;
        }
        if (!found) {
            return false;
        }
    }
    return true;
}

bool Schedule::AreParentRequestsBooked(const Parent* parent) const {
    if (parent == nullptr) {
        return true;
    }
    for (unsigned u = 0; u < parent->GetPupilCount(); ++u) {
        if (!AreRequestsBooked(parent, parent->GetPupil(u))) {
            return false;
        }
    }
    return true;
}

bool Schedule::FindBooking(const Pupil* pupil, const Teacher* teacher, const std::string& subject,
                           DateTime* out) const {
    if (!event_ || pupil == nullptr || teacher == nullptr) {
        return false;
    }
    const int row = event_->GetTeachers().IndexOf(teacher);
    if (row < 0) {
        return false;
    }
    const int slots = GetNumSlots();
    for (int s = 0; s < slots; ++s) {
        const Appointment* booking = grid_.PeekBooking(s, row);
        const AppointmentRequest* request = booking ? booking->GetRequest() : nullptr;
        if (request != nullptr && request->GetPupil() == pupil &&
            request->GetSubject() == subject) {
            if (out != nullptr) {
                GetSlotDateTime(s, out);
            }
            return true;
        }
    }
    return false;
}

bool Schedule::FindAppointment(const Pupil* pupil, int requestIndex, DateTime* out) const {
    if (!event_ || pupil == nullptr || requestIndex < 0) {
        return false;
    }
    const AppointmentRequest* request = pupil->GetRequest(static_cast<unsigned>(requestIndex));
    if (request == nullptr) {
        return false;
    }
    return FindBooking(pupil, request->GetTeacher(), request->GetSubject(), out);
}
