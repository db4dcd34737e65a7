#pragma once

// The working folder on disk: renames that never replace a file, the test for an
// ordinary file, and what a run needs to finish renames that were cut short.

#include "naming/batch.h"

#include <memory>
#include <string>
#include <system_error>

namespace platform {

// A folder held open for the life of the object, and no longer: a run's folder is not
// kept busy between runs, so the card it is on can be taken out.
class DiskFolder : public naming::Folder {
public:
    explicit DiskFolder(const std::string& path);
    ~DiskFolder() override;
    DiskFolder(const DiskFolder&) = delete;
    DiskFolder& operator=(const DiskFolder&) = delete;

    // Fails with std::errc::file_exists when `to` is taken, on every file system. Tries,
    // in order: an atomic no-replace rename; where the file system refuses that flag (NFS,
    // FUSE), a hard link then removal of the old name; where hard links are unsupported
    // too (FAT, exFAT), a check then a plain rename. On Windows one call (MoveFileExW)
    // does it in one step.
    std::error_code rename(const std::string& from, const std::string& to) override;
    // An ordinary, non-hidden file (a link to one counts).
    bool isOrdinaryFile(const std::string& name) const override;
    bool isNameTaken(const std::string& name) const override;
    bool sameFile(const std::string& a, const std::string& b) const override;
    std::error_code removeTwin(const std::string& name, const std::string& twin) override;
    // Writes the folder's entries through to the medium.
    std::error_code flush() override;
    // The file's size and modification time, which renames keep; on POSIX also its links
    // where it has more than one.
    std::string identity(const std::string& name) const override;
    // Also where the modification time moved by whole hours (see fileIdentitiesAgree).
    bool hasIdentity(const std::string& name, std::string_view recorded) const override;
    unsigned linkCount(const std::string& name) const override;

private:
    // What is held of the folder: on POSIX its descriptor, which names resolve against
    // rather than against a path; on Windows its path (disk_folder_posix.cpp,
    // disk_folder_windows.cpp).
    struct Held;
    std::unique_ptr<Held> held_;
};

} // namespace platform
