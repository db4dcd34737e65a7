// readDateTimeOriginal on generated photos (byte orders, segment layouts, odd counts,
// damaged offsets, truncation) and on every file of the shared camera corpus, where
// exiftool's raw value is the expected answer.

#include "platform/exif/exif_detail.h"
#include "platform/exif/exif_reader.h"
#include "tests/support/current_folder.h"
#include "tests/support/jpeg_fixture.h"
#include "tests/support/temp_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#if defined(__linux__)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/uio.h>
#include <unistd.h>
#endif
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using fixture::ByteOrder;
using fixture::PhotoRecipe;

const std::string kDate = "2021:03:04 05:06:07";

std::string readBytes(const fixture::TempFolder& folder, std::string_view bytes) {
    const std::filesystem::path file = folder.write("photo.jpg", bytes);
    return platform::readDateTimeOriginal(file.string()).value_or("<no value>");
}

PhotoRecipe dated(ByteOrder order = ByteOrder::Intel) {
    PhotoRecipe recipe;
    recipe.dateTimeOriginal = kDate;
    recipe.byteOrder = order;
    return recipe;
}

template <typename Change> PhotoRecipe dated(ByteOrder order, Change change) {
    PhotoRecipe recipe = dated(order);
    change(recipe);
    return recipe;
}

// Bytes from the TIFF header to the end of the Exif segment.
std::uint32_t tiffSize(const PhotoRecipe& recipe) {
    const fixture::Span span = fixture::exifSegment(recipe);
    return static_cast<std::uint32_t>(span.end - span.begin - 4 - 6); // marker, length, "Exif\0\0"
}

// A marker segment: FF, code, big-endian length counting itself, payload.
std::string segment(char code, const std::string& payload) {
    const std::size_t length = payload.size() + 2;
    return std::string{'\xFF', code, static_cast<char>(length >> 8), static_cast<char>(length)} +
           payload;
}

struct GeneratedCase {
    const char* name;
    PhotoRecipe recipe;
    std::string expected;
};

TEST(ExifReader, ReadsStoredTextOfGeneratedPhotos) {
    const auto intel = ByteOrder::Intel;
    const auto motorola = ByteOrder::Motorola;
    const GeneratedCase cases[] = {
        {"little-endian", dated(intel), kDate},
        {"big-endian", dated(motorola), kDate},
        {"thumbnail, little-endian", dated(intel, [](PhotoRecipe& s) { s.thumbnail = true; }),
         kDate},
        {"thumbnail, big-endian", dated(motorola, [](PhotoRecipe& s) { s.thumbnail = true; }),
         kDate},
        {"JFIF before Exif", dated(motorola, [](PhotoRecipe& s) { s.jfifFirst = true; }), kDate},
        {"comments push Exif past the first read",
         dated(intel,
               [](PhotoRecipe& s) {
                   s.jfifFirst = true;
                   s.padding = 70000;
               }),
         kDate},
        {"Exif header straddles the end of the first read",
         dated(intel, [](PhotoRecipe& s) { s.padding = 4096 - 2 - 4 - 6; }), kDate},
        {"Exif segment longer than the first read, little-endian",
         dated(intel, [](PhotoRecipe& s) { s.makerNoteSize = 20000; }), kDate},
        {"Exif segment longer than the first read, big-endian",
         dated(motorola,
               [](PhotoRecipe& s) {
                   s.makerNoteSize = 20000;
                   s.thumbnail = true;
               }),
         kDate},
        {"Exif segment of nearly 64 KiB",
         dated(intel, [](PhotoRecipe& s) { s.makerNoteSize = 65200; }), kDate},
        {"blank date",
         dated(intel, [](PhotoRecipe& s) { s.dateTimeOriginal = "    :  :     :  :  "; }),
         "    :  :     :  :  "},
        {"all-zero date",
         dated(motorola, [](PhotoRecipe& s) { s.dateTimeOriginal = "0000:00:00 00:00:00"; }),
         "0000:00:00 00:00:00"},
        {"text that is not a date",
         dated(intel, [](PhotoRecipe& s) { s.dateTimeOriginal = "2021-03-04T05:06:07+01:00"; }),
         "2021-03-04T05:06:07+01:00"},
        {"text stored inside its entry",
         dated(motorola, [](PhotoRecipe& s) { s.dateTimeOriginal = "abc"; }), "abc"},
        {"empty text", dated(intel, [](PhotoRecipe& s) { s.dateTimeOriginal = ""; }), ""},
        {"count 21, two NULs", dated(intel, [](PhotoRecipe& s) { s.dtoCount = 21; }), kDate},
        {"count 19, no NUL", dated(motorola, [](PhotoRecipe& s) { s.dtoCount = 19; }), kDate},
        {"count 10 cuts the text", dated(intel, [](PhotoRecipe& s) { s.dtoCount = 10; }),
         "2021:03:04"},
        {"IFD0 links back to itself",
         dated(motorola,
               [](PhotoRecipe& s) {
                   s.thumbnail = true;
                   s.nextIfdOffset = 8;
               }),
         kDate},
        {"no Exif",
         dated(intel,
               [](PhotoRecipe& s) {
                   s.exif = false;
                   s.jfifFirst = true;
               }),
         ""},
        {"Exif without the tag", dated(intel, [](PhotoRecipe& s) { s.dateTimeOriginal.reset(); }),
         ""},
        {"Exif IFD pointer loops to IFD0",
         dated(intel, [](PhotoRecipe& s) { s.exifIfdOffset = 8; }), ""},
        {"Exif IFD pointer past the segment",
         dated(motorola, [](PhotoRecipe& s) { s.exifIfdOffset = 0xFFFFFF00; }), ""},
        {"date offset past the segment",
         dated(intel, [](PhotoRecipe& s) { s.dtoOffset = 0xFFFFFFF0; }), ""},
        {"date runs past the segment",
         dated(motorola, [](PhotoRecipe& s) { s.dtoOffset = tiffSize(s) - 10; }), ""},
    };
    const fixture::TempFolder folder;
    for (const GeneratedCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readBytes(folder, fixture::jpegBytes(c.recipe)), c.expected);
    }
}

