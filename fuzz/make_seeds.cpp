// tamblinor-fuzz-seeds DIR: writes the fuzzers' starting inputs, made by the tests'
// photo generator, so no photo needs to be kept in the repository: DIR/exif_reader holds
// photos in every layout the generator knows, intact and damaged; DIR/media_time videos
// and HEIF photos, intact and cut; DIR/photo_name holds
// birthday and shooting time texts in the form the naming fuzzer takes them apart.

#include "tests/support/jpeg_fixture.h"
#include "tests/support/media_fixture.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using fixture::ByteOrder;
using fixture::PhotoRecipe;

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::vector<PhotoRecipe> photoRecipes() {
    const std::vector<std::function<void(PhotoRecipe&)>> changes = {
        [](PhotoRecipe&) {},
        [](PhotoRecipe& s) { s.thumbnail = true; },
        [](PhotoRecipe& s) { s.jfifFirst = true; },
        [](PhotoRecipe& s) { s.padding = 4096 - 2 - 4 - 6; },
        [](PhotoRecipe& s) { s.makerNoteSize = 6000; },
        [](PhotoRecipe& s) { s.dateTimeOriginal.reset(); },
        [](PhotoRecipe& s) { s.exif = false; },
        [](PhotoRecipe& s) { s.dateTimeOriginal = "    :  :     :  :  "; },
        [](PhotoRecipe& s) { s.dateTimeOriginal = "0000:00:00 00:00:00"; },
        [](PhotoRecipe& s) { s.dateTimeOriginal = "abc"; },
        [](PhotoRecipe& s) { s.dtoCount = 19; },
        [](PhotoRecipe& s) { s.dtoCount = 21; },
        [](PhotoRecipe& s) { s.dtoCount = 4; },
        [](PhotoRecipe& s) { s.dtoOffset = 0xFFFFFFF0; },
        [](PhotoRecipe& s) { s.exifIfdOffset = 8; },
        [](PhotoRecipe& s) { s.exifIfdOffset = 0xFFFFFF00; },
        [](PhotoRecipe& s) {
            s.thumbnail = true;
            s.nextIfdOffset = 8;
        },
    };
    std::vector<PhotoRecipe> recipes;
    for (const ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        for (const auto& change : changes) {
            PhotoRecipe recipe;
            recipe.dateTimeOriginal = "2007:03:15 14:05:33";
            recipe.byteOrder = order;
            change(recipe);
            recipes.push_back(recipe);
        }
    }
    return recipes;
}

// FuzzedDataProvider takes strings from the front, each ended by a backslash and one
// more character, and choices from the back: bytes of 1 there pick the given texts
// over the built-in ones.
std::string nameInput(const std::string& birthday, const std::string& shot) {
    return birthday + "\\ " + shot + "\\ " + std::string(24, '\x01');
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tamblinor-fuzz-seeds DIR\n");
        return 2;
    }
    try {
        const std::filesystem::path root = argv[1];
        const std::filesystem::path photos = root / "exif_reader";
        const std::filesystem::path names = root / "photo_name";
        const std::filesystem::path media = root / "media_time";
        std::filesystem::create_directories(photos);
        std::filesystem::create_directories(media);
        std::filesystem::create_directories(names);

        int n = 0;
        for (const PhotoRecipe& recipe : photoRecipes()) {
            const std::string bytes = fixture::jpegBytes(recipe);
            writeFile(photos / ("generated-" + std::to_string(++n) + ".jpg"), bytes);
            // A cut inside the Exif segment, as a copy interrupted half-way leaves it.
            const fixture::Span exif = fixture::exifSegment(recipe);
            if (exif.end > exif.begin) {
                writeFile(photos / ("cut-" + std::to_string(n) + ".jpg"),
                          bytes.substr(0, (exif.begin + exif.end) / 2));
            }
        }
        writeFile(photos / "png.jpg", std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16));
        writeFile(photos / "empty.jpg", "");

        const std::uint64_t utc = 3256783533; // 2007-03-15 06:05:33 UTC, from 1904 on
        const std::vector<std::pair<std::string, std::string>> files = {
            {"apple.mov", fixture::video(fixture::appleCreationDate("2007-03-15T14:05:33+0800") +
                                         fixture::movieHeader(utc))},
            {"header-v1.mp4", fixture::video(fixture::movieHeader(utc, 1))},
            {"photo.heic", fixture::heifPhoto("Exif", fixture::exifItem("2007:03:15 14:05:33"))},
        };
        for (const auto& [name, bytes] : files) {
            writeFile(media / name, bytes);
            writeFile(media / ("cut-" + name), bytes.substr(0, bytes.size() * 2 / 3));
        }

        const std::vector<std::pair<std::string, std::string>> texts = {
            {"2006-05-10", "2007:03:15 14:05:33"}, {"2006-05-10", "2007:05:05 12:00:00"},
            {"2006-05-10", "2007:07:05 12:00:00"}, {"2006-01-31", "2006:03:01 10:11:12"},
            {"2007-03-26", "2007:03:20 08:00:00"}, {"2008-02-29", "2009:02:28 00:00:00"},
            {"2007-02-30", "2007:03:15 14:05:33"}, {"２００６-05-10", "2007:03:15 14:05:33"},
            {"2006-05-10", "2007:03:15 14:05"},    {"2006-05-10", "2007:03:15 1*:0?:33"},
            {"2006-05-10", "0000:00:00 00:00:00"}, {"2006-05-10", "２００７:03:15 14:05:33"},
        };
        n = 0;
        for (const auto& [birthday, shot] : texts) {
            writeFile(names / ("texts-" + std::to_string(++n)), nameInput(birthday, shot));
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tamblinor-fuzz-seeds: %s\n", error.what());
        return 1;
    }
}
