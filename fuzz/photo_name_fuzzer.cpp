// libFuzzer target for the naming functions and the run built on them: arbitrary
// birthday and shooting time texts through the shape check, the age stamp, the base
// name and the photo name, then a whole run over a small in-memory folder. The
// checks are what every run must keep: no photo lost or doubled, a renamed photo named
// after its own shooting time and nothing else (or, the video of a Live Photo, after its
// still's new name), in its own kind's extension, and a name that is one safe file name.

#include "naming/batch.h"
#include "naming/calendar.h"
#include "naming/media_kinds.h"
#include "naming/photo_name.h"
#include "tests/support/memory_folder.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "photo_name_fuzzer: %s %s\n", what, detail.c_str());
    std::abort();
}

// Texts that reach the interesting branches more often than random bytes would.
constexpr std::array kBirthdays = {"2006-05-10", "2006-01-31", "2008-02-29", "2007-02-30",
                                   "9999-12-31", "0000-01-01", "2007-3-26",  "2006-12-31"};
constexpr std::array kShootingTimes = {"2007:03:15 14:05:33",
                                       "2007:03:15 14:05:33",
                                       "2006:05:10 09:00:00",
                                       "2006:03:01 10:11:12",
                                       "0000:00:00 00:00:00",
                                       "    :  :     :  :  ",
                                       "",
                                       "2007:02:30 12:00:00",
                                       "2007:03:15 14/05:33",
                                       "2007:03:15 1",
                                       "9999:12:31 23:59:59",
                                       "2007:03:15 14:05:33\n"};

std::string pick(FuzzedDataProvider& in, const auto& pool) {
    if (in.ConsumeBool()) {
        return in.ConsumeRandomLengthString(40);
    }
    return pool[in.ConsumeIntegralInRange<std::size_t>(0, pool.size() - 1)];
}

bool isSafeFileName(const std::string& name) {
    if (name.empty() || name.size() > 255 || name.front() == '.') {
        return false;
    }
    for (const char c : name) {
        if (c == '/' || c == '\\' || c == '\0' || (c >= 0 && c < 0x20) || c == 0x7F) {
            return false;
        }
    }
    return true;
}

void checkAgeAndName(const std::string& birthday, const std::string& shot) {
    const bool shapeOk = naming::birthdayShapeOk(birthday);
    const std::optional<naming::AgeStamp> stamp = naming::ageStamp(birthday, shot);
    naming::isUnknownShootingTime(shot);
    if (!stamp) {
        return;
    }
    if (!shapeOk) {
        fail("an age for a birthday the shape check refuses:", birthday);
    }
    if (stamp->months < 0 || stamp->months > 11 || stamp->day < 1 || stamp->day > 31) {
        fail("age out of range:", naming::baseName(*stamp));
    }
    // The month of age counted forward from the birthday exists.
    const auto born = naming::parseDate(birthday);
    if (!born || !naming::compose(born->year() + stamp->years, born->month() + stamp->months, 1)) {
        fail("an age whose anniversary cannot be found:", naming::baseName(*stamp));
    }
    if (naming::clockFitsFileName(shot)) {
        const std::string name = naming::photoName(naming::baseName(*stamp), "f");
        if (!isSafeFileName(name) || name == naming::kTemporaryName) {
            fail("unsafe photo name:", name);
        }
    }
}

// The listed photos, with the shooting time of each file by its original name.
struct Scene {
    std::vector<std::string> listed;
    std::set<std::string> selected;
    std::map<std::string, std::optional<std::string>> timeByOrigin;
    std::vector<std::string> others; // folders and hidden files taking a name
};

class Times : public naming::ShootingTimeSource {
public:
    Times(const Scene& scene, const fixture::MemoryFolder& folder)
        : scene_(scene), folder_(folder) {}
    std::optional<std::string> shootingTime(const std::string& fileName) override {
        const auto it = scene_.timeByOrigin.find(folder_.origin(fileName));
        return it == scene_.timeByOrigin.end() ? std::string() : it->second;
    }

private:
    const Scene& scene_;
    const fixture::MemoryFolder& folder_;
};

class NoMessages : public naming::ErrorSink {
public:
    void show(naming::Message) override {}
};

