#include "model/multi_day_schedule.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/staged_booking.h"
#include "model/staged_copy.h"
#include "model/teacher.h"

MultiDaySchedule::MultiDaySchedule(std::shared_ptr<Event> event) : event_(std::move(event)) {
    days_.push_back(std::make_unique<Schedule>(event_));
}

MultiDaySchedule::MultiDaySchedule(const MultiDaySchedule& other)
    : event_(other.event_), modified_(other.modified_) {
    days_.reserve(other.days_.size());
    for (const auto& day : other.days_) {
        days_.push_back(std::make_unique<Schedule>(*day));
    }
}

MultiDaySchedule& MultiDaySchedule::operator=(const MultiDaySchedule& other) {
    if (this == &other) {
        return *this;
    }
    days_.clear();
    days_.reserve(other.days_.size());
    for (const auto& day : other.days_) {
        days_.push_back(std::make_unique<Schedule>(*day));
    }
    event_ = other.event_;
    modified_ = other.modified_;
    return *this;
}

MultiDaySchedule::~MultiDaySchedule() = default;

void MultiDaySchedule::SwapWith(MultiDaySchedule& other) {
    days_.swap(other.days_);
    event_.swap(other.event_);
    std::swap(modified_, other.modified_);
}

void StagedCopy::Begin(MultiDaySchedule& target, const MultiDaySchedule& source,
                       unsigned rowsPerPiece) {
    target_ = &target == &source ? nullptr : &target;
    source_ = &source;
    rowsPerPiece_ = std::max(1U, rowsPerPiece);
    day_ = 0;
    row_ = 0;
    dayBegun_ = false;
}

// A day copied into an object of its own counts as modified, as a copied day does.
bool StagedCopy::Next() {
    if (target_ == nullptr) {
        return true;
    }
    MultiDaySchedule& target = *target_;
    const MultiDaySchedule& source = *source_;
    if (day_ < source.days_.size()) {
        if (!dayBegun_) {
            if (day_ >= target.days_.size()) {
                target.days_.push_back(std::make_unique<Schedule>(nullptr));
            }
            target.days_[day_]->BeginCopy(*source.days_[day_]);
            dayBegun_ = true;
            row_ = 0;
        }
        AppointmentGrid& grid = target.days_[day_]->GetGrid();
        const unsigned rows = grid.GetRowCount();
        const unsigned end = rows - row_ > rowsPerPiece_ ? row_ + rowsPerPiece_ : rows;
        grid.CopyRows(source.days_[day_]->GetGrid(), row_, end);
        row_ = end;
        if (row_ < rows) {
            return false;
        }
        target.days_[day_]->SetModified();
        dayBegun_ = false;
        row_ = 0;
        if (++day_ < source.days_.size()) {
            return false;
        }
    }
    if (target.days_.size() > source.days_.size()) {
        AppointmentGrid& grid = target.days_.back()->GetGrid();
        const unsigned rows = grid.GetRowCount();
        if (row_ < rows) {
            const unsigned end = rows - row_ > rowsPerPiece_ ? row_ + rowsPerPiece_ : rows;
            grid.FreeRows(row_, end);
            row_ = end;
            return false;
        }
        target.days_.pop_back();
        row_ = 0;
        return false;
    }
    target.event_ = source.event_;
    target.modified_ = source.modified_;
    target_ = nullptr;
    return true;
}

Schedule* MultiDaySchedule::GetDay(unsigned index) const {
    return index < days_.size() ? days_[index].get() : nullptr;
}

bool MultiDaySchedule::AddDay(std::unique_ptr<Schedule> day) {
    if (!day) {
        return false;
    }
    days_.push_back(std::move(day));
    return true;
}

