// The batch run over any folder, each scenario once in memory and once on disk: all or
// some photos, the temporary name, the runs that end with a message, collision letters,
// photos that keep their names and why, and planned runs over folders that are not fresh
// (other birthdays, chains and rings of names, a blocked temporary name, photos under two
// names). Where a run moves photos, the test also checks which file went where. Then
// what only a folder on disk can tell: names the file system gives back, and a folder
// the user may not write to.

#include "naming/forwarding_folder.h"
#include "naming/photo_identity.h"
#include "naming/photo_name.h"
#include "tests/support/disk_world.h"

#include <functional>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

using naming::KeptReason;
using naming::Message;
using naming::RunEnd;
using Names = std::vector<std::string>;

namespace {

template <class> class Batch : public ::testing::Test {};

using Worlds = ::testing::Types<fixture::MemoryWorld, fixture::DiskWorld>;
TYPED_TEST_SUITE(Batch, Worlds);

} // namespace

TYPED_TEST(Batch, RenamesEveryPhotoAfterTheChildsAge) {
    TypeParam w;
    w.add({{"IMG_1.jpg", "2007:03:15 14:05:33"}, {"IMG_2.jpg", "2007:07:05 12:00:00"}});
    const auto r = w.run("2006-05-10");
    EXPECT_EQ(r.end, RunEnd::Completed);
    EXPECT_EQ(w.names(), (Names{"0岁10月6天(14点05分33秒).jpg", "1岁1月26天(12点00分00秒).jpg"}));
    EXPECT_TRUE(r.messages.empty());
}

TYPED_TEST(Batch, RejectsAMalformedBirthdayBeforeTouchingAnything) {
    for (const char* birthday : {"2007-3-26", "2007/03/26", "", "20070326"}) {
        TypeParam w;
        w.add({{"IMG_1.jpg", "2007:03:15 14:05:33"}});
        const auto r = w.run(birthday);
        EXPECT_EQ(r.end, RunEnd::BadBirthday);
        EXPECT_EQ(r.messages, std::vector{Message::BadBirthday});
        EXPECT_EQ(w.names(), Names{"IMG_1.jpg"});
        EXPECT_EQ(w.reads, 0);
    }
}

TYPED_TEST(Batch, UnrealBirthdayEndsTheRunAtTheFirstPhotoWithATime) {
    TypeParam w;
    w.add({{"a1.jpg", ""},
           {"a2.jpg", ""},
           {"a3.jpg", "2007:03:15 14:05:33"},
           {"a4.jpg", "2007:03:15 14:05:34"}});
    const auto before = w.layout();
    const auto r = w.run("2007-02-30");
    EXPECT_EQ(r.end, RunEnd::BadBirthday);
    EXPECT_EQ(r.messages, std::vector{Message::BadBirthday});
    EXPECT_EQ(w.names(), (Names{"a1.jpg", "a2.jpg", "a3.jpg", "a4.jpg"}));
    EXPECT_EQ(w.layout(), before);
    EXPECT_EQ(w.reads, 3);
}

TYPED_TEST(Batch, UnusableReaderEndsTheRunWithTheMetadataMessage) {
    TypeParam w;
    w.add({{"a1.jpg", "2007:03:15 14:05:33"}, {"a2.jpg", "2007:03:15 14:05:34"}});
    w.broken = true;
    const auto r = w.run("2006-05-10");
    EXPECT_EQ(r.end, RunEnd::ReaderUnavailable);
    EXPECT_EQ(r.messages, std::vector{Message::ReaderUnavailable});
    EXPECT_EQ(w.names(), (Names{"a1.jpg", "a2.jpg"}));
    EXPECT_EQ(w.reads, 1);
    EXPECT_EQ(naming::messageText(Message::ReaderUnavailable), "文件丢失！请重新安装本软件。");
    EXPECT_EQ(naming::messageText(Message::BadBirthday), "生日输入有误！请按示例格式输入。");
}

