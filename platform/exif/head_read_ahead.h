#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace platform {

// Has the system read the heads of a run's photos from the disk ahead of the run, in
// the background, once a photo's head turns out not to be in memory (a folder not read
// for a while, a memory card): the disk then serves many reads at once rather than one
// after another, each waited for. A hint only (fetchHeadSoon of each photo's first
// kHeadReadSize bytes, where the Exif segment starts): nothing is read into the program,
// no file changes, and a name gone by then is passed over.
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

} // namespace platform
