// The disk failing under the run layer: one rename failing (EIO, ENOSPC, EACCES), one read
// failing, or the card pulled out, at every operation of a small run and of its undo in
// turn. No photo is lost or doubled, the run tells of the fault, and once the card is back
// the next run completes and undoing every run gives the camera's names back.

#include "naming/forwarding_folder.h"
#include "platform/exif/exif_reader.h"
#include "platform/files/disk_folder.h"
#include "platform/files/photo_listing.h"
#include "runs/remembered_times.h"
#include "runs/runs.h"
#include "tests/support/jpeg_fixture.h"
#include "tests/support/run_harness.h"
#include "tests/support/temp_folder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>

namespace {

constexpr std::string_view kBirthday = "2006-05-10";

// Photos as a camera left them, two shot in one second, and two that a person named by hand
// the wrong way round, so that each holds the other's age name: a ring. No run of the folder
// is on record, so undoing every run gives these names back.
struct CameraFolder {
    fixture::TempFolder folder;
    std::string path = folder.path().string();

    CameraFolder() {
        const char* times[] = {"2007:03:15 14:05:33", "2007:03:15 14:05:33", "2007:04:01 08:00:00",
                               "2008:01:01 00:00:01", "2008:02:02 10:10:10", "2009:09:09 09:09:09"};
        for (int i = 0; i < 6; ++i) { // each file its own, after its image's end
            const std::string name = "IMG_" + std::to_string(i + 1) + ".jpg";
            folder.write(name, fixture::photo(times[i]) + name);
        }
        const runs::Outcome names =
            runs::renameFolder(path, {"IMG_4.jpg", "IMG_5.jpg"}, kBirthday, runs::Effect::Preview);
        std::filesystem::rename(folder.at("IMG_4.jpg"), folder.at(names.photos[1].to));
        std::filesystem::rename(folder.at("IMG_5.jpg"), folder.at(names.photos[0].to));
    }

    runs::Outcome rename(const runs::Control& control = {}) const {
        return runs::renameFolder(path, platform::listPhotos(path), kBirthday, runs::Effect::Rename,
                                  control);
    }
};

// The photos of a camera folder, told apart by their bytes wherever they go.
class Album {
public:
    explicit Album(const fixture::TempFolder& camera) {
        for (const auto& [name, bytes] : camera.contents())
            photos_[bytes] = {"photo " + std::to_string(photos_.size() + 1), name};
    }

    // Which photo each file of `folder` is; "?" for a file that is none of them.
    std::multiset<std::string> files(const fixture::TempFolder& folder) const {
        std::multiset<std::string> out;
        for (const auto& [name, bytes] : folder.contents())
            out.insert(photos_.contains(bytes) ? photos_.at(bytes).label : "?");
        return out;
    }
    // Where each photo is: "camera" under its name in the camera folder, else the name it
    // is under; "+" between two names of one photo.
    std::map<std::string, std::string> places(const fixture::TempFolder& folder) const {
        std::map<std::string, std::string> out;
        for (const auto& [name, bytes] : folder.contents()) {
            if (const auto photo = photos_.find(bytes); photo != photos_.end()) {
                std::string& place = out[photo->second.label];
                place += (place.empty() ? "" : "+") +
                         (name == photo->second.camera ? std::string("camera") : name);
            }
        }
        return out;
    }

private:
    struct Photo {
        std::string label, camera;
    };
    std::map<std::string, Photo> photos_; // by bytes
};

enum class Operation { Rename, Read, Flush, Other };

struct FaultKind {
    const char* name;
    std::optional<Operation> strikes; // none: from the Nth operation of any kind on
    std::errc error;                  // what a struck change of the folder fails with
    std::optional<std::string> read;  // what a struck read gives
};

// The Exif reader tells a photo it cannot open or read, whatever the system's reason, as
// one without a shooting time; no value is a reader that cannot be used at all. A pulled
// card answers every question about a name as an empty folder does.
const FaultKind kKinds[] = {
    {"rename EIO", Operation::Rename, std::errc::io_error, {}},
    {"rename ENOSPC", Operation::Rename, std::errc::no_space_on_device, {}},
    {"rename EACCES", Operation::Rename, std::errc::permission_denied, {}},
    {"unreadable photo", Operation::Read, {}, ""},
    {"unusable reader", Operation::Read, {}, std::nullopt},
    {"card pulled", std::nullopt, std::errc::no_such_device, ""},
};

// Strikes the `at`th operation of its kind, or every operation from the `at`th on.
struct Fault {
    const FaultKind& kind;
    int at;
    int seen = 0;
    bool struck = false;
    Operation first{}; // the first it struck