namespace {

// One Warning: the heading and a line each; nothing for no lines.
void ReportLines(const std::string& heading, const std::vector<std::string>& lines) {
    if (lines.empty()) {
        return;
    }
    std::string message = heading;
    for (const std::string& line : lines) {
        message += "\n" + line;
    }
    ReportMessage(SeverityWarning, message);
}

void ReportDroppedPresentations(const char* why, const std::vector<std::string>& names) {
    ReportLines(std::string("These presentations were on ") + why +
                    " and have been deleted, with everyone's places at them:",
                names);
}

// "Family about Pupil with Teacher at 7:00pm", with the date when there are several days.
std::string BookingLine(const AppointmentRequest* request, const Teacher* teacher,
                        const TimeOfDay& at, const Schedule& day, bool severalDays) {
    const Pupil* pupil = request ? request->GetPupil() : nullptr;
    const Parent* parent = request ? request->GetParent() : nullptr;
    std::string line = (parent ? parent->GetName() : std::string()) + " about " +
                       (pupil ? pupil->GetName() : std::string()) + " with " +
                       (teacher ? teacher->GetName() : std::string()) + " at " + at.Format(Time12h);
    if (severalDays) {
        line += " on " + day.GetDate().FormatLong();
    }
    return line;
}

}  // namespace

bool MultiDaySchedule::AppendNextDay() {
    auto day = std::make_unique<Schedule>(event_);
    if (!days_.empty()) {
        Date date = days_.back()->GetDate();
        date.NextDay();
        // A new day owns nothing yet: what the event still holds for its date belongs to no day.
        if (!day->SetDateOnly(date)) {
            return false;
        }
        if (event_) {
            ReportDroppedPresentations("a date that was no day of the event",
                                       event_->DropDate(date));
        }
    }
    return AddDay(std::move(day));
}

bool MultiDaySchedule::DeleteLastDay() {
    if (days_.empty() || RefuseWhenLocked("delete a day")) {
        return false;
    }
    const Date date = days_.back()->GetDate();
    days_.pop_back();
    // What was kept for the day goes with it, or a day given its date later would take it up.
    if (event_ && FindDay(date) == nullptr) {
        ReportDroppedPresentations("the day taken out of the event", event_->DropDate(date));
    }
    // The day took its own modified flag with it.
    modified_ = true;
    return true;
}

std::unique_ptr<MultiDaySchedule> MultiDaySchedule::CreateLike(std::shared_ptr<Event> event) const {
    auto like = std::make_unique<MultiDaySchedule>(std::move(event));
    for (size_t i = 0; i < days_.size(); ++i) {
        if (i > 0) {
            (void)like->AddDay(std::make_unique<Schedule>(like->event_));  // refuses only null
        }
        Schedule* day = like->days_[i].get();
        (void)day->SetDateOnly(days_[i]->GetDate());  // a refusal has reported itself
        day->SetStartTime(days_[i]->GetStartTime());
        day->SetEndTime(days_[i]->GetEndTime());
    }
    return like;
}

bool MultiDaySchedule::SetDayDates(const std::vector<Date>& dates) {
    if (dates.size() > days_.size()) {
        return false;
    }
    DateMoves moves;
    for (size_t i = 0; i < dates.size(); ++i) {
        if (days_[i]->GetDate() != dates[i]) {
            moves[days_[i]->GetDate()] = dates[i];
        }
    }
    if (moves.empty()) {
        return true;
    }
    std::vector<Date> after;
    for (size_t i = 0; i < days_.size(); ++i) {
        after.push_back(i < dates.size() ? dates[i] : days_[i]->GetDate());
    }
    std::sort(after.begin(), after.end());
    if (std::adjacent_find(after.begin(), after.end()) != after.end() ||
        RefuseWhenLocked("set the event date")) {
        return false;
    }
    if (event_) {
        ReportDroppedPresentations("a date that was no day of the event", event_->MoveDates(moves));
    }
    for (size_t i = 0; i < dates.size(); ++i) {
        (void)days_[i]->SetDateOnly(dates[i]);  // the lock was asked above
    }
    return true;
}

Schedule* MultiDaySchedule::FindDay(const Date& date) const {
    for (const auto& day : days_) {
        if (day->GetDate() == date) {
            return day.get();
        }
    }
    return nullptr;
}

