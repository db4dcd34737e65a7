// The settings store in a place of the test's own: texts that must come back exactly; on
// Windows, registry text values under the test's own key; elsewhere, a real INI file in a
// configuration folder: what a write leaves on disk, absent keys, a file that cannot be
// written, and a corrupt file.

#include "platform/settings/user_settings.h"
#include "tests/support/config_home.h"
#include "tests/support/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>

#ifdef _WIN32
#include "platform/system/windows_text.h"
#endif

using fixture::ConfigHome;
using fixture::TempFolder;
using navigation::Failure;
using namespace std::string_literals;

namespace {

void expectEveryKeyAbsent(const platform::UserSettings& store) {
    EXPECT_EQ(store.read("CurrentDrive"), "");
    EXPECT_EQ(store.read("CurrentDir"), "");
    EXPECT_EQ(store.read("birthday"), "");
}

TEST(SettingsStore, GivesBackEveryTextExactly) {
    TempFolder temp;
    ConfigHome home(temp.path());
    platform::UserSettings store(home.location());
    for (const std::string text :
         {"/home/安娜/照片 2007/春节", R"(D:\宝宝\百日 照)", "Ünïcødé ÆØÅ ß", " 2007-3-26 ",
          "2007,03,26", "photos, 2007", R"(50% "best" ; #1 = \\server\x)", "@Variant(x)", ""}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(store.write("CurrentDir", text), std::nullopt);
        EXPECT_EQ(platform::UserSettings(home.location()).read("CurrentDir"), text);
    }
}

#ifdef _WIN32
// The key as the registry shows it: a text value, no type or escape of Qt's own.
std::string registryText(const std::string& location, const char* name) {
    const std::wstring key = platform::wide(location.substr(location.find('\\') + 1));
    const std::wstring value = platform::wide(name);
    wchar_t text[512];
    DWORD size = sizeof text;
    DWORD type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value.c_str(), RRF_RT_ANY, &type, text,
                     &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return "not a text value";
    return platform::utf8(text);
}

TEST(SettingsStore, IsTheOskevTamblinKeyOfVbProgramSettings) {
    EXPECT_EQ(platform::UserSettings().location(),
              R"(HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Oskev\Tamblin)");
}

TEST(SettingsStore, KeepsEachKeyAsATextValueInTheRegistry) {
    TempFolder temp;
    ConfigHome home(temp.path());
    platform::UserSettings store(home.location());
    expectEveryKeyAbsent(store);

    EXPECT_EQ(store.write("CurrentDrive", "D:"), std::nullopt);
    EXPECT_EQ(store.write("CurrentDir", R"(D:\宝宝\百日 照)"), std::nullopt);
    EXPECT_EQ(store.write("birthday", "2007-03-26"), std::nullopt);

    EXPECT_EQ(registryText(home.location(), "CurrentDrive"), "D:");
    EXPECT_EQ(registryText(home.location(), "CurrentDir"), R"(D:\宝宝\百日 照)");
    EXPECT_EQ(registryText(home.location(), "birthday"), "2007-03-26");
    const platform::UserSettings next(home.location());
    EXPECT_EQ(next.read("CurrentDir"), R"(D:\宝宝\百日 照)");
}
#else
std::string contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(SettingsStore, WritesOskevIniInTheConfigurationFolderAtOnce) {
    TempFolder temp;
    const std::filesystem::path config = temp.path() / "config"; // not there yet
    ConfigHome home(config);
    platform::UserSettings store;
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
    const platform::UserSettings next;
    EXPECT_EQ(next.read("CurrentDrive"), "/media/card");
    EXPECT_EQ(next.read("CurrentDir"), "/media/card/DCIM");
    EXPECT_EQ(next.read("birthday"), "2007-03-26");
}

TEST(SettingsStore, ReadsKeysNotInItsSectionAsAbsent) {
    TempFolder temp;
    ConfigHome home(temp.path());
    const platform::UserSettings store;
    expectEveryKeyAbsent(store);

    temp.write("Oskev.ini", "[General]\nbirthday=2006-05-10\n[Other]\nCurrentDir=/home\n");
    expectEveryKeyAbsent(store);
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
        platform::UserSettings store;

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
        platform::UserSettings store;
        expectEveryKeyAbsent(store);

        EXPECT_EQ(store.write("birthday", "2007-03-26"), std::nullopt);
        EXPECT_EQ(store.read("birthday"), "2007-03-26");
        EXPECT_EQ(store.read("CurrentDir"), "");
    }
}
#endif

} // namespace
