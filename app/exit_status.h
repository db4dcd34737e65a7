// tamblinor-cli's exit statuses, all of them; its manual page lists them for users.

#pragma once

#include "app/interrupt.h"
#include "runs/runs.h"

#include <array>

namespace app {

inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 3;  // a photo could not be renamed or undone, or was lost
inline constexpr int kExitUsage = 64;   // EX_USAGE
inline constexpr int kExitNoInput = 66; // EX_NOINPUT: the folder cannot be opened
// A run stopped by a signal ends as a shell reports a program that signal ended:
// 128 + SIGINT (Ctrl+C, and Ctrl+Break on Windows), 128 + SIGTERM.
inline constexpr int kExitInterrupted = 130;
inline constexpr int kExitTerminated = 143;

struct EndingStatus {
    runs::Ending ending;
    int status;
};

// How a run's ending is told to the caller. A run that got to its end still ends with
// kExitRefused when the file system refused any photo.
inline constexpr std::array<EndingStatus, 9> kEndingStatuses{{
    {runs::Ending::Completed, kExitDone},
    {runs::Ending::BadBirthday, 1},
    {runs::Ending::NothingToUndo, 1},
    {runs::Ending::AnotherRunLast, 1},
    {runs::Ending::NewerJournalUnreadable, 1},
    {runs::Ending::ReaderUnavailable, 2},
    {runs::Ending::PhotoVanished, kExitRefused},
    {runs::Ending::Unfinished, kExitRefused},
    {runs::Ending::Stopped, kExitInterrupted}, // kExitTerminated when SIGTERM stopped it
}};

inline int exitStatus(const runs::Outcome& outcome, StopSignal stoppedBy = StopSignal::None) {
    if (outcome.ending == runs::Ending::Stopped && stoppedBy == StopSignal::Terminate)
        return kExitTerminated;
    for (const EndingStatus& row : kEndingStatuses) {
        if (row.ending == outcome.ending)
            return row.status == kExitDone && outcome.refusedCount() > 0 ? kExitRefused
                                                                         : row.status;
    }
    return kExitRefused;
}

} // namespace app
