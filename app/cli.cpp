// tamblinor-cli: the batch rename of the window's buttons, for scripts, previews and
// benchmarks. Rename all by default, rename selected with --only, --dry-run to preview;
// --undo takes the last run back, --history lists the runs on record.

#include "app/cli_options.h"
#include "app/console.h"
#include "naming/batch.h"
#include "naming/memory_folder.h"
#include "naming/preview_folder.h"
#include "platform/exif/exif_reader.h"
#include "platform/files/disk_folder.h"
#include "platform/files/photo_listing.h"
#include "platform/files/utf8_path.h"
#include "platform/journal/journal_store.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace {

constexpr int kExitNothingToTakeBack = 1;
constexpr int kExitFileSystem = 3; // a photo could not be renamed, or was lost
constexpr int kExitNoInput = 66;   // EX_NOINPUT: the folder cannot be opened

class PrintedReport : public naming::RunObserver {
public:
    // Plain writes into the stdout buffer: no format string to interpret per photo.
    void renamed(const std::string& from, const std::string& to) override {
        write(from);
        write(" -> ");
        write(to);
        std::fputc('\n', stdout);
    }
    void kept(const std::string& name, naming::KeptReason reason, std::error_code error) override {
        write(name);
        write(" kept");
        if (const std::string why = reasonText(reason, error); !why.empty()) {
            write(" (");
            write(why);
            write(")");
        }
        std::fputc('\n', stdout);
        if (reason == naming::KeptReason::CannotRename ||
            reason == naming::KeptReason::ChangedSince ||
            reason == naming::KeptReason::OldNameTaken)
            ++refused_;
    }

    // Photos the file system would not rename, or that could not be taken back.
    int refused() const { return refused_; }

private:
    static void write(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

    static std::string reasonText(naming::KeptReason reason, std::error_code error) {
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
        case naming::KeptReason::ChangedSince:
            return "renamed, moved or deleted since";
        case naming::KeptReason::OldNameTaken:
            return "old name taken";
        }
        return {};
    }

    int refused_ = 0;
};

class StandardError : public naming::ErrorSink {
public:
    void show(naming::Message message) override {
        const std::string_view text = naming::messageText(message);
        std::fflush(stdout); // the message follows the lines of the photos before it
        std::fprintf(stderr, "%.*s\n", int(text.size()), text.data());
    }
};

int exitStatus(naming::RunEnd end, const PrintedReport& report) {
    switch (end) {
    case naming::RunEnd::Completed:
    case naming::RunEnd::Unfinished:
        break;
    case naming::RunEnd::BadBirthday:
        return 1;
    case naming::RunEnd::ReaderUnavailable:
        return 2;
    case naming::RunEnd::PhotoVanished:
        std::fprintf(stderr, "tamblinor-cli: a photo vanished during the run: the file system is "
                             "losing files; the run stopped\n");
        return kExitFileSystem;
    }
    if (report.refused() > 0) {
        std::fprintf(stderr, "tamblinor-cli: %d photo%s could not be renamed\n", report.refused(),
                     report.refused() == 1 ? "" : "s");
        return kExitFileSystem;
    }
    return 0;
}

// Once, after the photos' lines; the run itself went on.
void warnWithoutJournal(const platform::JournalWriter& journal, const char* consequence) {
    std::fflush(stdout);
    if (!journal.problem().empty())
        std::fprintf(stderr, "tamblinor-cli: no journal of this %s: %s\n", consequence,
                     journal.problem().c_str());
}

int takeBackLastRun(const app::Options& options) {
    platform::JournalStore store(options.folder);
    std::vector<std::string> unreadable;
    const std::vector<platform::RunOnRecord> runs = store.runs(&unreadable);
    const auto last = std::find_if(runs.rbegin(), runs.rend(),
                                   [](const platform::RunOnRecord& run) { return !run.undone; });
    if (last == runs.rend()) {
        std::fprintf(stderr, "tamblinor-cli: no run to take back in %s\n", store.folder().c_str());
        return kExitNothingToTakeBack;
    }
    // A journal that cannot be read may be of a later run, or of this run's taking back:
    // taking back the run before it would take the runs back out of order.
    if (!unreadable.empty() && unreadable.back() > last->run.fileName) {
        std::fprintf(stderr,
                     "tamblinor-cli: cannot read journal %s, newer than the run to take back; "
                     "nothing taken back\n",
                     store.path(unreadable.back()).c_str());
        return kExitNothingToTakeBack;
    }
    PrintedReport report;
    const std::vector<naming::Rename> renames = last->run.renamesToUndo();
    platform::ExifShootingTimeSource times(options.folder);
    naming::RunEnd end;
    platform::DiskFolder disk(options.folder);
    if (options.dryRun) {
        naming::PreviewFolder preview(disk);
        end = naming::undoRenames(renames, preview, times, &report, nullptr);
    } else {
        platform::JournalWriter journal(store, {}, last->run.fileName);
        end = naming::undoRenames(renames, disk, times, &report, &journal);
        warnWithoutJournal(journal, "taking back, so the run is not marked taken back");
    }
    std::fflush(stdout);
    if (end == naming::RunEnd::PhotoVanished)
        return exitStatus(end, report);
    if (report.refused() > 0)
        std::fprintf(stderr, "tamblinor-cli: %d photo%s could not be taken back\n",
                     report.refused(), report.refused() == 1 ? "" : "s");
    if (end == naming::RunEnd::Unfinished)
        std::fprintf(stderr, "tamblinor-cli: the run stays to be taken back: --undo tries it "
                             "again\n");
    return report.refused() > 0 || end == naming::RunEnd::Unfinished ? kExitFileSystem : 0;
}

