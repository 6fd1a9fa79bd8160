// Booking over all days, the optimiser's mutations and the deletions of people.
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <set>
#include <unordered_map>

#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/day_availability.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/staged_booking.h"
#include "model/teacher.h"

namespace {

constexpr int kPriorities[] = {2, 1, 0};

}  // namespace

bool MultiDaySchedule::BookDay(Schedule& day, int order, std::vector<AppointmentRequest*>& requests,
                               RequestSet* booked, DayAvailability& known) {
    // Schedule::BookRequests, noting what it books.
    if (requests.empty()) {
        return true;
    }
    day.OrderRequests(requests, order);
    int unbooked = 0;
    for (AppointmentRequest* request : requests) {
        const int before = unbooked;
        if (!day.BookOrderedRequest(request, &unbooked, &known)) {
            return false;
        }
        if (booked != nullptr && unbooked == before) {
            booked->Insert(request);
        }
    }
    return true;
}

void MultiDaySchedule::GatherRequests(Parent* parent, int priority,
                                      std::vector<AppointmentRequest*>& requests) {
    for (unsigned p = 0; parent != nullptr && p < parent->GetPupilCount(); ++p) {
        Pupil* pupil = parent->GetPupil(p);
        for (unsigned r = 0; pupil != nullptr && r < pupil->GetRequestCount(); ++r) {
            AppointmentRequest* request = pupil->GetRequest(r);
            // Asked by identity, so a second request to the same teacher about the same
            // subject is not taken for booked when the first one is.
            if (request->GetPriority() != priority || IsRequestBooked(request)) {
                continue;
            }
            request->SetPupil(pupil);
            request->SetParent(parent);
            int common = CountCommonSlots(request->GetTeacher(), parent);
            request->SetOrderKey(static_cast<unsigned>(common > 0 ? common : 0));
            requests.push_back(request);
        }
    }
}

bool MultiDaySchedule::BookParentsOnDays(const std::vector<Parent*>& parents, unsigned* unbooked,
                                         int order) {
    // For more than a few families what the days hold is read once, and kept up to date as
    // they are booked; the requests it does not hold are set aside once, in list order, and each
    // day and priority takes its own from those: asking the days about every request reads its
    // teacher's row on every day at every priority.
    constexpr size_t kFamiliesAskedOfTheDays = 32;
    if (parents.size() <= kFamiliesAskedOfTheDays) {
        for (auto& day : days_) {
            DayAvailability known(*day);
            for (int priority : kPriorities) {
                std::vector<AppointmentRequest*> requests;
                for (Parent* parent : parents) {
                    GatherRequests(parent, priority, requests);
                }
                if (!BookDay(*day, order, requests, nullptr, known)) {
                    return false;
                }
            }
        }
        // Counted once at the end: a request left over on one day may still find a place on
        // the next.
        for (const Parent* parent : parents) {
            if (unbooked != nullptr) {
                *unbooked += ScoreUnbooked(parent).Unbooked;
            }
        }
        return true;
    }
    RequestSet booked = CollectBookedRequests();
    struct Open {
        AppointmentRequest* request;
        Pupil* pupil;
        Parent* parent;
    };
    std::vector<Open> open;
    for (Parent* parent : parents) {
        for (unsigned p = 0; parent != nullptr && p < parent->GetPupilCount(); ++p) {
            Pupil* pupil = parent->GetPupil(p);
            for (unsigned r = 0; pupil != nullptr && r < pupil->GetRequestCount(); ++r) {
                AppointmentRequest* request = pupil->GetRequest(r);
                if (!booked.Contains(request)) {
                    open.push_back({request, pupil, parent});
                }
            }
        }
    }
    for (auto& day : days_) {
        DayAvailability known(*day);
        for (int priority : kPriorities) {
            // GatherRequests, of the requests set aside.
            std::vector<AppointmentRequest*> requests;
            for (const Open& entry : open) {
                AppointmentRequest* request = entry.request;
                if (request->GetPriority() != priority || booked.Contains(request)) {
                    continue;
                }
                request->SetPupil(entry.pupil);
                request->SetParent(entry.parent);
                const int common = CountCommonSlots(request->GetTeacher(), entry.parent);
                request->SetOrderKey(static_cast<unsigned>(common > 0 ? common : 0));
                requests.push_back(request);
            }
            if (!BookDay(*day, order, requests, &booked, known)) {
                return false;
            }
        }
    }
    if (unbooked != nullptr) {
        for (const Open& entry : open) {
            *unbooked += booked.Contains(entry.request) ? 0 : 1;
        }
    }
    return true;
}

