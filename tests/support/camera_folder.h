#pragma once

// A camera's folder of photos on disk for the tests that drive the run layer; header-only,
// for test programs that link the run layer and the platform library.

#include "platform/files/photo_listing.h"
#include "runs/runs.h"
#include "tests/support/jpeg_fixture.h"
#include "tests/support/temp_folder.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace fixture {

inline constexpr std::string_view kBirthday = "2006-05-10";

// Who gave the fourth and fifth photo each other's age name.
enum class RingBy {
    Hand,       // a person alone: no run of the folder is on record
    EarlierRun, // a run that named them, then a person who swapped them
};

// Photos IMG_1.jpg..IMG_N.jpg (N from 5 to 6), the first two shot in one second, each file
// its own bytes (its name after the image's end), and the fourth and fifth in a ring.
struct CameraFolder {
    TempFolder folder;
    std::string path = folder.path().string();

    CameraFolder(int photos, RingBy ring) {
        const char* times[] = {"2007:03:15 14:05:33", "2007:03:15 14:05:33", "2007:04:01 08:00:00",
                               "2008:01:01 00:00:01", "2008:02:02 10:10:10", "2009:09:09 09:09:09"};
        for (int i = 0; i < photos; ++i) {
            const std::string name = "IMG_" + std::to_string(i + 1) + ".jpg";
            folder.write(name, photo(times[i]) + name);
        }
        const bool byHand = ring == RingBy::Hand;
        const runs::Outcome named =
            runs::renameFolder(path, {"IMG_4.jpg", "IMG_5.jpg"}, kBirthday,
                               byHand ? runs::Effect::Preview : runs::Effect::Rename);
        const std::string& a = named.photos[0].to;
        const std::string& b = named.photos[1].to;
        std::filesystem::rename(folder.at(byHand ? "IMG_4.jpg" : a), folder.at("x"));
        std::filesystem::rename(folder.at(byHand ? "IMG_5.jpg" : b), folder.at(a));
        std::filesystem::rename(folder.at("x"), folder.at(b));
    }

    runs::Outcome rename(runs::Effect effect = runs::Effect::Rename,
                         const runs::Control& control = {}) const {
        return runs::renameFolder(path, platform::listPhotos(path), kBirthday, effect, control);
    }
    runs::Outcome undo(const runs::Control& control = {}) const {
        return runs::undoLastRun(path, runs::Effect::Rename, control);
    }
};

} // namespace fixture
