#include "runs/runs.h"

#include "naming/preview_folder.h"
#include "platform/exif/exif_reader.h"
#include "platform/exif/head_read_ahead.h"
#include "platform/files/disk_folder.h"
#include "platform/journal/journal_store.h"
#include "runs/folder_turn.h"
#include "runs/remembered_times.h"

#include <algorithm>
#include <utility>

namespace runs {
namespace {

// The Exif reader of a run, with the heads of its photos fetched ahead where they are not
// in memory yet.
class ExifWithReadAhead final : public naming::ShootingTimeSource {
public:
    ExifWithReadAhead(const std::string& folder, const std::vector<std::string>& photos)
        : readAhead_(paths(folder, photos)), exif_(folder, &readAhead_) {}

    std::optional<std::string> shootingTime(const std::string& fileName) override {
        return exif_.shootingTime(fileName);
    }

private:
    static std::vector<std::string> paths(const std::string& folder,
                                          const std::vector<std::string>& photos) {
        std::vector<std::string> out;
        out.reserve(photos.size());
        for (const std::string& name : photos)
            out.push_back(platform::pathInFolder(folder, name));
        return out;
    }

    platform::HeadReadAhead readAhead_;
    platform::ExifShootingTimeSource exif_;
};

ReaderFactory readerOf(const Control& control) {
    if (control.reader)
        return control.reader;
    return [](const std::string& folder, const std::vector<std::string>& photos) {
        return std::make_unique<ExifWithReadAhead>(folder, photos);
    };
}

// Gathers what the run says of each photo, and the message it ends with.
class Collector final : public naming::RunObserver, public naming::ErrorSink {
public:
    explicit Collector(Outcome& outcome) : outcome_(outcome) {}

    void renamed(const std::string& from, const std::string& to) override {
        outcome_.photos.push_back({.from = from, .to = to});
    }
    void kept(const std::string& name, naming::KeptReason reason, std::error_code error) override {
        outcome_.photos.push_back({.from = name, .reason = reason, .error = error});
    }
    void show(naming::Message message) override { outcome_.message = message; }

private:
    Outcome& outcome_;
};

// The run's progress passed on to the observer, and the stop asked for passed to the run.
class Progress final : public naming::RunProgress {
public:
    explicit Progress(const Control& control) : control_(control) {}

