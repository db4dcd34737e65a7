#pragma once

// What the front ends ask of a photo folder: rename its photos, undo its last run, list
// its runs. Each run wires the folder on disk, the Exif reader and the journal itself and
// hands back what became of every photo and how the run ended; the window and the command
// line only show it. A run tells an observer how far it is and stops between photos when
// asked to. A rename or an undo waits while another one works on the same folder, from
// this process or another, and tells its observer so first (naming::Phase::Waiting).

#include "naming/batch.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace runs {

// A rename run renames the folder's photos; a preview goes through the very same run over
// a folder whose renames are only remembered, and changes nothing.
enum class Effect { Rename, Preview };

enum class Ending {
    Completed,              // every photo treated
    BadBirthday,            // ended with naming::Message::BadBirthday
    ReaderUnavailable,      // ended with naming::Message::ReaderUnavailable
    PhotoVanished,          // the file system lost a photo: the run stopped there
    Stopped,                // stopped between photos when asked to, or before the first
                            // while waiting for another run on the folder
    Unfinished,             // an undo that left the run to be undone: try again later
    NothingToUndo,          // no run of the folder is left to undo
    AnotherRunLast,         // an undo asked for one run found another to undo first:
                            // nothing was undone
    NewerJournalUnreadable, // a journal newer than the run to undo cannot be read: nothing
                            // was undone, lest runs be undone out of order
};

// What became of one photo the run treated.
struct PhotoOutcome {
    std::string from;            // its name before the run
    std::string to;              // its name after it; empty where it kept its name
    naming::KeptReason reason{}; // why it kept its name
    std::error_code error;       // for KeptReason::CannotRename, the system's reason

    bool operator==(const PhotoOutcome&) const = default;
    bool renamed() const { return !to.empty(); }
    // The file system would not move it (or left it under naming::kTemporaryName, where a
    // ring could not close), or an undo did not find it where its run left it.
    bool refused() const;
};

struct Outcome {
    Ending ending = Ending::Completed;
    std::vector<PhotoOutcome> photos;       // in list order
    std::optional<naming::Message> message; // the message the run ended with
    std::string folder;                     // the folder's full path, as journals record it
    std::string journalProblem;             // why no journal was kept; empty when it was
    std::string recordProblem;              // why the shooting times were not remembered
    std::string lockProblem;                // why the run could not keep others off the
                                            // folder meanwhile; empty when it could
    std::string unreadableJournal;          // NewerJournalUnreadable: the journal's full path

    std::size_t renamedCount() const;
    std::size_t refusedCount() const;
};

// Hears how far a run is, on the thread the run works on.
class Observer {
public:
    virtual ~Observer() = default;
    // `done` of the `total` photos of `phase` are through.
    virtual void progressed(naming::Phase phase, std::size_t done, std::size_t total) = 0;
};

// Makes the reader of a run's shooting times, over the photos it will read in that order.
using ReaderFactory = std::function<std::unique_ptr<naming::ShootingTimeSource>(
    const std::string& folder, const std::vector<std::string>& photos)>;

// Makes the folder a run renames in, from its path; for putting a fault between a run and
// the disk.
using FolderFactory = std::function<std::unique_ptr<naming::Folder>(const std::string& folder)>;

// How a run is watched and stopped, and what it reads and renames with.
struct Control {
    Observer* observer = nullptr;
    std::stop_token stop; // a stop asked for ends the run between two photos
    ReaderFactory reader; // none: the photos' Exif, their heads fetched ahead
    FolderFactory folder; // none: the folder on disk
};

// Renames `photos`, names in the folder `folder` (UTF-8), in list order, after the child's
// age on each one's shooting time; see naming::renamePhotos for the rule. A real run is
// journaled, so that undoLastRun can undo it; a journal that cannot be written stops
// nothing and is told in journalProblem. A photo the folder's earlier runs read is not read
// again where it is provably unchanged (see remembered_times.h); a record of them that
// cannot be kept is told in recordProblem. After waiting for another run on the folder,
// the names of `photos` that run moved away are left out: they are that run's to report.
Outcome renameFolder(const std::string& folder, const std::vector<std::string>& photos,
                     std::string_view birthday, Effect effect, const Control& control = {});

// Undoes the folder's last run that is not undone yet, down to the names it found. A
// photo renamed, moved or deleted since, or whose old name is taken, keeps its name. Given
// `journal` (a RunRecord's), only that run is undone: where another run ended since the
// caller looked, or another undo took that one, nothing is.
Outcome undoLastRun(const std::string& folder, Effect effect, const Control& control = {},
                    const std::string& journal = {});

enum class UndoState { NotUndone, PartlyUndone, Undone };

// One run on record; a journal that cannot be read is listed by its path alone.
struct RunRecord {
    std::string journal;  // the journal's full path
    bool readable = true; // false: nothing below is known
    std::string time;     // when it began, UTC: "2026-12-07T14:05:33.123456789Z"
    std::string birthday;
    std::size_t photos = 0;    // the photos an undo would move back
    std::size_t movedBack = 0; // of those, the photos its undos have moved back already
    bool cutShort = false;
    UndoState undo = UndoState::NotUndone;
};

// The runs on record for `folder`, oldest first.
std::vector<RunRecord> runHistory(const std::string& folder);

// Of a folder's history, the run undoLastRun undoes now, or the unreadable journal that
// keeps it from undoing any; none when every run is undone.
const RunRecord* nextToUndo(const std::vector<RunRecord>& history);

} // namespace runs
