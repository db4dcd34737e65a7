// Bad input, one table per kind: birthday texts, shooting time texts and damaged photo
// files, and folders holding awkward things. Each case runs the batch on a real folder
// and states its outcome: how the run ended, the folder's listing afterwards, and that
// the files' contents are exactly those from before.

#include "tests/support/disk_world.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

using fixture::photo;
using fixture::PhotoRecipe;
using fixture::runListed;
using fixture::TempFolder;
using naming::RunEnd;
using Names = std::vector<std::string>;

namespace {

const std::string kBirthday = "2006-05-10";
const std::string kTime = "2007:03:15 14:05:33";
const std::string kName = "0岁10月6天(14点05分33秒).jpg"; // kTime's name for kBirthday

} // namespace

TEST(BadBirthday, EndsTheRunWithTheBirthdayMessageAndLosesNothing) {
    enum class Found { ByShape, WhenParsed };
    const struct {
        const char* name;
        std::string birthday;
        Found found;
    } cases[] = {
        {"empty", "", Found::ByShape},
        {"one-digit month", "2006-5-10", Found::ByShape},
        {"slashes", "2006/05/10", Found::ByShape},
        {"no separators", "20060510", Found::ByShape},
        {"day first", "10-05-2006", Found::ByShape},
        {"leading blank", " 2006-05-10", Found::ByShape},
        {"trailing newline", "2006-05-10\n", Found::ByShape},
        {"two-digit year", "06-05-10", Found::ByShape},
        {"lone UTF-8 lead byte after it", "2006-05-10\xE5", Found::ByShape},
        {"overlong", std::string(100000, '1'), Found::ByShape},
        {"month 13", "2006-13-10", Found::WhenParsed},
        {"month 00", "2006-00-10", Found::WhenParsed},
        {"February 29 of a common year", "2007-02-29", Found::WhenParsed},
        {"day 32", "2006-05-32", Found::WhenParsed},
        {"day 00", "2006-05-00", Found::WhenParsed},
        {"letters", "abcd-ef-gh", Found::WhenParsed},
        {"signed year", "+006-05-10", Found::WhenParsed},
        {"blanks in fields", "2006- 5-10", Found::WhenParsed},
        {"full-width digits", "２００６-05-10", Found::WhenParsed},
        {"Arabic-Indic digits", "٢٠٠٦-٠٥-١٠", Found::WhenParsed},
        {"embedded NUL", std::string("2006-05-1\0", 10), Found::WhenParsed},
        {"invalid UTF-8 byte", "2006-05-1\xFF", Found::WhenParsed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TempFolder folder;
        folder.write("IMG_1.jpg", photo(std::nullopt));
        folder.write("IMG_2.jpg", photo(kTime));
        folder.write("IMG_3.jpg", photo("2007:03:15 14:05:34"));
        const auto before = folder.unnamedContents();

        const fixture::RunReport o = runListed(folder, c.birthday);
        EXPECT_EQ(o.end, RunEnd::BadBirthday);
        EXPECT_EQ(o.messages, std::vector{naming::Message::BadBirthday});
        // A malformed shape stops the run before any photo moves; a shape that does not
        // name a day is found at the first photo with a time, which keeps its name.
        EXPECT_EQ(o.lines, c.found == Found::ByShape ? Names{}
                                                     : (Names{"IMG_1.jpg kept", "IMG_2.jpg kept"}));
        EXPECT_EQ(folder.listing(), (Names{"IMG_1.jpg", "IMG_2.jpg", "IMG_3.jpg"}));
        EXPECT_EQ(folder.unnamedContents(), before);
    }
}

TEST(BadBirthday, FarYearsStillNameEveryPhoto) {
    const struct {
        const char* birthday;
        const char* name;
    } cases[] = {
        {"0000-01-01", "2007岁2月15天(14点05分33秒).jpg"},
        {"9999-12-31", "-7993岁2月15天(14点05分33秒).jpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.birthday);
        const TempFolder folder;
        folder.write("IMG_1.jpg", photo(kTime));
        EXPECT_EQ(runListed(folder, c.birthday).end, RunEnd::Completed);
        EXPECT_EQ(folder.listing(), Names{c.name});
    }
}

// The photo under test is A.jpg; B.jpg, a good photo listed after it, shows whether the
// run went on.
TEST(BadShootingTime, EachPhotoHasAClearOutcomeAndNothingIsLost) {
    enum class Then { Renamed, Kept, RunEnds };
    const auto recipe = [](std::function<void(PhotoRecipe&)> change) {
        PhotoRecipe s{.dateTimeOriginal = kTime};
        change(s);
        return fixture::jpegBytes(s);
    };
    const auto dated = [&](std::string time) {
        return recipe([&](PhotoRecipe& s) { s.dateTimeOriginal = time; });
    };
    const std::string whole = dated(kTime);
    const fixture::Span exif = fixture::exifSegment({.dateTimeOriginal = kTime});
    const struct {
        const char* name;
        std::string bytes;
        Then then;
        std::string newName = {};
    } cases[] = {
        {"no DateTimeOriginal tag", photo(std::nullopt), Then::Kept},
        {"no Exif at all", recipe([](PhotoRecipe& s) { s.exif = false; }), Then::Kept},
        {"blank time", dated("    :  :     :  :  "), Then::Kept},
        {"all-zero time", dated("0000:00:00 00:00:00"), Then::Kept},
        {"empty text", dated(""), Then::Kept},
        {"date only", dated("2007:03:15"), Then::Renamed, "0岁10月6天(点分秒).jpg"},
        {"cut inside the hour", dated("2007:03:15 1"), Then::Renamed, "0岁10月6天(1点分秒).jpg"},
        {"other separators", dated("2007-03-15T14.05.33"), Then::Renamed,
         "0岁10月6天(14点05分33秒).jpg"},
        {"clock out of range", dated("2007:03:15 99:99:99"), Then::Renamed,
         "0岁10月6天(99点99分99秒).jpg"},
        {"overlong text", dated(kTime + std::string(30000, 'x')), Then::Renamed, kName},
        {"not NUL-terminated", recipe([](PhotoRecipe& s) { s.dtoCount = 19; }), Then::Renamed,
         kName},
        {"two NULs", recipe([](PhotoRecipe& s) { s.dtoCount = 21; }), Then::Renamed, kName},
        {"letter in the month", dated("2007:0a:15 14:05:33"), Then::RunEnds},
        {"no such day", dated("2007:02:30 14:05:33"), Then::RunEnds},
        {"words", dated("yesterday"), Then::RunEnds},
        {"full-width digits in the date", dated("２００７:03:15 14:05:33"), Then::RunEnds},
        {"slash in the clock", dated("2007:03:15 1/:05:33"), Then::Kept},
        {"slash as a separator", dated("2007:03:15 14/05/33"), Then::Renamed, kName},
        {"wildcards in the clock", dated("2007:03:15 1*:0?:33"), Then::Kept},
        {"control character in the clock", dated("2007:03:15 14:05:3\x01"), Then::Kept},
        {"backslash in the clock", dated("2007:03:15 14:05:3\\"), Then::Kept},
        {"full-width digits in the clock", dated("2007:03:15 １4:05:33"), Then::Kept},
        {"Exif IFD offset far past the end",
         recipe([](PhotoRecipe& s) { s.exifIfdOffset = 0xFFFFFF00; }), Then::Kept},
        {"Exif IFD looping to IFD0", recipe([](PhotoRecipe& s) { s.exifIfdOffset = 8; }),
         Then::Kept},
        {"IFD0 linking to itself", recipe([](PhotoRecipe& s) {
             s.thumbnail = true;
             s.nextIfdOffset = 8;
         }),
         Then::Renamed, kName},
        {"date offset far past the end", recipe([](PhotoRecipe& s) { s.dtoOffset = 0xFFFFFFF0; }),
         Then::Kept},
        {"cut inside the Exif segment", whole.substr(0, (exif.begin + exif.end) / 2), Then::Kept},
        {"cut in the image data", whole.substr(0, exif.end + 20), Then::Renamed, kName},
        {"PNG named .jpg", std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16), Then::Kept},
        {"empty file", "", Then::Kept},
    };
    const std::string nextName = "0岁10月6天(14点05分34秒).jpg";
    const auto sorted = [](Names names) {
        std::sort(names.begin(), names.end());
        return names;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TempFolder folder;
        folder.write("A.jpg", c.bytes);
        folder.write("B.jpg", photo("2007:03:15 14:05:34"));
        const auto before = folder.unnamedContents();

        const fixture::RunReport o = runListed(folder, kBirthday);
        switch (c.then) {
        case Then::Renamed:
            EXPECT_EQ(o.end, RunEnd::Completed);
            EXPECT_EQ(folder.listing(), sorted({c.newName, nextName}));
            break;
        case Then::Kept:
            EXPECT_EQ(o.end, RunEnd::Completed);
            EXPECT_EQ(folder.listing(), (Names{nextName, "A.jpg"}));
            break;
        case Then::RunEnds:
            EXPECT_EQ(o.end, RunEnd::BadBirthday);
            EXPECT_EQ(o.messages, std::vector{naming::Message::BadBirthday});
            EXPECT_EQ(folder.listing(), (Names{"A.jpg", "B.jpg"}));
            break;
        }
        EXPECT_EQ(folder.unnamedContents(), before);
    }
}

TEST(AwkwardFolder, EachFolderHasAClearOutcomeAndNothingIsLost) {
    const std::string second = "0岁10月6天(14点05分34秒).jpg";
    const struct {
        const char* name;
        std::function<void(const TempFolder&)> fill;
        Names after;
    } cases[] = {
        {"0_0.jpg left by an interrupted run",
         [](const TempFolder& f) {
             f.write("0_0.jpg", photo(kTime));
             f.write("IMG_1.jpg", photo("2007:03:15 14:05:34"));
         },
         {kName, second}},
        {"0_0.jpg that is no photo: the photos go past it",
         [](const TempFolder& f) {
             f.write("0_0.jpg", "notes");
             f.write("IMG_1.jpg", photo(kTime));
             f.write("IMG_2.jpg", photo("2007:03:15 14:05:34"));
         },
         {"0_0.jpg", kName, second}},
        {"a folder named x.jpg is not listed",
         [](const TempFolder& f) {
             std::filesystem::create_directory(f.path() / "x.jpg");
             f.write("x.jpg/inside.jpg", photo(kTime));
             f.write("IMG_1.jpg", photo("2007:03:15 14:05:34"));
         },
         {second, "x.jpg"}},
        {"a folder holds the photo's name",
         [](const TempFolder& f) {
             std::filesystem::create_directory(f.at(kName));
             f.write("IMG_1.jpg", photo(kTime));
         },
         {kName, "IMG_1.jpg"}},
    // Links, pipes, names of bytes that are no UTF-8, and names differing only in case
    // are Linux's: Windows' names are UTF-16 and one in any case, its pipes lie outside
    // folders, and a link there takes a privilege to make.
#ifndef _WIN32
        {"a dangling link holds the photo's name",
         [](const TempFolder& f) {
             std::filesystem::create_symlink("nowhere", f.path() / kName);
             f.write("IMG_1.jpg", photo(kTime));
         },
         {kName, "IMG_1.jpg"}},
        {"a pipe holds the photo's name",
         [](const TempFolder& f) {
             ASSERT_EQ(::mkfifo((f.path() / kName).c_str(), 0600), 0);
             f.write("IMG_1.jpg", photo(kTime));
         },
         {kName, "IMG_1.jpg"}},
#endif
        {"a hidden file is neither listed nor a photo's name",
         [](const TempFolder& f) {
             f.write("." + kName, photo(kTime));
             f.write(".IMG_1.jpg", photo(kTime));
             f.write("IMG_1.jpg", photo(kTime));
         },
         {"." + kName, ".IMG_1.jpg", kName}},
        {"a file that is no photo holds the photo's name",
         [](const TempFolder& f) {
             f.write(kName, "notes");
             f.write("IMG_1.jpg", photo(kTime));
         },
         {kName, "0岁10月6天(14点05分33秒)b.jpg"}},
#ifndef _WIN32
        {"names that are not UTF-8",
         [](const TempFolder& f) {
             f.write("IMG_\xFF\xFE.jpg", photo(kTime));
             f.write("\xC3\x28.jpg", photo(std::nullopt));
         },
         {kName, "\xC3\x28.jpg"}},
        {"names differing only in case, treated in byte order",
         [](const TempFolder& f) {
             f.write("img_1.jpg", photo(kTime) + "1");
             f.write("IMG_1.jpg", photo(kTime) + "2");
             f.write("IMG_1.JPG", photo(kTime) + "3");
         },
         {kName, "0岁10月6天(14点05分33秒)b.jpg", "0岁10月6天(14点05分33秒)c.jpg"}},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TempFolder folder;
        c.fill(folder);
        const auto before = folder.unnamedContents();

        EXPECT_EQ(runListed(folder, kBirthday).end, RunEnd::Completed);
        EXPECT_EQ(folder.listing(), c.after);
        EXPECT_EQ(folder.unnamedContents(), before);
    }
}
