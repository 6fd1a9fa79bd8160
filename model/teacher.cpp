#include "model/teacher.h"

#include <algorithm>
#include <utility>

Teacher::Teacher(const Teacher& other) : Attendee(other) {
    CopyTeacherFields(other);
}

Teacher& Teacher::operator=(const Teacher& other) {
    if (this != &other) {
        Attendee::operator=(other);
        CopyTeacherFields(other);
    }
    return *this;
}

void Teacher::CopyTeacherFields(const Teacher& other) {
    breaks_ = other.breaks_;
    breakParts_ = other.breakParts_;
    initials_ = other.initials_;
    location_ = other.location_;
    subjects_ = other.subjects_;
    apptLength_ = other.apptLength_;
    meetingLink_ = other.meetingLink_;
    priority_ = other.priority_;
}

bool Teacher::AddBreak(const DateTime& when) {
    auto place = std::lower_bound(breaks_.begin(), breaks_.end(), when);
    if (place == breaks_.end() || *place != when) {
        breaks_.insert(place, when);
    }
    breakParts_.erase(when);
    return true;
}

void Teacher::SetBreakParts(const DateTime& when, std::vector<BreakPart> parts) {
    if (parts.empty()) {
        breakParts_.erase(when);
    } else {
        breakParts_[when] = std::move(parts);
    }
}

std::vector<Teacher::BreakPart> Teacher::GetBreakParts(const DateTime& when) const {
    const auto found = breakParts_.find(when);
    if (found == breakParts_.end() || !HasBreak(when)) {
        return {};
    }
    return found->second;
}

bool Teacher::HasBreak(const DateTime& when) const {
    return std::find(breaks_.begin(), breaks_.end(), when) != breaks_.end();
}

bool Teacher::HasBreakDuring(const Date& date, const TimeOfDay& from, const TimeOfDay& to) const {
    const auto found = std::lower_bound(breaks_.begin(), breaks_.end(), DateTime(date, from));
    return found != breaks_.end() && found->GetDate() == date && found->GetTime() < to;
}

DateTime Teacher::GetBreak(unsigned index) const {
    return index < breaks_.size() ? breaks_[index] : DateTime();
}

void Teacher::RemoveBreak(const DateTime& when) {
    auto found = std::find(breaks_.begin(), breaks_.end(), when);
    if (found != breaks_.end()) {
        breaks_.erase(found);
    }
}

bool Teacher::RemoveBreakOnDate(const Date& date, int n) {
    if (n < 0 || static_cast<size_t>(n) >= breaks_.size()) {
        return false;
    }
    int seen = 0;
    for (auto it = breaks_.begin(); it != breaks_.end(); ++it) {
        if (it->GetDate() == date && seen++ == n) {
            breaks_.erase(it);
            return true;
        }
    }
    return false;
}

void Teacher::DropBreaksOn(const Date& date) {
    std::erase_if(breaks_, [&date](const DateTime& when) { return when.GetDate() == date; });
}

bool Teacher::RemoveBreakAt(unsigned index) {
    if (index >= breaks_.size()) {
        return false;
    }
    breaks_.erase(breaks_.begin() + index);
    return true;
}

void Teacher::MoveBreaks(const DateMoves& moves) {
    std::vector<DateTime> moved;
    moved.reserve(breaks_.size());
    for (const DateTime& when : breaks_) {
        const auto found = moves.find(when.GetDate());
        if (found != moves.end()) {
            moved.emplace_back(found->second, when.GetTime());
            continue;
        }
        const bool stale = std::any_of(moves.begin(), moves.end(), [&](const auto& move) {
            return move.second == when.GetDate();
        });
        if (!stale) {
            moved.push_back(when);
        }
    }
    std::sort(moved.begin(), moved.end());
    moved.erase(std::unique(moved.begin(), moved.end()), moved.end());
    breaks_ = std::move(moved);
    // The parts go with their breaks; those left on a date another day takes go as they did.
    std::map<DateTime, std::vector<BreakPart>> parts;
    for (const auto& [when, part] : breakParts_) {
        const auto found = moves.find(when.GetDate());
        if (found != moves.end()) {
            parts[DateTime(found->second, when.GetTime())] = part;
        } else if (std::none_of(moves.begin(), moves.end(),
                                [date = when.GetDate()](const auto& move) {
                                    return move.second == date;
                                })) {
            parts[when] = part;
        }
    }
    breakParts_ = std::move(parts);
}
