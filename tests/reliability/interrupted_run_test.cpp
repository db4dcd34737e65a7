// A run cut short right after any one of its renames, as a crash or a kill would cut
// it, over photos of every kind: named ones, ones sharing a second, one without a
// shooting time, one whose clock cannot stand in a file name, a file that is no photo.
// After each cut every photo is under its old name, its final name or the temporary
// name, and the next run ends with exactly the names of an undisturbed run.

#include "tests/reliability/disk_run.h"
#include "tests/support/jpeg_fixture.h"

#include <gtest/gtest.h>
#include <map>

using fixture::TempFolder;

namespace {

// Thrown by the folder right after a rename: the run stops there, as a killed process.
struct Killed {};

class FolderKilledAfter : public naming::Folder {
public:
    explicit FolderKilledAfter(int renames) : left_(renames) {}
    std::error_code rename(const std::string& from, const std::string& to) override {
        const std::error_code error = disk_.rename(from, to);
        if (--left_ == 0) {
            throw Killed{};
        }
        return error;
    }
    bool exists(const std::string& name) const override { return disk_.exists(name); }
    int renames() const { return -left_; }

private:
    platform::DiskFolder disk_;
    int left_;
};

std::string photo(std::optional<std::string> time, const std::string& tag) {
    return fixture::jpegBytes({.dateTimeOriginal = std::move(time)}) + tag;
}

void fill(const TempFolder& folder) {
    folder.write("0岁10月6天(14点05分40秒).jpg", photo("2007:03:15 14:05:40", "named"));
    folder.write("IMG_1.jpg", photo("2007:03:15 14:05:33", "1"));
    folder.write("IMG_2.jpg", photo(std::nullopt, "2"));
    folder.write("IMG_3.jpg", photo("2007:03:15 14:05:33", "3"));
    folder.write("IMG_4.jpg", "no photo");
    folder.write("IMG_5.jpg", photo("2007:03:15 1/:05:33", "5"));
    folder.write("IMG_6.jpg", photo("2007:03:15 14:05:33", "6"));
    folder.write("IMG_7.jpg", photo("2007:04:01 09:00:00", "7"));
}

// Contents to name.
std::map<std::string, std::string> namesByContents(const TempFolder& folder) {
    std::map<std::string, std::string> out;
    for (const auto& [name, bytes] : folder.contents()) {
        out[bytes] = name;
    }
    return out;
}

} // namespace

TEST(InterruptedRun, EveryCutLeavesPhotosWhereTheNextRunFindsThem) {
    const TempFolder pristine;
    fill(pristine);
    const auto oldNames = namesByContents(pristine);

    const TempFolder undisturbed;
    fill(undisturbed);
    FolderKilledAfter counting(0);
    reliability::runIn(undisturbed, "2006-05-10", &counting);
    const auto finalNames = namesByContents(undisturbed);
    ASSERT_GT(counting.renames(), 4);

    for (int cut = 1; cut <= counting.renames(); ++cut) {
        SCOPED_TRACE("cut after rename " + std::to_string(cut));
        const TempFolder folder;
        fill(folder);
        FolderKilledAfter killed(cut);
        EXPECT_THROW(reliability::runIn(folder, "2006-05-10", &killed), Killed);

        const auto afterCut = namesByContents(folder);
        ASSERT_EQ(afterCut.size(), oldNames.size());
        for (const auto& [bytes, name] : afterCut) {
            ASSERT_TRUE(oldNames.contains(bytes)) << name;
            EXPECT_TRUE(name == oldNames.at(bytes) || name == finalNames.at(bytes) ||
                        name == "0_0.jpg")
                << oldNames.at(bytes) << " is under " << name;
        }

        reliability::runIn(folder, "2006-05-10");
        EXPECT_EQ(namesByContents(folder), finalNames);
    }
}
