#pragma once

// What the file system tells of a file without reading it: which file it is and the marks
// every change to it leaves, so that a later run can prove the file unchanged since.
// file_status_posix.cpp and file_status_windows.cpp, picked by record/CMakeLists.txt.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

struct FileStatus {
    std::uint64_t volume = 0; // the file system's own identity (POSIX f_fsid, Windows
                              // the volume serial number): another card in one drive differs
    std::uint64_t device = 0; // where it is mounted (POSIX st_dev; 0 on Windows)
    std::uint64_t file = 0;   // the file within it (inode, Windows' file index)
    std::uint64_t size = 0;
    std::int64_t modified = 0; // nanoseconds; Windows: 100 ns ticks
    std::int64_t changed = 0;  // the status change time, which every change of contents or
                               // name moves on (POSIX st_ctime, Windows ChangeTime); same
                               // units

    bool operator==(const FileStatus&) const = default;
    // The same file with the same contents; only the status change time may differ, as a
    // rename moves it on most file systems.
    bool sameContents(const FileStatus& other) const {
        return volume == other.volume && device == other.device && file == other.file &&
               size == other.size && modified == other.modified;
    }
};

// The files of one folder (UTF-8 path), held open where the system allows for the life
// of the object.
class FolderStatus {
public:
    explicit FolderStatus(const std::string& folder);
    ~FolderStatus();
    FolderStatus(const FolderStatus&) = delete;
    FolderStatus& operator=(const FolderStatus&) = delete;

    // The status of the ordinary file `name`, a link followed to what it leads to, as a
    // reader opening the name meets it; no value for anything else or where the system
    // cannot tell. None either but on the file systems of a local disk known to keep a
    // status change time finer than a second and a file's number across mounts (a list
    // of those allowed, in the two sources): FAT and exFAT keep no status change time and,
    // mounted by Linux, number files afresh at each mount; FUSE and network shares show
    // what their server says; a time of whole seconds lets an edit in the second of a
    // rename go unseen.
    std::optional<FileStatus> status(const std::string& name) const;

private:
    struct Held;
    std::unique_ptr<Held> held_;
};

} // namespace platform
