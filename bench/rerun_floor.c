/* tamblinor-bench-rerun-floor: the least a run over a folder named before can do, when a
 * record of the earlier run's shooting times spares it reading the photos it named, as a
 * yardstick.
 *
 * usage: tamblinor-bench-rerun-floor FOLDER
 *
 * Lists FOLDER once, reads the status of every *.jpg entry (fstatat), and reads the head
 * (one 4 KiB pread) of each photo not yet named after an age, that is whose name has no
 * "岁". Renames nothing, prints nothing.
 */

#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: tamblinor-bench-rerun-floor FOLDER\n");
        return 64;
    }
    DIR* dir = opendir(argv[1]);
    if (dir == NULL) {
        perror(argv[1]);
        return 1;
    }
    const int fd = dirfd(dir);
    static unsigned char head[4096];
    struct dirent* entry;
    while ((entry = readdir(dir)) != NULL) {
        const size_t n = strlen(entry->d_name);
        if (n <= 4 || strcasecmp(entry->d_name + n - 4, ".jpg") != 0)
            continue;
        struct stat st;
        if (fstatat(fd, entry->d_name, &st, 0) != 0 || strstr(entry->d_name, "\xe5\xb2\x81"))
            continue;
        const int photo = openat(fd, entry->d_name, O_RDONLY | O_CLOEXEC);
        if (photo >= 0) {
            if (pread(photo, head, sizeof head, 0) < 0)
                perror(entry->d_name);
            close(photo);
        }
    }
    closedir(dir);
    return 0;
}
