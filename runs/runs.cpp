#include "runs/runs.h"

#include "naming/media_kinds.h"
#include "naming/photo_identity.h"
#include "naming/preview_folder.h"
#include "platform/exif/exif_reader.h"
#include "platform/exif/head_read_ahead.h"
#include "platform/files/disk_folder.h"
#include "platform/files/stored_path.h"
#include "platform/journal/journal_store.h"
#include "runs/folder_turn.h"
#include "runs/remembered_times.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace runs {
namespace {

// The reader of a run, with the heads of its JPEG photos fetched ahead where they are not
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
        for (const std::string& name : photos) {
            if (naming::mediaKind(name) == naming::MediaKind::JpegPhoto) // the others are
                out.push_back(platform::pathInFolder(folder, name));     // read in pieces
        }
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
class ProgressAndStop final : public naming::RunProgress {
public:
    explicit ProgressAndStop(const Control& control) : control_(control) {}

    void progressed(naming::Phase phase, std::size_t done, std::size_t total) override {
        if (control_.observer)
            control_.observer->progressed(phase, done, total);
    }
    bool stopRequested() override { return control_.stop.stop_requested(); }

private:
    const Control& control_;
};

// The renames that the folder's runs and undos cut short meant to make, read from their
// journals only when a run meets a photo under two names, which is rare. A cut leaves
// its twins for the next run, or its undo, to join; once a later run has ended or the cut
// run is undone, two names of one file are the user's own hard link. An undo of a run
// comes after every later run that is still kept, so a kept run ending makes the cuts of
// all undos before it old too. A cut's twin has exactly one link more than its file had
// when the cut was planned: more or fewer, and the user linked it since or before.
class CutShortJournals final : public naming::CutShortRenames {
public:
    explicit CutShortJournals(const platform::JournalStore& store) : store_(store) {}

    bool wasMoving(const std::string& from, const std::string& to, unsigned links) override {
        if (!read_) {
            read_ = true;
            const std::vector<platform::RunOnRecord> records = store_.runs();
            bool laterEnded = false, laterKept = false;
            for (auto record = records.rbegin(); record != records.rend(); ++record) {
                const platform::Journal& run = record->run;
                if (!run.ended && !laterEnded && !record->undone) // its undo joined them
                    add(run.planned);
                if (!laterKept && !record->undone) // a whole undo joined its cuts' twins
                    add(record->cutUndoPlans);
                laterEnded = laterEnded || run.ended;
                laterKept = laterKept || (run.ended && !record->undone);
            }
        }
        const bool fromTemporary = naming::isTemporaryName(from);
        const bool toTemporary = naming::isTemporaryName(to);
        return !(fromTemporary && toTemporary) &&
               std::any_of(cuts_.begin(), cuts_.end(), [&](const Cut& cut) {
                   return (fromTemporary ? from == cut.temporary : cut.rename.from == from) &&
                          (toTemporary ? to == cut.temporary : cut.rename.to == to) &&
                          (links == 0 || links == naming::linksIn(cut.rename.identity) + 1);
               });
    }

private:
    struct Cut {
        naming::Rename rename;
        // The temporary name of its files' kind where it lies on a ring (each of its plan's
        // moves wanting the next one's name, round to it): only a ring's move goes through
        // it. Empty for a move of a chain.
        std::string temporary;
    };

    // The moves of a plan, each marked where it lies on a ring: the moves form chains, each
    // move followed by the one leaving the name it takes, and a chain that comes back to
    // where it began is a ring. Each move is visited once.
    void add(const std::vector<naming::Rename>& plan) {
        std::unordered_map<std::string_view, std::size_t> leaving;
        for (std::size_t i = 0; i < plan.size(); ++i)
            leaving.emplace(plan[i].from, i);
        enum class Seen { Not, OnPath, Done };
        std::vector<Seen> seen(plan.size(), Seen::Not);
        std::vector<bool> inRing(plan.size(), false);
        for (std::size_t start = 0; start < plan.size(); ++start) {
            std::vector<std::size_t> path;
            for (std::size_t at = start; seen[at] == Seen::Not;) {
                seen[at] = Seen::OnPath;
                path.push_back(at);
                const auto next = leaving.find(plan[at].to);
                if (next == leaving.end())
                    break;
                if (seen[next->second] == Seen::OnPath) {
                    for (auto k = std::find(path.begin(), path.end(), next->second);
                         k != path.end(); ++k)
                        inRing[*k] = true;
                    break;
                }
                at = next->second;
            }
            for (const std::size_t at : path)
                seen[at] = Seen::Done;
        }
        for (std::size_t i = 0; i < plan.size(); ++i)
            cuts_.push_back({plan[i], inRing[i] ? naming::temporaryNameFor(plan[i].from) : ""});
    }

