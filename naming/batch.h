#pragma once

// The batch rename run behind both buttons of the window and the command line. A run
// first plans: it reads every treated photo's shooting time where the photo lies and
// works out its new name. Then it renames, in an order that never needs a name another
// photo of the run still holds. It sees the world only through the interfaces below. A
// run can be undone later, from its journal, by the same moves the other way round.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace naming {

// Where JPEG photos whose names form a ring (each wanting the next one's name) wait while
// the others move (files of other kinds: see temporaryNameFor); one that an interrupted run
// left under it is named in place by the next run. When something the run cannot name
// holds it, a ring keeps its names.
inline const std::string kTemporaryName = "0_0.jpg";

// The only two messages the user ever sees.
enum class Message { BadBirthday, ReaderUnavailable };
std::string_view messageText(Message message);

// The working folder. Names are plain file names inside it.
class Folder {
public:
    virtual ~Folder() = default;
    // Renames without ever replacing an existing entry; an empty error code on success.
    virtual std::error_code rename(const std::string& from, const std::string& to) = 0;
    // True for an ordinary file of that name: not a folder, not a hidden file.
    virtual bool isOrdinaryFile(const std::string& name) const = 0;
    // True when anything at all goes by that name; "." is the folder itself, there while
    // the folder can be reached.
    virtual bool isNameTaken(const std::string& name) const = 0;
    // True when the two names are two links of one file: a rename cut between its hard
    // link and the removal of the old name leaves a photo so. False for two spellings of
    // one entry (names differing in case where case is ignored): removing either loses it.
    virtual bool sameFile(const std::string& a, const std::string& b) const = 0;
    // Removes the name `name` when it is still a second link of `twin`, which keeps it.
    virtual std::error_code removeTwin(const std::string& name, const std::string& twin) = 0;
    // Has the renames so far kept on the medium.
    virtual std::error_code flush() = 0;
    // A text that tells the file under `name` apart from other files and stays the same
    // through renames, so that a later run can tell it is still the same file; empty when
    // nothing is under the name. It may end in the file's number of links (see linksIn).
    virtual std::string identity(const std::string& name) const = 0;
    // True when the file under `name` has the identity `recorded`, as identity() gave it
    // then; a folder on disk allows for what its file system does to the times.
    virtual bool hasIdentity(const std::string& name, std::string_view recorded) const {
        return identity(name) == recorded;
    }
    // How many names the file under `name` has; 0 where that cannot be told.
    virtual unsigned linkCount(const std::string& /*name*/) const { return 0; }
};

// Reads a photo's Exif DateTimeOriginal text, or a video's shooting time in its shape: an
// empty text when the file has none, no value when the reader itself cannot be used.
class ShootingTimeSource {
public:
    virtual ~ShootingTimeSource() = default;
    virtual std::optional<std::string> shootingTime(const std::string& fileName) = 0;
};

class ErrorSink {
public:
    virtual ~ErrorSink() = default;
    virtual void show(Message message) = 0;
};

// Why a treated photo keeps its name.
enum class KeptReason {
    NoShootingTime,
    UnknownShootingTime, // blanks, or all zeros
    ClockNotUsable,      // the clock holds a character no file name may
    EveryLetterTaken,    // the plain name and "b" to "f" are all taken
    CannotRename,        // the file system refused; the error says why
    AlreadyNamed,        // it has its new name already
    RunEnded,            // the run ended at this photo with a message
    Stopped,             // the run was stopped before it got to this photo
    // Taking a run back only:
    ChangedSince, // no longer the file the run renamed: renamed, moved or deleted since
    OldNameTaken, // another file has the name it had before the run
};

// Told what became of each photo the run treated, in list order, once the renames are
// done; for the command line's report.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    virtual void renamed(const std::string& from, const std::string& to) = 0;
    virtual void kept(const std::string& name, KeptReason reason, std::error_code error) = 0;
};

// One photo's rename, with what tells the photo apart from other files (its file's
// identity and its shooting time) before it.
struct Rename {
    std::string from;
    std::string to;
    std::string identity;

    bool operator==(const Rename&) const = default;
};

// Keeps a record of a run that changes the folder, so that it can be undone.
class RunJournal {
public:
    virtual ~RunJournal() = default;
    // Before the first change to the folder: every rename the run means to make.
    virtual void begin(const std::vector<Rename>& planned) = 0;
    // After the last: the renames made, a file's last name where it moved twice.
    virtual void end(const std::vector<Rename>& done) = 0;
    // Before end(), from an undo that left photos a later try may still bring back: the
    // run stays to be undone.
    virtual void unfinished() {}
};

// The stretches of a run, for telling how far it is.
enum class Phase {
    Reading,  // reading the photos' shooting times; for an undo, finding its photos
    Renaming, // moving the photos
    Waiting,  // before reading: another run or undo works on the folder (told by the run
              // layer, never by the batch); `done` and `total` are 0
};

