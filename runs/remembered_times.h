#pragma once

// The shooting times of a run, taken from the record of the folder's earlier runs where it
// proves a photo the very file it was, unchanged since (same file, size, modification and
// status change time, see platform/record), and read by the run's own reader for every
// other. The reader is made over the photos the record does not know alone, so that
// reading ahead fetches only those, and a test counting what reaches it sees only them.
// After a real run, the record learns the times read and where the run left each photo:
// a photo's status is taken just before and just after each of its renames, so that a
// change made to it while the run went on (the rename itself moves its status change
// time) keeps it out of the record.

#include "platform/exif/exif_reader.h"
#include "platform/record/file_status.h"
#include "platform/record/shooting_record.h"
#include "runs/runs.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace runs {

// The reader whose times the record keeps, by its version.
inline const std::string kRecordedReader = "exif " + std::to_string(platform::kExifReaderVersion);

// The file the record of the photo folder `folder` is kept in, beside its journals; empty
// where the system names no state folder.
std::string shootingRecordPath(const std::string& folder);

class RememberedTimes final : public naming::ShootingTimeSource {
public:
    // A run over `photos` in `folder`, which the journals know as `fullPath`; `makeReader`
    // makes the reader of what the record does not know.
    RememberedTimes(const std::string& folder, const std::string& fullPath,
                    std::vector<std::string> photos, ReaderFactory makeReader);

    std::optional<std::string> shootingTime(const std::string& name) override;

    // The folder a real run renames in, `folder` seen by the record: every rename passes
    // through, with the photo's status taken on both sides of it.
    naming::Folder& watching(naming::Folder& folder);

    // After a run that renamed photos as `outcome` tells: keeps the times the run knew of
    // each photo it left unchanged, under the name it left it, and saves the record.
    void remember(const Outcome& outcome);

    // Why the record could not be read or written; empty while it could.
    const std::string& problem() const { return problem_; }

private:
    struct Known {
        platform::FileStatus status; // before the run read it
        std::string shot;
    };
    // A file's status on both sides of its renames: just before the first, just after the
    // last.
    struct Moved {
        std::optional<platform::FileStatus> before;
        std::optional<platform::FileStatus> after;
    };
    class Watch;

    void sortOut();

    std::string folder_;
    std::vector<std::string> photos_;
    ReaderFactory makeReader_;
    platform::FolderStatus files_;
    std::string recordPath_; // empty: no record is kept
    platform::ShootingRecord record_;
    bool sorted_ = false;
    std::map<std::string, std::optional<platform::FileStatus>> before_; // by name
    std::vector<std::string> unknown_;
    std::unique_ptr<naming::ShootingTimeSource> reader_;
    std::map<std::string, Known> known_; // what the run learnt, by the name it read
    std::map<std::string, Moved> moved_; // by the name the file has now
    std::unique_ptr<naming::Folder> watch_;
    std::string problem_;
};

} // namespace runs
