// The record of shooting times changes no name: two copies of one folder go through the
// same random history, one run with the record and one without, and must agree throughout;
// a photo changed under its name in any way is read again.

#include "platform/exif/exif_reader.h"
#include "platform/files/photo_listing.h"
#include "platform/files/utf8_path.h"
#include "platform/journal/journal_store.h"
#include "platform/record/file_status.h"
#include "runs/remembered_times.h"
#include "tests/support/jpeg_fixture.h"
#include "tests/support/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <utility>

namespace {

namespace fs = std::filesystem;
constexpr std::string_view kBirthday = "2006-05-10";
const std::string kTimes[] = {"2007:03:15 14:05:33", "2007:03:15 14:05:33", "2008:01:01 00:00:01",
                              "2009:09:09 09:09:09"};

// A folder whose runs are counted by the photos that reach the reader; without the record,
// it is removed before each run.
struct Copy {
    fixture::TempFolder dir;
    std::string path = dir.path().string();
    bool record = true;
    int reads = 0;
    std::function<void(const fs::path& file)> afterRead; // once, after the first read

    runs::Control control() {
        if (!record)
            fs::remove(platform::pathFromUtf8(runs::shootingRecordPath(path)));
        return {.reader = [this](const std::string& folder, const std::vector<std::string>&) {
            return std::make_unique<Counted>(folder, *this);
        }};
    }
    runs::Outcome run(const std::vector<std::string>& photos) {
        runs::Outcome outcome =
            runs::renameFolder(path, photos, kBirthday, runs::Effect::Rename, control());
        EXPECT_EQ(outcome.recordProblem, "");
        return outcome;
    }
    runs::Outcome runAll() { return run(platform::listPhotos(path)); }