// Hand-made byte layouts around a generated Exif segment: marker-walk variants that
// must still find it, and files where no well-formed walk reaches it.
TEST(ExifReader, FindsExifOnlyInTheMarkerSegmentsBeforeTheImage) {
    const std::string photo = fixture::jpegBytes(dated());
    const fixture::Span span = fixture::exifSegment(dated());
    const std::string exifSegment = photo.substr(span.begin, span.end - span.begin);
    const std::string image = photo.substr(span.end);
    const std::string soi = "\xFF\xD8";
    const std::string xmp = segment('\xE1', std::string("http://ns.adobe.com/xap/1.0/\0<x/>", 33));
    const std::string dqt = photo.substr(photo.find("\xFF\xDB"), 4 + 65);
    const struct {
        const char* name;
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"fill bytes before markers", soi + "\xFF\xFF\xFF" + exifSegment + "\xFF" + image, kDate},
        {"XMP APP1 before the Exif APP1", soi + xmp + exifSegment + image, kDate},
        {"Exif after a table segment", soi + dqt + exifSegment + image, kDate},
        {"empty file", "", ""},
        {"SOI only", soi, ""},
        {"PNG named .jpg", std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16), ""},
        {"text", "DateTimeOriginal 2021:03:04 05:06:07", ""},
        {"Exif without SOI", exifSegment + image, ""},
        {"segment length below 2", soi + "\xFF\xE1" + std::string("\0\x01", 2) + exifSegment, ""},
        {"Exif after the image", fixture::tinyJpeg() + exifSegment, ""},
        {"stuffed zero instead of a marker", soi + std::string("\xFF\0", 2) + exifSegment, ""},
        {"Exif segment longer than the file", soi + "\xFF\xE1\xFF\xFF" + exifSegment.substr(4), ""},
    };
    const fixture::TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readBytes(folder, c.bytes), c.expected);
    }
}

