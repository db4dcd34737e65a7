#include "naming/photo_identity.h"

#include <charconv>
#include <optional>

namespace naming {

// "FILE|SHOT": the file's identity never holds a bar, so the last one splits the two.
std::string photoIdentity(const Folder& folder, const std::string& name, std::string_view shot) {
    std::string file = folder.identity(name);
    if (file.empty())
        return {};
    return file + "|" + std::string(shot);
}

bool fileIdentitiesAgree(std::string_view now, std::string_view recorded, long long ticksPerHour) {
    const std::size_t colon = now.find(':');
    if (colon == std::string_view::npos ||
        now.substr(0, colon + 1) != recorded.substr(0, colon + 1))
        return false;
    const auto ticks = [](std::string_view text) -> std::optional<long long> {
        long long value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size())
            return std::nullopt;
        return value;
    };
    const std::optional<long long> a = ticks(now.substr(colon + 1)),
                                   b = ticks(recorded.substr(colon + 1));
    if (!a || !b || (*a < 0) != (*b < 0)) // times before 1970 (or 1601) match only exactly
        return a && b && *a == *b;
    const long long apart = *a > *b ? *a - *b : *b - *a;
    return apart % ticksPerHour == 0 && apart / ticksPerHour <= 14;
}

// A photo renamed by a run had a shooting time; none now, where the file is otherwise the
// same, is a read that failed (a card's error, a reader that cannot be used), not another
// photo.
PhotoMatch isPhoto(const Folder& folder, ShootingTimeSource& times, const std::string& name,
                   const std::string& identity) {
    const std::size_t bar = identity.rfind('|');
    if (bar == std::string::npos ||
        !folder.hasIdentity(name, std::string_view(identity).substr(0, bar)))
        return PhotoMatch::No;
    const std::optional<std::string> shot = times.shootingTime(name);
    if (!shot || shot->empty())
        return PhotoMatch::Unreadable;
    return *shot == identity.substr(bar + 1) ? PhotoMatch::Yes : PhotoMatch::No;
}

} // namespace naming
