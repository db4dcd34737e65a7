/* tamblinor-fault-fs: a FUSE file system that passes everything on to a backing folder
 * but fails the operations that a control file names, read again at every operation so
 * that a test can change the faults while the file system is mounted:
 *
 *   tamblinor-fault-fs BACKING CONTROL MOUNTPOINT [FUSE OPTIONS]
 *
 * Each line of CONTROL is "ACTION ERROR GLOB [pull]": operations of ACTION (read: reading
 * a file; write: creating, writing or making a folder; rename: either name of a rename;
 * any: every operation) on a path that GLOB matches (fnmatch, the path inside the mount
 * without its leading "/", "*" matching "/" too) fail with ERROR (EIO, ENOSPC, ENODEV,
 * EACCES or ENOENT). With "pull", once the line strikes, every later operation fails with
 * ERROR, whatever the control file says: the card is out until the file system is mounted
 * again. Only the operations tamblinor-cli makes are passed on. */

#define _GNU_SOURCE /* renameat2 */
#define FUSE_USE_VERSION 31

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <fuse.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

static char root[PATH_MAX], control[PATH_MAX];
static int pulled; /* the error every operation fails with once a "pull" line struck */

static const char* const error_names[] = {"EIO", "ENOSPC", "ENODEV", "EACCES", "ENOENT"};
static const int errors[] = {EIO, ENOSPC, ENODEV, EACCES, ENOENT};

/* The error, negated, that the control file has `action` on `path` fail with, else 0; puts
 * the backing path of `path` in `backing` (PATH_MAX bytes). */
static int fault(const char* action, const char* path, char* backing) {
    snprintf(backing, PATH_MAX, "%s%s", root, path);
    FILE* file = pulled ? NULL : fopen(control, "r");
    char line[1024];
    int error = pulled;
    while (file != NULL && error == 0 && fgets(line, sizeof line, file) != NULL) {
        char what[16], name[16], glob[900], then[16] = "";
        if (sscanf(line, "%15s %15s %899s %15s", what, name, glob, then) < 3 ||
            (strcmp(what, "any") != 0 && strcmp(what, action) != 0) ||
            fnmatch(glob, path + 1, 0) != 0)
            continue;
        error = EINVAL;
        for (size_t i = 0; i < sizeof errors / sizeof errors[0]; ++i)
            error = strcmp(name, error_names[i]) == 0 ? errors[i] : error;
        pulled = strcmp(then, "pull") == 0 ? error : 0;
    }
    if (file != NULL)
        fclose(file);
    return -error;
}

/* A system call's result as FUSE takes it. */
static int result(ssize_t status) {
    return status < 0 ? -errno : (int)status;
}

static void* fs_init(struct fuse_conn_info* connection, struct fuse_config* config) {
    /* Nothing cached in the kernel, so that a fault shows at the very next operation and
     * every read and write reaches the file system; hard links shown as one file, and no
     * .fuse_hidden files left in the backing folder. */
    config->entry_timeout = config->attr_timeout = config->negative_timeout = 0;
    config->direct_io = config->use_ino = config->hard_remove = 1;
    return NULL;
}

/* Keeps the file open for the calls on it: 0, or -1 where `fd` tells that it did not open. */
static int opened(int fd, struct fuse_file_info* fi) {
    fi->fh = (uint64_t)fd;
    return fd < 0 ? -1 : 0;
}

/* fsync of the folder `folder`: 0, or -1 with errno saying why not. */
static int sync_folder(const char* folder) {
    const int fd = open(folder, O_RDONLY | O_DIRECTORY);
    const int status = fd < 0 ? -1 : fsync(fd);
    if (fd >= 0)
        close(fd); /* leaves errno as it is where it succeeds */
    return status;
}

/* fs_NAME(PARAMETERS), which fails where the control file has ACTION on `path` fail, else
 * returns CALL, a system call on `path`'s backing path, `backing`, or on its open file. */
