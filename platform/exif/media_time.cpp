// A box is a 32-bit big-endian size (counting its header), a four-character type and its
// payload; size 1 puts a 64-bit size after the type, size 0 runs the box to the end of its
// parent (the file, at the top level). The walk visits the top level box by box, seeking
// past the media data, and goes only into the boxes that lead to the time:
//   video:  moov > mvhd (creation time), moov > meta > keys + ilst (Apple's creation date)
//   HEIF:   meta > iinf > infe (which item is the Exif), meta > iloc (where that item is)
// Every level has its own code, so nesting is as deep as that and no deeper. Sizes are
// never trusted: a box must fit in its parent, each level visits at most kMaxBoxes boxes,
// and whatever is read whole is capped.

#include "platform/exif/media_time.h"

#include "platform/exif/exif_detail.h"
#include "platform/exif/photo_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {
namespace {

// Reads go through a window of this size: a box header and the small boxes after it
// usually share one. The system reads the whole page anyway.
constexpr std::size_t kWindowSize = 4096;
// Boxes read whole (a video's meta, a HEIF photo's meta) and Exif items hold a few KiB.
constexpr std::uint64_t kMaxWholeBox = 256 * 1024;
constexpr std::uint64_t kMaxHeldBox = 64 * 1024;
constexpr int kMaxBoxes = 1000;
// libexif reads no further into an Exif payload than a JPEG segment could hold.
constexpr std::size_t kMaxExifPayload = 0xfffe;
constexpr std::uint64_t kFileEnd = std::numeric_limits<std::uint64_t>::max();

constexpr std::uint32_t fourCc(const char (&type)[5]) {
    return std::uint32_t(static_cast<unsigned char>(type[0])) << 24 |
           std::uint32_t(static_cast<unsigned char>(type[1])) << 16 |
           std::uint32_t(static_cast<unsigned char>(type[2])) << 8 |
           std::uint32_t(static_cast<unsigned char>(type[3]));
}

// `size` bytes (at most 8) as a big-endian number.
std::uint64_t bigEndian(const unsigned char* bytes, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value = value << 8 | bytes[i];
    }
    return value;
}

struct Box {
    std::uint32_t type;
    std::uint64_t payload; // file offsets: payload <= end
    std::uint64_t end;
};

// File bytes [base, base + bytes.size()), read in one go.
struct Piece {
    std::uint64_t base;
    std::vector<unsigned char> bytes;

    // [offset, offset + size) when held here, else nullptr.
    const unsigned char* at(std::uint64_t offset, std::uint64_t size) const {
        if (offset < base || offset - base > bytes.size() ||
            size > bytes.size() - (offset - base)) {
            return nullptr;
        }
        return bytes.data() + (offset - base);
    }
};

class File {
public:
    explicit File(const ReadAt& read) : read_(read) {}
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // File bytes [offset, offset + size), size <= kWindowSize, from the last read where it
    // holds them, else from a new one; nullptr where the file ends first.
    const unsigned char* at(std::uint64_t offset, std::uint64_t size) {
        if (!window_.at(offset, size))
            fill(offset, kWindowSize);
        return window_.at(offset, size);
    }

    // Reads a box of up to kMaxHeldBox bytes whole, so that the walk through it reads
    // nothing more: a phone video's movie box, sample tables and all, is a few KiB.
    void hold(const Box& box) {
        const std::uint64_t size = box.end - box.payload;
        if (size > kMaxHeldBox || window_.at(box.payload, size))
            return;
        const std::uint64_t held = window_.base + window_.bytes.size();
        if (!window_.at(box.payload, 0) || held >= end_) {
            fill(box.payload, static_cast<std::size_t>(size));
            return;
        }
        // The window holds the box's start: only the rest is read, after it.
        const auto rest = static_cast<std::size_t>(box.end - held);
        window_.bytes.resize(window_.bytes.size() + rest);
        const std::size_t got =
            std::min(read_(held, window_.bytes.data() + (held - window_.base), rest), rest);
        window_.bytes.resize(held - window_.base + got);
        if (got < rest)
            end_ = std::min(end_, held + got);
    }

