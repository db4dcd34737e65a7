#pragma once

// The run harness on disk: a world of generated photos in a temporary folder, renamed
// through the folder on disk and read by the Exif reader as the program does; and the
// command line's runs over a test's own folder, listed afresh and undone from their
// journal. Only test programs that link the platform libraries include it.

#include "platform/files/disk_folder.h"
#include "platform/exif/exif_reader.h"
#include "platform/files/photo_listing.h"
#include "platform/journal/journal_store.h"
#include "tests/support/jpeg_fixture.h"
#include "tests/support/media_fixture.h"
#include "tests/support/run_harness.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace fixture {

// Each photo's file ends with the name it was added under, which so stays readable
// wherever the file moves; every second photo is written in the other byte order.
class DiskWorld : public World {
public:
    void addOther(const std::string& name) override {
        std::filesystem::create_directory(dir.at(name));
    }
    void addTwin(const std::string& existing, const std::string& name) override {
        std::filesystem::create_hard_link(dir.at(existing), dir.at(name));
    }
    naming::Folder& folder() override { return folder_; }
    std::vector<std::string> names() const override { return dir.listing(); }
    std::string origin(const std::string& name) const override {
        std::error_code error;
        if (!std::filesystem::is_regular_file(dir.at(name), error))
            return {};
        const auto file = originByContents_.find(dir.read(name));
        return file == originByContents_.end() ? std::string() : file->second;
    }
    void relist() override { listed = platform::listPhotos(dir.path().string()); }

    const TempFolder dir;

protected:
    std::optional<std::string> readTime(const std::string& name) override {
        return exif_.shootingTime(name);
    }
    void put(const std::string& name, const std::string& time) override {
        const auto order = originByContents_.size() % 2 ? ByteOrder::Motorola : ByteOrder::Intel;
        const std::string bytes =
            naming::mediaKind(name) != naming::MediaKind::JpegPhoto
                ? mediaFile(name, time, name)
                : photo(time.empty() ? std::nullopt : std::optional(time), order) + name;
        dir.write(name, bytes);
        originByContents_[bytes] = name;
    }

private:
    platform::DiskFolder folder_{dir.path().string()};
    platform::ExifShootingTimeSource exif_{dir.path().string()};
    std::map<std::string, std::string> originByContents_;
};

// The folder on disk at `dir`, for a naming::ForwardingFolder to pass on to.
inline std::unique_ptr<naming::Folder> diskFolder(const TempFolder& dir) {
    return std::make_unique<platform::DiskFolder>(dir.path().string());
}

// Renames every photo of `dir` as the command line does, listed afresh, working through
// `through` where a test puts a folder between the run and the disk.
inline RunReport runListed(const TempFolder& dir, std::string_view birthday,
                           naming::Folder* through = nullptr,
                           naming::RunJournal* journal = nullptr) {
    const std::string path = dir.path().string();
    platform::DiskFolder disk(path);
    platform::ExifShootingTimeSource times(path);
    return runBatch(through != nullptr ? *through : disk, times, platform::listPhotos(path),
                    birthday, journal);
}

// Undoes the newest run on record not yet undone, as tamblinor-cli --undo does.
inline void undoNewestRun(platform::JournalStore& store, naming::Folder& folder) {
    const std::vector<platform::RunOnRecord> runs = store.runs();
    ASSERT_FALSE(runs.empty());
    ASSERT_FALSE(runs.back().undone);
    platform::JournalWriter journal(store, {}, runs.back().run.fileName);
    platform::ExifShootingTimeSource times(store.folder());
    undoBatch(runs.back().run.renamesToUndo(), folder, times, &journal);
    EXPECT_EQ(journal.problem(), "");
}

} // namespace fixture
