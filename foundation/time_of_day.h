#pragma once

#include <string>

// The text forms of a time of day: "9:05am", "09:05" and "09:05:00".
enum TimeStyle { Time12h = 0, Time24h = 1, Time24hs = 2 };

// A time within a day in seconds since midnight: slot starts, breaks, time limits. Nothing
// bounds the value; the parsers only produce times before 24:00:00.
class TimeOfDay {
public:
    TimeOfDay() = default;
    TimeOfDay(int hours, int minutes, int seconds) { Set(hours, minutes, seconds); }

    void Set(int hours, int minutes) { Set(hours, minutes, 0); }
    void Set(int hours, int minutes, int seconds) {
        seconds_ = hours * 3600 + minutes * 60 + seconds;
    }
    void SetSeconds(int seconds) { seconds_ = seconds; }
    int Seconds() const { return seconds_; }
    int Hours() const { return seconds_ / 3600; }
    int Minutes() const { return (seconds_ / 60) % 60; }

    bool operator==(const TimeOfDay& other) const { return seconds_ == other.seconds_; }
    bool operator!=(const TimeOfDay& other) const { return seconds_ != other.seconds_; }
    bool operator<(const TimeOfDay& other) const { return seconds_ < other.seconds_; }
    bool operator>(const TimeOfDay& other) const { return seconds_ > other.seconds_; }
    bool operator<=(const TimeOfDay& other) const { return seconds_ <= other.seconds_; }
    bool operator>=(const TimeOfDay& other) const { return seconds_ >= other.seconds_; }

    // What a user types: "9:05", "09.05", "17:30", "9:05am", "9:05 PM", "12:30p". The value
    // changes only when the text is accepted.
    bool Parse(const char* text);
    // "hours:minutes:seconds", each part in range.
    bool ParseHMS(const char* text);
    // As ParseHMS, ignoring a fraction of a second after a '.'.
    bool ParseTimestamp(const char* text);

    std::string Format(TimeStyle style) const;
    // The scrambled token of event files: '=' and the TextCodec text of a block of random
    // bytes carrying the time, so the same time differs from save to save.
    std::string FormatEncoded() const;

private:
    int seconds_ = 0;
};

// While one lives, FormatEncoded fills its block with zero bytes and draws nothing from
// rand(): two event texts then differ only where the event does, and asking whether they do
// leaves seeded runs as they were. It holds for its own thread only.
class FixedTimeEncoding {
public:
    FixedTimeEncoding() { ++depth_; }
    ~FixedTimeEncoding() { --depth_; }
    FixedTimeEncoding(const FixedTimeEncoding&) = delete;
    FixedTimeEncoding& operator=(const FixedTimeEncoding&) = delete;
    static bool IsActive() { return depth_ > 0; }

private:
    static inline thread_local int depth_ = 0;
};
