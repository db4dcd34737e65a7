// A second process working in the folder during a run, creating files under the names
// the run is about to use. First at each rename of a small run in turn, so every
// interleaving has its exact outcome; then as a real process beside tamblinor-cli,
// following the run's progress with names predicted by --dry-run. Whoever wins a race,
// nothing is overwritten: every photo and every file of the other process is still
// there exactly once, the latter under its own name.

#include "naming/forwarding_folder.h"
#include "tests/support/disk_world.h"
#include "tests/support/process.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <thread>

using fixture::TempFolder;
using Names = std::vector<std::string>;

namespace {

const std::string kName = "0岁10月6天(14点05分33秒).jpg";
const std::string kNameB = "0岁10月6天(14点05分33秒)b.jpg";
const std::string kNext = "0岁10月6天(14点05分34秒).jpg";

// The real folder operations, except that just before the run's n-th rename the other
// process creates files under the rename's target name and under `alsoTaken`.
class InterleavedFolder : public naming::ForwardingFolder {
public:
    InterleavedFolder(const TempFolder& folder, int at, Names alsoTaken)
        : ForwardingFolder(fixture::diskFolder(folder)), folder_(folder), at_(at),
          alsoTaken_(std::move(alsoTaken)) {}

    std::error_code rename(const std::string& from, const std::string& to) override {
        if (++renames_ == at_) {
            for (const std::string& name : alsoTaken_) {
                folder_.write(name, "other process: " + name);
            }
            folder_.write(to, "other process: " + to);
        }
        return ForwardingFolder::rename(from, to);
    }

private:
    const TempFolder& folder_;
    int at_;
    Names alsoTaken_;
    int renames_ = 0;
};

constexpr int kPhotos = 1000;

std::string oldName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "IMG_%04d.jpg", i);
    return name;
}

// Photos one minute apart, every fifth sharing its second with the one before (so
// collision letters come into play) and every ninth without a shooting time (so it
// keeps its name). Enough of them that the run lasts many scheduler time slices.
void fill(const TempFolder& folder) {
    int minute = 0;
    for (int i = 1; i <= kPhotos; ++i) {
        minute += i % 5 == 0 ? 0 : 1;
        char time[32];
        std::snprintf(time, sizeof time, "2007:03:15 %02d:%02d:33", 8 + minute / 60, minute % 60);
        fixture::PhotoRecipe recipe{.dateTimeOriginal = std::string(time)};
        if (i % 9 == 0) {
            recipe.dateTimeOriginal.reset();
        }
        folder.write(oldName(i), fixture::jpegBytes(recipe) + std::to_string(i));
    }
}

// The name each photo is to get, from a dry run: old name to new name.
std::map<std::string, std::string> predictedNames(const TempFolder& folder) {
    const fixture::Finished dryRun = fixture::runProgram(
        TAMBLINOR_CLI, {"--dry-run", "--birthday", "2006-05-10", folder.path().string()});
    std::map<std::string, std::string> names;
    std::istringstream lines(dryRun.out);
    for (std::string text; std::getline(lines, text);) {
        if (const auto arrow = text.find(" -> "); arrow != std::string::npos) {
            names[text.substr(0, arrow)] = text.substr(arrow + 4);
        }
    }
    return names;
}

// What the second process does once photo i has left its old name.
enum class Move {
    TakeNextName,      // the name the photo after it is to get
    TakeItsName,       // the name it is getting now
    TakeTemporaryName, // 0_0.jpg, as soon as it is free again
    TakeItsOldName,    // the name it just left
};

class SecondProcess {
public:
    SecondProcess(const TempFolder& folder, std::map<std::string, std::string> targets)
        : folder_(folder), targets_(std::move(targets)) {}

    // Follows the run and acts on photo `from` and every `every`-th after it as soon as
    // the run has reached it, until the run ends.
    void work(Move move, int from, int every, const std::atomic<bool>& runEnded) {
        int reached = 0;
        int next = from;
        while (!runEnded && next <= kPhotos) {
            // The run treats photos in list order, so once one has left its old name all
            // before it have been reached; a photo that keeps its name never leaves it,
            // hence the look a few photos ahead.
            for (int i = std::min(kPhotos, reached + 8); i > reached; --i) {
                if (!exists(oldName(i))) {
                    reached = i;
                    break;
                }
            }
            for (; next <= reached; next += every) {
                act(move, next, runEnded);
            }
        }
    }

    // Name to contents of each file this process created.
    const std::map<std::string, std::string>& created() const { return created_; }

private:
    void act(Move move, int i, const std::atomic<bool>& runEnded) {
        switch (move) {
        case Move::TakeNextName:
            create(targetOf(i + 1));
            break;
        case Move::TakeItsName:
            create(targetOf(i));
            break;
        case Move::TakeTemporaryName:
            while (!create("0_0.jpg") && !created_.contains("0_0.jpg") && !runEnded) {
            }
            break;
        case Move::TakeItsOldName:
            create(oldName(i));
            break;
        }
    }

    bool exists(const std::string& name) const {
        std::error_code error;
        return std::filesystem::exists(folder_.at(name), error);
    }

    std::string targetOf(int i) const {
        const auto it = targets_.find(oldName(i));
        return it == targets_.end() ? std::string() : it->second;
    }

