#pragma once

// Windows' marks of a hidden entry, which Explorer leaves out: hidden and system. Such an
// entry is hidden whatever its name, as is one whose name is hidden (file_names.h).

#include <windows.h>

namespace platform {

constexpr DWORD kHiddenAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

} // namespace platform
