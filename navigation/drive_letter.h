#pragma once

// Drive letters, as Windows writes them at the start of a full path: the one reading of
// them for the drive list, the working folders and the navigation's remembered places.
// Text only, the same on every system; nothing here asks whether the drive is there.

#include <string>
#include <string_view>

namespace navigation {

// The drive letter a full Windows path begins with, as a drive text: "C:" for "C:\x",
// "c:/x" or "C:" itself. Empty for any other text: a relative path, a path on the current
// drive ("\x"), a network path ("\\server\share"), "C:x" (relative to drive C's current
// folder).
std::string driveLetterOf(std::string_view path);

} // namespace navigation