// A cut anywhere before the Exif segment ends leaves no date; any cut after it (in the
// image data) leaves the date readable. Under the sanitizers this also shows that no
// cut makes the reader overrun its buffers.
TEST(ExifReader, ReadsDateOnlyWhenTheWholeExifSegmentIsPresent) {
    const PhotoRecipe small = dated(ByteOrder::Motorola, [](PhotoRecipe& s) {
        s.jfifFirst = true;
        s.thumbnail = true;
    });
    const PhotoRecipe large = dated(ByteOrder::Intel, [](PhotoRecipe& s) {
        s.padding = 3000;
        s.makerNoteSize = 9000;
        s.thumbnail = true;
    });
    const fixture::TempFolder folder;
    for (const auto& [recipe, stride] : {std::pair{small, 1}, std::pair{large, 61}}) {
        const std::string bytes = fixture::jpegBytes(recipe);
        const std::size_t exifEnd = fixture::exifSegment(recipe).end;
        std::vector<std::size_t> cuts = {4095, 4096, 4097, exifEnd - 1, exifEnd, bytes.size()};
        for (std::size_t cut = 0; cut < bytes.size(); cut += static_cast<std::size_t>(stride)) {
            cuts.push_back(cut);
        }
        for (const std::size_t cut : cuts) {
            SCOPED_TRACE("cut at " + std::to_string(cut) + " of " + std::to_string(bytes.size()));
            const std::string_view head = std::string_view(bytes).substr(0, cut);
            EXPECT_EQ(readBytes(folder, head), cut >= exifEnd ? kDate : "");
        }
    }
}

TEST(ExifReader, ReadsNothingFromMissingFileOrFolder) {
    const fixture::TempFolder folder;
    EXPECT_EQ(platform::readDateTimeOriginal((folder.path() / "missing.jpg").string()), "");
    std::filesystem::create_directory(folder.path() / "folder.jpg");
    EXPECT_EQ(platform::readDateTimeOriginal((folder.path() / "folder.jpg").string()), "");
}

// A run's source reads the names inside the folder it holds, whatever the process's
// current folder, with or without a separator at the folder's end; "." is the current one.
TEST(ExifShootingTimeSource, ReadsNamesInsideItsFolder) {
    const fixture::TempFolder photos;
    const fixture::TempFolder elsewhere;
    photos.write("inside.jpg", fixture::jpegBytes(dated()));
    elsewhere.write("outside.jpg", fixture::jpegBytes(dated(ByteOrder::Motorola)));
    const fixture::CurrentFolder here(elsewhere.path());
    for (const std::string& folder : {photos.path().string(), photos.path().string() + "/"}) {
        SCOPED_TRACE(folder);
        platform::ExifShootingTimeSource source(folder);
        EXPECT_EQ(source.shootingTime("inside.jpg"), kDate);
        EXPECT_EQ(source.shootingTime("outside.jpg"), "");
    }
    platform::ExifShootingTimeSource current(".");
    EXPECT_EQ(current.shootingTime("outside.jpg"), kDate);
    EXPECT_EQ(current.shootingTime("inside.jpg"), "");
}

std::filesystem::path corpusFolder() {
    if (const char* chosen = std::getenv("TAMBLINOR_CORPUS"); chosen != nullptr && *chosen) {
        return chosen;
    }
    return TAMBLINOR_CORPUS_DIR;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) {
        fields.push_back(field);
    }
    if (!line.empty() && line.back() == '\t') {
        fields.emplace_back(); // getline drops a trailing empty field
    }
    return fields;
}

// MANIFEST.tsv holds exiftool's raw DateTimeOriginal for each file (empty when the
// tag is absent) and, for a file whose Exif pointer has the wrong type, a second
// answer a lenient reader such as libexif finds.
TEST(ExifReaderCorpus, AgreesWithManifestOnEveryFile) {
    const std::filesystem::path folder = corpusFolder();
    std::ifstream manifest(folder / "MANIFEST.tsv");
    if (!manifest) {
        GTEST_SKIP() << "no corpus in " << folder;
    }
    std::string line;
    std::getline(manifest, line);
    const std::vector<std::string> header = splitTabs(line);
    const auto column = [&](const std::string& name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) -
                                        header.begin());
    };
    const std::size_t file = column("file");
    const std::size_t expected = column("datetime_original");
    const std::size_t alsoAccepted = column("also_accepted");
    ASSERT_LT(std::max({file, expected, alsoAccepted}), header.size());

    int rows = 0;
    std::vector<std::string> mismatches;
    while (std::getline(manifest, line)) {
        std::vector<std::string> row = splitTabs(line);
        row.resize(header.size());
        const std::string read =
            platform::readDateTimeOriginal((folder / row[file]).string()).value_or("<no value>");
        if (read != row[expected] && (row[alsoAccepted].empty() || read != row[alsoAccepted])) {
            mismatches.push_back(row[file] + ": read \"" + read + "\", expected \"" +
                                 row[expected] + "\"");
        }
        ++rows;
    }
    EXPECT_GT(rows, 0);
    EXPECT_EQ(mismatches, std::vector<std::string>{});
}

