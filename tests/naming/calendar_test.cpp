// Calendar arithmetic: parsing date texts, the three differences, and composing a
// date whose month and day lie outside their usual ranges.

#include "naming/calendar.h"

#include <gtest/gtest.h>

using naming::compose;
using naming::Date;
using naming::parseDate;

namespace {

Date date(const char* text) {
    const auto parsed = parseDate(text);
    EXPECT_TRUE(parsed) << text;
    return parsed.value_or(Date(std::chrono::year_month_day{}));
}

std::string text(const std::optional<Date>& d) {
    if (!d)
        return "failure";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", d->year(), d->month(), d->day());
    return buffer;
}

} // namespace

TEST(ParseDate, AcceptsRealDaysOnly) {
    EXPECT_EQ(text(parseDate("2008-02-29")), "2008-02-29");
    EXPECT_EQ(text(parseDate("2000-02-29")), "2000-02-29");
    EXPECT_EQ(text(parseDate("0050-01-01")), "0050-01-01");
    for (const char* bad : {"2007-02-29", "1900-02-29", "2007-13-01", "2007-00-10", "2007-04-31",
                            "2007-01-00", "2007-3-26", "2007/03/26", "20070326", "2007-03-2x",
                            " 2007-03-26", "2007-03-26 ", "", "２００７-03-26", "+007-03-26"})
        EXPECT_EQ(text(parseDate(bad)), "failure") << bad;
}

TEST(Differences, CountOnlyTheirOwnFields) {
    const Date newYearsEve = date("2006-12-31");
    const Date newYear = date("2007-01-01");
    EXPECT_EQ(naming::yearsBetween(newYearsEve, newYear), 1);
    EXPECT_EQ(naming::monthsBetween(newYearsEve, newYear), 1);
    EXPECT_EQ(naming::daysBetween(newYearsEve, newYear), 1);
    EXPECT_EQ(naming::monthsBetween(date("2007-01-31"), date("2007-02-01")), 1);
    EXPECT_EQ(naming::daysBetween(date("2007-03-03"), date("2007-03-01")), -2);
    EXPECT_EQ(naming::daysBetween(date("2000-01-01"), date("2001-01-01")), 366);
    EXPECT_EQ(naming::yearsBetween(date("2007-03-26"), date("2006-01-01")), -1);
}

TEST(Compose, CarriesMonthsIntoYearsAndDaysIntoMonths) {
    struct Case {
        int year, month, day;
        const char* expected;
    };
    const Case cases[] = {
        {2006, 15, 10, "2007-03-10"}, {2007, 2, 31, "2007-03-03"},  {2007, 0, 15, "2006-12-15"},
        {2007, 3, 0, "2007-02-28"},   {2008, 3, 0, "2008-02-29"},   {2007, -11, 1, "2006-01-01"},
        {2007, -12, 1, "2005-12-01"}, {2007, 25, 1, "2009-01-01"},  {2007, 1, 366, "2008-01-01"},
        {2007, 1, -30, "2006-12-01"}, {2007, 12, 32, "2008-01-01"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text(compose(c.year, c.month, c.day)), c.expected)
            << c.year << "," << c.month << "," << c.day;
}

TEST(Compose, FailsOutsideRepresentableYears) {
    EXPECT_EQ(text(compose(40000, 1, 1)), "failure");
    EXPECT_EQ(text(compose(2007, 1, 2'000'000'000)), "failure");
    EXPECT_EQ(text(compose(2007, -2'000'000'000, 1)), "failure");
    EXPECT_EQ(text(compose(2007, 2'000'000'000, 1)), "failure");
    EXPECT_EQ(naming::daysInMonth(2007, 14), 29);
}
