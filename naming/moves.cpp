#include "naming/moves.h"

#include "naming/media_kinds.h"

#include <cstddef>
#include <initializer_list>
#include <unordered_map>
#include <utility>

namespace naming {
namespace {

class Mover {
public:
    Mover(std::vector<Move>& moves, Folder& folder, RunProgress* progress)
        : moves_(moves), folder_(folder), progress_(progress) {}

    MovesEnd run() {
        for (std::size_t i = 0; i < moves_.size(); ++i) {
            if (pending(i))
                waitingFor_.emplace(moves_[i].name, i);
        }
        for (std::size_t i = 0; i < moves_.size(); ++i) {
            if (pending(i) && isTemporaryName(moves_[i].name))
                moveChain(i);
        }
        // A chain that ends on a temporary name goes after every other: it would hold the
        // name that the rings among the others open through.
        for (const bool last : {false, true}) {
            for (std::size_t i = 0; i < moves_.size() && !vanished_; ++i) {
                if (!pending(i) || (!last && endsOnTemporaryName(i)))
                    continue;
                if (stopRequested())
                    return MovesEnd::Stopped;
                moveChain(i);
            }
        }
        if (progress_)
            progress_->progressed(Phase::Renaming, through_, moves_.size());
        return vanished_ ? MovesEnd::PhotoVanished : MovesEnd::Completed;
    }

private:
    bool stopRequested() {
        if (!progress_)
            return false;
        progress_->progressed(Phase::Renaming, through_, moves_.size());
        return progress_->stopRequested();
    }

    bool pending(std::size_t i) const {
        return moves_[i].state == Move::State::Pending && moves_[i].target != moves_[i].name;
    }

    bool endsOnTemporaryName(std::size_t start) const {
        std::size_t i = start;
        for (std::size_t steps = 0; steps < moves_.size(); ++steps) {
            if (isTemporaryName(moves_[i].target))
                return true;
            const auto next = waitingFor_.find(moves_[i].target);
            if (next == waitingFor_.end() || !pending(next->second) || next->second == start)
                return false;
            i = next->second;
        }
        return false;
    }

    void moveChain(std::size_t start) {
        std::vector<std::size_t> chain{start};
        for (;;) {
            const auto next = waitingFor_.find(moves_[chain.back()].target);
            if (next == waitingFor_.end() || !pending(next->second))
                break;
            if (next->second == start)
                return moveRing(chain);
            chain.push_back(next->second);
        }
        for (auto i = chain.rbegin(); i != chain.rend() && !vanished_; ++i)
            move(moves_[*i]);
    }

    // ring[k] wants ring[k + 1]'s name, and the last one wants the first one's: all of one
    // extension. Where the temporary name is held by something outside the moves, the
    // ring keeps its names.
    void moveRing(const std::vector<std::size_t>& ring) {
        Move& opener = moves_[ring.front()];
        const std::string temporary = temporaryNameFor(opener.name);
        if (const std::error_code error = folder_.rename(opener.name, temporary)) {
            for (const std::size_t i : ring)
                fail(moves_[i], error);
            checkFound({opener.name});
            return;
        }
        const std::string openerName = std::exchange(opener.name, temporary);
        waitingFor_.erase(openerName);
        for (auto i = ring.rbegin(); i + 1 != ring.rend() && !vanished_; ++i)
            move(moves_[*i]);
        if (vanished_) // the opener has moved all the same: its journal must say where
            return moved(opener, temporary);
        // On to its new name, or back to its old one; where both fail it stays under the
        // temporary name for the next run to name.
        const std::error_code error = folder_.rename(temporary, opener.target);
        if (!error)
            return moved(opener, opener.target);
        if (!folder_.rename(temporary, openerName)) {
            opener.name = openerName;
            return fail(opener, error);
        }
        moved(opener, temporary);
        checkFound({temporary, opener.target, openerName});
    }

    void move(Move& m) {
        if (const std::error_code error = folder_.rename(m.name, m.target)) {
            fail(m, error);
            checkFound({m.name, m.target});
            return;
        }
        waitingFor_.erase(m.name);
        moved(m, m.target);
    }

    // After a failed rename the file must still be under one of its names. Where it is
    // under none, the file system is losing files: nothing more is given to it.
    void checkFound(std::initializer_list<std::string> names) {
        for (const std::string& name : names) {
            if (folder_.isNameTaken(name))
                return;
        }
        vanished_ = true;
    }

    void moved(Move& m, const std::string& to) {
        m.name = to;
        m.state = Move::State::Moved;
        ++through_;
    }

    void fail(Move& m, std::error_code error) {
        m.state = Move::State::Failed;
        m.error = error;
        ++through_;
    }

    std::vector<Move>& moves_;
    Folder& folder_;
    std::unordered_map<std::string, std::size_t> waitingFor_; // pending moves by present name
    RunProgress* progress_;
    std::size_t through_ = 0; // moves done or failed
    bool vanished_ = false;
};

} // namespace

MovesEnd carryOutMoves(std::vector<Move>& moves, Folder& folder, RunProgress* progress) {
    return Mover(moves, folder, progress).run();
}

} // namespace naming
