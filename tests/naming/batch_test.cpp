// The batch run over an in-memory folder: all or some photos, the temporary name, the
// runs that end with a message, collision letters, photos that keep their names and why,
// and planned runs over folders that are not fresh (other birthdays, chains and rings of
// names, a blocked temporary name, photos under two names). The disk version of these
// runs lives with the platform tests.

#include "naming/batch.h"
#include "naming/memory_folder.h"
#include "naming/photo_identity.h"
#include "naming/photo_name.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <set>

using naming::KeptReason;
using naming::Message;
using naming::RunEnd;

namespace {

enum class RunMode { All, Selected };

// A folder of photos whose shooting times are known by the names they started with.
class World : public naming::ShootingTimeSource,
              public naming::ErrorSink,
              public naming::RunObserver {
public:
    explicit World(std::initializer_list<std::pair<std::string, std::string>> photos) {
        for (const auto& [name, time] : photos)
            add(name, time);
    }

    void add(const std::string& name, const std::string& time) {
        folder.add(name);
        listed.push_back(name);
        timeByOrigin[name] = time;
    }

    std::optional<std::string> shootingTime(const std::string& fileName) override {
        ++reads;
        if (readerBroken)
            return std::nullopt;
        return timeByOrigin[folder.origin(fileName)];
    }

    void show(Message m) override { messages.push_back(m); }
    void renamed(const std::string& from, const std::string& to) override {
        report.push_back(from + " -> " + to);
    }
    void kept(const std::string& name, KeptReason reason, std::error_code) override {
        report.push_back(name + " kept " + std::to_string(int(reason)));
        reasons.push_back(reason);
    }

    RunEnd run(RunMode mode, std::string_view birthday) {
        std::vector<std::string> photos;
        for (std::size_t i = 0; i < listed.size(); ++i) {
            if (mode == RunMode::All || chosen.contains(int(i)))
                photos.push_back(listed[i]);
        }
        report.clear();
        reasons.clear();
        return naming::renamePhotos(photos, birthday, {folder, *this, *this, this});
    }

    naming::MemoryFolder folder;
    std::vector<std::string> listed;
    std::map<std::string, std::string> timeByOrigin;
    std::set<int> chosen;
    std::vector<Message> messages;
    std::vector<std::string> report;
    std::vector<KeptReason> reasons;
    int reads = 0;
    bool readerBroken = false;
};

using Names = std::vector<std::string>;

} // namespace

TEST(Batch, RenamesEveryPhotoAfterTheChildsAge) {
    World w({{"IMG_1.jpg", "2007:03:15 14:05:33"}, {"IMG_2.jpg", "2007:07:05 12:00:00"}});
    EXPECT_EQ(w.run(RunMode::All, "2006-05-10"), RunEnd::Completed);
    EXPECT_EQ(w.folder.names(),
              (Names{"0岁10月6天(14点05分33秒).jpg", "1岁1月26天(12点00分00秒).jpg"}));
    EXPECT_TRUE(w.messages.empty());
}

TEST(Batch, RejectsAMalformedBirthdayBeforeTouchingAnything) {
    for (const char* birthday : {"2007-3-26", "2007/03/26", "", "20070326"}) {
        World w({{"IMG_1.jpg", "2007:03:15 14:05:33"}});
        EXPECT_EQ(w.run(RunMode::All, birthday), RunEnd::BadBirthday);
        EXPECT_EQ(w.messages, std::vector{Message::BadBirthday});
        EXPECT_EQ(w.folder.names(), Names{"IMG_1.jpg"});
        EXPECT_EQ(w.reads, 0);
    }
}

