#include "naming/batch.h"
#include "naming/media_kinds.h"
#include "naming/moves.h"
#include "naming/photo_identity.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <unordered_set>

namespace naming {
namespace {

// One rename of the run being undone, and what becomes of it.
struct Back {
    enum class Way { Move, RemoveTwin, AlreadyBack, Keep };

    const Rename* rename;
    std::string name; // where the file is now
    Way way = Way::Keep;
    KeptReason reason = KeptReason::ChangedSince;
    std::error_code error;
    bool found = false; // under its new name, its old one or where a cut ring left it
    bool done = false;
    std::string parked; // the temporary name, where a ring could not close
};

// A refusal that a later try may well not meet: the card write-protected or taken out, a
// file another program holds. A name taken meanwhile stays taken, as an old name found
// taken does, and a name the file system cannot hold stays so: trying again would only
// keep the run, and every run before it, from being undone.
bool passes(std::error_code error) {
    using enum std::errc;
    for (const std::errc transient :
         {read_only_file_system, permission_denied, operation_not_permitted, io_error,
          no_such_device, no_such_device_or_address, no_such_file_or_directory,
          device_or_resource_busy, text_file_busy, no_space_on_device,
          resource_unavailable_try_again, interrupted, timed_out}) {
        if (error == transient)
            return true;
    }
    return false;
}

class Undo {
public:
    Undo(Folder& folder, ShootingTimeSource& times, RunObserver* observer, RunJournal* journal,
         RunProgress* progress, UndoPlace place, CutShortRenames* cutShort)
        : folder_(folder), times_(times), observer_(observer), journal_(journal),
          progress_(progress), place_(place), cutShort_(cutShort) {}

    RunEnd run(const std::vector<Rename>& renames) {
        if (!find(renames)) {
            report();
            return RunEnd::Stopped;
        }
        keepWhereOldNameTaken();
        if (journal_)
            journal_->begin(planned());
        const MovesEnd end = move();
        const bool unfinished = end != MovesEnd::Completed || !foundAnyOrChanged() || refused() ||
                                (flushed_ && passes(flushed_));
        if (journal_ && unfinished)
            journal_->unfinished();
        if (journal_)
            journal_->end(done());
        report();
        return end == MovesEnd::PhotoVanished ? RunEnd::PhotoVanished
               : end == MovesEnd::Stopped     ? RunEnd::Stopped
               : unfinished                   ? RunEnd::Unfinished
                                              : RunEnd::Completed;
    }

private:
    // Each file by its identity: under its new name, still also under its old one (a
    // rename cut between link and unlink), already back, or where a cut ring left it.
    // False where a stop came first: then every photo keeps its name.
    bool find(const std::vector<Rename>& renames) {
        std::unordered_set<std::string> temporaryClaimed;
        backs_.reserve(renames.size());
        for (const Rename& rename : renames) {
            if (stopAt(backs_.size(), renames))
                return false;
            Back& back = backs_.emplace_back(Back{.rename = &rename, .name = rename.to});
            const std::string& id = rename.identity;
            if (id.empty())
                continue;
            back.found = true;
            const PhotoMatch underNewName = isPhoto(folder_, times_, rename.to, id);
            if (underNewName == PhotoMatch::Yes) {
                // Under its old name too: a twin where a cut run or undo was making that very
                // move, between its hard link and its unlink; else the user's own hard link.
                const bool twin = cutShort_ && folder_.sameFile(rename.to, rename.from) &&
                                  wasMovingEitherWay(rename, folder_.linkCount(rename.to));
                back.way = twin ? Back::Way::RemoveTwin : Back::Way::Move;
            } else if (underNewName == PhotoMatch::Unreadable) { // a later try may read it
                back.reason = KeptReason::CannotRename;
                back.error = std::make_error_code(std::errc::io_error);
            } else if (isPhoto(folder_, times_, rename.from, id) == PhotoMatch::Yes) {
                back.way = Back::Way::AlreadyBack;
            } else if (const std::string temporary = temporaryNameFor(rename.from);
                       !temporaryClaimed.contains(temporary) && rename.from != temporary &&
                       isPhoto(folder_, times_, temporary, id) == PhotoMatch::Yes) {
                temporaryClaimed.insert(temporary);
                back.name = temporary;
                back.way = Back::Way::Move;
            } else {
                back.found = false;
            }
        }
        return !stopAt(renames.size(), renames); // all found: the last chance before moves
    }

    bool wasMovingEitherWay(const Rename& rename, unsigned links) const {
        return cutShort_->wasMoving(rename.from, rename.to, links) ||
               cutShort_->wasMoving(rename.to, rename.from, links);
    }

    // Tells how far the finding is; where a stop is asked for, every photo keeps its name.
    bool stopAt(std::size_t done, const std::vector<Rename>& renames) {
        if (!progress_)
            return false;
        progress_->progressed(Phase::Reading, done, renames.size());
        if (!progress_->stopRequested())
            return false;
        backs_.clear();
        for (const Rename& rename : renames)
            backs_.push_back({.rename = &rename, .name = rename.to, .reason = KeptReason::Stopped});
        return true;
    }

