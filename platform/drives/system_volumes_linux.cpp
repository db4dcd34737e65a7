#include "platform/drives/volumes.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace platform {
namespace {

namespace fs = std::filesystem;

// udev links each labelled file system's device under /dev/disk/by-label.
std::map<fs::path, std::string> labelsByDevice() {
    std::map<fs::path, std::string> labels;
    std::error_code error;
    for (const fs::directory_entry& link : fs::directory_iterator("/dev/disk/by-label", error)) {
        const fs::path device = fs::canonical(link.path(), error);
        if (!error)
            labels[device] = decodeUdevName(link.path().filename().string());
    }
    return labels;
}

} // namespace

std::vector<Volume> systemVolumes() {
    std::ifstream mountTable("/proc/self/mountinfo", std::ios::binary);
    if (!mountTable)
        return {{"/", ""}};
    const std::string text{std::istreambuf_iterator<char>(mountTable), {}};
    const std::map<fs::path, std::string> labels = labelsByDevice();
    return pickableVolumes(text, [&labels](const std::string& device) {
        std::error_code error;
        const auto found = labels.find(fs::canonical(device, error));
        return error || found == labels.end() ? std::string() : found->second;
    });
}

std::string driveHolding(const std::string& path) {
    const std::vector<Volume> volumes = systemVolumes();
    const int index = volumeHolding(path, volumes);
    return index < 0 ? std::string() : volumes[static_cast<std::size_t>(index)].mountPoint;
}

} // namespace platform
