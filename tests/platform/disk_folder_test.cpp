// Folder operations on a real folder: the rename that never replaces, the test for an
// ordinary file, the listing order shared by the window and the command line, and the
// window's list of subfolders.

#include "platform/disk_folder.h"
#include "platform/photo_listing.h"
#include "tests/support/current_folder.h"
#include "tests/support/temp_folder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <set>

using fixture::TempFolder;
using Names = std::vector<std::string>;

TEST(RenameNoReplace, RenamesAndNeverReplaces) {
    TempFolder folder;
    folder.write("a.jpg", "photo a");
    folder.write("b.jpg", "photo b");
    fixture::CurrentFolder here(folder.path());

    EXPECT_EQ(platform::renameNoReplace("a.jpg", "b.jpg"), std::errc::file_exists);
    EXPECT_EQ(platform::renameNoReplace("missing.jpg", "c.jpg"),
              std::errc::no_such_file_or_directory);
    EXPECT_EQ(folder.contents(),
              (std::map<std::string, std::string>{{"a.jpg", "photo a"}, {"b.jpg", "photo b"}}));

    EXPECT_FALSE(platform::renameNoReplace("a.jpg", "照片 一.jpg"));
    EXPECT_EQ(folder.contents(), (std::map<std::string, std::string>{{"b.jpg", "photo b"},
                                                                     {"照片 一.jpg", "photo a"}}));
}

TEST(RenameNoReplace, RefusesATargetThatIsAFolderOrALink) {
    TempFolder folder;
    folder.write("a.jpg", "photo a");
    std::filesystem::create_directory(folder.path() / "x.jpg");
    std::filesystem::create_symlink("nowhere", folder.path() / "dangling.jpg");
    fixture::CurrentFolder here(folder.path());

    EXPECT_TRUE(platform::renameNoReplace("a.jpg", "x.jpg"));
    EXPECT_TRUE(platform::renameNoReplace("a.jpg", "dangling.jpg"));
    EXPECT_EQ(folder.read("a.jpg"), "photo a");
}

TEST(OrdinaryFile, FindsOnlyVisibleFiles) {
    TempFolder folder;
    folder.write("photo.jpg", "x");
    folder.write(".hidden.jpg", "x");
    std::filesystem::create_directory(folder.path() / "folder.jpg");
    std::filesystem::create_symlink("photo.jpg", folder.path() / "link.jpg");
    fixture::CurrentFolder here(folder.path());

    EXPECT_TRUE(platform::isOrdinaryFile("photo.jpg"));
    EXPECT_TRUE(platform::isOrdinaryFile("link.jpg"));
    EXPECT_FALSE(platform::isOrdinaryFile(".hidden.jpg"));
    EXPECT_FALSE(platform::isOrdinaryFile("folder.jpg"));
    EXPECT_FALSE(platform::isOrdinaryFile("missing.jpg"));
    EXPECT_FALSE(platform::isOrdinaryFile(""));
}

TEST(PhotoListing, ListsMatchingOrdinaryFilesInNaturalOrder) {
    TempFolder folder;
    for (const char* name : {"IMG_10.jpg", "IMG_2.JPG", "img_1.jpg", "notes.txt", ".hidden.jpg",
                             "a.jpeg", "宝宝.jpg", "IMG_02.jpg", "0_0.jpg", "x.jpg.bak"})
        folder.write(name, "x");
    std::filesystem::create_directory(folder.path() / "folder.jpg");

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
        std::filesystem::create_directory(folder.path() / name);
    folder.write("IMG_1.jpg", "x");
    folder.write("notes", "x");
    std::filesystem::create_directory_symlink("a", folder.path() / "link to a");
    std::filesystem::create_symlink("notes", folder.path() / "link to notes");
    std::filesystem::create_symlink("gone", folder.path() / "dangling");

    EXPECT_EQ(platform::listFolders(folder.path().string()),
              (Names{"a", "B", "c9", "c10", "link to a", "宝宝照片"}));
    EXPECT_EQ(platform::listPhotos(folder.path().string(), "*"),
              (Names{"IMG_1.jpg", "link to notes", "notes"}));
    EXPECT_TRUE(platform::listFolders((folder.path() / "absent").string()).empty());
}

// The listing sorts by a precomputed key per name; it must order exactly as naturalLess,
// including digit runs against letters, leading zeros, runs of equal value and case.
TEST(PhotoListing, OrdersExactlyAsNaturalLess) {
    TempFolder folder;
    std::mt19937 random(20240607);
    const std::string alphabet = "aAbZz_-. 0019";
    std::set<std::string> unique;
    while (unique.size() < 400) {
        std::string name;
        const std::size_t length = 1 + random() % 8;
        for (std::size_t i = 0; i < length; ++i)
            name += alphabet[random() % alphabet.size()];
        if (name.front() != '.') // hidden files are not listed
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
