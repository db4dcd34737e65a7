// The five handlers over a machine held in memory: every row of the start-up end state,
// storing the birthday and closing, changes of drive and folder, and the refusals and
// failures that must neither stop the program nor leave the lists and the working folder
// apart.

#include "naming/media_kinds.h"
#include "navigation/handlers.h"
#include "tests/navigation/fake_controls.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

using fixture::Store;
using navigation::Failure;

namespace {

const std::string kStart = "/home/anna";

// Drives are mount points; "/" holds every path that no other drive holds.
struct Machine {
    std::set<std::string> drives{"/", "/media/card", "/media/reader"};
    // The folders that can be shown. The card reader holds no card: nothing on it can.
    std::set<std::string> folders{
        "/",      "/home/anna",  "/home/anna/photos", "/home/anna/locked", "/home/anna/sealed",
        "/media", "/media/card", "/media/card/DCIM",  "/media/card/locked"};
    std::set<std::string> unlistable{"/home/anna/locked", "/media/card/locked"};
    std::set<std::string> unenterable{"/home/anna/sealed"};

    std::string driveOf(const std::string& path) const {
        std::string holding;
        for (const std::string& drive : drives) {
            const bool holds = drive == "/" ? path.starts_with('/')
                                            : path == drive || path.starts_with(drive + "/");
            if (holds && drive.size() > holding.size())
                holding = drive;
        }
        return holding;
    }
};

// Current drive and a current folder per drive, each drive at its root until then.
class Process final : public navigation::WorkingFolders {
public:
    Process(const Machine& machine, const std::string& start)
        : machine_(machine), drive_(machine.driveOf(start)) {
        folderByDrive_[drive_] = start;
    }
    std::string driveOf(const std::string& path) const override { return machine_.driveOf(path); }
    std::string folderOn(const std::string& drive) const override {
        const auto found = folderByDrive_.find(driveOf(drive));
        return found != folderByDrive_.end() ? found->second : driveOf(drive);
    }
    std::optional<Failure> setCurrentFolder(const std::string& folder) override {
        if (!enterable(folder))
            return Failure{"change folder", folder, "cannot enter"};
        folderByDrive_[driveOf(folder)] = folder;
        return std::nullopt;
    }
    std::optional<Failure> setCurrentDrive(const std::string& text) override {
        if (!enterable(folderOn(text)))
            return Failure{"change drive", text, "cannot enter"};
        drive_ = driveOf(text);
        return std::nullopt;
    }
    std::string drive() const { return drive_; }
    std::string workingFolder() const { return folderOn(drive_); }

private:
    bool enterable(const std::string& folder) const {
        return machine_.folders.contains(folder) && !machine_.unenterable.contains(folder);
    }
    const Machine& machine_;
    std::string drive_;
    std::map<std::string, std::string> folderByDrive_;
};

// What the four parties that have to agree show.
struct Place {
    std::string driveList, folderList, fileList, workingFolder, currentDrive;

    friend bool operator==(const Place&, const Place&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Place& p) {
        return out << "{drive list " << p.driveList << ", folder list " << p.folderList
                   << ", file list " << p.fileList << ", working folder " << p.workingFolder
                   << " on " << p.currentDrive << "}";
    }
};

// One run of the program: the controls start on the process's folder, as the window's do,
// and raise their change events into the handlers, as the window wires them.
class Session {
public:
    Session(const Machine& machine, Store& store, const std::string& start = kStart)
        : driveList(machine.driveOf(start),
                    [&machine](auto& d) { return machine.drives.contains(d); }),
          folderList(start, [&machine](auto& f) { return machine.folders.contains(f); }),
          fileList(start,
                   [&machine](auto& f) {
                       return machine.folders.contains(f) && !machine.unlistable.contains(f);
                   }),
          process(machine, start),
          handlers({driveList, folderList, fileList, birthdayBox, process, store, beeper}),
          machine_(machine) {
        driveList.changed = [this] { handlers.onDriveChanged(); };
        folderList.changed = [this] { handlers.onFolderChanged(); };
        birthdayBox.changed = [this] { handlers.onBirthdayChanged(); };
    }

    Place place() const {
        return {driveList.drive(), folderList.path(), fileList.path(), process.workingFolder(),
                process.drive()};
    }
    Place agreeingOn(const std::string& folder) const {
        return {machine_.driveOf(folder), folder, folder, folder, machine_.driveOf(folder)};
    }

