// tamblinor-cli as a process: its report lines and why a photo is kept, messages and exit
// statuses, --only, --dry-run agreeing with a real run, usage errors, --help and --version.

#include "tests/support/jpeg_fixture.h"
#include "tests/support/temp_folder.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using fixture::TempFolder;
using Names = std::vector<std::string>;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs the command line with `arguments` (already shell-quoted) from inside `folder`.
Outcome cli(const TempFolder& scratch, const std::filesystem::path& folder,
            const std::string& arguments) {
    const auto out = scratch.path() / "out.txt";
    const auto err = scratch.path() / "err.txt";
    const std::string command = "cd '" + folder.string() + "' && '" TAMBLINOR_CLI "' " + arguments +
                                " >'" + out.string() + "' 2>'" + err.string() + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
}

void fill(const TempFolder& folder) {
    folder.write("IMG_10.jpg", fixture::jpegBytes({.dateTimeOriginal = "2007:03:15 14:05:33"}));
    folder.write("IMG_2.jpg", fixture::jpegBytes({.dateTimeOriginal = "2007:03:15 14:05:33",
                                                  .byteOrder = fixture::ByteOrder::Motorola}));
    folder.write("IMG_3.JPG", fixture::jpegBytes({.dateTimeOriginal = std::nullopt}));
}

} // namespace

TEST(Cli, RenamesAllAndReportsEachPhotoInListOrder) {
    TempFolder scratch, photos;
    fill(photos);
    const Outcome o =
        cli(scratch, scratch.path(), "--birthday 2006-05-10 '" + photos.path().string() + "'");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "IMG_2.jpg -> 0岁10月6天(14点05分33秒).jpg\n"
                     "IMG_3.JPG kept (no shooting time)\n"
                     "IMG_10.jpg -> 0岁10月6天(14点05分33秒)b.jpg\n");
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(photos.listing(), (Names{"0岁10月6天(14点05分33秒).jpg",
                                       "0岁10月6天(14点05分33秒)b.jpg", "IMG_3.JPG"}));
}

TEST(Cli, DryRunPrintsTheSameLinesAndTouchesNothing) {
    // Folders named like photos block their names in a dry run as they do on disk.
    for (const char* blocker : {"", "0岁10月6天(14点05分33秒).jpg", "0_0.jpg"}) {
        TempFolder scratch, dry, real;
        for (const TempFolder* f : {&dry, &real}) {
            fill(*f);
            if (*blocker)
                std::filesystem::create_directory(f->path() / blocker);
        }
        const auto before = dry.contents();
        const Outcome preview = cli(scratch, dry.path(), "--dry-run --birthday 2006-05-10");
        EXPECT_EQ(dry.contents(), before);
        const Outcome done = cli(scratch, real.path(), "--birthday 2006-05-10");
        EXPECT_EQ(preview.status, done.status) << blocker;
        EXPECT_EQ(preview.out, done.out) << blocker;
        EXPECT_NE(done.out.find("kept"), std::string::npos);
    }
}

TEST(Cli, OnlyRenamesTheNamedPhotos) {
    TempFolder scratch, photos;
    fill(photos);
    const Outcome o =
        cli(scratch, photos.path(), "--birthday 2006-05-10 --only IMG_10.jpg --only absent.jpg");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "IMG_10.jpg -> 0岁10月6天(14点05分33秒).jpg\n");
    EXPECT_EQ(o.err, "tamblinor-cli: no photo named absent.jpg\n");
    EXPECT_EQ(photos.listing(), (Names{"0岁10月6天(14点05分33秒).jpg", "IMG_2.jpg", "IMG_3.JPG"}));
}

TEST(Cli, BirthdayMessagesEndTheRunWithStatusOne) {
    TempFolder scratch, photos;
    fill(photos);
    const auto before = photos.contents();
    Outcome o = cli(scratch, photos.path(), "--birthday 2007-3-26");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "生日输入有误！请按示例格式输入。\n");

    o = cli(scratch, photos.path(), "--birthday 2007-02-30");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "IMG_2.jpg kept\n"); // the message says why
    EXPECT_EQ(o.err, "生日输入有误！请按示例格式输入。\n");
    EXPECT_EQ(photos.contents(), before);
}

