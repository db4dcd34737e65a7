// tamblinor-make-photos: fills a folder with generated photos IMG_0001.jpg, IMG_0002.jpg,
// ... whose shooting times increase, for demonstrations and benchmarks; with --mixed, a
// phone's folder instead, of JPEG and HEIC photos and MP4 videos. The same arguments
// always give the same files.

#include "tests/support/jpeg_fixture.h"
#include "tests/support/media_fixture.h"

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

namespace {

using namespace std::chrono;

constexpr const char* kUsage =
    "usage: tamblinor-make-photos DIR [--count N] [--start \"YYYY:MM:DD HH:MM:SS\"] "
    "[--step SECONDS] [--same-second-percent P] [--image FILE] [--mixed]";

// A phone video's media data, before its movie box: left as a hole in the file, so a
// video takes a few KiB of the disk however far its movie box lies from its head.
constexpr std::uint64_t kVideoDataSize = 2 << 20;

struct Options {
    std::filesystem::path folder;
    long count = 100;
    sys_seconds start = sys_days{2020y / January / 1} + 8h;
    long step = 60;
    long sameSecondPercent = 0;
    std::optional<std::filesystem::path> image;
    // Of every 10 files, 7 JPEG photos, 2 HEIC photos and a video.
    bool mixed = false;
};

// Thrown for a bad command line or an unreadable image; main prints it.
struct Failure {
    std::string message;
};
struct UsageError {};

std::optional<long> number(std::string_view text) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// "YYYY:MM:DD HH:MM:SS", the Exif form.
std::optional<sys_seconds> exifTime(std::string_view text) {
    if (text.size() != 19 || text[4] != ':' || text[7] != ':' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':') {
        return std::nullopt;
    }
    const auto field = [&](std::size_t at, std::size_t size) {
        return number(text.substr(at, size));
    };
    const auto y = field(0, 4), mo = field(5, 2), d = field(8, 2);
    const auto h = field(11, 2), mi = field(14, 2), s = field(17, 2);
    if (!y || !mo || !d || !h || !mi || !s || *h > 23 || *mi > 59 || *s > 59) {
        return std::nullopt;
    }
    const year_month_day date{year{static_cast<int>(*y)}, month{static_cast<unsigned>(*mo)},
                              day{static_cast<unsigned>(*d)}};
    if (!date.ok()) {
        return std::nullopt;
    }
    return sys_days{date} + hours{*h} + minutes{*mi} + seconds{*s};
}

std::string exifText(sys_seconds time) {
    const sys_days date = floor<days>(time);
    const year_month_day ymd{date};
    const hh_mm_ss clock{time - date};
    char text[32];
    std::snprintf(text, sizeof text, "%04d:%02u:%02u %02d:%02d:%02d", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

Options parse(int argc, char** argv) {
    Options options;
    bool haveFolder = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!arg.starts_with("--")) {
            if (haveFolder) {
                throw UsageError{};
            }
            options.folder = argv[i];
            haveFolder = true;
            continue;
        }
        if (arg == "--mixed") {
            options.mixed = true;
            continue;
        }
        if (i + 1 >= argc) {
            throw Failure{"missing value after " + std::string(arg)};
        }
        const std::string_view value = argv[++i];
        const auto bad = [&] {
            return Failure{"bad value for " + std::string(arg) + ": " + std::string(value)};
        };
        if (arg == "--count" || arg == "--step" || arg == "--same-second-percent") {
            const std::optional<long> n = number(value);
            if (!n || *n < 0 || (arg == "--same-second-percent" && *n > 100)) {
                throw bad();
            }
            long& target = arg == "--count"  ? options.count
                           : arg == "--step" ? options.step
                                             : options.sameSecondPercent;
            target = *n;
        } else if (arg == "--start") {
            const std::optional<sys_seconds> start = exifTime(value);
            if (!start) {
                throw bad();
            }
            options.start = *start;
        } else if (arg == "--image") {
            options.image = std::filesystem::path(value);
        } else {
            throw Failure{"unknown option " + std::string(arg)};
        }
    }
    if (!haveFolder) {
        throw UsageError{};
    }
    return options;
}

// The image of a real JPEG without its metadata: everything from the first marker that
// is neither APPn nor COM (its tables, frame, scans and EOI).
std::string imageData(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in.is_open() || bytes.empty()) {
        throw Failure{"cannot read " + path.string()};
    }
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() < 4 || at(0) != 0xFF || at(1) != 0xD8) {
        throw Failure{"not a jpeg file: " + path.string()};
    }
    std::size_t pos = 2;
    while (pos + 4 <= bytes.size() && at(pos) == 0xFF) {
        const unsigned char code = at(pos + 1);
        if (!((code >= 0xE0 && code <= 0xEF) || code == 0xFE)) {
            return bytes.substr(pos);
        }
        pos += 2 + ((std::size_t{at(pos + 2)} << 8) | at(pos + 3));
    }
    throw Failure{"not a jpeg file: " + path.string()};
}

