#pragma once

// The moves of a planned run, carried out: each file straight from its name to its new
// one, never over an existing file, in an order that never needs a name another file of
// the run still holds. The renaming run and the run that takes one back both go through
// here, so both are cut short and resumed alike.

#include "naming/batch.h"

#include <string>
#include <system_error>
#include <vector>

namespace naming {

struct Move {
    enum class State { Pending, Moved, Failed };

    std::string name;   // its name now; after the run, the name it ended under
    std::string target; // differs from name, and from every other move's target
    State state = State::Pending;
    std::error_code error; // why it failed
};

enum class MovesEnd {
    Completed,     // every move done or failed
    PhotoVanished, // a file was found under none of its names: later moves stay pending
    Stopped,       // `progress` asked to stop: later moves stay pending
};

// Moves every file of `moves` within `folder`. A move whose target another move still
// holds waits for it; a ring of moves each wanting the next one's name is opened through
// the temporary name of its files (temporaryNameFor), and where the ring cannot close, its
// opener ends under that name (Moved, with that name) or back under its own name (Failed).
// A move whose name is a temporary name goes first, and one whose target is one last, after
// every ring. A move that fails
// keeps its name. `progress`, when given, hears of the moves through and may stop them between two
// chains of moves.
MovesEnd carryOutMoves(std::vector<Move>& moves, Folder& folder, RunProgress* progress = nullptr);

} // namespace naming