TEST(Batch, UnrealBirthdayEndsTheRunAtTheFirstPhotoWithATime) {
    World w({{"a1.jpg", ""},
             {"a2.jpg", ""},
             {"a3.jpg", "2007:03:15 14:05:33"},
             {"a4.jpg", "2007:03:15 14:05:34"}});
    EXPECT_EQ(w.run(RunMode::All, "2007-02-30"), RunEnd::BadBirthday);
    EXPECT_EQ(w.messages, std::vector{Message::BadBirthday});
    EXPECT_EQ(w.folder.names(), (Names{"a1.jpg", "a2.jpg", "a3.jpg", "a4.jpg"}));
    EXPECT_EQ(w.reads, 3);
}

TEST(Batch, UnusableReaderEndsTheRunWithTheMetadataMessage) {
    World w({{"a1.jpg", "2007:03:15 14:05:33"}, {"a2.jpg", "2007:03:15 14:05:34"}});
    w.readerBroken = true;
    EXPECT_EQ(w.run(RunMode::All, "2006-05-10"), RunEnd::ReaderUnavailable);
    EXPECT_EQ(w.messages, std::vector{Message::ReaderUnavailable});
    EXPECT_EQ(w.folder.names(), (Names{"a1.jpg", "a2.jpg"}));
    EXPECT_EQ(w.reads, 1);
    EXPECT_EQ(naming::messageText(Message::ReaderUnavailable), "文件丢失！请重新安装本软件。");
    EXPECT_EQ(naming::messageText(Message::BadBirthday), "生日输入有误！请按示例格式输入。");
}

TEST(Batch, PhotosWithoutAUsableTimeKeepTheirNamesAndTheRunGoesOn) {
    World w({{"blank.jpg", ""},
             {"unknown.jpg", "    :  :     :  :  "},
             {"zeros.jpg", "0000:00:00 00:00:00"},
             {"slash.jpg", "2007:03:15 1/:05:33"},
             {"colon.jpg", "2007:03:15 14:05:3:"},
             {"good.jpg", "2007:03:15 14:05:33"}});
    EXPECT_EQ(w.run(RunMode::All, "2006-05-10"), RunEnd::Completed);
    EXPECT_EQ(w.folder.names(), (Names{"0岁10月6天(14点05分33秒).jpg", "blank.jpg", "colon.jpg",
                                       "slash.jpg", "unknown.jpg", "zeros.jpg"}));
    EXPECT_TRUE(w.messages.empty());
}

TEST(Batch, SevenAndEightPhotosInOneSecondLeaveTheLastOnesUnchanged) {
    const std::string t = "2007:03:15 14:05:33";
    const std::string x = "0岁10月6天(14点05分33秒)";
    World w({});
    for (const char* name :
         {"p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg", "p5.jpg", "p6.jpg", "p7.jpg", "p8.jpg"})
        w.add(name, t);
    w.add("q.jpg", "2007:03:15 14:05:34");
    EXPECT_EQ(w.run(RunMode::All, "2006-05-10"), RunEnd::Completed);
    EXPECT_EQ(w.folder.names(),
              (Names{x + ".jpg", x + "b.jpg", x + "c.jpg", x + "d.jpg", x + "e.jpg", x + "f.jpg",
                     "0岁10月6天(14点05分34秒).jpg", "p7.jpg", "p8.jpg"}));
}

