#pragma once

// Builds small ISO base media files in memory for the tests and the fuzzer seeds, box by
// box: a phone video's movie header and Apple's creation date, a HEIF photo's items.

#include "naming/media_kinds.h"
#include "tests/support/jpeg_fixture.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace fixture {

inline std::string bigEndian(std::uint64_t value, int size) {
    std::string bytes;
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8) {
        bytes += static_cast<char>(value >> shift);
    }
    return bytes;
}

inline std::string box(std::string_view type, const std::string& payload) {
    return bigEndian(8 + payload.size(), 4) + std::string(type) + payload;
}

inline std::string fullBox(std::string_view type, int version, const std::string& payload) {
    return box(type, bigEndian(version, 1) + bigEndian(0, 3) + payload);
}

// Created `since1904` seconds after 1904-01-01 UTC; version 1 has 64-bit times.
inline std::string movieHeader(std::uint64_t since1904, int version = 0) {
    const int width = version == 1 ? 8 : 4;
    return fullBox("mvhd", version,
                   bigEndian(since1904, width) + bigEndian(since1904, width) + bigEndian(600, 4) +
                       bigEndian(0, width) + std::string(80, '\0'));
}

// QuickTime's meta box holding com.apple.quicktime.creationdate = `text`.
inline std::string appleCreationDate(const std::string& text) {
    return box("meta", fullBox("keys", 0,
                               bigEndian(1, 4) + box("mdta", "com.apple.quicktime.creationdate")) +
                           box("ilst", box(bigEndian(1, 4), box("data", bigEndian(1, 8) + text))));
}

inline std::string video(const std::string& moovPayload) {
    return box("ftyp", "qt  " + bigEndian(0, 4) + "qt  ") + box("mdat", std::string(64, 'v')) +
           box("moov", moovPayload);
}

// A HEIF photo with one item of `type` stored in its mdat box.
inline std::string heifPhoto(std::string_view type, const std::string& item) {
    const auto meta = [&](std::uint64_t offset) { // iinf version 0, infe 2, iloc 1
        const std::string entry =
            fullBox("infe", 2,
                    bigEndian(1, 2) + bigEndian(0, 2) + std::string(type) + std::string(1, '\0'));
        return fullBox("meta", 0,
                       fullBox("iinf", 0, bigEndian(1, 2) + entry) +
                           fullBox("iloc", 1,
                                   bigEndian(0x4400, 2) + bigEndian(1, 2) + bigEndian(1, 2) +
                                       bigEndian(0, 4) + bigEndian(1, 2) + bigEndian(offset, 4) +
                                       bigEndian(item.size(), 4)));
    };
    const std::string head = box("ftyp", "heic" + bigEndian(0, 4) + "mif1heic");
    return head + meta(head.size() + meta(0).size() + 8) + box("mdat", item);
}

// An Exif item as HEIF keeps it: the length of "Exif\0\0", then that and the TIFF
// structure of a generated photo taken at `time`.
inline std::string exifItem(const std::string& time) {
    const PhotoRecipe recipe{.dateTimeOriginal = time};
    const Span segment = exifSegment(recipe);
    return bigEndian(6, 4) +
           jpegBytes(recipe).substr(segment.begin + 4, segment.end - segment.begin - 4);
}

// A HEIF photo or a video, as `name` tells, taken at `time` in Exif's shape (a video's as
// Apple writes it, in China's time zone), or at no time where it is empty, with `tag` kept
// inside so that no two files are alike.
inline std::string mediaFile(std::string_view name, const std::string& time,
                             const std::string& tag) {
    if (naming::mediaKind(name) == naming::MediaKind::HeifPhoto)
        return heifPhoto("Exif", exifItem(time)) + box("free", tag);
    std::string apple = time;
    if (!time.empty()) {
        apple[4] = apple[7] = '-';
        apple[10] = 'T';
        apple += "+0800";
    }
    return video(box("free", tag) + (time.empty() ? movieHeader(0) : appleCreationDate(apple)));
}

} // namespace fixture
