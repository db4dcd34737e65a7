// The run journals: names of any bytes come back as they went in, a journal cut anywhere
// as it was written still reads as far as it goes and tells that it was cut, and a photo
// folder keeps the journals of its last 100 runs and of their undo.

#include "platform/journal/journal_store.h"
#include "tests/support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

using platform::Journal;

TEST(RunJournal, NamesOfAnyBytesComeBackAndACutJournalReadsAsFarAsItGoes) {
    const std::vector<std::string> names{"IMG_0412.jpg", "0岁10月6天(14点05分33秒).jpg",
                                         "a\tb.jpg",     "line\nbreak.jpg",
                                         "\r.jpg",       "100%.jpg",
                                         "%41.jpg",      "\xb1\xa6\xb1\xa6.jpg", // GBK
                                         "\xe5\xae.jpg", "# plan.jpg",
                                         " x .jpg",      "del\x7f.jpg"};
    Journal journal{
        .folder = "/photos/宝宝\n%", .time = "2026-12-07T14:05:33.5Z", .birthday = "2006-05-10"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        journal.planned.push_back({names[i], names[(i + 1) % names.size()], "632:17966524"});
        journal.done.push_back({names[i], names[(i + 1) % names.size()], {}});
    }
    const std::string head = platform::journalText(journal);
    const std::string text = head + platform::endText(journal.done, "2026-12-07T14:05:34Z");

    const std::optional<Journal> read = platform::parseJournal(text);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->folder, journal.folder);
    EXPECT_EQ(read->birthday, journal.birthday);
    EXPECT_EQ(read->planned, journal.planned);
    EXPECT_EQ(read->done, journal.done);
    EXPECT_TRUE(read->ended);
    EXPECT_EQ(read->renamesToUndo(), journal.planned);

    const std::size_t version = head.find("tamblinor-journal\t1\n") + 20;
    for (std::size_t cut = version; cut < text.size(); ++cut) {
        const std::optional<Journal> part = platform::parseJournal(text.substr(0, cut));
        ASSERT_TRUE(part) << cut;
        EXPECT_FALSE(part->ended);
        ASSERT_LE(part->planned.size(), journal.planned.size());
        EXPECT_TRUE(std::equal(part->planned.begin(), part->planned.end(), journal.planned.begin()))
            << cut;
    }
    EXPECT_FALSE(platform::parseJournal(head.substr(0, version - 1)));
}

TEST(RunJournal, AFolderKeepsTheJournalsOfItsLast100Runs) {
    const fixture::TempFolder state, photos;
    platform::JournalStore store(photos.path().string(), state.path().string());
    std::vector<std::string> runs;
    for (int i = 0; i < 103; ++i) {
        Journal run{.birthday = "2006-05-10", .planned = {{"IMG_1.jpg", "a.jpg", "1:1"}}};
        ASSERT_FALSE(store.create(run));
        runs.push_back(run.fileName);
    }
    Journal undo{.undoes = runs.front()};
    ASSERT_FALSE(store.create(undo));
    ASSERT_FALSE(store.end(undo, {}));
    EXPECT_TRUE(store.runs().front().undone);
    EXPECT_FALSE(store.runs().back().undone);

    store.prune();
    const std::vector<platform::RunOnRecord> kept = store.runs();
    ASSERT_EQ(kept.size(), 100u);
    EXPECT_EQ(kept.front().run.fileName, runs[3]);
    EXPECT_EQ(kept.back().run.fileName, runs.back());
    const auto files = std::distance(std::filesystem::recursive_directory_iterator(state.path()),
                                     std::filesystem::recursive_directory_iterator());
    EXPECT_EQ(files, 101); // the folder's own folder and its 100 runs
}

// Names in a journal are read only where they stay inside the photo folder; a journal
// with any other is unreadable as a whole, never read in part. What an editor adds when
// saving (a byte order mark, CRLF line ends) reads as before.
TEST(RunJournal, ReadsOnlyNamesInsideTheFolderAndThroughAnEditorsSaving) {
    const Journal journal{.folder = "/photos",
                          .time = "2026-12-07T14:05:33.5Z",
                          .birthday = "2006-05-10",
                          .planned = {{"IMG_1.jpg", "a.jpg", "1:1|"}},
                          .done = {{"IMG_1.jpg", "a.jpg", {}}}};
    const std::string text = platform::journalText(journal) + platform::endText(journal.done, "t");
    std::string saved = "\xEF\xBB\xBF";
    for (const char c : text)
        saved += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const std::optional<Journal> read = platform::parseJournal(saved);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->planned, journal.planned);
    EXPECT_EQ(read->done, journal.done);
    EXPECT_TRUE(read->ended);

    std::vector<std::string> outside{
        "", ".", "..", "../a.jpg", "/etc/a.jpg", "sub/a.jpg", std::string("a\0.jpg", 6)};
#ifdef _WIN32
    for (const char* name : {"..\\a.jpg", "C:a.jpg", "a.jpg:stream"})
        outside.push_back(name);
#endif
    for (const std::string& name : outside) {
        // An empty name where an undo's run is named makes a run's journal.
        for (int field = 0; field < (name.empty() ? 4 : 5); ++field) {
            Journal bad = journal;
            std::string* names[] = {&bad.planned[0].from, &bad.planned[0].to, &bad.done[0].from,
                                    &bad.done[0].to, &bad.undoes};
            *names[field] = name;
            if (field == 4)
                bad.birthday.clear();
            EXPECT_FALSE(platform::parseJournal(platform::journalText(bad) +
                                                platform::endText(bad.done, "t")))
                << "'" << name << "' in field " << field;
        }
    }
}

// Runs undone are pruned first, so many runs each undone do not push out the
// journal of the run from the camera's names; an undo left unfinished does not count.
TEST(RunJournal, PruningRemovesUndoneRunsFirst) {
    const fixture::TempFolder state, photos;
    platform::JournalStore store(photos.path().string(), state.path().string());
    std::vector<std::string> runs;
    for (int i = 0; i < 10; ++i) {
        Journal run{.birthday = "2006-05-10", .planned = {{"IMG_1.jpg", "a.jpg", "1:1"}}};
        ASSERT_FALSE(store.create(run));
        runs.push_back(run.fileName);
    }
    for (const int i : {9, 2, 8, 4}) {
        Journal undo{.undoes = runs[i]};
        ASSERT_FALSE(store.create(undo));
        ASSERT_FALSE(store.end(undo, {}, i == 4));
    }
    const auto names = [&] {
        std::vector<std::string> out;
        for (const platform::RunOnRecord& record : store.runs())
            out.push_back(record.run.fileName);
        return out;
    };
    store.prune(8);
    EXPECT_EQ(names(), (std::vector<std::string>{runs[0], runs[1], runs[3], runs[4], runs[5],
                                                 runs[6], runs[7], runs[9]}));
    store.prune(5);
    EXPECT_EQ(names(), (std::vector<std::string>{runs[3], runs[4], runs[5], runs[6], runs[7]}));
}