// The payload of the first Exif APP1 segment of a JPEG file's bytes, from "Exif\0\0"
// on; empty when the marker segments before the image hold none.
std::string exifPayload(const std::string& jpeg) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(jpeg[i]); };
    std::size_t pos = 2;
    while (pos + 4 <= jpeg.size() && at(pos) == 0xFF && at(pos + 1) != 0xDA) {
        const std::size_t length = std::size_t{at(pos + 2)} << 8 | at(pos + 3);
        if (at(pos + 1) == 0xE1 && jpeg.compare(pos + 4, 6, std::string("Exif\0\0", 6)) == 0) {
            return jpeg.substr(pos + 4, std::min(length - 2, jpeg.size() - pos - 4));
        }
        pos += 2 + length;
    }
    return {};
}

// Where the direct read answers it must give libexif's answer. Returns whether it answered.
bool directAgreesWithLibexif(const std::string& payload, const std::string& what) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(payload.data());
    const std::optional<std::string> direct =
        platform::detail::dateTimeOriginalDirect(bytes, payload.size());
    if (!direct) {
        return false;
    }
    const std::optional<std::string> libexif =
        platform::detail::dateTimeOriginalByLibexif(bytes, payload.size());
    EXPECT_EQ(direct, libexif) << what;
    return true;
}

// The direct read of the common layout against libexif, on generated segments of both
// byte orders, with and without thumbnail and maker note, and on thousands of damaged
// copies of them: bytes of the header, the IFD tables, the counts and the offsets
// overwritten at random, and the segment cut short.
TEST(ExifReaderDirect, AgreesWithLibexifOnGeneratedAndDamagedSegments) {
    std::mt19937 random(9003);
    int answered = 0;
    int cases = 0;
    for (const ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        for (const bool thumbnail : {false, true}) {
            for (const std::size_t makerNote : {std::size_t{0}, std::size_t{300}}) {
                PhotoRecipe recipe = dated(order);
                recipe.thumbnail = thumbnail;
                recipe.makerNoteSize = makerNote;
                const std::string payload = exifPayload(fixture::jpegBytes(recipe));
                ASSERT_FALSE(payload.empty());
                EXPECT_TRUE(directAgreesWithLibexif(payload, "undamaged"));
                EXPECT_EQ(
                    platform::detail::dateTimeOriginalDirect(
                        reinterpret_cast<const unsigned char*>(payload.data()), payload.size()),
                    kDate);
                // The structure lies in the first ~200 bytes; damage lands there mostly.
                const std::size_t reach = std::min<std::size_t>(payload.size(), 240);
                for (int round = 0; round < 2500; ++round) {
                    std::string damaged = payload;
                    const int changes = 1 + static_cast<int>(random() % 3);
                    if (random() % 3 == 0) {
                        // A pointer tag where an entry's tag may stand, pointing somewhere
                        // within the data: sub-IFDs and thumbnails libexif would follow.
                        static constexpr unsigned kPointers[] = {0x8769, 0x8825, 0xA005, 0x0201,
                                                                 0x0202};
                        const unsigned tag = kPointers[random() % 5];
                        const std::size_t where = 16 + 2 * (random() % ((reach - 20) / 2));
                        const bool intel = order == ByteOrder::Intel;
                        damaged[where] = static_cast<char>(intel ? tag & 0xFF : tag >> 8);
                        damaged[where + 1] = static_cast<char>(intel ? tag >> 8 : tag & 0xFF);
                        const std::size_t value = where + 8;
                        const auto target = static_cast<unsigned>(random() % (reach - 6));
                        for (int b = 0; b < 4; ++b) {
                            const int shift = intel ? 8 * b : 8 * (3 - b);
                            damaged[value + b] = static_cast<char>((target >> shift) & 0xFF);
                        }
                    }
                    for (int c = 0; c < changes; ++c) {
                        const std::size_t where =
                            random() % 4 == 0 ? random() % damaged.size() : random() % reach;
                        const unsigned pick = random() % 4;
                        damaged[where] = static_cast<char>(pick == 0   ? 0
                                                           : pick == 1 ? 0xFF
                                                           : pick == 2 ? damaged[where] ^ 1
                                                                       : random());
                    }
                    if (random() % 8 == 0) {
                        damaged.resize(random() % damaged.size());
                    }
                    answered +=
                        directAgreesWithLibexif(damaged, "round " + std::to_string(round)) ? 1 : 0;
                    ++cases;
                }
            }
        }
    }
    // Most damage leaves the common layout intact or visibly broken; both kinds occur.
    EXPECT_GT(answered, cases / 4);
    EXPECT_LT(answered, cases);
}

