// tamblinor-cli's exit statuses, all of them; its manual page lists them for users.

#pragma once

#include "runs/runs.h"

#include <array>

namespace app {

inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 3;  // a photo could not be renamed or undone, or was lost
inline constexpr int kExitUsage = 64;   // EX_USAGE
inline constexpr int kExitNoInput = 66; // EX_NOINPUT: the folder cannot be opened

struct EndingStatus {
    runs::Ending ending;
    int status;
};

// How a run's ending is told to the caller. A run that got to its end still ends with
// kExitRefused when the file system refused any photo.
inline constexpr std::array<EndingStatus, 8> kEndingStatuses{{
    {runs::Ending::Completed, kExitDone},
    {runs::Ending::BadBirthday, 1},
    {runs::Ending::NothingToUndo, 1},
    {runs::Ending::NewerJournalUnreadable, 1},
    {runs::Ending::ReaderUnavailable, 2},
    {runs::Ending::PhotoVanished, kExitRefused},
    {runs::Ending::Unfinished, kExitRefused},
    {runs::Ending::Stopped, 130}, // as a shell reports a program ended by Ctrl+C
}};

inline int exitStatus(const runs::Outcome& outcome) {
    for (const EndingStatus& row : kEndingStatuses) {
        if (row.ending == outcome.ending)
            return row.status == kExitDone && outcome.refusedCount() > 0 ? kExitRefused
                                                                         : row.status;
    }
    return kExitRefused;
}

} // namespace app