    void progressed(naming::Phase phase, std::size_t done, std::size_t total) override {
        if (control_.observer)
            control_.observer->progressed(phase, done, total);
    }
    bool stopRequested() override { return control_.stop.stop_requested(); }

private:
    const Control& control_;
};

Ending endingOf(naming::RunEnd end) {
    switch (end) {
    case naming::RunEnd::Completed:
        return Ending::Completed;
    case naming::RunEnd::BadBirthday:
        return Ending::BadBirthday;
    case naming::RunEnd::ReaderUnavailable:
        return Ending::ReaderUnavailable;
    case naming::RunEnd::PhotoVanished:
        return Ending::PhotoVanished;
    case naming::RunEnd::Unfinished:
        return Ending::Unfinished;
    case naming::RunEnd::Stopped:
        return Ending::Stopped;
    }
    return Ending::Completed;
}

} // namespace

bool PhotoOutcome::refused() const {
    return !renamed() && (reason == naming::KeptReason::CannotRename ||
                          reason == naming::KeptReason::ChangedSince ||
                          reason == naming::KeptReason::OldNameTaken);
}

std::size_t Outcome::renamedCount() const {
    return std::count_if(photos.begin(), photos.end(),
                         [](const PhotoOutcome& photo) { return photo.renamed(); });
}

std::size_t Outcome::refusedCount() const {
    return std::count_if(photos.begin(), photos.end(),
                         [](const PhotoOutcome& photo) { return photo.refused(); });
}

namespace {

// What a rename and an undo have in common: the photos they read, what they are told, and
// the folder they work on, the real one with a journal or a preview of it without.
struct RunSetting {
    naming::Folder& folder;
    naming::ShootingTimeSource& reader;
    Collector& collector;
    naming::RunJournal* journal;
    naming::RunProgress& progress;
};

template <typename Body>
void carryOut(Outcome& outcome, const std::string& folder, const std::vector<std::string>& photos,
              Effect effect, const Control& control, platform::JournalWriter journal, Body body) {
    Collector collector(outcome);
    Progress progress(control);
    RememberedTimes reader(folder, outcome.folder, photos, readerOf(control));
    platform::DiskFolder disk(folder);
    naming::RunEnd end;
    if (effect == Effect::Preview) {
        naming::PreviewFolder preview(disk);
        end = body(RunSetting{preview, reader, collector, nullptr, progress});
    } else {
        end = body(RunSetting{disk, reader, collector, &journal, progress});
        outcome.journalProblem = journal.problem();
        reader.remember(outcome);
    }
    outcome.recordProblem = reader.problem();
    outcome.ending = endingOf(end);
}

} // namespace

Outcome renameFolder(const std::string& folder, const std::vector<std::string>& listed,
                     std::string_view birthday, Effect effect, const Control& control) {
    platform::JournalStore store(folder);
    Outcome outcome{.folder = store.folder()};
    const std::optional<FolderTurn> turn = FolderTurn::await(store, effect, control);
    if (!turn) {
        outcome.ending = Ending::Stopped; // while waiting for the folder: nothing done
        return outcome;
    }
    const std::vector<std::string> photos = turn->photosLeft(folder, listed);
    carryOut(outcome, folder, photos, effect, control,
             platform::JournalWriter(store, std::string(birthday)), [&](const RunSetting& run) {
                 return naming::renamePhotos(photos, birthday,
                                             {run.folder, run.reader, run.collector, &run.collector,
                                              run.journal, &run.progress});
             });
    return outcome;
}

Outcome undoLastRun(const std::string& folder, Effect effect, const Control& control,
                    const std::string& journal) {
    platform::JournalStore store(folder);
    Outcome outcome{.folder = store.folder()};
    const std::optional<FolderTurn> turn = FolderTurn::await(store, effect, control);
    if (!turn) {
        outcome.ending = Ending::Stopped; // while waiting for the folder: nothing done
        return outcome;
    }
    std::vector<std::string> unreadable;
    const std::vector<platform::RunOnRecord> runs = store.runs(&unreadable);
    const auto last = std::find_if(runs.rbegin(), runs.rend(),
                                   [](const platform::RunOnRecord& run) { return !run.undone; });
    if (last == runs.rend()) {
        outcome.ending = Ending::NothingToUndo;
        return outcome;
    }
    // A journal that cannot be read may be of a later run, or of this run's undo: undoing
    // the run before it would undo the runs out of order.
    if (!unreadable.empty() && unreadable.back() > last->run.fileName) {
        outcome.ending = Ending::NewerJournalUnreadable;
        outcome.unreadableJournal = store.path(unreadable.back());
        return outcome;
    }
    if (!journal.empty() && store.path(last->run.fileName) != journal) {
        outcome.ending = Ending::AnotherRunLast;
        return outcome;
    }
    const std::vector<naming::Rename> renames = last->run.renamesToUndo();
    std::vector<std::string> photos;
    for (const naming::Rename& rename : renames)
        photos.push_back(rename.to);
    carryOut(outcome, folder, photos, effect, control,
             platform::JournalWriter(store, {}, last->run.fileName), [&](const RunSetting& run) {
                 return naming::undoRenames(renames, run.folder, run.reader, &run.collector,
                                            run.journal, &run.progress);
             });
    return outcome;
}

std::vector<RunRecord> runHistory(const std::string& folder) {
    const platform::JournalStore store(folder);
    std::vector<std::string> unreadable;
    std::vector<RunRecord> history;
    for (const platform::RunOnRecord& record : store.runs(&unreadable)) {
        history.push_back({
            .journal = record.run.fileName,
            .time = record.run.time,
            .birthday = record.run.birthday,
            .photos = record.run.renamesToUndo().size(),
            .movedBack = record.movedBack,
            .cutShort = !record.run.ended,
            .undo = record.undone         ? UndoState::Undone
                    : record.partlyUndone ? UndoState::PartlyUndone
                                          : UndoState::NotUndone,
        });
    }
    for (const std::string& fileName : unreadable)
        history.push_back({.journal = fileName, .readable = false});
    // Journals' file names are in time order.
    std::stable_sort(history.begin(), history.end(),
                     [](const RunRecord& a, const RunRecord& b) { return a.journal < b.journal; });
    for (RunRecord& record : history)
        record.journal = store.path(record.journal);
    return history;
}

const RunRecord* nextToUndo(const std::vector<RunRecord>& history) {
    const auto next = std::find_if(history.rbegin(), history.rend(), [](const RunRecord& run) {
        return !run.readable || run.undo != UndoState::Undone;
    });
    return next == history.rend() ? nullptr : &*next;
}

} // namespace runs
