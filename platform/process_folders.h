#pragma once

// The process's current drive, and a current folder for each drive.
//
// Windows keeps both itself: the current drive, and for every drive letter the folder
// last made current on it; a drive text is a letter and a colon ("D:"). Linux and macOS
// have no drive letters, so the drives are the volumes of the drive list, named by their
// mount points ("/", "/media/anna/SDCARD"), and each one's current folder is kept here:
// its root until a folder on it is made current. The process's current folder is always
// the current drive's folder, so relative file names resolve in it on every system.

#include "navigation/interfaces.h"

#include <functional>
#include <map>
#include <optional>
#include <string>

namespace platform {

class ProcessFolders final : public navigation::ProcessFolders {
public:
    // The mount point of the drive-list volume that holds a full path; empty when none.
    using DriveOf = std::function<std::string(const std::string& path)>;

    // Starts with the drive that holds the process's current folder as the current drive,
    // and that folder as its folder. On Windows `driveOf` is not used: a path's drive is
    // its letter.
    explicit ProcessFolders(DriveOf driveOf);

    std::string driveOf(const std::string& path) const override;
    std::string folderOn(const std::string& drive) const override;
    // Fails, changing nothing, when `folder` lies on no drive or cannot be entered.
    std::optional<navigation::Failure> setCurrentFolder(const std::string& folder) override;
    // Fails, changing nothing, when no drive is designated or its folder cannot be entered.
    std::optional<navigation::Failure> setCurrentDrive(const std::string& text) override;

private:
#ifndef _WIN32
    DriveOf driveOf_;
    std::string currentDrive_;
    // Each drive's folder, once it has one; a drive not in here is at its root.
    std::map<std::string, std::string> folderByDrive_;
#endif
};

} // namespace platform
