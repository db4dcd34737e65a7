// Folder operations on a real folder: the rename that never replaces, the test for an
// ordinary file, the listing order shared by the window and the command line, and the
// window's list of subfolders.

#include "platform/files/disk_folder.h"
#include "platform/files/photo_listing.h"
#include "tests/support/temp_folder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <set>

#ifdef _WIN32
#include <windows.h>
#endif

using fixture::TempFolder;
using Names = std::vector<std::string>;

#ifdef _WIN32
namespace {

// Marks a file or folder hidden or system, as its properties in Explorer do.
void mark(const std::filesystem::path& path, DWORD attribute) {
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), attribute)) << path;
}

} // namespace
#endif

TEST(DiskFolderRename, RenamesAndNeverReplaces) {
    TempFolder folder;
    folder.write("a.jpg", "photo a");
    folder.write("b.jpg", "photo b");
    platform::DiskFolder disk(folder.path().string());

    EXPECT_EQ(disk.rename("a.jpg", "b.jpg"), std::errc::file_exists);
    EXPECT_EQ(disk.rename("missing.jpg", "c.jpg"),
              std::errc::no_such_file_or_directory);
    EXPECT_EQ(folder.contents(),
              (std::map<std::string, std::string>{{"a.jpg", "photo a"}, {"b.jpg", "photo b"}}));

#ifdef _WIN32
    // Names differing only in case are one name to Windows.
    EXPECT_EQ(disk.rename("a.jpg", "B.JPG"), std::errc::file_exists);
#endif
    EXPECT_FALSE(disk.rename("a.jpg", "照片 一.jpg"));
    EXPECT_EQ(folder.contents(), (std::map<std::string, std::string>{{"b.jpg", "photo b"},
                                                                     {"照片 一.jpg", "photo a"}}));
}

// Links are made on Linux only: on Windows making one takes a privilege, and wine only
// pretends to.
TEST(DiskFolderRename, RefusesATargetThatIsAFolderOrALink) {
    TempFolder folder;
    folder.write("a.jpg", "photo a");
    std::filesystem::create_directory(folder.path() / "x.jpg");
    platform::DiskFolder disk(folder.path().string());

    EXPECT_TRUE(disk.rename("a.jpg", "x.jpg"));
#ifndef _WIN32
    std::filesystem::create_symlink("nowhere", folder.path() / "dangling.jpg");
    EXPECT_TRUE(disk.rename("a.jpg", "dangling.jpg"));
#endif
    EXPECT_EQ(folder.read("a.jpg"), "photo a");
}

TEST(OrdinaryFile, FindsOnlyVisibleFiles) {
    TempFolder folder;
    folder.write("photo.jpg", "x");
    folder.write(".hidden.jpg", "x");
    std::filesystem::create_directory(folder.path() / "folder.jpg");
    platform::DiskFolder disk(folder.path().string());
#ifdef _WIN32
    mark(folder.write("hidden.jpg", "x"), FILE_ATTRIBUTE_HIDDEN);
    mark(folder.write("system.jpg", "x"), FILE_ATTRIBUTE_SYSTEM);
    EXPECT_FALSE(disk.isOrdinaryFile("hidden.jpg"));
    EXPECT_FALSE(disk.isOrdinaryFile("system.jpg"));
#else
    std::filesystem::create_symlink("photo.jpg", folder.path() / "link.jpg");
    EXPECT_TRUE(disk.isOrdinaryFile("link.jpg"));
#endif

    EXPECT_TRUE(disk.isOrdinaryFile("photo.jpg"));
    EXPECT_FALSE(disk.isOrdinaryFile(".hidden.jpg"));
    EXPECT_FALSE(disk.isOrdinaryFile("folder.jpg"));
    EXPECT_FALSE(disk.isOrdinaryFile("missing.jpg"));
    EXPECT_FALSE(disk.isOrdinaryFile(""));
}

TEST(PhotoListing, ListsMatchingOrdinaryFilesInNaturalOrder) {
    TempFolder folder;
    for (const char* name : {"IMG_10.jpg", "IMG_2.JPG", "img_1.jpg", "notes.txt", ".hidden.jpg",
                             "a.jpeg", "宝宝.jpg", "IMG_02.jpg", "0_0.jpg", "x.jpg.bak"})
        folder.write(name, "x");
    std::filesystem::create_directory(folder.path() / "folder.jpg");
#ifdef _WIN32
    mark(folder.write("hidden.jpg", "x"), FILE_ATTRIBUTE_HIDDEN);
    mark(folder.write("system.jpg", "x"), FILE_ATTRIBUTE_SYSTEM);
#endif

    EXPECT_EQ(platform::listPhotos(folder.path().string()),
              (Names{"0_0.jpg", "img_1.jpg", "IMG_02.jpg", "IMG_2.JPG", "IMG_10.jpg", "宝宝.jpg"}));
    EXPECT_EQ(platform::listPhotos(folder.path().string(), "*.txt"), Names{"notes.txt"});
    EXPECT_TRUE(platform::listPhotos((folder.path() / "absent").string()).empty());
}

