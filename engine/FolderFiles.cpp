#include "FolderFiles.h"

#include <sys/stat.h>

#include <QRegularExpression>
#include <cerrno>

#include "SystemCalls.h"
#include "modFile.h"

namespace {

QString CallFailure(const char* call) {
    return QString::fromLatin1(call) + QStringLiteral(": ") + EnglishErrorText(errno);
}

bool IsPlainFile(const QByteArray& path) {
    struct stat status {};
    return ::lstat(path.constData(), &status) == 0 && S_ISREG(status.st_mode);
}

// Creates the file when it is not there; `created` tells which happened.
int OpenForAppending(const QByteArray& path, bool& created) {
    const int flags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC;
    const int fd = sys::open(path.constData(), flags | O_CREAT | O_EXCL, 0644);
    created = fd >= 0;
    if (fd >= 0 || errno != EEXIST) return fd;
    return sys::open(path.constData(), flags);
}

}  // namespace

bool IsNumberedTestFileName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^[1-9][0-9]*\\.tst$"));
    return pattern.match(name).hasMatch();
}

TestFileListing ListNumberedTestFiles(const QString& folder) {
    TestFileListing listing;
    const QByteArray path = FileNameBytes(folder);
    DIR* dir = sys::opendir(path.constData());
    if (!dir) {
        listing.failure = CallFailure("opendir");
        return listing;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = sys::readdir(dir);
        if (!entry) {
            // A failing readdir is no end of the folder: what it did not list may still be there.
            if (errno != 0) listing.failure = CallFailure("readdir");
            break;
        }
        const QString name = FileNameFromBytes(entry->d_name);
        if (!IsNumberedTestFileName(name)) continue;
        const bool plain = entry->d_type == DT_UNKNOWN ? IsPlainFile(path + entry->d_name)
                                                       : entry->d_type == DT_REG;
        if (plain) listing.names << name;
    }
    ::closedir(dir);
    return listing;
}

Removal RemoveTestFile(const QString& path) {
    const QByteArray name = FileNameBytes(path);
    if (!IsPlainFile(name)) return Removal::NotThere;
    if (sys::unlink(name.constData()) == 0 || errno == ENOENT) return Removal::Removed;
    return Removal::Failed;
}

bool AppendToFile(const QString& path, const QByteArray& bytes) {
    const QByteArray name = FileNameBytes(path);
    bool created = false;
    const int fd = OpenForAppending(name, created);
    if (fd < 0) return false;
    const off_t before = ::lseek(fd, 0, SEEK_END);
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = sys::write(fd, bytes.constData() + written, bytes.size() - written);
        if (n <= 0) break;
        written += n;
    }
    // The flush tells whether the block is kept; a close after it cannot lose the block, so a
    // failing close must not make a repeated attempt append it a second time.
    const bool kept = written == bytes.size() && sys::fsync(fd) == 0;
    // Taking back a partial block is a best effort: the caller reports the failure either way.
    if (!kept && before >= 0) {
        [[maybe_unused]] const int truncated = ::ftruncate(fd, before);
    }
    sys::close(fd);
    if (!kept && created) ::unlink(name.constData());
    return kept;
}
