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

#include "platform/exif/media_boxes.h"
#include "platform/exif/photo_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>

namespace platform {
namespace {

using namespace boxes;

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
    if (const unsigned char* start = payloadStart(meta, box, 4);
        start && bigEndian(start, 4) == 0) {
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
        const unsigned char* name = payloadStart(meta, key, kKey.size());
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
            const unsigned char* value = size >= 8 ? payloadStart(meta, data, size) : nullptr;
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
    const unsigned char* version = payloadStart(file, box, 4);
    if (version == nullptr || version[0] > 1) {
        return {};
    }
    const std::size_t width = version[0] == 0 ? 4 : 8;
    const unsigned char* time = payloadStart(file, box, 4 + width);
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