// The window's folder list: visible folders and links to folders, in natural order;
// files, links to files, dangling links and hidden folders are left out.
TEST(FolderListing, ListsVisibleFoldersAndLinksToThemInNaturalOrder) {
    TempFolder folder;
    for (const char* name : {"c10", "B", "a", "c9", ".hidden", "宝宝照片"})
        std::filesystem::create_directory(folder.at(name));
    folder.write("IMG_1.jpg", "x");
    folder.write("notes", "x");
#ifdef _WIN32
    for (const auto& [name, attribute] :
         {std::pair{"Hidden", FILE_ATTRIBUTE_HIDDEN}, std::pair{"System", FILE_ATTRIBUTE_SYSTEM}}) {
        std::filesystem::create_directory(folder.at(name));
        mark(folder.at(name), FILE_ATTRIBUTE_DIRECTORY | attribute);
    }
    const Names folders{"a", "B", "c9", "c10", "宝宝照片"};
    const Names files{"IMG_1.jpg", "notes"};
#else
    std::filesystem::create_directory_symlink("a", folder.path() / "link to a");
    std::filesystem::create_symlink("notes", folder.path() / "link to notes");
    std::filesystem::create_symlink("gone", folder.path() / "dangling");
    const Names folders{"a", "B", "c9", "c10", "link to a", "宝宝照片"};
    const Names files{"IMG_1.jpg", "link to notes", "notes"};
#endif

    EXPECT_EQ(platform::listFolders(folder.path().string()), folders);
    EXPECT_EQ(platform::listPhotos(folder.path().string(), "*"), files);
    EXPECT_TRUE(platform::listFolders((folder.path() / "absent").string()).empty());
}

