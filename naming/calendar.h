#pragma once

// Calendar arithmetic on proleptic Gregorian days. Pure standard C++: no clocks,
// no time zones, no local time. A time of day never enters these operations.

#include <chrono>
#include <optional>
#include <string_view>

namespace naming {

// A calendar day together with its day serial number (days since 1970-01-01).
class Date {
public:
    constexpr explicit Date(std::chrono::year_month_day ymd) : ymd_(ymd) {}

    constexpr int year() const { return int(ymd_.year()); }
    constexpr int month() const { return int(unsigned(ymd_.month())); } // [1, 12]
    constexpr int day() const { return int(unsigned(ymd_.day())); }     // [1, 31]
    constexpr std::chrono::sys_days serial() const { return std::chrono::sys_days(ymd_); }

    friend constexpr bool operator==(Date, Date) = default;

private:
    std::chrono::year_month_day ymd_;
};

// Parses exactly "YYYY-MM-DD" in ASCII decimal digits. Returns no value when the
// text has another shape or its fields do not name a real day (2007-02-29, 2007-13-01).
std::optional<Date> parseDate(std::string_view text);

// b's year minus a's year; only the year fields count.
int yearsBetween(Date a, Date b);

// (b's year - a's year) * 12 + (b's month - a's month); the day fields do not count.
int monthsBetween(Date a, Date b);

// b's serial minus a's serial; negative when b is earlier.
int daysBetween(Date a, Date b);

// The date "day" days into month "month" of "year", where a month outside [1, 12]
// carries into the year and a day outside the month's length runs into the months
// around it: (2007, 2, 31) is 2007-03-03, (2007, 0, 15) is 2006-12-15, day 0 is
// the last day of the previous month. No value when the result lies outside the
// years std::chrono::year can hold.
std::optional<Date> compose(int year, int month, int day);

// Number of days in the given month; month is carried into the year like compose().
int daysInMonth(int year, int month);

} // namespace naming
