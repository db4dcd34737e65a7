// The batch run on real folders of generated photos: every test asserts the folder's
// whole listing afterwards and that no photo's contents were lost or changed.

#include "naming/batch.h"
#include "platform/exif/exif_reader.h"
#include "platform/files/disk_folder.h"
#include "platform/files/photo_listing.h"
#include "tests/support/jpeg_fixture.h"
#include "tests/support/temp_folder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

using fixture::photo;
using fixture::TempFolder;
using naming::RunEnd;
using Names = std::vector<std::string>;

namespace {

enum class RunMode { All, Selected };

const std::string kBirthday = "2006-05-10";

// The window's side of a run: the file list of the working folder, its selection by
// name, and the messages shown.
class Window : public naming::ErrorSink {
public:
    explicit Window(const TempFolder& folder)
        : path_(folder.path().string()), names_(platform::listPhotos(path_)) {}
    int count() const { return int(names_.size()); }
    void show(naming::Message m) override { messages.push_back(m); }

    RunEnd run(RunMode mode, const std::string& birthday = kBirthday) {
        std::vector<std::string> photos;
        for (const std::string& name : names_) {
            if (mode == RunMode::All || selection.contains(name))
                photos.push_back(name);
        }
        platform::DiskFolder folder(path_);
        platform::ExifShootingTimeSource times(path_);
        const RunEnd end = naming::renamePhotos(photos, birthday, {folder, times, *this});
        if (end == RunEnd::Completed) {
            names_ = platform::listPhotos(path_);
            ++refreshes;
        }
        return end;
    }

    std::set<std::string> selection;
    std::vector<naming::Message> messages;
    int refreshes = 0;

private:
    std::string path_;
    std::vector<std::string> names_;
};

} // namespace

TEST(DiskBatch, SevenAndEightPhotosInOneSecond) {
    TempFolder folder;
    for (int i = 1; i <= 8; ++i)
        folder.write("IMG_" + std::to_string(i) + ".jpg",
                     photo("2007:03:15 14:05:33",
                           i % 2 ? fixture::ByteOrder::Intel : fixture::ByteOrder::Motorola) +
                         std::string(std::size_t(i), 'x'));
    folder.write("IMG_9.jpg", photo("2007:03:15 14:05:34"));
    const auto before = folder.unnamedContents();

    Window window(folder);
    EXPECT_EQ(window.run(RunMode::All), RunEnd::Completed);
    const std::string x = "0岁10月6天(14点05分33秒)";
    EXPECT_EQ(folder.listing(),
              (Names{x + ".jpg", x + "b.jpg", x + "c.jpg", x + "d.jpg", x + "e.jpg", x + "f.jpg",
                     "0岁10月6天(14点05分34秒).jpg", "IMG_7.jpg", "IMG_8.jpg"}));
    EXPECT_EQ(folder.unnamedContents(), before);
    // The first listed photo took the plain name.
    EXPECT_EQ(folder.read(x + ".jpg"), photo("2007:03:15 14:05:33") + "x");
    EXPECT_EQ(window.refreshes, 1);
    EXPECT_EQ(window.count(), 9);
}

TEST(DiskBatch, UnrealBirthdayStopsAtTheFirstPhotoWithATime) {
    TempFolder folder;
    folder.write("a1.jpg", photo(std::nullopt));
    folder.write("a2.jpg", fixture::jpegBytes({.exif = false}));
    folder.write("a3.jpg", photo("2007:03:15 14:05:33"));
    folder.write("a4.jpg", photo("2007:03:15 14:05:34"));
    const auto before = folder.contents();

    Window window(folder);
    EXPECT_EQ(window.run(RunMode::All, "2007-02-30"), RunEnd::BadBirthday);
    EXPECT_EQ(window.messages, std::vector{naming::Message::BadBirthday});
    EXPECT_EQ(folder.contents(), before);
    EXPECT_EQ(window.refreshes, 0);
}

TEST(DiskBatch, RenameSelectedWithNothingSelectedOnlyRefreshes) {
    TempFolder folder;
    folder.write("a.jpg", photo("2007:03:15 14:05:33"));
    const auto before = folder.contents();

    Window window(folder);
    EXPECT_EQ(window.run(RunMode::Selected), RunEnd::Completed);
    EXPECT_EQ(folder.contents(), before);
    EXPECT_EQ(window.refreshes, 1);

    window.selection = {"a.jpg"};
    EXPECT_EQ(window.run(RunMode::Selected), RunEnd::Completed);
    EXPECT_EQ(folder.listing(), Names{"0岁10月6天(14点05分33秒).jpg"});
}

