#pragma once

// Finds a JPEG photo's Exif APP1 segment in the head of the file: the marker segments
// from SOI up to the first scan, never the image data. A camera's photo takes one read of
// kHeadReadSize bytes; a segment that runs past the read it starts in takes one more read
// of the rest.

#include "platform/exif/photo_file.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace platform {

// Camera files keep their Exif segment right after SOI, and its start (where the walk
// decides) fits easily in one page.
constexpr std::size_t kHeadReadSize = 4096;

class ExifHead {
public:
    explicit ExifHead(const PhotoFile& file) : file_(file) {}
    ExifHead(const ExifHead&) = delete;
    ExifHead& operator=(const ExifHead&) = delete;

    // Makes the first read, at the start of the file, from memory only; false, holding
    // nothing, where that would need the disk (the walk then reads from the disk).
    bool readStartFromMemory();

    // The payload of the first Exif APP1 segment, from its "Exif\0\0" header to the end
    // of the segment, held here until the next call. No value when the walk meets
    // anything that is not a well-formed marker before it (no Exif, or not a JPEG), or
    // when the file ends inside it.
    std::optional<std::span<const unsigned char>> exifSegment();

private:
    struct Segment {
        std::uint64_t offset;
        std::size_t size; // < 65535: the length field counts itself
    };
    std::optional<Segment> findExifSegment();

    // File bytes [offset, offset + size) with size <= kHeadReadSize, from the last read
    // or, where it does not hold them, a new read at `offset`; nullptr when the file ends
    // first.
    const unsigned char* bytes(std::uint64_t offset, std::size_t size);
    // The same from the last read only.
    const unsigned char* held(std::uint64_t offset, std::size_t size) const;
    // How many bytes from `offset` on the last read holds (0 when none).
    std::size_t heldFrom(std::uint64_t offset) const;

    const PhotoFile& file_;
    unsigned char buffer_[kHeadReadSize];
    std::uint64_t start_ = 0; // [start_, start_ + length_) of the file is in buffer_
    std::size_t length_ = 0;
    std::unique_ptr<unsigned char[]> longSegment_; // one that runs past the last read
};

} // namespace platform
