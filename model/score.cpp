#include "model/score.h"

#include "model/event.h"

namespace {

ScoreCompareSwitches standaloneSwitches;
Event* openEvent = nullptr;
// Comparisons are the optimiser's inner loop: they read through one pointer, kept pointing at
// the open event's own switches.
const ScoreCompareSwitches* currentSwitchesPtr = &standaloneSwitches;

const ScoreCompareSwitches& CurrentSwitches() {
    return *currentSwitchesPtr;
}

}  // namespace

std::int32_t Score::GetValue() const {
    // Unsigned arithmetic wraps where a huge count would overflow a signed sum.
    std::uint32_t penalty =
        2u * TeacherWaiting + TeacherOverBlock + ParentWaiting + SiblingSeparation;
    return static_cast<std::int32_t>(0u - penalty);
}

bool Score::IsPerfect() const {
    if (TeacherWaiting != 0 || TeacherOverBlock != 0 || ParentWaiting != 0 ||
        SiblingSeparation != 0) {
        return false;
    }
    return Unbooked == 0 || !CurrentSwitches().unbooked;
}

void Score::SetSum(const Score& a, const Score& b) {
    Score sum = a;
    sum += b;
    *this = sum;
}

Score& Score::operator+=(const Score& other) {
    Unbooked += other.Unbooked;
    TeacherWaiting += other.TeacherWaiting;
    TeacherOverBlock += other.TeacherOverBlock;
    ParentWaiting += other.ParentWaiting;
    SiblingSeparation += other.SiblingSeparation;
    Attendance += other.Attendance;
    return *this;
}

bool Score::IsBetterThan(const Score& other) const {
    if (CurrentSwitches().unbooked && Unbooked != other.Unbooked) {
        return Unbooked < other.Unbooked;
    }
    std::int32_t mine = GetValue();
    std::int32_t theirs = other.GetValue();
    if (mine != theirs) {
        return mine > theirs;
    }
    return CurrentSwitches().attendance && Attendance < other.Attendance;
}

bool Score::IsWorseThan(const Score& other) const {
    if (CurrentSwitches().unbooked && Unbooked != other.Unbooked) {
        return Unbooked > other.Unbooked;
    }
    std::int32_t mine = GetValue();
    std::int32_t theirs = other.GetValue();
    if (mine != theirs) {
        return mine < theirs;
    }
    return CurrentSwitches().attendance && Attendance > other.Attendance;
}

bool Score::operator==(const Score& other) const {
    if (TeacherWaiting != other.TeacherWaiting || TeacherOverBlock != other.TeacherOverBlock ||
        ParentWaiting != other.ParentWaiting || SiblingSeparation != other.SiblingSeparation) {
        return false;
    }
    if (CurrentSwitches().unbooked && Unbooked != other.Unbooked) {
        return false;
    }
    return !CurrentSwitches().attendance || Attendance == other.Attendance;
}

bool Score::CompareUnbooked() {
    return CurrentSwitches().unbooked;
}
bool Score::CompareAttendance() {
    return CurrentSwitches().attendance;
}
void Score::SetCompareUnbooked(bool on) {
    ScoreCompareSwitches switches = CurrentSwitches();
    switches.unbooked = on;
    SetCompareSwitches(switches);
}
void Score::SetCompareAttendance(bool on) {
    ScoreCompareSwitches switches = CurrentSwitches();
    switches.attendance = on;
    SetCompareSwitches(switches);
}
ScoreCompareSwitches Score::GetCompareSwitches() {
    return CurrentSwitches();
}
void Score::SetCompareSwitches(const ScoreCompareSwitches& switches) {
    if (openEvent != nullptr) {
        openEvent->SetScoreSwitches(switches);
    } else {
        standaloneSwitches = switches;
    }
}

void Score::SetOpenEvent(Event* event) {
    openEvent = event;
    currentSwitchesPtr = event != nullptr ? &event->GetScoreSwitches() : &standaloneSwitches;
}

bool Score::IsOpenEvent(const Event* event) {
    return event != nullptr && openEvent == event;
}
