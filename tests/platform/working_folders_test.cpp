// The current drive and each drive's folder on real folders, two folders of a temporary
// folder standing in for two drives, and on the system's own drives; the process's own
// current folder is never touched.

#include "platform/drives/process_working_folders.h"
#include "platform/drives/volumes.h"
#include "platform/files/utf8_path.h"
#include "tests/platform/two_drives.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using fixture::TwoDrives;
using navigation::Failure;

TEST(WorkingFolders, EachDriveKeepsItsOwnFolder) {
    const TwoDrives drives;
    platform::ProcessWorkingFolders folders(drives.driveOfFunction(), drives.at("a/start"));
    const fs::path processFolder = fs::current_path();
    EXPECT_EQ(folders.driveOf(drives.at("a/trip")), drives.at("a"));
    EXPECT_EQ(folders.folderOn(drives.at("a")), drives.at("a/start"));
    EXPECT_EQ(folders.folderOn(drives.at("b")), drives.at("b"));

    EXPECT_EQ(folders.setCurrentFolder(drives.at("b/DCIM")), std::nullopt);
    EXPECT_EQ(folders.workingFolder(), drives.at("a/start")); // b is not the current drive
    EXPECT_EQ(folders.folderOn(drives.at("b")), drives.at("b/DCIM"));

    EXPECT_EQ(folders.setCurrentDrive(drives.at("b")), std::nullopt);
    EXPECT_EQ(folders.workingFolder(), drives.at("b/DCIM"));
    EXPECT_EQ(folders.setCurrentFolder(drives.at("b")), std::nullopt);
    EXPECT_EQ(folders.workingFolder(), drives.at("b"));

    EXPECT_EQ(folders.setCurrentDrive(drives.at("a/trip")), std::nullopt); // a path on a
    EXPECT_EQ(folders.workingFolder(), drives.at("a/start"));
    EXPECT_EQ(fs::current_path(), processFolder);
}

TEST(WorkingFolders, RefusesWhatCannotBeEnteredAndChangesNothing) {
    const TwoDrives drives;
    platform::ProcessWorkingFolders folders(drives.driveOfFunction(), drives.at("a/start"));
    const fs::path processFolder = fs::current_path();
    const std::string photo = drives.temp().write("a/start/photo.jpg", "x").string();
    EXPECT_EQ(folders.setCurrentFolder(drives.at("b/DCIM")), std::nullopt);
    fs::remove(drives.at("b/DCIM"));

    EXPECT_EQ(folders.setCurrentFolder(drives.at("a/gone")),
              (Failure{"change folder", drives.at("a/gone"), "No such file or directory"}));
    EXPECT_EQ(folders.setCurrentFolder(drives.at("b/gone")),
              (Failure{"change folder", drives.at("b/gone"), "No such file or directory"}));
    EXPECT_EQ(folders.setCurrentFolder(photo),
              (Failure{"change folder", photo, "Not a directory"}));
    EXPECT_EQ(folders.setCurrentFolder("/"), (Failure{"change folder", "/", "lies on no drive"}));
    EXPECT_EQ(folders.setCurrentDrive("/"), (Failure{"change drive", "/", "lies on no drive"}));
    EXPECT_EQ(folders.setCurrentDrive(drives.at("b")),
              (Failure{"change drive", drives.at("b"), "No such file or directory"}));

    EXPECT_EQ(folders.workingFolder(), drives.at("a/start"));
    EXPECT_EQ(folders.folderOn(drives.at("a")), drives.at("a/start"));
    EXPECT_EQ(folders.folderOn(drives.at("b")), drives.at("b/DCIM"));
}

#ifdef _WIN32
// The same on the drive letters of the system, whichever way a path on them is written:
// the temporary folder's drive, and another drive where there is one (wine has Z:).
TEST(WorkingFolders, EachDriveLetterKeepsItsOwnFolder) {
    const fixture::TempFolder temp;
    fs::create_directory(temp.at("照片"));
    const std::string start = platform::utf8FromPath(temp.path()); // "C:/Users/..."
    const std::string photos = platform::utf8FromPath(temp.at("照片"));
    const std::string drive = platform::driveHolding(start);
    ASSERT_EQ(drive.size(), 2u) << start;
    platform::ProcessWorkingFolders folders(platform::driveHolding, start);
    const fs::path processFolder = fs::current_path();

    std::string written = photos; // "c:\Users\...\照片"
    written[0] = char(std::tolower(written[0]));
    std::replace(written.begin(), written.end(), '/', '\\');
    EXPECT_EQ(folders.driveOf(written), drive);
    EXPECT_EQ(folders.setCurrentFolder(written), std::nullopt);
    EXPECT_EQ(folders.workingFolder(), written);

    for (const platform::Volume& other : platform::systemVolumes()) {
        if (other.mountPoint == drive || !fs::is_directory(other.mountPoint + "/"))
            continue;
        EXPECT_EQ(folders.folderOn(other.mountPoint), other.mountPoint + "/");
        EXPECT_EQ(folders.setCurrentDrive(other.mountPoint), std::nullopt);
        EXPECT_EQ(folders.workingFolder(), other.mountPoint + "/");
        EXPECT_EQ(folders.setCurrentDrive(drive), std::nullopt);
        EXPECT_EQ(folders.workingFolder(), written);
        break;
    }
    EXPECT_EQ(folders.setCurrentFolder("\\\\nas\\photos"),
              (Failure{"change folder", "\\\\nas\\photos", "lies on no drive"}));
    EXPECT_EQ(folders.workingFolder(), written);
    EXPECT_EQ(fs::current_path(), processFolder);
}
#endif
