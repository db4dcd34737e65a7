#pragma once

// The program's one rule for telling UTF-8 text from other bytes: well-formed UTF-8 as
// the Unicode standard defines it (its table 3-7), with no overlong form, no surrogate
// (U+D800 to U+DFFF) and nothing past U+10FFFF. Qt's decoder and Windows' draw the same
// line, so a text that passes here is one they take unchanged.

#include <cstddef>
#include <string_view>

namespace platform {

// The length, 1 to 4 bytes, of the well-formed UTF-8 sequence that starts `text`; 0 where
// none does (a stray or cut sequence, or an empty text).
std::size_t utf8SequenceLength(std::string_view text);

// True when the whole of `text` is well-formed UTF-8.
bool isUtf8(std::string_view text);

} // namespace platform
