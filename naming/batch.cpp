#include "naming/batch.h"

#include "naming/live_photos.h"
#include "naming/media_kinds.h"
#include "naming/moves.h"
#include "naming/photo_identity.h"
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

constexpr std::array<std::string_view, 6> kLetters{"", "b", "c", "d", "e", "f"};

struct Photo {
    enum class State { Planned, Renamed, Kept };

    std::string listed;         // its name in the list
    std::string name;           // its name now
    std::string shot;           // the shooting time, for photos that get a name
    std::string base;           // the age name without letter; empty for photos that keep theirs
    std::string target;         // the new name, once planned
    std::string_view extension; // of the new name
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
        if (stopped_) {
            report();
            return RunEnd::Stopped;
        }
        findTwins();
        assignNames();
        if (c_.journal)
            journalBegin();
        removeTwins();
        execute();
        if (renamedAny_)
            c_.folder.flush();
        if (journaled_)
            journalEnd();
        report();
        if (end_ == RunEnd::PhotoVanished)
            return end_;
        if (message)
            c_.errors.show(*message);
        if (end_ == RunEnd::Stopped)
            return end_;
        if (message) {
            return *message == Message::BadBirthday ? RunEnd::BadBirthday
                                                    : RunEnd::ReaderUnavailable;
        }
        return RunEnd::Completed;
    }