    // Creates the file only where the name is free, the way any careful program does.
    bool create(const std::string& name) {
        if (name.empty() || created_.contains(name)) {
            return false;
        }
        const std::string contents = "second process: " + name;
        if (!fixture::createNew(folder_.at(name), contents)) {
            return false;
        }
        created_[name] = contents;
        return true;
    }

    const TempFolder& folder_;
    std::map<std::string, std::string> targets_;
    std::map<std::string, std::string> created_;
};

int runCli(const TempFolder& folder,
           const std::function<void(const std::atomic<bool>&)>& alongside) {
    fixture::StartedProgram cli(TAMBLINOR_CLI,
                                {"--birthday", "2006-05-10", folder.path().string()});
    if (!cli.started()) {
        return -1;
    }
    std::atomic<bool> ended = false;
    std::thread other([&] { alongside(ended); });
    const int status = cli.wait();
    ended = true;
    other.join();
    return status;
}

} // namespace

// A.jpg and C.jpg share a second, B.jpg has no shooting time (it never moves), D.jpg is
// a second later: an undisturbed run makes three renames, A, C and D each moving straight
// to its name. Each case is what the folder holds, name by name, when the other process
// struck just before one of them.
TEST(SecondProcess, EachInterleavingWithTheRunsRenamesHasItsOutcome) {
    const std::map<std::string, std::string> photos = {
        {"A", fixture::jpegBytes({.dateTimeOriginal = "2007:03:15 14:05:33"}) + "A"},
        {"B", fixture::jpegBytes({.dateTimeOriginal = std::nullopt}) + "B"},
        {"C", fixture::jpegBytes({.dateTimeOriginal = "2007:03:15 14:05:33"}) + "C"},
        {"D", fixture::jpegBytes({.dateTimeOriginal = "2007:03:15 14:05:34"}) + "D"},
    };
    std::map<std::string, std::string> whose; // contents to photo
    for (const auto& [photo, bytes] : photos) {
        whose[bytes] = photo;
    }
    const std::string other = "other";
    const struct {
        const char* name;
        int at;
        Names alsoTaken;
        std::map<std::string, std::string> after; // name to whose contents
    } cases[] = {
        {"A's name taken before A gets it",
         1,
         {},
         {{kName, other}, {kNameB, "C"}, {kNext, "D"}, {"A.jpg", "A"}, {"B.jpg", "B"}}},
        {"C's lettered name and the temporary name taken before C gets its name",
         2,
         {"0_0.jpg"},
         {{"0_0.jpg", other},
          {kName, "A"},
          {kNameB, other},
          {kNext, "D"},
          {"B.jpg", "B"},
          {"C.jpg", "C"}}},
        {"D's name taken before D gets it",
         3,
         {},
         {{kName, "A"}, {kNameB, "C"}, {kNext, other}, {"B.jpg", "B"}, {"D.jpg", "D"}}},
        {"nothing taken", 4, {}, {{kName, "A"}, {kNameB, "C"}, {kNext, "D"}, {"B.jpg", "B"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TempFolder folder;
        for (const auto& [name, bytes] : photos) {
            folder.write(name + ".jpg", bytes);
        }
        InterleavedFolder interleaved(folder, c.at, c.alsoTaken);
        EXPECT_EQ(fixture::runListed(folder, "2006-05-10", &interleaved).end,
                  naming::RunEnd::Completed);

        std::map<std::string, std::string> after;
        for (const auto& [name, bytes] : folder.contents()) {
            const auto photo = whose.find(bytes);
            after[name] = photo != whose.end()                ? photo->second
                          : bytes == "other process: " + name ? other
                                                              : bytes;
        }
        EXPECT_EQ(after, c.after);
    }
}

TEST(SecondProcess, CreatingTheRunsNamesDuringARunOverwritesNothing) {
    const struct {
        const char* name;
        Move move;
        int from;
        int every;
    } cases[] = {
        {"takes the next photo's name", Move::TakeNextName, 1, 1},
        {"takes the next photo's name now and then", Move::TakeNextName, 3, 7},
        {"takes the name of the photo being named", Move::TakeItsName, 1, 1},
        {"takes the name of the photo being named now and then", Move::TakeItsName, 2, 5},
        {"takes the temporary name early", Move::TakeTemporaryName, 2, 1},
        {"takes the temporary name late", Move::TakeTemporaryName, kPhotos / 2, 1},
        {"takes the old names photos left", Move::TakeItsOldName, 1, 1},
        {"takes the old names photos left now and then", Move::TakeItsOldName, 5, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TempFolder folder;
        fill(folder);
        const auto targets = predictedNames(folder);
        ASSERT_GT(targets.size(), std::size_t(kPhotos / 2));
        std::multiset<std::string> expected;
        for (const auto& [name, bytes] : folder.contents()) {
            expected.insert(bytes);
        }

        SecondProcess other(folder, targets);
        const int status = runCli(folder, [&](const std::atomic<bool>& ended) {
            other.work(c.move, c.from, c.every, ended);
        });
        EXPECT_TRUE(status == 0 || status == 3) << status; // 3: a name was taken first

        std::multiset<std::string> found;
        for (const auto& [name, bytes] : folder.contents()) {
            found.insert(bytes);
        }
        for (const auto& [name, bytes] : other.created()) {
            expected.insert(bytes);
            EXPECT_EQ(folder.read(name), bytes) << name;
        }
        EXPECT_EQ(found.size(), expected.size());
        EXPECT_TRUE(found == expected);
    }
}