TEST(Cli, UsageErrorsExitWith64) {
    TempFolder scratch;
    const std::pair<const char*, std::string> cases[] = {
        {"", "--birthday is required"},
        {"--birthday", "--birthday needs a value"},
        {"--birthday 2006-05-10 --only", "--only needs a value"},
        {"--bogus --birthday 2006-05-10", "unknown option --bogus"},
        {"--birthday 2006-05-10 --dry-run=yes", "--dry-run takes no value"},
        {"--birthday 2006-05-10 a b", "more than one folder given"},
    };
    for (const auto& [arguments, problem] : cases) {
        const Outcome o = cli(scratch, scratch.path(), arguments);
        EXPECT_EQ(o.status, 64) << arguments;
        EXPECT_EQ(o.out, "") << arguments;
        EXPECT_TRUE(o.err.starts_with("tamblinor-cli: " + problem +
                                      "\nusage: tamblinor-cli --birthday YYYY-MM-DD"))
            << o.err;
    }
    const Outcome missing = cli(scratch, scratch.path(), "--birthday 2006-05-10 does-not-exist");
    EXPECT_EQ(missing.status, 66);
    EXPECT_EQ(missing.err,
              "tamblinor-cli: cannot open folder does-not-exist: No such file or directory\n");
    EXPECT_EQ(cli(scratch, scratch.path(), "--help").status, 0);
}

// A folder the user may not write to: every photo is kept and says why, and the status
// tells a script that renames failed. Root writes anywhere, so root runs it as nobody.
TEST(Cli, FailedRenamesAreReportedWithStatusThree) {
    TempFolder scratch, photos;
    fill(photos);
    namespace fs = std::filesystem;
    const auto readOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                          fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(photos.path(), readOnly);
    fs::permissions(scratch.path(), fs::perms::all);
    const std::string asUser =
        geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const std::string command =
        "cd / && " + asUser + "'" TAMBLINOR_CLI "' --birthday 2006-05-10 '" +
        photos.path().string() + "' >'" + (scratch.path() / "out").string() + "' 2>'" +
        (scratch.path() / "err").string() + "'";
    const int raw = std::system(command.c_str());
    fs::permissions(photos.path(), fs::perms::owner_all, fs::perm_options::add);
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 3);
    EXPECT_EQ(slurp(scratch.path() / "out"),
              "IMG_2.jpg kept (cannot rename: Permission denied)\n"
              "IMG_3.JPG kept (no shooting time)\n"
              "IMG_10.jpg kept (cannot rename: Permission denied)\n");
    EXPECT_EQ(slurp(scratch.path() / "err"), "tamblinor-cli: 2 photos could not be renamed\n");
}

TEST(Cli, HelpAndVersionGoToStandardOutput) {
    TempFolder scratch;
    for (const char* arguments : {"--help", "-h", "--birthday 2006-05-10 --help"}) {
        const Outcome o = cli(scratch, scratch.path(), arguments);
        EXPECT_EQ(o.status, 0) << arguments;
        EXPECT_TRUE(o.out.starts_with("usage: tamblinor-cli --birthday YYYY-MM-DD")) << o.out;
        EXPECT_EQ(o.err, "") << arguments;
    }
    const Outcome version = cli(scratch, scratch.path(), "--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "tamblinor-cli " TAMBLINOR_VERSION "\n");
    EXPECT_EQ(version.err, "");
}

TEST(Cli, EachOptionTakesOneValueInAnyOrder) {
    // The folder after --only NAME is the folder, not a second name; --birthday=DATE is
    // --birthday DATE.
    TempFolder scratch, photos;
    fill(photos);
    const Outcome o =
        cli(scratch, scratch.path(),
            "--only IMG_10.jpg '" + photos.path().string() + "' --dry-run --birthday=2006-05-10");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "IMG_10.jpg -> 0岁10月6天(14点05分33秒).jpg\n");
    EXPECT_EQ(o.err, "");
}
