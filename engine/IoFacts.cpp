#include "IoFacts.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "modFile.h"

namespace {

constexpr int kBlockSize = 1024;

QString SystemReason(const char* call, int error) {
    return QString::fromLatin1(call) + QStringLiteral(": ") + EnglishErrorText(error);
}

// The file system's own answer, where it gives one: a block of 1024 bytes at offsets that are
// multiples of 1024 from a buffer aligned to 4096 must meet both of its alignments.
std::optional<DirectTransferCheck> AskAlignment(int fd) {
    struct statx facts {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_DIOALIGN, &facts) != 0 ||
        !(facts.stx_mask & STATX_DIOALIGN))
        return std::nullopt;
    const uint32_t offset = facts.stx_dio_offset_align;
    const uint32_t memory = facts.stx_dio_mem_align;
    const bool possible = offset != 0 && kBlockSize % offset == 0 && memory != 0 &&
                          kBlockBufferAlignment % memory == 0;
    DirectTransferCheck check{possible, {}};
    if (!possible) check.reason = QStringLiteral("STATX_DIOALIGN %1").arg(offset);
    return check;
}

// Without an answer: one real 1024-byte write past the cache.
DirectTransferCheck TryOneBlock(int fd) {
    if (!SetCacheBypass(fd, true)) return {false, SystemReason("O_DIRECT", errno)};
    alignas(kBlockBufferAlignment) const char block[kBlockSize] = {};
    const ssize_t written = ::pwrite(fd, block, kBlockSize, 0);
    if (written == kBlockSize) return {true, {}};
    return {false, SystemReason("O_DIRECT", written < 0 ? errno : EIO)};
}

}  // namespace

bool SetCacheBypass(int fd, bool on) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) return false;
    return ::fcntl(fd, F_SETFL, on ? flags | O_DIRECT : flags & ~O_DIRECT) == 0;
}

DirectTransferCheck CheckDirectTransfer(const QString& folder) {
    const int fd =
        ::open(FileNameBytes(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) return {};
    DirectTransferCheck check;
    if (auto answer = AskAlignment(fd))
        check = *answer;
    else
        check = TryOneBlock(fd);
    ::close(fd);
    return check;
}

std::optional<double> CachedShare(const QStringList& paths) {
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    uint64_t pages = 0;
    uint64_t cached = 0;
    std::vector<unsigned char> residency;
    for (const QString& path : paths) {
        const int fd =
            ::open(FileNameBytes(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat status {};
        void* mapping = MAP_FAILED;
        if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0)
            mapping = ::mmap(nullptr, status.st_size, PROT_READ, MAP_SHARED, fd, 0);
        ::close(fd);
        if (mapping == MAP_FAILED) continue;
        const size_t filePages = (status.st_size + pageSize - 1) / pageSize;
        residency.assign(filePages, 0);
        if (::mincore(mapping, status.st_size, residency.data()) == 0) {
            pages += filePages;
            for (unsigned char page : residency) cached += page & 1;
        }
        ::munmap(mapping, status.st_size);
    }
    if (pages == 0) return std::nullopt;
    return static_cast<double>(cached) / static_cast<double>(pages);
}
