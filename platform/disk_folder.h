#pragma once

// The working folder on disk: renames that never replace a file, and the test for an
// ordinary file. Names are plain file names relative to the process's current folder.

#include "naming/batch.h"

#include <string>
#include <system_error>

namespace platform {

// Renames `from` to `to`; fails with std::errc::file_exists when `to` is taken, on
// every file system. Tries, in order: an atomic no-replace rename; where the file
// system refuses that flag (NFS, FUSE), a hard link then removal of the old name;
// where hard links are unsupported too (FAT, exFAT), a check then a plain rename.
std::error_code renameNoReplace(const std::string& from, const std::string& to);

// True for an ordinary, non-hidden file of that name (a link to one counts).
bool isOrdinaryFile(const std::string& name);

class DiskFolder : public naming::Folder {
public:
    std::error_code rename(const std::string& from, const std::string& to) override {
        return renameNoReplace(from, to);
    }
    bool exists(const std::string& name) const override { return isOrdinaryFile(name); }
};

} // namespace platform