    const platform::JournalStore& store_;
    bool read_ = false;
    std::vector<Cut> cuts_;
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

// A photo a ring left under the temporary name did not get where it was going either.
bool PhotoOutcome::refused() const {
    if (renamed())
        return naming::isTemporaryName(to);
    return reason == naming::KeptReason::CannotRename ||
           reason == naming::KeptReason::ChangedSince || reason == naming::KeptReason::OldNameTaken;
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
void runOnFolder(Outcome& outcome, const std::string& folder,
                 const std::vector<std::string>& photos, Effect effect, const Control& control,
                 platform::JournalWriter journal, Body body) {
    Collector collector(outcome);
    ProgressAndStop progress(control);
    RememberedTimes reader(folder, outcome.folder, photos, readerOf(control));
    const std::unique_ptr<naming::Folder> disk =
        control.folder ? control.folder(folder) : std::make_unique<platform::DiskFolder>(folder);
    naming::RunEnd end;
    if (effect == Effect::Preview) {
        naming::PreviewFolder preview(*disk);
        end = body(RunSetting{preview, reader, collector, nullptr, progress});
    } else {
        end = body(RunSetting{reader.watching(*disk), reader, collector, &journal, progress});
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
    outcome.lockProblem = turn->lockProblem();
    const std::vector<std::string> photos = turn->photosLeft(folder, listed);
    CutShortJournals cutShort(store);
    runOnFolder(outcome, folder, photos, effect, control,
                platform::JournalWriter(store, std::string(birthday)), [&](const RunSetting& run) {
                    return naming::renamePhotos(photos, birthday,
                                                {run.folder, run.reader, run.collector,
                                                 &run.collector, run.journal, &run.progress,
                                                 &cutShort});
                });
    return outcome;
}

namespace {

// The runs on record as the front ends see them, in the order they were made, a journal
// that cannot be read in its place among them.
std::vector<RunRecord> historyOf(const platform::JournalStore& store,
                                 const std::vector<platform::RunOnRecord>& runs,
                                 const std::vector<std::string>& unreadable) {
    std::vector<RunRecord> history;
    for (const platform::RunOnRecord& record : runs) {
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
    // Journals' file names are in the order their runs were made; the journals' folder
    // itself, when it cannot be listed, goes last.
    std::stable_sort(history.begin(), history.end(), [](const RunRecord& a, const RunRecord& b) {
        const bool aLast = a.journal == platform::JournalStore::kUnlistable;
        const bool bLast = b.journal == platform::JournalStore::kUnlistable;
        return aLast != bLast ? bLast : a.journal < b.journal;
    });
    for (RunRecord& record : history)
        record.journal = store.path(record.journal);
    return history;
}

} // namespace

Outcome undoLastRun(const std::string& folder, Effect effect, const Control& control,
                    const std::string& journal) {
    platform::JournalStore store(folder);
    Outcome outcome{.folder = store.folder()};
    const std::optional<FolderTurn> turn = FolderTurn::await(store, effect, control);
    if (!turn) {
        outcome.ending = Ending::Stopped; // while waiting for the folder: nothing done
        return outcome;
    }
    outcome.lockProblem = turn->lockProblem();
    std::vector<std::string> unreadable;
    const std::vector<platform::RunOnRecord> runs = store.runs(&unreadable);
    const std::vector<RunRecord> history = historyOf(store, runs, unreadable);
    const RunRecord* next = nextToUndo(history);
    if (!next) {
        outcome.ending = Ending::NothingToUndo;
        return outcome;
    }
    // A journal that cannot be read may be of a later run, or of this run's undo: undoing
    // the run before it would undo the runs out of order.
    if (!next->readable) {
        outcome.ending = Ending::NewerJournalUnreadable;
        outcome.unreadableJournal = next->journal;
        return outcome;
    }
    if (!journal.empty() && next->journal != journal) {
        outcome.ending = Ending::AnotherRunLast;
        return outcome;
    }
    const platform::Journal& last =
        std::find_if(runs.begin(), runs.end(), [&](const platform::RunOnRecord& run) {
            return store.path(run.run.fileName) == next->journal;
        })->run; // a readable entry of the history is one of `runs`
    const std::vector<naming::Rename> renames = last.renamesToUndo();
    std::vector<std::string> photos;
    for (const naming::Rename& rename : renames)
        photos.push_back(rename.to);
    // A folder that is still the one the run worked in: where none of its photos is found
    // there, they all changed since, and no other card stands in its place.
    const naming::UndoPlace place =
        !last.place.empty() && last.place == platform::folderIdentity(store.folder())
            ? naming::UndoPlace::Same
            : naming::UndoPlace::Unknown;
    CutShortJournals cutShort(store);
    runOnFolder(outcome, folder, photos, effect, control,
                platform::JournalWriter(store, {}, last.fileName), [&](const RunSetting& run) {
                    return naming::undoRenames(renames, run.folder, run.reader, &run.collector,
                                               run.journal, &run.progress, place, &cutShort);
                });
    return outcome;
}

std::vector<RunRecord> runHistory(const std::string& folder) {
    const platform::JournalStore store(folder);
    std::vector<std::string> unreadable;
    const std::vector<platform::RunOnRecord> runs = store.runs(&unreadable);
    return historyOf(store, runs, unreadable);
}

const RunRecord* nextToUndo(const std::vector<RunRecord>& history) {
    const auto next = std::find_if(history.rbegin(), history.rend(), [](const RunRecord& run) {
        return !run.readable || run.undo != UndoState::Undone;
    });
    return next == history.rend() ? nullptr : &*next;
}

} // namespace runs
