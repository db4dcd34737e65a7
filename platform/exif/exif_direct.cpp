// libexif walks the whole structure (every entry of every IFD, each looked up in its tag
// table, the thumbnail copied) for the one value wanted: three quarters of the
// instructions of a whole rename run. Most photos are laid out the common way, where the
// value can be read directly and libexif would find the very same bytes, so it is read
// directly there.
//
// Below, offsets count from the TIFF header and the checks mirror libexif's loading,
// which visits IFD0's entries in order, loads the Exif IFD where it meets the
// ExifIFDPointer, visits that IFD's entries in order, and keeps the first
// DateTimeOriginal entry whose value lies within the data (a later duplicate is never
// added, and IFD1, loaded after IFD0, cannot replace it). Whatever strays from that path
// goes to libexif: another sub-IFD or thumbnail pointer met before the value is found
// (each could load an Exif IFD of its own first, or end the IFD's loading), a table or
// value that does not lie wholly within the data, a count libexif would cut or that
// overflows, an unknown format.

#include "platform/exif/exif_detail.h"

#include <cstdint>
#include <cstring>

namespace platform {
namespace {

class Tiff {
public:
    Tiff(const unsigned char* bytes, std::size_t size, bool intel)
        : bytes_(bytes), size_(size), intel_(intel) {}

    std::size_t size() const { return size_; }
    const unsigned char* at(std::uint64_t offset) const { return bytes_ + offset; }

    // Callers check that [offset, offset + 2 or 4) lies within the data.
    std::uint32_t u16(std::uint64_t offset) const {
        const unsigned char* p = bytes_ + offset;
        return intel_ ? std::uint32_t(p[0] | p[1] << 8) : std::uint32_t(p[0] << 8 | p[1]);
    }
    std::uint32_t u32(std::uint64_t offset) const {
        const unsigned char* p = bytes_ + offset;
        return intel_ ? std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                            std::uint32_t(p[3]) << 24
                      : std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 |
                            std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]);
    }

    // The number of entries of the IFD at `offset` when its whole table lies within the data.
    std::optional<std::uint32_t> entries(std::uint64_t offset) const {
        if (offset + 2 > size_) {
            return std::nullopt;
        }
        const std::uint32_t count = u16(offset);
        if (offset + 2 + 12 * std::uint64_t{count} > size_) {
            return std::nullopt;
        }
        return count;
    }

private:
    const unsigned char* bytes_;
    std::size_t size_;
    bool intel_;
};

constexpr std::uint32_t kExifIfdPointer = 0x8769;
constexpr std::uint32_t kDateTimeOriginal = 0x9003;

// The tags libexif follows or treats as the thumbnail while loading an IFD.
bool isPointer(std::uint32_t tag) {
    return tag == kExifIfdPointer || tag == 0x8825 /* GPS */ || tag == 0xA005 /* Interop */ ||
           tag == 0x0201 /* JPEGInterchangeFormat */ || tag == 0x0202 /* its length */;
}

// Bytes per component of a TIFF format, 0 for one libexif does not know.
std::uint64_t formatSize(std::uint32_t format) {
    switch (format) {
    case 1:
    case 2:
    case 6:
    case 7:
        return 1; // BYTE ASCII SBYTE UNDEFINED
    case 3:
    case 8:
        return 2; // SHORT SSHORT
    case 4:
    case 9:
    case 11:
        return 4; // LONG SLONG FLOAT
    case 5:
    case 10:
    case 12:
        return 8; // RATIONAL SRATIONAL DOUBLE
    default:
        return 0;
    }
}

// The offset of the first entry with `tag` in the IFD at `offset`, when no pointer tag
// (other than `tag` itself) comes before it; no value otherwise.
std::optional<std::uint64_t> plainEntry(const Tiff& tiff, std::uint64_t offset, std::uint32_t tag) {
    const std::optional<std::uint32_t> count = tiff.entries(offset);
    if (!count) {
        return std::nullopt;
    }
    for (std::uint32_t i = 0; i < *count; ++i) {
        const std::uint64_t entry = offset + 2 + 12 * std::uint64_t{i};
        const std::uint32_t found = tiff.u16(entry);
        if (found == tag) {
            return entry;
        }
        if (isPointer(found)) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> detail::dateTimeOriginalDirect(const unsigned char* segment,
                                                          std::size_t size) {
    // libexif caps the data at 0xfffe bytes; a segment never holds more.
    if (size < 14 || size > 0xfffe || std::memcmp(segment, kExifHeader, sizeof kExifHeader) != 0 ||
        !libexifKeepsDateTimeOriginal()) {
        return std::nullopt;
    }
    const unsigned char* header = segment + sizeof kExifHeader;
    bool intel = false;
    if (header[0] == 'I' && header[1] == 'I') {
        intel = true;
    } else if (!(header[0] == 'M' && header[1] == 'M')) {
        return std::nullopt;
    }
    const Tiff tiff(header, size - sizeof kExifHeader, intel);
    if (tiff.u16(2) != 0x002A) {
        return std::nullopt;
    }

    const std::optional<std::uint64_t> pointer = plainEntry(tiff, tiff.u32(4), kExifIfdPointer);
    if (!pointer) {
        return std::nullopt;
    }
    const std::uint64_t exifIfd = tiff.u32(*pointer + 8);
    if (exifIfd >= tiff.size()) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> entry = plainEntry(tiff, exifIfd, kDateTimeOriginal);
    if (!entry) {
        return std::nullopt;
    }

    const std::uint64_t components = tiff.u32(*entry + 4);
    const std::uint64_t bytes = formatSize(tiff.u16(*entry + 2)) * components;
    if (bytes == 0 || bytes > tiff.size()) {
        return std::nullopt;
    }
    const std::uint64_t value = bytes > 4 ? tiff.u32(*entry + 8) : *entry + 8;
    if (value >= tiff.size() || bytes > tiff.size() - value) {
        return std::nullopt;
    }
    return textUpToNul(tiff.at(value), static_cast<std::size_t>(bytes));
}

} // namespace platform
