// Age stamps and photo names: the four month/day cases, month ends, photos taken
// before the birthday, the birthday shape check and the lettered name.

#include "naming/photo_name.h"

#include <gtest/gtest.h>

using naming::ageStamp;
using naming::baseName;

namespace {

std::string nameFor(const char* birthday, const char* shootingTime) {
    const auto stamp = ageStamp(birthday, shootingTime);
    return stamp ? baseName(*stamp) : "failure";
}

} // namespace

TEST(AgeStamp, NamesEachMonthDayCase) {
    struct Case {
        const char* birthday;
        const char* shot;
        const char* expected;
    };
    const Case cases[] = {
        // A: month and day both reached
        {"2006-05-10", "2006-05-10 09:00:00", "0岁0月1天(09点00分00秒)"},
        {"2006-05-10", "2008:06:12 23:59:59", "2岁1月3天(23点59分59秒)"},
        // B: month not reached, day reached
        {"2006-05-10", "2007:03:15 14:05:33", "0岁10月6天(14点05分33秒)"},
        // C: month not passed, day not reached
        {"2006-05-10", "2007:05:05 12:00:00", "0岁11月26天(12点00分00秒)"},
        // D: month passed, day not reached
        {"2006-05-10", "2007:07:05 12:00:00", "1岁1月26天(12点00分00秒)"},
        // before the birthday
        {"2007-03-26", "2007:03:20 08:00:00", "-1岁11月23天(08点00分00秒)"},
        // separators are not inspected, clock fields copied unchanged
        {"2006-05-10", "2007-03-15T14-05-33", "0岁10月6天(14点05分33秒)"},
        {"2006-05-10", "2007:03:15 14:05", "0岁10月6天(14点05分秒)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nameFor(c.birthday, c.shot), c.expected) << c.birthday << " " << c.shot;
}

TEST(AgeStamp, MonthAnniversaryMissingFromTheMonthFallsOnTheFirstOfTheNext) {
    EXPECT_EQ(nameFor("2006-01-31", "2006:03:01 10:11:12"), "0岁1月1天(10点11分12秒)");
    EXPECT_EQ(nameFor("2006-01-31", "2006:02:28 10:11:12"), "0岁0月29天(10点11分12秒)");
    EXPECT_EQ(nameFor("2006-01-31", "2006:03:31 10:11:12"), "0岁2月1天(10点11分12秒)");
    EXPECT_EQ(nameFor("2004-02-29", "2005:03:01 00:00:00"), "1岁0月1天(00点00分00秒)");
    EXPECT_EQ(nameFor("2004-02-29", "2005:02:28 00:00:00"), "0岁11月31天(00点00分00秒)");
    EXPECT_EQ(nameFor("2006-08-31", "2006:10:01 07:00:00"), "0岁1月1天(07点00分00秒)");
}

TEST(AgeStamp, FailsWhenADateDoesNotParse) {
    EXPECT_EQ(nameFor("2007-02-30", "2007:03:15 14:05:33"), "failure");
    EXPECT_EQ(nameFor("2007-13-01", "2007:03:15 14:05:33"), "failure");
    EXPECT_EQ(nameFor("2006-05-10", "2007:02:30 14:05:33"), "failure");
    EXPECT_EQ(nameFor("2006-05-10", "2007:3:15 14:05:33"), "failure");
    EXPECT_EQ(nameFor("2006-05-10", "garbage"), "failure");
    EXPECT_EQ(nameFor("2006-05-10", ""), "failure");
    EXPECT_EQ(nameFor("２００６-05-10", "2007:03:15 14:05:33"), "failure");
}

TEST(BirthdayShape, TestsLengthAndDashPositionsInCharacters) {
    for (const char* good :
         {"2007-03-26", "2007-13-01", "2007-02-30", "abcd-ef-gh", "２００７-03-26"})
        EXPECT_TRUE(naming::birthdayShapeOk(good)) << good;
    for (const char* bad : {"2007-3-26", "2007/03/26", "20070326", "", "2007-03-2", "2007-03-266",
                            "2007-03", "２００７-3-26", "2007—03-26", "2007-03-２６x"})
        EXPECT_FALSE(naming::birthdayShapeOk(bad)) << bad;
}

TEST(ShootingTime, RecognisesExifUnknownTimes) {
    EXPECT_TRUE(naming::isUnknownShootingTime("0000:00:00 00:00:00"));
    EXPECT_TRUE(naming::isUnknownShootingTime("    :  :     :  :  "));
    EXPECT_TRUE(naming::isUnknownShootingTime("                   "));
    EXPECT_FALSE(naming::isUnknownShootingTime("2007:03:15 14:05:33"));
    EXPECT_FALSE(naming::isUnknownShootingTime("0000:00:00 00:00:01"));
}

TEST(ShootingTime, ClockMustFitAFileName) {
    EXPECT_TRUE(naming::clockFitsFileName("2007:03:15 14:05:33"));
    EXPECT_TRUE(naming::clockFitsFileName("2007:03:15 1a:b5:  "));
    for (const char* bad : {"2007:03:15 1/:05:33", "2007:03:15 14:0\\:33", "2007:03:15 14:05:3:",
                            "2007:03:15 14:05:3*", "2007:03:15 1?:05:33", "2007:03:15 14:\"5:33",
                            "2007:03:15 <4:05:33", "2007:03:15 14:05:|3", "2007:03:15 14:05:3\t",
                            "2007:03:15 14:05:3\x7f", "2007:03:15 14:05:3\xc3\xa9"})
        EXPECT_FALSE(naming::clockFitsFileName(bad)) << bad;
    // Only the clock fields matter; the date's own separators may be anything.
    EXPECT_TRUE(naming::clockFitsFileName("2007/03/15 14:05:33"));
}

TEST(PhotoName, PutsTheLetterBeforeTheExtension) {
    const std::string x = "0岁1月1天(10点11分12秒)";
    EXPECT_EQ(naming::photoName(x, "b"), x + "b.jpg");
}
