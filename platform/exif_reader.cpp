#include "platform/exif_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <libexif/exif-data.h>
#include <libexif/exif-mem.h>
#include <memory>
#include <sys/types.h>
#include <unistd.h>

namespace platform {
namespace {

// Camera files keep their Exif segment right after SOI, and its start (where the walk
// decides) fits easily in one page.
constexpr std::size_t kWindowSize = 4096;

constexpr unsigned char kMarkerPrefix = 0xFF;
constexpr unsigned char kSoi = 0xD8;
constexpr unsigned char kEoi = 0xD9;
constexpr unsigned char kSos = 0xDA;
constexpr unsigned char kApp1 = 0xE1;
constexpr unsigned char kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};

class File {
public:
    // O_NONBLOCK only matters for a FIFO that carries a photo's name: opening it must
    // not wait for a writer. Regular files ignore the flag.
    explicit File(const std::string& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
    ~File() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool isOpen() const { return fd_ >= 0; }

    // Reads up to `size` bytes at `offset`; fewer only at the end of the file or on an
    // error, which the caller treats alike.
    std::size_t read(std::uint64_t offset, unsigned char* into, std::size_t size) const {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n =
                ::pread(fd_, into + done, size - done, static_cast<off_t>(offset + done));
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                break;
            }
        }
        return done;
    }

private:
    int fd_;
};

// The part of the file the marker walk is looking at: one read of kWindowSize bytes,
// replaced by the next read only when the walk steps beyond it.
class Window {
public:
    explicit Window(const File& file) : file_(file) {}

    // File bytes [offset, offset + size) with size <= kWindowSize, or nullptr when the
    // file ends first.
    const unsigned char* bytes(std::uint64_t offset, std::size_t size) {
        if (const unsigned char* held = peek(offset, size)) {
            return held;
        }
        start_ = offset;
        length_ = file_.read(offset, buffer_, kWindowSize);
        return peek(offset, size);
    }

    // The same without reading: only what the last read holds.
    const unsigned char* peek(std::uint64_t offset, std::size_t size) const {
        if (offset < start_ || offset - start_ > length_ || size > length_ - (offset - start_)) {
            return nullptr;
        }
        return buffer_ + (offset - start_);
    }

    // How many bytes from `offset` on the last read holds (0 when none).
    std::size_t heldFrom(std::uint64_t offset) const {
        if (offset < start_ || offset - start_ >= length_) {
            return 0;
        }
        return length_ - static_cast<std::size_t>(offset - start_);
    }

private:
    const File& file_;
    unsigned char buffer_[kWindowSize];
    std::uint64_t start_ = 0;
    std::size_t length_ = 0;
};

// The payload of an APP1 segment that begins with the Exif header: from that header
// to the end of the segment.
struct Segment {
    std::uint64_t offset;
    std::size_t size; // < 65535: the length field counts itself
};

// Walks the marker segments from SOI up to the first scan. Gives up, without a
// segment, on anything that is not a well-formed marker: the photo has no Exif then.
std::optional<Segment> findExifSegment(Window& window) {
    const unsigned char* soi = window.bytes(0, 2);
    if (soi == nullptr || soi[0] != kMarkerPrefix || soi[1] != kSoi) {
        return std::nullopt;
    }
    std::uint64_t at = 2;
    for (;;) {
        const unsigned char* byte = window.bytes(at, 1);
        if (byte == nullptr || *byte != kMarkerPrefix) {
            return std::nullopt;
        }
        // Any number of 0xFF fill bytes may precede a marker's code.
        do {
            ++at;
            byte = window.bytes(at, 1);
            if (byte == nullptr) {
                return std::nullopt;
            }
        } while (*byte == kMarkerPrefix);
        const unsigned char code = *byte;
        ++at;

        if (code == kSos || code == kEoi || code == kSoi || code == 0x00) {
            return std::nullopt; // the image data begins, or this is not a marker at all
        }
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {
            continue; // TEM and RSTn stand alone, without a length
        }
        const unsigned char* lengthField = window.bytes(at, 2);
        if (lengthField == nullptr) {
            return std::nullopt;
        }
        const std::size_t length = (std::size_t{lengthField[0]} << 8) | lengthField[1];
        if (length < 2) {
            return std::nullopt;
        }
        if (code == kApp1 && length >= 2 + sizeof kExifHeader) {
            const unsigned char* header = window.bytes(at + 2, sizeof kExifHeader);
            if (header != nullptr && std::memcmp(header, kExifHeader, sizeof kExifHeader) == 0) {
                return Segment{at + 2, length - 2};
            }
        }
        at += length;
    }
}

// libexif allocates every entry, every value and the thumbnail on its own and frees
// them all together when the photo is done: hundreds of malloc/free pairs for a
// camera's Exif, about 40% of the time per photo. A per-thread bump arena serves them
// instead and is emptied after each photo; what does not fit goes to the C heap.
// AddressSanitizer builds keep libexif on the C heap, so its overruns stay visible.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUseArena = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUseArena = false;
#else
constexpr bool kUseArena = true;
#endif
#else
constexpr bool kUseArena = true;
#endif

