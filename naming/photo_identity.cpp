#include "naming/photo_identity.h"

namespace naming {

// "FILE|SHOT": the file's identity never holds a bar, so the last one splits the two.
std::string photoIdentity(const Folder& folder, const std::string& name, std::string_view shot) {
    std::string file = folder.identity(name);
    if (file.empty())
        return {};
    return file + "|" + std::string(shot);
}

bool isPhoto(const Folder& folder, ShootingTimeSource& times, const std::string& name,
             const std::string& identity) {
    const std::size_t bar = identity.rfind('|');
    if (bar == std::string::npos || folder.identity(name) != identity.substr(0, bar))
        return false;
    const std::optional<std::string> shot = times.shootingTime(name);
    return shot && *shot == identity.substr(bar + 1);
}

} // namespace naming
