#include "naming/calendar.h"

#include <cstdint>

namespace naming {
namespace {

using namespace std::chrono;

std::optional<int> digits(std::string_view text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Floor division, so that month 0 lies in the previous year and month -11 too.
constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

struct YearMonth {
    std::int64_t year;
    int month; // [1, 12]
};

constexpr YearMonth carry(std::int64_t year, std::int64_t month) {
    const std::int64_t yearsCarried = floorDiv(month - 1, 12);
    return {year + yearsCarried, int(month - 1 - yearsCarried * 12) + 1};
}

constexpr bool representable(std::int64_t year) {
    return year >= int(std::chrono::year::min()) && year <= int(std::chrono::year::max());
}

} // namespace

std::optional<Date> parseDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    const auto y = digits(text.substr(0, 4));
    const auto m = digits(text.substr(5, 2));
    const auto d = digits(text.substr(8, 2));
    if (!y || !m || !d)
        return std::nullopt;
    const year_month_day ymd{year(*y), month(unsigned(*m)), day(unsigned(*d))};
    if (!ymd.ok())
        return std::nullopt;
    return Date(ymd);
}

int yearsBetween(Date a, Date b) {
    return b.year() - a.year();
}

int monthsBetween(Date a, Date b) {
    return (b.year() - a.year()) * 12 + (b.month() - a.month());
}

int daysBetween(Date a, Date b) {
    return int((b.serial() - a.serial()).count());
}

std::optional<Date> compose(int year, int month, int day) {
    const YearMonth ym = carry(year, month);
    if (!representable(ym.year))
        return std::nullopt;
    const sys_days first =
        year_month_day(std::chrono::year(int(ym.year)), std::chrono::month(unsigned(ym.month)),
                       std::chrono::day(1));
    const sys_days target = first + days(std::int64_t(day) - 1);
    constexpr sys_days earliest = std::chrono::year::min() / January / 1;
    constexpr sys_days latest = std::chrono::year::max() / December / 31;
    if (target < earliest || target > latest)
        return std::nullopt;
    return Date(year_month_day(target));
}

int daysInMonth(int year, int month) {
    const YearMonth ym = carry(year, month);
    if (!representable(ym.year))
        return 0;
    const year_month_day_last last{std::chrono::year(int(ym.year)),
                                   month_day_last(std::chrono::month(unsigned(ym.month)))};
    return int(unsigned(last.day()));
}

} // namespace naming