bool MultiDaySchedule::FindDayIndex(const Date& date, unsigned* index) const {
    for (size_t i = 0; i < days_.size(); ++i) {
        if (days_[i]->GetDate() == date) {
            if (index != nullptr) {
                *index = static_cast<unsigned>(i);
            }
            return true;
        }
    }
    return false;
}

void MultiDaySchedule::ResetEvent() {
    for (auto& day : days_) {
        day->ResetEvent();
    }
    event_.reset();
}

bool MultiDaySchedule::IsModified() const {
    if (modified_) {
        return true;
    }
    for (const auto& day : days_) {
        if (day->IsModified()) {
            return true;
        }
    }
    return event_ && (event_->IsModified() || event_->GetPrintSettings().IsModified());
}

void MultiDaySchedule::ClearModified() {
    modified_ = false;
    for (auto& day : days_) {
        day->ClearModified();
    }
    if (event_) {
        event_->ClearModified();
        event_->GetPrintSettings().SetModified(false);
    }
}

void MultiDaySchedule::SetLocked(bool locked) {
    for (auto& day : days_) {
        day->GetGrid().SetLocked(locked);
    }
}

int MultiDaySchedule::RowOf(const Teacher* teacher) const {
    if (!event_ || teacher == nullptr) {
        return -1;
    }
    return event_->GetTeachers().IndexOf(teacher);
}

// The quiet form of Schedule::IsRequestBooked for a row already looked up: a request is booked
// where a cell of its teacher's row holds a booking of that very request.
bool MultiDaySchedule::IsBookedInRow(const AppointmentRequest* request, int row) const {
    if (request == nullptr || row < 0) {
        return false;
    }
    for (const auto& day : days_) {
        const AppointmentGrid& grid = day->GetGrid();
        if (static_cast<unsigned>(row) >= grid.GetRowCount()) {
            continue;
        }
        int slots = day->GetNumSlots();
        for (int slot = 0; slot < slots; ++slot) {
            const Appointment* booking = grid.PeekBooking(slot, row);
            if (booking != nullptr && booking->GetRequest() == request) {
                return true;
            }
        }
    }
    return false;
}

bool MultiDaySchedule::IsRequestBooked(const AppointmentRequest* request) const {
    return request != nullptr && IsBookedInRow(request, RowOf(request->GetTeacher()));
}

void MultiDaySchedule::ForEachRequestOf(
    const Parent* parent, const std::function<void(Pupil*, AppointmentRequest*)>& visit) {
    for (unsigned p = 0; parent != nullptr && p < parent->GetPupilCount(); ++p) {
        Pupil* pupil = parent->GetPupil(p);
        for (unsigned r = 0; pupil != nullptr && r < pupil->GetRequestCount(); ++r) {
            visit(pupil, pupil->GetRequest(r));
        }
    }
}

void MultiDaySchedule::ForEachEventRequest(
    const std::function<void(Parent*, Pupil*, AppointmentRequest*)>& visit) const {
    for (Parent* parent : AllParents()) {
        ForEachRequestOf(parent, [&](Pupil* pupil, AppointmentRequest* request) {
            visit(parent, pupil, request);
        });
    }
}

Score MultiDaySchedule::ScoreUnbooked(const Parent* parent) const {
    Score score;
    ForEachRequestOf(parent, [&](Pupil*, AppointmentRequest* request) {
        if (!event_ || !IsRequestBooked(request)) {
            ++score.Unbooked;
        }
    });
    return score;
}

// GetScore itself is with the day scoring, whose walks it shares.

void MultiDaySchedule::GetScore(Score* out) const {
    if (out != nullptr) {
        *out = GetScore();
    }
}

void MultiDaySchedule::SetOptimiserStats(OptimiserStats* stats) {
    for (auto& day : days_) {
        day->SetOptimiserStats(stats);
    }
}

bool MultiDaySchedule::AddTeacher(std::unique_ptr<Teacher> teacher) {
    if (!event_ || !teacher) {
        return false;
    }
    Teacher* added = teacher.get();
    if (!event_->AddTeacher(std::move(teacher))) {
        return false;
    }
    for (auto& day : days_) {
        day->AddTeacherRow(added);
    }
    return true;
}

