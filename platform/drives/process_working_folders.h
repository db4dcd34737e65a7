#pragma once

// The current drive, and a current folder for each drive, held by the program. Nothing
// here is the process's current folder: a folder being shown keeps no card busy.
//
// Drives are the drive list's: mount points on Linux ("/", "/media/anna/SDCARD"), drive
// letters on Windows ("D:"). Each drive's folder is its root until a folder on it is made
// current, and comes back whenever the drive is made current again.

#include "navigation/interfaces.h"

#include <functional>
#include <map>
#include <optional>
#include <string>

namespace platform {

class ProcessWorkingFolders final : public navigation::WorkingFolders {
public:
    // The drive text of the drive that holds a full path; empty when none does.
    using DriveOf = std::function<std::string(const std::string& path)>;

    // Starts with the drive holding `start` as the current drive, `start` its folder.
    ProcessWorkingFolders(DriveOf driveOf, const std::string& start);

    std::string driveOf(const std::string& path) const override;
    std::string folderOn(const std::string& drive) const override;
    // Fails, changing nothing, when `folder` lies on no drive or cannot be entered.
    std::optional<navigation::Failure> setCurrentFolder(const std::string& folder) override;
    // Fails, changing nothing, when no drive is designated or its folder cannot be entered.
    std::optional<navigation::Failure> setCurrentDrive(const std::string& text) override;

    // The current drive's folder: the folder a run works in.
    std::string workingFolder() const { return folderOn(currentDrive_); }

private:
    DriveOf driveOf_;
    std::string currentDrive_;
    // Each drive's folder, once it has one; a drive not in here is at its root.
    std::map<std::string, std::string> folderByDrive_;
};

// Where the window starts: the process's current folder, or the home folder when that
// is gone (deleted since the program was started from it) or cannot be told.
std::string startFolder();

} // namespace platform
