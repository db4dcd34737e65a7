#include "platform/journal/journal_file.h"
#include "platform/system/windows_error.h"
#include "platform/system/windows_text.h"

#include <windows.h>

namespace platform {
namespace {

std::error_code writeAndClose(HANDLE file, std::string_view text, bool sync) {
    std::error_code error;
    while (!error && !text.empty()) {
        DWORD written = 0;
        if (!WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr) || written == 0)
            error = windowsError(GetLastError());
        text.remove_prefix(written);
    }
    if (!error && sync && !FlushFileBuffers(file))
        error = windowsError(GetLastError());
    CloseHandle(file);
    return error;
}

} // namespace

std::error_code createWrittenThrough(const std::string& path, const std::string& temporary,
                                     std::string_view text) {
    const std::wstring from = wide(temporary);
    const HANDLE file = CreateFileW(from.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return windowsError(GetLastError());
    if (const std::error_code error = writeAndClose(file, text, true)) {
        DeleteFileW(from.c_str());
        return error;
    }
    // Without MOVEFILE_REPLACE_EXISTING the move never replaces a file.
    if (MoveFileExW(from.c_str(), wide(path).c_str(), MOVEFILE_WRITE_THROUGH))
        return {};
    const DWORD error = GetLastError();
    DeleteFileW(from.c_str());
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
        return std::make_error_code(std::errc::file_exists);
    return windowsError(error);
}

std::error_code appendTo(const std::string& path, std::string_view text) {
    const HANDLE file = CreateFileW(wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return windowsError(GetLastError());
    return writeAndClose(file, text, false);
}

} // namespace platform