bool MultiDaySchedule::SortPeople() {
    if (!event_) {
        return false;
    }
    const auto moved = [](const std::vector<unsigned>& from) {
        return !std::is_sorted(from.begin(), from.end());
    };
    const std::vector<unsigned> rows = event_->GetTeachers().SortKeepingTies();
    const bool teachersMoved = moved(rows);
    if (teachersMoved) {
        for (const std::unique_ptr<Schedule>& day : days_) {
            day->ReorderTeacherRows(rows);
        }
    }
    return moved(event_->GetParents().SortKeepingTies()) || teachersMoved;
}

bool MultiDaySchedule::AddParent(std::unique_ptr<Parent> parent) {
    // Parents have no grid rows: the days find them through their requests.
    return event_ && parent && event_->AddParent(std::move(parent));
}

bool MultiDaySchedule::RefuseWhenLocked(const char* action) const {
    if (event_ && event_->IsLocked()) {
        ReportMessage(SeverityError,
                      std::string("Cannot ") + action + " because the schedule is locked");
        return true;
    }
    return false;
}

bool MultiDaySchedule::UnbookWhere(const std::function<bool(int, const Appointment&)>& match,
                                   const char* action) {
    StagedUnbook unbooking;
    unbooking.Begin(*this, match, action, std::numeric_limits<unsigned>::max());
    while (!unbooking.Next()) {
    }
    return unbooking.Succeeded();
}

void StagedUnbook::Begin(MultiDaySchedule& schedule, Match match, const char* action,
                         unsigned rowsPerPiece) {
    schedule_ = &schedule;
    match_ = std::move(match);
    action_ = action;
    rowsPerPiece_ = std::max(1U, rowsPerPiece);
    day_ = 0;
    row_ = 0;
    found_.clear();
    state_ = schedule.RefuseWhenLocked(action) ? Failed : Searching;
}

// Every matching booking is found before any is taken, so that a locked one on a later day
// cannot leave the earlier days already unbooked. A booking is asked about once, at its first
// cell.
bool StagedUnbook::Next() {
    if (state_ != Searching) {
        return true;
    }
    MultiDaySchedule& schedule = *schedule_;
    if (day_ < schedule.days_.size()) {
        Schedule* day = schedule.days_[day_].get();
        const AppointmentGrid& grid = day->GetGrid();
        const unsigned rows = grid.GetRowCount();
        const unsigned end = rows - row_ > rowsPerPiece_ ? row_ + rowsPerPiece_ : rows;
        for (; row_ < end; ++row_) {
            const Appointment* previous = nullptr;
            for (unsigned slot = 0; slot < grid.GetSlotCount(); ++slot) {
                const Appointment* booking =
                    grid.PeekBooking(static_cast<int>(slot), static_cast<int>(row_));
                if (booking == nullptr || booking == previous) {
                    previous = booking;
                    continue;
                }
                previous = booking;
                if (!match_(static_cast<int>(row_), *booking)) {
                    continue;
                }
                if (booking->IsLocked()) {
                    ReportMessage(SeverityError, std::string("Cannot ") + action_ +
                                                     " because the schedule is locked");
                    state_ = Failed;
                    return true;
                }
                found_.push_back({day, static_cast<int>(row_), static_cast<int>(slot)});
            }
        }
        if (row_ >= rows) {
            row_ = 0;
            ++day_;
        }
        if (day_ < schedule.days_.size()) {
            return false;
        }
    }
    for (const Found& cell : found_) {
        cell.day->GetGrid().RemoveBooking(cell.slot, cell.row);
    }
    for (auto& day : schedule.days_) {
        day->SetModified();
    }
    state_ = Done;
    return true;
}

namespace {

bool BelongsToParent(const Appointment& booking, const Parent* parent) {
    const AppointmentRequest* request = booking.GetRequest();
    if (request == nullptr) {
        return false;
    }
    return request->GetParent() == parent ||
           (request->GetPupil() != nullptr && request->GetPupil()->GetParent() == parent);
}

}  // namespace

