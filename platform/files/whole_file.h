#pragma once

// Small files of the program's own read whole, and the names in a folder of its own, with
// every failure of the system (a card pulled out, a folder where a file was expected)
// given back as an error instead of thrown.

#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace platform {

// The bytes of the file at `path` (UTF-8); none where it cannot be opened or read through,
// and `error` then says why.
std::optional<std::string> readWholeFile(const std::string& path, std::error_code& error);

// The names of the entries of the folder at `path` (UTF-8), in no particular order; those
// read before a failure, with `error` set, where the listing broke off.
std::vector<std::string> entryNames(const std::string& path, std::error_code& error);

} // namespace platform
