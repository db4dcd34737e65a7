#pragma once

// How a journal recognises a photo after its run: by its file's identity (see
// Folder::identity) and its shooting time, which together tell apart photos that share a
// size and a modification time, as copies of a burst often do.

#include "naming/batch.h"

#include <string>
#include <string_view>

namespace naming {

// The identity of the photo under `name`, whose shooting time is `shot`.
std::string photoIdentity(const Folder& folder, const std::string& name, std::string_view shot);

// True when the photo under `name` is the one `identity` was taken of. Reads the photo's
// shooting time only where its file's identity agrees.
bool isPhoto(const Folder& folder, ShootingTimeSource& times, const std::string& name,
             const std::string& identity);

} // namespace naming
