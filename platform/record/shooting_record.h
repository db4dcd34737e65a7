#pragma once

// The shooting times that runs read from the photos of one folder, each with the status
// its file had when the run left it, so that a later run can take the time from here
// instead of reading a photo proven unchanged since. A cache: a record lost, damaged or
// out of date costs only the time of reading the photos again.
//
// One text file per photo folder in the state folder, written whole to a temporary file
// and renamed over the old one. A line carries a checksum of itself: a damaged line is
// passed over, a file that is not a record of this folder, or of this reader, is started
// afresh. Entries not used for kForgetAfter are dropped, and at most kMostEntries kept,
// the most recently used.

#include "platform/record/file_status.h"

#include <chrono>
#include <cstddef>
#include <map>
#include <string>
#include <system_error>

namespace platform {

struct RecordEntry {
    FileStatus status;
    std::string shot;           // the DateTimeOriginal text as the reader gave it
    std::chrono::sys_days used; // when a run last met the photo unchanged
};

class ShootingRecord {
public:
    static constexpr std::chrono::days kForgetAfter{400};
    static constexpr std::size_t kMostEntries = 200'000;

    // The record of the photo folder `folder` (its full path, as the journals have it)
    // in the file `path`, of the times that the reader `reader` (a name of its version)
    // gave. A missing file is an empty record; one that cannot be read is too, and
    // problem() says why; one of another reader is started afresh.
    ShootingRecord(std::string path, std::string folder, std::string reader);

    bool empty() const { return entries_.empty(); }
    // The entry of the photo `name`; none where there is none.
    const RecordEntry* find(const std::string& name) const;
    void put(const std::string& name, const FileStatus& status, const std::string& shot);
    void erase(const std::string& name);

    // Writes the record through a temporary file beside it, creating its folder; nothing
    // when nothing changed since it was read.
    std::error_code save();

    // Why the record could not be read; empty when it could, or there was none.
    const std::string& problem() const { return problem_; }

private:
    std::string path_;
    std::string folder_;
    std::string header_;
    std::map<std::string, RecordEntry> entries_;
    std::string problem_;
    bool changed_ = false;
};

} // namespace platform