bool MultiDaySchedule::BookAtTime(const std::shared_ptr<Appointment>& booking, int teacherRow,
                                  const DateTime& when) {
    if (!event_ || !booking) {
        return false;
    }
    if (RefuseWhenLocked("book an appointment")) {
        return false;
    }
    Schedule* day = FindDay(when.GetDate());
    if (day == nullptr) {
        return false;
    }
    int slot = day->GetSlotForTime(when.GetTime());
    if (slot < 0 || slot >= day->GetNumSlots()) {
        return false;
    }
    return day->BookAt(booking, teacherRow, slot);
}

bool MultiDaySchedule::BookAll(int order) {
    StagedBooking booking(*this, order);
    while (!booking.Next()) {
    }
    return booking.Succeeded();
}

StagedBooking::StagedBooking(MultiDaySchedule& schedule, int order, size_t orderedInOnePiece)
    : schedule_(schedule), order_(order), orderedInOnePiece_(orderedInOnePiece) {}

StagedBooking::~StagedBooking() = default;

// Batches small enough that a piece of the large school takes about a millisecond.
bool StagedBooking::Next() {
    constexpr unsigned kRowsPerPiece = 256;
    constexpr size_t kParentsPerPiece = 100;
    constexpr size_t kRequestsPerPiece = 200;
    constexpr size_t kWaitingPerPiece = 4096;
    constexpr unsigned kPerDay = static_cast<unsigned>(std::size(kPriorities));
    MultiDaySchedule& schedule = schedule_;
    switch (state_) {
        case Begin:
            if (!schedule.event_ || schedule.days_.empty() ||
                schedule.RefuseWhenLocked("book appointments")) {
                state_ = Failed;
                return true;
            }
            // A batch of rows at a time: emptying a day frees every booking on it.
            state_ = Clear;
            next_ = 0;
            clearedRows_ = 0;
            [[fallthrough]];
        case Clear: {
            Schedule& day = *schedule.days_[next_];
            const unsigned rows = day.GetGrid().GetRowCount();
            const unsigned end =
                rows - clearedRows_ > kRowsPerPiece ? clearedRows_ + kRowsPerPiece : rows;
            day.GetGrid().FreeRows(clearedRows_, end);
            clearedRows_ = end;
            if (clearedRows_ < rows) {
                return false;
            }
            day.ClearBookings();
            clearedRows_ = 0;
            if (++next_ < schedule.days_.size()) {
                return false;
            }
            booked_.Clear();
            parents_ = schedule.AllParents();
            for (std::vector<Waiting>& waiting : waiting_) {
                waiting.clear();
            }
            state_ = Collect;
            next_ = 0;
            [[fallthrough]];
        }
        case Collect: {
            // Every request once, sorted by priority in list order with its order key: the key
            // depends only on who attends when, which booking leaves alone.
            const size_t end = std::min(parents_.size(), next_ + kParentsPerPiece);
            for (; next_ < end; ++next_) {
                Parent* parent = parents_[next_];
                for (unsigned p = 0; parent != nullptr && p < parent->GetPupilCount(); ++p) {
                    Pupil* pupil = parent->GetPupil(p);
                    for (unsigned r = 0; pupil != nullptr && r < pupil->GetRequestCount(); ++r) {
                        AppointmentRequest* request = pupil->GetRequest(r);
                        const int priority = request->GetPriority();
                        if (priority < 0 || priority >= static_cast<int>(std::size(waiting_))) {
                            continue;
                        }
                        const int common = schedule.CountCommonSlots(request->GetTeacher(), parent);
                        waiting_[priority].push_back(
                            {request, pupil, parent,
                             static_cast<unsigned>(common > 0 ? common : 0)});
                    }
                }
            }
            if (next_ >= parents_.size()) {
                stage_ = 0;
                BeginStage();
            }
            return false;
        }
        case Gather: {
            // A stage takes its priority's requests that no day holds yet.
            const std::vector<Waiting>& waiting = waiting_[kPriorities[stage_ % kPerDay]];
            const size_t end = std::min(waiting.size(), next_ + kWaitingPerPiece);
            for (; next_ < end; ++next_) {
                const Waiting& entry = waiting[next_];
                if (booked_.Contains(entry.request)) {
                    continue;
                }
                entry.request->SetPupil(entry.pupil);
                entry.request->SetParent(entry.parent);
                entry.request->SetOrderKey(entry.orderKey);
                requests_.push_back(entry.request);
            }
            if (next_ >= waiting.size()) {
                state_ = Order;
                orderStep_ = 0;
            }
            return false;
        }
        case Order:
            if (requests_.size() <= orderedInOnePiece_) {
                schedule.days_[stage_ / kPerDay]->OrderRequests(requests_, order_);
                next_ = 0;
                state_ = Book;
                return false;
            }
            // Schedule::OrderRequests a step at a piece, the grouping in batches.
            switch (orderStep_) {
                case 0:
                    if (order_ == BookRandom || order_ == BookRandomThenOrderKey) {
                        Schedule::ShuffleRequests(requests_);
                    }
                    orderStep_ = 1;
                    return false;
                case 1:
                    if (order_ == BookRandomThenOrderKey) {
                        Schedule::SortRequestsByOrderKey(requests_);
                    }
                    grouping_.Begin(requests_);
                    orderStep_ = 2;
                    return false;
                default:
                    if (!grouping_.Next(std::max<size_t>(orderedInOnePiece_, 1))) {
                        return false;
                    }
                    orderStep_ = 0;
                    next_ = 0;
                    state_ = Book;
                    return false;
            }
        case Book: {
            Schedule& day = *schedule.days_[stage_ / kPerDay];
            // The people's statuses are read once a day, for all its priorities.
            if (!known_ || knownDay_ != stage_ / kPerDay) {
                known_ = std::make_unique<DayAvailability>(day);
                knownDay_ = stage_ / kPerDay;
            }
            const size_t end = std::min(requests_.size(), next_ + kRequestsPerPiece);
            int unbooked = 0;
            for (; next_ < end; ++next_) {
                const int before = unbooked;
                if (!day.BookOrderedRequest(requests_[next_], &unbooked, known_.get())) {
                    ReportMessage(SeverityError, "Booking failed!");
                    state_ = Failed;
                    return true;
                }
                if (unbooked == before) {
                    booked_.Insert(requests_[next_]);
                }
            }
            if (next_ < requests_.size()) {
                return false;
            }
            if (++stage_ >= schedule.days_.size() * kPerDay) {
                state_ = Done;
                return true;
            }
            BeginStage();
            return false;
        }
        case Done:
        case Failed:
            break;
    }
    return true;
}