TEST(ExifReaderDirect, AgreesWithLibexifOnEveryCorpusFile) {
    const std::filesystem::path folder = corpusFolder();
    if (!std::filesystem::exists(folder / "MANIFEST.tsv")) {
        GTEST_SKIP() << "no corpus in " << folder;
    }
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".jpg") {
            continue;
        }
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
        const std::string payload = exifPayload(bytes);
        if (!payload.empty()) {
            directAgreesWithLibexif(payload, entry.path().filename().string());
            ++files;
        }
    }
    EXPECT_GT(files, 0);
}

#if defined(__linux__)
// Has the file's pages written out: a page the system is just writing back is locked for
// a moment, and a read that must not wait then finds it "not in memory".
void settle(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fdatasync(fd);
        ::close(fd);
    }
}

// Drops the file's pages from the page cache; false where they stay (tmpfs keeps them).
// Whether the first page is gone is asked of mincore, which reads nothing: a read that
// must not wait would start the system's read-ahead, and have the page back by the time
// the test reads it.
bool dropFromMemory(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    const long page = ::sysconf(_SC_PAGESIZE);
    void* const mapped = ::mmap(nullptr, page, PROT_READ, MAP_SHARED, fd, 0);
    unsigned char resident = 1;
    const bool dropped =
        mapped != MAP_FAILED && ::mincore(mapped, page, &resident) == 0 && !(resident & 1);
    if (mapped != MAP_FAILED) {
        ::munmap(mapped, page);
    }
    ::close(fd);
    return dropped;
}

// Whether a read that must not wait ever finds a dropped page missing here: a disk that
// answers from its own cache before the read returns has the page in memory again at once.
bool coldReadsCanBeSeen(const std::filesystem::path& path) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!dropFromMemory(path)) {
            continue;
        }
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        char byte = 0;
        iovec buffer{&byte, 1};
        const bool missing = ::preadv2(fd, &buffer, 1, 0, RWF_NOWAIT) < 0 && errno == EAGAIN;
        ::close(fd);
        if (missing) {
            return true;
        }
    }
    return false;
}
#endif

// The read-ahead changes no answer; it starts at the first photo whose head is not in
// memory and never for photos read from memory; it stops cleanly, started or not, over
// names that are gone.
TEST(HeadReadAhead, StartsOnlyForAPhotoNotInMemoryAndChangesNoAnswer) {
    fixture::TempFolder folder;
    std::vector<std::string> paths;
    for (int i = 0; i < 3; ++i) {
        const std::string name = "p" + std::to_string(i) + ".jpg";
        paths.push_back(folder
                            .write(name, fixture::jpegBytes(
                                             dated(i % 2 ? ByteOrder::Motorola : ByteOrder::Intel)))
                            .string());
    }
    paths.push_back((folder.path() / "gone.jpg").string());
#if defined(__linux__)
    for (int i = 0; i < 3; ++i) {
        settle(paths[i]);
    }
#endif

    {
        platform::HeadReadAhead warm(paths);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(platform::readDateTimeOriginal(paths[i], &warm), kDate);
        }
        EXPECT_FALSE(warm.started()); // just written: every head is in memory
    }
#if defined(__linux__)
    // The system may have a dropped page back of its own accord before the read (its own
    // read-ahead, on a busy machine): a few tries tell that from a read-ahead that never
    // starts.
    bool started = false;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
        if (!dropFromMemory(paths[0])) {
            GTEST_SKIP() << "this file system keeps its files in memory";
        }
        platform::HeadReadAhead cold(paths);
        EXPECT_EQ(platform::readDateTimeOriginal(paths[0], &cold), kDate);
        started = cold.started();
        cold.start(); // a second start does nothing
        for (int i = 1; i < 3; ++i) {
            EXPECT_EQ(platform::readDateTimeOriginal(paths[i], &cold), kDate);
        }
    }
    if (!started && !coldReadsCanBeSeen(paths[1])) {
        GTEST_SKIP() << "this disk has a dropped page back before a read that must not wait returns";
    }
    EXPECT_TRUE(started);
#endif
}

} // namespace
