/* tamblinor-fault-fs: a FUSE file system that passes everything on to a backing folder
 * but fails the operations that a control file names, read again at every operation so
 * that a test can change the faults while the file system is mounted:
 *
 *   tamblinor-fault-fs BACKING CONTROL MOUNTPOINT [FUSE OPTIONS]
 *
 * Each line of CONTROL is "ACTION ERROR GLOB [pull]": operations of ACTION (read: reading
 * a file; write: creating, writing, growing, linking or making a folder; rename: either
 * name of a rename; any: every operation) on a path that GLOB matches (fnmatch, the path
 * inside the mount without its leading "/", "*" matching "/" too) fail with ERROR (EIO,
 * ENOSPC, ENODEV, EACCES or ENOENT). With "pull", once the line strikes, every later
 * operation fails with ERROR, whatever the control file says: the card is out until the
 * file system is mounted again. */

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

static char root[PATH_MAX];
static char control[PATH_MAX];
static int pulled; /* the error every operation fails with once a "pull" line struck */

enum action { ANY, READ, WRITE, RENAME };
static const char* const action_names[] = {"any", "read", "write", "rename"};

static int error_named(const char* name) {
    static const struct {
        const char* name;
        int error;
    } errors[] = {{"EIO", EIO},
                  {"ENOSPC", ENOSPC},
                  {"ENODEV", ENODEV},
                  {"EACCES", EACCES},
                  {"ENOENT", ENOENT}};
    for (size_t i = 0; i < sizeof errors / sizeof errors[0]; ++i) {
        if (strcmp(name, errors[i].name) == 0)
            return errors[i].error;
    }
    return EINVAL;
}

/* The error the control file has `action` on `path` fail with; 0 for none. */
static int fault(enum action action, const char* path) {
    if (pulled)
        return pulled;
    FILE* file = fopen(control, "r");
    if (file == NULL)
        return 0;
    char line[1024];
    int error = 0;
    while (error == 0 && fgets(line, sizeof line, file) != NULL) {
        char what[16], name[16], glob[900], then[16] = "";
        if (sscanf(line, "%15s %15s %899s %15s", what, name, glob, then) < 3 ||
            (strcmp(what, "any") != 0 && strcmp(what, action_names[action]) != 0) ||
            fnmatch(glob, path + 1, 0) != 0)
            continue;
        error = error_named(name);
        if (strcmp(then, "pull") == 0)
            pulled = error;
    }
    fclose(file);
    return error;
}

/* The backing path of `path`, in a buffer of the caller's. */
#define BACKING(path) (snprintf(backing, sizeof backing, "%s%s", root, path), backing)
#define FAIL_ON(action, path)                                                                      \
    do {                                                                                           \
        const int error_ = fault(action, path);                                                    \
        if (error_ != 0)                                                                           \
            return -error_;                                                                        \
    } while (0)

static int result(int status) {
    return status < 0 ? -errno : 0;
}

static void* fs_init(struct fuse_conn_info* connection, struct fuse_config* config) {
    (void)connection;
    /* Nothing cached in the kernel, so that a fault shows at the very next operation,
     * and every read and write reaches the file system. */
    config->entry_timeout = 0;
    config->attr_timeout = 0;
    config->negative_timeout = 0;
    config->direct_io = 1;
    config->use_ino = 1;     /* hard links show as one file */
    config->hard_remove = 1; /* no .fuse_hidden files in the backing folder */
    return NULL;
}

static int fs_getattr(const char* path, struct stat* st, struct fuse_file_info* fi) {
    char backing[PATH_MAX];
    FAIL_ON(ANY, path);
    return result(fi != NULL ? fstat((int)fi->fh, st) : lstat(BACKING(path), st));
}

static int fs_readdir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t offset,
                      struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
    char backing[PATH_MAX];
    (void)offset, (void)fi, (void)flags;
    FAIL_ON(ANY, path);
    DIR* dir = opendir(BACKING(path));
    if (dir == NULL)
        return -errno;
    for (struct dirent* entry; (entry = readdir(dir)) != NULL;) {
        struct stat st = {.st_ino = entry->d_ino, .st_mode = (mode_t)(entry->d_type << 12)};
        if (fill(buffer, entry->d_name, &st, 0, 0) != 0)
            break;
    }
    closedir(dir);
    return 0;
}

