// The process's current drive and folder on real folders, two folders of a temporary
// folder standing in for two drives. Then the handlers over real folders, the real store
// and the real process folders: a name taken from File1 opens the file in the folder File1
// lists, also straight after a restart.

#include "navigation/handlers.h"
#include "platform/process_folders.h"
#include "platform/settings_store.h"
#include "tests/navigation/config_home.h"
#include "tests/navigation/fake_controls.h"
#include "tests/support/current_folder.h"
#include "tests/support/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace fs = std::filesystem;
using navigation::Failure;

namespace {

// Drives "a" and "b" of a temporary folder; the tests start in a/start.
class TwoDrives {
public:
    TwoDrives() : here_(make(temp_)) {}

    std::string at(const std::string& relative) const { return (temp_.path() / relative).string(); }
    std::string driveOf(const std::string& path) const {
        for (const std::string& drive : {at("a"), at("b")})
            if (path == drive || path.starts_with(drive + "/"))
                return drive;
        return {};
    }
    platform::ProcessFolders::DriveOf driveOfFunction() const {
        return [this](const std::string& path) { return driveOf(path); };
    }
    fs::path currentFolder() const { return fs::current_path(); }
    const fixture::TempFolder& temp() const { return temp_; }

private:
    static fs::path make(const fixture::TempFolder& temp) {
        for (const char* folder : {"a/start", "a/trip", "b/DCIM"})
            fs::create_directories(temp.path() / folder);
        return temp.path() / "a/start";
    }
    fixture::TempFolder temp_;
    fixture::CurrentFolder here_;
};

TEST(ProcessFolders, EachDriveKeepsItsOwnFolder) {
    const TwoDrives drives;
    platform::ProcessFolders folders(drives.driveOfFunction());
    EXPECT_EQ(folders.driveOf(drives.at("a/trip")), drives.at("a"));
    EXPECT_EQ(folders.folderOn(drives.at("a")), drives.at("a/start"));
    EXPECT_EQ(folders.folderOn(drives.at("b")), drives.at("b"));

    EXPECT_EQ(folders.setCurrentFolder(drives.at("b/DCIM")), std::nullopt);
    EXPECT_EQ(drives.currentFolder(), drives.at("a/start")); // b is not the current drive
    EXPECT_EQ(folders.folderOn(drives.at("b")), drives.at("b/DCIM"));

    EXPECT_EQ(folders.setCurrentDrive(drives.at("b")), std::nullopt);
    EXPECT_EQ(drives.currentFolder(), drives.at("b/DCIM"));
    EXPECT_EQ(folders.setCurrentFolder(drives.at("b")), std::nullopt);
    EXPECT_EQ(drives.currentFolder(), drives.at("b"));

    EXPECT_EQ(folders.setCurrentDrive(drives.at("a/trip")), std::nullopt); // a path on a
    EXPECT_EQ(drives.currentFolder(), drives.at("a/start"));
}

TEST(ProcessFolders, RefusesWhatCannotBeEnteredAndChangesNothing) {
    const TwoDrives drives;
    platform::ProcessFolders folders(drives.driveOfFunction());
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

    EXPECT_EQ(drives.currentFolder(), drives.at("a/start"));
    EXPECT_EQ(folders.folderOn(drives.at("a")), drives.at("a/start"));
    EXPECT_EQ(folders.folderOn(drives.at("b")), drives.at("b/DCIM"));
}

std::string readRelative(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One run of the program on real folders, the lists accepting any folder there is.
class DiskSession {
public:
    explicit DiskSession(const TwoDrives& drives)
        : folders(drives.driveOfFunction()),
          drive1(drives.driveOf(fs::current_path().string()),
                 [&drives](auto& d) { return !d.empty() && drives.driveOf(d) == d; }),
          dir1(fs::current_path().string(), [](auto& f) { return fs::is_directory(f); }),
          file1(fs::current_path().string(), [](auto& f) { return fs::is_directory(f); }),
          handlers({drive1, dir1, file1, text1, folders, store, beeper}) {
        drive1.changed = [this] { handlers.drive1Change(); };
        dir1.changed = [this] { handlers.dir1Change(); };
        text1.changed = [this] { handlers.text1Change(); };
        handlers.form1Load();
    }
    ~DiskSession() { handlers.form1Unload(); }

    platform::ProcessFolders folders;
    platform::SettingsStore store;
    fixture::Drive1 drive1;
    fixture::Dir1 dir1;
    fixture::File1 file1;
    fixture::Text1 text1;
    fixture::Beeper beeper;
    navigation::Handlers handlers;
};

TEST(HandlersOnDisk, ANameFromFile1OpensTheFileInTheFolderListed) {
    const TwoDrives drives;
    const fixture::ConfigHome home(drives.temp().path() / "config");
    for (const char* folder : {"a/start", "a/trip", "b", "b/DCIM"})
        drives.temp().write(std::string(folder) + "/IMG_0001.jpg", folder);
    {
        DiskSession first(drives);
        first.dir1.setPath(drives.at("a/trip"));
        EXPECT_EQ(readRelative("IMG_0001.jpg"), "a/trip");
        first.drive1.setDrive(drives.at("b"));
        EXPECT_EQ(readRelative("IMG_0001.jpg"), "b");
        first.dir1.setPath(drives.at("b/DCIM"));
        EXPECT_EQ(readRelative("IMG_0001.jpg"), "b/DCIM");
        first.drive1.setDrive(drives.at("a"));
        EXPECT_EQ(readRelative("IMG_0001.jpg"), "a/trip");
        first.drive1.setDrive(drives.at("b"));
        EXPECT_EQ(first.beeper.beeps, 0);
    }
    fs::current_path(drives.at("a/start")); // a new process starts where the first did
    const DiskSession second(drives);
    EXPECT_EQ(second.file1.path(), drives.at("b/DCIM"));
    EXPECT_EQ(readRelative("IMG_0001.jpg"), "b/DCIM");
}

} // namespace
