#pragma once

// The part of reading a photo that differs by system: opening it by its UTF-8 path,
// reading its bytes at an offset, and asking the system to fetch its head ahead of time.
// photo_file_posix.cpp and photo_file_windows.cpp, picked by exif/CMakeLists.txt.
// Nothing here writes to a file.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

class PhotoFile {
public:
    // Opened for reading only, without waiting for a writer where the name is a FIFO;
    // isOpen() tells whether that worked.
    explicit PhotoFile(const std::string& path);
    ~PhotoFile();
    PhotoFile(const PhotoFile&) = delete;
    PhotoFile& operator=(const PhotoFile&) = delete;

    bool isOpen() const { return handle_ != kNoHandle; }

    // Reads up to `size` bytes at `offset`; fewer only at the end of the file or on an
    // error, which callers treat alike.
    std::size_t read(std::uint64_t offset, unsigned char* into, std::size_t size) const;

    // As read, but only from memory: no value, having read nothing, where the first bytes
    // are not in the system's cache and would have to come from the disk. Where the
    // system cannot tell, the same as read.
    std::optional<std::size_t> readFromMemory(std::uint64_t offset, unsigned char* into,
                                              std::size_t size) const;

private:
    static constexpr std::intptr_t kNoHandle = -1; // also Windows' INVALID_HANDLE_VALUE
    std::intptr_t handle_;                         // a descriptor or a HANDLE
};

// Asks the system to start reading the first `size` bytes of the file at `path` into
// memory and returns at once. A hint only: nothing is read into the program, no file
// changes, and a name gone by then is passed over. Does nothing where the system has no
// such hint.
void fetchHeadSoon(const std::string& path, std::size_t size);

} // namespace platform
