#include "naming/photo_identity.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace naming {
namespace {

// The file's part of a photo identity "FILE|SHOT": the file's identity never holds a bar,
// and a shooting time may.
std::string_view filePart(std::string_view identity) {
    return identity.substr(0, identity.find('|'));
}

// "SIZE:MODIFIED" without its links.
std::string_view sizeAndTime(std::string_view file) {
    const std::size_t colon = file.find(':');
    return colon == std::string_view::npos ? file : file.substr(0, file.find(':', colon + 1));
}

} // namespace

std::string photoIdentity(const Folder& folder, const std::string& name, std::string_view shot,
                          bool twin) {
    std::string file = folder.identity(name);
    if (file.empty())
        return {};
    if (const unsigned links = linksIn(file); twin && links > 1) {
        file.resize(sizeAndTime(file).size());
        if (links > 2)
            file.append(":").append(std::to_string(links - 1));
    }
    return file + "|" + std::string(shot);
}

std::string_view shotIn(std::string_view identity) {
    const std::size_t bar = identity.find('|');
    return bar == std::string_view::npos ? std::string_view() : identity.substr(bar + 1);
}

unsigned linksIn(std::string_view identity) {
    const std::string_view file = filePart(identity);
    const std::string_view links = file.substr(std::min(sizeAndTime(file).size() + 1, file.size()));
    unsigned value = 0;
    const auto [end, error] = std::from_chars(links.data(), links.data() + links.size(), value);
    return error == std::errc() && end == links.data() + links.size() && value > 1 ? value : 1;
}

bool fileIdentitiesAgree(std::string_view now, std::string_view recorded, long long ticksPerHour) {
    now = sizeAndTime(now);
    recorded = sizeAndTime(recorded);
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
    if (identity.find('|') == std::string::npos || !folder.hasIdentity(name, filePart(identity)))
        return PhotoMatch::No;
    const std::optional<std::string> shot = times.shootingTime(name);
    if (!shot || shot->empty())
        return PhotoMatch::Unreadable;
    return *shot == shotIn(identity) ? PhotoMatch::Yes : PhotoMatch::No;
}

} // namespace naming
