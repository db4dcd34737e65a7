// tamblinor-cli: the batch rename of the window's buttons, for scripts, previews and
// benchmarks. Rename all by default, rename selected with --only, --dry-run to preview.

#include "naming/batch.h"
#include "naming/memory_folder.h"
#include "platform/disk_folder.h"
#include "platform/exif_reader.h"
#include "platform/photo_listing.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <direct.h>
#define chdir _chdir
#else
#include <unistd.h>
#endif

namespace {

constexpr int kExitUsage = 64;   // EX_USAGE
constexpr int kExitNoInput = 66; // EX_NOINPUT: the folder cannot be opened

constexpr std::string_view kUsage =
    "usage: tamblinor-cli --birthday YYYY-MM-DD [--only NAME]... [--dry-run] [FOLDER]\n"
    "\n"
    "Renames the *.jpg photos of FOLDER (default: the current folder) after the child's\n"
    "age when each was taken, read from its Exif DateTimeOriginal.\n"
    "\n"
    "  --birthday YYYY-MM-DD  the child's birthday\n"
    "  --only NAME            rename only this photo (repeatable); default: every photo\n"
    "  --dry-run              print what would happen without touching any file\n"
    "\n"
    "Prints \"OLD -> NEW\" or \"OLD kept\" per photo. Exit status: 0 done, 1 bad birthday,\n"
    "2 Exif reader unusable, 64 usage error, 66 folder cannot be opened.\n";

struct Options {
    std::string birthday;
    bool haveBirthday = false;
    std::set<std::string> only;
    bool dryRun = false;
    std::string folder = ".";
};

int usage(std::string_view problem) {
    std::fprintf(stderr, "tamblinor-cli: %.*s\n%.*s", int(problem.size()), problem.data(),
                 int(kUsage.size()), kUsage.data());
    return kExitUsage;
}

// Parses argv into options; returns an exit status when the program must stop here.
std::optional<int> parse(int argc, char** argv, Options& options) {
    bool haveFolder = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
            return 0;
        }
        if (arg == "--dry-run") {
            options.dryRun = true;
        } else if (arg == "--birthday" || arg == "--only") {
            if (i + 1 >= argc)
                return usage(std::string(arg) + " needs a value");
            if (arg == "--birthday") {
                options.birthday = argv[++i];
                options.haveBirthday = true;
            } else {
                options.only.insert(argv[++i]);
            }
        } else if (arg.starts_with("--birthday=")) {
            options.birthday = arg.substr(std::strlen("--birthday="));
            options.haveBirthday = true;
        } else if (arg.starts_with("-") && arg != "-") {
            return usage("unknown option " + std::string(arg));
        } else if (haveFolder) {
            return usage("more than one folder given");
        } else {
            options.folder = arg;
            haveFolder = true;
        }
    }
    if (!options.haveBirthday)
        return usage("--birthday is required");
    return std::nullopt;
}

// The folder's photos as listed at the start; --only marks the selected ones.
class ListedPhotos : public naming::PhotoList {
public:
    ListedPhotos(std::vector<std::string> names, const std::set<std::string>& only)
        : names_(std::move(names)), only_(only) {}
    int count() const override { return int(names_.size()); }
    std::string name(int index) const override { return names_[std::size_t(index)]; }
    bool selected(int index) const override { return only_.contains(names_[std::size_t(index)]); }
    // Nothing is shown after the run, so there is nothing to re-read.
    void refresh() override {}

private:
    std::vector<std::string> names_;
    const std::set<std::string>& only_;
};

class PrintedReport : public naming::RunObserver {
public:
    // Plain writes into the stdout buffer: no format string to interpret per photo.
    void renamed(const std::string& from, const std::string& to) override {
        std::fwrite(from.data(), 1, from.size(), stdout);
        std::fwrite(" -> ", 1, 4, stdout);
        std::fwrite(to.data(), 1, to.size(), stdout);
        std::fputc('\n', stdout);
    }
    void kept(const std::string& name) override {
        std::fwrite(name.data(), 1, name.size(), stdout);
        std::fwrite(" kept\n", 1, 6, stdout);
    }
};

class StandardError : public naming::ErrorSink {
public:
    void show(naming::Message message) override {
        const std::string_view text = naming::messageText(message);
        std::fflush(stdout); // the message follows the lines of the photos before it
        std::fprintf(stderr, "%.*s\n", int(text.size()), text.data());
    }
};

// In a dry run the photos stay where they are: the shooting time of the name a photo
// has in the in-memory folder is read from the file it came from.
class DryRunTimes : public naming::ShootingTimeSource {
public:
    DryRunTimes(const naming::MemoryFolder& folder, naming::ShootingTimeSource& disk)
        : folder_(folder), disk_(disk) {}
    std::optional<std::string> shootingTime(const std::string& fileName) override {
        return disk_.shootingTime(folder_.origin(fileName));
    }

private:
    const naming::MemoryFolder& folder_;
    naming::ShootingTimeSource& disk_;
};

int exitStatus(naming::RunEnd end) {
    switch (end) {
    case naming::RunEnd::Completed:
        return 0;
    case naming::RunEnd::BadBirthday:
        return 1;
    case naming::RunEnd::MetadataMissing:
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (const auto stop = parse(argc, argv, options))
        return *stop;
    if (chdir(options.folder.c_str()) != 0) {
        std::fprintf(stderr, "tamblinor-cli: cannot open folder %s: %s\n", options.folder.c_str(),
                     std::strerror(errno));
        return kExitNoInput;
    }

    static char outputBuffer[1 << 16]; // one write per many lines, not one per photo
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);

    std::vector<std::string> names = platform::listPhotos(".");
    for (const auto& wanted : options.only) {
        if (std::find(names.begin(), names.end(), wanted) == names.end())
            std::fprintf(stderr, "tamblinor-cli: no photo named %s\n", wanted.c_str());
    }
    const naming::RunMode mode =
        options.only.empty() ? naming::RunMode::All : naming::RunMode::Selected;

    // The photos the run reads, in its order: where their heads are not in memory the
    // system fetches them in the background, many at a time.
    std::vector<std::string> toRead;
    for (const std::string& name : names) {
        if (options.only.empty() || options.only.contains(name))
            toRead.push_back(name);
    }
    platform::HeadReadAhead readAhead(std::move(toRead));

    PrintedReport report;
    StandardError errors;
    platform::ExifShootingTimeSource exif(".", &readAhead);
    naming::RunEnd end;
    if (options.dryRun) {
        naming::MemoryFolder memory(names);
        for (const auto& entry : platform::listEntries(".", "*.jpg")) {
            if (!std::binary_search(names.begin(), names.end(), entry, platform::naturalLess))
                memory.addOther(entry); // a folder or hidden file blocks its name all the same
        }
        DryRunTimes times(memory, exif);
        ListedPhotos photos(std::move(names), options.only);
        end =
            naming::renamePhotos(mode, options.birthday, {photos, memory, times, errors, &report});
    } else {
        platform::DiskFolder disk;
        ListedPhotos photos(std::move(names), options.only);
        end = naming::renamePhotos(mode, options.birthday, {photos, disk, exif, errors, &report});
    }
    std::fflush(stdout);
    return exitStatus(end);
}
