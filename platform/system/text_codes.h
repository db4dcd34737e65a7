#pragma once

// Small codes the state folder's files share: "%XX" for a byte a line may not hold as it
// is, and a 64-bit FNV-1a hash for names of files and checks of lines.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// `text` with each "%XX" (two hexadecimal digits, either case) turned back into its byte;
// none where a "%" is not followed by two digits.
std::optional<std::string> percentDecoded(std::string_view text);

// FNV-1a, 64 bits: spreads paths over file names, and tells a damaged line from a sound
// one. Not for anything an adversary chooses.
std::uint64_t fnv1a(std::string_view text);

} // namespace platform
