#include "runs/folder_turn.h"

#include "platform/files/disk_folder.h"
#include "platform/files/stored_path.h"
#include "platform/files/utf8_path.h"
#include "platform/journal/state_folder.h"

#include <algorithm>
#include <utility>

namespace runs {
namespace {

// A folder of the state folder's own: no photo folder's key (16 hexadecimal digits, see
// journal_store.cpp) names its folder of journals "locks".
std::string identityLockPath(const std::string& identity) {
    const std::string state = platform::stateFolder();
    if (state.empty())
        return {};
    return platform::utf8FromPath(platform::pathFromUtf8(state) / "locks" /
                                  platform::pathFromUtf8(identity + ".lock"));
}

} // namespace

std::optional<FolderTurn> FolderTurn::await(const platform::JournalStore& store, Effect effect,
                                            const Control& control) {
    FolderTurn turn;
    if (effect == Effect::Preview)
        return turn;
    bool told = false;
    const auto waiting = [&] {
        if (!std::exchange(told, true) && control.observer)
            control.observer->progressed(naming::Phase::Waiting, 0, 0);
    };
    std::optional<platform::FolderLock> byPath =
        platform::FolderLock::take(store.lockPath(), control.stop, waiting);
    if (!byPath)
        return std::nullopt;
    turn.pathLock_ = std::move(*byPath);
    turn.lockProblem_ = turn.pathLock_.problem();

    const std::string identity = platform::folderIdentity(store.folder());
    if (identity.empty()) {
        if (turn.lockProblem_.empty())
            turn.lockProblem_ = "cannot tell which folder it is";
        return turn;
    }
    std::optional<platform::FolderLock> byIdentity =
        platform::FolderLock::take(identityLockPath(identity), control.stop, waiting);
    if (!byIdentity)
        return std::nullopt;
    turn.identityLock_ = std::move(*byIdentity);
    if (turn.lockProblem_.empty())
        turn.lockProblem_ = turn.identityLock_.problem();
    return turn;
}

std::vector<std::string> FolderTurn::photosLeft(const std::string& folder,
                                                const std::vector<std::string>& photos) const {
    if (!pathLock_.waited() && !identityLock_.waited())
        return photos;
    const platform::DiskFolder disk(folder);
    std::vector<std::string> left;
    std::copy_if(photos.begin(), photos.end(), std::back_inserter(left),
                 [&](const std::string& name) { return disk.isNameTaken(name); });
    return left;
}

} // namespace runs
