#pragma once

// Which mounted volumes the drive list offers on Linux, decided from the text of
// /proc/self/mountinfo so the rules can be checked against recorded mount tables: the
// root, and the volumes a person would pick photos from (SD cards and USB sticks, other
// data partitions, a separate home volume, network shares), never pseudo file systems,
// system trees, snap loop images or container internals.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct Volume {
    std::string mountPoint;
    std::string label; // the file system's label; empty when it has none

    friend bool operator==(const Volume&, const Volume&) = default;
};

// The root first, then the other pickable volumes sorted by mount point, one entry per
// mount point (the last mount on a point is the one visible there). `labelOf` gives the
// label of a device path such as "/dev/sdb1", or an empty text. Malformed lines are
// skipped; the root is listed even when the text does not mention it.
std::vector<Volume> pickableVolumes(std::string_view mountinfo,
                                    const std::function<std::string(const std::string&)>& labelOf);

// The index of the volume holding `path`: the one with the deepest mount point that is
// `path` itself or a folder above it. -1 when there is none.
int volumeHolding(std::string_view path, const std::vector<Volume>& volumes);

// The drives a person can pick on this system now, in the drive list's order: on Linux
// the pickable volumes of the process's mount table, labelled from /dev/disk/by-label;
// on Windows every drive letter, "C:" and so on, labelled with the volume's label.
std::vector<Volume> systemVolumes();

// The drive text (mount point, or drive letter) of the system volume that holds the full
// path `path`; empty when none does. A drive text gives itself. Drive letters are read as
// navigation/drive_letter.h reads them.
std::string driveHolding(const std::string& path);

// A name under /dev/disk/by-label with udev's "\xNN" escapes decoded ("My\x20Stick").
std::string decodeUdevName(std::string_view name);

} // namespace platform
