#include "platform/exif/exif_reader.h"

#include "naming/media_kinds.h"
#include "platform/exif/exif_detail.h"
#include "platform/exif/exif_head.h"
#include "platform/exif/media_time.h"
#include "platform/exif/photo_file.h"

#include <span>

namespace platform {

// Windows takes "/" between a folder and a name as well as "\\".
std::string pathInFolder(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    const bool separated = folder.back() == '/' || folder.back() == '\\';
    return folder + (separated ? "" : "/") + name;
}

std::optional<std::string> readDateTimeOriginal(const std::string& path, HeadReadAhead* readAhead) {
    const PhotoFile file(path);
    if (!file.isOpen()) {
        return std::string();
    }
    ExifHead head(file);
    // Until the read-ahead runs, the head is read from memory only, in the one read the
    // walk needs anyway; where it is not there, the read-ahead starts and the head is
    // then read from the disk.
    if (readAhead != nullptr && !readAhead->started() && !head.readStartFromMemory()) {
        readAhead->start();
    }
    const std::optional<std::span<const unsigned char>> segment = head.exifSegment();
    if (!segment) {
        return std::string();
    }
    return detail::dateTimeOriginal(segment->data(), segment->size());
}

std::optional<std::string> ExifShootingTimeSource::shootingTime(const std::string& fileName) {
    const std::string path = pathInFolder(folder_, fileName);
    if (naming::mediaKind(fileName) != naming::MediaKind::JpegPhoto)
        return readMediaShootingTime(path);
    return readDateTimeOriginal(path, readAhead_);
}

} // namespace platform
