#pragma once

// Windows' error codes (GetLastError) as std::error_code. The messages are the system's,
// in UTF-8 like every other text of the program: std::system_category would give them in
// the ANSI code page, which on a Chinese Windows is not UTF-8. They compare with
// std::errc values as std::system_category's do. Windows only: windows_error.cpp is built
// there alone.

#include <system_error>

namespace platform {

const std::error_category& windowsCategory();

inline std::error_code windowsError(unsigned long code) {
    return {static_cast<int>(code), windowsCategory()};
}

} // namespace platform
