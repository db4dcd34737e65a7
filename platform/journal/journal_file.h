#pragma once

// The part of keeping a run's journal that differs by system: a new file written through
// to the medium in one go, and more text added at its end later.
// journal_file_posix.cpp and journal_file_windows.cpp, picked by journal/CMakeLists.txt.

#include <string>
#include <string_view>
#include <system_error>

namespace platform {

// Creates the file at `path`, which must not exist yet (std::errc::file_exists), with
// `text` in it, on the medium before returning. The text is written to `temporary` first
// and only then given its name, so that no reader ever finds the file half written.
std::error_code createWrittenThrough(const std::string& path, const std::string& temporary,
                                     std::string_view text);

// Adds `text` at the end of the existing file at `path`, without waiting for the medium.
std::error_code appendTo(const std::string& path, std::string_view text);

} // namespace platform