StagedUnbook::Match MultiDaySchedule::MatchParent(const Parent* parent) {
    return [parent](int, const Appointment& booking) { return BelongsToParent(booking, parent); };
}

bool MultiDaySchedule::UnbookParent(const Parent* parent) {
    if (parent == nullptr) {
        return false;
    }
    return UnbookWhere(MatchParent(parent), "remove a parent");
}

bool MultiDaySchedule::UnbookTeacher(const Teacher* teacher) {
    int teacherRow = RowOf(teacher);
    if (teacherRow < 0) {
        return false;
    }
    return UnbookWhere([teacherRow](int row, const Appointment&) { return row == teacherRow; },
                       "remove a teacher");
}

bool MultiDaySchedule::UnbookPupil(const Pupil* pupil) {
    if (pupil == nullptr) {
        return false;
    }
    return UnbookWhere(
        [pupil](int, const Appointment& booking) {
            return booking.GetRequest() != nullptr && booking.GetRequest()->GetPupil() == pupil;
        },
        "remove a pupil");
}

bool MultiDaySchedule::RemoveAppointment(const Pupil* pupil, const Teacher* teacher,
                                         const std::string& subject) {
    int teacherRow = RowOf(teacher);
    if (pupil == nullptr || teacherRow < 0) {
        return false;
    }
    return UnbookWhere(
        [&](int row, const Appointment& booking) {
            const AppointmentRequest* request = booking.GetRequest();
            return row == teacherRow && request != nullptr && request->GetPupil() == pupil &&
                   request->GetSubject() == subject;
        },
        "remove an appointment");
}

void MultiDaySchedule::ClearBookings() {
    for (auto& day : days_) {
        day->ClearBookings();
    }
}

void MultiDaySchedule::OptimiseTeacher(int teacherRow) {
    // The day's improvement moves any unlocked booking and asks nobody first.
    if (RefuseWhenLocked("optimise a teacher")) {
        return;
    }
    for (auto& day : days_) {
        day->ImproveTeacher(teacherRow);
    }
}

// The day operations report their own locked message; asking once here keeps it to one message
// for the whole event.
void MultiDaySchedule::ForEveryDayUnlessLocked(const char* action, void (Schedule::*operation)()) {
    if (RefuseWhenLocked(action)) {
        return;
    }
    for (auto& day : days_) {
        (day.get()->*operation)();
    }
}

std::vector<std::string> MultiDaySchedule::UnbookOutOfRangeAppointments() {
    std::vector<std::string> lines;
    if (event_ && event_->IsLocked()) {
        // The lock keeps them; the school is told which no longer fit, so that nobody is
        // surprised by a sheet that sends a family to a teacher who is not there.
        std::string message =
            "Cannot unbook out of range appointments because the schedule is "
            "locked";
        for (const auto& day : days_) {
            for (const Schedule::Unbooked& kept : day->FindUnavailableBookings()) {
                lines.push_back(DescribeBooking(*day, kept));
            }
        }
        if (!lines.empty()) {
            message +=
                ", so these appointments stay where the teacher or the family is no longer "
                "available (away, outside their hours, in a break or at a presentation):";
            for (const std::string& line : lines) {
                message += "\n" + line;
            }
        }
        ReportMessage(SeverityError, message);
        return {};
    }
    const TalkPlaces places = GetTalkPlaces();
    for (const auto& day : days_) {
        for (const Schedule::Unbooked& taken : day->UnbookOutOfRangeAppointments()) {
            lines.push_back(DescribeBooking(*day, taken));
        }
    }
    ReportUnbookedOutOfRange(lines);
    ReportPlacesGivenUp(places);
    return lines;
}

MultiDaySchedule::TalkPlaces MultiDaySchedule::GetTalkPlaces() const {
    TalkPlaces places;
    if (!event_) {
        return places;
    }
    const auto add = [&places](const Attendee* attendee) {
        const PresentationList& talks = attendee->GetPresentations();
        for (unsigned i = 0; i < talks.Count(); ++i) {
            places.emplace_back(attendee, talks.GetPresentation(i));
        }
    };
    for (const Person* person : event_->GetTeachers()) {
        add(static_cast<const Teacher*>(person));
    }
    for (const Person* person : event_->GetParents()) {
        add(static_cast<const Parent*>(person));
    }
    return places;
}

