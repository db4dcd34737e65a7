#pragma once

// Reads a JPEG photo's Exif DateTimeOriginal (tag 0x9003) with libexif. Only the head
// of the file is read: the segments up to and including the Exif APP1 segment, never
// the image data.

#include "naming/batch.h"

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace platform {

// Has the system read the heads of a run's photos from the disk ahead of the run, in
// the background, once a photo's head turns out not to be in memory (a folder not read
// for a while, a memory card): the disk then serves many reads at once rather than one
// after another, each waited for. A hint only (posix_fadvise WILLNEED of each photo's
// first 4 KiB, where the Exif segment starts): nothing is read into the program, no
// file changes, and a name gone by then is passed over. Does nothing off Linux.
class HeadReadAhead {
public:
    // The photos' paths, in the order the run reads them.
    explicit HeadReadAhead(std::vector<std::string> paths);
    // Stops the background work and waits for it.
    ~HeadReadAhead();
    HeadReadAhead(const HeadReadAhead&) = delete;
    HeadReadAhead& operator=(const HeadReadAhead&) = delete;

    // Starts the background work; later calls do nothing. From one thread only.
    void start();
    bool started() const { return thread_.joinable(); }

private:
    void run();

    std::vector<std::string> paths_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The DateTimeOriginal text of the JPEG file at `path` (up to its first NUL), or an
// empty text when the file cannot be opened, is not a JPEG, or has no such tag.
// No value only when the Exif library itself cannot be used (out of memory).
// With `readAhead`, a photo whose head is not in memory starts it first.
std::optional<std::string> readDateTimeOriginal(const std::string& path,
                                                HeadReadAhead* readAhead = nullptr);

namespace detail {

// The two ways readDateTimeOriginal reads the value from an Exif APP1 segment's payload
// (from its "Exif\0\0" header on), apart so that tests can compare them: directly,
// for the common layout only (no value for any other), and through libexif, for any
// layout (no value only when libexif is unusable). Where the direct read answers, the
// two agree.
std::optional<std::string> dateTimeOriginalDirect(const unsigned char* segment, std::size_t size);
std::optional<std::string> dateTimeOriginalByLibexif(const unsigned char* segment,
                                                     std::size_t size);

} // namespace detail

// The shooting-time source of a run: file names are taken inside `folder`.
class ExifShootingTimeSource : public naming::ShootingTimeSource {
public:
    explicit ExifShootingTimeSource(std::string folder, HeadReadAhead* readAhead = nullptr)
        : prefix_(std::move(folder) + "/"), readAhead_(readAhead) {}

    std::optional<std::string> shootingTime(const std::string& fileName) override {
        return readDateTimeOriginal(prefix_ + fileName, readAhead_);
    }

private:
    std::string prefix_;
    HeadReadAhead* readAhead_ = nullptr;
};

} // namespace platform
