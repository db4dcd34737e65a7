// The settings store on a real INI file in a configuration folder of the test's own: what
// a write leaves on disk, reading back, absent keys, texts that must come back exactly, a
// file that cannot be written, and a corrupt file.

#include "platform/settings_store.h"
#include "tests/support/config_home.h"
#include "tests/support/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>

using fixture::ConfigHome;
using fixture::TempFolder;
using navigation::Failure;
using namespace std::string_literals;

namespace {

std::string contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void expectEveryKeyAbsent(const platform::SettingsStore& store) {
    EXPECT_EQ(store.read("CurrentDrive"), "");
    EXPECT_EQ(store.read("CurrentDir"), "");
    EXPECT_EQ(store.read("birthday"), "");
}

TEST(SettingsStore, WritesOskevIniInTheConfigurationFolderAtOnce) {
    TempFolder temp;
    const std::filesystem::path config = temp.path() / "config"; // not there yet
    ConfigHome home(config);
    platform::SettingsStore store;
    ASSERT_EQ(store.location(), (config / "Oskev.ini").string());

    EXPECT_EQ(store.write("birthday", "2007-03-2"), std::nullopt);
    EXPECT_EQ(store.write("CurrentDrive", "/media/card"), std::nullopt);
    EXPECT_EQ(store.write("CurrentDir", "/media/card/DCIM"), std::nullopt);
    EXPECT_EQ(store.write("birthday", "2007-03-26"), std::nullopt);

    EXPECT_EQ(contents(config / "Oskev.ini"), "[Tamblin]\n"
                                              "CurrentDir=/media/card/DCIM\n"
                                              "CurrentDrive=/media/card\n"
                                              "birthday=2007-03-26\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(config), {}), 1);
    const platform::SettingsStore next;
    EXPECT_EQ(next.read("CurrentDrive"), "/media/card");
    EXPECT_EQ(next.read("CurrentDir"), "/media/card/DCIM");
    EXPECT_EQ(next.read("birthday"), "2007-03-26");
}

TEST(SettingsStore, ReadsKeysNotInItsSectionAsAbsent) {
    TempFolder temp;
    ConfigHome home(temp.path());
    const platform::SettingsStore store;
    expectEveryKeyAbsent(store);

    temp.write("Oskev.ini", "[General]\nbirthday=2006-05-10\n[Other]\nCurrentDir=/home\n");
    expectEveryKeyAbsent(store);
}

TEST(SettingsStore, GivesBackEveryTextExactly) {
    TempFolder temp;
    ConfigHome home(temp.path());
    platform::SettingsStore store;
    for (const std::string text :
         {"/home/安娜/照片 2007/春节", R"(D:\宝宝\百日 照)", "Ünïcødé ÆØÅ ß", " 2007-3-26 ",
          "2007,03,26", "photos, 2007", R"(50% "best" ; #1 = \\server\x)", "@Variant(x)", ""}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(store.write("CurrentDir", text), std::nullopt);
        EXPECT_EQ(platform::SettingsStore().read("CurrentDir"), text);
    }
}

TEST(SettingsStore, ReportsAWriteThatCannotBeMade) {
    const struct {
        const char* what;
        std::function<std::filesystem::path(const TempFolder&)> configFolder;
    } rows[] = {
        {"configuration folder under a file",
         [](const TempFolder& t) { return t.write("file", "x") / "config"; }},
        {"settings file that is a folder",
         [](const TempFolder& t) {
             std::filesystem::create_directory(t.path() / "Oskev.ini");
             return t.path();
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder temp;
        ConfigHome home(row.configFolder(temp));
        platform::SettingsStore store;

        EXPECT_EQ(store.write("birthday", "2007-03-26"),
                  (Failure{"write birthday", store.location(), "cannot be written"}));
        expectEveryKeyAbsent(store);
    }
}

TEST(SettingsStore, ReadsACorruptFileAsAbsentKeysAndStartsItAfresh) {
    for (const std::string& corrupt :
         {"[Tamblin\nbirthday=2006-05-10\nCurrentDir=/media/card\n"s,
          "[Tamblin]\nCurrentDir=/home/Jos\xe9\nbirthday=2006-05-10\n"s, // Latin-1, not UTF-8
          "\x00\x01\xfe\xff\x89PNG\r\n\x1a\n[\xff"s}) {
        TempFolder temp;
        temp.write("Oskev.ini", corrupt);
        ConfigHome home(temp.path());
        platform::SettingsStore store;
        expectEveryKeyAbsent(store);

        EXPECT_EQ(store.write("birthday", "2007-03-26"), std::nullopt);
        EXPECT_EQ(store.read("birthday"), "2007-03-26");
        EXPECT_EQ(store.read("CurrentDir"), "");
    }
}

} // namespace