    fixture::FakeDriveList driveList;
    fixture::FakeFolderList folderList;
    fixture::FakeFileList fileList;
    fixture::FakeBirthdayBox birthdayBox;
    Process process;
    fixture::Beeper beeper;
    navigation::Handlers handlers;

private:
    const Machine& machine_;
};

using Stored = std::map<std::string, std::string, std::less<>>;

TEST(StartUp, EndsWhereTheStoredDriveAndFolderAllow) {
    const struct {
        const char* what;
        Stored stored;
        std::string shown;
    } rows[] = {
        {"first start", {}, kStart},
        {"stored drive and folder present",
         {{"CurrentDrive", "/media/card"},
          {"CurrentDir", "/media/card/DCIM"},
          {"birthday", "2006-05-10"}},
         "/media/card/DCIM"},
        {"stored folder on the drive of the start folder",
         {{"CurrentDrive", "/"}, {"CurrentDir", "/home/anna/photos"}, {"birthday", "2006-05-10"}},
         "/home/anna/photos"},
        {"stored drive gone",
         {{"CurrentDrive", "/media/stick"},
          {"CurrentDir", "/media/stick/DCIM"},
          {"birthday", "2006-05-10"}},
         kStart},
        {"stored drive present but not ready",
         {{"CurrentDrive", "/media/reader"},
          {"CurrentDir", "/media/reader/DCIM"},
          {"birthday", "x"}},
         kStart},
        {"stored folder deleted",
         {{"CurrentDrive", "/media/card"}, {"CurrentDir", "/media/card/2006"}, {"birthday", ""}},
         "/media/card"},
        {"stored folder that cannot be listed",
         {{"CurrentDrive", "/media/card"}, {"CurrentDir", "/media/card/locked"}},
         "/media/card"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Machine machine;
        Store store;
        store.values = row.stored;
        Session session(machine, store);

        session.handlers.restoreSettings();

        EXPECT_EQ(session.place(), session.agreeingOn(row.shown));
        EXPECT_EQ(session.fileList.pattern(), "*.jpg");
        EXPECT_EQ(session.birthdayBox.text(), store.read("birthday"));
        EXPECT_EQ(store.values, row.stored);
        EXPECT_EQ(session.beeper.beeps, 0);
    }
}

// The file list's entry for phone media: the pattern follows the stored choice at start-up
// and every change, which is stored at once.
TEST(AllMedia, TheStoredChoiceSetsThePatternAndEveryChangeIsStored) {
    Machine machine;
    Store store;
    store.values = {{"AllMedia", "1"}};
    Session session(machine, store);
    session.handlers.restoreSettings();
    EXPECT_TRUE(session.handlers.allMedia());
    EXPECT_EQ(session.fileList.pattern(), naming::kAllMediaPattern);

    session.handlers.setAllMedia(false);
    EXPECT_EQ(session.fileList.pattern(), "*.jpg");
    EXPECT_EQ(store.writes, std::vector<std::string>{"AllMedia=0"});
    EXPECT_FALSE(session.handlers.allMedia());
}

TEST(Birthday, EveryChangeIsStoredAndTheCloseStoresOnlyDriveAndFolder) {
    Machine machine;
    Store store;
    Session session(machine, store);
    session.handlers.restoreSettings();

    session.birthdayBox.type("2007-03-26");
    session.handlers.saveSettings();

    EXPECT_EQ(store.writes,
              (std::vector<std::string>{
                  "birthday=2", "birthday=20", "birthday=200", "birthday=2007", "birthday=2007-",
                  "birthday=2007-0", "birthday=2007-03", "birthday=2007-03-", "birthday=2007-03-2",
                  "birthday=2007-03-26", "CurrentDrive=/", "CurrentDir=/home/anna"}));
}

TEST(Restart, ComesBackToTheFolderAndTheBirthdayOfTheLastClose) {
    Machine machine;
    Store store;
    {
        Session first(machine, store);
        first.handlers.restoreSettings();
        first.driveList.setDrive("/media/card");
        first.folderList.setPath("/media/card/DCIM");
        first.birthdayBox.type("2007-3-26"); // malformed; stored all the same
        first.handlers.saveSettings();
    }
    Session second(machine, store);
    second.handlers.restoreSettings();

    EXPECT_EQ(second.place(), second.agreeingOn("/media/card/DCIM"));
    EXPECT_EQ(second.birthdayBox.text(), "2007-3-26");
    EXPECT_EQ(store.read("birthday"), "2007-3-26");
}

TEST(Navigation, DriveListFollowsTheFolderListOntoAnotherDrive) {
    Machine machine;
    Store store;
    Session session(machine, store);
    session.handlers.restoreSettings();

    for (const std::string folder : {"/media", "/media/card", "/media/card/DCIM", "/media"}) {
        session.folderList.setPath(folder);
        EXPECT_EQ(session.place(), session.agreeingOn(folder));
    }
    EXPECT_EQ(session.beeper.beeps, 0);
}

TEST(Refusal, GoesBackToWhereTheListsLastAgreedAndBeeps) {
    const struct {
        const char* what;
        std::function<void(Machine&)> breakMachine;
        std::function<void(Session&)> pick;
    } rows[] = {
        {"drive without its medium", [](Machine&) {},
         [](Session& s) { s.driveList.setDrive("/media/reader"); }},
        {"drive whose folder cannot be listed",
         [](Machine& m) { m.unlistable.insert("/media/card"); },
         [](Session& s) { s.driveList.setDrive("/media/card"); }},
        {"drive whose folder cannot be entered",
         [](Machine& m) { m.unenterable.insert("/media/card"); },
         [](Session& s) { s.driveList.setDrive("/media/card"); }},
        {"folder that cannot be listed", [](Machine&) {},
         [](Session& s) { s.folderList.setPath("/home/anna/locked"); }},
        {"folder that cannot be entered", [](Machine&) {},
         [](Session& s) { s.folderList.setPath("/home/anna/sealed"); }},
        {"folder on another drive that cannot be listed", [](Machine&) {},
         [](Session& s) { s.folderList.setPath("/media/card/locked"); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Machine machine;
        row.breakMachine(machine);
        Store store;
        Session session(machine, store);
        session.handlers.restoreSettings();
        session.folderList.setPath("/home/anna/photos");

        row.pick(session);
        EXPECT_EQ(session.place(), session.agreeingOn("/home/anna/photos"));
        EXPECT_EQ(session.beeper.beeps, 1);

        session.folderList.setPath(kStart);
        EXPECT_EQ(session.place(), session.agreeingOn(kStart));
        EXPECT_EQ(session.beeper.beeps, 1);
    }
}

TEST(Store, AFailedWriteStopsNeitherTheBirthdayBoxNorTheClose) {
    Machine machine;
    Store store;
    store.values = {{"CurrentDrive", "/media/card"}, {"CurrentDir", "/media/card/DCIM"}};
    store.broken = true;
    Session session(machine, store);
    session.handlers.restoreSettings();

    session.birthdayBox.type("2007");
    session.handlers.saveSettings();
    EXPECT_EQ(session.birthdayBox.text(), "2007");
    EXPECT_EQ(store.writesOf("birthday"), 4);
    EXPECT_EQ(store.writes.back(), "CurrentDir=/media/card/DCIM");
    EXPECT_EQ(store.values,
              (Stored{{"CurrentDrive", "/media/card"}, {"CurrentDir", "/media/card/DCIM"}}));
    EXPECT_EQ(session.beeper.beeps, 0);

    store.broken = false;
    session.birthdayBox.type("-");
    EXPECT_EQ(store.read("birthday"), "2007-");
}

// The trap resumes at step 4: its first catch runs steps 4 and 5 again, and a failure
// after a catch is let go. Start-up ends in every case.
TEST(StartUp, FailuresInStepsFourAndFiveAreLetGoAfterTheFirstCatch) {
    const struct {
        const char* what;
        std::string storedDrive;
        int failingPatterns;
        bool storeBroken;
        int patternSettings;
        std::string shown;
    } rows[] = {
        {"pattern fails once", "/", 1, false, 2, "/home/anna/photos"},
        {"pattern keeps failing", "/", 99, false, 2, "/home/anna/photos"},
        {"pattern fails after a caught failure", "/media/stick", 99, false, 1, kStart},
        {"pattern fails after a failure caught inside the cascade", "/media/reader", 99, false, 1,
         kStart},
        {"birthday write fails", "/", 0, true, 2, "/home/anna/photos"},
        {"birthday write fails after a caught failure", "/media/reader", 0, true, 1, kStart},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Machine machine;
        Store store;
        store.values = {{"CurrentDrive", row.storedDrive},
                        {"CurrentDir", "/home/anna/photos"},
                        {"birthday", "2006-05-10"}};
        store.broken = row.storeBroken;
        Session session(machine, store);
        session.fileList.failingPatterns = row.failingPatterns;

        session.handlers.restoreSettings();

        EXPECT_EQ(session.fileList.patternSettings, row.patternSettings);
        EXPECT_EQ(session.birthdayBox.text(), "2006-05-10");
        EXPECT_EQ(store.writesOf("birthday"), 1);
        EXPECT_EQ(session.place(), session.agreeingOn(row.shown));
        EXPECT_EQ(session.beeper.beeps, 0);
    }
}

} // namespace
