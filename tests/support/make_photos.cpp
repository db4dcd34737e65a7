// tamblinor-make-photos: fills a folder with generated photos IMG_0001.jpg, IMG_0002.jpg,
// ... whose shooting times increase, for demonstrations and benchmarks. The same
// arguments always give the same files.

#include "tests/support/jpeg_fixture.h"

#include <charconv>
#include <chrono>
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
    "[--step SECONDS] [--same-second-percent P] [--image FILE]";

struct Options {
    std::filesystem::path folder;
    long count = 100;
    sys_seconds start = sys_days{2020y / January / 1} + 8h;
    long step = 60;
    long sameSecondPercent = 0;
    std::optional<std::filesystem::path> image;
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
        recipe.dateTimeOriginal = exifText(time);
        recipe.byteOrder = i % 2 == 0 ? fixture::ByteOrder::Intel : fixture::ByteOrder::Motorola;
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%04ld.jpg", i + 1);
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
