#pragma once

// The boxes of ISO base media files, as the shooting-time reader walks them: a window over
// the file that serves a box header and the small boxes after it from one read, boxes held
// whole where they are small, and the walk over a level's boxes, which trusts no size.
// media_time.cpp walks a video's boxes, media_heif.cpp a HEIF photo's.

#include "platform/exif/media_time.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace platform::boxes {

// Reads go through a window of this size: a box header and the small boxes after it
// usually share one. The system reads the whole page anyway.
constexpr std::size_t kWindowSize = 4096;
// Boxes read whole (a video's meta, a HEIF photo's meta) and Exif items hold a few KiB.
constexpr std::uint64_t kMaxWholeBox = 256 * 1024;
constexpr std::uint64_t kMaxHeldBox = 64 * 1024;
constexpr int kMaxBoxes = 1000;
constexpr std::uint64_t kFileEnd = std::numeric_limits<std::uint64_t>::max();

constexpr std::uint32_t fourCc(const char (&type)[5]) {
    return std::uint32_t(static_cast<unsigned char>(type[0])) << 24 |
           std::uint32_t(static_cast<unsigned char>(type[1])) << 16 |
           std::uint32_t(static_cast<unsigned char>(type[2])) << 8 |
           std::uint32_t(static_cast<unsigned char>(type[3]));
}

// `size` bytes (at most 8) as a big-endian number.
inline std::uint64_t bigEndian(const unsigned char* bytes, std::size_t size) {
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
const unsigned char* payloadStart(Bytes& bytes, const Box& box, std::uint64_t size) {
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

// The shooting time of a HEIF photo whose top-level meta box is `box`: its Exif item's
// DateTimeOriginal. media_heif.cpp.
std::optional<std::string> heifTime(File& file, const Box& box);

} // namespace platform::boxes
