/* tamblinor-bench-floor: the least a batch rename by shooting time can do, as a yardstick.
 *
 * usage: tamblinor-bench-floor [--mixed] FOLDER
 *
 * Lists FOLDER once, then per *.jpg photo makes exactly the system calls such a run
 * needs and nothing else:
 *   openat(OLD), pread 4 KiB                       the head, with the Exif APP1 segment
 *   pread of the rest                              only when that segment is longer
 *   close
 *   fstatat(NEW)                                   is the plain name taken?
 *   renameat2(OLD -> "0_0.jpg", RENAME_NOREPLACE)  move the photo aside
 *   renameat2("0_0.jpg" -> NEW, RENAME_NOREPLACE)  the final name
 * NEW is YYYYMMDD_HHMMSS.jpg from the first "YYYY:MM:DD HH:MM:SS" text in the Exif
 * segment (no Exif parsing: a plain scan), with a letter b..z before ".jpg" when the
 * plain name is taken. A photo without such a text keeps its name. Prints nothing.
 *
 * With --mixed, a phone's folder: HEIC photos and videos too, by the extensions of
 * tamblinor-cli --all-media, each renamed through "0_0" with its own extension. A HEIC
 * photo takes one 4 KiB read, its Exif item within it (as tamblinor-make-photos --mixed
 * lays it out). A video takes the reads one needs at least when its movie box comes after
 * the media data: 4 KiB of its head, whose box sizes say where the movie box starts, and
 * 4 KiB there, scanned for Apple's creation date "YYYY-MM-DDTHH:MM:SS".
 */

#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#define WINDOW 4096

enum Kind { NONE, JPEG, HEIF, VIDEO };

/* The kind of `name` by its extension, and in `extension` the one its new name takes. */
static enum Kind kindOf(const char* name, int mixed, const char** extension) {
    static const struct {
        const char* suffix;
        enum Kind kind;
        const char* named;
    } kinds[] = {{".jpg", JPEG, ".jpg"},   {".jpeg", JPEG, ".jpg"},  {".jpe", JPEG, ".jpg"},
                 {".heic", HEIF, ".heic"}, {".heif", HEIF, ".heif"}, {".mp4", VIDEO, ".mp4"},
                 {".mov", VIDEO, ".mov"},  {".m4v", VIDEO, ".m4v"},  {".3gp", VIDEO, ".3gp"}};
    const size_t n = strlen(name);
    for (size_t i = 0; i < (mixed ? sizeof kinds / sizeof kinds[0] : 1); ++i) {
        const size_t k = strlen(kinds[i].suffix);
        if (n > k && strcasecmp(name + n - k, kinds[i].suffix) == 0) {
            *extension = kinds[i].named;
            return kinds[i].kind;
        }
    }
    return NONE;
}

static int byName(const void* a, const void* b) {
    return strcmp(*(char* const*)a, *(char* const*)b);
}

static int isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

/* The first text of `shape` ('d' a digit) in bytes[0, size) written as "YYYYMMDD_HHMMSS".
 * Exif's "dddd:dd:dd dd:dd:dd" and Apple's "dddd-dd-ddTdd:dd:dd" have their digits alike. */
static int findDate(const unsigned char* bytes, size_t size, const char* shape, char out[16]) {
    for (size_t i = 0; i + 19 <= size; ++i) {
        size_t k = 0;
        for (; k < 19; ++k) {
            const unsigned char c = bytes[i + k];
            if (shape[k] == 'd' ? !isDigit(c) : c != (unsigned char)shape[k])
                break;
        }
        if (k == 19) {
            const unsigned char* d = bytes + i;
            memcpy(out, d, 4);
            memcpy(out + 4, d + 5, 2);
            memcpy(out + 6, d + 8, 2);
            out[8] = '_';
            memcpy(out + 9, d + 11, 2);
            memcpy(out + 11, d + 14, 2);
            memcpy(out + 13, d + 17, 2);
            out[15] = '\0';
            return 1;
        }
    }
    return 0;
}

static const char kExifShape[] = "dddd:dd:dd dd:dd:dd";

static ssize_t readAll(int fd, unsigned char* into, size_t size, off_t offset) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = pread(fd, into + done, size - done, offset + (off_t)done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += (size_t)n;
    }
    return (ssize_t)done;
}

static unsigned long long bigEndian(const unsigned char* bytes, int size) {
    unsigned long long value = 0;
    for (int i = 0; i < size; ++i)
        value = value << 8 | bytes[i];
    return value;
}