// "2026-12-07 14:05:33 UTC, birthday 2006-05-10, 12 photos, taken back", in time order
// with "unreadable journal FILE" for a journal that cannot be read.
int listRuns(const app::Options& options) {
    const platform::JournalStore store(options.folder);
    std::vector<std::string> unreadable;
    const std::vector<platform::RunOnRecord> runs = store.runs(&unreadable);
    auto nextUnreadable = unreadable.begin();
    const auto listUnreadableBefore = [&](const std::string* fileName) {
        for (; nextUnreadable != unreadable.end() && (!fileName || *nextUnreadable < *fileName);
             ++nextUnreadable) {
            const std::string line = "unreadable journal " + store.path(*nextUnreadable) + "\n";
            std::fwrite(line.data(), 1, line.size(), stdout);
        }
    };
    for (const platform::RunOnRecord& record : runs) {
        listUnreadableBefore(&record.run.fileName);
        std::string time = record.run.time.substr(0, 19); // "2026-12-07T14:05:33"
        std::replace(time.begin(), time.end(), 'T', ' ');
        const std::size_t photos = record.run.renamesToUndo().size();
        const std::string line = time + " UTC, birthday " + record.run.birthday + ", " +
                                 std::to_string(photos) + (photos == 1 ? " photo, " : " photos, ") +
                                 (record.run.ended ? "" : "cut short, ") +
                                 (record.undone         ? "taken back"
                                  : record.partlyUndone ? "partly taken back"
                                                           : "not taken back") +
                                 "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    listUnreadableBefore(nullptr);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    app::Console console(argc, argv);
    const auto parsed = app::parseOptions(console.argc(), console.argv());
    if (const int* stop = std::get_if<int>(&parsed))
        return *stop;
    const app::Options& options = std::get<app::Options>(parsed);
    std::error_code error;
    const std::filesystem::directory_iterator probe(platform::pathFromUtf8(options.folder), error);
    if (error) {
        std::fprintf(stderr, "tamblinor-cli: cannot open folder %s: %s\n", options.folder.c_str(),
                     error.message().c_str());
        return kExitNoInput;
    }

    static char outputBuffer[1 << 16]; // one write per many lines, not one per photo
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
    if (options.action == app::Action::Undo)
        return takeBackLastRun(options);
    if (options.action == app::Action::History)
        return listRuns(options);

    const std::vector<std::string> listed = platform::listPhotos(options.folder);
    for (const auto& wanted : options.only) {
        if (std::find(listed.begin(), listed.end(), wanted) == listed.end())
            std::fprintf(stderr, "tamblinor-cli: no photo named %s\n", wanted.c_str());
    }
    std::fflush(stderr); // before the photos' lines, also where it is buffered (Windows)
    std::vector<std::string> photos;
    std::vector<std::string> paths; // in the order the run reads them
    for (const std::string& name : listed) {
        if (options.only.empty() || options.only.contains(name)) {
            photos.push_back(name);
            paths.push_back(platform::pathInFolder(options.folder, name));
        }
    }
    // Where the photos' heads are not in memory the system fetches them in the
    // background, many at a time.
    platform::HeadReadAhead readAhead(std::move(paths));

    PrintedReport report;
    StandardError errors;
    platform::ExifShootingTimeSource exif(options.folder, &readAhead);
    naming::RunEnd end;
    if (options.dryRun) {
        // Every photo is read before any moves, so the dry run's folder only needs names.
        naming::MemoryFolder memory(listed);
        for (const auto& entry : platform::listEntries(options.folder, "*.jpg")) {
            if (!std::binary_search(listed.begin(), listed.end(), entry, platform::naturalLess))
                memory.addOther(entry); // a folder or hidden file blocks its name all the same
        }
        end = naming::renamePhotos(photos, options.birthday, {memory, exif, errors, &report});
    } else {
        platform::DiskFolder disk(options.folder);
        platform::JournalStore store(options.folder);
        platform::JournalWriter journal(store, options.birthday);
        end =
            naming::renamePhotos(photos, options.birthday, {disk, exif, errors, &report, &journal});
        warnWithoutJournal(journal, "run, so it cannot be taken back");
    }
    std::fflush(stdout);
    return exitStatus(end, report);
}
