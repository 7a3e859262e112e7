/* The test phases' system calls and nothing else, for bench/compare: create (with a flush),
 * 1024-byte writes, close with a flush; open, 1024-byte reads, close. The single test goes file by
 * file, the multiple test round-robin over all files at once. Prints the seconds of the write and
 * of the read phase, each timed as Dravelo times it (without creating, opening and closing).
 *
 *   bare_phases single|multiple FILES SIZE_MB FOLDER [direct]
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

static void Name(char* path, size_t size, const char* folder, int k) {
    snprintf(path, size, "%s/%d.tst", folder, k);
}

static int Create(const char* folder, int k, int direct) {
    char path[4096];
    Name(path, sizeof path, folder, k);
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | (direct ? O_DIRECT : 0), 0644);
    if (fd < 0) {
        perror(path);
        exit(1);
    }
    fsync(fd);
    return fd;
}

static int Open(const char* folder, int k) {
    char path[4096];
    Name(path, sizeof path, folder, k);
    const int fd = open(path, O_RDONLY);
    if (fd < 0) {
        perror(path);
        exit(1);
    }
    return fd;
}

int main(int argc, char** argv) {
    if (argc < 5) {
        fprintf(stderr, "usage: %s single|multiple FILES SIZE_MB FOLDER [direct]\n", argv[0]);
        return 2;
    }
    const int multiple = strcmp(argv[1], "multiple") == 0;
    const int files = atoi(argv[2]);
    const long blocks = atol(argv[3]) * 1024;
    const char* folder = argv[4];
    const int direct = argc > 5 && strcmp(argv[5], "direct") == 0;
    char* block = aligned_alloc(4096, 4096);
    memset(block, 'x', 1024);
    int* fds = calloc(files, sizeof *fds);
    double writeSeconds = 0, readSeconds = 0;

    if (multiple) {
        for (int k = 0; k < files; ++k) fds[k] = Create(folder, k + 1, direct);
        const double t0 = Now();
        for (long b = 0; b < blocks; ++b)
            for (int k = 0; k < files; ++k) (void)!write(fds[k], block, 1024);
        writeSeconds = Now() - t0;
        for (int k = 0; k < files; ++k) {
            fsync(fds[k]);
            close(fds[k]);
        }
        for (int k = 0; k < files; ++k) fds[k] = Open(folder, k + 1);
        const double t1 = Now();
        for (long b = 0; b < blocks; ++b)
            for (int k = 0; k < files; ++k) (void)!read(fds[k], block, 1024);
        readSeconds = Now() - t1;
        for (int k = 0; k < files; ++k) {
            fsync(fds[k]);
            close(fds[k]);
        }
    } else {
        for (int k = 0; k < files; ++k) {
            const int fd = Create(folder, k + 1, direct);
            const double t0 = Now();
            for (long b = 0; b < blocks; ++b) (void)!write(fd, block, 1024);
            writeSeconds += Now() - t0;
            fsync(fd);
            close(fd);
        }
        for (int k = 0; k < files; ++k) {
            const int fd = Open(folder, k + 1);
            const double t0 = Now();
            for (long b = 0; b < blocks; ++b) (void)!read(fd, block, 1024);
            readSeconds += Now() - t0;
            fsync(fd);
            close(fd);
        }
    }
    printf("%.6f %.6f\n", writeSeconds, readSeconds);
    return 0;
}
