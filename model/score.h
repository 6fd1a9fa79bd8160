#pragma once

#include <cstdint>

class Event;

// The two comparison switches every Score compares by. They belong to an event and are saved
// with it; the open event's are the ones in force (Event::MakeScoreSwitchesCurrent).
struct ScoreCompareSwitches {
    bool unbooked = true;     // compare unbooked requests first; perfect needs none unbooked
    bool attendance = false;  // break a tie of values by the smaller attendance
    bool operator==(const ScoreCompareSwitches&) const = default;
};

// The faults of a timetable in six counters, and the value users see as a score out of 1000.
class Score {
public:
    Score() = default;

    std::uint32_t Unbooked = 0;
    std::uint32_t TeacherWaiting = 0;
    std::uint32_t TeacherOverBlock = 0;
    std::uint32_t ParentWaiting = 0;
    std::uint32_t SiblingSeparation = 0;
    std::uint32_t Attendance = 0;

    void Clear() { *this = Score(); }

    // A teacher's waiting slot weighs twice; unbooked requests and attendance stay out.
    std::int32_t GetValue() const;
    bool IsLow() const { return GetValue() < -100; }
    bool IsPerfect() const;

    void SetSum(const Score& a, const Score& b);
    Score& operator+=(const Score& other);

    bool IsBetterThan(const Score& other) const;
    bool IsWorseThan(const Score& other) const;
    bool operator==(const Score& other) const;
    bool operator!=(const Score& other) const { return !(*this == other); }
    bool IsBetterOrEqual(const Score& other) const { return IsBetterThan(other) || *this == other; }
    bool IsWorseOrEqual(const Score& other) const { return IsWorseThan(other) || *this == other; }

    // The switches in force: the open event's, or standalone ones while no event is open.
    // Setting them changes the open event (and marks it modified when they differ).
    static bool CompareUnbooked();
    static bool CompareAttendance();
    static void SetCompareUnbooked(bool on);
    static void SetCompareAttendance(bool on);
    static ScoreCompareSwitches GetCompareSwitches();
    static void SetCompareSwitches(const ScoreCompareSwitches& switches);

private:
    friend class Event;
    // Null goes back to the standalone switches.
    static void SetOpenEvent(Event* event);
    static bool IsOpenEvent(const Event* event);
};

// The tuning values that the scoring reads; lengths are counted in slots.
struct ScheduleOptions {
    std::int32_t TeacherGapLength = 3;
    std::int32_t TeacherBlockLength = 24;
    std::int32_t ParentGapLength = 4;
    bool TeacherCountBreaks = false;
    bool TeacherCountInitGap = false;
    bool ParentCountInitGap = false;
    bool BringTwinsTogether = true;
    bool operator==(const ScheduleOptions&) const = default;
};