void MultiDaySchedule::ReportPlacesGivenUp(const TalkPlaces& before) const {
    std::vector<std::string> lines;
    for (const auto& [attendee, talk] : before) {
        if (talk != nullptr && !attendee->AttendsPresentation(talk)) {
            std::string line = "'" + attendee->GetName() + "' at '" + talk->GetName() + "', " +
                               talk->GetStartTime().Format(Time12h) + " to " +
                               talk->GetEndTime().Format(Time12h);
            if (days_.size() > 1) {
                line += " on " + talk->GetDate().FormatLong();
            }
            lines.push_back(line);
        }
    }
    ReportLines(
        "These places at presentations fall where the person is no longer there from the "
        "talk's start to its end (away or outside their hours) and have been given up:",
        lines);
}

MultiDaySchedule::HeldBookings MultiDaySchedule::GetBookings() const {
    HeldBookings held;
    for (const auto& day : days_) {
        const AppointmentGrid& grid = day->GetGrid();
        const int slots = static_cast<int>(grid.GetSlotCount());
        const int rows = static_cast<int>(grid.GetRowCount());
        for (int slot = 0; slot < slots; ++slot) {
            for (int row = 0; row < rows; ++row) {
                const Appointment* booking = grid.PeekBooking(slot, row);
                if (booking != nullptr && booking->GetFirstSlot() == slot) {
                    held.push_back({day.get(), {row, slot, grid.GetBooking(slot, row)}});
                }
            }
        }
    }
    return held;
}

std::vector<std::string> MultiDaySchedule::ReportBookingsGivenUp(const HeldBookings& before) const {
    std::vector<std::string> lines;
    for (const HeldBooking& held : before) {
        const auto day = std::find_if(days_.begin(), days_.end(),
                                      [&](const auto& own) { return own.get() == held.day; });
        const Appointment* booking = held.at.booking.get();
        if (day == days_.end() || booking == nullptr ||
            (*day)->GetGrid().PeekBooking(held.at.slot, held.at.row) == booking ||
            (booking->GetRequest() != nullptr && IsRequestBooked(booking->GetRequest()))) {
            continue;
        }
        lines.push_back(DescribeBooking(**day, held.at));
    }
    ReportUnbookedOutOfRange(lines);
    return lines;
}

std::string MultiDaySchedule::DescribeBooking(const Schedule& day,
                                              const Schedule::Unbooked& taken) const {
    const Teacher* teacher =
        event_ ? event_->GetTeachers().Get(static_cast<unsigned>(taken.row)) : nullptr;
    return BookingLine(taken.booking ? taken.booking->GetRequest() : nullptr, teacher,
                       day.SlotToTime(taken.slot), day, days_.size() > 1);
}

void ReportUnbookedOutOfRange(const std::vector<std::string>& lines) {
    ReportLines(
        "These appointments fall where the teacher or the family is no longer available "
        "(away, outside their hours, in a break or at a presentation) and have been "
        "unbooked:",
        lines);
}

void MultiDaySchedule::RemoveTeacherBreaks() {
    ForEveryDayUnlessLocked("remove teacher breaks", &Schedule::RemoveAllTeacherBreaks);
}

void MultiDaySchedule::ResetAttendanceTimes() {
    ForEveryDayUnlessLocked("reset attendance times", &Schedule::ResetAttendanceTimes);
}

void MultiDaySchedule::EnforceTimeBoundaries() {
    ForEveryDayUnlessLocked("enforce time boundaries", &Schedule::RefreshFromEvent);
}

