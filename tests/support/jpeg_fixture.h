#pragma once

// Builds small, valid JPEG photos in memory for the tests, the fuzzer seeds and the
// benchmarks: an optional JFIF APP0, optional COM padding, an Exif APP1 whose TIFF
// structure is written byte by byte, then an 8x8 grey baseline image.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace fixture {

enum class ByteOrder { Intel, Motorola }; // TIFF "II" (little-endian) or "MM" (big-endian)

struct PhotoRecipe {
    // The DateTimeOriginal text, without its NUL; no value leaves the tag out.
    std::optional<std::string> dateTimeOriginal = std::nullopt;
    ByteOrder byteOrder = ByteOrder::Intel;
    // False writes no Exif APP1 segment at all.
    bool exif = true;
    // IFD1 with an embedded JPEG thumbnail, as most cameras write it.
    bool thumbnail = false;
    // A JFIF APP0 segment before the Exif APP1, as image editors write it.
    bool jfifFirst = false;
    // Bytes of COM segments between the APP0 (if any) and the Exif APP1, so the Exif
    // can start anywhere in the file. Each COM segment holds at most 65533 bytes.
    std::size_t padding = 0;
    // Bytes of a MakerNote (0x927C) in the Exif IFD, stored ahead of the date's text, so
    // the Exif segment and the date's offset in it grow; at most about 65000 in all.
    std::size_t makerNoteSize = 0;

    // Overrides that damage the structure, for robustness tests. Offsets count from the
    // TIFF header, as in the file.
    //
    // Count field of 0x9003, else the text's length + 1. The stored value is the text
    // and its NUL, cut or NUL-padded to the count; at most 65533.
    std::optional<std::uint32_t> dtoCount = std::nullopt;
    // Value offset of 0x9003, wherever its text is actually stored.
    std::optional<std::uint32_t> dtoOffset = std::nullopt;
    // Value of the ExifIFDPointer (0x8769) in IFD0.
    std::optional<std::uint32_t> exifIfdOffset = std::nullopt;
    // IFD0's link to the next IFD (IFD1 with a thumbnail, else 0).
    std::optional<std::uint32_t> nextIfdOffset = std::nullopt;

    // Everything after the Exif segment: tables, frame, scan and EOI of a real photo,
    // in place of the tiny built-in image. Empty means the built-in image.
    std::string imageData = {};
};

// The complete file. Throws std::length_error when the Exif segment would exceed the
// 65535 bytes a JPEG segment can hold.
std::string jpegBytes(const PhotoRecipe& recipe);

// A plain photo taken at `time` ("YYYY:MM:DD HH:MM:SS"), or without a shooting time.
inline std::string photo(std::optional<std::string> time, ByteOrder order = ByteOrder::Intel) {
    return jpegBytes({.dateTimeOriginal = std::move(time), .byteOrder = order});
}

// The tiny 8x8 grey image on its own, SOI to EOI; also serves as the thumbnail.
std::string tinyJpeg();

// Where the Exif APP1 segment sits in jpegBytes(recipe): from its FF E1 marker to one past
// its last byte. Both are 0 for a photo without Exif.
struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
};
Span exifSegment(const PhotoRecipe& recipe);

// Writes jpegBytes(recipe) to `path`, replacing any file there. Throws
// std::filesystem::filesystem_error when the file cannot be written.
void writePhoto(const std::filesystem::path& path, const PhotoRecipe& recipe);

} // namespace fixture
