#include "tests/support/jpeg_fixture.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace fixture {
namespace {

constexpr std::uint16_t kAscii = 2;
constexpr std::uint16_t kShort = 3;
constexpr std::uint16_t kLong = 4;
constexpr std::uint16_t kRational = 5;
constexpr std::uint16_t kUndefined = 7;

constexpr std::uint16_t kExifIfdPointer = 0x8769;
constexpr std::uint16_t kThumbnailOffset = 0x0201; // JPEGInterchangeFormat

constexpr std::size_t kMaxSegmentPayload = 65533; // 65535 minus the length field itself
constexpr std::string_view kExifHeader{"Exif\0\0", 6};

std::uint32_t u32(std::size_t value) {
    return static_cast<std::uint32_t>(value);
}

// A JPEG marker segment: FF, code, big-endian length (which counts itself), payload.
std::string segment(unsigned char code, std::string_view payload) {
    const std::size_t length = payload.size() + 2;
    std::string out{'\xFF', static_cast<char>(code), static_cast<char>(length >> 8),
                    static_cast<char>(length & 0xFF)};
    out += payload;
    return out;
}

// Numbers in the TIFF's byte order.
class TiffWriter {
public:
    explicit TiffWriter(ByteOrder order) : order_(order) {}

    std::string u16(std::uint32_t value) const { return bytes(value, 2); }
    std::string u32(std::uint32_t value) const { return bytes(value, 4); }

private:
    std::string bytes(std::uint32_t value, std::size_t size) const {
        std::string out(size, '\0');
        for (std::size_t i = 0; i < size; ++i) {
            const std::size_t shift = order_ == ByteOrder::Intel ? 8 * i : 8 * (size - 1 - i);
            out[i] = static_cast<char>((value >> shift) & 0xFF);
        }
        return out;
    }

