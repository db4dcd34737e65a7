#include "runs/folder_turn.h"

#include "platform/files/disk_folder.h"

#include <algorithm>

namespace runs {

std::optional<FolderTurn> FolderTurn::await(const platform::JournalStore& store, Effect effect,
                                            const Control& control) {
    if (effect == Effect::Preview)
        return FolderTurn(platform::FolderLock());
    std::optional<platform::FolderLock> lock =
        platform::FolderLock::take(store.lockPath(), control.stop, [&] {
            if (control.observer)
                control.observer->progressed(naming::Phase::Waiting, 0, 0);
        });
    if (!lock)
        return std::nullopt;
    return FolderTurn(std::move(*lock));
}

std::vector<std::string> FolderTurn::photosLeft(const std::string& folder,
                                                const std::vector<std::string>& photos) const {
    if (!lock_.waited())
        return photos;
    const platform::DiskFolder disk(folder);
    std::vector<std::string> left;
    std::copy_if(photos.begin(), photos.end(), std::back_inserter(left),
                 [&](const std::string& name) { return disk.isNameTaken(name); });
    return left;
}

} // namespace runs