void StagedBooking::BeginStage() {
    requests_.clear();
    next_ = 0;
    state_ = Gather;
}

bool MultiDaySchedule::BookParents(const ParentList* parents, unsigned* unbooked, int order) {
    if (parents == nullptr || days_.empty()) {
        return false;
    }
    if (RefuseWhenLocked("book appointments")) {
        return false;
    }
    std::vector<Parent*> list;
    list.reserve(parents->Count());
    for (unsigned i = 0; i < parents->Count(); ++i) {
        list.push_back(parents->At(i));
    }
    return BookParentsOnDays(list, unbooked, order);
}

bool MultiDaySchedule::DeleteParent(Parent* parent) {
    if (!event_ || parent == nullptr) {
        return false;
    }
    if (RefuseWhenLocked("delete a parent")) {
        return false;
    }
    if (event_->GetParents().IndexOf(parent) < 0) {
        return false;
    }
    // Every booking of a request that goes with the parent, whichever row or day holds it.
    std::set<const AppointmentRequest*> requests;
    ForEachRequestOf(parent,
                     [&](Pupil*, AppointmentRequest* request) { requests.insert(request); });
    auto doomed = [&](int, const Appointment& booking) {
        const AppointmentRequest* request = booking.GetRequest();
        return request != nullptr &&
               (requests.count(request) > 0 || request->GetParent() == parent);
    };
    if (!UnbookWhere(doomed, "delete a parent")) {
        return false;
    }
    return event_->DeleteParent(parent);
}