    ByteOrder order_;
};

struct Entry {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    std::string value; // in the TIFF's byte order; more than 4 bytes go to the value area
    std::optional<std::uint32_t> forcedOffset = {};
    bool valueFirst = false; // stored ahead of the other values in the value area
};

std::size_t ifdSize(const std::vector<Entry>& entries) {
    std::size_t size = 2 + 12 * entries.size() + 4;
    for (const Entry& entry : entries) {
        if (entry.value.size() > 4) {
            size += entry.value.size() + entry.value.size() % 2; // values start at even offsets
        }
    }
    return size;
}

// One IFD at TIFF offset `at`: the entry table in the order given (callers keep tags
// ascending), the link to the next IFD, then the values that do not fit in 4 bytes.
std::string ifdBytes(const TiffWriter& w, const std::vector<Entry>& entries, std::size_t at,
                     std::uint32_t next) {
    std::vector<const Entry*> placement;
    for (const Entry& entry : entries) {
        placement.push_back(&entry);
    }
    std::stable_partition(placement.begin(), placement.end(),
                          [](const Entry* entry) { return entry->valueFirst; });

    std::string values;
    std::vector<std::uint32_t> offsets(entries.size());
    const std::size_t valuesAt = at + 2 + 12 * entries.size() + 4;
    for (const Entry* entry : placement) {
        if (entry->value.size() > 4) {
            offsets[static_cast<std::size_t>(entry - entries.data())] =
                u32(valuesAt + values.size());
            values += entry->value;
            values.resize(values.size() + values.size() % 2, '\0');
        }
    }

    std::string table = w.u16(u32(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        table += w.u16(entry.tag) + w.u16(entry.type) + w.u32(entry.count);
        if (entry.forcedOffset) {
            table += w.u32(*entry.forcedOffset);
        } else if (entry.value.size() > 4) {
            table += w.u32(offsets[i]);
        } else {
            std::string inlineValue = entry.value;
            inlineValue.resize(4, '\0');
            table += inlineValue;
        }
    }
    return table + w.u32(next) + values;
}

std::string& valueOf(std::vector<Entry>& entries, std::uint16_t tag) {
    return std::find_if(entries.begin(), entries.end(),
                        [tag](const Entry& entry) { return entry.tag == tag; })
        ->value;
}

Entry asciiEntry(std::uint16_t tag, const std::string& text) {
    return {tag, kAscii, u32(text.size() + 1), text + '\0'};
}

// The TIFF structure inside the Exif segment: header, IFD0, Exif IFD, then (with a
// thumbnail) IFD1 followed by the thumbnail's bytes.
std::string tiffBytes(const PhotoRecipe& recipe) {
    const TiffWriter w(recipe.byteOrder);

    std::vector<Entry> exif = {{0x9000, kUndefined, 4, "0231"}}; // ExifVersion
    if (recipe.dateTimeOriginal) {
        std::string value = *recipe.dateTimeOriginal + '\0';
        const std::uint32_t count = recipe.dtoCount.value_or(u32(value.size()));
        if (count > kMaxSegmentPayload) {
            throw std::length_error("date count exceeds what a segment holds");
        }
        value.resize(count, '\0'); // a short count cuts the text, a long one adds NULs
        exif.push_back({0x9003, kAscii, count, value, recipe.dtoOffset});
    }
    exif.push_back({0x9101, kUndefined, 4, std::string("\1\2\3\0", 4)}); // Y Cb Cr
    if (recipe.makerNoteSize > 0) {
        exif.push_back({0x927C, kUndefined, u32(recipe.makerNoteSize),
                        std::string(recipe.makerNoteSize, 'M'), std::nullopt, true});
    }
    exif.push_back({0xA000, kUndefined, 4, "0100"}); // FlashpixVersion
    exif.push_back({0xA001, kShort, 1, w.u16(1)});   // ColorSpace: sRGB
    exif.push_back({0xA002, kShort, 1, w.u16(8)});   // PixelXDimension
    exif.push_back({0xA003, kShort, 1, w.u16(8)});   // PixelYDimension

    // 72 dots per inch, as most cameras write.
    const std::string resolution = w.u32(72) + w.u32(1);
    std::vector<Entry> ifd0 = {
        asciiEntry(0x010F, "Tamblinor"),    // Make
        asciiEntry(0x0110, "Test Photo"),   // Model
        {0x011A, kRational, 1, resolution}, // XResolution
        {0x011B, kRational, 1, resolution}, // YResolution
        {0x0128, kShort, 1, w.u16(2)},      // ResolutionUnit: inch
        {0x0213, kShort, 1, w.u16(1)},      // YCbCrPositioning: centred
        {kExifIfdPointer, kLong, 1, {}},    // set once the layout is known
    };
    const std::string thumbnail = tinyJpeg();
    std::vector<Entry> ifd1 = {
        {0x0103, kShort, 1, w.u16(6)},                    // Compression: JPEG
        {0x011A, kRational, 1, resolution},               // XResolution
        {0x011B, kRational, 1, resolution},               // YResolution
        {0x0128, kShort, 1, w.u16(2)},                    // ResolutionUnit: inch
        {kThumbnailOffset, kLong, 1, {}},                 // set once the layout is known
        {0x0202, kLong, 1, w.u32(u32(thumbnail.size()))}, // JPEGInterchangeFormatLength
    };

    const std::size_t ifd0At = 8;
    const std::size_t exifAt = ifd0At + ifdSize(ifd0);
    const std::size_t ifd1At = exifAt + ifdSize(exif);
    const std::size_t thumbnailAt = ifd1At + ifdSize(ifd1);
    valueOf(ifd0, kExifIfdPointer) = w.u32(recipe.exifIfdOffset.value_or(u32(exifAt)));
    valueOf(ifd1, kThumbnailOffset) = w.u32(u32(thumbnailAt));
    const std::uint32_t next = recipe.nextIfdOffset.value_or(recipe.thumbnail ? u32(ifd1At) : 0);

    std::string tiff = recipe.byteOrder == ByteOrder::Intel ? "II" : "MM";
    tiff += w.u16(42) + w.u32(u32(ifd0At));
    tiff += ifdBytes(w, ifd0, ifd0At, next);
    tiff += ifdBytes(w, exif, exifAt, 0);
    if (recipe.thumbnail) {
        tiff += ifdBytes(w, ifd1, ifd1At, 0) + thumbnail;
    }
    return tiff;
}

std::string jfifSegment() {
    // "JFIF\0", version 1.01, no units, 1:1 pixel density, no JFIF thumbnail.
    return segment(0xE0, std::string_view("JFIF\0\x01\x01\x00\x00\x01\x00\x01\x00\x00", 14));
}

std::string commentSegments(std::size_t bytes) {
    std::string out;
    while (bytes > 0) {
        const std::size_t size = std::min(bytes, kMaxSegmentPayload);
        out += segment(0xFE, std::string(size, 'c'));
        bytes -= size;
    }
    return out;
}

std::string exifSegmentBytes(const PhotoRecipe& recipe) {
    std::string payload(kExifHeader);
    payload += tiffBytes(recipe);
    if (payload.size() > kMaxSegmentPayload) {
        throw std::length_error("exif segment exceeds 65535 bytes");
    }
    return segment(0xE1, payload);
}

// The part of the file before the Exif segment.
std::string head(const PhotoRecipe& recipe) {
    std::string out = "\xFF\xD8"; // SOI
    if (recipe.jfifFirst) {
        out += jfifSegment();
    }
    return out + commentSegments(recipe.padding);
}

// Tables, frame header, scan and EOI of the 8x8 grey image. Both Huffman tables hold a
// single one-bit code "0": DC difference category 0, and end-of-block. The only block
// is therefore the bits 00, padded with ones to the byte 0x3F.
std::string tinyImageBody() {
    std::string out;
    out += segment(0xDB, '\x00' + std::string(64, '\x01')); // DQT 0, 8-bit, all ones
    out += segment(0xC0, std::string_view("\x08\x00\x08\x00\x08\x01\x01\x11\x00", 9)); // SOF0
    const std::string oneCode = '\x01' + std::string(15, '\x00') + '\x00';
    out += segment(0xC4, '\x00' + oneCode);                                // DHT DC 0
    out += segment(0xC4, '\x10' + oneCode);                                // DHT AC 0
    out += segment(0xDA, std::string_view("\x01\x01\x00\x00\x3F\x00", 6)); // SOS
    out += "\x3F\xFF\xD9";                                                 // scan data, EOI
    return out;
}

} // namespace

std::string tinyJpeg() {
    return "\xFF\xD8" + tinyImageBody();
}

Span exifSegment(const PhotoRecipe& recipe) {
    if (!recipe.exif) {
        return {};
    }
    const std::size_t begin = head(recipe).size();
    return {begin, begin + exifSegmentBytes(recipe).size()};
}

std::string jpegBytes(const PhotoRecipe& recipe) {
    std::string out = head(recipe);
    if (recipe.exif) {
        out += exifSegmentBytes(recipe);
    }
    out += recipe.imageData.empty() ? tinyImageBody() : recipe.imageData;
    return out;
}

void writePhoto(const std::filesystem::path& path, const PhotoRecipe& recipe) {
    const std::string bytes = jpegBytes(recipe);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::filesystem::filesystem_error("cannot write photo", path,
                                                std::make_error_code(std::errc::io_error));
    }
}

} // namespace fixture