TYPED_TEST(Batch, PhotosWithoutAUsableTimeKeepTheirNamesAndTheRunGoesOn) {
    TypeParam w;
    w.add({{"blank.jpg", ""},
           {"unknown.jpg", "    :  :     :  :  "},
           {"zeros.jpg", "0000:00:00 00:00:00"},
           {"slash.jpg", "2007:03:15 1/:05:33"},
           {"colon.jpg", "2007:03:15 14:05:3:"},
           {"good.jpg", "2007:03:15 14:05:33"}});
    const auto r = w.run("2006-05-10");
    EXPECT_EQ(r.end, RunEnd::Completed);
    EXPECT_EQ(w.names(), (Names{"0岁10月6天(14点05分33秒).jpg", "blank.jpg", "colon.jpg",
                                "slash.jpg", "unknown.jpg", "zeros.jpg"}));
    EXPECT_TRUE(r.messages.empty());
}

TYPED_TEST(Batch, SevenAndEightPhotosInOneSecondLeaveTheLastOnesUnchanged) {
    const std::string t = "2007:03:15 14:05:33";
    const std::string x = "0岁10月6天(14点05分33秒)";
    TypeParam w;
    for (const char* name :
         {"p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg", "p5.jpg", "p6.jpg", "p7.jpg", "p8.jpg"})
        w.add(name, t);
    w.add("q.jpg", "2007:03:15 14:05:34");
    const auto files = w.files();
    EXPECT_EQ(w.run("2006-05-10").end, RunEnd::Completed);
    EXPECT_EQ(w.names(), (Names{x + ".jpg", x + "b.jpg", x + "c.jpg", x + "d.jpg", x + "e.jpg",
                                x + "f.jpg", "0岁10月6天(14点05分34秒).jpg", "p7.jpg", "p8.jpg"}));
    EXPECT_EQ(w.files(), files);
    // The first listed photo took the plain name, and the new names are listed.
    EXPECT_EQ(w.origin(x + ".jpg"), "p1.jpg");
    w.relist();
    EXPECT_EQ(w.listed.size(), 9u);
}

