// readMediaShootingTime on generated videos and HEIF photos: Apple's creation date, the
// movie header's UTC time in a zone with summer time, media data of gigabytes that must
// not be read, damaged sizes, and every cut of every file.

#include "platform/exif/media_time.h"
#include "tests/support/media_fixture.h"
#include "tests/support/temp_folder.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace fixture;
using namespace std::chrono;

const std::string kShot = "2019:06:15 14:05:33";

std::uint64_t since1904(sys_seconds utc) {
    return static_cast<std::uint64_t>((utc - sys_days{1904y / January / 1}).count());
}

std::string resized(std::string box, std::uint64_t size) {
    return bigEndian(size, 4) + box.substr(4);
}

// A file of `head`, then `hole` zero bytes that are never stored, then `tail`.
struct MediaCase {
    const char* name;
    std::string head;
    std::string expected;
    bool localClock = false; // the movie header's time, shown in TZ below
    std::uint64_t hole = 0;
    std::string tail = {};
};

std::vector<MediaCase> cases() {
    const std::uint64_t summer = since1904(sys_days{2019y / June / 15} + 12h + 5min + 33s);
    const std::uint64_t winter = since1904(sys_days{2019y / January / 15} + 13h + 5min + 33s);
    const std::string moov = box("moov", movieHeader(summer));
    const std::string ftyp = box("ftyp", "qt  ");
    const std::uint64_t big = 5ull << 30;
    return {
        {"apple date over header",
         video(appleCreationDate("2019-06-15T14:05:33-0700") + movieHeader(winter)), kShot},
        {"header v0", video(movieHeader(summer)), kShot, true},
        {"header v1", video(movieHeader(summer, 1)), kShot, true},
        {"winter header", video(movieHeader(winter)), "2019:01:15 14:05:33", true},
        {"header of 1904", video(movieHeader(0)), ""},
        {"header of 1970", video(movieHeader(since1904(sys_days{1970y / 1 / 1}))), ""},
        {"mdat of 100 MB", ftyp + bigEndian(8 + 100'000'000, 4) + "mdat", kShot, true, 100'000'000,
         moov},
        {"mdat of 5 GB, 64-bit size", ftyp + bigEndian(1, 4) + "mdat" + bigEndian(16 + big, 8),
         kShot, true, big, moov},
        {"box under its header size", video(resized(movieHeader(summer), 4)), ""},
        {"box past its parent", video(resized(movieHeader(summer), 200)), ""},
        {"64-bit size under 16", ftyp + bigEndian(1, 4) + "mdat" + bigEndian(8, 8) + moov, ""},
        {"mdat past the end", ftyp + bigEndian(1000, 4) + "mdat" + moov, ""},
        {"heif with exif", heifPhoto("Exif", exifItem(kShot)), kShot},
        {"heif without exif", heifPhoto("hvc1", exifItem(kShot)), ""},
        {"jpeg", photo(kShot), ""},
        {"empty", "", ""},
    };
}

// Reads `length` bytes of the case's file, counting what it hands out.
std::string readCase(const MediaCase& file, std::uint64_t length, std::uint64_t* handedOut) {
    const platform::ReadAt read = [&](std::uint64_t offset, unsigned char* into, std::size_t size) {
        const std::uint64_t tail = file.head.size() + file.hole;
        std::size_t done = 0;
        for (; done < size && offset + done < length; ++done) {
            const std::uint64_t at = offset + done;
            into[done] = at < file.head.size() ? file.head[at]
                         : at < tail           ? 0
                                               : file.tail[at - tail];
        }
        *handedOut += done;
        return done;
    };
    return platform::readMediaShootingTime(read).value_or("<no value>");
}

TEST(MediaTime, ReadsShootingTimeOfVideosAndHeifPhotos) {
#ifndef _WIN32
    // Central Europe's rules, without the time zone database.
    const char* zone = std::getenv("TZ");
    const std::string saved = zone ? zone : "";
    ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
#endif
    for (const MediaCase& file : cases()) {
        std::uint64_t handedOut = 0;
        const std::uint64_t size = file.head.size() + file.hole + file.tail.size();
#ifdef _WIN32
        if (file.localClock) { // the machine's own zone there: whole hours from UTC, as in CI
            const std::string text = readCase(file, size, &handedOut);
            EXPECT_EQ(text.size(), file.expected.size()) << file.name;
            EXPECT_TRUE(text.ends_with(file.expected.substr(13))) << file.name << ' ' << text;
            continue;
        }
#endif
        EXPECT_EQ(readCase(file, size, &handedOut), file.expected) << file.name;
        EXPECT_LT(handedOut, 64u * 1024) << file.name;
        if (file.hole == 0) { // every cut, as a copy broken off leaves it
            for (std::uint64_t cut = 0; cut < size; ++cut) {
                const std::string text = readCase(file, cut, &handedOut);
                EXPECT_TRUE(text.empty() || text == file.expected) << file.name << " cut " << cut;
            }
        }
    }
    const TempFolder folder;
    EXPECT_EQ(platform::readMediaShootingTime(folder.write("v.mov", cases()[0].head).string()),
              kShot);
    EXPECT_EQ(platform::readMediaShootingTime(folder.at("missing.mov").string()), "");
#ifndef _WIN32
    if (zone) {
        ::setenv("TZ", saved.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
#endif
}

} // namespace