static int fs_open(const char* path, struct fuse_file_info* fi) {
    char backing[PATH_MAX];
    FAIL_ON(ANY, path); /* the writes fail, not the opening: a full disk opens its files */
    const int fd = open(BACKING(path), fi->flags);
    if (fd < 0)
        return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int fs_create(const char* path, mode_t mode, struct fuse_file_info* fi) {
    char backing[PATH_MAX];
    FAIL_ON(WRITE, path);
    const int fd = open(BACKING(path), fi->flags | O_CREAT, mode);
    if (fd < 0)
        return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int fs_read(const char* path, char* buffer, size_t size, off_t offset,
                   struct fuse_file_info* fi) {
    FAIL_ON(READ, path);
    const ssize_t done = pread((int)fi->fh, buffer, size, offset);
    return done < 0 ? -errno : (int)done;
}

static int fs_write(const char* path, const char* buffer, size_t size, off_t offset,
                    struct fuse_file_info* fi) {
    FAIL_ON(WRITE, path);
    const ssize_t done = pwrite((int)fi->fh, buffer, size, offset);
    return done < 0 ? -errno : (int)done;
}

static int fs_flush(const char* path, struct fuse_file_info* fi) {
    (void)fi;
    FAIL_ON(ANY, path);
    return 0;
}

static int fs_release(const char* path, struct fuse_file_info* fi) {
    (void)path;
    close((int)fi->fh); /* a pulled card still lets go of its files */
    return 0;
}

static int fs_fsync(const char* path, int datasync, struct fuse_file_info* fi) {
    FAIL_ON(ANY, path);
    return result(datasync ? fdatasync((int)fi->fh) : fsync((int)fi->fh));
}

static int fs_fsyncdir(const char* path, int datasync, struct fuse_file_info* fi) {
    char backing[PATH_MAX];
    (void)datasync, (void)fi;
    FAIL_ON(ANY, path);
    const int fd = open(BACKING(path), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return -errno;
    const int status = fsync(fd);
    const int error = errno;
    close(fd);
    return status < 0 ? -error : 0;
}

static int fs_unlink(const char* path) {
    char backing[PATH_MAX];
    FAIL_ON(ANY, path);
    return result(unlink(BACKING(path)));
}

static int fs_mkdir(const char* path, mode_t mode) {
    char backing[PATH_MAX];
    FAIL_ON(WRITE, path);
    return result(mkdir(BACKING(path), mode));
}

static int fs_rmdir(const char* path) {
    char backing[PATH_MAX];
    FAIL_ON(ANY, path);
    return result(rmdir(BACKING(path)));
}

/* RENAME_NOREPLACE and RENAME_EXCHANGE as the backing folder's file system takes them. */
static int fs_rename(const char* from, const char* to, unsigned int flags) {
    char backing[PATH_MAX], target[PATH_MAX];
    FAIL_ON(RENAME, from);
    FAIL_ON(RENAME, to);
    snprintf(target, sizeof target, "%s%s", root, to);
    return result(renameat2(AT_FDCWD, BACKING(from), AT_FDCWD, target, flags));
}

static int fs_link(const char* from, const char* to) {
    char backing[PATH_MAX], target[PATH_MAX];
    FAIL_ON(ANY, from);
    FAIL_ON(WRITE, to);
    snprintf(target, sizeof target, "%s%s", root, to);
    return result(link(BACKING(from), target));
}

static int fs_statfs(const char* path, struct statvfs* st) {
    char backing[PATH_MAX];
    FAIL_ON(ANY, path);
    return result(statvfs(BACKING(path), st));
}

static int fs_utimens(const char* path, const struct timespec times[2], struct fuse_file_info* fi) {
    char backing[PATH_MAX];
    FAIL_ON(ANY, path);
    return result(fi != NULL ? futimens((int)fi->fh, times)
                             : utimensat(AT_FDCWD, BACKING(path), times, AT_SYMLINK_NOFOLLOW));
}

static int fs_truncate(const char* path, off_t size, struct fuse_file_info* fi) {
    char backing[PATH_MAX];
    FAIL_ON(WRITE, path);
    return result(fi != NULL ? ftruncate((int)fi->fh, size) : truncate(BACKING(path), size));
}

static int fs_chmod(const char* path, mode_t mode, struct fuse_file_info* fi) {
    char backing[PATH_MAX];
    FAIL_ON(ANY, path);
    return result(fi != NULL ? fchmod((int)fi->fh, mode) : chmod(BACKING(path), mode));
}

static const struct fuse_operations operations = {
    .init = fs_init,
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
    .rmdir = fs_rmdir,
    .rename = fs_rename,
    .link = fs_link,
    .statfs = fs_statfs,
    .utimens = fs_utimens,
    .truncate = fs_truncate,
    .chmod = fs_chmod,
};

int main(int argc, char* argv[]) {
    if (argc < 4 || realpath(argv[1], root) == NULL || realpath(argv[2], control) == NULL) {
        fprintf(stderr, "usage: tamblinor-fault-fs BACKING CONTROL MOUNTPOINT [FUSE OPTIONS]\n");
        return 64;
    }
    argv[2] = argv[0];
    return fuse_main(argc - 2, argv + 2, &operations, NULL);
}
