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
#include <sys/uio.h>
#include <system_error>
#include <unistd.h>
#include <utility>

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

// A stored text value up to its first NUL, or whole when it has none.
std::string textUpToNul(const unsigned char* bytes, std::size_t size) {
    const auto* text = reinterpret_cast<const char*>(bytes);
    const void* nul = std::memchr(text, 0, size);
    return std::string(text,
                       nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text) : size);
}

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

    // As read, but only from memory: no value, having read nothing, where the first
    // bytes are not in the page cache and would have to come from the disk.
    std::optional<std::size_t> readFromMemory(std::uint64_t offset, unsigned char* into,
                                              std::size_t size) const {
#if defined(__linux__) && defined(RWF_NOWAIT)
        for (;;) {
            iovec buffer{into, size};
            const ssize_t n = ::preadv2(fd_, &buffer, 1, static_cast<off_t>(offset), RWF_NOWAIT);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && errno == EAGAIN) {
                return std::nullopt;
            }
            if (n <= 0) {
                break; // the end, or no such read here: read as always
            }
            const auto done = static_cast<std::size_t>(n);
            return done + read(offset + done, into + done, size - done);
        }
#endif
        return read(offset, into, size);
    }

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

    // Reads the window at `offset` from memory only; false, holding nothing, when that
    // would need the disk.
    bool fillFromMemory(std::uint64_t offset) {
        const std::optional<std::size_t> read = file_.readFromMemory(offset, buffer_, kWindowSize);
        start_ = offset;
        length_ = read.value_or(0);
        return read.has_value();
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

} // namespace

// DateTimeOriginal of the Exif IFD, as stored. libexif's formatted value would rewrite
// it, and its default of fixing up loaded data (exif_data_fix) would invent or repair
// tags, so neither is used. libexif also decodes a maker note it recognises; it has no
// option to skip that, which costs a few percent of the time per photo.
std::optional<std::string> detail::dateTimeOriginalByLibexif(const unsigned char* segment,
                                                             std::size_t size) {
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
    return textUpToNul(entry->data, entry->size);
}

namespace {

// libexif walks the whole structure (every entry of every IFD, each looked up in its tag
// table, the thumbnail copied) for the one value wanted: three quarters of the
// instructions of a whole rename run. Most photos are laid out the common way, where
// the value can be read directly and libexif would find the very same bytes, so it is
// read directly there.
//
// Below, offsets count from the TIFF header and the checks mirror libexif's loading,
// which visits IFD0's entries in order, loads the Exif IFD where it meets the
// ExifIFDPointer, visits that IFD's entries in order, and keeps the first
// DateTimeOriginal entry whose value lies within the data (a later duplicate is never
// added, and IFD1, loaded after IFD0, cannot replace it). Whatever strays from that path
// goes to libexif: another sub-IFD or thumbnail pointer met before the value is found
// (each could load an Exif IFD of its own first, or end the IFD's loading), a table or
// value that does not lie wholly within the data, a count libexif would cut or that
// overflows, an unknown format.
class Tiff {
public:
    Tiff(const unsigned char* bytes, std::size_t size, bool intel)
        : bytes_(bytes), size_(size), intel_(intel) {}

    std::size_t size() const { return size_; }
    const unsigned char* at(std::uint64_t offset) const { return bytes_ + offset; }

    // Callers check that [offset, offset + 2 or 4) lies within the data.
    std::uint32_t u16(std::uint64_t offset) const {
        const unsigned char* p = bytes_ + offset;
        return intel_ ? std::uint32_t(p[0] | p[1] << 8) : std::uint32_t(p[0] << 8 | p[1]);
    }
    std::uint32_t u32(std::uint64_t offset) const {
        const unsigned char* p = bytes_ + offset;
        return intel_ ? std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                            std::uint32_t(p[3]) << 24
                      : std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 |
                            std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]);
    }

    // The number of entries of the IFD at `offset` when its whole table lies within the data.
    std::optional<std::uint32_t> entries(std::uint64_t offset) const {
        if (offset + 2 > size_) {
            return std::nullopt;
        }
        const std::uint32_t count = u16(offset);
        if (offset + 2 + 12 * std::uint64_t{count} > size_) {
            return std::nullopt;
        }
        return count;
    }

private:
    const unsigned char* bytes_;
    std::size_t size_;
    bool intel_;
};

constexpr std::uint32_t kExifIfdPointer = 0x8769;
constexpr std::uint32_t kDateTimeOriginal = 0x9003;

// The tags libexif follows or treats as the thumbnail while loading an IFD.
bool isPointer(std::uint32_t tag) {
    return tag == kExifIfdPointer || tag == 0x8825 /* GPS */ || tag == 0xA005 /* Interop */ ||
           tag == 0x0201 /* JPEGInterchangeFormat */ || tag == 0x0202 /* its length */;
}

