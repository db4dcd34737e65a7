// A run cut short right after any one of its renames, as a crash or a kill would cut
// it, over photos of every kind: named ones, ones sharing a second, one without a
// shooting time, one whose clock cannot stand in a file name, a file that is no photo;
// and over a folder named under another birthday, whose renames wait for each other in
// chains and a ring. After each cut every photo is under its old name, its final name or
// the temporary name, and the next run ends with exactly the names of an undisturbed run.
// Undoing such a run, cut alike, leaves every photo under its name before or after
// the run or the temporary name, and the next undo finishes it.

#include "naming/forwarding_folder.h"
#include "tests/support/disk_world.h"

#include <gtest/gtest.h>
#include <map>

using fixture::TempFolder;

namespace {

// Thrown by the folder right after a rename: the run stops there, as a killed process.
struct Killed {};

class FolderKilledAfter : public naming::ForwardingFolder {
public:
    FolderKilledAfter(const TempFolder& folder, int renames)
        : ForwardingFolder(fixture::diskFolder(folder)), left_(renames) {}
    std::error_code rename(const std::string& from, const std::string& to) override {
        const std::error_code error = ForwardingFolder::rename(from, to);
        if (--left_ == 0) {
            throw Killed{};
        }
        return error;
    }
    int renames() const { return -left_; }

private:
    int left_;
};

std::string photo(std::optional<std::string> time, const std::string& tag) {
    return fixture::photo(std::move(time)) + tag;
}

void fillCameraNames(const TempFolder& folder) {
    folder.write("0岁10月6天(14点05分40秒).jpg", photo("2007:03:15 14:05:40", "named"));
    folder.write("IMG_1.jpg", photo("2007:03:15 14:05:33", "1"));
    folder.write("IMG_2.jpg", photo(std::nullopt, "2"));
    folder.write("IMG_3.jpg", photo("2007:03:15 14:05:33", "3"));
    folder.write("IMG_4.jpg", "no photo");
    folder.write("IMG_5.jpg", photo("2007:03:15 1/:05:33", "5"));
    folder.write("IMG_6.jpg", photo("2007:03:15 14:05:33", "6"));
    folder.write("IMG_7.jpg", photo("2007:04:01 09:00:00", "7"));
}

// Named under the birthday 2006-05-10, to be named again under 2006-05-08: daily photos
// at one time of day form a chain, each wanting the name of the photo two days later;
// two photos carry each other's names, a ring.
void fillNamedUnderAnotherBirthday(const TempFolder& folder) {
    for (int day = 6; day <= 12; ++day)
        folder.write(
            "0岁10月" + std::to_string(day) + "天(09点00分00秒).jpg",
            photo("2007:03:" + std::to_string(day + 9) + " 09:00:00", std::to_string(day)));
    folder.write("0岁10月8天(14点05分33秒).jpg", photo("2007:03:15 14:05:34", "ring a"));
    folder.write("0岁10月8天(14点05分34秒).jpg", photo("2007:03:15 14:05:33", "ring b"));
    folder.write("0岁10月8天(14点05分35秒).jpg", photo(std::nullopt, "stays"));
}

// Contents to name.
std::map<std::string, std::string> namesByContents(const TempFolder& folder) {
    std::map<std::string, std::string> out;
    for (const auto& [name, bytes] : folder.contents()) {
        out[bytes] = name;
    }
    return out;
}

struct Case {
    void (*fill)(const TempFolder&);
    const char* birthday;
};
const Case kCases[] = {{fillCameraNames, "2006-05-10"},
                       {fillNamedUnderAnotherBirthday, "2006-05-08"}};

} // namespace

TEST(InterruptedRun, EveryCutLeavesPhotosWhereTheNextRunFindsThem) {
    for (const Case& c : kCases) {
        const TempFolder pristine;
        c.fill(pristine);
        const auto oldNames = namesByContents(pristine);

        const TempFolder undisturbed;
        c.fill(undisturbed);
        FolderKilledAfter counting(undisturbed, 0);
        fixture::runListed(undisturbed, c.birthday, &counting);
        const auto finalNames = namesByContents(undisturbed);
        ASSERT_GE(counting.renames(), 4);

        for (int cut = 1; cut <= counting.renames(); ++cut) {
            SCOPED_TRACE(std::string(c.birthday) + ": cut after rename " + std::to_string(cut));
            const TempFolder folder;
            c.fill(folder);
            FolderKilledAfter killed(folder, cut);
            EXPECT_THROW(fixture::runListed(folder, c.birthday, &killed), Killed);

            const auto afterCut = namesByContents(folder);
            ASSERT_EQ(afterCut.size(), oldNames.size());
            for (const auto& [bytes, name] : afterCut) {
                ASSERT_TRUE(oldNames.contains(bytes)) << name;
                EXPECT_TRUE(name == oldNames.at(bytes) || name == finalNames.at(bytes) ||
                            name == "0_0.jpg")
                    << oldNames.at(bytes) << " is under " << name;
            }

            fixture::runListed(folder, c.birthday);
            EXPECT_EQ(namesByContents(folder), finalNames);
        }
    }
}

TEST(InterruptedRun, EveryCutOfAnUndoIsFinishedByTheNext) {
    for (const Case& c : kCases) {
        const TempFolder pristine;
        c.fill(pristine);
        const auto oldNames = namesByContents(pristine);
        fixture::runListed(pristine, c.birthday);
        const auto runNames = namesByContents(pristine);

        // cut 0: an undisturbed undo, which counts its renames.
        for (int cut = 0, renames = 0; cut <= renames; ++cut) {
            SCOPED_TRACE(std::string(c.birthday) + ": cut after rename " + std::to_string(cut));
            const TempFolder folder, state;
            c.fill(folder);
            platform::JournalStore store(folder.path().string(), state.path().string());
            platform::JournalWriter journal(store, c.birthday);
            fixture::runListed(folder, c.birthday, nullptr, &journal);
            FolderKilledAfter killed(folder, cut);
            if (cut == 0) {
                fixture::undoNewestRun(store, killed);
                renames = killed.renames();
                ASSERT_GE(renames, 4);
                EXPECT_EQ(namesByContents(folder), oldNames);
                continue;
            }
            EXPECT_THROW(fixture::undoNewestRun(store, killed), Killed);
            for (const auto& [bytes, name] : namesByContents(folder)) {
                ASSERT_TRUE(oldNames.contains(bytes)) << name;
                EXPECT_TRUE(name == oldNames.at(bytes) || name == runNames.at(bytes) ||
                            name == "0_0.jpg")
                    << oldNames.at(bytes) << " is under " << name;
            }
            fixture::undoNewestRun(store, *fixture::diskFolder(folder));
            EXPECT_EQ(namesByContents(folder), oldNames);
            EXPECT_TRUE(store.runs().back().undone);
        }
    }
}
