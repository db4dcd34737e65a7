#pragma once

// How a journal recognises a photo after its run: by its file's identity (see
// Folder::identity) and its shooting time, which together tell apart photos that share a
// size and a modification time, as copies of a burst often do.

#include "naming/batch.h"

#include <string>
#include <string_view>

namespace naming {

// The identity of the photo under `name`, whose shooting time is `shot`. For a `twin`, a
// photo under a second name that a cut rename made, it gives the links the file had before
// that rename, as the cut run's own journal does.
std::string photoIdentity(const Folder& folder, const std::string& name, std::string_view shot,
                          bool twin = false);

// The shooting time a photo identity was taken with.
std::string_view shotIn(std::string_view identity);

// The number of links a file or photo identity was taken with: "SIZE:MODIFIED:LINKS" where
// the file had more than one, 1 where none is written.
unsigned linksIn(std::string_view identity);

// True for two file identities "SIZE:MODIFIED" of one file, links aside: the same size, and
// the same modification time or one a whole number of hours up to 14 away, `ticksPerHour`
// being an hour in the time's unit. FAT and exFAT cards keep local time, so a change of daylight
// saving time or of time zone moves every file's time by whole hours while the file stays
// the same; the shooting time, compared beside it, still tells photos apart.
bool fileIdentitiesAgree(std::string_view now, std::string_view recorded, long long ticksPerHour);

enum class PhotoMatch {
    No,
    Yes,
    Unreadable, // the file's identity agrees, but its shooting time cannot be read now
};

// Whether the photo under `name` is the one `identity` was taken of. Reads the photo's
// shooting time only where its file's identity agrees.
PhotoMatch isPhoto(const Folder& folder, ShootingTimeSource& times, const std::string& name,
                   const std::string& identity);

} // namespace naming
