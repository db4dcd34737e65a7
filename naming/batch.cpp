#include "naming/batch.h"

#include "naming/photo_name.h"

#include <array>
#include <cstddef>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace naming {

std::string_view messageText(Message message) {
    switch (message) {
    case Message::BadBirthday:
        return "生日输入有误！请按示例格式输入。";
    case Message::ReaderUnavailable:
        return "文件丢失！请重新安装本软件。";
    }
    return {};
}

namespace {

const std::string temporaryName(kTemporaryName);
constexpr std::array<std::string_view, 6> kLetters{"", "b", "c", "d", "e", "f"};

struct Photo {
    enum class State { Planned, Renamed, Kept };

    std::string listed; // its name in the list
    std::string name;   // its name now
    std::string shot;   // the shooting time, for photos that get a name
    std::string base;   // the age name without letter; empty for photos that keep theirs
    std::string target; // the new name, once planned
    State state = State::Planned;
    KeptReason reason = KeptReason::CannotRename;
    std::error_code error;

    bool named() const { return !base.empty(); }
    bool moves() const { return state == State::Planned && !target.empty() && target != name; }
};

class Run {
public:
    Run(std::string_view birthday, const RunContext& context) : birthday_(birthday), c_(context) {}

    RunEnd run(const std::vector<std::string>& names) {
        const std::optional<Message> message = plan(names);
        finishTwins();
        assignNames();
        execute();
        if (renamedAny_)
            c_.folder.flush();
        report();
        if (end_ == RunEnd::PhotoVanished)
            return end_;
        if (message) {
            c_.errors.show(*message);
            return *message == Message::BadBirthday ? RunEnd::BadBirthday
                                                    : RunEnd::ReaderUnavailable;
        }
        return RunEnd::Completed;
    }

private:
    // Reads each photo where it lies and finds its age name; a message stops the plan at
    // that photo, which keeps its name.
    std::optional<Message> plan(const std::vector<std::string>& names) {
        photos_.reserve(names.size());
        for (const std::string& name : names) {
            Photo& photo = photos_.emplace_back(Photo{.listed = name, .name = name});
            const std::optional<std::string> shot = c_.times.shootingTime(name);
            if (!shot) {
                keep(photo, KeptReason::RunEnded);
                return Message::ReaderUnavailable;
            }
            if (shot->empty()) {
                keep(photo, KeptReason::NoShootingTime);
                continue;
            }
            if (isUnknownShootingTime(*shot)) {
                keep(photo, KeptReason::UnknownShootingTime);
                continue;
            }
            const std::optional<AgeStamp> stamp = ageStamp(birthday_, *shot);
            if (!stamp) {
                keep(photo, KeptReason::RunEnded);
                return Message::BadBirthday;
            }
            if (!clockFitsFileName(*shot)) {
                keep(photo, KeptReason::ClockNotUsable);
                continue;
            }
            photo.shot = *shot;
            photo.base = baseName(*stamp);
        }
        return std::nullopt;
    }

    // A rename cut between its hard link and its unlink leaves one photo under two names,
    // both listed and both of the same second. The name further along its way stays: an
    // age name, then the temporary name; the other was the one it was leaving.
    void finishTwins() {
        std::unordered_map<std::string_view, std::vector<std::size_t>> bySecond;
        for (std::size_t i = 0; i < photos_.size(); ++i) {
            if (photos_[i].named())
                bySecond[photos_[i].shot].push_back(i);
        }
        for (const auto& [shot, group] : bySecond) {
            for (std::size_t a = 0; a < group.size(); ++a) {
                for (std::size_t b = a + 1; b < group.size(); ++b) {
                    Photo& first = photos_[group[a]];
                    Photo& second = photos_[group[b]];
                    if (first.state != Photo::State::Planned ||
                        second.state != Photo::State::Planned ||
                        !c_.folder.sameFile(first.name, second.name))
                        continue;
                    const int rankFirst = progress(first), rankSecond = progress(second);
                    if (rankFirst == 0 && rankSecond == 0)
                        continue; // two names of the user's own making
                    Photo& leaving = rankSecond > rankFirst ? first : second;
                    const Photo& staying = rankSecond > rankFirst ? second : first;
                    if (const std::error_code error =
                            c_.folder.removeTwin(leaving.name, staying.name))
                        keep(leaving, KeptReason::CannotRename, error);
                    else
                        rename(leaving, staying.name);
                }
            }
        }
    }

