#pragma once

// A run's journal as text, the one format every journal is written and read in: what one
// journal says, the text of it (its head when the run tells of its plan, the rest when the
// run ends), and the reading of such a text back, with the escaping of names and paths.
// Where the journals are kept is journal_store.h's.

#include "naming/batch.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// What one journal says.
struct Journal {
    std::string fileName; // among the photo folder's journals; their order is time order
    std::string folder;   // the photo folder's full path
    std::string time;     // when it began, UTC: "2026-12-07T14:05:33.123456789Z"
    std::string birthday; // a run's
    std::string place;    // a run's: which folder it worked in (folderIdentity); may be empty
    std::string undoes;   // an undo's: the file name of the run's journal
    std::vector<naming::Rename> planned;
    std::vector<naming::Rename> done; // without identities
    bool ended = false;               // false: cut short
    bool unfinished = false;          // an undo's: it left photos a later one may bring back

    // The renames to undo: those made, or, for a run cut short, every one planned
    // (the names on disk tell which were made).
    std::vector<naming::Rename> renamesToUndo() const;
};

// The journal as text, up to its plan; the done and end records follow when it ends.
std::string journalText(const Journal& journal);
std::string endText(const std::vector<naming::Rename>& done, std::string_view time,
                    bool unfinished = false);
// No value where the text is not a journal, or names a file outside the photo folder (an
// empty name, ".", "..", a path). A byte order mark and CRLF line ends are read through.
std::optional<Journal> parseJournal(std::string_view text);

} // namespace platform
