#include "model/score.h"

namespace {

ScoreCompareSwitches currentSwitches;

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
    return Unbooked == 0 || !currentSwitches.unbooked;
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
    if (currentSwitches.unbooked && Unbooked != other.Unbooked) {
        return Unbooked < other.Unbooked;
    }
    std::int32_t mine = GetValue();
    std::int32_t theirs = other.GetValue();
    if (mine != theirs) {
        return mine > theirs;
    }
    return currentSwitches.attendance && Attendance < other.Attendance;
}

bool Score::IsWorseThan(const Score& other) const {
    if (currentSwitches.unbooked && Unbooked != other.Unbooked) {
        return Unbooked > other.Unbooked;
    }
    std::int32_t mine = GetValue();
    std::int32_t theirs = other.GetValue();
    if (mine != theirs) {
        return mine < theirs;
    }
    return currentSwitches.attendance && Attendance > other.Attendance;
}

bool Score::operator==(const Score& other) const {
    if (TeacherWaiting != other.TeacherWaiting || TeacherOverBlock != other.TeacherOverBlock ||
        ParentWaiting != other.ParentWaiting || SiblingSeparation != other.SiblingSeparation) {
        return false;
    }
    if (currentSwitches.unbooked && Unbooked != other.Unbooked) {
        return false;
    }
    return !currentSwitches.attendance || Attendance == other.Attendance;
}

bool Score::CompareUnbooked() {
    return currentSwitches.unbooked;
}
bool Score::CompareAttendance() {
    return currentSwitches.attendance;
}
void Score::SetCompareUnbooked(bool on) {
    currentSwitches.unbooked = on;
}
void Score::SetCompareAttendance(bool on) {
    currentSwitches.attendance = on;
}
ScoreCompareSwitches Score::GetCompareSwitches() {
    return currentSwitches;
}
void Score::SetCompareSwitches(const ScoreCompareSwitches& switches) {
    currentSwitches = switches;
}
