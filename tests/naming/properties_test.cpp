// Properties walked over every day: the day of age never drops below 1 and either
// grows by one from one day to the next or a new month of age starts at day 1; and
// running the batch again over the photos it has named changes no name.

#include "naming/batch.h"
#include "naming/memory_folder.h"
#include "naming/photo_name.h"

#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>

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

class Photos : public naming::PhotoList,
               public naming::ShootingTimeSource,
               public naming::ErrorSink {
public:
    int count() const override { return int(listed.size()); }
    std::string name(int i) const override { return listed[std::size_t(i)]; }
    bool selected(int) const override { return true; }
    void refresh() override { listed = folder.names(); }
    std::optional<std::string> shootingTime(const std::string& n) override {
        return timeOf[folder.origin(n)];
    }
    void show(naming::Message) override { ADD_FAILURE() << "no message expected"; }

    naming::MemoryFolder folder;
    std::vector<std::string> listed;
    std::map<std::string, std::string> timeOf;
};

} // namespace

TEST(RenameProperties, RunningAgainOverNamedPhotosChangesNothing) {
    // Each folder mixes photos of neighbouring days and several in the same second.
    for (sys_days b = sys_days(2004y / January / 25); b <= sys_days(2004y / April / 5);
         b += days(1)) {
        const std::string born = birthdayText(year_month_day(b));
        Photos photos;
        int n = 0;
        for (int offset = -40; offset <= 800; offset += 13) {
            const year_month_day shot{b + days(offset)};
            for (int k = 0; k <= offset % 4 + 1; ++k) {
                const std::string name = "IMG_" + std::to_string(++n) + ".jpg";
                photos.folder.add(name);
                photos.listed.push_back(name);
                photos.timeOf[name] = shootingText(shot, 9 * 3600 + (k % 3) * 17);
            }
        }
        ASSERT_EQ(naming::renamePhotos(naming::RunMode::All, born,
                                       {photos, photos.folder, photos, photos}),
                  naming::RunEnd::Completed);
        const auto named = photos.folder.names();
        ASSERT_EQ(naming::renamePhotos(naming::RunMode::All, born,
                                       {photos, photos.folder, photos, photos}),
                  naming::RunEnd::Completed);
        ASSERT_EQ(photos.folder.names(), named) << born;
    }
}
