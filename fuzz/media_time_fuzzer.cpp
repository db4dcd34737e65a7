// libFuzzer target for the shooting-time reader of videos and HEIF photos: any bytes, read
// as a file through readMediaShootingTime. Beyond the sanitizers it checks that the reader
// answers no value only when libexif is unusable, and gives an empty text or
// "YYYY:MM:DD HH:MM:SS", except for a HEIF photo's Exif text, which is passed on as
// stored, as for a JPEG photo.

#include "platform/exif/media_time.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "media_time_fuzzer: %s\n", what);
    std::abort();
}

bool hasClockShape(const std::string& text) {
    constexpr std::string_view kShape = "0000:00:00 00:00:00";
    if (text.size() != kShape.size()) {
        return false;
    }
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == '0' ? !digit : text[i] != kShape[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const platform::ReadAt read = [&](std::uint64_t offset, unsigned char* into,
                                      std::size_t wanted) {
        if (offset >= size) {
            return std::size_t{0};
        }
        const std::size_t n =
            std::min<std::size_t>(wanted, size - static_cast<std::size_t>(offset));
        std::memcpy(into, data + offset, n);
        return n;
    };
    const std::optional<std::string> text = platform::readMediaShootingTime(read);
    if (!text) {
        fail("no value although libexif is usable");
    }
    if (text->empty() || hasClockShape(*text)) {
        return 0;
    }
    // Only an Exif item, found through the item information and location boxes, gives any
    // other text: no NUL, and no longer than what libexif reads.
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.find("iinf") == std::string_view::npos ||
        input.find("iloc") == std::string_view::npos) {
        fail("a text not of the clock's shape outside an Exif item");
    }
    if (text->find('\0') != std::string::npos || text->size() > 0xfffe) {
        fail("an Exif text with a NUL or longer than its payload");
    }
    return 0;
}