// The listing sorts by a precomputed key per name; it must order exactly as naturalLess,
// including digit runs against letters, leading zeros, runs of equal value and case.
TEST(PhotoListing, OrdersExactlyAsNaturalLess) {
    TempFolder folder;
    std::mt19937 random(20240607);
    const std::string alphabet = "aAbZz_-. 0019";
    std::set<std::string> unique;
    std::set<std::string> files; // names as the file system tells them apart
    while (unique.size() < 400) {
        std::string name;
        const std::size_t length = 1 + random() % 8;
        for (std::size_t i = 0; i < length; ++i)
            name += alphabet[random() % alphabet.size()];
        std::string file = name;
#ifdef _WIN32
        // Names differing only in case are one file there.
        std::transform(file.begin(), file.end(), file.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
#endif
        if (name.front() != '.' && files.insert(file).second) // hidden files are not listed
            unique.insert(name + ".jpg");
    }
    for (const std::string& name : unique)
        folder.write(name, "x");
    Names expected(unique.begin(), unique.end());
    std::sort(expected.begin(), expected.end(), platform::naturalLess);

    EXPECT_EQ(platform::listPhotos(folder.path().string()), expected);
}

TEST(PhotoListing, PatternsMatchWithoutRegardToCase) {
    EXPECT_TRUE(platform::matchesPattern("A.JPG", "*.jpg"));
    EXPECT_TRUE(platform::matchesPattern(".jpg", "*.jpg"));
    EXPECT_TRUE(platform::matchesPattern("a.b.jpg", "*.jpg"));
    EXPECT_TRUE(platform::matchesPattern("ab.jpg", "a?.jpg"));
    EXPECT_FALSE(platform::matchesPattern("a.jpeg", "*.jpg"));
    EXPECT_FALSE(platform::matchesPattern("a.jpg.png", "*.jpg"));
    EXPECT_TRUE(platform::matchesPattern("anything", "*"));
}

TEST(NaturalOrder, ComparesDigitRunsByValueAndLettersWithoutCase) {
    EXPECT_TRUE(platform::naturalLess("IMG_2.jpg", "IMG_10.jpg"));
    EXPECT_FALSE(platform::naturalLess("IMG_10.jpg", "IMG_2.jpg"));
    EXPECT_TRUE(platform::naturalLess("img_1.jpg", "IMG_2.jpg"));
    EXPECT_TRUE(platform::naturalLess("a.jpg", "ab.jpg"));
    EXPECT_TRUE(platform::naturalLess("x.jpg", "xb.jpg"));
    EXPECT_TRUE(
        platform::naturalLess("IMG_02.jpg", "IMG_2.jpg")); // equal in value: byte order decides
    EXPECT_TRUE(
        platform::naturalLess("IMG_9999999999999999999999.jpg", "IMG_10000000000000000000000.jpg"));
    EXPECT_FALSE(platform::naturalLess("a.jpg", "a.jpg"));
}

// Only two links of one file are twins: a name and itself (or the same entry spelt in
// another case, where case is ignored) is one entry, and removing it would lose the photo.
TEST(DiskFolderTwins, OnlyTwoLinksOfOneFileAreTwins) {
    TempFolder folder;
    folder.write("a.jpg", "photo a");
    folder.write("b.jpg", "photo b");
    platform::DiskFolder disk(folder.path().string());

    EXPECT_FALSE(disk.sameFile("a.jpg", "a.jpg"));
    EXPECT_FALSE(disk.sameFile("a.jpg", "b.jpg"));
    EXPECT_FALSE(disk.sameFile("a.jpg", "missing.jpg"));
    EXPECT_TRUE(disk.removeTwin("a.jpg", "a.jpg"));
    EXPECT_TRUE(disk.removeTwin("a.jpg", "b.jpg"));
#ifdef _WIN32
    // One entry under two spellings.
    EXPECT_FALSE(disk.sameFile("a.jpg", "A.JPG"));
    EXPECT_TRUE(disk.removeTwin("a.jpg", "A.JPG"));
#else
    std::filesystem::create_hard_link(folder.path() / "a.jpg", folder.path() / "twin.jpg");
    EXPECT_TRUE(disk.sameFile("a.jpg", "twin.jpg"));
    EXPECT_TRUE(disk.sameFile("twin.jpg", "a.jpg"));
    EXPECT_FALSE(disk.removeTwin("twin.jpg", "a.jpg"));
    EXPECT_FALSE(disk.sameFile("a.jpg", "twin.jpg")); // one link left
#endif
    EXPECT_EQ(folder.contents(),
              (std::map<std::string, std::string>{{"a.jpg", "photo a"}, {"b.jpg", "photo b"}}));
}

// A FAT card keeps local time, so a change of daylight saving time moves every file's
// modification time by an hour: the file is still the one a journal recorded. Any other
// change of time, or of size, makes it another file.
TEST(DiskFolderIdentity, AgreesAcrossWholeHoursOfTimeZoneOnly) {
    using namespace std::chrono_literals;
    TempFolder folder;
    folder.write("a.jpg", "photo a");
    platform::DiskFolder disk(folder.path().string());
    // A whole second, which setting the time keeps exactly everywhere.
    const auto then = std::chrono::floor<std::chrono::seconds>(
        std::filesystem::last_write_time(folder.at("a.jpg")));
    std::filesystem::last_write_time(folder.at("a.jpg"), then);
    const std::string recorded = disk.identity("a.jpg");
    const std::pair<std::filesystem::file_time_type::duration, bool> shifts[] = {
        {0h, true},
        {1h, true},
        {-1h, true},
        {14h, true},
        {-14h, true},
        {15h, false},
        {1s, false},
        {-1s, false},
        {1h + 2s, false},
        {30min, false},
        {-(13h + 30min), false}};
    for (const auto& [shift, same] : shifts) {
        std::filesystem::last_write_time(folder.at("a.jpg"), then + shift);
        EXPECT_EQ(disk.hasIdentity("a.jpg", recorded), same)
            << std::chrono::duration_cast<std::chrono::seconds>(shift).count() << " s";
    }
    std::filesystem::last_write_time(folder.at("a.jpg"), then);
    std::filesystem::create_hard_link(folder.at("a.jpg"), folder.at("b.jpg"));
    EXPECT_TRUE(disk.hasIdentity("a.jpg", recorded)); // a link made since changes nothing
    folder.write("a.jpg", "photo a, longer");
    std::filesystem::last_write_time(folder.at("a.jpg"), then + 1h);
    EXPECT_FALSE(disk.hasIdentity("a.jpg", recorded));
    EXPECT_FALSE(disk.hasIdentity("missing.jpg", recorded));
}
