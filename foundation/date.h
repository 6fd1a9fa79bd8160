#pragma once

#include <string>

// A calendar day of an event. The all-zero value means "not set" and is invalid; only dates from
// 2000 to 9999 are valid (files write four-digit years), and every year divisible by 4 is a
// leap year.
class Date {
public:
    Date() = default;
    Date(int day, int month, int year) : day_(day), month_(month), year_(year) {}

    void Set(int day, int month, int year) {
        day_ = day;
        month_ = month;
        year_ = year;
    }
    int Day() const { return day_; }
    int Month() const { return month_; }
    int Year() const { return year_; }

    // Today's local date; the zero date when the clock cannot be read.
    static Date Today();

    bool operator==(const Date& other) const {
        return day_ == other.day_ && month_ == other.month_ && year_ == other.year_;
    }
    bool operator!=(const Date& other) const { return !(*this == other); }
    bool operator<(const Date& other) const;
    bool operator>(const Date& other) const { return other < *this; }
    bool operator<=(const Date& other) const { return !(other < *this); }
    bool operator>=(const Date& other) const { return !(*this < other); }

    static constexpr int kLastYear = 9999;
    bool IsValid() const;
    // 0 for a month outside 1-12.
    static int DaysInMonth(int month, int year);
    static int DaysInFebruary(int year);

    // Whole days from other to this; negative when this is earlier.
    int DaysSince(const Date& other) const;
    // 0 = Sunday.
    int DayOfWeek() const;
    void NextDay();
    void PreviousDay();

    // "2024-03-05"; empty for an invalid date.
    std::string FormatISO() const;
    // "05 Mar 2024"; "<Invalid date>" for an invalid date.
    std::string FormatLong() const;

    // Both parsers set the fields even when the date they read is invalid, and return IsValid().
    bool ParseISO(const char* text);
    bool ParseLong(const std::string& text);
    // Day and year as numbers, the month as its full English name; an unknown month name keeps
    // the month, a null text changes nothing.
    void SetFromNames(const char* day, const char* monthName, const char* year);

private:
    int day_ = 0;
    int month_ = 0;
    int year_ = 0;
};
