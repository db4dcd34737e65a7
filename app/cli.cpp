// tamblinor-cli: the batch rename of the window's buttons, for scripts, previews and
// benchmarks. Rename all by default, rename selected with --only, --dry-run to preview;
// --undo undoes the last run, --history lists the runs on record. On a terminal a line
// tells how far a long run is; Ctrl+C stops a run between two photos.

#include "app/cli_options.h"
#include "app/console.h"
#include "app/exit_status.h"
#include "app/interrupt.h"
#include "app/progress_line.h"
#include "naming/media_kinds.h"
#include "platform/files/folder_access.h"
#include "platform/files/photo_listing.h"
#include "runs/runs.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace {

// Plain writes into the stdout buffer: no format string to interpret per photo.
void write(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

std::string reasonText(naming::KeptReason reason, std::error_code error) {
    switch (reason) {
    case naming::KeptReason::NoShootingTime:
        return "no shooting time";
    case naming::KeptReason::UnknownShootingTime:
        return "unknown shooting time";
    case naming::KeptReason::ClockNotUsable:
        return "clock not usable in a file name";
    case naming::KeptReason::EveryLetterTaken:
        return "every letter taken";
    case naming::KeptReason::CannotRename:
        return "cannot rename: " + error.message();
    case naming::KeptReason::AlreadyNamed:
        return "already named";
    case naming::KeptReason::RunEnded:
        return {};
    case naming::KeptReason::Stopped:
        return "stopped";
    case naming::KeptReason::ChangedSince:
        return "renamed, moved or deleted since";
    case naming::KeptReason::OldNameTaken:
        return "old name taken";
    }
    return {};
}

// "OLD -> NEW" or "OLD kept (WHY)" per photo, then the message the run ended with and, once,
// why no journal was kept: the run itself went on.
void printReport(const runs::Outcome& outcome, const char* withoutJournal) {
    for (const runs::PhotoOutcome& photo : outcome.photos) {
        write(photo.from);
        if (photo.renamed()) {
            write(" -> ");
            write(photo.to);
        } else {
            write(" kept");
            if (const std::string why = reasonText(photo.reason, photo.error); !why.empty()) {
                write(" (");
                write(why);
                write(")");
            }
        }
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    if (outcome.message) {
        const std::string_view text = naming::messageText(*outcome.message);
        std::fprintf(stderr, "%.*s\n", int(text.size()), text.data());
    }
    if (!outcome.journalProblem.empty())
        std::fprintf(stderr, "tamblinor-cli: no journal of this %s: %s\n", withoutJournal,
                     outcome.journalProblem.c_str());
    else if (!outcome.recordProblem.empty()) // the journal's warning tells of the same folder
        std::fprintf(stderr, "tamblinor-cli: shooting times not remembered: %s\n",
                     outcome.recordProblem.c_str());
    if (outcome.ending == runs::Ending::PhotoVanished)
        std::fprintf(stderr, "tamblinor-cli: a photo vanished during the run: the file system is "
                             "losing files; the run stopped\n");
}

// Before anything else of the run's: what follows may be another run's doing.
void printLockProblem(const runs::Outcome& outcome) {
    if (!outcome.lockProblem.empty())
        std::fprintf(stderr, "tamblinor-cli: other runs were not kept off the folder: %s\n",
                     outcome.lockProblem.c_str());
}

void printRefused(const runs::Outcome& outcome, const char* what) {
    const std::size_t refused = outcome.refusedCount();
    if (refused > 0 && outcome.ending != runs::Ending::PhotoVanished)
        std::fprintf(stderr, "tamblinor-cli: %d photo%s could not be %s\n", int(refused),
                     refused == 1 ? "" : "s", what);
}

// After a preview's report, so that it cannot be taken for a real run's.
void printDryRun(const app::Options& options, const char* what) {
    if (options.dryRun)
        std::fprintf(stderr, "tamblinor-cli: dry run: nothing was %s\n", what);
}

runs::Effect effectOf(const app::Options& options) {
    return options.dryRun ? runs::Effect::Preview : runs::Effect::Rename;
}

struct Watched {
    runs::Outcome outcome;
    int status;
};

// Carries out `run` with the progress line on a terminal (`reading` names its first
// phase; a preview's second moves nothing) and Ctrl+C or SIGTERM stopping it; the line is
// gone when it returns.
template <typename Run>
Watched watch(const app::Options& options, bool terminal, std::string_view reading, Run run) {
    app::ProgressLine progress(terminal, reading, options.dryRun ? "previewing" : "renaming");
    const app::StopOnSignal signals;
    runs::Outcome outcome = run(runs::Control{.observer = &progress, .stop = signals.token()});
    progress.clear();
    const int status = app::exitStatus(outcome, signals.received());
    return {std::move(outcome), status};
}

int rename(const app::Options& options, bool terminal) {
    const std::vector<std::string> listed = platform::listPhotos(
        options.folder, options.allMedia ? naming::kAllMediaPattern : naming::kPhotoPattern);
    for (const auto& wanted : options.only) {
        if (std::find(listed.begin(), listed.end(), wanted) == listed.end())
            std::fprintf(stderr, "tamblinor-cli: no photo named %s\n", wanted.c_str());
    }
    std::fflush(stderr); // before the photos' lines, also where it is buffered (Windows)
    std::vector<std::string> photos;
    for (const std::string& name : listed) {
        if (options.only.empty() || options.only.contains(name))
            photos.push_back(name);
    }
    const auto [outcome, status] =
        watch(options, terminal, "reading shooting times", [&](const runs::Control& control) {
            return runs::renameFolder(options.folder, photos, options.birthday, effectOf(options),
                                      control);
        });
    printLockProblem(outcome);
    printReport(outcome, "run, so it cannot be taken back");
    if (outcome.ending == runs::Ending::Completed)
        printRefused(outcome, "renamed");
    printDryRun(options, "renamed");
    return status;
}

int undo(const app::Options& options, bool terminal) {
    const auto [outcome, status] =
        watch(options, terminal, "finding photos", [&](const runs::Control& control) {
            return runs::undoLastRun(options.folder, effectOf(options), control);
        });
    printLockProblem(outcome);
    switch (outcome.ending) {
    case runs::Ending::NothingToUndo:
        std::fprintf(stderr, "tamblinor-cli: no run to take back in %s\n", outcome.folder.c_str());
        return status;
    case runs::Ending::NewerJournalUnreadable:
        std::fprintf(stderr,
                     "tamblinor-cli: cannot read journal %s, newer than the run to take back; "
                     "nothing taken back\n",
                     outcome.unreadableJournal.c_str());
        return status;
    default:
        break;
    }
    printReport(outcome, "taking back, so the run is not marked taken back");
    printRefused(outcome, "taken back");
    if (outcome.ending == runs::Ending::Unfinished)
        std::fprintf(stderr, "tamblinor-cli: the run stays to be taken back: --undo tries it "
                             "again\n");
    printDryRun(options, "taken back");
    return status;
}

// "2026-12-07 14:05:33 UTC, birthday 2006-05-10, 12 photos, taken back", in time order
// with "unreadable journal FILE" for a journal that cannot be read.
int listRuns(const app::Options& options) {
    for (const runs::RunRecord& record : runs::runHistory(options.folder)) {
        if (!record.readable) {
            write("unreadable journal " + record.journal + "\n");
            continue;
        }
        std::string time = record.time.substr(0, 19); // "2026-12-07T14:05:33"
        std::replace(time.begin(), time.end(), 'T', ' ');
        write(time + " UTC, birthday " + record.birthday + ", " + std::to_string(record.photos) +
              (record.photos == 1 ? " photo, " : " photos, ") +
              (record.cutShort ? "cut short, " : "") +
              (record.undo == runs::UndoState::Undone         ? "taken back"
               : record.undo == runs::UndoState::PartlyUndone ? "partly taken back"
                                                              : "not taken back") +
              "\n");
    }
    return app::kExitDone;
}

} // namespace

int main(int argc, char** argv) {
    app::Console console(argc, argv);
    const auto parsed = app::parseOptions(console.argc(), console.argv());
    if (const int* stop = std::get_if<int>(&parsed))
        return *stop;
    const app::Options& options = std::get<app::Options>(parsed);
    if (const std::error_code error = platform::folderOpenError(options.folder)) {
        std::fprintf(stderr, "tamblinor-cli: cannot open folder %s: %s\n", options.folder.c_str(),
                     error.message().c_str());
        return app::kExitNoInput;
    }

    static char outputBuffer[1 << 16]; // one write per many lines, not one per photo
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
    const bool terminal = console.errorIsTerminal();
    switch (options.action) {
    case app::Action::Undo:
        return undo(options, terminal);
    case app::Action::History:
        return listRuns(options);
    case app::Action::Rename:
        break;
    }
    return rename(options, terminal);
}
