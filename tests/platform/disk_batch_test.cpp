// The batch run on real folders of generated photos: every test asserts the folder's
// whole listing afterwards and that no photo's contents were lost or changed.

#include "naming/batch.h"
#include "platform/disk_folder.h"
#include "platform/exif_reader.h"
#include "platform/photo_listing.h"
#include "tests/support/current_folder.h"
#include "tests/support/jpeg_fixture.h"
#include "tests/support/temp_folder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

using fixture::TempFolder;
using naming::RunEnd;
using naming::RunMode;
using Names = std::vector<std::string>;

namespace {

const std::string kBirthday = "2006-05-10";

std::string photo(std::optional<std::string> time,
                  fixture::ByteOrder order = fixture::ByteOrder::Intel) {
    return fixture::jpegBytes({.dateTimeOriginal = std::move(time), .byteOrder = order});
}

// The window's side of a run: the file list of the working folder, its selection by
// name, and the messages shown.
class Window : public naming::PhotoList, public naming::ErrorSink {
public:
    Window() : names_(platform::listPhotos(".")) {}
    int count() const override { return int(names_.size()); }
    std::string name(int i) const override { return names_[std::size_t(i)]; }
    bool selected(int i) const override { return selection.contains(names_[std::size_t(i)]); }
    void refresh() override {
        names_ = platform::listPhotos(".");
        ++refreshes;
    }
    void show(naming::Message m) override { messages.push_back(m); }

    RunEnd run(RunMode mode, const std::string& birthday = kBirthday) {
        platform::DiskFolder folder;
        platform::ExifShootingTimeSource times(".");
        return naming::renamePhotos(mode, birthday, {*this, folder, times, *this});
    }

    std::set<std::string> selection;
    std::vector<naming::Message> messages;
    int refreshes = 0;

private:
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
    fixture::CurrentFolder here(folder.path());

    Window window;
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
    fixture::CurrentFolder here(folder.path());

    Window window;
    EXPECT_EQ(window.run(RunMode::All, "2007-02-30"), RunEnd::BadBirthday);
    EXPECT_EQ(window.messages, std::vector{naming::Message::BadBirthday});
    EXPECT_EQ(folder.contents(), before);
    EXPECT_EQ(window.refreshes, 0);
}

TEST(DiskBatch, RenameSelectedWithNothingSelectedOnlyRefreshes) {
    TempFolder folder;
    folder.write("a.jpg", photo("2007:03:15 14:05:33"));
    const auto before = folder.contents();
    fixture::CurrentFolder here(folder.path());

    Window window;
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
    fixture::CurrentFolder here(folder.path());

    Window window;
    EXPECT_EQ(window.run(RunMode::All), RunEnd::Completed);
    EXPECT_EQ(folder.listing(),
              (Names{"0岁10月6天(14点05分40秒).jpg", "0岁10月6天(14点05分41秒).jpg", "notes.txt"}));
    EXPECT_EQ(folder.unnamedContents(), before);
}

TEST(DiskBatch, PhotoThatCannotMoveAsideWhileTemporaryNameIsTakenKeepsItsName) {
    TempFolder folder;
    // Hidden from the list but still a file: the temporary name cannot be taken.
    folder.write("A.jpg", photo("2007:03:15 14:05:33"));
    std::filesystem::create_directory(folder.path() / "0_0.jpg");
    fixture::CurrentFolder here(folder.path());

    Window window;
    EXPECT_EQ(window.run(RunMode::All), RunEnd::Completed);
    EXPECT_EQ(folder.listing(), (Names{"0_0.jpg", "A.jpg"}));
    EXPECT_EQ(folder.read("A.jpg"), photo("2007:03:15 14:05:33"));
}

TEST(DiskBatch, PhotoDeletedAfterListingIsSkipped) {
    TempFolder folder;
    folder.write("a.jpg", photo("2007:03:15 14:05:33"));
    folder.write("b.jpg", photo("2007:03:15 14:05:34"));
    fixture::CurrentFolder here(folder.path());

    Window window;
    std::filesystem::remove(folder.path() / "a.jpg");
    EXPECT_EQ(window.run(RunMode::All), RunEnd::Completed);
    EXPECT_EQ(folder.listing(), Names{"0岁10月6天(14点05分34秒).jpg"});
}

TEST(DiskBatch, ChineseFileNamesAndRunningAgain) {
    TempFolder folder;
    folder.write("宝宝 第一天.jpg", photo("2006:05:10 09:00:00"));
    folder.write("满月 照片.JPG", photo("2006:06:10 10:00:00", fixture::ByteOrder::Motorola));
    fixture::CurrentFolder here(folder.path());

    Window window;
    EXPECT_EQ(window.run(RunMode::All), RunEnd::Completed);
    const Names named{"0岁0月1天(09点00分00秒).jpg", "0岁1月1天(10点00分00秒).jpg"};
    EXPECT_EQ(folder.listing(), named);
    EXPECT_EQ(window.run(RunMode::All), RunEnd::Completed);
    EXPECT_EQ(folder.listing(), named);
}

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
        fixture::CurrentFolder here(folder.path());
        Window window;
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
