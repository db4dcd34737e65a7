#include "platform/process_folders.h"

#include <cerrno>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include "platform/windows_text.h"

#include <direct.h>
#include <stdlib.h>
#include <windows.h>
#else
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {
namespace {

navigation::Failure systemFailure(std::string operation, std::string target, int error) {
    return {std::move(operation), std::move(target), std::generic_category().message(error)};
}

navigation::Failure noDrive(std::string operation, std::string target) {
    return {std::move(operation), std::move(target), "lies on no drive"};
}

} // namespace

#ifdef _WIN32

// The C runtime keeps each drive's current folder (in the "=D:" entries of the process's
// environment) and restores it whenever the drive is made current again.
namespace {

// 1 for A, 2 for B and so on; 0 when the text does not begin with a drive letter.
int driveNumber(const std::string& text) {
    if (text.size() < 2 || text[1] != ':')
        return 0;
    const char letter = text[0];
    if (letter >= 'A' && letter <= 'Z')
        return letter - 'A' + 1;
    if (letter >= 'a' && letter <= 'z')
        return letter - 'a' + 1;
    return 0;
}

} // namespace

ProcessFolders::ProcessFolders(DriveOf) {}

std::string ProcessFolders::driveOf(const std::string& path) const {
    const int number = driveNumber(path);
    if (number == 0)
        return {};
    return {char('A' + number - 1), ':'};
}

std::string ProcessFolders::folderOn(const std::string& drive) const {
    const int number = driveNumber(drive);
    if (number == 0)
        return {};
    wchar_t* folder = _wgetdcwd(number, nullptr, 0);
    if (folder == nullptr)
        return {};
    std::string text = utf8(folder);
    free(folder);
    return text;
}

std::optional<navigation::Failure> ProcessFolders::setCurrentFolder(const std::string& folder) {
    const int number = driveNumber(folder);
    if (number == 0)
        return noDrive("change folder", folder);
    const int current = _getdrive();
    // _wchdir makes the folder's drive current as well; making the previous drive current
    // again leaves the folder as the current folder of its own drive.
    if (_wchdir(wide(folder).c_str()) != 0 ||
        (current != 0 && current != number && _chdrive(current) != 0)) {
        const int error = errno;
        return systemFailure("change folder", folder, error);
    }
    return std::nullopt;
}

std::optional<navigation::Failure> ProcessFolders::setCurrentDrive(const std::string& text) {
    const int number = driveNumber(text);
    if (number == 0)
        return noDrive("change drive", text);
    if (_chdrive(number) != 0) {
        const int error = errno;
        return systemFailure("change drive", text, error);
    }
    return std::nullopt;
}

#else

namespace {

// 0 when `folder` is a folder that chdir() would enter, else the reason it would not.
int enterable(const std::string& folder) {
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode))
        return ENOTDIR;
    return access(folder.c_str(), X_OK) == 0 ? 0 : errno;
}

} // namespace

ProcessFolders::ProcessFolders(DriveOf driveOf) : driveOf_(std::move(driveOf)) {
    std::error_code error;
    const std::string start = std::filesystem::current_path(error).string();
    currentDrive_ = driveOf_(start);
    if (!currentDrive_.empty())
        folderByDrive_[currentDrive_] = start;
}

std::string ProcessFolders::driveOf(const std::string& path) const {
    return driveOf_(path);
}

std::string ProcessFolders::folderOn(const std::string& drive) const {
    const std::string holding = driveOf_(drive);
    const auto found = folderByDrive_.find(holding);
    return found != folderByDrive_.end() ? found->second : holding;
}

std::optional<navigation::Failure> ProcessFolders::setCurrentFolder(const std::string& folder) {
    const std::string drive = driveOf_(folder);
    if (drive.empty())
        return noDrive("change folder", folder);
    // Only the current drive's folder is the process's; another drive's is entered when
    // its drive becomes current, and has to be enterable now already.
    const int error =
        drive == currentDrive_ ? (chdir(folder.c_str()) == 0 ? 0 : errno) : enterable(folder);
    if (error != 0)
        return systemFailure("change folder", folder, error);
    folderByDrive_[drive] = folder;
    return std::nullopt;
}

std::optional<navigation::Failure> ProcessFolders::setCurrentDrive(const std::string& text) {
    const std::string drive = driveOf_(text);
    if (drive.empty())
        return noDrive("change drive", text);
    if (chdir(folderOn(drive).c_str()) != 0) {
        const int error = errno;
        return systemFailure("change drive", text, error);
    }
    currentDrive_ = drive;
    return std::nullopt;
}

#endif

} // namespace platform
