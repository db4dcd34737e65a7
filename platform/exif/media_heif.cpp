#include "platform/exif/exif_detail.h"
#include "platform/exif/media_boxes.h"

#include <iterator>

namespace platform::boxes {
namespace {

// libexif reads no further into an Exif payload than a JPEG segment could hold.
constexpr std::size_t kMaxExifPayload = 0xfffe;

// The id of the first item of type "Exif" in an iinf box: version, flags, a count of 16
// bits (version 0) or 32, then infe boxes. Only infe versions 2 and 3 name a type.
std::optional<std::uint32_t> exifItemId(const Piece& meta, const Box& info) {
    const unsigned char* version = payloadStart(meta, info, 4);
    if (version == nullptr) {
        return std::nullopt;
    }
    std::optional<std::uint32_t> id;
    forEachBox(meta, info.payload + (version[0] == 0 ? 6 : 8), info.end, [&](const Box& entry) {
        // Version and flags, the id (16 bits in version 2, 32 in 3), protection index, type.
        const unsigned char* start = payloadStart(meta, entry, 4);
        const std::uint64_t idSize = start && start[0] == 2 ? 2 : start && start[0] == 3 ? 4 : 0;
        const unsigned char* item = idSize ? payloadStart(meta, entry, 4 + idSize + 6) : nullptr;
        if (entry.type == fourCc("infe") && item &&
            bigEndian(item + 4 + idSize + 2, 4) == fourCc("Exif")) {
            id = static_cast<std::uint32_t>(bigEndian(item + 4, static_cast<std::size_t>(idSize)));
        }
        return id.has_value();
    });
    return id;
}

struct Extent {
    std::uint64_t offset;
    std::uint64_t length; // 0: to the end of the file
};

// Where item `id` lies in the file, by an iloc box of version 0, 1 or 2. No value for an
// item kept any other way (inside the meta box, in another file) or a damaged box.
std::optional<std::vector<Extent>> itemExtents(const Piece& meta, const Box& locations,
                                               std::uint32_t id) {
    constexpr std::uint64_t kMaxExtents = 64;
    Fields field(meta, locations);
    const std::uint64_t version = field.next(1);
    field.next(3);
    // Sizes in bytes of the offsets, lengths, base offsets and (versions 1, 2) indexes.
    const std::uint64_t sizes = field.next(2);
    const std::uint64_t offsetSize = sizes >> 12;
    const std::uint64_t lengthSize = sizes >> 8 & 15;
    const std::uint64_t baseSize = sizes >> 4 & 15;
    const std::uint64_t indexSize = version == 0 ? 0 : sizes & 15;
    for (const std::uint64_t size : {offsetSize, lengthSize, baseSize, indexSize}) {
        if (size != 0 && size != 4 && size != 8) {
            return std::nullopt;
        }
    }
    if (version > 2) {
        return std::nullopt;
    }
    const std::uint64_t idSize = version == 2 ? 4 : 2;
    const std::uint64_t count = field.next(idSize);
    for (std::uint64_t i = 0; i < count && field.ok(); ++i) {
        const std::uint64_t item = field.next(idSize);
        const std::uint64_t method = version == 0 ? 0 : field.next(2) & 15;
        const std::uint64_t dataReference = field.next(2);
        const std::uint64_t base = field.next(baseSize);
        const std::uint64_t extentCount = field.next(2);
        if (item != id) {
            for (std::uint64_t e = 0; e < extentCount && field.ok(); ++e) {
                field.next(indexSize);
                field.next(offsetSize);
                field.next(lengthSize);
                if (indexSize + offsetSize + lengthSize == 0) {
                    break; // extents of no bytes at all
                }
            }
            continue;
        }
        if (method != 0 || dataReference != 0 || extentCount == 0 || extentCount > kMaxExtents) {
            return std::nullopt;
        }
        std::vector<Extent> extents;
        for (std::uint64_t e = 0; e < extentCount; ++e) {
            field.next(indexSize);
            const std::uint64_t offset = field.next(offsetSize);
            const std::uint64_t length = field.next(lengthSize);
            if (offset > kFileEnd - base) {
                return std::nullopt;
            }
            extents.push_back({base + offset, length});
        }
        return field.ok() ? std::optional(extents) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace

// The DateTimeOriginal of a HEIF photo's Exif item: after a 32-bit count of the bytes
// that precede the TIFF header (usually "Exif\0\0"), the TIFF header and its IFDs.
std::optional<std::string> heifTime(File& file, const Box& box) {
    const Piece meta = file.payload(box);
    std::optional<Box> info;
    std::optional<Box> locations;
    // The meta box of HEIF starts with version and flags.
    forEachBox(meta, box.payload + 4, box.end, [&](const Box& child) {
        if (child.type == fourCc("iinf")) {
            info = child;
        } else if (child.type == fourCc("iloc")) {
            locations = child;
        }
        return false;
    });
    const std::optional<std::uint32_t> id = info ? exifItemId(meta, *info) : std::nullopt;
    const std::optional<std::vector<Extent>> extents =
        id && locations ? itemExtents(meta, *locations, *id) : std::nullopt;
    if (!extents) {
        return std::string();
    }
    std::vector<unsigned char> item;
    for (const Extent& extent : *extents) {
        const std::uint64_t room = kMaxWholeBox - item.size();
        const auto size =
            static_cast<std::size_t>(extent.length == 0 ? room : std::min(extent.length, room));
        const Piece piece = file.piece(extent.offset, size);
        item.insert(item.end(), piece.bytes.begin(), piece.bytes.end());
        if (piece.bytes.size() < size) {
            break; // the file ends inside the item
        }
    }
    if (item.size() < 4 || bigEndian(item.data(), 4) >= item.size() - 4) {
        return std::string();
    }
    const std::size_t tiff = 4 + static_cast<std::size_t>(bigEndian(item.data(), 4));
    std::vector<unsigned char> payload(std::begin(detail::kExifHeader),
                                       std::end(detail::kExifHeader));
    const std::size_t kept = std::min(item.size() - tiff, kMaxExifPayload - payload.size());
    payload.insert(payload.end(), item.begin() + static_cast<std::ptrdiff_t>(tiff),
                   item.begin() + static_cast<std::ptrdiff_t>(tiff + kept));
    return detail::dateTimeOriginal(payload.data(), payload.size());
}

} // namespace platform::boxes