// Bytes per component of a TIFF format, 0 for one libexif does not know.
std::uint64_t formatSize(std::uint32_t format) {
    switch (format) {
    case 1:
    case 2:
    case 6:
    case 7:
        return 1; // BYTE ASCII SBYTE UNDEFINED
    case 3:
    case 8:
        return 2; // SHORT SSHORT
    case 4:
    case 9:
    case 11:
        return 4; // LONG SLONG FLOAT
    case 5:
    case 10:
    case 12:
        return 8; // RATIONAL SRATIONAL DOUBLE
    default:
        return 0;
    }
}

// The offset of the first entry with `tag` in the IFD at `offset`, when no pointer tag
// (other than `tag` itself) comes before it; no value otherwise.
std::optional<std::uint64_t> plainEntry(const Tiff& tiff, std::uint64_t offset, std::uint32_t tag) {
    const std::optional<std::uint32_t> count = tiff.entries(offset);
    if (!count) {
        return std::nullopt;
    }
    for (std::uint32_t i = 0; i < *count; ++i) {
        const std::uint64_t entry = offset + 2 + 12 * std::uint64_t{i};
        const std::uint32_t found = tiff.u16(entry);
        if (found == tag) {
            return entry;
        }
        if (isPointer(found)) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// libexif's own verdict on DateTimeOriginal in the Exif IFD: a tag it did not know there
// would be dropped while loading.
bool libexifKnowsDateTimeOriginal() {
    static const bool known =
        exif_tag_get_name_in_ifd(EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_IFD_EXIF) != nullptr;
    return known;
}

} // namespace

std::optional<std::string> detail::dateTimeOriginalDirect(const unsigned char* segment,
                                                          std::size_t size) {
    // libexif caps the data at 0xfffe bytes; a segment never holds more.
    if (size < 14 || size > 0xfffe || std::memcmp(segment, kExifHeader, sizeof kExifHeader) != 0 ||
        !libexifKnowsDateTimeOriginal()) {
        return std::nullopt;
    }
    const unsigned char* header = segment + sizeof kExifHeader;
    bool intel = false;
    if (header[0] == 'I' && header[1] == 'I') {
        intel = true;
    } else if (!(header[0] == 'M' && header[1] == 'M')) {
        return std::nullopt;
    }
    const Tiff tiff(header, size - sizeof kExifHeader, intel);
    if (tiff.u16(2) != 0x002A) {
        return std::nullopt;
    }

    const std::optional<std::uint64_t> pointer = plainEntry(tiff, tiff.u32(4), kExifIfdPointer);
    if (!pointer) {
        return std::nullopt;
    }
    const std::uint64_t exifIfd = tiff.u32(*pointer + 8);
    if (exifIfd >= tiff.size()) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> entry = plainEntry(tiff, exifIfd, kDateTimeOriginal);
    if (!entry) {
        return std::nullopt;
    }

    const std::uint64_t components = tiff.u32(*entry + 4);
    const std::uint64_t bytes = formatSize(tiff.u16(*entry + 2)) * components;
    if (bytes == 0 || bytes > tiff.size()) {
        return std::nullopt;
    }
    const std::uint64_t value = bytes > 4 ? tiff.u32(*entry + 8) : *entry + 8;
    if (value >= tiff.size() || bytes > tiff.size() - value) {
        return std::nullopt;
    }
    return textUpToNul(tiff.at(value), static_cast<std::size_t>(bytes));
}

namespace {

std::optional<std::string> dateTimeOriginal(const unsigned char* segment, std::size_t size) {
    if (std::optional<std::string> direct = detail::dateTimeOriginalDirect(segment, size)) {
        return direct;
    }
    return detail::dateTimeOriginalByLibexif(segment, size);
}

} // namespace

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
#if defined(__linux__)
    for (const std::string& path : paths_) {
        if (stop_) {
            return;
        }
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd >= 0) {
            ::posix_fadvise(fd, 0, static_cast<off_t>(kWindowSize), POSIX_FADV_WILLNEED);
            ::close(fd);
        }
    }
#endif
}

std::optional<std::string> readDateTimeOriginal(const std::string& path, HeadReadAhead* readAhead) {
    const File file(path);
    if (!file.isOpen()) {
        return std::string();
    }
    Window window(file);
    // Until the read-ahead runs, the head is read from memory only, in the one read the
    // walk needs anyway; where it is not there, the read-ahead starts and the head is
    // then read from the disk.
    if (readAhead != nullptr && !readAhead->started() && !window.fillFromMemory(0)) {
        readAhead->start();
    }
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
