#pragma once

// Small codes the state folder's files (journals, the record of shooting times) share:
// "%XX" for a byte a line may not hold as it is, fields split by tabs, and a 64-bit FNV-1a
// hash, written in hexadecimal, for names of files and checks of lines.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// `text` with each byte a line may not hold as it is written "%XX" (two upper-case
// hexadecimal digits): '%', control characters (tab and line ends among them) and each
// byte that is not part of UTF-8 text.
std::string percentEncoded(std::string_view text);
// The same, added to the end of `out`.
void appendPercentEncoded(std::string& out, std::string_view text);

// `text` with each "%XX" (two hexadecimal digits, either case) turned back into its byte;
// none where a "%" is not followed by two digits.
std::optional<std::string> percentDecoded(std::string_view text);

// The fields of `line`, split at tabs; one field where it has none.
std::vector<std::string_view> tabFields(std::string_view line);

// `value` as 16 lower-case hexadecimal digits.
std::string hex64(std::uint64_t value);

// FNV-1a, 64 bits: spreads paths over file names, and tells a damaged line from a sound
// one. Not for anything an adversary chooses.
std::uint64_t fnv1a(std::string_view text);

} // namespace platform
