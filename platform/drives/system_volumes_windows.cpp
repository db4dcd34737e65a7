#include "navigation/drive_letter.h"
#include "platform/drives/volumes.h"
#include "platform/system/windows_text.h"

#include <windows.h>

namespace platform {
namespace {

bool isPresent(const std::string& drive) {
    return GetLogicalDrives() & (1u << (drive[0] - 'A'));
}

// The label Explorer shows beside the letter; empty when the volume has none, or there
// is no medium in the drive.
std::string labelOf(const std::string& drive) {
    const std::wstring root = wide(drive) + L'\\';
    wchar_t label[MAX_PATH + 1];
    if (!GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr,
                               nullptr, 0))
        return {};
    return utf8(label);
}

} // namespace

// In the order of the letters, as Explorer and the drive boxes of Windows list them.
std::vector<Volume> systemVolumes() {
    // A card reader or a DVD drive without a medium must not bring up Windows' own "insert
    // a disk" box.
    DWORD previousMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previousMode);
    std::vector<Volume> volumes;
    const DWORD present = GetLogicalDrives();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (!(present & (1u << (letter - 'A'))))
            continue;
        const std::string drive{letter, ':'};
        if (GetDriveTypeW(wide(drive + '\\').c_str()) == DRIVE_NO_ROOT_DIR)
            continue;
        volumes.push_back({drive, labelOf(drive)});
    }
    SetThreadErrorMode(previousMode, nullptr);
    return volumes;
}

std::string driveHolding(const std::string& path) {
    std::string drive = navigation::driveLetterOf(path);
    return !drive.empty() && isPresent(drive) ? drive : std::string();
}

} // namespace platform