TEST(DiskBatch, LeftoverTemporaryNameIsNamedAndNothingIsOverwritten) {
    TempFolder folder;
    folder.write("0_0.jpg", photo("2007:03:15 14:05:40"));
    folder.write("IMG_1.jpg", photo("2007:03:15 14:05:41"));
    folder.write("notes.txt", "not a photo");
    const auto before = folder.unnamedContents();

    Window window(folder);
    EXPECT_EQ(window.run(RunMode::All), RunEnd::Completed);
    EXPECT_EQ(folder.listing(),
              (Names{"0岁10月6天(14点05分40秒).jpg", "0岁10月6天(14点05分41秒).jpg", "notes.txt"}));
    EXPECT_EQ(folder.unnamedContents(), before);
}

TEST(DiskBatch, TemporaryNameHeldByAFolderOrAPhotoWithoutATimeIsPassedBy) {
    for (const bool asFolder : {true, false}) {
        TempFolder folder;
        folder.write("A.jpg", photo("2007:03:15 14:05:33"));
        if (asFolder)
            std::filesystem::create_directory(folder.path() / "0_0.jpg");
        else
            folder.write("0_0.jpg", photo(std::nullopt));

        Window window(folder);
        EXPECT_EQ(window.run(RunMode::All), RunEnd::Completed);
        EXPECT_EQ(folder.listing(), (Names{"0_0.jpg", "0岁10月6天(14点05分33秒).jpg"}));
        EXPECT_EQ(folder.read("0岁10月6天(14点05分33秒).jpg"), photo("2007:03:15 14:05:33"));
    }
}

// As a rename through a hard link leaves a photo when it is cut before the old name is
// removed (ntfs-3g, NFS): the next run removes the name the photo was leaving.
TEST(DiskBatch, PhotoUnderTwoNamesIsFinishedNotDoubled) {
    const std::string named = "0岁10月6天(14点05分33秒).jpg";
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"IMG_1.jpg", "0_0.jpg"},
                                   {"0_0.jpg", named},
                                   {"IMG_1.jpg", named}}) {
        TempFolder folder;
        folder.write(from, photo("2007:03:15 14:05:33"));
        folder.write("IMG_2.jpg", photo("2007:03:15 14:05:33") + "other file, same second");
        std::filesystem::create_hard_link(folder.at(from), folder.at(to));

        Window window(folder);
        EXPECT_EQ(window.run(RunMode::All), RunEnd::Completed);
        EXPECT_EQ(folder.listing(), (Names{named, "0岁10月6天(14点05分33秒)b.jpg"}))
            << from << " + " << to;
        EXPECT_EQ(folder.read(named), photo("2007:03:15 14:05:33"));
    }
}

TEST(DiskBatch, PhotoDeletedAfterListingIsSkipped) {
    TempFolder folder;
    folder.write("a.jpg", photo("2007:03:15 14:05:33"));
    folder.write("b.jpg", photo("2007:03:15 14:05:34"));

    Window window(folder);
    std::filesystem::remove(folder.path() / "a.jpg");
    EXPECT_EQ(window.run(RunMode::All), RunEnd::Completed);
    EXPECT_EQ(folder.listing(), Names{"0岁10月6天(14点05分34秒).jpg"});
}

TEST(DiskBatch, ChineseFileNamesAndRunningAgain) {
    TempFolder folder;
    folder.write("宝宝 第一天.jpg", photo("2006:05:10 09:00:00"));
    folder.write("满月 照片.JPG", photo("2006:06:10 10:00:00", fixture::ByteOrder::Motorola));

    Window window(folder);
    EXPECT_EQ(window.run(RunMode::All), RunEnd::Completed);
    const Names named{"0岁0月1天(09点00分00秒).jpg", "0岁1月1天(10点00分00秒).jpg"};
    EXPECT_EQ(folder.listing(), named);
    EXPECT_EQ(window.run(RunMode::All), RunEnd::Completed);
    EXPECT_EQ(folder.listing(), named);
}

// Windows has no read-only folders, and under wine the user may write anywhere; renames
// the system refuses there are in Cli.FailedRenamesAreReportedWithStatusThree.
#ifndef _WIN32
TEST(DiskBatch, ReadOnlyFolderLosesNothing) {
    TempFolder folder;
    folder.write("a.jpg", photo("2007:03:15 14:05:33"));
    folder.write("b.jpg", photo("2007:03:15 14:05:34"));
    const auto before = folder.contents();
    std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_all |
                                                    std::filesystem::perms::group_read |
                                                    std::filesystem::perms::group_exec |
                                                    std::filesystem::perms::others_read |
                                                    std::filesystem::perms::others_exec);
    // Root may write anywhere; the run is made by an ordinary user, for whom the folder
    // is read-only.
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        std::error_code ec;
        if (geteuid() != 0)
            std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::remove, ec);
        else if (setuid(65534) != 0)
            _exit(3);
        Window window(folder);
        const bool ok = window.run(RunMode::All) == RunEnd::Completed && window.messages.empty();
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(folder.contents(), before);
}
#endif
