#include "platform/drives/home_folder.h"
#include "platform/system/windows_text.h"

#include <cstdlib>

namespace platform {

std::string homeFolder() {
    const wchar_t* home = _wgetenv(L"USERPROFILE"); // not getenv: the ANSI code page
    return home ? utf8(home) : std::string();
}

} // namespace platform
