// The run layer on a real folder: a stop asked for at any point of a run or an undo leaves
// every photo under one of its names with the journal in step, a preview shows what the
// real run then does without changing anything, and a second run waits for the first.

#include "platform/exif/exif_reader.h"
#include "platform/files/photo_listing.h"
#include "platform/files/utf8_path.h"
#include "platform/journal/journal_store.h"
#include "runs/run_thread.h"
#include "runs/runs.h"
#include "tests/support/camera_folder.h"
#include "tests/support/gate.h"
#include "tests/support/jpeg_fixture.h"
#include "tests/support/temp_folder.h"

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <stop_token>
#include <thread>

using fixture::CameraFolder;
using fixture::kBirthday;
using fixture::RingBy;

namespace {

// Asks for a stop at its `stopAt`th report of progress.
class StopAt : public runs::Observer {
public:
    explicit StopAt(std::size_t stopAt) : stopAt_(stopAt) {}
    void progressed(naming::Phase, std::size_t done, std::size_t total) override {
        EXPECT_LE(done, total);
        if (calls++ == stopAt_)
            source.request_stop();
    }
    runs::Control control() { return {.observer = this, .stop = source.get_token()}; }

    std::stop_source source;
    std::size_t calls = 0;

private:
    std::size_t stopAt_;
};

TEST(RunLayer, AStopAnywhereLeavesEveryPhotoNamedAndTheJournalInStep) {
    for (const bool undoing : {false, true}) {
        std::size_t calls = 1, stops = 0;
        for (std::size_t stopAt = 0; stopAt < calls; ++stopAt) {
            SCOPED_TRACE(testing::Message() << (undoing ? "undo" : "run") << " stop " << stopAt);
            const CameraFolder camera(5, RingBy::EarlierRun);
            const auto before = camera.folder.unnamedContents();
            const auto names = camera.folder.listing();
            if (undoing)
                camera.rename(runs::Effect::Rename);
            const auto start = camera.folder.listing();
            StopAt stop(stopAt);
            const runs::Outcome outcome =
                undoing ? runs::undoLastRun(camera.path, runs::Effect::Rename, stop.control())
                        : camera.rename(runs::Effect::Rename, stop.control());
            calls = std::max(calls, stop.calls + 1);
            const bool stopped = outcome.ending == runs::Ending::Stopped;
            stops += stopped;
            EXPECT_TRUE(stopped ? stop.source.stop_requested()
                                : outcome.ending == runs::Ending::Completed);
            EXPECT_EQ(camera.folder.unnamedContents(), before);
            EXPECT_FALSE(std::filesystem::exists(camera.folder.at(naming::kTemporaryName)));
            if (outcome.renamedCount() == 0) { // and no run on record that renamed nothing
                EXPECT_EQ(camera.folder.listing(), start);
                EXPECT_EQ(runs::runHistory(camera.path).size(), undoing ? 2u : 1u);
            }
            // What the journal says was done takes the folder back to where it started.
            if (undoing ? stopped : outcome.renamedCount() > 0)
                runs::undoLastRun(camera.path, runs::Effect::Rename);
            EXPECT_EQ(camera.folder.listing(), names);
        }
        // Every report but the last, which tells that the run is through, may stop it.
        EXPECT_GT(calls, 4u);
        EXPECT_EQ(stops, calls - 2);
    }
}

TEST(RunLayer, APreviewShowsWhatTheRunDoesAndChangesNothing) {
    const CameraFolder camera(5, RingBy::EarlierRun);
    const auto contents = camera.folder.contents();
    const runs::Outcome preview = camera.rename(runs::Effect::Preview);
    EXPECT_EQ(camera.folder.contents(), contents);
    const runs::Outcome run = camera.rename(runs::Effect::Rename);
    EXPECT_EQ(preview.photos, run.photos);
    EXPECT_EQ(run.renamedCount(), 5u);

    const auto renamed = camera.folder.contents();
    // An undo asked for the run before, the ring's making, undoes neither.
    const std::string ringsMaking = runs::runHistory(camera.path).front().journal;
    EXPECT_EQ(runs::undoLastRun(camera.path, runs::Effect::Rename, {}, ringsMaking).ending,
              runs::Ending::AnotherRunLast);
    EXPECT_EQ(camera.folder.contents(), renamed);
    const runs::Outcome undoPreview = runs::undoLastRun(camera.path, runs::Effect::Preview);
    EXPECT_EQ(camera.folder.contents(), renamed);
    EXPECT_EQ(undoPreview.photos, runs::undoLastRun(camera.path, runs::Effect::Rename).photos);
    EXPECT_EQ(camera.folder.contents(), contents);

    const std::vector<runs::RunRecord> history = runs::runHistory(camera.path);
    ASSERT_EQ(history.size(), 2u); // the ring's making, then the run above
    EXPECT_EQ(history.back().undo, runs::UndoState::Undone);
    EXPECT_EQ(history.back().photos, 5u);
}

// Reads as the program does once the test has let it go.
class GatedReader : public naming::ShootingTimeSource {
public:
    GatedReader(const std::string& folder, fixture::Gate& gate) : exif_(folder), gate_(gate) {}
    std::optional<std::string> shootingTime(const std::string& name) override {
        gate_.pass();
        return exif_.shootingTime(name);
    }

private:
    platform::ExifShootingTimeSource exif_;
    fixture::Gate& gate_;
};

// On a thread of its own, as the window runs it: the starting thread, woken for each piece
// of news, collects progress while the run waits at its first photo, lets it go or stops
// it, and gets its outcome.
TEST(RunLayer, ABackgroundRunHandsOverItsProgressAndStops) {
    for (const bool stopping : {false, true}) {
        const CameraFolder camera(5, RingBy::EarlierRun);
        const auto contents = camera.folder.unnamedContents();
        fixture::Gate gate;
        std::mutex mutex;
        std::condition_variable woken;
        int wakes = 0;
        const runs::Control control{.reader = [&](const std::string& folder, const auto&) {
            return std::make_unique<GatedReader>(folder, gate);
        }};
        runs::RunThread run(
            control, [&](const runs::Control& c) { return camera.rename(runs::Effect::Rename, c); },
            [&] {
                const std::lock_guard lock(mutex);
                ++wakes;
                woken.notify_one();
            });
        std::size_t reports = 0;
        for (int seen = 0; !run.ended();) {
            std::unique_lock lock(mutex);
            woken.wait(lock, [&] { return wakes > seen; });
            seen = wakes;
            lock.unlock();
            if (const auto progress = run.takeProgress()) {
                EXPECT_LE(progress->done, progress->total);
                if (reports++ == 0 && stopping)
                    run.stop();
                gate.open();
            }
        }
        const runs::Outcome outcome = run.finish();
        EXPECT_GT(reports, 0u);
        EXPECT_EQ(outcome.ending, stopping ? runs::Ending::Stopped : runs::Ending::Completed);
        EXPECT_EQ(camera.folder.unnamedContents(), contents);
    }
}

// Does `act` when told that the run waits for another one on its folder.
struct OnWaiting : runs::Observer {
    void progressed(naming::Phase phase, std::size_t, std::size_t) override {
        if (phase == naming::Phase::Waiting && waits++ == 0)
            act();
    }
    std::function<void()> act;
    int waits = 0;
};

// Two runs on one folder at once, as from two windows: a rename given the names listed
// before the first run renamed any waits for it, then finds every photo named and none
// lost; an undo stopped while waiting ends at once, having done nothing.
TEST(RunLayer, ASecondRunOnTheFolderWaitsForTheFirst) {
    for (const bool stopping : {false, true}) {
        const CameraFolder camera(5, RingBy::EarlierRun);
        const auto contents = camera.folder.unnamedContents();
        const std::vector<std::string> listed = platform::listPhotos(camera.path);
        fixture::Gate reading, open;
        const runs::Control gated{.reader = [&](const std::string& folder, const auto&) {
            reading.open();
            return std::make_unique<GatedReader>(folder, open);
        }};
        std::jthread first([&] { camera.rename(runs::Effect::Rename, gated); });
        reading.pass(); // the first run holds the folder now
        std::stop_source stop;
        OnWaiting waiting;
        waiting.act = [&] {
            if (stopping)
                stop.request_stop();
            else
                open.open();
        };
        const runs::Control control{.observer = &waiting, .stop = stop.get_token()};
        const runs::Outcome second =
            stopping
                ? runs::undoLastRun(camera.path, runs::Effect::Rename, control)
                : runs::renameFolder(camera.path, listed, kBirthday, runs::Effect::Rename, control);
        open.open();
        first.join();
        EXPECT_EQ(waiting.waits, 1);
        EXPECT_EQ(second.ending, stopping ? runs::Ending::Stopped : runs::Ending::Completed);
        for (const runs::PhotoOutcome& photo : second.photos) // none the first run moved
            EXPECT_EQ(photo.reason, naming::KeptReason::AlreadyNamed) << photo.from;
        EXPECT_EQ(camera.rename(runs::Effect::Preview).renamedCount(), 0u); // all named
        EXPECT_EQ(camera.folder.unnamedContents(), contents);
    }
}

} // namespace

