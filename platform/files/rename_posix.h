#pragma once

// A rename that never replaces a file, for every file system a card may carry: renameat2's
// RENAME_NOREPLACE where the system has it, a hard link and an unlink where it has links
// (a kill between the two leaves both names; naming::Folder::sameFile tells them), and on
// FAT and exFAT, which have neither, a check just before the rename.

#include <string>
#include <system_error>

namespace platform {

// The error a system call left in errno, as an error code.
inline std::error_code systemError(int code) {
    return {code, std::system_category()};
}

// Renames `from` to `to`, both relative to the open folder `dir` (or AT_FDCWD); fails with
// file_exists where `to` is taken.
std::error_code renameWithoutReplacing(int dir, const std::string& from, const std::string& to);

} // namespace platform
