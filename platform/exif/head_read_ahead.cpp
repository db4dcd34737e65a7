#include "platform/exif/head_read_ahead.h"

#include "platform/exif/exif_head.h"
#include "platform/exif/photo_file.h"

#include <system_error>
#include <utility>

namespace platform {

HeadReadAhead::HeadReadAhead(std::vector<std::string> paths) : paths_(std::move(paths)) {}

HeadReadAhead::~HeadReadAhead() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void HeadReadAhead::start() {
    if (thread_.joinable()) {
        return;
    }
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        // No thread to spare: the photos are read as they come.
    }
}

void HeadReadAhead::run() {
    for (const std::string& path : paths_) {
        if (stop_) {
            return;
        }
        fetchHeadSoon(path, kHeadReadSize);
    }
}

} // namespace platform