// Two names of one photo are joined where the run just before was cut short between them;
// once a run has ended since, or the cut run was undone, or where the file had its second
// name already when the cut was planned, they are the user's own hard link and both stay.
TEST(RunLayer, TwoNamesOfOnePhotoAreJoinedOnlyRightAfterTheRunCutShortBetweenThem) {
    struct Case {
        const char* what;
        std::vector<naming::Rename> plan; // of the run cut short
        const char* link;                 // the photo's second name
        enum { Nothing, RunEnded, CutUndone } since;
        std::size_t names; // in the folder after the next run
    };
    const Case cases[] = {
        {"right after the cut", {{"IMG_1.jpg", "IMG_9.jpg", ""}}, "IMG_9.jpg", Case::Nothing, 2},
        {"a run ended since", {{"IMG_1.jpg", "IMG_9.jpg", ""}}, "IMG_9.jpg", Case::RunEnded, 3},
        {"the cut undone since", {{"IMG_1.jpg", "IMG_9.jpg", ""}}, "IMG_9.jpg", Case::CutUndone, 3},
        {"the user's link, there when the cut was planned",
         {{"IMG_1.jpg", "IMG_9.jpg", "1:1:2|"}},
         "IMG_9.jpg",
         Case::Nothing,
         3},
        {"a ring's opener, cut on its way through 0_0.jpg",
         {{"IMG_1.jpg", "IMG_8.jpg", ""}, {"IMG_8.jpg", "IMG_1.jpg", ""}},
         "0_0.jpg",
         Case::Nothing,
         2},
        {"a move of a chain, which never goes through 0_0.jpg",
         {{"IMG_1.jpg", "IMG_9.jpg", ""}},
         "0_0.jpg",
         Case::Nothing,
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fixture::TempFolder folder;
        const std::string path = folder.path().string();
        folder.write("IMG_1.jpg", fixture::photo("2007:03:15 14:05:33"));
        folder.write("IMG_2.jpg", fixture::photo("2007:04:01 08:00:00"));
        platform::JournalStore store(path);
        platform::Journal cut{.birthday = std::string(kBirthday), .planned = c.plan};
        ASSERT_FALSE(store.create(cut));
        if (c.since == Case::RunEnded)
            runs::renameFolder(path, {"IMG_2.jpg"}, kBirthday, runs::Effect::Rename);
        if (c.since == Case::CutUndone) { // an undo of a cut run joins its twins itself
            ASSERT_EQ(runs::undoLastRun(path, runs::Effect::Rename).ending,
                      runs::Ending::Completed);
        }
        std::filesystem::create_hard_link(folder.at("IMG_1.jpg"), folder.at(c.link));

        runs::renameFolder(path, {"IMG_1.jpg", c.link}, kBirthday, runs::Effect::Rename);
        EXPECT_EQ(platform::listPhotos(path).size(), c.names);
    }
}

// An undo too: a photo also under its old name loses the new one where its run was cut
// between the two, and keeps both where the user linked it there.
TEST(RunLayer, AnUndoJoinsTwoNamesOfOnePhotoOnlyWhereItsRunWasCutBetweenThem) {
    for (const bool cut : {true, false}) {
        SCOPED_TRACE(cut ? "the run cut short" : "the user's hard link");
        fixture::TempFolder folder;
        const std::string path = folder.path().string();
        folder.write("IMG_1.jpg", fixture::photo("2007:03:15 14:05:33"));
        const runs::Outcome run =
            runs::renameFolder(path, {"IMG_1.jpg"}, kBirthday, runs::Effect::Rename);
        const platform::JournalStore store(path);
        if (cut) { // the journal as a kill before its end leaves it
            const platform::Journal journal = store.runs().at(0).run;
            std::ofstream(platform::pathFromUtf8(store.path(journal.fileName)), std::ios::binary)
                << platform::journalText(journal);
        }
        std::filesystem::create_hard_link(folder.at(run.photos.at(0).to), folder.at("IMG_1.jpg"));
        runs::undoLastRun(path, runs::Effect::Rename);
        EXPECT_EQ(platform::listPhotos(path).size(), cut ? 1u : 2u);
    }
}