void checkRun(FuzzedDataProvider& in, const std::string& birthday) {
    Scene scene;
    constexpr std::array kExtensions = {".jpg", ".JPEG", ".HEIC", ".MOV", ".mov", ".mp4"};
    std::vector<std::string> namePool = {
        "IMG_1.jpg",  "IMG_2.jpg", "img_1.jpg",
        "IMG_1.HEIC", "IMG_1.MOV", "IMG_2.JPEG",
        "IMG_2.mp4",  "0_0.mov",   std::string(naming::kTemporaryName),
        ".hidden.jpg"};
    for (const char* shot : kShootingTimes) {
        if (const auto stamp = naming::ageStamp(birthday, shot)) {
            for (const char* extension : {".jpg", ".mov"}) {
                namePool.push_back(naming::photoName(naming::baseName(*stamp), "", extension));
                namePool.push_back(naming::photoName(naming::baseName(*stamp), "b", extension));
            }
        }
    }
    const int photoCount = in.ConsumeIntegralInRange(0, 9);
    for (int i = 0; i < photoCount; ++i) {
        std::string name = in.ConsumeBool() ? pick(in, namePool)
                                            : "P" + std::to_string(i % 4) + pick(in, kExtensions);
        if (name.empty() || scene.timeByOrigin.contains(name)) {
            continue;
        }
        scene.listed.push_back(name);
        if (in.ConsumeBool()) {
            scene.selected.insert(name);
        }
        scene.timeByOrigin[name] = in.ConsumeIntegralInRange(0, 15) == 0
                                       ? std::nullopt
                                       : std::optional<std::string>(pick(in, kShootingTimes));
    }
    const int otherCount = in.ConsumeIntegralInRange(0, 2);
    for (int i = 0; i < otherCount; ++i) {
        const std::string name = pick(in, namePool);
        if (!name.empty() && !scene.timeByOrigin.contains(name)) {
            scene.others.push_back(name);
        }
    }
    const bool all = in.ConsumeBool(); // rename all, or the selected photos only
    std::vector<std::string> treated;
    for (const std::string& name : scene.listed) {
        if (all || scene.selected.contains(name))
            treated.push_back(name);
    }

    fixture::MemoryFolder folder(scene.listed);
    for (const std::string& other : scene.others) {
        folder.addOther(other);
    }
    Times times(scene, folder);
    NoMessages messages;
    naming::renamePhotos(treated, birthday, {folder, times, messages, nullptr});

    const std::vector<std::string> present = folder.names();
    std::multiset<std::string> origins;
    for (const std::string& name : present) {
        origins.insert(folder.origin(name));
    }
    if (origins != std::multiset<std::string>(scene.listed.begin(), scene.listed.end())) {
        fail("a photo was lost or doubled");
    }
    for (const std::string& name : present) {
        const std::string origin = folder.origin(name);
        if (name == origin) {
            continue;
        }
        if (!all && !scene.selected.contains(origin)) {
            fail("a photo that was not selected was renamed:", origin);
        }
        const std::optional<std::string>& shot = scene.timeByOrigin[origin];
        const auto stamp = shot ? naming::ageStamp(birthday, *shot) : std::nullopt;
        if (!stamp) {
            fail("a photo without an age was renamed:", origin + " -> " + name);
        }
        const std::string base = naming::baseName(*stamp);
        const std::string_view extension = naming::namedExtension(origin);
        bool named = false;
        for (const char* letter : {"", "b", "c", "d", "e", "f"}) {
            named = named || name == naming::photoName(base, letter, extension);
        }
        // A Live Photo's video: beside a still of its camera name, under that still's new name.
        if (naming::mediaKind(origin) == naming::MediaKind::Video) {
            for (const std::string& still : present) {
                const std::string stillOrigin = folder.origin(still);
                named = named || (naming::mediaKind(still) != naming::MediaKind::Video &&
                                  naming::stemOf(stillOrigin) == naming::stemOf(origin) &&
                                  naming::stemOf(still) == naming::stemOf(name) &&
                                  name.ends_with(extension));
            }
        }
        if (!named || !isSafeFileName(name)) {
            fail("a photo got a name not made from its own age:", origin + " -> " + name);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string birthday = pick(in, kBirthdays);
    const std::string shot = pick(in, kShootingTimes);
    checkAgeAndName(birthday, shot);
    checkRun(in, birthday);
    return 0;
}
