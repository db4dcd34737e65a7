// libFuzzer target for the shooting-time reader: any bytes, stored as a photo file and
// read back through readDateTimeOriginal, then handed on the way a run hands them on.
// Beyond the sanitizers it checks what the run relies on: the text holds no NUL, fits
// in one JPEG segment, and the reader answers no value only when libexif is unusable;
// and that the reader's quick way to the value agrees with libexif's.

#include "naming/photo_name.h"
#include "platform/exif/exif_detail.h"
#include "platform/exif/exif_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "exif_reader_fuzzer: %s\n", what);
    std::abort();
}

// One file in a private temporary folder, rewritten for every input: the reader takes a
// path, not bytes.
class ScratchPhoto {
public:
    ScratchPhoto() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base != nullptr && *base ? base : "/tmp") + "/tamblinor-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            fail("cannot create a temporary folder");
        }
        folder_ = pattern;
        path_ = folder_ + "/photo.jpg";
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            fail("cannot create the scratch photo");
        }
    }
    ~ScratchPhoto() {
        ::close(fd_);
        ::unlink(path_.c_str());
        ::rmdir(folder_.c_str());
    }
    ScratchPhoto(const ScratchPhoto&) = delete;
    ScratchPhoto& operator=(const ScratchPhoto&) = delete;

    const std::string& hold(const std::uint8_t* data, std::size_t size) {
        if (::ftruncate(fd_, 0) != 0) {
            fail("cannot empty the scratch photo");
        }
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) {
                fail("cannot write the scratch photo");
            }
            done += static_cast<std::size_t>(n);
        }
        return path_;
    }

private:
    std::string folder_;
    std::string path_;
    int fd_ = -1;
};

// The reader finds the value in an Exif segment either directly, for the common layout,
// or through libexif: wherever the direct way answers, libexif must give the same. The
// segment is taken from the input's first Exif header on.
void compareTheTwoWays(const std::uint8_t* data, std::size_t size) {
    static constexpr std::string_view header{"Exif\0\0", 6};
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t at = input.find(header);
    if (at == std::string_view::npos) {
        return;
    }
    const auto* segment = data + at;
    const std::size_t length = std::min<std::size_t>(size - at, 65533);
    const std::optional<std::string> direct =
        platform::detail::dateTimeOriginalDirect(segment, length);
    if (direct && direct != platform::detail::dateTimeOriginalByLibexif(segment, length)) {
        fail("the direct read and libexif disagree");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    compareTheTwoWays(data, size);

    static ScratchPhoto photo;
    const std::optional<std::string> text = platform::readDateTimeOriginal(photo.hold(data, size));
    if (!text) {
        fail("no value although libexif is usable");
    }
    if (text->find('\0') != std::string::npos) {
        fail("the text holds a NUL");
    }
    if (text->size() > 65535) {
        fail("the text is longer than a JPEG segment");
    }

    // What a run does next with the text.
    if (naming::isUnknownShootingTime(*text)) {
        return 0;
    }
    const bool fits = naming::clockFitsFileName(*text);
    if (const std::optional<naming::AgeStamp> stamp = naming::ageStamp("2006-05-10", *text)) {
        const std::string name = naming::photoName(naming::baseName(*stamp));
        if (fits && name.find('/') != std::string::npos) {
            fail("a photo name holds a slash");
        }
    }
    return 0;
}