TEST(Batch, RenameSelectedTreatsOnlyTheSelection) {
    World w({{"a.jpg", "2007:03:15 14:05:33"},
             {"b.jpg", "2007:03:15 14:05:34"},
             {"c.jpg", "2007:03:15 14:05:35"}});
    EXPECT_EQ(w.run(RunMode::Selected, "2006-05-10"), RunEnd::Completed);
    EXPECT_EQ(w.folder.names(), (Names{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(w.reads, 0);

    w.chosen = {0, 2};
    EXPECT_EQ(w.run(RunMode::Selected, "2006-05-10"), RunEnd::Completed);
    EXPECT_EQ(w.folder.names(),
              (Names{"0岁10月6天(14点05分33秒).jpg", "0岁10月6天(14点05分35秒).jpg", "b.jpg"}));
}

TEST(Batch, LeftoverUnderTemporaryNameIsNamedFirst) {
    // Listed after a photo that wants to pass through its name, it moves first.
    World w({{"IMG_1.jpg", "2007:03:15 14:05:33"},
             {"0_0.jpg", "2007:03:15 14:05:40"},
             {"IMG_2.jpg", "2007:03:15 14:05:41"}});
    EXPECT_EQ(w.run(RunMode::All, "2006-05-10"), RunEnd::Completed);
    EXPECT_EQ(w.folder.names(),
              (Names{"0岁10月6天(14点05分33秒).jpg", "0岁10月6天(14点05分40秒).jpg",
                     "0岁10月6天(14点05分41秒).jpg"}));
}

TEST(Batch, VanishedPhotoIsSkipped) {
    World w({{"gone.jpg", "2007:03:15 14:05:33"}, {"here.jpg", "2007:03:15 14:05:34"}});
    ASSERT_FALSE(w.folder.rename("gone.jpg", ".elsewhere"));
    EXPECT_EQ(w.run(RunMode::All, "2006-05-10"), RunEnd::Completed);
    EXPECT_EQ(w.folder.names(), (Names{".elsewhere", "0岁10月6天(14点05分34秒).jpg"}));
}

TEST(Batch, RunningAgainChangesNothing) {
    World w({{"a.jpg", "2007:03:15 14:05:33"},
             {"b.jpg", "2007:03:15 14:05:33"},
             {"c.jpg", ""},
             {"d.jpg", "2007:03:15 14:05:33"},
             {"e.jpg", "2008:01:01 00:00:00"}});
    ASSERT_EQ(w.run(RunMode::All, "2006-05-10"), RunEnd::Completed);
    const Names first = w.folder.names();
    // A fresh listing of the renamed folder, in its natural order.
    w.listed = first;
    ASSERT_EQ(w.run(RunMode::All, "2006-05-10"), RunEnd::Completed);
    EXPECT_EQ(w.folder.names(), first);
}

TEST(Batch, TellsWhyEachPhotoKeepsItsName) {
    World w({{"blank.jpg", ""},
             {"zeros.jpg", "0000:00:00 00:00:00"},
             {"slash.jpg", "2007:03:15 1/:05:33"},
             {"named.jpg", "2007:03:15 14:05:34"},
             {"late.jpg", "2007:02:30 14:05:35"}});
    for (const char* letter : {"", "b", "c", "d", "e", "f"})
        w.folder.add(std::string("0岁10月6天(14点05分34秒)") + letter + ".jpg");
    EXPECT_EQ(w.run(RunMode::All, "2006-05-10"), RunEnd::BadBirthday);
    EXPECT_EQ(w.reasons, (std::vector{KeptReason::NoShootingTime, KeptReason::UnknownShootingTime,
                                      KeptReason::ClockNotUsable, KeptReason::EveryLetterTaken,
                                      KeptReason::RunEnded}));

    World again({{"a.jpg", "2007:03:15 14:05:33"}});
    ASSERT_EQ(again.run(RunMode::All, "2006-05-10"), RunEnd::Completed);
    again.listed = again.folder.names();
    ASSERT_EQ(again.run(RunMode::All, "2006-05-10"), RunEnd::Completed);
    EXPECT_EQ(again.reasons, std::vector{KeptReason::AlreadyNamed});
}

// Photos named under one birthday, then renamed under another: each new name may be held
// by another photo of the run, in chains or rings, yet no letter is given that a single
// run on the camera names would not give.
TEST(Batch, PlannedRunsMoveChainsAndRingsWithoutFalseLetters) {
    const std::string at33 = "0岁10月6天(14点05分33秒).jpg", at34 = "0岁10月6天(14点05分34秒).jpg";
    const std::string at35 = "0岁10月6天(14点05分35秒).jpg";
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> photos; // name, shooting time
        Names after;
    };
    const std::vector<Case> cases{
        {"chain", {{at33, "2007:03:15 14:05:34"}, {at34, "2007:03:15 14:05:35"}}, {at34, at35}},
        {"ring of two",
         {{at33, "2007:03:15 14:05:34"}, {at34, "2007:03:15 14:05:33"}},
         {at33, at34}},
        {"ring of three",
         {{at33, "2007:03:15 14:05:34"},
          {at34, "2007:03:15 14:05:35"},
          {at35, "2007:03:15 14:05:33"}},
         {at33, at34, at35}},
    };
    for (const Case& c : cases) {
        World w({});
        for (const auto& [name, time] : c.photos)
            w.add(name, time);
        EXPECT_EQ(w.run(RunMode::All, "2006-05-10"), RunEnd::Completed) << c.what;
        EXPECT_EQ(w.folder.names(), c.after) << c.what;
        for (const std::string& name : w.folder.names()) // each photo under its own time
            EXPECT_EQ(naming::photoName(naming::baseName(
                          *naming::ageStamp("2006-05-10", w.timeByOrigin[w.folder.origin(name)]))),
                      name)
                << c.what;
    }
}

// "0_0.jpg" held by something the run cannot name: photos go straight to their names,
// except a ring, which needs the temporary name to open and keeps its names.
TEST(Batch, BlockedTemporaryNameIsAWaypointNotAGate) {
    const std::string at33 = "0岁10月6天(14点05分33秒).jpg", at34 = "0岁10月6天(14点05分34秒).jpg";
    for (const bool asFolder : {false, true}) {
        World w({{"IMG_1.jpg", "2007:03:15 14:05:40"}});
        if (asFolder)
            w.folder.addOther("0_0.jpg");
        else
            w.add("0_0.jpg", "");
        w.add(at33, "2007:03:15 14:05:34");
        w.add(at34, "2007:03:15 14:05:33");
        EXPECT_EQ(w.run(RunMode::All, "2006-05-10"), RunEnd::Completed);
        EXPECT_TRUE(w.folder.isNameTaken("0岁10月6天(14点05分40秒).jpg"));
        EXPECT_EQ(w.folder.origin(at33), at33); // the ring stays as it was
        EXPECT_EQ(w.folder.origin(at34), at34);
        EXPECT_TRUE(w.folder.isNameTaken("0_0.jpg"));
    }
}

// A rename cut between its hard link and its unlink: the photo is under both names. The
// name it was leaving goes, the other stays, and nothing is named twice.
TEST(Batch, PhotoUnderTwoNamesIsFinishedNotDoubled) {
    const std::string named = "0岁10月6天(14点05分33秒).jpg";
    struct Case {
        std::string first, second, left;
    };
    for (const Case& c : std::vector<Case>{{"IMG_1.jpg", "0_0.jpg", "0_0.jpg"},
                                           {"0_0.jpg", named, named},
                                           {"IMG_1.jpg", named, named}}) {
        World w({{c.first, "2007:03:15 14:05:33"}, {"IMG_2.jpg", "2007:03:15 14:05:34"}});
        w.folder.addTwin(c.first, c.second);
        w.listed = w.folder.names();
        EXPECT_EQ(w.run(RunMode::All, "2006-05-10"), RunEnd::Completed);
        EXPECT_EQ(w.folder.names(), (Names{named, "0岁10月6天(14点05分34秒).jpg"}))
            << c.first << " + " << c.second;
    }
    // Two different files of the same second are never taken for one.
    World w({{"IMG_1.jpg", "2007:03:15 14:05:33"}, {"IMG_2.jpg", "2007:03:15 14:05:33"}});
    EXPECT_EQ(w.run(RunMode::All, "2006-05-10"), RunEnd::Completed);
    EXPECT_EQ(w.folder.names(), (Names{named, "0岁10月6天(14点05分33秒)b.jpg"}));
}

namespace {

// Loses the photo it is asked to move first, as a failing file system might, and counts
// the flushes.
class LosingFolder : public naming::MemoryFolder {
public:
    using MemoryFolder::MemoryFolder;
    std::error_code rename(const std::string& from, const std::string& to) override {
        if (!lost_) {
            lost_ = true;
            MemoryFolder::rename(from, ".lost");
            return std::make_error_code(std::errc::io_error);
        }
        return MemoryFolder::rename(from, to);
    }
    bool isNameTaken(const std::string& name) const override {
        return name != ".lost" && MemoryFolder::isNameTaken(name);
    }
    std::error_code flush() override {
        ++flushes;
        return {};
    }
    int flushes = 0;

private:
    bool lost_ = false;
};

} // namespace

TEST(Batch, VanishingPhotoStopsTheRunAndRenamesAreFlushedOnce) {
    World w({{"a.jpg", "2007:03:15 14:05:33"},
             {"b.jpg", "2007:03:15 14:05:34"},
             {"c.jpg", "2007:03:15 14:05:35"}});
    LosingFolder losing(std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg"});
    const std::vector<std::string> photos{"a.jpg", "b.jpg", "c.jpg"};
    EXPECT_EQ(naming::renamePhotos(photos, "2006-05-10", {losing, w, w, &w}),
              RunEnd::PhotoVanished);
    EXPECT_EQ(losing.names(), (Names{".lost", "b.jpg", "c.jpg"})); // nothing fed to it after
    EXPECT_EQ(losing.flushes, 0);

    LosingFolder fine(std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg"});
    ASSERT_TRUE(fine.rename("x", "y")); // spends its one loss on nothing
    EXPECT_EQ(naming::renamePhotos(photos, "2006-05-10", {fine, w, w, &w}), RunEnd::Completed);
    EXPECT_EQ(fine.flushes, 1);
}

// A taking back stays unfinished, for a later one to retry the same run, only where it
// could still bring photos back: none of them found (the wrong folder, a card not
// mounted), or the file system refused a move. Photos changed since do not hold it.
TEST(Batch, UndoIsUnfinishedOnlyWhileARetryCouldBringPhotosBack) {
    struct Journal : naming::RunJournal {
        void begin(const std::vector<naming::Rename>&) override {}
        void end(const std::vector<naming::Rename>& done) override { made = done.size(); }
        void unfinished() override { held = true; }
        std::size_t made = 0;
        bool held = false;
    };
    struct Case {
        const char* what;
        std::function<void(World&)> disturb;
        RunEnd end;
        std::size_t made;
    };
    const Case cases[] = {
        {"untouched", [](World&) {}, RunEnd::Completed, 2},
        {"one deleted", [](World& w) { w.folder.rename("b.jpg", ".gone"); }, RunEnd::Completed, 1},
        {"all already back",
         [](World& w) {
             w.folder.rename("a.jpg", "x.jpg");
             w.folder.rename("b.jpg", "a.jpg");
             w.folder.rename("x.jpg", "b.jpg");
         },
         RunEnd::Completed, 0},
        {"none found",
         [](World& w) {
             w.folder.rename("a.jpg", "elsewhere 1.jpg");
             w.folder.rename("b.jpg", "elsewhere 2.jpg");
         },
         RunEnd::Unfinished, 0},
        {"ring blocked", [](World& w) { w.folder.addOther(std::string(naming::kTemporaryName)); },
         RunEnd::Unfinished, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The run swapped the two photos' names.
        World w({{"a.jpg", "2007:03:15 14:05:33"}, {"b.jpg", "2007:03:16 14:05:33"}});
        const std::vector<naming::Rename> swap{
            {"b.jpg", "a.jpg", naming::photoIdentity(w.folder, "a.jpg", "2007:03:15 14:05:33")},
            {"a.jpg", "b.jpg", naming::photoIdentity(w.folder, "b.jpg", "2007:03:16 14:05:33")}};
        c.disturb(w);
        Journal journal;
        EXPECT_EQ(naming::undoRenames(swap, w.folder, w, &w, &journal), c.end);
        EXPECT_EQ(journal.held, c.end == RunEnd::Unfinished);
        EXPECT_EQ(journal.made, c.made);
    }
}