    // How far along its way to its age name a photo's name is.
    static int progress(const Photo& photo) {
        if (isAgeNameOf(photo.name, photo.base))
            return 2;
        return photo.name == temporaryName ? 1 : 0;
    }

    static bool isAgeNameOf(const std::string& name, const std::string& base) {
        if (!name.starts_with(base))
            return false;
        for (const std::string_view letter : kLetters) {
            if (name == photoName(base, letter))
                return true;
        }
        return false;
    }

    // Collision letters in list order. The names that the run's moving photos have now
    // are free. A photo that already has one of its names keeps it: the letters of a
    // second stand for the order in which its photos were first listed, and a run cut
    // short leaves some photos of a second named and others not. A photo that finds no
    // letter keeps its name, which is then taken after all; where it was given to another
    // photo, the letters are given again. Taken names only grow, so this settles.
    void assignNames() {
        std::unordered_map<std::string, std::size_t> holder; // names of photos that may move
        std::vector<bool> stays(photos_.size());
        for (std::size_t i = 0; i < photos_.size(); ++i) {
            stays[i] = photos_[i].state != Photo::State::Planned || !photos_[i].named();
            if (!stays[i])
                holder.emplace(photos_[i].name, i);
        }
        std::unordered_map<std::string, bool> onDisk;
        const auto existsOnDisk = [&](const std::string& name) {
            const auto [it, fresh] = onDisk.try_emplace(name, false);
            if (fresh)
                it->second = c_.folder.exists(name);
            return it->second;
        };

        for (bool settled = false; !settled;) {
            std::unordered_set<std::string> given;
            for (std::size_t i = 0; i < photos_.size(); ++i) {
                photos_[i].target.clear();
                if (!stays[i] && isAgeNameOf(photos_[i].name, photos_[i].base))
                    photos_[i].target = *given.insert(photos_[i].name).first;
            }
            for (std::size_t i = 0; i < photos_.size(); ++i) {
                Photo& photo = photos_[i];
                if (stays[i] || !photo.target.empty())
                    continue;
                for (const std::string_view letter : kLetters) {
                    std::string candidate = photoName(photo.base, letter);
                    if (given.contains(candidate))
                        continue;
                    const auto held = holder.find(candidate);
                    const bool freed = held != holder.end() && !stays[held->second];
                    if (!freed && existsOnDisk(candidate))
                        continue;
                    photo.target = *given.insert(std::move(candidate)).first;
                    break;
                }
            }
            settled = true;
            for (std::size_t i = 0; i < photos_.size(); ++i) {
                if (!stays[i] && photos_[i].target.empty()) {
                    keep(photos_[i], KeptReason::EveryLetterTaken);
                    stays[i] = true;
                    settled = settled && !given.contains(photos_[i].name);
                }
            }
        }
        for (Photo& photo : photos_) {
            if (photo.state == Photo::State::Planned && photo.target == photo.name)
                keep(photo, KeptReason::AlreadyNamed);
        }
    }

    // Moves every photo of the plan, each straight from its name to its new one, so that
    // a run cut short leaves every photo under one of the two. A photo whose new name
    // another one still holds waits for it; a ring of photos each wanting the next one's
    // name is opened through the temporary name. A photo that an earlier run left under
    // the temporary name goes first.
    void execute() {
        for (std::size_t i = 0; i < photos_.size(); ++i) {
            if (photos_[i].moves())
                waitingFor_.emplace(photos_[i].name, i);
        }
        if (const auto first = waitingFor_.find(temporaryName); first != waitingFor_.end())
            moveChain(first->second);
        for (std::size_t i = 0; i < photos_.size() && end_ != RunEnd::PhotoVanished; ++i) {
            if (photos_[i].moves())
                moveChain(i);
        }
    }

