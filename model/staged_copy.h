#pragma once

class MultiDaySchedule;

// MultiDaySchedule's assignment in short resumable pieces, for a caller that must answer between
// them: each day is taken over (or made) and copied a batch of rows at a time, and days the source
// lacks are emptied a batch of rows at a time and dropped. Run to the end the target holds what
// assigning the source gives, in day objects of its own. Until then the target is half made and
// must be left alone, and the source must stay as it is.
class StagedCopy {
public:
    static constexpr unsigned kRowsPerPiece = 256;

    // Starts over; a copy under way is abandoned, its target half made.
    void Begin(MultiDaySchedule& target, const MultiDaySchedule& source,
               unsigned rowsPerPiece = kRowsPerPiece);
    // Does one piece; true once the copy is complete.
    bool Next();
    bool IsBusy() const { return target_ != nullptr; }

private:
    MultiDaySchedule* target_ = nullptr;
    const MultiDaySchedule* source_ = nullptr;
    unsigned rowsPerPiece_ = kRowsPerPiece;
    unsigned day_ = 0;
    unsigned row_ = 0;
    bool dayBegun_ = false;
};
