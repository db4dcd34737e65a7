// Properties walked over every day: the day of age never drops below 1 and either
// grows by one from one day to the next or a new month of age starts at day 1; running
// the batch again over the photos it has named changes no name; a run under a corrected
// birthday gives the names of a single run under that birthday; and runs undone in
// turn give every photo its name from before them.

#include "naming/photo_name.h"
#include "tests/support/run_harness.h"

#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <random>

using namespace std::chrono;

namespace {

std::string birthdayText(year_month_day d) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", int(d.year()), unsigned(d.month()),
                  unsigned(d.day()));
    return buffer;
}

std::string shootingText(year_month_day d, int secondOfDay = 12 * 3600) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d:%02u:%02u %02d:%02d:%02d", int(d.year()),
                  unsigned(d.month()), unsigned(d.day()), secondOfDay / 3600, secondOfDay / 60 % 60,
                  secondOfDay % 60);
    return buffer;
}

// Walks every shooting day from a year before the birthday to `yearsAfter` years after
// it and checks each day's age against the day before.
void walkAges(year_month_day birthday, int yearsAfter) {
    const std::string born = birthdayText(birthday);
    const sys_days first = sys_days(birthday) - days(366);
    const sys_days last = sys_days(birthday) + days(366 * yearsAfter);
    std::optional<naming::AgeStamp> previous;
    for (sys_days day = first; day <= last; day += days(1)) {
        const auto stamp = naming::ageStamp(born, shootingText(year_month_day(day)));
        ASSERT_TRUE(stamp) << born << " " << shootingText(year_month_day(day));
        ASSERT_GE(stamp->day, 1) << born << " " << shootingText(year_month_day(day));
        ASSERT_TRUE(stamp->months >= 0 && stamp->months <= 11) << born;
        if (previous) {
            const int monthsOfAge = stamp->years * 12 + stamp->months;
            const int previousMonths = previous->years * 12 + previous->months;
            const bool nextDay = monthsOfAge == previousMonths && stamp->day == previous->day + 1;
            const bool nextMonth = monthsOfAge == previousMonths + 1 && stamp->day == 1;
            ASSERT_TRUE(nextDay || nextMonth) << born << " " << shootingText(year_month_day(day));
        }
        if (day == sys_days(birthday)) {
            ASSERT_EQ(naming::baseName(*stamp), "0岁0月1天(12点00分00秒)");
        }
        previous = stamp;
    }
}

} // namespace

TEST(AgeProperties, EveryBirthdayOfALeapCycleOverTwoYears) {
    for (sys_days b = sys_days(2003y / January / 1); b <= sys_days(2006y / December / 31);
         b += days(1))
        walkAges(year_month_day(b), 2);
}

TEST(AgeProperties, MonthEndBirthdaysAcrossCenturies) {
    // The years around three century turns: 1900 and 2100 are not leap years, 2000 is.
    for (int century : {1900, 2000, 2100})
        for (int y = century - 4; y <= century + 4; ++y)
            for (unsigned m = 1; m <= 12; ++m)
                for (unsigned d : {28u, 29u, 30u, 31u}) {
                    const year_month_day birthday{year(y), month(m), day(d)};
                    if (birthday.ok())
                        walkAges(birthday, 2);
                }
}

namespace {

using fixture::MemoryWorld;

// Runs over every photo, listed in byte order, which for age names of one second is the
// letters' order, as in the real listing.
naming::RunEnd runAll(MemoryWorld& photos, const std::string& birthday,
                      naming::RunJournal* journal = nullptr) {
    photos.relist();
    const fixture::RunReport report = photos.run(birthday, journal);
    EXPECT_EQ(report.messages, std::vector<naming::Message>{});
    return report.end;
}

// What a run tells its journal; the folder must be as before the run when the plan comes.
class Journal : public naming::RunJournal {
public:
    explicit Journal(const MemoryWorld& photos) : photos_(photos), before_(photos.layout()) {}
    void begin(const std::vector<naming::Rename>& planned) override {
        EXPECT_EQ(photos_.layout(), before_);
        for (const naming::Rename& rename : planned)
            identities_[rename.from] = rename.identity;
    }
    void end(const std::vector<naming::Rename>& done) override {
        for (const naming::Rename& rename : done)
            made.push_back({rename.from, rename.to, identities_.at(rename.from)});
    }

    std::vector<naming::Rename> made;

private:
    const MemoryWorld& photos_;
    const std::map<std::string, std::string> before_;
    std::map<std::string, std::string> identities_;
};

} // namespace

