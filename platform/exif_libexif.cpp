// The way to DateTimeOriginal for any layout: libexif loads the whole segment.

#include "platform/exif_detail.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <libexif/exif-data.h>
#include <libexif/exif-mem.h>
#include <memory>

namespace platform {
namespace {

// libexif allocates every entry, every value and the thumbnail on its own and frees
// them all together when the photo is done: hundreds of malloc/free pairs for a
// camera's Exif, about 40% of the time per photo. A per-thread bump arena serves them
// instead and is emptied after each photo; what does not fit goes to the C heap.
// AddressSanitizer builds keep libexif on the C heap, so its overruns stay visible.
#if defined(TAMBLINOR_MEASURE_NO_ARENA)
constexpr bool kUseArena = false;
#elif defined(__SANITIZE_ADDRESS__)
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

bool detail::libexifKeepsDateTimeOriginal() {
    static const bool known =
        exif_tag_get_name_in_ifd(EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_IFD_EXIF) != nullptr;
    return known;
}

} // namespace platform
