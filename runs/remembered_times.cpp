#include "runs/remembered_times.h"

#include "naming/forwarding_folder.h"
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
      files_(folder), recordPath_(shootingRecordPath(folder)),
      record_(recordPath_, fullPath, kRecordedReader), problem_(record_.problem()) {}

// Passes everything on to the run's folder, and takes the status of a file on both sides
// of each rename.
class RememberedTimes::Watch final : public naming::ForwardingFolder {
public:
    Watch(naming::Folder& to, RememberedTimes& times) : ForwardingFolder(to), times_(times) {}

    std::error_code rename(const std::string& from, const std::string& to) override {
        const std::optional<platform::FileStatus> before = times_.files_.status(from);
        const std::error_code error = ForwardingFolder::rename(from, to);
        if (error)
            return error;
        auto& moved = times_.moved_;
        const auto earlier = moved.find(from);
        Moved file = earlier == moved.end() ? Moved{before, {}} : earlier->second;
        if (earlier != moved.end())
            moved.erase(earlier);
        file.after = times_.files_.status(to);
        moved.insert_or_assign(to, file);
        return {};
    }

private:
    RememberedTimes& times_;
};

naming::Folder& RememberedTimes::watching(naming::Folder& folder) {
    watch_ = std::make_unique<Watch>(folder, *this);
    return *watch_;
}

// Once, at the first photo: the status of every photo the record knows, so that the reader
// is made over the others alone. A photo it does not know (all of a first run's) costs
// nothing more here.
void RememberedTimes::sortOut() {
    sorted_ = true;
    for (const std::string& name : photos_) {
        const platform::RecordEntry* entry = record_.find(name);
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
    const platform::RecordEntry* entry = record_.find(name);
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

// The status is taken again now, as the run left each file. A renamed file is proven
// unchanged by its whole status on both sides of its renames: as read just before the
// first, the same but for the status change time just after the last (the rename moves
// it), and as then now. A file that may have changed since it was read is forgotten.
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
        bool unchanged = status && *status == known->second.status;
        if (photo.renamed()) {
            const auto moved = moved_.find(now);
            unchanged = status && moved != moved_.end() && moved->second.before &&
                        moved->second.after && *moved->second.before == known->second.status &&
                        moved->second.after->sameContents(*moved->second.before) &&
                        *status == *moved->second.after;
        }
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
