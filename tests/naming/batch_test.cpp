// The batch run over an in-memory folder: both modes, the temporary name, the three
// recovery points and their messages, collision letters, and photos that keep their
// names. The disk version of these runs lives with the platform tests.

#include "naming/batch.h"
#include "naming/memory_folder.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

using naming::Message;
using naming::RunEnd;
using naming::RunMode;

namespace {

// A folder of photos whose shooting times are known by the names they started with.
class World : public naming::PhotoList,
              public naming::ShootingTimeSource,
              public naming::ErrorSink {
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

    int count() const override { return int(listed.size()); }
    std::string name(int i) const override { return listed[std::size_t(i)]; }
    bool selected(int i) const override { return chosen.contains(i); }
    void refresh() override { ++refreshes; }

    std::optional<std::string> shootingTime(const std::string& fileName) override {
        ++reads;
        if (readerBroken)
            return std::nullopt;
        return timeByOrigin[folder.origin(fileName)];
    }

    void show(Message m) override { messages.push_back(m); }

    RunEnd run(RunMode mode, std::string_view birthday) {
        return naming::renamePhotos(mode, birthday, {*this, folder, *this, *this});
    }

    naming::MemoryFolder folder;
    std::vector<std::string> listed;
    std::map<std::string, std::string> timeByOrigin;
    std::set<int> chosen;
    std::vector<Message> messages;
    int refreshes = 0;
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
    EXPECT_EQ(w.refreshes, 1);
}

TEST(Batch, RejectsAMalformedBirthdayBeforeTouchingAnything) {
    for (const char* birthday : {"2007-3-26", "2007/03/26", "", "20070326"}) {
        World w({{"IMG_1.jpg", "2007:03:15 14:05:33"}});
        EXPECT_EQ(w.run(RunMode::All, birthday), RunEnd::BadBirthday);
        EXPECT_EQ(w.messages, std::vector{Message::BadBirthday});
        EXPECT_EQ(w.folder.names(), Names{"IMG_1.jpg"});
        EXPECT_EQ(w.refreshes, 0);
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
    EXPECT_EQ(w.refreshes, 0);
}

TEST(Batch, UnusableReaderEndsTheRunWithTheMetadataMessage) {
    World w({{"a1.jpg", "2007:03:15 14:05:33"}, {"a2.jpg", "2007:03:15 14:05:34"}});
    w.readerBroken = true;
    EXPECT_EQ(w.run(RunMode::All, "2006-05-10"), RunEnd::MetadataMissing);
    EXPECT_EQ(w.messages, std::vector{Message::MetadataMissing});
    EXPECT_EQ(w.folder.names(), (Names{"a1.jpg", "a2.jpg"}));
    EXPECT_EQ(w.reads, 1);
    EXPECT_EQ(w.refreshes, 0);
    EXPECT_EQ(naming::messageText(Message::MetadataMissing), "文件丢失！请重新安装本软件。");
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
    EXPECT_EQ(w.refreshes, 1);
}

TEST(Batch, RenameSelectedTreatsOnlyTheSelection) {
    World w({{"a.jpg", "2007:03:15 14:05:33"},
             {"b.jpg", "2007:03:15 14:05:34"},
             {"c.jpg", "2007:03:15 14:05:35"}});
    EXPECT_EQ(w.run(RunMode::Selected, "2006-05-10"), RunEnd::Completed);
    EXPECT_EQ(w.folder.names(), (Names{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(w.refreshes, 1);
    EXPECT_EQ(w.reads, 0);

    w.chosen = {0, 2};
    EXPECT_EQ(w.run(RunMode::Selected, "2006-05-10"), RunEnd::Completed);
    EXPECT_EQ(w.folder.names(),
              (Names{"0岁10月6天(14点05分33秒).jpg", "0岁10月6天(14点05分35秒).jpg", "b.jpg"}));
}

TEST(Batch, EmptyListOnlyRefreshes) {
    World w({});
    EXPECT_EQ(w.run(RunMode::All, "2006-05-10"), RunEnd::Completed);
    EXPECT_EQ(w.refreshes, 1);
}

TEST(Batch, KeepsPhotoWhenTemporaryNameTaken) {
    // A leftover "0_0.jpg" sorts first: it is named in place, then the others follow.
    World w({{"IMG_1.jpg", "2007:03:15 14:05:33"},
             {"0_0.jpg", "2007:03:15 14:05:40"},
             {"IMG_2.jpg", "2007:03:15 14:05:41"}});
    EXPECT_EQ(w.run(RunMode::All, "2006-05-10"), RunEnd::Completed);
    EXPECT_EQ(w.folder.names(),
              (Names{"0岁10月6天(14点05分40秒).jpg", "0岁10月6天(14点05分41秒).jpg", "IMG_1.jpg"}));
    // The next run names the photo that could not move aside the first time.
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