    void moveChain(std::size_t start) {
        std::vector<std::size_t> chain{start};
        for (;;) {
            const auto next = waitingFor_.find(photos_[chain.back()].target);
            if (next == waitingFor_.end() || !photos_[next->second].moves())
                break;
            if (next->second == start)
                return moveRing(chain);
            chain.push_back(next->second);
        }
        for (auto i = chain.rbegin(); i != chain.rend() && end_ != RunEnd::PhotoVanished; ++i)
            move(photos_[*i]);
    }

    // ring[k] wants ring[k + 1]'s name, and the last one wants the first one's. Where the
    // temporary name is held by something the run does not name, the ring keeps its names.
    void moveRing(const std::vector<std::size_t>& ring) {
        Photo& opener = photos_[ring.front()];
        if (const std::error_code error = c_.folder.rename(opener.name, temporaryName)) {
            for (const std::size_t i : ring)
                keep(photos_[i], KeptReason::CannotRename, error);
            checkFound({opener.name});
            return;
        }
        const std::string openerName = std::exchange(opener.name, temporaryName);
        waitingFor_.erase(openerName);
        for (auto i = ring.rbegin(); i + 1 != ring.rend() && end_ != RunEnd::PhotoVanished; ++i)
            move(photos_[*i]);
        if (end_ == RunEnd::PhotoVanished)
            return;
        // On to its new name, or back to its old one; where both fail it stays under the
        // temporary name for the next run to name.
        const std::error_code error = c_.folder.rename(temporaryName, opener.target);
        if (!error)
            return rename(opener, opener.target);
        if (!c_.folder.rename(temporaryName, openerName)) {
            opener.name = openerName;
            return keep(opener, KeptReason::CannotRename, error);
        }
        rename(opener, temporaryName);
        checkFound({temporaryName, opener.target, openerName});
    }

    void move(Photo& photo) {
        if (const std::error_code error = c_.folder.rename(photo.name, photo.target)) {
            keep(photo, KeptReason::CannotRename, error);
            checkFound({photo.name, photo.target});
            return;
        }
        waitingFor_.erase(photo.name);
        rename(photo, photo.target);
    }

    // After a failed rename the photo must still be under one of its names. Where it is
    // under none, the file system is losing files: nothing more is given to it.
    void checkFound(std::initializer_list<std::string> names) {
        for (const std::string& name : names) {
            if (c_.folder.present(name))
                return;
        }
        end_ = RunEnd::PhotoVanished;
    }

    void rename(Photo& photo, const std::string& to) {
        photo.name = to;
        photo.state = Photo::State::Renamed;
        renamedAny_ = true;
    }

    static void keep(Photo& photo, KeptReason reason, std::error_code error = {}) {
        photo.state = Photo::State::Kept;
        photo.reason = reason;
        photo.error = error;
    }

    void report() const {
        if (!c_.observer)
            return;
        for (const Photo& photo : photos_) {
            if (photo.state == Photo::State::Renamed)
                c_.observer->renamed(photo.listed, photo.name);
            else if (photo.state == Photo::State::Kept)
                c_.observer->kept(photo.listed, photo.reason, photo.error);
        }
    }

    std::string_view birthday_;
    const RunContext& c_;
    std::vector<Photo> photos_;
    std::unordered_map<std::string, std::size_t> waitingFor_; // moving photos by present name
    bool renamedAny_ = false;
    RunEnd end_ = RunEnd::Completed;
};

} // namespace

RunEnd renamePhotos(const std::vector<std::string>& photos, std::string_view birthday,
                    const RunContext& context) {
    if (!birthdayShapeOk(birthday)) {
        context.errors.show(Message::BadBirthday);
        return RunEnd::BadBirthday;
    }
    return Run(birthday, context).run(photos);
}

} // namespace naming