bool MultiDaySchedule::DeletePupil(Parent* parent, unsigned index) {
    Pupil* pupil = parent != nullptr ? parent->GetPupil(index) : nullptr;
    if (!event_ || pupil == nullptr) {
        return false;
    }
    auto doomed = [pupil](int, const Appointment& booking) {
        return booking.GetRequest() != nullptr && booking.GetRequest()->GetPupil() == pupil;
    };
    if (!UnbookWhere(doomed, "delete a pupil")) {
        return false;
    }
    parent->DeletePupil(index);
    event_->SetModified();
    return true;
}

bool MultiDaySchedule::DeleteRequest(Pupil* pupil, unsigned index) {
    const AppointmentRequest* chosen = pupil != nullptr ? pupil->GetRequest(index) : nullptr;
    if (!event_ || chosen == nullptr) {
        return false;
    }
    const Teacher* teacher = chosen->GetTeacher();
    auto doomed = [pupil, teacher](int, const Appointment& booking) {
        const AppointmentRequest* request = booking.GetRequest();
        return request != nullptr && request->GetPupil() == pupil &&
               request->GetTeacher() == teacher;
    };
    if (!UnbookWhere(doomed, "delete a request")) {
        return false;
    }
    pupil->DeleteRequest(index);
    event_->SetModified();
    return true;
}

bool MultiDaySchedule::DeleteTeacher(Teacher* teacher) {
    if (!event_ || teacher == nullptr) {
        return false;
    }
    if (RefuseWhenLocked("delete a teacher")) {
        return false;
    }
    int teacherRow = RowOf(teacher);
    if (teacherRow < 0) {
        return false;
    }
    auto doomed = [&](int row, const Appointment& booking) {
        return row == teacherRow ||
               (booking.GetRequest() != nullptr && booking.GetRequest()->GetTeacher() == teacher);
    };
    if (!UnbookWhere(doomed, "delete a teacher")) {
        return false;
    }
    for (auto& day : days_) {
        day->RemoveTeacherRow(teacherRow);
    }
    // The event drops the pupils' requests to the teacher and what it teaches them.
    return event_->DeleteTeacher(teacher);
}