    // The first kMaxWholeBox bytes of a box's payload at most, or as many as the file has.
    Piece payload(const Box& box) {
        const auto size = static_cast<std::size_t>(std::min(box.end - box.payload, kMaxWholeBox));
        return piece(box.payload, size);
    }

    Piece piece(std::uint64_t offset, std::size_t size) {
        Piece piece{offset, std::vector<unsigned char>(size)};
        if (const unsigned char* held = window_.at(offset, size)) {
            std::copy_n(held, size, piece.bytes.data());
        } else if (size > 0) {
            piece.bytes.resize(std::min(read_(offset, piece.bytes.data(), size), size));
        }
        return piece;
    }

private:
    // A read that came back short found the end of the file (or an error, treated alike):
    // nothing past it is asked for again.
    void fill(std::uint64_t offset, std::size_t size) {
        window_.base = offset;
        window_.bytes.resize(offset < end_ ? size : 0);
        const std::size_t got =
            std::min(window_.bytes.empty() ? 0 : read_(offset, window_.bytes.data(), size), size);
        window_.bytes.resize(got);
        if (got < size)
            end_ = std::min(end_, offset + got);
    }

    const ReadAt& read_;
    Piece window_{0, {}};
    std::uint64_t end_ = kFileEnd;
};

// The box whose header starts at `at`, inside a parent ending at `end`; no value where the
// header is cut or its size does not fit the parent.
template <typename Bytes>
std::optional<Box> boxAt(Bytes& bytes, std::uint64_t at, std::uint64_t end) {
    const unsigned char* header = bytes.at(at, 8);
    if (header == nullptr) {
        return std::nullopt;
    }
    Box box{static_cast<std::uint32_t>(bigEndian(header + 4, 4)), at + 8, end};
    std::uint64_t size = bigEndian(header, 4);
    if (size == 1) {
        const unsigned char* large = end - at >= 16 ? bytes.at(at + 8, 8) : nullptr;
        if (large == nullptr) {
            return std::nullopt;
        }
        size = bigEndian(large, 8);
        box.payload = at + 16;
    } else if (size == 0) {
        return box;
    }
    if (size < box.payload - at || size > end - at) {
        return std::nullopt;
    }
    box.end = at + size;
    return box;
}

// Hands the boxes of [begin, end) to `visit` in turn until it returns true, a header is
// damaged or missing, or kMaxBoxes have been seen. `bytes` is the File or a Piece.
template <typename Bytes, typename Visit>
void forEachBox(Bytes& bytes, std::uint64_t begin, std::uint64_t end, Visit visit) {
    std::uint64_t at = begin;
    for (int count = 0; count < kMaxBoxes && at < end && end - at >= 8; ++count) {
        const std::optional<Box> box = boxAt(bytes, at, end);
        if (!box || visit(*box)) {
            return;
        }
        at = box->end;
    }
}

// The first `size` bytes of a box's payload, where it has them.
template <typename Bytes>
const unsigned char* fields(Bytes& bytes, const Box& box, std::uint64_t size) {
    return box.end - box.payload >= size ? bytes.at(box.payload, size) : nullptr;
}

// Big-endian fields one after another inside a box held in a Piece; once one runs past the
// box, it and all after it read as 0 and ok() is false.
class Fields {
public:
    Fields(const Piece& piece, const Box& box) : piece_(piece), at_(box.payload), end_(box.end) {}

    std::uint64_t next(std::uint64_t size) {
        if (size == 0) {
            return 0;
        }
        const unsigned char* bytes = ok_ && size <= end_ - at_ ? piece_.at(at_, size) : nullptr;
        if (bytes == nullptr || size > 8) {
            ok_ = false;
            return 0;
        }
        at_ += size;
        return bigEndian(bytes, static_cast<std::size_t>(size));
    }
    bool ok() const { return ok_; }

private:
    const Piece& piece_;
    std::uint64_t at_;
    std::uint64_t end_;
    bool ok_ = true;
};

