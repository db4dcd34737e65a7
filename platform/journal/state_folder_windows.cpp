#include "platform/journal/state_folder.h"
#include "platform/system/program_names.h"
#include "platform/system/windows_text.h"

#include <cstdlib>
#include <shlobj.h>

namespace platform {

// The variable first, as a user (or a test) may point it elsewhere; the shell's answer
// where it is unset.
std::string stateFolder() {
    std::string local;
    if (const wchar_t* variable = _wgetenv(L"LOCALAPPDATA"); variable != nullptr)
        local = utf8(variable);
    if (local.empty()) {
        PWSTR known = nullptr;
        if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &known)))
            local = utf8(known);
        CoTaskMemFree(known);
    }
    if (local.empty())
        return {};
    local.append("\\").append(kApplicationName).append("\\").append(kSectionName);
    return local;
}

} // namespace platform