class Arena {
public:
    static Arena& ofThisThread() {
        static thread_local Arena arena;
        return arena;
    }

    void* allocate(std::size_t size) {
        const std::size_t footprint =
            kHeader + (std::min(size, kSize) + kAlign - 1) / kAlign * kAlign;
        if (size > kSize || footprint > kSize - used_) {
            return std::calloc(size, 1);
        }
        unsigned char* block = bytes_.get() + used_;
        used_ += footprint;
        std::memcpy(block, &size, sizeof size);
        std::memset(block + kHeader, 0, size); // libexif expects calloc's zeroes
        return block + kHeader;
    }

    void* reallocate(void* block, std::size_t size) {
        if (block == nullptr) {
            return allocate(size);
        }
        if (!holds(block)) {
            return std::realloc(block, size);
        }
        std::size_t held = 0;
        std::memcpy(&held, static_cast<unsigned char*>(block) - kHeader, sizeof held);
        if (size <= held) {
            return block;
        }
        void* moved = allocate(size);
        if (moved != nullptr) {
            std::memcpy(moved, block, held);
        }
        return moved;
    }

    void release(void* block) {
        if (!holds(block)) {
            std::free(block);
        }
    }

    // Only once libexif holds nothing from the arena any more.
    void empty() { used_ = 0; }

private:
    static constexpr std::size_t kSize = 256 * 1024; // a full 64 KiB segment several times over
    static constexpr std::size_t kAlign = alignof(std::max_align_t);
    static constexpr std::size_t kHeader = kAlign; // the block's size, for reallocate

    bool holds(const void* block) const {
        const std::less<const void*> before; // a total order even for unrelated pointers
        return !before(block, bytes_.get()) && before(block, bytes_.get() + kSize);
    }

    std::unique_ptr<unsigned char[]> bytes_ =
        std::make_unique_for_overwrite<unsigned char[]>(kSize);
    std::size_t used_ = 0;
};

void* arenaAllocate(ExifLong size) {
    return Arena::ofThisThread().allocate(size);
}
void* arenaReallocate(void* block, ExifLong size) {
    return Arena::ofThisThread().reallocate(block, size);
}
void arenaRelease(void* block) {
    Arena::ofThisThread().release(block);
}

struct ExifDataUnref {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};

ExifData* newExifData() {
    if constexpr (kUseArena) {
        ExifMem* mem = exif_mem_new(arenaAllocate, arenaReallocate, arenaRelease);
        ExifData* data = exif_data_new_mem(mem); // holds its own reference to mem
        exif_mem_unref(mem);
        return data;
    } else {
        return exif_data_new();
    }
}

// Empties the arena when the photo's ExifData is gone; declared before it.
struct ArenaScope {
    ~ArenaScope() {
        if constexpr (kUseArena) {
            Arena::ofThisThread().empty();
        }
    }
};

// DateTimeOriginal of the Exif IFD, as stored. libexif's formatted value would rewrite
// it, and its default of fixing up loaded data (exif_data_fix) would invent or repair
// tags, so neither is used. libexif also decodes a maker note it recognises; it has no
// option to skip that, which costs a few percent of the time per photo.
std::optional<std::string> dateTimeOriginal(const unsigned char* segment, std::size_t size) {
    const ArenaScope scope;
    const std::unique_ptr<ExifData, ExifDataUnref> data(newExifData());
    if (!data) {
        return std::nullopt;
    }
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data.get(), segment, static_cast<unsigned int>(size));

    const ExifEntry* entry =
        exif_content_get_entry(data->ifd[EXIF_IFD_EXIF], EXIF_TAG_DATE_TIME_ORIGINAL);
    if (entry == nullptr || entry->data == nullptr) {
        return std::string();
    }
    const auto* text = reinterpret_cast<const char*>(entry->data);
    const void* nul = std::memchr(text, 0, entry->size);
    return std::string(text, nul ? static_cast<const char*>(nul) - text : entry->size);
}

} // namespace

std::optional<std::string> readDateTimeOriginal(const std::string& path) {
    const File file(path);
    if (!file.isOpen()) {
        return std::string();
    }
    Window window(file);
    const std::optional<Segment> segment = findExifSegment(window);
    if (!segment) {
        return std::string();
    }
    if (const unsigned char* held = window.peek(segment->offset, segment->size)) {
        return dateTimeOriginal(held, segment->size);
    }

    // The segment runs past the last read (a thumbnail or a maker note makes it tens of
    // KiB): keep what was read and read only the rest.
    const auto bytes = std::make_unique_for_overwrite<unsigned char[]>(segment->size);
    const std::size_t held = std::min(window.heldFrom(segment->offset), segment->size);
    if (held > 0) {
        std::memcpy(bytes.get(), window.peek(segment->offset, held), held);
    }
    const std::size_t rest = segment->size - held;
    if (file.read(segment->offset + held, bytes.get() + held, rest) != rest) {
        return std::string(); // the file ends inside its Exif segment
    }
    return dateTimeOriginal(bytes.get(), segment->size);
}

} // namespace platform