std::string clockText(const detail::ClockTime& time) {
    if (time.year < 1 || time.year > 9999) {
        return {};
    }
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", time.year,
                                     time.month, time.day, time.hour, time.minute, time.second);
    return length == 19 ? std::string(text, 19) : std::string();
}

// Seconds since 1904-01-01 UTC, QuickTime's epoch, as this computer's local time.
std::string localText(std::uint64_t since1904) {
    constexpr std::uint64_t k1904To1970 = 2082844800;
    constexpr std::uint64_t kLast = k1904To1970 + 253402300799; // 9999-12-31 23:59:59 UTC
    // Cameras without a clock leave zero, which reads as 1904 or, counted from the Unix
    // epoch by mistake, as 1970.
    if (since1904 == 0 || since1904 == k1904To1970 || since1904 > kLast) {
        return {};
    }
    const auto unixSeconds = static_cast<std::int64_t>(since1904) - std::int64_t{k1904To1970};
    const std::optional<detail::ClockTime> local = detail::localClockTime(unixSeconds);
    return local ? clockText(*local) : std::string();
}

// "YYYY-MM-DDTHH:MM:SS" and whatever follows (fractions, the offset from UTC) as
// "YYYY:MM:DD HH:MM:SS": the clock as the camera showed it.
std::string clockOfIsoText(std::string_view text) {
    constexpr std::string_view kShape = "0000-00-00T00:00:00";
    if (text.size() < kShape.size()) {
        return {};
    }
    std::string clock(text.substr(0, kShape.size()));
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = clock[i] >= '0' && clock[i] <= '9';
        const bool fits = kShape[i] == '0'   ? digit
                          : kShape[i] == 'T' ? clock[i] == 'T' || clock[i] == ' '
                                             : clock[i] == kShape[i];
        if (!fits) {
            return {};
        }
    }
    clock[4] = clock[7] = ':';
    clock[10] = ' ';
    return clock;
}

// The value of com.apple.quicktime.creationdate in a QuickTime meta box: its keys box
// lists the names, and the item list's box of type n holds the value of the n-th (from 1)
// in a data box (type indicator and locale, then the text).
std::string appleCreationDate(const Piece& meta, const Box& box) {
    constexpr std::string_view kKey = "com.apple.quicktime.creationdate";
    // QuickTime's meta box holds its boxes right away; ISO's starts with version and flags.
    std::uint64_t begin = box.payload;
    if (const unsigned char* start = fields(meta, box, 4); start && bigEndian(start, 4) == 0) {
        begin += 4;
    }
    std::optional<Box> keys;
    std::optional<Box> items;
    forEachBox(meta, begin, box.end, [&](const Box& child) {
        if (child.type == fourCc("keys")) {
            keys = child;
        } else if (child.type == fourCc("ilst")) {
            items = child;
        }
        return false;
    });
    if (!keys || !items) {
        return {};
    }
    // After version, flags and the count, each key is laid out as a box: the namespace is
    // its type, the name its payload.
    std::uint32_t index = 0;
    std::uint32_t counted = 0;
    forEachBox(meta, keys->payload + 8, keys->end, [&](const Box& key) {
        ++counted;
        const unsigned char* name = fields(meta, key, kKey.size());
        if (key.type == fourCc("mdta") && key.end - key.payload == kKey.size() && name &&
            std::memcmp(name, kKey.data(), kKey.size()) == 0) {
            index = counted;
        }
        return index != 0;
    });
    std::string clock;
    forEachBox(meta, items->payload, items->end, [&](const Box& item) {
        if (index == 0 || item.type != index) {
            return false;
        }
        forEachBox(meta, item.payload, item.end, [&](const Box& data) {
            const std::uint64_t size = data.end - data.payload;
            const unsigned char* value = size >= 8 ? fields(meta, data, size) : nullptr;
            if (data.type == fourCc("data") && value) {
                clock = clockOfIsoText(std::string_view(reinterpret_cast<const char*>(value) + 8,
                                                        static_cast<std::size_t>(size - 8)));
            }
            return !clock.empty();
        });
        return true;
    });
    return clock;
}