// A box's size from its header at `at`, as media_fixture.h writes it (32 bits).
std::uint64_t boxSize(const std::string& bytes, std::size_t at) {
    std::uint64_t size = 0;
    for (std::size_t i = at; i < at + 4; ++i) {
        size = size << 8 | static_cast<unsigned char>(bytes[i]);
    }
    return size;
}

// The fixture's video with kVideoDataSize bytes of media data in place of its few, so that
// its movie box, at the end as most phones and ffmpeg leave it, lies far from its head.
void writeVideo(const std::filesystem::path& path, const std::string& time) {
    const std::string small =
        fixture::mediaFile(path.filename().string(), time, path.stem().string());
    const std::size_t data = boxSize(small, 0); // ftyp, then mdat
    const std::string movie = small.substr(data + boxSize(small, data));
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << small.substr(0, data) << fixture::bigEndian(8 + kVideoDataSize, 4) << "mdat";
    }
    std::filesystem::resize_file(path, data + 8 + kVideoDataSize);
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << movie;
    if (!out.flush()) {
        throw Failure{"cannot write " + path.string()};
    }
}

void writeHeif(const std::filesystem::path& path, const std::string& time) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << fixture::mediaFile(path.filename().string(), time, path.stem().string());
    if (!out.flush()) {
        throw Failure{"cannot write " + path.string()};
    }
}

void makePhotos(const Options& options) {
    fixture::PhotoRecipe recipe;
    recipe.thumbnail = true; // as cameras write them
    if (options.image) {
        recipe.imageData = imageData(*options.image);
    }
    std::filesystem::create_directories(options.folder);

    sys_seconds time = options.start;
    long shared = 0; // spreads the photos that share a second evenly over the run
    for (long i = 0; i < options.count; ++i) {
        if (i > 0) {
            shared += options.sameSecondPercent;
            if (shared >= 100) {
                shared -= 100;
            } else {
                time += seconds{options.step};
            }
        }
        if (year_month_day{floor<days>(time)}.year() > year{9999}) {
            throw Failure{"shooting times run past the year 9999"};
        }
        const long slot = options.mixed ? i % 10 : 0; // of ten: 7 JPEG, 2 HEIC, a video
        const char* extension = slot < 7 ? "jpg" : slot < 9 ? "heic" : "mp4";
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%04ld.%s", i + 1, extension);
        if (slot >= 7) {
            (slot == 9 ? writeVideo : writeHeif)(options.folder / name, exifText(time));
            continue;
        }
        recipe.dateTimeOriginal = exifText(time);
        recipe.byteOrder = i % 2 == 0 ? fixture::ByteOrder::Intel : fixture::ByteOrder::Motorola;
        fixture::writePhoto(options.folder / name, recipe);
    }
}

} // namespace

int main(int argc, char** argv) {
    try {
        makePhotos(parse(argc, argv));
        return 0;
    } catch (const UsageError&) {
        std::fprintf(stderr, "%s\n", kUsage);
        return 2;
    } catch (const Failure& failure) {
        std::fprintf(stderr, "tamblinor-make-photos: %s\n", failure.message.c_str());
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tamblinor-make-photos: %s\n", error.what());
        return 1;
    }
}