    // None of the run's photos where it left them: unless the folder is known to be the very
    // one the run worked in, and is still there ("." names the folder itself; a card pulled
    // out answers for no name), more likely another card in its place than every photo
    // changed since.
    bool foundAnyOrChanged() const {
        return backs_.empty() ||
               std::any_of(backs_.begin(), backs_.end(), [](const Back& b) { return b.found; }) ||
               (place_ == UndoPlace::Same && folder_.isNameTaken("."));
    }

    // A photo the file system would not move or read for now can still be brought back by
    // a later try; so can one a ring left under the temporary name.
    bool refused() const {
        return std::any_of(backs_.begin(), backs_.end(), [](const Back& b) {
            return (!b.done && b.error && b.way != Back::Way::AlreadyBack && passes(b.error)) ||
                   !b.parked.empty();
        });
    }

    // An old name that something other than a file of this undo holds stays taken; a file
    // that keeps its name then holds its name in turn, so this goes round until it settles.
    void keepWhereOldNameTaken() {
        for (bool settled = false; !settled;) {
            settled = true;
            std::unordered_set<std::string_view> moving;
            for (const Back& back : backs_) {
                if (back.way == Back::Way::Move)
                    moving.insert(back.name);
            }
            for (Back& back : backs_) {
                if (back.way == Back::Way::Move && !moving.contains(back.rename->from) &&
                    folder_.isNameTaken(back.rename->from)) {
                    back.way = Back::Way::Keep;
                    back.reason = KeptReason::OldNameTaken;
                    settled = false;
                }
            }
        }
    }

    // Each with the photo's identity as it is now: the links its file has may have changed
    // since the run, and a cut of this undo is told from the user's links by them.
    std::vector<Rename> planned() const {
        std::vector<Rename> out;
        for (const Back& back : backs_) {
            if (back.way == Back::Way::Move || back.way == Back::Way::RemoveTwin)
                out.push_back({back.name, back.rename->from,
                               photoIdentity(folder_, back.name, shotIn(back.rename->identity),
                                             back.way == Back::Way::RemoveTwin)});
        }
        return out;
    }

    MovesEnd move() {
        std::vector<Move> moves;
        std::vector<std::size_t> backOf;
        bool changed = false;
        for (std::size_t i = 0; i < backs_.size(); ++i) {
            Back& back = backs_[i];
            if (back.way == Back::Way::RemoveTwin) {
                back.error = folder_.removeTwin(back.name, back.rename->from);
                back.done = !back.error;
                changed = changed || back.done;
            } else if (back.way == Back::Way::Move) {
                moves.push_back({.name = back.name, .target = back.rename->from});
                backOf.push_back(i);
            }
        }
        const MovesEnd end = carryOutMoves(moves, folder_, progress_);
        for (std::size_t k = 0; k < moves.size(); ++k) {
            Back& back = backs_[backOf[k]];
            if (moves[k].state == Move::State::Pending && end == MovesEnd::Stopped) {
                back.way = Back::Way::Keep;
                back.reason = KeptReason::Stopped;
            }
            back.error = moves[k].error;
            back.done = moves[k].state == Move::State::Moved;
            changed = changed || back.done;
            if (back.done && moves[k].name != back.rename->from)
                back.parked = moves[k].name;
        }
        if (changed) // where the moves may not be on the card, a later try makes sure
            flushed_ = folder_.flush();
        return end;
    }

    std::vector<Rename> done() const {
        std::vector<Rename> out;
        for (const Back& back : backs_) {
            if (back.done)
                out.push_back(
                    {back.name, back.parked.empty() ? back.rename->from : back.parked, {}});
        }
        return out;
    }

    void report() const {
        if (!observer_)
            return;
        for (const Back& back : backs_) {
            if (back.done && back.parked.empty())
                observer_->renamed(back.name, back.rename->from);
            else if (back.done)
                observer_->renamed(back.name, back.parked);
            else if (back.way == Back::Way::Keep)
                observer_->kept(back.name, back.reason, back.error);
            else if (back.way != Back::Way::AlreadyBack && back.error)
                observer_->kept(back.name, KeptReason::CannotRename, back.error);
        }
    }

    Folder& folder_;
    ShootingTimeSource& times_;
    RunObserver* observer_;
    RunJournal* journal_;
    RunProgress* progress_;
    UndoPlace place_;
    CutShortRenames* cutShort_;
    std::vector<Back> backs_;
    std::error_code flushed_;
};

} // namespace

RunEnd undoRenames(const std::vector<Rename>& renames, Folder& folder, ShootingTimeSource& times,
                   RunObserver* observer, RunJournal* journal, RunProgress* progress,
                   UndoPlace place, CutShortRenames* cutShort) {
    return Undo(folder, times, observer, journal, progress, place, cutShort).run(renames);
}

} // namespace naming