// The creation time of a movie header box: after version and flags, 32 bits in version 0,
// 64 in version 1.
std::string movieHeaderTime(File& file, const Box& box) {
    const unsigned char* version = fields(file, box, 4);
    if (version == nullptr || version[0] > 1) {
        return {};
    }
    const std::size_t width = version[0] == 0 ? 4 : 8;
    const unsigned char* time = fields(file, box, 4 + width);
    return time ? localText(bigEndian(time + 4, width)) : std::string();
}

// Apple's creation date, wherever it is, else the movie header's.
std::string videoTime(File& file, const Box& movie) {
    std::string apple;
    std::string header;
    forEachBox(file, movie.payload, movie.end, [&](const Box& box) {
        if (box.type == fourCc("mvhd")) {
            header = movieHeaderTime(file, box);
        } else if (box.type == fourCc("meta")) {
            apple = appleCreationDate(file.payload(box), box);
        }
        return !apple.empty();
    });
    return apple.empty() ? header : apple;
}

// The id of the first item of type "Exif" in an iinf box: version, flags, a count of 16
// bits (version 0) or 32, then infe boxes. Only infe versions 2 and 3 name a type.
std::optional<std::uint32_t> exifItemId(const Piece& meta, const Box& info) {
    const unsigned char* version = fields(meta, info, 4);
    if (version == nullptr) {
        return std::nullopt;
    }
    std::optional<std::uint32_t> id;
    forEachBox(meta, info.payload + (version[0] == 0 ? 6 : 8), info.end, [&](const Box& entry) {
        // Version and flags, the id (16 bits in version 2, 32 in 3), protection index, type.
        const unsigned char* start = fields(meta, entry, 4);
        const std::uint64_t idSize = start && start[0] == 2 ? 2 : start && start[0] == 3 ? 4 : 0;
        const unsigned char* item = idSize ? fields(meta, entry, 4 + idSize + 6) : nullptr;
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

// What a media file may start with: ISO's file type box, or one of the boxes QuickTime
// files written before it begin with.
bool startsMediaFile(std::uint32_t type) {
    constexpr std::array kFirst = {fourCc("ftyp"), fourCc("moov"), fourCc("mdat"), fourCc("wide"),
                                   fourCc("free"), fourCc("skip"), fourCc("pnot")};
    return std::find(kFirst.begin(), kFirst.end(), type) != kFirst.end();
}

} // namespace

std::optional<std::string> readMediaShootingTime(const ReadAt& read) {
    File file(read);
    std::optional<std::string> time = std::string();
    bool first = true;
    // The brand in ftyp is not needed: only a HEIF file has a meta box at the top level
    // with an Exif item, and only a movie a moov box.
    forEachBox(file, 0, kFileEnd, [&](const Box& box) {
        if (std::exchange(first, false) && !startsMediaFile(box.type)) {
            return true;
        }
        if (box.type == fourCc("moov")) {
            file.hold(box);
            time = videoTime(file, box);
        } else if (box.type == fourCc("meta")) {
            time = heifTime(file, box);
        }
        return !time || !time->empty();
    });
    return time;
}

std::optional<std::string> readMediaShootingTime(const std::string& path) {
    const PhotoFile file(path);
    if (!file.isOpen()) {
        return std::string();
    }
    return readMediaShootingTime(
        [&file](std::uint64_t offset, unsigned char* into, std::size_t size) {
            return file.read(offset, into, size);
        });
}

} // namespace platform
