// tamblinor-cli as a process: its report lines and why a photo is kept, messages and exit
// statuses, --only, --dry-run agreeing with a real run, usage errors, --help and --version.

#include "tests/support/jpeg_fixture.h"
#include "tests/support/media_fixture.h"
#include "tests/support/process.h"
#include "tests/support/state_home.h"
#include "tests/support/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>
#include <set>

#ifdef _WIN32
#include "platform/system/windows_error.h"

#include <windows.h>
#else
#include <unistd.h>
#endif

using fixture::TempFolder;
using Names = std::vector<std::string>;
using Outcome = fixture::Finished;

namespace {

// Runs the command line with `arguments` from inside `folder`.
Outcome cli(const std::filesystem::path& folder, const std::vector<std::string>& arguments) {
    return fixture::runProgram(TAMBLINOR_CLI, arguments, folder);
}

void fill(const TempFolder& folder, const std::string& inside = {}) {
    folder.write(inside + "IMG_10.jpg",
                 fixture::jpegBytes({.dateTimeOriginal = "2007:03:15 14:05:33"}));
    folder.write(inside + "IMG_2.jpg",
                 fixture::jpegBytes({.dateTimeOriginal = "2007:03:15 14:05:33",
                                     .byteOrder = fixture::ByteOrder::Motorola}));
    folder.write(inside + "IMG_3.JPG", fixture::jpegBytes({.dateTimeOriginal = std::nullopt}));
}

} // namespace

// The folder's name is Chinese with a blank: on Windows it comes through the UTF-16
// command line, quoted.
TEST(Cli, RenamesAllAndReportsEachPhotoInListOrder) {
    TempFolder photos;
    const std::string folder = "宝宝 照片";
    std::filesystem::create_directory(photos.at(folder));
    fill(photos, folder + "/");
    const Outcome o = cli(photos.path(), {"--birthday", "2006-05-10", folder});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "IMG_2.jpg -> 0岁10月6天(14点05分33秒).jpg\n"
                     "IMG_3.JPG kept (no shooting time)\n"
                     "IMG_10.jpg -> 0岁10月6天(14点05分33秒)b.jpg\n");
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(photos.listing(folder), (Names{"0岁10月6天(14点05分33秒).jpg",
                                             "0岁10月6天(14点05分33秒)b.jpg", "IMG_3.JPG"}));
}

