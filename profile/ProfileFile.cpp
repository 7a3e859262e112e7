#include "ProfileFile.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <random>

#include "IoFacts.h"
#include "ProfileFailure.h"
#include "RequestStream.h"

namespace {

constexpr int64_t kLayoutChunk = 1 << 20;
constexpr int kAlignment = 4096;
constexpr int kNameAttempts = 100;

QByteArray Encoded(const QString& path) {
    return QFile::encodeName(path);
}

// A fresh file under a name no other file has: O_EXCL fails rather than open an existing one.
int CreateUnique(const QString& folder, QString& path) {
    std::random_device device;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const uint64_t tag = (uint64_t(device()) << 32) | device();
        path = QDir(folder).filePath(QStringLiteral("DraveloProfile-%1.tmp")
                                         .arg(tag & 0xffffffffffULL, 10, 16, QChar(u'0')));
        const int fd =
            ::open(Encoded(path).constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// One pwrite, again when a signal interrupted it.
ssize_t Pwrite(int fd, const char* data, int64_t bytes, int64_t offset) {
    ssize_t done;
    do {
        done = ::pwrite(fd, data, static_cast<size_t>(bytes), offset);
    } while (done < 0 && errno == EINTR);
    return done;
}

void WriteFully(int fd, const char* data, int64_t bytes, int64_t offset, const QString& path) {
    while (bytes > 0) {
        const ssize_t done = Pwrite(fd, data, bytes, offset);
        if (done < 0) throw SystemFailure("pwrite", path, errno);
        if (done == 0) throw SystemFailure("pwrite", path, ENOSPC);
        data += done;
        bytes -= done;
        offset += done;
    }
}

}  // namespace

int64_t FreeBytes(const QString& folder) {
    struct statvfs facts = {};
    if (::statvfs(Encoded(folder).constData(), &facts) != 0) return -1;
    return static_cast<int64_t>(facts.f_bavail) * static_cast<int64_t>(facts.f_frsize);
}

ProfileFile::ProfileFile(const QString& folder, int64_t bytes, bool cacheBypass)
    : bytes_(bytes), cacheBypass_(cacheBypass) {
    const int64_t free = FreeBytes(folder);
    if (free < 0) throw SystemFailure("statvfs", folder, errno);
    if (free < bytes)
        throw ProfileFailure{QStringLiteral("%1: %2 MB free, the test file needs %3 MB")
                                 .arg(folder)
                                 .arg(free / 1000000)
                                 .arg((bytes + 999999) / 1000000)};
    fd_ = CreateUnique(folder, path_);
    if (fd_ < 0) {
        removed_ = true;  // nothing was created
        throw SystemFailure("open", path_, errno);
    }
}

ProfileFile::~ProfileFile() {
    Remove();
}

bool ProfileFile::Remove() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!removed_) removed_ = ::unlink(Encoded(path_).constData()) == 0 || errno == ENOENT;
    return removed_;
}

bool ProfileFile::LayOut(const std::atomic<bool>& stop) {
    void* chunk = nullptr;
    if (posix_memalign(&chunk, kAlignment, kLayoutChunk) != 0)
        throw SystemFailure("posix_memalign", path_, ENOMEM);
    std::unique_ptr<void, decltype(&std::free)> owned(chunk, &std::free);
    SplitMix64 generator(std::random_device{}());
    bool direct = cacheBypass_ && SetCacheBypass(fd_, true);
    for (int64_t offset = 0; offset < bytes_; offset += kLayoutChunk) {
        if (stop.load(std::memory_order_relaxed)) return false;
        const int64_t length = std::min(kLayoutChunk, bytes_ - offset);
        FillRandom(chunk, length, generator);
        const char* data = static_cast<const char*>(chunk);
        // A tail of no whole number of sectors, or a chunk the file system refuses to take past
        // the cache (some accept the flag and not the writes), goes through the cache from here.
        const bool wholeSectors = length % kAlignment == 0;
        if (direct && wholeSectors && Pwrite(fd_, data, length, offset) == length) continue;
        if (direct) direct = !SetCacheBypass(fd_, false);
        WriteFully(fd_, data, length, offset, path_);
    }
    if (::fsync(fd_) != 0) throw SystemFailure("fsync", path_, errno);
    ::close(fd_);
    fd_ = -1;
    OpenForRuns(cacheBypass_);
    DropCachedPages();
    return true;
}

void ProfileFile::OpenForRuns(bool cacheBypass) {
    const QByteArray path = Encoded(path_);
    if (cacheBypass) {
        fd_ = ::open(path.constData(), O_RDWR | O_DIRECT | O_CLOEXEC);
        if (fd_ >= 0) {
            // Some file systems accept the flag and refuse the transfers; one aligned read says.
            void* probe = nullptr;
            if (posix_memalign(&probe, kAlignment, kAlignment) != 0)
                throw SystemFailure("posix_memalign", path_, ENOMEM);
            const ssize_t done = ::pread(fd_, probe, kAlignment, 0);
            const int error = errno;
            std::free(probe);
            if (done >= 0) {
                direct_ = true;
                return;
            }
            ::close(fd_);
            fd_ = -1;
            bufferedReason_ = SystemFailure("O_DIRECT read", path_, error).message;
        } else {
            bufferedReason_ = SystemFailure("O_DIRECT open", path_, errno).message;
        }
    }
    fd_ = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) throw SystemFailure("open", path_, errno);
}

void ProfileFile::DropCachedPages() const {
    if (fd_ >= 0) ::posix_fadvise(fd_, 0, 0, POSIX_FADV_DONTNEED);
}
