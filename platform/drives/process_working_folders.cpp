#include "platform/drives/process_working_folders.h"

#include "platform/drives/home_folder.h"
#include "platform/files/folder_access.h"
#include "platform/files/utf8_path.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace platform {
namespace {

namespace fs = std::filesystem;

navigation::Failure noDrive(std::string operation, std::string target) {
    return {std::move(operation), std::move(target), "lies on no drive"};
}

// Empty when `folder` can be opened (folderOpenError), else the reason.
std::string unenterable(const std::string& folder) {
    const std::error_code error = folderOpenError(folder);
    return error ? error.message() : std::string();
}

// A drive text is a path too, except a bare drive letter, which names that drive's root.
std::string rootOf(const std::string& drive) {
    return !drive.empty() && drive.back() == ':' ? drive + "/" : drive;
}

} // namespace

ProcessWorkingFolders::ProcessWorkingFolders(DriveOf driveOf, const std::string& start)
    : driveOf_(std::move(driveOf)), currentDrive_(driveOf_(start)) {
    if (!currentDrive_.empty())
        folderByDrive_[currentDrive_] = start;
}

std::string ProcessWorkingFolders::driveOf(const std::string& path) const {
    return driveOf_(path);
}

std::string ProcessWorkingFolders::folderOn(const std::string& drive) const {
    const std::string holding = driveOf_(drive);
    const auto found = folderByDrive_.find(holding);
    return found != folderByDrive_.end() ? found->second : rootOf(holding);
}

std::optional<navigation::Failure>
ProcessWorkingFolders::setCurrentFolder(const std::string& folder) {
    const std::string drive = driveOf_(folder);
    if (drive.empty())
        return noDrive("change folder", folder);
    if (std::string reason = unenterable(folder); !reason.empty())
        return navigation::Failure{"change folder", folder, std::move(reason)};
    folderByDrive_[drive] = folder;
    return std::nullopt;
}

std::optional<navigation::Failure> ProcessWorkingFolders::setCurrentDrive(const std::string& text) {
    const std::string drive = driveOf_(text);
    if (drive.empty())
        return noDrive("change drive", text);
    if (std::string reason = unenterable(folderOn(drive)); !reason.empty())
        return navigation::Failure{"change drive", text, std::move(reason)};
    currentDrive_ = drive;
    return std::nullopt;
}

std::string startFolder() {
    std::error_code error;
    const fs::path here = fs::current_path(error);
    if (!error && fs::is_directory(here, error))
        return utf8FromPath(here);
    // The home folder as the system resolves it, as the current folder comes: where it is a
    // link, the drive list shows the drive it leads to.
    const std::string home = homeFolder();
    if (home.empty())
        return "/";
    const fs::path resolved = fs::canonical(pathFromUtf8(home), error);
    if (!error && fs::is_directory(resolved, error))
        return utf8FromPath(resolved);
    return "/";
}

} // namespace platform