    bool strikes(Operation operation) {
        if (kind.strikes && *kind.strikes != operation)
            return false;
        ++seen;
        const bool now = kind.strikes ? seen == at : seen >= at;
        if (now && !struck)
            first = operation;
        struck = struck || now;
        return now;
    }
    // What a run tells no one by design: the reader tells a photo it cannot read as one
    // without a shooting time, which keeps its name; and a run whose renames all went
    // through does not tell that they may not have reached the card before it was pulled.
    bool quietByDesign(bool undoing) const {
        return !undoing && ((first == Operation::Read && kind.read && kind.read->empty()) ||
                            first == Operation::Flush);
    }
    std::error_code error() const { return std::make_error_code(kind.error); }

    runs::Control control();
};

class FaultyFolder : public naming::ForwardingFolder {
public:
    FaultyFolder(const std::string& path, Fault& fault)
        : ForwardingFolder(std::make_unique<platform::DiskFolder>(path)), fault_(fault) {}

    std::error_code rename(const std::string& from, const std::string& to) override {
        return fault_.strikes(Operation::Rename) ? fault_.error()
                                                 : ForwardingFolder::rename(from, to);
    }
    bool isOrdinaryFile(const std::string& name) const override {
        return !fault_.strikes(Operation::Other) && ForwardingFolder::isOrdinaryFile(name);
    }
    bool isNameTaken(const std::string& name) const override {
        return !fault_.strikes(Operation::Other) && ForwardingFolder::isNameTaken(name);
    }
    bool sameFile(const std::string& a, const std::string& b) const override {
        return !fault_.strikes(Operation::Other) && ForwardingFolder::sameFile(a, b);
    }
    std::error_code removeTwin(const std::string& name, const std::string& twin) override {
        return fault_.strikes(Operation::Rename) ? fault_.error()
                                                 : ForwardingFolder::removeTwin(name, twin);
    }
    std::error_code flush() override {
        return fault_.strikes(Operation::Flush) ? fault_.error() : ForwardingFolder::flush();
    }
    std::string identity(const std::string& name) const override {
        return fault_.strikes(Operation::Other) ? std::string() : ForwardingFolder::identity(name);
    }
    bool hasIdentity(const std::string& name, std::string_view recorded) const override {
        return !fault_.strikes(Operation::Other) && ForwardingFolder::hasIdentity(name, recorded);
    }

private:
    Fault& fault_;
};

class FaultyReader : public naming::ShootingTimeSource {
public:
    FaultyReader(const std::string& folder, Fault& fault) : exif_(folder), fault_(fault) {}

    std::optional<std::string> shootingTime(const std::string& name) override {
        return fault_.strikes(Operation::Read) ? fault_.kind.read : exif_.shootingTime(name);
    }

private:
    platform::ExifShootingTimeSource exif_;
    Fault& fault_;
};

runs::Control Fault::control() {
    return {.reader = [this](const std::string& folder,
                             const auto&) { return std::make_unique<FaultyReader>(folder, *this); },
            .folder =
                [this](const std::string& folder) {
                    return std::make_unique<FaultyFolder>(folder, *this);
                }};
}

TEST(DiskFaults, AFaultAnywhereIsToldLosesNoPhotoAndTheNextRunsFinishTheWork) {
    const CameraFolder camera;
    const Album album(camera.folder);
    const auto everyPhoto = album.files(camera.folder);
    const auto cameraNames = album.places(camera.folder);

    for (const bool undoing : {false, true}) {
        for (const FaultKind& kind : kKinds) {
            int at = 1;
            for (;; ++at) {
                SCOPED_TRACE(testing::Message() << (undoing ? "undo, " : "run, ") << kind.name
                                                << " at operation " << at);
                CameraFolder card;
                if (undoing)
                    card.rename();
                // Without the record of shooting times the run reads every photo it finds.
                std::error_code ignored;
                std::filesystem::remove(runs::shootingRecordPath(card.path), ignored);
                Fault fault{kind, at};
                runs::Outcome outcome;
                EXPECT_NO_THROW(outcome = undoing
                                              ? runs::undoLastRun(card.path, runs::Effect::Rename,
                                                                  fault.control())
                                              : card.rename(fault.control()));
                if (!fault.struck)
                    break;
                EXPECT_TRUE(outcome.ending != runs::Ending::Completed ||
                            outcome.refusedCount() > 0 || fault.quietByDesign(undoing))
                    << "a fault nobody hears of";
                EXPECT_EQ(album.files(card.folder), everyPhoto);

                const runs::Outcome next = card.rename();
                EXPECT_EQ(next.ending, runs::Ending::Completed);
                EXPECT_EQ(next.refusedCount(), 0u);
                int undos = 0;
                while (undos < 8 && runs::undoLastRun(card.path, runs::Effect::Rename).ending !=
                                        runs::Ending::NothingToUndo)
                    ++undos;
                EXPECT_LT(undos, 8);
                EXPECT_EQ(album.places(card.folder), cameraNames);
            }
            EXPECT_GT(at, 1) << kind.name << " struck nothing";
        }
    }
}

} // namespace
