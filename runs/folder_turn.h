#pragma once

// A run's turn on its folder: a rename or an undo works there only while no other one
// does, from this process or another, lest one run's renames look to the other like
// photos the file system lost. Within the run layer only.

#include "platform/journal/folder_lock.h"
#include "platform/journal/journal_store.h"
#include "runs/runs.h"

#include <optional>
#include <string>
#include <vector>

namespace runs {

class FolderTurn {
public:
    // Waits until no other run works on the store's folder, by its path or by any other
    // (a bind mount, a second drive letter), first telling the observer so, once
    // (naming::Phase::Waiting); none when a stop is asked for meanwhile. A preview changes
    // nothing and waits for nobody.
    static std::optional<FolderTurn> await(const platform::JournalStore& store, Effect effect,
                                           const Control& control);

    // `photos`, names in `folder`, less those a run before this one moved while it waited:
    // what they are called now is not what this run was asked to rename.
    std::vector<std::string> photosLeft(const std::string& folder,
                                        const std::vector<std::string>& photos) const;

    // Why other runs could not be kept off the folder meanwhile; empty when they were.
    const std::string& lockProblem() const { return lockProblem_; }

private:
    FolderTurn() = default;

    // The path's lock, then the folder's: always in that order, so that no two runs each
    // hold one and wait for the other.
    platform::FolderLock pathLock_;
    platform::FolderLock identityLock_;
    std::string lockProblem_;
};

} // namespace runs
