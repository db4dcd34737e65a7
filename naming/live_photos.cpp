#include "naming/live_photos.h"

#include "naming/calendar.h"
#include "naming/media_kinds.h"

#include <optional>
#include <string_view>
#include <unordered_map>

namespace naming {
namespace {

constexpr long long kMostSecondsApart = 3;

// Seconds since 1970 of a shooting time whose date names a day and whose clock is digits;
// none otherwise.
std::optional<long long> secondsOf(std::string_view shot) {
    if (shot.size() < 19)
        return std::nullopt;
    std::string date(shot.substr(0, 10));
    date[4] = date[7] = '-';
    const std::optional<Date> day = parseDate(date);
    long long clock = 0;
    for (const std::size_t at : {11, 14, 17}) {
        const char high = shot[at], low = shot[at + 1];
        if (high < '0' || high > '9' || low < '0' || low > '9')
            return std::nullopt;
        clock = clock * 60 + (high - '0') * 10 + (low - '0');
    }
    if (!day)
        return std::nullopt;
    return day->serial().time_since_epoch().count() * 86400LL + clock;
}

bool shotTogether(std::string_view a, std::string_view b) {
    const std::optional<long long> x = secondsOf(a), y = secondsOf(b);
    return x && y && (*x > *y ? *x - *y : *y - *x) <= kMostSecondsApart;
}

bool isVideo(const PairingFile& file) {
    return mediaKind(file.name) == MediaKind::Video;
}

} // namespace

std::vector<std::size_t> livePhotoStills(const std::vector<PairingFile>& files) {
    std::vector<std::size_t> still(files.size(), kNoStill);
    std::unordered_map<std::string_view, std::size_t> stills;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!files[i].shot.empty() && !isVideo(files[i]))
            stills.emplace(stemOf(files[i].name), i);
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i].shot.empty() || !isVideo(files[i]))
            continue;
        if (const auto found = stills.find(stemOf(files[i].name));
            found != stills.end() && shotTogether(files[found->second].shot, files[i].shot))
            still[i] = found->second;
    }
    return still;
}

} // namespace naming