// A phone's folder: without --all-media only the *.jpg photo is renamed, as ever; with it,
// every kind, the Live Photo's video beside its still; undo gives every camera name back.
TEST(Cli, AllMediaNamesAPhoneFolderAndUndoGivesTheCameraNamesBack) {
    const TempFolder state;
    const fixture::StateHome home(state.path());
    TempFolder photos;
    const std::string t = "2007:03:15 14:05:33", later = "2007:03:15 14:05:34";
    photos.write("IMG_1.jpg", fixture::jpegBytes({.dateTimeOriginal = t}));
    photos.write("IMG_2.JPEG", fixture::jpegBytes({.dateTimeOriginal = later}));
    for (const std::string name : {"IMG_3.HEIC", "IMG_3.MOV", "VID_4.mp4"})
        photos.write(name, fixture::mediaFile(name, name == "IMG_3.MOV" ? later : t, name));
    const Names camera = photos.listing();
    const std::string at = "0岁10月6天(14点05分";

    Outcome o = cli(photos.path(), {"--birthday", "2006-05-10"});
    EXPECT_EQ(o.out, "IMG_1.jpg -> " + at + "33秒).jpg\n");
    EXPECT_EQ(cli(photos.path(), {"--undo"}).status, 0);

    o = cli(photos.path(), {"--birthday", "2006-05-10", "--all-media"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(photos.listing(), (Names{at + "33秒).heic", at + "33秒).jpg", at + "33秒).mov",
                                       at + "33秒).mp4", at + "34秒).jpg"}));
    EXPECT_EQ(cli(photos.path(), {"--undo"}).status, 0);
    EXPECT_EQ(photos.listing(), camera);
}

TEST(Cli, DryRunPrintsTheSameLinesAndTouchesNothing) {
    // Folders named like photos block their names in a dry run as they do on disk.
    for (const char* blocker : {"", "0岁10月6天(14点05分33秒).jpg", "0_0.jpg"}) {
        TempFolder dry, real;
        for (const TempFolder* f : {&dry, &real}) {
            fill(*f);
            if (*blocker)
                std::filesystem::create_directory(f->at(blocker));
        }
        const auto before = dry.contents();
        const Outcome preview = cli(dry.path(), {"--dry-run", "--birthday", "2006-05-10"});
        EXPECT_EQ(dry.contents(), before);
        const Outcome done = cli(real.path(), {"--birthday", "2006-05-10"});
        EXPECT_EQ(preview.status, done.status) << blocker;
        EXPECT_EQ(preview.out, done.out) << blocker;
        EXPECT_EQ(preview.err, done.err + "tamblinor-cli: dry run: nothing was renamed\n");
        EXPECT_NE(done.out.find("kept"), std::string::npos);
    }
}

TEST(Cli, OnlyRenamesTheNamedPhotos) {
    TempFolder photos;
    fill(photos);
    const Outcome o = cli(photos.path(), {"--birthday", "2006-05-10", "--only", "IMG_10.jpg",
                                          "--only", "absent.jpg"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "IMG_10.jpg -> 0岁10月6天(14点05分33秒).jpg\n");
    EXPECT_EQ(o.err, "tamblinor-cli: no photo named absent.jpg\n");
    EXPECT_EQ(photos.listing(), (Names{"0岁10月6天(14点05分33秒).jpg", "IMG_2.jpg", "IMG_3.JPG"}));
}

TEST(Cli, BirthdayMessagesEndTheRunWithStatusOne) {
    TempFolder photos;
    fill(photos);
    const auto before = photos.contents();
    Outcome o = cli(photos.path(), {"--birthday", "2007-3-26"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "生日输入有误！请按示例格式输入。\n");

    o = cli(photos.path(), {"--birthday", "2007-02-30"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "IMG_2.jpg kept\n"); // the message says why
    EXPECT_EQ(o.err, "生日输入有误！请按示例格式输入。\n");
    EXPECT_EQ(photos.contents(), before);
}

TEST(Cli, UsageErrorsExitWith64) {
    TempFolder scratch;
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "--birthday is required"},
        {{"--birthday"}, "--birthday needs a value"},
        {{"--birthday", "2006-05-10", "--only"}, "--only needs a value"},
        {{"--bogus", "--birthday", "2006-05-10"}, "unknown option --bogus"},
        {{"--birthday", "2006-05-10", "--dry-run=yes"}, "--dry-run takes no value"},
        {{"--birthday", "2006-05-10", "a", "b"}, "more than one folder given"},
        {{"--undo", "--history"}, "--undo and --history go alone"},
        {{"--undo", "--birthday", "2006-05-10"},
         "--undo takes no --birthday, --only or --all-media"},
        {{"--history", "--only", "a.jpg"},
         "--history takes no --birthday, --only, --all-media or --dry-run"},
        {{"--undo", "--all-media"}, "--undo takes no --birthday, --only or --all-media"},
        {{"--history", "--dry-run"},
         "--history takes no --birthday, --only, --all-media or --dry-run"},
        {{"--undo=yes"}, "--undo takes no value"},
    };
    for (const auto& [arguments, problem] : cases) {
        const Outcome o = cli(scratch.path(), arguments);
        EXPECT_EQ(o.status, 64) << problem;
        EXPECT_EQ(o.out, "") << problem;
        EXPECT_TRUE(o.err.starts_with("tamblinor-cli: " + problem +
                                      "\nusage: tamblinor-cli --birthday YYYY-MM-DD"))
            << o.err;
    }
    const Outcome missing = cli(scratch.path(), {"--birthday", "2006-05-10", "does-not-exist"});
    EXPECT_EQ(missing.status, 66);
    EXPECT_EQ(missing.err,
              "tamblinor-cli: cannot open folder does-not-exist: No such file or directory\n");
    EXPECT_EQ(cli(scratch.path(), {"--help"}).status, 0);
}

#ifdef _WIN32
// Another program holding photos open without letting them be renamed, as an image
// viewer may: every such photo is kept and says why in the system's words, nothing is
// lost, and the status tells a script that renames failed.
TEST(Cli, FailedRenamesAreReportedWithStatusThree) {
    TempFolder photos;
    fill(photos);
    const auto before = photos.contents();
    std::vector<HANDLE> held;
    for (const char* name : {"IMG_2.jpg", "IMG_10.jpg"})
        held.push_back(CreateFileW(photos.at(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const Outcome o = cli(photos.path(), {"--birthday", "2006-05-10"});
    for (const HANDLE file : held)
        CloseHandle(file);
    const std::string why =
        "cannot rename: " + platform::windowsError(ERROR_SHARING_VIOLATION).message();
    EXPECT_EQ(o.status, 3);
    EXPECT_EQ(o.out, "IMG_2.jpg kept (" + why +
                         ")\n"
                         "IMG_3.JPG kept (no shooting time)\n"
                         "IMG_10.jpg kept (" +
                         why + ")\n");
    EXPECT_EQ(o.err, "tamblinor-cli: 2 photos could not be renamed\n");
    EXPECT_EQ(photos.contents(), before);
}
#else
// A folder the user may not write to: every photo is kept and says why, and the status
// tells a script that renames failed. Root writes anywhere, so root runs it as nobody.
TEST(Cli, FailedRenamesAreReportedWithStatusThree) {
    TempFolder photos;
    fill(photos);
    namespace fs = std::filesystem;
    const auto readOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                          fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(photos.path(), readOnly);
    const TempFolder state; // where nobody may keep the run's journal
    fs::permissions(state.path(), fs::perms::all);
    const fixture::StateHome home(state.path());
    std::vector<std::string> arguments{"--birthday", "2006-05-10", photos.path().string()};
    std::string program = TAMBLINOR_CLI;
    if (geteuid() == 0) {
        arguments.insert(arguments.begin(),
                         {"--reuid=65534", "--regid=65534", "--clear-groups", program});
        program = "setpriv";
    }
    const Outcome o = fixture::runProgram(program, arguments, "/");
    fs::permissions(photos.path(), fs::perms::owner_all, fs::perm_options::add);
    EXPECT_EQ(o.status, 3);
    EXPECT_EQ(o.out, "IMG_2.jpg kept (cannot rename: Permission denied)\n"
                     "IMG_3.JPG kept (no shooting time)\n"
                     "IMG_10.jpg kept (cannot rename: Permission denied)\n");
    EXPECT_EQ(o.err, "tamblinor-cli: 2 photos could not be renamed\n");
}
#endif

TEST(Cli, HelpAndVersionGoToStandardOutput) {
    TempFolder scratch;
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--help"}, {"-h"}, {"--birthday", "2006-05-10", "--help"}}) {
        const Outcome o = cli(scratch.path(), arguments);
        EXPECT_EQ(o.status, 0) << arguments.front();
        EXPECT_TRUE(o.out.starts_with("usage: tamblinor-cli --birthday YYYY-MM-DD")) << o.out;
        EXPECT_EQ(o.err, "") << arguments.front();
    }
    const Outcome version = cli(scratch.path(), {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "tamblinor-cli " TAMBLINOR_VERSION "\n");
    EXPECT_EQ(version.err, "");
}

// The options --help lists are those of the manual's synopsis and its list of options, and
// of the README's synopsis: no more, no fewer.
TEST(Cli, TheManualAndTheReadmeNameTheOptionsHelpLists) {
    const auto optionsIn = [](const std::string& source) {
        std::string text; // without groff's backslashes before dashes
        for (std::size_t i = 0; i < source.size(); ++i) {
            if (source[i] != '\\' || i + 1 == source.size() || source[i + 1] != '-')
                text += source[i];
        }
        std::set<std::string> options;
        const std::regex option("--[a-z][a-z-]*");
        for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
             it != std::sregex_iterator(); ++it)
            options.insert(it->str());
        return options;
    };
    const auto between = [](const std::string& text, const std::string& from,
                            const std::string& to) {
        const std::size_t start = text.find(from);
        return start == std::string::npos
                   ? std::string()
                   : text.substr(start, text.find(to, start + from.size()) - start);
    };
    const std::string help = cli(TempFolder().path(), {"--help"}).out;
    const std::set<std::string> listed = optionsIn(between(help, "Options:", "Prints"));
    const auto source = [](const char* name) {
        std::ifstream in(std::filesystem::path(TAMBLINOR_SOURCE_DIR) / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string manual = source("docs/tamblinor-cli.1"), readme = source("README.md");
    EXPECT_EQ(listed.size(), 8u);
    EXPECT_EQ(optionsIn(between(manual, ".SH SYNOPSIS", ".SH")), listed);
    EXPECT_EQ(optionsIn(between(manual, ".SH OPTIONS", ".SH")), listed);
    EXPECT_EQ(optionsIn(between(readme, "## The command line\n\n```", "```\n")), listed);
}

TEST(Cli, EachOptionTakesOneValueInAnyOrder) {
    // The folder after --only NAME is the folder, not a second name; --birthday=DATE is
    // --birthday DATE.
    TempFolder scratch, photos;
    fill(photos);
    const Outcome o = cli(scratch.path(), {"--only", "IMG_10.jpg", photos.path().string(),
                                           "--dry-run", "--birthday=2006-05-10"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "IMG_10.jpg -> 0岁10月6天(14点05分33秒).jpg\n");
    EXPECT_EQ(o.err, "tamblinor-cli: dry run: nothing was renamed\n");
}
