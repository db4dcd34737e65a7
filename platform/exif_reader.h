#pragma once

// Reads a JPEG photo's Exif DateTimeOriginal (tag 0x9003) with libexif. Only the head
// of the file is read: the segments up to and including the Exif APP1 segment, never
// the image data.

#include "naming/batch.h"

#include <optional>
#include <string>

namespace platform {

// The DateTimeOriginal text of the JPEG file at `path` (up to its first NUL), or an
// empty text when the file cannot be opened, is not a JPEG, or has no such tag.
// No value only when the Exif library itself cannot be used (out of memory).
std::optional<std::string> readDateTimeOriginal(const std::string& path);

// The shooting-time source of a run: file names are taken relative to the process's
// current folder, which is the working folder.
class ExifShootingTimeSource : public naming::ShootingTimeSource {
public:
    std::optional<std::string> shootingTime(const std::string& fileName) override {
        return readDateTimeOriginal(fileName);
    }
};

} // namespace platform
