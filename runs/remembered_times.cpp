#include "runs/remembered_times.h"

#include "platform/files/utf8_path.h"
#include "platform/journal/journal_store.h"

#include <utility>

namespace runs {

std::string shootingRecordPath(const std::string& folder) {
    if (platform::stateFolder().empty())
        return {};
    return platform::JournalStore(folder).path("shooting-times");
}

RememberedTimes::RememberedTimes(const std::string& folder, const std::string& fullPath,
                                 std::vector<std::string> photos, ReaderFactory makeReader)
    : folder_(folder), photos_(std::move(photos)), makeReader_(std::move(makeReader)),
      files_(folder), recordPath_(shootingRecordPath(folder)), record_(recordPath_, fullPath),
      problem_(record_.problem()) {}

// Once, at the first photo: the status of every photo the record knows, so that the reader
// is made over the others alone. A photo it does not know (all of a first run's) costs
// nothing more here.
void RememberedTimes::sortOut() {
    sorted_ = true;
    for (const std::string& name : photos_) {
        const platform::RememberedTime* entry = record_.find(name);
        if (!entry) { // its status is taken when it is read
            unknown_.push_back(name);
            continue;
        }
        const std::optional<platform::FileStatus> status = files_.status(name);
        before_.emplace(name, status);
        if (!status || entry->status != *status)
            unknown_.push_back(name);
    }
}

std::optional<std::string> RememberedTimes::shootingTime(const std::string& name) {
    if (!sorted_)
        sortOut();
    auto before = before_.find(name);
    if (before == before_.end())
        before = before_.emplace(name, files_.status(name)).first;
    const std::optional<platform::FileStatus>& status = before->second;
    const platform::RememberedTime* entry = record_.find(name);
    if (status && entry && entry->status == *status) {
        known_.insert_or_assign(name, Known{*status, entry->shot});
        return entry->shot;
    }
    if (!reader_)
        reader_ = makeReader_(folder_, unknown_);
    std::optional<std::string> shot = reader_->shootingTime(name);
    // No text is not kept: it also stands for a photo that could not be read this time,
    // and a later read may find its time.
    if (status && shot && !shot->empty())
        known_.insert_or_assign(name, Known{*status, *shot});
    return shot;
}

// The status is taken again now, as the run left each file: a rename moves the status
// change time. A file whose contents may have changed since it was read is forgotten.
void RememberedTimes::remember(const Outcome& outcome) {
    if (recordPath_.empty())
        return;
    std::vector<std::pair<std::string, Known>> kept;
    for (const PhotoOutcome& photo : outcome.photos) {
        const auto known = known_.find(photo.from);
        if (photo.renamed())
            record_.erase(photo.from);
        if (known == known_.end())
            continue;
        const std::string& now = photo.renamed() ? photo.to : photo.from;
        const std::optional<platform::FileStatus> status = files_.status(now);
        const bool unchanged =
            status && (photo.renamed() ? status->sameContents(known->second.status)
                                       : *status == known->second.status);
        if (unchanged)
            kept.emplace_back(now, Known{*status, known->second.shot});
        else if (!photo.renamed())
            record_.erase(photo.from);
    }
    for (const auto& [name, known] : kept)
        record_.put(name, known.status, known.shot);
    if (const std::error_code error = record_.save(); error && problem_.empty())
        problem_ = error.message();
}

} // namespace runs