int MultiDaySchedule::DeleteParents() {
    if (!event_) {
        return 0;
    }
    if (RefuseWhenLocked("delete parents")) {
        return 0;
    }
    // Deleting one family changes no other family's requests, so they are all found at once,
    // the days are searched once for what their requests left booked, and the list closes up
    // once: one family at a time would search every day and the whole list for each.
    std::vector<Parent*> doomed;
    std::unordered_map<const Parent*, size_t> position;
    const ParentList& parents = event_->GetParents();
    for (unsigned i = 0; i < parents.Count(); ++i) {
        Parent* parent = parents.At(i);
        if (!parent->HasRequests() && position.emplace(parent, doomed.size()).second) {
            doomed.push_back(parent);
        }
    }
    // The families go in list order until one has a locked booking: it stays, and so do those
    // after it.
    size_t going = doomed.size();
    struct Found {
        Schedule* day;
        int row;
        int slot;
        size_t family;
    };
    std::vector<Found> found;
    for (auto& day : days_) {
        const AppointmentGrid& grid = day->GetGrid();
        for (unsigned row = 0; !doomed.empty() && row < grid.GetRowCount(); ++row) {
            const Appointment* previous = nullptr;
            for (unsigned slot = 0; slot < grid.GetSlotCount(); ++slot) {
                const Appointment* booking =
                    grid.PeekBooking(static_cast<int>(slot), static_cast<int>(row));
                if (booking == nullptr || booking == previous) {
                    previous = booking;
                    continue;
                }
                previous = booking;
                const AppointmentRequest* request = booking->GetRequest();
                const auto family =
                    request != nullptr ? position.find(request->GetParent()) : position.end();
                if (family == position.end()) {
                    continue;
                }
                if (booking->IsLocked()) {
                    going = std::min(going, family->second);
                } else {
                    found.push_back(
                        {day.get(), static_cast<int>(row), static_cast<int>(slot), family->second});
                }
            }
        }
    }
    for (const Found& cell : found) {
        if (cell.family < going) {
            (void)cell.day->GetGrid().RemoveBooking(cell.slot, cell.row);
        }
    }
    if (going > 0) {
        for (auto& day : days_) {
            day->SetModified();
        }
        doomed.resize(going);
        event_->DeleteParents(doomed);
    }
    if (going < position.size()) {
        ReportMessage(SeverityError, "Cannot delete a parent because the schedule is locked");
    }
    return static_cast<int>(going);
}

bool MultiDaySchedule::DeletePresentation(Presentation* presentation) {
    if (!event_ || !event_->DeletePresentation(presentation)) {
        return false;
    }
    modified_ = true;
    return true;
}

void MultiDaySchedule::RebookParents() {
    StagedRebookParents rebooking;
    rebooking.Begin(*this);
    while (!rebooking.Next()) {
    }
}

void StagedRebookParents::Begin(MultiDaySchedule& schedule) {
    schedule_ = &schedule;
    picked_.clear();
    state_ = Done;
    if (!schedule.event_ || schedule.RefuseWhenLocked("rebook parents")) {
        return;
    }
    const ParentList& parents = schedule.event_->GetParents();
    if (parents.Count() == 0) {
        return;
    }
    first_ = static_cast<unsigned>(rand()) % parents.Count();
    picked_.push_back(parents.At(first_));
    // A random shake: a parent that cannot be unbooked (locked) simply stays as it is.
    BeginUnbooking();
    state_ = First;
}

void StagedRebookParents::BeginUnbooking() {
    unbooking_ = StagedUnbook();
    if (picked_.back() != nullptr) {
        unbooking_.Begin(*schedule_, MultiDaySchedule::MatchParent(picked_.back()),
                         "remove a parent");
    }
}

bool StagedRebookParents::Next() {
    MultiDaySchedule& schedule = *schedule_;
    switch (state_) {
        case First: {
            if (!unbooking_.Next()) {
                return false;
            }
            const ParentList& parents = schedule.event_->GetParents();
            const unsigned count = parents.Count();
            if (count > 1 && rand() % 2 == 0) {
                unsigned second = first_;
                while (second == first_) {
                    second = static_cast<unsigned>(rand()) % count;
                }
                picked_.push_back(parents.At(second));
                BeginUnbooking();
                state_ = Second;
                return false;
            }
            state_ = Booking;
            return false;
        }
        case Second:
            if (!unbooking_.Next()) {
                return false;
            }
            state_ = Booking;
            return false;
        case Booking:
            if (!schedule.days_.empty()) {
                (void)schedule.BookParentsOnDays(picked_, nullptr, BookRandom);
            }
            state_ = Done;
            return true;
        case Done:
            break;
    }
    return true;
}

void MultiDaySchedule::RebookParentsAndOptimise() {
    if (!RebookUnbookedParent()) {
        return;
    }
    for (auto& day : days_) {
        day->Optimise();
    }
}

bool MultiDaySchedule::RebookUnbookedParent() {
    StagedRebook rebooking;
    rebooking.Begin(*this);
    while (!rebooking.Next()) {
    }
    return rebooking.Succeeded();
}

