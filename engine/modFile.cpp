#include "modFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "SystemCalls.h"

namespace {

constexpr int32_t kReadBufferSize = 1024;

// 0 after a short transfer that set no error code.
thread_local int lastError = 0;

// A descriptor may be 0; a handle never is.
int32_t HandleOf(int fd) {
    return fd + 1;
}
int DescriptorOf(int32_t handle) {
    return handle - 1;
}

int32_t WriteLengthFor(qsizetype characters) {
    int32_t length = 128;
    do {
        length *= 2;
    } while (length < characters);
    return length;
}

char* AlignedBuffer(size_t size) {
    const size_t rounded =
        (size + kBlockBufferAlignment - 1) / kBlockBufferAlignment * kBlockBufferAlignment;
    auto* buffer = static_cast<char*>(std::aligned_alloc(kBlockBufferAlignment, rounded));
    if (!buffer) throw std::bad_alloc();
    std::memset(buffer, 0, rounded);
    return buffer;
}

int OpenFlagsFor(int32_t flags) {
    int open = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    if (flags & FILE_FLAG_NO_BUFFERING) open |= O_DIRECT;
    if (flags & FILE_FLAG_WRITE_THROUGH) open |= O_DSYNC;
    return open;
}

int Fail(int fd) {
    lastError = errno;
    if (fd >= 0) sys::close(fd);
    return 0;
}

// Test files are plain files. They are opened without waiting, so that a pipe planted under a
// test file's name cannot hang the phase; once the file is known to be plain, I/O blocks again.
bool MakeUsable(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) return false;
    if (!S_ISREG(status.st_mode)) {
        errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

constexpr char16_t kFirstKeptByte = 0xDC80;
constexpr char16_t kLastKeptByte = 0xDCFF;

// The length of the UTF-8 character at `at`, 0 when the byte there does not start one.
qsizetype Utf8CharacterLength(const QByteArray& bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    qsizetype length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the byte after the lead
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (at + length > bytes.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (qsizetype i = at + 2; i < at + length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

// A code point of the range that stands for a kept byte, not half of a pair.
bool IsKeptByte(const QString& text, qsizetype at) {
    const char16_t unit = text.at(at).unicode();
    return unit >= kFirstKeptByte && unit <= kLastKeptByte &&
           (at == 0 || !text.at(at - 1).isHighSurrogate());
}

}  // namespace

QString FileNameFromBytes(const QByteArray& bytes) {
    QString name;
    name.reserve(bytes.size());
    qsizetype run = 0;  // start of the valid UTF-8 not yet decoded
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = Utf8CharacterLength(bytes, at);
        if (length > 0) {
            at += length;
            continue;
        }
        name += QString::fromUtf8(bytes.constData() + run, at - run);
        name += QChar(char16_t(0xDC00 + static_cast<unsigned char>(bytes[at])));
        run = ++at;
    }
    return name + QString::fromUtf8(bytes.constData() + run, bytes.size() - run);
}

QByteArray FileNameBytes(const QString& name) {
    QByteArray bytes;
    qsizetype run = 0;
    for (qsizetype at = 0; at < name.size(); ++at) {
        if (!IsKeptByte(name, at)) continue;
        bytes += QStringView(name).sliced(run, at - run).toUtf8();
        bytes += static_cast<char>(name.at(at).unicode() - 0xDC00);
        run = at + 1;
    }
    return bytes + QStringView(name).sliced(run).toUtf8();
}

QString ShownText(const QString& text) {
    QString shown = text;
    for (qsizetype at = 0; at < shown.size(); ++at)
        if (IsKeptByte(shown, at)) shown[at] = QChar::ReplacementCharacter;
    return shown;
}

void BlockText::Free::operator()(char* p) const {
    std::free(p);
}

BlockText::BlockText(const QString& text)
    : length_(WriteLengthFor(text.size())), bytes_(AlignedBuffer(static_cast<size_t>(length_))) {
    // One byte per character, as the original single-byte code page stored them.
    const QByteArray bytes = text.toLatin1();
    std::memcpy(bytes_.get(), bytes.constData(), std::min<size_t>(bytes.size(), length_));
}

int32_t FileCreate(const QString& path, int32_t access, int32_t share, int32_t disposition,
                   int32_t flags) {
    if (access != GENERIC_WRITE || share != 0 || disposition != CREATE_ALWAYS) {
        lastError = EINVAL;
        return 0;
    }
    const int fd = sys::open(FileNameBytes(path).constData(), OpenFlagsFor(flags), 0644);
    if (fd < 0 || !MakeUsable(fd)) return Fail(fd);
    // No sharing while open: take the lock before truncating, so that a file somebody else
    // holds is refused rather than emptied under them.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ftruncate(fd, 0) != 0) return Fail(fd);
    sys::fsync(fd);  // the new, empty file reaches the device before any clock starts
    return HandleOf(fd);
}

int32_t FileOpen(const QString& path, int32_t style) {
    if (style != OF_READ) {
        lastError = EINVAL;
        return 0;
    }
    const int fd =
        sys::open(FileNameBytes(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 || !MakeUsable(fd)) return Fail(fd);
    return HandleOf(fd);
}

int32_t FileRead(int32_t handle, const char*& data, int32_t count) {
    alignas(kBlockBufferAlignment) thread_local char buffer[kReadBufferSize];
    data = buffer;
    if (handle == 0 || count > kReadBufferSize) return -1;
    if (count <= 0) return 0;
    const ssize_t read = sys::read(DescriptorOf(handle), buffer, static_cast<size_t>(count));
    if (read < 0) {
        lastError = errno;
        return 0;
    }
    return static_cast<int32_t>(read);
}

bool FileWrite(int32_t handle, const BlockText& block) {
    if (handle == 0) return false;
    const ssize_t written =
        sys::write(DescriptorOf(handle), block.Data(), static_cast<size_t>(block.Length()));
    if (written == block.Length()) return true;
    lastError = written < 0 ? errno : 0;
    return false;
}

bool FileClose(int32_t handle, bool flush) {
    if (handle == 0) return false;
    const int fd = DescriptorOf(handle);
    if (flush) sys::fsync(fd);  // fails harmlessly on a read-only descriptor
    if (sys::close(fd) == 0) return true;
    lastError = errno;
    return false;
}

QString LastFileError() {
    if (lastError == 0) return QString();
    return QString::fromLocal8Bit(std::strerror(lastError));
}

int LastFileErrorNumber() {
    return lastError;
}

QString EnglishErrorText(int error) {
    const char* text = ::strerrordesc_np(error);
    return text ? QString::fromLatin1(text) : QStringLiteral("error %1").arg(error);
}

void RaiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}