// Hears how far a run is, and may stop it. It is asked between photos, never inside a
// ring of photos each wanting the next one's name, so a stopped run leaves no photo of its
// own under kTemporaryName.
class RunProgress {
public:
    virtual ~RunProgress() = default;
    // `done` of the `total` photos of `phase` are through.
    virtual void progressed(Phase phase, std::size_t done, std::size_t total) = 0;
    // True ends the run here. While reading, nothing is renamed; while renaming, the
    // photos not moved yet keep their names (KeptReason::Stopped).
    virtual bool stopRequested() = 0;
};

// What the journals of runs and undos that were cut short say they were doing: only such
// a run leaves one photo under two names, cut between the hard link of a rename and the
// removal of the old name. Any other second name of a photo is the user's own.
class CutShortRenames {
public:
    virtual ~CutShortRenames() = default;
    // True where such a run meant to move a photo from `from` to `to`, either of them
    // kTemporaryName where the move went through it to open a ring, and the file has one
    // link more now (`links`, 0 where not known) than it had then: a link the user made
    // since, or one the user's file had then, is no cut's twin.
    virtual bool wasMoving(const std::string& from, const std::string& to, unsigned links) = 0;
};

struct RunContext {
    Folder& folder;
    ShootingTimeSource& times;
    ErrorSink& errors;
    RunObserver* observer = nullptr;
    RunJournal* journal = nullptr;       // told of the run only when it renames something
    RunProgress* progress = nullptr;     // told between photos
    CutShortRenames* cutShort = nullptr; // none: no photo is taken for a cut rename's
};

enum class RunEnd {
    Completed,         // every photo treated
    BadBirthday,       // ended with Message::BadBirthday
    ReaderUnavailable, // ended with Message::ReaderUnavailable
    PhotoVanished,     // a photo was found under none of its names: the run stopped there
    Unfinished,        // undo only: a later try may do more (see undoRenames) and undoes
                       // the same run
    Stopped,           // RunProgress::stopRequested ended it between photos
};

// Renames the photos named in `photos` (the list's names to treat, in list order) after
// the child's age on each one's shooting time. Each new name ends in the extension of its
// file's kind (namedExtension), and names of different extensions never collide. The video
// of a Live Photo (a video whose name differs from a still's of the run only by extension)
// takes the still's new name with its own extension where that is free.
//
// The new names depend only on the shooting times, the birthday and the names of the
// files the run does not move: collision letters go in list order, the first photo of a
// second plain, and the old names of the photos that move count as free; a photo that
// has one of its names already keeps it. A photo that cannot be named keeps its name. No
// rename replaces a file, and each photo moves straight to its new name; at any moment at
// most one photo is under kTemporaryName, so a run cut short anywhere leaves each photo
// under its old name, its new name or kTemporaryName, and the next run finishes the work. A photo
// found under two names at once, where the context's cutShort proves a rename cut between
// its hard link and its unlink, is finished by removing the name it was leaving.
//
// A journal in the context hears of every change before the first one is made (the twin
// names to remove, then the moves) and of the renames made at the end; a run that
// changes nothing leaves it untold.
//
// A malformed birthday ends the run before anything is read. A birthday or shooting date
// that names no day, or a reader that cannot be used, ends the run at that photo: the
// photos before it are still renamed, then the message is shown.
//
// A stop asked for by the context's progress ends the run between photos with Stopped:
// while reading, before anything changes; while renaming, with the photos moved so far
// journaled as a run's are.
RunEnd renamePhotos(const std::vector<std::string>& photos, std::string_view birthday,
                    const RunContext& context);

// Whether the folder an undo works in is known to be the one its run renamed in, rather
// than, say, another card mounted in its place.
enum class UndoPlace { Unknown, Same };

// Undoes `renames`, the renames of an earlier run (those it made, or for a run cut
// short every one it meant to make), moving each photo from its new name back to its old
// one in the same way as a run moves photos. A photo is recognised by its identity (its
// file's, with its shooting time read through `times`) under its new name, or under
// kTemporaryName where a cut ring left it; one already under its old name is done. A
// photo found nowhere, or whose old name another file holds, keeps its name
// (ChangedSince, OldNameTaken), as does one the file system will not move to its old name
// (CannotRename); the observer hears "NEW -> OLD" or "NEW kept". `journal`, when given, is
// told of the moves as a run's journal is. Returns Completed, also where photos were kept:
// the run is undone as far as it can be. Returns Unfinished, and the journal hears so,
// where a later try may do more: the file system refused a move for now (a read-only or
// missing card, a file held open), or none of the photos was found in a folder not known
// to be the run's own (`place`). PhotoVanished where the file system lost a file; or
// Stopped where `progress` stopped it, and the journal hears that it is unfinished. A photo
// also under its old name loses its new one only where `cutShort` says a cut run or undo
// was making that move.
RunEnd undoRenames(const std::vector<Rename>& renames, Folder& folder, ShootingTimeSource& times,
                   RunObserver* observer, RunJournal* journal, RunProgress* progress = nullptr,
                   UndoPlace place = UndoPlace::Unknown, CutShortRenames* cutShort = nullptr);

} // namespace naming
