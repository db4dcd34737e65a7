#pragma once

// Reads a JPEG photo's Exif DateTimeOriginal (tag 0x9003). Only the head of the file is
// read: the segments up to and including the Exif APP1 segment, never the image data.

#include "naming/batch.h"
#include "platform/exif/head_read_ahead.h"

#include <optional>
#include <string>
#include <utility>

namespace platform {

// The path of the file `name` inside `folder`, both UTF-8; an empty folder is the
// process's current folder.
std::string pathInFolder(const std::string& folder, const std::string& name);

// Changes whenever the reader may give another text for a photo than it did: what earlier
// versions read and the record of shooting times kept is then read again.
inline constexpr int kExifReaderVersion = 1;

// The DateTimeOriginal text of the JPEG file at `path` (up to its first NUL), or an
// empty text when the file cannot be opened, is not a JPEG, or has no such tag.
// No value only when the Exif library itself cannot be used (out of memory).
// With `readAhead`, a photo whose head is not in memory starts it first.
std::optional<std::string> readDateTimeOriginal(const std::string& path,
                                                HeadReadAhead* readAhead = nullptr);

// The shooting-time source of a run over the photos of one folder: file names are taken
// inside `folder` (UTF-8; "." is the process's current folder). A HEIF photo or a video,
// told by its name (naming::mediaKind), is read as media_time.h reads it, a JPEG photo as
// above. Nothing in the folder is held open between photos.
class ExifShootingTimeSource : public naming::ShootingTimeSource {
public:
    explicit ExifShootingTimeSource(std::string folder, HeadReadAhead* readAhead = nullptr)
        : folder_(std::move(folder)), readAhead_(readAhead) {}

    std::optional<std::string> shootingTime(const std::string& fileName) override;

private:
    std::string folder_;
    HeadReadAhead* readAhead_;
};

} // namespace platform
