#include "platform/drives/volumes.h"

#include "platform/system/hex_digit.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>

namespace platform {
namespace {

// Trees of the running system: nothing mounted there holds a person's photos.
constexpr std::array<std::string_view, 17> kSystemTrees{
    "/bin",  "/boot", "/dev",  "/efi",  "/etc", "/lib", "/lib32", "/lib64", "/opt",
    "/proc", "/run",  "/sbin", "/snap", "/sys", "/tmp", "/usr",   "/var"};

// Desktops mount removable media here, inside the excluded /run.
constexpr std::string_view kRemovableMedia = "/run/media";

constexpr std::array<std::string_view, 6> kNetworkTypes{"nfs",  "nfs4",  "cifs",
                                                        "smb3", "smbfs", "fuse.sshfs"};

bool isAtOrUnder(std::string_view path, std::string_view folder) {
    return path == folder ||
           (path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/');
}

bool isOctal(char c) {
    return c >= '0' && c <= '7';
}

// The kernel writes space, tab, newline and backslash in paths as "\040" and so on.
std::string decodeMountField(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) &&
            isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        if (end > start)
            fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

struct Mount {
    std::string mountPoint;
    std::string type;
    std::string source;
};

// A line reads: id parent major:minor root mount-point options [optional...] - type source
// super-options.
std::optional<Mount> parseLine(std::string_view line) {
    const std::vector<std::string_view> fields = splitFields(line);
    const auto separator = std::find(fields.begin() + std::min<std::size_t>(6, fields.size()),
                                     fields.end(), std::string_view("-"));
    if (fields.size() < 6 || fields.end() - separator < 3)
        return std::nullopt;
    return Mount{decodeMountField(fields[4]), std::string(separator[1]),
                 decodeMountField(separator[2])};
}

bool isPickable(const Mount& mount) {
    const bool systemTree = std::any_of(kSystemTrees.begin(), kSystemTrees.end(), [&](auto tree) {
        return isAtOrUnder(mount.mountPoint, tree);
    });
    if (systemTree && !isAtOrUnder(mount.mountPoint, kRemovableMedia))
        return false;
    if (std::find(kNetworkTypes.begin(), kNetworkTypes.end(), mount.type) != kNetworkTypes.end())
        return true;
    // A real block device; loop devices carry snaps and disk images, never a person's media.
    return mount.source.starts_with("/dev/") && !mount.source.starts_with("/dev/loop") &&
           mount.type != "squashfs";
}

} // namespace

std::vector<Volume> pickableVolumes(std::string_view mountinfo,
                                    const std::function<std::string(const std::string&)>& labelOf) {
    std::map<std::string, std::string> sourceOfMountPoint{{"/", ""}};
    std::size_t start = 0;
    while (start < mountinfo.size()) {
        const std::size_t end = std::min(mountinfo.find('\n', start), mountinfo.size());
        if (const std::optional<Mount> mount = parseLine(mountinfo.substr(start, end - start))) {
            if (mount->mountPoint == "/" || isPickable(*mount))
                sourceOfMountPoint[mount->mountPoint] = mount->source;
        }
        start = end + 1;
    }
    // std::map keeps mount points sorted, and "/" sorts before every other one.
    std::vector<Volume> volumes;
    for (const auto& [mountPoint, source] : sourceOfMountPoint)
        volumes.push_back({mountPoint, source.starts_with("/dev/") ? labelOf(source) : ""});
    return volumes;
}

int volumeHolding(std::string_view path, const std::vector<Volume>& volumes) {
    int best = -1;
    for (int i = 0; i < static_cast<int>(volumes.size()); ++i) {
        const std::string& mountPoint = volumes[i].mountPoint;
        const bool holds =
            mountPoint == "/" ? path.starts_with('/') : isAtOrUnder(path, mountPoint);
        if (holds && (best < 0 || mountPoint.size() > volumes[best].mountPoint.size()))
            best = i;
    }
    return best;
}

std::string decodeUdevName(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name.substr(i, 2) == "\\x" && i + 3 < name.size() && hexValue(name[i + 2]) >= 0 &&
            hexValue(name[i + 3]) >= 0) {
            out += static_cast<char>(hexValue(name[i + 2]) * 16 + hexValue(name[i + 3]));
            i += 3;
        } else {
            out += name[i];
        }
    }
    return out;
}

} // namespace platform
