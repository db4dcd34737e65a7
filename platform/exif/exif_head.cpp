#include "platform/exif/exif_head.h"

#include "platform/exif/exif_detail.h"

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

constexpr unsigned char kMarkerPrefix = 0xFF;
constexpr unsigned char kSoi = 0xD8;
constexpr unsigned char kEoi = 0xD9;
constexpr unsigned char kSos = 0xDA;
constexpr unsigned char kApp1 = 0xE1;

} // namespace

bool ExifHead::readStartFromMemory() {
    const std::optional<std::size_t> read = file_.readFromMemory(0, buffer_, kHeadReadSize);
    start_ = 0;
    length_ = read.value_or(0);
    return read.has_value();
}

std::optional<std::span<const unsigned char>> ExifHead::exifSegment() {
    const std::optional<Segment> segment = findExifSegment();
    if (!segment) {
        return std::nullopt;
    }
    if (const unsigned char* whole = held(segment->offset, segment->size)) {
        return std::span(whole, segment->size);
    }

    // The segment runs past the last read (a thumbnail or a maker note makes it tens of
    // KiB): keep what was read and read only the rest.
    longSegment_ = std::make_unique_for_overwrite<unsigned char[]>(segment->size);
    const std::size_t kept = std::min(heldFrom(segment->offset), segment->size);
    if (kept > 0) {
        std::memcpy(longSegment_.get(), held(segment->offset, kept), kept);
    }
    const std::size_t rest = segment->size - kept;
    if (file_.read(segment->offset + kept, longSegment_.get() + kept, rest) != rest) {
        return std::nullopt;
    }
    return std::span<const unsigned char>(longSegment_.get(), segment->size);
}

std::optional<ExifHead::Segment> ExifHead::findExifSegment() {
    const unsigned char* soi = bytes(0, 2);
    if (soi == nullptr || soi[0] != kMarkerPrefix || soi[1] != kSoi) {
        return std::nullopt;
    }
    std::uint64_t at = 2;
    for (;;) {
        const unsigned char* byte = bytes(at, 1);
        if (byte == nullptr || *byte != kMarkerPrefix) {
            return std::nullopt;
        }
        // Any number of 0xFF fill bytes may precede a marker's code.
        do {
            ++at;
            byte = bytes(at, 1);
            if (byte == nullptr) {
                return std::nullopt;
            }
        } while (*byte == kMarkerPrefix);
        const unsigned char code = *byte;
        ++at;

        if (code == kSos || code == kEoi || code == kSoi || code == 0x00) {
            return std::nullopt; // the image data begins, or this is not a marker at all
        }
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {
            continue; // TEM and RSTn stand alone, without a length
        }
        const unsigned char* lengthField = bytes(at, 2);
        if (lengthField == nullptr) {
            return std::nullopt;
        }
        const std::size_t length = (std::size_t{lengthField[0]} << 8) | lengthField[1];
        if (length < 2) {
            return std::nullopt;
        }
        if (code == kApp1 && length >= 2 + sizeof detail::kExifHeader) {
            const unsigned char* header = bytes(at + 2, sizeof detail::kExifHeader);
            if (header != nullptr &&
                std::memcmp(header, detail::kExifHeader, sizeof detail::kExifHeader) == 0) {
                return Segment{at + 2, length - 2};
            }
        }
        at += length;
    }
}

const unsigned char* ExifHead::bytes(std::uint64_t offset, std::size_t size) {
    if (const unsigned char* found = held(offset, size)) {
        return found;
    }
    start_ = offset;
    length_ = file_.read(offset, buffer_, kHeadReadSize);
    return held(offset, size);
}

const unsigned char* ExifHead::held(std::uint64_t offset, std::size_t size) const {
    if (offset < start_ || offset - start_ > length_ || size > length_ - (offset - start_)) {
        return nullptr;
    }
    return buffer_ + (offset - start_);
}

std::size_t ExifHead::heldFrom(std::uint64_t offset) const {
    if (offset < start_ || offset - start_ >= length_) {
        return 0;
    }
    return length_ - static_cast<std::size_t>(offset - start_);
}

} // namespace platform