TYPED_TEST(Batch, RenameSelectedTreatsOnlyTheSelection) {
    TypeParam w;
    w.add({{"a.jpg", "2007:03:15 14:05:33"},
           {"b.jpg", "2007:03:15 14:05:34"},
           {"c.jpg", "2007:03:15 14:05:35"}});
    EXPECT_EQ(fixture::runBatch(w.folder(), w, {}, "2006-05-10").end, RunEnd::Completed);
    EXPECT_EQ(w.names(), (Names{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(w.reads, 0);

    EXPECT_EQ(fixture::runBatch(w.folder(), w, {"a.jpg", "c.jpg"}, "2006-05-10").end,
              RunEnd::Completed);
    EXPECT_EQ(w.names(),
              (Names{"0岁10月6天(14点05分33秒).jpg", "0岁10月6天(14点05分35秒).jpg", "b.jpg"}));
}

TYPED_TEST(Batch, LeftoverUnderTemporaryNameIsNamedFirst) {
    // Listed after a photo that wants to pass through its name, it moves first.
    TypeParam w;
    w.add({{"IMG_1.jpg", "2007:03:15 14:05:33"},
           {"0_0.jpg", "2007:03:15 14:05:40"},
           {"IMG_2.jpg", "2007:03:15 14:05:41"}});
    const auto files = w.files();
    EXPECT_EQ(w.run("2006-05-10").end, RunEnd::Completed);
    EXPECT_EQ(w.names(), (Names{"0岁10月6天(14点05分33秒).jpg", "0岁10月6天(14点05分40秒).jpg",
                                "0岁10月6天(14点05分41秒).jpg"}));
    EXPECT_EQ(w.files(), files);
}

TYPED_TEST(Batch, VanishedPhotoIsSkipped) {
    TypeParam w;
    w.add({{"gone.jpg", "2007:03:15 14:05:33"}, {"here.jpg", "2007:03:15 14:05:34"}});
    ASSERT_FALSE(w.folder().rename("gone.jpg", ".elsewhere"));
    EXPECT_EQ(w.run("2006-05-10").end, RunEnd::Completed);
    EXPECT_EQ(w.names(), (Names{".elsewhere", "0岁10月6天(14点05分34秒).jpg"}));
}

TYPED_TEST(Batch, RunningAgainChangesNothing) {
    TypeParam w;
    w.add({{"a.jpg", "2007:03:15 14:05:33"},
           {"b.jpg", "2007:03:15 14:05:33"},
           {"c.jpg", ""},
           {"d.jpg", "2007:03:15 14:05:33"},
           {"e.jpg", "2008:01:01 00:00:00"}});
    ASSERT_EQ(w.run("2006-05-10").end, RunEnd::Completed);
    const Names first = w.names();
    w.relist();
    ASSERT_EQ(w.run("2006-05-10").end, RunEnd::Completed);
    EXPECT_EQ(w.names(), first);
}

TYPED_TEST(Batch, TellsWhyEachPhotoKeepsItsName) {
    TypeParam w;
    w.add({{"blank.jpg", ""},
           {"zeros.jpg", "0000:00:00 00:00:00"},
           {"slash.jpg", "2007:03:15 1/:05:33"},
           {"named.jpg", "2007:03:15 14:05:34"},
           {"late.jpg", "2007:02:30 14:05:35"}});
    for (const char* letter : {"", "b", "c", "d", "e", "f"})
        w.add(std::string("0岁10月6天(14点05分34秒)") + letter + ".jpg", "");
    w.listed.resize(5);
    const auto r = w.run("2006-05-10");
    EXPECT_EQ(r.end, RunEnd::BadBirthday);
    EXPECT_EQ(r.reasons, (std::vector{KeptReason::NoShootingTime, KeptReason::UnknownShootingTime,
                                      KeptReason::ClockNotUsable, KeptReason::EveryLetterTaken,
                                      KeptReason::RunEnded}));

    TypeParam again;
    again.add({{"a.jpg", "2007:03:15 14:05:33"}});
    ASSERT_EQ(again.run("2006-05-10").end, RunEnd::Completed);
    again.relist();
    EXPECT_EQ(again.run("2006-05-10").reasons, std::vector{KeptReason::AlreadyNamed});
}

// Photos named under one birthday, then renamed under another: each new name may be held
// by another photo of the run, in chains or rings, yet no letter is given that a single
// run on the camera names would not give.
TYPED_TEST(Batch, PlannedRunsMoveChainsAndRingsWithoutFalseLetters) {
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
        TypeParam w;
        for (const auto& [name, time] : c.photos)
            w.add(name, time);
        EXPECT_EQ(w.run("2006-05-10").end, RunEnd::Completed) << c.what;
        EXPECT_EQ(w.names(), c.after) << c.what;
        for (const std::string& name : w.names()) // each photo under its own time
            EXPECT_EQ(naming::photoName(naming::baseName(
                          *naming::ageStamp("2006-05-10", w.timeByOrigin.at(w.origin(name))))),
                      name)
                << c.what;
    }
}

// Phone media: each new name keeps its file's kind, names of different kinds never
// collide, and the video of a Live Photo follows its still, letter and all, where it can.
// A ring of videos opens through a temporary name of their own kind. Running again
// changes nothing.
TYPED_TEST(Batch, PhoneMediaKeepTheirKindAndLivePhotosTheirPairs) {
    const std::string t1 = "2007:03:15 14:05:33", t2 = "2007:03:15 14:05:35";
    const auto at = [](const std::string& second, const std::string& tail) {
        return "0岁10月6天(14点05分" + second + "秒)" + tail;
    };
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> photos; // name, shooting time
        Names after;
        Names origins;     // of the names after, in their order
        Names others = {}; // taken by folders
    };
    const std::vector<Case> cases{
        {"kinds",
         {{"A.JPEG", t1}, {"B.heic", t1}, {"C.MP4", t1}, {"D.mov", t1}, {"E.jpe", t1}},
         {at("33", ".heic"), at("33", ".jpg"), at("33", ".mov"), at("33", ".mp4"),
          at("33", "b.jpg")},
         {"B.heic", "A.JPEG", "D.mov", "C.MP4", "E.jpe"}},
        {"live photos",
         {{"IMG_1.HEIC", t1}, {"IMG_1.MOV", t2}, {"IMG_2.3gp", t1}, {"IMG_2.jpg", t1}},
         {at("33", ".3gp"), at("33", ".heic"), at("33", ".jpg"), at("33", ".mov")},
         {"IMG_2.3gp", "IMG_1.HEIC", "IMG_2.jpg", "IMG_1.MOV"}},
        {"pair name taken",
         {{"IMG_1.JPG", t1}, {at("33", ".mov"), ""}, {"IMG_1.MOV", t2}},
         {at("33", ".jpg"), at("33", ".mov"), at("35", ".mov")},
         {"IMG_1.JPG", at("33", ".mov"), "IMG_1.MOV"}},
        {"one camera name, shot years apart",
         {{"IMG_1.JPG", t1}, {"IMG_1.MOV", "2012:06:01 09:00:00"}},
         {at("33", ".jpg"), "6岁0月23天(09点00分00秒).mov"},
         {"IMG_1.JPG", "IMG_1.MOV"}},
        {"still refused by a folder",
         {{"IMG_1.JPG", t1}, {"IMG_1.MOV", t2}},
         {at("33", ".jpg"), at("35", ".mov"), "IMG_1.JPG"},
         {"", "IMG_1.MOV", "IMG_1.JPG"},
         {at("33", ".jpg")}},
        {"ring of videos",
         {{at("33", ".mov"), t2}, {at("35", ".mov"), t1}},
         {at("33", ".mov"), at("35", ".mov")},
         {at("35", ".mov"), at("33", ".mov")}},
    };
    for (const Case& c : cases) {
        TypeParam w;
        for (const auto& [name, time] : c.photos)
            w.add(name, time);
        for (const std::string& other : c.others)
            w.addOther(other);
        EXPECT_EQ(w.run("2006-05-10").end, RunEnd::Completed) << c.what;
        EXPECT_EQ(w.names(), c.after) << c.what;
        for (std::size_t i = 0; i < c.after.size() && i < c.origins.size(); ++i)
            EXPECT_EQ(w.origin(c.after[i]), c.origins[i]) << c.what << ' ' << c.after[i];
        const auto layout = w.layout();
        w.relist();
        w.run("2006-05-10");
        EXPECT_EQ(w.layout(), layout) << c.what;
    }
}

// "0_0.jpg" held by something the run cannot name: photos go straight to their names,
// except a ring, which needs the temporary name to open and keeps its names.
TYPED_TEST(Batch, BlockedTemporaryNameIsAWaypointNotAGate) {
    const std::string at33 = "0岁10月6天(14点05分33秒).jpg", at34 = "0岁10月6天(14点05分34秒).jpg";
    const std::string at40 = "0岁10月6天(14点05分40秒).jpg";
    for (const bool asFolder : {false, true}) {
        TypeParam w;
        w.add({{"IMG_1.jpg", "2007:03:15 14:05:40"}});
        if (asFolder)
            w.addOther("0_0.jpg");
        else
            w.add("0_0.jpg", "");
        w.add(at33, "2007:03:15 14:05:34");
        w.add(at34, "2007:03:15 14:05:33");
        EXPECT_EQ(w.run("2006-05-10").end, RunEnd::Completed);
        EXPECT_EQ(w.origin(at40), "IMG_1.jpg");
        EXPECT_EQ(w.origin(at33), at33); // the ring stays as it was
        EXPECT_EQ(w.origin(at34), at34);
        EXPECT_EQ(w.names(), (Names{"0_0.jpg", at33, at34, at40}));
    }
}

// A rename cut between its hard link and its unlink (ntfs-3g, NFS): the photo is under
// both names. The name it was leaving goes, the other stays, and nothing is named twice.
TYPED_TEST(Batch, PhotoUnderTwoNamesIsFinishedNotDoubled) {
    const std::string named = "0岁10月6天(14点05分33秒).jpg";
    // What a cut run's journal says it was doing: IMG_1.jpg to its age name, which a ring
    // may have made go through 0_0.jpg.
    struct CutRun : naming::CutShortRenames {
        bool wasMoving(const std::string& from, const std::string& to, unsigned) override {
            return (from == "IMG_1.jpg" || from == naming::kTemporaryName) &&
                   (to == "0岁10月6天(14点05分33秒).jpg" || to == naming::kTemporaryName) &&
                   from != to;
        }
    } cutRun;
    struct Case {
        std::string first, second;
        bool proven; // by the journal; else the second name is the user's own link
    };
    for (const Case& c : std::vector<Case>{{"IMG_1.jpg", "0_0.jpg", true},
                                           {"0_0.jpg", named, true},
                                           {"IMG_1.jpg", named, true},
                                           {named, "my copy.jpg", false}}) {
        SCOPED_TRACE(c.first + " + " + c.second);
        TypeParam w;
        w.add({{c.first, "2007:03:15 14:05:33"}, {"IMG_2.jpg", "2007:03:15 14:05:34"}});
        w.addTwin(c.first, c.second);
        w.relist();
        EXPECT_EQ(w.run("2006-05-10", nullptr, &cutRun).end, RunEnd::Completed);
        Names left{named, "0岁10月6天(14点05分34秒).jpg"};
        if (!c.proven)
            left.insert(left.begin() + 1, "0岁10月6天(14点05分33秒)b.jpg");
        EXPECT_EQ(w.names(), left);
        EXPECT_EQ(w.origin(named), c.first);
    }
    // Two different files of the same second are never taken for one.
    TypeParam w;
    w.add({{"IMG_1.jpg", "2007:03:15 14:05:33"}, {"IMG_2.jpg", "2007:03:15 14:05:33"}});
    EXPECT_EQ(w.run("2006-05-10").end, RunEnd::Completed);
    EXPECT_EQ(w.names(), (Names{named, "0岁10月6天(14点05分33秒)b.jpg"}));
}

namespace {

// Loses the photo it is asked to move first, as a failing file system might, and counts
// the flushes.
class LosingFolder : public naming::ForwardingFolder {
public:
    using ForwardingFolder::ForwardingFolder;
    std::error_code rename(const std::string& from, const std::string& to) override {
        if (!lost_) {
            lost_ = true;
            ForwardingFolder::rename(from, ".lost");
            return std::make_error_code(std::errc::io_error);
        }
        return ForwardingFolder::rename(from, to);
    }
    bool isNameTaken(const std::string& name) const override {
        return name != ".lost" && ForwardingFolder::isNameTaken(name);
    }
    std::error_code flush() override {
        ++flushes;
        return ForwardingFolder::flush();
    }
    int flushes = 0;

private:
    bool lost_ = false;
};

} // namespace

TYPED_TEST(Batch, VanishingPhotoStopsTheRunAndRenamesAreFlushedOnce) {
    TypeParam w;
    w.add({{"a.jpg", "2007:03:15 14:05:33"},
           {"b.jpg", "2007:03:15 14:05:34"},
           {"c.jpg", "2007:03:15 14:05:35"}});
    LosingFolder losing(w.folder());
    EXPECT_EQ(fixture::runBatch(losing, w, w.listed, "2006-05-10").end, RunEnd::PhotoVanished);
    EXPECT_EQ(w.names(), (Names{".lost", "b.jpg", "c.jpg"})); // nothing fed to it after
    EXPECT_EQ(losing.flushes, 0);

    TypeParam again;
    again.add({{"a.jpg", "2007:03:15 14:05:33"},
               {"b.jpg", "2007:03:15 14:05:34"},
               {"c.jpg", "2007:03:15 14:05:35"}});
    LosingFolder fine(again.folder());
    ASSERT_TRUE(fine.rename("x", "y")); // spends its one loss on nothing
    EXPECT_EQ(fixture::runBatch(fine, again, again.listed, "2006-05-10").end, RunEnd::Completed);
    EXPECT_EQ(fine.flushes, 1);
}

// An undo stays unfinished, for a later one to retry the same run, only where it
// could still bring photos back: none of them found (the wrong folder, a card not
// mounted), or the file system refused a move. Photos changed since do not hold it.
TYPED_TEST(Batch, UndoIsUnfinishedOnlyWhileARetryCouldBringPhotosBack) {
    struct Journal : naming::RunJournal {
        void begin(const std::vector<naming::Rename>&) override {}
        void end(const std::vector<naming::Rename>& done) override { made = done.size(); }
        void unfinished() override { held = true; }
        std::size_t made = 0;
        bool held = false;
    };
    using World = fixture::World;
    struct Case {
        const char* what;
        std::function<void(World&)> disturb;
        RunEnd end;
        std::size_t made;
        naming::UndoPlace place = naming::UndoPlace::Unknown;
    };
    const Case cases[] = {
        {"untouched", [](World&) {}, RunEnd::Completed, 2},
        {"one deleted", [](World& w) { w.folder().rename("b.jpg", ".gone"); }, RunEnd::Completed,
         1},
        {"all already back",
         [](World& w) {
             w.folder().rename("a.jpg", "x.jpg");
             w.folder().rename("b.jpg", "a.jpg");
             w.folder().rename("x.jpg", "b.jpg");
         },
         RunEnd::Completed, 0},
        {"none found",
         [](World& w) {
             w.folder().rename("a.jpg", "elsewhere 1.jpg");
             w.folder().rename("b.jpg", "elsewhere 2.jpg");
         },
         RunEnd::Unfinished, 0},
        {"none found where the run was",
         [](World& w) {
             w.folder().rename("a.jpg", "elsewhere 1.jpg");
             w.folder().rename("b.jpg", "elsewhere 2.jpg");
         },
         RunEnd::Completed, 0, naming::UndoPlace::Same},
        // Something no run names holds the ring's way through: told, and left.
        {"ring blocked", [](World& w) { w.addOther(naming::kTemporaryName); }, RunEnd::Completed,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The run swapped the two photos' names.
        TypeParam w;
        w.add({{"a.jpg", "2007:03:15 14:05:33"}, {"b.jpg", "2007:03:16 14:05:33"}});
        const std::vector<naming::Rename> swap{
            {"b.jpg", "a.jpg", naming::photoIdentity(w.folder(), "a.jpg", "2007:03:15 14:05:33")},
            {"a.jpg", "b.jpg", naming::photoIdentity(w.folder(), "b.jpg", "2007:03:16 14:05:33")}};
        c.disturb(w);
        Journal journal;
        EXPECT_EQ(w.undo(swap, &journal, c.place).end, c.end);
        EXPECT_EQ(journal.held, c.end == RunEnd::Unfinished);
        EXPECT_EQ(journal.made, c.made);
    }
}

TEST(DiskBatch, ChineseFileNamesAndRunningAgain) {
    fixture::DiskWorld w;
    w.add("宝宝 第一天.jpg", "2006:05:10 09:00:00");
    w.add("满月 照片.JPG", "2006:06:10 10:00:00");

    w.relist();
    EXPECT_EQ(w.run("2006-05-10").end, RunEnd::Completed);
    const Names named{"0岁0月1天(09点00分00秒).jpg", "0岁1月1天(10点00分00秒).jpg"};
    EXPECT_EQ(w.names(), named);
    w.relist();
    EXPECT_EQ(w.run("2006-05-10").end, RunEnd::Completed);
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
        const fixture::RunReport report = w.run("2006-05-10");
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