private:
    // Reads each photo where it lies and finds its age name; a message stops the plan at
    // that photo, which keeps its name. A stop keeps every photo's name.
    std::optional<Message> plan(const std::vector<std::string>& names) {
        photos_.reserve(names.size());
        for (const std::string& name : names) {
            if (stopAt(photos_.size(), names))
                return std::nullopt;
            Photo& photo = photos_.emplace_back(
                Photo{.listed = name, .name = name, .extension = namedExtension(name)});
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
        stopAt(names.size(), names); // all read: the last chance before names are given
        return std::nullopt;
    }

    // Tells how far the reading is; where a stop is asked for, every photo keeps its name.
    bool stopAt(std::size_t done, const std::vector<std::string>& names) {
        if (!c_.progress)
            return false;
        c_.progress->progressed(Phase::Reading, done, names.size());
        if (!c_.progress->stopRequested())
            return false;
        stopped_ = true;
        photos_.clear();
        for (const std::string& name : names)
            keep(photos_.emplace_back(Photo{.listed = name, .name = name}), KeptReason::Stopped);
        return true;
    }

    // A rename cut between its hard link and its unlink leaves one photo under two names,
    // both listed and both of the same second. Where a journal of the cut run proves it,
    // the name the photo was leaving is removed once this run is journaled (the photo
    // counts as renamed to the staying name meanwhile, so that the plan treats it as it
    // will be). Two names that no journal explains are the user's: both stay.
    void findTwins() {
        if (!c_.cutShort)
            return;
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
                    std::size_t leaving = group[a], staying = group[b];
                    const unsigned links = c_.folder.linkCount(first.name);
                    if (!c_.cutShort->wasMoving(first.name, second.name, links)) {
                        if (!c_.cutShort->wasMoving(second.name, first.name, links))
                            continue;
                        std::swap(leaving, staying);
                    }
                    twins_.emplace_back(leaving, photos_[leaving].name);
                    rename(photos_[leaving], photos_[staying].name);
                }
            }
        }
    }

    static bool isAgeNameOf(const Photo& photo) {
        if (!photo.name.starts_with(photo.base))
            return false;
        for (const std::string_view letter : kLetters) {
            if (photo.name == photoName(photo.base, letter, photo.extension))
                return true;
        }
        return false;
    }

    // For each photo, the still of the Live Photo whose video it is, else kNoStill.
    std::vector<std::size_t> livePhotoStills() const {
        std::vector<PairingFile> files;
        files.reserve(photos_.size());
        for (const Photo& photo : photos_)
            files.push_back({photo.name, photo.shot});
        return naming::livePhotoStills(files);
    }

    // The still's new name with the video's own extension.
    std::string pairedName(std::size_t video, std::size_t still) const {
        return std::string(stemOf(photos_[still].target)).append(photos_[video].extension);
    }

    // Collision letters in list order, among names of one extension. The names that the
    // run's moving photos have now are free. A photo that already has one of its names
    // keeps it: the letters of a second stand for the order in which its photos were first
    // listed, and a run cut short leaves some photos of a second named and others not. The
    // video of a Live Photo takes its still's new name where that is free, else a name of
    // its own after the others. A photo that finds no letter keeps its name, which is then
    // taken after all; where it was given to another photo, the letters are given again.
    // Taken names only grow, so this settles.
    void assignNames() {
        const std::vector<std::size_t> still = livePhotoStills();
        std::unordered_map<std::string, std::size_t> holder; // names of photos that may move
        std::vector<bool> stays(photos_.size());
        for (std::size_t i = 0; i < photos_.size(); ++i) {
            stays[i] = photos_[i].state != Photo::State::Planned || !photos_[i].named();
            if (!stays[i])
                holder.emplace(photos_[i].name, i);
        }
        std::unordered_map<std::string, bool> onDisk;
        for (const auto& [i, leaving] : twins_)
            onDisk.emplace(leaving, false); // removed before any photo moves
        const auto existsOnDisk = [&](const std::string& name) {
            const auto [it, fresh] = onDisk.try_emplace(name, false);
            if (fresh)
                it->second = c_.folder.isOrdinaryFile(name);
            return it->second;
        };

        for (bool settled = false; !settled;) {
            std::unordered_set<std::string> given;
            const auto freed = [&](const std::string& name) {
                const auto held = holder.find(name);
                return held != holder.end() && !stays[held->second];
            };
            const auto isFree = [&](const std::string& candidate) {
                return !given.contains(candidate) && (freed(candidate) || !existsOnDisk(candidate));
            };
            // A name something other than a file holds (a folder) is given all the same, and
            // its rename refused; the video would then follow a still that stays.
            const auto stillCanMove = [&](const Photo& photo) {
                return freed(photo.target) || !c_.folder.isNameTaken(photo.target);
            };
            for (std::size_t i = 0; i < photos_.size(); ++i) {
                photos_[i].target.clear();
                if (!stays[i] && still[i] == kNoStill && isAgeNameOf(photos_[i]))
                    photos_[i].target = *given.insert(photos_[i].name).first;
            }
            for (std::size_t i = 0; i < photos_.size(); ++i) {
                const std::size_t s = still[i];
                if (!stays[i] && s != kNoStill && photos_[s].target == photos_[s].name &&
                    photos_[i].name == pairedName(i, s))
                    photos_[i].target = *given.insert(photos_[i].name).first;
            }
            for (const bool videosOfLivePhotos : {false, true}) {
                for (std::size_t i = 0; i < photos_.size(); ++i) {
                    Photo& photo = photos_[i];
                    if (stays[i] || !photo.target.empty() ||
                        (still[i] != kNoStill) != videosOfLivePhotos)
                        continue;
                    if (videosOfLivePhotos && !photos_[still[i]].target.empty() &&
                        stillCanMove(photos_[still[i]])) {
                        if (std::string paired = pairedName(i, still[i]); isFree(paired)) {
                            photo.target = *given.insert(std::move(paired)).first;
                            continue;
                        }
                    }
                    for (const std::string_view letter : kLetters) {
                        if (std::string candidate = photoName(photo.base, letter, photo.extension);
                            isFree(candidate)) {
                            photo.target = *given.insert(std::move(candidate)).first;
                            break;
                        }
                    }
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

    // Every change the run makes, before it makes any: the twin names to remove, then the
    // moves.
    void journalBegin() {
        std::vector<Rename> planned;
        for (const auto& [i, leaving] : twins_)
            planned.push_back({leaving, photos_[i].name,
                               photoIdentity(c_.folder, leaving, photos_[i].shot, true)});
        for (const Photo& photo : photos_) {
            if (photo.moves())
                planned.push_back(
                    {photo.name, photo.target, photoIdentity(c_.folder, photo.name, photo.shot)});
        }
        journaled_ = !planned.empty();
        if (journaled_)
            c_.journal->begin(planned);
    }

    void journalEnd() {
        std::vector<Rename> done;
        for (const Photo& photo : photos_) {
            if (photo.state == Photo::State::Renamed)
                done.push_back({photo.listed, photo.name, {}});
        }
        c_.journal->end(done);
    }

    void removeTwins() {
        for (const auto& [i, leaving] : twins_) {
            Photo& photo = photos_[i];
            if (const std::error_code error = c_.folder.removeTwin(leaving, photo.name)) {
                photo.name = leaving;
                keep(photo, KeptReason::CannotRename, error);
            }
        }
    }

    // Moves every photo of the plan, each straight from its name to its new one, so that
    // a run cut short leaves every photo under one of the two (see carryOutMoves).
    void execute() {
        std::vector<Move> moves;
        std::vector<std::size_t> photoOf;
        for (std::size_t i = 0; i < photos_.size(); ++i) {
            if (photos_[i].moves()) {
                moves.push_back({.name = photos_[i].name, .target = photos_[i].target});
                photoOf.push_back(i);
            }
        }
        const MovesEnd end = carryOutMoves(moves, c_.folder, c_.progress);
        if (end == MovesEnd::PhotoVanished)
            end_ = RunEnd::PhotoVanished;
        else if (end == MovesEnd::Stopped)
            end_ = RunEnd::Stopped;
        for (std::size_t k = 0; k < moves.size(); ++k) {
            Photo& photo = photos_[photoOf[k]];
            if (moves[k].state == Move::State::Moved)
                rename(photo, moves[k].name);
            else if (moves[k].state == Move::State::Failed)
                keep(photo, KeptReason::CannotRename, moves[k].error);
            else if (end == MovesEnd::Stopped)
                keep(photo, KeptReason::Stopped);
        }
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
    std::vector<std::pair<std::size_t, std::string>> twins_; // photo, name it leaves
    bool renamedAny_ = false;
    bool journaled_ = false;
    bool stopped_ = false; // while reading
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
