#include "foundation/date.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

const char* const kShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonthNames[12] = {"January",   "February", "March",    "April",
                                         "May",       "June",     "July",     "August",
                                         "September", "October",  "November", "December"};

// Midnight of the date as UTC seconds. Working in UTC keeps day counts and weekdays whole,
// whatever the local time zone and its daylight saving rules.
std::time_t MidnightUTC(const Date& date, std::tm* normalised) {
    std::tm fields{};
    fields.tm_mday = date.Day();
    fields.tm_mon = date.Month() - 1;
    // Years far outside any event would overflow tm_year; they only need to stay far away.
    long long year = static_cast<long long>(date.Year()) - 1900;
    fields.tm_year = static_cast<int>(std::clamp<long long>(year, -1000000, 1000000));
    fields.tm_isdst = 0;
    std::time_t seconds = timegm(&fields);
    if (normalised != nullptr) {
        *normalised = fields;
    }
    return seconds;
}

}  // namespace

Date Date::Today() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) {
        return Date();
    }
    return Date(local.tm_mday, local.tm_mon + 1, local.tm_year + 1900);
}

bool Date::operator<(const Date& other) const {
    if (year_ != other.year_) {
        return year_ < other.year_;
    }
    if (month_ != other.month_) {
        return month_ < other.month_;
    }
    return day_ < other.day_;
}

bool Date::IsValid() const {
    return day_ >= 1 && month_ >= 1 && month_ <= 12 && year_ >= 2000 && year_ <= kLastYear &&
           day_ <= 31 && day_ <= DaysInMonth(month_, year_);
}

int Date::DaysInMonth(int month, int year) {
    switch (month) {
        case 1:
        case 3:
        case 5:
        case 7:
        case 8:
        case 10:
        case 12:
            return 31;
        case 4:
        case 6:
        case 9:
        case 11:
            return 30;
        case 2:
            return DaysInFebruary(year);
        default:
            return 0;
    }
}

int Date::DaysInFebruary(int year) {
    return year % 4 == 0 ? 29 : 28;
}

int Date::DaysSince(const Date& other) const {
    double seconds = std::difftime(MidnightUTC(*this, nullptr), MidnightUTC(other, nullptr));
    return static_cast<int>(seconds / 86400.0);
}

int Date::DayOfWeek() const {
    std::tm fields{};
    MidnightUTC(*this, &fields);
    return fields.tm_wday;
}

void Date::NextDay() {
    ++day_;
    if (day_ > DaysInMonth(month_, year_)) {
        day_ = 1;
        ++month_;
        if (month_ > 12) {
            month_ = 1;
            ++year_;
        }
    }
}

void Date::PreviousDay() {
    --day_;
    if (day_ < 1) {
        --month_;
        if (month_ < 1) {
            month_ = 12;
            --year_;
        }
        day_ = DaysInMonth(month_, year_);
    }
}

std::string Date::FormatISO() const {
    if (!IsValid()) {
        return std::string();
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year_, month_, day_);
    return text;
}

std::string Date::FormatLong() const {
    if (!IsValid()) {
        return "<Invalid date>";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%02d %s %04d", day_, kShortMonthNames[month_ - 1], year_);
    return text;
}

bool Date::ParseISO(const char* text) {
    Set(0, 0, 0);
    if (text == nullptr || std::strlen(text) < 10 || text[4] != '-' || text[7] != '-') {
        return false;
    }
    year_ = std::atoi(text);
    month_ = std::atoi(text + 5);
    day_ = std::atoi(text + 8);
    return IsValid();
}

bool Date::ParseLong(const std::string& text) {
    if (text.size() != 11 || text[2] != ' ' || text[6] != ' ') {
        return false;
    }
    day_ = std::atoi(text.c_str());
    year_ = std::atoi(text.c_str() + 7);
    month_ = 0;
    for (int i = 0; i < 12; ++i) {
        if (text.compare(3, 3, kShortMonthNames[i]) == 0) {
            month_ = i + 1;
            break;
        }
    }
    return IsValid();
}

void Date::SetFromNames(const char* day, const char* monthName, const char* year) {
    if (day == nullptr || monthName == nullptr || year == nullptr) {
        return;
    }
    day_ = std::atoi(day);
    year_ = std::atoi(year);
    for (int i = 0; i < 12; ++i) {
        if (std::strcmp(monthName, kLongMonthNames[i]) == 0) {
            month_ = i + 1;
            break;
        }
    }
}
