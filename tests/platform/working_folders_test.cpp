// The current drive and each drive's folder on real folders, two folders of a temporary
// folder standing in for two drives; the process's own current folder is never touched.
// Then the handlers over real folders, the real store and the real working folders: the
// working folder is the folder File1 lists, also straight after a restart.

#include "navigation/handlers.h"
#include "platform/settings_store.h"
#include "platform/working_folders.h"
#include "tests/navigation/fake_controls.h"
#include "tests/support/config_home.h"
#include "tests/support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using navigation::Failure;

namespace {

// Drives "a" and "b" of a temporary folder; the tests start in a/start.
class TwoDrives {
public:
    TwoDrives() { make(temp_); }

    std::string at(const std::string& relative) const { return (temp_.path() / relative).string(); }
    std::string driveOf(const std::string& path) const {
        for (const std::string& drive : {at("a"), at("b")})
            if (path == drive || path.starts_with(drive + "/"))
                return drive;
        return {};
    }
    platform::WorkingFolders::DriveOf driveOfFunction() const {
        return [this](const std::string& path) { return driveOf(path); };
    }
    const fixture::TempFolder& temp() const { return temp_; }

private:
    static void make(const fixture::TempFolder& temp) {
        for (const char* folder : {"a/start", "a/trip", "b/DCIM"})
            fs::create_directories(temp.path() / folder);
    }
    fixture::TempFolder temp_;
};

TEST(WorkingFolders, EachDriveKeepsItsOwnFolder) {
    const TwoDrives drives;
    platform::WorkingFolders folders(drives.driveOfFunction(), drives.at("a/start"));
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
    platform::WorkingFolders folders(drives.driveOfFunction(), drives.at("a/start"));
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

// One run of the program on real folders, the lists accepting any folder there is.
class DiskSession {
public:
    DiskSession(const TwoDrives& drives, const std::string& start)
        : folders(drives.driveOfFunction(), start),
          drive1(drives.driveOf(start),
                 [&drives](auto& d) { return !d.empty() && drives.driveOf(d) == d; }),
          dir1(start, [](auto& f) { return fs::is_directory(f); }),
          file1(start, [](auto& f) { return fs::is_directory(f); }),
          handlers({drive1, dir1, file1, text1, folders, store, beeper}) {
        drive1.changed = [this] { handlers.onDriveChanged(); };
        dir1.changed = [this] { handlers.onFolderChanged(); };
        text1.changed = [this] { handlers.onBirthdayChanged(); };
        handlers.restoreSettings();
    }
    ~DiskSession() { handlers.saveSettings(); }

    platform::WorkingFolders folders;
    platform::SettingsStore store;
    fixture::Drive1 drive1;
    fixture::Dir1 dir1;
    fixture::File1 file1;
    fixture::Text1 text1;
    fixture::Beeper beeper;
    navigation::Handlers handlers;
};

TEST(HandlersOnDisk, TheWorkingFolderIsTheFolderFile1Lists) {
    const TwoDrives drives;
    const fixture::ConfigHome home(drives.temp().path() / "config");
    for (const char* folder : {"a/start", "a/trip", "b", "b/DCIM"})
        drives.temp().write(std::string(folder) + "/IMG_0001.jpg", folder);
    {
        DiskSession first(drives, drives.at("a/start"));
        first.dir1.setPath(drives.at("a/trip"));
        EXPECT_EQ(first.folders.workingFolder(), drives.at("a/trip"));
        first.drive1.setDrive(drives.at("b"));
        EXPECT_EQ(first.folders.workingFolder(), drives.at("b"));
        first.dir1.setPath(drives.at("b/DCIM"));
        EXPECT_EQ(first.folders.workingFolder(), drives.at("b/DCIM"));
        first.drive1.setDrive(drives.at("a"));
        EXPECT_EQ(first.folders.workingFolder(), drives.at("a/trip"));
        first.drive1.setDrive(drives.at("b"));
        EXPECT_EQ(first.beeper.beeps, 0);
    }
    const DiskSession second(drives, drives.at("a/start")); // starts where the first did
    EXPECT_EQ(second.file1.path(), drives.at("b/DCIM"));
    EXPECT_EQ(second.folders.workingFolder(), drives.at("b/DCIM"));
}

} // namespace

// A folder stored as a relative path would be read against whatever folder the program
// happened to start in, so it counts as absent; the start folder when it is gone is home.
TEST(HandlersOnDisk, RelativeStoredFolderIsAbsentAndAGoneStartFolderIsHome) {
    const TwoDrives drives;
    const fixture::ConfigHome home(drives.temp().path() / "config");
    {
        platform::SettingsStore store;
        ASSERT_EQ(store.write(navigation::kCurrentDrive, drives.at("a")), std::nullopt);
        ASSERT_EQ(store.write(navigation::kCurrentDir, "."), std::nullopt);
    }
    const DiskSession session(drives, drives.at("a/start"));
    EXPECT_EQ(session.dir1.path(), drives.at("a/start"));

    const fs::path before = fs::current_path();
    const fs::path gone = drives.temp().path() / "gone";
    fs::create_directory(gone);
    fs::current_path(gone);
    fs::remove(gone);
    const std::string start = platform::startFolder();
    fs::current_path(before);
    EXPECT_EQ(start, std::getenv("HOME"));
}
