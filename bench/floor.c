/* tamblinor-bench-floor: the least a batch rename by shooting time can do, as a yardstick.
 *
 * usage: tamblinor-bench-floor FOLDER
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
#define TEMPORARY "0_0.jpg"

static int endsWithJpg(const char* name) {
    const size_t n = strlen(name);
    return n > 4 && strcasecmp(name + n - 4, ".jpg") == 0;
}

static int byName(const void* a, const void* b) {
    return strcmp(*(char* const*)a, *(char* const*)b);
}

static int isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

/* The first "dddd:dd:dd dd:dd:dd" in bytes[0, size) written as "YYYYMMDD_HHMMSS". */
static int findDate(const unsigned char* bytes, size_t size, char out[16]) {
    static const char shape[] = "dddd:dd:dd dd:dd:dd";
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

/* The date of the photo `name`; 0 when it has none. */
static int shootingTime(const char* name, char out[16]) {
    static unsigned char segment[65536 + WINDOW];
    const int fd = openat(AT_FDCWD, name, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const ssize_t got = readAll(fd, segment, WINDOW, 0);
    int found = 0;
    /* Camera files start SOI, APP1 "Exif": the segment's length says how far to read. */
    if (got >= 6 && segment[0] == 0xFF && segment[1] == 0xD8 && segment[2] == 0xFF &&
        segment[3] == 0xE1) {
        const size_t end = 4 + (((size_t)segment[4] << 8) | segment[5]);
        size_t have = (size_t)got;
        if (end > have && have == WINDOW)
            have += (size_t)readAll(fd, segment + have, end - have, (off_t)have);
        found = findDate(segment, end < have ? end : have, out);
    }
    close(fd);
    return found;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: tamblinor-bench-floor FOLDER\n");
        return 64;
    }
    if (chdir(argv[1]) != 0) {
        perror(argv[1]);
        return 66;
    }

    /* The folder is listed once, before any rename, as every tool must. */
    DIR* dir = opendir(".");
    if (!dir) {
        perror(argv[1]);
        return 66;
    }
    size_t count = 0, capacity = 1024;
    char** names = malloc(capacity * sizeof *names);
    const struct dirent* entry;
    while ((entry = readdir(dir)) != NULL) {
        if (entry->d_name[0] == '.' || entry->d_type != DT_REG || !endsWithJpg(entry->d_name))
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
        if (!shootingTime(names[i], date))
            continue; /* keeps its name */
        char target[24];
        snprintf(target, sizeof target, "%s.jpg", date);
        struct stat st;
        for (char letter = 'b'; fstatat(AT_FDCWD, target, &st, 0) == 0 && letter <= 'z'; ++letter)
            snprintf(target, sizeof target, "%s%c.jpg", date, letter);
        if (renameat2(AT_FDCWD, names[i], AT_FDCWD, TEMPORARY, RENAME_NOREPLACE) != 0) {
            ++failures;
            continue;
        }
        if (renameat2(AT_FDCWD, TEMPORARY, AT_FDCWD, target, RENAME_NOREPLACE) != 0 &&
            renameat2(AT_FDCWD, TEMPORARY, AT_FDCWD, names[i], RENAME_NOREPLACE) != 0)
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
