#pragma once

// Reads the shooting time of a phone video (MP4, MOV, M4V, 3GP) or a HEIF photo (HEIC,
// AVIF): both are ISO base media files, a chain of boxes. Only box headers and the few
// small boxes that hold the time are read, never the media data, wherever in the file the
// movie box lies.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace platform {

// Reads up to `size` bytes at `offset` into `into` and returns how many it read: fewer
// only at the end of the file or on an error, which the reader treats alike.
using ReadAt =
    std::function<std::size_t(std::uint64_t offset, unsigned char* into, std::size_t size)>;

// The shooting time in the shape of Exif DateTimeOriginal, "YYYY:MM:DD HH:MM:SS", or an
// empty text where the file has none or is no such file. A video gives the local time
// Apple's com.apple.quicktime.creationdate writes, else its movie header's creation time
// (UTC) in this computer's time zone for that date. A HEIF photo gives its Exif item's
// DateTimeOriginal as stored, as readDateTimeOriginal does for a JPEG photo. No value only
// when the Exif library itself cannot be used (out of memory).
std::optional<std::string> readMediaShootingTime(const ReadAt& read);

// The same for the file at `path` (UTF-8); an empty text when it cannot be opened.
std::optional<std::string> readMediaShootingTime(const std::string& path);

namespace detail {

struct ClockTime {
    int year;
    int month;  // [1, 12]
    int day;    // [1, 31]
    int hour;   // [0, 23]
    int minute; // [0, 59]
    int second; // [0, 60]
};

// The local time on this computer at `unixSeconds` after 1970-01-01 UTC, by the time zone's
// rules for that date (summer time included); no value where the system cannot tell.
// media_time_posix.cpp and media_time_windows.cpp.
std::optional<ClockTime> localClockTime(std::int64_t unixSeconds);

} // namespace detail
} // namespace platform