void MultiDaySchedule::RebuildDays(bool locked) {
    // A booking that could not stand at its time would otherwise vanish at the next save, or
    // stand where no booking by hand could: each is named.
    std::vector<std::string> lost;
    std::vector<std::string> unavailable;
    for (auto& day : days_) {
        const auto describe = [&](const AppointmentRequest* request) {
            const Pupil* pupil = request->GetPupil();
            unsigned index = 0;
            while (pupil != nullptr && index < pupil->GetRequestCount() &&
                   pupil->GetRequest(index) != request) {
                ++index;
            }
            const TimeOfDay at = pupil ? pupil->GetRequestDateTime(index).GetTime() : TimeOfDay();
            return BookingLine(request, request->GetTeacher(), at, *day, days_.size() > 1);
        };
        std::vector<AppointmentRequest*> refused;
        for (const AppointmentRequest* request : day->RebuildGrid(locked ? nullptr : &refused)) {
            lost.push_back(describe(request));
        }
        for (const AppointmentRequest* request : refused) {
            unavailable.push_back(describe(request));
        }
    }
    ReportLines(
        "These appointments overlap another one or the end of the day at their length "
        "and have not been booked:",
        lost);
    ReportLines(
        "These appointments fall where the teacher or the family is not available (away, "
        "outside their hours, in a break or at a presentation) and have not been booked:",
        unavailable);
    if (event_) {
        event_->BlankRequestedTimes();
    }
    for (auto& day : days_) {
        day->EnforceTimeBoundaries();
    }
}

void MultiDaySchedule::FitAttendanceToDays(Attendee* attendee) {
    if (attendee == nullptr) {
        return;
    }
    for (auto& day : days_) {
        const std::string sentence =
            attendee->FitAttendanceToDay(day.get(), day->GetStartTime(), day->GetEndTime());
        if (!sentence.empty()) {
            ReportMessage(SeverityWarning,
                          sentence + ", so they are marked as not attending that day");
        }
    }
}

int MultiDaySchedule::CountCommonSlots(const Attendee* a, const Attendee* b) const {
    int count = 0;
    for (const auto& day : days_) {
        count += day->CountCommonSlots(a, b);
    }
    return count;
}

int MultiDaySchedule::CountAvailableSlots(const Teacher* teacher) const {
    int count = 0;
    for (const auto& day : days_) {
        count += day->CountTeacherAvailableSlots(teacher);
    }
    return count;
}

bool MultiDaySchedule::AttendPresentation(Attendee* attendee, Presentation* presentation) {
    if (attendee == nullptr || presentation == nullptr) {
        return false;
    }
    Schedule* day = FindDay(presentation->GetDate());
    return day != nullptr && day->AttendPresentation(attendee, presentation);
}

bool MultiDaySchedule::IsRequestBooked(const Pupil* pupil, int requestIndex, DateTime* out) const {
    if (pupil == nullptr || requestIndex < 0) {
        return false;
    }
    const AppointmentRequest* request = pupil->GetRequest(static_cast<unsigned>(requestIndex));
    if (request == nullptr) {
        return false;
    }
    for (const auto& day : days_) {
        TimeOfDay time;
        if (day->IsRequestBooked(request, &time)) {
            if (out != nullptr) {
                *out = DateTime(day->GetDate(), time);
            }
            return true;
        }
    }
    return false;
}

bool MultiDaySchedule::FindAppointment(const Pupil* pupil, int requestIndex, DateTime* out) const {
    return event_ && IsRequestBooked(pupil, requestIndex, out);
}

bool MultiDaySchedule::FindBooking(const Pupil* pupil, const Teacher* teacher,
                                   const std::string& subject, DateTime* out) const {
    if (!event_ || pupil == nullptr || teacher == nullptr) {
        return false;
    }
    for (const auto& day : days_) {
        if (day->FindBooking(pupil, teacher, subject, out)) {
            return true;
        }
    }
    return false;
}

bool MultiDaySchedule::HasUnbookedRequest(const Parent* parent) const {
    if (parent == nullptr) {
        return false;
    }
    if (!event_) {
        return true;
    }
    return ScoreUnbooked(parent).Unbooked > 0;
}

bool MultiDaySchedule::IsParentBooked(const Parent* parent) const {
    return parent != nullptr && event_ && ScoreUnbooked(parent).Unbooked == 0;
}