// The candidates are the parents who attend the first two days and have a request booked on no
// day; with a single day nobody is rebooked.
void StagedRebook::Begin(MultiDaySchedule& schedule, unsigned rowsPerPiece,
                         unsigned parentsPerPiece) {
    schedule_ = &schedule;
    rowsPerPiece_ = std::max(1U, rowsPerPiece);
    parentsPerPiece_ = std::max(1U, parentsPerPiece);
    day_ = 0;
    next_ = 0;
    candidates_.clear();
    booked_.Clear();
    if (!schedule.event_ || schedule.RefuseWhenLocked("rebook parents")) {
        state_ = Failed;
        return;
    }
    if (schedule.days_.size() < 2) {
        state_ = Done;
        return;
    }
    const TeacherList& teachers = schedule.event_->GetTeachers();
    ownRow_.assign(teachers.Count(), false);
    for (unsigned row = 0; row < teachers.Count(); ++row) {
        ownRow_[row] = teachers.IndexOf(teachers.At(row)) == static_cast<int>(row);
    }
    state_ = Indexing;
}

bool StagedRebook::Next() {
    if (schedule_ == nullptr) {
        return true;
    }
    MultiDaySchedule& schedule = *schedule_;
    switch (state_) {
        case Indexing: {
            const AppointmentGrid& grid = schedule.days_[day_]->GetGrid();
            const unsigned rows = std::min<unsigned>(grid.GetRowCount(), ownRow_.size());
            const unsigned end = std::min(rows, next_ + rowsPerPiece_);
            for (; next_ < end; ++next_) {
                IndexRow(next_);
            }
            if (next_ >= rows) {
                next_ = 0;
                if (++day_ >= schedule.days_.size()) {
                    state_ = Scanning;
                }
            }
            return false;
        }
        case Scanning: {
            const ParentList& parents = schedule.event_->GetParents();
            const Schedule* first = schedule.days_[0].get();
            const Schedule* second = schedule.days_[1].get();
            const unsigned end = std::min(parents.Count(), next_ + parentsPerPiece_);
            for (; next_ < end; ++next_) {
                Parent* parent = parents.At(next_);
                if (!parent->IsAttending(first) || !parent->IsAttending(second)) {
                    continue;
                }
                bool unbooked = false;
                for (unsigned p = 0; !unbooked && p < parent->GetPupilCount(); ++p) {
                    const Pupil* pupil = parent->GetPupil(p);
                    for (unsigned r = 0; pupil != nullptr && r < pupil->GetRequestCount(); ++r) {
                        if (!booked_.Contains(pupil->GetRequest(r))) {
                            unbooked = true;
                            break;
                        }
                    }
                }
                if (unbooked) {
                    candidates_.push_back(parent);
                }
            }
            if (next_ >= parents.Count()) {
                state_ = Rebooking;
            }
            return false;
        }
        case Rebooking:
            if (candidates_.empty()) {
                state_ = Done;
                return true;
            }
            picked_ = candidates_[static_cast<unsigned>(rand()) % candidates_.size()];
            // A random move that may come to nothing.
            unbooking_.Begin(schedule, MultiDaySchedule::MatchParent(picked_), "remove a parent",
                             rowsPerPiece_);
            state_ = Unbooking;
            return false;
        case Unbooking:
            if (!unbooking_.Next()) {
                return false;
            }
            (void)schedule.BookParentsOnDays({picked_}, nullptr, BookRandom);
            state_ = Done;
            return true;
        case Done:
        case Failed:
            break;
    }
    return true;
}

// A request counts as booked when its teacher's row holds it on some day.
void StagedRebook::IndexRow(unsigned row) {
    const Teacher* teacher = schedule_->event_->GetTeachers().At(row);
    if (ownRow_[row] && teacher != nullptr) {
        MultiDaySchedule::CollectRowBookings(*schedule_->days_[day_], row, teacher, booked_);
    }
}