/* A video's date: the top-level boxes are walked by their headers in the head's window
 * up to the movie box, which is then read where it starts. */
static int videoTime(int fd, unsigned char* window, size_t got, char out[16]) {
    unsigned long long at = 0;
    while (at + 16 <= got && memcmp(window + at + 4, "moov", 4) != 0) {
        unsigned long long size = bigEndian(window + at, 4);
        if (size == 1)
            size = bigEndian(window + at + 8, 8);
        if (size < 8)
            return 0;
        at += size;
    }
    if (at + 8 <= got && memcmp(window + at + 4, "moov", 4) == 0)
        return findDate(window + at, got - at, "dddd-dd-ddTdd:dd:dd", out);
    if (got < WINDOW)
        return 0;
    got = (size_t)readAll(fd, window, WINDOW, (off_t)at);
    return got >= 8 && memcmp(window + 4, "moov", 4) == 0 &&
           findDate(window, got, "dddd-dd-ddTdd:dd:dd", out);
}

/* The date of the file `name` of `kind`; 0 when it has none. */
static int shootingTime(const char* name, enum Kind kind, char out[16]) {
    static unsigned char segment[65536 + WINDOW];
    const int fd = openat(AT_FDCWD, name, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const ssize_t got = readAll(fd, segment, WINDOW, 0);
    int found = 0;
    if (kind == HEIF) {
        found = findDate(segment, (size_t)got, kExifShape, out);
    } else if (kind == VIDEO) {
        found = videoTime(fd, segment, (size_t)got, out);
    } else if (got >= 6 && segment[0] == 0xFF && segment[1] == 0xD8 && segment[2] == 0xFF &&
               segment[3] == 0xE1) {
        /* Camera files start SOI, APP1 "Exif": the segment's length says how far to read. */
        const size_t end = 4 + (((size_t)segment[4] << 8) | segment[5]);
        size_t have = (size_t)got;
        if (end > have && have == WINDOW)
            have += (size_t)readAll(fd, segment + have, end - have, (off_t)have);
        found = findDate(segment, end < have ? end : have, kExifShape, out);
    }
    close(fd);
    return found;
}

int main(int argc, char** argv) {
    const int mixed = argc == 3 && strcmp(argv[1], "--mixed") == 0;
    if (argc != 2 + mixed) {
        fprintf(stderr, "usage: tamblinor-bench-floor [--mixed] FOLDER\n");
        return 64;
    }
    const char* folder = argv[1 + mixed];
    if (chdir(folder) != 0) {
        perror(folder);
        return 66;
    }

    /* The folder is listed once, before any rename, as every tool must. */
    DIR* dir = opendir(".");
    if (!dir) {
        perror(folder);
        return 66;
    }
    size_t count = 0, capacity = 1024;
    char** names = malloc(capacity * sizeof *names);
    const struct dirent* entry;
    const char* extension;
    while ((entry = readdir(dir)) != NULL) {
        if (entry->d_name[0] == '.' || entry->d_type != DT_REG ||
            kindOf(entry->d_name, mixed, &extension) == NONE)
            continue;
        if (count == capacity)
            names = realloc(names, (capacity *= 2) * sizeof *names);
        names[count++] = strdup(entry->d_name);
    }
    closedir(dir);
    qsort(names, count, sizeof *names, byName);

    int failures = 0;
    for (size_t i = 0; i < count; ++i) {
        char date[16];
        const enum Kind kind = kindOf(names[i], mixed, &extension);
        if (!shootingTime(names[i], kind, date))
            continue; /* keeps its name */
        char target[32], temporary[16];
        snprintf(temporary, sizeof temporary, "0_0%s", extension);
        snprintf(target, sizeof target, "%s%s", date, extension);
        struct stat st;
        for (char letter = 'b'; fstatat(AT_FDCWD, target, &st, 0) == 0 && letter <= 'z'; ++letter)
            snprintf(target, sizeof target, "%s%c%s", date, letter, extension);
        if (renameat2(AT_FDCWD, names[i], AT_FDCWD, temporary, RENAME_NOREPLACE) != 0) {
            ++failures;
            continue;
        }
        if (renameat2(AT_FDCWD, temporary, AT_FDCWD, target, RENAME_NOREPLACE) != 0 &&
            renameat2(AT_FDCWD, temporary, AT_FDCWD, names[i], RENAME_NOREPLACE) != 0)
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
