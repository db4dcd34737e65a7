// The way to DateTimeOriginal for any layout: libexif loads the whole segment, on the C
// heap, and the value is taken from its Exif IFD as stored. The reader comes here only
// where the direct read (exif_direct.cpp) gives no answer, a segment off the common layout.

#include "platform/exif/exif_detail.h"

#include <libexif/exif-data.h>
#include <memory>

namespace platform {
namespace {

struct ExifDataUnref {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};

} // namespace

// DateTimeOriginal of the Exif IFD, as stored. libexif's formatted value would rewrite
// it, and its default of fixing up loaded data (exif_data_fix) would invent or repair
// tags, so neither is used. libexif also decodes a maker note it recognises; it has no
// option to skip that, which costs a few percent of the time per photo.
std::optional<std::string> detail::dateTimeOriginalByLibexif(const unsigned char* segment,
                                                             std::size_t size) {
    const std::unique_ptr<ExifData, ExifDataUnref> data(exif_data_new());
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
