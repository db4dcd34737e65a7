#include "platform/exif/photo_file.h"
#include "platform/system/windows_text.h"

#include <algorithm>
#include <windows.h>

namespace platform {
namespace {

HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// Others may go on reading, writing, renaming or deleting the photo while it is open
// here: the run never stands in the way of another program.
std::intptr_t openForReading(const std::string& path) {
    const HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return reinterpret_cast<std::intptr_t>(file);
}

} // namespace

PhotoFile::PhotoFile(const std::string& path) : handle_(openForReading(path)) {}

PhotoFile::~PhotoFile() {
    if (isOpen()) {
        CloseHandle(handleOf(handle_));
    }
}

std::size_t PhotoFile::read(std::uint64_t offset, unsigned char* into, std::size_t size) const {
    std::size_t done = 0;
    while (done < size) {
        // The offset travels with each read, as with pread; the handle's own position
        // is not used.
        const std::uint64_t at = offset + done;
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>(at);
        position.OffsetHigh = static_cast<DWORD>(at >> 32);
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        DWORD n = 0;
        if (!ReadFile(handleOf(handle_), into + done, wanted, &n, &position) || n == 0) {
            break; // the end (ERROR_HANDLE_EOF) or an error
        }
        done += n;
    }
    return done;
}

// Windows has no read that refuses to wait for the disk; every read counts as one from
// memory, and so the read-ahead never starts.
std::optional<std::size_t> PhotoFile::readFromMemory(std::uint64_t offset, unsigned char* into,
                                                     std::size_t size) const {
    return read(offset, into, size);
}

void fetchHeadSoon(const std::string&, std::size_t) {}

} // namespace platform