#define PASS_ON(name, action, parameters, call)                                                    \
    static int fs_##name parameters {                                                              \
        char backing[PATH_MAX];                                                                    \
        const int error = fault(action, path, backing);                                            \
        return error ? error : result(call);                                                       \
    }

PASS_ON(getattr, "any", (const char* path, struct stat* st, struct fuse_file_info* fi),
        fi != NULL ? fstat((int)fi->fh, st) : lstat(backing, st))
PASS_ON(open, "any", (const char* path, struct fuse_file_info* fi), /* a full disk opens too */
        opened(open(backing, fi->flags), fi))
PASS_ON(create, "write", (const char* path, mode_t mode, struct fuse_file_info* fi),
        opened(open(backing, fi->flags | O_CREAT, mode), fi))
PASS_ON(read, "read",
        (const char* path, char* data, size_t size, off_t offset, struct fuse_file_info* fi),
        pread((int)fi->fh, data, size, offset))
PASS_ON(write, "write",
        (const char* path, const char* data, size_t size, off_t offset, struct fuse_file_info* fi),
        pwrite((int)fi->fh, data, size, offset))
PASS_ON(flush, "any", (const char* path, struct fuse_file_info* fi), 0)
PASS_ON(fsync, "any", (const char* path, int datasync, struct fuse_file_info* fi),
        datasync ? fdatasync((int)fi->fh) : fsync((int)fi->fh))
PASS_ON(fsyncdir, "any", (const char* path, int datasync, struct fuse_file_info* fi),
        sync_folder(backing))
PASS_ON(unlink, "any", (const char* path), unlink(backing))
PASS_ON(mkdir, "write", (const char* path, mode_t mode), mkdir(backing, mode))
PASS_ON(statfs, "any", (const char* path, struct statvfs* st), statvfs(backing, st))

static int fs_readdir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t offset,
                      struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
    char backing[PATH_MAX];
    const int error = fault("any", path, backing);
    DIR* dir = error ? NULL : opendir(backing);
    if (dir == NULL)
        return error ? error : -errno;
    for (struct dirent* entry; (entry = readdir(dir)) != NULL;) {
        struct stat st = {.st_ino = entry->d_ino, .st_mode = DTTOIF(entry->d_type)};
        if (fill(buffer, entry->d_name, &st, 0, 0) != 0)
            break;
    }
    closedir(dir);
    return 0;
}

static int fs_release(const char* path, struct fuse_file_info* fi) {
    return result(close((int)fi->fh)); /* a pulled card still lets go of its files */
}

/* RENAME_NOREPLACE and RENAME_EXCHANGE as the backing folder's file system takes them. */
static int fs_rename(const char* from, const char* to, unsigned int flags) {
    char source[PATH_MAX], target[PATH_MAX];
    int error = fault("rename", from, source);
    error = error ? error : fault("rename", to, target);
    return error ? error : result(renameat2(AT_FDCWD, source, AT_FDCWD, target, flags));
}

static const struct fuse_operations operations = {.init = fs_init,
                                                  .getattr = fs_getattr,
                                                  .readdir = fs_readdir,
                                                  .open = fs_open,
                                                  .create = fs_create,
                                                  .read = fs_read,
                                                  .write = fs_write,
                                                  .flush = fs_flush,
                                                  .release = fs_release,
                                                  .fsync = fs_fsync,
                                                  .fsyncdir = fs_fsyncdir,
                                                  .unlink = fs_unlink,
                                                  .mkdir = fs_mkdir,
                                                  .rename = fs_rename,
                                                  .statfs = fs_statfs};

int main(int argc, char* argv[]) {
    if (argc < 4 || realpath(argv[1], root) == NULL || realpath(argv[2], control) == NULL) {
        fprintf(stderr, "usage: tamblinor-fault-fs BACKING CONTROL MOUNTPOINT [FUSE OPTIONS]\n");
        return 64;
    }
    argv[2] = argv[0];
    return fuse_main(argc - 2, argv + 2, &operations, NULL);
}
