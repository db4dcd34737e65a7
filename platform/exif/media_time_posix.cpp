#include "platform/exif/media_time.h"

#include <ctime>
#include <time.h>

namespace platform {

std::optional<detail::ClockTime> detail::localClockTime(std::int64_t unixSeconds) {
    const auto time = static_cast<std::time_t>(unixSeconds);
    if (time != unixSeconds) {
        return std::nullopt; // a 32-bit time_t
    }
    // localtime_r need not look at TZ again: a zone changed while the program runs
    // applies from the next video on.
    ::tzset();
    std::tm local{};
    if (::localtime_r(&time, &local) == nullptr) {
        return std::nullopt;
    }
    return ClockTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                     local.tm_hour,        local.tm_min,     local.tm_sec};
}

} // namespace platform
