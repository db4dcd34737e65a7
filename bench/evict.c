/* tamblinor-bench-evict: drops the page cache of every file in the folders given, with
 * posix_fadvise(POSIX_FADV_DONTNEED), so the next run reads the photos from the disk.
 * Files are not written by the benchmark, so every page is clean and can be dropped.
 *
 * usage: tamblinor-bench-evict FOLDER...
 */

#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

int main(int argc, char** argv) {
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        DIR* dir = opendir(argv[i]);
        if (!dir) {
            perror(argv[i]);
            ++failures;
            continue;
        }
        const struct dirent* entry;
        while ((entry = readdir(dir)) != NULL) {
            if (entry->d_type != DT_REG)
                continue;
            const int fd = openat(dirfd(dir), entry->d_name, O_RDONLY | O_CLOEXEC);
            if (fd < 0 || posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) != 0)
                ++failures;
            if (fd >= 0)
                close(fd);
        }
        closedir(dir);
    }
    return failures == 0 ? 0 : 1;
}