TEST(RenameProperties, RunningAgainOverNamedPhotosChangesNothing) {
    // Each folder mixes photos of neighbouring days and several in the same second.
    for (sys_days b = sys_days(2004y / January / 25); b <= sys_days(2004y / April / 5);
         b += days(1)) {
        const std::string born = birthdayText(year_month_day(b));
        MemoryWorld photos;
        int n = 0;
        for (int offset = -40; offset <= 800; offset += 13) {
            const year_month_day shot{b + days(offset)};
            for (int k = 0; k <= offset % 4 + 1; ++k)
                photos.add("IMG_" + std::to_string(++n) + ".jpg",
                           shootingText(shot, 9 * 3600 + (k % 3) * 17));
        }
        ASSERT_EQ(runAll(photos, born), naming::RunEnd::Completed);
        const auto named = photos.layout();
        ASSERT_EQ(runAll(photos, born), naming::RunEnd::Completed);
        ASSERT_EQ(photos.layout(), named) << born;
    }
}

// A parent who typed one birthday and then corrects it gets exactly the names that the
// corrected birthday alone gives: the names a run gives depend on the shooting times, the
// birthday and the files the run does not move, never on the photos' earlier names.
TEST(RenameProperties, ASecondBirthdayGivesTheNamesOfASingleRun) {
    std::mt19937 random(20070315);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int round = 0; round < 300; ++round) {
        MemoryWorld once, twice;
        const int count = pick(1, 40);
        for (int i = 1; i <= count; ++i) {
            // Few days and few seconds, so that seconds are shared and names collide.
            const year_month_day day{sys_days(2007y / March / 10) + days(pick(0, 40))};
            const std::string time =
                pick(0, 9) == 0 ? std::string() : shootingText(day, 14 * 3600 + pick(0, 3));
            const std::string name = "IMG_" + std::to_string(i) + ".jpg";
            once.add(name, time);
            twice.add(name, time);
        }
        if (pick(0, 3) == 0) { // a file without a time that the runs never move, named like a photo
            const std::string blocker = pick(0, 1) ? std::string("0_0.jpg")
                                                   : "0岁10月" + std::to_string(pick(1, 9)) +
                                                         "天(14点00分0" +
                                                         std::to_string(pick(0, 3)) + "秒).jpg";
            once.add(blocker, "");
            twice.add(blocker, "");
        }
        const std::string first =
            birthdayText(year_month_day(sys_days(2006y / May / 1) + days(pick(0, 60))));
        const std::string second =
            birthdayText(year_month_day(sys_days(2006y / May / 1) + days(pick(0, 60))));

        ASSERT_EQ(runAll(once, second), naming::RunEnd::Completed);
        ASSERT_EQ(runAll(twice, first), naming::RunEnd::Completed);
        ASSERT_EQ(runAll(twice, second), naming::RunEnd::Completed);
        ASSERT_EQ(twice.layout(), once.layout())
            << "round " << round << ": " << first << " then " << second;
        ASSERT_EQ(runAll(twice, second), naming::RunEnd::Completed);
        ASSERT_EQ(twice.layout(), once.layout()) << "round " << round << ": again";
    }
}

// Two runs under random birthdays, whose renames wait in chains and rings, each journaled
// before its first rename, then undone newest first: every photo is back under the
// name it had before each run, and nothing is left to do a second time.
TEST(RenameProperties, RunsUndoneInTurnGiveTheEarlierNamesBack) {
    std::mt19937 random(20061010);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int round = 0; round < 300; ++round) {
        MemoryWorld photos;
        for (int i = pick(1, 40); i > 0; --i) {
            const year_month_day day{sys_days(2007y / March / 10) + days(pick(0, 40))};
            photos.add("IMG_" + std::to_string(i) + ".jpg",
                       pick(0, 9) == 0 ? std::string() : shootingText(day, 14 * 3600 + pick(0, 3)));
        }
        if (pick(0, 3) == 0) // a file the runs never move, named like a photo
            photos.add("0岁10月" + std::to_string(pick(1, 9)) + "天(14点00分0" +
                           std::to_string(pick(0, 3)) + "秒).jpg",
                       "");
        std::vector<std::map<std::string, std::string>> layouts{photos.layout()};
        std::vector<Journal> journals;
        journals.reserve(2);
        for (int run = 0; run < 2; ++run) {
            journals.emplace_back(photos);
            const std::string birthday =
                birthdayText(year_month_day(sys_days(2006y / May / 1) + days(pick(0, 60))));
            ASSERT_EQ(runAll(photos, birthday, &journals.back()), naming::RunEnd::Completed);
            layouts.push_back(photos.layout());
        }
        for (int run = 1; run >= 0; --run) {
            ASSERT_EQ(photos.undo(journals[run].made).end, naming::RunEnd::Completed);
            ASSERT_EQ(photos.layout(), layouts[run]) << "round " << round << ", run " << run;
        }
        ASSERT_EQ(photos.undo(journals[0].made).end, naming::RunEnd::Completed);
        ASSERT_EQ(photos.layout(), layouts[0]) << "round " << round << ": again";
    }
}
