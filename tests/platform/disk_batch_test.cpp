// The batch run on real folders of generated photos, where only a folder on disk can
// tell: names the file system gives back, and a folder the user may not write to. The
// scenarios that hold for any folder are in tests/naming/any_folder_test.cpp.

#include "tests/support/disk_world.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

using naming::RunEnd;
using Names = std::vector<std::string>;

namespace {

const std::string kBirthday = "2006-05-10";

} // namespace

TEST(DiskBatch, ChineseFileNamesAndRunningAgain) {
    fixture::DiskWorld w;
    w.add("宝宝 第一天.jpg", "2006:05:10 09:00:00");
    w.add("满月 照片.JPG", "2006:06:10 10:00:00");

    w.relist();
    EXPECT_EQ(w.run(kBirthday).end, RunEnd::Completed);
    const Names named{"0岁0月1天(09点00分00秒).jpg", "0岁1月1天(10点00分00秒).jpg"};
    EXPECT_EQ(w.names(), named);
    w.relist();
    EXPECT_EQ(w.run(kBirthday).end, RunEnd::Completed);
    EXPECT_EQ(w.names(), named);
}

// Windows has no read-only folders, and under wine the user may write anywhere; renames
// the system refuses there are in Cli.FailedRenamesAreReportedWithStatusThree.
#ifndef _WIN32
TEST(DiskBatch, ReadOnlyFolderLosesNothing) {
    fixture::DiskWorld w;
    w.add({{"a.jpg", "2007:03:15 14:05:33"}, {"b.jpg", "2007:03:15 14:05:34"}});
    const fixture::TempFolder& folder = w.dir;
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
        const fixture::RunReport report = w.run(kBirthday);
        const bool ok = report.end == RunEnd::Completed && report.messages.empty();
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
