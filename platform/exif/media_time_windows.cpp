#include "platform/exif/media_time.h"

#include <windows.h>

namespace platform {

// The zone's rules for the date's year, not its offset of today: a summer video seen in
// winter keeps its summer clock. (SystemTimeToTzSpecificLocalTimeEx would do the same
// in one call, but wine has none and ends the program where it is called.)
std::optional<detail::ClockTime> detail::localClockTime(std::int64_t unixSeconds) {
    // FILETIME counts 100 ns from 1601-01-01 UTC; the reader asks for no time past 9999.
    constexpr std::int64_t k1601To1970 = 11644473600;
    if (unixSeconds < -k1601To1970 || unixSeconds > 253402300799) {
        return std::nullopt;
    }
    const auto ticks = static_cast<std::uint64_t>(unixSeconds + k1601To1970) * 10000000u;
    const FILETIME file{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    TIME_ZONE_INFORMATION zone{};
    if (!FileTimeToSystemTime(&file, &utc)) {
        return std::nullopt;
    }
    if (!GetTimeZoneInformationForYear(utc.wYear, nullptr, &zone) &&
        GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) {
        return std::nullopt;
    }
    if (!SystemTimeToTzSpecificLocalTime(&zone, &utc, &local)) {
        return std::nullopt;
    }
    return ClockTime{local.wYear, local.wMonth,  local.wDay,
                     local.wHour, local.wMinute, local.wSecond};
}

} // namespace platform
