#pragma once

// The photo most tests need: the generator's small JPEG with a given shooting time, or
// with none.

#include "tests/support/jpeg_fixture.h"

#include <optional>
#include <string>

namespace fixture {

// A photo whose Exif DateTimeOriginal is `time` ("2007:03:15 14:05:33"); without a time,
// one whose Exif has no DateTimeOriginal.
inline std::string photo(std::optional<std::string> time, ByteOrder order = ByteOrder::Intel) {
    return jpegBytes({.dateTimeOriginal = std::move(time), .byteOrder = order});
}

} // namespace fixture
