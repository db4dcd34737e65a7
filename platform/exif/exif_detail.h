#pragma once

// The Exif reader's inner steps, apart so that the tests and the fuzzer can reach them:
// the two ways to the DateTimeOriginal (tag 0x9003) value in an Exif APP1 segment's
// payload, and what they share.

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>

namespace platform::detail {

// The start of an Exif APP1 segment's payload.
inline constexpr unsigned char kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};

// From the payload's "Exif\0\0" header on. Directly: only for the common layout, no value
// for any other (exif_direct.cpp). Through libexif: for any layout; no value only when
// libexif is unusable (out of memory); an empty text when the segment holds no such tag.
// Where the direct read answers, the two agree.
std::optional<std::string> dateTimeOriginalDirect(const unsigned char* segment, std::size_t size);
std::optional<std::string> dateTimeOriginalByLibexif(const unsigned char* segment,
                                                     std::size_t size);

// The DateTimeOriginal text of a payload: directly where the layout allows, else through
// libexif. No value only when libexif is unusable. JPEG and HEIF photos both come here.
inline std::optional<std::string> dateTimeOriginal(const unsigned char* segment, std::size_t size) {
    if (std::optional<std::string> direct = dateTimeOriginalDirect(segment, size)) {
        return direct;
    }
    return dateTimeOriginalByLibexif(segment, size);
}

// libexif's own verdict on DateTimeOriginal in the Exif IFD: a tag it did not know there
// would be dropped while loading, so the direct read must not find it either.
bool libexifKeepsDateTimeOriginal();

// A stored text value up to its first NUL, or whole when it has none.
inline std::string textUpToNul(const unsigned char* bytes, std::size_t size) {
    const auto* text = reinterpret_cast<const char*>(bytes);
    const void* nul = std::memchr(text, 0, size);
    return std::string(text,
                       nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text) : size);
}

} // namespace platform::detail
