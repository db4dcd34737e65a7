#pragma once

// The journals of the runs that renamed photos in a folder, so that each can be undone:
// one plain text file per run, and one per undo, in a folder of their own
// per photo folder inside the state folder (see state_folder.h), each in the format of
// journal_text.h. 100 runs of a photo folder are kept.

#include "naming/batch.h"
#include "platform/journal/journal_text.h"
#include "platform/journal/state_folder.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace platform {

// The clock journals are stamped with: the system's, unless a test sets it as a user may
// set the system's (back, forward); nullptr gives the system's back.
using WallClock = std::chrono::system_clock::time_point (*)();
void setWallClock(WallClock clock);

struct RunOnRecord {
    Journal run;
    bool undone = false;       // an undo of it got to its end and left nothing to retry
    bool partlyUndone = false; // not undone, but an undo moved photos
    std::size_t movedBack = 0; // photos its undos have moved back
    std::vector<naming::Rename> cutUndoPlans; // what its undos that were cut short planned
};

class JournalStore {
public:
    static constexpr std::string_view kUnlistable = ".";

    // The journals of the photo folder `folder`, under `root`.
    explicit JournalStore(const std::string& folder, const std::string& root = stateFolder());

    // The photo folder's full path, as the journals record it.
    const std::string& folder() const { return folder_; }

    // The runs on record, in the order they were made. Where `unreadable` is given it gets
    // the file names of the journals that cannot be read, in that order too, and last
    // kUnlistable where the journals' folder cannot be listed.
    std::vector<RunOnRecord> runs(std::vector<std::string>* unreadable = nullptr) const;

    // Writes `journal` as a new file, named after its place among the folder's runs and its
    // time, which it sets, and has it on the medium. A run's journal ends in ".run"; an
    // undo's is named after the run's.
    std::error_code create(Journal& journal);
    // Records the renames made; a run's journal that records none is removed instead.
    std::error_code end(const Journal& journal, const std::vector<naming::Rename>& done,
                        bool unfinished = false);

    // Removes the journals of all runs but `keep`, and of their undo: runs undone go
    // first, oldest first, then the oldest others.
    void prune(std::size_t keep = 100) const;

    // The full path of the journal `fileName`.
    std::string path(const std::string& fileName) const;
    // The photo folder's lock file (see folder_lock.h), beside its journals' folder; empty
    // where there is no state folder.
    std::string lockPath() const { return directory_.empty() ? directory_ : directory_ + ".lock"; }

private:
    // The journal `fileName`, where it can be read, of whatever folder it says.
    std::optional<Journal> read(const std::string& fileName) const;

    std::string folder_;
    std::string directory_; // empty where there is no state folder
};

// A run's journal (birthday given) or an undo's (undoes given), written when the
// run tells of its plan. A journal that cannot be written stops nothing: problem() then
// says why. One whose end cannot be added undoes as a run cut short.
class JournalWriter : public naming::RunJournal {
public:
    JournalWriter(JournalStore& store, std::string birthday, std::string undoes = {});

    void begin(const std::vector<naming::Rename>& planned) override;
    void end(const std::vector<naming::Rename>& done) override;
    void unfinished() override { unfinished_ = true; }

    // Empty while the journal could be kept.
    const std::string& problem() const { return problem_; }

private:
    JournalStore& store_;
    Journal journal_;
    bool begun_ = false;
    bool unfinished_ = false;
    std::string problem_;
};

} // namespace platform
