/* A CD drive's cost on the reads of one folder, for scripts/bench.sh.
 * Preloaded into Wine (LD_PRELOAD), where a Windows program's ReadFile is a
 * read() or pread() of the file's Unix descriptor in the program's own
 * process: every read of a file below SLOW_DISC_DIR first takes as long as
 * the drive would, SLOW_DISC_ACCESS_US for the seek plus the bytes at
 * SLOW_DISC_BYTES_PER_S, and is written to SLOW_DISC_LOG as
 * "microseconds-since-the-epoch bytes seeks path". A read that goes on where
 * the previous read of the same file ended finds the drive's head there: it
 * takes no seek (seeks 0). Reads of other files are not touched. A 4x drive:
 * 150000 us and 614400 bytes a second (600 KB/s). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

static ssize_t (*real_read)(int, void *, size_t);
static ssize_t (*real_pread)(int, void *, size_t, off_t);
static ssize_t (*real_pread64)(int, void *, size_t, off64_t);

/* The descriptor's path, when it lies below SLOW_DISC_DIR. */
static int on_disc(int fd, char *path, size_t size) {
    const char *dir = getenv("SLOW_DISC_DIR");
    if (!dir || !*dir) return 0;
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, path, size - 1);
    if (n <= 0) return 0;
    path[n] = 0;
    size_t length = strlen(dir);
    return strncmp(path, dir, length) == 0 && (path[length] == '/' || path[length] == 0);
}

/* Where the last read of the disc ended: its file and offset. */
static char last_path[4096];
static off64_t last_end = -1;

static void drive(const char *path, off64_t offset, ssize_t bytes) {
    const char *access = getenv("SLOW_DISC_ACCESS_US"), *rate = getenv("SLOW_DISC_BYTES_PER_S");
    const int seek = !(offset == last_end && strcmp(path, last_path) == 0);
    snprintf(last_path, sizeof last_path, "%s", path);
    last_end = offset + (bytes > 0 ? bytes : 0);
    double us = (seek ? (access ? atof(access) : 150000) : 0) +
                (bytes > 0 ? (double)bytes * 1e6 / (rate ? atof(rate) : 614400) : 0);
    struct timespec wait = {(time_t)(us / 1e6), (long)((us - (double)(time_t)(us / 1e6) * 1e6) * 1000)};
    while (nanosleep(&wait, &wait) != 0) {
    }
    const char *log = getenv("SLOW_DISC_LOG");
    if (!log) return;
    int out = open(log, O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (out < 0) return;
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    char line[4200];
    int n = snprintf(line, sizeof line, "%lld %zd %d %s\n",
                     (long long)now.tv_sec * 1000000 + now.tv_nsec / 1000, bytes, seek, path);
    if (n > 0) (void)!write(out, line, (size_t)n < sizeof line ? (size_t)n : sizeof line - 1);
    close(out);
}

ssize_t read(int fd, void *buffer, size_t size) {
    if (!real_read) real_read = (ssize_t(*)(int, void *, size_t))dlsym(RTLD_NEXT, "read");
    char path[4096];
    int slow = on_disc(fd, path, sizeof path);
    off64_t offset = slow ? lseek64(fd, 0, SEEK_CUR) : 0;
    ssize_t got = real_read(fd, buffer, size);
    if (slow) drive(path, offset, got);
    return got;
}

ssize_t pread(int fd, void *buffer, size_t size, off_t offset) {
    if (!real_pread) real_pread = (ssize_t(*)(int, void *, size_t, off_t))dlsym(RTLD_NEXT, "pread");
    char path[4096];
    int slow = on_disc(fd, path, sizeof path);
    ssize_t got = real_pread(fd, buffer, size, offset);
    if (slow) drive(path, offset, got);
    return got;
}

ssize_t pread64(int fd, void *buffer, size_t size, off64_t offset) {
    if (!real_pread64) real_pread64 = (ssize_t(*)(int, void *, size_t, off64_t))dlsym(RTLD_NEXT, "pread64");
    char path[4096];
    int slow = on_disc(fd, path, sizeof path);
    ssize_t got = real_pread64(fd, buffer, size, offset);
    if (slow) drive(path, offset, got);
    return got;
}
