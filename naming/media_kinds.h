#pragma once

// The kinds of files a run can name, told apart by the extension of their names: JPEG
// photos, HEIF photos from phones and phone videos. A name of any other extension counts
// as a JPEG photo's, as every "*.jpg" file always has, whatever its content.

#include <string>
#include <string_view>

namespace naming {

// What a folder lists for renaming: JPEG photos only, or every kind of this file, one
// pattern for each extension, alternatives parted by ";".
inline constexpr std::string_view kPhotoPattern = "*.jpg";
inline constexpr std::string_view kAllMediaPattern =
    "*.jpg;*.jpeg;*.jpe;*.heic;*.heif;*.mp4;*.mov;*.m4v;*.3gp";

enum class MediaKind { JpegPhoto, HeifPhoto, Video };

MediaKind mediaKind(std::string_view name);

// The extension a new name of this file ends in: ".jpg" for every JPEG photo (".JPG" and
// ".jpeg" too); otherwise the file's own, in lower case (".heic", ".mov").
std::string_view namedExtension(std::string_view name);

// Where the opener of a ring of such files waits while the others move: kTemporaryName
// ("0_0.jpg") for JPEG photos, "0_0" with the files' own extension for the others, so that
// each is still read and named as what it is should a run be cut short there.
std::string temporaryNameFor(std::string_view name);
bool isTemporaryName(std::string_view name);

// The name without its extension: "IMG_0001" of "IMG_0001.HEIC".
std::string_view stemOf(std::string_view name);

} // namespace naming