    struct Counted : naming::ShootingTimeSource {
        Counted(const std::string& folder, Copy& owner) : exif(folder), copy(owner) {}
        std::optional<std::string> shootingTime(const std::string& name) override {
            ++copy.reads;
            std::optional<std::string> shot = exif.shootingTime(name);
            if (const auto then = std::exchange(copy.afterRead, nullptr))
                then(copy.dir.at(name));
            return shot;
        }
        platform::ExifShootingTimeSource exif;
        Copy& copy;
    };
};

// False on a file system whose status cannot prove a file unchanged (FAT, exFAT, FUSE):
// there no run remembers, and every photo is read as without the record.
bool statusProvesFilesHere() {
    const Copy probe;
    probe.dir.write("probe.jpg", "x");
    return platform::FolderStatus(probe.path).status("probe.jpg").has_value();
}

// The photo under `file` given another shooting time, the rest of its bytes and so its
// size kept, and its modification time put back, as an editor that keeps times does: in
// place, renamed over it from beside it, or removed and made anew (as a restore does).
enum class Way { InPlace, RenamedOver, MadeAnew };
void rewrite(const fs::path& file, const std::string& time, Way way) {
    const auto modified = fs::last_write_time(file);
    std::string old;
    { // closed before the file is removed
        std::ifstream in(file, std::ios::binary);
        old.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::string fresh = fixture::photo(time);
    fresh += old.substr(std::min(old.size(), fresh.size()));
    const fs::path target =
        way == Way::RenamedOver ? fs::path(file.native() + fs::path::string_type(2, '~')) : file;
    if (way == Way::MadeAnew)
        fs::remove(file);
    std::ofstream(target, std::ios::binary | std::ios::trunc) << fresh;
    fs::last_write_time(target, modified);
    if (way == Way::RenamedOver)
        fs::rename(target, file);
}

TEST(RememberedTimes, RunsWithTheRecordNameAsRunsWithout) {
    if (!statusProvesFilesHere())
        GTEST_SKIP() << "the temporary folder's file system keeps no record";
    std::mt19937 random(20261207);
    int readsWith = 0, readsWithout = 0;
    for (int history = 0; history < 30; ++history) {
        Copy with, without;
        without.record = false;
        for (int step = 0; step < 14; ++step) {
            const std::vector<std::string> names = with.dir.listing();
            ASSERT_EQ(names, without.dir.listing());
            const std::string some = names.empty() ? "" : names[random() % names.size()];
            const std::string time = kTimes[random() % std::size(kTimes)];
            const auto what = names.empty() ? 0 : random() % 7;
            SCOPED_TRACE(testing::Message()
                         << history << "/" << step << " " << what << " " << some);
            for (Copy* copy : {&with, &without}) {
                const fs::path file = copy->dir.at(some);
                switch (what) {
                case 0: // a photo added, some without a shooting time
                    copy->dir.write("IMG_" + std::to_string(step) + ".jpg",
                                    fixture::photo(step % 5 ? std::optional(time) : std::nullopt));
                    break;
                case 1:
                    copy->runAll();
                    break;
                case 2: // the photos selected
                    copy->run({some});
                    break;
                case 3:
                    runs::undoLastRun(copy->path, runs::Effect::Rename, copy->control());
                    break;
                case 4: // edited in place or replaced, its times kept
                    rewrite(file, time, step % 2 ? Way::InPlace : Way::MadeAnew);
                    break;
                case 5:
                    fs::remove(file);
                    break;
                case 6: // renamed by hand
                    fs::rename(file, copy->dir.at("hand" + std::to_string(step) + ".jpg"));
                    break;
                }
            }
            ASSERT_EQ(with.dir.contents(), without.dir.contents());
        }
        readsWith += with.reads;
        readsWithout += without.reads;
    }
    EXPECT_LT(readsWith, readsWithout);
}

// A photo that changed under its name (but for its status change time) is read again, and
// named as its contents now say; the other photo of the folder is not read.
TEST(RememberedTimes, APhotoChangedUnderItsNameIsReadAgain) {
    if (!statusProvesFilesHere())
        GTEST_SKIP() << "the temporary folder's file system keeps no record";
    using Change = std::function<void(const fs::path& file, const Copy& copy)>;
    const std::pair<std::string_view, Change> changes[] = {
        {"edited in place",
         [](const fs::path& file, const Copy&) { rewrite(file, kTimes[3], Way::InPlace); }},
        {"replaced by another photo",
         [](const fs::path& file, const Copy&) { rewrite(file, kTimes[3], Way::RenamedOver); }},
        {"restored from a backup",
         [](const fs::path& file, const Copy&) { rewrite(file, kTimes[3], Way::MadeAnew); }},
        {"another card in the drive",
         [](const fs::path& file, const Copy& copy) {
             const std::string name = file.filename().string();
             platform::ShootingRecord record(runs::shootingRecordPath(copy.path),
                                             platform::JournalStore(copy.path).folder(),
                                             runs::kRecordedReader);
             platform::FileStatus status = *platform::FolderStatus(copy.path).status(name);
             status.volume += 1;
             record.put(name, status, kTimes[3]);
             ASSERT_FALSE(record.save());
         }},
        {"edited in place while the run went on", [](const fs::path&, const Copy&) {}},
        {"record damaged",
         [](const fs::path&, const Copy& copy) {
             std::ofstream(platform::pathFromUtf8(runs::shootingRecordPath(copy.path)),
                           std::ios::in | std::ios::out)
                 << "x";
         }},
        {"the photo's line of the record damaged",
         [](const fs::path&, const Copy& copy) {
             const fs::path record = platform::pathFromUtf8(runs::shootingRecordPath(copy.path));
             std::string text;
             {
                 std::ifstream in(record, std::ios::binary);
                 text.assign(std::istreambuf_iterator<char>(in), {});
             }
             text.replace(text.find(kTimes[0]), 4, "2001");
             std::ofstream(record, std::ios::binary) << text;
         }},
    };
    for (const auto& [how, change] : changes) {
        SCOPED_TRACE(how);
        Copy with, without;
        without.record = false;
        for (Copy* copy : {&with, &without}) {
            copy->dir.write("IMG_1.jpg", fixture::photo(kTimes[0]) + "a");
            copy->dir.write("IMG_2.jpg", fixture::photo(kTimes[2]) + "b");
            if (how == "edited in place while the run went on")
                copy->afterRead = [](const fs::path& file) {
                    rewrite(file, kTimes[3], Way::InPlace);
                };
            const runs::Outcome first = copy->runAll();
            ASSERT_EQ(first.renamedCount(), 2u);
            copy->reads = 0;
            change(copy->dir.at(first.photos[0].to), *copy);
        }
        EXPECT_EQ(with.runAll().photos, without.runAll().photos);
        EXPECT_EQ(with.dir.contents(), without.dir.contents());
        EXPECT_EQ(with.reads, how == "record damaged" ? 2 : 1);
    }
}

} // namespace
