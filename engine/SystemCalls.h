// The system calls through which the file layer and the runs' file work reach the disk. Test
// builds (DRAVELO_FAULT_SEAM) pass each call through a fault seam first, where a test can make
// one chosen call fail with a chosen error; other builds call the system directly, at no cost.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#ifdef DRAVELO_FAULT_SEAM
namespace faults {

enum class Call { Open, Write, Read, Fsync, Close, Unlink, Opendir, Readdir };

// True while a test counts calls; the seam costs one test of it otherwise.
extern bool watching;

// Counts the call; true, with errno set, when it is the call the test chose to fail.
bool Fail(Call call, int openFlags);

}  // namespace faults

#define DRAVELO_FAULT_SEAM_CALL(call, flags) \
    (faults::watching && faults::Fail(faults::Call::call, flags))
#else
#define DRAVELO_FAULT_SEAM_CALL(call, flags) false
#endif

namespace sys {

inline int open(const char* path, int flags, mode_t mode = 0) {
    return DRAVELO_FAULT_SEAM_CALL(Open, flags) ? -1 : ::open(path, flags, mode);
}

inline ssize_t write(int fd, const void* data, size_t count) {
    return DRAVELO_FAULT_SEAM_CALL(Write, 0) ? -1 : ::write(fd, data, count);
}

inline ssize_t read(int fd, void* data, size_t count) {
    return DRAVELO_FAULT_SEAM_CALL(Read, 0) ? -1 : ::read(fd, data, count);
}

inline int fsync(int fd) {
    return DRAVELO_FAULT_SEAM_CALL(Fsync, 0) ? -1 : ::fsync(fd);
}

// A close that fails has released the descriptor all the same, as the system's close does.
inline int close(int fd) {
    if (DRAVELO_FAULT_SEAM_CALL(Close, 0)) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return ::close(fd);
}

inline int unlink(const char* path) {
    return DRAVELO_FAULT_SEAM_CALL(Unlink, 0) ? -1 : ::unlink(path);
}

inline DIR* opendir(const char* path) {
    return DRAVELO_FAULT_SEAM_CALL(Opendir, 0) ? nullptr : ::opendir(path);
}

// The end of the folder and a failure both give nothing; only a failure sets errno, so the
// caller clears it first.
inline dirent* readdir(DIR* dir) {
    return DRAVELO_FAULT_SEAM_CALL(Readdir, 0) ? nullptr : ::readdir(dir);
}

}  // namespace sys