void MultiDaySchedule::CollectRowBookings(const Schedule& day, unsigned row,
                                          const Teacher* teacher, RequestSet& booked) {
    const AppointmentGrid& grid = day.GetGrid();
    const int slots = std::min(day.GetNumSlots(), static_cast<int>(grid.GetSlotCount()));
    for (int slot = 0; slot < slots; ++slot) {
        const Appointment* booking = grid.PeekBooking(slot, static_cast<int>(row));
        const AppointmentRequest* request = booking ? booking->GetRequest() : nullptr;
        if (request != nullptr && request->GetTeacher() == teacher) {
            booked.Insert(request);
        }
    }
}

RequestSet MultiDaySchedule::CollectBookedRequests() const {
    RequestSet booked;
    if (!event_) {
        return booked;
    }
    const TeacherList& teachers = event_->GetTeachers();
    for (const auto& day : days_) {
        const unsigned rows = std::min(day->GetGrid().GetRowCount(), teachers.Count());
        for (unsigned row = 0; row < rows; ++row) {
            // A request is looked for in the row of its teacher's first place in the list.
            const Teacher* teacher = teachers.At(row);
            if (teacher != nullptr && teachers.IndexOf(teacher) == static_cast<int>(row)) {
                CollectRowBookings(*day, row, teacher, booked);
            }
        }
    }
    return booked;
}

unsigned MultiDaySchedule::CountUnbooked(const Parent* parent, const RequestSet& booked) {
    unsigned count = 0;
    ForEachRequestOf(parent, [&](Pupil*, AppointmentRequest* request) {
        count += booked.Contains(request) ? 0 : 1;
    });
    return count;
}

bool MultiDaySchedule::IsParentBooked(const Parent* parent, const RequestSet& booked) const {
    return parent != nullptr && event_ && CountUnbooked(parent, booked) == 0;
}

bool MultiDaySchedule::AllRequestsBooked() const {
    if (!event_) {
        return true;
    }
    const RequestSet booked = CollectBookedRequests();
    const ParentList& parents = event_->GetParents();
    for (unsigned i = 0; i < parents.Count(); ++i) {
        if (!IsParentBooked(parents.At(i), booked)) {
            return false;
        }
    }
    return true;
}

int MultiDaySchedule::CountParentsWithoutRequests() const {
    if (!event_) {
        return 0;
    }
    int count = 0;
    const ParentList& parents = event_->GetParents();
    for (unsigned i = 0; i < parents.Count(); ++i) {
        if (!parents.At(i)->HasRequests()) {
            ++count;
        }
    }
    return count;
}

std::map<Teacher*, int> MultiDaySchedule::GetRequestedSlotsPerTeacher() const {
    std::map<Teacher*, int> slots;
    ForEachEventRequest([&](Parent*, Pupil*, AppointmentRequest* request) {
        slots[request->GetTeacher()] += request->GetLength();
    });
    return slots;
}

std::vector<Parent*> MultiDaySchedule::AllParents() const {
    std::vector<Parent*> all;
    if (event_) {
        const ParentList& parents = event_->GetParents();
        all.reserve(parents.Count());
        for (unsigned i = 0; i < parents.Count(); ++i) {
            all.push_back(parents.At(i));
        }
    }
    return all;
}

std::vector<std::string> MultiDaySchedule::RefitBookingLengths() {
    std::vector<std::string> lines;
    if (!event_ || event_->IsLocked()) {
        return lines;
    }
    const TeacherList& teachers = event_->GetTeachers();
    for (const auto& day : days_) {
        for (unsigned row = 0; row < teachers.Count(); ++row) {
            for (const auto& booking : day->RefitBookingLengths(static_cast<int>(row))) {
                lines.push_back(DescribeBooking(
                    *day, {static_cast<int>(row), booking->GetFirstSlot(), booking}));
            }
        }
    }
    ReportLines(
        "These appointments no longer fit at their times at their new length and have "
        "been unbooked:",
        lines);
    if (!lines.empty()) {
        modified_ = true;
    }
    return lines;
}
