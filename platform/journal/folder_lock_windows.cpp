#include "platform/journal/folder_lock.h"
#include "platform/system/windows_error.h"
#include "platform/system/windows_text.h"

#include <windows.h>

namespace platform {

// A file opened with no sharing is the lock: a second open, from this process or
// another, is refused with a sharing violation until the handle is closed, which the
// system does when the process ends.
FolderLock::Attempt FolderLock::tryTake(const std::string& path, std::intptr_t& handle,
                                        std::error_code& error) {
    const HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        handle = reinterpret_cast<std::intptr_t>(file);
        return Attempt::Taken;
    }
    const DWORD code = GetLastError();
    if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION)
        return Attempt::Busy;
    error = windowsError(code);
    return Attempt::Unusable;
}

void FolderLock::release(std::intptr_t handle) {
    CloseHandle(reinterpret_cast<HANDLE>(handle));
}

} // namespace platform
