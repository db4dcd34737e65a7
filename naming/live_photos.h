#pragma once

// iPhone Live Photos: a still (HEIC or JPEG) and a short video under one camera name,
// IMG_0412.HEIC and IMG_0412.MOV, which a run keeps under one new name.

#include <cstddef>
#include <string>
#include <vector>

namespace naming {

// A file a run names, as the pairing sees it: its name now and its shooting time.
struct PairingFile {
    const std::string& name;
    const std::string& shot; // empty where the file gets no name of its own
};

inline constexpr std::size_t kNoStill = std::size_t(-1);

// For each file, the index of the still whose Live Photo video it is, else kNoStill: it is
// a video, the still's name differs from its own only by extension, and the two were shot
// at most 3 seconds apart (two files of one camera name shot further apart are two shots
// whose counters met: a camera starts again after 9999, and folders get merged). Both must
// have a time; the first such still in list order.
std::vector<std::size_t> livePhotoStills(const std::vector<PairingFile>& files);

} // namespace naming
